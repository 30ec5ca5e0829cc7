#include "u_SpaceXMLParser.h"
#include "u_eBookCommon.h"

#include <gtest/gtest.h>

#include <string>

namespace {
// Parses Text and hands its root to Fn (the parser owns the tree).
template <typename Fn>
void WithRoot(const std::string& text, Fn fn) {
    TXMLParser parser;
    parser.LoadFromString(text);
    fn(parser.Root());
}
} // namespace

TEST(BookOptions, AttributeStringsExactly) {
    TProjectOptions o;
    EXPECT_EQ(o.GetAttributes(),
              "ApplicationTitle=\"\" MainFormCaption=\"\" OutputPath=\"\" DefaultOutput=True "
              "AllowRightClickContextMenu=1 ResizableWindow=True Width=800 Height=600 Template=\"\" "
              "RunMaximized=False");
    EXPECT_EQ(o.Splash().GetAttributes(),
              "Interval=3 PopUpTextS=\"Starting pop-up text...\" PopUpTextE=\"Ending pop-up text...\" "
              "CloseOnClick=False SplashTypeS=\"vsNone\" SplashTypeE=\"vsNone\"");
    o.Toolbar().ToolbarTextColor = -2147483640; // a system colour
    o.Toolbar().ToolbarPlacement = tpNoToolbar;
    EXPECT_EQ(o.Toolbar().GetAttributes(),
              "ToolbarPlacement=\"tpNoToolbar\" LogoDisplay=False ToolbarTextColor=-2147483640 "
              "ToolbarBackColor=0 ToolbarBtnW=32 ToolbarBtnH=32 ToolbarImgW=24 ToolbarImgH=24 "
              "ToolbarShowCaption=False ToolbarFlat=False LogoLink=\"\" LogoText=\"\" ");
}

TEST(BookOptions, WriteAndReadBack) {
    TProjectOptions o;
    o.ApplicationTitle = "The \"Great\" Book";
    o.MainFormCaption = "Caption";
    o.OutputPath = "/out/book.exe";
    o.DefaultOutput = false;
    o.AllowRightClickContextMenu = 0;
    o.Width = 1024;
    o.Height = -5;
    o.Template = "Classic";
    o.RunMaximized = true;
    o.Splash().PopUpTextS = "line one\r\nline two";
    o.Splash().SplashTypeE = vsSplash;
    o.Splash().Interval = 7;
    o.Toolbar().LogoText = "Logo \"x\"";
    o.Toolbar().ToolbarFlat = true;
    o.Toolbar().ToolbarShowCaption = true;
    std::string text = "<project " + o.GetAttributes() + ">\r\n  <splash " + o.Splash().GetAttributes() +
                       "/>\r\n  <toolbar " + o.Toolbar().GetAttributes() + "/>\r\n</project>\r\n";
    TProjectOptions r;
    WithRoot(text, [&](const TXMLNode* root) {
        ReadProjectOptions(r, root);
        ReadSplashOptions(r.Splash(), root->Nodes.FindNode("splash"));
        ReadToolbarOptions(r.Toolbar(), root->Nodes.FindNode("toolbar"));
    });
    EXPECT_EQ(r.GetAttributes(), o.GetAttributes());
    EXPECT_EQ(r.Splash().GetAttributes(), o.Splash().GetAttributes());
    EXPECT_EQ(r.Toolbar().GetAttributes(), o.Toolbar().GetAttributes());
    EXPECT_EQ(r.ApplicationTitle, "The \"Great\" Book");
    EXPECT_EQ(r.Splash().PopUpTextS, "line one\r\nline two");
}

TEST(BookOptions, MissingAttributesTakeReadingDefaults) {
    TProjectOptions o;
    o.ApplicationTitle = "old";
    o.Template = "old";
    WithRoot("<project><splash/><toolbar/></project>", [&](const TXMLNode* root) {
        ReadProjectOptions(o, root);
        ReadSplashOptions(o.Splash(), root->Nodes.FindNode("splash"));
        ReadToolbarOptions(o.Toolbar(), root->Nodes.FindNode("toolbar"));
    });
    EXPECT_EQ(o.AllowRightClickContextMenu, 2);
    EXPECT_EQ(o.Width, 800);
    EXPECT_EQ(o.Height, 600);
    EXPECT_TRUE(o.DefaultOutput);
    EXPECT_TRUE(o.ResizableWindow);
    EXPECT_FALSE(o.RunMaximized);
    EXPECT_EQ(o.Template, "None");
    EXPECT_EQ(o.ApplicationTitle, "");
    EXPECT_EQ(o.Splash().PopUpTextS, "") << "the creation default is not the reading default";
    EXPECT_TRUE(o.Toolbar().ToolbarShowCaption);
    EXPECT_FALSE(TToolbarOptions().ToolbarShowCaption);
    // No splash node leaves the splash options alone.
    TSplashOptions s;
    ReadSplashOptions(s, nullptr);
    EXPECT_EQ(s.PopUpTextS, "Starting pop-up text...");
}

TEST(BookOptions, EnumerationsAndOutOfRangeValues) {
    TProjectOptions o;
    o.AllowRightClickContextMenu = 0;
    WithRoot("<project AllowRightClickContextMenu=7><splash SplashTypeS=\"VSPOPUP\" SplashTypeE=\"vsBogus\"/>"
             "<toolbar ToolbarPlacement=\"TPBOTTOM\" ToolbarBtnW=\"40\"/></project>",
             [&](const TXMLNode* root) {
                 ReadProjectOptions(o, root);
                 ReadSplashOptions(o.Splash(), root->Nodes.FindNode("splash"));
                 ReadToolbarOptions(o.Toolbar(), root->Nodes.FindNode("toolbar"));
             });
    EXPECT_EQ(o.AllowRightClickContextMenu, 0) << "7 leaves the field as it was";
    EXPECT_EQ(o.Splash().SplashTypeS, vsPopUp);
    EXPECT_EQ(o.Splash().SplashTypeE, vsNone);
    EXPECT_EQ(o.Toolbar().ToolbarPlacement, tpBottom);
    EXPECT_EQ(o.Toolbar().ToolbarBtnW, 40) << "a quoted number still reads as a number";
    WithRoot("<project Width=\"wide\"/>",
             [&](const TXMLNode* root) { EXPECT_THROW(ReadProjectOptions(o, root), EConvertError); });
}

TEST(BookOptions, ButtonKindsAndTextFiles) {
    EXPECT_EQ(ToolButtonName(tbkFavourites), "Favourites");
    EXPECT_EQ(ToolButtonCaption(tbkFavourites), "Bookmarks");
    EXPECT_EQ(ToolButtonCaption(tbkPriorChapter), "Prior Chapter");
    EXPECT_EQ(ToolButtonName(tbkPriorChapter), "PriorChapter");
    EXPECT_EQ(ToolButtonName(tbkHome), "Home");
    EXPECT_EQ(ToolButtonName(18), "Unknown");
    EXPECT_EQ(ToolButtonCaption(255), "Unknown");
    EXPECT_TRUE(IsTextFile("Page.Html"));
    EXPECT_TRUE(IsTextFile("\\css\\site.css"));
    EXPECT_TRUE(IsTextFile("a.INC"));
    EXPECT_FALSE(IsTextFile("a.htmx"));
    EXPECT_FALSE(IsTextFile("a.txt"));
    EXPECT_FALSE(IsTextFile("a.jpg"));
    EXPECT_FALSE(IsTextFile("htm"));
}

TEST(BookOptions, PlaceholderReplacement) {
    EXPECT_EQ(ReplaceTextIgnoreCase("${name} and ${NAME}!", "${NAME}", "X"), "X and X!");
    EXPECT_EQ(ReplaceTextIgnoreCase("${NAME", "${NAME}", "X"), "${NAME");
    EXPECT_EQ(ReplaceTextIgnoreCase("$${NAME}}", "${NAME}", "${NAME}"), "$${NAME}}") << "no rescan";
    EXPECT_EQ(ReplaceTextIgnoreCase("", "${NAME}", "X"), "");
}

TEST(SecuritySettings, TextAndReadBack) {
    std::string text =
        BuildEncryptXml("UserPassword", "pa\"ss", "Selected", {{"ann", "one"}, {"bob \"b\"", ""}});
    EXPECT_EQ(text, "<Encrypt Method=\"UserPassword\" Password=\"pa\"\"ss\" PasswordType=\"Selected\">\r\n"
                    "\t<Info User=\"ann\" Password=\"one\"/>\r\n"
                    "\t<Info User=\"bob \"\"b\"\"\" Password=\"\"/>\r\n"
                    "</Encrypt>\r\n");
    TSecuritySettings s;
    ReadEncryptXml(text, s);
    EXPECT_EQ(s.Method, TSecurityMethod::smUserPassword);
    EXPECT_EQ(s.Password, "pa\"ss");
    EXPECT_EQ(s.PasswordType, TPasswordType::ptSelected);
    ASSERT_EQ(s.Users.size(), 2u);
    EXPECT_EQ(s.Users[1].User, "bob \"b\"");
    EXPECT_EQ(BuildEncryptXml(s), text);
}

TEST(SecuritySettings, LenientReading) {
    TSecuritySettings s;
    s.PasswordType = TPasswordType::ptSelected;
    ReadEncryptXml("<Encrypt Method=\"password\" PasswordType=\"Other\"><Info/></Encrypt>", s);
    EXPECT_EQ(s.Method, TSecurityMethod::smPassword);
    EXPECT_EQ(s.PasswordType, TPasswordType::ptSelected) << "unknown type leaves the choice";
    ASSERT_EQ(s.Users.size(), 1u);
    EXPECT_EQ(s.Users[0].User, "");
    ReadEncryptXml("<Encrypt Method=\"Bogus\"/>", s);
    EXPECT_EQ(s.Method, TSecurityMethod::smNone);
    EXPECT_EQ(s.PasswordType, TPasswordType::ptSimple) << "missing type reads as Simple";
    ReadEncryptXml("", s);
    EXPECT_EQ(s.Method, TSecurityMethod::smNone);
    EXPECT_TRUE(s.Users.empty());
}
