#include "w_FormWindow.h"

#include "w_Text.h"

#include <algorithm>

const wchar_t* const FormClassName = L"PagelampForm";

TViewFactory BrowserViewFactory() {
    return [](HWND Parent, TBookViewEvents& Events, std::string& Error) {
        return CreateBrowserView(Parent, Events, Error);
    };
}

namespace {

DWORD FormStyle(const TReaderForm& Form) {
    DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_CLIPCHILDREN;
    if (Form.SystemMenu)
        style |= WS_SYSMENU;
    if (Form.Sizeable)
        style |= WS_THICKFRAME;
    if (Form.Maximize && Form.Sizeable)
        style |= WS_MAXIMIZEBOX;
    if (Form.Minimize)
        style |= WS_MINIMIZEBOX | WS_SYSMENU;
    return style;
}

} // namespace

TFormWindow::TFormWindow(const TReaderForm& Form, const std::string& Caption, HWND Owner, HICON Icon,
                         const TViewFactory& Factory, std::string& Error)
    : FPath(Form.Path) {
    RECT area;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    const DWORD style = FormStyle(Form);
    RECT box{0, 0, std::clamp(Form.Width, 120, 4000), std::clamp(Form.Height, 80, 4000)};
    AdjustWindowRectEx(&box, style, FALSE, 0);
    const int w = std::min<int>(box.right - box.left, area.right - area.left);
    const int h = std::min<int>(box.bottom - box.top, area.bottom - area.top);
    int x = area.left + (area.right - area.left - w) / 2, y = area.top + (area.bottom - area.top - h) / 2;
    RECT owner;
    if (!Form.Center && Owner && GetWindowRect(Owner, &owner)) {
        x = owner.left + 40;
        y = owner.top + 40;
    }
    if (!CreateBound(FormClassName, 0, style, Caption, x, y, w, h, Owner))
        return;
    if (Icon)
        SendMessageW(FWindow, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(Icon));
    FView = Factory(FWindow, *this, Error);
    if (!FView) {
        DestroyWindow(FWindow);
        return;
    }
    RECT client;
    GetClientRect(FWindow, &client);
    FView->SetBounds(client);
    ShowWindow(FWindow, SW_SHOW);
}

TFormWindow::~TFormWindow() {
    FView.reset();
}

void TFormWindow::Open(const std::string& Url) {
    if (!FView)
        return;
    const std::string url = Url; // Url may be the pending address itself
    FPending = url;
    FView->Navigate(url);
}

bool TFormWindow::BeforeNavigate(const std::string& Url, bool TopLevel) {
    if (TopLevel && !FPending.empty() && Url == FPending) {
        FPending.clear();
        return true;
    }
    return OnBeforeNavigate && OnBeforeNavigate(*this, Url, TopLevel);
}

void TFormWindow::NewWindow(const std::string& Url) {
    // A form keeps to itself: a page asking for a new window is followed as a link.
    if (OnBeforeNavigate && OnBeforeNavigate(*this, Url, true))
        Open(Url);
}

bool TFormWindow::TranslateAccelerator(MSG& Message) {
    // A form without a title-bar menu still closes with Escape.
    if (Message.message == WM_KEYDOWN && Message.wParam == VK_ESCAPE) {
        PostMessageW(FWindow, WM_CLOSE, 0, 0);
        return true;
    }
    return false;
}

bool TFormWindow::PreTranslate(MSG& Message) {
    if (!FWindow || (Message.hwnd != FWindow && !IsChild(FWindow, Message.hwnd)))
        return false;
    if (FView && FView->PreTranslateMessage(Message))
        return true;
    return TranslateAccelerator(Message);
}

LRESULT TFormWindow::Handle(UINT Message, WPARAM W, LPARAM L) {
    switch (Message) {
    case WM_SIZE:
        if (FView) {
            RECT client{0, 0, LOWORD(L), HIWORD(L)};
            FView->SetBounds(client);
        }
        return 0;
    case WM_SETFOCUS:
        if (FView)
            FView->Focus();
        return 0;
    default:
        return TWindow::Handle(Message, W, L);
    }
}

void TFormWindow::Destroyed() {
    if (OnClosed)
        OnClosed(*this);
}
