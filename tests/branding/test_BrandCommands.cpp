// The command line's "variables" and "brand" commands, run as the program itself.
#include "book_fixture.h"
#include "u_Branding.h"

#include "u_CaseBlind.h"

#include "temp_folder.h"

#include <memory>

#include <array>
#include <cstdio>
#include <functional>
#include <gtest/gtest.h>
#include <sys/wait.h>

namespace {

struct RunResult {
    int status = -1;
    std::string out;
};

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (const char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

RunResult Quarvel(const std::vector<std::string>& args) {
    std::string command = Quote(std::string(QUARVEL_BIN_DIR) + "/quarvel");
    for (const auto& a : args)
        command += " " + Quote(a);
    command += " 2>&1";
    RunResult result;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return result;
    std::array<char, 4096> buffer{};
    size_t n = 0;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        result.out.append(buffer.data(), n);
    const int status = ::pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

class BrandCommands : public ::testing::Test {
protected:
    void SetUp() override {
        FTempFolder = std::make_unique<TTempFolder>("tests-brand-cli");
        FDir = FTempFolder->Path();
        FBook = FDir + "/Garden.exe";
        fixture::WriteBook(FBook, fixture::TypicalBook());
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(FDir, ec);
    }
    std::unique_ptr<TTempFolder> FTempFolder; // the folder itself
    std::string FDir, FBook;
};

TEST_F(BrandCommands, VariablesListsTheGridRows) {
    const RunResult r = Quarvel({"variables", FBook});
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out,
              "author=Jane Doe\nCompany=Brevant Books\nLink=See Brevant Books\nPath=C:\\Books\\Garden\n");
}

TEST_F(BrandCommands, BrandDoesWhatUpdateDoes) {
    const std::string icon = FDir + "/new.ico";
    WriteFileText(fixture::IconFile(0xFF30A030), icon);
    const RunResult r =
        Quarvel({"brand", FBook, "--set", "Company=Acme <Press>", "--set=AUTHOR=Bo", "--icon", icon});
    ASSERT_EQ(r.status, 0) << r.out;

    TBrandingBook book;
    book.Open(FBook);
    EXPECT_EQ(book.Rows()[0].Value, "Bo");
    EXPECT_EQ(book.Rows()[1].Value, "Acme <Press>");
    EXPECT_EQ(book.Rows()[2].Value, "See Brevant Books") << "unset rows keep their values";
    EXPECT_EQ(book.IconData(), ReadIconGroupResource(FBook, TResName("MAINICON")));
    EXPECT_EQ(static_cast<unsigned char>(book.IconData()[6]), 32u);
}

TEST_F(BrandCommands, UnknownNameWritesNothing) {
    const std::string before = ReadFileText(FBook);
    RunResult r = Quarvel({"brand", FBook, "--set", "Company=X", "--set", "Title=Y"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("Variable \"Title\" is not brandable"), std::string::npos) << r.out;
    EXPECT_EQ(ReadFileText(FBook), before);
    r = Quarvel({"brand", FBook, "--icon", FDir + "/none.ico"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(ReadFileText(FBook), before);
    r = Quarvel({"brand"});
    EXPECT_EQ(r.status, 2);
    r = Quarvel({"variables", FDir + "/missing.exe"});
    EXPECT_EQ(r.status, 1);
}

// A book compiled from the shipped sample, branded from the command line.
TEST_F(BrandCommands, BrandsACompiledSample) {
    const std::string project = std::string(QUARVEL_SOURCE_DIR) + "/samples/Lighthouse/Lighthouse.ebp";
    if (!std::filesystem::exists(project) || Quarvel({"help", "compile"}).status != 0 ||
        !std::filesystem::exists(std::string(QUARVEL_BIN_DIR) + "/Pagelamp.exe"))
        GTEST_SKIP() << "no compiler, sample or reader program in this build";
    const std::string book = FDir + "/Lighthouse.exe";
    RunResult r = Quarvel({"compile", project, "--output", book});
    ASSERT_EQ(r.status, 0) << r.out;
    r = Quarvel({"variables", book});
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out, "Publisher=Harbour Lane Press\nWebsite=www.harbourlane.example\n");
    const std::string pages = ReadResource(book, TResName("RCDATA"), TResName("FILES_MFS"));
    TMFS before;
    fixture::ReadSystemImage(book, before);

    r = Quarvel({"brand", book, "--set", "Publisher=Stamp & Sons", "--set", "Website=C:\\site <here>"});
    ASSERT_EQ(r.status, 0) << r.out;
    r = Quarvel({"variables", book});
    EXPECT_EQ(r.out, "Publisher=Stamp & Sons\nWebsite=C:\\site <here>\n");
    EXPECT_EQ(ReadResource(book, TResName("RCDATA"), TResName("FILES_MFS")), pages);
    TMFS after;
    fixture::ReadSystemImage(book, after);
    // Every system file but the variables file comes back byte for byte.
    const std::function<void(TMFSFolder*)> compare = [&](TMFSFolder* folder) {
        for (TMFSItem* item : folder->Children()) {
            if (item->IsFolder()) {
                compare(item->AsFolder());
                continue;
            }
            const std::string path = item->FullPath();
            if (SameTextCaseBlind(path, "\\Variables.xml"))
                continue;
            ASSERT_TRUE(after.Session()->Exists(path)) << path;
            EXPECT_EQ(after.Session()->OpenFile(path)->Content, item->AsFile()->Content) << path;
        }
    };
    compare(before.Root());
}

} // namespace
