#include "u_InternetProtocolSupport.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace {

// A platform that counts what the session asks of it and can be made to fail.
class TCountingPlatform : public TProtocolPlatform {
public:
    int FactoryFetches = 0, FactoryReleases = 0, SessionFetches = 0, SessionReleases = 0;
    HRESULT FactoryResult = S_OK, SessionResult = S_OK, RegisterResult = S_OK;
    std::vector<std::string> Registered, Unregistered;
    // Canonicalization override: 0 = built-in, otherwise this error code.
    std::uint32_t CanonicalizeError = 0;

    HRESULT GetClassFactory() override {
        ++FactoryFetches;
        return FactoryResult;
    }
    void ReleaseClassFactory() override { ++FactoryReleases; }
    HRESULT GetInternetSession() override {
        ++SessionFetches;
        return SessionResult;
    }
    void ReleaseInternetSession() override { ++SessionReleases; }
    HRESULT RegisterNameSpace(const std::string& Name) override {
        if (Failed(RegisterResult))
            return RegisterResult;
        Registered.push_back(Name);
        return TProtocolPlatform::RegisterNameSpace(Name);
    }
    HRESULT UnregisterNameSpace(const std::string& Name) override {
        Unregistered.push_back(Name);
        return TProtocolPlatform::UnregisterNameSpace(Name);
    }
    std::uint32_t CanonicalizeUrl(std::string_view Url, std::uint32_t BufferSize, std::uint32_t Flags,
                                  std::string& Canonical, std::uint32_t& Length) override {
        if (CanonicalizeError == ERROR_INSUFFICIENT_BUFFER) {
            Length = 999;
            return CanonicalizeError;
        }
        if (CanonicalizeError != 0)
            return CanonicalizeError;
        return TProtocolPlatform::CanonicalizeUrl(Url, BufferSize, Flags, Canonical, Length);
    }
};

class TRecordingSink : public TInternetProtocolSink {
public:
    int DataCalls = 0, ResultCalls = 0;
    std::uint32_t Flags = 0, Progress = 0, ProgressMax = 0;
    HRESULT ReportData(std::uint32_t f, std::uint32_t p, std::uint32_t m) override {
        ++DataCalls;
        Flags = f;
        Progress = p;
        ProgressMax = m;
        return S_OK;
    }
    HRESULT ReportResult(HRESULT Result, std::uint32_t, const char*) override {
        ++ResultCalls;
        EXPECT_EQ(Result, S_OK);
        return S_OK;
    }
};

class ProtocolTest : public ::testing::Test {
protected:
    void SetUp() override { ProtocolSession().SetPlatform(&Platform); }
    void TearDown() override { ProtocolSession().SetPlatform(nullptr); }

    // Serves URL through a fresh protocol object and returns the whole response.
    std::string Serve(const std::string& url, HRESULT* result = nullptr) {
        TCustomInternetProtocol protocol;
        TRecordingSink sink;
        const HRESULT hr = protocol.Start(url, &sink);
        if (result)
            *result = hr;
        std::string out;
        char buffer[7];
        std::uint32_t read = 0;
        HRESULT r;
        do {
            r = protocol.Read(buffer, sizeof buffer, read);
            out.append(buffer, read);
        } while (r == E_PENDING);
        return out;
    }

    TCountingPlatform Platform;
};

TEST_F(ProtocolTest, ActivationRegistersWithSessionAndPlatform) {
    TInternetProtocolSupport support;
    EXPECT_FALSE(support.Active());
    support.SetProtocol("mfs");
    support.SetActive(true);
    EXPECT_TRUE(support.Active());
    EXPECT_EQ(ProtocolSession().FindProtocol("mfs"), &support);
    EXPECT_EQ(ProtocolSession().FindProtocol("MFS"), &support);
    EXPECT_TRUE(Platform.IsNameSpaceRegistered("mfs"));

    // Changing the name unregisters the old scheme and does not reactivate.
    support.SetProtocol("other");
    EXPECT_FALSE(support.Active());
    EXPECT_EQ(ProtocolSession().FindProtocol("mfs"), nullptr);
    EXPECT_FALSE(Platform.IsNameSpaceRegistered("mfs"));
    EXPECT_EQ(ProtocolSession().FindProtocol("other"), nullptr);

    support.SetActive(true);
    {
        TInternetProtocolSupport second;
        second.SetProtocol("Second");
        second.SetActive(true);
        EXPECT_EQ(ProtocolSession().Count(), 2);
    }
    // Destruction unregisters.
    EXPECT_EQ(ProtocolSession().Count(), 1);
    EXPECT_FALSE(Platform.IsNameSpaceRegistered("second"));
}

TEST_F(ProtocolTest, EmptyProtocolRaisesAndStaysInactive) {
    TInternetProtocolSupport support;
    try {
        support.SetActive(true);
        FAIL() << "no exception";
    } catch (const EInternetProtocolSupportError& e) {
        EXPECT_EQ(e.Message(), "Protocol not set");
    }
    EXPECT_FALSE(support.Active());
    EXPECT_EQ(ProtocolSession().Count(), 0);
    EXPECT_FALSE(ProtocolSession().HoldsPlatformReferences());
    EXPECT_EQ(Platform.FactoryFetches, Platform.FactoryReleases);
}

TEST_F(ProtocolTest, PlatformReferencesHeldWhileAnySchemeIsRegistered) {
    auto a = std::make_unique<TInternetProtocolSupport>();
    auto b = std::make_unique<TInternetProtocolSupport>();
    a->SetProtocol("a");
    b->SetProtocol("b");
    a->SetActive(true);
    b->SetActive(true);
    EXPECT_EQ(Platform.FactoryFetches, 1);
    EXPECT_EQ(Platform.SessionFetches, 1);
    EXPECT_TRUE(ProtocolSession().HoldsPlatformReferences());
    a->SetActive(false);
    EXPECT_EQ(Platform.FactoryReleases, 0);
    b.reset();
    EXPECT_EQ(Platform.FactoryReleases, 1);
    EXPECT_EQ(Platform.SessionReleases, 1);
    EXPECT_FALSE(ProtocolSession().HoldsPlatformReferences());
    a->SetActive(true);
    EXPECT_EQ(Platform.FactoryFetches, 2);
    EXPECT_EQ(Platform.SessionFetches, 2);
}

TEST_F(ProtocolTest, PlatformFailuresRaiseItsErrorAndLeaveHandlerInactive) {
    TInternetProtocolSupport support;
    support.SetProtocol("mfs");
    Platform.FactoryResult = E_FAIL;
    try {
        support.SetActive(true);
        FAIL() << "no exception";
    } catch (const EOleSysError& e) {
        EXPECT_EQ(e.ErrorCode(), E_FAIL);
    }
    EXPECT_FALSE(support.Active());

    Platform.FactoryResult = S_OK;
    Platform.SessionResult = E_UNEXPECTED;
    EXPECT_THROW(support.SetActive(true), EOleSysError);
    // The factory fetched for the failed session is not kept (the failed fetch gave none).
    EXPECT_EQ(Platform.FactoryFetches, 2);
    EXPECT_EQ(Platform.FactoryReleases, 1);

    Platform.SessionResult = S_OK;
    Platform.RegisterResult = E_FAIL;
    EXPECT_THROW(support.SetActive(true), EOleSysError);
    EXPECT_FALSE(support.Active());
    EXPECT_EQ(ProtocolSession().FindProtocol("mfs"), nullptr);
    EXPECT_FALSE(ProtocolSession().HoldsPlatformReferences());

    Platform.RegisterResult = S_OK;
    support.SetActive(true);
    EXPECT_TRUE(support.Active());
}

TEST_F(ProtocolTest, SecondHandlerOfOneSchemeIsRefused) {
    TInternetProtocolSupport first, second;
    first.SetProtocol("mfs");
    second.SetProtocol("MFS");
    first.SetActive(true);
    try {
        second.SetActive(true);
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "TDictionary.Add - element \"MFS\" is already in collection");
    }
    EXPECT_FALSE(second.Active());
    EXPECT_EQ(Platform.Registered.size(), 1u); // the platform never saw the second one
    EXPECT_EQ(ProtocolSession().FindProtocol("mfs"), &first);
}

TEST_F(ProtocolTest, HandlerDispatchChecksItsEvents) {
    TInternetProtocolSupport support;
    try {
        support.GetData("x");
        FAIL();
    } catch (const EInternetProtocolSupportError& e) {
        EXPECT_EQ(e.Message(), "Property OnGetData not assigned");
    }
    try {
        support.CombineURL("a", "b");
        FAIL();
    } catch (const EInternetProtocolSupportError& e) {
        EXPECT_EQ(e.Message(), "Property OnCombineURL not assigned");
    }
    EXPECT_TRUE(support.CompareURL("\\Pages\\A.htm", "/pages/a.HTM", true));
    EXPECT_FALSE(support.CompareURL("\\Pages\\A.htm", "/pages/a.HTM", false));
    EXPECT_TRUE(support.CompareURL("\\Pages\\A.htm", "\\pages\\a.HTM", false));
    support.OnCompareURL = [](TInternetProtocolSupport&, const std::string&, const std::string&, bool,
                              bool& equal) { equal = true; };
    EXPECT_TRUE(support.CompareURL("a", "b", false));
}

TEST_F(ProtocolTest, SplitURLCutsTheRestAt255Characters) {
    EXPECT_EQ(SplitURL("mfs:\\a:b").Scheme, "mfs");
    EXPECT_EQ(SplitURL("mfs:\\a:b").Rest, "\\a:b");
    EXPECT_EQ(SplitURL("noscheme").Scheme, "");
    EXPECT_EQ(SplitURL("noscheme").Rest, "noscheme");
    const std::string longPath(300, 'x');
    EXPECT_EQ(SplitURL("mfs:" + longPath).Rest, std::string(255, 'x'));
    EXPECT_EQ(SplitURL(longPath).Rest, std::string(255, 'x'));
    // A character of several bytes is never cut in two.
    std::string accented;
    for (int i = 0; i < 300; ++i)
        accented += "\xC3\xA9";
    EXPECT_EQ(SplitURL("mfs:" + accented).Rest.size(), 510u);
}

class ServingTest : public ProtocolTest {
protected:
    void SetUp() override {
        ProtocolTest::SetUp();
        Support.SetProtocol("mfs");
        Support.OnGetData = [this](TInternetProtocolSupport&, const std::string& url, std::string& data) {
            Requests.push_back(url);
            EXPECT_TRUE(data.empty());
            if (url == "raise")
                throw Exception("It went <wrong>");
            if (url == "foreign")
                throw std::runtime_error(std::string(2000, 'z'));
            if (url == "empty")
                return;
            data = "<p>" + url + "</p>";
        };
        Support.SetActive(true);
    }
    TInternetProtocolSupport Support;
    std::vector<std::string> Requests;
};

TEST_F(ServingTest, UnknownSchemeGivesInvalidUrlAndNoReports) {
    TCustomInternetProtocol protocol;
    TRecordingSink sink;
    EXPECT_EQ(protocol.Start("http:\\x", &sink), INET_E_INVALID_URL);
    EXPECT_EQ(protocol.Start("nocolon", &sink), INET_E_INVALID_URL);
    EXPECT_EQ(sink.DataCalls + sink.ResultCalls, 0);
    EXPECT_TRUE(Requests.empty());
}

TEST_F(ServingTest, DocumentIsReportedWholeInStart) {
    TCustomInternetProtocol protocol;
    TRecordingSink sink;
    EXPECT_EQ(protocol.Start("MFS:\\a%20b%2Fc%20%41.htm", &sink), S_OK);
    ASSERT_EQ(Requests.size(), 1u);
    EXPECT_EQ(Requests[0], "\\a b%2Fc %41.htm"); // only %20 is decoded
    EXPECT_EQ(sink.DataCalls, 1);
    EXPECT_EQ(sink.ResultCalls, 1);
    EXPECT_EQ(sink.Flags, 13u);
    EXPECT_EQ(sink.Progress, protocol.TotalSize());
    EXPECT_EQ(sink.ProgressMax, protocol.TotalSize());
    EXPECT_EQ(Serve("mfs:x.htm"), "<p>x.htm</p>");
}

TEST_F(ServingTest, LongPathReachesHandlerCut) {
    Serve("mfs:" + std::string(400, 'p'));
    ASSERT_EQ(Requests.size(), 1u);
    EXPECT_EQ(Requests[0], std::string(255, 'p'));
}

TEST_F(ServingTest, RaisingHandlerGivesErrorPageWithSuccess) {
    HRESULT hr = E_FAIL;
    EXPECT_EQ(Serve("mfs:ra%20ise", &hr), "<p>ra ise</p>");
    const std::string page = Serve("mfs:raise", &hr);
    EXPECT_EQ(hr, S_OK);
    EXPECT_EQ(page,
              "<html><pre><p>An exception occured during attempt to get data</p><p>URL: <b>raise</b></p>"
              "<p>Exception: <b>It went <wrong></b></p></html>");

    const std::string foreign = Serve("mfs:foreign", &hr);
    EXPECT_EQ(hr, S_OK);
    EXPECT_NE(foreign.find("<b>" + std::string(1023, 'z') + "</b>"), std::string::npos);
    EXPECT_EQ(foreign.find(std::string(1024, 'z')), std::string::npos);

    Support.OnGetData = nullptr;
    EXPECT_NE(Serve("mfs:x").find("Property OnGetData not assigned"), std::string::npos);
}

TEST_F(ServingTest, EmptyDocumentBecomesOneBlank) {
    TCustomInternetProtocol protocol;
    EXPECT_EQ(protocol.Start("mfs:empty", nullptr), S_OK);
    EXPECT_EQ(protocol.TotalSize(), 1u);
    char c = 0;
    std::uint32_t read = 0;
    EXPECT_EQ(protocol.Read(&c, 1, read), S_FALSE);
    EXPECT_EQ(read, 1u);
    EXPECT_EQ(c, ' ');
}

TEST_F(ServingTest, ReadReportsPendingUntilEverythingIsDelivered) {
    Support.OnGetData = [](TInternetProtocolSupport&, const std::string&, std::string& data) {
        data = "0123456789";
    };
    TCustomInternetProtocol protocol;
    ASSERT_EQ(protocol.Start("mfs:x", nullptr), S_OK);
    char buffer[4];
    std::uint32_t read = 0;
    EXPECT_EQ(protocol.Read(buffer, 4, read), E_PENDING);
    EXPECT_EQ(read, 4u);
    EXPECT_EQ(protocol.Read(buffer, 4, read), E_PENDING);
    EXPECT_EQ(read, 4u);
    EXPECT_EQ(protocol.Read(buffer, 4, read), S_FALSE);
    EXPECT_EQ(read, 2u);
    EXPECT_EQ(std::string(buffer, 2), "89");
    EXPECT_EQ(protocol.Delivered(), 10u);
    EXPECT_EQ(protocol.Read(buffer, 4, read), S_FALSE);
    EXPECT_EQ(read, 0u);
}

class CombineTest : public ServingTest {
protected:
    void SetUp() override {
        ServingTest::SetUp();
        Support.OnCombineURL = [](TInternetProtocolSupport&, const std::string& base, const std::string& rel,
                                  std::string& result) { result = base + "|" + rel; };
    }
    std::string Combine(const std::string& base, const std::string& rel, HRESULT expect = S_OK) {
        char16_t buffer[512];
        std::uint32_t needed = 0;
        EXPECT_EQ(Protocol.CombineUrl(base, rel, 0, buffer, 512, needed), expect);
        return std::string(buffer, buffer + needed); // ASCII in these tests
    }
    TCustomInternetProtocol Protocol;
};

TEST_F(CombineTest, JoinsAcrossSchemes) {
    EXPECT_EQ(Combine("mfs:\\pages\\index.htm", "http://x/a b.png"), "http://x/a%20b.png");
    EXPECT_EQ(Combine("mfs:\\p\\i.htm", "a b.png"), "mfs:\\p\\i.htm|a%20b.png");
    EXPECT_EQ(Combine("mfs:\\p\\i.htm", "MFS:x.png"), "mfs:\\p\\i.htm|x.png");
    // No handler for the base: the relative URL as given, not cut.
    const std::string longRel = "q" + std::string(300, 'r');
    EXPECT_EQ(Combine("none:x", longRel), longRel);
}

TEST_F(CombineTest, BufferRuleAsksForRoomOfTheTerminator) {
    const std::string joined = "mfs:b|r"; // length 7
    char16_t buffer[16];
    std::uint32_t needed = 0;
    EXPECT_EQ(Protocol.CombineUrl("mfs:b", "r", 0, buffer, 7, needed), S_FALSE);
    EXPECT_EQ(needed, 8u);
    EXPECT_EQ(Protocol.CombineUrl("mfs:b", "r", 0, buffer, 3, needed), S_FALSE);
    EXPECT_EQ(needed, 8u);
    EXPECT_EQ(Protocol.CombineUrl("mfs:b", "r", 0, buffer, 8, needed), S_OK);
    EXPECT_EQ(needed, 7u);
    EXPECT_EQ(std::u16string(buffer), u"mfs:b|r");

    // The platform's own length on a too small buffer; the joined URL as it is on
    // another failure.
    Platform.CanonicalizeError = ERROR_INSUFFICIENT_BUFFER;
    EXPECT_EQ(Protocol.CombineUrl("mfs:b", "r", 0, buffer, 16, needed), S_FALSE);
    EXPECT_EQ(needed, 999u);
    Platform.CanonicalizeError = ERROR_INVALID_PARAMETER;
    EXPECT_EQ(Protocol.CombineUrl("mfs:b", "r x", 0, buffer, 16, needed), S_OK);
    EXPECT_EQ(std::u16string(buffer), u"mfs:b|r x");
    EXPECT_EQ(Protocol.CombineUrl("mfs:b", "r x", 0, buffer, 9, needed), S_FALSE);
    EXPECT_EQ(needed, 10u);
}

TEST_F(CombineTest, HandlerWithoutCombineEventFails) {
    Support.OnCombineURL = nullptr;
    char16_t buffer[16];
    std::uint32_t needed = 0;
    EXPECT_EQ(Protocol.CombineUrl("mfs:b", "r", 0, buffer, 16, needed), E_FAIL);
}

TEST_F(ServingTest, CompareUrlNeedsSameSchemeAndHandler) {
    TCustomInternetProtocol protocol;
    EXPECT_EQ(protocol.CompareUrl("mfs:\\Pages\\A.htm", "MFS:/pages/a.htm", 1), S_OK);
    EXPECT_EQ(protocol.CompareUrl("mfs:\\Pages\\A.htm", "MFS:/pages/a.htm", 0), S_FALSE);
    EXPECT_EQ(protocol.CompareUrl("mfs:\\a.htm", "mfs:\\A.HTM", 0), S_OK);
    EXPECT_EQ(protocol.CompareUrl("mfs:a", "other:a", 1), S_FALSE);
    EXPECT_EQ(protocol.CompareUrl("none:a", "none:a", 1), S_FALSE);
}

TEST(Canonicalize, EncodesBlanksAndKeepsOpaquePaths) {
    EXPECT_EQ(CanonicalizeUrlText("mfs:\\a b\\..\\c.htm", 0), "mfs:\\a%20b\\..\\c.htm");
    EXPECT_EQ(CanonicalizeUrlText("http://h/a/./b/../c d", 0), "http://h/a/c%20d");
    EXPECT_EQ(CanonicalizeUrlText("http://h/a/../b", ICU_NO_META), "http://h/a/../b");
    EXPECT_EQ(CanonicalizeUrlText("mfs:a%20b c", ICU_DECODE), "mfs:a%20b%20c");
    EXPECT_EQ(CanonicalizeUrlText("mfs:a b", ICU_NO_ENCODE), "mfs:a b");
    EXPECT_EQ(CanonicalizeUrlText("mfs:a b?c d", ICU_BROWSER_MODE), "mfs:a%20b?c d");
    EXPECT_EQ(CanonicalizeUrlText("mfs:a\tb%", ICU_ENCODE_SPACES_ONLY), "mfs:a\tb%");
    EXPECT_EQ(CanonicalizeUrlText("mfs:%", ICU_ENCODE_PERCENT), "mfs:%25");
    EXPECT_EQ(CanonicalizeUrlText("mfs:\xC3\xA9", 0), "mfs:\xC3\xA9"); // names stay findable
}

} // namespace
