// Books and stand-ins for the Windows reader's tests: books made in memory (the
// cabinets made by hand, as the compiler is not part of the Windows build), a page view
// that records what the window asks of it, and a message pump for the tests that drive
// windows by messages.
#pragma once

#include "common/cabinet_maker.h"

#include "u_Book.h"
#include "u_BookCipher.h"
#include "u_BookLayout.h"
#include "u_ReaderBook.h"
#include "u_ToolButtons.h"
#include "u_eBookCommon.h"
#include "w_BookView.h"
#include "w_FormWindow.h"
#include "w_Text.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace winbooks {

using cabmaker::FilesCabinet;

// A 24-bit BMP file of one colour.
inline std::string Bmp(int Width, int Height, uint8_t Red, uint8_t Green, uint8_t Blue) {
    const int row = (Width * 3 + 3) & ~3;
    std::string b = "BM";
    cabmaker::Put32(b, uint32_t(54 + row * Height));
    cabmaker::Put32(b, 0);
    cabmaker::Put32(b, 54);
    cabmaker::Put32(b, 40);
    cabmaker::Put32(b, uint32_t(Width));
    cabmaker::Put32(b, uint32_t(Height));
    cabmaker::Put16(b, 1);
    cabmaker::Put16(b, 24);
    for (int i = 0; i < 6; ++i)
        cabmaker::Put32(b, 0);
    for (int y = 0; y < Height; ++y) {
        for (int x = 0; x < Width; ++x) {
            // A lighter frame, so that a picture shows its edges.
            const bool edge = x < 2 || y < 2 || x >= Width - 2 || y >= Height - 2;
            b += char(edge ? 255 : Blue);
            b += char(edge ? 255 : Green);
            b += char(edge ? 255 : Red);
        }
        b.append(size_t(row - Width * 3), '\0');
    }
    return b;
}

struct TBookRecipe {
    TProjectOptions Options;
    std::vector<TToolbarButton> Buttons;
    std::string Decrypt;
    std::string Key; // the pages are enciphered with it when not empty
    std::map<std::string, std::string> SystemFiles;
};

// A book of three pages (two in a chapter, the second guarded in a Selected book), an
// About form and a toolbar when Recipe has buttons.
inline TBookResources Resources(TBookRecipe& Recipe) {
    Recipe.Options.ApplicationTitle = "%{Title}";
    Recipe.Options.MainFormCaption = "%{Title} - Windows test";
    std::map<std::string, std::string> system = Recipe.SystemFiles;
    system["\\System.xml"] =
        "<System Story=\"Story.xml\" ToolButtons=\"ToolButtons.xml\" Variables=\"Variables.xml\" "
        "Forms=\"AdditionalPages.xml\" Decrypt=\"Decrypt.xml\" " +
        Recipe.Options.GetAttributes() + "><splash " + Recipe.Options.Splash().GetAttributes() +
        "/><toolbar " + Recipe.Options.Toolbar().GetAttributes() + "/></System>";
    system["\\Story.xml"] =
        "<Story><item page=\"\\index.htm\" pagename=\"Cover\" searchable=\"True\" rightclick=\"True\" "
        "passwordprotection=\"False\"/><item><item page=\"\\ch\\one.htm\" pagename=\"Tides\" "
        "searchable=\"True\" "
        "rightclick=\"False\" passwordprotection=\"False\"/><item page=\"\\ch\\two.htm\" pagename=\"Secret\" "
        "searchable=\"False\" rightclick=\"True\" passwordprotection=\"True\"/></item></Story>";
    system["\\Variables.xml"] = "<vars><var name=\"Title\">$Tide Tables</var></vars>";
    system["\\AdditionalPages.xml"] = "<AdditionalPages>\r\n<Form Path=\"\\about.htm\" Name=\"About\" "
                                      "Caption=\"About %{Title}\" Center=True "
                                      "HideScrollBar=False Width=333 Height=222 Sizeable=False "
                                      "SystemMenu=True Maximize=False Minimize=False/>"
                                      "</AdditionalPages>";
    system["\\ToolButtons.xml"] = BuildToolButtonsText(Recipe.Buttons, Recipe.Options.Toolbar());
    system["\\Decrypt.xml"] = Recipe.Decrypt;
    std::string pages = FilesCabinet({
        {"\\index.htm", "<html><body><h1>%{Title}</h1><a href=\"ch/one.htm\">One</a></body></html>"},
        {"\\ch\\one.htm", "<html><body><p>High water at dawn; the keeper writes it down.</p></body></html>"},
        {"\\ch\\two.htm", "<html><body><p>The keeper's secret anchorage.</p></body></html>"},
        {"\\about.htm", "<html><body><p>About %{Title}</p><a href=\"index.htm\">Cover</a></body></html>"},
    });
    if (!Recipe.Key.empty())
        pages = EncryptData(pages, Recipe.Key, true);
    TBookResources r;
    r.System = FilesCabinet(system);
    r.PagesSize = pages.size();
    r.Pages = std::move(pages);
    return r;
}

inline std::unique_ptr<TReaderBook> OpenBook(TBookRecipe& Recipe) {
    return std::make_unique<TReaderBook>(Resources(Recipe), "Tides.exe");
}

// A page view that records what it is asked: Navigate asks the window first, as the
// engine does, and completes the page at once. Its window shows the address.
class TFakeView : public TBookView {
public:
    TFakeView(HWND Parent, TBookViewEvents& Events) : FEvents(Events) {
        FWindow = CreateWindowExW(WS_EX_CLIENTEDGE, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_CENTER, 0, 0,
                                  10, 10, Parent, nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    HWND Window() const override { return FWindow; }
    void SetBounds(const RECT& Bounds) override {
        this->Bounds = Bounds;
        MoveWindow(FWindow, Bounds.left, Bounds.top, Bounds.right - Bounds.left, Bounds.bottom - Bounds.top,
                   TRUE);
    }
    void Navigate(const std::string& Url) override {
        Navigated.push_back(Url);
        if (Log)
            Log->push_back(Url);
        if (FEvents.BeforeNavigate(Url, true)) {
            Shown = Url;
            SetWindowTextW(FWindow, Wide("\n\n" + Url).c_str());
            FEvents.DocumentComplete(Url);
        }
    }
    // A click on a link of the page.
    bool Click(const std::string& Url) { return FEvents.BeforeNavigate(Url, true); }
    void Refresh() override {}
    void Print() override { ++Prints; }
    void Copy() override { ++Copies; }
    void SelectAll() override { Selection = true; }
    bool HasSelection() override { return Selection; }
    void SetTextSize(int Size) override { TextSize = Size; }
    void MarkWords(const std::vector<std::string>& Words) override { Marked = Words; }
    void Focus() override {}
    bool PreTranslateMessage(MSG&) override { return false; }

    TBookViewEvents& Events() { return FEvents; }
    std::vector<std::string> Navigated;
    std::vector<std::string>* Log = nullptr; // outlives the view
    std::string Shown;
    std::vector<std::string> Marked;
    RECT Bounds{};
    int TextSize = -1, Prints = 0, Copies = 0;
    bool Selection = false;

private:
    TBookViewEvents& FEvents;
    HWND FWindow;
};

// A view factory handing out fake views, which it lists for the test to look at while
// their windows live; what they were asked to show stays in Navigated after them.
struct TFakeViews {
    std::vector<TFakeView*> Made;
    std::vector<std::string> Navigated;
    TViewFactory Factory() {
        return [this](HWND Parent, TBookViewEvents& Events, std::string&) -> std::unique_ptr<TBookView> {
            auto view = std::make_unique<TFakeView>(Parent, Events);
            view->Log = &Navigated;
            Made.push_back(view.get());
            return view;
        };
    }
};

// Runs messages until Done says so (or a safety limit of many seconds, so that a fault
// fails the test instead of hanging it); false when the limit was reached.
inline bool PumpUntil(const std::function<bool()>& Done,
                      const std::function<bool(MSG&)>& PreTranslate = nullptr) {
    const ULONGLONG limit = GetTickCount64() + 20000;
    MSG msg;
    while (!Done()) {
        if (GetTickCount64() > limit)
            return false;
        if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
            continue;
        }
        if (PreTranslate && PreTranslate(msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return true;
}

// Steps run one per tick of a thread timer while a window's own loop runs (a modal
// dialog, the splash): each step returns true when it did its work, false to be tried
// again on the next tick.
class TScript {
public:
    explicit TScript(std::vector<std::function<bool()>> Steps) : FSteps(std::move(Steps)) {
        Current() = this;
        FTimer = SetTimer(nullptr, 0, 30, Tick);
    }
    ~TScript() {
        KillTimer(nullptr, FTimer);
        Current() = nullptr;
    }
    bool Finished() const { return FNext >= FSteps.size(); }

private:
    static TScript*& Current() {
        static TScript* current = nullptr;
        return current;
    }
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        TScript* s = Current();
        if (s && s->FNext < s->FSteps.size() && s->FSteps[s->FNext]())
            ++s->FNext;
    }
    std::vector<std::function<bool()>> FSteps;
    size_t FNext = 0;
    UINT_PTR FTimer = 0;
};

// Types Text into a control and clicks a button of Window, as a user would.
inline void TypeText(HWND Window, int Control, const std::string& Text) {
    SendMessageW(GetDlgItem(Window, Control), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Wide(Text).c_str()));
}
inline void ClickButton(HWND Window, int Button) {
    SendMessageW(Window, WM_COMMAND, MAKEWPARAM(Button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(Window, Button)));
}

} // namespace winbooks
