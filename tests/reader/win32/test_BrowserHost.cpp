// The HTML engine's host as far as it runs without an HTML engine: creating the view
// fails cleanly and names the step, the control's events reach the window's handlers,
// and the security manager keeps the book apart from local files.
#include "w_BrowserHost.h"
#include "w_Text.h"

#include <docobj.h>
#include <exdispid.h>
#include <gtest/gtest.h>
#include <mshtmhst.h>

#include <string>
#include <vector>

namespace {

// Records what the view tells its window.
class TRecordingEvents : public TBookViewEvents {
public:
    bool AllowNavigation = true;
    std::vector<std::string> Calls;

    bool BeforeNavigate(const std::string& Url, bool TopLevel) override {
        Calls.push_back("navigate " + Url + (TopLevel ? " top" : " frame"));
        return AllowNavigation;
    }
    void DocumentComplete(const std::string& Url) override { Calls.push_back("complete " + Url); }
    void NewWindow(const std::string& Url) override { Calls.push_back("new window " + Url); }
    void TitleChanged(const std::string& Title) override { Calls.push_back("title " + Title); }
    bool ContextMenuAllowed() override { return AllowContextMenu; }
    bool TranslateAccelerator(MSG& Message) override {
        Calls.push_back("key " + std::to_string(Message.wParam));
        return TakeKeys;
    }
    bool AllowContextMenu = false;
    bool TakeKeys = false;
};

LRESULT CALLBACK ParentProc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam) {
    if (Message == WM_APP) {
        SetWindowTextW(Window, L"still answering");
        return 42;
    }
    return DefWindowProcW(Window, Message, WParam, LParam);
}

int ChildCount(HWND Window) {
    int count = 0;
    EnumChildWindows(
        Window, [](HWND, LPARAM counter) -> BOOL { return ++*reinterpret_cast<int*>(counter), TRUE; },
        reinterpret_cast<LPARAM>(&count));
    return count;
}

class BrowserHost : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = ParentProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"BrowserHostTestParent";
        RegisterClassW(&windowClass);
        Parent = CreateWindowExW(0, L"BrowserHostTestParent", L"parent", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300,
                                 nullptr, nullptr, windowClass.hInstance, nullptr);
        ASSERT_NE(Parent, nullptr);
    }
    void TearDown() override {
        DestroyWindow(Parent);
        OleUninitialize();
    }

    HWND Parent = nullptr;
    TRecordingEvents Events;
};

// The event as the control sends it: arguments last first.
HRESULT Fire(IDispatch* Sink, DISPID Id, std::vector<VARIANT> Arguments) {
    DISPPARAMS parameters = {Arguments.data(), nullptr, static_cast<UINT>(Arguments.size()), 0};
    return Sink->Invoke(Id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &parameters, nullptr, nullptr,
                        nullptr);
}

VARIANT Typed(VARTYPE Type) {
    VARIANT v;
    VariantInit(&v);
    v.vt = Type;
    return v;
}
VARIANT Ref(VARIANT* Value) {
    VARIANT v = Typed(VT_VARIANT | VT_BYREF);
    v.pvarVal = Value;
    return v;
}
VARIANT Text(BSTR Value) {
    VARIANT v = Typed(VT_BSTR);
    v.bstrVal = Value;
    return v;
}
VARIANT Frame(IDispatch* Value) {
    VARIANT v = Typed(VT_DISPATCH);
    v.pdispVal = Value;
    return v;
}
VARIANT CancelFlag(VARIANT_BOOL* Value) {
    VARIANT v = Typed(VT_BOOL | VT_BYREF);
    v.pboolVal = Value;
    return v;
}

} // namespace

TEST_F(BrowserHost, WithoutAnHtmlEngineTheViewFailsCleanly) {
    // Here (wine without an HTML engine) the control is made but its document is not.
    std::string error;
    std::unique_ptr<TBookView> view = CreateBrowserView(Parent, Events, error);
    if (view) {
        // An engine is installed: the view fills its window.
        EXPECT_TRUE(IsChild(Parent, view->Window()));
        view.reset();
    } else {
        // 0x80040111 without wine's HTML engine, 0x80070005 with it switched off.
        const std::string step = "Creating the HTML document failed (0x";
        EXPECT_EQ(error.rfind(step, 0), 0u) << error;
        EXPECT_EQ(error.size(), step.size() + 9) << error;
        EXPECT_EQ(error.find_first_not_of("0123456789ABCDEF", step.size()), error.size() - 1) << error;
    }
    // Nothing of the view is left, and the window answers as before.
    EXPECT_EQ(ChildCount(Parent), 0);
    EXPECT_EQ(SendMessageW(Parent, WM_APP, 0, 0), 42);
    wchar_t caption[32] = {};
    GetWindowTextW(Parent, caption, 32);
    EXPECT_EQ(Utf8(std::wstring_view(caption)), "still answering");

    // A second try after a failure, and a view without a window to live in.
    error.clear();
    view = CreateBrowserView(Parent, Events, error);
    EXPECT_EQ(view == nullptr, !error.empty());
    view.reset();
    error.clear();
    EXPECT_EQ(CreateBrowserView(nullptr, Events, error), nullptr);
    EXPECT_EQ(error.rfind("Creating the view's window failed (0x", 0), 0u) << error;
    EXPECT_TRUE(Events.Calls.empty());
}

TEST_F(BrowserHost, TheControlsEventsReachTheWindow) {
    IDispatch* topFrame = nullptr;
    IDispatch* innerFrame = nullptr;
    // Any two objects stand for the control and one of its frames.
    ASSERT_EQ(CreateBrowserEventSink(Events, nullptr, &topFrame), S_OK);
    ASSERT_EQ(CreateBrowserEventSink(Events, nullptr, &innerFrame), S_OK);
    IDispatch* sink = nullptr;
    ASSERT_EQ(CreateBrowserEventSink(Events, topFrame, &sink), S_OK);

    BSTR url = SysAllocString(L"book:/ch/one.htm");
    VARIANT urlValue = Text(url);
    VARIANT empty = Typed(VT_EMPTY);
    VARIANT_BOOL cancel = VARIANT_FALSE;
    const auto navigate = [&](IDispatch* frame) {
        cancel = VARIANT_FALSE;
        return Fire(sink, DISPID_BEFORENAVIGATE2,
                    {CancelFlag(&cancel), Ref(&empty), Ref(&empty), Ref(&empty), Ref(&empty), Ref(&urlValue),
                     Frame(frame)});
    };
    EXPECT_EQ(navigate(topFrame), S_OK);
    EXPECT_EQ(cancel, VARIANT_FALSE);
    Events.AllowNavigation = false;
    EXPECT_EQ(navigate(innerFrame), S_OK);
    EXPECT_EQ(cancel, VARIANT_TRUE) << "a refused navigation is cancelled";

    // Only the top frame's document completes the page.
    EXPECT_EQ(Fire(sink, DISPID_DOCUMENTCOMPLETE, {Ref(&urlValue), Frame(innerFrame)}), S_OK);
    EXPECT_EQ(Fire(sink, DISPID_DOCUMENTCOMPLETE, {Ref(&urlValue), Frame(topFrame)}), S_OK);

    // A new window is never opened by the control; the window hears of it.
    BSTR target = SysAllocString(L"book:/other.htm");
    IDispatch* newWindow = nullptr;
    VARIANT windowOut = Typed(VT_DISPATCH | VT_BYREF);
    windowOut.ppdispVal = &newWindow;
    const VARIANT flags = Typed(VT_UI4);
    cancel = VARIANT_FALSE;
    EXPECT_EQ(Fire(sink, DISPID_NEWWINDOW3, {Text(target), Text(url), flags, CancelFlag(&cancel), windowOut}),
              S_OK);
    EXPECT_EQ(cancel, VARIANT_TRUE);
    cancel = VARIANT_FALSE;
    EXPECT_EQ(Fire(sink, DISPID_NEWWINDOW2, {CancelFlag(&cancel), windowOut}), S_OK);
    EXPECT_EQ(cancel, VARIANT_TRUE);

    BSTR title = SysAllocString(L"Tides \x2014 Port Ellis");
    EXPECT_EQ(Fire(sink, DISPID_TITLECHANGE, {Text(title)}), S_OK);
    EXPECT_EQ(Fire(sink, DISPID_STATUSTEXTCHANGE, {Text(title)}), DISP_E_MEMBERNOTFOUND);
    // Events cut short do no harm.
    EXPECT_EQ(Fire(sink, DISPID_BEFORENAVIGATE2, {Frame(topFrame)}), S_OK);

    EXPECT_EQ(Events.Calls,
              (std::vector<std::string>{"navigate book:/ch/one.htm top", "navigate book:/ch/one.htm frame",
                                        "complete book:/ch/one.htm", "new window book:/other.htm",
                                        "title Tides \xE2\x80\x94 Port Ellis"}));
    SysFreeString(title);
    SysFreeString(target);
    SysFreeString(url);
    sink->Release();
    innerFrame->Release();
    topFrame->Release();
}

TEST(BookSecurityManager, BookPagesAreTrustedLocalFilesRefused) {
    IInternetSecurityManager* manager = nullptr;
    ASSERT_EQ(CreateBookSecurityManager(&manager), S_OK);

    DWORD zone = 99;
    EXPECT_EQ(manager->MapUrlToZone(L"book:/index.htm", &zone, 0), S_OK);
    EXPECT_EQ(zone, static_cast<DWORD>(URLZONE_TRUSTED));
    for (const wchar_t* refused : {L"file:///C:/Windows/win.ini", L"C:\\Windows\\win.ini", L"ms-settings:"}) {
        zone = 99;
        EXPECT_EQ(manager->MapUrlToZone(refused, &zone, 0), S_OK);
        EXPECT_EQ(zone, static_cast<DWORD>(URLZONE_UNTRUSTED));
    }
    // The web and the engine's own pages keep the engine's zones.
    EXPECT_EQ(manager->MapUrlToZone(L"https://example.org/", &zone, 0), INET_E_DEFAULT_ACTION);
    EXPECT_EQ(manager->MapUrlToZone(L"about:blank", &zone, 0), INET_E_DEFAULT_ACTION);

    DWORD policy = 99;
    const auto act = [&](const wchar_t* url, DWORD action) {
        policy = 99;
        return manager->ProcessUrlAction(url, action, reinterpret_cast<BYTE*>(&policy), sizeof policy,
                                         nullptr, 0, 0, 0);
    };
    EXPECT_EQ(act(L"book:/index.htm", URLACTION_SCRIPT_RUN), S_OK);
    EXPECT_EQ(policy, static_cast<DWORD>(URLPOLICY_ALLOW));
    EXPECT_EQ(act(L"book:/pics/a.png", URLACTION_HTML_SUBFRAME_NAVIGATE), S_OK);
    for (const DWORD unsafe : {URLACTION_DOWNLOAD_UNSIGNED_ACTIVEX, URLACTION_ACTIVEX_OVERRIDE_OBJECT_SAFETY,
                               URLACTION_SCRIPT_OVERRIDE_SAFETY}) {
        EXPECT_EQ(act(L"book:/index.htm", unsafe), S_FALSE) << unsafe;
        EXPECT_EQ(policy, static_cast<DWORD>(URLPOLICY_DISALLOW)) << unsafe;
    }
    EXPECT_EQ(act(L"book:/index.htm", URLACTION_ACTIVEX_RUN), S_OK) << "a book's own safe objects";
    EXPECT_EQ(act(L"file:///C:/a.htm", URLACTION_SCRIPT_RUN), S_FALSE);
    EXPECT_EQ(policy, static_cast<DWORD>(URLPOLICY_DISALLOW));
    EXPECT_EQ(act(L"https://example.org/", URLACTION_SCRIPT_RUN), INET_E_DEFAULT_ACTION);

    // Every page of the book is one origin: "book:" with the zone's number.
    BYTE id[64] = {};
    DWORD size = sizeof id;
    ASSERT_EQ(manager->GetSecurityId(L"book:/a/b.htm", id, &size, 0), S_OK);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(id), size), std::string("book:\x02\x00\x00\x00", 9));
    BYTE other[64] = {};
    DWORD otherSize = sizeof other;
    ASSERT_EQ(manager->GetSecurityId(L"BOOK:/index.htm?x=1", other, &otherSize, 0), S_OK);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(other), otherSize),
              std::string(reinterpret_cast<char*>(id), size));
    size = 4;
    EXPECT_EQ(manager->GetSecurityId(L"book:/a.htm", id, &size, 0), E_NOT_SUFFICIENT_BUFFER);
    EXPECT_EQ(size, 9u);
    EXPECT_EQ(manager->GetSecurityId(L"https://example.org/", id, &size, 0), INET_E_DEFAULT_ACTION);
    manager->Release();
}

TEST(BrowserSite, WhatTheSiteAnswersTheEngine) {
    TRecordingEvents events;
    IOleClientSite* site = nullptr;
    ASSERT_EQ(CreateBrowserSite(events, &site), S_OK);
    IDocHostUIHandler* handler = nullptr;
    IOleCommandTarget* commands = nullptr;
    IServiceProvider* services = nullptr;
    IOleInPlaceSite* inPlace = nullptr;
    ASSERT_EQ(site->QueryInterface(IID_IDocHostUIHandler, reinterpret_cast<void**>(&handler)), S_OK);
    ASSERT_EQ(site->QueryInterface(IID_IOleCommandTarget, reinterpret_cast<void**>(&commands)), S_OK);
    ASSERT_EQ(site->QueryInterface(IID_IServiceProvider, reinterpret_cast<void**>(&services)), S_OK);
    ASSERT_EQ(site->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(&inPlace)), S_OK);

    // The right-click menu as the window allows it: S_OK means the host took it.
    POINT where = {5, 5};
    EXPECT_EQ(handler->ShowContextMenu(CONTEXT_MENU_DEFAULT, &where, nullptr, nullptr), S_OK);
    events.AllowContextMenu = true;
    EXPECT_EQ(handler->ShowContextMenu(CONTEXT_MENU_DEFAULT, &where, nullptr, nullptr), S_FALSE);

    // Keys go to the window's commands first.
    MSG key = {nullptr, WM_KEYDOWN, VK_F5, 0, 0, {0, 0}};
    EXPECT_EQ(handler->TranslateAccelerator(&key, nullptr, 0), S_FALSE);
    events.TakeKeys = true;
    EXPECT_EQ(handler->TranslateAccelerator(&key, nullptr, 0), S_OK);
    EXPECT_EQ(events.Calls, (std::vector<std::string>{"key 116", "key 116"}));

    DOCHOSTUIINFO info = {};
    info.cbSize = sizeof info;
    ASSERT_EQ(handler->GetHostInfo(&info), S_OK);
    for (const DWORD flag : {DOCHOSTUIFLAG_NO3DBORDER, DOCHOSTUIFLAG_THEME, DOCHOSTUIFLAG_DPI_AWARE})
        EXPECT_TRUE(info.dwFlags & flag) << flag;
    EXPECT_FALSE(info.dwFlags &
                 (DOCHOSTUIFLAG_FLAT_SCROLLBAR | DOCHOSTUIFLAG_SCROLL_NO | DOCHOSTUIFLAG_DIALOG));

    // A script error never shows the engine's dialog, and the page's scripts go on.
    const GUID docHostCommands = {
        0xf38bc242, 0xb950, 0x11d1, {0x89, 0x18, 0x00, 0xc0, 0x4f, 0xc2, 0xc8, 0x36}};
    VARIANT goOn;
    VariantInit(&goOn);
    EXPECT_EQ(commands->Exec(&docHostCommands, OLECMDID_SHOWSCRIPTERROR, 0, nullptr, &goOn), S_OK);
    EXPECT_EQ(goOn.vt, VT_BOOL);
    EXPECT_EQ(goOn.boolVal, VARIANT_TRUE);
    EXPECT_EQ(commands->Exec(nullptr, OLECMDID_PRINT, 0, nullptr, nullptr), OLECMDERR_E_NOTSUPPORTED);
    EXPECT_EQ(commands->Exec(&docHostCommands, OLECMDID_PRINT, 0, nullptr, nullptr),
              OLECMDERR_E_UNKNOWNGROUP);

    // The engine's security questions go to the book's security manager.
    IInternetSecurityManager* manager = nullptr;
    ASSERT_EQ(services->QueryService(SID_SInternetSecurityManager, IID_IInternetSecurityManager,
                                     reinterpret_cast<void**>(&manager)),
              S_OK);
    DWORD zone = 0;
    EXPECT_EQ(manager->MapUrlToZone(L"book:/a.htm", &zone, 0), S_OK);
    EXPECT_EQ(zone, static_cast<DWORD>(URLZONE_TRUSTED));
    manager->Release();
    IUnknown* other = reinterpret_cast<IUnknown*>(1);
    EXPECT_EQ(services->QueryService(IID_IOleCommandTarget, IID_IUnknown, reinterpret_cast<void**>(&other)),
              E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);

    // Without a window the site takes no control in place.
    EXPECT_EQ(inPlace->CanInPlaceActivate(), S_FALSE);
    HWND window = reinterpret_cast<HWND>(1);
    EXPECT_EQ(inPlace->GetWindow(&window), E_FAIL);

    inPlace->Release();
    services->Release();
    commands->Release();
    handler->Release();
    EXPECT_EQ(site->Release(), 0u);
}
