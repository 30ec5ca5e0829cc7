#include "u_PageParts.h"

#include "u_CaseBlind.h"
#include "u_HostFiles.h"
#include "u_Links.h"
#include "u_Project.h"
#include "u_SpaceParser.h"
#include "u_SpaceXMLParser.h"
#include "u_TextUtils.h"

#include <algorithm>
#include <cctype>
#include <cstring>

const char* const EditableBlockID = "EDITABLE_9CEEAD96_708E_4EAD_BE28_FD7BC3111090";
const char* const ExternalLinkPrefix = "http://";
const char* const ExternalLinkTarget = "_blank";
const char* const SpecialPicturePrefix = "mfs:";

namespace {

const char* const SRowsCountError = "Rows count must exceed 0";
const char* const SColsCountError = "Columns count must exceed 0";
const char* const SPartNotFound = "The part \"%s\" of \"%s\" was changed elsewhere and could not be saved";

const char* const SEditingFormMarker = "?EDITING_FORM=";
const char* const SPageMarker = "?!PAGE=";
const char* const SPreviewMarker = "?PREVIEW";

char AsciiUpper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

std::size_t FindNoCase(std::string_view Text, std::string_view What, std::size_t From = 0) {
    if (What.size() > Text.size())
        return std::string_view::npos;
    for (std::size_t i = From; i + What.size() <= Text.size(); ++i) {
        std::size_t k = 0;
        while (k < What.size() && AsciiUpper(Text[i + k]) == AsciiUpper(What[k]))
            ++k;
        if (k == What.size())
            return i;
    }
    return std::string_view::npos;
}

// The decimal number at the start of Text up to the next "?" (or the end); raises the
// conversion error for anything else.
int ReadNumberUpToQuery(std::string_view Text) {
    const std::string_view number = Text.substr(0, Text.find('?'));
    std::size_t p = 0;
    bool negative = false;
    if (p < number.size() && (number[p] == '+' || number[p] == '-'))
        negative = number[p++] == '-';
    if (p >= number.size())
        throw EConvertError(Format(SInvalidInteger, std::string(number)));
    long long value = 0;
    for (; p < number.size(); ++p) {
        if (number[p] < '0' || number[p] > '9' || value > 0x7FFFFFFF)
            throw EConvertError(Format(SInvalidInteger, std::string(number)));
        value = value * 10 + (number[p] - '0');
    }
    if (value > 0x7FFFFFFF)
        throw EConvertError(Format(SInvalidInteger, std::string(number)));
    return static_cast<int>(negative ? -value : value);
}

// One editable part found in a text: its name and positions (from 1) in that text.
struct TEditablePart {
    std::string Name;
    int32_t StartPos = 0;
    int32_t EndPos = 0;
};

// The editable parts of Text, in order: "<PAGE" opens a part (letter case ignored),
// its tag ends at the next ">", the part ends where the next "</PAGE>" begins. Offset
// is added to every position (for a piece of a larger text).
std::vector<TEditablePart> FindEditableParts(std::string_view Text, int32_t Offset = 0) {
    std::vector<TEditablePart> result;
    for (TTagPlacement& tag : FindTagsIgnoreCase(Text, "PAGE", "NAME"))
        result.push_back({std::move(tag.AttrValue), Offset + tag.Start, Offset + tag.Start + tag.Length});
    return result;
}

// The frame sources of a page: where each begins in the text, and its value.
struct TFrameSource {
    std::size_t Offset;
    std::string Value;
};

std::vector<TFrameSource> FrameSources(std::string_view Text) {
    std::vector<TFrameSource> result;
    for (TLinkRef& link : FindHtmlLinks(Text).Links)
        if (LinkRole(link.Kind) == TLinkRole::Frame)
            result.push_back({link.Begin, std::move(link.Value)});
    return result;
}

bool SameFile(const std::string& A, const std::string& B) {
    return SameTextCaseBlind(A, B);
}

void CollectPartsOf(const std::string& Path, TMFSSession& Session, TPageDescriptions& Parts,
                    const TPartsTrace& Trace, std::vector<std::string>& Visited) {
    // One look-up: a path that names nothing or a folder (also the empty path, which
    // names the current folder) adds nothing.
    TMFSItem* item = nullptr;
    try {
        item = Session.FindItem(TMFS::NormalizeSlashes(Path));
    } catch (const EMFSError&) {
        return;
    }
    if (item->IsFolder())
        return;
    TMFSFile* file = item->AsFile();
    // The file's own absolute path: frame sources come lower-cased.
    const std::string filePath = file->FullPath();
    if (std::any_of(Visited.begin(), Visited.end(),
                    [&](const std::string& v) { return SameFile(v, filePath); }))
        return;
    Visited.push_back(filePath);
    // Frame sources are relative to the folder of the file that names them.
    std::unique_ptr<TMFSSession> session = Session.MFS()->NewSession(file->Parent());
    const std::string& text = file->Content;
    const std::string_view view(text);

    // The literal segments are the stretches of the file between frame sources,
    // taken from the file itself, so that positions are those of the whole file.
    const std::vector<TFrameSource> sources = FrameSources(view);
    std::size_t segmentStart = 0;
    int index = 0;
    for (std::size_t k = 0; k <= sources.size(); ++k) {
        const std::size_t segmentEnd = k < sources.size() ? sources[k].Offset : text.size();
        const std::string_view segment = view.substr(segmentStart, segmentEnd - segmentStart);
        if (Trace)
            Trace(index, segment);
        for (TEditablePart& part : FindEditableParts(segment, static_cast<int32_t>(segmentStart))) {
            TPageDescription d;
            d.FilePath = filePath;
            d.PartName = std::move(part.Name);
            d.StartPos = part.StartPos;
            d.EndPos = part.EndPos;
            d.Html = text.substr(static_cast<std::size_t>(d.StartPos - 1),
                                 static_cast<std::size_t>(d.EndPos - d.StartPos));
            d.Original = d.Html;
            Parts.push_back(std::move(d));
        }
        index += 2;
        segmentStart = segmentEnd;
    }
    for (const TFrameSource& source : sources)
        CollectPartsOf(source.Value, *session, Parts, Trace, Visited);
}

// The rank of Part among the parts of its file that carry its name.
int RankByName(const TPageDescriptions& Parts, const TPageDescription& Part) {
    int rank = 0;
    for (const TPageDescription& p : Parts) {
        if (&p == &Part)
            return rank;
        if (SameFile(p.FilePath, Part.FilePath) && p.PartName == Part.PartName)
            ++rank;
    }
    return rank;
}

} // namespace

void CollectParts(const std::string& Path, TMFSSession& Session, TPageDescriptions& Parts,
                  const TPartsTrace& Trace) {
    std::vector<std::string> visited;
    for (const TPageDescription& part : Parts)
        if (std::none_of(visited.begin(), visited.end(),
                         [&](const std::string& v) { return SameFile(v, part.FilePath); }))
            visited.push_back(part.FilePath);
    CollectPartsOf(Path, Session, Parts, Trace, visited);
}

std::string PutPartsIntoText(std::string Text, const std::string& FilePath, const TPageDescriptions& Parts,
                             bool OnlyChanged, std::vector<const TPageDescription*>* Missing) {
    // Where each part of the file stands in Text now: where it was read when its
    // text is still there, else found again by name and rank.
    struct TPlace {
        const TPageDescription* Part;
        std::size_t Start, End;
    };
    std::vector<TPlace> places;
    std::vector<TEditablePart> current;
    bool currentRead = false;
    for (const TPageDescription& part : Parts) {
        if (!SameFile(part.FilePath, FilePath) || (OnlyChanged && !part.Changed))
            continue;
        const std::size_t start = static_cast<std::size_t>(part.StartPos - 1);
        const std::size_t length = static_cast<std::size_t>(part.EndPos - part.StartPos);
        if (part.StartPos >= 1 && part.EndPos >= part.StartPos && start + length <= Text.size() &&
            std::string_view(Text).substr(start, length) == part.Original) {
            places.push_back({&part, start, start + length});
            continue;
        }
        if (!currentRead) {
            current = FindEditableParts(Text);
            currentRead = true;
        }
        int rank = RankByName(Parts, part);
        const auto found = std::find_if(current.begin(), current.end(), [&](const TEditablePart& p) {
            return p.Name == part.PartName && rank-- == 0;
        });
        if (found == current.end()) {
            if (Missing)
                Missing->push_back(&part);
            continue;
        }
        places.push_back({&part, static_cast<std::size_t>(found->StartPos - 1),
                          static_cast<std::size_t>(found->EndPos - 1)});
    }
    // From the last to the first, so that the places of earlier parts stay valid.
    std::sort(places.begin(), places.end(),
              [](const TPlace& a, const TPlace& b) { return a.Start > b.Start; });
    for (const TPlace& place : places)
        Text.replace(place.Start, place.End - place.Start, place.Part->Html);
    return Text;
}

void WriteChangedParts(TBookProject& Project, const TPageDescriptions& Parts) {
    std::vector<const TPageDescription*> missing;
    std::vector<std::string> done;
    // Last to first, file by file.
    for (auto it = Parts.rbegin(); it != Parts.rend(); ++it) {
        if (!it->Changed || std::any_of(done.begin(), done.end(),
                                        [&](const std::string& f) { return SameFile(f, it->FilePath); }))
            continue;
        done.push_back(it->FilePath);
        Project.WriteFile(it->FilePath, PutPartsIntoText(Project.FileContent(it->FilePath), it->FilePath,
                                                         Parts, true, &missing));
    }
    if (!missing.empty())
        throw EPageEditorError(Format(SPartNotFound, missing.front()->PartName, missing.front()->FilePath));
}

std::string EditingSurfaceDocument(const std::string& Html) {
    std::string result = "<HTML><BODY><DIV ID=\"";
    result += EditableBlockID;
    result += "\" CONTENTEDITABLE=\"TRUE\">";
    result += Html;
    result += "</DIV></BODY></HTML>";
    return result;
}

std::string EditingSurfaceURL(const std::string& FilePath, int Part, int WindowNumber) {
    return "mfs:" + FilePath + SPageMarker + std::to_string(Part) + SEditingFormMarker +
           std::to_string(WindowNumber);
}

std::string EditorPreviewURL(const std::string& PagePath, int WindowNumber) {
    return "mfs:" + PagePath + SPreviewMarker + SEditingFormMarker + std::to_string(WindowNumber);
}

TEditorRequest ParseEditorRequest(const std::string& URL, int WindowNumber) {
    TEditorRequest request;
    const std::size_t form = FindNoCase(URL, SEditingFormMarker);
    if (form == std::string::npos)
        return request;
    // The whole number counts: window 1 does not claim the requests of window 12.
    const std::string_view number = std::string_view(URL).substr(form + std::strlen(SEditingFormMarker));
    try {
        if (ReadNumberUpToQuery(number) != WindowNumber)
            return request;
    } catch (const EConvertError&) {
        return request;
    }
    request.Belongs = true;
    request.Path = URL.substr(0, URL.find('?'));
    if (const std::size_t page = FindNoCase(URL, SPageMarker); page != std::string::npos) {
        request.Kind = TEditorRequest::Part;
        request.PartIndex =
            ReadNumberUpToQuery(std::string_view(URL).substr(page + std::strlen(SPageMarker)));
    } else if (FindNoCase(URL, SPreviewMarker) != std::string::npos) {
        request.Kind = TEditorRequest::Preview;
    }
    return request;
}

void CheckTableAttributes(const TTableAttributes& Attributes) {
    if (Attributes.Rows < 1)
        throw EPageEditorError(SRowsCountError);
    if (Attributes.Cols < 1)
        throw EPageEditorError(SColsCountError);
}

std::string BuildTableHtml(const TTableAttributes& A) {
    std::string html = "<table";
    html += Format(" width = %d%% height = %d%% ", A.Width, A.Height);
    html += "style=\"color: " + ColorToHtml(A.TextColor) + "; background-color: " + ColorToHtml(A.BGColor) +
            "; border-color: " + ColorToHtml(A.BorderColor);
    if (A.Border == TTableAttributes::bsChecked)
        html += Format("; border-width: %dpx; border-style: solid", A.BorderWidth);
    html += "\">\r\n";
    if (A.WithHead) {
        html += "<thead>\r\n";
        for (int c = 0; c < A.Cols; ++c)
            html += "<th>Place head text here</th>\r\n";
        html += "</thead>\r\n";
    }
    html += "<tbody>\r\n";
    std::string row = "<tr>\r\n";
    for (int c = 0; c < A.Cols; ++c)
        row += "<td>Place cell text here</td>\r\n";
    row += "</tr>\r\n";
    html.reserve(html.size() + row.size() * static_cast<std::size_t>(std::max(A.Rows, 0)) + 32);
    for (int r = 0; r < A.Rows; ++r)
        html += row;
    html += "</tbody>\r\n</table>";
    return html;
}

std::vector<TSpecialItem> ReadSpecials(const std::string& ProgramFolder) {
    TXMLParser parser;
    parser.LoadFromFile(ProgramFolder + "Special/Special.xml");
    std::vector<TSpecialItem> result;
    if (TXMLNode* root = parser.Root())
        for (const auto& node : root->Nodes)
            result.push_back({node->Attributes.GetString("name"), node->Attributes.GetString("source")});
    return result;
}

std::string ReadSpecialText(const std::string& ProgramFolder, const std::string& Source) {
    const std::string path = HostJoin(ProgramFolder + "Special", HostSlashes(Source));
    const std::string found = FindHostFileCaseBlind(path);
    return ReadFileText(found.empty() ? path : found);
}

std::string StorePagePicture(TBookProject& Project, const std::string& FilePath, const std::string& FileName,
                             const std::string& Bytes) {
    // The folder is made when missing; an existing one is kept.
    const std::string folder = TMFS::ChangeExt(FilePath, ".files");
    Project.WriteFile(TMFS::IncludeTrailingBackslash(folder) + FileName, Bytes);
    return TMFS::ExtractName(folder) + "\\" + FileName;
}

std::string StripLinkPrefix(std::string_view Html, std::string_view Prefix, std::size_t Count) {
    const TLinkRefs links = FindHtmlLinks(Html).Links;
    std::vector<TLinkChange> changes;
    for (const TLinkRef& link : links)
        if (SameTextAscii(std::string_view(link.Value).substr(0, Prefix.size()), Prefix))
            changes.push_back({&link, link.Value.substr(std::min(Count, link.Value.size()))});
    return ReplaceLinkValues(Html, changes);
}

TColor EngineColorToColor(std::string_view Text) {
    while (!Text.empty() && std::isspace(static_cast<unsigned char>(Text.front())))
        Text.remove_prefix(1);
    const bool rgb = FindNoCase(Text, "rgb(") == 0;
    const bool rgba = FindNoCase(Text, "rgba(") == 0;
    if (!rgb && !rgba)
        return HtmlColorToColor(Text);
    Text.remove_prefix(rgb ? 4 : 5);
    int values[3] = {0, 0, 0};
    for (int k = 0; k < 3; ++k) {
        while (!Text.empty() && std::isspace(static_cast<unsigned char>(Text.front())))
            Text.remove_prefix(1);
        int value = 0, digits = 0;
        while (!Text.empty() && std::isdigit(static_cast<unsigned char>(Text.front())) && digits < 4) {
            value = value * 10 + (Text.front() - '0');
            ++digits;
            Text.remove_prefix(1);
        }
        while (!Text.empty() && std::isspace(static_cast<unsigned char>(Text.front())))
            Text.remove_prefix(1);
        const char expected = k < 2 ? ',' : (rgba ? ',' : ')');
        if (digits == 0 || value > 255 || Text.empty() || Text.front() != expected)
            return clNone;
        Text.remove_prefix(1);
        values[k] = value;
    }
    return static_cast<TColor>(values[0] | (values[1] << 8) | (values[2] << 16));
}

std::string EngineFontName(std::string_view Text) {
    Text = Text.substr(0, Text.find(','));
    auto trim = [&] {
        while (!Text.empty() && std::isspace(static_cast<unsigned char>(Text.front())))
            Text.remove_prefix(1);
        while (!Text.empty() && std::isspace(static_cast<unsigned char>(Text.back())))
            Text.remove_suffix(1);
    };
    trim();
    if (Text.size() >= 2 && (Text.front() == '"' || Text.front() == '\'') && Text.back() == Text.front()) {
        Text.remove_prefix(1);
        Text.remove_suffix(1);
        trim();
    }
    return std::string(Text);
}

int EngineFontSize(std::string_view Text) {
    while (!Text.empty() && std::isspace(static_cast<unsigned char>(Text.back())))
        Text.remove_suffix(1);
    while (!Text.empty() && std::isspace(static_cast<unsigned char>(Text.front())))
        Text.remove_prefix(1);
    if (Text.size() != 1 || Text[0] < '1' || Text[0] > '7')
        return 0;
    return Text[0] - '0';
}
