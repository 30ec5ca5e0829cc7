// The Windows loader's view of a book: loads the program given on the command line as
// a data file (as another program reads a book it does not run) and prints the size
// and an FNV-1a hash of each book resource and of the icon group with its images.
#include <windows.h>

// RT_ICON and RT_GROUP_ICON are wide under UNICODE; the types as numbers: 3 and 14.

#include <cstdint>
#include <cstdio>

namespace {

uint32_t Fnv1a(const unsigned char* Data, DWORD Size) {
    uint32_t h = 2166136261u;
    for (DWORD i = 0; i < Size; ++i)
        h = (h ^ Data[i]) * 16777619u;
    return h;
}

const unsigned char* Resource(HMODULE Module, LPCSTR Name, LPCSTR Type, DWORD& Size) {
    Size = 0;
    HRSRC res = FindResourceA(Module, Name, Type);
    if (!res)
        return nullptr;
    HGLOBAL data = LoadResource(Module, res);
    if (!data)
        return nullptr;
    Size = SizeofResource(Module, res);
    return static_cast<const unsigned char*>(LockResource(data));
}

void Print(const char* Label, const unsigned char* Data, DWORD Size) {
    if (Data)
        std::printf("%s %lu %08x\n", Label, static_cast<unsigned long>(Size), Fnv1a(Data, Size));
    else
        std::printf("%s missing\n", Label);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: book_resources BOOK\n");
        return 2;
    }
    HMODULE book = LoadLibraryExA(argv[1], nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!book) {
        std::printf("not loaded %lu\n", static_cast<unsigned long>(GetLastError()));
        return 1;
    }
    DWORD size;
    const unsigned char* data = Resource(book, "FILES_MFS", "RCDATA", size);
    Print("FILES_MFS", data, size);
    data = Resource(book, "SYSTEM_MFS", "RCDATA", size);
    Print("SYSTEM_MFS", data, size);
    const unsigned char* group = Resource(book, "MAINICON", MAKEINTRESOURCEA(14), size);
    Print("MAINICON", group, size);
    if (group && size >= 6) {
        const unsigned count = group[4] | (group[5] << 8);
        for (unsigned i = 0; i < count && 6 + 14 * (i + 1) <= size; ++i) {
            const unsigned char* entry = group + 6 + 14 * i;
            const unsigned id = entry[12] | (entry[13] << 8);
            DWORD imageSize;
            const unsigned char* image = Resource(book, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(3), imageSize);
            char label[32];
            std::snprintf(label, sizeof label, "ICON %u", id);
            Print(label, image, imageSize);
        }
    }
    std::printf("end\n");
    FreeLibrary(book);
    return 0;
}
