#include "u_ReaderSettings.h"

#include "u_Registry.h"

#include <filesystem>

std::string BookFileSettingsKey(const std::string& BookFile) {
    std::error_code ec;
    std::string path = std::filesystem::absolute(BookFile, ec).lexically_normal().string();
    if (ec)
        path = BookFile;
    return BookSettingsKey(path);
}

TBookSettings ReadBookSettings(const std::string& BookFile) {
    // One key opened, so that the settings file is read once for the three values.
    TBookSettings settings;
    const TRegistryKey reg(BookFileSettingsKey(BookFile), true);
    settings.LastPage = reg.ReadString(BookSettingsValue::LastPage).value_or(std::string());
    settings.FontSize = reg.ReadInteger(BookSettingsValue::FontSize).value_or(2);
    settings.ContentsVisible = reg.ReadInteger(BookSettingsValue::Contents).value_or(0) != 0;
    return settings;
}

void WriteBookSettings(const std::string& BookFile, const TBookSettings& Settings) {
    TRegistryKey reg(BookFileSettingsKey(BookFile), false);
    if (!reg.Opened())
        return;
    reg.WriteString(BookSettingsValue::File, BookFile);
    reg.WriteString(BookSettingsValue::LastPage, Settings.LastPage);
    reg.WriteInteger(BookSettingsValue::FontSize, Settings.FontSize);
    reg.WriteInteger(BookSettingsValue::Contents, Settings.ContentsVisible ? 1 : 0);
    reg.Flush();
}
