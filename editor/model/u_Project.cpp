#include "u_Project.h"

#include "u_BookLayout.h"
#include "u_CaseBlind.h"
#include "u_Exception.h"
#include "u_ProgramFolder.h"
#include "u_SpaceXMLParser.h"
#include "u_XMLValues.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// Translatable texts.
const char* const SNewChapter = "New Chapter";
const char* const SDeleteItems = "Delete selected item from eBook?";
const char* const SClearStory = "Clear story?";
const char* const SNotAProject = "\"%s\" is not a project file";
const char* const SNoUserDataFolder =
    "There is no folder for your own data: neither XDG_DATA_HOME nor HOME names one";

// The default project, relative to the user's data folder or the program folder.
const char* const DefaultProjectPath = "DefaultProject/DefaultProject.ebp";

const size_t MaxRecent = 9;

bool HostFolderExists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool HostExists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

// Removes a host file or folder tree; false when something is left.
bool RemoveHostPath(const std::string& path) {
    if (!HostExists(path))
        return true;
    if (HostFolderExists(path)) {
        ClearAttributesTree(path, faReadOnly);
        return DeleteTree(path);
    }
    return ::unlink(path.c_str()) == 0;
}

void RenameHost(const std::string& from, const std::string& to) {
    if (std::rename(from.c_str(), to.c_str()) != 0)
        RaiseOSError(errno, from);
}

void WritePage(std::string& out, const TProjectItemInfo& item, const std::string& pad) {
    out += pad + "<item name=" + QuotedAttr(item.Name) + " page=" + QuotedAttr(item.Page) +
           " passwordprotection=" + BoolAttr(item.PasswordProtection) +
           " rightclick=" + BoolAttr(item.RightClick) + " includeintoc=" + BoolAttr(item.IncludeInTOC) +
           " searchable=" + BoolAttr(item.Searchable) + " RefCount=" + std::to_string(item.Refs.size());
    for (size_t n = 0; n < item.Refs.size(); ++n)
        out += "\r\n" + pad + "  Ref" + std::to_string(n) + "=" + QuotedAttr(item.Refs[n]);
    out += "/>\r\n";
}

} // namespace

void WriteStoryTree(std::string& Out, const std::vector<std::unique_ptr<TProjectItemInfo>>& Items, size_t Indent,
                    const std::function<void(std::string&, const TProjectItemInfo&, const std::string&)>& Page,
                    const std::function<std::string(const TProjectItemInfo&)>& ChapterTag) {
    struct TFrame {
        const std::vector<std::unique_ptr<TProjectItemInfo>>* Items;
        size_t Next;
        std::string Pad;
    };
    std::vector<TFrame> stack{{&Items, 0, std::string(Indent, ' ')}};
    while (!stack.empty()) {
        TFrame& f = stack.back();
        if (f.Next >= f.Items->size()) {
            stack.pop_back();
            if (!stack.empty())
                Out += stack.back().Pad + "</item>\r\n";
            continue;
        }
        const TProjectItemInfo& item = *(*f.Items)[f.Next++];
        if (item.IsPage()) {
            Page(Out, item, f.Pad);
            continue;
        }
        Out += f.Pad + ChapterTag(item) + "\r\n";
        std::string pad = f.Pad + "  ";
        stack.push_back({&item.Children(), 0, std::move(pad)});
    }
}

// ---- TProjectItemInfo ----

TProjectItemInfo::~TProjectItemInfo() {
    // Frees the subtree without recursion, however deep it is.
    std::vector<std::unique_ptr<TProjectItemInfo>> pending = std::move(FChildren);
    while (!pending.empty()) {
        std::unique_ptr<TProjectItemInfo> item = std::move(pending.back());
        pending.pop_back();
        for (auto& child : item->FChildren)
            pending.push_back(std::move(child));
        item->FChildren.clear();
    }
}

bool TProjectItemInfo::Flag(TItemFlag flag) const {
    switch (flag) {
    case ifRightClick:
        return RightClick;
    case ifPasswordProtection:
        return PasswordProtection;
    case ifIncludeInTOC:
        return IncludeInTOC;
    case ifSearchable:
        return Searchable;
    }
    return false;
}

void TProjectItemInfo::SetFlag(TItemFlag flag, bool value) {
    switch (flag) {
    case ifRightClick:
        RightClick = value;
        break;
    case ifPasswordProtection:
        PasswordProtection = value;
        break;
    case ifIncludeInTOC:
        IncludeInTOC = value;
        break;
    case ifSearchable:
        Searchable = value;
        break;
    }
}

TProjectItemInfo* TProjectItemInfo::Parent() const {
    return FParent && !FParent->FIsRoot ? FParent : nullptr;
}

int TProjectItemInfo::Index() const {
    if (!FParent)
        return -1;
    const auto& siblings = FParent->FChildren;
    for (size_t i = 0; i < siblings.size(); ++i)
        if (siblings[i].get() == this)
            return static_cast<int>(i);
    return -1;
}

TProjectItemInfo* TProjectItemInfo::PrevSibling() const {
    int i = Index();
    return i > 0 ? FParent->FChildren[static_cast<size_t>(i - 1)].get() : nullptr;
}

TProjectItemInfo* TProjectItemInfo::NextSibling() const {
    int i = Index();
    if (i < 0 || static_cast<size_t>(i) + 1 >= FParent->FChildren.size())
        return nullptr;
    return FParent->FChildren[static_cast<size_t>(i) + 1].get();
}

bool TProjectItemInfo::IsWithin(const TProjectItemInfo* item) const {
    for (const TProjectItemInfo* p = this; p && !p->FIsRoot; p = p->FParent)
        if (p == item)
            return true;
    return false;
}

// ---- TStory ----

TStory::TStory() {
    FRoot.FIsRoot = true;
}

TProjectItemInfo* TStory::AddChild(TProjectItemInfo* Parent, std::unique_ptr<TProjectItemInfo> Item) {
    TProjectItemInfo* container = Container(Parent);
    Item->FParent = container;
    container->FChildren.push_back(std::move(Item));
    return container->FChildren.back().get();
}

TProjectItemInfo* TStory::InsertBefore(TProjectItemInfo* Before, std::unique_ptr<TProjectItemInfo> Item) {
    if (!Before)
        return AddChild(nullptr, std::move(Item));
    TProjectItemInfo* container = Before->FParent;
    auto& v = container->FChildren;
    Item->FParent = container;
    auto it = v.insert(v.begin() + Before->Index(), std::move(Item));
    return it->get();
}

TProjectItemInfo* TStory::InsertAt(TProjectItemInfo* Anchor, std::unique_ptr<TProjectItemInfo> Item) {
    if (!Anchor || Anchor->IsChapter())
        return AddChild(Anchor, std::move(Item));
    if (TProjectItemInfo* next = Anchor->NextSibling())
        return InsertBefore(next, std::move(Item));
    return AddChild(Anchor->Parent(), std::move(Item));
}

std::unique_ptr<TProjectItemInfo> TStory::Remove(TProjectItemInfo* Item) {
    auto& v = Item->FParent->FChildren;
    auto it = v.begin() + Item->Index();
    std::unique_ptr<TProjectItemInfo> taken = std::move(*it);
    v.erase(it);
    taken->FParent = nullptr;
    return taken;
}

void TStory::MoveBefore(TProjectItemInfo* Item, TProjectItemInfo* Before) {
    if (Item == Before)
        return;
    std::unique_ptr<TProjectItemInfo> taken = Remove(Item);
    InsertBefore(Before, std::move(taken));
}

void TStory::Clear() {
    FRoot.FChildren.clear();
}

std::vector<TProjectItemInfo*> TStory::AllItems() const {
    std::vector<TProjectItemInfo*> result;
    // Iterative depth-first walk: deep chapter nesting cannot exhaust the stack.
    std::vector<std::pair<const TProjectItemInfo*, size_t>> stack{{&FRoot, 0}};
    while (!stack.empty()) {
        auto& [node, next] = stack.back();
        if (next >= node->FChildren.size()) {
            stack.pop_back();
            continue;
        }
        TProjectItemInfo* child = node->FChildren[next++].get();
        result.push_back(child);
        if (!child->FChildren.empty())
            stack.emplace_back(child, 0);
    }
    return result;
}

// ---- hosts ----

IProjectHost::TAnswer TPresetProjectHost::AskSaveChanges(const std::string& ProjectName) {
    ++SaveQuestions;
    LastProjectName = ProjectName;
    return SaveChangesAnswer;
}

bool TPresetProjectHost::Confirm(const std::string& Question, TQuestionKind Kind) {
    Questions.push_back(Question);
    QuestionKinds.push_back(Kind);
    return ConfirmAnswer;
}

bool TPresetProjectHost::ChooseSaveFileName(std::string& FileName) {
    ++SaveDialogs;
    if (SaveDialogAnswer)
        FileName = SaveDialogFileName;
    return SaveDialogAnswer;
}

void TPresetProjectHost::ItemRemoving(TProjectItemInfo* Item) {
    if (Selected && Selected->IsWithin(Item))
        Selected = nullptr;
}

// ---- path helpers ----

std::string ChangeFileExt(const std::string& FileName, const std::string& Ext) {
    size_t slash = FileName.find_last_of('/');
    size_t dot = FileName.find_last_of('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
        return FileName.substr(0, dot) + Ext;
    return FileName + Ext;
}

std::string ExtractFileNameOnly(const std::string& FileName) {
    size_t slash = FileName.find_last_of('/');
    std::string name = slash == std::string::npos ? FileName : FileName.substr(slash + 1);
    size_t dot = name.find_last_of('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string CommaTextOf(const std::vector<std::string>& Entries) {
    std::string text;
    for (size_t i = 0; i < Entries.size(); ++i) {
        if (i)
            text += ',';
        const std::string& e = Entries[i];
        bool quote = std::any_of(e.begin(), e.end(), [](char c) {
            return static_cast<unsigned char>(c) <= ' ' || c == ',' || c == '"';
        });
        text += quote ? QuotedAttr(e) : e;
    }
    return text;
}

std::vector<std::string> CommaTextToList(const std::string& Text) {
    std::vector<std::string> list;
    size_t i = 0, n = Text.size();
    auto blank = [&](size_t k) { return static_cast<unsigned char>(Text[k]) <= ' '; };
    while (i < n && blank(i))
        ++i;
    while (i < n) {
        std::string entry;
        if (Text[i] == '"') {
            ++i;
            while (i < n) {
                if (Text[i] == '"') {
                    if (i + 1 < n && Text[i + 1] == '"') {
                        entry += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                entry += Text[i++];
            }
        } else {
            while (i < n && Text[i] != ',' && !blank(i))
                entry += Text[i++];
        }
        list.push_back(std::move(entry));
        while (i < n && blank(i))
            ++i;
        if (i < n && Text[i] == ',') {
            ++i;
            while (i < n && blank(i))
                ++i;
        }
    }
    return list;
}

// ---- TBookProject ----

TBookProject::TBookProject(IProjectHost* Host) {
    if (!Host) {
        FOwnHost = std::make_unique<TPresetProjectHost>();
        Host = FOwnHost.get();
    }
    FHost = Host;
}

TBookProject::~TBookProject() = default;

std::string TBookProject::DefaultProjectBase() {
    return DataFolderHolding(DefaultProjectPath);
}

std::string TBookProject::DefaultProjectFileName() {
    return DefaultProjectBase() + DefaultProjectPath;
}

std::string TBookProject::UserDefaultProjectFileName() {
    const std::string folder = UserDataFolder();
    if (folder.empty())
        throw EProjectError(SNoUserDataFolder);
    return folder + DefaultProjectPath;
}

void TBookProject::NewProject() {
    CloseProject();
    OpenProject(DefaultProjectFileName(), false);
    FFileName.clear();
    // Every new book is a publication of its own.
    FOptions.Epub().Identifier = NewPublicationIdentifier();
    FVariablesScanPending = true;
    FIsOpen = true;
}

void TBookProject::OpenProject(const std::string& FileName, bool AddToRecentList) {
    CloseProject();
    try {
        TXMLParser parser;
        parser.LoadFromFile(FileName);
        const TXMLNode* root = parser.Root();
        // An empty file, or any other XML document, is no project.
        if (!root || !SameTextCaseBlind(root->Name, "project"))
            throw EProjectError(Format(SNotAProject, FileName));
        ReadProjectOptions(FOptions, root);
        if (const TXMLNode* splash = XmlFindChild(root, "splash"))
            ReadSplashOptions(FOptions.Splash(), splash);
        if (const TXMLNode* toolbar = XmlFindChild(root, "toolbar"))
            ReadToolbarOptions(FOptions.Toolbar(), toolbar);
        ReadEpubOptions(FOptions.Epub(), XmlFindChild(root, "epub"));

        std::string filesDir = ChangeFileExt(FileName, ".files");
        std::string systemDir = ChangeFileExt(FileName, ".system");
        std::vector<std::string> warnings;
        if (HostFolderExists(filesDir))
            FFilesStore.LoadFromFolder(filesDir, &warnings);
        else
            FFilesStore.Clear();
        if (HostFolderExists(systemDir))
            FSystemStore.LoadFromFolder(systemDir, &warnings);
        else
            FSystemStore.Clear();
        for (const std::string& warning : warnings)
            FHost->Warning(warning);
        FFileName = FileName;
        ReadStory(XmlFindChild(root, "story"));
    } catch (...) {
        FFilesStore.Clear();
        FSystemStore.Clear();
        FStory.Clear();
        FFileName.clear();
        throw;
    }
    FIsOpen = true;
    FModified = false;
    if (AddToRecentList)
        AddToRecent(FileName);
}

void TBookProject::ReadStory(const TXMLNode* storyNode) {
    FStory.Clear();
    if (!storyNode)
        return;
    auto files = FFilesStore.NewSession();
    ReadItems(storyNode, nullptr, *files);
}

void TBookProject::ReadItems(const TXMLNode* node, TProjectItemInfo* parent, TMFSSession& files) {
    // Depth first with an explicit stack: the XML reader takes any depth, so does this.
    struct TFrame {
        const TXMLNode* Node;
        TProjectItemInfo* Parent;
        int32_t Next;
    };
    std::vector<TFrame> stack{{node, parent, 0}};
    while (!stack.empty()) {
        TFrame& f = stack.back();
        if (f.Next >= f.Node->Nodes.Count()) {
            stack.pop_back();
            continue;
        }
        const TXMLNode* child = f.Node->Nodes.Items(f.Next++);
        auto item = std::make_unique<TProjectItemInfo>();
        item->Name = XmlText(child, "name", "");
        bool isPage = XmlHas(child, "page");
        item->Kind = isPage ? TProjectItemInfo::ikPage : TProjectItemInfo::ikChapter;
        item->RightClick = XmlBool(child, "rightclick", false);
        item->PasswordProtection = XmlBool(child, "passwordprotection", false);
        item->IncludeInTOC = XmlBool(child, "includeintoc", false);
        item->Searchable = XmlBool(child, "searchable", true);
        if (isPage) {
            item->Page = XmlText(child, "page", "");
            // Ref attributes beyond the node's attribute count cannot exist.
            int32_t count = std::min(XmlInt(child, "RefCount", 0), child->Attributes.Count());
            for (int32_t n = 0; n < count; ++n) {
                std::string ref = XmlText(child, "Ref" + std::to_string(n), "");
                if (!ref.empty() && files.Exists(ref))
                    item->Refs.push_back(std::move(ref));
            }
        }
        TProjectItemInfo* added = FStory.AddChild(f.Parent, std::move(item));
        if (!isPage)
            stack.push_back({child, added, 0});
    }
}

std::string TBookProject::ProjectFileText() const {
    std::string text;
    text += "<project " + FOptions.GetAttributes() + ">\r\n";
    text += "  <splash " + FOptions.Splash().GetAttributes() + "/>\r\n";
    text += "  <toolbar " + FOptions.Toolbar().GetAttributes() + "/>\r\n";
    if (!FOptions.Epub().IsDefault())
        text += "  <epub " + FOptions.Epub().GetAttributes() + "/>\r\n";
    text += "  <story>\r\n";
    WriteStoryTree(text, FStory.Children(), 4, WritePage,
                   [](const TProjectItemInfo& chapter) { return "<item name=" + QuotedAttr(chapter.Name) + ">"; });
    text += "  </story>\r\n";
    text += "</project>\r\n";
    return text;
}

void TBookProject::SaveProject(const std::string& FileName) {
    FHost->SaveChangesOfAll();
    const std::string text = ProjectFileText();

    struct TPart {
        std::string Target, Fresh, Old;
    };
    const std::string filesDir = ChangeFileExt(FileName, ".files");
    const std::string systemDir = ChangeFileExt(FileName, ".system");
    TPart parts[3] = {{filesDir, filesDir + "~new", filesDir + "~old"},
                      {systemDir, systemDir + "~new", systemDir + "~old"},
                      {FileName, FileName + "~new", FileName + "~old"}};

    // 1. Write everything beside the current project.
    for (TPart& p : parts)
        RemoveHostPath(p.Fresh);
    try {
        WriteFileText(text, parts[2].Fresh);
        FFilesStore.SaveToFolder(parts[0].Fresh);
        FSystemStore.SaveToFolder(parts[1].Fresh);
    } catch (...) {
        for (TPart& p : parts)
            RemoveHostPath(p.Fresh);
        throw;
    }

    // 2. Put the new parts in place. An old folder steps aside first so that any
    // failure can bring it back; the project file is replaced in one rename, last.
    bool oldMoved[3] = {false, false, false};
    bool placed[3] = {false, false, false};
    try {
        for (int i = 0; i < 3; ++i) {
            TPart& p = parts[i];
            if (i < 2) {
                RemoveHostPath(p.Old);
                if (HostExists(p.Target)) {
                    if (i == 0)
                        ClearAttributesTree(p.Target, faReadOnly);
                    RenameHost(p.Target, p.Old);
                    oldMoved[i] = true;
                }
            }
            RenameHost(p.Fresh, p.Target);
            placed[i] = true;
        }
    } catch (...) {
        for (int i = 0; i < 2; ++i) {
            TPart& p = parts[i];
            if (placed[i])
                RemoveHostPath(p.Target);
            if (oldMoved[i])
                std::rename(p.Old.c_str(), p.Target.c_str());
        }
        for (TPart& p : parts)
            RemoveHostPath(p.Fresh);
        throw;
    }
    for (int i = 0; i < 2; ++i)
        RemoveHostPath(parts[i].Old);

    FFileName = FileName;
    AddToRecent(FileName);
    FModified = false;
}

void TBookProject::WriteProjectFile() {
    const std::string fresh = FFileName + "~new";
    try {
        WriteFileText(ProjectFileText(), fresh);
        RenameHost(fresh, FFileName);
    } catch (...) {
        ::unlink(fresh.c_str());
        throw;
    }
}

void TBookProject::Save() {
    if (!FFileName.empty())
        SaveProject(FFileName);
    else
        SaveAs();
}

void TBookProject::SaveAs() {
    std::string name = FFileName;
    if (!FHost->ChooseSaveFileName(name))
        throw EAbort();
    SaveProject(ChangeFileExt(name, ".ebp"));
}

void TBookProject::SaveAsDefault() {
    const bool modified = FModified;
    const std::string fileName = FFileName;
    const std::vector<std::string> recent = FRecent;
    // The default project names no publication: each new project makes its own.
    const std::string identifier = FOptions.Epub().Identifier;
    FOptions.Epub().Identifier.clear();
    try {
        SaveProject(UserDefaultProjectFileName());
    } catch (...) {
        FOptions.Epub().Identifier = identifier;
        throw;
    }
    FOptions.Epub().Identifier = identifier;
    FModified = modified;
    FFileName = fileName;
    // The save put the default project first; the list is as it was before.
    FRecent = recent;
}

void TBookProject::CloseProject() {
    FHost->ProjectClosing();
    if (FIsOpen && FModified) {
        switch (FHost->AskSaveChanges(FFileName.empty() ? std::string() : ExtractFileNameOnly(FFileName))) {
        case IProjectHost::Cancel:
            throw EAbort();
        case IProjectHost::Yes:
            Save();
            break;
        case IProjectHost::No:
            break;
        }
    }
    if (!FHost->CloseAllDocuments())
        throw EAbort();
    FIsOpen = false;
    FModified = false;
    FFilesStore.Clear();
    FSystemStore.Clear();
    RemoveAllItems();
    FFileName.clear();
}

TProjectItemInfo* TBookProject::AddChildChapter(TProjectItemInfo* Parent) {
    if (Parent && Parent->IsPage())
        return nullptr;
    TProjectItemInfo* item =
        FStory.AddChild(Parent, std::make_unique<TProjectItemInfo>(TProjectItemInfo::ikChapter, SNewChapter));
    FHost->SelectItem(item);
    SetModified();
    return item;
}

TProjectItemInfo* TBookProject::InsertChapter(TProjectItemInfo* Before) {
    if (!Before)
        return AddChildChapter(nullptr);
    TProjectItemInfo* item = FStory.InsertBefore(
        Before, std::make_unique<TProjectItemInfo>(TProjectItemInfo::ikChapter, SNewChapter));
    FHost->SelectItem(item);
    SetModified();
    return item;
}

TProjectItemInfo* TBookProject::AddPageItem(TProjectItemInfo* Anchor, const std::string& Title,
                                            const std::string& Page) {
    auto item = std::make_unique<TProjectItemInfo>(TProjectItemInfo::ikPage, Title);
    item->Page = Page;
    return FStory.InsertAt(Anchor, std::move(item));
}

TProjectItemInfo* TBookProject::AddChapterItem(TProjectItemInfo* Anchor, const std::string& Title) {
    return FStory.InsertAt(Anchor, std::make_unique<TProjectItemInfo>(TProjectItemInfo::ikChapter, Title));
}

TProjectItemInfo* TBookProject::AddPageFromFile(const std::string& SourceFile, const std::string& Title,
                                                TProjectItemInfo* Anchor) {
    const std::string base = ExtractFileNameOnly(SourceFile);
    size_t slash = SourceFile.find_last_of('/');
    std::string nameWithExt = slash == std::string::npos ? SourceFile : SourceFile.substr(slash + 1);
    const std::string ext = nameWithExt.substr(base.size());

    const std::string content = ReadFileText(SourceFile);
    auto files = FFilesStore.NewSession();
    std::string newBase, pagePath;
    for (unsigned n = 1;; ++n) {
        newBase = base + std::to_string(n);
        pagePath = "\\" + newBase + ext;
        if (!files->Exists(pagePath))
            break;
    }
    TMFSFile* file = files->CreateFile(pagePath, 0, false);
    file->Content = ReplaceTextIgnoreCase(content, "${NAME}", newBase);

    TProjectItemInfo* item = AddPageItem(Anchor, Title, pagePath);
    AddReference(item, pagePath);

    const std::string hostCompanion = ChangeFileExt(SourceFile, ".files");
    if (HostFolderExists(hostCompanion)) {
        const std::string companion = TMFS::ChangeExt(pagePath, ".files");
        TMFSFolder* folder = files->ForceFolders(companion);
        TMFS imported;
        std::vector<std::string> warnings;
        imported.LoadFromFolder(hostCompanion, &warnings);
        for (const std::string& warning : warnings)
            FHost->Warning(warning);
        MergeTreeInto(imported.Root(), folder);
        AddReference(item, companion);
    }
    SetModified();
    return item;
}

void TBookProject::RemoveItem(TProjectItemInfo* item) {
    FHost->ItemRemoving(item);
    FStory.Remove(item);
}

void TBookProject::DeletePageFiles(const std::vector<std::string>& pages) {
    auto files = FFilesStore.NewSession();
    std::string firstError;
    bool failed = false;
    for (const std::string& page : pages) {
        try {
            files->Delete(page);
            const std::string companion = TMFS::ChangeExt(page, ".files");
            if (files->FolderExists(companion)) {
                files->FindItem(companion)->AsFolder()->Clear();
                files->Delete(companion);
            }
        } catch (const Exception& e) {
            // The others are still deleted; the first failure is reported.
            if (!failed)
                firstError = e.Message();
            failed = true;
        }
    }
    if (failed)
        throw EMFSError(firstError);
}

void TBookProject::DeleteItems(const std::vector<TProjectItemInfo*>& Items) {
    if (Items.empty())
        return;
    if (!FHost->Confirm(SDeleteItems, IProjectHost::qkConfirmation))
        throw EAbort();
    // The given items that are not below another given item.
    std::vector<TProjectItemInfo*> tops;
    for (TProjectItemInfo* item : Items) {
        bool below = false;
        for (TProjectItemInfo* other : Items)
            if (other != item && item->IsWithin(other))
                below = true;
        if (!below && std::find(tops.begin(), tops.end(), item) == tops.end())
            tops.push_back(item);
    }
    std::vector<std::string> pages;
    std::set<std::string, CaseBlindLess> seen;
    auto collect = [&](TProjectItemInfo* item) {
        if (item->IsPage() && !item->Page.empty() && seen.insert(item->Page).second)
            pages.push_back(item->Page);
    };
    for (TProjectItemInfo* top : tops) {
        collect(top);
        std::vector<TProjectItemInfo*> stack{top};
        while (!stack.empty()) {
            TProjectItemInfo* it = stack.back();
            stack.pop_back();
            for (auto c = it->Children().rbegin(); c != it->Children().rend(); ++c) {
                collect(c->get());
                stack.push_back(c->get());
            }
        }
    }
    FHost->ClosePageEditors(pages, false);
    for (TProjectItemInfo* top : tops)
        RemoveItem(top);
    // Marked before the files go, so that a failure below still leaves the removal
    // to be saved.
    SetModified();
    DeletePageFiles(pages);
}

void TBookProject::ClearStory() {
    if (!FHost->Confirm(SClearStory, IProjectHost::qkWarning))
        throw EAbort();
    FHost->SelectItem(nullptr);
    FHost->ClosePageEditors({}, true);
    std::vector<TProjectItemInfo*> all = FStory.AllItems();
    std::vector<std::string> pages;
    std::set<std::string, CaseBlindLess> seen;
    for (auto it = all.rbegin(); it != all.rend(); ++it)
        if ((*it)->IsPage() && !(*it)->Page.empty() && seen.insert((*it)->Page).second)
            pages.push_back((*it)->Page);
    RemoveAllItems();
    SetModified();
    DeletePageFiles(pages);
}

void TBookProject::RemoveAllItems() {
    while (!FStory.Empty())
        RemoveItem(FStory.Items(FStory.Count() - 1));
}

void TBookProject::RenameItem(TProjectItemInfo* Item, const std::string& Name) {
    if (Item->Name == Name)
        return;
    Item->Name = Name;
    SetModified();
}

void TBookProject::MoveUp(TProjectItemInfo* Item) {
    if (TProjectItemInfo* prev = Item->PrevSibling()) {
        FStory.MoveBefore(Item, prev);
        SetModified();
    }
}

void TBookProject::MoveDown(TProjectItemInfo* Item) {
    if (TProjectItemInfo* next = Item->NextSibling()) {
        FStory.MoveBefore(next, Item);
        SetModified();
    }
}

void TBookProject::MoveItem(TProjectItemInfo* Item, TProjectItemInfo* Parent, TProjectItemInfo* Before) {
    if (Before) {
        if (Before == Item || Item->NextSibling() == Before)
            return; // already there
        FStory.MoveBefore(Item, Before);
    } else {
        if (Item->Parent() == Parent && !Item->NextSibling())
            return; // already the last item of Parent
        FStory.AddChild(Parent, FStory.Remove(Item));
    }
    SetModified();
}

void TBookProject::SetItemFlag(TProjectItemInfo* Item, TItemFlag Flag, bool Value) {
    bool changed = false;
    auto set = [&](TProjectItemInfo* item) {
        changed = changed || item->Flag(Flag) != Value;
        item->SetFlag(Flag, Value);
    };
    set(Item);
    if (Item->IsChapter()) {
        std::vector<TProjectItemInfo*> stack{Item};
        while (!stack.empty()) {
            TProjectItemInfo* it = stack.back();
            stack.pop_back();
            for (const auto& c : it->Children()) {
                set(c.get());
                stack.push_back(c.get());
            }
        }
    }
    if (changed)
        SetModified();
}

// ---- store files

namespace {

// The file at Path of a store, none when there is no file there. The lookup has a
// session of its own: the store's default session may stand in another folder.
const TMFSFile* FindFile(const TMFS& Store, const std::string& Path) {
    const auto session = const_cast<TMFS&>(Store).NewSession();
    if (!session->Exists(Path) || session->FolderExists(Path))
        return nullptr;
    return session->FindItem(TMFS::NormalizeSlashes(Path))->AsFile();
}

// Puts Content into the file Path of a store (with the folders on its way); true when
// the stored content changed.
bool PutFile(TMFS& Store, const std::string& Path, const std::string& Content) {
    if (const TMFSFile* file = FindFile(Store, Path); file && file->Content == Content)
        return false;
    const auto session = Store.NewSession();
    const std::string folder = TMFS::ExtractPath(TMFS::NormalizeSlashes(Path));
    if (!folder.empty())
        session->ForceFolders(folder);
    session->CreateFile(Path, 0, true)->Content = Content;
    return true;
}

} // namespace

std::optional<std::string> TBookProject::SystemFile(const std::string& Path) const {
    if (const TMFSFile* file = FindFile(FSystemStore, Path))
        return file->Content;
    return std::nullopt;
}

void TBookProject::SetSystemFile(const std::string& Path, const std::string& Content, bool MarkModified) {
    if (PutFile(FSystemStore, Path, Content) && MarkModified)
        SetModified();
}

bool TBookProject::DeleteSystemFile(const std::string& Path) {
    if (!FindFile(FSystemStore, Path))
        return false;
    FSystemStore.NewSession()->Delete(Path);
    SetModified();
    return true;
}

std::string TBookProject::VariablesText() const {
    return SystemFile(VariablesXmlFile).value_or(std::string());
}

void TBookProject::SetVariablesText(const std::string& Text, bool MarkModified) {
    SetSystemFile(VariablesXmlFile, Text, MarkModified);
}

std::string TBookProject::AdditionalPagesText() const {
    return SystemFile(AdditionalPagesXmlFile).value_or(std::string());
}

void TBookProject::SetAdditionalPagesText(const std::string& Text) {
    SetSystemFile(AdditionalPagesXmlFile, Text);
}

TSecuritySettings TBookProject::Security() const {
    TSecuritySettings settings;
    ReadEncryptXml(SystemFile(EncryptXmlFile).value_or(std::string()), settings);
    return settings;
}

void TBookProject::SetSecurityText(const std::string& Text) {
    SetSystemFile(EncryptXmlFile, Text);
}

void TBookProject::SetEpubOptions(const TEpubOptions& Options) {
    if (Options == FOptions.Epub())
        return;
    FOptions.Epub() = Options;
    FModified = true;
}

std::optional<std::string> TBookProject::Icon() const {
    return SystemFile(IconFile);
}

void TBookProject::SetIcon(const std::optional<std::string>& Bytes) {
    if (Bytes)
        SetSystemFile(IconFile, *Bytes);
    else
        DeleteSystemFile(IconFile);
}

std::string TBookProject::FileContent(const std::string& Path) const {
    return const_cast<TMFS&>(FFilesStore).NewSession()->OpenFile(Path)->Content;
}

void TBookProject::WriteFile(const std::string& Path, const std::string& Content) {
    if (PutFile(FFilesStore, Path, Content))
        SetModified();
}

void TBookProject::AddReference(TProjectItemInfo* Item, const std::string& Path) {
    // Only pages have references; a chapter's stay empty.
    if (!Item || !Item->IsPage() || Path.empty())
        return;
    auto files = FFilesStore.NewSession();
    if (files->Exists(Path))
        Item->Refs.push_back(Path);
}

void TBookProject::AddToRecent(const std::string& FileName) {
    auto it = std::find_if(FRecent.begin(), FRecent.end(),
                           [&](const std::string& e) { return SameTextCaseBlind(e, FileName); });
    if (it != FRecent.end())
        FRecent.erase(it);
    FRecent.insert(FRecent.begin(), FileName);
    while (FRecent.size() > MaxRecent)
        FRecent.pop_back();
}

std::string TBookProject::RecentCommaText() const {
    return CommaTextOf(FRecent);
}

void TBookProject::SetRecentCommaText(const std::string& Text) {
    FRecent.clear();
    for (std::string& e : CommaTextToList(Text)) {
        if (e.empty())
            continue;
        bool dup = std::any_of(FRecent.begin(), FRecent.end(),
                               [&](const std::string& r) { return SameTextCaseBlind(r, e); });
        if (!dup && FRecent.size() < MaxRecent)
            FRecent.push_back(std::move(e));
    }
}
