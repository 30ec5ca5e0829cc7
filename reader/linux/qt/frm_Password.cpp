#include "frm_Password.h"

#include "u_ReaderDialogs.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

TfrmPassword::TfrmPassword(const QString& Title, const QString& Message, bool AskUser, QWidget* Parent)
    : QDialog(Parent) {
    setWindowTitle(Title);
    setObjectName("frmPassword");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 16, 18, 14);
    layout->setSpacing(12);

    auto* header = new QHBoxLayout();
    auto* picture = new QLabel(this);
    picture->setPixmap(QIcon(":/icons/lock.svg").pixmap(40, 40));
    picture->setAccessibleName("Locked");
    header->addWidget(picture, 0, Qt::AlignTop);
    // The message and the fields are read as they stand: the message is its own text,
    // each field is named by its label.
    auto* lblMessage = new QLabel(Message, this);
    lblMessage->setObjectName("lblMessage");
    lblMessage->setWordWrap(true);
    lblMessage->setMinimumWidth(300);
    header->addWidget(lblMessage, 1);
    layout->addLayout(header);

    auto* form = new QFormLayout();
    form->setLabelAlignment(Qt::AlignRight);
    if (AskUser) {
        edtUser = new QLineEdit(this);
        edtUser->setObjectName("edtUser");
        form->addRow("&User name:", edtUser);
    }
    edtPassword = new QLineEdit(this);
    edtPassword->setObjectName("edtPassword");
    edtPassword->setEchoMode(QLineEdit::Password);
    form->addRow("&Password:", edtPassword);
    layout->addLayout(form);

    QDialogButtonBox* buttons = NewPromptButtons(this, "Open");
    layout->addWidget(buttons);
    (edtUser ? edtUser : edtPassword)->setFocus();
}

bool TfrmPassword::Ask(const QString& Title, const QString& Message, bool AskUser, QWidget* Parent,
                       const QIcon& Icon, QString& User, QString& Password) {
    TfrmPassword dialog(Title, Message, AskUser, Parent);
    if (!Icon.isNull())
        dialog.setWindowIcon(Icon);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    User = dialog.User();
    Password = dialog.Password();
    return true;
}

QString TfrmPassword::User() const {
    return edtUser ? edtUser->text() : QString();
}

QString TfrmPassword::Password() const {
    return edtPassword->text();
}
