// Per-user settings values, addressed like registry values: a key path such as
// "Software\Brevant\Quarvel\Editor" and a value name. The store is one settings file
// of the current user (in the XDG config folder, "Brevant/Quarvel.conf"); key paths
// become nested groups of that file. Key and value names compare without regard to
// letter case, as registry names do: the spelling first written is kept.
//
// Values are strings (8-bit byte strings, stored as text when they are valid UTF-8
// and as raw bytes otherwise, so every byte comes back), integers and binary values.
// Binary values read only as binary or string; an integer reads back as a string too
// (its decimal text), and a string reads as an integer when it holds one.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

class QSettings;

// The settings file in use. Tests and tools point the store elsewhere; an empty name
// goes back to the per-user default.
std::string RegistryFileName();
void SetRegistryFileName(const std::string& fileName);

// One opened key. Opening for writing always succeeds unless the settings file cannot
// be written; opening read-only fails when the key does not exist.
class TRegistryKey {
public:
    TRegistryKey(const std::string& Key, bool ReadOnly);
    ~TRegistryKey();
    TRegistryKey(const TRegistryKey&) = delete;
    TRegistryKey& operator=(const TRegistryKey&) = delete;

    bool Opened() const { return FOpened; }

    void WriteString(const std::string& Name, const std::string& Value);
    void WriteInteger(const std::string& Name, int Value);
    void WriteBinary(const std::string& Name, const std::string& Data);

    bool ValueExists(const std::string& Name) const;
    // Missing values (or values of another kind) give nothing.
    std::optional<std::string> ReadString(const std::string& Name) const;
    std::optional<int> ReadInteger(const std::string& Name) const;
    std::optional<std::string> ReadBinary(const std::string& Name) const;

    std::vector<std::string> ValueNames() const;
    std::vector<std::string> SubKeys() const;
    void DeleteValue(const std::string& Name);

    // Writes pending changes to the file; false when that failed.
    bool Flush();

private:
    std::string ValueKey(const std::string& Name) const;

    std::unique_ptr<QSettings> FSettings;
    std::string FGroup; // the key as a settings group path ("A/B/C")
    bool FOpened = false;
};

// Open the key (created when missing) and write; nothing happens when it cannot be opened.
void WriteRegString(const std::string& Key, const std::string& Name, const std::string& Value);
void WriteRegInteger(const std::string& Key, const std::string& Name, int Value);
void WriteRegBinary(const std::string& Key, const std::string& Name, const std::string& Data);

// Empty when the key or value is missing.
std::string ReadRegString(const std::string& Key, const std::string& Name);
// Default when the key or value is missing or is not an integer.
int ReadRegInteger(const std::string& Key, const std::string& Name, int Default);
// Nothing when the key or value is missing or is not binary.
std::optional<std::string> ReadRegBinary(const std::string& Key, const std::string& Name);

bool RegKeyExists(const std::string& Key);
bool RegValueExists(const std::string& Key, const std::string& Name);
// Names of the direct subkeys, and of the values, of a key (empty when it is missing).
std::vector<std::string> ReadRegSubKeys(const std::string& Key);
std::vector<std::string> ReadRegValueNames(const std::string& Key);
void DeleteRegValue(const std::string& Key, const std::string& Name);
// Deletes the key with all its values and subkeys.
void DeleteRegKey(const std::string& Key);
