#include "u_BookScheme.h"

#include "u_EngineScheme.h"
#include "u_ReaderNavigation.h"
#include "u_ReaderPaths.h"
#include "u_ReaderProtocol.h"
#include "u_ReaderSession.h"

#include <QBuffer>
#include <QWebEngineDownloadRequest>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestJob>

void RegisterBookScheme() {
    RegisterEngineScheme(BookScheme);
}

QUrl BookUrl(const std::string& Address) {
    return QUrl(QString::fromStdString(EngineUrl(Address)), QUrl::TolerantMode);
}

bool IsBookUrl(const QUrl& Url) {
    return Url.scheme().compare(QLatin1String(BookScheme), Qt::CaseInsensitive) == 0;
}

std::string LinkOfUrl(const QUrl& Url) {
    if (!IsBookUrl(Url))
        return Url.toString(QUrl::FullyEncoded).toStdString();
    std::string link = std::string(BookScheme) + ":" + Url.path(QUrl::FullyEncoded).toStdString();
    if (Url.hasQuery())
        link += "?" + Url.query(QUrl::FullyEncoded).toStdString();
    if (Url.hasFragment())
        link += "#" + Url.fragment(QUrl::FullyEncoded).toStdString();
    return link;
}

TBookSchemeHandler::TBookSchemeHandler(const TReaderSession& Session, QObject* Parent)
    : QWebEngineUrlSchemeHandler(Parent), FSession(Session) {}

void TBookSchemeHandler::requestStarted(QWebEngineUrlRequestJob* Job) {
    try {
        // The same answer the Windows reader's protocol gives; a guarded page is
        // refused with the reader's notice in its place.
        TProtocolAnswer answer = AnswerBookRequest(FSession, LinkOfUrl(Job->requestUrl()));
        if (answer.Status == TProtocolStatus::NotFound) {
            Job->fail(QWebEngineUrlRequestJob::UrlNotFound);
            return;
        }
        auto* buffer = new QBuffer(Job);
        buffer->setData(QByteArray::fromStdString(answer.Data));
        buffer->open(QIODevice::ReadOnly);
        Job->reply(QByteArray::fromStdString(answer.MimeType), buffer);
    } catch (...) {
        Job->fail(QWebEngineUrlRequestJob::RequestFailed);
    }
}

bool TBookRequestInterceptor::Allowed(const QUrl& Url) {
    const QString scheme = Url.scheme().toLower();
    return IsBookUrl(Url) || scheme == QLatin1String("http") || scheme == QLatin1String("https") ||
           scheme == QLatin1String("data") || scheme == QLatin1String("blob") || scheme == QLatin1String("about");
}

void TBookRequestInterceptor::interceptRequest(QWebEngineUrlRequestInfo& Info) {
    if (!Allowed(Info.requestUrl()))
        Info.block(true);
}

QWebEngineProfile* NewBookProfile(const TReaderSession& Session, QObject* Parent) {
    // A profile without a storage name is off the record: no cookies, cache or
    // history of the book reach the disk.
    auto* profile = new QWebEngineProfile(Parent);
    profile->installUrlSchemeHandler(BookScheme, new TBookSchemeHandler(Session, profile));
    profile->setUrlRequestInterceptor(new TBookRequestInterceptor(profile));
    QWebEngineSettings* settings = profile->settings();
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
    QObject::connect(profile, &QWebEngineProfile::downloadRequested, profile,
                     [](QWebEngineDownloadRequest* download) { download->cancel(); });
    return profile;
}
