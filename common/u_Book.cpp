#include "u_Book.h"

#include "u_BookCipher.h"
#include "u_BookLayout.h"
#include "u_CaseBlind.h"
#include "u_HostPlatform.h"
#include "u_MFSCab.h"
#include "u_PathSegments.h"
#include "u_Resources.h"
#include "u_SpaceXMLParser.h"
#include "u_XMLValues.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <system_error>

const char* const SCannotOpenBook = "Cannot open \"%s\". %s";
const char* const SNotABook = "\"%s\" is not a book.";
const char* const SNotABookFile = "\"%s\" is not a book: it is not a regular file.";
const char* const SDamagedBook = "The book \"%s\" is damaged and cannot be read.\n%s";

namespace {

const char* const SNoSuchFile = "The file does not exist.";
const char* const SUnreadable = "The file cannot be read.";
const char* const SNoPasswordHash = "no password hash";

// The file at a book path, or none.
TMFSFile* FindFile(TMFS& mfs, std::string_view path) {
    try {
        TMFSItem* item = mfs.Session()->FindItem(NormalizeBookPath(path));
        return item && !item->IsFolder() ? item->AsFile() : nullptr;
    } catch (const EMFSError&) {
        return nullptr;
    }
}

// The compiler's name of the file an attribute of "System.xml" names.
const char* DefaultSystemFile(std::string_view attribute) {
    if (SameTextCaseBlind(attribute, SystemXml::Story))
        return StoryXmlFile;
    if (SameTextCaseBlind(attribute, SystemXml::ToolButtons))
        return ToolButtonsXmlFile;
    if (SameTextCaseBlind(attribute, SystemXml::Variables))
        return VariablesXmlFile;
    if (SameTextCaseBlind(attribute, SystemXml::Forms))
        return AdditionalPagesXmlFile;
    if (SameTextCaseBlind(attribute, SystemXml::Decrypt))
        return DecryptXmlFile;
    return "";
}

} // namespace

void ReadBookPart(const std::string& Book, const std::string& Part, const std::function<void()>& Read) {
    // A part of the book is read by the XML reader or unpacked; a fault there is damage
    // to the book.
    try {
        Read();
    } catch (const EBookError&) {
        throw;
    } catch (const std::exception& e) {
        throw EBookError(Format(SDamagedBook, Book, Part + ": " + e.what()));
    }
}

// ---------------------------------------------------------------------------------
// "Decrypt.xml"

std::string BuildDecryptXml(const TSecurityDescription& Security) {
    using namespace DecryptXml;
    const auto attr = [](const char* name, const std::string& value) {
        return std::string(" ") + name + "=" + QuotedAttr(value);
    };
    switch (Security.Protection) {
    case TBookProtection::Password:
        return std::string("<") + Root + attr(Method, MethodPassword) + attr(PasswordType, TypeSimple) +
               "/>\r\n";
    case TBookProtection::Selected:
        return std::string("<") + Root + attr(Method, MethodPassword) +
               attr(PasswordHash, std::to_string(Security.PasswordHash)) + attr(PasswordType, TypeSelected) +
               " />\r\n";
    case TBookProtection::UserPassword: {
        std::string text = std::string("<") + Root + attr(Method, MethodUserPassword) + ">\r\n";
        for (const std::string& record : Security.UserRecords)
            text += std::string("\t<") + Info + attr(KeyInfo, record) + "/>\r\n";
        return text + "</" + Root + ">\r\n";
    }
    default:
        return std::string();
    }
}

TSecurityDescription ReadDecryptXml(const std::string& Text) {
    using namespace DecryptXml;
    TSecurityDescription security;
    TXMLDocument doc(Text);
    const TXMLNode* root = doc.Root();
    const std::string method = XmlText(root, Method, "");
    if (SameTextCaseBlind(method, MethodPassword)) {
        if (!SameTextCaseBlind(XmlText(root, PasswordType, TypeSimple), TypeSelected)) {
            security.Protection = TBookProtection::Password;
            return security;
        }
        security.Protection = TBookProtection::Selected;
        // Written as a signed number; an unsigned one means the same 32 bits.
        const std::string hash = XmlText(root, PasswordHash, "");
        int64_t value = 0;
        const auto [end, error] = std::from_chars(hash.data(), hash.data() + hash.size(), value);
        if (error != std::errc() || end != hash.data() + hash.size() || value < INT32_MIN ||
            value > UINT32_MAX)
            throw Exception(SNoPasswordHash);
        security.PasswordHash = static_cast<int32_t>(static_cast<uint32_t>(value));
    } else if (SameTextCaseBlind(method, MethodUserPassword)) {
        security.Protection = TBookProtection::UserPassword;
        for (const TXMLNode* info : XmlChildren(root))
            security.UserRecords.push_back(XmlText(info, KeyInfo, ""));
    }
    return security;
}

// ---------------------------------------------------------------------------------
// Resources

TBookResources ReadBookResources(const std::string& FileName, unsigned Parts) {
    // Only a regular file is read: a folder, a pipe or a device is no book.
    THostHandle handle = NoHostHandle;
    const int error = HostOpenFile(FileName, THostOpen::Read, handle);
    if (error == 0)
        HostCloseFile(handle);
    else if (error == ENOENT)
        throw EBookError(Format(SCannotOpenBook, FileName, SNoSuchFile));
    else if (error == HostNotRegular)
        throw EBookError(Format(SNotABookFile, FileName));
    else
        throw EBookError(Format(SCannotOpenBook, FileName, SUnreadable));

    TBookResources resources;
    try {
        // The program is opened once for its resources, from one state of the file.
        const TResourceFile program(FileName);
        resources.System = program.Read(BookResourceType, SystemResourceName);
        if (!resources.System.empty()) {
            resources.PagesSize = program.Size(BookResourceType, FilesResourceName);
            // Without the pages only their first bytes: the signature tells a cabinet.
            resources.Pages = program.Read(BookResourceType, FilesResourceName,
                                           (Parts & bpPages) ? static_cast<size_t>(-1) : 4);
            if (Parts & bpIcon)
                resources.Icon = program.ReadIconGroup(IconResourceName);
        }
    } catch (const std::exception&) {
        // Not a program of the kind a book is made from.
        throw EBookError(Format(SNotABook, FileName));
    }
    if (resources.System.empty() || resources.PagesSize == 0)
        throw EBookError(Format(SNotABook, FileName));
    return resources;
}

// ---------------------------------------------------------------------------------
// TBook

TBook::TBook() = default;

TBook::~TBook() = default;

void TBook::Close() {
    FFileName.clear();
    FLoaded = false;
    FSystem.Clear();
    FPages.Clear();
    FDescription.reset();
    FSecurity = TSecurityDescription();
    std::string().swap(FLockedPages);
    FIcon.clear();
    FSystemSize = FPagesSize = 0;
    FPagesEnciphered = false;
}

void TBook::Open(const std::string& FileName, unsigned Parts) {
    Close();
    Open(ReadBookResources(FileName, Parts), FileName);
}

void TBook::Open(TBookResources&& Resources, const std::string& Name) {
    Close();
    FFileName = Name;
    try {
        if (Resources.System.empty() || Resources.PagesSize == 0 || Resources.Pages.empty())
            throw EBookError(Format(SNotABook, Name));
        FSystemSize = Resources.System.size();
        FPagesSize = Resources.PagesSize;
        FPagesEnciphered = !IsCabinetData(Resources.Pages);
        FIcon = std::move(Resources.Icon);
        ReadBookPart(Name, "system files", [&] { UnpackStore(FSystem, std::move(Resources.System)); });

        ReadBookPart(Name, "System.xml",
                     [&] { FDescription = std::make_unique<TXMLDocument>(SystemFile(SystemXmlFile)); });
        if (XmlName(FDescription->Root()).empty())
            throw EBookError(Format(SNotABook, Name));
        ReadBookPart(Name, "Decrypt.xml",
                     [&] { FSecurity = ReadDecryptXml(SystemFile(SystemFilePath(SystemXml::Decrypt))); });

        const bool whole = Resources.Pages.size() == Resources.PagesSize;
        if (whole) {
            const bool keyed = FSecurity.Protection == TBookProtection::Password ||
                               FSecurity.Protection == TBookProtection::UserPassword;
            // A book protected by an empty password keeps its pages as they were.
            if (keyed && FPagesEnciphered)
                FLockedPages = std::move(Resources.Pages);
            else
                OpenPages(std::move(Resources.Pages));
        }
        FLoaded = true;
    } catch (...) {
        Close();
        throw;
    }
}

void TBook::OpenPages(std::string&& Cabinet) {
    ReadBookPart(FFileName, "pages", [&] { UnpackStore(FPages, std::move(Cabinet)); });
}

const TXMLNode* TBook::Description() const {
    return FDescription ? FDescription->Root() : nullptr;
}

std::string TBook::SystemFilePath(const char* Attribute) const {
    const std::string named = XmlText(Description(), Attribute, "");
    return named.empty() ? std::string(DefaultSystemFile(Attribute)) : NormalizeBookPath(named);
}

const std::string& TBook::SystemFile(std::string_view Path) const {
    static const std::string none;
    const TMFSFile* file = FindFile(FSystem, Path);
    return file ? file->Content : none;
}

bool TBook::HasSystemFile(std::string_view Path) const {
    return FindFile(FSystem, Path) != nullptr;
}

bool TBook::Unlock(const std::string& User, const std::string& Password) {
    if (!Locked())
        return true;
    std::string cabinet;
    bool right = false;
    if (FSecurity.Protection == TBookProtection::UserPassword) {
        // Every record that the name and password open is tried: two users may share
        // a name.
        for (const std::string& record : FSecurity.UserRecords) {
            std::string key;
            if (BookKeyFromUserRecord(record, User, Password, key) &&
                DecryptData(FLockedPages, key, true, cabinet)) {
                right = true;
                break;
            }
        }
    } else {
        right = DecryptData(FLockedPages, Password, true, cabinet);
    }
    if (!right)
        return false;
    std::string().swap(FLockedPages);
    OpenPages(std::move(cabinet));
    return true;
}

bool TBook::CheckPagePassword(const std::string& Password) const {
    return FSecurity.Protection == TBookProtection::Selected &&
           static_cast<int32_t>(MFSChecksum(Password)) == FSecurity.PasswordHash;
}

const TMFSFile* TBook::PageFile(std::string_view Path) const {
    return Locked() ? nullptr : FindFile(FPages, Path);
}
