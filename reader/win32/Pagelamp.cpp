// The reader program Pagelamp. A compiled book is a copy of this program whose
// resources carry the book: the pages cabinet "FILES_MFS" and the system cabinet
// "SYSTEM_MFS", both under the resource type named by the text "RCDATA", and the
// book's icon "MAINICON".
//
// "Pagelamp.exe /check" shows nothing and answers with its exit status: 0 a book, 1 no
// book, 2 a damaged book. "--batch" sends every message to standard error instead of a
// window (for scripts and tests).
#include "w_FormWindow.h"
#include "w_ReaderApp.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE Instance, HINSTANCE, LPSTR, int) {
    return RunReader(Instance, ModulePath(Instance), ProgramArguments(), BrowserViewFactory());
}
