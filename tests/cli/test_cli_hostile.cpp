// The quarvel program given hostile books, projects, pages and folders: nothing of the
// user's is lost, nothing outside is leaked into a book, nothing crashes or hangs, and
// every message names what it is about.
#include "../branding/book_fixture.h"
#include "run_command.h"

#include "u_MFS.h"
#include "u_MFSCab.h"
#include "u_Resources.h"

#include "temp_folder.h"

#include <memory>

#include <gtest/gtest.h>

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using TRun = TCommandRun;

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (const char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

class CliHostile : public ::testing::Test {
protected:
    void SetUp() override {
        Temp = std::make_unique<TTempFolder>("quarvel-cli-hostile");
        Dir = Temp->Path();
        // A program folder with a small stand-in for the reader program.
        WriteFileText(fixture::SyntheticProgram(), Dir + "/prog/Pagelamp.exe");
        WriteFileText("<project ApplicationTitle=\"Default\">\r\n  <story>\r\n  </story>\r\n</project>\r\n",
                      Dir + "/prog/DefaultProject/DefaultProject.ebp");
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(Dir, ec);
    }

    // Runs quarvel (never longer than 60 s: a hang is a failure, status 124).
    TRun Quarvel(const std::vector<std::string>& args) {
        std::string command = "timeout 60 " + Quote(std::string(QUARVEL_BIN_DIR) + "/quarvel");
        for (const std::string& a : args)
            command += " " + Quote(a);
        command += " 2>" + Quote(Dir + "/stderr.txt");
        TRun run = RunCommand(command);
        run.Err = ReadFileText(Dir + "/stderr.txt");
        return run;
    }
    TRun Compile(const std::string& project, const std::vector<std::string>& more = {}) {
        std::vector<std::string> args{"compile", project, "--program-dir", Dir + "/prog"};
        args.insert(args.end(), more.begin(), more.end());
        return Quarvel(args);
    }
    // A project of one page "\Index.htm", with Extra lines in its story.
    std::string Project(const std::string& name, const std::string& story = std::string()) {
        const std::string file = Dir + "/" + name + ".ebp";
        WriteFileText("<project ApplicationTitle=\"T\">\r\n  <story>\r\n    <item name=\"Index\" "
                      "page=\"\\Index.htm\" RefCount=0/>\r\n" +
                          story + "  </story>\r\n</project>\r\n",
                      file);
        WriteFileText("<html>index</html>", Dir + "/" + name + ".files/Index.htm");
        return file;
    }
    // A book whose pages are the store Pages (packed) and whose system files are Files.
    std::string Book(const std::string& name, const TMFS& pages,
                     std::map<std::string, std::string> system = fixture::TypicalBook().systemFiles) {
        fixture::BookContent content = fixture::TypicalBook();
        content.systemFiles = std::move(system);
        content.pages = PackStore(pages, "\\Files.cab");
        const std::string file = Dir + "/" + name;
        fixture::WriteBook(file, content);
        return file;
    }

    std::unique_ptr<TTempFolder> Temp; // the folder itself
    std::string Dir;
};

// 2. "new" refuses existing ".files" and ".system" folders, as it refuses the project file.
TEST_F(CliHostile, NewNeverReplacesExistingStoreFolders) {
    for (const char* ext : {".files", ".system"}) {
        const std::string folder = Dir + "/X" + ext;
        WriteFileText("precious", folder + "/keep.txt");
        const TRun r = Quarvel({"new", Dir + "/X.ebp", "--program-dir", Dir + "/prog"});
        EXPECT_EQ(r.Status, 1);
        EXPECT_NE(r.Err.find("\"" + folder + "\" already exists"), std::string::npos) << r.Err;
        EXPECT_EQ(ReadFileText(folder + "/keep.txt"), "precious");
        EXPECT_FALSE(fs::exists(Dir + "/X.ebp"));
        fs::remove_all(folder);
    }
    EXPECT_EQ(Quarvel({"new", Dir + "/X.ebp", "--program-dir", Dir + "/prog"}).Status, 0);
}

// 3. An output onto the project, into its folders, or onto no regular file is refused.
TEST_F(CliHostile, CompileRefusesOutputsThatWouldDestroyTheProject) {
    const std::string project = Project("P");
    const std::string before = ReadFileText(project);
    ASSERT_EQ(mkfifo((Dir + "/fifo").c_str(), 0600), 0);
    for (const std::string& output :
         {project, Dir + "/P.files/book.exe", Dir + "/P.system/book.exe", Dir + "/fifo", std::string("/dev/null")}) {
        const TRun r = Compile(project, {"--output", output});
        EXPECT_EQ(r.Status, 1) << output;
        EXPECT_NE(r.Err.find("The book cannot be written to \"" + output + "\""), std::string::npos) << r.Err;
    }
    EXPECT_EQ(ReadFileText(project), before);
    EXPECT_FALSE(fs::exists(Dir + "/P.files/book.exe"));
    EXPECT_EQ(Compile(project).Status, 0);
}

// 4. unpack never writes through links planted in its folder, and overwrites only with --force.
TEST_F(CliHostile, UnpackNeverFollowsLinksInItsFolder) {
    TMFS pages;
    pages.Session()->CreateFile("\\Index.htm", 0, false)->Content = "index";
    pages.Session()->ForceFolders("\\pics");
    pages.Session()->CreateFile("\\pics\\a.png", 0, false)->Content = "png";
    const std::string book = Book("b.exe", pages);
    const std::string out = Dir + "/out";
    WriteFileText("victim", Dir + "/elsewhere/Index.htm");
    fs::create_directories(out);
    fs::create_directory_symlink(Dir + "/elsewhere", out + "/files");
    TRun r = Quarvel({"unpack", book, out});
    EXPECT_EQ(r.Status, 1);
    EXPECT_NE(r.Err.find("\"" + out + "/files\" is a symbolic link; --force replaces it"), std::string::npos)
        << r.Err;
    EXPECT_FALSE(fs::exists(out + "/system")) << "nothing is written while something is in the way";
    EXPECT_EQ(ReadFileText(Dir + "/elsewhere/Index.htm"), "victim");

    fs::remove(out + "/files");
    fs::create_directories(out + "/files");
    fs::create_symlink(Dir + "/elsewhere/Index.htm", out + "/files/Index.htm");
    fs::create_symlink(Dir + "/elsewhere/new.png", out + "/files/pics");
    r = Quarvel({"unpack", book, out});
    EXPECT_EQ(r.Status, 1);
    EXPECT_NE(r.Err.find("\"" + out + "/files/Index.htm\" is a symbolic link"), std::string::npos) << r.Err;
    r = Quarvel({"unpack", book, out, "--force"});
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(ReadFileText(Dir + "/elsewhere/Index.htm"), "victim");
    EXPECT_FALSE(fs::exists(Dir + "/elsewhere/new.png"));
    EXPECT_EQ(ReadFileText(out + "/files/Index.htm"), "index");
    EXPECT_EQ(ReadFileText(out + "/files/pics/a.png"), "png");
    // A second unpack meets the files of the first.
    r = Quarvel({"unpack", book, out});
    EXPECT_EQ(r.Status, 1);
    EXPECT_NE(r.Err.find("already exists; --force replaces it"), std::string::npos) << r.Err;
}

// 7. Stories nested tens of thousands deep are walked without recursion.
TEST_F(CliHostile, DeepStoriesNeitherCrashInspectNorCompile) {
    std::string story = "<Story>\r\n";
    for (int i = 0; i < 30000; ++i)
        story += "<item>\n";
    story += "<item page=\"\\Index.htm\" pagename=\"Deep\"/>";
    for (int i = 0; i < 30000; ++i)
        story += "</item>\n";
    story += "\r\n</Story>";
    auto system = fixture::TypicalBook().systemFiles;
    system["Story.xml"] = story;
    TRun r = Quarvel({"inspect", Book("deep.exe", TMFS(), system)});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_NE(r.Out.find("Deep  (\\Index.htm)"), std::string::npos);

    std::string chapters;
    for (int i = 0; i < 3000; ++i)
        chapters += "<item name=\"c\">";
    chapters += "<item name=\"p\" page=\"\\Index.htm\" RefCount=0/>";
    for (int i = 0; i < 3000; ++i)
        chapters += "</item>";
    r = Compile(Project("Deep", chapters + "\r\n"));
    EXPECT_EQ(r.Status, 0) << r.Err;
}

// 8. A FIFO or a device given as book, icon or page is refused at once.
TEST_F(CliHostile, FifosAndDevicesAreRefusedAtOnce) {
    const std::string fifo = Dir + "/pipe";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string book = Book("b.exe", TMFS());
    const std::vector<std::vector<std::string>> runs = {
        {"inspect", fifo},
        {"variables", fifo},
        {"brand", fifo},
        {"brand", book, "--icon", fifo},
        {"brand", book, "--icon", "/dev/zero"},
        {"unpack", "/dev/zero", Dir + "/u"},
        {"new", Dir + "/N.ebp", "--program-dir", Dir + "/prog", "--import-page", fifo}};
    for (const auto& args : runs) {
        const TRun r = Quarvel(args);
        EXPECT_EQ(r.Status, 1) << args[0] << " " << args[1];
        EXPECT_NE(r.Err.find("ot a regular file"), std::string::npos) << r.Err;
    }
}

// 9, 13. Links out of the project's folders and files clashing in letter case are
// warnings on stderr; neither the linked file nor the second name reaches the book. A
// name with a backslash is refused.
TEST_F(CliHostile, CompileLeavesOutLinksOutOfTheProjectAndNamesClashes) {
    const std::string project = Project("P");
    WriteFileText("SECRET", Dir + "/secret.txt");
    fs::create_symlink(Dir + "/secret.txt", Dir + "/P.files/leak.txt");
    fs::create_directory_symlink("/", Dir + "/P.files/root");
    WriteFileText("one", Dir + "/P.files/Same.htm");
    WriteFileText("two", Dir + "/P.files/same.htm");
    TRun r = Compile(project, {"--output", Dir + "/b.exe"});
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_NE(r.Err.find("quarvel compile: warning: Symbolic link \"" + Dir + "/P.files/leak.txt\" leads out of"),
              std::string::npos)
        << r.Err;
    EXPECT_NE(r.Err.find("\"" + Dir + "/P.files/root\" leads out of"), std::string::npos);
    EXPECT_NE(r.Err.find("\"" + Dir + "/P.files/Same.htm\" and \"" + Dir + "/P.files/same.htm\" differ only in"),
              std::string::npos)
        << r.Err;
    TMFS pages;
    UnpackStore(pages, ReadResource(Dir + "/b.exe", "RCDATA", "FILES_MFS"));
    EXPECT_FALSE(pages.Session()->Exists("\\leak.txt"));
    EXPECT_FALSE(pages.Session()->Exists("\\root"));
    EXPECT_EQ(pages.Session()->OpenFile("\\same.htm")->Content, "one");

    WriteFileText("x", Dir + "/P.files/a\\b.htm");
    r = Compile(project, {"--output", Dir + "/c.exe"});
    EXPECT_EQ(r.Status, 1);
    EXPECT_NE(r.Err.find("File \"" + Dir + "/P.files/a\\b.htm\" cannot go into a book"), std::string::npos)
        << r.Err;
}

// 10. Importing a page leaves out what it links by absolute path or file: URL from outside.
TEST_F(CliHostile, NewImportPageLeavesOutHostFiles) {
    WriteFileText("<html><body><img src=\"/etc/hostname\"><img src=\"file:///etc/passwd\">"
                  "<img src=\"pic.png\"></body></html>",
                  Dir + "/src/page.htm");
    WriteFileText("PIC", Dir + "/src/pic.png");
    const TRun r = Quarvel({"new", Dir + "/N.ebp", "--program-dir", Dir + "/prog", "--import-page",
                            Dir + "/src/page.htm"});
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_NE(r.Err.find("quarvel new: warning: Link \"/etc/hostname\""), std::string::npos) << r.Err;
    EXPECT_NE(r.Err.find("Link \"file:///etc/passwd\""), std::string::npos) << r.Err;
    EXPECT_FALSE(fs::exists(Dir + "/N.files/page0.files/hostname"));
    EXPECT_FALSE(fs::exists(Dir + "/N.files/page0.files/passwd"));
    EXPECT_EQ(ReadFileText(Dir + "/N.files/page0.files/pic.png"), "PIC");
}

// 11. A cabinet member claiming 2 GB and variables fanning out to gigabytes fail early.
TEST_F(CliHostile, BombsFailEarlyWithAClearMessage) {
    auto system = fixture::TypicalBook().systemFiles;
    std::string vars = "<vars>\r\n<var name=\"V0\">0123456789</var>\r\n";
    for (int level = 1; level < 10; ++level) {
        vars += "<var name=\"V" + std::to_string(level) + "\">";
        for (int i = 0; i < 10; ++i)
            vars += "%{V" + std::to_string(level - 1) + "}";
        vars += "</var>\r\n";
    }
    system["Variables.xml"] = vars + "</vars>\r\n";
    const std::string fan = Book("fan.exe", TMFS(), system);
    TRun r = Quarvel({"inspect", fan});
    EXPECT_EQ(r.Status, 1);
    EXPECT_NE(r.Err.find("\"" + fan + "\" (SYSTEM_MFS \\Variables.xml): The value of variable \"V7\" grows beyond"),
              std::string::npos)
        << r.Err;

    TMFS pages;
    pages.Session()->CreateFile("\\p.htm", 0, false)->Content = "p";
    const std::string book = Book("claim.exe", pages);
    std::string cabinet = ReadResource(book, "RCDATA", "FILES_MFS");
    const size_t entry = static_cast<unsigned char>(cabinet[16]) | static_cast<unsigned char>(cabinet[17]) << 8;
    cabinet.replace(entry, 4, std::string("\0\0\0\x80", 4));
    WriteRCDataResource(book, "FILES_MFS", cabinet);
    r = Quarvel({"unpack", book, Dir + "/u"});
    EXPECT_EQ(r.Status, 1);
    EXPECT_NE(r.Err.find("The book \"" + book + "\" is damaged and cannot be read.\npages: File \"info.mfs\" of "
                         "cabinet \"\\info.cab\" claims 2147483648 bytes"),
              std::string::npos)
        << r.Err;
}

// 14. A project file that is not a project is an error; missing story pages are warnings.
TEST_F(CliHostile, NoProjectIsAnErrorAndMissingPagesAreWarnings) {
    for (const std::string& text : {std::string(), std::string("garbage \x01\x02"), std::string("<vars/>")}) {
        WriteFileText(text, Dir + "/bad.ebp");
        const TRun r = Compile(Dir + "/bad.ebp");
        EXPECT_EQ(r.Status, 1);
        EXPECT_NE(r.Err.find(Dir + "/bad.ebp"), std::string::npos) << r.Err;
        EXPECT_FALSE(fs::exists(Dir + "/bad.exe"));
    }
    const TRun r = Compile(Project("P", "    <item name=\"Lost\" page=\"\\Lost.htm\" RefCount=0/>\r\n"));
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_NE(r.Err.find("quarvel compile: warning: Story page \"Lost\" names \"\\Lost.htm\", which is not among "
                         "the project's files"),
              std::string::npos)
        << r.Err;
}

// 15. Messages name the user's file and the resource, never a temporary copy; a full
// disk says so; a file given as folder says it is not a folder.
TEST_F(CliHostile, MessagesNameTheFileAndTheReason) {
    auto system = fixture::TypicalBook().systemFiles;
    system["System.xml"] = "not < xml";
    const std::string book = Book("b.exe", TMFS(), system);
    TRun r = Quarvel({"inspect", book});
    EXPECT_EQ(r.Status, 1);
    // The book module names the book and the system file; every command says the same.
    const std::string damaged = "The book \"" + book + "\" is damaged and cannot be read.\nSystem.xml: ";
    EXPECT_EQ(r.Err.rfind(damaged, 0), 0u) << r.Err;
    r = Quarvel({"variables", book});
    EXPECT_EQ(r.Status, 1);
    EXPECT_EQ(r.Err.rfind(damaged, 0), 0u) << r.Err;
    EXPECT_EQ(r.Err.find("eBookTemp"), std::string::npos);

    WriteFileText("x", Dir + "/file.txt");
    r = Quarvel({"new", Dir + "/N.ebp", "--program-dir", Dir + "/prog", "--import-folder", Dir + "/file.txt"});
    EXPECT_EQ(r.Status, 1);
    EXPECT_NE(r.Err.find("\"" + Dir + "/file.txt\" is not a folder"), std::string::npos) << r.Err;

    // Branding on a disk that is full: the book is named with the reason, and stays.
    const std::string disk = Dir + "/disk";
    fs::create_directories(disk);
    const std::string report = fixture::RunOnSmallDisk(disk, 256 * 1024, [&](bool onTmpfs) {
        fixture::WriteBook(disk + "/Garden.exe", fixture::TypicalBook());
        const std::string before = ReadFileText(disk + "/Garden.exe");
        fixture::FillSmallDisk(disk, onTmpfs, before.size() / 2);
        const TRun run = Quarvel({"brand", disk + "/Garden.exe", "--set", "Company=Full"});
        return std::to_string(run.Status) + "|" + (onTmpfs ? "tmpfs" : "limit") + "|" + run.Err + "|" +
               (ReadFileText(disk + "/Garden.exe") == before ? "same" : "changed");
    });
    EXPECT_EQ(report.rfind("1|", 0), 0u) << report;
    const bool onTmpfs = report.find("|tmpfs|") != std::string::npos;
    EXPECT_NE(report.find(onTmpfs ? "No space left on device" : "File too large"), std::string::npos) << report;
    EXPECT_NE(report.find("\"" + disk + "/Garden.exe\""), std::string::npos) << report;
    EXPECT_NE(report.find("|same"), std::string::npos) << report;
}

} // namespace
