// The list of a book's additional pages, "\AdditionalPages.xml" of the system store:
// HTML pages of the files store that the book program shows for its own purposes, some
// of them in a window of their own (a form). The editor's System Pages window writes it
// and the reader reads it from the book.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// One additional page. For a plain page the form settings are kept but not written.
struct TExtFormInfo {
    std::string Path; // the page's path in the files store
    std::string Name; // shown in the window's tree
    bool IsForm = false;
    std::string Caption;
    std::int32_t Width = 400;
    std::int32_t Height = 300;
    bool Center = true;
    bool Sizeable = false;
    bool ScrollBars = false;
    bool SystemMenu = true;
    bool Maximize = true;
    bool Minimize = true;

    bool operator==(const TExtFormInfo&) const = default;
};

// Reads the list: every child of the root is one entry in order, a form when its
// element name is "Form" (letter case ignored), attributes looked up ignoring case
// with the defaults of TExtFormInfo (HideScrollBar is the negation of ScrollBars).
// Reading stops at the first error, keeping the entries read so far; returns false then.
bool ReadExtForms(const std::string& XmlText, std::vector<TExtFormInfo>& Entries);

// The list file: "<AdditionalPages>" CR LF, one element per entry with no line break
// between them, "</AdditionalPages>" without a line break after it. A page writes Path
// and Name only; a form every setting, Booleans as True or False. A double quote in a
// text is written doubled (the reader's quote escape), so the file always reads back; a
// text is written up to a zero byte it may hold (only a damaged list gives one).
std::string BuildExtFormsXml(const std::vector<TExtFormInfo>& Entries);

// Whether a text may go into the list as the author typed it (no double quote).
bool IsExtFormTextAllowed(std::string_view Text);
