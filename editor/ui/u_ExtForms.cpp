#include "u_ExtForms.h"

#include "u_AddFile.h"
#include "u_CaseBlind.h"
#include "u_HostFiles.h"
#include "u_MFS.h"
#include "u_Project.h"
#include "u_SpaceXMLParser.h"

#include <cerrno>

const char* const AdditionalPagesFileName = "\\AdditionalPages.xml";
const char* const DefaultAdditionalPagesList = "DefaultProject/DefaultProject.system/AdditionalPages.xml";
const char* const DefaultAdditionalPagesFolder = "DefaultProject/DefaultProject.files/AdditionalPages";
const char* const AdditionalPagesFolder = "\\AdditionalPages";
const char* const SExtFormDoubleQuote = "A window title cannot contain a double quote (\").";

namespace {

TExtFormInfo ReadEntry(const TXMLNode& Node) {
    const TXMLAttributes& a = Node.Attributes;
    TExtFormInfo entry;
    entry.IsForm = SameTextCaseBlind(Node.Name, "Form");
    entry.Path = a.GetString("Path", "");
    entry.Name = a.GetString("Name", "");
    entry.Caption = a.GetString("Caption", "");
    entry.Width = a.GetInteger("Width", 400);
    entry.Height = a.GetInteger("Height", 300);
    entry.Center = a.GetBoolean("Center", true);
    entry.Sizeable = a.GetBoolean("Sizeable", false);
    entry.ScrollBars = !a.GetBoolean("HideScrollBar", true);
    entry.SystemMenu = a.GetBoolean("SystemMenu", true);
    entry.Maximize = a.GetBoolean("Maximize", true);
    entry.Minimize = a.GetBoolean("Minimize", true);
    return entry;
}

// A text between double quotes, an inner double quote doubled.
std::string Quoted(const std::string& Text) {
    std::string quoted = "\"";
    for (const char c : Text) {
        quoted += c;
        if (c == '"')
            quoted += '"';
    }
    return quoted + "\"";
}

const char* BoolText(bool Value) {
    return Value ? "True" : "False";
}

} // namespace

bool ReadExtForms(const std::string& XmlText, std::vector<TExtFormInfo>& Entries) {
    TXMLParser parser;
    bool complete = true;
    try {
        parser.LoadFromString(XmlText);
    } catch (const std::exception&) {
        // The elements read before the error are still in the partial tree.
        complete = false;
    }
    const TXMLNode* root = parser.Root();
    if (!root)
        return false;
    try {
        for (int i = 0; i < root->Nodes.Count(); ++i)
            Entries.push_back(ReadEntry(*root->Nodes[i]));
    } catch (const std::exception&) {
        return false;
    }
    return complete;
}

std::string BuildExtFormsXml(const std::vector<TExtFormInfo>& Entries) {
    std::string xml = "<AdditionalPages>\r\n";
    for (const TExtFormInfo& e : Entries) {
        if (!e.IsForm) {
            xml += "<Page Path=" + Quoted(e.Path) + " Name=" + Quoted(e.Name) + "/>";
            continue;
        }
        xml += "<Form Path=" + Quoted(e.Path) + " Name=" + Quoted(e.Name) + " Caption=" + Quoted(e.Caption) +
               " Center=" + BoolText(e.Center) + " HideScrollBar=" + BoolText(!e.ScrollBars) +
               " Width=" + std::to_string(e.Width) + " Height=" + std::to_string(e.Height) +
               " Sizeable=" + BoolText(e.Sizeable) + " SystemMenu=" + BoolText(e.SystemMenu) +
               " Maximize=" + BoolText(e.Maximize) + " Minimize=" + BoolText(e.Minimize) + "/>";
    }
    return xml + "</AdditionalPages>";
}

bool IsExtFormTextAllowed(std::string_view Text) {
    return Text.find('"') == std::string_view::npos;
}

bool StoreHoldsFile(TMFS& Store, const std::string& Path) {
    if (Path.empty())
        return false;
    auto session = Store.NewSession();
    return session->Exists(Path) && !session->FolderExists(Path);
}

bool CanEditExtFormFile(TMFS& FilesStore, const TExtFormInfo* Entry) {
    return Entry && StoreHoldsFile(FilesStore, Entry->Path);
}

bool CanReplaceExtFormFile(const TExtFormInfo* Entry) {
    return Entry != nullptr;
}

bool CanPreviewExtForm(TMFS& FilesStore, const TExtFormInfo* Entry) {
    return Entry && Entry->IsForm && StoreHoldsFile(FilesStore, Entry->Path);
}

void ReplaceExtFormFile(TBookProject& Project, const std::string& Path, const std::string& FileName) {
    // The old page only goes once the new one is known to be there.
    if (!HostFileExists(FileName))
        throw EFOpenError(Format(SFOpenError, FileName, SysErrorMessage(ENOENT)));
    auto files = Project.FilesStore().NewSession();
    if (StoreHoldsFile(Project.FilesStore(), Path))
        files->Delete(Path);
    const std::string companion = TMFS::ChangeExt(TMFS::NormalizeSlashes(Path), ".files");
    if (files->FolderExists(companion)) {
        files->FindItem(companion)->AsFolder()->Clear();
        files->Delete(companion);
    }
    ImportFile(Project, FileName, Path, false);
    Project.SetModified();
}

void ResetAdditionalPages(TBookProject& Project, const std::string& ProgramFolder) {
    const std::string list = ReadFileText(ProgramFolder + DefaultAdditionalPagesList);
    Project.SystemStore().NewSession()->CreateFile(AdditionalPagesFileName, 0, true)->Content = list;
    TMFSFolder* folder = Project.FilesStore().NewSession()->ForceFolders(AdditionalPagesFolder);
    ImportHostFolderInto(folder, ProgramFolder + DefaultAdditionalPagesFolder);
    Project.SetModified();
}
