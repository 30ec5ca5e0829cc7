// Pieces shared by the page editor's small dialogs.
#pragma once

class QDialog;
class QDialogButtonBox;

// OK and Cancel ("btnOK", "btnCancel" in "btnsOKCancel"), wired to the dialog's
// accept and reject.
QDialogButtonBox* NewOKCancelButtons(QDialog* Dialog);
// Gives the dialog's layout the smallest size, then fits the form around its controls.
void FitDialogToLayout(QDialog* Dialog);
