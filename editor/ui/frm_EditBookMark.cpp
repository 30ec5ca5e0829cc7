#include "frm_EditBookMark.h"

#include "u_Controls.h"
#include "u_Forms.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TfrmEditBookMark::TfrmEditBookMark(QWidget* Parent) : QDialog(Parent) {
    setObjectName(QStringLiteral("frmEditBookMark"));
    setWindowTitle(QStringLiteral("Edit Bookmark"));

    auto* fields = new QGridLayout;
    edtLinkTitle = NewLabelledField<QLineEdit>(this, fields, 0, "Link Title", "edtLinkTitle");
    edtWebAddress = NewLabelledField<QLineEdit>(this, fields, 1, "Web Address", "edtWebAddress");
    cbNewWindow = new QCheckBox(QStringLiteral("New Window"), this);
    cbNewWindow->setObjectName(QStringLiteral("cbNewWindow"));
    cbNewWindow->setToolTip(QStringLiteral("Open browser in a new window"));
    // OK is the default button; Escape rejects the dialog (Cancel).
    btnsOKCancel = NewOKCancelButtons(this);
    btnOK = btnsOKCancel->button(QDialogButtonBox::Ok);
    btnCancel = btnsOKCancel->button(QDialogButtonBox::Cancel);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(cbNewWindow);
    bottom->addStretch(1);
    bottom->addWidget(btnsOKCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addStretch(1);
    layout->addLayout(bottom);
    resize(366, 122);
}

bool TfrmEditBookMark::GetBookMarkInfo(QWidget* Parent, std::string& Title, std::string& Address, bool& NewWindow) {
    TfrmEditBookMark dialog(Parent);
    dialog.edtLinkTitle->setText(QString::fromStdString(Title));
    dialog.edtWebAddress->setText(QString::fromStdString(Address));
    dialog.cbNewWindow->setChecked(NewWindow);
    CentreFormOnScreen(&dialog);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    Title = dialog.edtLinkTitle->text().toStdString();
    Address = dialog.edtWebAddress->text().toStdString();
    NewWindow = dialog.cbNewWindow->isChecked();
    return true;
}
