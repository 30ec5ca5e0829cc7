#include "u_ReaderSettings.h"

#include "u_MFS.h"
#include "u_Registry.h"

#include <filesystem>

const char* const ReaderRegistryKey = "Software\\Brevant\\Quarvel\\Reader";

std::string BookSettingsKey(const std::string& BookFile) {
    std::error_code ec;
    std::string path = std::filesystem::absolute(BookFile, ec).lexically_normal().string();
    if (ec)
        path = BookFile;
    return std::string(ReaderRegistryKey) + "\\Books\\" + MFSChecksumText(path);
}

TBookSettings ReadBookSettings(const std::string& BookFile) {
    // One key opened, so that the settings file is read once for the three values.
    TBookSettings settings;
    const TRegistryKey reg(BookSettingsKey(BookFile), true);
    settings.LastPage = reg.ReadString("LastPage").value_or(std::string());
    settings.FontSize = reg.ReadInteger("FontSize").value_or(2);
    settings.ContentsVisible = reg.ReadInteger("Contents").value_or(0) != 0;
    return settings;
}

void WriteBookSettings(const std::string& BookFile, const TBookSettings& Settings) {
    const std::string key = BookSettingsKey(BookFile);
    TRegistryKey reg(key, false);
    if (!reg.Opened())
        return;
    reg.WriteString("File", BookFile);
    reg.WriteString("LastPage", Settings.LastPage);
    reg.WriteInteger("FontSize", Settings.FontSize);
    reg.WriteInteger("Contents", Settings.ContentsVisible ? 1 : 0);
    reg.Flush();
}
