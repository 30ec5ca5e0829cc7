// Step 7 of the wizard: the book is set up; it can be compiled and run from here, and
// its folder opened.
#pragma once

#include "fram_WizardStep.h"

class QPushButton;
class TLinkLabel;

class TframWizFinish : public TframWizardStep {
    Q_OBJECT
public:
    TframWizFinish(IEditorMain& Main, QWidget* Parent = nullptr);

    QPixmap GetStepImage() const override;
    // Looks for the compiled book: when it exists, "Run" and the link to its folder are
    // enabled. Keeps no owner.
    void InitStep(IWizardStepOwner* Owner) override;

    QPushButton* btnCompile;
    QPushButton* btnRun;
    TLinkLabel* lblFolder;
};
