// Project state: the open book project with its file name, modified flag, book
// options, story tree, two stores (files and system) and the recent-projects list,
// and every operation on it. On disk a project is the ".ebp" file and the folders
// ".files" and ".system" beside it.
//
// What an operation needs from the user (questions, the save dialog, the document
// windows) goes through IProjectHost: the main window implements it, the command line
// and the tests answer from given values.
#pragma once

#include "u_MFS.h"
#include "u_eBookCommon.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class TStory;
class TXMLNode;

enum TItemFlag : uint8_t { ifRightClick, ifPasswordProtection, ifIncludeInTOC, ifSearchable };

// A file that is not a project file (its root element is not "project").
class EProjectError : public Exception {
public:
    using Exception::Exception;
};

// One story item: a chapter (Kind 0) holding further items, or a page (Kind 1) that
// names its page file in the files store.
class TProjectItemInfo {
public:
    static constexpr uint8_t ikChapter = 0;
    static constexpr uint8_t ikPage = 1;

    TProjectItemInfo() = default;
    TProjectItemInfo(uint8_t kind, std::string name) : Kind(kind), Name(std::move(name)) {}
    ~TProjectItemInfo();
    TProjectItemInfo(const TProjectItemInfo&) = delete;
    TProjectItemInfo& operator=(const TProjectItemInfo&) = delete;

    uint8_t Kind = ikChapter;
    std::string Name; // shown in the story tree
    std::string Page; // a page's absolute path in the files store
    bool RightClick = false;
    bool PasswordProtection = false;
    bool IncludeInTOC = false;
    bool Searchable = false;
    // Paths in the files store of the files the page uses (its page file, its
    // companion folder, linked files).
    std::vector<std::string> Refs;

    bool IsChapter() const { return Kind != ikPage; }
    bool IsPage() const { return Kind == ikPage; }
    bool Flag(TItemFlag flag) const;
    void SetFlag(TItemFlag flag, bool value);

    // The parent chapter; none for a top-level item.
    TProjectItemInfo* Parent() const;
    const std::vector<std::unique_ptr<TProjectItemInfo>>& Children() const { return FChildren; }
    int Count() const { return static_cast<int>(FChildren.size()); }
    TProjectItemInfo* Items(int index) const { return FChildren.at(static_cast<size_t>(index)).get(); }
    int Index() const; // among its siblings
    TProjectItemInfo* PrevSibling() const;
    TProjectItemInfo* NextSibling() const;
    // True when this item is Item or lies below it.
    bool IsWithin(const TProjectItemInfo* item) const;

private:
    friend class TStory;
    TProjectItemInfo* FParent = nullptr; // the story's hidden root for top-level items
    bool FIsRoot = false;
    std::vector<std::unique_ptr<TProjectItemInfo>> FChildren;
};

// The ordered story tree. Story order is depth-first: an item, its children, then its
// next sibling.
class TStory {
public:
    TStory();
    TStory(const TStory&) = delete;
    TStory& operator=(const TStory&) = delete;

    // Top-level items.
    const std::vector<std::unique_ptr<TProjectItemInfo>>& Children() const { return FRoot.Children(); }
    int Count() const { return FRoot.Count(); }
    TProjectItemInfo* Items(int index) const { return FRoot.Items(index); }
    bool Empty() const { return FRoot.Count() == 0; }

    // Last child of Parent (none: last top-level item).
    TProjectItemInfo* AddChild(TProjectItemInfo* Parent, std::unique_ptr<TProjectItemInfo> Item);
    // Directly before Before, as its sibling.
    TProjectItemInfo* InsertBefore(TProjectItemInfo* Before, std::unique_ptr<TProjectItemInfo> Item);
    // At the position an anchor gives: none or a chapter, its last child (or the last
    // top-level item); a page, directly after it.
    TProjectItemInfo* InsertAt(TProjectItemInfo* Anchor, std::unique_ptr<TProjectItemInfo> Item);
    // Takes the item with everything below it out of the tree.
    std::unique_ptr<TProjectItemInfo> Remove(TProjectItemInfo* Item);
    // Moves Item (with its children) directly before Before, a sibling-to-be.
    void MoveBefore(TProjectItemInfo* Item, TProjectItemInfo* Before);
    void Clear();

    // Every item in story order.
    std::vector<TProjectItemInfo*> AllItems() const;

private:
    TProjectItemInfo* Container(TProjectItemInfo* parent) { return parent ? parent : &FRoot; }
    TProjectItemInfo FRoot;
};

// What the project asks of the user interface.
class IProjectHost {
public:
    enum TAnswer { Yes, No, Cancel };
    virtual ~IProjectHost() = default;

    // The kind of an OK/Cancel question: a confirmation, or a warning for a question
    // whose answer OK loses more ("Clear story?").
    enum TQuestionKind { qkConfirmation, qkWarning };

    // "Save changes to project %s?" with Yes, No, Cancel.
    virtual TAnswer AskSaveChanges(const std::string& ProjectName) = 0;
    // An OK/Cancel question ("Delete selected item from eBook?", "Clear story?").
    virtual bool Confirm(const std::string& Question, TQuestionKind Kind) = 0;
    // The save dialog for "Quarvel Projects (*.ebp)", starting at FileName; false when
    // cancelled.
    virtual bool ChooseSaveFileName(std::string& FileName) = 0;

    // Every open document window puts its pending changes into the project.
    virtual void SaveChangesOfAll() {}
    // The project is about to close.
    virtual void ProjectClosing() {}
    // Closes every document window; false when one of them stays open.
    virtual bool CloseAllDocuments() { return true; }
    // Closes the page editor windows showing any of these pages (all of them when
    // All is set).
    virtual void ClosePageEditors(const std::vector<std::string>& /*Pages*/, bool /*All*/) {}
    // Selects a story item (none: nothing selected).
    virtual void SelectItem(TProjectItemInfo* /*Item*/) {}
    // An item is about to leave the story (with everything below it).
    virtual void ItemRemoving(TProjectItemInfo* /*Item*/) {}
    // A question with Yes and No, and Cancel when AllowCancel is set (templates, import).
    virtual TAnswer Ask(const std::string& /*Question*/, bool /*AllowCancel*/) { return Cancel; }
    // A message with an OK button.
    virtual void ShowMessage(const std::string& /*Text*/) {}
    // The selected story item, or none.
    virtual TProjectItemInfo* SelectedItem() const { return nullptr; }
    // Something the user should know that did not stop the operation: a symbolic link
    // that was not followed, a file left out for a letter-case clash, a link left out of
    // an import, a story page missing from the files store. One text per warning.
    virtual void Warning(const std::string& /*Text*/) {}
};

// A host that asks nobody: the answers are set beforehand by the caller (the command
// line, the tests). It counts the questions it was asked.
class TPresetProjectHost : public IProjectHost {
public:
    TAnswer SaveChangesAnswer = No;
    bool ConfirmAnswer = true;
    bool SaveDialogAnswer = false;
    std::string SaveDialogFileName; // the chosen name when SaveDialogAnswer is true
    bool DocumentsClose = true;

    int SaveQuestions = 0;
    std::string LastProjectName;
    std::vector<std::string> Questions;
    int SaveDialogs = 0;
    TProjectItemInfo* Selected = nullptr;

    TAnswer AskSaveChanges(const std::string& ProjectName) override;
    // The kinds of the questions Confirm was asked, in order.
    std::vector<TQuestionKind> QuestionKinds;
    bool Confirm(const std::string& Question, TQuestionKind Kind) override;
    bool ChooseSaveFileName(std::string& FileName) override;
    bool CloseAllDocuments() override { return DocumentsClose; }
    void SelectItem(TProjectItemInfo* Item) override { Selected = Item; }
    void ItemRemoving(TProjectItemInfo* Item) override;

    // Answers to Ask: by question text, else AskAnswer. Asked questions join Questions.
    TAnswer AskAnswer = No;
    std::map<std::string, TAnswer> Answers;
    std::vector<std::string> Messages;
    TAnswer Ask(const std::string& Question, bool /*AllowCancel*/) override {
        Questions.push_back(Question);
        const auto it = Answers.find(Question);
        return it == Answers.end() ? AskAnswer : it->second;
    }
    void ShowMessage(const std::string& Text) override { Messages.push_back(Text); }
    TProjectItemInfo* SelectedItem() const override { return Selected; }
    std::vector<std::string> Warnings;
    void Warning(const std::string& Text) override { Warnings.push_back(Text); }
};

class TBookProject {
public:
    // The host must outlive the project; none gives a preset host with its defaults.
    explicit TBookProject(IProjectHost* Host = nullptr);
    ~TBookProject();
    TBookProject(const TBookProject&) = delete;
    TBookProject& operator=(const TBookProject&) = delete;

    IProjectHost& Host() const { return *FHost; }
    const std::string& FileName() const { return FFileName; }
    bool IsOpen() const { return FIsOpen; }
    bool Modified() const { return FModified; }
    TProjectOptions& Options() { return FOptions; }
    const TProjectOptions& Options() const { return FOptions; }
    TMFS& FilesStore() { return FFilesStore; }
    TMFS& SystemStore() { return FSystemStore; }
    const TMFS& FilesStore() const { return FFilesStore; }
    const TMFS& SystemStore() const { return FSystemStore; }
    TStory& Story() { return FStory; }
    const TStory& Story() const { return FStory; }
    bool VariablesScanPending() const { return FVariablesScanPending; }
    void SetVariablesScanPending(bool Value) { FVariablesScanPending = Value; }

    // The default project a new project starts from: "DefaultProject/DefaultProject.ebp"
    // in the user's data folder when the user saved one there, else the program folder's.
    static std::string DefaultProjectFileName();
    // The folder (with a trailing "/") whose "DefaultProject" is the one in use.
    static std::string DefaultProjectBase();
    // Where Save As Default writes: "DefaultProject/DefaultProject.ebp" in the user's
    // data folder (never the program folder, which may be installed read-only).
    // EProjectError when the environment names no such folder.
    static std::string UserDefaultProjectFileName();

    void NewProject();
    // Reads the project file (EProjectError when its root element is not "project"),
    // the stores and the story. Links that lead out of the store folders and names
    // differing only in letter case are reported to the host's Warning.
    void OpenProject(const std::string& FileName, bool AddToRecent);
    // Writes the project file and both store folders. They are written beside the
    // old ones first and then put in their place, so a failed save leaves the
    // previous project on disk; FileName and Modified then stay as they were.
    void SaveProject(const std::string& FileName);
    void Save();
    void SaveAs();
    void SaveAsDefault();
    void CloseProject();
    // Marks the project changed (or saved). The operations below mark it themselves;
    // a document window calls this for changes it keeps in its own working copy.
    void SetModified(bool Value = true) { FModified = Value; }

    TProjectItemInfo* AddChildChapter(TProjectItemInfo* Parent);
    TProjectItemInfo* InsertChapter(TProjectItemInfo* Before);
    // Copies a page file (with "${NAME}" filled in) into the files store under the
    // first free numbered name and adds its story item at the anchor's position.
    TProjectItemInfo* AddPageFromFile(const std::string& SourceFile, const std::string& Title,
                                      TProjectItemInfo* Anchor);
    // A new page item for a page already in the files store, at the anchor's position.
    TProjectItemInfo* AddPageItem(TProjectItemInfo* Anchor, const std::string& Title,
                                  const std::string& Page);
    // A new chapter item at the anchor's position.
    TProjectItemInfo* AddChapterItem(TProjectItemInfo* Anchor, const std::string& Title);
    // Asks "Delete selected item from eBook?", then removes the items with their pages.
    void DeleteItems(const std::vector<TProjectItemInfo*>& Items);
    // Asks "Clear story?", then removes every item with its page.
    void ClearStory();
    // Removes every story item, the files staying in the store.
    void RemoveAllItems();
    // Changes of the story. Each marks the project modified when it changed something
    // (the names, the order and the flags are part of the project file).
    void RenameItem(TProjectItemInfo* Item, const std::string& Name);
    // Swap an item with its previous or next sibling (nothing when there is none).
    void MoveUp(TProjectItemInfo* Item);
    void MoveDown(TProjectItemInfo* Item);
    // Moves Item (with everything below it) directly before Before, or to the end of
    // Parent's items (none: the top level) when Before is none. Before must not be Item
    // or lie below it.
    void MoveItem(TProjectItemInfo* Item, TProjectItemInfo* Parent, TProjectItemInfo* Before);
    // Sets a flag of a page; of a chapter and of everything below it.
    void SetItemFlag(TProjectItemInfo* Item, TItemFlag Flag, bool Value);
    // Appends Path to a page's Refs when it names an existing item of the files store;
    // nothing for a chapter.
    void AddReference(TProjectItemInfo* Item, const std::string& Path);

    // Files of the stores. Reading never creates a file; each change marks the project
    // modified when the stored content changed.
    // The content of the system store's file Path, none when there is no such file.
    std::optional<std::string> SystemFile(const std::string& Path) const;
    // Puts Content into the file Path of the system store (created when missing). Unless
    // MarkModified is false: the same content written in another form (a document
    // window's own form of a file the author did not change) is no change to save.
    void SetSystemFile(const std::string& Path, const std::string& Content, bool MarkModified = true);
    // Deletes the file Path of the system store; false when there was none.
    bool DeleteSystemFile(const std::string& Path);
    // The variables file ("\Variables.xml"), empty when there is none.
    std::string VariablesText() const;
    void SetVariablesText(const std::string& Text, bool MarkModified = true);
    // The additional pages list ("\AdditionalPages.xml"), empty when there is none.
    std::string AdditionalPagesText() const;
    void SetAdditionalPagesText(const std::string& Text);
    // The security settings ("\Encrypt.xml"): no security when the file is missing or
    // empty; XML errors pass through. The text is written as given.
    TSecuritySettings Security() const;
    void SetSecurityText(const std::string& Text);
    // The book's icon in icon-file form ("\Icon.ico"), none when it has none of its own;
    // setting none deletes it.
    std::optional<std::string> Icon() const;
    void SetIcon(const std::optional<std::string>& Bytes);
    // The content of the files store's file Path; the store's "not found" error when
    // there is none.
    std::string FileContent(const std::string& Path) const;
    // Puts Content into the file Path of the files store, creating it and the folders
    // on its way when missing.
    void WriteFile(const std::string& Path, const std::string& Content);

    void AddToRecent(const std::string& FileName);
    const std::vector<std::string>& RecentList() const { return FRecent; }
    // The recent list as comma text (the form the settings store keeps).
    std::string RecentCommaText() const;
    void SetRecentCommaText(const std::string& Text);

    // The text of the project file for the current options and story.
    std::string ProjectFileText() const;

private:
    void ReadStory(const TXMLNode* storyNode);
    void ReadItems(const TXMLNode* node, TProjectItemInfo* parent, TMFSSession& files);
    void DeletePageFiles(const std::vector<std::string>& pages);
    void RemoveItem(TProjectItemInfo* item);

    std::unique_ptr<TPresetProjectHost> FOwnHost;
    IProjectHost* FHost;
    std::string FFileName;
    bool FIsOpen = false;
    bool FModified = false;
    bool FVariablesScanPending = false;
    TProjectOptions FOptions;
    TMFS FFilesStore;
    TMFS FSystemStore;
    TStory FStory;
    std::vector<std::string> FRecent;
};

// Writes story items depth first, without recursion (a story nests as deep as its file):
// a page through Page (with its indentation), a chapter as its indentation,
// ChapterTag, CR LF, then its items 2 blanks deeper, then its indentation and
// "</item>" CR LF. Items start at Indent blanks.
void WriteStoryTree(std::string& Out, const std::vector<std::unique_ptr<TProjectItemInfo>>& Items, size_t Indent,
                    const std::function<void(std::string&, const TProjectItemInfo&, const std::string&)>& Page,
                    const std::function<std::string(const TProjectItemInfo&)>& ChapterTag);

// Comma text: entries separated by commas; an entry holding a blank, a comma, a double
// quote or a control character is put in double quotes with inner quotes doubled.
std::string CommaTextOf(const std::vector<std::string>& Entries);
std::vector<std::string> CommaTextToList(const std::string& Text);

// Host path helpers: the extension is the part from the last point after the last
// slash.
std::string ChangeFileExt(const std::string& FileName, const std::string& Ext);
std::string ExtractFileNameOnly(const std::string& FileName); // no folder, no extension
