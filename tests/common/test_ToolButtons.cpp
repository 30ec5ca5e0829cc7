#include "u_MFS.h"
#include "u_ToolButtons.h"
#include "u_eBookCommon.h"

#include <gtest/gtest.h>

namespace {

std::string Header(const TToolbarOptions& o) {
    return "<ToolBar\r\n ButtonWidth=" + std::to_string(o.ToolbarBtnW) +
           "\r\r ButtonHeight=" + std::to_string(o.ToolbarBtnH) +
           "\r\r ImageWidth=" + std::to_string(o.ToolbarImgW) +
           "\r\r ImageHeight=" + std::to_string(o.ToolbarImgH) +
           "\r\r FontFaceColor=" + std::to_string(o.ToolbarTextColor) +
           "\r\n BackGroundColor=" + std::to_string(o.ToolbarBackColor) +
           "\r\n Flat=" + (o.ToolbarFlat ? "True" : "False") +
           "\r\n ShowCaptions=" + (o.ToolbarShowCaption ? "True" : "False") +
           "\r\n LogoDisplay=" + (o.LogoDisplay ? "True" : "False") + "\r\n";
}

TEST(ToolButtons, ProjectWithoutToolbarFileGivesEmptyListsAndGainsNoFile) {
    TMFS store, image;
    TToolbarOptions options;
    const std::string text = BuildToolButtonsXml(store, options, image);
    EXPECT_EQ(text, Header(options) +
                        " LogoLink=\"\"\r\r LogoText=\"\">\r\r  <Images>\r\n  </Images>\r\n  <Buttons>\r\n"
                        "  </Buttons>\r\n</ToolBar>\r\n");
    EXPECT_FALSE(store.Session()->Exists("\\Toolbar.xml"));
    EXPECT_TRUE(image.Session()->FolderExists("\\Toolbar.buttons"));
}

TEST(ToolButtons, EveryKindOfButtonIsWrittenExactly) {
    TMFS store, image;
    store.Session()->ForceFolders("\\Toolbar.buttons");
    store.Session()->CreateFile("\\Toolbar.buttons\\0.bmp", 0, false)->Content = std::string("BM\0\1", 4);
    store.Session()->CreateFile("\\Toolbar.buttons\\1.ico", 0, false)->Content = "icon";
    store.Session()->CreateFile("\\Toolbar.buttons\\3.bmp", 0, false)->Content = "fav";
    store.Session()->CreateFile("\\Toolbar.xml", 0, false)->Content =
        "<toolbar>\r\n"
        "  <button caption=\"Back\" kind=1 Image=\"\\Toolbar.buttons\\0.bmp\"/>\r\n"
        "  <button caption=\"Sep\" kind=0 Image=\"\\Toolbar.buttons\\1.ico\"/>\r\n"
        "  <button caption=\"Say \"\"hi\"\"\"/>\r\n"
        "  <button caption=\"Marks\" kind=13 Image=\"\\Toolbar.buttons\\3.bmp\">\r\n"
        "    <item caption=\"One\" url=\"\\a.htm\" NewWindow=True/>\r\n"
        "    <other/>\r\n"
        "  </button>\r\n"
        "  <button caption=\"Home\" kind=17/>\r\n"
        "</toolbar>\r\n";
    TToolbarOptions options;
    options.ToolbarBtnW = 40;
    options.ToolbarTextColor = -16777201;
    options.LogoDisplay = true;
    options.LogoLink = "http://x/\"q\"";
    options.LogoText = "Logo";
    const std::string text = BuildToolButtonsXml(store, options, image);
    const std::string expected =
        Header(options) + " LogoLink=\"http://x/\"\"q\"\"\"\r\r LogoText=\"Logo\">\r\r  <Images>\r\n" +
        "    <Img Name=\"\\Toolbar.buttons\\0.bmp\" Path=\"\\Toolbar.buttons\\0.bmp\"/>\r\n"
        "    <Img Name=\"\\Toolbar.buttons\\1.ico\" Path=\"\\Toolbar.buttons\\1.ico\"/>\r\n"
        "    <Img Name=\"\\Toolbar.buttons\\3.bmp\" Path=\"\\Toolbar.buttons\\3.bmp\"/>\r\n"
        "  </Images>\r\n  <Buttons>\r\n"
        "    <Btn Kind=\"1\" Name=\"tbtnBack\" Caption=\"Back\" Image=\"\\Toolbar.buttons\\0.bmp\" "
        "OnClick=\"tbtnBackClick\"/>\r\n"
        "    <Btn Kind=\"0\" Caption=\"-\"/>\r\n"
        "    <Btn Kind=\"255\" Name=\"tbtnUnknown\" Caption=\"Say \"\"hi\"\"\" Image=\"\" "
        "OnClick=\"tbtnUnknownClick\"/>\r\n"
        "    <Btn Kind=\"13\" Name=\"tbtnFavourites\" Caption=\"Marks\" Image=\"\\Toolbar.buttons\\3.bmp\" "
        "OnClick=\"tbtnFavouritesClick\">\r\n"
        "      <item caption=\"One\" url=\"\\a.htm\" NewWindow=True/>\r\n"
        "      <item caption=\"Description\" url=\"URL\" NewWindow=False/>\r\n"
        "    </Btn>\r\n"
        "    <Btn Kind=\"17\" Name=\"tbtnHome\" Caption=\"Home\" Image=\"\" OnClick=\"tbtnHomeClick\"/>\r\n"
        "  </Buttons>\r\n</ToolBar>\r\n";
    EXPECT_EQ(text, expected);
    // Pictures are copied, the separator's too.
    EXPECT_EQ(image.Session()->OpenFile("\\Toolbar.buttons\\0.bmp")->Content, std::string("BM\0\1", 4));
    EXPECT_EQ(image.Session()->OpenFile("\\Toolbar.buttons\\1.ico")->Content, "icon");
    EXPECT_EQ(image.Session()->OpenFile("\\toolbar.BUTTONS\\3.bmp")->Content, "fav");
}

TEST(ToolButtons, PictureSharedByTwoButtonsIsListedTwice) {
    TMFS store, image;
    store.Session()->ForceFolders("\\Toolbar.buttons");
    store.Session()->CreateFile("\\Toolbar.buttons\\0.bmp", 0, false)->Content = "p";
    store.Session()->CreateFile("\\Toolbar.xml", 0, false)->Content =
        "<toolbar><button kind=5 Image=\"\\Toolbar.buttons\\0.bmp\"/><button kind=6 "
        "Image=\"\\Toolbar.buttons\\0.bmp\"/></toolbar>";
    const std::string text = BuildToolButtonsXml(store, TToolbarOptions(), image);
    const std::string line =
        "    <Img Name=\"\\Toolbar.buttons\\0.bmp\" Path=\"\\Toolbar.buttons\\0.bmp\"/>\r\n";
    const size_t first = text.find(line);
    ASSERT_NE(first, std::string::npos);
    EXPECT_NE(text.find(line, first + line.size()), std::string::npos);
}

TEST(ToolButtons, FailuresStopTheBuild) {
    TMFS store, image;
    store.Session()->CreateFile("\\Toolbar.xml", 0, false)->Content =
        "<toolbar><button kind=1 Image=\"\\Toolbar.buttons\\7.bmp\"/></toolbar>";
    EXPECT_THROW(BuildToolButtonsXml(store, TToolbarOptions(), image), EMFSError);
    store.Session()->OpenFile("\\Toolbar.xml")->Content = "<toolbar><button kind=\"abc\"/></toolbar>";
    EXPECT_ANY_THROW(BuildToolButtonsXml(store, TToolbarOptions(), image));
    store.Session()->OpenFile("\\Toolbar.xml")->Content = "<toolbar><button kind=1>";
    EXPECT_ANY_THROW(BuildToolButtonsXml(store, TToolbarOptions(), image));
}

TEST(ToolbarFile, DesignerFormRoundTripsAndDefaultsDifferPerReader) {
    std::vector<TToolbarButton> buttons(3);
    buttons[0].Kind = tbkBack;
    buttons[0].Caption = "Back";
    buttons[0].Image = ToolbarPicturePath(0, "bmp");
    buttons[1].Kind = tbkSeparator;
    buttons[1].Caption = "Separator";
    buttons[2].Kind = tbkFavourites;
    buttons[2].Caption = "My \"marks\"";
    buttons[2].Image = ToolbarPicturePath(2, "ico");
    buttons[2].Bookmarks = {{"Start", "\\Index.htm", false}, {"Web", "http://example.com/", true}};
    const std::string text = BuildToolbarXml(buttons);
    EXPECT_EQ(text, "<toolbar>\r\n"
                    "  <button caption=\"Back\" kind=1 Image=\"\\Toolbar.buttons\\0.bmp\"/>\r\n"
                    "  <button caption=\"Separator\" kind=0/>\r\n"
                    "  <button caption=\"My \"\"marks\"\"\" kind=13 Image=\"\\Toolbar.buttons\\2.ico\">\r\n"
                    "    <item caption=\"Start\" url=\"\\Index.htm\" NewWindow=False/>\r\n"
                    "    <item caption=\"Web\" url=\"http://example.com/\" NewWindow=True/>\r\n"
                    "  </button>\r\n"
                    "</toolbar>\r\n");
    const std::vector<TToolbarButton> back = ReadToolbarXml(text, true);
    ASSERT_EQ(back.size(), 3u);
    EXPECT_EQ(back[2].Caption, "My \"marks\"");
    EXPECT_EQ(back[2].Image, "\\Toolbar.buttons\\2.ico");
    ASSERT_EQ(back[2].Bookmarks.size(), 2u);
    EXPECT_FALSE(back[2].Bookmarks[0].NewWindow);
    EXPECT_EQ(back[2].Bookmarks[1].URL, "http://example.com/");

    // A bookmark without NewWindow: ticked in the designer, not in the book.
    const std::string bare = "<toolbar><button kind=13><item/></button></toolbar>";
    EXPECT_TRUE(ReadToolbarXml(bare, true)[0].Bookmarks[0].NewWindow);
    EXPECT_FALSE(ReadToolbarXml(bare, false)[0].Bookmarks[0].NewWindow);
    EXPECT_TRUE(ReadToolbarXml("", true).empty());
}

TEST(ToolbarFile, SavingRewritesThePictureFolder) {
    TMFS store;
    store.Session()->ForceFolders("\\Toolbar.buttons");
    store.Session()->CreateFile("\\Toolbar.buttons\\7.bmp", 0, false)->Content = "old";
    std::vector<TToolbarButton> buttons(3);
    buttons[0].Kind = tbkBack;
    buttons[1].Kind = tbkSeparator;
    buttons[1].Image = "\\Toolbar.buttons\\7.bmp";
    buttons[2].Kind = tbkHome;
    SaveToolbarToStore(store, buttons, {{"ico", "I"}, {"", ""}, {"bmp", "B"}});
    EXPECT_EQ(buttons[0].Image, "\\Toolbar.buttons\\0.ico");
    EXPECT_EQ(buttons[1].Image, "");
    EXPECT_EQ(buttons[2].Image, "\\Toolbar.buttons\\2.bmp");
    EXPECT_FALSE(store.Session()->Exists("\\Toolbar.buttons\\7.bmp"));
    EXPECT_EQ(store.Session()->OpenFile("\\Toolbar.buttons\\2.bmp")->Content, "B");
    EXPECT_EQ(store.Session()->OpenFile("\\Toolbar.xml")->Content, BuildToolbarXml(buttons));
    EXPECT_EQ(store.Root()->Child("Toolbar.buttons")->AsFolder()->ChildCount(), 2);
}

} // namespace
