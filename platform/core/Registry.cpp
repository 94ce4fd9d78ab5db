#include "platform/core/Registry.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <optional>

#include "platform/core/CodePage.h"
#include "platform/core/IniFiles.h"

namespace {

constexpr int kUtf8CodePage = 65001;
const char* const kIntegerPrefix = "dword:";

// One change at a time inside the process: each is read, change, write of the whole hive file.
std::mutex g_hiveMutex;

const char* HiveName(HKEY root)
{
    switch (root) {
    case HKEY_CLASSES_ROOT: return "HKEY_CLASSES_ROOT";
    case HKEY_CURRENT_USER: return "HKEY_CURRENT_USER";
    case HKEY_LOCAL_MACHINE: return "HKEY_LOCAL_MACHINE";
    case HKEY_USERS: return "HKEY_USERS";
    default: return nullptr;
    }
}

std::filesystem::path ConfigFolder()
{
    if (const char* dir = std::getenv("QUELLBROOK_CONFIG_DIR"); dir && *dir) return dir;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) return std::filesystem::path(xdg) / "quellbrook";
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home && *home ? home : ".") / ".config" / "quellbrook";
}

// The hive's file, read whole when made; Save writes it back safely.
class THive {
public:
    explicit THive(HKEY root) : ini_((ConfigFolder() / (std::string(HiveName(root)) + ".ini")).string(), kUtf8CodePage) {}
    TMemIniFile& Ini() { return ini_; }
    bool Save()
    {
        try {
            std::filesystem::create_directories(std::filesystem::path(ini_.FileName()).parent_path());
            ini_.UpdateFile();
            return true;
        } catch (const std::exception&) {
            return false;
        }
    }

private:
    TMemIniFile ini_;
};

bool StartsWithText(const std::string& text, const std::string& prefix)
{
    return text.size() >= prefix.size() && SameText(text.substr(0, prefix.size()), prefix);
}

// The key itself or a key below it.
bool IsAtOrBelow(const std::string& section, const std::string& path)
{
    return path.empty() || SameText(section, path) || StartsWithText(section, path + "\\");
}

// A key exists when its section or a section below it does (a hand-written file may skip
// the sections of the keys above).
bool HasKey(const TMemIniFile& ini, const std::string& path)
{
    if (path.empty()) return true;
    TStringList sections;
    ini.ReadSections(sections);
    for (int i = 0; i < sections.Count(); ++i)
        if (IsAtOrBelow(sections[i], path)) return true;
    return false;
}

bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

std::string HexByte(unsigned char c)
{
    char buffer[3];
    std::snprintf(buffer, sizeof buffer, "%02X", c);
    return buffer;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Reads the two hex digits at pos into c; false when they aren't hex digits.
bool ReadHexByte(const std::string& text, size_t pos, char& c)
{
    if (pos + 1 >= text.size()) return false;
    const int high = HexDigit(text[pos]);
    const int low = HexDigit(text[pos + 1]);
    if (high < 0 || low < 0) return false;
    c = static_cast<char>(high * 16 + low);
    return true;
}

// Value names may hold any text; the characters the ini layout gives a meaning to are written
// as %XX, so every name reads back as it was written.
std::string EncodeName(const std::string& name)
{
    std::string out;
    for (size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        const bool edge = i == 0 || i + 1 == name.size();
        const bool special = c == '%' || c == '=' || IsControl(c) || (edge && c == ' ') || (i == 0 && (c == ';' || c == '['));
        out += special ? "%" + HexByte(c) : std::string(1, static_cast<char>(c));
    }
    return out;
}

std::string DecodeName(const std::string& encoded)
{
    std::string out;
    for (size_t i = 0; i < encoded.size(); ++i) {
        char c = encoded[i];
        if (c == '%' && ReadHexByte(encoded, i + 1, c)) i += 2;
        out += c;
    }
    return out;
}

// Strings are quoted so blanks at the ends survive; '\', '"' and control characters are escaped.
std::string EncodeString(const std::string& value)
{
    std::string out = "\"";
    for (const char ch : value) {
        const auto c = static_cast<unsigned char>(ch);
        if (ch == '\\' || ch == '"')
            out += std::string("\\") + ch;
        else if (IsControl(c))
            out += "\\x" + HexByte(c);
        else
            out += ch;
    }
    return out + "\"";
}

// A value written by hand without quotes is taken as it stands.
std::string DecodeString(const std::string& raw)
{
    if (raw.size() < 2 || raw.front() != '"' || raw.back() != '"') return raw;
    std::string out;
    for (size_t i = 1; i + 1 < raw.size(); ++i) {
        char c = raw[i];
        if (c == '\\' && i + 2 < raw.size()) {
            c = raw[++i];
            if (c == 'x' && ReadHexByte(raw, i + 1, c)) i += 2;
        }
        out += c;
    }
    return out;
}

bool IsIntegerValue(const std::string& raw) { return StartsWithText(raw, kIntegerPrefix); }

std::optional<int> DecodeInteger(const std::string& raw)
{
    const std::string digits = raw.substr(std::string(kIntegerPrefix).size());
    if (digits.empty() || digits.size() > 8) return std::nullopt;
    std::uint32_t value = 0;
    for (const char c : digits) {
        const int digit = HexDigit(c);
        if (digit < 0) return std::nullopt;
        value = value * 16 + static_cast<std::uint32_t>(digit);
    }
    return static_cast<int>(value);
}

std::string EncodeInteger(int value)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%08x", static_cast<std::uint32_t>(value));
    return kIntegerPrefix + std::string(buffer);
}

[[noreturn]] void RaiseInvalidType(const std::string& name)
{
    throw ERegistryException("Invalid data type for '" + name + "'");
}

[[noreturn]] void RaiseSetFailed(const std::string& name)
{
    throw ERegistryException("Failed to set data for '" + name + "'");
}

}  // namespace

// ---- Keys ---------------------------------------------------------------------------------

void TRegistry::SetRootKey(HKEY rootKey)
{
    CloseKey();
    rootKey_ = rootKey;
}

// The full path of a key without the leading '\'; none for a key that names no path: an
// unknown root, an empty part ("a\\b") or blanks and control characters the hive file can't keep.
std::optional<std::string> TRegistry::ResolvePath(const std::string& key) const
{
    const std::nullopt_t kInvalid = std::nullopt;
    if (!HiveName(rootKey_)) return kInvalid;
    const bool absolute = !key.empty() && key[0] == '\\';
    std::string path = absolute ? key.substr(1) : key;
    while (!path.empty() && path.back() == '\\') path.pop_back();
    if (!absolute && keyOpen_ && !currentPath_.empty()) path = path.empty() ? currentPath_ : currentPath_ + "\\" + path;
    if (path.find("\\\\") != std::string::npos || (!path.empty() && path.front() == '\\')) return kInvalid;
    if (Trim(path) != path) return kInvalid;
    for (const char c : path)
        if (IsControl(static_cast<unsigned char>(c))) return kInvalid;
    return path;
}

bool TRegistry::KeyExists(const std::string& key) const
{
    const std::optional<std::string> path = ResolvePath(key);
    if (!path) return false;
    std::lock_guard lock(g_hiveMutex);
    THive hive(rootKey_);
    return HasKey(hive.Ini(), *path);
}

bool TRegistry::OpenKey(const std::string& key, bool canCreate)
{
    const std::optional<std::string> path = ResolvePath(key);
    CloseKey();
    if (!path) return false;
    std::lock_guard lock(g_hiveMutex);
    THive hive(rootKey_);
    if (!HasKey(hive.Ini(), *path)) {
        if (!canCreate) return false;
        TStringList text;
        hive.Ini().GetStrings(text);
        text.Add("[" + *path + "]");
        hive.Ini().SetStrings(text);
        if (!hive.Save()) return false;
    }
    currentPath_ = *path;
    keyOpen_ = true;
    return true;
}

bool TRegistry::OpenKeyReadOnly(const std::string& key)
{
    if (!OpenKey(key, false)) return false;
    readOnly_ = true;
    return true;
}

void TRegistry::CloseKey()
{
    currentPath_.clear();
    keyOpen_ = false;
    readOnly_ = false;
}

bool TRegistry::DeleteKey(const std::string& key)
{
    const std::optional<std::string> path = ResolvePath(key);
    if (!path || path->empty() || readOnly_) return false;
    std::lock_guard lock(g_hiveMutex);
    THive hive(rootKey_);
    TStringList sections;
    hive.Ini().ReadSections(sections);
    bool deleted = false;
    for (int i = 0; i < sections.Count(); ++i) {
        if (!IsAtOrBelow(sections[i], *path)) continue;
        hive.Ini().EraseSection(sections[i]);
        deleted = true;
    }
    return deleted && hive.Save();
}

void TRegistry::GetKeyNames(TStringList& strings) const
{
    strings.Clear();
    if (!keyOpen_) return;
    std::lock_guard lock(g_hiveMutex);
    THive hive(rootKey_);
    TStringList sections;
    hive.Ini().ReadSections(sections);
    const std::string prefix = currentPath_.empty() ? "" : currentPath_ + "\\";
    for (int i = 0; i < sections.Count(); ++i) {
        if (!StartsWithText(sections[i], prefix) || sections[i].size() == prefix.size()) continue;
        const std::string rest = sections[i].substr(prefix.size());
        const std::string child = rest.substr(0, rest.find('\\'));
        if (strings.IndexOf(child) < 0) strings.Add(child);
    }
}

// ---- Values -------------------------------------------------------------------------------

std::string TRegistry::ReadRawValue(const std::string& name, bool& found) const
{
    found = false;
    if (!keyOpen_) return "";
    std::lock_guard lock(g_hiveMutex);
    THive hive(rootKey_);
    const std::string ident = EncodeName(name);
    found = hive.Ini().ValueExists(currentPath_, ident);
    return hive.Ini().ReadString(currentPath_, ident, "");
}

void TRegistry::WriteRawValue(const std::string& name, const std::string& raw)
{
    if (!keyOpen_ || readOnly_) RaiseSetFailed(name);
    std::lock_guard lock(g_hiveMutex);
    THive hive(rootKey_);
    hive.Ini().WriteString(currentPath_, EncodeName(name), raw);
    if (!hive.Save()) RaiseSetFailed(name);
}

bool TRegistry::ValueExists(const std::string& name) const
{
    bool found = false;
    ReadRawValue(name, found);
    return found;
}

bool TRegistry::DeleteValue(const std::string& name)
{
    if (!keyOpen_ || readOnly_) return false;
    std::lock_guard lock(g_hiveMutex);
    THive hive(rootKey_);
    const std::string ident = EncodeName(name);
    if (!hive.Ini().ValueExists(currentPath_, ident)) return false;
    hive.Ini().DeleteKey(currentPath_, ident);
    return hive.Save();
}

void TRegistry::GetValueNames(TStringList& strings) const
{
    strings.Clear();
    if (!keyOpen_) return;
    std::lock_guard lock(g_hiveMutex);
    THive hive(rootKey_);
    TStringList names;
    hive.Ini().ReadSection(currentPath_, names);
    for (int i = 0; i < names.Count(); ++i) strings.Add(DecodeName(names[i]));
}

std::string TRegistry::ReadString(const std::string& name) const
{
    bool found = false;
    const std::string raw = ReadRawValue(name, found);
    if (!found) return "";
    if (IsIntegerValue(raw)) RaiseInvalidType(name);
    return DecodeString(raw);
}

void TRegistry::WriteString(const std::string& name, const std::string& value) { WriteRawValue(name, EncodeString(value)); }

int TRegistry::ReadInteger(const std::string& name) const
{
    bool found = false;
    const std::string raw = ReadRawValue(name, found);
    if (!found) throw ERegistryException("Failed to get data for '" + name + "'");
    const std::optional<int> value = IsIntegerValue(raw) ? DecodeInteger(raw) : std::nullopt;
    if (!value) RaiseInvalidType(name);
    return *value;
}

void TRegistry::WriteInteger(const std::string& name, int value) { WriteRawValue(name, EncodeInteger(value)); }

bool TRegistry::ReadBool(const std::string& name) const { return ReadInteger(name) != 0; }

void TRegistry::WriteBool(const std::string& name, bool value) { WriteInteger(name, value ? 1 : 0); }

int ReadCodePageSetting()
{
    for (const HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        TRegistry registry;
        registry.SetRootKey(root);
        if (!registry.OpenKeyReadOnly("\\Software\\ORU") || !registry.ValueExists("CodePage")) continue;
        try {
            const int codePage = registry.ReadInteger("CodePage");
            if (IsCodePageSupported(codePage)) return codePage;
        } catch (const ERegistryException&) {
            // a value of another type counts as not set
        }
    }
    return 0;
}
