// Step 3 of the wizard and page "General" of the options dialog: the default template,
// where the compiled book goes, its titles, its icon and its window size.
#pragma once

#include "fram_WizardStep.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QToolButton;

class TframWizGeneralOptions : public TframWizardStep {
    Q_OBJECT
public:
    TframWizGeneralOptions(IEditorMain& Main, QWidget* Parent = nullptr);

    QPixmap GetStepImage() const override;
    // Fills the controls from the project options and "\Icon.ico" of the system store.
    void InitStep(IWizardStepOwner* Owner) override;
    // Writes the controls back; "\Icon.ico" takes the shown icon, or is deleted when
    // the book has no icon of its own.
    void ApplyStep() override;

    // An icon of its own is shown (loaded, or found in the system store).
    bool IconSet() const { return FIconSet; }
    // "Load Icon...": the icon file chosen in the open dialog.
    void LoadIcon();
    // "Reset Icon": the editor's own icon again.
    void ResetIcon();
    // The reset button of "Display Settings": 800 x 600.
    void ResetDisplay();
    // The output path button: the save dialog's choice into the field.
    void SelectPath();

    QComboBox* cmbxDefaultTemplate;
    QGroupBox* grpOutput;
    QButtonGroup* grpOutputButtons; // 0 "Default", 1 "Specified Path"
    QRadioButton* rbOutputDefault;
    QRadioButton* rbOutputSpecified;
    QLineEdit* edtOutputPath;
    QToolButton* btnSelectPath;
    QLineEdit* edtMainFormCaption;
    QLineEdit* edtApplicationTitle;
    QGroupBox* grpIcon;
    QLabel* imgIcon;
    QPushButton* btnLoadIcon;
    QPushButton* btnResetIcon;
    QGroupBox* grpDisplay;
    QSpinBox* spnedtWidth;
    QSpinBox* spnedtHeight;
    QCheckBox* cbxResizable;
    QCheckBox* cbxRunMaximized;
    QToolButton* btnResetDisplay;

private:
    void ShowIcon();
    bool FIconSet = false;
    std::string FIconBytes; // the shown icon in icon-file form, when set
};
