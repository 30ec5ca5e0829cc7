#include "u_ReaderBook.h"

#include "u_CaseBlind.h"
#include "u_Compile.h"
#include "u_CompileXML.h"
#include "u_MFSCab.h"
#include "u_ReaderPaths.h"
#include "u_Resources.h"
#include "u_Variables.h"

#include <charconv>
#include <filesystem>
#include <fstream>
#include <system_error>

const char* const SCannotOpenBook = "Cannot open \"%s\". %s";
const char* const SNotABook = "\"%s\" is not a book.";
const char* const SDamagedBook = "The book \"%s\" is damaged and cannot be read.\n%s";

const char* const AboutFormName = "About";
const char* const SearchResultsPageName = "Search Results";
const char* const PageNotFoundPageName = "Page Not Found";

std::vector<TReaderForm> ReadAdditionalPages(const std::string& Xml) {
    // A list that cannot be read counts as far as it was read.
    std::vector<TReaderForm> forms;
    ReadExtForms(Xml, forms);
    for (TReaderForm& form : forms)
        form.Path = NormalizeBookPath(form.Path);
    return forms;
}

namespace {

bool IsCabinet(std::string_view data) {
    return data.substr(0, 4) == "MSCF";
}

// The book's texts are read by the XML reader; a fault there is damage to the book.
template <class F>
void ReadPart(const std::string& fileName, const char* part, F&& read) {
    try {
        read();
    } catch (const EReaderBookError&) {
        throw;
    } catch (const std::exception& e) {
        throw EReaderBookError(Format(SDamagedBook, fileName, std::string(part) + ": " + e.what()));
    }
}

// Files whose variable references are expanded when they are shown.
bool ExpandsVariables(std::string_view path) {
    const std::string name(path);
    if (IsTextFile(name))
        return true;
    const std::string ext = LowerCaseText(TMFS::ExtractExt(name));
    return ext == ".txt" || ext == ".xhtml" || ext == ".shtml" || ext == ".svg";
}

// The file at a book path, or none: folders, missing files and names the file system
// refuses all count as missing.
TMFSFile* FindFile(TMFS& mfs, std::string_view path) {
    try {
        TMFSItem* item = mfs.Session()->FindItem(NormalizeBookPath(path));
        return item && !item->IsFolder() ? item->AsFile() : nullptr;
    } catch (const EMFSError&) {
        return nullptr;
    }
}

} // namespace

TReaderBook::TReaderBook(const std::string& FileName) : FFileName(FileName) {
    // Only a regular file is read: a folder, a pipe or a device is no book.
    std::error_code ec;
    const auto status = std::filesystem::status(FileName, ec);
    if (ec || !std::filesystem::exists(status))
        throw EReaderBookError(Format(SCannotOpenBook, FileName, "The file does not exist."));
    if (!std::filesystem::is_regular_file(status))
        throw EReaderBookError(Format(SNotABook, FileName));
    if (!std::ifstream(FileName, std::ios::binary))
        throw EReaderBookError(Format(SCannotOpenBook, FileName, "The file cannot be read."));

    std::string system;
    std::string pages;
    try {
        // The program is opened once for its three resources, and let go before the
        // images are unpacked.
        const TResourceFile program(FileName);
        system = program.Read("RCDATA", SystemResourceName);
        if (!system.empty()) {
            FIcon = program.ReadIconGroup(IconResourceName);
            pages = program.Read("RCDATA", FilesResourceName);
        }
    } catch (const std::exception&) {
        // Not a program of the kind a book is made from.
        throw EReaderBookError(Format(SNotABook, FileName));
    }
    if (system.empty() || pages.empty())
        throw EReaderBookError(Format(SNotABook, FileName));

    ReadPart(FileName, "system files", [&] { UnpackStore(FSystem, std::move(system)); });
    ReadSystem();

    if (FProtection == TBookProtection::Password || FProtection == TBookProtection::UserPassword) {
        // A book protected by an empty password keeps its pages as they were.
        if (!IsCabinet(pages)) {
            FLockedPages = std::move(pages);
            return;
        }
    }
    OpenPages(std::move(pages));
}

TReaderBook::~TReaderBook() = default;

void TReaderBook::OpenPages(std::string&& Cabinet) {
    ReadPart(FFileName, "pages", [&] { UnpackStore(FPages, std::move(Cabinet)); });
}

void TReaderBook::ReadSystem() {
    ReadPart(FFileName, "Variables.xml", [&] {
        try {
            FVariables = std::make_unique<TVariables>(SystemFile("\\Variables.xml"), true);
        } catch (const EVariablesError&) {
            // A cycle among the values: the references stay as they are written.
            FVariables = std::make_unique<TVariables>(std::string(), true);
        }
    });
    ReadPart(FFileName, "System.xml", [&] {
        TXMLDocument doc(SystemFile("\\System.xml"));
        if (XmlName(doc.Root()).empty())
            throw EReaderBookError(Format(SNotABook, FFileName));
        ReadProjectOptions(FOptions, doc.Root());
        for (const TXMLNode* child : XmlChildren(doc.Root())) {
            if (SameTextCaseBlind(XmlName(child), "splash"))
                ReadSplashOptions(FOptions.Splash(), child);
            else if (SameTextCaseBlind(XmlName(child), "toolbar"))
                ReadToolbarOptions(FOptions.Toolbar(), child);
        }
    });
    ReadPart(FFileName, "Story.xml", [&] { FStory = TReaderStory(SystemFile("\\Story.xml")); });
    ReadPart(FFileName, "Decrypt.xml", [&] {
        TXMLDocument doc(SystemFile("\\Decrypt.xml"));
        const std::string method = XmlText(doc.Root(), "Method", "");
        if (SameTextCaseBlind(method, "Password")) {
            if (SameTextCaseBlind(XmlText(doc.Root(), "PasswordType", "Simple"), "Selected")) {
                FProtection = TBookProtection::Selected;
                const std::string hash = XmlText(doc.Root(), "PasswordHash", "");
                int64_t value = 0;
                const auto [end, error] = std::from_chars(hash.data(), hash.data() + hash.size(), value);
                if (error != std::errc() || end != hash.data() + hash.size() || value < INT32_MIN ||
                    value > UINT32_MAX)
                    throw EReaderBookError(Format(SDamagedBook, FFileName, "Decrypt.xml: no password hash"));
                FPasswordHash = static_cast<int32_t>(static_cast<uint32_t>(value));
            } else {
                FProtection = TBookProtection::Password;
            }
        } else if (SameTextCaseBlind(method, "UserPassword")) {
            FProtection = TBookProtection::UserPassword;
            for (const TXMLNode* info : XmlChildren(doc.Root()))
                FUserRecords.push_back(XmlText(info, "KeyInfo", ""));
        }
    });
    // The toolbar and the additional pages are the book's decoration: a fault there
    // leaves the reader without them rather than without the book.
    try {
        FToolButtons = ReadToolButtons(SystemFile("\\ToolButtons.xml"));
    } catch (const std::exception&) {
        FToolButtons.clear();
    }
    FForms = ReadAdditionalPages(SystemFile("\\AdditionalPages.xml"));
}

bool TReaderBook::Unlock(const std::string& User, const std::string& Password) {
    if (!Locked())
        return true;
    if (Password.empty() && FProtection == TBookProtection::Password)
        return false;
    std::string cabinet;
    bool right = false;
    if (FProtection == TBookProtection::UserPassword) {
        for (const std::string& record : FUserRecords) {
            std::string key;
            if (BookKeyFromUserRecord(record, User, Password, key) && !key.empty()) {
                right = DecryptData(FLockedPages, key, true, cabinet);
                break;
            }
        }
    } else {
        right = DecryptData(FLockedPages, Password, true, cabinet);
    }
    if (!right)
        return false;
    FLockedPages = std::string();
    OpenPages(std::move(cabinet));
    return true;
}

bool TReaderBook::UnlockSelected(const std::string& Password) {
    if (FProtection != TBookProtection::Selected)
        return true;
    if (static_cast<int32_t>(MFSChecksum(Password)) != FPasswordHash)
        return false;
    FSelectedUnlocked = true;
    return true;
}

bool TReaderBook::IsGuarded(std::string_view Path) const {
    if (FProtection != TBookProtection::Selected || FSelectedUnlocked)
        return false;
    const TStoryPage* page = FStory.Find(Path);
    return page && page->PasswordProtection;
}

std::string TReaderBook::Title() const {
    std::string title = Expand(FOptions.ApplicationTitle);
    if (title.empty())
        title = std::filesystem::path(FFileName).stem().string();
    return title;
}

std::string TReaderBook::Caption() const {
    const std::string caption = Expand(FOptions.MainFormCaption);
    return caption.empty() ? Title() : caption;
}

std::string TReaderBook::Expand(const std::string& Text) const {
    return FVariables->Expand(Text);
}

const TReaderForm* TReaderBook::FormAt(std::string_view Path) const {
    const std::string path = NormalizeBookPath(Path);
    for (const TReaderForm& form : FForms)
        if (SameTextCaseBlind(form.Path, path))
            return &form;
    return nullptr;
}

const TReaderForm* TReaderBook::FormNamed(std::string_view Name) const {
    for (const TReaderForm& form : FForms)
        if (SameTextCaseBlind(form.Name, Name))
            return &form;
    return nullptr;
}

const std::string& TReaderBook::SystemFile(std::string_view Path) const {
    static const std::string none;
    const TMFSFile* file = FindFile(FSystem, Path);
    return file ? file->Content : none;
}

bool TReaderBook::HasSystemFile(std::string_view Path) const {
    return FindFile(FSystem, Path) != nullptr;
}

const TMFSFile* TReaderBook::PageFile(std::string_view Path) const {
    return Locked() ? nullptr : FindFile(FPages, Path);
}

bool TReaderBook::PageExists(std::string_view Path) const {
    return PageFile(Path) != nullptr;
}

TPageStatus TReaderBook::ReadPage(std::string_view Path, std::string& Data) const {
    const TMFSFile* file = PageFile(Path);
    if (!file)
        return TPageStatus::NotFound;
    if (IsGuarded(Path))
        return TPageStatus::Protected;
    Data = ExpandsVariables(Path) ? Expand(file->Content) : file->Content;
    return TPageStatus::Ok;
}

const char* const SBookPasswordQuestion =
    "\"%s\" is protected by a password. Please type the password that came with the book.";
const char* const SUserPasswordQuestion = "\"%s\" is protected. Please type your user name and password.";
const char* const SPagePasswordQuestion =
    "This page is protected by a password. Please type the password that came with the book.";
const char* const SWrongPassword = "The password is not right. Please try again.";
const char* const SWrongUserPassword = "The user name or the password is not right. Please try again.";
const char* const SBookStaysClosed = "The password is not right: the book cannot be opened.";

std::string PasswordQuestion(const TReaderBook& Book, bool GuardedPage, int Attempt) {
    if (Attempt > 0)
        return Book.AsksUserName() && !GuardedPage ? SWrongUserPassword : SWrongPassword;
    if (GuardedPage)
        return SPagePasswordQuestion;
    return Format(Book.AsksUserName() ? SUserPasswordQuestion : SBookPasswordQuestion, Book.Title());
}

TUnlockResult UnlockBook(TReaderBook& Book, const TPasswordQuestion& Ask, int Tries) {
    for (int attempt = 0; Book.Locked(); ++attempt) {
        if (attempt >= Tries)
            return TUnlockResult::Refused;
        std::string user, password;
        if (!Ask(attempt, user, password))
            return TUnlockResult::Cancelled;
        Book.Unlock(user, password);
    }
    return TUnlockResult::Unlocked;
}

TUnlockResult UnlockGuardedPages(TReaderBook& Book, const TPasswordQuestion& Ask, int Tries) {
    if (Book.Protection() != TBookProtection::Selected)
        return TUnlockResult::Unlocked;
    for (int attempt = 0; !Book.SelectedUnlocked(); ++attempt) {
        if (attempt >= Tries)
            return TUnlockResult::Refused;
        std::string user, password;
        if (!Ask(attempt, user, password))
            return TUnlockResult::Cancelled;
        Book.UnlockSelected(password);
    }
    return TUnlockResult::Unlocked;
}
