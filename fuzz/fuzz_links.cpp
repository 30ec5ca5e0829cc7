// The link scan of pages on any bytes: spans in order inside the page, srcset spans
// inside their list, and writing every link's own value back into its place gives a
// page with the same links.
#include "u_Links.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view html(reinterpret_cast<const char*>(data), size);
    for (const TTextSpan& s : SrcsetUrls(html))
        if (s.Begin >= s.End || s.End > size)
            std::abort();
    const THtmlLinks found = FindHtmlLinks(html);
    std::size_t last = 0;
    std::vector<TLinkChange> changes;
    for (const TLinkRef& l : found.Links) {
        if (l.Begin < last || l.End < l.Begin || l.End > size || l.Value.empty())
            std::abort();
        last = l.End;
        changes.push_back({&l, l.Value});
    }
    for (const TTextSpan& s : found.BodyDropped)
        if (s.Begin >= s.End || s.End > size)
            std::abort();
    const std::string again = ReplaceLinkValues(html, changes);
    const TLinkRefs reread = FindHtmlLinks(again).Links;
    if (reread.size() != found.Links.size())
        std::abort();
    for (std::size_t k = 0; k < reread.size(); ++k)
        if (reread[k].Kind != found.Links[k].Kind || reread[k].Value != found.Links[k].Value)
            std::abort();
    for (const TLinkRef& l : found.Links)
        (void)IsLocalLinkValue(l.Value);
    return 0;
}
