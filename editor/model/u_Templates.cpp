#include "u_Templates.h"

#include "u_CaseBlind.h"
#include "u_Contents.h"
#include "u_Exception.h"
#include "u_HostFiles.h"
#include "u_MFS.h"
#include "u_ProgramFolder.h"
#include "u_Project.h"
#include "u_SpaceXMLParser.h"

#include <algorithm>
#include <exception>

// Translatable texts.
const char* const SNoDefaultPage = "This template does not contain a default page.";
const char* const SClearStoryBeforeAdding = "Clear story before adding whole template?";
const char* const SChangeDefaultTemplate = "Selected pages does not belong to your default "
                                           "template.\r\nChange the default template from '%s' to '%s'?";
const char* const SNoTemplateTitle = "None";

namespace {

const char* const SDefaultChapterCaption = "Chapter";
const char* const SSelectItemPreview = "<HTML><H1>Select item for preview</H1></HTML>";
const char* const STemplatePreview = "<HTML><H1>Template</H1></HTML>";
const char* const SChapterPreview =
    "<HTML><H1>Chapter\\Part</H1>It will appear in the table of contents</HTML>";

// Path without its extension; both separators count, as template paths may be
// written with either.
std::string WithoutExtension(const std::string& path) {
    const std::size_t dot = path.find_last_of('.');
    const std::size_t sep = path.find_last_of("/\\");
    if (dot == std::string::npos || (sep != std::string::npos && dot < sep))
        return path;
    return path.substr(0, dot);
}

std::string CompanionPath(const std::string& companion, const std::string& name) {
    return companion + HostSlashes(name);
}

std::unique_ptr<TTemplatePage> ReadPage(const TXMLNode& node, const std::string& companion) {
    auto page = std::make_unique<TTemplatePage>();
    const std::string path = node.Attributes.GetString("path");
    page->Caption = node.Attributes.GetString("Caption");
    if (page->Caption.empty())
        page->Caption = WithoutExtension(path);
    if (!path.empty())
        page->FileName = FindHostFileCaseBlind(CompanionPath(companion, path));
    return page;
}

void ReadEntries(const TXMLNode& node, const std::string& companion, TTemplateItems& items);

std::unique_ptr<TTemplateChapter> ReadChapter(const TXMLNode& node, const std::string& companion) {
    auto chapter = std::make_unique<TTemplateChapter>();
    chapter->Caption = node.Attributes.GetString("Caption");
    if (chapter->Caption.empty())
        chapter->Caption = WithoutExtension(node.Attributes.GetString("path"));
    if (chapter->Caption.empty())
        chapter->Caption = SDefaultChapterCaption;
    ReadEntries(node, companion, chapter->Items);
    return chapter;
}

void ReadEntries(const TXMLNode& node, const std::string& companion, TTemplateItems& items) {
    for (const auto& child : node.Nodes) {
        if (SameTextCaseBlind(child->Name, "chapter"))
            items.push_back(ReadChapter(*child, companion));
        else if (SameTextCaseBlind(child->Name, "page"))
            items.push_back(ReadPage(*child, companion));
    }
}

bool ForEachPageIn(const TTemplateItems& items, const TTemplatePageCallback& callback) {
    for (const auto& item : items) {
        if (item->IsChapter) {
            if (!ForEachPageIn(static_cast<TTemplateChapter&>(*item).Items, callback))
                return false;
        } else if (!callback(static_cast<TTemplatePage&>(*item))) {
            return false;
        }
    }
    return true;
}

} // namespace

TTemplate::TTemplate(const std::string& FileName) : FileName(FileName) {
    const std::string companion = ChangeFileExt(FileName, ".files") + "/";
    TXMLParser parser;
    parser.LoadFromFile(FileName);
    const TXMLNode* root = parser.Root();
    if (!root)
        return;
    Caption = root->Attributes.GetString("Caption");
    const std::string description = root->Attributes.GetString("Description");
    if (!description.empty()) {
        const std::string path = FindHostFileCaseBlind(CompanionPath(companion, description));
        if (!path.empty())
            Description = ReadFileText(path);
    }
    const std::string thumbnail = root->Attributes.GetString("Thumbnail");
    if (!thumbnail.empty())
        Thumbnail = FindHostFileCaseBlind(CompanionPath(companion, thumbnail));
    const std::string defaultPage = root->Attributes.GetString("DefaultPage");
    if (!defaultPage.empty()) {
        DefaultPage = CompanionPath(companion, defaultPage);
        const std::string found = FindHostFileCaseBlind(DefaultPage);
        if (!found.empty())
            DefaultPage = found;
    }
    ReadEntries(*root, companion, Items);
}

TTemplateItem* TTemplate::Item(int Index) const {
    if (Index < 0 || Index >= Count())
        return nullptr;
    return Items[static_cast<std::size_t>(Index)].get();
}

TTemplatePage* TTemplate::FindDefaultPage() const {
    if (DefaultPage.empty())
        return nullptr;
    TTemplatePage* result = nullptr;
    ForEachPage([&](TTemplatePage& page) {
        if (!page.FileName.empty() && SameTextCaseBlind(page.FileName, DefaultPage)) {
            result = &page;
            return false;
        }
        return true;
    });
    return result;
}

TTemplatePage* TTemplate::FindPageByCaption(const std::string& Caption) const {
    TTemplatePage* result = nullptr;
    ForEachPage([&](TTemplatePage& page) {
        if (SameTextCaseBlind(page.Caption, Caption)) {
            result = &page;
            return false;
        }
        return true;
    });
    return result;
}

void TTemplate::ForEachPage(const TTemplatePageCallback& Callback) const {
    ForEachPageIn(Items, Callback);
}

void TTemplates::LoadFromFolder(const std::string& Folder) {
    std::vector<std::string> names;
    std::vector<std::string> entries;
    ListHostFolder(Folder, entries); // a missing templates folder lists no templates
    for (const std::string& name : entries)
        if (name.size() > 4 && SameTextCaseBlind(std::string_view(name).substr(name.size() - 4), ".ebt") &&
            HostFileExists(HostJoin(Folder, name)))
            names.push_back(name);
    // Name order first, so that templates of equal captions keep a stable order.
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return CompareTextOrdinal(a, b) < 0; });
    try {
        for (const std::string& name : names)
            FItems.push_back(std::make_unique<TTemplate>(HostJoin(Folder, name)));
    } catch (...) {
        Sort();
        throw;
    }
    Sort();
}

void TTemplates::LoadFromFolders(const std::vector<std::string>& Folders) {
    for (const std::string& folder : Folders) {
        TTemplates found;
        std::exception_ptr failure;
        try {
            found.LoadFromFolder(folder);
        } catch (...) {
            failure = std::current_exception();
        }
        const size_t earlier = FItems.size();
        for (auto& t : found.FItems) {
            const bool shadowed =
                std::any_of(FItems.begin(), FItems.begin() + static_cast<std::ptrdiff_t>(earlier),
                            [&](const auto& e) { return SameTextCaseBlind(e->Caption, t->Caption); });
            if (!shadowed)
                FItems.push_back(std::move(t));
        }
        Sort();
        if (failure)
            std::rethrow_exception(failure);
    }
}

void TTemplates::Sort() {
    std::stable_sort(FItems.begin(), FItems.end(), [](const auto& a, const auto& b) {
        return CompareTextCaseBlind(a->Caption, b->Caption) < 0;
    });
}

TTemplate* TTemplates::Items(int Index) const {
    if (Index < 0 || Index >= Count())
        return nullptr;
    return FItems[static_cast<std::size_t>(Index)].get();
}

TTemplate* TTemplates::FindByCaption(const std::string& Caption) const {
    for (const auto& t : FItems)
        if (SameTextCaseBlind(t->Caption, Caption))
            return t.get();
    return nullptr;
}

std::string TemplatesFolder() {
    return ProgramFolder() + "Templates";
}

std::vector<std::string> TemplatesFolders() {
    std::vector<std::string> folders;
    if (const std::string user = UserDataFolder(); !user.empty())
        folders.push_back(user + "Templates");
    folders.push_back(TemplatesFolder());
    return folders;
}

TStoryPlace PlaceAfterAnchor(TProjectItemInfo* Anchor) {
    if (!Anchor)
        return {};
    if (Anchor->IsChapter())
        return {Anchor, nullptr};
    return {Anchor->Parent(), Anchor->NextSibling()};
}

void MoveToPlace(TBookProject& Project, TProjectItemInfo* Item, const TStoryPlace& Place) {
    Project.MoveItem(Item, Place.Parent, Place.Before);
}

TProjectItemInfo* AddPageFromFileAt(TBookProject& Project, const std::string& SourceFile,
                                    const std::string& Title, const TStoryPlace& Place) {
    TProjectItemInfo* item = Project.AddPageFromFile(SourceFile, Title, Place.Parent);
    MoveToPlace(Project, item, Place);
    return item;
}

namespace {

TProjectItemInfo* AddChapterAt(TBookProject& Project, const TTemplateChapter& Chapter,
                               const TStoryPlace& Place) {
    TProjectItemInfo* item = Project.AddChapterItem(Place.Parent, Chapter.Caption);
    MoveToPlace(Project, item, Place);
    Project.SetModified();
    const TStoryPlace inside{item, nullptr};
    for (const auto& entry : Chapter.Items) {
        if (entry->IsChapter)
            AddChapterAt(Project, static_cast<const TTemplateChapter&>(*entry), inside);
        else
            AddPageFromFileAt(Project, static_cast<const TTemplatePage&>(*entry).FileName, entry->Caption,
                              inside);
    }
    return item;
}

} // namespace

TProjectItemInfo* AddTemplateChapter(TBookProject& Project, const TTemplateChapter& Chapter,
                                     TProjectItemInfo* Anchor) {
    return AddChapterAt(Project, Chapter, PlaceAfterAnchor(Anchor));
}

void AddTemplate(TBookProject& Project, const TTemplate& Template, TProjectItemInfo* Anchor) {
    if (Template.Items.empty())
        return;
    const bool storyWasEmpty = Project.Story().Empty();
    if (!storyWasEmpty) {
        switch (Project.Host().Ask(SClearStoryBeforeAdding, true)) {
        case IProjectHost::Yes:
            Project.SetVariablesScanPending(true);
            Anchor = nullptr;
            Project.ClearStory();
            break;
        case IProjectHost::No:
            break;
        case IProjectHost::Cancel:
            throw EAbort();
        }
    }
    // One place for every entry, so that they stay in template order; a chapter goes
    // there just like a page.
    const TStoryPlace place = PlaceAfterAnchor(Anchor);
    for (const auto& entry : Template.Items) {
        if (entry->IsChapter)
            AddChapterAt(Project, static_cast<const TTemplateChapter&>(*entry), place);
        else
            AddPageFromFileAt(Project, static_cast<const TTemplatePage&>(*entry).FileName, entry->Caption,
                              place);
    }
    std::string& current = Project.Options().Template;
    if (SameTextCaseBlind(current, SNoTemplateTitle)) {
        current = Template.Caption;
    } else if (!SameTextCaseBlind(current, Template.Caption) && !storyWasEmpty) {
        if (Project.Host().Ask(Format(SChangeDefaultTemplate, current, Template.Caption), false) ==
            IProjectHost::Yes)
            current = Template.Caption;
    }
}

bool AddDefaultPageEnabled(const TBookProject& Project) {
    return !SameTextCaseBlind(Project.Options().Template, SNoTemplateTitle);
}

TProjectItemInfo* AddDefaultPage(TBookProject& Project, const TTemplates& Templates,
                                 TProjectItemInfo* Anchor) {
    const TTemplate* t = Templates.FindByCaption(Project.Options().Template);
    if (!t || t->DefaultPage.empty()) {
        Project.Host().ShowMessage(SNoDefaultPage);
        return nullptr;
    }
    const TTemplatePage* page = t->FindDefaultPage();
    if (!page)
        return nullptr;
    return AddPageFromFileAt(Project, page->FileName, page->Caption, PlaceAfterAnchor(Anchor));
}

bool BuildAddPageMenu(const TBookProject& Project, const TTemplates& Templates,
                      std::vector<TAddPageMenuEntry>& Entries) {
    const TTemplate* t = Templates.FindByCaption(Project.Options().Template);
    if (!t)
        return false;
    Entries.clear();
    t->ForEachPage([&](TTemplatePage& page) {
        Entries.push_back({page.Caption, page.FileName});
        return true;
    });
    return true;
}

TProjectItemInfo* AddPageFromMenuEntry(TBookProject& Project, const TTemplates& Templates,
                                       const std::string& EntryCaption, TProjectItemInfo* Anchor) {
    const TTemplate* t = Templates.FindByCaption(Project.Options().Template);
    if (!t)
        return nullptr;
    // A caption with an ampersand of its own ("Q&A") is found as it stands; the
    // accelerator marks a menu may have added are dropped only when that fails.
    const TTemplatePage* page = t->FindPageByCaption(EntryCaption);
    if (!page) {
        std::string stripped = EntryCaption;
        stripped.erase(std::remove(stripped.begin(), stripped.end(), '&'), stripped.end());
        page = t->FindPageByCaption(stripped);
    }
    if (!page)
        return nullptr;
    return AddPageFromFileAt(Project, page->FileName, page->Caption, PlaceAfterAnchor(Anchor));
}

std::string NoTemplateNodePreviewHtml() {
    return SSelectItemPreview;
}

std::string TemplatePreviewHtml(const TTemplate& Template) {
    if (!Template.FindDefaultPage())
        return STemplatePreview;
    return ExpandSamplePlaceholders(Template.DefaultPage, ReadFileText(Template.DefaultPage));
}

std::string TemplateChapterPreviewHtml() {
    return SChapterPreview;
}

std::string TemplatePagePreviewHtml(const TTemplatePage& Page) {
    return ExpandSamplePlaceholders(Page.FileName, ReadFileText(Page.FileName));
}
