// The bookmark dialog of the toolbar designer ("Edit Bookmark"): a bookmark's title,
// web address and whether it opens in a new window.
#pragma once

#include <QDialog>

#include <string>

class QCheckBox;
class QDialogButtonBox;
class QLineEdit;
class QPushButton;

class TfrmEditBookMark : public QDialog {
    Q_OBJECT
public:
    explicit TfrmEditBookMark(QWidget* Parent = nullptr);

    QLineEdit* edtLinkTitle = nullptr;
    QLineEdit* edtWebAddress = nullptr;
    QCheckBox* cbNewWindow = nullptr;
    QDialogButtonBox* btnsOKCancel = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

    // Runs the dialog on the three values; true on OK, the values then changed.
    static bool GetBookMarkInfo(QWidget* Parent, std::string& Title, std::string& Address, bool& NewWindow);
};
