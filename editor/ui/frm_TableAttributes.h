// "Insert Table": rows, columns, size, header, border and colours of a new table,
// kept between uses under "Software\Brevant\Quarvel\Editor\frmTableAttributes".
#pragma once

#include "u_PageParts.h"

#include <QDialog>

class QCheckBox;
class QDialogButtonBox;
class QSpinBox;
class TEditColorBox;

extern const char* const TableAttributesKey; // "Software\Brevant\Quarvel\Editor\frmTableAttributes"

// The last table settings (the defaults where a value is missing), and writing them.
TTableAttributes LoadTableAttributes();
void SaveTableAttributes(const TTableAttributes& Attributes);

class TfrmTableAttributes : public QDialog {
    Q_OBJECT
public:
    explicit TfrmTableAttributes(QWidget* Parent = nullptr);

    QSpinBox* spnRows = nullptr;
    QSpinBox* spnCols = nullptr;
    QSpinBox* spnWidth = nullptr;
    QSpinBox* spnHeight = nullptr;
    QCheckBox* chkHeader = nullptr;
    QCheckBox* chkBorder = nullptr;
    QSpinBox* spnBorderWidth = nullptr;
    TEditColorBox* clrbTextColor = nullptr;
    TEditColorBox* clrbBGColor = nullptr;
    TEditColorBox* clrbBorderColor = nullptr;
    QDialogButtonBox* btnsOKCancel = nullptr;

    void SetAttributes(const TTableAttributes& Attributes);
    TTableAttributes Attributes() const;

    // Refuses fewer than one row or column (the window stays open), else writes the
    // values back and closes.
    void accept() override;
};

// Shows the window with the last settings; true and the values when OK was pressed.
bool AskTableAttributes(QWidget* Parent, TTableAttributes& Attributes);
