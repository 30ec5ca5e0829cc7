// The System Pages window's rules over the project: where the list and the default
// pages live, the commands' enabling, Replace File and Reset Pages (the list's format
// is u_AdditionalPages). No user interface here.
#pragma once

#include "u_BookLayout.h"
#include "u_AdditionalPages.h"

#include <string>

class TBookProject;
class TMFS;

// Where the default project keeps the default pages, below the program folder.
extern const char* const
    DefaultAdditionalPagesList; // "DefaultProject/DefaultProject.system/AdditionalPages.xml"
extern const char* const
    DefaultAdditionalPagesFolder; // "DefaultProject/DefaultProject.files/AdditionalPages"
// The files-store folder that holds the default pages.
extern const char* const AdditionalPagesFolder; // "\AdditionalPages"
// The list file cannot hold a double quote in a text.
extern const char* const SExtFormDoubleQuote;

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
// the same name replaced). DataFolder (the program folder or the user's data folder,
// whichever holds the default project in use) ends with a slash. Marks the project
// modified.
void ResetAdditionalPages(TBookProject& Project, const std::string& DataFolder);
