// The wizard's rules apart from its windows: the step table and the routing, the
// buttons, the named values and the history, and the option pages' model operations.
#include "wizard_helpers.h"

#include "u_BookLayout.h"
#include "u_HostFiles.h"
#include "u_MFS.h"
#include "u_ProgramFolder.h"
#include "u_Templates.h"
#include "u_eBookWizard.h"

#include <gtest/gtest.h>

TEST(WizardRules, StepTableAndBothRoutes) {
    EXPECT_EQ(StepIndexOf("TframWizGeneral"), 0);
    EXPECT_EQ(StepIndexOf("TframWizFinish"), 7);
    EXPECT_EQ(StepIndexOf("TframWizSplash"), 6);
    EXPECT_EQ(StepIndexOf("tframwizgeneral"), -1); // class names are exact
    EXPECT_EQ(StepIndexOf("TfrmWizard"), -1);
    EXPECT_EQ(ClampStepIndex(-1), 0);
    EXPECT_EQ(ClampStepIndex(9), 7);

    // Walk both routes the way Next does, from step 0.
    for (const bool fromFolder : {true, false}) {
        std::vector<int> shown{0};
        int step = 0;
        while (step < WizardLastStep) {
            if (step == 0)
                step += RouteStepNextOffset(fromFolder, step);
            else if (step == 1 || step == 2)
                step += SourceStepNextOffset(step);
            else
                step += 1;
            shown.push_back(step);
        }
        const std::vector<int> expected =
            fromFolder ? std::vector<int>{0, 1, 3, 4, 5, 6, 7} : std::vector<int>{0, 2, 3, 4, 5, 6, 7};
        EXPECT_EQ(shown, expected);
    }
}

TEST(WizardRules, ButtonsFollowHistoryStepAndValidity) {
    TWizardButtonStates s = WizardButtonStates(0, true, false);
    EXPECT_FALSE(s.Back || s.Next || s.Finish);
    s = WizardButtonStates(0, true, true);
    EXPECT_FALSE(s.Back);
    EXPECT_TRUE(s.Next && s.Finish);
    s = WizardButtonStates(7, false, true);
    EXPECT_TRUE(s.Back && s.Finish);
    EXPECT_FALSE(s.Next);
    s = WizardButtonStates(2, false, false);
    EXPECT_TRUE(s.Back);
    EXPECT_FALSE(s.Next || s.Finish);

    TWizardStepHistory history;
    EXPECT_EQ(history.Pop(), -1);
    history.Push(0);
    history.Push(2);
    EXPECT_EQ(history.Pop(), 2);
    EXPECT_EQ(history.Pop(), 0);
    EXPECT_TRUE(history.Empty());
}

TEST(WizardRules, StepValuesIgnoreCaseAndListInKeyOrder) {
    TWizardStepValues values;
    EXPECT_EQ(values.Get("FromTemplate"), "");
    values.Set("Zeta", "1");
    values.Set("FromTemplate", BoolStepText(true));
    values.Set("fromtemplate", BoolStepText(false)); // the same name: replaced
    EXPECT_EQ(values.Count(), 2);
    EXPECT_EQ(values.Get("FROMTEMPLATE"), "0");
    EXPECT_EQ(values.Names(), (std::vector<std::string>{"FromTemplate", "Zeta"}));
    values.Clear();
    EXPECT_EQ(values.Count(), 0);

    bool b = false;
    EXPECT_TRUE(TryReadBoolText("-1", b) && b);
    EXPECT_TRUE(TryReadBoolText("0", b) && !b);
    EXPECT_TRUE(TryReadBoolText("TRUE", b) && b);
    EXPECT_TRUE(TryReadBoolText("false", b) && !b);
    EXPECT_TRUE(TryReadBoolText("12", b) && b);
    b = true;
    EXPECT_FALSE(TryReadBoolText("yes", b));
    EXPECT_FALSE(TryReadBoolText("-", b));
    EXPECT_FALSE(TryReadBoolText("", b));
    EXPECT_TRUE(b); // unchanged
}

TEST(WizardRules, TemplateListRightClickListAndColours) {
    TTemplates templates;
    templates.LoadFromFolder(TemplatesFolder());
    ASSERT_GE(templates.Count(), 3);
    const std::vector<std::string> entries = TemplateListEntries(templates);
    ASSERT_EQ(entries.size(), static_cast<size_t>(templates.Count() + 1));
    EXPECT_EQ(entries[0], "None");
    EXPECT_EQ(entries[1], templates.Items(0)->Caption);
    EXPECT_EQ(TemplateListIndex(entries, "novel"), TemplateListIndex(entries, "Novel"));
    EXPECT_GT(TemplateListIndex(entries, "Novel"), 0);
    EXPECT_EQ(TemplateListIndex(entries, "Not installed"), 0);
    EXPECT_EQ(TemplateListIndex(entries, ""), 0);

    EXPECT_EQ(RightClickListIndex(0), 0);
    EXPECT_EQ(RightClickListIndex(2), 2);
    EXPECT_EQ(RightClickFromListIndex(1), 1);
    EXPECT_EQ(RightClickFromListIndex(2), 2);
    EXPECT_EQ(RightClickFromListIndex(-1), 2);

    EXPECT_EQ(ColorFromRgb(255, 0, 0), 255);
    EXPECT_EQ(ColorFromRgb(0, 0, 255), 0xFF0000);
    EXPECT_TRUE(IsSystemColor(clWindowText));
    EXPECT_EQ(SystemColorIndex(clWindowText), 8);
    EXPECT_EQ(SystemColorIndex(clBtnFace), 15);
}

using WizardModel = WizardFixture;

TEST_F(WizardModel, SecurityIsReadWithoutCreatingTheFileAndWrittenBack) {
    Project().DeleteSystemFile("\\Encrypt.xml");
    TSecuritySettings settings = Project().Security();
    EXPECT_EQ(settings.Method, TSecurityMethod::smNone);
    EXPECT_FALSE(Project().SystemFile("\\Encrypt.xml")) << "reading creates no file";
    Project().SetSecurityText(BuildEncryptXml("UserPassword", "p\"w", "Selected", {{"ann", "1"}}));
    settings = Project().Security();
    EXPECT_EQ(settings.Method, TSecurityMethod::smUserPassword);
    EXPECT_EQ(settings.Password, "p\"w");
    EXPECT_EQ(settings.PasswordType, TPasswordType::ptSelected);
    ASSERT_EQ(settings.Users.size(), 1u);
    EXPECT_EQ(settings.Users[0].User, "ann");
}

TEST_F(WizardModel, SplashResetTakesTheDefaultProjectsOptionsAndPictures) {
    TSplashOptions& splash = Project().Options().Splash();
    splash.Interval = 9;
    splash.CloseOnClick = false;
    splash.SplashTypeS = vsSplash;
    splash.PopUpTextE = "changed";
    Project().SetSystemFile(SplashStartFile, "BMold");
    Project().SetModified(false);

    ResetSplashToDefault(Project(), ProgramFolder());
    EXPECT_EQ(splash.Interval, 3);
    EXPECT_TRUE(splash.CloseOnClick); // as the default project has it
    EXPECT_EQ(splash.SplashTypeS, vsNone);
    EXPECT_EQ(splash.PopUpTextE, "Ending pop-up text...");
    const std::string folder = ProgramFolder() + "DefaultProject/DefaultProject.system/";
    EXPECT_EQ(SystemText("\\SplashS.bmp"), ReadFileText(folder + "SplashS.bmp"));
    EXPECT_EQ(SystemText("\\SplashE.bmp"), ReadFileText(folder + "SplashE.bmp"));
    EXPECT_TRUE(Project().Modified());

    // Without the default project nothing changes.
    splash.Interval = 7;
    Project().SetModified(false);
    EXPECT_THROW(ResetSplashToDefault(Project(), Temp.path().toStdString()), std::exception);
    EXPECT_EQ(splash.Interval, 7);
    EXPECT_FALSE(Project().Modified());
}
