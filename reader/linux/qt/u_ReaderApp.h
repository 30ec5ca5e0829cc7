// The reader from start to end: opens the book named on the command line (a file that
// is no book or is damaged gives one message, in a window and on standard error, and
// exit status 1), asks for the book's password when its pages are enciphered (three
// tries), shows the starting splash or pop-up, the window at the page last read, and
// the ending splash or pop-up when the window closes.
#pragma once

#include "u_ReaderCommandLine.h"
#include "u_eBookCommon.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <string>

class TReaderBook;
class TReaderSession;
class TfrmReader;

class TReaderApp : public QObject {
    Q_OBJECT
public:
    explicit TReaderApp(TReaderArguments Arguments, QObject* Parent = nullptr);
    ~TReaderApp() override;

    // Opens the book and shows the window: -1 while the reader runs (Finished comes
    // at the end), otherwise the exit status at once (1: the book cannot be opened).
    int Start();

    TReaderBook* Book() const { return FBook.get(); }
    TfrmReader* Window() const { return FWindow.get(); }

signals:
    void Finished(int ExitCode);

protected:
    // The one message for a book that cannot be opened: a window (unless --batch)
    // and standard error.
    virtual void ShowError(const QString& Message);
    virtual bool AskBookPassword(const QString& Message, bool AskUser, QString& User, QString& Password);
    virtual TfrmReader* CreateWindow(TReaderSession& Session);
    // A pop-up text of the book's splash options.
    virtual void ShowPopUp(const QString& Text);

private:
    bool Open();
    // The splash picture when Type is vsSplash and the book has it (Next when it has
    // gone), else the pop-up text when Type is vsPopUp and it is not empty (then Next).
    void ShowSplash(TSplashType Type, const char* Picture, const std::string& PopUpText,
                    const std::function<void()>& Next);
    void ShowWindow();
    void End();

    TReaderArguments FArguments;
    std::unique_ptr<TReaderBook> FBook;
    std::unique_ptr<TReaderSession> FSession;
    std::unique_ptr<TfrmReader> FWindow;
    QElapsedTimer FClock;
    bool FFirstPageShown = false;
};
