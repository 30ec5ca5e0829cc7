// Test books: a small PE32 program (or the shipped reader when it is built) with a
// system cabinet, a pages cabinet and an icon written into its resources, the way the
// compiler lays out a book.
#pragma once

#include "u_MFS.h"
#include "u_MFSCab.h"
#include "u_Resources.h"

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <sched.h>
#include <string>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fixture {

inline void Put16(std::string& s, size_t at, uint16_t v) {
    s[at] = static_cast<char>(v & 0xFF);
    s[at + 1] = static_cast<char>(v >> 8);
}

inline void Put32(std::string& s, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        s[at + static_cast<size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// A minimal PE32 GUI program: ".text" with one "ret", an empty ".rsrc" and a ".reloc"
// after it (so growing the resources moves a section, as in a real book).
inline std::string SyntheticProgram() {
    std::string pe(0x800, '\0');
    pe[0] = 'M';
    pe[1] = 'Z';
    Put32(pe, 0x3C, 0x40);
    pe.replace(0x40, 4, std::string("PE\0\0", 4));
    const size_t file = 0x44;
    Put16(pe, file + 0, 0x14C); // i386
    Put16(pe, file + 2, 3);     // sections
    Put16(pe, file + 16, 224);  // optional header size
    Put16(pe, file + 18, 0x0102);
    const size_t opt = file + 20;
    Put16(pe, opt + 0, 0x10B);
    Put32(pe, opt + 4, 0x200);   // SizeOfCode
    Put32(pe, opt + 8, 0x400);   // SizeOfInitializedData
    Put32(pe, opt + 16, 0x1000); // AddressOfEntryPoint
    Put32(pe, opt + 20, 0x1000); // BaseOfCode
    Put32(pe, opt + 24, 0x2000); // BaseOfData
    Put32(pe, opt + 28, 0x400000);
    Put32(pe, opt + 32, 0x1000); // SectionAlignment
    Put32(pe, opt + 36, 0x200);  // FileAlignment
    Put16(pe, opt + 40, 4);
    Put16(pe, opt + 48, 4);
    Put32(pe, opt + 56, 0x4000); // SizeOfImage
    Put32(pe, opt + 60, 0x200);  // SizeOfHeaders
    Put16(pe, opt + 68, 2);      // GUI
    Put32(pe, opt + 72, 0x100000);
    Put32(pe, opt + 76, 0x1000);
    Put32(pe, opt + 80, 0x100000);
    Put32(pe, opt + 84, 0x1000);
    Put32(pe, opt + 92, 16);
    Put32(pe, opt + 96 + 8 * 2, 0x2000); // resources
    Put32(pe, opt + 96 + 8 * 2 + 4, 16);
    Put32(pe, opt + 96 + 8 * 5, 0x3000); // base relocations
    Put32(pe, opt + 96 + 8 * 5 + 4, 8);
    struct Section {
        const char* name;
        uint32_t va, vsize, raw, rawSize, flags;
    };
    const Section sections[] = {{".text", 0x1000, 1, 0x200, 0x200, 0x60000020},
                                {".rsrc", 0x2000, 16, 0x400, 0x200, 0x40000040},
                                {".reloc", 0x3000, 8, 0x600, 0x200, 0x42000040}};
    size_t at = opt + 224;
    for (const Section& s : sections) {
        pe.replace(at, std::char_traits<char>::length(s.name), s.name);
        Put32(pe, at + 8, s.vsize);
        Put32(pe, at + 12, s.va);
        Put32(pe, at + 16, s.rawSize);
        Put32(pe, at + 20, s.raw);
        Put32(pe, at + 36, s.flags);
        at += 40;
    }
    pe[0x200] = static_cast<char>(0xC3);
    Put32(pe, 0x600, 0x1000); // one empty relocation block
    Put32(pe, 0x604, 8);
    return pe;
}

// An icon file with one 32-bit image per size, filled with one colour (0xAARRGGBB).
inline std::string IconFile(uint32_t argb, const std::vector<int>& sizes = {32, 16}) {
    std::string images;
    std::string directory;
    const size_t headerSize = 6 + 16 * sizes.size();
    for (const int size : sizes) {
        const auto s = static_cast<uint32_t>(size);
        const uint32_t maskRow = ((s + 31) / 32) * 4;
        std::string image(40 + s * s * 4 + maskRow * s, '\0');
        Put32(image, 0, 40);
        Put32(image, 4, s);
        Put32(image, 8, 2 * s);
        Put16(image, 12, 1);
        Put16(image, 14, 32);
        Put32(image, 20, s * s * 4 + maskRow * s);
        for (uint32_t p = 0; p < s * s; ++p)
            Put32(image, 40 + p * 4, argb);
        std::string entry(16, '\0');
        entry[0] = static_cast<char>(size >= 256 ? 0 : size);
        entry[1] = static_cast<char>(size >= 256 ? 0 : size);
        Put16(entry, 4, 1);
        Put16(entry, 6, 32);
        Put32(entry, 8, static_cast<uint32_t>(image.size()));
        Put32(entry, 12, static_cast<uint32_t>(headerSize + images.size()));
        directory += entry;
        images += image;
    }
    std::string header(6, '\0');
    Put16(header, 2, 1);
    Put16(header, 4, static_cast<uint16_t>(sizes.size()));
    return header + directory + images;
}

// An icon file with Count directory entries (an icon file holds at most 65,535), all
// naming one small image.
inline std::string IconWithEntries(uint32_t count) {
    std::string icon(6 + 16 * size_t{count} + 40, '\0');
    Put16(icon, 2, 1);
    Put16(icon, 4, static_cast<uint16_t>(count));
    for (uint32_t i = 0; i < count; ++i) {
        icon[6 + 16 * i] = 16;
        icon[6 + 16 * i + 1] = 16;
        Put32(icon, 6 + 16 * i + 8, 40);
        Put32(icon, 6 + 16 * i + 12, static_cast<uint32_t>(6 + 16 * count));
    }
    return icon;
}

inline std::string VariablesFile(const std::vector<std::pair<std::string, std::string>>& variables) {
    std::string xml = "<vars>\r\n";
    for (const auto& [name, value] : variables)
        xml += "<var name=\"" + name + "\">" + value + "</var>\r\n";
    return xml + "</vars>\r\n";
}

inline std::string SystemXml(const std::string& title,
                             const std::string& variablesAttribute = "Variables.xml") {
    std::string xml = "<System\r\n  Story=\"Story.xml\"\r\n  ToolButtons=\"ToolButtons.xml\"\r\n";
    if (!variablesAttribute.empty())
        xml += "  Variables=\"" + variablesAttribute + "\"\r\n";
    xml += "  Icon=\"Application.ico\"\r\n  ApplicationTitle=\"" + title +
           "\" MainFormCaption=\"\" Width=800 Height=600\r\n  Forms=\"AdditionalPages.xml\"\r\n"
           "  Decrypt=\"Decrypt.xml\"\r\n>  <splash Type=0\r\n/>  <toolbar Visible=True\r\n/></System>\r\n";
    return xml;
}

// The packed system cabinet of an image holding the given files.
inline std::string SystemCabinet(const std::map<std::string, std::string>& files) {
    TMFS image;
    for (const auto& [path, content] : files) {
        if (const std::string folder = TMFS::ExtractPath(path); !folder.empty())
            image.Session()->ForceFolders(folder);
        image.Session()->CreateFile(path, 0, true)->Content = content;
    }
    return PackStore(image, "System.cab");
}

struct BookContent {
    std::map<std::string, std::string> systemFiles;
    bool withSystem = true;
    std::string pages = "pages cabinet bytes: never read by branding";
    std::string icon = IconFile(0xFF2050C0);
};

// A typical book: title with references, brandable and not brandable variables.
inline BookContent TypicalBook() {
    BookContent book;
    book.systemFiles["System.xml"] = SystemXml("%{Title} by %{Author}");
    book.systemFiles["Variables.xml"] = VariablesFile({{"Title", "$Garden Notes"},
                                                       {"author", "Jane Doe"},
                                                       {"Company", "Brevant Books"},
                                                       {"Copyright", "$(c) %{Company}"},
                                                       {"Link", "See %{Company}"},
                                                       {"Path", "C:\\\\Books\\\\Garden"}});
    book.systemFiles["Story.xml"] = "<story>\r\n</story>\r\n";
    book.systemFiles["Decrypt.xml"] = std::string("<Decrypt Kind=0/>\r\n\0\x01\xFF", 22);
    book.systemFiles["Toolbar.buttons\\Home.bmp"] = std::string("BM\0\0binary\r\n\x80", 14);
    return book;
}

inline void WriteBook(const std::string& fileName, const BookContent& book,
                      const std::string& program = SyntheticProgram()) {
    WriteFileText(program, fileName);
    WriteRCDataResource(fileName, TResName("FILES_MFS"), book.pages);
    if (book.withSystem)
        WriteRCDataResource(fileName, TResName("SYSTEM_MFS"), SystemCabinet(book.systemFiles));
    if (!book.icon.empty())
        WriteIconGroupResource(fileName, TResName("MAINICON"), 1, book.icon);
}

// The system image stored in a book, unpacked.
inline void ReadSystemImage(const std::string& fileName, TMFS& image) {
    UnpackStore(image, ReadResource(fileName, TResName("RCDATA"), TResName("SYSTEM_MFS")));
}

// The names of the files a folder holds whose names start with a prefix.
inline std::vector<std::string> FilesStartingWith(const std::string& folder, const std::string& prefix) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
        if (entry.path().filename().string().rfind(prefix, 0) == 0)
            names.push_back(entry.path().filename().string());
    return names;
}

// Runs Body in a child process whose writes below Folder run out of room: a tmpfs of
// Bytes bytes mounted on Folder in a mount namespace of the child's own when the test may
// mount (root), else the process's file-size limit set to Bytes (SIGXFSZ ignored, so a
// write fails with EFBIG). Body gets true when it runs on the tmpfs; its text comes back.
// A failure to start the child comes back as "child failed".
inline std::string RunOnSmallDisk(const std::string& folder, size_t bytes,
                                  const std::function<std::string(bool onTmpfs)>& body) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return "child failed";
    const pid_t pid = ::fork();
    if (pid < 0)
        return "child failed";
    if (pid == 0) {
        ::close(pipeFds[0]);
        const std::string options = "size=" + std::to_string(bytes);
        const bool onTmpfs = ::unshare(CLONE_NEWNS) == 0 &&
                             ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
                             ::mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) == 0;
        std::string out;
        try {
            out = body(onTmpfs);
        } catch (const std::exception& e) {
            out = std::string("unexpected exception: ") + e.what();
        }
        for (size_t done = 0; done < out.size();) {
            const ssize_t n = ::write(pipeFds[1], out.data() + done, out.size() - done);
            if (n <= 0)
                break;
            done += static_cast<size_t>(n);
        }
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    std::string out;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0)
        out.append(buffer, static_cast<size_t>(n));
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? out : "child failed";
}

// In a child of RunOnSmallDisk: fills the tmpfs (or sets the file-size limit) so that no
// file of Limit bytes more can be written.
inline void FillSmallDisk(const std::string& folder, bool onTmpfs, size_t limit) {
    if (onTmpfs) {
        const std::string filler = folder + "/filler";
        const std::string chunk(4096, 'f');
        FILE* f = std::fopen(filler.c_str(), "wb");
        while (f && std::fwrite(chunk.data(), 1, chunk.size(), f) == chunk.size() && std::fflush(f) == 0) {
        }
        if (f)
            std::fclose(f);
        return;
    }
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limitValue{static_cast<rlim_t>(limit), static_cast<rlim_t>(limit)};
    ::setrlimit(RLIMIT_FSIZE, &limitValue);
}

} // namespace fixture
