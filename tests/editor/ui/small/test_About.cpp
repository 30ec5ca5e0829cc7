#include "frm_About.h"
#include "frm_Tips.h"
#include "small_helpers.h"
#include "ui_helpers.h"
#include "u_EditorServices.h"
#include "u_MFS.h"
#include "u_ProgramFolder.h"
#include "u_Registry.h"
#include "u_TextUtils.h"
#include "u_Version.h"

#include <QApplication>
#include <QScreen>
#include <QTimer>

#include <gtest/gtest.h>

namespace {


class About : public ::testing::Test {
protected:
    void SetUp() override { DeleteRegKey(SEditorSettingsKey); }
    void TearDown() override { DeleteRegKey(SEditorSettingsKey); }
};

TEST(AboutRules, LinksGoBelowTheTextWithTheDesignsGap) {
    // Designed: e-mail at 90 (18 high), web at 114: a gap of 6.
    EXPECT_EQ(PlaceAboutLinks(150, 90, 18, 114), (TAboutLinkPlacement{156, 180, 66}));
    // A text shorter than the design moves everything up.
    EXPECT_EQ(PlaceAboutLinks(70, 90, 18, 114), (TAboutLinkPlacement{76, 100, -14}));
    EXPECT_EQ(AboutLines("One##Two####Three#"), "One\nTwo\n\nThree#");
}

TEST_F(About, OwnTextsStandInForValuesNeverWritten) {
    EXPECT_FALSE(AboutText().empty());
    EXPECT_EQ(AboutText().find("##"), std::string::npos);
    EXPECT_NE(AboutEMail().find('@'), std::string::npos);
    EXPECT_FALSE(AboutWWW().empty());
    // Written values win, also when empty.
    WriteRegString(SEditorSettingsKey, "AboutText", "Line one##Line two");
    WriteRegString(SEditorSettingsKey, "E-Mail", "");
    WriteRegString(SEditorSettingsKey, "WWW", "www.example.org");
    EXPECT_EQ(AboutText(), "Line one\nLine two");
    EXPECT_EQ(AboutEMail(), "");
    EXPECT_EQ(AboutWWW(), "www.example.org");
}

TEST_F(About, BoxShowsVersionTextsLinksAndLicense) {
    TfrmAbout about;
    about.Fill();
    about.show();
    ProcessEvents();
    EXPECT_EQ(about.windowTitle(), "About");
    EXPECT_TRUE(about.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(about.lblProduct->text(), "Quarvel");
    EXPECT_EQ(about.lblVersion->text().toStdString(), VersionText(0, 4));
    EXPECT_EQ(about.btnClose->text(), "&Close");
    EXPECT_TRUE(about.btnClose->isDefault());
    EXPECT_TRUE(about.memLicense->isReadOnly());
    EXPECT_EQ(about.memLicense->toPlainText().toStdString(),
              ReplaceAll(ReadFileText(ProgramFolder() + "License.txt"), "\r\n", "\n"));
    EXPECT_EQ(about.lblEMail->LinkKind, TLinkKind::lkEMail);
    EXPECT_EQ(about.lblWWW->LinkKind, TLinkKind::lkHTTP);
    EXPECT_EQ(about.lblEMail->Link(), "mailto:" + AboutEMail());
    EXPECT_EQ(about.lblWWW->Link(), "http://" + AboutWWW());

    // Order from top to bottom, the links one gap apart, nothing overlapping.
    const int gap = about.lblWWW->y() - about.lblEMail->geometry().bottom();
    EXPECT_GT(gap, 1);
    EXPECT_EQ(about.lblEMail->y() - about.lblAboutText->geometry().bottom(), gap);
    EXPECT_GT(about.memLicense->y(), about.lblWWW->geometry().bottom());
    EXPECT_GT(about.lblLegal->y(), about.memLicense->geometry().bottom());
    EXPECT_GT(about.btnClose->y(), about.lblLegal->geometry().bottom());
    // Fitted: the left margin repeats at the right and the bottom; centred.
    EXPECT_EQ(about.width(), about.memLicense->geometry().right() + 1 + about.imgAbout->x());
    EXPECT_EQ(about.height(), about.btnClose->geometry().bottom() + 1 + about.imgAbout->x());
    const QRect screen = about.screen()->geometry();
    EXPECT_EQ(about.x(), screen.left() + (screen.width() - about.width()) / 2);
    SaveScreenshot(&about, "about.png");
}

TEST_F(About, LongerAboutTextMovesTheLinksAndWhatIsBelowThem) {
    TfrmAbout shortBox;
    WriteRegString(SEditorSettingsKey, "AboutText", "One line");
    shortBox.Fill();
    TfrmAbout longBox;
    WriteRegString(SEditorSettingsKey, "AboutText", "One##Two##Three##Four");
    longBox.Fill();
    const int moved = longBox.lblEMail->y() - shortBox.lblEMail->y();
    EXPECT_GT(moved, 2 * longBox.lblEMail->height());
    EXPECT_EQ(longBox.lblWWW->y() - shortBox.lblWWW->y(), moved);
    EXPECT_EQ(longBox.memLicense->y() - shortBox.memLicense->y(), moved);
    EXPECT_EQ(longBox.btnClose->y() - shortBox.btnClose->y(), moved);
    // Filling again changes nothing.
    const QRect before = longBox.btnClose->geometry();
    longBox.Fill();
    EXPECT_EQ(longBox.btnClose->geometry(), before);
    longBox.show();
    SaveScreenshot(&longBox, "about_long.png");

    // Without a license file the box stays empty.
    const std::string saved = ProgramFolder();
    QTemporaryDir empty;
    SetProgramFolder(empty.path().toStdString() + "/");
    TfrmAbout noLicense;
    noLicense.Fill();
    SetProgramFolder(saved);
    EXPECT_TRUE(noLicense.memLicense->toPlainText().isEmpty());
}

TEST_F(About, ShowAboutRunsTheBoxModally) {
    ASSERT_TRUE(EditorWindows().ShowAbout);
    std::string version;
    WhenModalShown<TfrmAbout>([&](TfrmAbout* about) {
        version = about->lblVersion->text().toStdString();
        PressKey(about, Qt::Key_Escape);
    });
    EditorWindows().ShowAbout();
    EXPECT_EQ(version, VersionText(0, 4));
}

} // namespace
