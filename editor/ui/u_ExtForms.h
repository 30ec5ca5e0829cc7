// The additional pages of a book: HTML pages of the files store that the book program
// shows for its own purposes, some of them in a window of their own (a form). Their
// list is the system store's "\AdditionalPages.xml". This unit reads and writes that
// list and holds the rules of the System Pages window's commands; it has no user
// interface.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TBookProject;
class TMFS;

// The list file in the system store.
extern const char* const AdditionalPagesFileName; // "\AdditionalPages.xml"
// Where the default project keeps the default pages, below the program folder.
extern const char* const
    DefaultAdditionalPagesList; // "DefaultProject/DefaultProject.system/AdditionalPages.xml"
extern const char* const
    DefaultAdditionalPagesFolder; // "DefaultProject/DefaultProject.files/AdditionalPages"
// The files-store folder that holds the default pages.
extern const char* const AdditionalPagesFolder; // "\AdditionalPages"
// The list file cannot hold a double quote in a text.
extern const char* const SExtFormDoubleQuote;

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
// text is written doubled (the reader's quote escape), so the file always reads back.
std::string BuildExtFormsXml(const std::vector<TExtFormInfo>& Entries);

// Whether a text may go into the list as the author typed it (no double quote).
bool IsExtFormTextAllowed(std::string_view Text);

// Whether the files store holds a file at Path.
bool StoreHoldsFile(TMFS& Store, const std::string& Path);

// The commands' rules for the selected entry (none when nothing is selected).
bool CanEditExtFormFile(TMFS& FilesStore, const TExtFormInfo* Entry);
bool CanReplaceExtFormFile(const TExtFormInfo* Entry);
bool CanPreviewExtForm(TMFS& FilesStore, const TExtFormInfo* Entry);

// Replace File: checks that the host file FileName exists (the file error otherwise,
// before anything is deleted), deletes the file at Path and everything in the folder
// named like it with the extension ".files", then imports the host page FileName to
// Path together with the files it links.
void ReplaceExtFormFile(TBookProject& Project, const std::string& Path, const std::string& FileName);

// Reset Pages: the list file becomes a copy of the default project's list, and the
// default pages are imported into the files-store folder "\AdditionalPages" (items of
// the same name replaced). ProgramFolder ends with a slash. Marks the project modified.
void ResetAdditionalPages(TBookProject& Project, const std::string& ProgramFolder);
