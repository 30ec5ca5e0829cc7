// The "book:" protocol under urlmon: what an asynchronous binding receives, what it
// is refused, and the combination of relative addresses urlmon asks the protocol for.
#include "w_BookProtocol.h"
#include "w_Text.h"

// The book's store has a CreateFile of its own, which <windows.h> would rename.
#undef CreateFile
#include "common/cabinet_maker.h"
#include "u_Book.h"
#include "u_ReaderBook.h"
#include "u_ReaderSession.h"

#include <gtest/gtest.h>
#include <urlmon.h>

#include <map>
#include <set>
#include <stdexcept>
#include <vector>

namespace {

// The result of one binding as its callback saw it.
struct TBinding {
    HRESULT Status = E_PENDING;
    std::string MimeType;
    std::string Data;
    bool Stopped = false;
};

class TBindCallback final : public IBindStatusCallback {
public:
    explicit TBindCallback(TBinding& Result) : FResult(Result) {}

    STDMETHODIMP QueryInterface(REFIID Iid, void** Object) override {
        if (IsEqualIID(Iid, IID_IUnknown) || IsEqualIID(Iid, IID_IBindStatusCallback)) {
            *Object = this;
            AddRef();
            return S_OK;
        }
        *Object = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++FReferences; }
    STDMETHODIMP_(ULONG) Release() override {
        const ULONG left = --FReferences;
        if (!left)
            delete this;
        return left;
    }
    STDMETHODIMP OnStartBinding(DWORD, IBinding*) override { return S_OK; }
    STDMETHODIMP GetPriority(LONG*) override { return E_NOTIMPL; }
    STDMETHODIMP OnLowResource(DWORD) override { return S_OK; }
    STDMETHODIMP OnProgress(ULONG, ULONG, ULONG Status, LPCWSTR Text) override {
        if ((Status == BINDSTATUS_MIMETYPEAVAILABLE || Status == BINDSTATUS_VERIFIEDMIMETYPEAVAILABLE) &&
            Text)
            FResult.MimeType = Utf8(std::wstring_view(Text));
        return S_OK;
    }
    STDMETHODIMP OnStopBinding(HRESULT Status, LPCWSTR) override {
        FResult.Status = Status;
        FResult.Stopped = true;
        return S_OK;
    }
    STDMETHODIMP GetBindInfo(DWORD* Flags, BINDINFO* Info) override {
        *Flags = BINDF_ASYNCHRONOUS | BINDF_ASYNCSTORAGE | BINDF_PULLDATA | BINDF_NOWRITECACHE;
        const ULONG size = Info->cbSize;
        ZeroMemory(Info, size);
        Info->cbSize = size;
        return S_OK;
    }
    STDMETHODIMP OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM* Medium) override {
        if (!Medium || Medium->tymed != TYMED_ISTREAM)
            return S_OK;
        char buffer[512];
        ULONG read = 0;
        while (SUCCEEDED(Medium->pstm->Read(buffer, sizeof buffer, &read)) && read > 0)
            FResult.Data.append(buffer, read);
        return S_OK;
    }
    STDMETHODIMP OnObjectAvailable(REFIID, IUnknown*) override { return S_OK; }

private:
    ULONG FReferences = 1;
    TBinding& FResult;
};

// Binds Url asynchronously to a stream, as the engine does, and runs the message loop
// until the binding stops (with a guard against a binding that never ends).
TBinding Bind(const std::string& Url) {
    TBinding result;
    IMoniker* moniker = nullptr;
    HRESULT hr = CreateURLMonikerEx(nullptr, Wide(Url).c_str(), &moniker, URL_MK_UNIFORM);
    if (FAILED(hr)) {
        result.Status = hr;
        return result;
    }
    auto* callback = new TBindCallback(result);
    IBindCtx* context = nullptr;
    hr = CreateAsyncBindCtx(0, callback, nullptr, &context);
    if (SUCCEEDED(hr)) {
        IStream* stream = nullptr;
        hr = moniker->BindToStorage(context, nullptr, IID_IStream, reinterpret_cast<void**>(&stream));
        if (stream)
            stream->Release();
        if (FAILED(hr) && !result.Stopped) {
            result.Status = hr;
            result.Stopped = true;
        }
        const ULONGLONG giveUp = GetTickCount64() + 20000;
        while (!result.Stopped && GetTickCount64() < giveUp) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        }
        context->Release();
    }
    callback->Release();
    moniker->Release();
    return result;
}

// A small book behind the handler: pages by URL, one guarded until unlocked.
struct TFakeBook {
    std::map<std::string, TProtocolAnswer> Pages;
    std::set<std::string> Guarded;
    bool Unlocked = false;
    std::vector<std::string> Asked;

    TProtocolAnswer Answer(const std::string& Url) {
        Asked.push_back(Url);
        if (Url == "book:/throws.htm")
            throw std::runtime_error("damaged");
        TProtocolAnswer answer;
        const auto page = Pages.find(Url);
        if (page == Pages.end())
            return answer;
        answer = page->second;
        if (Guarded.count(Url) && !Unlocked) {
            answer.Status = TProtocolStatus::Refused;
            answer.Data = "<p>This page is protected by a password.</p>";
        }
        return answer;
    }
};

const std::string Picture("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\xff\x00", 18);

class BookProtocol : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        Book.Pages["book:/dir/one.htm"] = {TProtocolStatus::Ok, "text/html",
                                           "<html><head></head><body>One</body></html>"};
        Book.Pages["book:/a%20b/pic.png"] = {TProtocolStatus::Ok, "image/png", Picture};
        Book.Pages["book:/secret.htm"] = {TProtocolStatus::Ok, "text/html",
                                          "<p>The keeper's secret anchorage.</p>"};
        Book.Guarded.insert("book:/secret.htm");
        std::string error;
        ASSERT_TRUE(RegisterBookProtocol([this](const std::string& url) { return Book.Answer(url); }, error))
            << error;
    }
    void TearDown() override {
        UnregisterBookProtocol();
        CoUninitialize();
    }

    TFakeBook Book;
};

} // namespace

TEST_F(BookProtocol, AnAsynchronousBindingReceivesPagesAndPictures) {
    TBinding page = Bind("book:/dir/one.htm");
    ASSERT_TRUE(page.Stopped);
    EXPECT_EQ(page.Status, S_OK);
    EXPECT_EQ(page.MimeType, "text/html");
    // HTML pages ask for the engine's newest document mode.
    EXPECT_EQ(page.Data, "<html><head><meta http-equiv=\"X-UA-Compatible\" content=\"IE=edge\"></head>"
                         "<body>One</body></html>");

    TBinding picture = Bind("book:/a%20b/pic.png");
    EXPECT_EQ(picture.Status, S_OK);
    EXPECT_EQ(picture.MimeType, "image/png");
    EXPECT_EQ(picture.Data, Picture) << "bytes as they are, zeros included";
    EXPECT_EQ(Book.Asked.back(), "book:/a%20b/pic.png") << "the handler gets the URL as the engine gave it";
}

TEST_F(BookProtocol, GuardedPagesAndNamesOutsideTheBookGiveNoBytes) {
    TBinding guarded = Bind("book:/secret.htm");
    ASSERT_TRUE(guarded.Stopped);
    EXPECT_TRUE(FAILED(guarded.Status));
    EXPECT_EQ(guarded.Data, "") << "not even the notice";
    Book.Unlocked = true;
    guarded = Bind("book:/secret.htm");
    EXPECT_EQ(guarded.Status, S_OK);
    EXPECT_NE(guarded.Data.find("anchorage"), std::string::npos);

    for (const char* url : {"book:/missing.htm", "book:/throws.htm"}) {
        const TBinding missing = Bind(url);
        ASSERT_TRUE(missing.Stopped) << url;
        EXPECT_TRUE(FAILED(missing.Status)) << url;
        EXPECT_EQ(missing.Data, "") << url;
    }

    // Once unregistered, the scheme is nobody's.
    UnregisterBookProtocol();
    const size_t asked = Book.Asked.size();
    const TBinding gone = Bind("book:/dir/one.htm");
    EXPECT_TRUE(FAILED(gone.Status));
    EXPECT_EQ(gone.Data, "");
    EXPECT_EQ(Book.Asked.size(), asked);
}

TEST_F(BookProtocol, UrlmonCombinesAndParsesThroughTheProtocol) {
    const std::pair<const char*, const char*> cases[] = {
        {"two.htm", "book:/dir/two.htm"},
        {"../up.htm", "book:/up.htm"},
        {"../../../up.htm", "book:/up.htm"},
        {"sub/../x.htm?q=a b#f", "book:/dir/x.htm?q=a%20b#f"},
        {"#top", "book:/dir/one.htm?a=1#top"},
        {"?q=2", "book:/dir/one.htm?q=2"},
        {"/root.htm", "book:/root.htm"},
        {"..\\pics\\a.gif", "book:/pics/a.gif"},
        {"http://example.org/x", "http://example.org/x"},
    };
    for (const auto& [relative, expected] : cases) {
        wchar_t result[256] = {};
        DWORD length = 0;
        const HRESULT hr = CoInternetCombineUrl(L"book:/dir/one.htm?a=1", Wide(relative).c_str(), 0, result,
                                                256, &length, 0);
        EXPECT_EQ(hr, S_OK) << relative;
        EXPECT_EQ(Utf8(std::wstring_view(result)), expected) << relative;
        EXPECT_EQ(length, std::string(expected).size()) << relative;
    }
    // A buffer too small is said so, with the size needed.
    wchar_t small[4] = {};
    DWORD needed = 0;
    EXPECT_EQ(CoInternetCombineUrl(L"book:/dir/one.htm", L"two.htm", 0, small, 4, &needed, 0), S_FALSE);
    EXPECT_EQ(needed, 18u);

    // The book is one origin; a canonical URL has no dots left.
    wchar_t parsed[256] = {};
    DWORD length = 0;
    EXPECT_EQ(CoInternetParseUrl(L"book:/a/../b c.htm", PARSE_CANONICALIZE, 0, parsed, 256, &length, 0),
              S_OK);
    EXPECT_EQ(Utf8(std::wstring_view(parsed)), "book:/b%20c.htm");
    EXPECT_EQ(CoInternetParseUrl(L"book:/x/y.htm", PARSE_SECURITY_DOMAIN, 0, parsed, 256, &length, 0), S_OK);
    EXPECT_EQ(Utf8(std::wstring_view(parsed)), "book:/");

    DWORD value = 2, size = 0;
    EXPECT_EQ(CoInternetQueryInfo(L"book:/x.htm", QUERY_USES_NETWORK, 0, &value, sizeof value, &size, 0),
              S_OK);
    EXPECT_EQ(value, static_cast<DWORD>(FALSE));
    EXPECT_EQ(CoInternetQueryInfo(L"book:/x.htm", QUERY_IS_SECURE, 0, &value, sizeof value, &size, 0), S_OK);
    EXPECT_EQ(value, static_cast<DWORD>(TRUE));
}

namespace {

using cabmaker::FilesCabinet;

// A book of selected pages made in memory: its password is "abc".
TBookResources SelectedPagesBook() {
    TBookResources book;
    book.System = FilesCabinet({
        {"\\System.xml",
         "<System ApplicationTitle=\"Tides\" Variables=\"Variables.xml\" Story=\"Story.xml\"/>"},
        {"\\Decrypt.xml", BuildDecryptXml({TBookProtection::Selected, 0x40C6C4C2, {}})},
        {"\\Variables.xml", "<vars><var name=\"Harbour\">Port Ellis</var></vars>"},
        {"\\Story.xml",
         "<Story><item page=\"\\index.htm\" pagename=\"Cover\" searchable=True/>"
         "<item page=\"\\ch\\secret.htm\" pagename=\"Secret\" passwordprotection=True/></Story>"},
    });
    book.Pages =
        FilesCabinet({{"\\index.htm", "<html><head></head><body>Welcome to %{Harbour}.</body></html>"},
                      {"\\ch\\secret.htm", "<p>The keeper's secret anchorage.</p>"},
                      {"\\pics\\dot.png", Picture}});
    book.PagesSize = book.Pages.size();
    return book;
}

} // namespace

TEST(BookProtocolOnABook, TheReadingSessionAnswersThroughUrlmon) {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    TReaderBook book(SelectedPagesBook(), "tides.exe");
    TReaderSession session(book);
    std::string error;
    ASSERT_TRUE(
        RegisterBookProtocol([&](const std::string& url) { return AnswerBookRequest(session, url); }, error));

    TBinding page = Bind("book:/index.htm");
    EXPECT_EQ(page.Status, S_OK);
    EXPECT_EQ(page.MimeType, "text/html");
    EXPECT_NE(page.Data.find("Welcome to Port Ellis."), std::string::npos) << page.Data;
    page = Bind("book:/ch/../pics/DOT.png");
    EXPECT_EQ(page.MimeType, "image/png");
    EXPECT_EQ(page.Data, Picture);
    page = Bind("book:/?pagelamp=search&q=welcome");
    EXPECT_EQ(page.Status, S_OK);
    EXPECT_NE(page.Data.find(">Cover</a>"), std::string::npos) << page.Data;

    // The guarded page, before and after its password; a name outside the book.
    page = Bind("book:/ch/secret.htm");
    EXPECT_TRUE(FAILED(page.Status));
    EXPECT_EQ(page.Data, "");
    page = Bind("book:/ch/nothing.htm");
    EXPECT_TRUE(FAILED(page.Status));
    EXPECT_EQ(page.Data, "");
    ASSERT_TRUE(book.UnlockSelected("abc"));
    page = Bind("book:/ch/secret.htm");
    EXPECT_EQ(page.Status, S_OK);
    EXPECT_NE(page.Data.find("anchorage"), std::string::npos);

    UnregisterBookProtocol();
    CoUninitialize();
}
