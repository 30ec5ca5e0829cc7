#include "u_ReaderSettingsKey.h"

#include "u_MFS.h"

const char* const ReaderRegistryKey = "Software\\Brevant\\Quarvel\\Reader";

namespace BookSettingsValue {
const char* const File = "File";
const char* const LastPage = "LastPage";
const char* const FontSize = "FontSize";
const char* const Contents = "Contents";
} // namespace BookSettingsValue

std::string BookSettingsKey(std::string_view AbsolutePath) {
    return std::string(ReaderRegistryKey) + "\\Books\\" + MFSChecksumText(AbsolutePath);
}
