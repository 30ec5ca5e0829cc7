// A window of its own for an additional page of the book (a form of
// "AdditionalPages.xml", the About page) or for a link that asks for a new window:
// its own view, the caption, size and frame the entry asks for. Its links are
// decided by the main window (OnBeforeNavigate).
#pragma once

#include "w_BookView.h"
#include "w_Window.h"

#include "u_ReaderBook.h"

#include <functional>
#include <memory>
#include <string>

// Makes the view of a window; tests hand in a stand-in.
using TViewFactory = std::function<std::unique_ptr<TBookView>(HWND Parent, TBookViewEvents& Events, std::string& Error)>;
// The HTML engine's view.
TViewFactory BrowserViewFactory();

extern const wchar_t* const FormClassName;

class TFormWindow : public TWindow, public TBookViewEvents {
public:
    // The window, shown; Window() is null when the view could not be made (Error says why).
    TFormWindow(const TReaderForm& Form, const std::string& Caption, HWND Owner, HICON Icon,
                const TViewFactory& Factory, std::string& Error);
    ~TFormWindow() override;

    const std::string& FormPath() const noexcept { return FPath; }
    TBookView* View() const noexcept { return FView.get(); }
    // Shows the engine URL in the window's view.
    void Open(const std::string& Url);
    // A key message for this window: its view's keys, Escape closes the window.
    bool PreTranslate(MSG& Message);
    bool Closed() const noexcept { return FWindow == nullptr; }

    // A navigation in the view other than the one Open asked for: true lets it go on.
    std::function<bool(TFormWindow& Form, const std::string& Url, bool TopLevel)> OnBeforeNavigate;
    std::function<bool()> OnContextMenuAllowed;
    std::function<void(TFormWindow& Form)> OnClosed;

    bool BeforeNavigate(const std::string& Url, bool TopLevel) override;
    void DocumentComplete(const std::string&) override {}
    void NewWindow(const std::string& Url) override;
    void TitleChanged(const std::string&) override {}
    bool ContextMenuAllowed() override { return !OnContextMenuAllowed || OnContextMenuAllowed(); }
    bool TranslateAccelerator(MSG& Message) override;

protected:
    LRESULT Handle(UINT Message, WPARAM W, LPARAM L) override;
    void Destroyed() override;

private:
    std::string FPath;
    std::string FPending;
    std::unique_ptr<TBookView> FView;
};
