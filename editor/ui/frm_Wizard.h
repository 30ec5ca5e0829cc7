// The new-book wizard "Project Wizard": starts a new project and walks the author
// through its pages (from a template or from a folder) and its main options, one step
// frame at a time. Each step is applied to the project when the author goes on with
// Next or Finish; Cancel keeps what earlier steps applied.
#pragma once

#include "fram_WizardStep.h"
#include "u_eBookWizard.h"

#include <QDialog>

class IEditorMain;
class QLabel;
class QPushButton;

class TfrmWizard : public QDialog, public IWizardStepOwner {
    Q_OBJECT
public:
    explicit TfrmWizard(IEditorMain& Main, QWidget* Parent = nullptr);
    ~TfrmWizard() override;

    // IWizardStepOwner
    void StepChanged() override { UpdateButtons(); }
    void SetStepValue(const std::string& Name, const std::string& Value) override { StepValues.Set(Name, Value); }
    std::string GetStepValue(const std::string& Name) override { return StepValues.Get(Name); }

    // Replaces the shown step by a new frame of the step table's class at Index
    // (clamped to 0..7), initialised with the wizard as its owner.
    void ShowStep(int Index);
    void UpdateButtons();

    // The buttons' commands.
    void btnNextClick();
    void btnBackClick();
    void btnFinishClick();

    TframWizardStep* StepFrame() const { return FStepFrame; }
    // A new frame of the step at Index.
    static TframWizardStep* CreateStepFrame(int Index, IEditorMain& Main, QWidget* Parent);

    int StepIndex = 0;
    TWizardStepHistory StepHistory;
    TWizardStepValues StepValues;

    QLabel* imgStep;
    QWidget* pnlStep;
    QPushButton* btnCancel;
    QPushButton* btnBack;
    QPushButton* btnNext;
    QPushButton* btnFinish;

private:
    // Re-evaluates the buttons; when Button is enabled, applies the shown step. False
    // when the button was disabled or the step failed (the error was shown).
    bool ApplyShownStep(QPushButton* Button);
    IEditorMain& FMain;
    TframWizardStep* FStepFrame = nullptr;
};

// The "Project Wizard" command: runs the New Project command (a refusal there shows
// no wizard), marks the new project modified and shows the wizard modally.
void RunWizard(IEditorMain& Main);
