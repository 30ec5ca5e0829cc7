// Step 6 of the wizard and page "Splash" of the options dialog: what the book shows
// when it starts and when it ends (nothing, a pop-up message or a splash picture). The
// pictures ("\SplashS.bmp", "\SplashE.bmp" of the system store) change at once when
// they are loaded, cleared or reset; the options only when the step is applied.
#pragma once

#include "fram_WizardStep.h"

class QButtonGroup;
class QCheckBox;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QStackedWidget;
class QToolButton;

class TframWizSplash : public TframWizardStep {
    Q_OBJECT
public:
    TframWizSplash(IEditorMain& Main, QWidget* Parent = nullptr);

    QPixmap GetStepImage() const override;
    // The splash options and both pictures into the controls. Keeps no owner.
    void InitStep(IWizardStepOwner* Owner) override;
    void ApplyStep() override;

    // The page in front: 0 "Starting", 1 "Ending".
    int CurrentPage() const { return FCurrent; }
    void SetCurrentPage(int Page);

    // The commands, on the page in front. Load Image replaces the picture only once a
    // new one has been read; Clear Image marks the project modified, since its
    // deletion is not undone by Cancel.
    void LoadImage();
    void ClearImage();
    void ResetSplash();
    void Preview();

    // The controls of one page ("S" starting, "E" ending in their object names).
    struct TSplashPage {
        QWidget* Page = nullptr;
        QButtonGroup* rgSplashType = nullptr; // 0 "None", 1 "Pop-up Message", 2 "Splash Screen"
        QPushButton* btnPreview = nullptr;
        TPictureBox* imgSplash = nullptr;
        QPlainTextEdit* memPopUpText = nullptr;
        const char* FileName = nullptr; // its picture in the system store
    };
    TSplashPage Pages[2];

    QToolButton* btnStarting;
    QToolButton* btnEnding;
    QStackedWidget* pcSplash;
    QAction* actLoadImage;
    QAction* actClearImage;
    QAction* actResetSplash;
    QSpinBox* spnedtInterval;
    QCheckBox* cbxCloseOnClick;

private:
    void BuildPage(int Index, const char* Suffix);
    int FCurrent = 0;
};
