// The reader program from start to end on a book in a module's resources: a copy of
// this test program made into a book (the system's resource updater writes the two
// cabinets into it), opened as a data file, and run with a stand-in view. Messages in
// batch mode are read from standard error.
#include "win_books.h"

#include "w_Dialogs.h"
#include "w_MainWindow.h"
#include "w_ReaderApp.h"
#include "w_Settings.h"
#include "w_Window.h"

#include "temp_folder.h"
#include "u_ReaderSettingsKey.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace winbooks;

namespace {

// A copy of this program carrying Resources as its book; empty when the system would not write them.
std::string MakeBookProgram(const TTempFolder& Folder, const std::string& Name,
                            const TBookResources& Resources) {
    const std::string path = Folder.File(Name);
    if (!CopyFileW(Wide(ModulePath(nullptr)).c_str(), Wide(path).c_str(), FALSE))
        return std::string();
    HANDLE update = BeginUpdateResourceW(Wide(path).c_str(), FALSE);
    if (!update)
        return std::string();
    bool ok = true;
    for (const auto& [name, data] :
         {std::pair<const wchar_t*, const std::string*>{L"FILES_MFS", &Resources.Pages},
          {L"SYSTEM_MFS", &Resources.System}})
        ok = ok && UpdateResourceW(update, L"RCDATA", name, MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
                                   const_cast<char*>(data->data()), DWORD(data->size()));
    return EndUpdateResourceW(update, !ok) && ok ? path : std::string();
}

// A book program opened for its resources, as the program finds its own.
class TBookModule {
public:
    explicit TBookModule(const std::string& Path) : FPath(Path) {
        FModule = LoadLibraryExW(Wide(Path).c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    }
    ~TBookModule() {
        if (FModule)
            FreeLibrary(FModule);
    }
    HMODULE Module() const { return FModule; }
    // Runs the reader on it; its standard error goes to Messages.
    int Run(const std::vector<std::string>& Args, const TViewFactory& Factory, std::string& Messages) const {
        HANDLE read = nullptr, write = nullptr;
        SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
        CreatePipe(&read, &write, &sa, 1 << 16);
        HANDLE saved = GetStdHandle(STD_ERROR_HANDLE);
        SetStdHandle(STD_ERROR_HANDLE, write);
        const int status = RunReader(FModule, FPath, Args, Factory);
        SetStdHandle(STD_ERROR_HANDLE, saved);
        SetBatchMode(false);
        CloseHandle(write);
        Messages.clear();
        char buffer[4096];
        DWORD got = 0;
        while (ReadFile(read, buffer, sizeof buffer, &got, nullptr) && got > 0)
            Messages.append(buffer, got);
        CloseHandle(read);
        return status;
    }

private:
    std::string FPath;
    HMODULE FModule = nullptr;
};

TViewFactory NoEngine() {
    return [](HWND, TBookViewEvents&, std::string& Error) -> std::unique_ptr<TBookView> {
        Error = "no engine here";
        return nullptr;
    };
}

} // namespace

TEST(ReaderProgram, WithoutABookItEndsWithStatusOne) {
    // This test program holds no book: "/check" says so, and the reader stops with 1.
    const std::string self = ModulePath(nullptr);
    EXPECT_EQ(RunReader(GetModuleHandleW(nullptr), self, {"/check"}, NoEngine()), 1);
    TBookModule none(self);
    std::string messages;
    EXPECT_EQ(none.Run({"--batch"}, NoEngine(), messages), 1);
    EXPECT_EQ(messages, "Pagelamp: \"tests_windows_reader.exe\" is not a book.\n");
    EXPECT_EQ(none.Run({"--batch", "--colour"}, NoEngine(), messages), 2);
    EXPECT_EQ(messages, "Pagelamp: unknown argument \"--colour\".\n");

    const TWinReaderArguments arguments = ParseWinReaderArguments({"--batch", "/check"});
    EXPECT_TRUE(arguments.Batch);
    EXPECT_TRUE(arguments.Check);
    EXPECT_TRUE(arguments.Error.empty());
}

TEST(ReaderProgram, BookRunsFromSplashToClosingAndRemembersThePage) {
    TTempFolder folder;
    TBookRecipe recipe;
    recipe.Options.Splash().SplashTypeS = vsSplash;
    recipe.Options.Splash().CloseOnClick = true;
    recipe.Options.Splash().Interval = 30;
    recipe.Options.Splash().SplashTypeE = vsPopUp;
    recipe.Options.Splash().PopUpTextE = "Fair winds from %{Title}.";
    recipe.SystemFiles["\\SplashS.bmp"] = Bmp(200, 100, 20, 80, 140);
    const std::string path = MakeBookProgram(folder, "Tides.exe", Resources(recipe));
    ASSERT_FALSE(path.empty());
    TBookModule book(path);
    ASSERT_NE(book.Module(), nullptr);
    EXPECT_EQ(CheckModuleBook(book.Module(), path), bcBook);

    // The splash first (a click ends it), then the window with the first page; closing
    // the window ends the program after the closing pop-up.
    TFakeViews views;
    bool splashSeen = false;
    TScript script({[&] {
                        HWND splash = FindWindowW(SplashClassName, nullptr);
                        if (!splash)
                            return false;
                        splashSeen = true;
                        HWND main = FindWindowW(MainClassName, nullptr);
                        EXPECT_TRUE(main && !IsWindowVisible(main))
                            << "the window is made, shown after the splash";
                        PostMessageW(splash, WM_LBUTTONUP, 0, 0);
                        return true;
                    },
                    [&] {
                        HWND main = FindWindowW(MainClassName, nullptr);
                        if (!main || !IsWindowVisible(main))
                            return false;
                        EXPECT_EQ(WindowText(main), "Tide Tables - Windows test");
                        PostMessageW(main, WM_CLOSE, 0, 0);
                        return true;
                    }});
    std::string messages;
    EXPECT_EQ(book.Run({"--batch"}, views.Factory(), messages), 0);
    EXPECT_TRUE(script.Finished());
    EXPECT_TRUE(splashSeen);
    EXPECT_EQ(views.Made.size(), 1u);
    EXPECT_EQ(views.Navigated, std::vector<std::string>{"book:/index.htm"});
    EXPECT_EQ(messages, "Fair winds from Tide Tables.\n") << "the closing pop-up, in batch mode";
    EXPECT_EQ(LoadBookSettings(path).LastPage, "\\index.htm");
    RegDeleteTreeW(HKEY_CURRENT_USER, Wide(BookSettingsKey(path)).c_str());
}

TEST(ReaderProgram, EveryFailedStartIsOneMessageNamingTheBook) {
    TTempFolder folder;
    std::string messages;

    // No HTML engine.
    TBookRecipe plain;
    const std::string path = MakeBookProgram(folder, "Tides.exe", Resources(plain));
    ASSERT_FALSE(path.empty());
    {
        TBookModule book(path);
        EXPECT_EQ(book.Run({"--batch"}, NoEngine(), messages), 1);
        EXPECT_EQ(messages,
                  "Pagelamp: Cannot show \"Tides.exe\": cannot create the HTML engine (no engine here).\n");
    }

    // A protected book cannot ask for its password in batch mode.
    TBookRecipe locked;
    locked.Decrypt = BuildDecryptXml({TBookProtection::Password, 0, {}});
    locked.Key = "gull rock";
    const std::string lockedPath = MakeBookProgram(folder, "Locked.exe", Resources(locked));
    ASSERT_FALSE(lockedPath.empty());
    {
        TBookModule book(lockedPath);
        EXPECT_EQ(CheckModuleBook(book.Module(), lockedPath), bcBook);
        EXPECT_EQ(book.Run({"--batch"}, NoEngine(), messages), 1);
        EXPECT_EQ(messages, "Pagelamp: \"Locked.exe\" is protected by a password.\n");
    }

    // A system cabinet that is no cabinet: damaged, for "/check" too.
    TBookResources damaged = Resources(plain);
    damaged.System = "MSCF but nothing more";
    const std::string damagedPath = MakeBookProgram(folder, "Damaged.exe", damaged);
    ASSERT_FALSE(damagedPath.empty());
    {
        TBookModule book(damagedPath);
        EXPECT_EQ(CheckModuleBook(book.Module(), damagedPath), bcDamaged);
        EXPECT_EQ(book.Run({"--batch"}, NoEngine(), messages), 1);
        EXPECT_EQ(messages.rfind("Pagelamp: The book \"Damaged.exe\" is damaged", 0), 0u) << messages;
        EXPECT_EQ(messages.find("Pagelamp:", 1), std::string::npos) << "one message: " << messages;
    }
}
