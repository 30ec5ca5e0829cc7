// Step 2 of the wizard: the template to start the book from. The tree lists every
// installed template with its chapters and pages; only a template node can be chosen.
#pragma once

#include "fram_WizardStep.h"

class QPlainTextEdit;
class QTreeWidget;
class TTemplate;

class TframWizTemplate : public TframWizardStep {
    Q_OBJECT
public:
    TframWizTemplate(IEditorMain& Main, QWidget* Parent = nullptr);

    QPixmap GetStepImage() const override;
    // Fills the tree from the installed templates.
    void InitStep(IWizardStepOwner* Owner) override;
    // The selected node is a template (not one of its chapters or pages).
    bool IsStepValid() override;
    // Adds the selected template to the story at the selected story item; when the
    // author cancels the question about clearing the story, nothing is added and the
    // wizard still goes on.
    void ApplyStep() override;
    int NextStepOffset() override;

    // The template of the selected node when that node is a template node, else none.
    TTemplate* SelectedTemplate() const;

    QTreeWidget* tvTemplates;
    TPictureBox* imgThumbnail;
    QPlainTextEdit* memDescription;

private:
    void TemplateNodeSelected();
};
