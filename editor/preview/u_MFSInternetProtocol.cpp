#include "u_MFSInternetProtocol.h"

#include "u_CaseBlind.h"

TMFSInternetProtocol::TMFSInternetProtocol(const std::string& Protocol, TMFS* MFS)
    : FMFS(MFS), FProtocol(Protocol), FSupport(std::make_unique<TInternetProtocolSupport>()) {
    FSupport->SetProtocol(Protocol);
    FSupport->OnGetData = [this](TInternetProtocolSupport&, const std::string& URL, std::string& Data) {
        Data = ReadData(URL);
    };
    FSupport->OnCombineURL = [this](TInternetProtocolSupport&, const std::string& BaseURL,
                                    const std::string& RelativeURL,
                                    std::string& Result) { Result = CombineURL(BaseURL, RelativeURL); };
    FSupport->SetActive(true);
}

TMFSInternetProtocol::~TMFSInternetProtocol() = default;

std::string TMFSInternetProtocol::ReadData(std::string URL) {
    const std::string prefix = FProtocol + ":";
    if (URL.size() >= prefix.size() &&
        SameTextCaseBlind(std::string_view(URL).substr(0, prefix.size()), prefix))
        URL.erase(0, prefix.size());
    bool handled = false;
    std::string data;
    if (OnBeforeGetData)
        OnBeforeGetData(*this, URL, data, handled);
    if (!handled)
        data = FMFS->Session()->OpenFile(URL)->Content;
    if (OnAfterGetData)
        OnAfterGetData(*this, URL, data);
    return data;
}

std::string TMFSInternetProtocol::CombineURL(std::string BaseURL, std::string RelativeURL) {
    if (OnBeforeCombineURL)
        OnBeforeCombineURL(*this, BaseURL, RelativeURL);
    BaseURL = TMFS::NormalizeSlashes(std::move(BaseURL));
    RelativeURL = TMFS::NormalizeSlashes(std::move(RelativeURL));
    if (!RelativeURL.empty() && RelativeURL.front() == '\\')
        return RelativeURL;
    return TMFS::ExtractPath(BaseURL) + RelativeURL;
}

void TProjectProtocolHooks::Attach(TMFSInternetProtocol& Protocol) {
    Protocol.OnBeforeGetData = [this](TMFSInternetProtocol& Sender, std::string& URL, std::string& Data,
                                      bool& Handled) { BeforeGetData(Sender, URL, Data, Handled); };
    Protocol.OnAfterGetData = [this](TMFSInternetProtocol& Sender, const std::string& URL,
                                     std::string& Data) { AfterGetData(Sender, URL, Data); };
}

void TProjectProtocolHooks::BeforeGetData(TMFSInternetProtocol& Sender, std::string& URL, std::string& Data,
                                          bool& Handled) {
    SubstituteVariables = true;
    if (OpenWindows) {
        for (TPageDataClient* window : OpenWindows()) {
            window->GetPageData(Sender, URL, SubstituteVariables, Handled, Data);
            if (Handled)
                return;
        }
    }
    const std::size_t query = URL.find('?');
    if (query != std::string::npos)
        URL.erase(query);
}

void TProjectProtocolHooks::AfterGetData(TMFSInternetProtocol&, const std::string&, std::string& Data) {
    if (!SubstituteVariables)
        return;
    if (ExpandVariables)
        Data = ExpandVariables(Data);
    // The contents list is built only for pages that hold the placeholder.
    if (ContentsHtml && FindIgnoreCase(Data, "${CONTENTS}") != std::string::npos)
        Data = ReplaceAllIgnoreCase(Data, "${CONTENTS}", ContentsHtml());
}

void TemplatePreviewAfterGetData(TMFSInternetProtocol&, const std::string& URL, std::string& Data) {
    const std::string name = TMFS::ChangeExt(TMFS::ExtractName(TMFS::NormalizeSlashes(URL)), "");
    Data = ReplaceAllIgnoreCase(Data, "${NAME}", name);
    Data = ReplaceAllIgnoreCase(Data, "[PAGE]", "");
    Data = ReplaceAllIgnoreCase(Data, "[/PAGE]", "");
}

namespace {
char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
} // namespace

std::size_t FindIgnoreCase(std::string_view Text, std::string_view Pattern, std::size_t From) {
    if (Pattern.empty() || Text.size() < Pattern.size())
        return std::string::npos;
    // Patterns of this unit begin with a character without case variants; the
    // cheap first-character test skips most positions.
    const bool plainFirst = static_cast<unsigned char>(Pattern.front()) < 0x80;
    const char first = AsciiLower(Pattern.front());
    for (std::size_t pos = From; pos + Pattern.size() <= Text.size(); ++pos) {
        if (plainFirst && AsciiLower(Text[pos]) != first)
            continue;
        if (SameTextCaseBlind(Text.substr(pos, Pattern.size()), Pattern))
            return pos;
    }
    return std::string::npos;
}

std::string ReplaceAllIgnoreCase(const std::string& Text, std::string_view Pattern,
                                 std::string_view Replacement) {
    std::string result;
    std::size_t pos = 0;
    std::size_t hit;
    while ((hit = FindIgnoreCase(Text, Pattern, pos)) != std::string::npos) {
        result.append(Text, pos, hit - pos);
        result += Replacement;
        pos = hit + Pattern.size();
    }
    if (pos == 0)
        return Text;
    result.append(Text, pos, std::string::npos);
    return result;
}
