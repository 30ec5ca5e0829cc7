#include "frm_SelectVariable.h"

#include "u_Controls.h"
#include "u_Variables.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>

TfrmSelectVariable::TfrmSelectVariable(const TVariables& Variables, QWidget* Parent)
    : QDialog(Parent), FVariables(Variables) {
    setObjectName(QStringLiteral("frmSelectVariable"));
    setWindowTitle(QStringLiteral("Select Variable"));
    auto* layout = new QVBoxLayout(this);

    lstVariables = new QListWidget(this);
    SetControlName(lstVariables, "lstVariables", QStringLiteral("Variables"));
    QLabel* lblVariables = BuddyLabel(QStringLiteral("&Variables"), lstVariables, this);
    // The names come sorted (ascending, letter case ignored).
    for (const std::string& name : Variables.GetNames())
        lstVariables->addItem(QString::fromStdString(name));
    lstVariables->setMinimumSize(280, 200);

    edtValue = new QLineEdit(this);
    SetControlName(edtValue, "edtValue");
    edtValue->setReadOnly(true);
    QLabel* lblValue = BuddyLabel(QStringLiteral("V&alue"), edtValue, this);

    btnsOKCancel = NewOKCancelButtons(this);

    layout->addWidget(lblVariables);
    layout->addWidget(lstVariables, 1);
    layout->addWidget(lblValue);
    layout->addWidget(edtValue);
    layout->addWidget(btnsOKCancel);

    connect(lstVariables, &QListWidget::itemDoubleClicked, this, &TfrmSelectVariable::accept);
    connect(lstVariables, &QListWidget::itemSelectionChanged, this,
            &TfrmSelectVariable::lstVariablesSelectionChanged);
    FitDialogToLayout(this);
}

std::string TfrmSelectVariable::SelectedName() const {
    const QListWidgetItem* item = lstVariables->currentItem();
    return item && item->isSelected() ? item->text().toStdString() : std::string();
}

void TfrmSelectVariable::accept() {
    if (SelectedName().empty())
        return;
    QDialog::accept();
}

void TfrmSelectVariable::lstVariablesSelectionChanged() {
    const std::string name = SelectedName();
    edtValue->setText(!name.empty() && FVariables.Exists(name)
                          ? QString::fromStdString(FVariables.GetValue(name))
                          : QString());
}

std::string SelectVariable(QWidget* Parent, const TVariables& Variables) {
    TfrmSelectVariable dialog(Variables, Parent);
    return dialog.exec() == QDialog::Accepted ? dialog.SelectedName() : std::string();
}
