#include "u_ReaderNavigation.h"

#include "u_ReaderPaths.h"

std::string EngineUrl(std::string_view Address) {
    const TBookAddress address = ParseBookAddress(Address);
    std::string url = std::string(BookScheme) + ":" + EnginePath(address.Path);
    if (!address.Query.empty())
        url += "?" + address.Query;
    if (!address.Fragment.empty())
        url += "#" + address.Fragment;
    return url;
}

TReaderForm PageWindowForm(std::string_view Address, int OwnerWidth, int OwnerHeight) {
    TReaderForm window;
    window.Path = ParseBookAddress(Address).Path;
    window.Width = OwnerWidth * 4 / 5;
    window.Height = OwnerHeight * 4 / 5;
    window.Center = false;
    window.Sizeable = true;
    window.ScrollBars = true;
    return window;
}
