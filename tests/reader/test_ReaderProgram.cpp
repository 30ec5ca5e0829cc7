// The Windows reader as a book: the PE32+ build of the reader (Pagelamp64.exe, the one
// wine64 runs here) compiled into a book by the command line, then started under
// wine64 on a virtual screen. Without an HTML engine in wine it must get as far as
// making its view and stop there with one message and exit status 1; "/check" tells a
// book, no book and a damaged book apart without a window.
//
// Built only with the x86_64 Windows build, which gives the program's path.
#ifdef QUARVEL_READER64
#include "../cli/run_command.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

using TRun = TCommandRun;

// Runs a shell command, standard error joined to standard output.
TRun Shell(const std::string& command) {
    return RunCommand(command + " 2>&1");
}

std::string Quote(const std::string& s) {
    return "'" + s + "'";
}

class ReaderProgram : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const char* program = QUARVEL_READER64;
        if (Shell("command -v xvfb-run >/dev/null").Status != 0 || !fs::exists(Quarvel()))
            return;
        Folder = new TTempFolder("quarvel-reader-program");
        Program = new std::string(program);
        // A program folder with the PE32+ reader under the shipped reader's name, and
        // the system files of the build's program folder.
        const fs::path programDir = Folder->File("program");
        fs::create_directories(programDir);
        fs::copy_file(program, programDir / "Pagelamp.exe");
        const fs::path system = fs::path(QUARVEL_BIN_DIR) / "System";
        if (fs::exists(system))
            fs::copy(system, programDir / "System", fs::copy_options::recursive);
        const TRun compiled = Shell(
            Quarvel() + " compile " +
            Quote(std::string(QUARVEL_SOURCE_DIR) + "/samples/Lighthouse/Lighthouse.ebp") + " --output " +
            Quote(Folder->File("Lighthouse.exe")) + " --program-dir " + Quote(programDir.string()));
        CompileOutput = new std::string(compiled.Out);
        if (compiled.Status == 0)
            Book = new std::string(Folder->File("Lighthouse.exe"));
    }
    static void TearDownTestSuite() {
        delete Book;
        delete Program;
        delete CompileOutput;
        delete Folder;
        Book = Program = CompileOutput = nullptr;
        Folder = nullptr;
    }
    void SetUp() override {
        if (!Program)
            GTEST_SKIP() << "xvfb-run or the quarvel program missing";
    }

    static std::string Quarvel() { return std::string(QUARVEL_BIN_DIR) + "/quarvel"; }
    // Runs a Windows program under wine64 on a virtual screen.
    static TRun RunUnderWine(const std::string& Exe, const std::string& Args) {
        return Shell("WINEPREFIX=" + Quote(QUARVEL_WINE_PREFIX) +
                     " WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=d' " +
                     "xvfb-run -a -s '-screen 0 1280x1024x24' " + Quote(QUARVEL_WINE) + " " + Quote(Exe) +
                     " " + Args);
    }

    static TTempFolder* Folder;
    static std::string *Program, *Book, *CompileOutput;
};
TTempFolder* ReaderProgram::Folder = nullptr;
std::string* ReaderProgram::Program = nullptr;
std::string* ReaderProgram::Book = nullptr;
std::string* ReaderProgram::CompileOutput = nullptr;

} // namespace

TEST_F(ReaderProgram, BookStartsUpToTheHtmlEngineAndStopsWithOneMessage) {
    ASSERT_NE(Book, nullptr) << *CompileOutput;
    const TRun run = RunUnderWine(*Book, "--batch");
    EXPECT_EQ(run.Status, 1) << run.Out;
    EXPECT_NE(run.Out.find("Pagelamp: Cannot show \"Lighthouse.exe\": cannot create the HTML engine"),
              std::string::npos)
        << run.Out;
    // One message, nothing before it: the book opened, the protocol and the window were made.
    size_t messages = 0;
    for (size_t at = run.Out.find("Pagelamp:"); at != std::string::npos;
         at = run.Out.find("Pagelamp:", at + 1))
        ++messages;
    EXPECT_EQ(messages, 1u) << run.Out;
}

TEST_F(ReaderProgram, WithoutABookItSaysSoWithoutAWindow) {
    EXPECT_EQ(RunUnderWine(*Program, "/check").Status, 1);
    const TRun bare = RunUnderWine(*Program, "--batch");
    EXPECT_EQ(bare.Status, 1);
    EXPECT_NE(bare.Out.find("Pagelamp: \"Pagelamp64.exe\" is not a book."), std::string::npos) << bare.Out;
    const TRun unknown = RunUnderWine(*Program, "--batch --colour");
    EXPECT_EQ(unknown.Status, 2);
    EXPECT_NE(unknown.Out.find("unknown argument \"--colour\""), std::string::npos) << unknown.Out;
}

TEST_F(ReaderProgram, CheckTellsABookFromADamagedOne) {
    ASSERT_NE(Book, nullptr) << *CompileOutput;
    EXPECT_EQ(RunUnderWine(*Book, "/check").Status, 0);

    // Both cabinets lose their signature (a cabinet header says version 1.3; the
    // program's own code holds the signature too): the resources are there, the book is not.
    std::string bytes;
    {
        std::ifstream in(*Book, std::ios::binary);
        std::ostringstream all;
        all << in.rdbuf();
        bytes = all.str();
    }
    int cabinets = 0;
    for (size_t at = bytes.find("MSCF"); at != std::string::npos; at = bytes.find("MSCF", at + 4)) {
        if (at + 26 > bytes.size() || bytes[at + 24] != 3 || bytes[at + 25] != 1)
            continue;
        bytes[at] = 'X';
        ++cabinets;
    }
    ASSERT_GE(cabinets, 2);
    const std::string damaged = Folder->File("Damaged.exe");
    std::ofstream(damaged, std::ios::binary) << bytes;
    EXPECT_EQ(RunUnderWine(damaged, "/check").Status, 2);
    const TRun run = RunUnderWine(damaged, "--batch");
    EXPECT_EQ(run.Status, 1);
    EXPECT_NE(run.Out.find("Damaged.exe"), std::string::npos) << run.Out;
}
#endif
