// The Windows reader's windows, driven by messages as a user would drive them: the
// main window with its toolbar, menus, keys and contents panel on a stand-in view, the
// password window (a wrong answer said in it), the splash, the search box and a form
// window, each closed with a running message loop. With QUARVEL_SCREENSHOT_DIR set, the
// tests also save pictures of the windows there.
#include "win_books.h"

#include "w_Dialogs.h"
#include "w_MainWindow.h"
#include "w_Pictures.h"
#include "w_Settings.h"

#include "u_ReaderSession.h"
#include "u_ReaderSettingsKey.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <ole2.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>

using namespace winbooks;

namespace {

class WindowsReader : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        OleInitialize(nullptr);
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&controls);
    }
};

// A main window whose desktop requests are recorded, not carried out.
class TTestWindow : public TMainWindow {
public:
    using TMainWindow::TMainWindow;
    std::vector<std::string> Opened;
    std::string SearchAnswer;

protected:
    void OpenExternal(const std::string& Url) override { Opened.push_back(Url); }
    std::string AskSearch(const std::string&) override { return SearchAnswer; }
};

// Saves a picture of Window into QUARVEL_SCREENSHOT_DIR as Name.bmp, when it is set.
void Screenshot(HWND Window, const char* Name) {
    const char* folder = std::getenv("QUARVEL_SCREENSHOT_DIR");
    if (!folder || !*folder || !Window)
        return;
    // Painted now, without running messages (a test's script may be running them).
    RedrawWindow(Window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    GdiFlush();
    // Waiting for messages (without taking any) lets the window system show what was painted.
    const ULONGLONG until = GetTickCount64() + 300;
    while (GetTickCount64() < until)
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    RECT r;
    GetWindowRect(Window, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, h, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    const DWORD size = DWORD(((w * 3 + 3) & ~3) * h);
    BITMAPFILEHEADER file{0x4D42, DWORD(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + size), 0, 0,
                          DWORD(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER))};
    if (FILE* f = std::fopen((std::string(folder) + "\\" + Name + ".bmp").c_str(), "wb")) {
        std::fwrite(&file, sizeof file, 1, f);
        std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, f);
        std::fwrite(bits, size, 1, f);
        std::fclose(f);
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

std::string MenuString(HMENU Menu, int Id) {
    wchar_t text[256] = {};
    GetMenuStringW(Menu, UINT(Id), text, 256, MF_BYCOMMAND);
    return Utf8(std::wstring_view(text));
}

bool MenuEnabled(HWND Window, TReaderCommand Command) {
    return !(GetMenuState(GetMenu(Window), UINT(CommandId(Command)), MF_BYCOMMAND) &
             (MF_GRAYED | MF_DISABLED));
}

bool MenuChecked(HWND Window, TReaderCommand Command) {
    return GetMenuState(GetMenu(Window), UINT(CommandId(Command)), MF_BYCOMMAND) & MF_CHECKED;
}

// The toolbar's buttons: command ids and captions in order (separators as id 0).
std::vector<std::pair<int, std::string>> ToolButtons(HWND ToolBar) {
    std::vector<std::pair<int, std::string>> buttons;
    const int count = int(SendMessageW(ToolBar, TB_BUTTONCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        TBBUTTON b{};
        SendMessageW(ToolBar, TB_GETBUTTON, WPARAM(i), reinterpret_cast<LPARAM>(&b));
        wchar_t text[128] = {};
        if (b.idCommand)
            SendMessageW(ToolBar, TB_GETBUTTONTEXTW, WPARAM(b.idCommand), reinterpret_cast<LPARAM>(text));
        buttons.emplace_back((b.fsStyle & BTNS_SEP) ? 0 : b.idCommand, Utf8(std::wstring_view(text)));
    }
    return buttons;
}

// Posts WM_CLOSE and runs the loop until the window is gone.
bool CloseWithLoop(HWND Window) {
    PostMessageW(Window, WM_CLOSE, 0, 0);
    return PumpUntil([Window] { return !IsWindow(Window); });
}

// A key as the message loop receives it, with Ctrl or Alt held (the thread's key
// state, which the accelerators read), given to the window.
bool PressKey(TMainWindow& Window, UINT Key, UINT Modifier = 0) {
    BYTE keys[256], held[256];
    GetKeyboardState(keys);
    std::copy(std::begin(keys), std::end(keys), std::begin(held));
    if (Modifier)
        held[Modifier] = 0x80;
    SetKeyboardState(held);
    MSG msg{};
    msg.hwnd = Window.View() ? Window.View()->Window() : Window.Window();
    msg.message = Modifier == VK_MENU ? WM_SYSKEYDOWN : WM_KEYDOWN;
    msg.wParam = Key;
    msg.lParam = 1 | (Modifier == VK_MENU ? (1 << 29) : 0);
    const bool taken = Window.PreTranslate(msg);
    SetKeyboardState(keys);
    return taken;
}

// A book read in a main window on a fake view, started at its first page.
struct TOpenBook {
    explicit TOpenBook(TBookRecipe& Recipe, const std::string& SettingsFile = std::string())
        : Book(OpenBook(Recipe)), Session(*Book), Window(Session, Views.Factory(), SettingsFile) {}
    // Makes the window and shows the first page; false when the window could not be made.
    bool Start() {
        std::string error;
        if (!Window.Create(error))
            return false;
        Window.Start();
        Window.Show();
        return true;
    }
    TFakeView& View() { return *Views.Made.at(0); }

    std::unique_ptr<TReaderBook> Book;
    TReaderSession Session;
    TFakeViews Views;
    TTestWindow Window;
};

void ToolbarBook(TBookRecipe& recipe) {
    recipe.Options.Toolbar().ToolbarShowCaption = true;
    recipe.Options.Toolbar().ToolbarFlat = true;
    recipe.Options.Toolbar().ToolbarBtnW = 64;
    recipe.Options.Toolbar().ToolbarBtnH = 44;
    recipe.Options.Toolbar().ToolbarImgW = 20;
    recipe.Options.Toolbar().ToolbarImgH = 20;
    recipe.Options.Toolbar().ToolbarBackColor = 0x00F0E0D0;
    recipe.Options.Toolbar().ToolbarTextColor = 0x00402010;
    recipe.Options.Toolbar().LogoDisplay = true;
    recipe.Options.Toolbar().LogoText = "Made at %{Title}";
    recipe.Options.Toolbar().LogoLink = "https://example.org/tides";
    recipe.SystemFiles["\\Logo.bmp"] = Bmp(90, 30, 40, 90, 160);
    recipe.SystemFiles["\\Toolbar.buttons\\1.bmp"] = Bmp(20, 20, 200, 60, 60);
    recipe.SystemFiles["\\Toolbar.buttons\\2.bmp"] = Bmp(20, 20, 60, 160, 60);
    TToolbarButton back{tbkBack, "", "\\Toolbar.buttons\\1.bmp", {}};
    TToolbarButton next{tbkNext, "Onward", "\\Toolbar.buttons\\2.bmp", {}};
    TToolbarButton gap{tbkSeparator, "", "", {}};
    TToolbarButton marks{tbkFavourites,
                         "Marks",
                         "",
                         {{"The tides", "\\ch\\one.htm", false}, {"Write", "mailto:k@example.org", false}}};
    TToolbarButton about{tbkAbout, "", "", {}};
    TToolbarButton size{tbkFontSize, "Text", "", {}};
    recipe.Buttons = {back, next, gap, marks, about, size};
}

} // namespace

TEST_F(WindowsReader, MainWindowShowsTheBookWithItsToolbarMenusAndContents) {
    TBookRecipe recipe;
    ToolbarBook(recipe);
    auto book = OpenBook(recipe);
    TReaderSession session(*book);
    TFakeViews views;
    const std::string settingsFile =
        "C:\\quarvel-tests\\main-window-" + std::to_string(GetTickCount64()) + ".exe";
    std::string error;
    bool closed = false;
    {
        TTestWindow window(session, views.Factory(), settingsFile);
        ASSERT_TRUE(window.Create(error)) << error;
        window.OnClosed = [&] { closed = true; };
        HWND frame = window.Window();
        EXPECT_EQ(WindowText(frame), "Tide Tables - Windows test");
        EXPECT_TRUE(GetWindowLongPtrW(frame, GWL_STYLE) & WS_THICKFRAME);

        // Menus carry the captions and the keys of the command table.
        HMENU bar = GetMenu(frame);
        ASSERT_EQ(GetMenuItemCount(bar), 3);
        EXPECT_EQ(MenuString(bar, CommandId(TReaderCommand::Next)), "&Next Page\tCtrl+Right");
        EXPECT_EQ(MenuString(bar, CommandId(TReaderCommand::Back)), "&Back\tAlt+Left");
        EXPECT_EQ(MenuString(bar, CommandId(TReaderCommand::Refresh)), "&Refresh\tF5");
        EXPECT_EQ(MenuString(bar, CommandId(TReaderCommand::PrintPdf)), "") << "no PDF printing here";
        EXPECT_EQ(MenuString(bar, FirstBookmarkId + 1), "Write") << "the bookmarks in the Go menu";

        // The toolbar: the book's buttons in order, captions of their own or of their kind.
        const auto buttons = ToolButtons(window.ToolBar());
        ASSERT_EQ(buttons.size(), 6u);
        EXPECT_EQ(buttons[0], std::make_pair(CommandId(TReaderCommand::Back), std::string("Back")));
        EXPECT_EQ(buttons[1], std::make_pair(CommandId(TReaderCommand::Next), std::string("Onward")));
        EXPECT_EQ(buttons[2].first, 0);
        EXPECT_EQ(buttons[3], std::make_pair(BookmarksButtonId, std::string("Marks")));
        EXPECT_EQ(buttons[4], std::make_pair(CommandId(TReaderCommand::About), std::string("About")));
        EXPECT_EQ(buttons[5], std::make_pair(FontSizeButtonId, std::string("Text")));
        EXPECT_NE(GetDlgItem(frame, LogoId), nullptr) << "the logo";

        // The first page; the commands follow the session.
        window.Start();
        window.Show();
        ASSERT_EQ(views.Made.size(), 1u);
        TFakeView& view = *views.Made[0];
        EXPECT_EQ(view.Shown, "book:/index.htm");
        EXPECT_EQ(view.TextSize, 2);
        EXPECT_FALSE(MenuEnabled(frame, TReaderCommand::Back));
        EXPECT_TRUE(MenuEnabled(frame, TReaderCommand::Next));
        EXPECT_FALSE(SendMessageW(window.ToolBar(), TB_ISBUTTONENABLED, CommandId(TReaderCommand::Back), 0));
        EXPECT_FALSE(MenuEnabled(frame, TReaderCommand::Copy)) << "nothing selected";
        Screenshot(frame, "main-window");

        // A menu command, then a key of the accelerators.
        SendMessageW(frame, WM_COMMAND, MAKEWPARAM(CommandId(TReaderCommand::Next), 0), 0);
        EXPECT_EQ(view.Shown, "book:/ch/one.htm");
        EXPECT_TRUE(MenuEnabled(frame, TReaderCommand::Back));
        EXPECT_TRUE(SendMessageW(window.ToolBar(), TB_ISBUTTONENABLED, CommandId(TReaderCommand::Back), 0));
        EXPECT_TRUE(PressKey(window, VK_LEFT, VK_MENU)) << "Alt+Left";
        EXPECT_EQ(view.Shown, "book:/index.htm");
        EXPECT_TRUE(PressKey(window, VK_NEXT, VK_CONTROL)) << "Ctrl+PgDown";
        EXPECT_EQ(view.Shown, "book:/ch/one.htm");
        EXPECT_TRUE(PressKey(window, VK_HOME, VK_CONTROL)) << "Ctrl+Home";
        EXPECT_EQ(view.Shown, "book:/index.htm");
        EXPECT_TRUE(PressKey(window, VK_F9)) << "F9 shows the contents";
        EXPECT_TRUE(IsWindowVisible(window.Contents()));
        EXPECT_TRUE(MenuChecked(frame, TReaderCommand::Contents));
        EXPECT_GT(view.Bounds.left, 100) << "the view moved aside for the contents";
        EXPECT_FALSE(PressKey(window, 'X')) << "a plain letter is the page's";

        // The contents: the chapter with its pages; choosing one shows it.
        HWND tree = window.Contents();
        EXPECT_EQ(SendMessageW(tree, TVM_GETCOUNT, 0, 0), 3)
            << "Cover, the chapter opening with Tides, Secret";
        HTREEITEM chapter = TreeView_GetNextSibling(tree, TreeView_GetRoot(tree));
        ASSERT_NE(chapter, nullptr);
        HTREEITEM secret = TreeView_GetChild(tree, chapter);
        ASSERT_NE(secret, nullptr);
        TreeView_SelectItem(tree, chapter);
        EXPECT_EQ(view.Shown, "book:/ch/one.htm");
        Screenshot(frame, "main-window-contents");

        // The font size: the menu, the view and the checks agree.
        SendMessageW(frame, WM_COMMAND, MAKEWPARAM(CommandId(TReaderCommand::Larger), 0), 0);
        EXPECT_EQ(view.TextSize, 3);
        EXPECT_TRUE(MenuChecked(frame, TReaderCommand::FontSize3));
        SendMessageW(frame, WM_COMMAND, MAKEWPARAM(CommandId(TReaderCommand::FontSize4), 0), 0);
        EXPECT_FALSE(MenuEnabled(frame, TReaderCommand::Larger));

        // A bookmark of the Go menu, the logo's link.
        SendMessageW(frame, WM_COMMAND, MAKEWPARAM(FirstBookmarkId + 1, 0), 0);
        SendMessageW(frame, WM_COMMAND, MAKEWPARAM(LogoId, STN_CLICKED), 0);
        EXPECT_EQ(window.Opened,
                  (std::vector<std::string>{"mailto:k@example.org", "https://example.org/tides"}));

        ASSERT_TRUE(CloseWithLoop(frame));
        EXPECT_TRUE(closed);
    }
    // What the window remembers of the book.
    const TBookSettings settings = LoadBookSettings(settingsFile);
    EXPECT_EQ(settings.LastPage, "\\ch\\one.htm");
    EXPECT_EQ(settings.FontSize, 4);
    EXPECT_TRUE(settings.ContentsVisible);
    RegDeleteTreeW(HKEY_CURRENT_USER, Wide(BookSettingsKey(settingsFile)).c_str());
}

TEST_F(WindowsReader, LinksInThePageAreDecidedByTheSession) {
    TBookRecipe recipe;
    TOpenBook reading(recipe);
    ASSERT_TRUE(reading.Start());
    TTestWindow& window = reading.Window;
    TReaderSession& session = reading.Session;
    EXPECT_EQ(window.ToolBar(), nullptr) << "a book without buttons has no toolbar";
    TFakeView& view = reading.View();

    // A link of the book: the engine's navigation is cancelled and the reader's made.
    EXPECT_FALSE(view.Click("book:/ch/one.htm"));
    ASSERT_TRUE(PumpUntil([&] { return view.Shown == "book:/ch/one.htm"; }));
    EXPECT_TRUE(session.CanBack());
    EXPECT_FALSE(window.ContextMenuAllowed()) << "the page refuses the right-click menu";
    // Mail goes to the desktop; a local file nowhere, said in the status line.
    EXPECT_FALSE(view.Click("mailto:keeper@example.org"));
    EXPECT_FALSE(view.Click("file:///C:/windows/win.ini"));
    ASSERT_TRUE(PumpUntil([&] { return !window.Opened.empty(); }));
    PumpUntil([] { return true; });
    EXPECT_EQ(window.Opened, std::vector<std::string>{"mailto:keeper@example.org"});
    EXPECT_NE(WindowText(window.Status()).find("file:///C:/windows/win.ini"), std::string::npos);
    EXPECT_EQ(view.Shown, "book:/ch/one.htm");
    // Frames may show the book's pages only.
    EXPECT_TRUE(view.Events().BeforeNavigate("book:/index.htm", false));
    EXPECT_FALSE(view.Events().BeforeNavigate("https://example.org/", false));

    // The search: the results page of the words asked for.
    window.SearchAnswer = "dawn";
    SendMessageW(window.Window(), WM_COMMAND, MAKEWPARAM(CommandId(TReaderCommand::Search), 0), 0);
    EXPECT_EQ(view.Shown, "book:/?pagelamp=search&q=dawn");

    // Print, copy and select all go to the view.
    SendMessageW(window.Window(), WM_COMMAND, MAKEWPARAM(CommandId(TReaderCommand::Print), 0), 0);
    SendMessageW(window.Window(), WM_COMMAND, MAKEWPARAM(CommandId(TReaderCommand::SelectAll), 0), 0);
    SendMessageW(window.Window(), WM_COMMAND, MAKEWPARAM(CommandId(TReaderCommand::Copy), 0), 0);
    EXPECT_EQ(view.Prints, 1);
    EXPECT_EQ(view.Copies, 1);
    ASSERT_TRUE(CloseWithLoop(window.Window()));
}

TEST_F(WindowsReader, GuardedPageAsksInOneWindowAndSaysAWrongAnswerThere) {
    // "abc" is the password whose checksum is 40C6C4C2.
    TBookRecipe recipe;
    recipe.Decrypt = BuildDecryptXml({TBookProtection::Selected, 0x40C6C4C2, {}});
    TOpenBook reading(recipe);
    ASSERT_TRUE(reading.Start());
    TTestWindow& window = reading.Window;
    TReaderBook* book = reading.Book.get();
    TFakeView& view = reading.View();

    std::string firstQuestion, secondQuestion;
    HWND dialog = nullptr;
    {
        TScript script({
            [&] {
                dialog = FindWindowW(L"PagelampPassword", nullptr);
                if (!dialog || !IsWindowVisible(dialog))
                    return false;
                firstQuestion = WindowText(GetDlgItem(dialog, idMessage));
                EXPECT_EQ(GetDlgItem(dialog, idUser), nullptr) << "no user name for a page";
                Screenshot(dialog, "password-page");
                TypeText(dialog, idPassword, "ABC");
                ClickButton(dialog, IDOK);
                return true;
            },
            [&] {
                secondQuestion = WindowText(GetDlgItem(dialog, idMessage));
                EXPECT_EQ(WindowText(GetDlgItem(dialog, idPassword)), "") << "a new try starts empty";
                Screenshot(dialog, "password-wrong");
                TypeText(dialog, idPassword, "abc");
                ClickButton(dialog, IDOK);
                return true;
            },
        });
        window.FollowLink("\\ch\\two.htm");
        EXPECT_TRUE(script.Finished());
    }
    EXPECT_NE(firstQuestion.find("This page is protected by a password"), std::string::npos) << firstQuestion;
    EXPECT_NE(secondQuestion.find("not right"), std::string::npos) << secondQuestion;
    EXPECT_FALSE(IsWindow(dialog)) << "the window goes once the answer is right";
    EXPECT_EQ(view.Shown, "book:/ch/two.htm");
    EXPECT_TRUE(book->SelectedUnlocked());
    ASSERT_TRUE(CloseWithLoop(window.Window()));
}

TEST_F(WindowsReader, BookPasswordWindowAsksUserNameAndPassword) {
    const std::string key = "{6B29FC40-CA47-1067-B31D-00DD010662DA}";
    TBookRecipe recipe;
    TSecurityDescription security{TBookProtection::UserPassword, 0, {UserKeyRecord("ann", "tide", key)}};
    recipe.Decrypt = BuildDecryptXml(security);
    recipe.Key = key;
    auto book = OpenBook(recipe);
    ASSERT_TRUE(book->Locked());

    // Three wrong tries refuse the book; the window said so after each.
    int tries = 0;
    std::string said;
    {
        TScript script({[&] {
                            HWND dialog = FindWindowW(L"PagelampPassword", nullptr);
                            if (!dialog || !IsWindowVisible(dialog))
                                return false;
                            EXPECT_NE(GetDlgItem(dialog, idUser), nullptr);
                            Screenshot(dialog, "password-book");
                            return true;
                        },
                        [&] {
                            HWND dialog = FindWindowW(L"PagelampPassword", nullptr);
                            TypeText(dialog, idUser, "ann");
                            TypeText(dialog, idPassword, "wrong");
                            ClickButton(dialog, IDOK);
                            said = WindowText(GetDlgItem(dialog, idMessage));
                            return ++tries == 3;
                        }});
        EXPECT_EQ(AskPasswords(*book, nullptr, false, nullptr), TUnlockResult::Refused);
    }
    EXPECT_NE(said.find("not right"), std::string::npos) << said;
    EXPECT_TRUE(book->Locked());

    // Cancel leaves the book closed; the right answer opens it.
    {
        TScript script({[&] {
            HWND dialog = FindWindowW(L"PagelampPassword", nullptr);
            if (!dialog)
                return false;
            ClickButton(dialog, IDCANCEL);
            return true;
        }});
        EXPECT_EQ(AskPasswords(*book, nullptr, false, nullptr), TUnlockResult::Cancelled);
    }
    {
        TScript script({[&] {
            HWND dialog = FindWindowW(L"PagelampPassword", nullptr);
            if (!dialog)
                return false;
            TypeText(dialog, idUser, "ann");
            TypeText(dialog, idPassword, "tide");
            ClickButton(dialog, IDOK);
            return true;
        }});
        EXPECT_EQ(AskPasswords(*book, nullptr, false, nullptr), TUnlockResult::Unlocked);
    }
    EXPECT_FALSE(book->Locked());
}

TEST_F(WindowsReader, SplashClosesAfterItsIntervalOrOnAClick) {
    HBITMAP picture = LoadBookPicture(Bmp(300, 160, 30, 60, 120));
    ASSERT_NE(picture, nullptr);
    BITMAP info{};
    GetObjectW(picture, sizeof info, &info);
    EXPECT_EQ(info.bmWidth, 300);

    // The interval ends it.
    bool seen = false;
    {
        TScript script({[&] {
            seen = FindWindowW(SplashClassName, nullptr) != nullptr;
            return true;
        }});
        ShowSplash(picture, 200, false);
    }
    EXPECT_TRUE(seen);
    EXPECT_EQ(FindWindowW(SplashClassName, nullptr), nullptr);

    // A click ends it long before its interval, when the book says so; Escape always.
    for (UINT message : {UINT(WM_LBUTTONUP), UINT(WM_KEYDOWN)}) {
        TScript script({[&] {
            HWND splash = FindWindowW(SplashClassName, nullptr);
            if (!splash)
                return false;
            RECT r;
            GetWindowRect(splash, &r);
            EXPECT_EQ(r.right - r.left, 302) << "the picture and its border";
            if (message == WM_LBUTTONUP)
                Screenshot(splash, "splash");
            PostMessageW(splash, message, message == WM_KEYDOWN ? VK_ESCAPE : 0, 0);
            return true;
        }});
        ShowSplash(picture, 60000, true);
        EXPECT_TRUE(script.Finished());
    }
    DeleteObject(picture);
}

TEST_F(WindowsReader, FormWindowHasItsOwnViewAndSendsOtherLinksToTheMainWindow) {
    TBookRecipe recipe;
    TOpenBook reading(recipe);
    ASSERT_TRUE(reading.Start());
    TTestWindow& window = reading.Window;
    TFakeViews& views = reading.Views;

    SendMessageW(window.Window(), WM_COMMAND, MAKEWPARAM(CommandId(TReaderCommand::About), 0), 0);
    ASSERT_EQ(window.OpenForms().size(), 1u);
    TFormWindow& form = *window.OpenForms()[0];
    EXPECT_EQ(WindowText(form.Window()), "About Tide Tables");
    RECT client;
    GetClientRect(form.Window(), &client);
    EXPECT_EQ(client.right, 333);
    EXPECT_EQ(client.bottom, 222);
    const LONG_PTR style = GetWindowLongPtrW(form.Window(), GWL_STYLE);
    EXPECT_FALSE(style & WS_THICKFRAME) << "not sizeable";
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_EQ(GetWindow(form.Window(), GW_OWNER), window.Window());
    ASSERT_EQ(views.Made.size(), 2u);
    TFakeView& formView = *views.Made[1];
    EXPECT_EQ(formView.Shown, "book:/about.htm");
    Screenshot(form.Window(), "form-window");

    // About again brings the same window; a page of the story from the form opens in it.
    SendMessageW(window.Window(), WM_COMMAND, MAKEWPARAM(CommandId(TReaderCommand::About), 0), 0);
    EXPECT_EQ(window.OpenForms().size(), 1u);
    EXPECT_TRUE(formView.Click("book:/index.htm"));
    EXPECT_FALSE(formView.Click("https://example.org/"));
    PumpUntil([&] { return window.Opened.size() == 1; });
    EXPECT_EQ(window.Opened, std::vector<std::string>{"https://example.org/"});

    // Escape closes the form; the main window forgets it.
    MSG escape{form.Window(), WM_KEYDOWN, VK_ESCAPE, 1, 0, {}};
    EXPECT_TRUE(window.PreTranslate(escape));
    ASSERT_TRUE(PumpUntil([&] { return window.OpenForms().empty(); }));
    ASSERT_TRUE(CloseWithLoop(window.Window()));
}

TEST_F(WindowsReader, SearchBoxGivesTheWordsOrNothing) {
    std::string words;
    {
        TScript script({[&] {
            HWND box = FindWindowW(L"PagelampSearch", nullptr);
            if (!box)
                return false;
            EXPECT_EQ(WindowText(GetDlgItem(box, idWords)), "lamp");
            Screenshot(box, "search");
            TypeText(box, idWords, "  keeper dawn ");
            ClickButton(box, IDOK);
            return true;
        }});
        words = AskSearchText(nullptr, "lamp");
    }
    EXPECT_EQ(words, "keeper dawn");
    {
        TScript script({[&] {
            HWND box = FindWindowW(L"PagelampSearch", nullptr);
            if (!box)
                return false;
            TypeText(box, idWords, "keeper");
            PostMessageW(box, WM_CLOSE, 0, 0);
            return true;
        }});
        words = AskSearchText(nullptr, "");
    }
    EXPECT_EQ(words, "");
}

TEST_F(WindowsReader, BookIconAndPicturesFromTheirBytes) {
    EXPECT_EQ(LoadBookPicture("not a picture"), nullptr);
    EXPECT_EQ(LoadBookIcon("", 32), nullptr);
    EXPECT_EQ(LoadBookIcon(std::string("\0\0\1\0\1\0", 6) + std::string(16, '\xFF'), 32), nullptr)
        << "an entry pointing outside the file";
    HBITMAP fitted = LoadBookPictureFitted(Bmp(40, 20, 10, 20, 30), 24, 24);
    ASSERT_NE(fitted, nullptr);
    BITMAP info{};
    GetObjectW(fitted, sizeof info, &info);
    EXPECT_EQ(info.bmWidth, 24);
    EXPECT_EQ(info.bmHeight, 24);
    DeleteObject(fitted);
}
