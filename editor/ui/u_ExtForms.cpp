#include "u_ExtForms.h"

#include "u_AddFile.h"
#include "u_HostFiles.h"
#include "u_MFS.h"
#include "u_Project.h"

#include <cerrno>

const char* const DefaultAdditionalPagesList = "DefaultProject/DefaultProject.system/AdditionalPages.xml";
const char* const DefaultAdditionalPagesFolder = "DefaultProject/DefaultProject.files/AdditionalPages";
const char* const AdditionalPagesFolder = "\\AdditionalPages";
const char* const SExtFormDoubleQuote = "A window title cannot contain a double quote (\").";

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
    // The import marks the project modified.
    ImportFile(Project, FileName, Path, false);
}

void ResetAdditionalPages(TBookProject& Project, const std::string& DataFolder) {
    const std::string list = ReadFileText(DataFolder + DefaultAdditionalPagesList);
    Project.SetAdditionalPagesText(list);
    TMFSFolder* folder = Project.FilesStore().NewSession()->ForceFolders(AdditionalPagesFolder);
    ImportHostFolderInto(folder, DataFolder + DefaultAdditionalPagesFolder);
    // The imported pages are new files of the project, whatever the list did.
    Project.SetModified();
}
