// The HTML toolkit on any bytes: no crash, offsets inside the page, and the split
// pieces in page order without overlap.
#include "u_HTML.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view html(reinterpret_cast<const char*>(data), size);
    static const std::vector<TLinkDesc> descs = {{"img", "src"},   {"link", "href"},  {"body", "background"},
                                                 {"frame", "src"}, {"iframe", "src"}, {"a", "href"}};
    THtmlLinkParts parts;
    SplitHtmlByLinks(html, descs, parts);
    size_t last = 0;
    for (const auto& p : parts) {
        if (p.Offset < last || p.Offset > size)
            std::abort();
        if (p.Index < 0 && html.substr(p.Offset, p.Text.size()) != p.Text)
            std::abort();
        last = p.Offset + (p.Index < 0 ? p.Text.size() : 0);
    }
    std::string upper(html);
    for (auto& c : upper)
        c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
    for (const auto& t : FindTags(upper, html, "PAGE", "NAME")) {
        if (t.Start < 1 || static_cast<size_t>(t.Start - 1) + t.Length > size)
            std::abort();
    }
    (void)GetHtmlTitle(html, "x");
    (void)GetAttributeValue(upper, html, "SRC");
    (void)ColorToHtml(HtmlColorToColor(html));
    return 0;
}
