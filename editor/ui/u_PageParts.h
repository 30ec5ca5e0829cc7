// The page editor's model, free of windows: the editable parts of a page file (the
// regions between "<PAGE NAME=...>" and "</PAGE>", also in the files its frames name),
// the URLs and documents through which the editor serves itself, putting edited parts
// back into the page text, the table markup of "Insert Table", the snippet list of
// "Special\Special.xml" and the readings of the engine's font and colour values.
#pragma once

#include "u_HTML.h"
#include "u_MFS.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class TBookProject;

// One editable part of a page.
struct TPageDescription {
    std::string FilePath; // absolute path, in the files store, of the file holding the part
    std::string PartName; // the part's NAME, as written
    int32_t StartPos = 0; // position of the part's first character in that file (from 1)
    int32_t EndPos = 0;   // position of the "<" of the closing tag
    std::string Html;     // the part's current text
    bool Changed = false; // Html differs from the file
    std::string Original; // the part's text as it was read from the file
};
using TPageDescriptions = std::vector<TPageDescription>;

// The ID of the editable block of the editing surface.
extern const char* const EditableBlockID; // "EDITABLE_9CEEAD96_708E_4EAD_BE28_FD7BC3111090"

// Receives each literal segment of a file as CollectParts walks it: its index among
// the file's segments and frame sources, and its text.
using TPartsTrace = std::function<void(int Index, std::string_view Segment)>;

// Appends the editable parts of the file Path (found through Session) and, after
// them, of the files its frames and inline frames name, each taken relative to the
// folder of the file that names it. Parts never reach across a frame source. A path
// that names no file adds nothing; a file already visited (a frame naming its own
// page, or two frames naming one file) is not read again, so that every file's parts
// are listed once and a frame cycle ends.
void CollectParts(const std::string& Path, TMFSSession& Session, TPageDescriptions& Parts,
                  const TPartsTrace& Trace = nullptr);

// The text of File with the parts of that file (letter case of the path ignored)
// put in, from the last to the first. OnlyChanged limits this to parts whose Changed
// is set. A part whose text in File is no longer the text it was read from (the file
// was changed elsewhere meanwhile) is looked up again by its name and its rank among
// the parts of that name; a part that cannot be found any more is left out and
// reported in Missing.
std::string PutPartsIntoText(std::string Text, const std::string& FilePath, const TPageDescriptions& Parts,
                             bool OnlyChanged, std::vector<const TPageDescription*>* Missing = nullptr);

// Writes every changed part into its file of the project's files store, file by file
// (the project is marked modified by a file that changed). Raises EPageEditorError
// naming the first part that could not be found any more, after the others were
// written.
void WriteChangedParts(TBookProject& Project, const TPageDescriptions& Parts);

class EPageEditorError : public Exception {
public:
    using Exception::Exception;
};

// The editing-surface document for a part's text.
std::string EditingSurfaceDocument(const std::string& Html);
// "mfs:" FilePath "?!PAGE=" n "?EDITING_FORM=" window.
std::string EditingSurfaceURL(const std::string& FilePath, int Part, int WindowNumber);
// "mfs:" PagePath "?PREVIEW?EDITING_FORM=" window.
std::string EditorPreviewURL(const std::string& PagePath, int WindowNumber);

// What a request of the project protocol asks of the page editor numbered Window.
struct TEditorRequest {
    enum TKind { None, Part, Preview };
    bool Belongs = false; // carries "?EDITING_FORM=" with exactly this window's number
    TKind Kind = None;
    int PartIndex = -1;
    std::string Path; // the URL up to the first "?"
};
// Reads a URL (without scheme) as the page editor does. A part number that is not a
// number raises EConvertError.
TEditorRequest ParseEditorRequest(const std::string& URL, int WindowNumber);

// "Insert Table": the values of the dialog and the markup they give.
struct TTableAttributes {
    int Rows = 2;
    int Cols = 2;
    int Width = 100; // percent, 10..100
    int Height = 50; // percent, 10..100
    bool WithHead = true;
    enum TBorderState { bsUnchecked, bsChecked, bsGrayed };
    TBorderState Border = bsChecked;
    int BorderWidth = 1; // pixels, 1..100
    TColor TextColor = 0x000000;
    TColor BGColor = 0xFFFFFF;
    TColor BorderColor = 0x808080;
};
// Raises EPageEditorError "Rows count must exceed 0" / "Columns count must exceed 0".
void CheckTableAttributes(const TTableAttributes& Attributes);
std::string BuildTableHtml(const TTableAttributes& Attributes);
// The largest number of rows and of columns the dialog offers.
constexpr int MaxTableRowsOrCols = 1000;

// One snippet of "Special\Special.xml".
struct TSpecialItem {
    std::string Name;   // the menu caption
    std::string Source; // the snippet's file name in the folder "Special"
};
// Reads "Special\Special.xml" of the program folder (Folder ends with a separator):
// every child element of the root is one snippet. Errors of the XML reader (a missing
// or malformed file) pass through.
std::vector<TSpecialItem> ReadSpecials(const std::string& ProgramFolder);
// The text of a snippet file.
std::string ReadSpecialText(const std::string& ProgramFolder, const std::string& Source);

// A picture from disk: copies Bytes into the companion folder of FilePath (FilePath
// with the extension ".files") as FileName, the folder made when missing, an existing
// file of that name reused; returns the path inserted into the page, relative to the
// page's folder.
std::string StorePagePicture(TBookProject& Project, const std::string& FilePath, const std::string& FileName,
                             const std::string& Bytes);

// After "Create external link" every link whose address begins with this prefix
// (letter case ignored) gets this target.
extern const char* const ExternalLinkPrefix; // "http://"
extern const char* const ExternalLinkTarget; // "_blank"
// After a snippet is inserted, every link whose value begins with this prefix (letter
// case ignored) loses the first SpecialPicturePrefixLength characters of its value (the
// scheme, its colon and the separator after it), so that it names a path relative to
// the page: pictures first of all, and every other kind of link the import follows.
extern const char* const SpecialPicturePrefix; // "mfs:"
constexpr int SpecialPicturePrefixLength = 5;
// Html with that done: every link (FindHtmlLinks) whose value begins with Prefix loses
// its first Count characters; everything else stays byte for byte.
std::string StripLinkPrefix(std::string_view Html, std::string_view Prefix, std::size_t Count);

// The engine's answers to queryCommandValue, read as the font controls show them.
// A colour: "rgb(r, g, b)" (and "rgba(...)"), else what HtmlColorToColor reads.
TColor EngineColorToColor(std::string_view Text);
// A font name: CSS quotes removed, the first family of a list.
std::string EngineFontName(std::string_view Text);
// A font size 1..7, or 0 when the text is not one.
int EngineFontSize(std::string_view Text);
