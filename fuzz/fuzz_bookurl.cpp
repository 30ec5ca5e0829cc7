// The reader's combination of addresses on any bytes (a base URL and a link, split at
// the first NUL): a book address never climbs above the book's root, and what comes out
// is read again as a link without trouble.
#include "u_ReaderPaths.h"
#include "u_ReaderProtocol.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t nul = input.find('\0');
    const std::string_view base =
        nul == std::string_view::npos ? std::string_view("book:/d/p.htm") : input.substr(0, nul);
    const std::string_view link = nul == std::string_view::npos ? input : input.substr(nul + 1);
    const std::string combined = CombineBookUrl(base, link);
    if (combined.rfind("book:", 0) == 0) {
        const std::string_view path = std::string_view(combined).substr(0, combined.find_first_of("?#"));
        for (size_t at = path.find(".."); at != std::string_view::npos; at = path.find("..", at + 1)) {
            const bool segmentStart = path[at - 1] == '/';
            const bool segmentEnd = at + 2 == path.size() || path[at + 2] == '/';
            if (segmentStart && segmentEnd)
                std::abort(); // a ".." segment left in a book address
        }
    }
    const TLinkTarget target = ClassifyLink(combined, "\\");
    if (target.Kind == TLinkKind::Book && (target.Address.Path.empty() || target.Address.Path[0] != '\\'))
        std::abort();
    return 0;
}
