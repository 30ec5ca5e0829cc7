// What the reader keeps per book between runs, in the registry of the user under
// "HKEY_CURRENT_USER\Software\Brevant\Quarvel\Reader\Books\<key>" (the key of the book
// file, u_ReaderSettingsKey): the page last read, the font size and whether the
// contents panel is shown.
#pragma once

#include <string>

struct TWinBookSettings {
    std::string LastPage;
    int FontSize = 2;
    bool ContentsVisible = false;
};

// BookFile is the book program's full path.
TWinBookSettings LoadBookSettings(const std::string& BookFile);
void SaveBookSettings(const std::string& BookFile, const TWinBookSettings& Settings);
