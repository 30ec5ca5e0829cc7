// The reader's own dialogs, built in code: the password window (one password, or a
// user name and a password; the guarded page question), the search box, the splash
// picture at the start and the end, and the pop-up text.
#pragma once

#include "w_Window.h"

#include "u_ReaderBook.h"

#include <string>

// Control ids of the dialogs, for the tests and the dialog keys.
enum : int {
    idMessage = 101, // the question (and what was wrong with the last answer)
    idUserLabel,
    idUser,
    idPasswordLabel,
    idPassword,
    idWordsLabel,
    idWords,
};

// The password window. It stays open across the tries of one question, so a wrong
// answer is said in it: each Ask shows its message and waits for "Open" or "Cancel".
class TPasswordWindow : public TWindow {
public:
    TPasswordWindow(HWND Owner, const std::string& Title, bool AskUser, HICON Icon);
    // Shows Message; true with the typed user name and password on "Open", false on
    // "Cancel" or when the window was closed.
    bool Ask(const std::string& Message, std::string& User, std::string& Password);

protected:
    LRESULT Handle(UINT Message, WPARAM W, LPARAM L) override;

private:
    void Layout(const std::string& Message);
    HWND FOwner;
    bool FAskUser;
    bool FDone = false;
    bool FAccepted = false;
};

// The password questions of a book: the whole book (Guarded false) or its guarded
// pages, up to three tries in one window.
TUnlockResult AskPasswords(TReaderBook& Book, HWND Owner, bool Guarded, HICON Icon);

// The search box: the words to look for, Initial given; empty when cancelled.
std::string AskSearchText(HWND Owner, const std::string& Initial);

// A splash picture centred on the screen until IntervalMs passed (Escape always ends
// it; a click when CloseOnClick). Returns when it has closed.
void ShowSplash(HBITMAP Picture, int IntervalMs, bool CloseOnClick);
// The class of the splash window (for the tests).
extern const wchar_t* const SplashClassName;
