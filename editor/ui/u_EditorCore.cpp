#include "u_EditorCore.h"

#include "u_BookLayout.h"
#include "u_Compile.h"
#include "u_Contents.h"

#include <QMdiSubWindow>
#include <QMetaObject>
#include <QPointer>

#include <algorithm>

namespace {

// The preset host of a core without a window: the project's answers come from the
// preset values, and what concerns document windows reaches the open ones.
class TCoreHost : public TPresetProjectHost {
public:
    explicit TCoreHost(TEditorCore& Core) : FCore(Core) {}

    void SaveChangesOfAll() override { FCore.SaveChangesOfAll(); }
    void ProjectClosing() override { FCore.ApplyChangesOfAll(); }
    bool CloseAllDocuments() override { return DocumentsClose && CloseDocumentWindows(); }
    void ClosePageEditors(const std::vector<std::string>& Pages, bool All) override {
        ClosePageEditorWindows(Pages, All);
    }

private:
    TEditorCore& FCore;
};

} // namespace

bool CloseDocumentWindows() {
    for (TfrmAbstractMDIChild* window : OpenDocumentWindows())
        if (auto* frame = qobject_cast<QMdiSubWindow*>(window->parentWidget()))
            frame->close();
        else
            window->close();
    return OpenDocumentWindows().empty();
}

void ClosePageEditorWindows(const std::vector<std::string>& Pages, bool All) {
    for (TfrmAbstractMDIChild* window : OpenDocumentWindows()) {
        const auto* editor = dynamic_cast<IPageEditorWindow*>(window);
        if (editor && (All || std::find(Pages.begin(), Pages.end(), editor->PagePath()) != Pages.end()))
            window->CloseWithoutSaving();
    }
}

TEditorCore::TEditorCore(IProjectHost* Host, bool RegisterProtocol, bool LoadTemplates) {
    if (!Host) {
        FOwnHost = std::make_unique<TCoreHost>(*this);
        Host = FOwnHost.get();
    }
    FProject = std::make_unique<TBookProject>(Host);
    FHooks.OpenWindows = [] { return OpenPageDataClients(); };
    FHooks.ExpandVariables = [this](const std::string& Text) { return ProjectVariables().Expand(Text); };
    FHooks.ContentsHtml = [this] { return BuildContentsHtml(FProject->Story()); };
    if (RegisterProtocol) {
        FProtocol = std::make_unique<TMFSInternetProtocol>("mfs", &FProject->FilesStore());
        FHooks.Attach(*FProtocol);
    }
    if (LoadTemplates)
        FTemplates.LoadFromFolders(TemplatesFolders());
}

TEditorCore::~TEditorCore() {
    // The protocol goes first: it may still be asked while the project is torn down.
    FProtocol.reset();
}

TVariables& TEditorCore::ProjectVariables() {
    if (!FVariablesCache || FVariablesChanged) {
        FVariablesCache.reset();
        if (auto* window = FindChildWindow<IVariablesWindow>())
            dynamic_cast<TfrmAbstractMDIChild*>(window)->SaveChanges();
        FVariablesCache = std::make_unique<TVariables>(FProject->VariablesText(), true);
        FVariablesChanged = false;
    }
    return *FVariablesCache;
}

void TEditorCore::SetVariablesScanPending(bool Value) {
    if (FProject->VariablesScanPending() == Value)
        return;
    FProject->SetVariablesScanPending(Value);
    if (!Value)
        return;
    if (auto* window = FindChildWindow<IVariablesWindow>()) {
        auto* child = dynamic_cast<TfrmAbstractMDIChild*>(window);
        child->SaveChanges();
        // The scan runs after the command that asked for it, as a posted message would.
        QPointer<TfrmAbstractMDIChild> guard(child);
        QMetaObject::invokeMethod(
            child,
            [guard, window] {
                if (guard)
                    window->ScanRequested();
            },
            Qt::QueuedConnection);
    }
}

void TEditorCore::ApplyChangesOfAll() {
    for (TfrmAbstractMDIChild* window : OpenDocumentWindows())
        window->ApplyChanges();
}

void TEditorCore::SaveChangesOfAll() {
    for (TfrmAbstractMDIChild* window : OpenDocumentWindows())
        window->SaveChanges();
}

std::string TEditorCore::OutputFileName() {
    return ::OutputFileName(*FProject);
}

TProjectItemInfo* TEditorCore::SelectedStoryItem() {
    return FProject->Host().SelectedItem();
}

bool TEditorCore::ExecuteNewProject() {
    try {
        FProject->NewProject();
        InvalidateVariables();
        return true;
    } catch (const EAbort&) {
        return false;
    }
}

void TEditorCore::ExecuteCompile() {
    ApplyChangesOfAll();
    CompileProject(*FProject);
}
