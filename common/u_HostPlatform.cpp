#include "u_HostPlatform.h"

std::filesystem::path HostFsPath(const std::string& Path) {
    // A path made from UTF-8 code units is read as UTF-8 on every host.
    return std::filesystem::path(std::u8string(Path.begin(), Path.end()));
}

std::string HostFsText(const std::filesystem::path& Path) {
    const std::u8string text = Path.u8string();
    return std::string(text.begin(), text.end());
}
