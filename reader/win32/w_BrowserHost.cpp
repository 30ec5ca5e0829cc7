#include "w_BrowserHost.h"

#include "u_ReaderPaths.h"
#include "u_ReaderProtocol.h"
#include "w_Com.h"
#include "w_Text.h"

#include <exdisp.h>
#include <exdispid.h>
#include <mshtmhst.h>
#include <mshtml.h>
#include <ole2.h>

#include <cstring>
#include <new>

namespace {

// Identifiers the import libraries here do not carry.
const CLSID HtmlDocumentClass = {
    0x25336920, 0x03f9, 0x11cf, {0x8f, 0xd0, 0x00, 0xaa, 0x00, 0x68, 0x6f, 0x13}};
const GUID DocHostCommandGroup = {
    0xf38bc242, 0xb950, 0x11d1, {0x89, 0x18, 0x00, 0xc0, 0x4f, 0xc2, 0xc8, 0x36}};
const IID DocHostUIHandler2Interface = {
    0x3050f6d0, 0x98b5, 0x11cf, {0xbb, 0x82, 0x00, 0xaa, 0x00, 0xbd, 0xce, 0x0b}};

std::string StepFailed(const char* Step, HRESULT Result) {
    char text[160];
    wsprintfA(text, "%s failed (0x%08lX)", Step, static_cast<unsigned long>(Result));
    return text;
}

// A BSTR that frees itself.
class TBstr {
public:
    explicit TBstr(const std::string& Text) : FText(SysAllocString(Wide(Text).c_str())) {}
    ~TBstr() { SysFreeString(FText); }
    TBstr(const TBstr&) = delete;
    TBstr& operator=(const TBstr&) = delete;
    BSTR Get() const { return FText; }

private:
    BSTR FText;
};

// The text of an event argument, which may come as a reference to a variant.
std::string VariantText(const VARIANT& Value) {
    const VARIANT* value = &Value;
    while (value && (value->vt == (VT_VARIANT | VT_BYREF)))
        value = value->pvarVal;
    if (!value)
        return {};
    if (value->vt == VT_BSTR)
        return Utf8(value->bstrVal);
    if (value->vt == (VT_BSTR | VT_BYREF) && value->pbstrVal)
        return Utf8(*value->pbstrVal);
    return {};
}

void SetCancel(VARIANT& Value) {
    if (Value.vt == (VT_BOOL | VT_BYREF) && Value.pboolVal)
        *Value.pboolVal = VARIANT_TRUE;
}

bool SameObject(IUnknown* One, IUnknown* Other) {
    if (!One || !Other)
        return false;
    TComPtr<IUnknown> a, b;
    if (FAILED(One->QueryInterface(IID_IUnknown, a.OutVoid())) ||
        FAILED(Other->QueryInterface(IID_IUnknown, b.OutVoid())))
        return false;
    return a.Get() == b.Get();
}

// ---- The security manager ----

// The part of a security identifier that names the zone follows the scheme and domain.
constexpr DWORD BookZone = URLZONE_TRUSTED;

class TBookSecurityManager final : public TComObject<IInternetSecurityManager> {
public:
    STDMETHODIMP QueryInterface(REFIID Iid, void** Object) override {
        if (!Object)
            return E_POINTER;
        if (IsEqualIID(Iid, IID_IUnknown) || IsEqualIID(Iid, IID_IInternetSecurityManager)) {
            *Object = static_cast<IInternetSecurityManager*>(this);
            AddRef();
            return S_OK;
        }
        *Object = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP SetSecuritySite(IInternetSecurityMgrSite*) override { return INET_E_DEFAULT_ACTION; }
    STDMETHODIMP GetSecuritySite(IInternetSecurityMgrSite**) override { return INET_E_DEFAULT_ACTION; }
    STDMETHODIMP MapUrlToZone(LPCWSTR Url, DWORD* Zone, DWORD) override {
        if (!Url || !Zone)
            return E_INVALIDARG;
        switch (KindOf(Url)) {
        case TEngineUrlKind::Book:
            *Zone = BookZone;
            return S_OK;
        case TEngineUrlKind::Refused:
            *Zone = URLZONE_UNTRUSTED;
            return S_OK;
        default:
            return INET_E_DEFAULT_ACTION;
        }
    }
    STDMETHODIMP GetSecurityId(LPCWSTR Url, BYTE* Id, DWORD* IdSize, DWORD_PTR) override {
        if (!Url || !IdSize)
            return E_INVALIDARG;
        if (KindOf(Url) != TEngineUrlKind::Book)
            return INET_E_DEFAULT_ACTION;
        // Every page of the book is of one origin: "book:" and its zone.
        const std::string scheme = std::string(BookScheme) + ":";
        const DWORD size = static_cast<DWORD>(scheme.size() + sizeof(DWORD));
        if (!Id || *IdSize < size) {
            *IdSize = size;
            return E_NOT_SUFFICIENT_BUFFER;
        }
        std::memcpy(Id, scheme.data(), scheme.size());
        std::memcpy(Id + scheme.size(), &BookZone, sizeof(DWORD));
        *IdSize = size;
        return S_OK;
    }
    STDMETHODIMP ProcessUrlAction(LPCWSTR Url, DWORD Action, BYTE* Policy, DWORD PolicySize, BYTE*, DWORD,
                                  DWORD, DWORD) override {
        if (!Url)
            return E_INVALIDARG;
        DWORD policy = URLPOLICY_DISALLOW;
        switch (KindOf(Url)) {
        case TEngineUrlKind::Book:
            policy = BookMayDo(Action) ? URLPOLICY_ALLOW : URLPOLICY_DISALLOW;
            break;
        case TEngineUrlKind::Refused:
            break;
        default:
            return INET_E_DEFAULT_ACTION;
        }
        if (Policy && PolicySize >= sizeof(DWORD))
            std::memcpy(Policy, &policy, sizeof(DWORD));
        return policy == URLPOLICY_ALLOW ? S_OK : S_FALSE;
    }
    STDMETHODIMP QueryCustomPolicy(LPCWSTR, REFGUID, BYTE**, DWORD*, BYTE*, DWORD, DWORD) override {
        return INET_E_DEFAULT_ACTION;
    }
    STDMETHODIMP SetZoneMapping(DWORD, LPCWSTR, DWORD) override { return INET_E_DEFAULT_ACTION; }
    STDMETHODIMP GetZoneMappings(DWORD, IEnumString**, DWORD) override { return INET_E_DEFAULT_ACTION; }

private:
    // Scripts, pictures, frames, forms and the safe objects of a page; nothing is
    // downloaded to be installed, and no script drives an object that is not safe
    // for scripting (the shell's, the file system's).
    static bool BookMayDo(DWORD Action) {
        if (Action >= URLACTION_DOWNLOAD_MIN && Action <= URLACTION_DOWNLOAD_MAX)
            return false;
        switch (Action) {
        case URLACTION_ACTIVEX_OVERRIDE_OBJECT_SAFETY:
        case URLACTION_ACTIVEX_OVERRIDE_DATA_SAFETY:
        case URLACTION_ACTIVEX_OVERRIDE_SCRIPT_SAFETY:
        case URLACTION_SCRIPT_OVERRIDE_SAFETY:
        case URLACTION_SHELL_EXECUTE_HIGHRISK:
            return false;
        default:
            return true;
        }
    }
    static TEngineUrlKind KindOf(LPCWSTR Url) {
        try {
            return EngineUrlKind(Utf8(std::wstring_view(Url)));
        } catch (...) {
            return TEngineUrlKind::Refused;
        }
    }
};

// ---- The control's events ----

class TBrowserEventSink final : public TComObject<IDispatch> {
public:
    TBrowserEventSink(TBookViewEvents& Events, IUnknown* TopFrame) : FEvents(&Events), FTopFrame(TopFrame) {}
    // The view is gone: events that still come are answered, never passed on.
    void Detach() {
        FEvents = nullptr;
        FTopFrame = nullptr;
    }

    STDMETHODIMP QueryInterface(REFIID Iid, void** Object) override {
        if (!Object)
            return E_POINTER;
        if (IsEqualIID(Iid, IID_IUnknown) || IsEqualIID(Iid, IID_IDispatch) ||
            IsEqualIID(Iid, DIID_DWebBrowserEvents2)) {
            *Object = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *Object = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP GetTypeInfoCount(UINT* Count) override {
        if (Count)
            *Count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID Id, REFIID, LCID, WORD, DISPPARAMS* Parameters, VARIANT*, EXCEPINFO*,
                        UINT*) override {
        if (!Parameters)
            return E_INVALIDARG;
        VARIANT* arguments = Parameters->rgvarg; // the last argument first
        const UINT count = Parameters->cArgs;
        try {
            switch (Id) {
            case DISPID_BEFORENAVIGATE2: // (pDisp, URL, Flags, TargetFrameName, PostData, Headers, Cancel)
                if (count >= 7 && (!FEvents || !FEvents->BeforeNavigate(VariantText(arguments[5]),
                                                                        IsTopFrame(arguments[6]))))
                    SetCancel(arguments[0]);
                break;
            case DISPID_DOCUMENTCOMPLETE: // (pDisp, URL)
                if (FEvents && count >= 2 && IsTopFrame(arguments[1]))
                    FEvents->DocumentComplete(VariantText(arguments[0]));
                break;
            case DISPID_NEWWINDOW3: // (ppDisp, Cancel, dwFlags, bstrUrlContext, bstrUrl)
                if (count >= 5) {
                    SetCancel(arguments[3]);
                    if (FEvents)
                        FEvents->NewWindow(VariantText(arguments[0]));
                }
                break;
            case DISPID_NEWWINDOW2: // (ppDisp, Cancel): NewWindow3 follows with the address
                if (count >= 2)
                    SetCancel(arguments[0]);
                break;
            case DISPID_TITLECHANGE: // (Text)
                if (FEvents && count >= 1)
                    FEvents->TitleChanged(VariantText(arguments[0]));
                break;
            default:
                return DISP_E_MEMBERNOTFOUND;
            }
        } catch (...) {
            return E_FAIL;
        }
        return S_OK;
    }

private:
    ~TBrowserEventSink() override = default;

    bool IsTopFrame(const VARIANT& Frame) const {
        return Frame.vt == VT_DISPATCH && SameObject(Frame.pdispVal, FTopFrame);
    }

    TBookViewEvents* FEvents;
    IUnknown* FTopFrame;
};

// ---- The control's site ----

// Everything the WebBrowser control asks of its container but its events, in one COM
// object. It outlives the view when the control keeps a reference; then it is detached
// and answers as an empty site.
class TBrowserSite final : public TComObject<IOleClientSite, IOleInPlaceSite, IOleInPlaceFrame,
                                             IDocHostUIHandler2, IOleCommandTarget, IServiceProvider> {
public:
    TBrowserSite(HWND Window, TBookViewEvents& Events) : FWindow(Window), FEvents(&Events) {}
    void Detach() {
        FWindow = nullptr;
        FEvents = nullptr;
    }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID Iid, void** Object) override {
        if (!Object)
            return E_POINTER;
        *Object = nullptr;
        if (IsEqualIID(Iid, IID_IUnknown) || IsEqualIID(Iid, IID_IOleClientSite))
            *Object = static_cast<IOleClientSite*>(this);
        else if (IsEqualIID(Iid, IID_IOleWindow) || IsEqualIID(Iid, IID_IOleInPlaceSite))
            *Object = static_cast<IOleInPlaceSite*>(this);
        else if (IsEqualIID(Iid, IID_IOleInPlaceUIWindow) || IsEqualIID(Iid, IID_IOleInPlaceFrame))
            *Object = static_cast<IOleInPlaceFrame*>(this);
        else if (IsEqualIID(Iid, IID_IDocHostUIHandler) || IsEqualIID(Iid, DocHostUIHandler2Interface))
            *Object = static_cast<IDocHostUIHandler2*>(this);
        else if (IsEqualIID(Iid, IID_IOleCommandTarget))
            *Object = static_cast<IOleCommandTarget*>(this);
        else if (IsEqualIID(Iid, IID_IServiceProvider))
            *Object = static_cast<IServiceProvider*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }

    // IOleClientSite
    STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** Moniker) override {
        if (Moniker)
            *Moniker = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetContainer(IOleContainer** Container) override {
        if (Container)
            *Container = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow (the site and the frame alike)
    STDMETHODIMP GetWindow(HWND* Window) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite
    STDMETHODIMP CanInPlaceActivate() override { return FWindow ? S_OK : S_FALSE; }
    STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnUIActivate() override { return S_OK; }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** Frame, IOleInPlaceUIWindow** Document, LPRECT Position,
                                  LPRECT Clip, LPOLEINPLACEFRAMEINFO FrameInfo) override;
    STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
    STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
    STDMETHODIMP DiscardUndoState() override { return E_NOTIMPL; }
    STDMETHODIMP DeactivateAndUndo() override { return E_NOTIMPL; }
    STDMETHODIMP OnPosRectChange(LPCRECT) override { return S_OK; }

    // IOleInPlaceUIWindow, IOleInPlaceFrame: no tool space, no menus of the engine's
    STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
    STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
    STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    STDMETHODIMP RemoveMenus(HMENU) override { return E_NOTIMPL; }
    STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

    // IDocHostUIHandler2
    STDMETHODIMP ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) override {
        // S_OK: the host took care of it, so the engine shows no menu.
        bool allowed = false;
        try {
            allowed = FEvents && FEvents->ContextMenuAllowed();
        } catch (...) {
        }
        return allowed ? S_FALSE : S_OK;
    }
    STDMETHODIMP GetHostInfo(DOCHOSTUIINFO* Info) override {
        if (!Info || Info->cbSize < sizeof(DOCHOSTUIINFO))
            return E_INVALIDARG;
        Info->dwFlags = DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_NO3DOUTERBORDER | DOCHOSTUIFLAG_THEME |
                        DOCHOSTUIFLAG_DPI_AWARE | DOCHOSTUIFLAG_DISABLE_HELP_MENU |
                        DOCHOSTUIFLAG_LOCAL_MACHINE_ACCESS_CHECK | DOCHOSTUIFLAG_ENABLE_INPLACE_NAVIGATION;
        Info->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
        Info->pchHostCss = nullptr;
        Info->pchHostNS = nullptr;
        return S_OK;
    }
    STDMETHODIMP ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                        IOleInPlaceUIWindow*) override {
        return S_OK;
    }
    STDMETHODIMP HideUI() override { return S_OK; }
    STDMETHODIMP UpdateUI() override { return S_OK; }
    STDMETHODIMP OnDocWindowActivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnFrameWindowActivate(BOOL) override { return S_OK; }
    STDMETHODIMP ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(LPMSG Message, const GUID*, DWORD) override {
        bool taken = false;
        try {
            taken = FEvents && Message && FEvents->TranslateAccelerator(*Message);
        } catch (...) {
        }
        return taken ? S_OK : S_FALSE;
    }
    STDMETHODIMP GetOptionKeyPath(LPOLESTR* Key, DWORD) override {
        if (Key)
            *Key = nullptr;
        return S_FALSE;
    }
    STDMETHODIMP GetDropTarget(IDropTarget*, IDropTarget** Target) override {
        if (Target)
            *Target = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetExternal(IDispatch** External) override {
        if (External)
            *External = nullptr;
        return S_FALSE;
    }
    STDMETHODIMP TranslateUrl(DWORD, LPWSTR, LPWSTR* Out) override {
        if (Out)
            *Out = nullptr;
        return S_FALSE;
    }
    STDMETHODIMP FilterDataObject(IDataObject*, IDataObject** Out) override {
        if (Out)
            *Out = nullptr;
        return S_FALSE;
    }
    STDMETHODIMP GetOverrideKeyPath(LPOLESTR* Key, DWORD) override {
        if (Key)
            *Key = nullptr;
        return S_FALSE;
    }

    // IOleCommandTarget: the engine's script error dialog is never shown.
    STDMETHODIMP QueryStatus(const GUID*, ULONG, OLECMD*, OLECMDTEXT*) override {
        return OLECMDERR_E_UNKNOWNGROUP;
    }
    STDMETHODIMP Exec(const GUID* Group, DWORD Command, DWORD, VARIANT*, VARIANT* Out) override {
        if ((!Group || IsEqualGUID(*Group, DocHostCommandGroup)) && Command == OLECMDID_SHOWSCRIPTERROR) {
            if (Out) {
                VariantClear(Out);
                Out->vt = VT_BOOL;
                Out->boolVal = VARIANT_TRUE; // and the page's scripts keep running
            }
            return S_OK;
        }
        return Group ? OLECMDERR_E_UNKNOWNGROUP : OLECMDERR_E_NOTSUPPORTED;
    }

    // IServiceProvider
    STDMETHODIMP QueryService(REFGUID Service, REFIID Iid, void** Object) override {
        if (!Object)
            return E_POINTER;
        *Object = nullptr;
        if (!IsEqualGUID(Service, SID_SInternetSecurityManager))
            return E_NOINTERFACE;
        TComPtr<IInternetSecurityManager> manager;
        const HRESULT result = CreateBookSecurityManager(manager.Out());
        return FAILED(result) ? result : manager->QueryInterface(Iid, Object);
    }

private:
    ~TBrowserSite() override = default;

    HWND FWindow;
    TBookViewEvents* FEvents;
};

const wchar_t* const HostClass = L"PagelampBookView";

class TBrowserView final : public TBookView {
public:
    TBrowserView(TBookViewEvents& Events) : FEvents(Events) {}
    ~TBrowserView() override;

    // Builds the control inside a child of Parent; false with Error naming the step.
    bool Create(HWND Parent, std::string& Error);

    HWND Window() const override { return FWindow; }
    void SetBounds(const RECT& Bounds) override {
        MoveWindow(FWindow, Bounds.left, Bounds.top, Bounds.right - Bounds.left, Bounds.bottom - Bounds.top,
                   TRUE);
    }
    void Navigate(const std::string& Url) override {
        if (!FBrowser)
            return;
        TBstr url(Url);
        VARIANT empty;
        VariantInit(&empty);
        FBrowser->Navigate(url.Get(), &empty, &empty, &empty, &empty);
    }
    void Refresh() override {
        if (FBrowser)
            FBrowser->Refresh();
    }
    void Print() override { Command(OLECMDID_PRINT, OLECMDEXECOPT_PROMPTUSER, nullptr); }
    void Copy() override { Command(OLECMDID_COPY, OLECMDEXECOPT_DONTPROMPTUSER, nullptr); }
    void SelectAll() override { Command(OLECMDID_SELECTALL, OLECMDEXECOPT_DONTPROMPTUSER, nullptr); }
    bool HasSelection() override {
        OLECMDF state = OLECMDF(0);
        return FBrowser && SUCCEEDED(FBrowser->QueryStatusWB(OLECMDID_COPY, &state)) &&
               (state & OLECMDF_ENABLED);
    }
    void SetTextSize(int Size) override {
        VARIANT size;
        VariantInit(&size);
        size.vt = VT_I4;
        size.lVal = Size < 0 ? 0 : Size > 4 ? 4 : Size;
        Command(OLECMDID_ZOOM, OLECMDEXECOPT_DONTPROMPTUSER, &size);
    }
    void MarkWords(const std::vector<std::string>& Words) override;
    void Focus() override {
        RECT bounds;
        GetClientRect(FWindow, &bounds);
        if (FObject)
            FObject->DoVerb(OLEIVERB_UIACTIVATE, nullptr, FSite, 0, FWindow, &bounds);
    }
    bool PreTranslateMessage(MSG& Message) override {
        if (Message.message < WM_KEYFIRST || Message.message > WM_KEYLAST || !FBrowser ||
            (Message.hwnd != FWindow && !IsChild(FWindow, Message.hwnd)))
            return false;
        TComPtr<IOleInPlaceActiveObject> active;
        return SUCCEEDED(FBrowser.As(active, IID_IOleInPlaceActiveObject)) &&
               active->TranslateAccelerator(&Message) == S_OK;
    }

    // The control's place: the whole client area of the view's window.
    void Resize() {
        RECT bounds;
        GetClientRect(FWindow, &bounds);
        TComPtr<IOleInPlaceObject> inPlace;
        if (SUCCEEDED(FObject.As(inPlace, IID_IOleInPlaceObject)))
            inPlace->SetObjectRects(&bounds, &bounds);
    }

private:
    void Command(OLECMDID Id, OLECMDEXECOPT Option, VARIANT* In) {
        if (FBrowser)
            FBrowser->ExecWB(Id, Option, In, nullptr);
    }

    TBookViewEvents& FEvents;
    HWND FWindow = nullptr;
    TBrowserSite* FSite = nullptr;
    TComPtr<IOleObject> FObject;
    TComPtr<IWebBrowser2> FBrowser;
    TBrowserEventSink* FEventSink = nullptr;
    TComPtr<IConnectionPoint> FEventPoint;
    DWORD FEventCookie = 0;
};

STDMETHODIMP TBrowserSite::GetWindow(HWND* Window) {
    if (!Window)
        return E_POINTER;
    *Window = FWindow;
    return *Window ? S_OK : E_FAIL;
}

STDMETHODIMP TBrowserSite::GetWindowContext(IOleInPlaceFrame** Frame, IOleInPlaceUIWindow** Document,
                                            LPRECT Position, LPRECT Clip, LPOLEINPLACEFRAMEINFO FrameInfo) {
    if (Frame) {
        *Frame = static_cast<IOleInPlaceFrame*>(this);
        AddRef();
    }
    if (Document)
        *Document = nullptr;
    RECT bounds = {};
    if (FWindow)
        GetClientRect(FWindow, &bounds);
    if (Position)
        *Position = bounds;
    if (Clip)
        *Clip = bounds;
    if (FrameInfo) {
        FrameInfo->fMDIApp = FALSE;
        FrameInfo->hwndFrame = FWindow ? GetAncestor(FWindow, GA_ROOT) : nullptr;
        FrameInfo->haccel = nullptr;
        FrameInfo->cAccelEntries = 0;
    }
    return S_OK;
}

LRESULT CALLBACK HostProc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam) {
    auto* view = reinterpret_cast<TBrowserView*>(GetWindowLongPtrW(Window, GWLP_USERDATA));
    switch (Message) {
    case WM_SIZE:
        if (view)
            view->Resize();
        return 0;
    case WM_SETFOCUS:
        if (view)
            view->Focus();
        return 0;
    case WM_ERASEBKGND:
        return 1; // the engine paints all of it
    default:
        return DefWindowProcW(Window, Message, WParam, LParam);
    }
}

bool TBrowserView::Create(HWND Parent, std::string& Error) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW windowClass = {};
    if (!GetClassInfoW(instance, HostClass, &windowClass)) {
        windowClass.lpfnWndProc = HostProc;
        windowClass.hInstance = instance;
        windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        windowClass.lpszClassName = HostClass;
        if (!RegisterClassW(&windowClass)) {
            Error = StepFailed("Registering the view's window class", HRESULT_FROM_WIN32(GetLastError()));
            return false;
        }
    }
    RECT bounds = {};
    if (Parent)
        GetClientRect(Parent, &bounds);
    FWindow = CreateWindowExW(0, HostClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0,
                              0, bounds.right, bounds.bottom, Parent, nullptr, instance, nullptr);
    if (!FWindow) {
        Error = StepFailed("Creating the view's window", HRESULT_FROM_WIN32(GetLastError()));
        return false;
    }
    FSite = new (std::nothrow) TBrowserSite(FWindow, FEvents);
    if (!FSite) {
        Error = StepFailed("Creating the control's site", E_OUTOFMEMORY);
        return false;
    }

    HRESULT result =
        CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject, FObject.OutVoid());
    if (FAILED(result)) {
        Error = StepFailed("Creating the WebBrowser control", result);
        return false;
    }
    result = FObject->SetClientSite(FSite);
    if (FAILED(result)) {
        Error = StepFailed("Giving the WebBrowser control its site", result);
        return false;
    }
    OleSetContainedObject(FObject.Get(), TRUE);
    GetClientRect(FWindow, &bounds);
    result = FObject->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, FSite, 0, FWindow, &bounds);
    if (FAILED(result)) {
        Error = StepFailed("Activating the WebBrowser control", result);
        return false;
    }
    result = FObject.As(FBrowser, IID_IWebBrowser2);
    if (FAILED(result)) {
        Error = StepFailed("Asking the WebBrowser control for IWebBrowser2", result);
        return false;
    }
    FEventSink = new (std::nothrow) TBrowserEventSink(FEvents, FBrowser.Get());
    TComPtr<IConnectionPointContainer> points;
    result = FEventSink ? FBrowser.As(points, IID_IConnectionPointContainer) : E_OUTOFMEMORY;
    if (SUCCEEDED(result))
        result = points->FindConnectionPoint(DIID_DWebBrowserEvents2, FEventPoint.Out());
    if (SUCCEEDED(result))
        result = FEventPoint->Advise(FEventSink, &FEventCookie);
    if (FAILED(result)) {
        Error = StepFailed("Connecting to the WebBrowser control's events", result);
        return false;
    }
    FBrowser->put_RegisterAsDropTarget(VARIANT_FALSE);
    // The HTML document is what the control loads pages into; without an HTML engine
    // installed it cannot be made, and that is better known now than at the first page.
    TComPtr<IUnknown> document;
    result =
        CoCreateInstance(HtmlDocumentClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, document.OutVoid());
    if (FAILED(result)) {
        Error = StepFailed("Creating the HTML document", result);
        return false;
    }
    document.Reset();
    SetWindowLongPtrW(FWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    Resize();
    return true;
}

TBrowserView::~TBrowserView() {
    if (FWindow)
        SetWindowLongPtrW(FWindow, GWLP_USERDATA, 0);
    if (FEventPoint && FEventCookie)
        FEventPoint->Unadvise(FEventCookie);
    FEventPoint.Reset();
    if (FEventSink) {
        FEventSink->Detach();
        FEventSink->Release();
    }
    if (FBrowser)
        FBrowser->Stop();
    FBrowser.Reset();
    if (FObject) {
        TComPtr<IOleInPlaceObject> inPlace;
        if (SUCCEEDED(FObject.As(inPlace, IID_IOleInPlaceObject)))
            inPlace->InPlaceDeactivate();
        inPlace.Reset();
        FObject->Close(OLECLOSE_NOSAVE);
        FObject->SetClientSite(nullptr);
        FObject.Reset();
    }
    if (FSite) {
        FSite->Detach();
        FSite->Release();
    }
    if (FWindow)
        DestroyWindow(FWindow);
}

void TBrowserView::MarkWords(const std::vector<std::string>& Words) {
    if (!FBrowser || Words.empty())
        return;
    TComPtr<IDispatch> dispatch;
    TComPtr<IHTMLDocument2> document;
    TComPtr<IHTMLElement> body;
    TComPtr<IHTMLBodyElement> bodyElement;
    if (FAILED(FBrowser->get_Document(dispatch.Out())) || !dispatch ||
        FAILED(dispatch.As(document, IID_IHTMLDocument2)) || FAILED(document->get_body(body.Out())) ||
        !body || FAILED(body.As(bodyElement, IID_IHTMLBodyElement)))
        return;
    TBstr command("BackColor");
    VARIANT colour;
    VariantInit(&colour);
    colour.vt = VT_BSTR;
    colour.bstrVal = SysAllocString(L"#FFFF66");
    for (const std::string& word : Words) {
        TComPtr<IHTMLTxtRange> range;
        if (word.empty() || FAILED(bodyElement->createTextRange(range.Out())) || !range)
            continue;
        TBstr text(word);
        // Every occurrence, letter case ignored, inside words too; a bound keeps a
        // page that never ends the search from holding the window.
        for (int found = 0; found < 10000; ++found) {
            VARIANT_BOOL success = VARIANT_FALSE;
            if (FAILED(range->findText(text.Get(), 0x7FFFFFFF, 0, &success)) || !success)
                break;
            VARIANT_BOOL done = VARIANT_FALSE;
            range->execCommand(command.Get(), VARIANT_FALSE, colour, &done);
            range->collapse(VARIANT_FALSE);
        }
    }
    VariantClear(&colour);
}

} // namespace

HRESULT CreateBrowserEventSink(TBookViewEvents& Events, IUnknown* TopFrame, IDispatch** Sink) {
    if (!Sink)
        return E_POINTER;
    *Sink = new (std::nothrow) TBrowserEventSink(Events, TopFrame);
    return *Sink ? S_OK : E_OUTOFMEMORY;
}

HRESULT CreateBrowserSite(TBookViewEvents& Events, IOleClientSite** Site) {
    if (!Site)
        return E_POINTER;
    *Site = new (std::nothrow) TBrowserSite(nullptr, Events);
    return *Site ? S_OK : E_OUTOFMEMORY;
}

HRESULT CreateBookSecurityManager(IInternetSecurityManager** Manager) {
    if (!Manager)
        return E_POINTER;
    *Manager = new (std::nothrow) TBookSecurityManager();
    return *Manager ? S_OK : E_OUTOFMEMORY;
}

std::unique_ptr<TBookView> CreateBrowserView(HWND Parent, TBookViewEvents& Events, std::string& Error) {
    try {
        auto view = std::make_unique<TBrowserView>(Events);
        if (!view->Create(Parent, Error))
            return nullptr; // the view's destructor takes down what was made
        return view;
    } catch (...) {
        Error = "Creating the HTML engine's view failed (out of memory)";
        return nullptr;
    }
}
