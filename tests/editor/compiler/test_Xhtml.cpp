// Pages as XHTML: what old and broken markup becomes, read back with known answers.
#include "u_Xhtml.h"
#include "u_Zip.h"

#include <gtest/gtest.h>

namespace {

// The body of the written page, between "<body" and "</body>".
std::string Body(const TXhtmlPage& page) {
    const size_t start = page.Text.find("<body");
    const size_t end = page.Text.rfind("</body>");
    return page.Text.substr(start, end + 7 - start);
}

TXhtmlPage Convert(const std::string& html, TXhtmlSettings settings = {}) {
    return HtmlToXhtml(html, settings);
}

} // namespace

TEST(Xhtml, DocumentFrameTitleAndLanguage) {
    TXhtmlSettings settings;
    settings.Language = "fr";
    settings.Title = "Fallback";
    const TXhtmlPage page = Convert("<p>Bonjour", settings);
    EXPECT_EQ(page.Text, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE html>\n"
                         "<html xmlns=\"http://www.w3.org/1999/xhtml\" xmlns:epub=\"http://www.idpf.org/2007/ops\" "
                         "lang=\"fr\" xml:lang=\"fr\">\n<head>\n<title>Fallback</title>\n</head>\n"
                         "<body><p>Bonjour</p></body>\n</html>\n");
    // The page's own title (blanks collapsed) and language win.
    const TXhtmlPage own = Convert("<html lang=\"de-CH\"><title>  Zwei\n  Worte </title><p>x", settings);
    EXPECT_NE(own.Text.find("lang=\"de-CH\" xml:lang=\"de-CH\""), std::string::npos);
    EXPECT_NE(own.Text.find("<title>Zwei Worte</title>"), std::string::npos);
    // A language that is no tag is not taken.
    EXPECT_NE(Convert("<html lang=\"??\"><p>x", settings).Text.find("lang=\"fr\""), std::string::npos);
}

TEST(Xhtml, OldElementsAndAttributesBecomeStyles) {
    EXPECT_EQ(Body(Convert("<body bgcolor=\"#FFFFEE\" text=navy><center><font face=\"Arial, 'Helvetica'\" size=\"+1\" "
                           "color=red>T</font></center>")),
              "<body style=\"background-color: #FFFFEE; color: navy\"><div style=\"text-align: center\"><span "
              "style=\"font-family: &quot;Arial&quot;, &quot;Helvetica&quot;; font-size: larger; color: "
              "red\">T</span></div></body>");
    EXPECT_EQ(Body(Convert("<table border=1 cellpadding=4 cellspacing=2 width=\"90%\" align=center summary=s>"
                           "<tr><td valign=top align=right width=30 nowrap colspan=0 rowspan=2>x</table>")),
              "<body><table style=\"border: 1px outset; border-spacing: 2px; width: 90%; margin-left: auto; "
              "margin-right: auto\"><tbody><tr><td rowspan=\"2\" style=\"vertical-align: top; text-align: right; "
              "width: 30px; white-space: nowrap\">x</td></tr></tbody></table></body>");
    // A picture's size in pixels stays; a percentage becomes a style; alt is always there.
    EXPECT_EQ(Body(Convert("<img src=a.png width=20 height=\"50%\" border=0 align=left>")),
              "<body><img src=\"a.png\" width=\"20\" alt=\"\" style=\"height: 50%; float: left\"/></body>");
    EXPECT_EQ(Body(Convert("<tt>a</tt><big>b</big><strike>c</strike><acronym>d</acronym><br clear=all>")),
              "<body><code>a</code><span style=\"font-size: larger\">b</span><s>c</s><abbr>d</abbr><br "
              "style=\"clear: both\"/></body>");
    // The page's own style comes last, so it wins over what the attributes gave.
    EXPECT_EQ(Body(Convert("<p align=center style=\"text-align: left\">x")),
              "<body><p style=\"text-align: center; text-align: left\">x</p></body>");
}

TEST(Xhtml, ContentModelsAreMended) {
    // In a page without a doctype a table does not end a paragraph: the paragraph
    // becomes a division. A block inside a heading or a font does the same to them.
    EXPECT_EQ(Body(Convert("<p><table><tr><td>t</td></tr></table>")),
              "<body><div style=\"margin: 1em 0\"><table><tbody><tr><td>t</td></tr></tbody></table></div></body>");
    EXPECT_EQ(Body(Convert("<h2><p>x</p></h2><font color=\"#00ff00\"><p>y</p></font>")),
              "<body><div style=\"font-size: 1.5em; font-weight: bold; margin: 0.83em 0\"><p>x</p></div>"
              "<div style=\"color: #00ff00\"><p>y</p></div></body>");
    // A link around a block is fine where blocks are, and makes an inline parent a block.
    EXPECT_EQ(Body(Convert("<b><a href=\"#x\"><div>d</div></a></b>")),
              "<body><div style=\"font-weight: bold\"><a href=\"#x\"><div>d</div></a></div></body>");
    // Lists hold only items; items outside lists become divisions.
    EXPECT_EQ(Body(Convert("<ul>text<div>d</div><li>i</li></ul><li>o</li><dd>e</dd>")),
              "<body><ul><li>text<div>d</div></li><li>i</li></ul><div>o</div><div>e</div></body>");
    // Elements the page invented keep their content; obsolete ones go with theirs.
    EXPECT_EQ(Body(Convert("<PAGE NAME=\"Text\"><p>kept</p></PAGE><noscript>gone</noscript><embed src=x.swf>")),
              "<body><p>kept</p></body>");
}

TEST(Xhtml, IdentifiersAreXmlNamesOnce) {
    const TXhtmlPage page = Convert("<h1 id=\"top\">a</h1><p id=\"top\">dup</p><p id=\"2 b\">c</p><p id=\"\">e</p>"
                                    "<a name=\"here\"></a><a name=\"top\"></a>");
    EXPECT_EQ(Body(page), "<body><h1 id=\"top\">a</h1><p>dup</p><p id=\"_2_b\">c</p><p>e</p><a id=\"here\"></a>"
                          "<a></a></body>");
    EXPECT_EQ(page.Ids, (std::vector<std::string>{"top", "_2_b", "here"}));
    EXPECT_EQ(XmlNameOf("chapter 1"), "chapter_1");
    EXPECT_EQ(XmlNameOf("1st"), "_1st");
    EXPECT_EQ(XmlNameOf("-x"), "_-x");
    EXPECT_EQ(XmlNameOf(""), "_");
    EXPECT_EQ(XmlNameOf("Grüße"), "Grüße");
    EXPECT_EQ(XmlNameOf("a\xe2\x80\x94" "b"), "a_b"); // an em dash is no name character
}

TEST(Xhtml, TextScriptsAndForeignMarkup) {
    // Entities are characters; control characters are read as U+FFFD as a browser
    // reads them; markup characters are written as references, in scripts too.
    const TXhtmlPage text = Convert("<p>&copy; &euro; &lt;&amp; a\x01" "b\x7f" "c</p>"
                                    "<script>if (a < b && c) x = \"</p>\";</script>");
    EXPECT_EQ(Body(text), "<body><p>\xc2\xa9 \xe2\x82\xac &lt;&amp; a\xef\xbf\xbd" "b\xef\xbf\xbd" "c</p><script>if (a &lt; b &amp;&amp; c) "
                          "x = &quot;&lt;/p&gt;&quot;;</script></body>");
    EXPECT_TRUE(text.Scripted);
    EXPECT_FALSE(Convert("<script type=\"text/template\">x</script>").Scripted);
    EXPECT_FALSE(Convert("<form><input type=text size=0 checked></form>").Scripted);
    EXPECT_EQ(Body(Convert("<input type=CheckBox checked size=0>")),
              "<body><input type=\"checkbox\" checked=\"checked\"/></body>");
    const TXhtmlPage svg = Convert("<svg viewbox=\"0 0 2 2\"><lineargradient id=\"g\"/><circle r=\"1\"/></svg>");
    EXPECT_TRUE(svg.Svg);
    EXPECT_NE(svg.Text.find("<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
                            "viewBox=\"0 0 2 2\"><linearGradient id=\"g\"></linearGradient><circle r=\"1\"></circle></svg>"),
              std::string::npos);
    EXPECT_TRUE(Convert("<math><mi>x</mi></math>").MathML);
    // Bytes that are no UTF-8 become the replacement character.
    EXPECT_NE(Convert("<p>a\xff" "b").Text.find("a\xef\xbf\xbd" "b"), std::string::npos);
}

TEST(Xhtml, LinksPassThroughTheCaller) {
    TXhtmlSettings settings;
    std::vector<std::pair<TLinkKind, std::string>> asked;
    settings.MapLink = [&](TLinkKind kind, const std::string& value) -> TMappedLink {
        asked.emplace_back(kind, value);
        if (value == "gone.png" || value == "gone.css" || value == "gone.js")
            return {};
        if (value == "page.htm#part")
            return {true, "page.xhtml#part", "page.xhtml"};
        return {true, "new/" + value, {}};
    };
    const TXhtmlPage page =
        HtmlToXhtml("<head><link rel=\"stylesheet\" href=\"a.css\"><link rel=stylesheet href=gone.css>"
                    "<script src=gone.js></script></head><body background=\"bg.png\">"
                    "<img src=\"gone.png\" alt=\"A &amp; B\"><img src=\"p.png\" srcset=\"p2.png 2x, gone.png 3x\">"
                    "<a href=\"page.htm#part\">x</a><p style=\"background: url('q.png')\">"
                    "<style>p { background: url(r.png) }</style>",
                    settings);
    EXPECT_EQ(asked.size(), 11u);
    // Stylesheets in the body go into the head; what the caller dropped is gone (a
    // picture leaves its alternative text).
    EXPECT_NE(page.Text.find("<head>\n<title>Untitled</title>\n<link rel=\"stylesheet\" href=\"new/a.css\"/>\n"
                             "<style>p { background: url(new/r.png) }</style>\n</head>"),
              std::string::npos);
    EXPECT_EQ(Body(page), "<body style=\"background-image: url(&quot;new/bg.png&quot;)\">A &amp; B<img "
                          "src=\"new/p.png\" srcset=\"new/p2.png 2x\" alt=\"\"/><a href=\"page.xhtml#part\">x</a>"
                          "<p style=\"background: url('new/q.png')\"></p></body>");
    ASSERT_EQ(page.Fragments.size(), 1u);
    const TFragmentUse& use = page.Fragments[0];
    EXPECT_EQ(page.Text.substr(use.Begin, use.End - use.Begin), "#part");
    EXPECT_EQ(use.Target, "page.xhtml");
    EXPECT_EQ(use.Fragment, "part");
}

TEST(Xhtml, DeepNestingEndsInText) {
    std::string html;
    for (int i = 0; i < 5000; ++i)
        html += "<div>";
    html += "deep";
    const TXhtmlPage page = Convert(html);
    EXPECT_NE(page.Text.find("deep"), std::string::npos);
    EXPECT_LT(page.Text.size(), 5000u * 6u);
}

TEST(Zip, DosDateTimeKnownAnswers) {
    EXPECT_EQ(DosDateTime(1700000000), 1466872234u); // 2023-11-14 22:13:20 UTC
    EXPECT_EQ(DosDateTime(0), (1u << 21) | (1u << 16)); // before 1980: 1980-01-01 00:00
}
