// The book as the HTML engine sees it: the reader's own URL scheme "book" (made known
// to the engine before the application object exists), the handler that answers
// every request of that scheme from the reading session, and the engine profile of a
// book: private (nothing kept on disk), with the handler installed, every request to
// local files or unknown schemes blocked, and downloads refused.
#pragma once

#include <QUrl>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineUrlSchemeHandler>

#include <string>

class QWebEngineProfile;
class TReaderSession;

// Registers the scheme; must run before the QApplication is created.
void RegisterBookScheme();

// The engine's URL of a book address ("\Light\How it.htm#top" gives
// "book:/Light/How%20it.htm#top").
QUrl BookUrl(const std::string& Address);
// A URL the engine reports, as a link for the session: book URLs as "book:" with the
// decoded path, query and fragment; any other URL as it stands.
std::string LinkOfUrl(const QUrl& Url);
bool IsBookUrl(const QUrl& Url);

class TBookSchemeHandler : public QWebEngineUrlSchemeHandler {
    Q_OBJECT
public:
    TBookSchemeHandler(const TReaderSession& Session, QObject* Parent);
    // Answers the request completely here, on the GUI thread.
    void requestStarted(QWebEngineUrlRequestJob* Job) override;

private:
    const TReaderSession& FSession;
};

// Lets through the book's own scheme and the web (a book may show pictures from its
// author's site); blocks local files and every other scheme.
class TBookRequestInterceptor : public QWebEngineUrlRequestInterceptor {
    Q_OBJECT
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
    void interceptRequest(QWebEngineUrlRequestInfo& Info) override;
    static bool Allowed(const QUrl& Url);
};

// A private profile serving the session's book; owned by Parent.
QWebEngineProfile* NewBookProfile(const TReaderSession& Session, QObject* Parent);
