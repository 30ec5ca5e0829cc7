#include "u_BookScheme.h"

#include "u_EngineScheme.h"
#include "u_MFS.h"
#include "u_ReaderPaths.h"
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
    const TBookAddress address = ParseBookAddress(Address);
    std::string text = std::string(BookScheme) + ":" + EnginePath(address.Path);
    if (!address.Query.empty())
        text += "?" + address.Query;
    if (!address.Fragment.empty())
        text += "#" + address.Fragment;
    return QUrl(QString::fromStdString(text), QUrl::TolerantMode);
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

QByteArray BookMimeType(const std::string& Path, const QByteArray& Data, bool Generated) {
    return EngineMimeType(QString::fromStdString(TMFS::ExtractName(Path)), Data, Generated);
}

TBookSchemeHandler::TBookSchemeHandler(const TReaderSession& Session, QObject* Parent)
    : QWebEngineUrlSchemeHandler(Parent), FSession(Session) {}

void TBookSchemeHandler::requestStarted(QWebEngineUrlRequestJob* Job) {
    try {
        const TLinkTarget target = ClassifyLink(LinkOfUrl(Job->requestUrl()), "\\");
        if (target.Kind != TLinkKind::Book) {
            Job->fail(QWebEngineUrlRequestJob::UrlInvalid);
            return;
        }
        const TServedPage served = FSession.Serve(target.Address);
        if (served.Status == TPageStatus::NotFound) {
            Job->fail(QWebEngineUrlRequestJob::UrlNotFound);
            return;
        }
        auto* buffer = new QBuffer(Job);
        buffer->setData(QByteArray::fromStdString(served.Data));
        buffer->open(QIODevice::ReadOnly);
        Job->reply(BookMimeType(target.Address.Path, buffer->data(), served.Generated), buffer);
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
