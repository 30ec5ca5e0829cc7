// The button dialog of the toolbar designer ("Toolbar Button Properties"): a
// button's caption, kind and picture.
#pragma once

#include "u_ToolbarDesign.h"

#include <QDialog>

#include <cstdint>
#include <string>

class QAction;
class QComboBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolBar;
class TCommandTable;

class TfrmToolButtonEditor : public QDialog {
    Q_OBJECT
public:
    explicit TfrmToolButtonEditor(QWidget* Parent = nullptr);

    QLineEdit* edtButtonCaption = nullptr;
    QComboBox* cmbxButtonKind = nullptr;
    QLabel* imgButton = nullptr;
    QToolBar* tbPicture = nullptr;
    QLabel* lblNote = nullptr;
    QDialogButtonBox* btnsOKCancel = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;
    QAction* actLoad = nullptr;
    QAction* actSave = nullptr;
    QAction* actClear = nullptr;

    // Fills the dialog; the kind list's change while filling leaves the caption alone.
    void SetValues(uint8_t Kind, const std::string& Caption, const TButtonPicture& Picture);
    // What OK gives back: the kind the list's text stands for (255 for a typed text
    // that is no kind), the caption and the picture.
    uint8_t Kind() const;
    std::string Caption() const;
    const TButtonPicture& Picture() const noexcept { return FPicture; }

    // "Load...", "Save..." and "Clear" after their file dialogs.
    void LoadPictureFile(const std::string& FileName);
    void SavePictureFile(const std::string& FileName) const;
    void ClearPicture();

    // The dialog's commands: "Save..." and "Clear" need a picture.
    TCommandTable& Commands() noexcept { return *FCommands; }

private:
    void cmbxButtonKindChange(int Index);
    void actLoadExecute();
    void actSaveExecute();
    void ShowPicture();

    TCommandTable* FCommands = nullptr;
    TButtonPicture FPicture;
    bool FFilling = false;
};

// Runs the button dialog on the values; true on OK, the values then changed.
bool EditToolButton(QWidget* Parent, uint8_t& Kind, std::string& Caption, TButtonPicture& Picture);
