// The editor's state without its main window: the open project, the installed
// templates, the project protocol "mfs" over the files store with its hooks, and the
// variables cache. The main window owns one and delegates to it; tests and the
// document windows' own tests use it alone (IEditorMain over a project), with the
// questions of the project answered by the host they give.
#pragma once

#include "u_EditorServices.h"
#include "u_MFSInternetProtocol.h"
#include "u_Project.h"
#include "u_Templates.h"
#include "u_Variables.h"

#include <memory>
#include <string>
#include <vector>

class TEditorCore : public IEditorMain {
public:
    // Host answers the project's questions; none gives a preset host (TPresetProjectHost
    // with its defaults, reachable through PresetHost). The project protocol is
    // registered at once unless RegisterProtocol is false; the templates are loaded from
    // the program folder's "Templates" folder unless LoadTemplates is false.
    explicit TEditorCore(IProjectHost* Host = nullptr, bool RegisterProtocol = true, bool LoadTemplates = true);
    ~TEditorCore() override;
    TEditorCore(const TEditorCore&) = delete;
    TEditorCore& operator=(const TEditorCore&) = delete;

    // The preset host when none was given, else none.
    TPresetProjectHost* PresetHost() const noexcept { return FOwnHost.get(); }
    // The project protocol ("mfs" over the files store), none when not registered.
    TMFSInternetProtocol* ProjectProtocol() const noexcept { return FProtocol.get(); }
    bool VariablesChanged() const noexcept { return FVariablesChanged; }

    // IEditorMain
    TBookProject& Project() override { return *FProject; }
    TTemplates& Templates() override { return FTemplates; }
    QWidget* MainWidget() override { return nullptr; }
    TVariables& ProjectVariables() override;
    void InvalidateVariables() override { FVariablesChanged = true; }
    void SetVariablesScanPending(bool Value) override;
    void ApplyChangesOfAll() override;
    void SaveChangesOfAll() override;
    std::string OutputFileName() override;
    TProjectItemInfo* SelectedStoryItem() override;
    void StoryChanged() override {}
    // Without a window: closes and opens a new project, answering through the host.
    bool ExecuteNewProject() override;
    // Without a window: compiles without questions; Run does nothing.
    void ExecuteCompile() override;
    void ExecuteRun() override {}

private:
    std::unique_ptr<TPresetProjectHost> FOwnHost;
    std::unique_ptr<TBookProject> FProject;
    TTemplates FTemplates;
    TProjectProtocolHooks FHooks;
    std::unique_ptr<TMFSInternetProtocol> FProtocol;
    std::unique_ptr<TVariables> FVariablesCache;
    bool FVariablesChanged = true;
};

// Closes every open document window (its frame in the main window's client area, where
// it has one); each saves as it closes. True when none is left open (a window whose
// save failed stays open).
bool CloseDocumentWindows();
// Closes without saving the page editors of the given page paths, or all of them.
void ClosePageEditorWindows(const std::vector<std::string>& Pages, bool All);
