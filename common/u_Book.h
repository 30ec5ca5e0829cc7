// A compiled book opened for reading, the one way every part of the kit opens books
// (the readers, the branding tool, the command line): the resources of the book
// program read from its file or taken from bytes already in memory, the system image
// unpacked and described by "System.xml", the security description of "Decrypt.xml",
// the unlocking of enciphered pages (one password for the whole book, or user names
// and passwords) and of the pages a password guards, and the pages themselves.
//
// A book is hostile input: whatever a file holds, opening it either succeeds or raises
// EBookError with one message for the reader; files are looked up only inside the
// book's own images.
#pragma once

#include "u_Exception.h"
#include "u_MFS.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TXMLDocument;
class TXMLNode;

class EBookError : public Exception {
public:
    using Exception::Exception;
};

extern const char* const SCannotOpenBook; // "Cannot open \"%s\". %s"
extern const char* const SNotABook;       // "\"%s\" is not a book."
extern const char* const SNotABookFile;   // "\"%s\" is not a book: it is not a regular file."
extern const char* const SDamagedBook;    // "The book \"%s\" is damaged and cannot be read.\n%s"

// Runs Read, a step of reading a part of the book named Book; any failure but an
// EBookError becomes EBookError SDamagedBook naming the part ("Story.xml: ...").
void ReadBookPart(const std::string& Book, const std::string& Part, const std::function<void()>& Read);

// How a book is protected ("Decrypt.xml").
enum class TBookProtection {
    None,
    Password,     // one password enciphers the whole book
    Selected,     // one password guards the pages whose story item asks for it
    UserPassword, // user names with passwords, each recovering the book's key
};

// What "Decrypt.xml" says.
struct TSecurityDescription {
    TBookProtection Protection = TBookProtection::None;
    int32_t PasswordHash = 0;             // Selected: the checksum of the password
    std::vector<std::string> UserRecords; // UserPassword: the key record of each user
};

// The text of "Decrypt.xml" for a description (empty for an unprotected book).
std::string BuildDecryptXml(const TSecurityDescription& Security);
// Reads "Decrypt.xml" (method and password type compared ignoring case; an unknown
// method is no protection). Raises Exception for a Selected book whose hash is not a
// 32-bit number; XML errors pass through.
TSecurityDescription ReadDecryptXml(const std::string& Text);

// The resources of a book program as bytes.
struct TBookResources {
    std::string System;    // "SYSTEM_MFS", the system cabinet
    std::string Pages;     // "FILES_MFS" as stored (only its first bytes when not asked for)
    uint64_t PagesSize = 0; // the whole size of "FILES_MFS"
    std::string Icon;      // "MAINICON" as the bytes of an icon file, empty for none
};

// What of a book is read besides its system image.
enum TBookParts : unsigned {
    bpPages = 1, // the pages (otherwise only their size and first bytes)
    bpIcon = 2,  // the icon
};

// Reads the resources of the book program FileName. Raises EBookError: "Cannot open"
// for a file that does not exist or cannot be read, "is not a book" for a folder, a
// FIFO or a device (without waiting on it), and for a file that is not a program or
// lacks either cabinet.
TBookResources ReadBookResources(const std::string& FileName, unsigned Parts);

class TBook {
public:
    TBook();
    ~TBook();
    TBook(const TBook&) = delete;
    TBook& operator=(const TBook&) = delete;

    // Opens the book program FileName (ReadBookResources, then as below).
    void Open(const std::string& FileName, unsigned Parts = bpPages | bpIcon);
    // Opens a book from its resources (the Windows reader takes them from its own
    // module). The system image is unpacked and "System.xml" and "Decrypt.xml" read;
    // the pages are unpacked unless they are enciphered (they stay locked until Unlock
    // succeeds) or were not read. Name stands for the book in messages. Raises
    // EBookError; nothing stays open then.
    void Open(TBookResources&& Resources, const std::string& Name);
    // Forgets the open book.
    void Close();
    bool Loaded() const noexcept { return FLoaded; }
    const std::string& FileName() const noexcept { return FFileName; }

    // ---- System image ----
    TMFS& System() noexcept { return FSystem; }
    const TMFS& System() const noexcept { return FSystem; }
    // The root element of "System.xml".
    const TXMLNode* Description() const;
    // The path in the system image of the file that an attribute of "System.xml" names
    // (SystemXml::Story, ToolButtons, Variables, Forms or Decrypt): the name written
    // there, or the compiler's own name when the attribute is missing or empty.
    std::string SystemFilePath(const char* Attribute) const;
    // A file of the system image ("\SplashS.bmp"); empty when it is missing.
    const std::string& SystemFile(std::string_view Path) const;
    bool HasSystemFile(std::string_view Path) const;
    uint64_t SystemSize() const noexcept { return FSystemSize; }

    // ---- Protection ----
    const TSecurityDescription& Security() const noexcept { return FSecurity; }
    TBookProtection Protection() const noexcept { return FSecurity.Protection; }
    // The pages resource is not a cabinet as stored (it is enciphered).
    bool PagesEnciphered() const noexcept { return FPagesEnciphered; }
    uint64_t PagesSize() const noexcept { return FPagesSize; }
    // The pages were read and are still enciphered.
    bool Locked() const noexcept { return !FLockedPages.empty(); }
    // Unlocks the pages with a user name (ignored by Password books) and password;
    // false when they are not right, true at once for pages that are not locked. Pages
    // that turn out damaged behind the right key raise EBookError.
    bool Unlock(const std::string& User, const std::string& Password);
    // Selected books: whether Password is the one whose checksum the book keeps.
    bool CheckPagePassword(const std::string& Password) const;

    // ---- Pages ----
    TMFS& Pages() noexcept { return FPages; }
    const TMFS& Pages() const noexcept { return FPages; }
    // The file at a book path (normalised as NormalizeBookPath does), or none: folders,
    // missing files and names the file system refuses count as missing; none while the
    // pages are locked or were not read.
    const TMFSFile* PageFile(std::string_view Path) const;
    // The icon as the bytes of an icon file; empty when the book has none.
    const std::string& Icon() const noexcept { return FIcon; }

private:
    void OpenPages(std::string&& Cabinet);

    std::string FFileName;
    bool FLoaded = false;
    // Look-ups go through the images' sessions, which the file system does not offer
    // on a constant tree.
    mutable TMFS FSystem;
    mutable TMFS FPages;
    std::unique_ptr<TXMLDocument> FDescription;
    TSecurityDescription FSecurity;
    std::string FLockedPages; // the enciphered pages resource until it is unlocked
    std::string FIcon;
    uint64_t FSystemSize = 0;
    uint64_t FPagesSize = 0;
    bool FPagesEnciphered = false;
};
