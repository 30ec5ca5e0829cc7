// Pieces the reader's prompts share.
#pragma once

#include <QString>

class QDialog;
class QDialogButtonBox;

// The OK and Cancel buttons of a prompt, OK captioned AcceptCaption, wired to accept
// and reject the dialog.
QDialogButtonBox* NewPromptButtons(QDialog* Dialog, const QString& AcceptCaption);
