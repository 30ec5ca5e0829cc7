/* The reader program Pagelamp. A compiled book is a copy of this program whose
 * resources carry the book: the pages cabinet "FILES_MFS" and the system cabinet
 * "SYSTEM_MFS", both under the resource type named by the text "RCDATA".
 *
 * For now the program looks at its own resources and tells whether it holds a book.
 * With the argument "/check" it shows nothing and answers with its exit code:
 * 0 a book, 1 no book, 2 a damaged book. */
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include "pagelamp_version.h"

enum { BOOK = 0, NO_BOOK = 1, DAMAGED = 2 };

/* The bytes of one of the book's resources; size 0 when it is missing. */
static const unsigned char* BookResource(const char* name, DWORD* size) {
    HRSRC res = FindResourceA(NULL, name, "RCDATA");
    HGLOBAL data;
    *size = 0;
    if (!res)
        return NULL;
    data = LoadResource(NULL, res);
    if (!data)
        return NULL;
    *size = SizeofResource(NULL, res);
    return (const unsigned char*)LockResource(data);
}

/* A cabinet starts with "MSCF" and states its own length at offset 8. */
static int IsCabinet(const unsigned char* p, DWORD size) {
    DWORD stated;
    if (!p || size < 36 || memcmp(p, "MSCF", 4) != 0)
        return 0;
    stated = (DWORD)p[8] | ((DWORD)p[9] << 8) | ((DWORD)p[10] << 16) | ((DWORD)p[11] << 24);
    return stated <= size;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
    DWORD pagesSize, systemSize;
    const unsigned char* pages = BookResource("FILES_MFS", &pagesSize);
    const unsigned char* system = BookResource("SYSTEM_MFS", &systemSize);
    int state;
    char text[512];
    (void)instance;
    (void)previous;
    (void)show;

    if (!pages && !system)
        state = NO_BOOK;
    else if (pages && system && IsCabinet(system, systemSize) && pagesSize > 0)
        state = BOOK; /* the pages cabinet may be enciphered: only its presence is checked */
    else
        state = DAMAGED;

    if (commandLine && strstr(commandLine, "/check"))
        return state;

    switch (state) {
    case BOOK:
        snprintf(text, sizeof text,
                 "This book program holds a book.\r\n\r\nPages: %lu bytes\r\nSystem files: %lu bytes\r\n\r\n"
                 "This version of the reader cannot show books yet.",
                 (unsigned long)pagesSize, (unsigned long)systemSize);
        break;
    case NO_BOOK:
        snprintf(text, sizeof text,
                 "Pagelamp %s\r\n\r\nThis is the reader program on its own: it holds no book. "
                 "Compile a project with Tomewright to make a book program.",
                 PAGELAMP_VERSION);
        break;
    default:
        snprintf(text, sizeof text, "The book in this program is damaged: %s.",
                 !pages    ? "its pages are missing"
                 : !system ? "its system files are missing"
                           : "its system files are not a cabinet");
        break;
    }
    MessageBoxA(NULL, text, "Pagelamp", MB_OK | (state == DAMAGED ? MB_ICONERROR : MB_ICONINFORMATION));
    return state;
}
