// Branding of a compiled book: reading the book's system image, its title, icon and
// brandable variables, and writing new values and a new icon back. The branding
// window and the command line both work through this unit; it has no user interface.
//
// A book is the reader program with the resources "SYSTEM_MFS" (type named "RCDATA":
// a cabinet holding the system image "info.mfs"), "FILES_MFS" (the pages, never read
// or written here) and the icon group "MAINICON".
#pragma once

#include "u_Exception.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TBook;
class TMFS;
class TVariables;

// A picture that cannot be loaded as an icon.
class EInvalidGraphic : public Exception {
public:
    using Exception::Exception;
};

// One row of the branding grid: a brandable variable and its (typed) value.
struct TBrandingRow {
    std::string Name;
    std::string Value;
};

class TBrandingBook {
public:
    TBrandingBook();
    ~TBrandingBook();
    TBrandingBook(const TBrandingBook&) = delete;
    TBrandingBook& operator=(const TBrandingBook&) = delete;

    // Closes any open book, then opens FileName through the book module: the system
    // image and the icon (the pages are not read), "System.xml" and the variables file
    // it names. On failure nothing stays open and the error goes on.
    void Open(const std::string& FileName);
    // Forgets the open book (unsaved values are dropped).
    void Close();

    bool Loaded() const { return FLoaded; }
    const std::string& FileName() const { return FFileName; }
    // The title ("ApplicationTitle" of "System.xml") with variable references expanded;
    // empty when the book has none.
    const std::string& Title() const { return FTitle; }
    // The icon group "MAINICON" as the bytes of an icon file (all its images); empty
    // when the book has none.
    const std::string& IconData() const { return FIconData; }
    // The brandable variables (stored value without a leading "$") in ascending name
    // order, letter case ignored, with their values as stored (references resolved).
    const std::vector<TBrandingRow>& Rows() const { return FRows; }

    TMFS& SystemImage();
    // The variables of the open book, markers kept; nullptr when no book is open.
    const TVariables* VariableTable() const { return FVariableTable.get(); }
    // How many books were opened during this run.
    uint32_t OpenCount() const { return FOpenCount; }

    // The new text of the variables file: the rows with their typed values first, then
    // every variable of the table with its stored value and marker. The first occurrence
    // of a name wins when the file is read, so the rows take effect and everything else
    // keeps its value. "<" and "\" in values are written with the reader's backslash
    // escape, so every value reads back exactly as given.
    std::string BuildVariablesXml(const std::vector<TBrandingRow>& Rows) const;

    // Writes the book back: a new variables file from Rows in the system image, the
    // repacked image as "SYSTEM_MFS" and, when NewIconData is not empty, its images as
    // the icon group "MAINICON" (numbered from 1). Values the book could not read back
    // are refused first (CheckVariablesXml). Both resources go into one new file beside
    // the book (the pages copied by the kernel, not held in memory), which is synced,
    // given the book's owner, group and mode where permitted, and renamed over the book.
    // When that file cannot be made (a full disk, a read-only folder) the error names
    // the book and the reason, and the book is unchanged. A hard-linked book is
    // replaced, not written through. The book stays open as it was (reopen it to see
    // what is stored now).
    void Update(const std::vector<TBrandingRow>& Rows, const std::string& NewIconData);

private:
    std::unique_ptr<TBook> FBook;
    std::unique_ptr<TVariables> FVariableTable;
    std::string FFileName;
    std::string FTitle;
    std::string FIconData;
    std::vector<TBrandingRow> FRows;
    bool FLoaded = false;
    uint32_t FOpenCount = 0;
};

// Reads an icon file (".ico") and checks that it is one: a header of type 1 and
// directory entries whose images lie inside the file. Raises EInvalidGraphic
// "Icon image is not valid" otherwise, and the OS error when the file cannot be read.
std::string LoadIconFile(const std::string& FileName);
// The same check on bytes already read.
bool IsIconFileData(const std::string& Data);

// Applies "NAME=VALUE" settings to the rows of a book: the value of the row of that
// name (letter case ignored) becomes VALUE. A NAME without a brandable row raises
// EBrandingError and changes nothing.
class EBrandingError : public Exception {
public:
    using Exception::Exception;
};
void ApplyBrandingSettings(std::vector<TBrandingRow>& Rows, const std::vector<std::string>& Settings);

// Raises EBrandingError when the text of a variables file could not be read back by the
// book's readers: a zero byte, a line longer than the XML reader's window
// (TSpaceParser::BufferSize, counted the way the reader refills it), or anything the
// variables table refuses (a reference cycle, a value that grows too large). The
// message names the variable when it can.
void CheckVariablesXml(const std::string& Xml);
