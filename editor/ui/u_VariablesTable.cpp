#include "u_VariablesTable.h"

#include "u_CaseBlind.h"
#include "u_MFS.h"
#include "u_Project.h"
#include "u_SpaceXMLParser.h"
#include "u_Variables.h"
#include "u_eBookCommon.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <set>

std::string CutVariableText(std::string_view Text) {
    std::size_t pos = 0;
    for (std::size_t count = 0; count < MaxVariableTextLength && pos < Text.size(); ++count) {
        const auto lead = static_cast<unsigned char>(Text[pos]);
        std::size_t length = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        // A sequence is only taken whole when its continuation bytes are there;
        // otherwise the lead byte counts as a character of its own.
        for (std::size_t i = 1; i < length; ++i)
            if (pos + i >= Text.size() || (static_cast<unsigned char>(Text[pos + i]) & 0xC0) != 0x80) {
                length = 1;
                break;
            }
        pos += length;
    }
    return std::string(Text.substr(0, pos));
}

bool ReadVariableRows(const std::string& XmlText, std::vector<TVariableRow>& Rows) {
    return ReadRootChildren(XmlText, [&Rows](const TXMLNode& Node) {
        const std::string_view stored = Node.Text;
        TVariableRow row;
        row.VariableName = CutVariableText(Node.Attributes.GetString("name", ""));
        row.AllowBranding = stored.empty() || stored.front() != '$';
        row.VariableValue = CutVariableText(row.AllowBranding ? stored : stored.substr(1));
        Rows.push_back(std::move(row));
    });
}

std::string VariablesFileText(const std::vector<TVariableRow>& Rows) {
    std::vector<TVariableEntry> entries;
    entries.reserve(Rows.size());
    for (const TVariableRow& row : Rows)
        entries.push_back({row.VariableName, EscapeXmlContent(row.VariableValue), row.AllowBranding});
    return BuildVariablesXml(entries);
}

namespace {

// The names of a walk over many texts, each once (letter case ignored), in the order
// found. The names seen so far are kept in one set for the whole walk: each text is
// scanned on its own and only its new names are added.
class TReferenceCollector {
public:
    void Add(const std::string& Text) {
        std::vector<std::string> found;
        TVariables::CollectReferences(Text, found);
        for (std::string& name : found)
            if (FSeen.insert(name).second)
                FNames.push_back(std::move(name));
    }
    void AddFolder(const TMFSFolder& Folder) {
        for (TMFSItem* item : Folder.Children()) {
            if (item->IsFolder())
                AddFolder(*item->AsFolder());
            else if (IsTextFile(item->Name))
                Add(item->AsFile()->Content);
        }
    }
    void AddHostFolder(const std::string& HostFolder) {
        std::vector<std::string> entries;
        if (!ListHostFolder(HostFolder, entries))
            throw EFOpenError(Format(SFOpenError, HostFolder, SysErrorMessage(errno)));
        std::sort(entries.begin(), entries.end(),
                  [](const std::string& a, const std::string& b) { return CompareTextCaseBlind(a, b) < 0; });
        for (const std::string& entry : entries) {
            const std::string path = HostPathJoin(HostFolder, entry);
            std::error_code error;
            if (std::filesystem::is_directory(path, error))
                AddHostFolder(path);
            else if (IsTextFile(entry))
                Add(ReadFileText(path));
        }
    }
    std::vector<std::string> Names() && { return std::move(FNames); }

private:
    std::vector<std::string> FNames;
    std::set<std::string, CaseBlindLess> FSeen;
};

} // namespace

std::vector<std::string> CollectProjectReferences(TBookProject& Project, const std::string& SystemFolder) {
    TReferenceCollector names;
    names.AddFolder(*Project.FilesStore().Root());
    names.AddFolder(*Project.SystemStore().Root());
    std::error_code error;
    if (std::filesystem::is_directory(SystemFolder, error))
        names.AddHostFolder(SystemFolder);
    names.Add(Project.Options().ApplicationTitle);
    names.Add(Project.Options().MainFormCaption);
    return std::move(names).Names();
}

bool TVariablesTable::Load(const std::string& XmlText) {
    FRows.clear();
    FPending = -1;
    return ReadVariableRows(XmlText, FRows);
}

std::string TVariablesTable::FileText() const {
    if (FPending < 0)
        return VariablesFileText(FRows);
    std::vector<TVariableRow> rows = FRows;
    rows.erase(rows.begin() + FPending);
    return VariablesFileText(rows);
}

int TVariablesTable::Insert(int Index, TVariableRow Row) {
    EndNewRow();
    Index = std::clamp(Index, 0, Count());
    Row.VariableName = CutVariableText(Row.VariableName);
    Row.VariableValue = CutVariableText(Row.VariableValue);
    FRows.insert(FRows.begin() + Index, std::move(Row));
    Changed(-1);
    return Index;
}

void TVariablesTable::Delete(int Index) {
    if (Index < 0 || Index >= Count())
        return;
    FRows.erase(FRows.begin() + Index);
    if (Index == FPending) {
        // Throwing away a row that was never posted changes nothing in the file.
        FPending = -1;
        return;
    }
    if (FPending > Index)
        --FPending;
    Changed(-1);
}

bool TVariablesTable::SetText(int Index, std::string TVariableRow::*Field, std::string_view Text) {
    std::string cut = CutVariableText(Text);
    std::string& cell = FRows.at(static_cast<std::size_t>(Index)).*Field;
    if (cell == cut)
        return false;
    cell = std::move(cut);
    Changed(Index);
    return true;
}

void TVariablesTable::ToggleBranding(int Index) {
    bool& allow = FRows.at(static_cast<std::size_t>(Index)).AllowBranding;
    allow = !allow;
    Changed(Index);
}

int TVariablesTable::BeginNewRow(int Index) {
    EndNewRow();
    Index = std::clamp(Index, 0, Count());
    FRows.insert(FRows.begin() + Index, TVariableRow());
    FPending = Index;
    return Index;
}

bool TVariablesTable::EndNewRow() {
    if (FPending < 0)
        return false;
    FRows.erase(FRows.begin() + FPending);
    FPending = -1;
    return true;
}

int TVariablesTable::Find(std::string_view Name) const {
    for (int i = 0; i < Count(); ++i)
        if (i != FPending && SameTextCaseBlind(FRows[static_cast<std::size_t>(i)].VariableName, Name))
            return i;
    return -1;
}

void TVariablesTable::Changed(int Index) {
    // The first change of the pending row posts it.
    if (Index >= 0 && Index == FPending)
        FPending = -1;
    if (OnChange)
        OnChange();
}
