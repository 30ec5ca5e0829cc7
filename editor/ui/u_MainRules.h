// The main window's rules that need no window: its settings keys, the recent-project
// menu entries, the Help link entries, the update address, the start-up decisions
// (the project on the command line, the tips), how a compiled book is started and the
// text of a command's warnings.
#pragma once

#include <optional>
#include <string>
#include <vector>

// Settings of the editor (u_Registry keys).
extern const char* const EditorKey;         // "Software\Brevant\Quarvel\Editor"
extern const char* const EditorUpdateKey;   // "...\Editor\Update" (value "NeedUpdate")
extern const char* const EditorLinksKey;    // "...\Editor\Links"
extern const char* const MainFormLayoutKey; // "...\Editor\frmMain\FormProps"

// The application title: the first word of the caption.
extern const char* const SApplicationTitle; // "Quarvel"
// The main window's caption: the title, a blank and the four-part version.
std::string MainWindowCaption(const std::string& Version);

// One entry of the recent-project menus.
struct TRecentMenuEntry {
    std::string MenuCaption;   // File > Recent: "&" + number + " " + file name
    std::string ButtonCaption; // the Open Project drop-down: the file name
    std::string FileName;      // the hint, and what the entry opens
};
// The entries for the recent list, most recent first (numbers 1 to 9). Ampersands of a
// file name are doubled so that a menu shows them instead of taking them for its
// keyboard accelerators.
std::vector<TRecentMenuEntry> RecentMenuEntries(const std::vector<std::string>& Recent);

// A Help link entry, as a subkey of the Links key describes it.
struct THelpLink {
    std::string Name; // the caption
    std::string Link; // the hint, and what the entry opens
    int ImageIndex = -1;
};
// The links in Help menu order: each subkey, in the order the settings list them, is
// inserted at the same position of the menu, so the last one listed comes first.
std::vector<THelpLink> HelpMenuLinks(const std::vector<THelpLink>& Listed);

// The update address: UpdateLink, "?curversion=" and the version. Nothing without a
// link (the address would be no address at all).
std::optional<std::string> InternetUpdateURL(const std::string& UpdateLink, const std::string& Version);

// The project named on the command line: the first argument after the program's own
// name, when it names an existing file.
std::optional<std::string> CommandLineProject(const std::vector<std::string>& Arguments);
// "TipsStartupAction": 0 always shows the tips, 1 only when no project is open, any
// other value never.
bool ShowTipsAtStartup(int TipsStartupAction, bool ProjectOpen);
// The panel width stored as the layout's extra text: a decimal number, else nothing.
std::optional<int> PanelWidthFromExtInfo(const std::string& Text);

// How a book is started: the native reader "pagelamp" of ProgramsFolder (the folder of
// the kit's executables) with the book as its argument when that program exists, else
// the desktop's opener on the book.
struct TBookStart {
    bool WithReader = false;
    std::string Program; // the reader (WithReader) or the book
    std::vector<std::string> Arguments;
};
TBookStart BookStartFor(const std::string& BookFile, const std::string& ProgramsFolder);
// Run found no book after compiling it: "The book \"%s\" was not made."
extern const char* const SBookNotMade;

// The text of the box that shows the warnings of one command: a long list is cut, the
// first 15 lines telling what happened (CR LF between them), then "(and N more)" on a
// line of its own.
std::string WarningsText(const std::vector<std::string>& Warnings);

// The help the Contents command opens: "Help/tomewright.html" in the program folder.
std::string HelpFileName(const std::string& ProgramFolder);
