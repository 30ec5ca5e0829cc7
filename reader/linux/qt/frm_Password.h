// The password prompt: the book's password, or a user name and password, with a line
// that says why it is asked (and that a try was wrong).
#pragma once

#include <QDialog>

class QIcon;
class QLineEdit;

class TfrmPassword : public QDialog {
    Q_OBJECT
public:
    TfrmPassword(const QString& Title, const QString& Message, bool AskUser, QWidget* Parent = nullptr);

    // Shows the prompt (with Icon as its window icon, unless it is null); false when
    // it was cancelled, else the typed user name and password.
    static bool Ask(const QString& Title, const QString& Message, bool AskUser, QWidget* Parent, const QIcon& Icon,
                    QString& User, QString& Password);

    QString User() const;
    QString Password() const;
    QLineEdit* UserEdit() const { return edtUser; }
    QLineEdit* PasswordEdit() const { return edtPassword; }

private:
    QLineEdit* edtUser = nullptr;
    QLineEdit* edtPassword;
};
