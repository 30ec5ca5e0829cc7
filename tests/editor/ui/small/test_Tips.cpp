#include "frm_Tips.h"
#include "small_helpers.h"
#include "ui_helpers.h"
#include "u_EditorServices.h"
#include "u_MFS.h"
#include "u_ProgramFolder.h"
#include "u_Registry.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMainWindow>
#include <QScreen>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

const std::vector<std::string> KFour = {"a.htm", "B.htm", "c.html", "D.htm"};

TEST(TipsRules, StartPositionWithFourTips) {
    EXPECT_EQ(TipStartIndex(KFour, ""), 0);
    EXPECT_EQ(TipStartIndex(KFour, "a.htm"), 1);
    EXPECT_EQ(TipStartIndex(KFour, "b.HTM"), 2); // letter case ignored
    EXPECT_EQ(TipStartIndex(KFour, "c.html"), 3);
    EXPECT_EQ(TipStartIndex(KFour, "D.htm"), 0); // the last: back to the first
    EXPECT_EQ(TipStartIndex(KFour, "bb.htm"), 2); // missing: where it would be
    EXPECT_EQ(TipStartIndex(KFour, "0.htm"), 0);
    EXPECT_EQ(TipStartIndex(KFour, "zz.htm"), 0); // would be past the end
    EXPECT_EQ(TipStartIndex({}, "a.htm"), 0);
}

TEST(TipsRules, PreviousAndNextWrap) {
    EXPECT_EQ(NextTipIndex(0, 4), 1);
    EXPECT_EQ(NextTipIndex(3, 4), 0);
    EXPECT_EQ(PreviousTipIndex(0, 4), 3);
    EXPECT_EQ(PreviousTipIndex(2, 4), 1);
    EXPECT_EQ(NextTipIndex(0, 0), 0);
    EXPECT_EQ(PreviousTipIndex(0, 0), 0);
}

TEST(TipsRules, TipFilesHiddenOnesIncludedSortedIgnoringCase) {
    EXPECT_TRUE(IsTipFileName("Tip.HTM"));
    EXPECT_TRUE(IsTipFileName("tip.html"));
    EXPECT_TRUE(IsTipFileName("tip.htm.bak"));
    EXPECT_FALSE(IsTipFileName("tip.txt"));
    EXPECT_FALSE(IsTipFileName("htm"));

    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString();
    for (const char* name : {"b.htm", "A.HTML", ".hidden.htm", "c.txt", "C.htm"})
        WriteFileText("<p>x</p>", HostPathJoin(folder, name));
    ForceHostFolders(HostPathJoin(folder, "folder.htm"));
    EXPECT_EQ(ListTipFiles(folder), (std::vector<std::string>{".hidden.htm", "A.HTML", "b.htm", "C.htm"}));
    EXPECT_TRUE(ListTipFiles(HostPathJoin(folder, "missing")).empty());
}

// The tips window over a program folder of the test's own (or the shipped one).
class TipsWindow : public ::testing::Test {
protected:
    void SetUp() override {
        FSavedFolder = ProgramFolder();
        DeleteRegKey(SEditorSettingsKey);
    }
    void TearDown() override {
        SetProgramFolder(FSavedFolder);
        DeleteRegKey(SEditorSettingsKey);
    }
    // A program folder whose "Tips" holds tips named like KFour.
    void UseFourTips() {
        for (const std::string& name : KFour)
            WriteFileText("<html><body><p>Tip " + name + "</p></body></html>",
                          FFolder.filePath(QString::fromStdString("Tips/" + name)).toStdString());
        SetProgramFolder(FFolder.path().toStdString() + "/");
    }
    static bool ShowsTip(TfrmTips& Tips, const std::string& Name) {
        return WaitFor([&] {
            const std::string location = Tips.wbTip->LocationURL();
            return location.size() >= Name.size() && location.compare(location.size() - Name.size(), Name.size(),
                                                                       Name) == 0 &&
                   Tips.wbTip->ReadyState() >= TReadyState::Interactive;
        });
    }
    std::string FSavedFolder;
    QTemporaryDir FFolder;
};

TEST_F(TipsWindow, StartsAfterTheLastTipAndWrapsWithPreviousAndNext) {
    UseFourTips();
    WriteRegString(SEditorSettingsKey, "LastTip", "D.htm");
    WriteRegInteger(SEditorSettingsKey, "TipsStartupAction", 1);
    TfrmTips tips;
    tips.show();
    EXPECT_EQ(tips.windowTitle(), "Tip of the Day");
    EXPECT_EQ(tips.size(), QSize(571, 360));
    EXPECT_EQ(tips.Tips(), KFour);
    EXPECT_EQ(tips.TipIndex(), 0);
    EXPECT_EQ(tips.cmbStartupAction->currentIndex(), 1);
    EXPECT_EQ(ReadRegString(SEditorSettingsKey, "LastTip"), "a.htm");
    ASSERT_TRUE(ShowsTip(tips, "a.htm"));
    EXPECT_EQ(BodyText(*tips.wbTip), "Tip a.htm");

    tips.btnPreviousTip->click();
    EXPECT_EQ(tips.TipIndex(), 3);
    EXPECT_EQ(ReadRegString(SEditorSettingsKey, "LastTip"), "D.htm");
    EXPECT_TRUE(ShowsTip(tips, "D.htm"));
    tips.btnNextTip->click();
    EXPECT_EQ(tips.TipIndex(), 0);
    tips.btnNextTip->click();
    EXPECT_EQ(tips.TipIndex(), 1);
    EXPECT_TRUE(ShowsTip(tips, "B.htm"));

    // A tip file that went away meanwhile shows nothing new but still counts.
    std::remove(FFolder.filePath("Tips/c.html").toStdString().c_str());
    tips.btnNextTip->click();
    EXPECT_EQ(tips.TipIndex(), 2);
    EXPECT_EQ(ReadRegString(SEditorSettingsKey, "LastTip"), "c.html");

    // Closing keeps the startup choice.
    tips.cmbStartupAction->setCurrentIndex(2);
    tips.btnClose->click();
    EXPECT_EQ(ReadRegInteger(SEditorSettingsKey, "TipsStartupAction", -1), 2);
}

TEST_F(TipsWindow, EmptyFolderShowsNoTipAndABadStartupValueSelectsTheDefault) {
    SetProgramFolder(FFolder.path().toStdString() + "/");
    WriteRegInteger(SEditorSettingsKey, "TipsStartupAction", 7);
    TfrmTips tips;
    tips.show();
    ProcessEvents();
    EXPECT_TRUE(tips.Tips().empty());
    EXPECT_EQ(tips.TipIndex(), -1);
    EXPECT_EQ(tips.cmbStartupAction->currentIndex(), 0);
    tips.btnNextTip->click();
    tips.btnPreviousTip->click();
    EXPECT_EQ(tips.TipIndex(), -1);
    EXPECT_FALSE(RegValueExists(SEditorSettingsKey, "LastTip"));
    tips.reject();
    EXPECT_EQ(ReadRegInteger(SEditorSettingsKey, "TipsStartupAction", -1), 0);
}

TEST_F(TipsWindow, ShippedTipsLookRight) {
    TfrmTips tips;
    tips.show();
    ASSERT_EQ(tips.Tips().size(), 9u);
    EXPECT_EQ(tips.Tips().front(), "Tip01.htm");
    const QRect screen = tips.screen()->geometry();
    EXPECT_EQ(tips.x(), screen.left() + (screen.width() - 571) / 2);
    for (int i = 0; i < 9; ++i) {
        const std::string name = tips.Tips()[tips.TipIndex()];
        ASSERT_TRUE(ShowsTip(tips, name)) << name;
        Pause(150);
        SaveScreenshot(&tips, QString::fromStdString("tips_" + name + ".png"));
        tips.btnNextTip->click();
    }
    tips.reject();
}

TEST_F(TipsWindow, MinimizingTheTipsMinimizesTheEditorAndRestoringBringsThemBack) {
    UseFourTips();
    QMainWindow main;
    main.resize(500, 400);
    main.show();
    ASSERT_EQ(ApplicationMainWindow(), &main);
    auto* tips = new TfrmTips(&main);
    tips->show();
    ProcessEvents();
    tips->setWindowState(Qt::WindowMinimized);
    EXPECT_TRUE(main.windowState() & Qt::WindowMinimized);
    main.setWindowState(Qt::WindowNoState);
    EXPECT_FALSE(tips->windowState() & Qt::WindowMinimized);
    // Once the tips are gone the editor minimizes alone.
    delete tips;
    main.setWindowState(Qt::WindowMinimized);
    main.setWindowState(Qt::WindowNoState);
    EXPECT_FALSE(main.windowState() & Qt::WindowMinimized);
}

TEST_F(TipsWindow, ShowTipsRunsTheWindowModally) {
    UseFourTips();
    ASSERT_TRUE(EditorWindows().ShowTips);
    bool seen = false;
    WhenModalShown<TfrmTips>([&](TfrmTips* tips) {
        seen = true;
        tips->btnClose->click();
    });
    EditorWindows().ShowTips();
    EXPECT_TRUE(seen);
    EXPECT_EQ(ReadRegString(SEditorSettingsKey, "LastTip"), "a.htm");
    EXPECT_TRUE(RegValueExists(SEditorSettingsKey, "TipsStartupAction"));
}

} // namespace
