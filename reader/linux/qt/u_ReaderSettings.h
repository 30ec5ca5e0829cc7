// What the reader keeps per book between runs, in the per-user settings under
// "Software\Brevant\Quarvel\Reader\Books\<key>": the page last read, the font size
// and whether the contents panel is shown. The key is made from the book file's
// absolute path (u_ReaderSettingsKey, shared with the Windows reader).
#pragma once

#include "u_ReaderSettingsKey.h"

#include <string>

// The key of the book file BookFile, relative or absolute.
std::string BookFileSettingsKey(const std::string& BookFile);
TBookSettings ReadBookSettings(const std::string& BookFile);
void WriteBookSettings(const std::string& BookFile, const TBookSettings& Settings);
