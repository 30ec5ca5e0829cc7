// The reader program Pagelamp. A compiled book is a copy of this program whose
// resources carry the book: the pages cabinet "FILES_MFS" and the system cabinet
// "SYSTEM_MFS", both under the resource type named by the text "RCDATA".
//
// For now the program looks at its own resources and tells whether it holds a book.
// With the argument "/check" it shows nothing and answers with its exit code:
// 0 a book, 1 no book, 2 a damaged book.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "quarvel_version.h"

namespace {

enum { BOOK = 0, NO_BOOK = 1, DAMAGED = 2 };

// The bytes of one of the book's resources; size 0 when it is missing.
const unsigned char* BookResource(const char* Name, DWORD& Size) {
    Size = 0;
    HRSRC res = FindResourceA(nullptr, Name, "RCDATA");
    if (!res)
        return nullptr;
    HGLOBAL data = LoadResource(nullptr, res);
    if (!data)
        return nullptr;
    Size = SizeofResource(nullptr, res);
    return static_cast<const unsigned char*>(LockResource(data));
}

// A cabinet starts with "MSCF" and states its own length at offset 8.
bool IsCabinet(const unsigned char* p, DWORD Size) {
    if (!p || Size < 36 || std::memcmp(p, "MSCF", 4) != 0)
        return false;
    DWORD stated = DWORD(p[8]) | (DWORD(p[9]) << 8) | (DWORD(p[10]) << 16) | (DWORD(p[11]) << 24);
    return stated <= Size;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR CommandLine, int) {
    DWORD pagesSize, systemSize;
    const unsigned char* pages = BookResource("FILES_MFS", pagesSize);
    const unsigned char* system = BookResource("SYSTEM_MFS", systemSize);
    int state;
    if (!pages && !system)
        state = NO_BOOK;
    else if (pages && system && IsCabinet(system, systemSize) && pagesSize > 0)
        state = BOOK;
    else
        state = DAMAGED;
    if (CommandLine && std::strstr(CommandLine, "/check"))
        return state;
    char text[512];
    std::snprintf(text, sizeof text, "Pagelamp %s: %s", QUARVEL_VERSION_STRING,
                  state == BOOK ? "this program holds a book" : state == NO_BOOK ? "no book" : "a damaged book");
    MessageBoxA(nullptr, text, "Pagelamp", MB_OK);
    return state;
}
