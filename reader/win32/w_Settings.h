// What the reader keeps per book between runs, in the registry of the user under
// "HKEY_CURRENT_USER\Software\Brevant\Quarvel\Reader\Books\<key>" (the key of the book
// file, u_ReaderSettingsKey): the page last read, the font size and whether the
// contents panel is shown.
#pragma once

#include "u_ReaderSettingsKey.h"

#include <string>

// BookFile is the book program's full path.
TBookSettings LoadBookSettings(const std::string& BookFile);
void SaveBookSettings(const std::string& BookFile, const TBookSettings& Settings);
