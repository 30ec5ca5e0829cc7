#include "u_ExtForms.h"

#include "u_AddFile.h"
#include "u_CaseBlind.h"
#include "u_HostFiles.h"
#include "u_MFS.h"
#include "u_Project.h"
#include "u_SpaceXMLParser.h"
#include "u_eBookCommon.h"

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

} // namespace

bool ReadExtForms(const std::string& XmlText, std::vector<TExtFormInfo>& Entries) {
    return ReadRootChildren(XmlText,
                            [&Entries](const TXMLNode& Node) { Entries.push_back(ReadEntry(Node)); });
}

std::string BuildExtFormsXml(const std::vector<TExtFormInfo>& Entries) {
    std::string xml = "<AdditionalPages>\r\n";
    for (const TExtFormInfo& e : Entries) {
        if (!e.IsForm) {
            xml += "<Page Path=" + QuotedAttr(e.Path) + " Name=" + QuotedAttr(e.Name) + "/>";
            continue;
        }
        xml += "<Form Path=" + QuotedAttr(e.Path) + " Name=" + QuotedAttr(e.Name) +
               " Caption=" + QuotedAttr(e.Caption) + " Center=" + BoolAttr(e.Center) +
               " HideScrollBar=" + BoolAttr(!e.ScrollBars) + " Width=" + std::to_string(e.Width) +
               " Height=" + std::to_string(e.Height) + " Sizeable=" + BoolAttr(e.Sizeable) +
               " SystemMenu=" + BoolAttr(e.SystemMenu) + " Maximize=" + BoolAttr(e.Maximize) +
               " Minimize=" + BoolAttr(e.Minimize) + "/>";
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
