#include "w_BookProtocol.h"

#include "u_ReaderPaths.h"
#include "w_Com.h"
#include "w_Text.h"

#include <urlmon.h>

#include <algorithm>
#include <cstring>
#include <new>

namespace {

// The class of the book protocol's objects for this process ({6F0D1A52-3C1B-4E7A-9B52-6A1E0C7B4D31}).
const CLSID CLSID_BookProtocol = {
    0x6f0d1a52, 0x3c1b, 0x4e7a, {0x9b, 0x52, 0x6a, 0x1e, 0x0c, 0x7b, 0x4d, 0x31}};

TBookRequestHandler Handler;
IInternetSession* Session = nullptr;

// What the engine is told when the protocol has nothing to give.
HRESULT FailureOf(TProtocolStatus Status) {
    return Status == TProtocolStatus::Refused ? E_ACCESSDENIED : INET_E_RESOURCE_NOT_FOUND;
}

// Copies Text into the caller's buffer of Size characters; S_FALSE with the size it
// needs when it is too small.
HRESULT CopyResult(const std::wstring& Text, LPWSTR Buffer, DWORD Size, DWORD* Length) {
    const DWORD needed = static_cast<DWORD>(Text.size());
    if (Length)
        *Length = needed;
    if (!Buffer || Size < needed + 1) {
        if (Length)
            *Length = needed + 1;
        return S_FALSE;
    }
    std::memcpy(Buffer, Text.c_str(), (Text.size() + 1) * sizeof(wchar_t));
    return S_OK;
}

// One request of the engine: answered whole in Start, then read from memory.
class TBookProtocol final : public TComObject<IInternetProtocol, IInternetProtocolInfo> {
public:
    // IUnknown
    STDMETHODIMP QueryInterface(REFIID Iid, void** Object) override {
        if (!Object)
            return E_POINTER;
        if (IsEqualIID(Iid, IID_IUnknown) || IsEqualIID(Iid, IID_IInternetProtocolRoot) ||
            IsEqualIID(Iid, IID_IInternetProtocol))
            *Object = static_cast<IInternetProtocol*>(this);
        else if (IsEqualIID(Iid, IID_IInternetProtocolInfo))
            *Object = static_cast<IInternetProtocolInfo*>(this);
        else {
            *Object = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    // IInternetProtocolRoot
    STDMETHODIMP Start(LPCWSTR Url, IInternetProtocolSink* Sink, IInternetBindInfo*, DWORD Flags,
                       HANDLE_PTR) override {
        if (!Url || !Sink)
            return E_INVALIDARG;
        if (Flags & PI_PARSE_URL)
            return S_OK; // only asked whether the address is ours
        TProtocolAnswer answer;
        try {
            if (Handler)
                answer = Handler(Utf8(std::wstring_view(Url)));
            if (answer.Status == TProtocolStatus::Ok && answer.MimeType == "text/html")
                answer.Data = WithStandardsMode(answer.Data);
        } catch (...) {
            answer = TProtocolAnswer();
        }
        if (answer.Status != TProtocolStatus::Ok) {
            // An error result and never bytes: a refused page's notice stays unsent.
            const HRESULT failure = FailureOf(answer.Status);
            Sink->ReportResult(failure, 0, nullptr);
            return failure;
        }
        FData = std::move(answer.Data);
        FPosition = 0;
        FSink = Sink;
        FSink->AddRef();
        const std::wstring mime =
            Wide(answer.MimeType.empty() ? "application/octet-stream" : answer.MimeType);
        FSink->ReportProgress(BINDSTATUS_VERIFIEDMIMETYPEAVAILABLE, mime.c_str());
        const ULONG size = static_cast<ULONG>(FData.size());
        FSink->ReportData(BSCF_FIRSTDATANOTIFICATION | BSCF_LASTDATANOTIFICATION | BSCF_DATAFULLYAVAILABLE,
                          size, size);
        // The sink may have been let go while it took the data (Terminate).
        if (FSink)
            FSink->ReportResult(S_OK, 0, nullptr);
        return S_OK;
    }
    STDMETHODIMP Continue(PROTOCOLDATA*) override { return S_OK; }
    STDMETHODIMP Abort(HRESULT Reason, DWORD) override {
        if (FSink)
            FSink->ReportResult(Reason, 0, nullptr);
        return S_OK;
    }
    STDMETHODIMP Terminate(DWORD) override {
        if (FSink) {
            FSink->Release();
            FSink = nullptr;
        }
        return S_OK;
    }
    STDMETHODIMP Suspend() override { return E_NOTIMPL; }
    STDMETHODIMP Resume() override { return E_NOTIMPL; }

    // IInternetProtocol
    STDMETHODIMP Read(void* Buffer, ULONG Size, ULONG* Done) override {
        if (!Buffer && Size)
            return E_POINTER;
        const size_t count = std::min<size_t>(Size, FData.size() - FPosition);
        if (count)
            std::memcpy(Buffer, FData.data() + FPosition, count);
        FPosition += count;
        if (Done)
            *Done = static_cast<ULONG>(count);
        return FPosition >= FData.size() ? S_FALSE : S_OK;
    }
    STDMETHODIMP Seek(LARGE_INTEGER Move, DWORD Origin, ULARGE_INTEGER* NewPosition) override {
        LONGLONG from = 0;
        if (Origin == STREAM_SEEK_CUR)
            from = static_cast<LONGLONG>(FPosition);
        else if (Origin == STREAM_SEEK_END)
            from = static_cast<LONGLONG>(FData.size());
        else if (Origin != STREAM_SEEK_SET)
            return STG_E_INVALIDFUNCTION;
        const LONGLONG to = from + Move.QuadPart;
        if (to < 0 || to > static_cast<LONGLONG>(FData.size()))
            return STG_E_INVALIDFUNCTION;
        FPosition = static_cast<size_t>(to);
        if (NewPosition)
            NewPosition->QuadPart = static_cast<ULONGLONG>(to);
        return S_OK;
    }
    STDMETHODIMP LockRequest(DWORD) override { return S_OK; }
    STDMETHODIMP UnlockRequest() override { return S_OK; }

    // IInternetProtocolInfo
    STDMETHODIMP ParseUrl(LPCWSTR Url, PARSEACTION Action, DWORD, LPWSTR Result, DWORD Size, DWORD* Length,
                          DWORD) override {
        if (!Url)
            return E_INVALIDARG;
        try {
            const std::string root = std::string(BookScheme) + ":/";
            switch (Action) {
            case PARSE_CANONICALIZE:
            case PARSE_SECURITY_URL:
                // Every page of the book is of one origin, the book itself.
                return CopyResult(Wide(CombineBookUrl(root, Utf8(std::wstring_view(Url)))), Result, Size,
                                  Length);
            case PARSE_SECURITY_DOMAIN:
                return CopyResult(Wide(root), Result, Size, Length);
            default:
                return INET_E_DEFAULT_ACTION;
            }
        } catch (...) {
            return E_OUTOFMEMORY;
        }
    }
    STDMETHODIMP CombineUrl(LPCWSTR Base, LPCWSTR Relative, DWORD, LPWSTR Result, DWORD Size, DWORD* Length,
                            DWORD) override {
        if (!Base || !Relative)
            return E_INVALIDARG;
        try {
            return CopyResult(
                Wide(CombineBookUrl(Utf8(std::wstring_view(Base)), Utf8(std::wstring_view(Relative)))),
                Result, Size, Length);
        } catch (...) {
            return E_OUTOFMEMORY;
        }
    }
    STDMETHODIMP CompareUrl(LPCWSTR, LPCWSTR, DWORD) override { return INET_E_DEFAULT_ACTION; }
    STDMETHODIMP QueryInfo(LPCWSTR, QUERYOPTION Option, DWORD, LPVOID Buffer, DWORD BufferSize,
                           DWORD* Written, DWORD) override {
        DWORD value = 0;
        switch (Option) {
        case QUERY_USES_NETWORK:
        case QUERY_USES_CACHE:
        case QUERY_IS_CACHED:
        case QUERY_IS_INSTALLEDENTRY:
            value = FALSE;
            break;
        case QUERY_IS_SECURE:
        case QUERY_IS_SAFE:
        case QUERY_CAN_NAVIGATE:
            value = TRUE;
            break;
        default:
            return INET_E_DEFAULT_ACTION;
        }
        if (Written)
            *Written = sizeof(DWORD);
        if (!Buffer || BufferSize < sizeof(DWORD))
            return E_FAIL;
        std::memcpy(Buffer, &value, sizeof(DWORD));
        return S_OK;
    }

private:
    ~TBookProtocol() override { Terminate(0); }

    IInternetProtocolSink* FSink = nullptr;
    std::string FData;
    size_t FPosition = 0;
};

// The one factory urlmon asks for each request's object; it lives as long as the
// program.
class TBookProtocolFactory final : public IClassFactory {
public:
    STDMETHODIMP QueryInterface(REFIID Iid, void** Object) override {
        if (!Object)
            return E_POINTER;
        if (IsEqualIID(Iid, IID_IUnknown) || IsEqualIID(Iid, IID_IClassFactory)) {
            *Object = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *Object = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown* Outer, REFIID Iid, void** Object) override {
        if (!Object)
            return E_POINTER;
        *Object = nullptr;
        if (Outer)
            return CLASS_E_NOAGGREGATION;
        auto* protocol = new (std::nothrow) TBookProtocol();
        if (!protocol)
            return E_OUTOFMEMORY;
        const HRESULT result = protocol->QueryInterface(Iid, Object);
        protocol->Release();
        return result;
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }
};

TBookProtocolFactory Factory;

std::string HresultText(const char* Step, HRESULT Result) {
    char text[96];
    wsprintfA(text, "%s failed (0x%08lX)", Step, static_cast<unsigned long>(Result));
    return text;
}

} // namespace

bool RegisterBookProtocol(TBookRequestHandler RequestHandler, std::string& Error) {
    UnregisterBookProtocol();
    IInternetSession* session = nullptr;
    HRESULT result = CoInternetGetSession(0, &session, 0);
    if (FAILED(result) || !session) {
        Error = HresultText("CoInternetGetSession", result);
        return false;
    }
    const std::wstring scheme = Wide(BookScheme);
    result = session->RegisterNameSpace(&Factory, CLSID_BookProtocol, scheme.c_str(), 0, nullptr, 0);
    if (FAILED(result)) {
        session->Release();
        Error = HresultText("RegisterNameSpace", result);
        return false;
    }
    Session = session;
    Handler = std::move(RequestHandler);
    return true;
}

void UnregisterBookProtocol() {
    if (Session) {
        Session->UnregisterNameSpace(&Factory, Wide(BookScheme).c_str());
        Session->Release();
        Session = nullptr;
    }
    Handler = nullptr;
}
