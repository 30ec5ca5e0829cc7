#include "frm_Search.h"

#include "u_ReaderDialogs.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
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
    edtWords->setMinimumWidth(320);
    edtWords->selectAll();
    label->setBuddy(edtWords);
    layout->addWidget(edtWords);
    QDialogButtonBox* buttons = NewPromptButtons(this, "Search");
    layout->addWidget(buttons);
}

QString TfrmSearch::Text() const {
    return edtWords->text().trimmed();
}
