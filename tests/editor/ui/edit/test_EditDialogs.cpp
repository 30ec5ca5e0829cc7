// The page editor's dialogs, and pictures of the editor as the author sees it.
#include "c_EditColorBox.h"
#include "frm_Edit.h"
#include "frm_SelectStoryItem.h"
#include "frm_SelectVariable.h"
#include "frm_TableAttributes.h"
#include "u_Dialogs.h"
#include "u_Registry.h"
#include "u_Templates.h"
#include "u_Variables.h"
#include "ui_helpers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QSpinBox>
#include <QTabWidget>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

// Collects the messages shown while it lives.
struct TMessages {
    std::vector<std::string> Texts;
    TDialogAnswerer Previous;
    TMessages() {
        Previous = SetDialogAnswerer([this](TDialogRequest& Request) {
            Texts.push_back(Request.Text);
            return QMessageBox::Ok;
        });
    }
    ~TMessages() { SetDialogAnswerer(Previous); }
};

} // namespace

TEST(EditDialogs, SelectVariableListsSortedNamesAndNeedsASelection) {
    const TVariables variables(
        "<vars>\r\n<var name=\"gamma\">G</var>\r\n<var name=\"Alpha\">A value</var>\r\n"
        "<var name=\"beta\">B</var>\r\n</vars>\r\n",
        true);
    TfrmSelectVariable dialog(variables);
    EXPECT_EQ(dialog.windowTitle(), "Select Variable");
    ASSERT_EQ(dialog.lstVariables->count(), 3);
    EXPECT_EQ(dialog.lstVariables->item(0)->text(), "Alpha");
    EXPECT_EQ(dialog.lstVariables->item(1)->text(), "beta");
    EXPECT_EQ(dialog.lstVariables->item(2)->text(), "gamma");
    EXPECT_TRUE(dialog.edtValue->isReadOnly());
    dialog.show();
    dialog.accept(); // nothing selected: stays open
    EXPECT_TRUE(dialog.isVisible());
    dialog.lstVariables->setCurrentRow(0);
    EXPECT_EQ(dialog.edtValue->text(), "A value");
    SaveScreenshot(&dialog, "edit_select_variable.png");
    emit dialog.lstVariables->itemDoubleClicked(dialog.lstVariables->item(0));
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.SelectedName(), "Alpha");
}

TEST(EditDialogs, InsertTableRefusesEmptyTablesAndKeepsItsValues) {
    DeleteRegKey(TableAttributesKey);
    TMessages messages;
    TfrmTableAttributes dialog;
    EXPECT_EQ(dialog.windowTitle(), "Insert Table");
    EXPECT_EQ(dialog.spnRows->value(), 2);
    EXPECT_EQ(dialog.spnCols->value(), 2);
    EXPECT_EQ(dialog.spnWidth->minimum(), 10);
    EXPECT_EQ(dialog.spnWidth->value(), 100);
    EXPECT_EQ(dialog.spnHeight->value(), 50);
    EXPECT_TRUE(dialog.chkHeader->isChecked());
    EXPECT_EQ(dialog.chkBorder->checkState(), Qt::Checked);
    EXPECT_EQ(dialog.spnBorderWidth->maximum(), 100);
    EXPECT_EQ(dialog.clrbBorderColor->Color(), 0x808080);
    EXPECT_EQ(dialog.clrbBGColor->Color(), 0xFFFFFF);
    dialog.show();
    SaveScreenshot(&dialog, "edit_insert_table.png");

    dialog.spnRows->setValue(0);
    dialog.accept();
    EXPECT_TRUE(dialog.isVisible());
    dialog.spnRows->setValue(3);
    dialog.spnCols->setValue(0);
    dialog.accept();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(messages.Texts,
              (std::vector<std::string>{"Rows count must exceed 0", "Columns count must exceed 0"}));
    EXPECT_FALSE(RegKeyExists(TableAttributesKey)); // nothing written for a refused table

    dialog.spnCols->setValue(4);
    dialog.chkBorder->setCheckState(Qt::PartiallyChecked);
    EXPECT_FALSE(dialog.spnBorderWidth->isEnabled());
    dialog.clrbTextColor->SetColor(0x123456); // not a standard colour: the custom entry
    EXPECT_EQ(dialog.clrbTextColor->currentIndex(), 0);
    dialog.accept();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(ReadRegInteger(TableAttributesKey, "Rows", 0), 3);
    EXPECT_EQ(ReadRegInteger(TableAttributesKey, "Cols", 0), 4);
    EXPECT_EQ(ReadRegInteger(TableAttributesKey, "TextColor", 0), 0x123456);
    EXPECT_EQ(ReadRegString(TableAttributesKey, "WithBorder"), "");
    TfrmTableAttributes again;
    EXPECT_EQ(again.spnRows->value(), 3);
    EXPECT_EQ(again.clrbTextColor->Color(), 0x123456);
    DeleteRegKey(TableAttributesKey);
}

TEST(EditDialogs, SelectStoryItemAcceptsOnlyAPage) {
    TBookProject project;
    project.NewProject();
    TProjectItemInfo* chapter = project.AddChapterItem(nullptr, "Part One");
    project.FilesStore().Session()->CreateFile("\\One.htm", 0, true);
    TProjectItemInfo* page = project.AddPageItem(chapter, "Page one", "\\One.htm");
    TfrmSelectStoryItem dialog(project.Story());
    EXPECT_EQ(dialog.windowTitle(), "Select Story Item");
    dialog.show();
    dialog.accept(); // nothing selected
    EXPECT_TRUE(dialog.isVisible());
    dialog.SelectItem(chapter);
    dialog.accept();
    EXPECT_TRUE(dialog.isVisible());
    dialog.SelectItem(page);
    SaveScreenshot(&dialog, "edit_select_story_item.png");
    dialog.accept();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.SelectedItem(), page);
}

TEST(EditDialogs, EditorOnATemplatePage) {
    TEditorCore core;
    core.Project().NewProject();
    const TTemplate* novel = core.Templates().FindByCaption("Novel");
    ASSERT_NE(novel, nullptr);
    AddTemplate(core.Project(), *novel, nullptr);
    std::string page;
    for (TProjectItemInfo* item : core.Project().Story().AllItems())
        if (item->Name == "New Chapter")
            page = item->Page;
    ASSERT_FALSE(page.empty());

    TfrmEdit* editor = OpenPageEditor(core, page);
    editor->resize(1000, 700);
    ASSERT_TRUE(WaitFor([&] { return editor->MirrorValid(); }));
    EXPECT_EQ(Named<QComboBox>(*editor, "cmbPages")->count(), 2);
    EXPECT_EQ(Named<QComboBox>(*editor, "cmbPages")->itemText(0), "Chapter title");
    WaitFor([&] { return Named<QComboBox>(*editor, "cmbFontName")->isEnabled(); });
    Pause(300);
    SaveScreenshot(editor, "edit_template_edit_tab.png");
    Named<QComboBox>(*editor, "cmbPages")->activated(1);
    ASSERT_TRUE(WaitFor([&] { return editor->EditedPart() == 1 && editor->MirrorValid(); }));
    Pause(300);
    SaveScreenshot(editor, "edit_template_edit_part2.png");
    editor->ToggleEditPreview();
    ASSERT_TRUE(WaitFor([&] {
        return BodyText(*Named<TMXWebBrowser>(*editor, "webPreview")).find("Chapter Title") !=
               std::string::npos;
    }));
    Pause(300);
    SaveScreenshot(editor, "edit_template_preview_tab.png");
    editor->CloseWithoutSaving();
    ProcessEvents();
}
