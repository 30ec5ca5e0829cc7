// The layout of a compiled book, in one place: the resources of the book program, the
// files of its system image and the element and attribute names of the system files
// that describe the book ("System.xml", "Story.xml", "Decrypt.xml"). The compiler
// writes books with these names, and every reader of books (the readers, the branding
// tool, the command line) reads them with the same ones.
#pragma once

// ---- Resources of the book program ----

// The type of the two cabinet resources: the type named by this text, not the
// predefined numeric RCDATA type.
extern const char* const BookResourceType;   // "RCDATA"
extern const char* const FilesResourceName;  // "FILES_MFS": the pages cabinet
extern const char* const SystemResourceName; // "SYSTEM_MFS": the system cabinet
extern const char* const IconResourceName;   // "MAINICON": the icon group
// The reader program every book is a copy of.
extern const char* const ReaderProgramName; // "Pagelamp.exe"
// The one member of each cabinet: the image of a store.
extern const char* const StoreImageName; // "info.mfs"

// ---- Files of the system image (and of the project's system store, where they have
// the same names) ----

extern const char* const SystemXmlFile;          // "\System.xml"
extern const char* const StoryXmlFile;           // "\Story.xml"
extern const char* const ToolButtonsXmlFile;     // "\ToolButtons.xml"
extern const char* const DecryptXmlFile;         // "\Decrypt.xml"
extern const char* const VariablesXmlFile;       // "\Variables.xml"
extern const char* const AdditionalPagesXmlFile; // "\AdditionalPages.xml"
extern const char* const SplashStartFile;        // "\SplashS.bmp"
extern const char* const SplashEndFile;          // "\SplashE.bmp"
extern const char* const LogoFile;               // "\Logo.bmp"
// Only in the project's system store: its security settings and its icon.
extern const char* const EncryptXmlFile; // "\Encrypt.xml"
extern const char* const IconFile;       // "\Icon.ico"

// ---- "System.xml": the root element and the attributes that name the other system
// files (the book options are the attribute strings of the options classes) ----

namespace SystemXml {
extern const char* const Root;        // "System"
extern const char* const Story;       // "Story"
extern const char* const ToolButtons; // "ToolButtons"
extern const char* const Variables;   // "Variables"
extern const char* const Icon;        // "Icon"
extern const char* const Forms;       // "Forms"
extern const char* const Decrypt;     // "Decrypt"
extern const char* const Splash;      // "splash": the child element of the splash options
extern const char* const Toolbar;     // "toolbar": the child element of the toolbar options
extern const char* const IconValue;   // "Application.ico", written for every book
} // namespace SystemXml

// ---- "Story.xml" ----

namespace StoryXml {
extern const char* const Root;               // "Story"
extern const char* const Item;               // "item": a page, or a chapter holding items
extern const char* const Page;               // "page": the page's path in the pages image
extern const char* const PageName;           // "pagename"
extern const char* const Searchable;         // "searchable"
extern const char* const RightClick;         // "rightclick"
extern const char* const PasswordProtection; // "passwordprotection"
} // namespace StoryXml

// ---- "Decrypt.xml" (and the values the project's "Encrypt.xml" shares with it) ----

namespace DecryptXml {
extern const char* const Root;         // "Decrypt"
extern const char* const Method;       // "Method"
extern const char* const PasswordType; // "PasswordType"
extern const char* const PasswordHash; // "PasswordHash"
extern const char* const Info;         // "Info": one user record
extern const char* const KeyInfo;      // "KeyInfo"
// Values of Method and PasswordType.
extern const char* const MethodPassword;     // "Password"
extern const char* const MethodUserPassword; // "UserPassword"
extern const char* const TypeSimple;         // "Simple"
extern const char* const TypeSelected;       // "Selected"
} // namespace DecryptXml

// The key shared by the compiler and every reader for the user records.
extern const char* const BookFixedKey; // "Tarnwickelo"
