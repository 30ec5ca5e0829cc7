#include "u_ReaderPictures.h"

#include "u_ReaderToolbar.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>

#include <algorithm>
#include <cctype>

QPixmap BookPicture(const std::string& Data) {
    QImage image;
    if (Data.empty() || !image.loadFromData(QByteArray::fromStdString(Data)))
        return QPixmap();
    return QPixmap::fromImage(image);
}

QPixmap ButtonPicture(const std::string& Data, const std::string& Path) {
    if (Data.empty())
        return QPixmap();
    std::string ext = Path.substr(std::min(Path.size(), Path.find_last_of('.') + 1));
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    QImage image;
    if (!image.loadFromData(QByteArray::fromStdString(Data)))
        return QPixmap();
    if (ext == "bmp" && !image.isNull() && !image.hasAlphaChannel()) {
        // Bitmaps of the toolbar take their top-left colour as the transparent one.
        const QRgb key = image.pixel(0, 0);
        image = image.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < image.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x)
                if ((line[x] & 0xFFFFFF) == (key & 0xFFFFFF))
                    line[x] = 0;
        }
    }
    return QPixmap::fromImage(image);
}

QIcon ReaderIcon() {
    return QIcon(":/icons/pagelamp.svg");
}

QIcon BookIcon(const std::string& IconData) {
    QIcon icon;
    if (!IconData.empty()) {
        QByteArray bytes = QByteArray::fromStdString(IconData);
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, "ico");
        // Every image of the icon file, so that each place picks the size it needs.
        for (int i = 0; i < std::min(reader.imageCount(), 32); ++i) {
            if (!reader.jumpToImage(i))
                break;
            const QImage image = reader.read();
            if (!image.isNull())
                icon.addPixmap(QPixmap::fromImage(image));
        }
    }
    return icon.isNull() ? ReaderIcon() : icon;
}

QColor BookColor(int32_t Value, const QPalette& Palette) {
    const TReaderColor color = DecodeColor(Value);
    if (!color.IsSystem)
        return QColor(color.Red, color.Green, color.Blue);
    switch (color.SystemIndex) {
    case ColorIndexWindow: return Palette.color(QPalette::Base);
    case ColorIndexWindowText: return Palette.color(QPalette::Text);
    case ColorIndexBtnText: return Palette.color(QPalette::ButtonText);
    case ColorIndexHighlight: return Palette.color(QPalette::Highlight);
    case ColorIndexHighlightText: return Palette.color(QPalette::HighlightedText);
    default: return Palette.color(QPalette::Button);
    }
}
