#include "book_fixture.h"
#include "u_Book.h"
#include "u_Branding.h"
#include "u_SpaceParser.h"
#include "u_SpaceXMLParser.h"
#include "u_Variables.h"

#include "temp_folder.h"

#include <memory>

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

using fixture::BookContent;

class BrandingTest : public ::testing::Test {
protected:
    void SetUp() override {
        FTempFolder = std::make_unique<TTempFolder>("tests-branding");
        FDir = FTempFolder->Path();
        FTemp = FDir + "/tmp";
        std::filesystem::create_directories(FTemp);
        const char* old = std::getenv("TMPDIR");
        FOldTmp = old ? old : "";
        ::setenv("TMPDIR", FTemp.c_str(), 1);
        FBookFile = FDir + "/Garden.exe";
    }
    void TearDown() override {
        if (FOldTmp.empty())
            ::unsetenv("TMPDIR");
        else
            ::setenv("TMPDIR", FOldTmp.c_str(), 1);
        std::error_code ec;
        std::filesystem::remove_all(FDir, ec);
    }

    std::string Book(const BookContent& content = fixture::TypicalBook()) {
        fixture::WriteBook(FBookFile, content);
        return FBookFile;
    }

    std::string StoredVariables() {
        TMFS image;
        fixture::ReadSystemImage(FBookFile, image);
        return image.Session()->OpenFile("Variables.xml")->Content;
    }

    std::unique_ptr<TTempFolder> FTempFolder; // the folder itself
    std::string FDir, FTemp, FOldTmp, FBookFile;
};

std::vector<std::string> Names(const std::vector<TBrandingRow>& rows) {
    std::vector<std::string> names;
    for (const auto& row : rows)
        names.push_back(row.Name);
    return names;
}

TEST_F(BrandingTest, OpenShowsTitleIconAndBrandableRowsInNameOrder) {
    TBrandingBook book;
    book.Open(Book());
    ASSERT_TRUE(book.Loaded());
    EXPECT_EQ(book.FileName(), FBookFile);
    // The title refers to a variable that is not brandable: its stored value, marker included.
    EXPECT_EQ(book.Title(), "$Garden Notes by Jane Doe");
    EXPECT_EQ(Names(book.Rows()), (std::vector<std::string>{"author", "Company", "Link", "Path"}));
    // A reference inside a brandable value is shown resolved; backslashes as read.
    EXPECT_EQ(book.Rows()[2].Value, "See Brevant Books");
    EXPECT_EQ(book.Rows()[3].Value, "C:\\Books\\Garden");
    EXPECT_EQ(book.IconData(), ReadIconGroupResource(FBookFile, TResName("MAINICON")));
    EXPECT_FALSE(book.IconData().empty());
    ASSERT_NE(book.VariableTable(), nullptr);
    EXPECT_EQ(book.VariableTable()->GetValue("Copyright"), "$(c) Brevant Books");
    EXPECT_EQ(book.OpenCount(), 1u);

    book.Close();
    EXPECT_FALSE(book.Loaded());
    EXPECT_TRUE(book.Rows().empty());
    EXPECT_EQ(book.VariableTable(), nullptr);
    EXPECT_EQ(book.SystemImage().Root()->ChildCount(), 0);
}

TEST_F(BrandingTest, VariablesFileHasNewValuesFirstThenEveryOldVariable) {
    TBrandingBook book;
    book.Open(Book());
    std::vector<TBrandingRow> rows = book.Rows();
    rows[0].Value = "John \"Q\" Public";
    rows[1].Value = "";
    EXPECT_EQ(book.BuildVariablesXml(rows), "<vars>\r\n"
                                            "<var name=\"author\">John \"Q\" Public</var>\r\n"
                                            "<var name=\"Company\"></var>\r\n"
                                            "<var name=\"Link\">See Brevant Books</var>\r\n"
                                            "<var name=\"Path\">C:\\\\Books\\\\Garden</var>\r\n"
                                            "<var name=\"author\">Jane Doe</var>\r\n"
                                            "<var name=\"Company\">Brevant Books</var>\r\n"
                                            "<var name=\"Copyright\">$(c) Brevant Books</var>\r\n"
                                            "<var name=\"Link\">See Brevant Books</var>\r\n"
                                            "<var name=\"Path\">C:\\\\Books\\\\Garden</var>\r\n"
                                            "<var name=\"Title\">$Garden Notes</var>\r\n"
                                            "</vars>\r\n");
    // A name holding a double quote is written with it doubled.
    EXPECT_NE(book.BuildVariablesXml({{"a\"b", "v"}}).find("<var name=\"a\"\"b\">v</var>"),
              std::string::npos);
}

TEST_F(BrandingTest, UpdateRewritesOnlyTheVariablesAndKeepsEverythingElse) {
    Book();
    const std::string pagesBefore = ReadResource(FBookFile, TResName("RCDATA"), TResName("FILES_MFS"));
    const std::string iconBefore = ReadIconGroupResource(FBookFile, TResName("MAINICON"));
    TMFS before;
    fixture::ReadSystemImage(FBookFile, before);

    TBrandingBook book;
    book.Open(FBookFile);
    std::vector<TBrandingRow> rows = book.Rows();
    rows[1].Value = "Acme Press";
    book.Update(rows, std::string());

    EXPECT_EQ(ReadResource(FBookFile, TResName("RCDATA"), TResName("FILES_MFS")), pagesBefore);
    EXPECT_EQ(ReadIconGroupResource(FBookFile, TResName("MAINICON")), iconBefore) << "no icon was loaded";
    TMFS after;
    fixture::ReadSystemImage(FBookFile, after);
    for (const char* path : {"System.xml", "Story.xml", "Decrypt.xml", "Toolbar.buttons\\Home.bmp"})
        EXPECT_EQ(after.Session()->OpenFile(path)->Content, before.Session()->OpenFile(path)->Content)
            << path;
    EXPECT_EQ(after.Session()->OpenFile("Variables.xml")->Content, book.BuildVariablesXml(rows));

    // Reopened, the new value is in effect; the variable that refers to it was written
    // resolved, so it keeps the old company.
    TBrandingBook again;
    again.Open(FBookFile);
    EXPECT_EQ(again.Rows()[1].Value, "Acme Press");
    EXPECT_EQ(again.Rows()[2].Value, "See Brevant Books");
    EXPECT_EQ(again.VariableTable()->GetValue("Copyright"), "$(c) Brevant Books");
    EXPECT_EQ(again.Title(), "$Garden Notes by Jane Doe");
}

TEST_F(BrandingTest, ValuesWithLessThanAndBackslashReadBackAsTyped) {
    TBrandingBook book;
    book.Open(Book());
    std::vector<TBrandingRow> rows = book.Rows();
    const std::string tricky = "<b>bold</b> & C:\\Temp\\ \"q\" 'a'\r\nsecond line\\";
    rows[0].Value = tricky;
    rows[3].Value = "D:\\Other";
    book.Update(rows, std::string());
    TBrandingBook again;
    again.Open(FBookFile);
    EXPECT_EQ(again.Rows()[0].Value, tricky);
    EXPECT_EQ(again.Rows()[3].Value, "D:\\Other");
    // Branding twice keeps them too (old values are written escaped as well).
    again.Update(again.Rows(), std::string());
    TBrandingBook third;
    third.Open(FBookFile);
    EXPECT_EQ(third.Rows()[0].Value, tricky);
}

TEST_F(BrandingTest, LeadingDollarStopsAVariableBeingBrandable) {
    TBrandingBook book;
    book.Open(Book());
    std::vector<TBrandingRow> rows = book.Rows();
    rows[0].Value = "$Locked";
    book.Update(rows, std::string());
    TBrandingBook again;
    again.Open(FBookFile);
    EXPECT_EQ(Names(again.Rows()), (std::vector<std::string>{"Company", "Link", "Path"}));
    EXPECT_EQ(again.VariableTable()->GetValue("author"), "$Locked");
    EXPECT_EQ(again.Title(), "$Garden Notes by $Locked");
}

TEST_F(BrandingTest, IconIsReplacedOnlyWhenOneIsGiven) {
    TBrandingBook book;
    book.Open(Book());
    const std::string red = fixture::IconFile(0xFFC02020, {48, 32, 16});
    book.Update(book.Rows(), red);
    const std::string stored = ReadIconGroupResource(FBookFile, TResName("MAINICON"));
    TBrandingBook again;
    again.Open(FBookFile);
    EXPECT_EQ(again.IconData(), stored);
    ASSERT_GE(stored.size(), 6u);
    EXPECT_EQ(stored[4], 3) << "all three images of the icon file";
    EXPECT_EQ(stored.substr(stored.size() - 16 * 16 * 4 - 64), red.substr(red.size() - 16 * 16 * 4 - 64));
}

TEST_F(BrandingTest, InvalidIconLeavesTheBookUntouched) {
    TBrandingBook book;
    book.Open(Book());
    const std::string bytes = ReadFileText(FBookFile);
    std::string cursor = fixture::IconFile(0xFF000000);
    cursor[2] = 2; // a cursor file
    EXPECT_THROW(book.Update(book.Rows(), cursor), EInvalidGraphic);
    EXPECT_THROW(book.Update(book.Rows(), "short"), EInvalidGraphic);
    EXPECT_EQ(ReadFileText(FBookFile), bytes);
    EXPECT_TRUE(book.Loaded());
    EXPECT_TRUE(fixture::FilesStartingWith(FDir, ".Garden.exe.").empty()) << "no work copy left";
}

TEST_F(BrandingTest, FailedUpdateLeavesTheBookAsItWas) {
    TBrandingBook book;
    book.Open(Book());
    const std::string bytes = ReadFileText(FBookFile);
    // The book has gone from under the open window: nothing is written anywhere.
    std::filesystem::rename(FBookFile, FBookFile + ".moved");
    std::vector<TBrandingRow> rows = book.Rows();
    rows[0].Value = "Lost?";
    EXPECT_THROW(book.Update(rows, fixture::IconFile(0xFF00FF00)), EOSError);
    EXPECT_FALSE(std::filesystem::exists(FBookFile));
    EXPECT_EQ(ReadFileText(FBookFile + ".moved"), bytes);
    EXPECT_TRUE(book.Loaded());
    EXPECT_EQ(book.Rows()[0].Value, "Jane Doe");
}

TEST_F(BrandingTest, UpdateKeepsTheBookFilePermissions) {
    Book();
    ASSERT_EQ(::chmod(FBookFile.c_str(), 0751), 0);
    TBrandingBook book;
    book.Open(FBookFile);
    book.Update(book.Rows(), std::string());
    struct stat info {};
    ASSERT_EQ(::stat(FBookFile.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0751u);
    EXPECT_TRUE(fixture::FilesStartingWith(FDir, ".Garden.exe.").empty());
}

TEST_F(BrandingTest, BookOpenedThroughALinkIsBrandedWhereItLives) {
    Book();
    const std::string link = FDir + "/link.exe";
    std::filesystem::create_symlink(FBookFile, link);
    TBrandingBook book;
    book.Open(link);
    std::vector<TBrandingRow> rows = book.Rows();
    rows[0].Value = "Linked";
    book.Update(rows, std::string());
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    TBrandingBook again;
    again.Open(FBookFile);
    EXPECT_EQ(again.Rows()[0].Value, "Linked");
}

TEST_F(BrandingTest, BookWithoutSystemResourceIsNotABook) {
    BookContent content = fixture::TypicalBook();
    content.withSystem = false;
    TBrandingBook book;
    try {
        book.Open(Book(content));
        FAIL() << "opened";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "\"" + FBookFile + "\" is not a book.");
    }
    EXPECT_FALSE(book.Loaded());
    EXPECT_TRUE(fixture::FilesStartingWith(FTemp, "eBookTemp").empty()) << "the temporary copy is gone";
}

TEST_F(BrandingTest, OpeningFailuresNameTheirCause) {
    TBrandingBook book;
    {
        BookContent content = fixture::TypicalBook();
        content.systemFiles.erase("System.xml");
        try {
            book.Open(Book(content));
            FAIL() << "opened";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), "\"" + FBookFile + "\" is not a book.");
        }
    }
    {
        BookContent content = fixture::TypicalBook();
        content.systemFiles["Variables.xml"] = fixture::VariablesFile({{"A", "%{B}"}, {"B", "%{A}"}});
        try {
            book.Open(Book(content));
            FAIL() << "opened";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), "Cycling reference encountered during loading variable \"A\"");
        }
    }
    // A cabinet without "info.mfs", and one whose "info.mfs" is no image.
    auto cabinetWith = [](const std::string& member, const std::string& content) {
        TMFS work;
        work.Session()->CreateFile(member, 0, true)->Content = content;
        {
            TMFSCabWriter writer(work.Session(), "", "System.cab");
            writer.AddFile(member);
            writer.Flush();
        }
        return work.Session()->OpenFile("\\System.cab")->Content;
    };
    const std::pair<std::string, std::string> cabinets[] = {
        {cabinetWith("\\other.txt", "x"), "File \"\\info.mfs\" not found"},
        {cabinetWith("\\info.mfs", "not an image"), "Incorrect serialized format"}};
    for (const auto& [cabinet, message] : cabinets) {
        fixture::WriteBook(FBookFile, fixture::TypicalBook());
        WriteRCDataResource(FBookFile, TResName("SYSTEM_MFS"), cabinet);
        try {
            book.Open(FBookFile);
            FAIL() << "opened";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(),
                      "The book \"" + FBookFile + "\" is damaged and cannot be read.\nsystem files: " + message);
        }
    }
    // Not a program at all, and no file at all.
    WriteFileText("just text", FDir + "/text.exe");
    try {
        book.Open(FDir + "/text.exe");
        FAIL() << "opened";
    } catch (const EBookError& e) {
        EXPECT_EQ(e.Message(), "\"" + FDir + "/text.exe\" is not a book.");
    }
    try {
        book.Open(FDir + "/missing.exe");
        FAIL() << "opened";
    } catch (const EBookError& e) {
        EXPECT_EQ(e.Message(), "Cannot open \"" + FDir + "/missing.exe\". The file does not exist.");
    }
    EXPECT_FALSE(book.Loaded());
    EXPECT_TRUE(fixture::FilesStartingWith(FTemp, "eBookTemp").empty());
}

TEST_F(BrandingTest, OpeningReadsTheBookInPlaceWithoutTemporaryFiles) {
    Book();
    // Not even a temporary folder that takes no new file stops an opening.
    ::setenv("TMPDIR", "/proc", 1);
    TBrandingBook book;
    book.Open(FBookFile);
    book.Open(FBookFile);
    EXPECT_TRUE(book.Loaded());
    EXPECT_EQ(book.OpenCount(), 2u);
    ::setenv("TMPDIR", FTemp.c_str(), 1);
    book.Open(FBookFile);
    EXPECT_TRUE(std::filesystem::is_empty(FTemp));
    EXPECT_EQ(book.OpenCount(), 3u);
}

// Without a "Variables" attribute the variables are those of the compiler's
// "\Variables.xml", read and written back there (as the readers read them).
TEST_F(BrandingTest, VariablesWithoutAttributeAreTheCompilersFile) {
    BookContent content = fixture::TypicalBook();
    content.systemFiles["System.xml"] = fixture::SystemXml("%{Title}", "");
    TBrandingBook book;
    book.Open(Book(content));
    EXPECT_EQ(book.Title(), "$Garden Notes");
    EXPECT_EQ(Names(book.Rows()), (std::vector<std::string>{"author", "Company", "Link", "Path"}));
    book.Update({{"Company", "Tern Press"}}, std::string());
    book.Open(FBookFile);
    EXPECT_EQ(book.Rows()[1].Value, "Tern Press");
}

TEST_F(BrandingTest, BookWithoutVariablesOrIconOpensEmpty) {
    BookContent content;
    content.systemFiles["System.xml"] = fixture::SystemXml("Plain", "");
    content.icon.clear();
    TBrandingBook book;
    book.Open(Book(content));
    EXPECT_TRUE(book.Rows().empty());
    EXPECT_TRUE(book.IconData().empty());
    EXPECT_EQ(book.Title(), "Plain");
    // Update still rewrites the system resource; the variables file gets the default name.
    book.Update({}, std::string());
    TMFS image;
    fixture::ReadSystemImage(FBookFile, image);
    EXPECT_EQ(image.Session()->OpenFile("\\Variables.xml")->Content, "<vars>\r\n</vars>\r\n");
}

TEST_F(BrandingTest, VariablesFileNamedBySystemXmlIsTheOneRewritten) {
    BookContent content = fixture::TypicalBook();
    content.systemFiles.erase("Variables.xml");
    content.systemFiles["System.xml"] = fixture::SystemXml("%{Name}", "Data\\Vars.xml");
    content.systemFiles["Data\\Vars.xml"] = fixture::VariablesFile({{"Name", "Old"}});
    TBrandingBook book;
    book.Open(Book(content));
    EXPECT_EQ(book.Title(), "Old");
    book.Update({{"Name", "New"}}, std::string());
    TBrandingBook again;
    again.Open(FBookFile);
    EXPECT_EQ(again.Title(), "New");
    EXPECT_FALSE(again.SystemImage().Session()->Exists("\\Variables.xml"));
}

TEST(BrandingSettings, SettingsApplyByNameAndRefuseUnknownNames) {
    std::vector<TBrandingRow> rows = {{"Author", "A"}, {"Company", "C"}};
    ApplyBrandingSettings(rows, {"author=New=Value", "Company="});
    EXPECT_EQ(rows[0].Value, "New=Value");
    EXPECT_EQ(rows[1].Value, "");
    const auto before = rows;
    EXPECT_THROW(ApplyBrandingSettings(rows, {"Author=X", "Title=Y"}), EBrandingError);
    EXPECT_THROW(ApplyBrandingSettings(rows, {"NoEquals"}), EBrandingError);
    EXPECT_THROW(ApplyBrandingSettings(rows, {"=x"}), EBrandingError);
    EXPECT_EQ(rows[0].Value, before[0].Value) << "nothing changes on an error";
}

TEST(BrandingSettings, EscapeAndIconCheck) {
    EXPECT_EQ(EscapeXmlContent("a<b\\c>&d"), "a\\<b\\\\c>&d");
    EXPECT_TRUE(IsIconFileData(fixture::IconFile(0xFF000000)));
    std::string cut = fixture::IconFile(0xFF000000);
    cut.resize(cut.size() - 1);
    EXPECT_FALSE(IsIconFileData(cut));
    EXPECT_FALSE(IsIconFileData(std::string("\0\0\1\0\0\0", 6))) << "no images";
}

} // namespace

namespace {

// The shipped reader program, branded like a compiled book (when the build made it).
TEST_F(BrandingTest, BrandsABookMadeFromTheReaderProgram) {
    const std::string reader = std::string(QUARVEL_BIN_DIR) + "/Pagelamp.exe";
    if (!std::filesystem::exists(reader))
        GTEST_SKIP() << "the reader program is not built";
    fixture::WriteBook(FBookFile, fixture::TypicalBook(), ReadFileText(reader));
    const std::string pages = ReadResource(FBookFile, TResName("RCDATA"), TResName("FILES_MFS"));
    TBrandingBook book;
    book.Open(FBookFile);
    std::vector<TBrandingRow> rows = book.Rows();
    rows[0].Value = "Reader Test";
    book.Update(rows, fixture::IconFile(0xFF808000, {32}));
    TBrandingBook again;
    again.Open(FBookFile);
    EXPECT_EQ(again.Rows()[0].Value, "Reader Test");
    EXPECT_EQ(again.IconData(), ReadIconGroupResource(FBookFile, TResName("MAINICON")));
    EXPECT_EQ(ReadResource(FBookFile, TResName("RCDATA"), TResName("FILES_MFS")), pages);
}

} // namespace

namespace {

// A book is replaced only by a complete new file beside it; when none can be written
// (no room left), the error names the book and the reason and the book stays as it was.
TEST_F(BrandingTest, UpdateOnAFullDiskLeavesTheBookByteForByte) {
    const std::string disk = FDir + "/disk";
    std::filesystem::create_directories(disk);
    const std::string book = disk + "/Garden.exe";
    const std::string report = fixture::RunOnSmallDisk(disk, 256 * 1024, [&](bool onTmpfs) {
        fixture::WriteBook(book, fixture::TypicalBook());
        const std::string before = ReadFileText(book);
        TBrandingBook branding;
        branding.Open(book);
        fixture::FillSmallDisk(disk, onTmpfs, before.size() / 2);
        std::vector<TBrandingRow> rows = branding.Rows();
        rows[0].Value = "Cut?";
        std::string message = "no error";
        try {
            branding.Update(rows, fixture::IconFile(0xFF00FF00));
        } catch (const Exception& e) {
            message = e.Message();
        }
        const bool same = ReadFileText(book) == before;
        const auto leftovers = fixture::FilesStartingWith(disk, ".Garden.exe.");
        return std::string(onTmpfs ? "tmpfs" : "limit") + "|" + message + "|" + (same ? "same" : "changed") + "|" +
               std::to_string(leftovers.size());
    });
    ASSERT_NE(report, "child failed");
    const bool onTmpfs = report.rfind("tmpfs", 0) == 0;
    EXPECT_NE(report.find("\"" + book + "\""), std::string::npos) << report;
    EXPECT_NE(report.find(SysErrorMessage(onTmpfs ? ENOSPC : EFBIG)), std::string::npos) << report;
    EXPECT_NE(report.find("|same|0"), std::string::npos) << report;
}

// The owner, group and mode (set-group-ID included) survive a brand run by root; a hard
// link to the book keeps the old book, as the book is replaced, not written through.
TEST_F(BrandingTest, UpdateKeepsOwnerGroupAndModeAndReplacesHardLinkedBooks) {
    Book();
    const std::string other = FDir + "/other.exe";
    ASSERT_EQ(::link(FBookFile.c_str(), other.c_str()), 0);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(FBookFile.c_str(), 4321, 8765), 0);
    }
    ASSERT_EQ(::chmod(FBookFile.c_str(), 02751), 0);
    const std::string before = ReadFileText(FBookFile);
    TBrandingBook book;
    book.Open(FBookFile);
    std::vector<TBrandingRow> rows = book.Rows();
    rows[0].Value = "Owner Kept";
    book.Update(rows, std::string());
    struct stat info {};
    ASSERT_EQ(::stat(FBookFile.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 02751u);
    if (root) {
        EXPECT_EQ(info.st_uid, 4321u);
        EXPECT_EQ(info.st_gid, 8765u);
    }
    EXPECT_EQ(info.st_nlink, 1u);
    EXPECT_EQ(ReadFileText(other), before);
    TBrandingBook again;
    again.Open(FBookFile);
    EXPECT_EQ(again.Rows()[0].Value, "Owner Kept");
}

// Whatever is typed, a book that Update wrote opens again: long values on lines of their
// own go in, a line longer than the reader's window, a zero byte and a reference cycle are
// refused before anything is written.
TEST_F(BrandingTest, EveryBrandedBookOpensAgain) {
    TBrandingBook book;
    book.Open(Book());
    const std::string before = ReadFileText(FBookFile);
    const std::string window(TSpaceParser::BufferSize, 'w');
    const std::pair<std::string, std::string> refused[] = {
        {window, "The value of \"author\" makes a line of"},
        {std::string("zero\0byte", 9), "The value of \"author\" holds a zero byte"},
        {"%{Company} and %{author}", "Cycling reference encountered during loading variable"}};
    for (const auto& [value, message] : refused) {
        std::vector<TBrandingRow> rows = book.Rows();
        rows[0].Value = value;
        try {
            book.Update(rows, std::string());
            FAIL() << "written: " << message;
        } catch (const EBrandingError& e) {
            EXPECT_NE(e.Message().find(message), std::string::npos) << e.Message();
        }
        EXPECT_EQ(ReadFileText(FBookFile), before);
    }
    // Three brands with long values (each under the window, the file well over it).
    const std::string third(TSpaceParser::BufferSize / 3, 't');
    for (int run = 0; run < 3; ++run) {
        book.Open(FBookFile);
        std::vector<TBrandingRow> rows = book.Rows();
        rows[static_cast<size_t>(run)].Value = third + std::to_string(run);
        rows[3].Value = third + "\r\n" + third + "\r\n" + third; // lines of its own
        book.Update(rows, std::string());
    }
    TBrandingBook again;
    again.Open(FBookFile);
    EXPECT_EQ(again.Rows()[0].Value, third + "0");
    EXPECT_EQ(again.Rows()[2].Value, third + "2");
    EXPECT_EQ(again.Rows()[3].Value, third + "\r\n" + third + "\r\n" + third);
    EXPECT_GT(StoredVariables().size(), static_cast<size_t>(TSpaceParser::BufferSize));
}

// A FIFO or a device given as book or icon is refused at once, never waited for or read.
TEST_F(BrandingTest, FifosAndDevicesAreRefusedAtOnce) {
    const std::string fifo = FDir + "/pipe.exe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    TBrandingBook book;
    for (const std::string& name : {fifo, std::string("/dev/zero")}) {
        try {
            book.Open(name);
            FAIL() << "opened " << name;
        } catch (const EBookError& e) {
            EXPECT_EQ(e.Message(), "\"" + name + "\" is not a book: it is not a regular file.");
        }
        EXPECT_THROW(LoadIconFile(name), EFOpenError);
    }
    EXPECT_FALSE(book.Loaded());
}

// An icon with the most directory entries an icon file can have is written and read back.
TEST_F(BrandingTest, IconWithSixtyFiveThousandImages) {
    const uint32_t count = 65535;
    const std::string icon = fixture::IconWithEntries(count);
    TBrandingBook book;
    book.Open(Book());
    book.Update(book.Rows(), icon);
    const std::string stored = ReadIconGroupResource(FBookFile, TResName("MAINICON"));
    ASSERT_GE(stored.size(), 6u);
    EXPECT_EQ(static_cast<unsigned char>(stored[4]) | static_cast<unsigned char>(stored[5]) << 8, 65535);
    EXPECT_EQ(stored.size(), 6 + 56 * size_t{count});
    // The checksum is right whether the commit worked it out from the old one (a sound
    // one, written by the first update) or summed every byte.
    for (int round = 0; round < 2; ++round) {
        const std::string bytes = ReadFileText(FBookFile);
        const size_t at = 0x40 + 24 + 64;
        const uint32_t field = static_cast<uint8_t>(bytes[at]) | static_cast<uint8_t>(bytes[at + 1]) << 8 |
                               static_cast<uint8_t>(bytes[at + 2]) << 16 |
                               static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 3])) << 24;
        EXPECT_EQ(field, PEImageChecksum(bytes.data(), bytes.size(), at));
        book.Open(FBookFile);
        book.Update(book.Rows(), fixture::IconFile(0xFF102030, {16}));
    }
}

} // namespace
