// The view that shows a book's pages, in the main window and in the form windows. The
// WebBrowser control hosted through COM implements it (w_BrowserHost); the windows
// only know this interface, so tests can give them a stand-in where no HTML engine
// exists. Texts are UTF-8; addresses are the engine's ("book:/Index.htm").
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

// What a view tells the window that holds it; called on the window's thread.
class TBookViewEvents {
public:
    virtual ~TBookViewEvents() = default;
    // A navigation is about to start (a link, a form, a script, a frame); false cancels it.
    virtual bool BeforeNavigate(const std::string& Url, bool TopLevel) = 0;
    // The page at Url (top level) has loaded.
    virtual void DocumentComplete(const std::string& Url) = 0;
    // A page asked for a new window (target="_blank", window.open); the view opens none
    // itself.
    virtual void NewWindow(const std::string& Url) = 0;
    // The loaded page's title changed.
    virtual void TitleChanged(const std::string& Title) = 0;
    // Whether the engine may show its right-click menu now.
    virtual bool ContextMenuAllowed() = 0;
    // A key message the view received before the engine: true when the window took it
    // as one of its commands (its accelerators).
    virtual bool TranslateAccelerator(MSG& Message) = 0;
};

class TBookView {
public:
    virtual ~TBookView() = default;
    virtual HWND Window() const = 0;
    virtual void SetBounds(const RECT& Bounds) = 0;
    virtual void Navigate(const std::string& Url) = 0;
    virtual void Refresh() = 0;
    // The engine's print dialog for the page shown.
    virtual void Print() = 0;
    virtual void Copy() = 0;
    virtual void SelectAll() = 0;
    virtual bool HasSelection() = 0;
    // The engine's text size: 0 smallest, 2 medium, 4 largest.
    virtual void SetTextSize(int Size) = 0;
    // Marks every occurrence of the words on the page shown (search results).
    virtual void MarkWords(const std::vector<std::string>& Words) = 0;
    virtual void Focus() = 0;
    // Gives the engine a key message first (its own keys: Tab, arrows in the page);
    // true when it took it.
    virtual bool PreTranslateMessage(MSG& Message) = 0;
};

// Creates the WebBrowser control as a child of Parent. On failure returns empty and
// sets Error to the reason, for the message "cannot create the HTML engine".
std::unique_ptr<TBookView> CreateBrowserView(HWND Parent, TBookViewEvents& Events, std::string& Error);
