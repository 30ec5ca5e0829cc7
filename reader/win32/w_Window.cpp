#include "w_Window.h"

#include "w_Text.h"

#include <vector>

TWindow::~TWindow() {
    if (FWindow) {
        SetWindowLongPtrW(FWindow, GWLP_USERDATA, 0);
        DestroyWindow(FWindow);
    }
}

bool TWindow::CreateBound(const wchar_t* ClassName, DWORD ExStyle, DWORD Style, const std::string& Caption, int X,
                          int Y, int Width, int Height, HWND Owner, HMENU Menu) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW known{};
    known.cbSize = sizeof known;
    if (!GetClassInfoExW(instance, ClassName, &known)) {
        WNDCLASSEXW c{};
        c.cbSize = sizeof c;
        c.style = CS_DBLCLKS;
        c.lpfnWndProc = Procedure;
        c.hInstance = instance;
        c.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        c.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        c.lpszClassName = ClassName;
        if (!RegisterClassExW(&c))
            return false;
    }
    return CreateWindowExW(ExStyle, ClassName, Wide(Caption).c_str(), Style, X, Y, Width, Height, Owner, Menu,
                           instance, this) != nullptr;
}

LRESULT TWindow::Handle(UINT Message, WPARAM W, LPARAM L) {
    return DefWindowProcW(FWindow, Message, W, L);
}

LRESULT CALLBACK TWindow::Procedure(HWND Window, UINT Message, WPARAM W, LPARAM L) {
    if (Message == WM_NCCREATE) {
        auto* self = static_cast<TWindow*>(reinterpret_cast<CREATESTRUCTW*>(L)->lpCreateParams);
        self->FWindow = Window;
        SetWindowLongPtrW(Window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<TWindow*>(GetWindowLongPtrW(Window, GWLP_USERDATA));
    if (!self)
        return DefWindowProcW(Window, Message, W, L);
    if (Message == WM_NCDESTROY) {
        SetWindowLongPtrW(Window, GWLP_USERDATA, 0);
        self->FWindow = nullptr;
        const LRESULT result = DefWindowProcW(Window, Message, W, L);
        self->Destroyed();
        return result;
    }
    // Nothing may leave a window procedure by an exception.
    try {
        return self->Handle(Message, W, L);
    } catch (const std::exception& e) {
        WriteStdErr(std::string("Pagelamp: ") + e.what());
        return DefWindowProcW(Window, Message, W, L);
    }
}

HFONT UiFont() {
    static HFONT font = [] {
        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof metrics;
        if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
            return CreateFontIndirectW(&metrics.lfMessageFont);
        return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    }();
    return font;
}

HWND MakeControl(HWND Parent, const wchar_t* ClassName, const std::string& Text, DWORD Style, int X, int Y,
                 int Width, int Height, int Id, DWORD ExStyle) {
    HWND control = CreateWindowExW(ExStyle, ClassName, Wide(Text).c_str(), Style | WS_CHILD | WS_VISIBLE, X, Y,
                                   Width, Height, Parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(Id)),
                                   GetModuleHandleW(nullptr), nullptr);
    if (control)
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(UiFont()), FALSE);
    return control;
}

std::string WindowText(HWND Window) {
    const int length = GetWindowTextLengthW(Window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(Window, text.data(), length + 1)));
    return Utf8(text);
}

int TextHeight(HWND Window, const std::string& Text, int Width) {
    HDC dc = GetDC(Window);
    HGDIOBJ old = SelectObject(dc, UiFont());
    RECT r{0, 0, Width, 0};
    const std::wstring text = Wide(Text);
    DrawTextW(dc, text.c_str(), int(text.size()), &r, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(Window, dc);
    return r.bottom - r.top;
}

void CenterWindow(HWND Window, HWND Owner) {
    RECT area, box;
    if (!Owner || !IsWindowVisible(Owner) || !GetWindowRect(Owner, &area))
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    GetWindowRect(Window, &box);
    const int w = box.right - box.left, h = box.bottom - box.top;
    int x = area.left + (area.right - area.left - w) / 2, y = area.top + (area.bottom - area.top - h) / 2;
    if (x < 0)
        x = 0;
    if (y < 0)
        y = 0;
    SetWindowPos(Window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void RunModalLoop(HWND Window, HWND Owner, const bool& Done) {
    const bool enableOwner = Owner && IsWindowEnabled(Owner);
    if (enableOwner)
        EnableWindow(Owner, FALSE);
    MSG msg;
    while (!Done && IsWindow(Window)) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(int(msg.wParam));
            break;
        }
        if (got < 0)
            break;
        if (IsDialogMessageW(Window, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    if (enableOwner) {
        EnableWindow(Owner, TRUE);
        SetActiveWindow(Owner);
    }
}

namespace {
bool Batch = false;
}

void SetBatchMode(bool On) {
    Batch = On;
}

bool BatchMode() {
    return Batch;
}

void WriteStdErr(const std::string& Text) {
    HANDLE out = GetStdHandle(STD_ERROR_HANDLE);
    if (!out || out == INVALID_HANDLE_VALUE) {
        // A GUI program started from a console has no standard handles of its own.
        if (AttachConsole(ATTACH_PARENT_PROCESS))
            out = CreateFileW(L"CONOUT$", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        if (!out || out == INVALID_HANDLE_VALUE)
            return;
        SetStdHandle(STD_ERROR_HANDLE, out);
    }
    const std::string line = Text + "\n";
    DWORD written = 0;
    WriteFile(out, line.data(), DWORD(line.size()), &written, nullptr);
}

namespace {
void Show(HWND Owner, const std::string& Title, const std::string& Text, UINT Icon) {
    if (Batch) {
        WriteStdErr("Pagelamp: " + Text);
        return;
    }
    MessageBoxW(Owner, Wide(Text).c_str(), Wide(Title).c_str(), MB_OK | Icon);
}
} // namespace

void ShowError(HWND Owner, const std::string& Title, const std::string& Text) {
    Show(Owner, Title, Text, MB_ICONERROR);
}

void ShowInformation(HWND Owner, const std::string& Title, const std::string& Text) {
    Show(Owner, Title, Text, MB_ICONINFORMATION);
}
