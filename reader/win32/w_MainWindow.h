// The reader's main window: the book's page view with the book's own toolbar (from
// "ToolButtons.xml" and the toolbar options, u_ReaderToolbar), menus and keys from the
// command table (u_ReaderCommands), the contents panel with the story tree beside the
// view, a status line, and the book's forms in windows of their own. What a link means,
// the story walk, the history and the search belong to the reading session; the window
// shows the result.
#pragma once

#include "w_FormWindow.h"
#include "w_Window.h"

#include "u_ReaderCommands.h"
#include "u_ReaderSession.h"
#include "u_ReaderToolbar.h"

#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

extern const wchar_t* const MainClassName;

// The menu and toolbar id of a command, and of the bookmarks.
constexpr int CommandId(TReaderCommand Command) {
    return 40000 + int(Command);
}
constexpr int FirstBookmarkId = 41000;
constexpr int BookmarksButtonId = 42000;
constexpr int FontSizeButtonId = 42001;
constexpr int LogoId = 42002;
constexpr int ToolbarId = 42100, ContentsId = 42101, StatusId = 42102;

class TMainWindow : public TWindow, public TBookViewEvents {
public:
    // SettingsFile is the book's full path, which names its settings; empty keeps none.
    TMainWindow(TReaderSession& Session, TViewFactory Factory, std::string SettingsFile);
    ~TMainWindow() override;

    // Makes the window (hidden) and its view; false with Error when the view cannot be made.
    bool Create(std::string& Error);
    // Shows the first page: the one last read when the settings know it, else the story's first.
    void Start();
    // Shows the window as the book asks (maximized or not).
    void Show();

    // Follows a link or book address as a click in the page would.
    void FollowLink(const std::string& Link);
    void FollowLinkInNewWindow(const std::string& Link);
    // Runs a command when its rule allows it now.
    void RunCommand(TReaderCommand Command);
    bool CommandIsEnabled(TReaderCommand Command) const;
    // The pass over the enabling rules: menus and toolbar follow them.
    void UpdateCommands();
    // A message of the program's loop: the view's keys, the window's accelerators,
    // the form windows' keys. True when it was taken.
    bool PreTranslate(MSG& Message);

    TBookView* View() const noexcept { return FView.get(); }
    HWND ToolBar() const noexcept { return FToolBar; }
    HWND Contents() const noexcept { return FContents; }
    HWND Status() const noexcept { return FStatus; }
    HACCEL Accelerators() const noexcept { return FAccelerators; }
    HICON Icon() const noexcept { return FIconBig; }
    const TToolbarLayout& Layout() const noexcept { return FLayout; }
    std::vector<TFormWindow*> OpenForms() const;
    TReaderViewState ViewState() const;

    // After the window was closed (the reader is done with the book).
    std::function<void()> OnClosed;
    // After each page the view loaded.
    std::function<void(const std::string& Url)> OnPageShown;

    bool BeforeNavigate(const std::string& Url, bool TopLevel) override;
    void DocumentComplete(const std::string& Url) override;
    void NewWindow(const std::string& Url) override;
    void TitleChanged(const std::string&) override {}
    bool ContextMenuAllowed() override;
    bool TranslateAccelerator(MSG& Message) override;

protected:
    LRESULT Handle(UINT Message, WPARAM W, LPARAM L) override;
    // What the window asks of the desktop; tests answer it.
    virtual void OpenExternal(const std::string& Url);
    virtual std::string AskSearch(const std::string& Initial);

private:
    HMENU CreateMenus();
    void CreateAccelerators();
    void CreateToolBar();
    void CreateContents();
    void Arrange();
    void ShowAddress(const std::string& Address, bool AddToHistory = true);
    void SyncContents();
    bool UnlockGuarded();
    TFormWindow* ShowForm(const TReaderForm& Form);
    TFormWindow* OpenFormWindow(const TReaderForm& Form, const std::string& Caption, const std::string& Address);
    bool FormNavigate(TFormWindow& Form, const std::string& Url, bool TopLevel);
    void SetFontSize(int Size);
    void SetContentsVisible(bool Visible);
    void ShowAbout();
    void SaveSettings();
    void SetStatus(const std::string& Text);
    void DropDown(int ButtonId);
    LRESULT Notify(NMHDR* Header);

    TReaderSession& FSession;
    TReaderBook& FBook;
    TViewFactory FFactory;
    std::string FSettingsFile;
    std::unique_ptr<TBookView> FView;
    TToolbarLayout FLayout;
    HWND FToolBar = nullptr, FLogo = nullptr, FContents = nullptr, FStatus = nullptr, FTips = nullptr;
    HMENU FMenu = nullptr, FBookmarksMenu = nullptr, FFontSizeMenu = nullptr;
    HACCEL FAccelerators = nullptr;
    HIMAGELIST FImages = nullptr;
    HBITMAP FLogoPicture = nullptr;
    HBRUSH FToolBack = nullptr;
    RECT FToolBand{}; // the band of the logo, at the toolbar's end
    HICON FIconBig = nullptr, FIconSmall = nullptr;
    std::vector<TToolbarBookmark> FBookmarks;
    std::vector<HTREEITEM> FPageItems; // by story index
    std::vector<std::unique_ptr<TFormWindow>> FForms;
    std::string FPending;  // the engine URL the window asked its view for
    std::vector<std::pair<std::string, bool>> FLinks; // links (and whether in a new window) to follow once the engine's call is over
    std::string FLastSearch, FLastPage;
    int FFontSize = 2;
    bool FContentsVisible = false;
    bool FSyncing = false;
    bool FClosed = false;
};
