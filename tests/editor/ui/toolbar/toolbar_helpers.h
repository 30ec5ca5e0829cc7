// Helpers of the toolbar designer's tests: store files, pictures in the formats the
// designer reads, and answering a modal dialog the way a user would.
#pragma once

#include "ui_helpers.h"

#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QTimer>

#include <functional>
#include <string>

inline void SetStoreText(TMFS& Store, const std::string& Path, const std::string& Text) {
    Store.Session()->ForceFolders(TMFS::ExtractPath(Path));
    Store.Session()->CreateFile(Path, 0, true)->Content = Text;
}

// A picture whose top-left pixel has the colour Corner and no other pixel has it.
inline QImage Pattern(int Width, int Height, QRgb Corner) {
    QImage image(Width, Height, QImage::Format_RGB32);
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x)
            image.setPixel(x, y, qRgb((x * 13) % 200 + 20, (y * 17) % 200 + 20, 100));
    image.setPixel(0, 0, Corner);
    return image;
}

inline std::string EncodedPicture(const QImage& Image, const char* Format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    Image.save(&buffer, Format);
    return bytes.toStdString();
}
inline std::string JpegBytes(const QImage& Image) {
    return EncodedPicture(Image, "JPG");
}
inline std::string IconBytes(const QImage& Image) {
    return EncodedPicture(Image, "ICO");
}

// Runs Answer on the dialog of class T as soon as it is the active modal window
// (the dialog is opened by the code that runs after this call).
template <class T>
void AnswerModal(std::function<void(T&)> Answer) {
    auto* timer = new QTimer;
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, Answer] {
        auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        timer->stop();
        timer->deleteLater();
        Answer(*dialog);
    });
    timer->start();
}
