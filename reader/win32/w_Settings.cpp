#include "w_Settings.h"

#include "u_ReaderSettingsKey.h"
#include "w_Text.h"

#include <windows.h>

#include <algorithm>

TBookSettings LoadBookSettings(const std::string& BookFile) {
    TBookSettings settings;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, Wide(BookSettingsKey(BookFile)).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return settings;
    wchar_t text[2048];
    DWORD size = sizeof text - sizeof(wchar_t), type = 0;
    if (RegQueryValueExW(key, Wide(BookSettingsValue::LastPage).c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(text), &size) == ERROR_SUCCESS &&
        type == REG_SZ) {
        text[size / sizeof(wchar_t)] = 0;
        settings.LastPage = Utf8(std::wstring_view(text));
    }
    DWORD number = 0;
    size = sizeof number;
    if (RegQueryValueExW(key, Wide(BookSettingsValue::FontSize).c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(&number), &size) == ERROR_SUCCESS &&
        type == REG_DWORD)
        settings.FontSize = std::clamp(int(number), 0, 4);
    size = sizeof number;
    if (RegQueryValueExW(key, Wide(BookSettingsValue::Contents).c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(&number), &size) == ERROR_SUCCESS &&
        type == REG_DWORD)
        settings.ContentsVisible = number != 0;
    RegCloseKey(key);
    return settings;
}

void SaveBookSettings(const std::string& BookFile, const TBookSettings& Settings) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, Wide(BookSettingsKey(BookFile)).c_str(), 0, nullptr, 0, KEY_WRITE,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    auto text = [&](const char* name, const std::string& value) {
        const std::wstring w = Wide(value);
        RegSetValueExW(key, Wide(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(w.c_str()),
                       DWORD((w.size() + 1) * sizeof(wchar_t)));
    };
    auto number = [&](const char* name, DWORD value) {
        RegSetValueExW(key, Wide(name).c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    };
    text(BookSettingsValue::File, BookFile);
    text(BookSettingsValue::LastPage, Settings.LastPage);
    number(BookSettingsValue::FontSize, DWORD(std::clamp(Settings.FontSize, 0, 4)));
    number(BookSettingsValue::Contents, Settings.ContentsVisible ? 1 : 0);
    RegCloseKey(key);
}
