// A compiled book as the readers see it: the book opened through the kit's one book
// module (u_Book: resources, images, protection), and what the reader makes of its
// system files: the options of "System.xml" (window, splash, toolbar), the story, the
// toolbar's buttons, the variables, the additional pages and forms; pages are given
// out with their variable references expanded and guarded pages held back.
//
// A book is hostile input: whatever a file holds, opening it either succeeds or raises
// EBookError with one message for the reader; pages are looked up only inside the
// book's own image.
#pragma once

#include "u_AdditionalPages.h"

#include "u_Book.h"
#include "u_Exception.h"
#include "u_MFS.h"
#include "u_ReaderStory.h"
#include "u_ReaderToolbar.h"
#include "u_eBookCommon.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TVariables;

// An entry of "AdditionalPages.xml": a page the reader shows for its own purposes, or
// a form shown in a window of its own with its settings.
using TReaderForm = TExtFormInfo;
// Reads the list as far as it can; a text that cannot be parsed gives the entries
// read before the fault (none at all for most faults).
std::vector<TReaderForm> ReadAdditionalPages(const std::string& Xml);

// Names of the additional pages the reader looks for.
extern const char* const AboutFormName;         // "About"
extern const char* const SearchResultsPageName; // "Search Results"
extern const char* const PageNotFoundPageName;  // "Page Not Found"

// What reading a page gives.
enum class TPageStatus { Ok, NotFound, Protected };

class TReaderBook {
public:
    // Opens the book program FileName. Enciphered pages stay locked until one of the
    // Unlock functions succeeds. Raises EBookError.
    explicit TReaderBook(const std::string& FileName);
    // Opens a book from its resources already in memory; Name stands for it in
    // messages and gives the title of a book without one.
    TReaderBook(TBookResources&& Resources, const std::string& Name);
    ~TReaderBook();
    TReaderBook(const TReaderBook&) = delete;
    TReaderBook& operator=(const TReaderBook&) = delete;

    const std::string& FileName() const noexcept { return FBook.FileName(); }

    // ---- Protection ----
    TBookProtection Protection() const noexcept { return FBook.Protection(); }
    // The pages are still enciphered (Password and UserPassword books).
    bool Locked() const noexcept { return FBook.Locked(); }
    // A user name is asked (UserPassword books).
    bool AsksUserName() const noexcept { return Protection() == TBookProtection::UserPassword; }
    // Unlocks the pages with a typed user name (ignored by Password books) and
    // password; false when they are not right. A book whose pages turn out damaged
    // behind the right key raises EBookError.
    bool Unlock(const std::string& User, const std::string& Password);
    // Selected books: checks the password against the stored hash and, when right,
    // opens the guarded pages for the rest of the session.
    bool UnlockSelected(const std::string& Password);
    bool SelectedUnlocked() const noexcept { return FSelectedUnlocked; }
    // The page is guarded and the password has not been given yet.
    bool IsGuarded(std::string_view Path) const;

    // ---- Description ----
    const TProjectOptions& Options() const noexcept { return FOptions; }
    // The application title and the window caption with variables expanded; the
    // caption falls back to the title, the title to the book file's name.
    std::string Title() const;
    std::string Caption() const;
    const TVariables& Variables() const noexcept { return *FVariables; }
    std::string Expand(const std::string& Text) const;
    const TReaderStory& Story() const noexcept { return FStory; }
    // The buttons of the toolbar; its look is Options().Toolbar().
    const std::vector<TToolbarButton>& ToolButtons() const noexcept { return FToolButtons; }
    const std::vector<TReaderForm>& Forms() const noexcept { return FForms; }
    // The entry whose Path is Path, or whose Name is Name (letter case ignored).
    const TReaderForm* FormAt(std::string_view Path) const;
    const TReaderForm* FormNamed(std::string_view Name) const;
    // A file of the system image ("\SplashS.bmp"), empty when it is missing.
    const std::string& SystemFile(std::string_view Path) const;
    bool HasSystemFile(std::string_view Path) const;
    // The book's icon as the bytes of an icon file; empty when it has none.
    const std::string& Icon() const noexcept { return FBook.Icon(); }
    // The book as the book module opened it.
    const TBook& Book() const noexcept { return FBook; }

    // ---- Pages ----
    bool PageExists(std::string_view Path) const;
    // The file at Path. Text files (pages, style sheets, scripts) have their variable
    // references expanded; guarded pages are not given out.
    TPageStatus ReadPage(std::string_view Path, std::string& Data) const;

private:
    void ReadSystem();
    const TMFSFile* PageFile(std::string_view Path) const;

    TBook FBook;
    bool FSelectedUnlocked = false;
    TProjectOptions FOptions;
    std::unique_ptr<TVariables> FVariables;
    TReaderStory FStory;
    std::vector<TToolbarButton> FToolButtons;
    std::vector<TReaderForm> FForms;
};

// ---- Asking for the password ----

enum class TUnlockResult { Unlocked, Cancelled, Refused };

// Asks for a user name (when the book has users) and a password; Attempt counts the
// tries from 0, so that the question can say that the last one was wrong. False when
// the reader cancelled.
using TPasswordQuestion = std::function<bool(int Attempt, std::string& User, std::string& Password)>;

// The whole book (Password and UserPassword books): up to Tries questions until the
// pages open. A book that is not locked is Unlocked at once.
TUnlockResult UnlockBook(TReaderBook& Book, const TPasswordQuestion& Ask, int Tries = 3);
// The guarded pages of a Selected book, asked once for the session: up to Tries
// questions until the password is right.
TUnlockResult UnlockGuardedPages(TReaderBook& Book, const TPasswordQuestion& Ask, int Tries = 3);

// Messages of the password questions.
extern const char* const SBookPasswordQuestion; // "\"%s\" is protected by a password. ..."
extern const char* const SUserPasswordQuestion; // "\"%s\" is protected. Please type your user name ..."
extern const char* const SPagePasswordQuestion; // "This page is protected by a password. ..."
extern const char* const SWrongPassword;        // "The password is not right. Please try again."
extern const char* const SWrongUserPassword;    // "The user name or the password is not right. ..."
extern const char* const SBookStaysClosed;      // "The password is not right: the book cannot be opened."
// The question for a try: the book's question first, then the "not right" one.
std::string PasswordQuestion(const TReaderBook& Book, bool GuardedPage, int Attempt);
