#include "frm_EditBookMark.h"

#include "u_Forms.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TfrmEditBookMark::TfrmEditBookMark(QWidget* Parent) : QDialog(Parent) {
    setObjectName(QStringLiteral("frmEditBookMark"));
    setWindowTitle(QStringLiteral("Edit Bookmark"));

    auto* lblLinkTitle = new QLabel(QStringLiteral("Link Title"), this);
    edtLinkTitle = new QLineEdit(this);
    edtLinkTitle->setObjectName(QStringLiteral("edtLinkTitle"));
    edtLinkTitle->setAccessibleName(QStringLiteral("Link Title"));
    lblLinkTitle->setBuddy(edtLinkTitle);
    auto* lblWebAddress = new QLabel(QStringLiteral("Web Address"), this);
    edtWebAddress = new QLineEdit(this);
    edtWebAddress->setObjectName(QStringLiteral("edtWebAddress"));
    edtWebAddress->setAccessibleName(QStringLiteral("Web Address"));
    lblWebAddress->setBuddy(edtWebAddress);
    cbNewWindow = new QCheckBox(QStringLiteral("New Window"), this);
    cbNewWindow->setObjectName(QStringLiteral("cbNewWindow"));
    cbNewWindow->setToolTip(QStringLiteral("Open browser in a new window"));

    // OK is the default button; Escape rejects the dialog (Cancel).
    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* fields = new QGridLayout;
    fields->addWidget(lblLinkTitle, 0, 0);
    fields->addWidget(edtLinkTitle, 0, 1);
    fields->addWidget(lblWebAddress, 1, 0);
    fields->addWidget(edtWebAddress, 1, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(cbNewWindow);
    bottom->addStretch(1);
    bottom->addWidget(btnOK);
    bottom->addWidget(btnCancel);
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
