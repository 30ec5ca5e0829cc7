// The reader program from start to end: it finds the book in its own resources, asks
// for the password a protected book needs, registers the book protocol, makes the main
// window with its view, shows the splash or pop-up, the window and the page last read,
// runs the messages until the window closes, then shows the closing splash.
//
// Whatever goes wrong before the window is up (no book, a damaged book, a refused
// password, no HTML engine) ends in one message naming the book and the reason, and
// exit status 1.
#pragma once

#include "w_FormWindow.h"

#include "u_Book.h"

#include <string>
#include <vector>

struct TWinReaderArguments {
    bool Check = false; // "/check": answer with the exit status only
    bool Batch = false; // "--batch": messages on standard error, never in a window
    std::string Error;  // an argument the program does not know
};
TWinReaderArguments ParseWinReaderArguments(const std::vector<std::string>& Args);

// What "/check" answers.
enum TBookCheck { bcBook = 0, bcNoBook = 1, bcDamaged = 2 };

// The book resources of Module ("FILES_MFS", "SYSTEM_MFS", the icon "MAINICON" as the
// bytes of an icon file). False when the module holds neither cabinet; a module with
// only one gives the other empty, which the book core reports as damage.
bool ReadModuleBook(HMODULE Module, TBookResources& Resources);
// The answer of "/check" for the book in Module, the file Path.
TBookCheck CheckModuleBook(HMODULE Module, const std::string& Path);

// The whole program on the book of Module, the file Path (which names the book in
// messages and its settings), its arguments given; the exit status.
int RunReader(HMODULE Module, const std::string& Path, const std::vector<std::string>& Args,
              const TViewFactory& Factory);
// The program's arguments from its command line (without the program's name).
std::vector<std::string> ProgramArguments();
// The full path of a module's file.
std::string ModulePath(HMODULE Module);
