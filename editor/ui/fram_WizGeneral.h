// Step 0 of the wizard: the route, a book from a template or from a folder of pages.
#pragma once

#include "fram_WizardStep.h"

class QRadioButton;

class TframWizGeneral : public TframWizardStep {
    Q_OBJECT
public:
    TframWizGeneral(IEditorMain& Main, QWidget* Parent = nullptr);

    QPixmap GetStepImage() const override;
    // Shows the route chosen earlier ("FromTemplate" of the wizard's values).
    void InitStep(IWizardStepOwner* Owner) override;
    bool IsStepValid() override;
    // Stores the route as "FromTemplate" ("-1" or "0").
    void ApplyStep() override;
    // To the folder step or to the template step.
    int NextStepOffset() override;

    QRadioButton* rbFromTemplate;
    QRadioButton* rbFromFolder;
};
