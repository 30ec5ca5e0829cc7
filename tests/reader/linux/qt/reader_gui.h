// The reader's window with its questions answered by the test, and waiting for the
// engine.
#pragma once

#include "../reader_books.h"
#include "c_BookView.h"
#include "frm_Reader.h"
#include "u_ReaderBook.h"
#include "u_ReaderSession.h"
#include "u_Registry.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QPrinter>
#include <QTimer>
#include <QVariant>
#include <QWebEngineScript>

#include <deque>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace gui {

// Lets events run until Condition holds or TimeoutMs passed; returns Condition.
template <class F>
bool WaitFor(F Condition, int TimeoutMs = 30000) {
    QDeadlineTimer deadline(TimeoutMs);
    while (!Condition() && !deadline.hasExpired()) {
        QEventLoop loop;
        QTimer::singleShot(20, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return Condition();
}

inline QVariant RunScript(QWebEngineView& View, const QString& Code) {
    auto state = std::make_shared<std::pair<bool, QVariant>>(false, QVariant());
    View.page()->runJavaScript(Code, QWebEngineScript::ApplicationWorld, [state](const QVariant& v) {
        state->first = true;
        state->second = v;
    });
    WaitFor([&] { return state->first; });
    return state->second;
}

inline std::string BodyText(QWebEngineView& View) {
    return RunScript(View, "document.body ? document.body.innerText : ''").toString().toStdString();
}

inline QString ScreenshotPath(const QString& Name) {
    QDir().mkpath("screenshots");
    return "screenshots/" + Name;
}

// The window with the reader's and the desktop's answers given by the test.
class TTestReader : public TfrmReader {
public:
    using TfrmReader::TfrmReader;

    std::deque<std::pair<QString, QString>> Passwords; // user, password; none left: cancel
    std::vector<QString> Questions;
    QString SearchText;
    std::vector<QUrl> Opened;
    std::vector<QString> Messages;
    QString PdfFile;
    int PagesShown = 0;

    // Runs Command and waits until the next page has loaded.
    bool Wait(const std::function<void()>& Command) {
        const int before = Loads;
        Command();
        return WaitFor([&] { return Loads > before; });
    }
    int Loads = 0;

    void Connect() {
        QObject::connect(this, &TfrmReader::PageShown, [this](bool ok) {
            ++Loads;
            if (ok)
                ++PagesShown;
        });
    }

protected:
    bool AskPassword(const QString& Message, bool, QString& User, QString& Password) override {
        Questions.push_back(Message);
        if (Passwords.empty())
            return false;
        User = Passwords.front().first;
        Password = Passwords.front().second;
        Passwords.pop_front();
        return true;
    }
    QString AskSearchText(const QString&) override { return SearchText; }
    void OpenExternal(const QUrl& Url) override { Opened.push_back(Url); }
    void ShowMessage(const QString& Text) override { Messages.push_back(Text); }
    bool RunPrintDialog(QPrinter& Printer) override {
        Printer.setOutputFormat(QPrinter::PdfFormat);
        Printer.setOutputFileName(PdfFile);
        return true;
    }
    QString ChoosePdfFile() override { return PdfFile; }
};

// A book opened in a test window.
struct TOpenBook {
    explicit TOpenBook(const std::string& File) : Book(File), Session(Book), Window(Session) { Window.Connect(); }
    TReaderBook Book;
    TReaderSession Session;
    TTestReader Window;
};

} // namespace gui
