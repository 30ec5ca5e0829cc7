// The designer's working copy over a system store: loading, saving, the picture
// rules, Reset and the preview's reading, called directly.
#include "toolbar_helpers.h"
#include "u_Exception.h"
#include "u_Pictures.h"
#include "u_ToolbarDesign.h"
#include "u_eBookCommon.h"

#include <gtest/gtest.h>

namespace {

TEST(ToolbarDesign, AMissingKindLoadsAs255AndIsWrittenBackSo) {
    TMFS store;
    SetStoreText(store, "\\Toolbar.xml",
                 "<toolbar>\r\n  <button caption=\"Odd\"/>\r\n  <button caption=\"Gap\" kind=0/>\r\n</toolbar>\r\n");
    TToolbarDesign design;
    design.Load(store, 24, 24);
    ASSERT_EQ(design.Rows.size(), 2u);
    EXPECT_EQ(design.Rows[0].Kind, 255);
    EXPECT_EQ(ToolButtonCaption(design.Rows[0].Kind), "Unknown");
    EXPECT_EQ(design.Rows[0].Picture, -1);
    EXPECT_TRUE(design.ToolbarLoaded);
    EXPECT_FALSE(design.BookmarksLoaded);

    ASSERT_TRUE(design.SaveTo(store));
    EXPECT_EQ(StoreText(store, "\\Toolbar.xml"), "<toolbar>\r\n  <button caption=\"Odd\" kind=255/>\r\n"
                                                 "  <button caption=\"Gap\" kind=0/>\r\n</toolbar>\r\n");
    // The dialog's kind text: an entry (letter case ignored) or 255.
    EXPECT_EQ(ToolButtonKindOfText("Unknown"), 255);
    EXPECT_EQ(ToolButtonKindOfText("bookmarks"), 13);
    EXPECT_EQ(ToolButtonKindOfText("Prior Chapter"), 7);
    EXPECT_EQ(ToolButtonKindOfText(""), 255);
}

TEST(ToolbarDesign, BookmarksComeFromTheFirstFavouritesButtonAndGoUnderEvery) {
    TMFS store;
    SetStoreText(store, "\\Toolbar.xml",
                 "<toolbar>\r\n"
                 "  <button caption=\"A\" kind=13>\r\n"
                 "    <item caption=\"One\" url=\"\\1.htm\" NewWindow=False/>\r\n"
                 "    <item/>\r\n"
                 "  </button>\r\n"
                 "  <button caption=\"B\" kind=13>\r\n"
                 "    <item caption=\"Other\" url=\"\\9.htm\"/>\r\n"
                 "  </button>\r\n"
                 "</toolbar>\r\n");
    TToolbarDesign design;
    design.Load(store, 24, 24);
    ASSERT_EQ(design.Bookmarks.size(), 2u);
    EXPECT_EQ(design.Bookmarks[0].Caption, "One");
    EXPECT_FALSE(design.Bookmarks[0].NewWindow);
    // Defaults of the designer: "Description", "URL", a new window.
    EXPECT_EQ(design.Bookmarks[1].Caption, "Description");
    EXPECT_EQ(design.Bookmarks[1].URL, "URL");
    EXPECT_TRUE(design.Bookmarks[1].NewWindow);
    EXPECT_TRUE(design.BookmarksLoaded);

    design.SaveTo(store);
    const std::string items = "    <item caption=\"One\" url=\"\\1.htm\" NewWindow=False/>\r\n"
                              "    <item caption=\"Description\" url=\"URL\" NewWindow=True/>\r\n";
    EXPECT_EQ(StoreText(store, "\\Toolbar.xml"), "<toolbar>\r\n  <button caption=\"A\" kind=13>\r\n" + items +
                                                     "  </button>\r\n  <button caption=\"B\" kind=13>\r\n" + items +
                                                     "  </button>\r\n</toolbar>\r\n");
}

TEST(ToolbarDesign, ResetKeepsLoadedBookmarksAndReloadsThemAfterTheFavouritesButtonWent) {
    TMFS store;
    SetStoreText(store, "\\Toolbar.xml",
                 "<toolbar>\r\n  <button caption=\"Mine\" kind=13>\r\n"
                 "    <item caption=\"Own\" url=\"\\own.htm\" NewWindow=True/>\r\n  </button>\r\n</toolbar>\r\n");
    TToolbarDesign design;
    design.Load(store, 24, 24);
    ASSERT_EQ(design.Bookmarks.size(), 1u);

    design.Reset(store, DefaultToolbarSystemFolder(), 24, 24);
    EXPECT_EQ(design.Rows.size(), 14u); // the default toolbar
    EXPECT_EQ(design.Rows[8].Kind, tbkFavourites);
    ASSERT_EQ(design.Bookmarks.size(), 1u);
    EXPECT_EQ(design.Bookmarks[0].Caption, "Own");
    EXPECT_TRUE(design.ToolbarLoaded);
    // The default pictures are in the store and in the rows.
    EXPECT_TRUE(store.Session()->Exists("\\Toolbar.buttons\\13.bmp"));
    ASSERT_NE(design.RowPicture(0), nullptr);
    EXPECT_EQ(design.RowPicture(0)->Kind, TButtonPictureKind::Bitmap);
    EXPECT_FALSE(design.Rows[0].ListPicture.isNull());
    EXPECT_EQ(design.RowPicture(2), nullptr); // a separator

    design.DeleteButton(8);
    EXPECT_FALSE(design.BookmarksLoaded);
    design.Reset(store, DefaultToolbarSystemFolder(), 24, 24);
    ASSERT_EQ(design.Bookmarks.size(), 1u);
    EXPECT_EQ(design.Bookmarks[0].Caption, "Welcome");
    EXPECT_EQ(design.Bookmarks[0].URL, "\\Welcome.htm");
    EXPECT_FALSE(design.Bookmarks[0].NewWindow);

    // Without a default project nothing changes, and the design still saves.
    const std::string before = StoreText(store, "\\Toolbar.xml");
    EXPECT_ANY_THROW(design.Reset(store, "/nonexistent/DefaultProject.system", 24, 24));
    EXPECT_EQ(StoreText(store, "\\Toolbar.xml"), before);
    EXPECT_EQ(design.Rows.size(), 14u);
    EXPECT_TRUE(design.ToolbarLoaded);
    EXPECT_TRUE(store.Session()->Exists("\\Toolbar.buttons\\13.bmp"));
}

TEST(ToolbarDesign, SmallBitmapsAreWidenedWithTheCornerColourAndLargeOnesCut) {
    const QRgb corner = qRgb(255, 0, 255);
    QImage small = Pattern(16, 16, corner);
    FitButtonPicture(small, 24, 24);
    ASSERT_EQ(small.size(), QSize(24, 24));
    EXPECT_EQ(small.pixel(5, 7), Pattern(16, 16, corner).pixel(5, 7));
    for (int i = 0; i < 24; ++i) {
        EXPECT_EQ(small.pixel(20, i), corner);
        EXPECT_EQ(small.pixel(i, 16), corner);
    }

    // In the list the corner colour is transparent, the rest is not.
    TButtonPicture picture;
    picture.Kind = TButtonPictureKind::Bitmap;
    picture.Image = Pattern(16, 16, corner);
    const QImage list = ButtonListPicture(picture, 24, 24);
    ASSERT_EQ(list.size(), QSize(24, 24));
    EXPECT_EQ(qAlpha(list.pixel(23, 23)), 0);
    EXPECT_EQ(qAlpha(list.pixel(0, 0)), 0);
    EXPECT_EQ(list.pixel(5, 7), Pattern(16, 16, corner).pixel(5, 7));

    const QImage big = Pattern(48, 48, corner);
    QImage cut = big;
    FitButtonPicture(cut, 24, 24);
    ASSERT_EQ(cut.size(), QSize(24, 24));
    EXPECT_EQ(cut.pixel(23, 23), big.pixel(23, 23));
    EXPECT_EQ(cut.pixel(11, 3), big.pixel(11, 3));

    // Loading fits the stored bitmap itself, so the store gets the fitted picture back.
    TMFS store;
    SetStoreText(store, "\\Toolbar.buttons\\0.bmp", BitmapFileBytes(Pattern(16, 16, corner)));
    SetStoreText(store, "\\Toolbar.xml",
                 "<toolbar>\r\n  <button caption=\"B\" kind=1 Image=\"\\Toolbar.buttons\\0.bmp\"/>\r\n</toolbar>\r\n");
    TToolbarDesign design;
    design.Load(store, 24, 24);
    ASSERT_NE(design.RowPicture(0), nullptr);
    EXPECT_EQ(design.RowPicture(0)->Image.size(), QSize(24, 24));
    design.SaveTo(store);
    const QImage saved = ReadPicture(StoreText(store, "\\Toolbar.buttons\\0.bmp"), "0.bmp");
    EXPECT_EQ(saved.size(), QSize(24, 24));
    EXPECT_EQ(saved.pixel(22, 22), corner);
}

TEST(ToolbarDesign, RowsMoveWithinTheListOnly) {
    EXPECT_EQ(MovedRowIndex(0, 3, true), -1);
    EXPECT_EQ(MovedRowIndex(2, 3, false), -1);
    EXPECT_EQ(MovedRowIndex(-1, 3, true), -1);
    EXPECT_EQ(MovedRowIndex(1, 3, true), 0);
    EXPECT_EQ(MovedRowIndex(1, 3, false), 2);
    std::vector<int> rows{1, 2, 3};
    EXPECT_EQ(MoveRow(rows, 0, true), -1);
    EXPECT_EQ(MoveRow(rows, 2, false), -1);
    EXPECT_EQ(rows, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(MoveRow(rows, 2, true), 1);
    EXPECT_EQ(rows, (std::vector<int>{1, 3, 2}));

    // The commands follow the page in front and its selection.
    TToolbarCommandState state = ToolbarCommandState(TToolbarPage::Buttons, 0, 3);
    EXPECT_TRUE(state.AddButton && state.EditButton && state.DeleteButton && state.MoveDown);
    EXPECT_FALSE(state.MoveUp || state.AddBookMark || state.EditBookMark || state.DelBookMark);
    state = ToolbarCommandState(TToolbarPage::Buttons, -1, 3);
    EXPECT_FALSE(state.EditButton || state.DeleteButton || state.MoveUp || state.MoveDown);
    EXPECT_TRUE(state.AddButton && state.Reset && state.Preview);
    state = ToolbarCommandState(TToolbarPage::Bookmarks, 1, 2);
    EXPECT_TRUE(state.AddBookMark && state.EditBookMark && state.DelBookMark && state.MoveUp);
    EXPECT_FALSE(state.MoveDown || state.AddButton || state.EditButton);
}

TEST(ToolbarDesign, PicturesAreStoredUnderTheRowPositionInTheirOwnFormat) {
    const QRgb corner = qRgb(0, 128, 0);
    const std::string icon = IconBytes(Pattern(16, 16, corner));
    TMFS store;
    SetStoreText(store, "\\Toolbar.buttons\\a.jpg", JpegBytes(Pattern(24, 24, corner)));
    SetStoreText(store, "\\Toolbar.buttons\\b.emf", "EMF-BYTES");
    SetStoreText(store, "\\Toolbar.buttons\\c.ico", icon);
    SetStoreText(store, "\\Toolbar.buttons\\d.bmp", "damaged");
    SetStoreText(store, "\\Toolbar.xml",
                 "<toolbar>\r\n"
                 "  <button caption=\"Jpeg\" kind=1 Image=\"\\Toolbar.buttons\\a.jpg\"/>\r\n"
                 "  <button caption=\"Plain\" kind=2/>\r\n"
                 "  <button caption=\"Meta\" kind=3 Image=\"\\Toolbar.buttons\\b.emf\"/>\r\n"
                 "  <button caption=\"Icon\" kind=4 Image=\"\\Toolbar.buttons\\c.ico\"/>\r\n"
                 "  <button caption=\"Broken\" kind=5 Image=\"\\Toolbar.buttons\\d.bmp\"/>\r\n"
                 "  <button caption=\"Missing\" kind=6 Image=\"\\Toolbar.buttons\\none.bmp\"/>\r\n"
                 "  <button caption=\"Bad\" kind=\"seven\"/>\r\n"
                 "  <button caption=\"Never\" kind=8/>\r\n"
                 "</toolbar>\r\n");
    TToolbarDesign design;
    design.Load(store, 24, 24);
    // A kind that is no number ends the loading; the rows before it stay.
    ASSERT_EQ(design.Rows.size(), 6u);
    EXPECT_EQ(design.RowPicture(0)->Kind, TButtonPictureKind::Bitmap); // JPEG kept as a bitmap
    EXPECT_FALSE(design.Rows[0].ListPicture.isNull());
    EXPECT_EQ(design.RowPicture(1), nullptr);
    EXPECT_EQ(design.RowPicture(2)->Kind, TButtonPictureKind::Metafile);
    EXPECT_TRUE(design.Rows[2].ListPicture.isNull()); // a metafile is not drawn here
    EXPECT_EQ(design.RowPicture(3)->Kind, TButtonPictureKind::Icon);
    EXPECT_FALSE(design.Rows[3].ListPicture.isNull());
    EXPECT_EQ(design.RowPicture(4), nullptr); // unreadable
    EXPECT_EQ(design.RowPicture(5), nullptr); // not in the store

    design.SaveTo(store);
    TMFSSession* session = store.Session();
    EXPECT_EQ(StoreText(store, "\\Toolbar.buttons\\0.bmp").substr(0, 2), "BM");
    EXPECT_FALSE(session->Exists("\\Toolbar.buttons\\1.bmp")); // a gap for the row without one
    EXPECT_EQ(StoreText(store, "\\Toolbar.buttons\\2.emf"), "EMF-BYTES");
    EXPECT_TRUE(StoreText(store, "\\Toolbar.buttons\\3.ico") == icon); // unchanged
    EXPECT_FALSE(session->Exists("\\Toolbar.buttons\\a.jpg")); // the folder holds the current pictures only
    EXPECT_EQ(session->ForceFolders("\\Toolbar.buttons")->ChildCount(), 3);
    const std::string text = StoreText(store, "\\Toolbar.xml");
    EXPECT_NE(text.find("<button caption=\"Jpeg\" kind=1 Image=\"\\Toolbar.buttons\\0.bmp\"/>"), std::string::npos);
    EXPECT_NE(text.find("<button caption=\"Plain\" kind=2/>"), std::string::npos);

    // Moving rows renames their pictures on the next save.
    ASSERT_EQ(MoveRow(design.Rows, 3, true), 2);
    design.SaveTo(store);
    EXPECT_TRUE(StoreText(store, "\\Toolbar.buttons\\2.ico") == icon);
    EXPECT_EQ(StoreText(store, "\\Toolbar.buttons\\3.emf"), "EMF-BYTES");
    EXPECT_FALSE(session->Exists("\\Toolbar.buttons\\2.emf"));
}

TEST(ToolbarDesign, AddEditDeleteAndTheEmptyPictureOfAnEdit) {
    TMFS store;
    TToolbarDesign design;
    design.Load(store, 24, 24); // no description: no rows, and no file is made
    EXPECT_FALSE(store.Session()->Exists("\\Toolbar.xml"));
    EXPECT_TRUE(design.Rows.empty());

    const int row = design.AddButton();
    EXPECT_EQ(design.Rows[0].Caption, "Button caption");
    EXPECT_EQ(design.Rows[0].Kind, 0);
    EXPECT_EQ(design.PrepareEdit(row), 0);
    EXPECT_EQ(design.PrepareEdit(row), 0); // once per row
    ASSERT_NE(design.RowPicture(row), nullptr);
    EXPECT_FALSE(design.RowPicture(row)->HasPicture());

    TButtonPicture picture;
    picture.Kind = TButtonPictureKind::Bitmap;
    picture.Image = Pattern(16, 16, qRgb(1, 2, 3));
    design.ApplyEdit(row, 13, "Favs", picture);
    EXPECT_EQ(design.Rows[0].Kind, 13);
    EXPECT_EQ(design.RowPicture(row)->Image.size(), QSize(24, 24));
    EXPECT_FALSE(design.Rows[0].ListPicture.isNull());
    design.SaveTo(store);
    EXPECT_NE(StoreText(store, "\\Toolbar.xml").find("kind=13 Image=\"\\Toolbar.buttons\\0.bmp\">"),
              std::string::npos);

    // A deleted row leaves its picture in the list; a new row gets a new one.
    design.DeleteButton(row);
    EXPECT_TRUE(design.Rows.empty());
    EXPECT_EQ(design.ButtonPictures.size(), 1u);
    design.AddButton();
    EXPECT_EQ(design.PrepareEdit(0), 1);

    // Nothing is written once the design stopped holding the store's toolbar.
    design.ToolbarLoaded = false;
    EXPECT_FALSE(design.SaveTo(store));
    EXPECT_NE(StoreText(store, "\\Toolbar.xml").find("Favs"), std::string::npos);
}

TEST(ToolbarDesign, PreviewReadsTheStoredDescriptionWithBitmapPicturesOnly) {
    TMFS store;
    SetStoreText(store, "\\Toolbar.buttons\\0.bmp", BitmapFileBytes(Pattern(24, 24, qRgb(255, 0, 255))));
    SetStoreText(store, "\\Toolbar.xml",
                 "<toolbar>\r\n"
                 "  <button caption=\"Back\" kind=1 Image=\"\\Toolbar.buttons\\0.bmp\"/>\r\n"
                 "  <button caption=\"Sep\" kind=0 Image=\"\\Toolbar.buttons\\0.bmp\"/>\r\n"
                 "  <button caption=\"Bare\" kind=2/>\r\n"
                 "  <button caption=\"Size\" kind=11/>\r\n"
                 "  <button caption=\"Marks\" kind=13>\r\n    <item caption=\"Home\" url=\"\\h.htm\"/>\r\n"
                 "    <item/>\r\n  </button>\r\n"
                 "  <button caption=\"Odd\"/>\r\n"
                 "</toolbar>\r\n");
    const std::vector<TPreviewButton> buttons = ToolbarPreviewButtons(store, 24, 24);
    ASSERT_EQ(buttons.size(), 6u);
    EXPECT_FALSE(buttons[0].Picture.isNull());
    EXPECT_TRUE(buttons[1].Separator());
    EXPECT_TRUE(buttons[1].Picture.isNull());
    EXPECT_TRUE(buttons[2].Picture.isNull());
    EXPECT_FALSE(buttons[2].DropDown());
    ASSERT_EQ(buttons[3].Menu.size(), 5u);
    EXPECT_EQ(buttons[3].Menu[0].Caption, "Extra Small");
    EXPECT_EQ(buttons[3].Menu[4].Caption, "Extra Large");
    ASSERT_EQ(buttons[4].Menu.size(), 2u);
    EXPECT_EQ(buttons[4].Menu[0].Hint, "\\h.htm");
    EXPECT_EQ(buttons[4].Menu[1].Caption, "Description");
    EXPECT_EQ(buttons[4].Menu[1].Hint, "URL");
    EXPECT_EQ(buttons[5].Kind, 255);

    // An icon picture is no bitmap: the preview refuses it, naming the file.
    SetStoreText(store, "\\Toolbar.buttons\\1.ico", IconBytes(Pattern(16, 16, qRgb(1, 1, 1))));
    SetStoreText(store, "\\Toolbar.xml",
                 "<toolbar>\r\n  <button caption=\"I\" kind=1 Image=\"\\Toolbar.buttons\\1.ico\"/>\r\n</toolbar>\r\n");
    try {
        ToolbarPreviewButtons(store, 24, 24);
        FAIL();
    } catch (const EPictureError& e) {
        EXPECT_NE(std::string(e.what()).find("\"\\Toolbar.buttons\\1.ico\""), std::string::npos) << e.what();
    }
}

} // namespace
