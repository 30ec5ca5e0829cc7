// Waiting for the engine in GUI tests.
#pragma once

#include "../../../common/qt/engine_wait.h"
#include "c_MXWebBrowser.h"

#include <QBuffer>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QImage>
#include <QTimer>
#include <QVariant>
#include <QWebEngineScript>
#include <QWebEngineSettings>

#include <memory>

inline void Pause(int Ms) {
    QEventLoop loop;
    QTimer::singleShot(Ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Navigates and waits for the navigation to finish; returns whether it succeeded.
inline bool NavigateAndWait(TMXWebBrowser& Browser, const std::string& Url) {
    auto done = std::make_shared<int>(-1);
    auto connection = QObject::connect(&Browser, &TMXWebBrowser::NavigationFinished,
                                       [done](bool ok) { *done = ok ? 1 : 0; });
    Browser.Navigate(Url);
    WaitFor([&] { return *done >= 0; });
    QObject::disconnect(connection);
    return *done == 1;
}

inline std::string BodyText(TMXWebBrowser& Browser) {
    return RunScript(Browser, QStringLiteral("document.body ? document.body.innerText : ''"))
        .toString()
        .toUtf8()
        .toStdString();
}

// Where the tests leave their screenshots (beside the test programs).
inline QString ScreenshotPath(const QString& Name) {
    QDir().mkpath(QStringLiteral("screenshots"));
    return QStringLiteral("screenshots/") + Name;
}

inline std::string PngOf(Qt::GlobalColor Color, int Size = 40) {
    QImage image(Size, Size, QImage::Format_RGB32);
    image.fill(Color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes.toStdString();
}
