#include "ui_helpers.h"
#include "u_EditorServices.h"
#include "u_Variables.h"

#include <gtest/gtest.h>

namespace {

// A document window that counts the broadcasts and stands for a variables window.
class TCountingWindow : public TfrmAbstractMDIChild, public IVariablesWindow {
public:
    int Applied = 0, Saved = 0, Scans = 0;
    TBookProject* Project = nullptr;
    std::string PendingVariables; // written into the store by SaveChanges when set
    void ApplyChanges() override { ++Applied; }
    void SaveChanges() override {
        ++Saved;
        if (!PendingVariables.empty())
            Project->SetVariablesText(PendingVariables);
    }
    void ScanRequested() override { ++Scans; }
};

TEST(EditorCore, VariablesAreRebuiltFromTheStoreAfterInvalidation) {
    TEditorCore core;
    core.Project().NewProject();
    core.Project().SetVariablesText("<vars>\r\n<var name=\"Author\">$Ann</var>\r\n</vars>\r\n");
    core.InvalidateVariables();
    EXPECT_EQ(core.ProjectVariables().GetValue("author"), "Ann");

    // Without invalidation the cache stays; an open variables window saves before a rebuild.
    auto* window = new TCountingWindow;
    window->Project = &core.Project();
    window->PendingVariables = "<vars>\r\n<var name=\"Author\">Bea</var>\r\n</vars>\r\n";
    EXPECT_EQ(core.ProjectVariables().GetValue("Author"), "Ann");
    core.InvalidateVariables();
    EXPECT_EQ(core.ProjectVariables().GetValue("Author"), "Bea");
    EXPECT_EQ(window->Saved, 1);
    window->CloseWithoutSaving();
    ProcessEvents();
}

TEST(EditorCore, ScanRequestReachesTheVariablesWindowQueuedAndOnlyOnChange) {
    TEditorCore core;
    core.Project().NewProject(); // a new project asks for a scan
    auto* window = new TCountingWindow;
    window->Project = &core.Project();
    core.SetVariablesScanPending(true); // unchanged: nothing
    ProcessEvents();
    EXPECT_EQ(window->Scans, 0);
    core.SetVariablesScanPending(false);
    core.SetVariablesScanPending(true);
    EXPECT_EQ(window->Saved, 1);
    EXPECT_EQ(window->Scans, 0); // not before the current command ends
    ProcessEvents();
    EXPECT_EQ(window->Scans, 1);
    core.ApplyChangesOfAll();
    core.SaveChangesOfAll();
    EXPECT_EQ(window->Applied, 1);
    EXPECT_EQ(window->Saved, 2);
    window->CloseWithoutSaving();
    ProcessEvents();
}

TEST(EditorCore, TemplatesOfTheProgramFolderAndTheOutputFile) {
    TEditorCore core;
    EXPECT_GE(core.Templates().Count(), 3);
    QTemporaryDir folder;
    const std::string fileName = NewSavedProject(core, folder, "Tale");
    EXPECT_EQ(core.OutputFileName(), folder.filePath("Tale.exe").toStdString());
    EXPECT_TRUE(core.ExecuteNewProject());
    EXPECT_TRUE(core.Project().FileName().empty());
}

TEST(EditorCore, EveryWindowOfTheEditorIsInTheTable) {
    // The editor's library links every window unit: no command finds its window missing.
    const TEditorWindowTable& t = EditorWindows();
    EXPECT_TRUE(t.OpenPageEditor && t.OpenToolbarDesigner && t.OpenVariables && t.OpenSystemPages);
    EXPECT_TRUE(t.RunWizard && t.ShowProjectOptions && t.ShowTips && t.ShowAbout);
    EXPECT_TRUE(t.ActivateBalloons && t.DeactivateBalloons && t.ResetBalloons);
    EXPECT_TRUE(t.ShowSplashFile && t.ShowSplashItem && t.RequestSplashClose);
}

} // namespace
