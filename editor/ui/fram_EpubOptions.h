// Page "EPUB" of the options dialog: how the book is published as EPUB: the language of
// its text, the cover picture (one of the project's pictures, or none) and the
// publication's identifier, which the project keeps.
#pragma once

#include "fram_WizardStep.h"

class QComboBox;
class QLineEdit;

extern const char* const SNotALanguageTag; // "\"%s\" is not a language tag (such as en, en-GB, de, fr-CA)"

class TframEpubOptions : public TframWizardStep {
    Q_OBJECT
public:
    TframEpubOptions(IEditorMain& Main, QWidget* Parent = nullptr);

    QPixmap GetStepImage() const override { return QPixmap(); }
    // Fills the controls from the project's EPUB options; the cover list offers the
    // pictures of the files store.
    void InitStep(IWizardStepOwner* Owner) override;
    // The language must be a language tag.
    bool IsStepValid() override;
    // EWizardError naming the language when it is not a tag; otherwise writes the
    // language and the cover (the identifier is never edited).
    void ApplyStep() override;

    QLineEdit* edtLanguage;
    QComboBox* cmbxCover;   // "(none)", then the store paths of the pictures
    TPictureBox* imgCover;
    QLineEdit* edtIdentifier;

private:
    void ShowCover();
};
