#include "u_ReaderDialogs.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>

QDialogButtonBox* NewPromptButtons(QDialog* Dialog, const QString& AcceptCaption) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, Dialog);
    QPushButton* accept = buttons->button(QDialogButtonBox::Ok);
    accept->setText(AcceptCaption);
    QObject::connect(buttons, &QDialogButtonBox::accepted, Dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, Dialog, &QDialog::reject);
    return buttons;
}
