#include "u_EditDialogForms.h"

#include "u_Forms.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLayout>
#include <QPushButton>

QDialogButtonBox* NewOKCancelButtons(QDialog* Dialog) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, Dialog);
    buttons->setObjectName(QStringLiteral("btnsOKCancel"));
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("btnOK"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("btnCancel"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, Dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, Dialog, &QDialog::reject);
    return buttons;
}

void FitDialogToLayout(QDialog* Dialog) {
    // A hidden form lays its controls out only when asked: at the smallest size first.
    Dialog->adjustSize();
    if (QLayout* layout = Dialog->layout())
        layout->setGeometry(Dialog->rect());
    FitFormToControls(Dialog, false);
}
