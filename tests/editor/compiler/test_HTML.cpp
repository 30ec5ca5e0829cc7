#include "u_HTML.h"

#include "u_CaseBlind.h"

#include <gtest/gtest.h>

namespace {

const std::vector<TLinkDesc> kImportDescs = {{"img", "src"},   {"link", "href"},  {"body", "background"},
                                             {"frame", "src"}, {"iframe", "src"}, {"a", "href"}};

THtmlLinkParts Split(std::string_view html, const std::vector<TLinkDesc>& descs = kImportDescs) {
    THtmlLinkParts parts;
    SplitHtmlByLinks(html, descs, parts);
    return parts;
}

// The page again: literal text as it stands, link values in double quotes.
std::string Join(const THtmlLinkParts& parts) {
    std::string s;
    for (const auto& p : parts)
        s += p.Index < 0 ? p.Text : "\"" + p.Text + "\"";
    return s;
}

std::vector<std::string> Links(const THtmlLinkParts& parts) {
    std::vector<std::string> v;
    for (const auto& p : parts)
        if (p.Index >= 0)
            v.push_back(std::to_string(p.Index) + ":" + p.Text);
    return v;
}

} // namespace

TEST(SplitHtmlByLinks, ValuesKeepTheirLetterCaseAndJoinBack) {
    const std::string html = "<HTML><BODY BACKGROUND=\"Back.JPG\"><IMG SRC=\"Pics/Logo.GIF\" ALT=\"Logo\">"
                             "<A HREF=\"Next.htm\">next</A><LINK href=\"s.css\"></BODY></HTML>";
    const auto parts = Split(html);
    EXPECT_EQ(Links(parts),
              (std::vector<std::string>{"2:Back.JPG", "0:Pics/Logo.GIF", "5:Next.htm", "1:s.css"}));
    EXPECT_EQ(Join(parts), html);
    // Offsets point into the page: a literal at its first character, a value at its own.
    for (const auto& p : parts) {
        if (p.Index >= 0) {
            EXPECT_EQ(html.substr(p.Offset, p.Text.size()), p.Text);
        }
    }
}

TEST(SplitHtmlByLinks, OnlyRequestedDescriptorsAndWholeNamesMatch) {
    const std::vector<TLinkDesc> frames = {{"frame", "src"}, {"iframe", "src"}};
    const auto parts =
        Split("<frameset><FRAME src=\"a.htm\"><img src=\"x.gif\"><IFRAME SRC=\"b.htm\">", frames);
    EXPECT_EQ(Links(parts), (std::vector<std::string>{"0:a.htm", "1:b.htm"}));
    // Neither "<area" nor "data-href" nor a "src" inside another value is a link.
    const auto other = Split("<body><area href=\"m.htm\"><a data-href=\"z\" title=\"src href=q\">"
                             "<img alt=\"the src=no\" src=\"yes.gif\"></body>");
    EXPECT_EQ(Links(other), (std::vector<std::string>{"0:yes.gif"}));
}

TEST(SplitHtmlByLinks, EmptyValueStaysLiteral) {
    const auto parts = Split("<body><img src=\"\"><img src=></body>");
    EXPECT_TRUE(Links(parts).empty());
    EXPECT_EQ(Join(parts), "<body><img src=\"\"><img src=></body>");
}

TEST(SplitHtmlByLinks, SingleQuotedAndUnquotedValuesKeepTheirTagIntact) {
    const auto parts = Split("<body><img src='A.gif' alt=x><img src=B.gif><a href=c.htm>c</a>"
                             "<img src=\"open.gif></body>");
    EXPECT_EQ(Links(parts), (std::vector<std::string>{"0:A.gif", "0:B.gif", "5:c.htm", "0:open.gif"}));
    EXPECT_EQ(Join(parts), "<body><img src=\"A.gif\" alt=x><img src=\"B.gif\"><a href=\"c.htm\">c</a>"
                           "<img src=\"open.gif\"></body>");
}

TEST(SplitHtmlByLinks, CommentsAndVmlMarkersInsideTheBodyAreDropped) {
    const auto parts = Split("<html><!-- head note --><body>A<!-- gone <img src=\"x.gif\"> -->B"
                             "<![if !vml]><img src=\"v.gif\"><![endif]>C</body></html>");
    EXPECT_EQ(Join(parts), "<html><!-- head note --><body>AB<img src=\"v.gif\">C</body></html>");
    EXPECT_EQ(Links(parts), (std::vector<std::string>{"0:v.gif"}));
    // Before the body the markers stay.
    EXPECT_EQ(Join(Split("<![if !vml]>x<![endif]><body>")), "<![if !vml]>x<![endif]><body>");
}

TEST(SplitHtmlByLinks, UnclosedCommentInBodyEndsTheScanAndKeepsTheRest) {
    const std::string html = "<body><img src=\"a.gif\"><!-- open <img src=\"b.gif\"> to the end";
    const auto parts = Split(html);
    EXPECT_EQ(Links(parts), (std::vector<std::string>{"0:a.gif"}));
    EXPECT_EQ(Join(parts), html);
}

TEST(SplitHtmlByLinks, TruncatedTagsAndEdgeTexts) {
    EXPECT_TRUE(Split("").empty());
    EXPECT_EQ(Join(Split("<")), "<");
    EXPECT_EQ(Join(Split("text <")), "text <");
    const auto parts = Split("<img src=\"cut.gif");
    EXPECT_EQ(Links(parts), (std::vector<std::string>{"0:cut.gif"}));
    EXPECT_EQ(Join(parts), "<img src=\"cut.gif\"");
}

TEST(FindTags, FindsEditablePartsWithNames) {
    const std::string text =
        "<p>x</p><page name=\"Intro\">Hello <b>you</b></Page> mid <PAGE NAME='Two'>2</PAGE>"
        "<PAGE NAME=\"open\">never closed";
    std::string upper = text;
    for (auto& c : upper)
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    const auto tags = FindTags(upper, text, "PAGE", "NAME");
    ASSERT_EQ(tags.size(), 2u);
    EXPECT_EQ(tags[0].AttrValue, "Intro");
    EXPECT_EQ(tags[0].Content, "Hello <b>you</b>");
    EXPECT_EQ(text.substr(tags[0].Start - 1, tags[0].Length), tags[0].Content);
    EXPECT_EQ(tags[1].AttrValue, "Two");
    EXPECT_EQ(tags[1].Content, "2");
    EXPECT_EQ(text.substr(tags[1].Start - 1, tags[1].Length), "2");
}

TEST(FindTags, IgnoringCaseKeepsPositionsOfNonAsciiText) {
    // "\xC4\xB1" (dotless i) is upper-cased to one byte by a full mapping; the ASCII
    // mapping keeps every position.
    const std::string text = "\xC4\xB1<Page Name=\"\xC4\xB1x\">\xC3\xA9t\xC3\xA9</pAgE>";
    const auto tags = FindTagsIgnoreCase(text, "page", "NAME");
    ASSERT_EQ(tags.size(), 1u);
    EXPECT_EQ(tags[0].AttrValue, "\xC4\xB1x");
    EXPECT_EQ(tags[0].Content, "\xC3\xA9t\xC3\xA9");
    EXPECT_EQ(text.substr(tags[0].Start - 1, tags[0].Length), tags[0].Content);
}

TEST(GetAttributeValue, ValueInItsOwnCase) {
    const std::string tag = " Name=\"My Part\" class=Big";
    std::string upper = tag;
    for (auto& c : upper)
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(GetAttributeValue(upper, tag, "NAME"), "My Part");
    EXPECT_EQ(GetAttributeValue(upper, tag, "CLASS"), "Big");
    EXPECT_EQ(GetAttributeValue(upper, tag, "ID"), "");
    // An empty quoted value does not run into the next attribute; a name inside a
    // longer name is not the attribute.
    EXPECT_EQ(GetAttributeValue(" NAME=\"\" X=\"y\"", " name=\"\" x=\"y\"", "NAME"), "");
    EXPECT_EQ(GetAttributeValue(" CLASSNAME=\"A\" NAME=\"B\"", " classname=\"a\" name=\"b\"", "NAME"), "b");
    EXPECT_EQ(GetAttributeValue("<A HREF=\"X\">", "<a href=\"x\">", "HREF"), "x");
}

TEST(GetHtmlTitle, TitleOrDefault) {
    EXPECT_EQ(GetHtmlTitle("<HTML><HEAD><TITLE>  My Book \r\n</TITLE></HEAD>", "d"), "My Book");
    EXPECT_EQ(GetHtmlTitle("<title lang=en>Mixed</TiTlE>", "d"), "Mixed");
    EXPECT_EQ(GetHtmlTitle("<TITLE>Upper</TITLE><title>Lower</title>", "d"), "Lower");
    EXPECT_EQ(GetHtmlTitle("<html><body>no title</body></html>", "intro0"), "intro0");
    EXPECT_EQ(GetHtmlTitle("<title>   </title>", "d"), "d");
    EXPECT_EQ(GetHtmlTitle("<title>never closed", "d"), "d");
    EXPECT_EQ(GetHtmlTitle("<title", "d"), "d");
    EXPECT_EQ(GetHtmlTitle("", "d"), "d");
}

TEST(HtmlQuote, QuotesAndEscapesDoubleQuotes) {
    EXPECT_EQ(HtmlQuote("a\"b'c"), "\"a&quot;b'c\"");
    EXPECT_EQ(HtmlQuote(""), "\"\"");
}

TEST(Colors, BothWays) {
    EXPECT_EQ(HtmlColorToColor("#FF0000"), 255);
    EXPECT_EQ(HtmlColorToColor("#00ff00"), 0x00FF00);
    EXPECT_EQ(HtmlColorToColor("#0000FF"), 0xFF0000);
    EXPECT_EQ(ColorToHtml(255), "#FF0000");
    EXPECT_EQ(ColorToHtml(0xFF0000), "#0000FF");
    EXPECT_EQ(ColorToHtml(0x123456), "#563412");
    EXPECT_EQ(HtmlColorToColor(ColorToHtml(0xABCDEF)), 0xABCDEF);
    // System colours by name, any case, and back to the name.
    EXPECT_EQ(HtmlColorToColor("ButtonFace"), SystemColor(15));
    EXPECT_EQ(HtmlColorToColor("infobackground"), SystemColor(24));
    EXPECT_EQ(ColorToHtml(SystemColor(0)), "scrollbar");
    EXPECT_EQ(ColorToHtml(SystemColor(24)), "infobackground");
    // A system colour outside the table is shown by its RGB value.
    EXPECT_EQ(ColorToHtml(SystemColor(26)), "#0066CC");
    // Decimal numbers keep their low 24 bits; negative or unreadable text is no colour.
    EXPECT_EQ(HtmlColorToColor("16711680"), 0xFF0000);
    EXPECT_EQ(HtmlColorToColor("4294967295"), clNone);
    EXPECT_EQ(HtmlColorToColor("2147483647"), 0xFFFFFF);
    EXPECT_EQ(HtmlColorToColor("-5"), clNone);
    EXPECT_EQ(HtmlColorToColor("#FFF"), clNone);
    EXPECT_EQ(HtmlColorToColor("#GG0000"), clNone);
    EXPECT_EQ(HtmlColorToColor("red"), clNone);
    EXPECT_EQ(HtmlColorToColor(""), clNone);
}
