// Serving an in-memory file system under a URL scheme: TMFSInternetProtocol reads the
// requested file out of a TMFS, with hooks before and after the read, and joins
// relative links with the file system's path rules. The hooks of the editor's two
// schemes live here too: the project protocol "mfs" (open document windows first,
// then the files store, then variables and the contents list) and the template
// preview protocol "templatepreview".
#pragma once

#include "u_InternetProtocolSupport.h"
#include "u_MFS.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TMFSInternetProtocol;

using TMFSAfterGetDataEvent =
    std::function<void(TMFSInternetProtocol& Sender, const std::string& URL, std::string& Data)>;
using TMFSBeforeGetDataEvent =
    std::function<void(TMFSInternetProtocol& Sender, std::string& URL, std::string& Data, bool& Handled)>;
using TMFSBeforeCombineURLEvent =
    std::function<void(TMFSInternetProtocol& Sender, std::string& BaseURL, std::string& RelativeURL)>;

class TMFSInternetProtocol {
public:
    // Registers the scheme at once; a failed registration raises out of here.
    TMFSInternetProtocol(const std::string& Protocol, TMFS* MFS);
    ~TMFSInternetProtocol();
    TMFSInternetProtocol(const TMFSInternetProtocol&) = delete;
    TMFSInternetProtocol& operator=(const TMFSInternetProtocol&) = delete;

    TMFS* MFS() const noexcept { return FMFS; }
    const std::string& Protocol() const noexcept { return FProtocol; }
    TInternetProtocolSupport& Support() const noexcept { return *FSupport; }

    TMFSAfterGetDataEvent OnAfterGetData;
    TMFSBeforeGetDataEvent OnBeforeGetData;
    TMFSBeforeCombineURLEvent OnBeforeCombineURL;

    // The read and join operations given to Support (URLs without the scheme).
    std::string ReadData(std::string URL);
    std::string CombineURL(std::string BaseURL, std::string RelativeURL);

private:
    TMFS* FMFS;
    std::string FProtocol;
    std::unique_ptr<TInternetProtocolSupport> FSupport;
};

// An open document window as the project protocol sees it: it may answer a request
// with text of its own before the store is read.
class TPageDataClient {
public:
    virtual ~TPageDataClient() = default;
    virtual void GetPageData(TMFSInternetProtocol& Sender, std::string& URL, bool& Substitute, bool& Handled,
                             std::string& Data) = 0;
};

// The hooks of the project protocol, assigned by the main window. It gives the
// open document windows (in the platform's child order), the expansion of variable
// references with the project's variables, and the contents list of the story.
class TProjectProtocolHooks {
public:
    std::function<std::vector<TPageDataClient*>()> OpenWindows;
    std::function<std::string(const std::string& Text)> ExpandVariables;
    std::function<std::string()> ContentsHtml;

    // Whether the served page gets its variables and contents expanded; a window's
    // GetPageData may clear it.
    bool SubstituteVariables = false;

    // Assigns the before- and after-hook of Protocol to this object.
    void Attach(TMFSInternetProtocol& Protocol);

    void BeforeGetData(TMFSInternetProtocol& Sender, std::string& URL, std::string& Data, bool& Handled);
    void AfterGetData(TMFSInternetProtocol& Sender, const std::string& URL, std::string& Data);
};

// The after-hook of the template preview protocol: "${NAME}" becomes the file name of
// the URL without extension, and the "[PAGE]" and "[/PAGE]" markers are removed.
void TemplatePreviewAfterGetData(TMFSInternetProtocol& Sender, const std::string& URL, std::string& Data);
