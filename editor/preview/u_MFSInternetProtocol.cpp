#include "u_MFSInternetProtocol.h"

#include "u_CaseBlind.h"
#include "u_eBookCommon.h"

#include <algorithm>

namespace {

// Whether Text holds Pattern, ASCII letter case ignored (placeholders are ASCII).
bool ContainsTextIgnoreCase(std::string_view Text, std::string_view Pattern) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    return std::search(Text.begin(), Text.end(), Pattern.begin(), Pattern.end(),
                       [&](char a, char b) { return lower(a) == lower(b); }) != Text.end();
}

} // namespace

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
    if (ContentsHtml && ContainsTextIgnoreCase(Data, "${CONTENTS}"))
        Data = ReplaceTextIgnoreCase(Data, "${CONTENTS}", ContentsHtml());
}

void TemplatePreviewAfterGetData(TMFSInternetProtocol&, const std::string& URL, std::string& Data) {
    const std::string name = TMFS::ChangeExt(TMFS::ExtractName(TMFS::NormalizeSlashes(URL)), "");
    Data = ReplaceTextIgnoreCase(Data, "${NAME}", name);
    Data = ReplaceTextIgnoreCase(Data, "[PAGE]", "");
    Data = ReplaceTextIgnoreCase(Data, "[/PAGE]", "");
}
