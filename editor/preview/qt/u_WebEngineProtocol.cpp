#include "u_WebEngineProtocol.h"

#include "u_CaseBlind.h"
#include "u_EngineScheme.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFileInfo>
#include <QPointer>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestJob>

#include "u_TextUtils.h"
#include <algorithm>

const char* const ProjectProtocolScheme = "mfs";
const char* const TemplatePreviewProtocolScheme = "templatepreview";

namespace {

QStringList& RegisteredSchemes() {
    static QStringList schemes;
    return schemes;
}

TWebEngineProtocolPlatform& EnginePlatform() {
    static TWebEngineProtocolPlatform platform;
    return platform;
}

} // namespace

void RegisterProtocolSchemes(const QStringList& Schemes) {
    for (const QString& name : Schemes) {
        const QString scheme = name.toLower();
        if (RegisteredSchemes().contains(scheme))
            continue;
        // Local, so that pages may use each other's files and those of the disk.
        RegisterEngineScheme(scheme.toLatin1());
        RegisteredSchemes().append(scheme);
    }
    // The platform object is created before the session is first used, so that it
    // outlives the session's last release of its references.
    TWebEngineProtocolPlatform& platform = EnginePlatform();
    if (&ProtocolSession().Platform() != &platform && ProtocolSession().Count() == 0)
        ProtocolSession().SetPlatform(&platform);
}

bool IsProtocolScheme(const QString& Scheme) {
    return RegisteredSchemes().contains(Scheme.toLower());
}

QUrl EngineUrl(const std::string& Url) {
    const std::size_t colon = Url.find(':');
    if (colon != std::string::npos && colon > 0 && IsProtocolScheme(QString::fromUtf8(Url.data(), colon))) {
        std::string rest = Url.substr(colon + 1);
        std::string fragment, query;
        bool hasFragment = false, hasQuery = false;
        if (const std::size_t hash = rest.find('#'); hash != std::string::npos) {
            fragment = rest.substr(hash + 1);
            rest.erase(hash);
            hasFragment = true;
        }
        if (const std::size_t question = rest.find('?'); question != std::string::npos) {
            query = rest.substr(question + 1);
            rest.erase(question);
            hasQuery = true;
        }
        // "%20" stands for a blank in the system's form (the protocol decodes it).
        std::string path = ReplaceAll(std::move(rest), "%20", " ");
        std::replace(path.begin(), path.end(), '\\', '/');
        if (path.empty() || path.front() != '/')
            path.insert(path.begin(), '/');
        QUrl url;
        url.setScheme(QString::fromUtf8(Url.data(), colon).toLower());
        url.setPath(QString::fromUtf8(path), QUrl::DecodedMode);
        if (hasQuery)
            url.setQuery(QString::fromUtf8(query));
        if (hasFragment)
            url.setFragment(QString::fromUtf8(fragment));
        return url;
    }
    if (!Url.empty() && Url.front() == '/')
        return QUrl::fromLocalFile(QString::fromUtf8(Url));
    return QUrl(QString::fromUtf8(Url));
}

std::string SystemUrl(const QUrl& Url) {
    if (IsProtocolScheme(Url.scheme())) {
        std::string path = Url.path(QUrl::FullyDecoded).toUtf8().toStdString();
        std::replace(path.begin(), path.end(), '/', '\\');
        std::string result = Url.scheme().toStdString() + ":" + path;
        if (Url.hasQuery())
            result += "?" + Url.query(QUrl::FullyDecoded).toUtf8().toStdString();
        return result;
    }
    if (Url.isLocalFile())
        return Url.toLocalFile().toUtf8().toStdString();
    return Url.toString(QUrl::FullyEncoded).toUtf8().toStdString();
}

bool SameUrl(const std::string& A, const std::string& B) {
    return SameTextCaseBlind(SystemUrl(EngineUrl(A)), SystemUrl(EngineUrl(B)));
}

QByteArray ResponseMimeType(const QUrl& Url, const QByteArray& Data, bool ErrorPage) {
    return EngineMimeType(QFileInfo(Url.path(QUrl::FullyDecoded)).fileName(), Data, ErrorPage);
}

void TWebEngineSchemeHandler::requestStarted(QWebEngineUrlRequestJob* Job) {
    // Every request is answered completely here, on the GUI thread.
    try {
        const QUrl url = Job->requestUrl();
        TCustomInternetProtocol protocol;
        const HRESULT hr = protocol.Start(SystemUrl(url), nullptr);
        if (hr == INET_E_INVALID_URL) {
            Job->fail(QWebEngineUrlRequestJob::UrlInvalid);
            return;
        }
        if (Failed(hr)) {
            Job->fail(QWebEngineUrlRequestJob::RequestFailed);
            return;
        }
        QByteArray data(static_cast<qsizetype>(protocol.TotalSize()), Qt::Uninitialized);
        std::uint32_t offset = 0;
        HRESULT read;
        do {
            std::uint32_t count = 0;
            read = protocol.Read(data.data() + offset, protocol.TotalSize() - offset, count);
            offset += count;
        } while (read == E_PENDING && offset < protocol.TotalSize());
        protocol.Terminate(0);
        data.truncate(offset);
        auto* buffer = new QBuffer(Job);
        buffer->setData(data);
        buffer->open(QIODevice::ReadOnly);
        Job->reply(ResponseMimeType(url, data, protocol.ServedErrorPage()), buffer);
    } catch (...) {
        Job->fail(QWebEngineUrlRequestJob::RequestFailed);
    }
}

TWebEngineProtocolPlatform::~TWebEngineProtocolPlatform() {
    if (&ProtocolSession().Platform() == this)
        ProtocolSession().SetPlatform(nullptr);
    delete FHandler;
}

HRESULT TWebEngineProtocolPlatform::GetClassFactory() {
    if (!FHandler)
        FHandler = new TWebEngineSchemeHandler();
    return S_OK;
}

void TWebEngineProtocolPlatform::ReleaseClassFactory() {
    // Deleting the handler also removes it from every profile that still has it.
    delete FHandler;
    FHandler = nullptr;
}

HRESULT TWebEngineProtocolPlatform::GetInternetSession() {
    if (!QCoreApplication::instance())
        return CO_E_NOTINITIALIZED;
    FHasSession = QWebEngineProfile::defaultProfile() != nullptr;
    return FHasSession ? S_OK : E_FAIL;
}

void TWebEngineProtocolPlatform::ReleaseInternetSession() {
    FHasSession = false;
}

HRESULT TWebEngineProtocolPlatform::RegisterNameSpace(const std::string& Name) {
    const QString scheme = QString::fromUtf8(Name).toLower();
    if (!IsProtocolScheme(scheme))
        return E_INVALIDARG; // the engine learns of schemes only before the application starts
    if (!FHandler || !FHasSession || !QCoreApplication::instance())
        return CO_E_NOTINITIALIZED;
    QWebEngineProfile* profile = QWebEngineProfile::defaultProfile();
    if (profile->urlSchemeHandler(scheme.toLatin1()))
        return E_FAIL;
    profile->installUrlSchemeHandler(scheme.toLatin1(), FHandler);
    if (profile->urlSchemeHandler(scheme.toLatin1()) != FHandler)
        return E_FAIL;
    return TProtocolPlatform::RegisterNameSpace(Name);
}

HRESULT TWebEngineProtocolPlatform::UnregisterNameSpace(const std::string& Name) {
    TProtocolPlatform::UnregisterNameSpace(Name);
    if (!QCoreApplication::instance())
        return S_OK;
    QWebEngineProfile::defaultProfile()->removeUrlScheme(QString::fromUtf8(Name).toLower().toLatin1());
    return S_OK;
}
