#include "frm_Search.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TfrmSearch::TfrmSearch(const QString& Initial, QWidget* Parent) : QDialog(Parent) {
    setWindowTitle("Search");
    setObjectName("frmSearch");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 16, 18, 14);
    auto* label = new QLabel("Find the pages that hold &every word of:", this);
    layout->addWidget(label);
    edtWords = new QLineEdit(Initial, this);
    edtWords->setObjectName("edtWords");
    edtWords->setAccessibleName("Words to find");
    edtWords->setMinimumWidth(320);
    edtWords->selectAll();
    label->setBuddy(edtWords);
    layout->addWidget(edtWords);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText("Search");
    buttons->button(QDialogButtonBox::Ok)->setAccessibleName("Search");
    buttons->button(QDialogButtonBox::Cancel)->setAccessibleName("Cancel");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

QString TfrmSearch::Text() const {
    return edtWords->text().trimmed();
}
