// Pages as XHTML on any bytes: no crash, and what is written is XML text: valid UTF-8
// without the control characters XML cannot hold, and every recorded fragment lies in
// the text and starts with "#".
#include "u_Xhtml.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {
// True when Text is UTF-8 with no character XML 1.0 refuses.
bool IsXmlText(std::string_view text) {
    size_t i = 0;
    while (i < text.size()) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            if (c < 0x20 && c != '\t' && c != '\n')
                return false;
            ++i;
            continue;
        }
        const int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC2 ? 1 : -1;
        if (extra < 0 || c > 0xF4)
            return false;
        uint32_t cp = c & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            if (i + static_cast<size_t>(k) >= text.size())
                return false;
            const unsigned char n = static_cast<unsigned char>(text[i + static_cast<size_t>(k)]);
            if ((n & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (n & 0x3F);
        }
        if (cp == 0xFFFE || cp == 0xFFFF || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF)
            return false;
        i += static_cast<size_t>(extra) + 1;
    }
    return true;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view html(reinterpret_cast<const char*>(data), size);
    TXhtmlSettings settings;
    settings.MapLink = [](TLinkKind kind, const std::string& value) -> TMappedLink {
        if (value.size() % 3 == 0)
            return {};
        if (LinkRole(kind) == TLinkRole::Anchor)
            return {true, "page.xhtml#" + XmlNameOf(value), "page.xhtml"};
        return {true, value, {}};
    };
    const TXhtmlPage page = HtmlToXhtml(html, settings);
    if (page.Text.compare(0, 5, "<?xml") != 0 || !IsXmlText(page.Text))
        std::abort();
    for (const TFragmentUse& use : page.Fragments)
        if (use.Begin >= use.End || use.End > page.Text.size() || page.Text[use.Begin] != '#')
            std::abort();
    for (const std::string& id : page.Ids)
        if (id.empty() || id != XmlNameOf(id))
            std::abort();
    return 0;
}
