// Pluggable URL protocols: lets the program answer URLs of a scheme of its own from
// code. A client creates a TInternetProtocolSupport, names its scheme and gives it the
// events that produce documents and join URLs; the HTML engine's requests reach a
// TCustomInternetProtocol, which finds the handler through the process-wide
// TInternetProtocolSupportSession and hands back the whole document at once.
//
// Everything here is plain code over strings. The HTML engine and the URL service of
// the platform are reached only through TProtocolPlatform, which the engine binding
// replaces; without a binding the built-in platform accepts every registration.
#pragma once

#include "u_Exception.h"
#include "u_ObjectDictionary.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <string_view>

// Result codes of the protocol interfaces, with the platform's values.
using HRESULT = std::int32_t;
constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_PENDING = static_cast<HRESULT>(0x8000000Au);
constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
constexpr HRESULT INET_E_INVALID_URL = static_cast<HRESULT>(0x800C0002u);
constexpr HRESULT INET_E_CANNOT_LOAD_DATA = static_cast<HRESULT>(0x800C000Fu);
constexpr HRESULT INET_E_DEFAULT_ACTION = static_cast<HRESULT>(0x800C0011u);
constexpr HRESULT INET_E_QUERYOPTION_UNKNOWN = static_cast<HRESULT>(0x800C0013u);

inline bool Succeeded(HRESULT hr) noexcept {
    return hr >= 0;
}
inline bool Failed(HRESULT hr) noexcept {
    return hr < 0;
}

// Data notification flags of IInternetProtocolSink.ReportData.
constexpr std::uint32_t BSCF_FIRSTDATANOTIFICATION = 0x01;
constexpr std::uint32_t BSCF_INTERMEDIATEDATANOTIFICATION = 0x02;
constexpr std::uint32_t BSCF_LASTDATANOTIFICATION = 0x04;
constexpr std::uint32_t BSCF_DATAFULLYAVAILABLE = 0x08;

// Flags of the URL canonicalization (InternetCanonicalizeUrlA).
constexpr std::uint32_t ICU_ENCODE_PERCENT = 0x00001000;
constexpr std::uint32_t ICU_BROWSER_MODE = 0x02000000;
constexpr std::uint32_t ICU_ENCODE_SPACES_ONLY = 0x04000000;
constexpr std::uint32_t ICU_NO_META = 0x08000000;
constexpr std::uint32_t ICU_DECODE = 0x10000000;
constexpr std::uint32_t ICU_NO_ENCODE = 0x20000000;

// Error codes of the platform's functions.
constexpr std::uint32_t ERROR_SUCCESS = 0;
constexpr std::uint32_t ERROR_INSUFFICIENT_BUFFER = 122;
constexpr std::uint32_t ERROR_INVALID_PARAMETER = 87;

// Class identifier and name under which the protocol class is known to the platform.
extern const char* const CustomInternetProtocolClassID;   // {C96D6BA7-6A8E-47F3-8B0F-993EDC457B65}
extern const char* const CustomInternetProtocolClassName; // "CustomInternetProtocol"

// Failures of the framework's own checks.
class EInternetProtocolSupportError : public Exception {
public:
    using Exception::Exception;
};

// A failure result of a platform operation, raised as an exception.
class EOleSysError : public Exception {
public:
    explicit EOleSysError(HRESULT code);
    HRESULT ErrorCode() const noexcept { return FCode; }

private:
    HRESULT FCode;
};

// The platform's URL service as the framework uses it. The engine binding derives
// its own; the base accepts everything and keeps the registered names, so that the
// framework works (and can be tested) without an engine.
class TProtocolPlatform {
public:
    virtual ~TProtocolPlatform() = default;

    // The class factory of the protocol class (CoGetClassObject) and the process's
    // internet session (CoInternetGetSession): fetched with the first registration,
    // released after the last unregistration.
    virtual HRESULT GetClassFactory() { return S_OK; }
    virtual void ReleaseClassFactory() {}
    virtual HRESULT GetInternetSession() { return S_OK; }
    virtual void ReleaseInternetSession() {}

    // From RegisterNameSpace on, the engine sends every URL of the scheme here.
    virtual HRESULT RegisterNameSpace(const std::string& Name);
    virtual HRESULT UnregisterNameSpace(const std::string& Name);
    bool IsNameSpaceRegistered(const std::string& Name) const;

    // InternetCanonicalizeUrlA: the canonical form of Url into a buffer of BufferSize
    // characters (terminator included). Returns ERROR_SUCCESS with Length the length
    // of Canonical, or ERROR_INSUFFICIENT_BUFFER with Length the size needed
    // (terminator included), or another error code.
    virtual std::uint32_t CanonicalizeUrl(std::string_view Url, std::uint32_t BufferSize, std::uint32_t Flags,
                                          std::string& Canonical, std::uint32_t& Length);

private:
    std::set<std::string> FNameSpaces; // case-blind keys
};

// The canonical form of a URL as the built-in platform produces it: with ICU_DECODE
// escapes are decoded first; unless ICU_NO_ENCODE, blanks and control characters are
// escaped (with ICU_ENCODE_PERCENT also "%"; ICU_BROWSER_MODE leaves the part from
// the first "#" or "?" alone). In URLs with an authority ("scheme://") the "." and ".."
// segments of the path are removed unless ICU_NO_META. Paths of opaque URLs such as
// "mfs:\a\..\b.htm" keep their segments: the scheme's handler resolves them.
std::string CanonicalizeUrlText(std::string_view Url, std::uint32_t Flags);

class TInternetProtocolSupport;

// Event types of TInternetProtocolSupport.
using TGetDataEvent =
    std::function<void(TInternetProtocolSupport& Sender, const std::string& URL, std::string& Data)>;
using TCompareURLEvent = std::function<void(TInternetProtocolSupport& Sender, const std::string& URL1,
                                            const std::string& URL2, bool IgnoreSlashes, bool& Equal)>;
using TCombineURLEvent = std::function<void(TInternetProtocolSupport& Sender, const std::string& BaseURL,
                                            const std::string& RelativeURL, std::string& Result)>;

// A handler of one scheme. URLs given to its events are the part after the scheme
// and its colon.
class TInternetProtocolSupport {
public:
    TInternetProtocolSupport() = default;
    virtual ~TInternetProtocolSupport();
    TInternetProtocolSupport(const TInternetProtocolSupport&) = delete;
    TInternetProtocolSupport& operator=(const TInternetProtocolSupport&) = delete;

    // True while the scheme is registered. Setting it registers or unregisters; a
    // failed registration raises and leaves the handler inactive.
    bool Active() const noexcept { return FActive; }
    void SetActive(bool Value);

    // The scheme name without colon. Changing it deactivates the handler first.
    const std::string& Protocol() const noexcept { return FProtocol; }
    void SetProtocol(const std::string& Value);

    TGetDataEvent OnGetData;
    TCompareURLEvent OnCompareURL;
    TCombineURLEvent OnCombineURL;

    // Called by the protocol object.
    std::string GetData(const std::string& URL);
    std::string CombineURL(const std::string& BaseURL, const std::string& RelativeURL);
    bool CompareURL(const std::string& URL1, const std::string& URL2, bool IgnoreSlashes);

private:
    bool FActive = false;
    std::string FProtocol;
};

// The process-wide table from scheme name to handler, with the registration of the
// schemes with the platform. Names are compared ignoring letter case.
class TInternetProtocolSupportSession {
public:
    explicit TInternetProtocolSupportSession(TProtocolPlatform* Platform = nullptr);
    ~TInternetProtocolSupportSession();
    TInternetProtocolSupportSession(const TInternetProtocolSupportSession&) = delete;
    TInternetProtocolSupportSession& operator=(const TInternetProtocolSupportSession&) = delete;

    void RegisterProtocol(const std::string& Name, TInternetProtocolSupport* Support);
    void UnregisterProtocol(const std::string& Name);
    TInternetProtocolSupport* FindProtocol(std::string_view Name) const;
    int Count() const noexcept { return FHandlers.Count(); }

    // The platform in use; none given means the built-in one. Replaced only while no
    // scheme is registered (the engine binding does it at program start).
    TProtocolPlatform& Platform() const noexcept { return *FPlatform; }
    void SetPlatform(TProtocolPlatform* Platform);
    // Whether the class factory and the internet session are held.
    bool HoldsPlatformReferences() const noexcept { return FHoldsReferences; }

private:
    void ReleaseReferences();

    // Non-owning, case-blind, sorted: scheme name to handler.
    TObjectDictionary<TInternetProtocolSupport> FHandlers{true, true, false};
    TProtocolPlatform FBuiltIn;
    TProtocolPlatform* FPlatform;
    bool FHoldsReferences = false;
};

// The protocol session of the process, created at program start.
TInternetProtocolSupportSession& ProtocolSession();

// Receives the protocol object's reports (IInternetProtocolSink).
class TInternetProtocolSink {
public:
    virtual ~TInternetProtocolSink() = default;
    virtual HRESULT ReportData(std::uint32_t Flags, std::uint32_t Progress, std::uint32_t ProgressMax) = 0;
    virtual HRESULT ReportResult(HRESULT Result, std::uint32_t Error, const char* Text) = 0;
};

// The response of one request: a growable block of memory read from the front.
class TResponseStream {
public:
    std::uint32_t Write(const void* Buffer, std::uint32_t Count);
    std::uint32_t Read(void* Buffer, std::uint32_t Count);
    void SeekToStart() noexcept { FPosition = 0; }
    std::uint32_t Size() const noexcept { return static_cast<std::uint32_t>(FData.size()); }

private:
    std::string FData;
    std::size_t FPosition = 0;
};

// The text parts of a URL: the scheme before the first ":" (empty without one) and
// at most 255 characters of what follows it.
struct TSplitURL {
    std::string Scheme;
    std::string Rest;
};
TSplitURL SplitURL(std::string_view URL);

// The error page that replaces a document whose production raised.
std::string ProtocolErrorPage(const std::string& URL, const std::string& Message);

// One request of the HTML engine. The engine calls Start, then Read until S_FALSE,
// then Terminate; the object serves exactly one URL.
class TCustomInternetProtocol {
public:
    TCustomInternetProtocol() = default;
    explicit TCustomInternetProtocol(TInternetProtocolSupportSession& Session) : FSession(&Session) {}
    virtual ~TCustomInternetProtocol() = default;

    // IInternetProtocolRoot
    HRESULT Start(std::string_view URL, TInternetProtocolSink* Sink, std::uint32_t BindFlags = 0,
                  std::uint32_t Reserved = 0);
    HRESULT Continue() { return S_OK; }
    HRESULT Abort(HRESULT /*Reason*/, std::uint32_t /*Options*/) { return S_OK; }
    HRESULT Terminate(std::uint32_t /*Options*/) { return S_OK; }
    HRESULT Suspend() { return S_OK; }
    HRESULT Resume() { return S_OK; }

    // IInternetProtocol
    HRESULT Read(void* Buffer, std::uint32_t Count, std::uint32_t& Read);
    HRESULT Seek(std::int64_t /*Offset*/, std::uint32_t /*Origin*/, std::uint64_t* /*NewPosition*/) {
        return S_OK;
    }
    HRESULT LockRequest(std::uint32_t /*Options*/) { return S_OK; }
    HRESULT UnlockRequest() { return S_OK; }

    // IInternetProtocolInfo. Result receives wide characters; ResultSize is its size
    // in characters.
    HRESULT ParseUrl() { return INET_E_DEFAULT_ACTION; }
    HRESULT CombineUrl(std::string_view BaseURL, std::string_view RelativeURL, std::uint32_t CombineFlags,
                       char16_t* Result, std::uint32_t ResultSize, std::uint32_t& Needed);
    HRESULT CompareUrl(std::string_view URL1, std::string_view URL2, std::uint32_t CompareFlags);
    HRESULT QueryInfo() { return INET_E_QUERYOPTION_UNKNOWN; }

    std::uint32_t TotalSize() const noexcept { return FTotalSize; }
    std::uint32_t Delivered() const noexcept { return FDelivered; }
    // True when Start served the error page instead of a document.
    bool ServedErrorPage() const noexcept { return FErrorPage; }

private:
    TInternetProtocolSupportSession& Session() const { return FSession ? *FSession : ProtocolSession(); }

    TInternetProtocolSupportSession* FSession = nullptr;
    std::unique_ptr<TResponseStream> FStream;
    std::uint32_t FTotalSize = 0;
    std::uint32_t FDelivered = 0;
    bool FErrorPage = false;
};
