#include "w_ReaderApp.h"

#include "w_BookProtocol.h"
#include "w_Dialogs.h"
#include "w_MainWindow.h"
#include "w_Pictures.h"
#include "w_Text.h"

#include "u_BookLayout.h"
#include "u_ReaderBook.h"
#include "u_ReaderProtocol.h"
#include "u_ReaderSession.h"

#include <commctrl.h>
#include <ole2.h>
#include <shellapi.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

// The bytes of a resource of Module named by text; empty when it is missing.
std::string_view ModuleResource(HMODULE Module, const wchar_t* Name, const wchar_t* Type) {
    HRSRC found = FindResourceW(Module, Name, Type);
    if (!found)
        return {};
    HGLOBAL loaded = LoadResource(Module, found);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data)
        return {};
    return {static_cast<const char*>(data), SizeofResource(Module, found)};
}

// The icon group "MAINICON" as an icon file: the group's 14-byte entries name icon
// resources by number, the file's 16-byte entries point at the images by offset.
std::string ModuleIcon(HMODULE Module) {
    const std::string_view group = ModuleResource(Module, L"MAINICON",
                                                  MAKEINTRESOURCEW(14)); // RT_GROUP_ICON
    if (group.size() < 6)
        return {};
    const auto* g = reinterpret_cast<const unsigned char*>(group.data());
    const size_t count = size_t(g[4]) | size_t(g[5]) << 8;
    std::vector<std::string_view> images;
    std::string file(group.substr(0, 6));
    std::string entries;
    size_t offset = 6 + 16 * count;
    for (size_t i = 0; i < count && 6 + 14 * (i + 1) <= group.size(); ++i) {
        const unsigned char* e = g + 6 + 14 * i;
        const WORD id = WORD(e[12] | e[13] << 8);
        const std::string_view image = ModuleResource(Module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(3)); // RT_ICON
        if (image.empty())
            return {};
        std::string entry(reinterpret_cast<const char*>(e), 8);
        const uint32_t size = uint32_t(image.size());
        for (uint32_t v : {size, uint32_t(offset)})
            for (int b = 0; b < 4; ++b)
                entry += char((v >> (8 * b)) & 0xFF);
        entries += entry;
        images.push_back(image);
        offset += image.size();
    }
    file[4] = char(images.size() & 0xFF);
    file[5] = char(images.size() >> 8);
    file += entries;
    for (std::string_view image : images)
        file += image;
    return file;
}

std::string BaseName(const std::string& Path) {
    const size_t slash = Path.find_last_of("\\/");
    return slash == std::string::npos ? Path : Path.substr(slash + 1);
}

// The one message of a start that failed.
int StartFailed(const std::string& Text) {
    ShowError(nullptr, "Pagelamp", Text);
    return 1;
}

// The splash picture or the pop-up text of the start or the end.
void ShowSplashOrPopUp(const TReaderBook& Book, TSplashType Type, const char* Picture, const std::string& PopUpText,
                       HWND Owner) {
    const TSplashOptions& splash = Book.Options().Splash();
    if (Type == vsSplash) {
        if (HBITMAP picture = LoadBookPicture(Book.SystemFile(Picture))) {
            ShowSplash(picture, 1000 * std::clamp(splash.Interval, 1, 60), splash.CloseOnClick);
            DeleteObject(picture);
        }
    } else if (Type == vsPopUp && !PopUpText.empty()) {
        if (BatchMode())
            WriteStdErr(Book.Expand(PopUpText));
        else
            MessageBoxW(Owner, Wide(Book.Expand(PopUpText)).c_str(), Wide(Book.Title()).c_str(),
                        MB_OK | MB_ICONINFORMATION);
    }
}

int Read(HMODULE Module, const std::string& Path, const TViewFactory& Factory) {
    const std::string name = BaseName(Path);
    TBookResources resources;
    if (!ReadModuleBook(Module, resources))
        return StartFailed(Format(SNotABook, name));
    std::unique_ptr<TReaderBook> book;
    try {
        book = std::make_unique<TReaderBook>(std::move(resources), name);
    } catch (const std::exception& e) {
        return StartFailed(e.what());
    }

    // The security questions.
    if (book->Locked()) {
        if (BatchMode())
            return StartFailed("\"" + name + "\" is protected by a password.");
        HICON icon = LoadBookIcon(book->Icon(), GetSystemMetrics(SM_CXICON));
        TUnlockResult result;
        try {
            result = AskPasswords(*book, nullptr, false, icon);
        } catch (const std::exception& e) {
            result = TUnlockResult::Cancelled;
            ShowError(nullptr, "Pagelamp", e.what());
        }
        if (icon)
            DestroyIcon(icon);
        if (result == TUnlockResult::Refused)
            return StartFailed("\"" + name + "\": " + SBookStaysClosed);
        if (result == TUnlockResult::Cancelled)
            return 1;
    }

    TReaderSession session(*book);
    std::string error;
    if (!RegisterBookProtocol([&session](const std::string& url) { return AnswerBookRequest(session, url); },
                              error))
        return StartFailed("Cannot show \"" + name + "\": the book protocol cannot be registered (" + error + ").");
    struct TUnregister {
        ~TUnregister() { UnregisterBookProtocol(); }
    } unregister;

    TMainWindow window(session, Factory, Path);
    if (!window.Create(error))
        return StartFailed("Cannot show \"" + name + "\": cannot create the HTML engine (" + error + ").");
    bool closed = false;
    window.OnClosed = [&closed] { closed = true; };
    // The first page loads while the splash is up.
    window.Start();
    const TSplashOptions& splash = book->Options().Splash();
    ShowSplashOrPopUp(*book, splash.SplashTypeS, SplashStartFile, splash.PopUpTextS, nullptr);
    window.Show();

    MSG msg;
    while (!closed) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got <= 0)
            break;
        if (window.PreTranslate(msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    ShowSplashOrPopUp(*book, splash.SplashTypeE, SplashEndFile, splash.PopUpTextE, nullptr);
    return 0;
}

} // namespace

TWinReaderArguments ParseWinReaderArguments(const std::vector<std::string>& Args) {
    TWinReaderArguments arguments;
    for (const std::string& arg : Args) {
        if (arg == "/check" || arg == "-check" || arg == "--check")
            arguments.Check = true;
        else if (arg == "--batch" || arg == "/batch")
            arguments.Batch = true;
        else if (arguments.Error.empty())
            arguments.Error = "unknown argument \"" + arg + "\"";
    }
    return arguments;
}

bool ReadModuleBook(HMODULE Module, TBookResources& Resources) {
    const wchar_t* type = L"RCDATA";
    const std::string_view pages = ModuleResource(Module, L"FILES_MFS", type);
    const std::string_view system = ModuleResource(Module, L"SYSTEM_MFS", type);
    if (pages.empty() && system.empty())
        return false;
    Resources.Pages.assign(pages);
    Resources.PagesSize = pages.size();
    Resources.System.assign(system);
    Resources.Icon = ModuleIcon(Module);
    return true;
}

std::string ModulePath(HMODULE Module) {
    std::wstring name(32768, L'\0');
    name.resize(GetModuleFileNameW(Module, name.data(), DWORD(name.size())));
    return Utf8(name);
}

TBookCheck CheckModuleBook(HMODULE Module, const std::string& Path) {
    TBookResources resources;
    if (!ReadModuleBook(Module, resources))
        return bcNoBook;
    try {
        TBook book;
        book.Open(std::move(resources), BaseName(Path));
        return bcBook;
    } catch (const std::exception&) {
        return bcDamaged;
    }
}

std::vector<std::string> ProgramArguments() {
    std::vector<std::string> args;
    int count = 0;
    if (LPWSTR* list = CommandLineToArgvW(GetCommandLineW(), &count)) {
        for (int i = 1; i < count; ++i)
            args.push_back(Utf8(std::wstring_view(list[i])));
        LocalFree(list);
    }
    return args;
}

int RunReader(HMODULE Module, const std::string& Path, const std::vector<std::string>& Args,
              const TViewFactory& Factory) {
    const TWinReaderArguments arguments = ParseWinReaderArguments(Args);
    if (arguments.Check)
        return CheckModuleBook(Module, Path);
    SetBatchMode(arguments.Batch);
    if (!arguments.Error.empty()) {
        ShowError(nullptr, "Pagelamp", arguments.Error + ".");
        return 2;
    }
    if (FAILED(OleInitialize(nullptr)))
        return StartFailed("Pagelamp cannot start: the system's object library does not answer.");
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES | ICC_TREEVIEW_CLASSES | ICC_STANDARD_CLASSES |
                                                       ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    int status;
    try {
        status = Read(Module, Path, Factory);
    } catch (const std::exception& e) {
        status = StartFailed(e.what());
    }
    OleUninitialize();
    return status;
}
