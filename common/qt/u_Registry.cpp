#include "u_Registry.h"

#include "u_CaseBlind.h"

#include <QByteArray>
#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <QString>
#include <charconv>
#include <cstdint>

namespace {

std::string& RegistryFileOverride() {
    static std::string fileName;
    return fileName;
}

QString ToQString(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

std::string FromQString(const QString& s) {
    const QByteArray bytes = s.toUtf8();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

// True when the bytes are well-formed UTF-8 (no overlong forms, no surrogates).
bool IsValidUtf8(const std::string& s) {
    size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        size_t length = 0;
        uint32_t code = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            length = 2;
            code = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
            code = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            code = c & 0x07;
        } else {
            return false;
        }
        if (i + length > s.size())
            return false;
        for (size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(s[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (next & 0x3F);
        }
        if ((length == 3 && (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF))) ||
            (length == 4 && (code < 0x10000 || code > 0x10FFFF)))
            return false;
        i += length;
    }
    return true;
}

// The key path split at backslashes (forward slashes count too); empty parts dropped.
std::vector<QString> KeyParts(const std::string& key) {
    std::vector<QString> parts;
    std::string part;
    for (const char c : key) {
        if (c == '\\' || c == '/') {
            if (!part.empty())
                parts.push_back(ToQString(part));
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty())
        parts.push_back(ToQString(part));
    return parts;
}

// Finds the stored spelling of a name among the given ones, ignoring letter case.
const QString* FindCaseBlind(const QStringList& names, const QString& name) {
    const std::string wanted = FromQString(name);
    for (const QString& candidate : names)
        if (candidate == name)
            return &candidate;
    for (const QString& candidate : names)
        if (SameTextCaseBlind(FromQString(candidate), wanted))
            return &candidate;
    return nullptr;
}

// The group path of a key with the spelling already stored for each existing part.
// Parts that do not exist yet keep the given spelling; found is false then.
QString ResolveGroup(QSettings& settings, const std::string& key, bool& found) {
    found = true;
    QString path;
    int depth = 0;
    for (const QString& part : KeyParts(key)) {
        QString spelled = part;
        if (found) {
            const QStringList groups = settings.childGroups();
            if (const QString* existing = FindCaseBlind(groups, part))
                spelled = *existing;
            else
                found = false;
        }
        if (found) {
            settings.beginGroup(spelled);
            ++depth;
        }
        path += path.isEmpty() ? spelled : "/" + spelled;
    }
    for (int i = 0; i < depth; ++i)
        settings.endGroup();
    return path;
}

} // namespace

std::string RegistryFileName() {
    if (!RegistryFileOverride().empty())
        return RegistryFileOverride();
    QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (folder.isEmpty())
        folder = QDir::homePath() + "/.config";
    return FromQString(folder + "/Brevant/Quarvel.conf");
}

void SetRegistryFileName(const std::string& fileName) {
    RegistryFileOverride() = fileName;
}

TRegistryKey::TRegistryKey(const std::string& Key, bool ReadOnly)
    : FSettings(std::make_unique<QSettings>(ToQString(RegistryFileName()), QSettings::IniFormat)) {
    bool found = false;
    FGroup = FromQString(ResolveGroup(*FSettings, Key, found));
    if (ReadOnly)
        FOpened = found && FSettings->status() == QSettings::NoError;
    else
        FOpened = FSettings->isWritable();
}

TRegistryKey::~TRegistryKey() = default;

std::string TRegistryKey::ValueKey(const std::string& Name) const {
    // The stored spelling of the value name when it exists, else the name as given.
    FSettings->beginGroup(ToQString(FGroup));
    const QStringList names = FSettings->childKeys();
    FSettings->endGroup();
    const QString name = ToQString(Name);
    const QString* existing = FindCaseBlind(names, name);
    const QString spelled = existing ? *existing : name;
    return FromQString(FGroup.empty() ? spelled : ToQString(FGroup) + "/" + spelled);
}

void TRegistryKey::WriteString(const std::string& Name, const std::string& Value) {
    if (!FOpened)
        return;
    const QString key = ToQString(ValueKey(Name));
    if (IsValidUtf8(Value))
        FSettings->setValue(key, ToQString(Value));
    else
        FSettings->setValue(key, QByteArray(Value.data(), static_cast<qsizetype>(Value.size())));
}

void TRegistryKey::WriteInteger(const std::string& Name, int Value) {
    if (FOpened)
        FSettings->setValue(ToQString(ValueKey(Name)), Value);
}

void TRegistryKey::WriteBinary(const std::string& Name, const std::string& Data) {
    if (FOpened)
        FSettings->setValue(ToQString(ValueKey(Name)),
                            QByteArray(Data.data(), static_cast<qsizetype>(Data.size())));
}

bool TRegistryKey::ValueExists(const std::string& Name) const {
    return FOpened && FSettings->contains(ToQString(ValueKey(Name)));
}

std::optional<std::string> TRegistryKey::ReadString(const std::string& Name) const {
    if (!ValueExists(Name))
        return std::nullopt;
    const QVariant value = FSettings->value(ToQString(ValueKey(Name)));
    if (value.typeId() == QMetaType::QByteArray) {
        const QByteArray bytes = value.toByteArray();
        return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
    }
    if (!value.canConvert<QString>())
        return std::nullopt;
    return FromQString(value.toString());
}

std::optional<int> TRegistryKey::ReadInteger(const std::string& Name) const {
    if (!ValueExists(Name))
        return std::nullopt;
    const QVariant value = FSettings->value(ToQString(ValueKey(Name)));
    if (value.typeId() == QMetaType::QByteArray)
        return std::nullopt;
    const std::string text = FromQString(value.toString());
    int result = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, result);
    if (text.empty() || ec != std::errc() || ptr != end)
        return std::nullopt;
    return result;
}

std::optional<std::string> TRegistryKey::ReadBinary(const std::string& Name) const {
    if (!ValueExists(Name))
        return std::nullopt;
    const QVariant value = FSettings->value(ToQString(ValueKey(Name)));
    if (value.typeId() != QMetaType::QByteArray)
        return std::nullopt;
    const QByteArray bytes = value.toByteArray();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

std::vector<std::string> TRegistryKey::ValueNames() const {
    std::vector<std::string> names;
    if (!FOpened)
        return names;
    FSettings->beginGroup(ToQString(FGroup));
    for (const QString& name : FSettings->childKeys())
        names.push_back(FromQString(name));
    FSettings->endGroup();
    return names;
}

std::vector<std::string> TRegistryKey::SubKeys() const {
    std::vector<std::string> names;
    if (!FOpened)
        return names;
    FSettings->beginGroup(ToQString(FGroup));
    for (const QString& name : FSettings->childGroups())
        names.push_back(FromQString(name));
    FSettings->endGroup();
    return names;
}

void TRegistryKey::DeleteValue(const std::string& Name) {
    if (ValueExists(Name))
        FSettings->remove(ToQString(ValueKey(Name)));
}

bool TRegistryKey::Flush() {
    FSettings->sync();
    return FSettings->status() == QSettings::NoError;
}

void WriteRegString(const std::string& Key, const std::string& Name, const std::string& Value) {
    TRegistryKey(Key, false).WriteString(Name, Value);
}

void WriteRegInteger(const std::string& Key, const std::string& Name, int Value) {
    TRegistryKey(Key, false).WriteInteger(Name, Value);
}

void WriteRegBinary(const std::string& Key, const std::string& Name, const std::string& Data) {
    TRegistryKey(Key, false).WriteBinary(Name, Data);
}

std::string ReadRegString(const std::string& Key, const std::string& Name) {
    return TRegistryKey(Key, true).ReadString(Name).value_or(std::string());
}

int ReadRegInteger(const std::string& Key, const std::string& Name, int Default) {
    return TRegistryKey(Key, true).ReadInteger(Name).value_or(Default);
}

std::optional<std::string> ReadRegBinary(const std::string& Key, const std::string& Name) {
    return TRegistryKey(Key, true).ReadBinary(Name);
}

bool RegKeyExists(const std::string& Key) {
    return TRegistryKey(Key, true).Opened();
}

bool RegValueExists(const std::string& Key, const std::string& Name) {
    return TRegistryKey(Key, true).ValueExists(Name);
}

std::vector<std::string> ReadRegSubKeys(const std::string& Key) {
    return TRegistryKey(Key, true).SubKeys();
}

std::vector<std::string> ReadRegValueNames(const std::string& Key) {
    return TRegistryKey(Key, true).ValueNames();
}

void DeleteRegValue(const std::string& Key, const std::string& Name) {
    TRegistryKey(Key, true).DeleteValue(Name);
}

void DeleteRegKey(const std::string& Key) {
    QSettings settings(ToQString(RegistryFileName()), QSettings::IniFormat);
    bool found = false;
    const QString group = ResolveGroup(settings, Key, found);
    if (found && !group.isEmpty())
        settings.remove(group);
}
