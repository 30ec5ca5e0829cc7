// A form of the book ("AdditionalPages.xml"): one book page in a window of its own,
// with the entry's caption, size, centring, border, scroll bars and title-bar
// buttons. Pages that a bookmark or a link opens in a new window use it too.
#pragma once

#include "u_ReaderBook.h"

#include <QUrl>
#include <QWidget>

#include <functional>
#include <string>

class QWebEngineProfile;
class TBookView;

class TfrmReaderForm : public QWidget {
    Q_OBJECT
public:
    TfrmReaderForm(const TReaderForm& Form, const QString& Caption, QWebEngineProfile* Profile, QWidget* Owner);

    TBookView* View() const { return wbForm; }
    const std::string& FormPath() const { return FPath; }
    // Shows the page at a book address in the form.
    void Open(const std::string& Address);

    // A link followed inside the form; the owner decides what it means.
    std::function<void(TfrmReaderForm&, const QUrl&)> OnFollowLink;

private:
    std::string FPath;
    TBookView* wbForm;
};
