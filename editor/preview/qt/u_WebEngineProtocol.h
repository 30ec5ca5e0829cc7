// Binding of the pluggable protocols to Qt WebEngine. The schemes are made known to
// the engine before the application object exists (RegisterProtocolSchemes); from
// then on a handler whose scheme is registered with the protocol session answers
// the engine's requests inside requestStarted, through TCustomInternetProtocol.
//
// URL forms: the system writes its URLs with backslashes ("mfs:\pages\index.htm"),
// which the engine would turn into an opaque path that relative links cannot be
// resolved against. Views therefore navigate to the engine form ("mfs:/pages/index.htm",
// EngineUrl), and requests are handed to the protocol logic in the system's form
// again (SystemUrl): backslashes, blanks and other characters unescaped.
#pragma once

#include "u_InternetProtocolSupport.h"

#include <QByteArray>
#include <QStringList>
#include <QUrl>
#include <QWebEngineUrlSchemeHandler>

#include <string>

class QWebEngineUrlRequestJob;

// The schemes of the editor's own protocols.
extern const char* const ProjectProtocolScheme;         // "mfs"
extern const char* const TemplatePreviewProtocolScheme; // "templatepreview"

// Registers the schemes with the engine and installs the engine's platform in the
// protocol session. Must run before the QApplication is created; schemes that are not
// registered here cannot be served later.
void RegisterProtocolSchemes(const QStringList& Schemes = {ProjectProtocolScheme,
                                                           TemplatePreviewProtocolScheme});

// True for a scheme registered by RegisterProtocolSchemes (letter case ignored).
bool IsProtocolScheme(const QString& Scheme);

// The URL the engine navigates to for a URL in the system's form: protocol URLs get
// "/" separators and a leading "/", host paths become file URLs, anything else is
// parsed as it stands.
QUrl EngineUrl(const std::string& Url);
// The system's form of a URL that the engine reports: for protocol URLs the scheme,
// ":", the decoded path with "\" separators and the query after "?".
std::string SystemUrl(const QUrl& Url);
// Whether two URLs in the system's form lead to the same engine URL, letter case ignored.
bool SameUrl(const std::string& A, const std::string& B);

// The MIME type given with a served document: HTML for the error page, otherwise
// judged from the file name and the bytes.
QByteArray ResponseMimeType(const QUrl& Url, const QByteArray& Data, bool ErrorPage);

// Answers the engine's requests of every registered protocol scheme.
class TWebEngineSchemeHandler : public QWebEngineUrlSchemeHandler {
    Q_OBJECT
public:
    using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;
    void requestStarted(QWebEngineUrlRequestJob* Job) override;
};

// The engine as the protocol session's platform: the handler object stands for the
// class factory and the default profile for the internet session.
class TWebEngineProtocolPlatform : public TProtocolPlatform {
public:
    ~TWebEngineProtocolPlatform() override;
    HRESULT GetClassFactory() override;
    void ReleaseClassFactory() override;
    HRESULT GetInternetSession() override;
    void ReleaseInternetSession() override;
    HRESULT RegisterNameSpace(const std::string& Name) override;
    HRESULT UnregisterNameSpace(const std::string& Name) override;

    TWebEngineSchemeHandler* Handler() const noexcept { return FHandler; }

private:
    TWebEngineSchemeHandler* FHandler = nullptr;
    bool FHasSession = false;
};

// Result codes of registration failures of the engine.
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT CO_E_NOTINITIALIZED = static_cast<HRESULT>(0x800401F0u);
