// The options dialog and its four pages: the dialog's order of work and its question,
// the limits of the fields, the security file, the icon, the logo and splash pictures
// and the splash page's reset and preview.
#include "wizard_helpers.h"

#include "fram_WizGeneralOptions.h"
#include "fram_WizSecurityType.h"
#include "fram_WizSplash.h"
#include "fram_WizToolbarOptions.h"
#include "frm_ProjectOptions.h"
#include "u_EditorServices.h"
#include "u_MFS.h"
#include "u_ProgramFolder.h"
#include "u_Templates.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>

namespace {

class OptionsTest : public WizardFixture {
protected:
    void SetUp() override {
        WizardFixture::SetUp();
        SavedTable = EditorWindows();
    }
    void TearDown() override {
        Dialog.reset();
        EditorWindows() = SavedTable;
        WizardFixture::TearDown();
    }
    TfrmProjectOptions& Open() {
        Dialog = std::make_unique<TfrmProjectOptions>(*Core);
        Dialog->show();
        ProcessEvents();
        return *Dialog;
    }

    std::unique_ptr<TfrmProjectOptions> Dialog;
    TEditorWindowTable SavedTable;
};

} // namespace

TEST_F(OptionsTest, OpensOnSecurityAndOkAppliesEveryPage) {
    Project().Options().Template = "novel";
    Project().SetModified(false);
    TfrmProjectOptions& dialog = Open();
    EXPECT_EQ(dialog.size(), QSize(512, 374));
    EXPECT_EQ(dialog.windowTitle(), "Project Options");
    ASSERT_EQ(dialog.pgcOptions->count(), 4);
    const QStringList pages{dialog.pgcOptions->tabText(0), dialog.pgcOptions->tabText(1),
                            dialog.pgcOptions->tabText(2), dialog.pgcOptions->tabText(3)};
    EXPECT_EQ(pages, (QStringList{"General", "Security", "Toolbar", "Splash"}));
    EXPECT_EQ(dialog.pgcOptions->currentWidget(), dialog.framSecurity);
    EXPECT_EQ(dialog.framGeneral->cmbxDefaultTemplate->currentText(), "Novel");
    EXPECT_EQ(dialog.framGeneral->cmbxDefaultTemplate->itemText(0), "None");

    // Every page's layout fits the dialog: nothing is squeezed below what it needs.
    const char* names[] = {"options_general.png", "options_security.png", "options_toolbar.png", "options_splash.png"};
    for (int i = 0; i < 4; ++i) {
        dialog.pgcOptions->setCurrentIndex(i);
        ProcessEvents();
        QWidget* page = dialog.pgcOptions->widget(i);
        EXPECT_GE(page->width(), page->minimumSizeHint().width()) << i;
        EXPECT_GE(page->height(), page->minimumSizeHint().height()) << i;
        SaveScreenshot(&dialog, names[i]);
    }

    dialog.framGeneral->cmbxDefaultTemplate->setCurrentIndex(0);
    dialog.framGeneral->rbOutputSpecified->click();
    FileAnswers["save"] = Temp.filePath("out/Book").toStdString();
    dialog.framGeneral->btnSelectPath->click();
    EXPECT_EQ(dialog.framGeneral->edtOutputPath->text().toStdString(), Temp.filePath("out/Book.exe").toStdString());
    dialog.framGeneral->edtMainFormCaption->setText("Caption");
    dialog.framGeneral->cbxRunMaximized->setChecked(true);
    dialog.framSecurity->cmbRightClick->setCurrentIndex(0);
    dialog.framToolbar->cbxFlat->setChecked(false);
    dialog.framToolbar->edtLogoLink->setText("http://example.org");
    dialog.framSplash->spnedtInterval->setValue(5);
    dialog.framSplash->SetCurrentPage(1);
    dialog.framSplash->Pages[1].memPopUpText->setPlainText("Good bye\nreader");
    dialog.btnOk->click();

    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(Messages().empty()); // the picture size did not change: no question
    const TProjectOptions& o = Project().Options();
    EXPECT_EQ(o.Template, "None");
    EXPECT_FALSE(o.DefaultOutput);
    EXPECT_EQ(o.OutputPath, Temp.filePath("out/Book.exe").toStdString());
    EXPECT_EQ(o.MainFormCaption, "Caption");
    EXPECT_TRUE(o.RunMaximized);
    EXPECT_EQ(o.AllowRightClickContextMenu, 0);
    EXPECT_FALSE(o.Toolbar().ToolbarFlat);
    EXPECT_EQ(o.Toolbar().LogoLink, "http://example.org");
    EXPECT_EQ(o.Splash().Interval, 5);
    EXPECT_EQ(o.Splash().PopUpTextE, "Good bye\nreader");
    EXPECT_TRUE(Project().Modified());
}

TEST_F(OptionsTest, OnlyAChangedPictureSizeAsksToOpenTheToolbarDesigner) {
    int designerOpened = 0;
    EditorWindows().OpenToolbarDesigner = [&](IEditorMain&) -> TfrmAbstractMDIChild* {
        ++designerOpened;
        return nullptr;
    };
    Open().framToolbar->spnedtToolbarBtnW->setValue(44);
    Dialog->btnOk->click();
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(Project().Options().Toolbar().ToolbarBtnW, 44);

    Open().framToolbar->spnedtToolbarImgW->setValue(30);
    MessageAnswer = QMessageBox::Yes;
    Dialog->btnOk->click();
    ASSERT_EQ(Asked.size(), 1u);
    EXPECT_EQ(Asked[0].Text, "Toolbar image size changed. Open toolbar setup?");
    EXPECT_EQ(Asked[0].Type, TMsgDlgType::mtWarning);
    EXPECT_EQ(Asked[0].Buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(designerOpened, 1);
    EXPECT_EQ(Project().Options().Toolbar().ToolbarImgW, 30);
    EXPECT_EQ(Dialog->result(), QDialog::Accepted);

    // No opens nothing.
    Asked.clear();
    MessageAnswer = QMessageBox::No;
    Open().framToolbar->spnedtToolbarImgH->setValue(18);
    Dialog->btnOk->click();
    EXPECT_EQ(Messages().size(), 1u);
    EXPECT_TRUE(EditorWindows().ShowProjectOptions);
}

TEST_F(OptionsTest, FieldsStayWithinTheirLimitsAndResetsRestoreDefaults) {
    TfrmProjectOptions& d = Open();
    TframWizGeneralOptions& g = *d.framGeneral;
    g.spnedtWidth->setValue(5000);
    g.spnedtHeight->setValue(5000);
    EXPECT_EQ(g.spnedtWidth->value(), 1600);
    EXPECT_EQ(g.spnedtHeight->value(), 1200);
    g.spnedtWidth->setValue(5);
    g.spnedtHeight->setValue(-3);
    EXPECT_EQ(g.spnedtWidth->value(), 100);
    EXPECT_EQ(g.spnedtHeight->value(), 100);
    g.btnResetDisplay->click();
    EXPECT_EQ(g.spnedtWidth->value(), 800);
    EXPECT_EQ(g.spnedtHeight->value(), 600);

    TframWizToolbarOptions& t = *d.framToolbar;
    for (QSpinBox* spin : {t.spnedtToolbarBtnH, t.spnedtToolbarBtnW, t.spnedtToolbarImgH, t.spnedtToolbarImgW}) {
        spin->setValue(100);
        EXPECT_EQ(spin->value(), 48);
        spin->setValue(1);
        EXPECT_EQ(spin->value(), 16);
    }
    t.btnResetSizes->click();
    EXPECT_EQ(t.spnedtToolbarBtnH->value(), 32);
    EXPECT_EQ(t.spnedtToolbarBtnW->value(), 32);
    EXPECT_EQ(t.spnedtToolbarImgH->value(), 24);
    EXPECT_EQ(t.spnedtToolbarImgW->value(), 24);
    EXPECT_FALSE(t.ImageSizeChanged());

    d.framSplash->spnedtInterval->setValue(0);
    EXPECT_EQ(d.framSplash->spnedtInterval->value(), 1);
    d.framSplash->spnedtInterval->setValue(11);
    EXPECT_EQ(d.framSplash->spnedtInterval->value(), 10);

    // Colours: the picked one as the platform numbers it, and the two system colours.
    TframWizToolbarOptions::ColorChooser = [](QWidget*, QColor& Color) {
        Color = QColor(255, 0, 0);
        return true;
    };
    t.btnFontFace->click();
    EXPECT_EQ(t.TextColor(), 255);
    EXPECT_EQ(t.txtPreviewArea->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    t.btnResetFontColor->click();
    t.btnResetBackColor->click();
    d.btnOk->click();
    EXPECT_EQ(Project().Options().Toolbar().ToolbarTextColor, -16777208);
    EXPECT_EQ(Project().Options().Toolbar().ToolbarBackColor, -16777201);
}

TEST_F(OptionsTest, NoSecurityStillWritesEveryFieldAndProtectTypeFollowsPassword) {
    Project().SetSecurityText(BuildEncryptXml("UserPassword", "", "Selected", {{"ann", "a1"}}));
    TframWizSecurityType& s = *Open().framSecurity;
    EXPECT_TRUE(s.rbUsersAndPasswords->isChecked());
    EXPECT_TRUE(s.rbSelectedPages->isChecked());
    EXPECT_FALSE(s.grpProtectType->isEnabled());
    ASSERT_EQ(s.sgUsers->rowCount(), 1);
    EXPECT_EQ(s.sgUsers->item(0, 0)->text(), "ann");
    s.rbPassword->click();
    EXPECT_TRUE(s.grpProtectType->isEnabled());

    s.edtPassword->setText("se\"cret");
    s.actAddUser->trigger();
    s.sgUsers->item(1, 0)->setText("bob");
    s.sgUsers->item(1, 1)->setText("b2");
    s.AddUser("carl", "c3");
    s.sgUsers->setCurrentCell(0, 0);
    s.actDeleteUser->trigger();
    s.rbNoSecurity->click();
    EXPECT_FALSE(s.grpProtectType->isEnabled());
    s.cmbRightClick->setCurrentIndex(2);
    SaveScreenshot(Dialog.get(), "options_security_users.png");
    Dialog->btnOk->click();

    EXPECT_EQ(SystemText("\\Encrypt.xml"),
              "<Encrypt Method=\"\" Password=\"se\"\"cret\" PasswordType=\"Selected\">\r\n"
              "\t<Info User=\"bob\" Password=\"b2\"/>\r\n"
              "\t<Info User=\"carl\" Password=\"c3\"/>\r\n"
              "</Encrypt>\r\n");
    EXPECT_EQ(Project().Options().AllowRightClickContextMenu, 2);

    // Read back by the page, the method is none and the rest is as written.
    TframWizSecurityType& again = *Open().framSecurity;
    EXPECT_TRUE(again.rbNoSecurity->isChecked());
    EXPECT_EQ(again.edtPassword->text(), "se\"cret");
    EXPECT_EQ(again.sgUsers->rowCount(), 2);
    EXPECT_EQ(again.cmbRightClick->currentIndex(), 2);
}

TEST_F(OptionsTest, IconIsLoadedKeptOrDeletedWhenApplied) {
    const std::string icon = ReadFileText(ProgramFolder() + "System/Application.ico");
    TframWizGeneralOptions& g = *Open().framGeneral;
    EXPECT_FALSE(g.IconSet());
    EXPECT_FALSE(g.imgIcon->pixmap().isNull()); // the editor's own icon

    // Not an icon: refused, nothing changes.
    FileAnswers["open"] = TempFile("not.ico", "plain text");
    g.btnLoadIcon->click();
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_NE(Messages()[0].find("not.ico"), std::string::npos);
    EXPECT_FALSE(g.IconSet());

    FileAnswers["open"] = TempFile("book.ico", icon);
    g.btnLoadIcon->click();
    EXPECT_TRUE(g.IconSet());
    Dialog->btnOk->click();
    EXPECT_EQ(SystemText("\\Icon.ico"), icon);

    // Found in the store at the next opening; Reset Icon and OK delete it.
    TframWizGeneralOptions& again = *Open().framGeneral;
    EXPECT_TRUE(again.IconSet());
    again.btnResetIcon->click();
    EXPECT_FALSE(again.IconSet());
    Dialog->btnOk->click();
    EXPECT_FALSE(Project().SystemFile("\\Icon.ico"));
}

TEST_F(OptionsTest, JpegLogoAndSplashAreStoredAsBitmapsAtOnce) {
    const std::string jpeg = TempFile("photo.JPG", Encoded(TwoColours(), "JPG"));
    TfrmProjectOptions& d = Open();
    TframWizToolbarOptions& t = *d.framToolbar;
    Project().SetModified(false);
    FileAnswers["open"] = jpeg;
    t.actLoadLogo->trigger();
    const std::string logo = SystemText("\\Logo.bmp");
    ASSERT_GE(logo.size(), 54u);
    EXPECT_EQ(logo.substr(0, 2), "BM");
    EXPECT_TRUE(t.imgLogo->HasPicture());
    EXPECT_EQ(t.imgLogo->Picture().size(), QSize(60, 30));
    EXPECT_TRUE(Project().Modified());
    t.cbxLogoDisplay->setChecked(true);
    d.pgcOptions->setCurrentWidget(&t);
    SaveScreenshot(&d, "options_toolbar_logo.png");

    // Neither a bitmap nor a JPEG: refused with a clear message, nothing stored.
    FileAnswers["open"] = TempFile("logo.png", Encoded(TwoColours(), "PNG"));
    t.actLoadLogo->trigger();
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0], "Only bitmap (BMP) and JPEG pictures can be used here: \"" + FileAnswers["open"] + "\"");
    EXPECT_EQ(SystemText("\\Logo.bmp"), logo);

    Project().SetModified(false);
    t.actClearLogo->trigger();
    EXPECT_FALSE(Project().SystemFile("\\Logo.bmp"));
    EXPECT_FALSE(t.imgLogo->HasPicture());
    EXPECT_FALSE(t.cbxLogoDisplay->isChecked());
    EXPECT_TRUE(Project().Modified());

    // The splash page acts on the page in front.
    TframWizSplash& s = *d.framSplash;
    const std::string starting = SystemText("\\SplashS.bmp"); // the default project's
    s.btnEnding->click();
    EXPECT_EQ(s.CurrentPage(), 1);
    FileAnswers["open"] = jpeg;
    s.actLoadImage->trigger();
    EXPECT_EQ(SystemText("\\SplashE.bmp").substr(0, 2), "BM");
    EXPECT_TRUE(s.Pages[1].imgSplash->HasPicture());
    EXPECT_EQ(SystemText("\\SplashS.bmp"), starting);
    d.pgcOptions->setCurrentWidget(&s);
    SaveScreenshot(&d, "options_splash_picture.png");

    // A refused or cancelled load keeps the picture the page had; Clear Image removes it.
    const std::string ending = SystemText("\\SplashE.bmp");
    Asked.clear();
    FileAnswers["open"] = TempFile("splash.gif", "GIF89a");
    s.actLoadImage->trigger();
    EXPECT_EQ(Messages().size(), 1u);
    FileAnswers.erase("open");
    s.actLoadImage->trigger();
    EXPECT_EQ(SystemText("\\SplashE.bmp"), ending);
    EXPECT_TRUE(s.Pages[1].imgSplash->HasPicture());
    Project().SetModified(false);
    s.actClearImage->trigger();
    EXPECT_FALSE(Project().SystemFile("\\SplashE.bmp"));
    EXPECT_FALSE(s.Pages[1].imgSplash->HasPicture());
    EXPECT_TRUE(s.Pages[0].imgSplash->HasPicture());
    EXPECT_TRUE(Project().Modified()); // Cancel does not bring it back: the change must be saved
    Dialog->btnCancel->click();
    EXPECT_EQ(Dialog->result(), QDialog::Rejected);
}

TEST_F(OptionsTest, SplashResetAndPreview) {
    TframWizSplash& s = *Open().framSplash;
    Project().SetModified(false);
    s.actResetSplash->trigger();
    EXPECT_TRUE(Project().Modified());
    EXPECT_TRUE(s.cbxCloseOnClick->isChecked()); // the default project closes on click
    EXPECT_TRUE(s.Pages[0].imgSplash->HasPicture());
    EXPECT_TRUE(s.Pages[1].imgSplash->HasPicture());

    s.Pages[0].rgSplashType->button(1)->click();
    s.Pages[0].memPopUpText->setPlainText("Hello");
    s.Pages[0].btnPreview->click();
    ASSERT_EQ(Asked.size(), 1u);
    EXPECT_EQ(Asked[0].Text, "Hello");
    EXPECT_EQ(Asked[0].Type, TMsgDlgType::mtInformation);

    s.Pages[0].rgSplashType->button(2)->click();

    std::string shownName;
    int seconds = 0;
    bool closeOnClick = false;
    QWidget* requested = nullptr;
    QWidget splashWindow;
    EditorWindows().ShowSplashItem = [&](const std::string&, const std::string& Name, int Seconds,
                                         bool CloseOnClick) -> QWidget* {
        shownName = Name;
        seconds = Seconds;
        closeOnClick = CloseOnClick;
        return &splashWindow;
    };
    EditorWindows().RequestSplashClose = [&](QWidget* Splash) { requested = Splash; };
    s.spnedtInterval->setValue(4);
    s.Pages[0].btnPreview->click();
    EXPECT_EQ(shownName, "\\SplashS.bmp");
    EXPECT_EQ(seconds, 4);
    EXPECT_TRUE(closeOnClick);
    EXPECT_EQ(requested, &splashWindow);

    // "None" previews nothing.
    const size_t asked = Asked.size();
    requested = nullptr;
    s.Pages[0].rgSplashType->button(0)->click();
    s.Pages[0].btnPreview->click();
    EXPECT_EQ(Asked.size(), asked);
    EXPECT_EQ(requested, nullptr);
}
