// The designer window, its dialogs and the preview, over a project alone.
#include "frm_EditBookMark.h"
#include "frm_ToolBar.h"
#include "frm_ToolButtonEditor.h"
#include "frm_ToolbarPreview.h"
#include "toolbar_helpers.h"
#include "u_CommandTable.h"
#include "u_Dialogs.h"
#include "u_EditorServices.h"
#include "u_Pictures.h"
#include "u_ToolbarWidgets.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QKeyEvent>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

// A new project from the default project, its designer open and shown.
struct TDesignerFixture {
    TEditorCore Core;
    TfrmToolBar* Window = nullptr;

    TDesignerFixture() {
        Core.Project().NewProject();
        Core.Project().SetModified(false);
        TfrmAbstractMDIChild* window = EditorWindows().OpenToolbarDesigner(Core);
        Window = dynamic_cast<TfrmToolBar*>(window);
    }
    ~TDesignerFixture() {
        if (FindChildWindow<TfrmToolBar>())
            Window->CloseWithoutSaving();
        ProcessEvents();
        SetDialogAnswerer(nullptr);
    }
    std::string ToolbarText() { return StoreText(Core.Project().SystemStore(), "\\Toolbar.xml"); }
};

// A key press as the keyboard gives it to the widget.
void SendKey(QWidget* Target, int Key) {
    QKeyEvent press(QEvent::KeyPress, Key, Qt::NoModifier);
    QApplication::sendEvent(Target, &press);
    QKeyEvent release(QEvent::KeyRelease, Key, Qt::NoModifier);
    QApplication::sendEvent(Target, &release);
}

// Runs a command the way the user does: the event loop has been idle before (so the
// enabling rules ran) and a disabled command does nothing.
void Trigger(QAction* Action) {
    Pause(50);
    Action->trigger();
}

std::string RowCaption(TToolbarListView* List, int Row) {
    return List->topLevelItem(Row)->text(0).toStdString();
}

TEST(ToolbarWindows, TheDesignerOpensOnceWithTheDefaultToolbarAndItsCommands) {
    TDesignerFixture f;
    ASSERT_NE(f.Window, nullptr);
    EXPECT_EQ(EditorWindows().OpenToolbarDesigner(f.Core), f.Window); // at most one
    EXPECT_EQ(f.Window->windowTitle(), "ToolBar");
    ASSERT_EQ(f.Window->lvToolBar->topLevelItemCount(), 14);
    EXPECT_EQ(RowCaption(f.Window->lvToolBar, 0), "Back");
    EXPECT_EQ(f.Window->lvToolBar->topLevelItem(8)->text(1), "Bookmarks");
    EXPECT_EQ(f.Window->lvToolBar->headerItem()->text(0), "Caption");
    EXPECT_EQ(f.Window->lvToolBar->headerItem()->text(1), "Type");
    EXPECT_EQ(f.Window->lvToolBar->iconSize(), QSize(24, 24));
    ASSERT_EQ(f.Window->lvBookMarks->topLevelItemCount(), 1);
    EXPECT_EQ(RowCaption(f.Window->lvBookMarks, 0), "Welcome");
    EXPECT_EQ(f.Window->lvBookMarks->topLevelItem(0)->text(1), "\\Welcome.htm");
    EXPECT_EQ(f.Window->lvBookMarks->topLevelItem(0)->checkState(0), Qt::Unchecked);
    EXPECT_EQ(f.Window->pcToolbar->tabText(0), "Buttons");
    EXPECT_EQ(f.Window->pcToolbar->tabText(1), "Bookmarks");

    EXPECT_EQ(f.Window->actReset->text(), "Reset");
    EXPECT_EQ(f.Window->actReset->toolTip(), "Reset Toolbar");
    EXPECT_EQ(f.Window->actReset->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_R));
    EXPECT_EQ(f.Window->actPreview->toolTip(), "Preview toolbar");
    EXPECT_EQ(f.Window->actAddBookMark->toolTip(), "Add new bookmark");
    EXPECT_EQ(f.Window->actMoveUp->shortcut(), QKeySequence(Qt::ALT | Qt::Key_Up));
    EXPECT_EQ(f.Window->actAddButton->shortcut(), QKeySequence(Qt::Key_Insert));

    // The commands follow the selection and the page in front.
    f.Window->Commands().Update();
    EXPECT_FALSE(f.Window->actEditButton->isEnabled());
    f.Window->lvToolBar->SelectRow(0);
    f.Window->Commands().Update();
    EXPECT_TRUE(f.Window->actEditButton->isEnabled());
    EXPECT_FALSE(f.Window->actMoveUp->isEnabled());
    EXPECT_TRUE(f.Window->actMoveDown->isEnabled());
    EXPECT_FALSE(f.Window->actAddBookMark->isEnabled());
    SaveScreenshot(f.Window, "toolbar_designer_buttons.png");
    f.Window->pcToolbar->setCurrentWidget(f.Window->tsBookmarks);
    f.Window->lvBookMarks->SelectRow(0);
    f.Window->Commands().Update();
    EXPECT_TRUE(f.Window->actAddBookMark->isEnabled());
    EXPECT_TRUE(f.Window->actEditBookMark->isEnabled());
    EXPECT_FALSE(f.Window->actAddButton->isEnabled());
    EXPECT_FALSE(f.Window->actMoveUp->isEnabled());
    EXPECT_FALSE(f.Window->actMoveDown->isEnabled());
    SaveScreenshot(f.Window, "toolbar_designer_bookmarks.png");
    EXPECT_FALSE(f.Core.Project().Modified());
}

TEST(ToolbarWindows, AddButtonWithCancelLeavesTheListAndWithOkTakesTheDialogsValues) {
    TDesignerFixture f;
    f.Window->lvToolBar->SelectRow(3);
    AnswerModal<TfrmToolButtonEditor>([](TfrmToolButtonEditor& d) {
        EXPECT_EQ(d.edtButtonCaption->text(), "Button caption");
        EXPECT_EQ(d.cmbxButtonKind->currentText(), "Separator");
        EXPECT_FALSE(d.actSave->isEnabled());
        EXPECT_FALSE(d.actClear->isEnabled());
        d.reject();
    });
    Trigger(f.Window->actAddButton);
    EXPECT_FALSE(f.Window->ButtonDialogOK());
    EXPECT_EQ(f.Window->lvToolBar->topLevelItemCount(), 14);
    EXPECT_EQ(f.Window->Design().Rows.size(), 14u);
    EXPECT_EQ(f.Window->lvToolBar->SelectedRow(), 3);
    EXPECT_FALSE(f.Core.Project().Modified());

    // Choosing a kind sets the caption; a typed kind that is in no entry gives 255.
    AnswerModal<TfrmToolButtonEditor>([](TfrmToolButtonEditor& d) {
        d.cmbxButtonKind->setCurrentIndex(12);
        EXPECT_EQ(d.edtButtonCaption->text(), "Search");
        d.edtButtonCaption->setText("Find it");
        d.cmbxButtonKind->setEditText("Teleport");
        d.accept();
    });
    Trigger(f.Window->actAddButton);
    EXPECT_TRUE(f.Window->ButtonDialogOK());
    ASSERT_EQ(f.Window->lvToolBar->topLevelItemCount(), 15);
    EXPECT_EQ(RowCaption(f.Window->lvToolBar, 14), "Find it");
    EXPECT_EQ(f.Window->lvToolBar->topLevelItem(14)->text(1), "Unknown");
    EXPECT_EQ(f.Window->Design().Rows[14].Kind, 255);
    EXPECT_TRUE(f.Core.Project().Modified());
    f.Window->SaveChanges();
    EXPECT_NE(f.ToolbarText().find("<button caption=\"Find it\" kind=255/>"), std::string::npos);
}

TEST(ToolbarWindows, EditingAButtonShowsItsOwnValuesAndTakesAJpegPictureAsBitmap) {
    TDesignerFixture f;
    QTemporaryDir folder;
    const std::string jpeg = folder.filePath("photo.JPG").toStdString();
    WriteFileText(JpegBytes(Pattern(16, 16, qRgb(250, 250, 250))), jpeg);

    // OK without changes keeps the button.
    f.Window->lvToolBar->SelectRow(7);
    AnswerModal<TfrmToolButtonEditor>([](TfrmToolButtonEditor& d) {
        EXPECT_EQ(d.edtButtonCaption->text(), "Search");
        EXPECT_EQ(d.cmbxButtonKind->currentIndex(), 12);
        EXPECT_TRUE(d.actSave->isEnabled());
        SaveScreenshot(&d, "toolbar_button_properties.png");
        d.accept();
    });
    emit f.Window->lvToolBar->Activated(7); // Enter or a double click
    EXPECT_TRUE(f.Window->ButtonDialogOK());
    EXPECT_EQ(f.Window->Design().Rows[7].Caption, "Search");
    EXPECT_EQ(f.Window->Design().Rows[7].Kind, 12);

    // A separator gets a JPEG picture; it is kept and stored as a bitmap.
    f.Window->lvToolBar->SelectRow(2);
    AnswerModal<TfrmToolButtonEditor>([jpeg](TfrmToolButtonEditor& d) {
        EXPECT_EQ(d.edtButtonCaption->text(), "Separator");
        SetDialogAnswerer([jpeg](TDialogRequest& r) {
            r.Value = jpeg;
            return r.Kind == "open" ? QMessageBox::Ok : QMessageBox::Cancel;
        });
        d.actLoad->trigger();
        EXPECT_EQ(d.Picture().Kind, TButtonPictureKind::Bitmap);
        d.Commands().Update();
        EXPECT_TRUE(d.actClear->isEnabled());
        // "Save..." writes the picture in its own format: a bitmap.
        const std::string saved = jpeg + ".saved";
        SetDialogAnswerer([saved](TDialogRequest& r) {
            r.Value = saved;
            return r.Kind == "save" ? QMessageBox::Ok : QMessageBox::Cancel;
        });
        d.actSave->trigger();
        SetDialogAnswerer(nullptr);
        EXPECT_EQ(ReadFileText(saved).substr(0, 2), "BM");
        d.accept();
    });
    Trigger(f.Window->actEditButton);
    EXPECT_FALSE(f.Window->lvToolBar->topLevelItem(2)->icon(0).isNull());
    f.Window->SaveChanges();
    TMFS& store = f.Core.Project().SystemStore();
    EXPECT_NE(f.ToolbarText().find("<button caption=\"Separator\" kind=0 Image=\"\\Toolbar.buttons\\2.bmp\"/>"),
              std::string::npos);
    const QImage stored = ReadPicture(StoreText(store, "\\Toolbar.buttons\\2.bmp"), "2.bmp");
    EXPECT_EQ(stored.size(), QSize(24, 24));

    // A metafile cannot be loaded in the dialog: its message names it.
    const std::string wmf = folder.filePath("drawing.wmf").toStdString();
    WriteFileText("not drawable here", wmf);
    std::vector<std::string> shown;
    AnswerModal<TfrmToolButtonEditor>([&shown, wmf](TfrmToolButtonEditor& d) {
        SetDialogAnswerer([&shown, wmf](TDialogRequest& r) {
            if (r.Kind == "open") {
                r.Value = wmf;
                return QMessageBox::Ok;
            }
            shown.push_back(r.Text);
            return QMessageBox::Ok;
        });
        d.actLoad->trigger();
        SetDialogAnswerer(nullptr);
        d.reject();
    });
    Trigger(f.Window->actEditButton);
    EXPECT_FALSE(f.Window->ButtonDialogOK());
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].find("cannot be shown"), std::string::npos) << shown[0];
}

TEST(ToolbarWindows, MovingAndDeletingRowsAndBookmarks) {
    TDesignerFixture f;
    TToolbarListView* list = f.Window->lvToolBar;
    list->SelectRow(0);
    f.Window->actMoveUpExecute();
    EXPECT_EQ(RowCaption(list, 0), "Back");
    EXPECT_FALSE(f.Core.Project().Modified());
    list->SelectRow(13);
    f.Window->actMoveDownExecute();
    EXPECT_EQ(RowCaption(list, 13), "Exit");
    EXPECT_FALSE(f.Core.Project().Modified());

    list->SelectRow(1);
    f.Window->actMoveUpExecute();
    EXPECT_EQ(RowCaption(list, 0), "Forward");
    EXPECT_EQ(RowCaption(list, 1), "Back");
    EXPECT_EQ(list->SelectedRow(), 0);
    EXPECT_TRUE(f.Core.Project().Modified());

    // Deleting the Favourites button lets Reset bring the default bookmarks back.
    f.Window->pcToolbar->setCurrentWidget(f.Window->tsBookmarks);
    f.Window->lvBookMarks->SelectRow(0);
    f.Window->actDelBookMarkExecute();
    EXPECT_EQ(f.Window->lvBookMarks->topLevelItemCount(), 0);
    f.Window->pcToolbar->setCurrentWidget(f.Window->tsButtons);
    list->SelectRow(8);
    f.Window->actDeleteButtonExecute();
    EXPECT_EQ(list->topLevelItemCount(), 13);
    EXPECT_FALSE(f.Window->BookmarksLoaded());
    f.Window->actResetExecute();
    EXPECT_EQ(list->topLevelItemCount(), 14);
    EXPECT_EQ(RowCaption(list, 0), "Back");
    ASSERT_EQ(f.Window->lvBookMarks->topLevelItemCount(), 1);
    EXPECT_EQ(RowCaption(f.Window->lvBookMarks, 0), "Welcome");
}

TEST(ToolbarWindows, BookmarkDialogAndInPlaceEditsMarkTheProjectWhileLoaded) {
    TDesignerFixture f;
    f.Window->pcToolbar->setCurrentWidget(f.Window->tsBookmarks);
    AnswerModal<TfrmEditBookMark>([](TfrmEditBookMark& d) {
        EXPECT_EQ(d.windowTitle(), "Edit Bookmark");
        EXPECT_EQ(d.edtLinkTitle->text(), "Enter resource description here...");
        EXPECT_EQ(d.edtWebAddress->text(), "Enter resource www-address here...");
        EXPECT_FALSE(d.cbNewWindow->isChecked());
        EXPECT_EQ(d.cbNewWindow->toolTip(), "Open browser in a new window");
        EXPECT_TRUE(d.btnOK->isDefault());
        SaveScreenshot(&d, "toolbar_edit_bookmark.png");
        d.edtLinkTitle->setText("Say \"hi\"");
        d.edtWebAddress->setText("http://example.org/");
        d.cbNewWindow->setChecked(true);
        SendKey(&d, Qt::Key_Return);
    });
    Trigger(f.Window->actAddBookMark);
    ASSERT_EQ(f.Window->lvBookMarks->topLevelItemCount(), 2);
    EXPECT_EQ(f.Window->lvBookMarks->topLevelItem(1)->checkState(0), Qt::Checked);
    EXPECT_TRUE(f.Core.Project().Modified());

    // Escape cancels an edit.
    f.Window->lvBookMarks->SelectRow(0);
    AnswerModal<TfrmEditBookMark>([](TfrmEditBookMark& d) {
        EXPECT_EQ(d.edtLinkTitle->text(), "Welcome");
        d.edtLinkTitle->setText("Changed");
        SendKey(&d, Qt::Key_Escape);
    });
    Trigger(f.Window->actEditBookMark);
    EXPECT_EQ(RowCaption(f.Window->lvBookMarks, 0), "Welcome");

    // F2 edits a caption in place; the check box is the new-window flag.
    f.Core.Project().SetModified(false);
    f.Window->lvBookMarks->setFocus();
    SendKey(f.Window->lvBookMarks, Qt::Key_F2);
    ASSERT_TRUE(f.Window->lvBookMarks->Editing());
    auto* editor = f.Window->lvBookMarks->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->setText("Start page");
    f.Window->ApplyChanges(); // an edit under way is taken
    EXPECT_FALSE(f.Window->lvBookMarks->Editing());
    EXPECT_EQ(f.Window->Design().Bookmarks[0].Caption, "Start page");
    EXPECT_TRUE(f.Core.Project().Modified());
    f.Window->lvBookMarks->topLevelItem(0)->setCheckState(0, Qt::Checked);
    EXPECT_TRUE(f.Window->Design().Bookmarks[0].NewWindow);

    f.Window->SaveChanges();
    EXPECT_NE(f.ToolbarText().find("<item caption=\"Start page\" url=\"\\Welcome.htm\" NewWindow=True/>\r\n"
                                   "    <item caption=\"Say \"\"hi\"\"\" url=\"http://example.org/\" NewWindow=True/>"),
              std::string::npos)
        << f.ToolbarText();

    // Closing without saving writes nothing, and the window is gone.
    f.Window->pcToolbar->setCurrentWidget(f.Window->tsButtons);
    f.Window->lvToolBar->SelectRow(0);
    f.Window->actDeleteButtonExecute();
    const std::string saved = f.ToolbarText();
    f.Window->CloseWithoutSaving();
    ProcessEvents();
    EXPECT_EQ(f.ToolbarText(), saved);
    EXPECT_EQ(FindChildWindow<TfrmToolBar>(), nullptr);
}

TEST(ToolbarWindows, ClosingTheDesignerSavesIt) {
    TDesignerFixture f;
    f.Window->lvToolBar->SelectRow(0);
    f.Window->actDeleteButtonExecute();
    f.Window->close();
    ProcessEvents();
    EXPECT_EQ(FindChildWindow<TfrmToolBar>(), nullptr);
    EXPECT_EQ(f.ToolbarText().find("caption=\"Back\""), std::string::npos);
    EXPECT_EQ(StoreText(f.Core.Project().SystemStore(), "\\Toolbar.buttons\\0.bmp").substr(0, 2), "BM");
}

TEST(ToolbarWindows, PreviewShowsTheStoredToolbarByTheOptions) {
    TEditorCore core;
    core.Project().NewProject();
    TMFS& store = core.Project().SystemStore();
    // The default toolbar with a button without picture after "Back".
    std::string text = StoreText(store, "\\Toolbar.xml");
    text.replace(text.find("  <button caption=\"Forward\""), 0, "  <button caption=\"Bare\" kind=16/>\r\n");
    text.replace(text.find("  <button caption=\"Print\""), 0, "  <button caption=\"Font\" kind=11/>\r\n");
    SetStoreText(store, "\\Toolbar.xml", text);
    QImage logo(90, 44, QImage::Format_RGB32);
    logo.fill(qRgb(30, 90, 160));
    SetStoreText(store, "\\Logo.bmp", BitmapFileBytes(logo));
    TToolbarOptions options = core.Project().Options().Toolbar();
    options.ToolbarShowCaption = true;
    options.ToolbarBtnW = 56;
    options.ToolbarBtnH = 46;
    options.LogoDisplay = true;

    {
        TfrmToolbarPreview preview;
        preview.Build(store, options);
        preview.show();
        ProcessEvents();
        preview.SizeToolbarPanel();
        EXPECT_EQ(preview.windowTitle(), "Toolbar Preview");
        EXPECT_LT(preview.pnlToolbar->y(), preview.wbBrowser->y());
        auto* bare = preview.tbrMain->findChild<QToolButton*>("tbtnRefresh");
        ASSERT_NE(bare, nullptr);
        EXPECT_TRUE(bare->icon().isNull());
        EXPECT_EQ(bare->text(), "Bare");
        EXPECT_EQ(bare->toolTip(), "Bare");
        EXPECT_EQ(bare->size(), QSize(56, 46));
        EXPECT_EQ(bare->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
        auto* back = preview.tbrMain->findChild<QToolButton*>("tbtnBack");
        ASSERT_NE(back, nullptr);
        EXPECT_FALSE(back->icon().isNull());
        EXPECT_TRUE(back->autoRaise()); // the default project's toolbar is flat
        const QList<QWidget*> separators = preview.tbrMain->findChildren<QWidget*>("tbsSeparator");
        ASSERT_EQ(separators.size(), 3);
        EXPECT_EQ(separators[0]->width(), 8);
        auto* font = preview.tbrMain->findChild<QToolButton*>("tbtnFontSize");
        ASSERT_NE(font, nullptr);
        ASSERT_NE(font->menu(), nullptr);
        ASSERT_EQ(font->menu()->actions().size(), 5);
        EXPECT_EQ(font->menu()->actions()[1]->text(), "Small");
        auto* marks = preview.tbrMain->findChild<QToolButton*>("tbtnFavourites");
        ASSERT_NE(marks, nullptr);
        ASSERT_EQ(marks->menu()->actions().size(), 1);
        EXPECT_EQ(marks->menu()->actions()[0]->text(), "Welcome");
        EXPECT_EQ(marks->menu()->actions()[0]->toolTip(), "\\Welcome.htm");
        EXPECT_TRUE(preview.pnlLogo->isVisible());
        EXPECT_EQ(preview.pnlLogo->width(), 90);
        EXPECT_GE(preview.pnlToolbar->height(), 46);
        SaveScreenshot(&preview, "toolbar_preview_top_captions.png");
        // Exit closes the preview.
        auto* exitButton = preview.tbrMain->findChild<QToolButton*>("tbtnExit");
        ASSERT_NE(exitButton, nullptr);
        exitButton->click();
        EXPECT_FALSE(preview.isVisible());
    }

    options.ToolbarPlacement = tpBottom;
    options.ToolbarShowCaption = false;
    options.ToolbarFlat = false;
    options.LogoDisplay = false;
    options.ToolbarBtnW = 32;
    options.ToolbarBtnH = 32;
    options.ToolbarBackColor = 0x00C0E0F0;
    {
        TfrmToolbarPreview preview;
        preview.Build(store, options);
        preview.show();
        ProcessEvents();
        EXPECT_GT(preview.pnlToolbar->y(), preview.wbBrowser->y());
        EXPECT_FALSE(preview.pnlLogo->isVisible());
        auto* back = preview.tbrMain->findChild<QToolButton*>("tbtnBack");
        EXPECT_EQ(back->toolButtonStyle(), Qt::ToolButtonIconOnly);
        EXPECT_FALSE(back->autoRaise());
        EXPECT_EQ(preview.pnlToolbar->palette().color(QPalette::Window), QColor(0xF0, 0xE0, 0xC0));
        SaveScreenshot(&preview, "toolbar_preview_bottom.png");
    }
    options.ToolbarPlacement = tpNoToolbar;
    TfrmToolbarPreview hidden;
    hidden.Build(store, options);
    hidden.show();
    ProcessEvents();
    EXPECT_FALSE(hidden.pnlToolbar->isVisible());
}

TEST(ToolbarWindows, PreviewCommandSavesFirstAndShowsErrorsOfNonBitmapPictures) {
    TDesignerFixture f;
    f.Window->lvToolBar->SelectRow(0);
    f.Window->actDeleteButtonExecute();
    // The preview opens modally on the saved toolbar; Exit closes it.
    AnswerModal<TfrmToolbarPreview>([](TfrmToolbarPreview& d) {
        EXPECT_EQ(d.tbrMain->findChild<QToolButton*>("tbtnBack"), nullptr);
        d.tbrMain->findChild<QToolButton*>("tbtnExit")->click();
    });
    Trigger(f.Window->actPreview);
    EXPECT_EQ(f.ToolbarText().find("caption=\"Back\""), std::string::npos);

    // An icon button cannot be shown by the preview: the error is shown instead.
    QTemporaryDir folder;
    const std::string icon = folder.filePath("pic.ico").toStdString();
    WriteFileText(IconBytes(Pattern(16, 16, qRgb(9, 9, 9))), icon);
    f.Window->lvToolBar->SelectRow(0);
    AnswerModal<TfrmToolButtonEditor>([icon](TfrmToolButtonEditor& d) {
        d.LoadPictureFile(icon);
        EXPECT_EQ(d.Picture().Kind, TButtonPictureKind::Icon);
        d.accept();
    });
    Trigger(f.Window->actEditButton);
    std::vector<std::string> errors;
    SetDialogAnswerer([&errors](TDialogRequest& r) {
        errors.push_back(r.Text);
        return QMessageBox::Ok;
    });
    Trigger(f.Window->actPreview);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("\\Toolbar.buttons\\0.ico"), std::string::npos) << errors[0];
}

} // namespace
