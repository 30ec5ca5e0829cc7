// Step 4 of the wizard and page "Toolbar" of the options dialog: the reader's toolbar
// (placement, colours, captions, button and picture sizes) and the logo on it. The
// logo picture ("\Logo.bmp" of the system store) changes at once when it is loaded or
// cleared; the other options only when the step is applied.
#pragma once

#include "fram_WizardStep.h"

#include <QColor>

#include <functional>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QToolButton;

class TframWizToolbarOptions : public TframWizardStep {
    Q_OBJECT
public:
    TframWizToolbarOptions(IEditorMain& Main, QWidget* Parent = nullptr);

    QPixmap GetStepImage() const override;
    // Fills the controls from the toolbar options and shows "\Logo.bmp"; remembers the
    // picture size as shown. Keeps no owner.
    void InitStep(IWizardStepOwner* Owner) override;
    void ApplyStep() override;

    // The picture width or height differs from the one InitStep showed.
    bool ImageSizeChanged() const;

    // Colours as the platform numbers them (RGB with red in the low byte, or a
    // negative system colour).
    int32_t TextColor() const { return FTextColor; }
    int32_t BackColor() const { return FBackColor; }
    void SetTextColor(int32_t Color);
    void SetBackColor(int32_t Color);

    // The logo commands (at once on the system store).
    void LoadLogo();
    void ClearLogo();
    // The reset of "Image size": buttons 32 x 32, pictures 24 x 24.
    void ResetSizes();

    // What the colour buttons use to let the author pick a colour (the platform's
    // colour dialog unless a test replaces it): true and Color changed when chosen.
    static std::function<bool(QWidget* Parent, QColor& Color)> ColorChooser;
    // The colour the preview shows for a colour number: a system colour as the
    // desktop's palette has it, any other as ColorOfNumber gives it.
    static QColor ColorOf(int32_t Color);

    QComboBox* cmbToolbarPlacement;
    QLabel* txtPreviewArea;
    QPushButton* btnFontFace;
    QPushButton* btnBackground;
    QToolButton* btnResetFontColor;
    QToolButton* btnResetBackColor;
    QCheckBox* cbxShowCaption;
    QCheckBox* cbxFlat;
    QSpinBox* spnedtToolbarBtnH;
    QSpinBox* spnedtToolbarBtnW;
    QSpinBox* spnedtToolbarImgH;
    QSpinBox* spnedtToolbarImgW;
    QToolButton* btnResetSizes;
    TPictureBox* imgLogo;
    QAction* actLoadLogo;
    QAction* actClearLogo;
    QCheckBox* cbxLogoDisplay;
    QLineEdit* edtLogoLink;
    QLineEdit* edtLogoText;

private:
    void ShowColors();
    void PickColor(int32_t& Color);
    int32_t FTextColor = 0;
    int32_t FBackColor = 0;
    int FShownImgW = 0;
    int FShownImgH = 0;
};
