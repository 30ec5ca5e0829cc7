// Step 1 of the wizard: the folder of HTML pages to import into the new book.
#pragma once

#include "fram_WizardStep.h"

class QFileSystemModel;
class QTreeView;

class TframWizFolder : public TframWizardStep {
    Q_OBJECT
public:
    TframWizFolder(IEditorMain& Main, QWidget* Parent = nullptr);

    QPixmap GetStepImage() const override;
    // A folder of the file system is selected.
    bool IsStepValid() override;
    // Imports the selected folder with a page for every HTML file in it; a cancelled
    // question there ends the step silently (it stays shown).
    void ApplyStep() override;
    // On to the step after the template step.
    int NextStepOffset() override;

    // The selected folder, empty when none.
    std::string SelectedFolder() const;
    // Selects a folder of the file system (shows and expands the way to it).
    void SelectFolder(const std::string& Folder);

    QTreeView* tvFolders;

private:
    QFileSystemModel* FModel;
};
