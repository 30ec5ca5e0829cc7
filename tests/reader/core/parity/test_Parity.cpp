// The Windows core reads books as the Linux core does: the sample book and books of
// every kind of protection, compiled here, are read by the Linux core and by the
// Windows build of the same core (a PE32+ program run under wine64); both print what
// they read (book_dump.h) and the two texts must be the same, byte for byte: the story,
// a digest of every page and system file, the answers to right and wrong passwords,
// the search results.
#include "../reader_books.h"
#include "book_dump.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

namespace {

// The Windows name of a host path: the host's root is drive Z: under wine.
std::string WinePath(const std::string& path) {
    std::string name = "Z:" + path;
    for (char& c : name)
        if (c == '/')
            c = '\\';
    return name;
}

std::string Quoted(const std::string& text) {
    std::string out = "'";
    for (const char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// Runs the Windows dumper under wine64 on the requests; its standard output.
std::string WindowsDump(const std::vector<TDumpRequest>& requests) {
    std::string command = "env WINEPREFIX=" + Quoted(QUARVEL_WINE_PREFIX) +
                          " WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=d' " + Quoted(QUARVEL_WINE) + " " +
                          Quoted(QUARVEL_WINDOWS_DUMPER);
    for (const TDumpRequest& r : requests) {
        command += " --book " + Quoted(WinePath(r.Book));
        for (const std::string& t : r.Tries)
            command += " --try " + Quoted(t);
        for (const std::string& s : r.Searches)
            command += " --search " + Quoted(s);
    }
    FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
    if (!pipe)
        return std::string();
    std::string out;
    char buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, n);
    pclose(pipe);
    return out;
}

std::string LinuxDump(const std::vector<TDumpRequest>& requests) {
    std::string out;
    for (size_t i = 0; i < requests.size(); ++i)
        out += "== book " + std::to_string(i) + "\n" + DumpBook(requests[i]);
    return out + "end of dump\n";
}

} // namespace

TEST(Parity, WindowsCoreReadsBooksAsTheLinuxCore) {
    TTempFolder folder("parity");
    const std::vector<std::string> searches = {"keeper", "lighthouse lamp", "tide", "nothing-like-it"};
    std::vector<TDumpRequest> requests;
    requests.push_back({books::CompileSample(folder), {}, searches});
    // One password for the whole book: wrong ones first, then the right one.
    {
        // Compiled in a folder of its own (the sample's book name is taken), kept beside the others.
        const TTempFolder sub("parity-password");
        const std::string book = books::CompileSample(sub, books::EncryptPassword("Gull Rock", "Simple"));
        WriteFileText(ReadFileText(book), folder.File("Password.exe"));
        requests.push_back({folder.File("Password.exe"), {":gull rock", "anyone:", "anyone:Gull Rock"}, searches});
    }
    requests.push_back({books::CompileText(books::SmallBook(books::EncryptPassword("tide", "Selected")), folder,
                                           "Selected.exe"),
                        {"Tide", "tide"},
                        {"keeper", "anchorage"}});
    requests.push_back({books::CompileText(books::SmallBook(books::EncryptUsers({{"ann", "tide"}, {"bob", "rock"}})),
                                           folder, "Users.exe"),
                        {"ann:rock", "rock:bob", "bob:rock"},
                        {"keeper"}});
    requests.push_back({books::CompileText(books::SmallBook(), folder, "Plain.exe"), {}, {"water", "keeper"}});
    // Still locked at the end: only the system files are read.
    requests.push_back({requests[3].Book, {"ann:wrong"}, {}});
    // Files that are no books, or damaged ones, give the same messages.
    WriteFileText("just text", folder.File("Text.exe"));
    requests.push_back({folder.File("Text.exe"), {}, {}});
    std::string damaged = ReadFileText(requests[4].Book);
    damaged.resize(damaged.size() / 2);
    WriteFileText(damaged, folder.File("Cut.exe"));
    requests.push_back({folder.File("Cut.exe"), {}, {}});

    const std::string linux = LinuxDump(requests);
    // What is compared is worth comparing: every book read, its pages and answers.
    ASSERT_NE(linux.find("try anyone:Gull Rock right"), std::string::npos) << linux;
    ASSERT_NE(linux.find("try bob:rock right"), std::string::npos);
    ASSERT_NE(linux.find("try tide right"), std::string::npos);
    ASSERT_NE(linux.find("file \\Keepers\\Storm.htm"), std::string::npos);
    ASSERT_NE(linux.find("  hit "), std::string::npos);
    ASSERT_NE(linux.find("pages locked"), std::string::npos);
    ASSERT_NE(linux.find("error \"BOOK\" is not a book."), std::string::npos);

    const std::string windows = WindowsDump(requests);
    ASSERT_FALSE(windows.empty()) << "the Windows program printed nothing (did it run?)";
    EXPECT_EQ(windows, linux);
    if (windows != linux) {
        std::ofstream(folder.File("linux.txt")) << linux;
        std::ofstream(folder.File("windows.txt")) << windows;
    }
}
