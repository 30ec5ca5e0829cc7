// Step 5 of the wizard and page "Security" of the options dialog: how the book is
// protected (nothing, one password, user names with passwords), kept in "\Encrypt.xml"
// of the system store, and whether readers get the right-click menu.
#pragma once

#include "fram_WizardStep.h"

class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QRadioButton;
class QTableWidget;

class TframWizSecurityType : public TframWizardStep {
    Q_OBJECT
public:
    TframWizSecurityType(IEditorMain& Main, QWidget* Parent = nullptr);

    QPixmap GetStepImage() const override;
    // Reads the right-click option and "\Encrypt.xml" (created empty when missing).
    void InitStep(IWizardStepOwner* Owner) override;
    // Writes the right-click option and a new "\Encrypt.xml" with every field, whatever
    // the method.
    void ApplyStep() override;

    // The user grid's commands.
    void AddUser(const std::string& User = std::string(), const std::string& Password = std::string());
    void DeleteUser();
    std::vector<TSecurityUser> Users() const;

    QRadioButton* rbNoSecurity;
    QRadioButton* rbPassword;
    QRadioButton* rbUsersAndPasswords;
    QButtonGroup* grpMethod; // 0, 1, 2 as above
    QLineEdit* edtPassword;
    QGroupBox* grpProtectType;
    QRadioButton* rbAllBook;
    QRadioButton* rbSelectedPages;
    QButtonGroup* grpPasswordType; // 0 "All Book (Simple)", 1 "Selected Pages"
    QTableWidget* sgUsers;
    QAction* actAddUser;
    QAction* actDeleteUser;
    QComboBox* cmbRightClick;

private:
    void UpdateProtectType();
};
