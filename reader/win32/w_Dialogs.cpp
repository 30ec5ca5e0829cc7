#include "w_Dialogs.h"

#include "w_Text.h"

#include <commctrl.h>

#include <algorithm>

namespace {

constexpr int Margin = 16;
constexpr int LineHeight = 23;
constexpr int ButtonWidth = 88;

// Lays out the "Open"/"Cancel" pair at the bottom right of a client area Width wide.
void PlaceButtons(HWND Window, int Width, int Top) {
    SetWindowPos(GetDlgItem(Window, IDOK), nullptr, Width - Margin - 2 * ButtonWidth - 8, Top, ButtonWidth,
                 LineHeight + 2, SWP_NOZORDER);
    SetWindowPos(GetDlgItem(Window, IDCANCEL), nullptr, Width - Margin - ButtonWidth, Top, ButtonWidth,
                 LineHeight + 2, SWP_NOZORDER);
}

// Sizes a dialog window so that its client area is Width x Height.
void SizeClient(HWND Window, int Width, int Height) {
    RECT r{0, 0, Width, Height};
    AdjustWindowRectEx(&r, DWORD(GetWindowLongPtrW(Window, GWL_STYLE)), FALSE,
                       DWORD(GetWindowLongPtrW(Window, GWL_EXSTYLE)));
    SetWindowPos(Window, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER);
}

constexpr DWORD DialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
constexpr DWORD DialogExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

} // namespace

// ---- Password window ----

TPasswordWindow::TPasswordWindow(HWND Owner, const std::string& Title, bool AskUser, HICON Icon)
    : FOwner(Owner), FAskUser(AskUser) {
    if (!CreateBound(L"PagelampPassword", DialogExStyle, DialogStyle, Title, CW_USEDEFAULT, CW_USEDEFAULT, 440, 240,
                     Owner))
        return;
    if (Icon)
        SendMessageW(FWindow, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(Icon));
    HWND picture = MakeControl(FWindow, L"STATIC", "", SS_ICON, Margin, Margin, 32, 32, 100);
    SendMessageW(picture, STM_SETICON,
                 reinterpret_cast<WPARAM>(LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_WARNING))), 0);
    MakeControl(FWindow, L"STATIC", "", SS_LEFT | SS_NOPREFIX, 0, 0, 10, 10, idMessage);
    if (AskUser) {
        MakeControl(FWindow, L"STATIC", "&User name:", SS_RIGHT, 0, 0, 10, 10, idUserLabel);
        MakeControl(FWindow, WC_EDITW, "", WS_TABSTOP | ES_AUTOHSCROLL, 0, 0, 10, 10, idUser, WS_EX_CLIENTEDGE);
    }
    MakeControl(FWindow, L"STATIC", "&Password:", SS_RIGHT, 0, 0, 10, 10, idPasswordLabel);
    MakeControl(FWindow, WC_EDITW, "", WS_TABSTOP | ES_AUTOHSCROLL | ES_PASSWORD, 0, 0, 10, 10, idPassword,
                WS_EX_CLIENTEDGE);
    MakeControl(FWindow, WC_BUTTONW, "Open", WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 0, 10, 10, IDOK);
    MakeControl(FWindow, WC_BUTTONW, "Cancel", WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 10, 10, IDCANCEL);
}

void TPasswordWindow::Layout(const std::string& Message) {
    const int width = 440, textLeft = Margin + 32 + 14, textWidth = width - textLeft - Margin;
    SetDlgItemTextW(FWindow, idMessage, Wide(Message).c_str());
    const int textHeight = std::max(32, TextHeight(FWindow, Message, textWidth));
    SetWindowPos(GetDlgItem(FWindow, idMessage), nullptr, textLeft, Margin, textWidth, textHeight, SWP_NOZORDER);
    int y = Margin + textHeight + 14;
    const int labelWidth = 86, fieldLeft = textLeft + labelWidth + 8, fieldWidth = width - Margin - fieldLeft;
    auto row = [&](int label, int field) {
        SetWindowPos(GetDlgItem(FWindow, label), nullptr, textLeft, y + 3, labelWidth, LineHeight - 4, SWP_NOZORDER);
        SetWindowPos(GetDlgItem(FWindow, field), nullptr, fieldLeft, y, fieldWidth, LineHeight, SWP_NOZORDER);
        y += LineHeight + 8;
    };
    if (FAskUser)
        row(idUserLabel, idUser);
    row(idPasswordLabel, idPassword);
    y += 8;
    PlaceButtons(FWindow, width, y);
    SizeClient(FWindow, width, y + LineHeight + 2 + Margin);
}

bool TPasswordWindow::Ask(const std::string& Message, std::string& User, std::string& Password) {
    if (!FWindow)
        return false;
    Layout(Message);
    if (!IsWindowVisible(FWindow)) {
        CenterWindow(FWindow, FOwner);
        ShowWindow(FWindow, SW_SHOW);
    }
    // A new try starts from an empty password, the user name kept.
    SetDlgItemTextW(FWindow, idPassword, L"");
    SetFocus(GetDlgItem(FWindow, FAskUser && GetWindowTextLengthW(GetDlgItem(FWindow, idUser)) == 0 ? idUser
                                                                                                   : idPassword));
    FDone = FAccepted = false;
    RunModalLoop(FWindow, FOwner, FDone);
    if (!FAccepted || !FWindow)
        return false;
    User = FAskUser ? WindowText(GetDlgItem(FWindow, idUser)) : std::string();
    Password = WindowText(GetDlgItem(FWindow, idPassword));
    return true;
}

LRESULT TPasswordWindow::Handle(UINT Message, WPARAM W, LPARAM L) {
    switch (Message) {
    case WM_COMMAND:
        if (LOWORD(W) == IDOK || LOWORD(W) == IDCANCEL) {
            FAccepted = LOWORD(W) == IDOK;
            FDone = true;
            return 0;
        }
        break;
    case WM_CLOSE:
        FAccepted = false;
        FDone = true;
        return 0;
    default:
        break;
    }
    return TWindow::Handle(Message, W, L);
}

TUnlockResult AskPasswords(TReaderBook& Book, HWND Owner, bool Guarded, HICON Icon) {
    TPasswordWindow window(Owner, Book.Title(), !Guarded && Book.AsksUserName(), Icon);
    const TPasswordQuestion ask = [&](int attempt, std::string& user, std::string& password) {
        return window.Ask(PasswordQuestion(Book, Guarded, attempt), user, password);
    };
    return Guarded ? UnlockGuardedPages(Book, ask) : UnlockBook(Book, ask);
}

// ---- Search box ----

namespace {

class TSearchWindow : public TWindow {
public:
    TSearchWindow(HWND Owner, const std::string& Initial) {
        if (!CreateBound(L"PagelampSearch", DialogExStyle, DialogStyle, "Search", CW_USEDEFAULT, CW_USEDEFAULT, 400,
                         160, Owner))
            return;
        const int width = 400;
        MakeControl(FWindow, L"STATIC", "Find the pages that hold &every word of:", SS_LEFT, Margin, Margin,
                    width - 2 * Margin, 18, idWordsLabel);
        HWND edit = MakeControl(FWindow, WC_EDITW, Initial, WS_TABSTOP | ES_AUTOHSCROLL, Margin, Margin + 22,
                                width - 2 * Margin, LineHeight, idWords, WS_EX_CLIENTEDGE);
        MakeControl(FWindow, WC_BUTTONW, "Search", WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 0, 10, 10, IDOK);
        MakeControl(FWindow, WC_BUTTONW, "Cancel", WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 10, 10, IDCANCEL);
        const int buttons = Margin + 22 + LineHeight + 16;
        PlaceButtons(FWindow, width, buttons);
        SizeClient(FWindow, width, buttons + LineHeight + 2 + Margin);
        CenterWindow(FWindow, Owner);
        ShowWindow(FWindow, SW_SHOW);
        SendMessageW(edit, EM_SETSEL, 0, -1);
        SetFocus(edit);
        RunModalLoop(FWindow, Owner, FDone);
    }
    std::string Text;

protected:
    LRESULT Handle(UINT Message, WPARAM W, LPARAM L) override {
        if ((Message == WM_COMMAND && (LOWORD(W) == IDOK || LOWORD(W) == IDCANCEL)) || Message == WM_CLOSE) {
            if (Message == WM_COMMAND && LOWORD(W) == IDOK)
                Text = WindowText(GetDlgItem(FWindow, idWords));
            FDone = true;
            return 0;
        }
        return TWindow::Handle(Message, W, L);
    }

private:
    bool FDone = false;
};

std::string Trimmed(const std::string& Text) {
    const size_t first = Text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return std::string();
    return Text.substr(first, Text.find_last_not_of(" \t\r\n") - first + 1);
}

} // namespace

std::string AskSearchText(HWND Owner, const std::string& Initial) {
    TSearchWindow window(Owner, Initial);
    return Trimmed(window.Text);
}

// ---- Splash ----

const wchar_t* const SplashClassName = L"PagelampSplash";

namespace {

class TSplashWindow : public TWindow {
public:
    TSplashWindow(HBITMAP Picture, int IntervalMs, bool CloseOnClick)
        : FPicture(Picture), FCloseOnClick(CloseOnClick) {
        BITMAP info{};
        GetObjectW(Picture, sizeof info, &info);
        RECT area;
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
        // At most nine tenths of the screen, the picture's proportions kept.
        const int maxW = (area.right - area.left) * 9 / 10, maxH = (area.bottom - area.top) * 9 / 10;
        int w = std::max(1L, info.bmWidth), h = std::max(1L, info.bmHeight);
        if (w > maxW || h > maxH) {
            const double scale = std::min(double(maxW) / w, double(maxH) / h);
            w = std::max(1, int(w * scale));
            h = std::max(1, int(h * scale));
        }
        // No title bar shows it: the title names the window for screen readers.
        if (!CreateBound(SplashClassName, WS_EX_TOPMOST | WS_EX_TOOLWINDOW, WS_POPUP | WS_BORDER, "Splash",
                         area.left + (area.right - area.left - w) / 2, area.top + (area.bottom - area.top - h) / 2,
                         w + 2, h + 2, nullptr))
            return;
        if (CloseOnClick)
            SetClassLongPtrW(FWindow, GCLP_HCURSOR,
                             reinterpret_cast<LONG_PTR>(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_HAND))));
        SetTimer(FWindow, 1, UINT(std::max(1, IntervalMs)), nullptr);
        ShowWindow(FWindow, SW_SHOW);
        UpdateWindow(FWindow);
        RunModalLoop(FWindow, nullptr, FDone);
    }

protected:
    LRESULT Handle(UINT Message, WPARAM W, LPARAM L) override {
        switch (Message) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(FWindow, &ps);
            RECT r;
            GetClientRect(FWindow, &r);
            HDC memory = CreateCompatibleDC(dc);
            HGDIOBJ old = SelectObject(memory, FPicture);
            BITMAP info{};
            GetObjectW(FPicture, sizeof info, &info);
            SetStretchBltMode(dc, HALFTONE);
            StretchBlt(dc, 0, 0, r.right, r.bottom, memory, 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
            SelectObject(memory, old);
            DeleteDC(memory);
            EndPaint(FWindow, &ps);
            return 0;
        }
        case WM_TIMER:
            FDone = true;
            return 0;
        case WM_LBUTTONUP:
            if (FCloseOnClick)
                FDone = true;
            return 0;
        case WM_KEYDOWN:
            // Escape always ends the wait, whatever the book says about clicks.
            if (W == VK_ESCAPE || (FCloseOnClick && W == VK_SPACE))
                FDone = true;
            return 0;
        case WM_COMMAND: // Escape, as the dialog keys give it
            if (LOWORD(W) == IDCANCEL)
                FDone = true;
            return 0;
        case WM_CLOSE:
            FDone = true;
            return 0;
        default:
            return TWindow::Handle(Message, W, L);
        }
    }

private:
    HBITMAP FPicture;
    bool FCloseOnClick;
    bool FDone = false;
};

} // namespace

void ShowSplash(HBITMAP Picture, int IntervalMs, bool CloseOnClick) {
    if (Picture)
        TSplashWindow splash(Picture, IntervalMs, CloseOnClick);
}
