// The reader's window with its questions answered by the test, and waiting for the
// engine.
#pragma once

#include "../../../common/qt/engine_wait.h"
#include "../../core/reader_books.h"
#include "c_BookView.h"
#include "frm_Reader.h"
#include "u_ReaderBook.h"
#include "u_ReaderSession.h"
#include "u_Registry.h"

#include <QDir>
#include <QPrinter>

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace gui {

using ::RunScript;
using ::WaitFor;

inline std::string BodyText(QWebEngineView& View) {
    return RunScript(View, "document.body ? document.body.innerText : ''").toString().toStdString();
}

inline QString ScreenshotPath(const QString& Name) {
    QDir().mkpath("screenshots");
    return "screenshots/" + Name;
}

// Passwords typed by the test: (user, password) pairs in order; none left is a cancel.
struct TPasswordAnswers {
    std::deque<std::pair<QString, QString>> Passwords;
    std::vector<QString> Questions;

    bool Answer(const QString& Message, QString& User, QString& Password) {
        Questions.push_back(Message);
        if (Passwords.empty())
            return false;
        User = Passwords.front().first;
        Password = Passwords.front().second;
        Passwords.pop_front();
        return true;
    }
};

// Each test with a settings file of its own in a temporary folder.
class TReaderTest : public ::testing::Test {
protected:
    void SetUp() override { SetRegistryFileName(Folder.File("Quarvel.conf")); }
    void TearDown() override { SetRegistryFileName(""); }
    TTempFolder Folder;
};

// The window with the reader's and the desktop's answers given by the test.
class TTestReader : public TfrmReader, public TPasswordAnswers {
public:
    using TfrmReader::TfrmReader;

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
        return Answer(Message, User, Password);
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
