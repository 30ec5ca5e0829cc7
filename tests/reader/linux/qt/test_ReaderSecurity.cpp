// Opening books: each protection with the right and the wrong password (and user),
// a selected-pages book that opens its other pages without asking, and files that are
// no books, in the window and through the program's exit status.
#include "frm_Password.h"
#include "frm_Splash.h"
#include "reader_gui.h"
#include "u_ReaderApp.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using gui::ScreenshotPath;
using gui::WaitFor;

// The reader from start to end, with the questions answered by the test.
class TTestApp : public TReaderApp, public gui::TPasswordAnswers {
public:
    using TReaderApp::TReaderApp;
    std::vector<bool> AskedUser;
    std::vector<QString> Errors;
    std::vector<QString> PopUps;
    bool Record = true;

    gui::TTestReader* TestWindow() const { return static_cast<gui::TTestReader*>(Window()); }

protected:
    void ShowError(const QString& Message) override {
        Errors.push_back(Message);
        if (!Record)
            TReaderApp::ShowError(Message);
    }
    bool AskBookPassword(const QString& Message, bool AskUser, QString& User, QString& Password) override {
        AskedUser.push_back(AskUser);
        return Answer(Message, User, Password);
    }
    void ShowPopUp(const QString& Text) override { PopUps.push_back(Text); }
    TfrmReader* CreateWindow(TReaderSession& Session) override {
        auto* window = new gui::TTestReader(Session);
        window->Connect();
        return window;
    }
};

TReaderArguments Arguments(const std::string& book) {
    TReaderArguments arguments;
    arguments.Book = book;
    return arguments;
}

using ReaderSecurity = gui::TReaderTest;

TEST_F(ReaderSecurity, WholeBookPasswordThreeTries) {
    const std::string file =
        books::CompileText(books::SmallBook(books::EncryptPassword("tide", "Simple")), Folder, "locked.exe");
    {
        TTestApp app(Arguments(file));
        app.Passwords = {{"", "Tide"}, {"", "tides"}, {"", ""}};
        EXPECT_EQ(app.Start(), 1);
        ASSERT_EQ(app.Questions.size(), 3u);
        EXPECT_EQ(app.Questions[0].toStdString(),
                  "\"Tide Tables\" is protected by a password. Please type the password that came with the book.");
        EXPECT_EQ(app.Questions[1].toStdString(), SWrongPassword);
        EXPECT_FALSE(app.AskedUser[0]);
        EXPECT_EQ(app.Errors, std::vector<QString>{SBookStaysClosed});
        EXPECT_EQ(app.Window(), nullptr);
    }
    {
        TTestApp app(Arguments(file)); // cancelled: closed without a message
        EXPECT_EQ(app.Start(), 1);
        EXPECT_TRUE(app.Errors.empty());
    }
    TTestApp app(Arguments(file));
    app.Passwords = {{"", "wrong"}, {"", "tide"}};
    EXPECT_EQ(app.Start(), -1);
    ASSERT_NE(app.Window(), nullptr);
    ASSERT_TRUE(WaitFor([&] { return app.TestWindow()->PagesShown > 0; }));
    EXPECT_TRUE(app.Window()->isVisible());
    EXPECT_NE(gui::BodyText(*app.Window()->View()).find("Welcome to Port Ellis."), std::string::npos);

    // The prompt as the reader sees it.
    TfrmPassword prompt("Tide Tables", app.Questions[0], false);
    prompt.PasswordEdit()->setText("secret");
    prompt.show();
    prompt.grab().save(ScreenshotPath("reader-password-prompt.png"));
    EXPECT_EQ(prompt.PasswordEdit()->echoMode(), QLineEdit::Password);
    EXPECT_EQ(prompt.UserEdit(), nullptr);
    // A screen reader reads the question as it stands, the field by its label and the
    // window by its title.
    auto name = [](QObject* Object) {
        return QAccessible::queryAccessibleInterface(Object)->text(QAccessible::Name);
    };
    auto* message = prompt.findChild<QLabel*>("lblMessage");
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(name(message).toStdString(), app.Questions[0].toStdString());
    EXPECT_EQ(name(prompt.PasswordEdit()), "Password:");
    EXPECT_EQ(name(&prompt), "Tide Tables");
    TfrmPassword again("Tide Tables", SWrongPassword, false);
    EXPECT_EQ(name(again.findChild<QLabel*>("lblMessage")).toStdString(), SWrongPassword);
}

TEST_F(ReaderSecurity, UserNamesAndPasswords) {
    const std::string file = books::CompileText(
        books::SmallBook(books::EncryptUsers({{"ann", "gull"}, {"bob", "rock"}})), Folder, "users.exe");
    {
        TTestApp app(Arguments(file));
        app.Passwords = {{"carl", "gull"}, {"ann", "rock"}, {"bob", "gull"}};
        EXPECT_EQ(app.Start(), 1);
        ASSERT_EQ(app.Questions.size(), 3u);
        EXPECT_TRUE(app.AskedUser[0]);
        EXPECT_EQ(app.Questions[1].toStdString(), SWrongUserPassword);
        EXPECT_EQ(app.Errors, std::vector<QString>{SBookStaysClosed});
    }
    TTestApp app(Arguments(file));
    app.Passwords = {{"ann", "rock"}, {"ann", "gull"}};
    EXPECT_EQ(app.Start(), -1);
    ASSERT_TRUE(WaitFor([&] { return app.TestWindow()->PagesShown > 0; }));
    EXPECT_NE(gui::BodyText(*app.Window()->View()).find("Tide Tables"), std::string::npos);

    TfrmPassword prompt("Tide Tables", app.Questions[0], true);
    prompt.UserEdit()->setText("ann");
    prompt.PasswordEdit()->setText("gull");
    prompt.show();
    prompt.grab().save(ScreenshotPath("reader-user-password-prompt.png"));
    EXPECT_EQ(prompt.User(), "ann");
    EXPECT_EQ(prompt.Password(), "gull");
}

TEST_F(ReaderSecurity, SelectedPagesAskOnceForTheGuardedPage) {
    gui::TOpenBook open(
        books::CompileText(books::SmallBook(books::EncryptPassword("anchor", "Selected")), Folder, "sel.exe"));
    gui::TTestReader& w = open.Window;
    w.show();
    ASSERT_TRUE(w.Wait([&] { w.Start(); }));
    ASSERT_TRUE(w.Wait([&] { w.actNext->trigger(); }));
    EXPECT_NE(gui::BodyText(*w.View()).find("High water at dawn"), std::string::npos);
    EXPECT_TRUE(w.Questions.empty()); // unguarded pages open without asking

    // Cancelled, then three wrong tries: the page stays closed.
    w.actNext->trigger();
    ASSERT_EQ(w.Questions.size(), 1u);
    EXPECT_EQ(w.Questions[0].toStdString(), SPagePasswordQuestion);
    w.Passwords = {{"", "Anchor"}, {"", "x"}, {"", "anchors"}};
    w.actNext->trigger();
    EXPECT_EQ(w.Questions.size(), 4u);
    EXPECT_EQ(w.Messages.size(), 1u);
    EXPECT_EQ(w.Session().CurrentPath(), "\\ch\\one.htm");
    // The right password opens it, and it is not asked again.
    w.Passwords = {{"", "anchor"}};
    ASSERT_TRUE(w.Wait([&] { w.actNext->trigger(); }));
    EXPECT_NE(gui::BodyText(*w.View()).find("secret anchorage"), std::string::npos);
    ASSERT_TRUE(w.Wait([&] { w.actFirst->trigger(); }));
    ASSERT_TRUE(w.Wait([&] { w.actLast->trigger(); }));
    EXPECT_EQ(w.Questions.size(), 5u);
}

TEST_F(ReaderSecurity, FilesThatAreNoBooksGiveOneMessageAndExitStatusOne) {
    const std::string plain = Folder.File("plain.exe");
    WriteFileText(fixture::SyntheticProgram(), plain);
    const std::string good = books::CompileText(books::SmallBook(), Folder, "good.exe");
    const std::string damaged = Folder.File("damaged.exe");
    std::string bytes = ReadFileText(good);
    const std::string pages = ReadResource(good, "RCDATA", FilesResourceName);
    WriteFileText(bytes, damaged);
    WriteRCDataResource(damaged, "FILES_MFS", "MSCF" + pages.substr(4, 40));

    // In the window: the reader's error box, which the test reads and closes.
    {
        TTestApp app(Arguments(damaged));
        app.Record = false;
        QString shown;
        QTimer::singleShot(300, [&] {
            WaitFor([&] { return QApplication::activeModalWidget() != nullptr; });
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                shown = box->text();
                box->grab().save(ScreenshotPath("reader-damaged-book.png"));
                box->accept();
            }
        });
        EXPECT_EQ(app.Start(), 1);
        EXPECT_TRUE(shown.startsWith("The book \"" + QString::fromStdString(damaged) + "\" is damaged")) <<
            shown.toStdString();
    }
    // The program: the message on standard error and exit status 1, for both files.
    for (const std::string& file : {plain, damaged}) {
        QProcess reader;
        reader.start(QString(QUARVEL_BIN_DIR) + "/pagelamp", {"--batch", QString::fromStdString(file)});
        ASSERT_TRUE(reader.waitForFinished(60000));
        EXPECT_EQ(reader.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(reader.exitCode(), 1) << file;
        const std::string error = reader.readAllStandardError().toStdString();
        if (file == plain)
            EXPECT_NE(error.find("pagelamp: \"" + plain + "\" is not a book."), std::string::npos) << error;
        else
            EXPECT_NE(error.find("is damaged and cannot be read"), std::string::npos) << error;
    }
    QProcess usage;
    usage.start(QString(QUARVEL_BIN_DIR) + "/pagelamp", {"--batch", "--bogus"});
    ASSERT_TRUE(usage.waitForFinished(60000));
    EXPECT_EQ(usage.exitCode(), 2);
}

} // namespace

namespace {

TEST_F(ReaderSecurity, SplashAtTheStartAndPopUpAtTheEnd) {
    // The sample: a splash picture that a click closes, and a pop-up at the end.
    TTestApp app(Arguments(books::CompileSample(Folder)));
    int finished = -1;
    QObject::connect(&app, &TReaderApp::Finished, [&](int code) { finished = code; });
    EXPECT_EQ(app.Start(), -1);
    TfrmSplash* splash = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* form = qobject_cast<TfrmSplash*>(widget); form && form->isVisible())
            splash = form;
    ASSERT_NE(splash, nullptr);
    EXPECT_EQ(splash->IntervalMs(), 4000);
    EXPECT_EQ(splash->size(), QPixmap::fromImage(QImage::fromData(QByteArray::fromStdString(
                                  app.Book()->SystemFile("\\SplashS.bmp")))).size());
    splash->grab().save(ScreenshotPath("reader-splash.png"));
    EXPECT_FALSE(app.Window()->isVisible()); // the window comes when the splash goes
    QTest::mouseClick(splash, Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return app.Window()->isVisible(); }, 2000));
    ASSERT_TRUE(WaitFor([&] { return app.TestWindow()->PagesShown > 0; }));
    EXPECT_TRUE(app.PopUps.empty());
    app.Window()->close();
    ASSERT_TRUE(WaitFor([&] { return finished == 0; }));
    EXPECT_EQ(app.PopUps, std::vector<QString>{"Thank you for reading The Lamp on Gull Rock."});
}

} // namespace
