// The System Pages window: reading and writing the additional pages list, the rules of
// its commands, Replace File and Reset Pages on a project, and the window with its form
// panel, browser and form preview over a project without the main window.
#include "c_MXWebBrowser.h"
#include "frm_ExtForms.h"
#include "u_CommandTable.h"
#include "u_Dialogs.h"
#include "u_ProgramFolder.h"
#include "ui_helpers.h"

#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSpinBox>
#include <QWebEngineView>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

const char* const ListFile = "\\AdditionalPages.xml";

std::string ReadHost(const std::string& Path) {
    std::ifstream in(Path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string Body(TMXWebBrowser& Browser) {
    return BodyText(Browser);
}

bool ShowsText(TMXWebBrowser& Browser, const std::string& Text) {
    return WaitFor([&] { return Body(Browser).find(Text) != std::string::npos; });
}

TEST(ExtFormsList, ReadsWithDefaultsAndWritesTheExactFormat) {
    std::vector<TExtFormInfo> entries;
    ASSERT_TRUE(ReadExtForms("<AdditionalPages>\r\n"
                             "<Form Path=\"\\a.htm\" Name=\"A\"/>"
                             "<FORM path=\"\\b.htm\" NAME=\"B\" HideScrollBar=False Width=640 Center=False/>"
                             "<Page Path=\"\\c.htm\" Name=\"C\" Caption=\"kept\" Width=10/>"
                             "<Other Name=\"D\"/>"
                             "</AdditionalPages>",
                             entries));
    ASSERT_EQ(entries.size(), 4u);
    // A bare Form: 400 x 300, centred, no scroll bars, not sizeable, system menu, both buttons.
    TExtFormInfo bare;
    bare.Path = "\\a.htm";
    bare.Name = "A";
    bare.IsForm = true;
    EXPECT_EQ(entries[0], bare);
    EXPECT_EQ(entries[0].Width, 400);
    EXPECT_EQ(entries[0].Height, 300);
    EXPECT_TRUE(entries[0].Center && entries[0].SystemMenu && entries[0].Maximize && entries[0].Minimize);
    EXPECT_FALSE(entries[0].Sizeable || entries[0].ScrollBars);
    // "FORM" is a form; attribute names in any letter case.
    EXPECT_TRUE(entries[1].IsForm);
    EXPECT_EQ(entries[1].Path, "\\b.htm");
    EXPECT_TRUE(entries[1].ScrollBars);
    EXPECT_EQ(entries[1].Width, 640);
    EXPECT_FALSE(entries[1].Center);
    // Any other element is a plain page, its form settings read all the same.
    EXPECT_FALSE(entries[2].IsForm);
    EXPECT_EQ(entries[2].Caption, "kept");
    EXPECT_FALSE(entries[3].IsForm);
    EXPECT_EQ(entries[3].Path, "");

    // Scroll bars on are written HideScrollBar=False; a page writes Path and Name only.
    entries[1].Caption = "Bee";
    entries[1].Height = -5;
    EXPECT_EQ(BuildExtFormsXml({entries[1], entries[2]}),
              "<AdditionalPages>\r\n"
              "<Form Path=\"\\b.htm\" Name=\"B\" Caption=\"Bee\" Center=False HideScrollBar=False Width=640 "
              "Height=-5 Sizeable=False SystemMenu=True Maximize=True Minimize=True/>"
              "<Page Path=\"\\c.htm\" Name=\"C\"/>"
              "</AdditionalPages>");
    EXPECT_EQ(BuildExtFormsXml({}), "<AdditionalPages>\r\n</AdditionalPages>");

    // The shipped list reads and writes back byte for byte.
    const std::string shipped = ReadHost(ProgramFolder() + DefaultAdditionalPagesList);
    std::vector<TExtFormInfo> defaults;
    ASSERT_TRUE(ReadExtForms(shipped, defaults));
    EXPECT_EQ(BuildExtFormsXml(defaults), shipped);

    // A double quote read from a hand-written list is written doubled, so the list reads back.
    TExtFormInfo quoted;
    quoted.Name = "Say \"hi\"";
    std::vector<TExtFormInfo> back;
    ASSERT_TRUE(ReadExtForms(BuildExtFormsXml({quoted}), back));
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0].Name, "Say \"hi\"");
    EXPECT_FALSE(IsExtFormTextAllowed("Say \"hi\""));
    EXPECT_TRUE(IsExtFormTextAllowed("Say 'hi'"));

    // A list that cannot be read to its end keeps the entries read so far.
    back.clear();
    EXPECT_FALSE(ReadExtForms("<AdditionalPages><Page Path=\"\\x.htm\" Name=\"X\"/><Form Width=abc/>", back));
    ASSERT_GE(back.size(), 1u);
    EXPECT_EQ(back[0].Name, "X");
    back.clear();
    EXPECT_TRUE(ReadExtForms("", back));
    EXPECT_TRUE(back.empty());
}

TEST(ExtFormsList, PreviewFrameAndPlace) {
    TExtFormInfo entry;
    entry.IsForm = true;
    entry.SystemMenu = false;
    entry.Minimize = false;
    Qt::WindowFlags flags = ExtFormPreviewFlags(entry);
    EXPECT_TRUE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowSystemMenuHint);
    EXPECT_FALSE(flags & Qt::WindowCloseButtonHint);
    entry.SystemMenu = true;
    EXPECT_TRUE(ExtFormPreviewFlags(entry) & Qt::WindowCloseButtonHint);

    const QRect desktop(0, 0, 1280, 1024);
    // Centred: the entry's size around the desktop's centre.
    EXPECT_EQ(ExtFormPreviewRect(entry, desktop), QRect(440, 362, 400, 300));
    // Not centred: where the first 696 x 480 window stood.
    entry.Center = false;
    EXPECT_EQ(ExtFormPreviewRect(entry, desktop), QRect(292, 272, 400, 300));
    // Typed sizes out of reason stay usable.
    entry.Width = -20;
    entry.Height = 100000;
    EXPECT_EQ(ExtFormPreviewRect(entry, desktop).size(), QSize(50, 1024));
}

// A project open in a core, with the questions and messages answered and recorded.
class SystemPages : public ::testing::Test {
protected:
    void SetUp() override {
        Core.Project().NewProject();
        SetDialogAnswerer([this](TDialogRequest& Request) {
            Asked.push_back(Request.Kind + ": " + Request.Text);
            if (Request.Kind == "open") {
                if (OpenAnswer.empty())
                    return QMessageBox::Cancel;
                Request.Value = OpenAnswer;
            }
            return QMessageBox::Ok;
        });
    }
    void TearDown() override {
        SetDialogAnswerer(nullptr);
        for (TfrmAbstractMDIChild* window : OpenDocumentWindows())
            window->CloseWithoutSaving();
        ProcessEvents();
    }

    TMFS& Files() { return Core.Project().FilesStore(); }
    void SetList(const std::string& Text) {
        Core.Project().SystemStore().Session()->CreateFile(ListFile, 0, true)->Content = Text;
    }
    std::string List() { return Core.Project().SystemStore().Session()->OpenFile(ListFile)->Content; }
    TfrmExtFiles* Open() {
        TfrmExtFiles* window = ShowAdditionalPages(Core);
        ProcessEvents();
        return window;
    }
    // A page on disk linking a picture beside it.
    std::string HostPage(const QTemporaryDir& Dir) {
        const std::string folder = Dir.path().toStdString();
        std::ofstream(folder + "/new.htm")
            << "<html><body><p>Fresh page</p><img src=\"pic.gif\"></body></html>";
        std::ofstream(folder + "/pic.gif") << "GIF89a";
        return folder + "/new.htm";
    }

    TEditorCore Core;
    std::vector<std::string> Asked;
    std::string OpenAnswer;
};

TEST_F(SystemPages, ReplaceAndResetOnTheProject) {
    TMFSSession* files = Files().Session();
    files->ForceFolders("\\AdditionalPages\\About.files");
    files->CreateFile("\\AdditionalPages\\About.files\\old.gif", 0, false)->Content = "old";
    QTemporaryDir dir;
    const std::string page = HostPage(dir);

    // A missing page is refused before anything is deleted.
    EXPECT_THROW(ReplaceExtFormFile(Core.Project(), "\\AdditionalPages\\About.htm", page + ".none"),
                 std::exception);
    EXPECT_TRUE(StoreHoldsFile(Files(), "\\AdditionalPages\\About.files\\old.gif"));

    Core.Project().SetModified(false);
    ReplaceExtFormFile(Core.Project(), "\\AdditionalPages\\About.htm", page);
    EXPECT_TRUE(Core.Project().Modified());
    EXPECT_NE(files->OpenFile("\\AdditionalPages\\About.htm")->Content.find("Fresh page"), std::string::npos);
    EXPECT_FALSE(StoreHoldsFile(Files(), "\\AdditionalPages\\About.files\\old.gif"));
    EXPECT_EQ(files->OpenFile("\\AdditionalPages\\About.files\\pic.gif")->Content, "GIF89a");

    // Reset: the shipped list and pages come back, other files stay.
    SetList("<AdditionalPages>\r\n</AdditionalPages>");
    files->Delete("\\AdditionalPages\\NotFound.htm");
    files->CreateFile("\\AdditionalPages\\Mine.htm", 0, false)->Content = "mine";
    ResetAdditionalPages(Core.Project(), ProgramFolder());
    EXPECT_EQ(List(), ReadHost(ProgramFolder() + DefaultAdditionalPagesList));
    EXPECT_EQ(files->OpenFile("\\AdditionalPages\\About.htm")->Content,
              ReadHost(ProgramFolder() + DefaultAdditionalPagesFolder + "/About.htm"));
    EXPECT_TRUE(StoreHoldsFile(Files(), "\\AdditionalPages\\NotFound.htm"));
    EXPECT_TRUE(StoreHoldsFile(Files(), "\\AdditionalPages\\Mine.htm"));
    EXPECT_FALSE(StoreHoldsFile(Files(), "\\AdditionalPages"));
    EXPECT_FALSE(StoreHoldsFile(Files(), ""));
}

TEST_F(SystemPages, WindowShowsEntriesPanelAndPages) {
    TfrmExtFiles* window = Open();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), "System Pages");
    EXPECT_EQ(ShowAdditionalPages(Core), window);
    ASSERT_EQ(window->tvExtFiles->topLevelItemCount(), 4);
    EXPECT_EQ(window->tvExtFiles->topLevelItem(0)->text(0), "About");
    // The first entry is selected: a form, so the panel shows its settings.
    ASSERT_NE(window->SelectedEntry(), nullptr);
    EXPECT_EQ(window->SelectedEntry()->Name, "About");
    EXPECT_TRUE(window->pnlForm->isVisibleTo(window));
    EXPECT_EQ(window->edtCaption->text(), "About this book");
    EXPECT_EQ(window->spnedtWidth->value(), 420);
    EXPECT_FALSE(window->chkScrollBars->isChecked());
    // The page comes through the project protocol, its variables expanded.
    EXPECT_TRUE(ShowsText(*window->wbPage, "by Your Name"));

    // Panel edits mark the project modified and are kept when the selection moves.
    Core.Project().SetModified(false);
    window->spnedtWidth->setValue(500);
    window->chkScrollBars->setChecked(true);
    EXPECT_TRUE(Core.Project().Modified());
    window->SelectEntry(2);
    EXPECT_EQ(window->Entries()[0].Width, 500);
    EXPECT_TRUE(window->Entries()[0].ScrollBars);
    EXPECT_FALSE(window->pnlForm->isVisibleTo(window));
    EXPECT_TRUE(ShowsText(*window->wbPage, "Search"));

    // A page entry keeps the panel's values in memory but writes Path and Name only: its
    // size changes nothing of the project. (Each change of the panel reaches the project
    // at once; saving again changes nothing.)
    Core.Project().SetModified(false);
    window->spnedtHeight->setValue(123);
    EXPECT_FALSE(Core.Project().Modified());
    window->SelectEntry(0);
    EXPECT_EQ(window->Entries()[2].Height, 123);
    EXPECT_EQ(window->spnedtWidth->value(), 500);
    Core.Project().SetModified(false);
    window->SaveChanges();
    EXPECT_FALSE(Core.Project().Modified());
    const std::string list = List();
    EXPECT_NE(
        list.find("Name=\"About\" Caption=\"About this book\" Center=True HideScrollBar=False Width=500"),
        std::string::npos);
    EXPECT_NE(list.find("<Page Path=\"\\AdditionalPages\\SearchResults.htm\" Name=\"Search Results\"/>"),
              std::string::npos);
    // Saving again without an edit changes nothing.
    Core.Project().SetModified(false);
    window->SaveChanges();
    EXPECT_FALSE(Core.Project().Modified());

    // A double quote cannot go into the title.
    window->edtCaption->setFocus();
    window->edtCaption->setCursorPosition(5);
    QKeyEvent quote(QEvent::KeyPress, Qt::Key_QuoteDbl, Qt::ShiftModifier, QStringLiteral("\""));
    QApplication::sendEvent(window->edtCaption, &quote);
    EXPECT_EQ(window->edtCaption->text(), "About this book");
    EXPECT_EQ(window->edtCaption->cursorPosition(), 5);
    ASSERT_EQ(Asked.size(), 1u);
    EXPECT_EQ(Asked[0], std::string("message: ") + SExtFormDoubleQuote);

    // Commands for a form with its file: all enabled.
    window->Commands().Update();
    EXPECT_TRUE(window->actEditFile->isEnabled());
    EXPECT_TRUE(window->actReplaceFile->isEnabled());
    EXPECT_TRUE(window->actPreviewWindow->isEnabled());
    EXPECT_TRUE(window->actResetPages->isEnabled());
    // Preview Window only for forms.
    window->SelectEntry(3);
    window->Commands().Update();
    EXPECT_TRUE(window->actEditFile->isEnabled());
    EXPECT_FALSE(window->actPreviewWindow->isEnabled());

    // Reset Pages brings the shipped list back into the tree.
    window->actResetPagesExecute();
    EXPECT_EQ(window->Entries()[0].Width, 420);
    EXPECT_EQ(window->SelectedEntry(), &window->Entries()[0]);
    EXPECT_TRUE(window->PagesLoaded());

    // A reset that fails (no default project) leaves a window that still writes.
    QTemporaryDir empty;
    SetProgramFolder(empty.path().toStdString() + "/");
    EXPECT_THROW(window->actResetPagesExecute(), std::exception);
    SetProgramFolder(std::string(QUARVEL_BIN_DIR) + "/");
    EXPECT_TRUE(window->PagesLoaded());
    EXPECT_EQ(window->Entries().size(), 4u);
}

TEST_F(SystemPages, MissingFileEmptyListAndReplace) {
    SetList(
        "<AdditionalPages>\r\n<Form Path=\"\\AdditionalPages\\Gone.htm\" Name=\"Gone\"/></AdditionalPages>");
    TfrmExtFiles* window = Open();
    EXPECT_TRUE(ShowsText(*window->wbPage, "No file is associated with this form"));
    window->Commands().Update();
    EXPECT_FALSE(window->actEditFile->isEnabled());
    EXPECT_FALSE(window->actPreviewWindow->isEnabled());
    EXPECT_TRUE(window->actReplaceFile->isEnabled());

    // Cancelled dialog: nothing happens. A chosen page arrives at the entry's path.
    window->actReplaceFileExecute();
    EXPECT_EQ(Asked, std::vector<std::string>{"open: Replace File"});
    QTemporaryDir dir;
    OpenAnswer = HostPage(dir);
    window->actReplaceFileExecute();
    EXPECT_TRUE(StoreHoldsFile(Files(), "\\AdditionalPages\\Gone.htm"));
    EXPECT_EQ(window->SelectedEntry()->Path, "\\AdditionalPages\\Gone.htm");
    EXPECT_TRUE(ShowsText(*window->wbPage, "Fresh page"));
    window->Commands().Update();
    EXPECT_TRUE(window->actEditFile->isEnabled());
    EXPECT_TRUE(window->actPreviewWindow->isEnabled());

    // Edit File: the page editor on the entry's page.
    const auto previous = EditorWindows().OpenPageEditor;
    std::string opened;
    EditorWindows().OpenPageEditor = [&](IEditorMain& Main,
                                         const std::string& Page) -> TfrmAbstractMDIChild* {
        EXPECT_EQ(&Main, &Core);
        opened = Page;
        return nullptr;
    };
    window->actEditFileExecute();
    EXPECT_EQ(opened, "\\AdditionalPages\\Gone.htm");
    EditorWindows().OpenPageEditor = previous;

    // An empty list: nothing selected, only Reset Pages.
    window->CloseWithoutSaving();
    ProcessEvents();
    SetList("");
    window = Open();
    EXPECT_EQ(window->SelectedEntry(), nullptr);
    EXPECT_FALSE(window->pnlForm->isVisibleTo(window));
    EXPECT_TRUE(ShowsText(*window->wbPage, "No item selected"));
    window->Commands().Update();
    EXPECT_FALSE(window->actEditFile->isEnabled());
    EXPECT_FALSE(window->actReplaceFile->isEnabled());
    EXPECT_FALSE(window->actPreviewWindow->isEnabled());
    EXPECT_TRUE(window->actResetPages->isEnabled());
    window->SaveChanges();
    EXPECT_EQ(List(), "<AdditionalPages>\r\n</AdditionalPages>");
}

TEST_F(SystemPages, AnUnreadableListIsNotCutShortByOpeningTheWindow) {
    const std::string broken = "<AdditionalPages>\r\n<Page Path=\"\\a.htm\" Name=\"A\"/><Form Width=wide/>"
                               "<Page Path=\"\\b.htm\" Name=\"B\"/></AdditionalPages>";
    SetList(broken);
    TfrmExtFiles* window = Open();
    ASSERT_GE(window->Entries().size(), 1u);
    EXPECT_EQ(window->Entries()[0].Name, "A");
    window->SaveChanges();
    window->CloseWithoutSaving();
    ProcessEvents();
    EXPECT_EQ(List(), broken);
}

TEST_F(SystemPages, FormPreviewAndScreenshots) {
    TfrmExtFiles* window = Open();
    window->resize(626, 400);
    EXPECT_TRUE(ShowsText(*window->wbPage, "by Your Name"));
    SaveScreenshot(window, "syspages.png");
    // Every control the keyboard reaches has a name for screen readers (the inner parts
    // of spin boxes and browsers speak through their owners).
    for (QWidget* control : window->findChildren<QWidget*>()) {
        QWidget* owner = control->parentWidget();
        if (qobject_cast<QAbstractSpinBox*>(owner) || qobject_cast<QWebEngineView*>(owner))
            continue;
        if (control->focusPolicy() != Qt::NoFocus && control->isVisibleTo(window)) {
            EXPECT_FALSE(QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name).isEmpty())
                << control->metaObject()->className() << " " << control->objectName().toStdString();
        }
    }

    window->edtCaption->setText(QStringLiteral("About the book"));
    window->chkScrollBars->setChecked(true);
    window->chkSizeable->setChecked(true);
    window->chkMinimize->setChecked(true);
    window->actPreviewWindowExecute();
    ProcessEvents();
    auto* preview = window->findChild<TfrmExtFormPreview*>();
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(window->SelectedEntry()->Caption, "About the book");
    EXPECT_EQ(preview->windowTitle(), "About the book");
    EXPECT_TRUE(preview->isVisible());
    EXPECT_EQ(preview->size(), QSize(420, 300));
    EXPECT_TRUE(preview->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(preview->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(preview->wbPreview->UserInterfaceOptions().Contains(TUserInterfaceOption::SCROLL_NO));
    EXPECT_TRUE(ShowsText(*preview->wbPreview, "by Your Name"));
    EXPECT_EQ(preview->wbPreview->LocationURL(), "mfs:\\AdditionalPages\\About.htm");
    SaveScreenshot(preview, "syspages-preview.png");
    delete preview;

    // Without scroll bars and with a fixed border.
    window->chkScrollBars->setChecked(false);
    window->chkSizeable->setChecked(false);
    window->actPreviewWindowExecute();
    ProcessEvents();
    auto* fixed = window->findChild<TfrmExtFormPreview*>();
    ASSERT_NE(fixed, nullptr);
    EXPECT_TRUE(fixed->wbPreview->UserInterfaceOptions().Contains(TUserInterfaceOption::SCROLL_NO));
    EXPECT_EQ(fixed->minimumSize(), fixed->maximumSize());
    fixed->close();
}

} // namespace
