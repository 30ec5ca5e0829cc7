#include "u_ReaderPictures.h"

#include "u_PaletteColors.h"
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
    // Bitmaps of the toolbar take their top-left colour as the transparent one.
    if (ext == "bmp")
        image = WithColorKey(image);
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
    return PaletteColor(Value, Palette);
}
