#include "u_MainRules.h"

#include "u_Exception.h"
#include "u_HostFiles.h"

#include <charconv>

// Every key of the editor lies below one key, spelled here once.
#define QUARVEL_EDITOR_KEY "Software\\Brevant\\Quarvel\\Editor"
const char* const EditorKey = QUARVEL_EDITOR_KEY;
const char* const EditorUpdateKey = QUARVEL_EDITOR_KEY "\\Update";
const char* const EditorLinksKey = QUARVEL_EDITOR_KEY "\\Links";
const char* const MainFormLayoutKey = QUARVEL_EDITOR_KEY "\\frmMain\\FormProps";
#undef QUARVEL_EDITOR_KEY
const char* const SApplicationTitle = "Quarvel";
const char* const SBookNotMade = "The book \"%s\" was not made.";

namespace {

std::string DoubleAmpersands(const std::string& Text) {
    std::string result;
    for (char c : Text) {
        result += c;
        if (c == '&')
            result += '&';
    }
    return result;
}

} // namespace

std::string MainWindowCaption(const std::string& Version) {
    return std::string(SApplicationTitle) + " " + Version;
}

std::vector<TRecentMenuEntry> RecentMenuEntries(const std::vector<std::string>& Recent) {
    std::vector<TRecentMenuEntry> entries;
    for (size_t i = 0; i < Recent.size() && i < 9; ++i) {
        const std::string shown = DoubleAmpersands(Recent[i]);
        entries.push_back({"&" + std::to_string(i + 1) + " " + shown, shown, Recent[i]});
    }
    return entries;
}

std::vector<THelpLink> HelpMenuLinks(const std::vector<THelpLink>& Listed) {
    return std::vector<THelpLink>(Listed.rbegin(), Listed.rend());
}

std::optional<std::string> InternetUpdateURL(const std::string& UpdateLink, const std::string& Version) {
    if (UpdateLink.empty())
        return std::nullopt;
    return UpdateLink + "?curversion=" + Version;
}

std::optional<std::string> CommandLineProject(const std::vector<std::string>& Arguments) {
    if (Arguments.size() < 2 || !HostFileExists(Arguments[1]))
        return std::nullopt;
    return Arguments[1];
}

bool ShowTipsAtStartup(int TipsStartupAction, bool ProjectOpen) {
    return TipsStartupAction == 0 || (TipsStartupAction == 1 && !ProjectOpen);
}

std::optional<int> PanelWidthFromExtInfo(const std::string& Text) {
    int value = 0;
    const char* end = Text.data() + Text.size();
    const auto [ptr, error] = std::from_chars(Text.data(), end, value);
    if (Text.empty() || error != std::errc() || ptr != end)
        return std::nullopt;
    return value;
}

TBookStart BookStartFor(const std::string& BookFile, const std::string& ProgramsFolder) {
    const std::string reader = ProgramsFolder + "pagelamp";
    if (HostFileExists(reader))
        return {true, reader, {BookFile}};
    return {false, BookFile, {}};
}

std::string HelpFileName(const std::string& ProgramFolder) {
    return ProgramFolder + "Help/tomewright.html";
}

std::string WarningsText(const std::vector<std::string>& Warnings) {
    constexpr size_t shown = 15;
    std::string text;
    for (size_t i = 0; i < Warnings.size() && i < shown; ++i)
        text += (i ? "\r\n" : "") + Warnings[i];
    if (Warnings.size() > shown)
        text += Format("\r\n(and %d more)", static_cast<int>(Warnings.size() - shown));
    return text;
}
