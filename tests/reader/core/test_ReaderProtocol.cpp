// What the HTML engine of either reader is given for a "book:" URL, the combination of
// relative addresses, the MIME types of the book's files and the document mode
// declaration of the Windows engine.
#include "u_ReaderProtocol.h"

#include <gtest/gtest.h>

// Books compiled by the compiler, which the Windows build of the core has not.
#ifndef _WIN32
#include "reader_books.h"
#include "u_ReaderBook.h"
#include "u_ReaderSession.h"
#endif

TEST(ReaderProtocol, CombinesRelativeAddressesLikeTheEngine) {
    const std::string base = "book:/dir/one.htm?a=1#f";
    const std::pair<const char*, const char*> cases[] = {
        {"two.htm", "book:/dir/two.htm"},
        {"../two.htm", "book:/two.htm"},
        {"../../../two.htm", "book:/two.htm"}, // never above the book's root
        {"sub/./x/../a.htm?x=1#g", "book:/dir/sub/a.htm?x=1#g"},
        {"?q=2", "book:/dir/one.htm?q=2"},
        {"#top", "book:/dir/one.htm?a=1#top"},
        {"", "book:/dir/one.htm?a=1"},
        {"/root.htm", "book:/root.htm"},
        {"\\pics\\..\\b.htm", "book:/b.htm"},
        {"..\\pics\\a.gif", "book:/pics/a.gif"},
        {".", "book:/dir/"},
        {"..", "book:/"},
        {"sub/", "book:/dir/sub/"},
        {"a b.htm?x=a b#c d", "book:/dir/a%20b.htm?x=a%20b#c%20d"},
        {"a%20b.htm", "book:/dir/a%20b.htm"}, // escapes stay as written
        {"caf\xC3\xA9.htm", "book:/dir/caf%C3%A9.htm"},
        {"  two.htm\n", "book:/dir/two.htm"},
        {"BOOK:/x/../y.htm", "book:/y.htm"},
        {"book:z.htm", "book:/z.htm"},
        {"http://example.org/a/../b", "http://example.org/a/../b"},
        {"mailto:keeper@example.org", "mailto:keeper@example.org"},
        {"javascript:void(0)", "javascript:void(0)"},
    };
    for (const auto& [relative, expected] : cases)
        EXPECT_EQ(CombineBookUrl(base, relative), expected) << relative;
    // A base without a path or with backslashes.
    EXPECT_EQ(CombineBookUrl("book:", "a.htm"), "book:/a.htm");
    EXPECT_EQ(CombineBookUrl("book:\\d\\p.htm", "q.htm"), "book:/d/q.htm");
    EXPECT_EQ(CombineBookUrl("book:/d/", "q.htm"), "book:/d/q.htm");
}

TEST(ReaderProtocol, MimeTypesByNameThenByContent) {
    EXPECT_EQ(BookFileMimeType("a.htm", "plain words"), "text/html");
    EXPECT_EQ(BookFileMimeType("A.HTML", ""), "text/html");
    EXPECT_EQ(BookFileMimeType("style.CSS", "p{}"), "text/css");
    EXPECT_EQ(BookFileMimeType("s.js", "var a;"), "application/javascript");
    EXPECT_EQ(BookFileMimeType("dot.png", "GIF89a"), "image/png") << "the name wins";
    EXPECT_EQ(BookFileMimeType("x.jpeg", ""), "image/jpeg");
    EXPECT_EQ(BookFileMimeType("i.ico", ""), "image/vnd.microsoft.icon");
    EXPECT_EQ(BookFileMimeType("f.woff2", ""), "font/woff2");
    // Without a known name, the first bytes.
    EXPECT_EQ(BookFileMimeType("noext", std::string("\x89PNG\r\n\x1a\nrest", 12)), "image/png");
    EXPECT_EQ(BookFileMimeType("a.dat", "GIF87a...."), "image/gif");
    EXPECT_EQ(BookFileMimeType("a.dat", "\xFF\xD8\xFF\xE0"), "image/jpeg");
    EXPECT_EQ(BookFileMimeType("page", "\xEF\xBB\xBF \r\n<!DOCTYPE html><html>"), "text/html");
    EXPECT_EQ(BookFileMimeType("pic", "<?xml version=\"1.0\"?><svg/>"), "image/svg+xml");
    EXPECT_EQ(BookFileMimeType("notes", "just words\r\n"), "text/plain");
    EXPECT_EQ(BookFileMimeType("blob", std::string("\x01\x02\x00\x03", 4)), "application/octet-stream");
    EXPECT_EQ(BookFileMimeType("htm", "x"), "text/plain") << "a name that is only an extension's letters";
}

TEST(ReaderProtocol, DeclaresTheNewestDocumentMode) {
    const std::string meta = "<meta http-equiv=\"X-UA-Compatible\" content=\"IE=edge\">";
    EXPECT_EQ(WithStandardsMode("<!DOCTYPE html><HTML><Head lang=en><title>T</title></head></HTML>"),
              "<!DOCTYPE html><HTML><Head lang=en>" + meta + "<title>T</title></head></HTML>");
    EXPECT_EQ(WithStandardsMode("<html><header>x</header></html>"),
              "<html>" + meta + "<header>x</header></html>");
    EXPECT_EQ(WithStandardsMode("<!doctype html>\n<p>x"), "<!doctype html>" + meta + "\n<p>x");
    EXPECT_EQ(WithStandardsMode("\xEF\xBB\xBF<p>x"), "\xEF\xBB\xBF" + meta + "<p>x");
    EXPECT_EQ(WithStandardsMode(""), meta);
    const std::string own =
        "<html><head><META HTTP-EQUIV=\"x-ua-compatible\" CONTENT=\"IE=8\"></head></html>";
    EXPECT_EQ(WithStandardsMode(own), own) << "a page's own choice stays";
}

TEST(ReaderProtocol, WhatTheEngineMayLoad) {
    const std::pair<const char*, TEngineUrlKind> cases[] = {
        {"book:/index.htm", TEngineUrlKind::Book},
        {"BOOK:/a.htm", TEngineUrlKind::Book},
        {"https://example.org/", TEngineUrlKind::Web},
        {"HTTP://example.org/", TEngineUrlKind::Web},
        {"about:blank", TEngineUrlKind::Engine},
        {"javascript:go()", TEngineUrlKind::Engine},
        {"res://ieframe.dll/navcancl.htm", TEngineUrlKind::Engine},
        {"file:///C:/Windows/win.ini", TEngineUrlKind::Refused},
        {"C:\\Windows\\win.ini", TEngineUrlKind::Refused},
        {"\\\\server\\share\\a.htm", TEngineUrlKind::Refused},
        {"mailto:keeper@example.org",
         TEngineUrlKind::Refused}, // the reader hands it on, the engine never loads it
        {"ms-settings:", TEngineUrlKind::Refused},
        {"bookx:/a.htm", TEngineUrlKind::Refused},
        {"", TEngineUrlKind::Refused},
    };
    for (const auto& [url, kind] : cases)
        EXPECT_EQ(EngineUrlKind(url), kind) << url;
}

#ifndef _WIN32
class ReaderProtocolBook : public ::testing::Test {
protected:
    TTempFolder Folder;
};

TEST_F(ReaderProtocolBook, AnswersPagesReaderPagesAndRefusals) {
    books::TProjectText text = books::SmallBook(books::EncryptPassword("anchor", "Selected"));
    text.OtherFiles.push_back({"\\a b\\c d.htm", "<p>%{Harbour} by night</p>"});
    text.OtherFiles.push_back({"\\pics\\plain", "GIF89a%{Title}"});
    TReaderBook book(books::CompileText(text, Folder, "protocol.exe"));
    TReaderSession session(book);

    TProtocolAnswer a = AnswerBookRequest(session, "book:/index.htm");
    ASSERT_EQ(a.Status, TProtocolStatus::Ok);
    EXPECT_EQ(a.MimeType, "text/html");
    EXPECT_NE(a.Data.find("Welcome to Port Ellis."), std::string::npos);

    a = AnswerBookRequest(session, "book:/a%20b/c%20d.htm?x=1#top");
    ASSERT_EQ(a.Status, TProtocolStatus::Ok);
    EXPECT_EQ(a.Data, "<p>Port Ellis by night</p>");
    a = AnswerBookRequest(session, "BOOK:/PICS/DOT.PNG");
    ASSERT_EQ(a.Status, TProtocolStatus::Ok) << "names are letter-case blind";
    EXPECT_EQ(a.MimeType, "image/png");
    EXPECT_EQ(a.Data, std::string("\x89PNG%{Title}", 12));
    a = AnswerBookRequest(session, "book:/pics/plain");
    EXPECT_EQ(a.MimeType, "image/gif");

    // The reader's own pages are HTML whatever their name.
    a = AnswerBookRequest(session, "book:/?pagelamp=search&q=dawn");
    ASSERT_EQ(a.Status, TProtocolStatus::Ok);
    EXPECT_EQ(a.MimeType, "text/html");
    EXPECT_NE(a.Data.find(">Tides</a>"), std::string::npos);

    // Names outside the book and other schemes get nothing.
    for (const char* url : {"book:/missing.htm", "book:/../../etc/passwd", "file:///etc/passwd",
                            "http://example.org/index.htm", "/index.htm"})
        EXPECT_EQ(AnswerBookRequest(session, url).Status, TProtocolStatus::NotFound) << url;

    // The guarded page is refused until its password; the refusal never holds it.
    a = AnswerBookRequest(session, "book:/ch/two.htm");
    EXPECT_EQ(a.Status, TProtocolStatus::Refused);
    EXPECT_EQ(a.Data.find("anchorage"), std::string::npos);
    ASSERT_TRUE(book.UnlockSelected("anchor"));
    a = AnswerBookRequest(session, "book:/ch/two.htm");
    EXPECT_EQ(a.Status, TProtocolStatus::Ok);
    EXPECT_NE(a.Data.find("anchorage"), std::string::npos);
}
#endif
