#include "u_Branding.h"

#include "u_CaseBlind.h"
#include "u_MFS.h"
#include "u_MFSCab.h"
#include "u_Resources.h"
#include "u_SpaceXMLParser.h"
#include "u_Variables.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char* const systemResource = "SYSTEM_MFS";
const char* const iconGroup = "MAINICON";
const char* const defaultVariablesFile = "\\Variables.xml";

// Deletes a host file when the scope ends, unless released.
class TFileRemover {
public:
    explicit TFileRemover(std::string fileName) : FFileName(std::move(fileName)) {}
    ~TFileRemover() {
        if (!FFileName.empty())
            ::unlink(FFileName.c_str());
    }
    void Release() { FFileName.clear(); }
    TFileRemover(const TFileRemover&) = delete;
    TFileRemover& operator=(const TFileRemover&) = delete;

private:
    std::string FFileName;
};

// Creates a new file in Folder named Prefix, four hexadecimal digits of Number (counting
// up until the name is free) and Suffix, and writes Data into it. Returns the name.
std::string WriteNewFile(const std::string& folder, const char* prefix, uint32_t number, const char* suffix,
                         const std::string& data, mode_t mode) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec); // a failure shows when the file is created
    for (uint32_t attempt = 0;; ++attempt, ++number) {
        char name[32];
        std::snprintf(name, sizeof name, "%s%04X%s", prefix, static_cast<unsigned>(number & 0xFFFF), suffix);
        std::string path = (std::filesystem::path(folder) / name).string();
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd < 0) {
            if (errno == EEXIST && attempt < 0x10000)
                continue;
            // The file-creation error of the host file streams.
            throw EFCreateError(Format(SFCreateError, path, SysErrorMessage(errno)));
        }
        TFileRemover remover(path);
        size_t written = 0;
        while (written < data.size()) {
            const ssize_t n = ::write(fd, data.data() + written, data.size() - written);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                const int error = n < 0 ? errno : ENOSPC;
                ::close(fd);
                RaiseOSError(error, path);
            }
            written += static_cast<size_t>(n);
        }
        if (::close(fd) != 0)
            RaiseOSError(errno, path);
        remover.Release();
        return path;
    }
}

std::string TempFolder() {
    std::error_code ec;
    std::filesystem::path folder = std::filesystem::temp_directory_path(ec);
    if (ec)
        folder = "/tmp";
    return folder.string();
}

std::string QuoteAttribute(const std::string& text) {
    std::string quoted = "\"";
    for (const char c : text) {
        quoted += c;
        if (c == '"')
            quoted += '"';
    }
    return quoted + "\"";
}

// The variables file named by "System.xml"; the default name when it names none.
std::string VariablesFileName(const std::string& attribute) {
    return attribute.empty() ? std::string(defaultVariablesFile) : attribute;
}

uint16_t Word(const std::string& data, size_t at) {
    return static_cast<uint16_t>(static_cast<unsigned char>(data[at]) |
                                 (static_cast<unsigned char>(data[at + 1]) << 8));
}

uint32_t DWord(const std::string& data, size_t at) {
    return static_cast<uint32_t>(Word(data, at)) | (static_cast<uint32_t>(Word(data, at + 2)) << 16);
}

} // namespace

bool IsIconFileData(const std::string& Data) {
    if (Data.size() < 6 || Word(Data, 0) != 0 || Word(Data, 2) != 1)
        return false;
    const size_t count = Word(Data, 4);
    if (count == 0 || Data.size() < 6 + 16 * count)
        return false;
    for (size_t i = 0; i < count; ++i) {
        const size_t entry = 6 + 16 * i;
        const uint64_t size = DWord(Data, entry + 8);
        const uint64_t offset = DWord(Data, entry + 12);
        if (size == 0 || offset + size > Data.size())
            return false;
    }
    return true;
}

std::string LoadIconFile(const std::string& FileName) {
    std::string data = ReadFileText(FileName);
    if (!IsIconFileData(data))
        throw EInvalidGraphic("Icon image is not valid");
    return data;
}

void ApplyBrandingSettings(std::vector<TBrandingRow>& Rows, const std::vector<std::string>& Settings) {
    std::vector<TBrandingRow> rows = Rows;
    for (const std::string& setting : Settings) {
        const size_t eq = setting.find('=');
        if (eq == std::string::npos || eq == 0)
            throw EBrandingError(Format("Invalid setting \"%s\": NAME=VALUE expected", setting));
        const std::string name = setting.substr(0, eq);
        bool found = false;
        for (TBrandingRow& row : rows)
            if (SameTextCaseBlind(row.Name, name)) {
                row.Value = setting.substr(eq + 1);
                found = true;
            }
        if (!found)
            throw EBrandingError(Format("Variable \"%s\" is not brandable", name));
    }
    Rows = std::move(rows);
}

TBrandingBook::TBrandingBook() : FSystemImage(std::make_unique<TMFS>()) {}

TBrandingBook::~TBrandingBook() = default;

void TBrandingBook::Close() {
    FFileName.clear();
    FTitle.clear();
    FIconData.clear();
    FRows.clear();
    FSystemImage->Clear();
    FVariableTable.reset();
    FLoaded = false;
}

void TBrandingBook::Open(const std::string& FileName) {
    Close();
    ++FOpenCount;
    try {
        // The resources are read from a temporary copy, so the book itself stays free
        // for the later write; the copy goes whatever happens.
        const std::string bytes = ReadFileText(FileName);
        const std::string copy = WriteNewFile(TempFolder(), "eBookTemp", FOpenCount, ".exe", bytes, 0600);
        TFileRemover remover(copy);

        const std::string cabinet = ReadResource(copy, TResName("RCDATA"), TResName(systemResource));
        UnpackStore(*FSystemImage, cabinet);

        TXMLParser systemXml;
        systemXml.LoadFromString(FSystemImage->Session()->OpenFile("System.xml")->Content);
        const TXMLAttributes& attributes = systemXml.Root()->Attributes;

        const std::string variablesName = attributes.GetString("Variables", "");
        std::string variablesText;
        // A book without a "Variables" attribute opens with an empty table.
        if (!variablesName.empty() && FSystemImage->Session()->Exists(variablesName))
            variablesText = FSystemImage->Session()->OpenFile(variablesName)->Content;
        FVariableTable = std::make_unique<TVariables>(variablesText, false);

        const std::string title = attributes.GetString("ApplicationTitle", "");
        if (!title.empty())
            FTitle = FVariableTable->Expand(title);

        FIconData = ReadIconGroupResource(copy, TResName(iconGroup));

        for (const std::string& name : FVariableTable->GetNames()) {
            const std::string& value = FVariableTable->GetValue(name);
            if (value.empty() || value[0] != '$')
                FRows.push_back({name, value});
        }
        FFileName = FileName;
        FLoaded = true;
    } catch (...) {
        Close();
        throw;
    }
}

std::string TBrandingBook::BuildVariablesXml(const std::vector<TBrandingRow>& Rows) const {
    std::string xml = "<vars>\r\n";
    auto element = [&xml](const std::string& name, const std::string& value) {
        xml += "<var name=" + QuoteAttribute(name) + ">" + EscapeXmlContent(value) + "</var>\r\n";
    };
    for (const TBrandingRow& row : Rows)
        element(row.Name, row.Value);
    if (FVariableTable)
        for (const std::string& name : FVariableTable->GetNames())
            element(name, FVariableTable->GetValue(name));
    xml += "</vars>\r\n";
    return xml;
}

void TBrandingBook::Update(const std::vector<TBrandingRow>& Rows, const std::string& NewIconData) {
    if (!FLoaded)
        return;
    if (!NewIconData.empty() && !IsIconFileData(NewIconData))
        throw EInvalidGraphic("Icon image is not valid");

    // The new system image: the open one with the new variables file, in a copy so the
    // open book stays as read when anything below fails.
    TMFS image;
    image.LoadFromString(FSystemImage->SaveToString());
    {
        TXMLParser systemXml;
        systemXml.LoadFromString(image.Session()->OpenFile("System.xml")->Content);
        const std::string name = VariablesFileName(systemXml.Root()->Attributes.GetString("Variables", ""));
        if (const std::string folder = TMFS::ExtractPath(name); !folder.empty())
            image.Session()->ForceFolders(folder);
        image.Session()->CreateFile(name, 0, true)->Content = BuildVariablesXml(Rows);
    }
    const std::string cabinet = PackStore(image, "System.cab");

    // Both resources go into a copy beside the book; the copy replaces the book only
    // when both were written, so a failure leaves the book as it was.
    // A book reached through a symbolic link is replaced where it really lives.
    std::error_code ec;
    const std::filesystem::path resolved = std::filesystem::weakly_canonical(FFileName, ec);
    const std::string target = ec ? FFileName : resolved.string();
    if (::access(target.c_str(), W_OK) != 0)
        RaiseOSError(errno, target);
    struct stat info {};
    if (::stat(target.c_str(), &info) != 0)
        RaiseOSError(errno, target);
    const std::string bytes = ReadFileText(target);
    const std::filesystem::path book(target);
    std::string folder = book.parent_path().string();
    if (folder.empty())
        folder = ".";
    const std::string prefix = "." + book.filename().string() + ".";
    std::string work;
    bool beside = true;
    try {
        work = WriteNewFile(folder, prefix.c_str(), FOpenCount, ".tmp", bytes, info.st_mode & 07777);
    } catch (const Exception&) {
        // The book's folder takes no new file: work in the temporary folder and copy the
        // result over the book at the end.
        beside = false;
        work = WriteNewFile(TempFolder(), "eBookBrand", FOpenCount, ".exe", bytes, 0600);
    }
    TFileRemover remover(work);
    WriteRCDataResource(work, TResName(systemResource), cabinet);
    if (!NewIconData.empty())
        WriteIconGroupResource(work, TResName(iconGroup), 1, NewIconData);

    if (beside) {
        ::chmod(work.c_str(), info.st_mode & 07777);
        if (::rename(work.c_str(), target.c_str()) != 0)
            RaiseOSError(errno, target);
        remover.Release();
    } else {
        WriteFileText(ReadFileText(work), target);
    }
}
