#include "u_InternetProtocolSupport.h"

#include "u_CaseBlind.h"
#include "u_PathSegments.h"

#include "u_TextUtils.h"
#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

const char* const CustomInternetProtocolClassID = "{C96D6BA7-6A8E-47F3-8B0F-993EDC457B65}";
const char* const CustomInternetProtocolClassName = "CustomInternetProtocol";

namespace {

// Text table of this unit.
const char* const SProtocolNotSet = "Protocol not set";
const char* const SOnGetDataNotAssigned = "Property OnGetData not assigned";
const char* const SOnCombineURLNotAssigned = "Property OnCombineURL not assigned";
const char* const SErrorPage = "<html><pre><p>An exception occured during attempt to get data</p>"
                               "<p>URL: <b>%s</b></p><p>Exception: <b>%s</b></p></html>";
const char* const SOleError = "OLE error %.8X";
const char* const SUnknownException = "Unknown exception";

// The longest rest of a URL after its scheme that reaches a handler.
constexpr std::size_t MaxURLRest = 255;
// The longest description of a foreign exception on the error page.
constexpr std::size_t MaxForeignMessage = 1023;

// Byte count of the first Count characters of UTF-8 text (a character being a code
// point; a byte that starts no valid sequence counts as one character).
std::size_t PrefixOfCharacters(std::string_view text, std::size_t count) {
    std::size_t pos = 0;
    for (std::size_t n = 0; n < count && pos < text.size(); ++n) {
        const auto lead = static_cast<unsigned char>(text[pos]);
        std::size_t len = lead < 0x80           ? 1
                          : (lead >> 5) == 0x6  ? 2
                          : (lead >> 4) == 0xE  ? 3
                          : (lead >> 3) == 0x1E ? 4
                                                : 1;
        if (pos + len > text.size())
            len = 1;
        for (std::size_t i = 1; i < len; ++i)
            if ((static_cast<unsigned char>(text[pos + i]) & 0xC0) != 0x80) {
                len = 1;
                break;
            }
        pos += len;
    }
    return pos;
}

std::string DecodeEscapes(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            const int hi = HexDigitValue(text[i + 1]), lo = HexDigitValue(text[i + 2]);
            if (hi >= 0 && lo >= 0) {
                out += static_cast<char>(hi * 16 + lo);
                i += 2;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

// Removes the "." and ".." segments of a "/"-separated path (RFC 3986, 5.2.4).
std::string RemoveDotSegments(std::string_view path) {
    const bool absolute = !path.empty() && path.front() == '/';
    if (absolute)
        path.remove_prefix(1);
    TPathSegments segments;
    CollapsePathSegments(path, "/", false, TDotDotAtTop::Stay, segments);
    std::string out = (absolute ? "/" : "") + JoinPathSegments(segments.Parts, '/');
    if (segments.EndsInFolder && !segments.Parts.empty())
        out += '/';
    return out;
}

// UTF-8 to UTF-16; an invalid byte becomes the code unit of its value.
std::u16string WideText(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t len = PrefixOfCharacters(text.substr(pos), 1);
        const auto lead = static_cast<unsigned char>(text[pos]);
        char32_t cp = lead;
        if (len == 2)
            cp = ((lead & 0x1Fu) << 6) | (static_cast<unsigned char>(text[pos + 1]) & 0x3Fu);
        else if (len == 3)
            cp = ((lead & 0x0Fu) << 12) | ((static_cast<unsigned char>(text[pos + 1]) & 0x3Fu) << 6) |
                 (static_cast<unsigned char>(text[pos + 2]) & 0x3Fu);
        else if (len == 4)
            cp = ((lead & 0x07u) << 18) | ((static_cast<unsigned char>(text[pos + 1]) & 0x3Fu) << 12) |
                 ((static_cast<unsigned char>(text[pos + 2]) & 0x3Fu) << 6) |
                 (static_cast<unsigned char>(text[pos + 3]) & 0x3Fu);
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
        pos += len;
    }
    return out;
}

} // namespace

// ---------------------------------------------------------------------------------------
// Platform

EOleSysError::EOleSysError(HRESULT code)
    : Exception(Format(SOleError, static_cast<unsigned>(code))), FCode(code) {}

HRESULT TProtocolPlatform::RegisterNameSpace(const std::string& Name) {
    FNameSpaces.insert(CaseBlindKey(Name));
    return S_OK;
}

HRESULT TProtocolPlatform::UnregisterNameSpace(const std::string& Name) {
    FNameSpaces.erase(CaseBlindKey(Name));
    return S_OK;
}

bool TProtocolPlatform::IsNameSpaceRegistered(const std::string& Name) const {
    return FNameSpaces.count(CaseBlindKey(Name)) != 0;
}

std::uint32_t TProtocolPlatform::CanonicalizeUrl(std::string_view Url, std::uint32_t BufferSize,
                                                 std::uint32_t Flags, std::string& Canonical,
                                                 std::uint32_t& Length) {
    Canonical = CanonicalizeUrlText(Url, Flags);
    const auto length = static_cast<std::uint32_t>(Canonical.size());
    if (static_cast<std::uint64_t>(length) + 1 > BufferSize) {
        Length = length + 1;
        Canonical.clear();
        return ERROR_INSUFFICIENT_BUFFER;
    }
    Length = length;
    return ERROR_SUCCESS;
}

std::string CanonicalizeUrlText(std::string_view Url, std::uint32_t Flags) {
    std::string url = (Flags & ICU_DECODE) ? DecodeEscapes(Url) : std::string(Url);

    // Hierarchical URLs: drop the dot segments of the path.
    const std::size_t colon = url.find(':');
    if (!(Flags & ICU_NO_META) && colon != std::string::npos && url.compare(colon + 1, 2, "//") == 0) {
        const std::size_t authorityEnd = url.find_first_of("/?#", colon + 3);
        if (authorityEnd != std::string::npos && url[authorityEnd] == '/') {
            const std::size_t pathEnd = std::min(url.find_first_of("?#", authorityEnd), url.size());
            url = url.substr(0, authorityEnd) +
                  RemoveDotSegments(url.substr(authorityEnd, pathEnd - authorityEnd)) + url.substr(pathEnd);
        }
    }

    if (Flags & ICU_NO_ENCODE)
        return url;
    std::string out;
    out.reserve(url.size());
    bool encoding = true;
    for (char ch : url) {
        const auto c = static_cast<unsigned char>(ch);
        if ((Flags & ICU_BROWSER_MODE) && (ch == '#' || ch == '?'))
            encoding = false;
        bool escape = false;
        if (encoding) {
            if (Flags & ICU_ENCODE_SPACES_ONLY)
                escape = ch == ' ';
            else
                escape = c <= 0x20 || c == 0x7F || (ch == '%' && (Flags & ICU_ENCODE_PERCENT));
        }
        if (escape)
            out += Format("%%%.2X", static_cast<unsigned>(c));
        else
            out += ch;
    }
    return out;
}

// ---------------------------------------------------------------------------------------
// Handler

TInternetProtocolSupport::~TInternetProtocolSupport() {
    try {
        SetActive(false);
    } catch (...) {
        // Unregistering ignores the platform's answer; nothing else can fail here.
    }
}

void TInternetProtocolSupport::SetActive(bool Value) {
    if (Value == FActive)
        return;
    if (Value)
        ProtocolSession().RegisterProtocol(FProtocol, this);
    else
        ProtocolSession().UnregisterProtocol(FProtocol);
    FActive = Value;
}

void TInternetProtocolSupport::SetProtocol(const std::string& Value) {
    SetActive(false);
    FProtocol = Value;
}

std::string TInternetProtocolSupport::GetData(const std::string& URL) {
    if (!OnGetData)
        throw EInternetProtocolSupportError(SOnGetDataNotAssigned);
    std::string result;
    OnGetData(*this, URL, result);
    return result;
}

std::string TInternetProtocolSupport::CombineURL(const std::string& BaseURL, const std::string& RelativeURL) {
    if (!OnCombineURL)
        throw EInternetProtocolSupportError(SOnCombineURLNotAssigned);
    std::string result;
    OnCombineURL(*this, BaseURL, RelativeURL, result);
    return result;
}

bool TInternetProtocolSupport::CompareURL(const std::string& URL1, const std::string& URL2,
                                          bool IgnoreSlashes) {
    if (OnCompareURL) {
        bool equal = false;
        OnCompareURL(*this, URL1, URL2, IgnoreSlashes, equal);
        return equal;
    }
    if (IgnoreSlashes) {
        std::string a = URL1, b = URL2;
        std::replace(a.begin(), a.end(), '\\', '/');
        std::replace(b.begin(), b.end(), '\\', '/');
        return SameTextCaseBlind(a, b);
    }
    return SameTextCaseBlind(URL1, URL2);
}

// ---------------------------------------------------------------------------------------
// Session

TInternetProtocolSupportSession::TInternetProtocolSupportSession(TProtocolPlatform* Platform)
    : FPlatform(Platform ? Platform : &FBuiltIn) {}

TInternetProtocolSupportSession::~TInternetProtocolSupportSession() {
    ReleaseReferences();
}

void TInternetProtocolSupportSession::SetPlatform(TProtocolPlatform* Platform) {
    ReleaseReferences();
    FPlatform = Platform ? Platform : &FBuiltIn;
}

void TInternetProtocolSupportSession::ReleaseReferences() {
    if (!FHoldsReferences)
        return;
    FHoldsReferences = false;
    FPlatform->ReleaseClassFactory();
    FPlatform->ReleaseInternetSession();
}

void TInternetProtocolSupportSession::RegisterProtocol(const std::string& Name,
                                                       TInternetProtocolSupport* Support) {
    if (FHandlers.Count() == 0 && !FHoldsReferences) {
        HRESULT hr = FPlatform->GetClassFactory();
        if (Failed(hr))
            throw EOleSysError(hr);
        hr = FPlatform->GetInternetSession();
        if (Failed(hr)) {
            FPlatform->ReleaseClassFactory();
            throw EOleSysError(hr);
        }
        FHoldsReferences = true;
    }
    try {
        if (Name.empty())
            throw EInternetProtocolSupportError(SProtocolNotSet);
        // A name in use is refused before the platform hears of it, so that the
        // platform never holds a second registration of the scheme.
        if (FHandlers.Exists(Name))
            throw EDictionaryError(Format(SDictionaryDuplicateKey, "TDictionary.Add", Name));
        const HRESULT hr = FPlatform->RegisterNameSpace(Name);
        if (Failed(hr))
            throw EOleSysError(hr);
        FHandlers.Add(Name, Support);
    } catch (...) {
        // References are held exactly while some scheme is registered.
        if (FHandlers.Count() == 0)
            ReleaseReferences();
        throw;
    }
}

void TInternetProtocolSupportSession::UnregisterProtocol(const std::string& Name) {
    FHandlers.Delete(Name);
    FPlatform->UnregisterNameSpace(Name);
    if (FHandlers.Count() == 0)
        ReleaseReferences();
}

TInternetProtocolSupport* TInternetProtocolSupportSession::FindProtocol(std::string_view Name) const {
    return FHandlers.Find(Name);
}

TInternetProtocolSupportSession& ProtocolSession() {
    static TInternetProtocolSupportSession session;
    return session;
}

// ---------------------------------------------------------------------------------------
// Request

std::uint32_t TResponseStream::Write(const void* Buffer, std::uint32_t Count) {
    if (FPosition > FData.size())
        FPosition = FData.size();
    const std::size_t end = FPosition + Count;
    if (end > FData.size())
        FData.resize(end);
    if (Count > 0)
        std::memcpy(FData.data() + FPosition, Buffer, Count);
    FPosition = end;
    return Count;
}

std::uint32_t TResponseStream::Read(void* Buffer, std::uint32_t Count) {
    const std::size_t available = FPosition < FData.size() ? FData.size() - FPosition : 0;
    const auto n = static_cast<std::uint32_t>(std::min<std::size_t>(available, Count));
    if (n > 0)
        std::memcpy(Buffer, FData.data() + FPosition, n);
    FPosition += n;
    return n;
}

TSplitURL SplitURL(std::string_view URL) {
    TSplitURL result;
    const std::size_t colon = URL.find(':');
    std::string_view rest = URL;
    if (colon != std::string_view::npos) {
        result.Scheme = std::string(URL.substr(0, colon));
        rest = URL.substr(colon + 1);
    }
    result.Rest = std::string(rest.substr(0, PrefixOfCharacters(rest, MaxURLRest)));
    return result;
}

std::string ProtocolErrorPage(const std::string& URL, const std::string& Message) {
    return Format(SErrorPage, URL, Message);
}

HRESULT TCustomInternetProtocol::Start(std::string_view URL, TInternetProtocolSink* Sink, std::uint32_t,
                                       std::uint32_t) {
    FTotalSize = 0;
    FDelivered = 0;
    FErrorPage = false;
    FStream.reset();

    TSplitURL split = SplitURL(URL);
    split.Rest = ReplaceAll(std::move(split.Rest), "%20", " ");
    TInternetProtocolSupport* support = Session().FindProtocol(split.Scheme);
    if (!support)
        return INET_E_INVALID_URL;

    std::string document;
    try {
        document = support->GetData(split.Rest);
    } catch (const Exception& e) {
        document = ProtocolErrorPage(split.Rest, e.Message());
        FErrorPage = true;
    } catch (const std::exception& e) {
        std::string message = e.what();
        message.resize(PrefixOfCharacters(message, MaxForeignMessage));
        document = ProtocolErrorPage(split.Rest, message);
        FErrorPage = true;
    } catch (...) {
        document = ProtocolErrorPage(split.Rest, SUnknownException);
        FErrorPage = true;
    }
    if (document.empty())
        document = " ";

    try {
        if (document.size() > 0xFFFFFFFFu)
            throw std::bad_alloc();
        auto stream = std::make_unique<TResponseStream>();
        stream->Write(document.data(), static_cast<std::uint32_t>(document.size()));
        FTotalSize = stream->Size();
        stream->SeekToStart();
        FStream = std::move(stream);
        if (Sink) {
            Sink->ReportData(BSCF_FIRSTDATANOTIFICATION | BSCF_LASTDATANOTIFICATION | BSCF_DATAFULLYAVAILABLE,
                             FTotalSize, FTotalSize);
            Sink->ReportResult(S_OK, 0, nullptr);
        }
    } catch (...) {
        return INET_E_CANNOT_LOAD_DATA;
    }
    return S_OK;
}

HRESULT TCustomInternetProtocol::Read(void* Buffer, std::uint32_t Count, std::uint32_t& Read) {
    Read = FStream ? FStream->Read(Buffer, Count) : 0;
    FDelivered += Read;
    return FDelivered == FTotalSize ? S_FALSE : E_PENDING;
}

HRESULT TCustomInternetProtocol::CombineUrl(std::string_view BaseURL, std::string_view RelativeURL,
                                            std::uint32_t CombineFlags, char16_t* Result,
                                            std::uint32_t ResultSize, std::uint32_t& Needed) {
    Needed = 0;
    std::string joined;
    try {
        const TSplitURL base = SplitURL(BaseURL);
        const TSplitURL relative = SplitURL(RelativeURL);
        TInternetProtocolSupport* support = Session().FindProtocol(base.Scheme);
        const bool otherScheme = !relative.Scheme.empty() && !SameTextCaseBlind(relative.Scheme, base.Scheme);
        if (otherScheme || !support)
            joined = std::string(RelativeURL);
        else
            joined = base.Scheme + ":" + support->CombineURL(base.Rest, relative.Rest);
    } catch (...) {
        // The engine cannot take an exception; a handler that raises gives a failure.
        return E_FAIL;
    }

    std::string canonical;
    std::uint32_t length = 0;
    const std::uint32_t error = Session().Platform().CanonicalizeUrl(
        joined, ResultSize == 0xFFFFFFFFu ? ResultSize : ResultSize + 1, CombineFlags, canonical, length);
    if (error == ERROR_INSUFFICIENT_BUFFER) {
        Needed = length;
        return S_FALSE;
    }
    if (error != ERROR_SUCCESS) {
        canonical = joined;
        length = static_cast<std::uint32_t>(joined.size());
    }
    if (static_cast<std::uint64_t>(length) + 1 > ResultSize) {
        Needed = length + 1;
        return S_FALSE;
    }
    Needed = length;
    // The wide form has at most as many characters as the 8-bit one, so it and its
    // terminator fit.
    const std::u16string wide = WideText(canonical.substr(0, length));
    if (Result) {
        std::copy(wide.begin(), wide.end(), Result);
        Result[wide.size()] = u'\0';
    }
    return S_OK;
}

HRESULT TCustomInternetProtocol::CompareUrl(std::string_view URL1, std::string_view URL2,
                                            std::uint32_t CompareFlags) {
    try {
        const TSplitURL a = SplitURL(URL1);
        const TSplitURL b = SplitURL(URL2);
        if (!SameTextCaseBlind(a.Scheme, b.Scheme))
            return S_FALSE;
        TInternetProtocolSupport* support = Session().FindProtocol(a.Scheme);
        if (!support)
            return S_FALSE;
        return support->CompareURL(a.Rest, b.Rest, CompareFlags != 0) ? S_OK : S_FALSE;
    } catch (...) {
        return E_FAIL;
    }
}
