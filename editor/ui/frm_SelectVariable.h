// "Select Variable": the project's variables by name with the selected one's value;
// a double click chooses, OK without a selection keeps the window open.
#pragma once

#include <QDialog>

#include <string>

class QDialogButtonBox;
class QLineEdit;
class QListWidget;
class TVariables;

class TfrmSelectVariable : public QDialog {
    Q_OBJECT
public:
    TfrmSelectVariable(const TVariables& Variables, QWidget* Parent = nullptr);

    QListWidget* lstVariables = nullptr;
    QLineEdit* edtValue = nullptr;
    QDialogButtonBox* btnsOKCancel = nullptr;

    // The selected name, empty when none.
    std::string SelectedName() const;

    void accept() override;

private:
    void lstVariablesSelectionChanged();
    const TVariables& FVariables;
};

// Shows the window; the chosen name, empty when cancelled.
std::string SelectVariable(QWidget* Parent, const TVariables& Variables);
