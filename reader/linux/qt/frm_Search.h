// The search prompt: the words to look for in the book's searchable pages.
#pragma once

#include <QDialog>

class QLineEdit;

class TfrmSearch : public QDialog {
    Q_OBJECT
public:
    TfrmSearch(const QString& Initial, QWidget* Parent = nullptr);
    QString Text() const;

private:
    QLineEdit* edtWords;
};
