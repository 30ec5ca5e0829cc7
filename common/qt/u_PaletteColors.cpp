#include "u_PaletteColors.h"

#include "u_Colors.h"

QPalette::ColorRole SystemColorRole(int Index) {
    switch (Index) {
    case ColorIndexWindow:
        return QPalette::Base;
    case ColorIndexWindowText:
        return QPalette::Text;
    case ColorIndexMenuText:
    case ColorIndexCaptionText:
        return QPalette::WindowText;
    case ColorIndexHighlight:
        return QPalette::Highlight;
    case ColorIndexHighlightText:
        return QPalette::HighlightedText;
    case ColorIndexBtnShadow:
        return QPalette::Dark;
    case ColorIndexGrayText:
        return QPalette::PlaceholderText;
    case ColorIndexBtnText:
        return QPalette::ButtonText;
    case ColorIndexBtnHighlight:
        return QPalette::Light;
    case ColorIndex3DDarkShadow:
        return QPalette::Shadow;
    case ColorIndexInfoText:
        return QPalette::ToolTipText;
    case ColorIndexInfoBackground:
        return QPalette::ToolTipBase;
    default: // button face and the rest
        return QPalette::Button;
    }
}

QColor PaletteColor(int32_t Value, const QPalette& Palette) {
    const TColorNumber color = DecodeColor(Value);
    if (color.IsSystem)
        return Palette.color(QPalette::Active, SystemColorRole(color.SystemIndex));
    return QColor(color.Red, color.Green, color.Blue);
}

QImage WithColorKey(const QImage& Bitmap) {
    if (Bitmap.isNull())
        return Bitmap;
    QImage image = Bitmap.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = image.pixel(0, 0) & 0xFFFFFF;
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if ((line[x] & 0xFFFFFF) == key)
                line[x] = qRgba(0, 0, 0, 0);
    }
    return image;
}
