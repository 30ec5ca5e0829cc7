// The CSS tokenizer on any bytes: link spans in order inside the text, and writing every
// link's own value back into its place gives a stylesheet with the same links.
#include "u_Links.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view css(reinterpret_cast<const char*>(data), size);
    const TLinkRefs links = FindCssLinks(css);
    std::size_t last = 0;
    std::vector<TLinkChange> changes;
    for (const TLinkRef& l : links) {
        if (l.Begin < last || l.End < l.Begin || l.End > size || l.Value.empty() || l.CssQuote == 0)
            std::abort();
        last = l.End;
        changes.push_back({&l, l.Value});
    }
    const std::string again = ReplaceLinkValues(css, changes);
    const TLinkRefs reread = FindCssLinks(again);
    if (reread.size() != links.size())
        std::abort();
    for (std::size_t k = 0; k < reread.size(); ++k)
        if (reread[k].Kind != links[k].Kind || reread[k].Value != links[k].Value)
            std::abort();
    return 0;
}
