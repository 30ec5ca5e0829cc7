// The editor with a program folder it may not write, as in an installed kit: what it
// saves of its own goes to the user's data folder, is read from there first, and a
// save that cannot be written loses nothing.
#include "fram_StoryTree.h"
#include "main_helpers.h"
#include "u_ProgramFolder.h"
#include "u_Project.h"

#include <QCryptographicHash>

#include <filesystem>

namespace {

// The shipped data an installed program folder holds.
const char* const ShippedData[] = {"DefaultProject", "Templates",  "System",      "Tips",        "Special",
                                   "Help",           "Splash.bmp", "License.txt", "Pagelamp.exe"};

// Every entry below a folder: relative path -> a digest of its content ("" for folders).
std::map<QString, QByteArray> Snapshot(const QString& Folder) {
    std::map<QString, QByteArray> result;
    QDirIterator it(Folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QByteArray digest;
        QFile file(path);
        if (QFileInfo(path).isFile() && file.open(QIODevice::ReadOnly))
            digest = QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
        result[QDir(Folder).relativeFilePath(path)] = digest;
    }
    return result;
}

void SetWritable(const std::string& Folder, bool Writable) {
    namespace fs = std::filesystem;
    const auto bits = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    const auto how = Writable ? fs::perm_options::add : fs::perm_options::remove;
    std::error_code ec;
    for (const auto& entry : fs::recursive_directory_iterator(Folder, ec))
        if (!entry.is_symlink())
            fs::permissions(entry.path(), Writable ? fs::perms::owner_write : bits, how, ec);
    fs::permissions(Folder, Writable ? fs::perms::owner_write : bits, how, ec);
}

// The program folder under test is the installed one that QUARVEL_TEST_PROGRAM_FOLDER
// names (the installed-kit test mounts it read-only), else a copy of the build's shipped
// data without write permission. Root may write such a copy all the same, so every test
// also compares the folder's snapshot before and after.
class InstalledFolderTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        const QByteArray given = qgetenv("QUARVEL_TEST_PROGRAM_FOLDER");
        if (!given.isEmpty()) {
            Program = QString::fromLocal8Bit(given);
        } else {
            Program = Copy.path();
            for (const char* name : ShippedData) {
                const QString from = QStringLiteral(QUARVEL_BIN_DIR "/") + QLatin1String(name);
                if (QFileInfo(from).isDir())
                    CopyFolder(from, Copy.filePath(QLatin1String(name)));
                else if (QFileInfo::exists(from))
                    QFile::copy(from, Copy.filePath(QLatin1String(name)));
            }
            SetWritable(Program.toStdString(), false);
        }
        Before = Snapshot(Program);
        ASSERT_FALSE(Before.empty());
        UserFolder = User.filePath(QStringLiteral("data")).toStdString() + "/";
        SetProgramFolder(Program.toStdString());
        SetUserDataFolder(UserFolder);
    }
    void TearDown() override {
        MainWindowTest::TearDown();
        SetProgramFolder(QUARVEL_BIN_DIR "/");
        SetUserDataFolder(std::string());
        SetWritable(Copy.path().toStdString(), true);
    }
    bool ErrorShown() const {
        for (const TDialogRequest& r : Asked)
            if (r.Type == TMsgDlgType::mtError)
                return true;
        return false;
    }

    QTemporaryDir Copy;
    QTemporaryDir User;
    QString Program;
    std::string UserFolder;
    std::map<QString, QByteArray> Before;
};

} // namespace

TEST_F(InstalledFolderTest, SaveAsDefaultGoesToTheUsersFolderAndNewProjectsStartFromIt) {
    const std::string project = CopySample(Folder);
    TfrmMain& w = Start({QStringLiteral("tomewright"), QString::fromStdString(project)});
    ASSERT_TRUE(w.Project().IsOpen());
    // Out of the box a new project is the shipped default.
    EXPECT_EQ(TBookProject::DefaultProjectFileName(),
              Program.toStdString() + "/DefaultProject/DefaultProject.ebp");

    w.Project().RenameItem(w.Project().Story().Items(0), "My usual first page");
    Idle();
    ASSERT_TRUE(Named<QAction>(w, "actSaveProjectAsDefault")->isEnabled());
    Named<QAction>(w, "actSaveProjectAsDefault")->trigger();
    EXPECT_FALSE(ErrorShown()) << (Asked.empty() ? std::string() : Asked.back().Text);
    EXPECT_EQ(Snapshot(Program), Before) << "the program folder was written";
    const QString saved = QString::fromStdString(UserFolder + "DefaultProject/DefaultProject.ebp");
    EXPECT_TRUE(QFileInfo::exists(saved));
    EXPECT_TRUE(QFileInfo::exists(
        QString::fromStdString(UserFolder + "DefaultProject/DefaultProject.files/Index.htm")));
    // The open project is as it was: still its own file, still modified.
    EXPECT_EQ(w.Project().FileName(), project);
    EXPECT_TRUE(w.Project().Modified());
    EXPECT_EQ(w.Project().RecentList().front(), project);

    // Close without saving; a new project starts from the user's default.
    Answer("Save changes to project Lighthouse?", QMessageBox::No);
    Named<QAction>(w, "actCloseProject")->trigger();
    ASSERT_FALSE(w.Project().IsOpen());
    Named<QAction>(w, "actNewProject")->trigger();
    ASSERT_TRUE(w.Project().IsOpen());
    EXPECT_EQ(w.Project().FileName(), "");
    EXPECT_EQ(w.Project().Story().Items(0)->Name, "My usual first page");
    EXPECT_EQ(w.Project().Options().ApplicationTitle, "The Lamp on Gull Rock");
    EXPECT_EQ(Named<QTreeWidget>(w, "tvProject")->topLevelItem(0)->text(0), QStringLiteral("My usual first page"));
    EXPECT_EQ(Snapshot(Program), Before);
}

TEST_F(InstalledFolderTest, SaveAsDefaultThatCannotBeWrittenIsReportedAndLosesNothing) {
    // A file where the user's data folder should be: nothing can be written below it.
    QFile blocker(QString::fromStdString(UserFolder).chopped(1));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.write("in the way");
    blocker.close();
    const std::string project = CopySample(Folder);
    TfrmMain& w = Start({QStringLiteral("tomewright"), QString::fromStdString(project)});
    ASSERT_TRUE(w.Project().IsOpen());
    w.Project().RenameItem(w.Project().Story().Items(0), "Unsaved work");
    Idle();
    Named<QAction>(w, "actSaveProjectAsDefault")->trigger();
    EXPECT_TRUE(ErrorShown());
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(w.Project().IsOpen());
    EXPECT_TRUE(w.Project().Modified());
    EXPECT_EQ(w.Project().FileName(), project);
    EXPECT_EQ(Snapshot(Program), Before);

    // The work is saved where the user keeps the project.
    Named<QAction>(w, "actSaveProject")->trigger();
    EXPECT_FALSE(w.Project().Modified());
    TBookProject again;
    again.OpenProject(project, false);
    EXPECT_EQ(again.Story().Items(0)->Name, "Unsaved work");
    // New projects still start from the shipped default.
    EXPECT_EQ(TBookProject::DefaultProjectFileName(),
              Program.toStdString() + "/DefaultProject/DefaultProject.ebp");
}
