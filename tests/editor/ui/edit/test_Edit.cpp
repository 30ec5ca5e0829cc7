// The page editor on the engine: parts shown and collected through the mirror, saving,
// the preview, the window numbers, and the commands that insert things.
#include "c_EditColorBox.h"
#include "frm_Edit.h"
#include "u_Dialogs.h"
#include "u_ProgramFolder.h"
#include "u_Registry.h"
#include "u_Variables.h"
#include "ui_helpers.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QSpinBox>
#include <QTabWidget>

#include <gtest/gtest.h>

#include <fstream>

namespace {

const std::string WelcomePage = "<html><head><title>Welcome</title></head><body>\r\n"
                                "<h1><PAGE NAME=\"Top\">Hello <B>%{Author}</B></PAGE></h1>\r\n"
                                "<p>fixed text</p>\r\n"
                                "<div><PAGE NAME=\"Body\"><P>First paragraph.</P></PAGE></div>\r\n"
                                "</body></html>\r\n";

// Types text into a widget as key presses and releases, one character after another.
void TypeKeys(QWidget* Target, const QString& Text) {
    for (const QChar c : Text) {
        const int key =
            c.isLetter() ? int(c.toUpper().unicode()) : (c == ' ' ? int(Qt::Key_Space) : int(c.unicode()));
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(c));
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(c));
        QApplication::sendEvent(Target, &press);
        QApplication::sendEvent(Target, &release);
    }
}

class PageEditor : public ::testing::Test {
protected:
    TEditorCore Core;
    TDialogAnswerer PreviousAnswerer;
    std::vector<TDialogRequest> Asked;
    std::function<QMessageBox::StandardButton(TDialogRequest&)> Answer;

    void SetUp() override {
        Core.Project().NewProject();
        Core.Project().SystemStore().Session()->CreateFile("\\Variables.xml", 0, true)->Content =
            "<vars>\r\n<var name=\"Author\">$Ann Lee</var>\r\n<var "
            "name=\"Title\">$Tales</var>\r\n</vars>\r\n";
        Core.InvalidateVariables();
        PreviousAnswerer = SetDialogAnswerer([this](TDialogRequest& Request) {
            Asked.push_back(Request);
            return Answer ? Answer(Request) : QMessageBox::Ok;
        });
    }
    void TearDown() override {
        for (TfrmAbstractMDIChild* window : OpenDocumentWindows())
            window->CloseWithoutSaving();
        ProcessEvents();
        SetDialogAnswerer(PreviousAnswerer);
    }

    void PutPage(const std::string& Path, const std::string& Text) {
        Core.Project().FilesStore().Session()->CreateFile(Path, 0, true)->Content = Text;
    }
    std::string Page(const std::string& Path) { return StoreText(Core.Project().FilesStore(), Path); }

    // Opens an editor and waits until its surface reported the part it shows.
    TfrmEdit* Open(const std::string& Path) {
        TfrmEdit* editor = OpenPageEditor(Core, Path);
        EXPECT_TRUE(WaitFor([&] { return editor->MirrorValid(); })) << "the surface never loaded";
        return editor;
    }
    // Runs script in the surface (as the author's actions would) and waits for its answer.
    QVariant Surface(TfrmEdit* Editor, const QString& Code) {
        auto done = std::make_shared<std::pair<bool, QVariant>>(false, QVariant());
        Named<TMXWebBrowser>(*Editor, "webEdit")
            ->page()
            ->runJavaScript(Code, QWebEngineScript::ApplicationWorld, [done](const QVariant& v) {
                *done = {true, v};
            });
        WaitFor([&] { return done->first; });
        return done->second;
    }
    // Puts the caret at the end of the editable block and the focus on the surface.
    void CaretAtEnd(TfrmEdit* Editor) {
        Named<TMXWebBrowser>(*Editor, "webEdit")->setFocus();
        Surface(Editor,
                QStringLiteral("(function(){var b=document.getElementById('%1');var r=document.createRange();"
                               "r.selectNodeContents(b);r.collapse(false);var s=getSelection();"
                               "s.removeAllRanges();s.addRange(r);b.focus();})()")
                    .arg(QString::fromUtf8(EditableBlockID)));
    }
    void SelectText(TfrmEdit* Editor, const QString& Text) {
        Surface(Editor, QStringLiteral("(function(){var b=document.getElementById('%1');"
                                       "var w=document.createTreeWalker(b,NodeFilter.SHOW_TEXT);var n;"
                                       "while((n=w.nextNode())){var i=n.data.indexOf(%2);if(i>=0){"
                                       "var r=document.createRange();r.setStart(n,i);r.setEnd(n,i+%3);"
                                       "var s=getSelection();s.removeAllRanges();s.addRange(r);return true;}}"
                                       "return false;})()")
                            .arg(QString::fromUtf8(EditableBlockID), QStringLiteral("'") + Text + "'")
                            .arg(Text.size()));
    }
    bool MirrorHas(TfrmEdit* Editor, const std::string& Text) {
        return WaitFor([&] { return Editor->MirrorHtml().find(Text) != std::string::npos; });
    }
};

} // namespace

TEST_F(PageEditor, EditingBodyChangesOnlyItsTextAndTheEnginesRewritingIsNoChange) {
    PutPage("\\Welcome1.htm", WelcomePage);
    TfrmEdit* editor = Open("\\Welcome1.htm");
    EXPECT_TRUE(Core.Project().Modified()); // opening marks the project modified
    ASSERT_EQ(Named<QComboBox>(*editor, "cmbPages")->count(), 2);
    EXPECT_EQ(Named<QComboBox>(*editor, "cmbPages")->itemText(0), "Top");
    EXPECT_EQ(Named<QComboBox>(*editor, "cmbPages")->itemText(1), "Body");
    EXPECT_EQ(editor->EditedPart(), 0);
    // The engine rewrites the markup ("<B>" becomes "<b>"), which is no change.
    EXPECT_NE(editor->MirrorHtml().find("<b>%{Author}</b>"), std::string::npos) << editor->MirrorHtml();

    // To Body, as the author chooses it in the list; Top stays as written.
    Named<QComboBox>(*editor, "cmbPages")->activated(1);
    ASSERT_TRUE(WaitFor([&] { return editor->EditedPart() == 1 && editor->MirrorValid(); }));
    EXPECT_FALSE(editor->PageParts()[0].Changed);
    CaretAtEnd(editor);
    TypeKeys(Named<TMXWebBrowser>(*editor, "webEdit")->focusProxy(), QStringLiteral(" More"));
    ASSERT_TRUE(MirrorHas(editor, "More"));

    editor->SaveChanges();
    const std::string saved = Page("\\Welcome1.htm");
    const std::size_t bodyStart = WelcomePage.find("<PAGE NAME=\"Body\">") + 18;
    const std::size_t bodyEnd = WelcomePage.find("</PAGE></div>");
    EXPECT_EQ(saved.substr(0, bodyStart), WelcomePage.substr(0, bodyStart));
    EXPECT_EQ(saved.substr(saved.size() - (WelcomePage.size() - bodyEnd)), WelcomePage.substr(bodyEnd));
    EXPECT_NE(saved.find("More"), std::string::npos);
    // Saving reloads and shows the part that was shown.
    EXPECT_EQ(Named<QComboBox>(*editor, "cmbPages")->currentIndex(), 1);
    EXPECT_FALSE(editor->PageParts()[1].Changed);
}

TEST_F(PageEditor, TypedTextInBoldIsSavedIntoThePageFileOnDisk) {
    QTemporaryDir folder;
    const std::string project = NewSavedProject(Core, folder, "Typed");
    PutPage("\\Typed.htm", "<html><body><PAGE NAME=\"Body\">Start.</PAGE></body></html>");
    TfrmEdit* editor = Open("\\Typed.htm");
    CaretAtEnd(editor);
    TypeKeys(Named<TMXWebBrowser>(*editor, "webEdit")->focusProxy(), QStringLiteral(" Brave words"));
    ASSERT_TRUE(MirrorHas(editor, "Brave words"));
    SelectText(editor, QStringLiteral("Brave"));
    ProcessEvents();
    WaitFor([&] { return Named<QAction>(*editor, "actBold")->isEnabled(); });
    Named<QAction>(*editor, "actBold")->trigger();
    ASSERT_TRUE(MirrorHas(editor, "<b>Brave</b>")) << editor->MirrorHtml();

    // The font controls: a size and a colour for the selection, read back afterwards.
    Named<QSpinBox>(*editor, "spnFontSize")->setValue(5);
    ASSERT_TRUE(MirrorHas(editor, "size=\"5\"")) << editor->MirrorHtml();
    const int red = Named<TEditColorBox>(*editor, "clrbFontColor")->findText(QStringLiteral("Red"));
    Named<TEditColorBox>(*editor, "clrbFontColor")->setCurrentIndex(red);
    emit Named<TEditColorBox>(*editor, "clrbFontColor")->activated(red);
    ASSERT_TRUE(MirrorHas(editor, "color=\"#ff0000\"")) << editor->MirrorHtml();
    Named<TEditColorBox>(*editor, "clrbFontColor")->SetColor(clNone);
    Named<QSpinBox>(*editor, "spnFontSize")->blockSignals(true);
    Named<QSpinBox>(*editor, "spnFontSize")->setValue(0);
    Named<QSpinBox>(*editor, "spnFontSize")->blockSignals(false);
    editor->ReadFontState();
    ASSERT_TRUE(WaitFor([&] { return Named<QSpinBox>(*editor, "spnFontSize")->value() == 5; }));
    EXPECT_EQ(Named<TEditColorBox>(*editor, "clrbFontColor")->Color(), 0x0000FF);
    const std::string fontState = editor->MirrorHtml();
    Pause(100);
    EXPECT_EQ(editor->MirrorHtml(), fontState); // filling the controls ran no command
    Surface(editor, QStringLiteral("document.execCommand('undo');document.execCommand('undo')"));
    ASSERT_TRUE(WaitFor([&] { return editor->MirrorHtml().find("size=") == std::string::npos; }))
        << editor->MirrorHtml();

    Core.Project().SaveProject(project); // saves every open window first
    const std::string onDisk = ReadFileText(folder.filePath("Typed.files/Typed.htm").toStdString());
    EXPECT_EQ(onDisk, "<html><body><PAGE NAME=\"Body\">Start. <b>Brave</b> words</PAGE></body></html>");
}

TEST_F(PageEditor, PreviewShowsUnsavedTextWithVariablesWhileTheSurfaceKeepsReferences) {
    PutPage("\\Welcome1.htm", WelcomePage);
    TfrmEdit* editor = Open("\\Welcome1.htm");
    EXPECT_NE(editor->MirrorHtml().find("%{Author}"), std::string::npos);
    CaretAtEnd(editor);
    TypeKeys(Named<TMXWebBrowser>(*editor, "webEdit")->focusProxy(), QStringLiteral(" unsaved"));
    ASSERT_TRUE(MirrorHas(editor, "unsaved"));

    Named<QTabWidget>(*editor, "pcEdit")
        ->setCurrentWidget(Named<QWidget>(*editor, "tabPreview")); // collects the part, shows the preview
    ASSERT_TRUE(WaitFor([&] {
        return BodyText(*Named<TMXWebBrowser>(*editor, "webPreview")).find("unsaved") != std::string::npos;
    }));
    const std::string preview = BodyText(*Named<TMXWebBrowser>(*editor, "webPreview"));
    EXPECT_NE(preview.find("Hello Ann Lee unsaved"), std::string::npos) << preview;
    EXPECT_NE(preview.find("fixed text"), std::string::npos);
    EXPECT_EQ(preview.find("%{"), std::string::npos);
    EXPECT_EQ(Page("\\Welcome1.htm"), WelcomePage); // nothing written yet
    EXPECT_TRUE(editor->PageParts()[0].Changed);

    // A link in the preview leads nowhere; F12 goes back to editing.
    RunScript(*Named<TMXWebBrowser>(*editor, "webPreview"), QStringLiteral("location.href='mfs:/Other.htm'"));
    Pause(300);
    EXPECT_NE(BodyText(*Named<TMXWebBrowser>(*editor, "webPreview")).find("Ann Lee"), std::string::npos);
    editor->ToggleEditPreview();
    EXPECT_EQ(Named<QTabWidget>(*editor, "pcEdit")->currentWidget(), Named<QWidget>(*editor, "tabEdit"));

    // Closing without saving writes nothing.
    editor->CloseWithoutSaving();
    ProcessEvents();
    EXPECT_EQ(Page("\\Welcome1.htm"), WelcomePage);
}

TEST_F(PageEditor, TwelveEditorsAnswerOnlyTheirOwnRequests) {
    std::vector<TfrmEdit*> editors;
    for (int i = 1; i <= 12; ++i) {
        const std::string path = "\\P" + std::to_string(i) + ".htm";
        PutPage(path, "<PAGE NAME=\"Body\">Text " + std::to_string(i) + "</PAGE>");
        editors.push_back(OpenPageEditor(Core, path));
    }
    // One editor per page path, letter case counting.
    EXPECT_EQ(OpenPageEditor(Core, "\\P3.htm"), editors[2]);
    EXPECT_EQ(EditorWindows().OpenPageEditor(Core, "\\P3.htm"), editors[2]);
    for (int i = 1; i < 12; ++i)
        EXPECT_EQ(editors[static_cast<std::size_t>(i)]->Number(), editors[0]->Number() + i);
    for (TfrmEdit* editor : editors) {
        const std::string page = editor->PagePath();
        const std::string data = Core.ProjectProtocol()->ReadData(
            page + "?!PAGE=0?EDITING_FORM=" + std::to_string(editor->Number()));
        EXPECT_EQ(data, EditingSurfaceDocument("Text " + page.substr(2, page.size() - 6))) << page;
    }
    // A part number beyond the parts, or not a number, is an error, not a crash.
    const std::string number = std::to_string(editors[0]->Number());
    EXPECT_THROW(Core.ProjectProtocol()->ReadData("\\P1.htm?!PAGE=5?EDITING_FORM=" + number), EListError);
    EXPECT_THROW(Core.ProjectProtocol()->ReadData("\\P1.htm?!PAGE=x?EDITING_FORM=" + number), EConvertError);
}

TEST_F(PageEditor, AVariableIsPastedAndTheClipboardKeepsItsText) {
    PutPage("\\V.htm", "<PAGE NAME=\"Body\">Dear reader</PAGE>");
    TfrmEdit* editor = Open("\\V.htm");
    QGuiApplication::clipboard()->setText(QStringLiteral("the author's own clipboard"));
    CaretAtEnd(editor);
    editor->InsertVariable("Title");
    ASSERT_TRUE(MirrorHas(editor, "Dear reader%{Title}")) << editor->MirrorHtml();
    ASSERT_TRUE(WaitFor([&] { return editor->PendingScripts() == 0; }));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("the author's own clipboard"));

    // Closing the window saves its part (and its layout).
    editor->close();
    ProcessEvents();
    EXPECT_EQ(Page("\\V.htm"), "<PAGE NAME=\"Body\">Dear reader%{Title}</PAGE>");
    EXPECT_TRUE(RegValueExists(EditFormLayoutKey, "SizeAndPos"));

    // Where nothing can be pasted (no part on the surface) the text comes back too.
    PutPage("\\Plain.htm", "<p>no parts</p>");
    TfrmEdit* plain = OpenPageEditor(Core, "\\Plain.htm");
    plain->InsertVariable("Title");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("%{Title}"));
    ASSERT_TRUE(WaitFor([&] { return plain->PendingScripts() == 0; }));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("the author's own clipboard"));
}

TEST_F(PageEditor, PicturesTablesLinksAndSnippetsInsertedIntoThePart) {
    PutPage("\\Welcome1.htm", "<PAGE NAME=\"Body\"><p>Read the manual or write to us.</p></PAGE>");
    TfrmEdit* editor = Open("\\Welcome1.htm");

    // A local picture goes into the page's companion folder.
    QTemporaryDir disk;
    const std::string photo = disk.filePath("photo.jpg").toStdString();
    std::ofstream(photo, std::ios::binary) << PngOf(Qt::red);
    CaretAtEnd(editor);
    Answer = [&](TDialogRequest& Request) {
        Request.Value = photo;
        return QMessageBox::Ok;
    };
    Named<QAction>(*editor, "actLocalImage")->trigger();
    ASSERT_TRUE(MirrorHas(editor, "<img src=\"Welcome1.files\\photo.jpg\">")) << editor->MirrorHtml();
    EXPECT_EQ(Page("\\Welcome1.files\\photo.jpg"), PngOf(Qt::red));
    // The picture loads in the surface (its path is relative to the page).
    EXPECT_TRUE(WaitFor([&] {
        return Surface(editor,
                       QStringLiteral("document.images[0].complete && document.images[0].naturalWidth"))
                   .toInt() == 40;
    }));

    // Align Image needs a selected picture; a click selects it.
    editor->AlignImage("Left");
    ASSERT_EQ(Asked.back().Text, "Image must be selected first");
    Surface(editor, QStringLiteral("document.images[0].click()"));
    ASSERT_TRUE(WaitFor([&] { return editor->ImageSelected(); }));
    editor->AlignImage("Left");
    ASSERT_TRUE(MirrorHas(editor, "align=\"Left\""));
    editor->AlignImage("None");
    ASSERT_TRUE(MirrorHas(editor, "align=\"\""));

    // A 3 x 2 table with header replaces the selection.
    SelectText(editor, QStringLiteral("manual"));
    TTableAttributes table;
    table.Rows = 3;
    table.Cols = 2;
    editor->InsertTable(table);
    ASSERT_TRUE(MirrorHas(editor, "</table>"));
    const std::string& html = editor->MirrorHtml();
    auto count = [&](const std::string& What) {
        std::size_t n = 0;
        for (std::size_t p = html.find(What); p != std::string::npos; p = html.find(What, p + 1))
            ++n;
        return n;
    };
    EXPECT_EQ(count("<th>"), 2u);
    EXPECT_EQ(count("<td>"), 6u);
    EXPECT_EQ(html.find("manual"), std::string::npos);

    // Without a selection in the block, markup goes at its end.
    Surface(editor, QStringLiteral("getSelection().removeAllRanges()"));
    editor->InsertHtml("<p id=\"last\">appended</p>");
    ASSERT_TRUE(MirrorHas(editor, "<p id=\"last\">appended</p>"));
    EXPECT_TRUE(editor->MirrorHtml().ends_with("<p id=\"last\">appended</p>")) << editor->MirrorHtml();

    // External links: an http:// address opens in a new window, a mail address does not.
    SelectText(editor, QStringLiteral("write"));
    Answer = [](TDialogRequest& Request) {
        EXPECT_EQ(Request.Kind, "input");
        EXPECT_EQ(Request.Text, "Enter Hyperlink");
        EXPECT_EQ(Request.Value, "http://");
        Request.Value = "mailto:us@example.com";
        return QMessageBox::Ok;
    };
    Named<QAction>(*editor, "actExternalLink")->trigger();
    ASSERT_TRUE(MirrorHas(editor, "href=\"mailto:us@example.com\""));
    SelectText(editor, QStringLiteral("appended"));
    Answer = [](TDialogRequest& Request) {
        Request.Value = "HTTP://example.com/";
        return QMessageBox::Ok;
    };
    Named<QAction>(*editor, "actExternalLink")->trigger();
    ASSERT_TRUE(MirrorHas(editor, "href=\"HTTP://example.com/\" target=\"_blank\"")) << editor->MirrorHtml();
    EXPECT_NE(editor->MirrorHtml().find("<a href=\"mailto:us@example.com\">write</a>"), std::string::npos);

    // A snippet: its "mfs:" pictures (and other links) point at paths relative to the page.
    QTemporaryDir program;
    QDir(program.path()).mkdir("Special");
    std::ofstream(program.filePath("Special/Special.xml").toStdString())
        << "<specials>\r\n<special name=\"Logo\" source=\"Logo.htm\"/>\r\n</specials>\r\n";
    std::ofstream(program.filePath("Special/Logo.htm").toStdString())
        << "<span class=\"logo\"><img src=\"mfs:\\pics\\logo.png\" srcset=\"mfs:\\pics\\logo2.png 2x\">"
           "<i style=\"background:url(mfs:/pics/dot.png)\">.</i></span>";
    const std::string previousFolder = ProgramFolder();
    SetProgramFolder(program.path().toStdString() + "/");
    editor->InsertSpecial({"Logo", "Logo.htm"});
    SetProgramFolder(previousFolder);
    ASSERT_TRUE(MirrorHas(editor, "<img src=\"pics\\logo.png\" srcset=\"pics\\logo2.png 2x\">"))
        << editor->MirrorHtml();
    // (The engine writes the style attribute its own way, the address quoted.)
    EXPECT_NE(editor->MirrorHtml().find("pics/dot.png"), std::string::npos) << editor->MirrorHtml();
    EXPECT_EQ(editor->MirrorHtml().find("mfs:"), std::string::npos) << editor->MirrorHtml();
    SaveScreenshot(editor, "page_editor_after_snippet.png");

    // Everything reaches the page file when saved.
    editor->SaveChanges();
    EXPECT_NE(Page("\\Welcome1.htm").find("Welcome1.files\\photo.jpg"), std::string::npos);
    EXPECT_NE(Page("\\Welcome1.htm").find("<th>Place head text here</th>"), std::string::npos);
}

TEST_F(PageEditor, APageWithoutPartsOpensOnPreviewAndAMissingSnippetListKeepsTheEditorClosed) {
    PutPage("\\Plain.htm", "<html><body><p>Just %{Author}</p></body></html>");
    TfrmEdit* editor = OpenPageEditor(Core, "\\Plain.htm");
    EXPECT_EQ(Named<QTabWidget>(*editor, "pcEdit")->currentWidget(), Named<QWidget>(*editor, "tabPreview"));
    EXPECT_FALSE(Named<QTabWidget>(*editor, "pcEdit")
                     ->isTabVisible(
                         Named<QTabWidget>(*editor, "pcEdit")->indexOf(Named<QWidget>(*editor, "tabEdit"))));
    EXPECT_EQ(editor->ShownPart(), -1);
    ASSERT_TRUE(WaitFor([&] {
        return BodyText(*Named<TMXWebBrowser>(*editor, "webPreview")).find("Just Ann Lee") !=
               std::string::npos;
    }));
    editor->ToggleEditPreview(); // reloads the preview, there is no editing tab to go to
    EXPECT_EQ(Named<QTabWidget>(*editor, "pcEdit")->currentWidget(), Named<QWidget>(*editor, "tabPreview"));
    editor->CloseWithoutSaving();
    ProcessEvents();

    QTemporaryDir program;
    const std::string previousFolder = ProgramFolder();
    SetProgramFolder(program.path().toStdString() + "/");
    PutPage("\\Parts.htm", "<PAGE NAME=\"A\">a</PAGE>");
    const std::size_t before = OpenDocumentWindows().size();
    EXPECT_ANY_THROW(OpenPageEditor(Core, "\\Parts.htm"));
    EXPECT_EQ(OpenDocumentWindows().size(), before);
    // Through the window table the error is shown and no window comes back.
    EXPECT_EQ(EditorWindows().OpenPageEditor(Core, "\\Parts.htm"), nullptr);
    SetProgramFolder(previousFolder);
    ASSERT_FALSE(Asked.empty());
    EXPECT_EQ(Asked.back().Type, TMsgDlgType::mtError);
    EXPECT_NE(Asked.back().Text.find("Special.xml"), std::string::npos);
}
