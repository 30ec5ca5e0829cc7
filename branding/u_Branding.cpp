#include "u_Branding.h"

#include "u_Book.h"
#include "u_BookLayout.h"
#include "u_CaseBlind.h"
#include "u_MFS.h"
#include "u_MFSCab.h"
#include "u_Resources.h"
#include "u_SpaceXMLParser.h"
#include "u_Variables.h"
#include "u_XMLValues.h"

#include "u_SpaceParser.h"

#include <cstdint>

namespace {

// The name of the variable whose element holds the byte at Pos of a variables file
// (the last "<var name=" at or before it); empty when there is none.
std::string VariableAt(const std::string& xml, size_t pos) {
    static const std::string opening = "<var name=\"";
    const size_t at = xml.rfind(opening, pos);
    if (at == std::string::npos)
        return std::string();
    std::string name;
    for (size_t i = at + opening.size(); i < xml.size(); ++i) {
        if (xml[i] == '"') {
            if (i + 1 < xml.size() && xml[i + 1] == '"') {
                name += '"';
                ++i;
                continue;
            }
            break;
        }
        name += xml[i];
    }
    return name;
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

void CheckVariablesXml(const std::string& Xml) {
    // The XML reader ends its data at a zero byte.
    if (const size_t zero = Xml.find('\0'); zero != std::string::npos)
        throw EBrandingError(Format("The value of \"%s\" holds a zero byte, which the book could not read back",
                                    VariableAt(Xml, zero)));
    // The reader takes a file through a window of BufferSize bytes, cut after its last
    // line feed; a window without one is "Line too long". Its refills are followed here.
    const size_t window = static_cast<size_t>(TSpaceParser::BufferSize);
    for (size_t start = 0; Xml.size() - start >= window;) {
        const size_t lf = Xml.rfind('\n', start + window - 1);
        if (lf == std::string::npos || lf < start) {
            const size_t end = Xml.find('\n', start);
            const size_t length = (end == std::string::npos ? Xml.size() : end + 1) - start;
            throw EBrandingError(Format("The value of \"%s\" makes a line of %zu bytes in the variables file; "
                                        "the book can read lines of at most %zu bytes",
                                        VariableAt(Xml, start), length, window));
        }
        start = lf + 1;
    }
    // Anything else that would keep the book from opening (a reference cycle, a value
    // that grows too large) shows when the file is read as the book will read it.
    try {
        const TVariables check(Xml, false);
    } catch (const Exception& e) {
        throw EBrandingError(Format("The new values could not be read back from the book (%s)", e.Message()));
    }
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

TBrandingBook::TBrandingBook() : FBook(std::make_unique<TBook>()) {}

TBrandingBook::~TBrandingBook() = default;

TMFS& TBrandingBook::SystemImage() {
    return FBook->System();
}

void TBrandingBook::Close() {
    FFileName.clear();
    FTitle.clear();
    FIconData.clear();
    FRows.clear();
    FBook->Close();
    FVariableTable.reset();
    FLoaded = false;
}

void TBrandingBook::Open(const std::string& FileName) {
    Close();
    ++FOpenCount;
    try {
        // Only what branding needs is read: the system image and the icon. The pages
        // are never read, and the book stays free for the later write (which replaces
        // it by a new file).
        FBook->Open(FileName, bpIcon);
        const TXMLNode* description = FBook->Description();
        FVariableTable = std::make_unique<TVariables>(
            FBook->SystemFile(FBook->SystemFilePath(SystemXml::Variables)), false);

        const std::string title = XmlText(description, "ApplicationTitle", "");
        if (!title.empty())
            FTitle = FVariableTable->Expand(title);

        FIconData = FBook->Icon();

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
        xml += "<var name=" + QuotedAttr(name) + ">" + EscapeXmlContent(value) + "</var>\r\n";
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
    image.LoadFromString(FBook->System().SaveToString());
    {
        const std::string name = FBook->SystemFilePath(SystemXml::Variables);
        std::string variables = BuildVariablesXml(Rows);
        // A book written here must open again: values that its readers could not read
        // back are refused before anything is written.
        CheckVariablesXml(variables);
        if (const std::string folder = TMFS::ExtractPath(name); !folder.empty())
            image.Session()->ForceFolders(folder);
        image.Session()->CreateFile(name, 0, true)->Content = std::move(variables);
    }
    const std::string cabinet = PackStore(image, "System.cab");

    // One update writes both resources: the new book is written beside the book (the
    // pages copied by the kernel, not held here), synced, given the book's owner, group
    // and mode, and renamed over it. When no complete new file can be made beside it,
    // the update fails naming the book and the reason, and the book is not touched. A
    // book reached through a symbolic link is replaced where it really lives.
    TResourceWriter writer(FFileName);
    writer.WriteRCData(SystemResourceName, cabinet);
    if (!NewIconData.empty())
        writer.WriteIconGroup(IconResourceName, 1, NewIconData);
    writer.Commit();
}
