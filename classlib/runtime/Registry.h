#pragma once
// TRegistry: one open key of the system registry, read and written as named values.
#include "Lists.h"

#include <string>

// Opens one key at a time below RootKey; values are strings (REG_SZ) and integers (REG_DWORD).
class TRegistry : public TObject {
    CLASS_INFO(TRegistry, TObject)
public:
    TRegistry() = default;
    explicit TRegistry(REGSAM AAccess) : FAccess(AAccess) {}
    ~TRegistry() override;
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    HKEY RootKey() const { return FRootKey; }
    // Closes the open key first.
    void SetRootKey(HKEY Value);
    HKEY CurrentKey() const { return FCurrentKey; }
    // The open key's path below RootKey, empty when no key is open.
    const std::string& CurrentPath() const { return FCurrentPath; }
    REGSAM Access() const { return FAccess; }
    void SetAccess(REGSAM Value) { FAccess = Value; }

    // Opens Key (relative to the open key, or to RootKey when it starts with "\"), creating it when allowed.
    // Returns false when the key cannot be opened or created.
    bool OpenKey(const std::string& Key, bool CanCreate);
    bool OpenKeyReadOnly(const std::string& Key);
    void CloseKey();
    bool CreateKey(const std::string& Key);
    // Deletes Key with everything below it; false when that fails.
    bool DeleteKey(const std::string& Key);
    bool KeyExists(const std::string& Key);
    bool DeleteValue(const std::string& Name);
    bool ValueExists(const std::string& Name);

    // A missing value reads as empty text; a value of another type raises ERegistryException.
    std::string ReadString(const std::string& Name);
    void WriteString(const std::string& Name, const std::string& Value);
    // A missing value or one of another type raises ERegistryException.
    int ReadInteger(const std::string& Name);
    void WriteInteger(const std::string& Name, int Value);

    void GetValueNames(TStrings* Strings);
    void GetKeyNames(TStrings* Strings);

private:
    void ListNames(TStrings* Strings, bool Keys);
    HKEY BaseKey(const std::string& Key, std::string& Relative) const;
    HKEY OpenForQuery(const std::string& Key, REGSAM Access);
    void CheckOpen(const std::string& Name) const;
    [[noreturn]] void Fail(const char* What, const std::string& Name, LONG Code) const;

    HKEY FRootKey = HKEY_CURRENT_USER;
    HKEY FCurrentKey = nullptr;
    std::string FCurrentPath;
    REGSAM FAccess = KEY_ALL_ACCESS;
};
