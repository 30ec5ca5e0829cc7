// Where the readers keep what they remember of a book between runs: a key of the
// per-user settings under "Software\Brevant\Quarvel\Reader\Books", one per book file,
// named by the checksum of the file's absolute path, so that two copies of a book keep
// apart and the same file finds its key again.
#pragma once

#include <string>
#include <string_view>

extern const char* const ReaderRegistryKey; // "Software\Brevant\Quarvel\Reader"

// The key of the book at AbsolutePath (the path as the platform writes it).
std::string BookSettingsKey(std::string_view AbsolutePath);

// What is kept of a book: the page last read, the font size (0..4) and whether the
// contents panel is shown.
struct TBookSettings {
    std::string LastPage;
    int FontSize = 2;
    bool ContentsVisible = false;
};

// The values kept there.
namespace BookSettingsValue {
extern const char* const File;     // "File": the book's path, for people reading the settings
extern const char* const LastPage; // "LastPage"
extern const char* const FontSize; // "FontSize", 0..4
extern const char* const Contents; // "Contents", 1 when the contents panel is shown
} // namespace BookSettingsValue
