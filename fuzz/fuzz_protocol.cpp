// Requests of the page protocol: any URL through the framework and the in-memory file
// system protocol, joins of any two URLs with any buffer size, and canonicalization
// with any flags. Every request must give a document (possibly the error page) and
// every join must stay inside the result buffer.
#include "u_InternetProtocolSupport.h"
#include "u_MFSInternetProtocol.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct TFixture {
    TMFS Store;
    TMFSInternetProtocol Protocol{"mfs", &Store};
    TProjectProtocolHooks Hooks;
    TFixture() {
        Store.Session()->ForceFolders("\\pages\\images");
        Store.Session()->CreateFile("\\pages\\index.html", 0, true)->Content = "<p>%{A}${CONTENTS}</p>";
        Store.Session()->CreateFile("\\pages\\images\\a b.png", 0, true)->Content = "PNG";
        Hooks.ContentsHtml = [] { return std::string("<ul></ul>\r\n"); };
        Hooks.Attach(Protocol);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static TFixture fixture;
    if (size < 6)
        return 0;
    const std::uint32_t flags = data[0] | (data[1] << 8) | (std::uint32_t(data[2]) << 24);
    const std::uint32_t bufferSize = data[3] | (data[4] << 8);
    const std::string text(reinterpret_cast<const char*>(data + 5), size - 5);
    const std::size_t split = text.find('\n');
    const std::string first = text.substr(0, split);
    const std::string second = split == std::string::npos ? std::string() : text.substr(split + 1);

    TCustomInternetProtocol protocol;
    const HRESULT hr = protocol.Start(first, nullptr);
    if (hr == S_OK) {
        if (protocol.TotalSize() == 0)
            __builtin_trap();
        std::vector<char> buffer(protocol.TotalSize());
        std::uint32_t read = 0;
        if (protocol.Read(buffer.data(), protocol.TotalSize(), read) != S_FALSE ||
            read != protocol.TotalSize())
            __builtin_trap();
    } else if (hr != INET_E_INVALID_URL) {
        __builtin_trap();
    }

    // The result buffer carries a guard after its size.
    std::vector<char16_t> result(bufferSize + 1, u'\xBEEF');
    std::uint32_t needed = 0;
    const HRESULT combined = protocol.CombineUrl(first, second, flags, result.data(), bufferSize, needed);
    if (result[bufferSize] != u'\xBEEF')
        __builtin_trap();
    if (combined == S_OK && needed + 1 > bufferSize)
        __builtin_trap();
    protocol.CompareUrl(first, second, flags & 1);
    CanonicalizeUrlText(text, flags);
    return 0;
}
