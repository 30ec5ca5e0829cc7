// The HTML view of a book page. The view loads only what its owner asks for
// (LoadAddress); every other navigation of the page (a link clicked, a form sent, a
// script changing the location, a new window asked for) is refused by the engine and
// handed to the owner, who decides what it means. The right-click menu is the
// owner's too.
#pragma once

#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <functional>
#include <string>

class QWebEngineProfile;

class TBookPage : public QWebEnginePage {
    Q_OBJECT
public:
    TBookPage(QWebEngineProfile* Profile, QObject* Parent);

    // The next main-frame navigation to Url is the owner's own and goes ahead.
    void Expect(const QUrl& Url) { FExpected = Url; }

    // A navigation the page asked for by itself, and a link to open in a window of its own.
    std::function<void(const QUrl&)> OnFollowLink;
    std::function<void(const QUrl&)> OnNewWindow;

protected:
    bool acceptNavigationRequest(const QUrl& Url, NavigationType Type, bool IsMainFrame) override;
    QWebEnginePage* createWindow(WebWindowType Type) override;

private:
    QUrl FExpected;
};

class TBookView : public QWebEngineView {
    Q_OBJECT
public:
    TBookView(QWebEngineProfile* Profile, QWidget* Parent);

    TBookPage* BookPage() const { return FPage; }
    // Loads a book address ("\a.htm?x#y").
    void LoadAddress(const std::string& Address);
    // The text zoom of the five font sizes (index 0 to 4, 2 is the normal size).
    void SetFontSize(int Index);
    int FontSize() const { return FFontSize; }
    static double FontSizeFactor(int Index);

    std::function<void(const QPoint&)> OnContextMenu;

protected:
    void contextMenuEvent(QContextMenuEvent* Event) override;

private:
    TBookPage* FPage;
    int FFontSize = 2;
};
