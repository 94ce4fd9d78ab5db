#pragma once
// The settings store standing in for the system registry: each hive is one ini file
// (HKEY_CURRENT_USER.ini, ...) in $QUELLBROOK_CONFIG_DIR, else $XDG_CONFIG_HOME/quellbrook,
// else ~/.config/quellbrook. A key is a section named by its path ("Software\ORU"); values keep
// their type, strings as "text" and integers as dword:0000000a. Key paths and value names are
// matched without regard to case. Every change is written to the hive's file at once.
#include <cstdint>
#include <optional>
#include <string>

#include "platform/core/StringList.h"

using HKEY = std::uint32_t;
inline constexpr HKEY HKEY_CLASSES_ROOT = 0x80000000u;
inline constexpr HKEY HKEY_CURRENT_USER = 0x80000001u;
inline constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002u;
inline constexpr HKEY HKEY_USERS = 0x80000003u;

class TRegistry : public TObject {
public:
    TRegistry() = default;
    std::string ClassName() const override { return "TRegistry"; }

    HKEY RootKey() const { return rootKey_; }
    void SetRootKey(HKEY rootKey);  // closes the open key

    // A key beginning with '\' is taken from the root, any other from the open key.
    // False when the key is missing (and not created) or the root is unknown.
    bool OpenKey(const std::string& key, bool canCreate);
    bool OpenKeyReadOnly(const std::string& key);  // writes to it then raise ERegistryException
    void CloseKey();
    std::string CurrentPath() const { return currentPath_; }  // without a leading '\'

    bool KeyExists(const std::string& key) const;
    bool DeleteKey(const std::string& key);  // with every key below it
    void GetKeyNames(TStringList& strings) const;  // the keys directly below the open key

    bool ValueExists(const std::string& name) const;
    bool DeleteValue(const std::string& name);
    void GetValueNames(TStringList& strings) const;

    // A missing string reads as ""; a missing integer and a value of the other type raise
    // ERegistryException.
    std::string ReadString(const std::string& name) const;
    void WriteString(const std::string& name, const std::string& value);
    int ReadInteger(const std::string& name) const;
    void WriteInteger(const std::string& name, int value);
    bool ReadBool(const std::string& name) const;  // an integer <> 0
    void WriteBool(const std::string& name, bool value);

private:
    std::optional<std::string> ResolvePath(const std::string& key) const;
    std::string ReadRawValue(const std::string& name, bool& found) const;
    void WriteRawValue(const std::string& name, const std::string& raw);

    HKEY rootKey_ = HKEY_CURRENT_USER;
    std::string currentPath_;
    bool keyOpen_ = false;
    bool readOnly_ = false;
};

// The program's code page setting: the integer CodePage under \Software\ORU, of the current user
// first, then of the machine; 0 when neither names a code page the text conversion knows (a
// value of another type counts as not set). The programs hand it to SetProgramCodePage at start.
int ReadCodePageSetting();
