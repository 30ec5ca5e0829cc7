// The password prompt: the book's password, or a user name and password, with a line
// that says why it is asked (and that a try was wrong).
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;

class TfrmPassword : public QDialog {
    Q_OBJECT
public:
    TfrmPassword(const QString& Title, const QString& Message, bool AskUser, QWidget* Parent = nullptr);

    QString User() const;
    QString Password() const;
    QLineEdit* UserEdit() const { return edtUser; }
    QLineEdit* PasswordEdit() const { return edtPassword; }

private:
    QLabel* lblMessage;
    QLineEdit* edtUser = nullptr;
    QLineEdit* edtPassword;
};
