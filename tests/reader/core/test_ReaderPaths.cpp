// The reader's paths and links and its history: logic without a book, which the
// Windows build runs too.
#include "u_ReaderPaths.h"
#include "u_ReaderStory.h"

#include <gtest/gtest.h>

TEST(ReaderPaths, NormalisingAndClassifyingLinks) {
    EXPECT_EQ(NormalizeBookPath("pics/a.png", "\\ch\\one.htm"), "\\ch\\pics\\a.png");
    EXPECT_EQ(NormalizeBookPath("..\\..\\..\\x.htm", "\\ch\\one.htm"), "\\x.htm");
    EXPECT_EQ(NormalizeBookPath("/a//./b/../c.htm"), "\\a\\c.htm");
    EXPECT_EQ(NormalizeBookPath(""), "\\");

    TLinkTarget t = ClassifyLink("book:/Light/How%20It.htm?pagelamp=hits&q=x#top", "\\Index.htm");
    ASSERT_EQ(t.Kind, TLinkKind::Book);
    EXPECT_EQ(t.Address.Path, "\\Light\\How It.htm");
    EXPECT_EQ(t.Address.Query, "pagelamp=hits&q=x");
    EXPECT_EQ(t.Address.Fragment, "top");
    EXPECT_EQ(ClassifyLink("#part2", "\\ch\\one.htm").Address.Text(), "\\ch\\one.htm#part2");
    EXPECT_EQ(ClassifyLink("\\Keepers\\Storm.htm", "\\ch\\one.htm").Address.Path, "\\Keepers\\Storm.htm");
    EXPECT_EQ(ClassifyLink(" HTTPS://example.org/x ", "\\a.htm").Kind, TLinkKind::External);
    EXPECT_EQ(ClassifyLink("mailto:keeper@example.org", "\\a.htm").Kind, TLinkKind::External);
    // A book never makes the reader open local files or run anything.
    for (const char* refused : {"file:///etc/passwd", "javascript:alert(1)", "ftp://x", "data:text/html,x",
                                "vbscript:x", "ms-its:x.chm::/a.htm"})
        EXPECT_EQ(ClassifyLink(refused, "\\a.htm").Kind, TLinkKind::Refused) << refused;
    // A drive letter is no scheme: such a page is simply not in the book.
    EXPECT_EQ(ClassifyLink("C:\\Books\\a.htm", "\\a.htm").Kind, TLinkKind::Book);

    EXPECT_EQ(EnginePath("\\a b\\c&d.htm"), "/a%20b/c%26d.htm");
    EXPECT_EQ(QueryValue("pagelamp=search&q=gull+rock%21", "q"), "gull rock!");
    EXPECT_EQ(QueryValue("a=1", "q"), "");
    EXPECT_EQ(UrlDecode("100%", false), "100%");
}

TEST(ReaderHistory, BackForwardAndDroppedEntries) {
    TReaderHistory history(3);
    EXPECT_FALSE(history.CanBack());
    history.Visit("\\a.htm");
    history.Visit("\\a.htm"); // the page shown again adds nothing
    history.Visit("\\b.htm");
    history.Visit("\\c.htm");
    EXPECT_EQ(history.Back(), "\\b.htm");
    EXPECT_EQ(history.Back(), "\\a.htm");
    EXPECT_FALSE(history.CanBack());
    EXPECT_EQ(history.Back(), "");
    EXPECT_EQ(history.Forward(), "\\b.htm");
    history.Visit("\\d.htm"); // drops "\c.htm"
    EXPECT_FALSE(history.CanForward());
    history.Visit("\\e.htm"); // beyond the limit: the oldest goes
    EXPECT_EQ(history.Count(), 3u);
    EXPECT_EQ(history.Back(), "\\d.htm");
    EXPECT_EQ(history.Back(), "\\b.htm");
    EXPECT_FALSE(history.CanBack());
}
