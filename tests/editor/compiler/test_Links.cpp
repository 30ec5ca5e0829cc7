#include "u_Links.h"

#include "u_MFS.h"

#include <gtest/gtest.h>

namespace {

// "kind value @span" for every link: the kind's number, the value as read, and the
// bytes of the text it occupies.
std::vector<std::string> Described(std::string_view text, const TLinkRefs& links) {
    std::vector<std::string> v;
    for (const TLinkRef& l : links)
        v.push_back(std::to_string(static_cast<int>(l.Kind)) + " " + l.Value + " @" +
                    std::string(text.substr(l.Begin, l.End - l.Begin)));
    return v;
}

std::vector<std::string> Urls(std::string_view list) {
    std::vector<std::string> v;
    for (const TTextSpan& s : SrcsetUrls(list))
        v.push_back(std::string(list.substr(s.Begin, s.End - s.Begin)));
    return v;
}

void Put(TMFS& store, const std::string& path, const std::string& text) {
    auto session = store.NewSession();
    session->ForceFolders(TMFS::ExtractPath(path));
    session->CreateFile(path, 0, true)->Content = text;
}

} // namespace

TEST(FindHtmlLinks, EveryKindInTextOrderAfterTheFirstSix) {
    const std::string html =
        "<html><head><link rel=\"Icon StyleSheet\" href=\"css/Site.css\"><link rel=icon href='Fav.ico'>"
        "<script src=\"js/App.js\"></script>"
        "<style>body{background:url(img/Back.png)} @import \"more.css\";</style>"
        "</head><body background=\"bg.gif\">"
        "<img src=\"a.png\" srcset=\"a-1x.png 1x, a-2x.png 2x\">"
        "<picture><source srcset=\"b.webp 100w,b2.webp 200w\" type=\"image/webp\"><source "
        "src=\"b.ogg\"></picture>"
        "<video src=\"v.mp4\" poster=\"poster.jpg\"><track src=\"subs.vtt\"></video><audio "
        "src=\"s.mp3\"></audio>"
        "<object data=\"o.svg\"></object><embed src=\"e.swf\">"
        "<input type=\" IMAGE \" src=\"go.png\"><input type=text src=\"not.png\"><input src=\"none.png\">"
        "<frameset><frame src=\"f.htm\"></frameset><iframe src=\"i.htm\"></iframe>"
        "<a href=\"next.htm\" style=\"background-image: url('p.png')\">n</a></body></html>";
    const THtmlLinks found = FindHtmlLinks(html);
    EXPECT_EQ(Described(html, found.Links), (std::vector<std::string>{"1 css/Site.css @css/Site.css",
                                                                      "1 Fav.ico @Fav.ico",
                                                                      "6 js/App.js @js/App.js",
                                                                      "18 img/Back.png @img/Back.png",
                                                                      "18 more.css @more.css",
                                                                      "2 bg.gif @bg.gif",
                                                                      "0 a.png @a.png",
                                                                      "7 a-1x.png @a-1x.png",
                                                                      "7 a-2x.png @a-2x.png",
                                                                      "8 b.webp @b.webp",
                                                                      "8 b2.webp @b2.webp",
                                                                      "9 b.ogg @b.ogg",
                                                                      "10 v.mp4 @v.mp4",
                                                                      "11 poster.jpg @poster.jpg",
                                                                      "13 subs.vtt @subs.vtt",
                                                                      "12 s.mp3 @s.mp3",
                                                                      "14 o.svg @o.svg",
                                                                      "15 e.swf @e.swf",
                                                                      "16 go.png @go.png",
                                                                      "3 f.htm @f.htm",
                                                                      "4 i.htm @i.htm",
                                                                      "5 next.htm @next.htm",
                                                                      "17 p.png @p.png"}));
    ASSERT_EQ(found.Links.size(), 23u);
    EXPECT_TRUE(found.Links[0].StyleSheet) << "rel holds stylesheet among other words";
    EXPECT_FALSE(found.Links[1].StyleSheet);
    EXPECT_TRUE(found.Links[4].StyleSheet) << "@import";
    EXPECT_FALSE(found.Links[3].StyleSheet);
    EXPECT_EQ(LinkRole(TLinkKind::FrameSrc), TLinkRole::Frame);
    EXPECT_EQ(LinkRole(TLinkKind::AnchorHref), TLinkRole::Anchor);
    EXPECT_EQ(LinkRole(TLinkKind::CssImport), TLinkRole::Resource);
}

TEST(FindHtmlLinks, ValuesAreReadAsABrowserReadsThemAndSpansAreTheWrittenBytes) {
    const std::string html =
        "<IMG SRC=\" Pic&amp;1.PNG \"><img src='Q.png'><img src=R&#46;png alt=x>"
        "<p style=\"background:url(&quot;S &amp; T.png&quot;)\"></p>"
        "<img alt=\"x\" src=\"first.png\" SRC=\"second.png\"><img src=\"\"><img src=\"  \">"
        "<img srcset=\"U&#x2E;png 1x\">";
    const TLinkRefs links = FindHtmlLinks(html).Links;
    EXPECT_EQ(Described(html, links),
              (std::vector<std::string>{"0 Pic&1.PNG @Pic&amp;1.PNG", "0 Q.png @Q.png", "0 R.png @R&#46;png",
                                        "17 S & T.png @S &amp; T.png", "0 first.png @first.png",
                                        "7 U.png @U&#x2E;png"}));
    ASSERT_EQ(links.size(), 6u);
    EXPECT_EQ(links[0].HtmlQuote, '"');
    EXPECT_EQ(links[0].CssQuote, 0);
    EXPECT_EQ(links[1].HtmlQuote, '\'');
    EXPECT_EQ(links[2].HtmlQuote, ' ');
    EXPECT_EQ(links[3].HtmlQuote, '"');
    EXPECT_EQ(links[3].CssQuote, '"');

    // Blanks written as references around an unquoted value belong to it: a new value
    // that needs quotes gets them around the whole attribute value.
    const std::string bare = "<img src=&#32;a.png&#9; alt=x>";
    const TLinkRefs one = FindHtmlLinks(bare).Links;
    EXPECT_EQ(Described(bare, one), (std::vector<std::string>{"0 a.png @&#32;a.png&#9;"}));
    EXPECT_EQ(ReplaceLinkValues(bare, {{&one[0], "my pic.png"}}), "<img src=\"my pic.png\" alt=x>");
}

TEST(FindHtmlLinks, CommentsScriptsAndUnclosedThingsHoldNoLinks) {
    const std::string html = "<html><!-- <img src=\"head.png\"> --><body>A<!-- <img src=\"c.png\"> -->B"
                             "<![if !vml]><img src=\"v.png\"><![endif]>"
                             "<script>var s = '<img src=\"js.png\">';</SCRIPT><img src=\"after.png\">"
                             "<style>/* url(no.png) */ p{background:url(yes.png)}</style>"
                             "<img src=\"last.png\"><!-- <img src=\"never.png\">";
    const THtmlLinks found = FindHtmlLinks(html);
    EXPECT_EQ(Described(html, found.Links),
              (std::vector<std::string>{"0 v.png @v.png", "0 after.png @after.png", "18 yes.png @yes.png",
                                        "0 last.png @last.png"}));
    // What an import leaves out: the body's comments and markers, not the head's comment
    // and not the comment that never closes.
    std::vector<std::string> dropped;
    for (const TTextSpan& s : found.BodyDropped)
        dropped.push_back(html.substr(s.Begin, s.End - s.Begin));
    EXPECT_EQ(dropped,
              (std::vector<std::string>{"<!-- <img src=\"c.png\"> -->", "<![if !vml]>", "<![endif]>"}));

    // A script that never closes runs to the end.
    const std::string open = "<script src=\"s.js\">document.write('<img src=\"x.png\">')";
    EXPECT_EQ(Described(open, FindHtmlLinks(open).Links), (std::vector<std::string>{"6 s.js @s.js"}));
    EXPECT_TRUE(FindHtmlLinks("").Links.empty());
    EXPECT_TRUE(FindHtmlLinks("<").Links.empty());
    EXPECT_EQ(Described("<img src=\"cut.png", FindHtmlLinks("<img src=\"cut.png").Links),
              (std::vector<std::string>{"0 cut.png @cut.png"}));
}

TEST(SrcsetUrls, EveryCandidateByTheGrammar) {
    EXPECT_EQ(Urls("a.png"), (std::vector<std::string>{"a.png"}));
    EXPECT_EQ(Urls("a.png 1x, b.png 2x"), (std::vector<std::string>{"a.png", "b.png"}));
    EXPECT_EQ(Urls("a.png, b.png"), (std::vector<std::string>{"a.png", "b.png"}));
    EXPECT_EQ(Urls("a.png,b.png"), (std::vector<std::string>{"a.png,b.png"})) << "one URL holding a comma";
    EXPECT_EQ(Urls("data:image/png;base64,iVBORw0KGgo= 1x, c.png 2x"),
              (std::vector<std::string>{"data:image/png;base64,iVBORw0KGgo=", "c.png"}));
    EXPECT_EQ(Urls(",,, a.png 1x,, b.png"), (std::vector<std::string>{"a.png", "b.png"}));
    EXPECT_EQ(Urls("a.png (x, y) 2x, b.png"), (std::vector<std::string>{"a.png", "b.png"}));
    EXPECT_EQ(Urls("a.png (never closed, b.png"), (std::vector<std::string>{"a.png"}));
    EXPECT_TRUE(Urls("").empty());
    EXPECT_TRUE(Urls(" , ,\t, ").empty());
    const auto spans = SrcsetUrls("  a.png  1x  ,  b.png  ");
    ASSERT_EQ(spans.size(), 2u);
    EXPECT_EQ(spans[0].Begin, 2u);
    EXPECT_EQ(spans[0].End, 7u);
    EXPECT_EQ(spans[1].Begin, 16u);
    EXPECT_EQ(spans[1].End, 21u);
}

TEST(FindCssLinks, TheTokenizerKnowsQuotesEscapesAndComments) {
    const std::string css = "@import \"base.css\";\n"
                            "@import url(print.css) print;\n"
                            "@import url( \"screen.css\" );\n"
                            "@IMPORT 'x.css';\n"
                            "@namespace svg url(http://www.w3.org/2000/svg);\n"
                            "/* url(comment.png) @import \"no.css\"; */\n"
                            "body { background: URL(  img/back.png  ) no-repeat; }\n"
                            ".a { content: \"url(not.png)\"; background-image: url('q\\'uote.png'); }\n"
                            ".b { background: url(f\\).png); }\n"
                            ".c { background: url(\\69 mg.png); }\n"
                            ".d { background: url(a b.png); }\n"
                            ".e { background: url(a\"b.png); }\n"
                            ".f { background: image-set(\"i1.png\" 1x, url(i2.png) 2x); }\n"
                            "@font-face { src: url(font.woff2) format(\"woff2\"), local(\"Foo\"); }\n"
                            ".g { background: url(); }\n"
                            ".h { x: src(\"s.png\") }\n";
    const TLinkRefs links = FindCssLinks(css);
    EXPECT_EQ(Described(css, links),
              (std::vector<std::string>{
                  "20 base.css @base.css", "20 print.css @print.css", "20 screen.css @screen.css",
                  "20 x.css @x.css", "19 img/back.png @img/back.png", "19 q'uote.png @q\\'uote.png",
                  "19 f).png @f\\).png", "19 img.png @\\69 mg.png", "19 i1.png @i1.png", "19 i2.png @i2.png",
                  "19 font.woff2 @font.woff2", "19 s.png @s.png"}));
    // How each value is written: the quote of its string, or ")" for a bare url(...).
    std::string got;
    for (const TLinkRef& l : links) {
        got += l.CssQuote;
        EXPECT_EQ(l.StyleSheet, l.Kind == TLinkKind::CssImport);
    }
    EXPECT_EQ(got, (std::string{'"', ')', '"', '\'', ')', '\'', ')', ')', '"', ')', ')', '"'}));
}

TEST(FindCssLinks, MalformedTextEndsWithoutLosingTheGoodLinks) {
    const std::string css = "a{background:url(ok.png)} b{content:\"open\n} c{background:url(after.png)}"
                            " d{background:url(a\\\nb.png)} e{background:url(\"never closed";
    EXPECT_EQ(Described(css, FindCssLinks(css)),
              (std::vector<std::string>{"19 ok.png @ok.png", "19 after.png @after.png",
                                        "19 never closed @never closed"}));
    const std::string tail = "p{background:url(last.png";
    EXPECT_EQ(Described(tail, FindCssLinks(tail)), (std::vector<std::string>{"19 last.png @last.png"}));
    // A NUL is read as U+FFFD, written or escaped.
    const std::string nul("p{background:url(\"a\0b\\\0.png\")}", 30);
    ASSERT_EQ(FindCssLinks(nul).size(), 1u);
    EXPECT_EQ(FindCssLinks(nul)[0].Value, "a\xEF\xBF\xBD"
                                          "b\xEF\xBF\xBD.png");
    EXPECT_TRUE(FindCssLinks("/* url(a.png)").empty());
    EXPECT_TRUE(FindCssLinks("url(").empty());
    EXPECT_TRUE(FindCssLinks("\\").empty());
    EXPECT_TRUE(FindCssLinks("((((((url(\"").empty());
}

TEST(LinkValues, WhatIsFollowedAndWhatStaysAfterTheName) {
    for (const char* local : {"a.png", "../up/a.png", "/abs/a.png", "C:\\pics\\a.png", "file:///x/a.png",
                              "FILE:a.png", "pics/a.png?v=2", "a.png#frag", " a.png "})
        EXPECT_TRUE(IsLocalLinkValue(local)) << local;
    for (const char* other : {"", "   ", "#top", "?q=1", "data:image/png;base64,AAAA", "blob:https://x/1",
                              "http://example.com/a.png", "HTTPS://example.com/", "//cdn.example.com/a.js",
                              "mailto:me@example.com", "javascript:void(0)", "mfs:\\pics\\a.png", "file:"})
        EXPECT_FALSE(IsLocalLinkValue(other)) << other;
    EXPECT_EQ(LinkPath("a.png?v=2#x"), "a.png");
    EXPECT_EQ(LinkSuffix("a.png?v=2#x"), "?v=2#x");
    EXPECT_EQ(LinkSuffix("font.eot#iefix"), "#iefix");
    EXPECT_EQ(LinkSuffix("a.png"), "");
}

TEST(EncodeLinkValue, EachPlaceGetsTheEscapesItNeeds) {
    TLinkRef l;
    l.HtmlQuote = '"';
    EXPECT_EQ(EncodeLinkValue(l, "a\"b&c'd"), "a&quot;b&amp;c'd");
    l.HtmlQuote = '\'';
    EXPECT_EQ(EncodeLinkValue(l, "a\"b'c"), "a\"b&#39;c");
    l.HtmlQuote = ' ';
    EXPECT_EQ(EncodeLinkValue(l, "plain.png"), "plain.png");
    EXPECT_EQ(EncodeLinkValue(l, "my pic.png"), "\"my pic.png\"");
    EXPECT_EQ(EncodeLinkValue(l, "a>b.png"), "\"a&gt;b.png\"");
    EXPECT_EQ(EncodeLinkValue(l, "a\x05"
                                 "b.png"),
              "\"a\x05"
              "b.png\"")
        << "a control character ends it too";
    l.Kind = TLinkKind::StyleAttribute;
    l.CssQuote = ')';
    EXPECT_EQ(EncodeLinkValue(l, "a b(c).png"), "a\\20&#32;b\\28&#32;c\\29&#32;.png");
    l.HtmlQuote = '"';
    EXPECT_EQ(EncodeLinkValue(l, "a b(c).png"), "a\\20 b\\28 c\\29 .png");
    l.Kind = TLinkKind::CssUrl;
    l.HtmlQuote = 0;
    l.CssQuote = '\'';
    EXPECT_EQ(EncodeLinkValue(l, "it's\\</style>"), "it\\'s\\\\\\3c /style>");
    l.Kind = TLinkKind::ImgSrcset;
    l.HtmlQuote = '"';
    l.CssQuote = 0;
    EXPECT_EQ(EncodeLinkValue(l, "a b,c.png,"), "a%20b,c.png%2C");
}

// Writing any value into any place and reading the page again gives back that value;
// everything outside the values stays as it was.
TEST(ReplaceLinkValues, EveryPlaceTakesAnyValueAndKeepsTheRest) {
    const std::string html =
        "<img src=\"a.png\"><img src='b.png'><img src=c.png alt=x><img srcset=\"d.png 1x, e.png 2x\">"
        "<p style=\"background:url(f.png)\"></p><p style='background:url(\"g.png\")'></p>"
        "<p style=background:url(h.png)></p><style>.x{background:url('i.png')} @import url(j.css);</style>"
        "<a href=\"k.htm\">k</a><img src=\"data:image/png;base64,iVBORw0KGgo=\">";
    const TLinkRefs links = FindHtmlLinks(html).Links;
    ASSERT_EQ(links.size(), 12u);
    // A candidate of a srcset list cannot hold blanks (they are written as "%20").
    const std::string tricky = "x y\"z'(w)&v<u>t\\s,\n.png";
    const std::string trickyUrl = "x\"z'(w)&v<u>t\\s,.png";
    auto valueFor = [&](const TLinkRef& l) { return l.Kind == TLinkKind::ImgSrcset ? trickyUrl : tricky; };
    std::vector<TLinkChange> changes;
    for (std::size_t k = 0; k + 1 < links.size(); ++k)
        changes.push_back({&links[k], valueFor(links[k])});
    const std::string rewritten = ReplaceLinkValues(html, changes);
    const TLinkRefs again = FindHtmlLinks(rewritten).Links;
    ASSERT_EQ(again.size(), links.size()) << rewritten;
    for (std::size_t k = 0; k + 1 < again.size(); ++k) {
        EXPECT_EQ(again[k].Kind, links[k].Kind) << k;
        EXPECT_EQ(again[k].Value, valueFor(links[k])) << k << ": " << rewritten;
    }
    // The last value was left alone: its bytes, and every byte between values, stay.
    EXPECT_EQ(again.back().Value, "data:image/png;base64,iVBORw0KGgo=");
    // (The unquoted picture name could not stand without quotes: it got them.)
    auto quoted = [&](std::size_t k) {
        return links[k].HtmlQuote == ' ' && IsWholeAttributeKind(links[k].Kind);
    };
    for (std::size_t k = 0; k + 1 < links.size(); ++k) {
        std::string before = html.substr(links[k].End, links[k + 1].Begin - links[k].End);
        if (quoted(k))
            before.insert(0, "\"");
        if (quoted(k + 1))
            before += '"';
        const std::string after = rewritten.substr(again[k].End, again[k + 1].Begin - again[k].End);
        EXPECT_EQ(after, before) << k;
    }
    EXPECT_EQ(ReplaceLinkValues(html, {}), html);
}

TEST(FilesReachedFrom, StylesheetsToAnyDepthEachFileOnceLoopsEnded) {
    TMFS store;
    Put(store, "\\book\\page.htm",
        "<link rel=stylesheet href=\"assets/css/Main.css\"><img src=\"pics/A.png\"><img src=\"PICS/a.png\">"
        "<a href=\"other.htm\">x</a><iframe src=\"frame.htm\"></iframe><img src=\"missing.png\">"
        "<img src=\"http://x/y.png\"><img src=\"../outside.png\"><img src=\"pics\">");
    Put(store, "\\book\\assets\\css\\Main.css",
        "@import \"base.css\"; @import url(Main.css); body{background:url(../img/bg%20one.png)}"
        " .x{background:url(\"../img/bg one.png?v=1\")}");
    Put(store, "\\book\\assets\\css\\base.css", "@import \"main.css\"; @font-face{src:url(../fonts/f.woff)}");
    Put(store, "\\book\\assets\\img\\bg one.png", "BG");
    Put(store, "\\book\\assets\\fonts\\f.woff", "FONT");
    Put(store, "\\book\\pics\\A.png", "A");
    Put(store, "\\book\\frame.htm", "<img src=\"pics/a.png\"><img src=\"fr.png\">");
    Put(store, "\\book\\fr.png", "FR");
    Put(store, "\\book\\other.htm", "<img src=\"never.png\">");
    Put(store, "\\book\\never.png", "N");
    Put(store, "\\outside.png", "O");
    TStoreLinkFiles files(store);
    std::vector<std::string> got;
    for (const TReachedFile& f : FilesReachedFrom("\\book\\page.htm", files))
        got.push_back(f.File + (f.StyleSheet ? " (css)" : "") + " from " + f.From);
    EXPECT_EQ(got, (std::vector<std::string>{
                       "\\book\\assets\\css\\Main.css (css) from \\book\\page.htm",
                       "\\book\\pics\\A.png from \\book\\page.htm", "\\book\\frame.htm from \\book\\page.htm",
                       "\\outside.png from \\book\\page.htm",
                       "\\book\\assets\\css\\base.css (css) from \\book\\assets\\css\\Main.css",
                       "\\book\\assets\\img\\bg one.png from \\book\\assets\\css\\Main.css",
                       "\\book\\fr.png from \\book\\frame.htm",
                       "\\book\\assets\\fonts\\f.woff from \\book\\assets\\css\\base.css"}));
}

TEST(LinksOutOfStore, FileUrlsDrivesClimbsAndAbsolutePathsNamingNothing) {
    TMFS store;
    Put(store, "\\a.htm",
        "<img src=\"file:///etc/passwd\"><img src=\"C:\\pics\\x.png\"><a "
        "href=\"/home/ann/site/b.htm#top\">b</a>"
        "<img src=\"../up.png\"><img src=\"\\pics\\in.png\"><img src=\"/Pics/IN.png?v=1\"><img "
        "src=\"missing.png\">"
        "<a href=\"http://example.com/\">w</a><img src=\"file:///etc/passwd\"><a href=\"#top\">t</a>");
    Put(store, "\\pics\\in.png", "IN");
    Put(store, "\\css\\s.css",
        "body{background:url(/gone.png)} .x{background:url(../../up.png)} "
        ".y{background:url(../pics/in.png)}");
    Put(store, "\\notes.txt", "<img src=\"file:///etc/passwd\">");
    std::vector<std::string> got;
    for (const TLinkOut& l : LinksOutOfStore(store))
        got.push_back(l.File + " " + l.Value);
    EXPECT_EQ(got, (std::vector<std::string>{"\\a.htm file:///etc/passwd", "\\a.htm C:\\pics\\x.png",
                                             "\\a.htm /home/ann/site/b.htm#top", "\\a.htm ../up.png",
                                             "\\css\\s.css /gone.png", "\\css\\s.css ../../up.png"}));
    EXPECT_EQ(
        LinkOutWarning({"\\a.htm", "../up.png"}),
        "Link \"../up.png\" of \"\\a.htm\" leads out of the project: the book cannot show what it names");
}
