#include "frm_TableAttributes.h"

#include "c_EditColorBox.h"
#include "u_Controls.h"
#include "u_Dialogs.h"
#include "u_Registry.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

const char* const TableAttributesKey = "Software\\Brevant\\Quarvel\\Editor\\frmTableAttributes";

TTableAttributes LoadTableAttributes() {
    const TTableAttributes d;
    const std::string key = TableAttributesKey;
    TTableAttributes a;
    a.Rows = ReadRegInteger(key, "Rows", d.Rows);
    a.Cols = ReadRegInteger(key, "Cols", d.Cols);
    a.Height = ReadRegInteger(key, "TableHeight", d.Height);
    a.Width = ReadRegInteger(key, "TableWidth", d.Width);
    a.BorderWidth = ReadRegInteger(key, "BorderWidth", d.BorderWidth);
    a.TextColor = ReadRegInteger(key, "TextColor", d.TextColor);
    a.BGColor = ReadRegInteger(key, "BGColor", d.BGColor);
    a.BorderColor = ReadRegInteger(key, "BorderColor", d.BorderColor);
    // "0" unchecks; anything else (also a missing or empty value) means checked.
    a.WithHead = ReadRegString(key, "WithHead") != "0";
    a.Border =
        ReadRegString(key, "WithBorder") == "0" ? TTableAttributes::bsUnchecked : TTableAttributes::bsChecked;
    return a;
}

void SaveTableAttributes(const TTableAttributes& a) {
    const std::string key = TableAttributesKey;
    WriteRegInteger(key, "Rows", a.Rows);
    WriteRegInteger(key, "Cols", a.Cols);
    WriteRegInteger(key, "TableHeight", a.Height);
    WriteRegInteger(key, "TableWidth", a.Width);
    WriteRegInteger(key, "BorderWidth", a.BorderWidth);
    WriteRegInteger(key, "TextColor", a.TextColor);
    WriteRegInteger(key, "BGColor", a.BGColor);
    WriteRegInteger(key, "BorderColor", a.BorderColor);
    WriteRegString(key, "WithHead", a.WithHead ? "1" : "0");
    WriteRegString(key, "WithBorder",
                   a.Border == TTableAttributes::bsChecked     ? "1"
                   : a.Border == TTableAttributes::bsUnchecked ? "0"
                                                               : "");
}

namespace {

QSpinBox* NewSpin(QWidget* Parent, const char* Name, int Min, int Max, const char* Suffix = nullptr) {
    auto* spin = new QSpinBox(Parent);
    SetControlName(spin, Name);
    spin->setRange(Min, Max);
    if (Suffix)
        spin->setSuffix(QString::fromUtf8(Suffix));
    spin->setMinimumWidth(80);
    return spin;
}

TEditColorBox* NewColorBox(QWidget* Parent, const char* Name) {
    auto* box = new TEditColorBox(Parent);
    SetControlName(box, Name);
    return box;
}

} // namespace

TfrmTableAttributes::TfrmTableAttributes(QWidget* Parent) : QDialog(Parent) {
    setObjectName(QStringLiteral("frmTableAttributes"));
    setWindowTitle(QStringLiteral("Insert Table"));
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    layout->addLayout(grid);

    spnRows = NewSpin(this, "spnRows", 0, MaxTableRowsOrCols);
    spnCols = NewSpin(this, "spnCols", 0, MaxTableRowsOrCols);
    spnWidth = NewSpin(this, "spnWidth", 10, 100, " %");
    spnHeight = NewSpin(this, "spnHeight", 10, 100, " %");
    chkHeader = new QCheckBox(QStringLiteral("&Header"), this);
    chkHeader->setObjectName(QStringLiteral("chkHeader"));
    chkBorder = new QCheckBox(QStringLiteral("&Border"), this);
    chkBorder->setObjectName(QStringLiteral("chkBorder"));
    chkBorder->setTristate(true);
    spnBorderWidth = NewSpin(this, "spnBorderWidth", 1, 100, " px");
    clrbTextColor = NewColorBox(this, "clrbTextColor");
    clrbBGColor = NewColorBox(this, "clrbBGColor");
    clrbBorderColor = NewColorBox(this, "clrbBorderColor");

    auto addRow = [&](int Row, int Column, const char* Caption, QWidget* Control) {
        grid->addWidget(BuddyLabel(QString::fromUtf8(Caption), Control, this), Row, Column * 2);
        grid->addWidget(Control, Row, Column * 2 + 1);
    };
    addRow(0, 0, "&Rows:", spnRows);
    addRow(0, 1, "&Columns:", spnCols);
    addRow(1, 0, "&Width:", spnWidth);
    addRow(1, 1, "H&eight:", spnHeight);
    grid->addWidget(chkHeader, 2, 0, 1, 2);
    grid->addWidget(chkBorder, 3, 0, 1, 2);
    addRow(3, 1, "Border &Width:", spnBorderWidth);
    addRow(4, 0, "&Text Color:", clrbTextColor);
    addRow(5, 0, "Back&ground Color:", clrbBGColor);
    addRow(6, 0, "B&order Color:", clrbBorderColor);
    grid->setColumnMinimumWidth(2, 90);

    btnsOKCancel = NewOKCancelButtons(this);
    layout->addSpacing(6);
    layout->addWidget(btnsOKCancel);
    // The border width matters only for a border.
    connect(chkBorder, &QCheckBox::stateChanged, this,
            [this](int State) { spnBorderWidth->setEnabled(State == Qt::Checked); });

    SetAttributes(LoadTableAttributes());
    FitDialogToLayout(this);
}

void TfrmTableAttributes::SetAttributes(const TTableAttributes& a) {
    spnRows->setValue(a.Rows);
    spnCols->setValue(a.Cols);
    spnWidth->setValue(a.Width);
    spnHeight->setValue(a.Height);
    chkHeader->setChecked(a.WithHead);
    chkBorder->setCheckState(a.Border == TTableAttributes::bsChecked     ? Qt::Checked
                             : a.Border == TTableAttributes::bsUnchecked ? Qt::Unchecked
                                                                         : Qt::PartiallyChecked);
    spnBorderWidth->setValue(a.BorderWidth);
    spnBorderWidth->setEnabled(a.Border == TTableAttributes::bsChecked);
    clrbTextColor->SetColor(a.TextColor);
    clrbBGColor->SetColor(a.BGColor);
    clrbBorderColor->SetColor(a.BorderColor);
}

TTableAttributes TfrmTableAttributes::Attributes() const {
    TTableAttributes a;
    a.Rows = spnRows->value();
    a.Cols = spnCols->value();
    a.Width = spnWidth->value();
    a.Height = spnHeight->value();
    a.WithHead = chkHeader->isChecked();
    a.Border = chkBorder->checkState() == Qt::Checked     ? TTableAttributes::bsChecked
               : chkBorder->checkState() == Qt::Unchecked ? TTableAttributes::bsUnchecked
                                                          : TTableAttributes::bsGrayed;
    a.BorderWidth = spnBorderWidth->value();
    a.TextColor = clrbTextColor->Color();
    a.BGColor = clrbBGColor->Color();
    a.BorderColor = clrbBorderColor->Color();
    return a;
}

void TfrmTableAttributes::accept() {
    const TTableAttributes a = Attributes();
    try {
        CheckTableAttributes(a);
    } catch (const Exception& e) {
        ShowErrorMessage(this, e.Message());
        return;
    }
    SaveTableAttributes(a);
    QDialog::accept();
}

bool AskTableAttributes(QWidget* Parent, TTableAttributes& Attributes) {
    TfrmTableAttributes dialog(Parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    Attributes = dialog.Attributes();
    return true;
}
