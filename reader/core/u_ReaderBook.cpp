#include "u_ReaderBook.h"

#include "u_BookLayout.h"
#include "u_CaseBlind.h"
#include "u_HostPlatform.h"
#include "u_ReaderPaths.h"
#include "u_Variables.h"
#include "u_XMLValues.h"

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

// Files whose variable references are expanded when they are shown.
bool ExpandsVariables(std::string_view path) {
    const std::string name(path);
    if (IsTextFile(name))
        return true;
    const std::string ext = LowerCaseText(TMFS::ExtractExt(name));
    return ext == ".txt" || ext == ".xhtml" || ext == ".shtml" || ext == ".svg";
}

} // namespace

TReaderBook::TReaderBook(const std::string& FileName) {
    FBook.Open(FileName);
    ReadSystem();
}

TReaderBook::TReaderBook(TBookResources&& Resources, const std::string& Name) {
    FBook.Open(std::move(Resources), Name);
    ReadSystem();
}

TReaderBook::~TReaderBook() = default;

void TReaderBook::ReadSystem() {
    const std::string& name = FBook.FileName();
    ReadBookPart(name, "Variables.xml", [&] {
        try {
            FVariables = std::make_unique<TVariables>(
                FBook.SystemFile(FBook.SystemFilePath(SystemXml::Variables)), true);
        } catch (const EVariablesError&) {
            // A cycle among the values: the references stay as they are written.
            FVariables = std::make_unique<TVariables>(std::string(), true);
        }
    });
    ReadBookPart(name, "System.xml", [&] {
        const TXMLNode* root = FBook.Description();
        ReadProjectOptions(FOptions, root);
        for (const TXMLNode* child : XmlChildren(root)) {
            if (SameTextCaseBlind(XmlName(child), SystemXml::Splash))
                ReadSplashOptions(FOptions.Splash(), child);
            else if (SameTextCaseBlind(XmlName(child), SystemXml::Toolbar))
                ReadToolbarOptions(FOptions.Toolbar(), child);
        }
    });
    ReadBookPart(name, "Story.xml",
                 [&] { FStory = TReaderStory(FBook.SystemFile(FBook.SystemFilePath(SystemXml::Story))); });
    // The toolbar and the additional pages are the book's decoration: a fault there
    // leaves the reader without them rather than without the book.
    try {
        FToolButtons = ReadToolButtons(FBook.SystemFile(FBook.SystemFilePath(SystemXml::ToolButtons)));
    } catch (const std::exception&) {
        FToolButtons.clear();
    }
    FForms = ReadAdditionalPages(FBook.SystemFile(FBook.SystemFilePath(SystemXml::Forms)));
}

bool TReaderBook::Unlock(const std::string& User, const std::string& Password) {
    return FBook.Unlock(User, Password);
}

bool TReaderBook::UnlockSelected(const std::string& Password) {
    if (Protection() != TBookProtection::Selected)
        return true;
    if (!FBook.CheckPagePassword(Password))
        return false;
    FSelectedUnlocked = true;
    return true;
}

bool TReaderBook::IsGuarded(std::string_view Path) const {
    if (Protection() != TBookProtection::Selected || FSelectedUnlocked)
        return false;
    const TStoryPage* page = FStory.Find(Path);
    return page && page->PasswordProtection;
}

std::string TReaderBook::Title() const {
    std::string title = Expand(FOptions.ApplicationTitle);
    if (title.empty()) {
        // The book file's name without its folder and its last extension.
        const std::string& file = FileName();
        const size_t slash = file.find_last_of(HostPathSeparators);
        title = slash == std::string::npos ? file : file.substr(slash + 1);
        const size_t dot = title.rfind('.');
        if (dot != std::string::npos && dot > 0)
            title.erase(dot);
    }
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
    return FBook.SystemFile(Path);
}

bool TReaderBook::HasSystemFile(std::string_view Path) const {
    return FBook.HasSystemFile(Path);
}

const TMFSFile* TReaderBook::PageFile(std::string_view Path) const {
    return FBook.PageFile(Path);
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
