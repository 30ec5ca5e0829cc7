#include "w_MainWindow.h"

#include "w_Dialogs.h"
#include "w_Pictures.h"
#include "w_Settings.h"
#include "w_Text.h"

#include "u_BookLayout.h"
#include "u_CaseBlind.h"
#include "u_ReaderNavigation.h"
#include "u_ReaderPaths.h"
#include "quarvel_version.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>

const wchar_t* const MainClassName = L"PagelampMain";

namespace {

enum : UINT { WM_FOLLOW_LINKS = WM_APP + 1, WM_FORM_CLOSED };
constexpr UINT_PTR UpdateTimer = 1;
constexpr int ContentsWidth = 230;

bool IsBookUrl(const std::string& Url) {
    const std::string prefix = std::string(BookScheme) + ":";
    return Url.size() >= prefix.size() && SameTextCaseBlind(Url.substr(0, prefix.size()), prefix);
}

COLORREF ColorOf(const TColorNumber& Color) {
    return Color.IsSystem ? GetSysColor(Color.SystemIndex) : RGB(Color.Red, Color.Green, Color.Blue);
}

std::string MenuText(const TReaderCommandInfo& Info) {
    std::string text = Info.Caption;
    if (!Info.Shortcuts.empty())
        text += "\t" + ShortcutText(Info.Shortcuts.front());
    return text;
}

} // namespace

TMainWindow::TMainWindow(TReaderSession& Session, TViewFactory Factory, std::string SettingsFile)
    : FSession(Session), FBook(Session.Book()), FFactory(std::move(Factory)), FSettingsFile(std::move(SettingsFile)) {}

TMainWindow::~TMainWindow() {
    FForms.clear();
    FView.reset();
    if (FWindow) {
        SetWindowLongPtrW(FWindow, GWLP_USERDATA, 0);
        DestroyWindow(FWindow);
        FWindow = nullptr;
    }
    if (FAccelerators)
        DestroyAcceleratorTable(FAccelerators);
    if (FImages)
        ImageList_Destroy(FImages);
    if (FLogoPicture)
        DeleteObject(FLogoPicture);
    if (FToolBack)
        DeleteObject(FToolBack);
    if (FIconBig)
        DestroyIcon(FIconBig);
    if (FIconSmall)
        DestroyIcon(FIconSmall);
}

// ---- Building the window ----

bool TMainWindow::Create(std::string& Error) {
    const TProjectOptions& options = FBook.Options();
    RECT area;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    const int w = std::min<int>(std::clamp(options.Width, 320, 10000), area.right - area.left);
    const int h = std::min<int>(std::clamp(options.Height, 240, 10000), area.bottom - area.top);
    DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
    if (options.ResizableWindow)
        style |= WS_THICKFRAME | WS_MAXIMIZEBOX;
    if (!CreateBound(MainClassName, 0, style, FBook.Caption(), area.left + (area.right - area.left - w) / 2,
                     area.top + (area.bottom - area.top - h) / 2, w, h, nullptr, nullptr)) {
        Error = "the window cannot be made (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    FIconBig = LoadBookIcon(FBook.Icon(), GetSystemMetrics(SM_CXICON));
    FIconSmall = LoadBookIcon(FBook.Icon(), GetSystemMetrics(SM_CXSMICON));
    HICON own = LoadIconW(GetModuleHandleW(nullptr), L"MAINICON");
    SendMessageW(FWindow, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(FIconBig ? FIconBig : own));
    SendMessageW(FWindow, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(FIconSmall ? FIconSmall : own));

    if (!FSettingsFile.empty()) {
        const TBookSettings settings = LoadBookSettings(FSettingsFile);
        FLastPage = settings.LastPage;
        FFontSize = settings.FontSize;
        FContentsVisible = settings.ContentsVisible;
    }
    FMenu = CreateMenus();
    SetMenu(FWindow, FMenu);
    CreateAccelerators();
    FStatus = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | (options.ResizableWindow ? SBARS_SIZEGRIP : 0),
                              0, 0, 0, 0, FWindow, reinterpret_cast<HMENU>(INT_PTR(StatusId)),
                              GetModuleHandleW(nullptr), nullptr);
    CreateToolBar();
    CreateContents();
    FView = FFactory(FWindow, *this, Error);
    if (!FView)
        return false;
    FView->SetTextSize(FFontSize);
    Arrange();
    UpdateCommands();
    SetTimer(FWindow, UpdateTimer, 300, nullptr);
    return true;
}

HMENU TMainWindow::CreateMenus() {
    HMENU bar = CreateMenu();
    HMENU menus[3] = {CreatePopupMenu(), CreatePopupMenu(), CreatePopupMenu()};
    FFontSizeMenu = CreatePopupMenu();
    for (const TReaderCommandInfo& info : ReaderCommands()) {
        // Printing to a file is the printer dialog's business here.
        if (info.Command == TReaderCommand::PrintPdf)
            continue;
        HMENU menu = info.Menu == TReaderMenu::FontSize ? FFontSizeMenu : menus[int(info.Menu)];
        if (info.SeparatorBefore && GetMenuItemCount(menu) > 0)
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        if (info.Command == TReaderCommand::Contents) {
            AppendMenuW(menu, MF_STRING, UINT_PTR(CommandId(info.Command)), Wide(MenuText(info)).c_str());
            AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(FFontSizeMenu), L"&Font Size");
            continue;
        }
        AppendMenuW(menu, MF_STRING, UINT_PTR(CommandId(info.Command)), Wide(MenuText(info)).c_str());
        if (FontSizeOf(info.Command) >= 0) {
            // One of the sizes is checked: a radio mark.
            MENUITEMINFOW item{};
            item.cbSize = sizeof item;
            item.fMask = MIIM_FTYPE;
            item.fType = MFT_STRING | MFT_RADIOCHECK;
            SetMenuItemInfoW(menu, UINT(CommandId(info.Command)), FALSE, &item);
        }
        // The bookmarks of the book's bookmarks button, at the end of the Go menu.
        if (info.Command == TReaderCommand::NextChapter) {
            for (const TToolbarButton& button : FBook.ToolButtons()) {
                if (button.Kind != tbkFavourites || button.Bookmarks.empty())
                    continue;
                FBookmarksMenu = CreatePopupMenu();
                for (const TToolbarBookmark& mark : button.Bookmarks) {
                    AppendMenuW(FBookmarksMenu, MF_STRING, UINT_PTR(FirstBookmarkId + int(FBookmarks.size())),
                                Wide(FBook.Expand(mark.Caption)).c_str());
                    FBookmarks.push_back(mark);
                    FBookmarks.back().URL = FBook.Expand(mark.URL);
                }
                const std::string caption =
                    button.Caption.empty() ? ToolButtonCaption(button.Kind) : FBook.Expand(button.Caption);
                AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
                AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(FBookmarksMenu), Wide(caption).c_str());
                break;
            }
        }
    }
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(menus[0]), L"&Book");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(menus[1]), L"&Go");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(menus[2]), L"&View");
    return bar;
}

void TMainWindow::CreateAccelerators() {
    std::vector<ACCEL> keys;
    for (const TReaderCommandInfo& info : ReaderCommands()) {
        if (info.Command == TReaderCommand::PrintPdf)
            continue;
        for (const TReaderShortcut& key : info.Shortcuts) {
            ACCEL a{};
            a.fVirt = FVIRTKEY | ((key.Modifiers & kmCtrl) ? FCONTROL : 0) | ((key.Modifiers & kmShift) ? FSHIFT : 0) |
                      ((key.Modifiers & kmAlt) ? FALT : 0);
            a.key = WORD(key.Key);
            a.cmd = WORD(CommandId(info.Command));
            keys.push_back(a);
        }
    }
    FAccelerators = CreateAcceleratorTableW(keys.data(), int(keys.size()));
}

void TMainWindow::CreateToolBar() {
    FLayout = ToolbarLayout(FBook);
    if (!FLayout.Visible)
        return;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | TBSTYLE_TOOLTIPS | CCS_NORESIZE | CCS_NOPARENTALIGN |
                  CCS_NODIVIDER;
    if (FLayout.Flat)
        style |= TBSTYLE_FLAT;
    FToolBar = CreateWindowExW(0, TOOLBARCLASSNAMEW, L"", style, 0, 0, 0, 0, FWindow,
                               reinterpret_cast<HMENU>(INT_PTR(ToolbarId)), instance, nullptr);
    SendMessageW(FToolBar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageW(FToolBar, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS);
    SendMessageW(FToolBar, WM_SETFONT, reinterpret_cast<WPARAM>(UiFont()), FALSE);
    FImages = ImageList_Create(FLayout.ImageWidth, FLayout.ImageHeight, ILC_COLOR32, 8, 8);
    SendMessageW(FToolBar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(FImages));
    SendMessageW(FToolBar, TB_SETBITMAPSIZE, 0, MAKELPARAM(FLayout.ImageWidth, FLayout.ImageHeight));
    std::vector<TBBUTTON> buttons;
    for (const TToolItem& item : FLayout.Items) {
        TBBUTTON b{};
        b.fsState = TBSTATE_ENABLED;
        if (item.Kind == TToolItemKind::Separator) {
            b.fsStyle = BTNS_SEP;
            b.iBitmap = 8;
            buttons.push_back(b);
            continue;
        }
        b.iBitmap = I_IMAGENONE;
        if (!item.Picture.empty())
            if (HBITMAP picture =
                    LoadBookPictureFitted(FBook.SystemFile(item.Picture), FLayout.ImageWidth, FLayout.ImageHeight)) {
                b.iBitmap = ImageList_Add(FImages, picture, nullptr);
                DeleteObject(picture);
            }
        b.fsStyle = BTNS_BUTTON;
        switch (item.Kind) {
        case TToolItemKind::Command: b.idCommand = CommandId(item.Command); break;
        case TToolItemKind::Bookmarks:
            b.idCommand = BookmarksButtonId;
            b.fsStyle |= BTNS_WHOLEDROPDOWN;
            if (!item.Enabled)
                b.fsState = 0;
            break;
        default:
            b.idCommand = FontSizeButtonId;
            b.fsStyle |= BTNS_WHOLEDROPDOWN;
            break;
        }
        if (item.ShowCaption) {
            std::wstring text = Wide(item.Caption);
            text.push_back(L'\0');
            b.iString = SendMessageW(FToolBar, TB_ADDSTRINGW, 0, reinterpret_cast<LPARAM>(text.c_str()));
        } else {
            b.iString = -1;
        }
        buttons.push_back(b);
    }
    SendMessageW(FToolBar, TB_ADDBUTTONSW, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));
    SendMessageW(FToolBar, TB_SETBUTTONSIZE, 0, MAKELPARAM(FLayout.ButtonWidth, FLayout.ButtonHeight));
    SendMessageW(FToolBar, TB_AUTOSIZE, 0, 0);
    if (FLayout.OwnColors)
        FToolBack = CreateSolidBrush(ColorOf(FLayout.BackColor));

    if (FLayout.Logo) {
        FLogoPicture = LoadBookPicture(FBook.SystemFile(LogoFile));
        if (FLogoPicture) {
            FLogo = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_BITMAP | SS_NOTIFY,
                                    0, 0, 0, 0, FWindow, reinterpret_cast<HMENU>(INT_PTR(LogoId)), instance, nullptr);
            SendMessageW(FLogo, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(FLogoPicture));
            if (!FLayout.LogoText.empty()) {
                FTips = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0, FWindow,
                                        nullptr, instance, nullptr);
                std::wstring tip = Wide(FLayout.LogoText);
                TTTOOLINFOW tool{};
                tool.cbSize = sizeof tool;
                tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
                tool.hwnd = FWindow;
                tool.uId = reinterpret_cast<UINT_PTR>(FLogo);
                tool.lpszText = tip.data();
                SendMessageW(FTips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
            }
        }
    }
}

void TMainWindow::CreateContents() {
    FContents = CreateWindowExW(WS_EX_CLIENTEDGE, WC_TREEVIEWW, L"",
                                WS_CHILD | WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT |
                                    TVS_SHOWSELALWAYS | TVS_INFOTIP,
                                0, 0, 0, 0, FWindow, reinterpret_cast<HMENU>(INT_PTR(ContentsId)),
                                GetModuleHandleW(nullptr), nullptr);
    SendMessageW(FContents, WM_SETFONT, reinterpret_cast<WPARAM>(UiFont()), FALSE);
    FPageItems.assign(size_t(FBook.Story().Count()), nullptr);
    const std::function<void(HTREEITEM, const std::vector<TStoryNode>&)> fill = [&](HTREEITEM parent,
                                                                                    const std::vector<TStoryNode>& level) {
        for (const TStoryNode& node : level) {
            const std::wstring title = Wide(node.Title.empty() ? (node.Chapter ? "Chapter" : "Page") : node.Title);
            TVINSERTSTRUCTW insert{};
            insert.hParent = parent ? parent : TVI_ROOT;
            insert.hInsertAfter = TVI_LAST;
            insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_STATE;
            insert.item.pszText = const_cast<wchar_t*>(title.c_str());
            insert.item.lParam = node.FirstPage;
            insert.item.state = node.Chapter ? TVIS_BOLD | TVIS_EXPANDED : 0;
            insert.item.stateMask = TVIS_BOLD | TVIS_EXPANDED;
            HTREEITEM item = reinterpret_cast<HTREEITEM>(
                SendMessageW(FContents, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
            if (node.Page >= 0 && size_t(node.Page) < FPageItems.size() && !FPageItems[size_t(node.Page)])
                FPageItems[size_t(node.Page)] = item;
            if (node.Chapter)
                fill(item, node.Children);
        }
    };
    fill(nullptr, FBook.Story().Tree());
    ShowWindow(FContents, FContentsVisible ? SW_SHOW : SW_HIDE);
}

void TMainWindow::Arrange() {
    if (!FWindow)
        return;
    RECT client;
    GetClientRect(FWindow, &client);
    int top = 0, bottom = client.bottom;
    if (FStatus) {
        SendMessageW(FStatus, WM_SIZE, 0, 0);
        RECT s;
        GetWindowRect(FStatus, &s);
        bottom -= s.bottom - s.top;
    }
    if (FToolBar) {
        const DWORD size = DWORD(SendMessageW(FToolBar, TB_GETBUTTONSIZE, 0, 0));
        int height = HIWORD(size) + 6;
        int logoWidth = 0;
        if (FLogo) {
            BITMAP info{};
            GetObjectW(FLogoPicture, sizeof info, &info);
            logoWidth = std::min<int>(info.bmWidth, 320) + 8;
            height = std::max<int>(height, std::min<int>(info.bmHeight, 256) + 4);
        }
        const int y = FLayout.Bottom ? bottom - height : 0;
        SetWindowPos(FToolBar, nullptr, 0, y, client.right - logoWidth, height, SWP_NOZORDER);
        FToolBand = RECT{client.right - logoWidth, y, client.right, y + height};
        if (FLogo) {
            // The logo as large as it is (within bounds), centred in the band at the end.
            BITMAP info{};
            GetObjectW(FLogoPicture, sizeof info, &info);
            const int w = std::min<int>(info.bmWidth, 320), h = std::min<int>(info.bmHeight, 256);
            SetWindowPos(FLogo, nullptr, client.right - logoWidth + 4, y + (height - h) / 2, w, h, SWP_NOZORDER);
        }
        InvalidateRect(FWindow, &FToolBand, TRUE);
        if (FLayout.Bottom)
            bottom -= height;
        else
            top += height;
    }
    int left = 0;
    if (FContentsVisible) {
        SetWindowPos(FContents, nullptr, 0, top, ContentsWidth, bottom - top, SWP_NOZORDER);
        left = ContentsWidth + 3;
    }
    if (FView) {
        RECT view{left, top, client.right, bottom};
        FView->SetBounds(view);
    }
}

// ---- Commands ----

TReaderViewState TMainWindow::ViewState() const {
    TReaderViewState state;
    state.HasSelection = FView && FView->HasSelection();
    state.FontSize = FFontSize;
    state.ContentsVisible = FContentsVisible;
    return state;
}

bool TMainWindow::CommandIsEnabled(TReaderCommand Command) const {
    return CommandEnabled(Command, FSession, ViewState());
}

void TMainWindow::UpdateCommands() {
    if (!FWindow)
        return;
    const TReaderViewState state = ViewState();
    for (const TReaderCommandInfo& info : ReaderCommands()) {
        const int id = CommandId(info.Command);
        const bool enabled = CommandEnabled(info.Command, FSession, state);
        EnableMenuItem(FMenu, UINT(id), MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
        if (info.Checkable)
            CheckMenuItem(FMenu, UINT(id), MF_BYCOMMAND | (CommandChecked(info.Command, state) ? MF_CHECKED : 0));
        if (FToolBar && SendMessageW(FToolBar, TB_COMMANDTOINDEX, WPARAM(id), 0) >= 0 &&
            bool(SendMessageW(FToolBar, TB_ISBUTTONENABLED, WPARAM(id), 0)) != enabled)
            SendMessageW(FToolBar, TB_ENABLEBUTTON, WPARAM(id), MAKELPARAM(enabled, 0));
    }
}

void TMainWindow::RunCommand(TReaderCommand Command) {
    if (!CommandIsEnabled(Command))
        return;
    using C = TReaderCommand;
    switch (Command) {
    case C::Back:
    case C::Forward: {
        const std::string address = Command == C::Back ? FSession.Back() : FSession.Forward();
        if (!address.empty())
            ShowAddress(address, false);
        break;
    }
    case C::Home:
    case C::First:
    case C::Prior:
    case C::Next:
    case C::Last:
    case C::PriorChapter:
    case C::NextChapter: {
        static const TStoryCommand story[] = {TStoryCommand::Home,  TStoryCommand::First,
                                              TStoryCommand::Prior, TStoryCommand::Next,
                                              TStoryCommand::Last,  TStoryCommand::PriorChapter,
                                              TStoryCommand::NextChapter};
        const std::string target = FSession.StoryTarget(story[int(Command) - int(C::Home)]);
        if (!target.empty())
            FollowLink(target);
        break;
    }
    case C::Search: {
        const std::string words = AskSearch(FLastSearch);
        if (words.empty())
            break;
        FLastSearch = words;
        FollowLink(FSession.SearchAddress(words));
        break;
    }
    case C::Print: FView->Print(); break;
    case C::PrintPdf: break;
    case C::Copy: FView->Copy(); break;
    case C::SelectAll: FView->SelectAll(); break;
    case C::Refresh: ShowAddress(FSession.Current(), false); break;
    case C::About: ShowAbout(); break;
    case C::Exit: PostMessageW(FWindow, WM_CLOSE, 0, 0); break;
    case C::Contents: SetContentsVisible(!FContentsVisible); break;
    case C::Larger: SetFontSize(FFontSize + 1); break;
    case C::Smaller: SetFontSize(FFontSize - 1); break;
    default:
        if (FontSizeOf(Command) >= 0)
            SetFontSize(FontSizeOf(Command));
        break;
    }
    UpdateCommands();
}

void TMainWindow::SetFontSize(int Size) {
    FFontSize = std::clamp(Size, 0, 4);
    if (FView)
        FView->SetTextSize(FFontSize);
    for (TFormWindow* form : OpenForms())
        if (form->View())
            form->View()->SetTextSize(FFontSize);
}

void TMainWindow::SetContentsVisible(bool Visible) {
    FContentsVisible = Visible;
    ShowWindow(FContents, Visible ? SW_SHOW : SW_HIDE);
    Arrange();
    if (Visible)
        SyncContents();
}

void TMainWindow::ShowAbout() {
    const TReaderForm* about = FBook.FormNamed(AboutFormName);
    if (about && FBook.PageExists(about->Path)) {
        ShowForm(*about);
        return;
    }
    const std::string text = FBook.Title() + "\n\n" + FBook.Caption() + "\n\nRead with Pagelamp " +
                             QUARVEL_VERSION_STRING + ".";
    if (BatchMode())
        WriteStdErr(text);
    else
        MessageBoxW(FWindow, Wide(text).c_str(), L"About", MB_OK | MB_ICONINFORMATION);
}

bool TMainWindow::TranslateAccelerator(MSG& Message) {
    return FWindow && FAccelerators && ::TranslateAcceleratorW(FWindow, FAccelerators, &Message);
}

bool TMainWindow::PreTranslate(MSG& Message) {
    if (!FWindow)
        return false;
    if (Message.hwnd == FWindow || IsChild(FWindow, Message.hwnd)) {
        if (FView && FView->PreTranslateMessage(Message))
            return true;
        return TranslateAccelerator(Message);
    }
    for (TFormWindow* form : OpenForms())
        if (form->PreTranslate(Message))
            return true;
    return false;
}

// ---- Navigation ----

void TMainWindow::Start() {
    FollowLink(FSession.StartAddress(FLastPage));
}

void TMainWindow::Show() {
    ShowWindow(FWindow, FBook.Options().RunMaximized ? SW_SHOWMAXIMIZED : SW_SHOW);
    SetForegroundWindow(FWindow);
    if (FView)
        FView->Focus();
}

void TMainWindow::FollowLink(const std::string& Link) {
    const TNavDecision decision = FSession.Decide(Link);
    switch (decision.Kind) {
    case TNavKind::Show: ShowAddress(decision.Address); break;
    case TNavKind::Form: ShowForm(*decision.Form); break;
    case TNavKind::External: OpenExternal(decision.Url); break;
    case TNavKind::AskPassword:
        if (UnlockGuarded())
            ShowAddress(decision.Address);
        break;
    case TNavKind::Refused: SetStatus("Pagelamp does not open \"" + decision.Url + "\"."); break;
    }
}

void TMainWindow::FollowLinkInNewWindow(const std::string& Link) {
    const TNavDecision decision = FSession.Decide(Link);
    if (decision.Kind != TNavKind::Show && decision.Kind != TNavKind::AskPassword) {
        FollowLink(Link);
        return;
    }
    if (decision.Kind == TNavKind::AskPassword && !UnlockGuarded())
        return;
    RECT box{0, 0, 800, 600};
    GetClientRect(FWindow, &box);
    OpenFormWindow(PageWindowForm(decision.Address, box.right, box.bottom), FBook.Caption(), decision.Address);
}

void TMainWindow::ShowAddress(const std::string& Address, bool AddToHistory) {
    FSession.Shown(Address, AddToHistory);
    const std::string url = EngineUrl(Address);
    FPending = url;
    if (FView)
        FView->Navigate(url);
    SyncContents();
    UpdateCommands();
}

void TMainWindow::SyncContents() {
    const int position = FBook.Story().IndexOf(FSession.CurrentPath());
    HTREEITEM item = position >= 0 ? FPageItems[size_t(position)] : nullptr;
    FSyncing = true;
    SendMessageW(FContents, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
    if (item)
        SendMessageW(FContents, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item));
    FSyncing = false;
}

bool TMainWindow::UnlockGuarded() {
    const TUnlockResult result = AskPasswords(FBook, FWindow, true, FIconBig);
    if (result == TUnlockResult::Refused)
        ShowInformation(FWindow, FBook.Title(), "The password is not right: the page stays closed.");
    return result == TUnlockResult::Unlocked;
}

bool TMainWindow::BeforeNavigate(const std::string& Url, bool TopLevel) {
    if (!TopLevel)
        // Frames show pages of the book only; the protocol keeps guarded ones back.
        return IsBookUrl(Url) || Url == "about:blank";
    if (!FPending.empty() && Url == FPending) {
        FPending.clear();
        return true;
    }
    // A link in the page: decided once the engine's call is over.
    FLinks.emplace_back(Url, false);
    PostMessageW(FWindow, WM_FOLLOW_LINKS, 0, 0);
    return false;
}

void TMainWindow::DocumentComplete(const std::string& Url) {
    const std::vector<std::string> terms = FSession.HighlightTerms();
    if (!terms.empty() && FView)
        FView->MarkWords(terms);
    UpdateCommands();
    if (OnPageShown)
        OnPageShown(Url);
}

void TMainWindow::NewWindow(const std::string& Url) {
    FLinks.emplace_back(Url, true);
    PostMessageW(FWindow, WM_FOLLOW_LINKS, 0, 0);
}

bool TMainWindow::ContextMenuAllowed() {
    return FSession.RightClickAllowed();
}

// ---- Form windows ----

TFormWindow* TMainWindow::ShowForm(const TReaderForm& Form) {
    for (TFormWindow* open : OpenForms())
        if (SameTextCaseBlind(open->FormPath(), Form.Path)) {
            ShowWindow(open->Window(), SW_SHOWNORMAL);
            SetForegroundWindow(open->Window());
            return open;
        }
    const std::string caption = FBook.Expand(Form.Caption.empty() ? Form.Name : Form.Caption);
    return OpenFormWindow(Form, caption.empty() ? FBook.Title() : caption, Form.Path);
}

TFormWindow* TMainWindow::OpenFormWindow(const TReaderForm& Form, const std::string& Caption,
                                         const std::string& Address) {
    std::string error;
    auto form = std::make_unique<TFormWindow>(Form, Caption, FWindow, FIconBig, FFactory, error);
    if (!form->Window()) {
        ShowError(FWindow, FBook.Title(), "The window \"" + Caption + "\" cannot be opened: " + error);
        return nullptr;
    }
    form->OnBeforeNavigate = [this](TFormWindow& sender, const std::string& url, bool topLevel) {
        return FormNavigate(sender, url, topLevel);
    };
    form->OnContextMenuAllowed = [this] { return FSession.RightClickAllowed(); };
    form->OnClosed = [this](TFormWindow&) { PostMessageW(FWindow, WM_FORM_CLOSED, 0, 0); };
    form->View()->SetTextSize(FFontSize);
    form->Open(EngineUrl(Address));
    FForms.push_back(std::move(form));
    return FForms.back().get();
}

bool TMainWindow::FormNavigate(TFormWindow& Form, const std::string& Url, bool TopLevel) {
    if (!TopLevel)
        return IsBookUrl(Url) || Url == "about:blank";
    // A form keeps its pages in its own window; everything else is the main window's.
    TReaderSession formSession(FBook);
    formSession.Shown(Form.FormPath(), false);
    const TNavDecision decision = formSession.Decide(Url);
    if (decision.Kind == TNavKind::Show)
        return true;
    if (decision.Kind == TNavKind::AskPassword)
        return UnlockGuarded();
    FLinks.emplace_back(Url, false);
    PostMessageW(FWindow, WM_FOLLOW_LINKS, 0, 0);
    return false;
}

std::vector<TFormWindow*> TMainWindow::OpenForms() const {
    std::vector<TFormWindow*> forms;
    for (const auto& form : FForms)
        if (!form->Closed())
            forms.push_back(form.get());
    return forms;
}

// ---- What the window asks ----

void TMainWindow::OpenExternal(const std::string& Url) {
    // Only addresses for the desktop's browser and mail program leave the book.
    const TLinkTarget target = ClassifyLink(Url, "\\");
    if (target.Kind != TLinkKind::External)
        return;
    if (reinterpret_cast<INT_PTR>(ShellExecuteW(FWindow, L"open", Wide(Url).c_str(), nullptr, nullptr,
                                                SW_SHOWNORMAL)) <= 32)
        ShowInformation(FWindow, FBook.Title(), "\"" + Url + "\" could not be opened.");
}

std::string TMainWindow::AskSearch(const std::string& Initial) {
    return AskSearchText(FWindow, Initial);
}

void TMainWindow::SetStatus(const std::string& Text) {
    if (FStatus)
        SendMessageW(FStatus, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(Wide(Text).c_str()));
}

void TMainWindow::SaveSettings() {
    if (FSettingsFile.empty())
        return;
    TBookSettings settings;
    // The page last read is a page of the book, never one the reader made.
    settings.LastPage = FSession.LastReadPage();
    settings.FontSize = FFontSize;
    settings.ContentsVisible = FContentsVisible;
    SaveBookSettings(FSettingsFile, settings);
}

void TMainWindow::DropDown(int ButtonId) {
    RECT r{};
    SendMessageW(FToolBar, TB_GETRECT, WPARAM(ButtonId), reinterpret_cast<LPARAM>(&r));
    MapWindowPoints(FToolBar, nullptr, reinterpret_cast<POINT*>(&r), 2);
    HMENU menu = ButtonId == BookmarksButtonId ? FBookmarksMenu : FFontSizeMenu;
    if (!menu)
        return;
    UpdateCommands();
    TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN, r.left, r.bottom, 0, FWindow, nullptr);
}

LRESULT TMainWindow::Notify(NMHDR* Header) {
    if (Header->hwndFrom == FToolBar) {
        if (Header->code == TBN_DROPDOWN) {
            DropDown(reinterpret_cast<NMTOOLBARW*>(Header)->iItem);
            return TBDDRET_DEFAULT;
        }
        if (Header->code == NM_CUSTOMDRAW && FLayout.OwnColors) {
            auto* draw = reinterpret_cast<NMTBCUSTOMDRAW*>(Header);
            if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) {
                FillRect(draw->nmcd.hdc, &draw->nmcd.rc, FToolBack);
                return CDRF_NOTIFYITEMDRAW;
            }
            if (draw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
                draw->clrText = ColorOf(FLayout.TextColor);
                draw->clrBtnFace = ColorOf(FLayout.BackColor);
                return CDRF_DODEFAULT;
            }
        }
    }
    if (Header->code == TTN_GETDISPINFOW) {
        // The tool tips of the toolbar: each button's caption.
        auto* info = reinterpret_cast<NMTTDISPINFOW*>(Header);
        static std::wstring tip;
        tip.clear();
        const int id = int(Header->idFrom);
        for (const TToolItem& item : FLayout.Items) {
            const int itemId = item.Kind == TToolItemKind::Command     ? CommandId(item.Command)
                               : item.Kind == TToolItemKind::Bookmarks ? BookmarksButtonId
                               : item.Kind == TToolItemKind::FontSize  ? FontSizeButtonId
                                                                       : -1;
            if (itemId == id) {
                tip = Wide(item.Caption);
                break;
            }
        }
        info->lpszText = tip.data();
        return 0;
    }
    if (Header->hwndFrom == FContents && Header->code == TVN_SELCHANGEDW && !FSyncing) {
        auto* change = reinterpret_cast<NMTREEVIEWW*>(Header);
        const int page = int(change->itemNew.lParam);
        if (page >= 0 && page < FBook.Story().Count())
            FollowLink(FBook.Story().Pages()[size_t(page)].Path);
        return 0;
    }
    return DefWindowProcW(FWindow, WM_NOTIFY, Header->idFrom, reinterpret_cast<LPARAM>(Header));
}

LRESULT TMainWindow::Handle(UINT Message, WPARAM W, LPARAM L) {
    switch (Message) {
    case WM_SIZE:
        Arrange();
        return 0;
    case WM_SETFOCUS:
        if (FView)
            FView->Focus();
        return 0;
    case WM_TIMER:
        if (W == UpdateTimer)
            UpdateCommands();
        return 0;
    case WM_INITMENUPOPUP:
        UpdateCommands();
        return 0;
    case WM_COMMAND: {
        const int id = LOWORD(W);
        if (id >= CommandId(TReaderCommand(0)) && id < CommandId(TReaderCommand(0)) + ReaderCommandCount) {
            RunCommand(TReaderCommand(id - CommandId(TReaderCommand(0))));
            return 0;
        }
        if (id >= FirstBookmarkId && id < FirstBookmarkId + int(FBookmarks.size())) {
            const TToolbarBookmark& mark = FBookmarks[size_t(id - FirstBookmarkId)];
            if (mark.NewWindow)
                FollowLinkInNewWindow(mark.URL);
            else
                FollowLink(mark.URL);
            return 0;
        }
        if (id == BookmarksButtonId || id == FontSizeButtonId) {
            DropDown(id);
            return 0;
        }
        if (id == LogoId && HIWORD(W) == STN_CLICKED && !FLayout.LogoLink.empty()) {
            FollowLink(FLayout.LogoLink);
            return 0;
        }
        break;
    }
    case WM_NOTIFY:
        return Notify(reinterpret_cast<NMHDR*>(L));
    case WM_ERASEBKGND:
        if (FToolBack && FLogo) {
            // The band of the logo in the toolbar's colour.
            FillRect(reinterpret_cast<HDC>(W), &FToolBand, FToolBack);
            RECT client;
            GetClientRect(FWindow, &client);
            ExcludeClipRect(reinterpret_cast<HDC>(W), FToolBand.left, FToolBand.top, FToolBand.right, FToolBand.bottom);
            FillRect(reinterpret_cast<HDC>(W), &client, GetSysColorBrush(COLOR_BTNFACE));
            return 1;
        }
        break;
    case WM_CTLCOLORSTATIC:
        if (reinterpret_cast<HWND>(L) == FLogo && FToolBack)
            return reinterpret_cast<LRESULT>(FToolBack);
        break;
    case WM_FOLLOW_LINKS: {
        std::vector<std::pair<std::string, bool>> links;
        links.swap(FLinks);
        for (const auto& [link, newWindow] : links) {
            if (newWindow)
                FollowLinkInNewWindow(link);
            else
                FollowLink(link);
        }
        return 0;
    }
    case WM_FORM_CLOSED:
        FForms.erase(std::remove_if(FForms.begin(), FForms.end(), [](const auto& f) { return f->Closed(); }),
                     FForms.end());
        return 0;
    case WM_CLOSE:
        SaveSettings();
        for (TFormWindow* form : OpenForms())
            DestroyWindow(form->Window());
        KillTimer(FWindow, UpdateTimer);
        DestroyWindow(FWindow);
        return 0;
    case WM_DESTROY:
        if (!FClosed) {
            FClosed = true;
            if (OnClosed)
                OnClosed();
        }
        return 0;
    default:
        break;
    }
    return TWindow::Handle(Message, W, L);
}
