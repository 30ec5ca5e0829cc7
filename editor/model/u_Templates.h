// Templates: ready-made book skeletons installed beside the editor in the folder
// "Templates". Each is a description file "NAME.ebt" with a companion folder
// "NAME.files" that holds its pages, its description text, its thumbnail picture and
// whatever else the pages use. The unit reads them, looks them up, adds them (whole or
// a chapter) to the open project, runs the default-page commands of the story toolbar
// and gives the HTML that the template preview shows.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TBookProject;
class TProjectItemInfo;
class TXMLNode;

extern const char* const SNoDefaultPage;          // "This template does not contain a default page."
extern const char* const SClearStoryBeforeAdding; // "Clear story before adding whole template?"
extern const char* const SChangeDefaultTemplate;  // "Selected pages does not belong ... '%s' to '%s'?"
extern const char* const SNoTemplateTitle;        // "None"

class TTemplateItem {
public:
    virtual ~TTemplateItem() = default;
    uint8_t IsChapter = 0; // 0 page, 1 chapter
    std::string Caption;
};

class TTemplatePage : public TTemplateItem {
public:
    // The full host path of the page file; empty when that file does not exist.
    std::string FileName;
};

using TTemplateItems = std::vector<std::unique_ptr<TTemplateItem>>;

class TTemplateChapter : public TTemplateItem {
public:
    TTemplateChapter() { IsChapter = 1; }
    TTemplateItems Items; // owned, in template order
    int Count() const { return static_cast<int>(Items.size()); }
};

// Called for each page in template order; returning false stops the walk.
using TTemplatePageCallback = std::function<bool(TTemplatePage& Page)>;

class TTemplate {
public:
    // Reads one description file and its companion folder. Raises the XML reader's
    // error for a file that is not well-formed.
    explicit TTemplate(const std::string& FileName);
    TTemplate(const TTemplate&) = delete;
    TTemplate& operator=(const TTemplate&) = delete;

    std::string Caption;
    std::string FileName;    // the full path of the ".ebt" file
    std::string Description; // the text of the description file, or empty
    std::string Thumbnail;   // the full path of the thumbnail picture, or empty
    std::string DefaultPage; // the full path of the default page (existing or not), or empty
    TTemplateItems Items;    // the top-level entries, owned

    int Count() const { return static_cast<int>(Items.size()); }
    // The entry at Index, or none when out of range.
    TTemplateItem* Item(int Index) const;
    // The first page (template order) whose FileName equals DefaultPage ignoring case.
    TTemplatePage* FindDefaultPage() const;
    // The first page (template order) whose Caption equals Caption ignoring case.
    TTemplatePage* FindPageByCaption(const std::string& Caption) const;
    // Every page, depth first: an entry, then for a chapter its entries in order.
    void ForEachPage(const TTemplatePageCallback& Callback) const;
};

class TTemplates {
public:
    TTemplates() = default;
    TTemplates(const TTemplates&) = delete;
    TTemplates& operator=(const TTemplates&) = delete;

    // Adds a template for every "*.ebt" file of Folder (letter case of the extension
    // ignored, folders excluded), then sorts the list by caption ignoring case. A
    // description file that is not well-formed ends the loading with its error; the
    // templates read before it stay, sorted.
    void LoadFromFolder(const std::string& Folder);
    // LoadFromFolder for each folder in turn; a template whose caption (ignoring case)
    // an earlier folder already gave is left out, so the first folder's copy wins.
    void LoadFromFolders(const std::vector<std::string>& Folders);
    int Count() const { return static_cast<int>(FItems.size()); }
    // The template at Index, or none when out of range.
    TTemplate* Items(int Index) const;
    // The first template in list order whose caption equals Caption ignoring case.
    TTemplate* FindByCaption(const std::string& Caption) const;
    void Clear() { FItems.clear(); }

private:
    void Sort();
    std::vector<std::unique_ptr<TTemplate>> FItems;
};

// The templates folder beside the editor: the program folder followed by "Templates".
std::string TemplatesFolder();
// The folders the editor loads templates from, the first one winning: the user's own
// ("Templates" in the user's data folder), then the installed ones (TemplatesFolder).
std::vector<std::string> TemplatesFolders();

// Where a new story item goes: the last child of Parent (none: the top level), or,
// when Before is set, directly before that sibling.
struct TStoryPlace {
    TProjectItemInfo* Parent = nullptr;
    TProjectItemInfo* Before = nullptr;
};
// The position rule of the story: no anchor or a chapter gives its last child; a page
// gives the place directly after it. Items added one after another at the same place
// keep their order.
TStoryPlace PlaceAfterAnchor(TProjectItemInfo* Anchor);
// Moves Item (already in the story) to Place; the project is marked modified when it moved.
void MoveToPlace(TBookProject& Project, TProjectItemInfo* Item, const TStoryPlace& Place);
// A page from a host file (AddPageFromFile) placed at Place.
TProjectItemInfo* AddPageFromFileAt(TBookProject& Project, const std::string& SourceFile,
                                    const std::string& Title, const TStoryPlace& Place);

// Adds a template chapter with all its entries to the story at the anchor's position;
// returns the new chapter item.
TProjectItemInfo* AddTemplateChapter(TBookProject& Project, const TTemplateChapter& Chapter,
                                     TProjectItemInfo* Anchor);
// Adds a whole template to the story at the anchor's position, asking whether to clear
// the story first (Cancel ends with a silent abort) and whether to make it the
// project's default template.
void AddTemplate(TBookProject& Project, const TTemplate& Template, TProjectItemInfo* Anchor);

// Add Default Page: enabled when the book option Template is not "None".
bool AddDefaultPageEnabled(const TBookProject& Project);
// Adds the default page of the project's template after Anchor; shows
// "This template does not contain a default page." when the template is not installed
// or has none. Returns the new item, or none.
TProjectItemInfo* AddDefaultPage(TBookProject& Project, const TTemplates& Templates,
                                 TProjectItemInfo* Anchor);

// One entry of the Add Default Page drop-down.
struct TAddPageMenuEntry {
    std::string Caption; // the page's caption
    std::string Hint;    // the page's file
};
// The drop-down entries for the project's template, one per page in template order;
// false when that template is not installed (the menu then keeps its entries).
bool BuildAddPageMenu(const TBookProject& Project, const TTemplates& Templates,
                      std::vector<TAddPageMenuEntry>& Entries);
// Adds the page of a drop-down entry after Anchor. The entry's caption is looked up as
// it stands, then without the "&" characters that a menu adds for its keyboard
// accelerators. Returns the new item, or none when no page has that caption.
TProjectItemInfo* AddPageFromMenuEntry(TBookProject& Project, const TTemplates& Templates,
                                       const std::string& EntryCaption, TProjectItemInfo* Anchor);

// The HTML documents of the template preview.
// No node selected: "<HTML><H1>Select item for preview</H1></HTML>".
std::string NoTemplateNodePreviewHtml();
// A template: its default page with the sample placeholders filled in, when the
// template lists it; otherwise "<HTML><H1>Template</H1></HTML>".
std::string TemplatePreviewHtml(const TTemplate& Template);
// A chapter: "<HTML><H1>Chapter\Part</H1>It will appear in the table of contents</HTML>".
std::string TemplateChapterPreviewHtml();
// A page: its text with the sample placeholders filled in; raises the file-open error
// for a page whose file is missing.
std::string TemplatePagePreviewHtml(const TTemplatePage& Page);
