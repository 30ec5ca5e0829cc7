#include "u_ReaderApp.h"

#include "u_BookLayout.h"
#include "frm_Password.h"
#include "frm_Reader.h"
#include "frm_Splash.h"
#include "u_Forms.h"
#include "u_ReaderBook.h"
#include "u_ReaderPictures.h"
#include "u_ReaderSession.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <iostream>

TReaderApp::TReaderApp(TReaderArguments Arguments, QObject* Parent)
    : QObject(Parent), FArguments(std::move(Arguments)) {
    FClock.start();
}

TReaderApp::~TReaderApp() = default;

int TReaderApp::Start() {
    if (!Open())
        return 1;
    FSession = std::make_unique<TReaderSession>(*FBook);
    FWindow.reset(CreateWindow(*FSession));
    connect(FWindow.get(), &TfrmReader::Closed, this, &TReaderApp::End, Qt::QueuedConnection);
    connect(FWindow.get(), &TfrmReader::PageShown, this, [this](bool) {
        if (FFirstPageShown)
            return;
        FFirstPageShown = true;
        if (FArguments.Timing)
            std::cerr << "pagelamp: first page shown after " << FClock.elapsed() << " ms" << std::endl;
    });
    // The first page loads while the splash is up.
    FWindow->Start();
    const TSplashOptions& splash = FBook->Options().Splash();
    ShowSplash(splash.SplashTypeS, SplashStartFile, splash.PopUpTextS, [this] { ShowWindow(); });
    return -1;
}

void TReaderApp::ShowSplash(TSplashType Type, const char* Picture, const std::string& PopUpText,
                            const std::function<void()>& Next) {
    const TSplashOptions& splash = FBook->Options().Splash();
    const std::string& picture = FBook->SystemFile(Picture);
    if (Type == vsSplash && !picture.empty()) {
        auto* form = new TfrmSplash(BookPicture(picture), splash.Interval, splash.CloseOnClick);
        connect(form, &TfrmSplash::Finished, this, Next);
        form->show();
        return;
    }
    if (Type == vsPopUp && !PopUpText.empty())
        ShowPopUp(QString::fromStdString(FBook->Expand(PopUpText)));
    Next();
}

bool TReaderApp::Open() {
    try {
        FBook = std::make_unique<TReaderBook>(FArguments.Book);
        if (!FBook->Locked())
            return true;
        if (FArguments.Batch) {
            ShowError(QString::fromStdString(FBook->FileName()) + " is protected by a password.");
            return false;
        }
        const TUnlockResult result =
            UnlockBook(*FBook, [this](int attempt, std::string& user, std::string& password) {
                QString typedUser, typedPassword;
                if (!AskBookPassword(QString::fromStdString(PasswordQuestion(*FBook, false, attempt)),
                                     FBook->AsksUserName(), typedUser, typedPassword))
                    return false;
                user = typedUser.toStdString();
                password = typedPassword.toStdString();
                return true;
            });
        if (result == TUnlockResult::Refused)
            ShowError(SBookStaysClosed);
        else if (result == TUnlockResult::Cancelled)
            std::cerr << "pagelamp: no password was given; the book stays closed." << std::endl;
        return result == TUnlockResult::Unlocked;
    } catch (const std::exception& e) {
        ShowError(QString::fromStdString(e.what()));
        return false;
    }
}

void TReaderApp::ShowWindow() {
    if (FBook->Options().RunMaximized)
        FWindow->showMaximized();
    else
        FWindow->show();
    FWindow->raise();
    FWindow->activateWindow();
}

void TReaderApp::End() {
    const TSplashOptions& splash = FBook->Options().Splash();
    ShowSplash(splash.SplashTypeE, SplashEndFile, splash.PopUpTextE, [this] { emit Finished(0); });
}

void TReaderApp::ShowError(const QString& Message) {
    std::cerr << "pagelamp: " << Message.toStdString() << std::endl;
    if (!FArguments.Batch) {
        QMessageBox box(QMessageBox::Critical, "Pagelamp", Message, QMessageBox::Ok);
        box.setObjectName("dlgError");
        NameMessageBoxIcon(box);
        box.setWindowIcon(ReaderIcon());
        box.exec();
    }
}

bool TReaderApp::AskBookPassword(const QString& Message, bool AskUser, QString& User, QString& Password) {
    return TfrmPassword::Ask(FBook ? QString::fromStdString(FBook->Title()) : QString("Pagelamp"), Message, AskUser,
                             nullptr, FBook ? BookIcon(FBook->Icon()) : ReaderIcon(), User, Password);
}

TfrmReader* TReaderApp::CreateWindow(TReaderSession& Session) {
    return new TfrmReader(Session);
}

void TReaderApp::ShowPopUp(const QString& Text) {
    QMessageBox box(QMessageBox::Information, QString::fromStdString(FBook->Title()), Text, QMessageBox::Ok);
    box.setObjectName("dlgPopUp");
    NameMessageBoxIcon(box);
    box.setWindowIcon(BookIcon(FBook->Icon()));
    box.exec();
}
