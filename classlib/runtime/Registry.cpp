#include "Registry.h"

#include <vector>

namespace {
bool IsAbsolute(const std::string& Key) { return !Key.empty() && Key[0] == '\\'; }

std::string StripSlashes(const std::string& Key) {
    size_t b = 0, e = Key.size();
    while (b < e && Key[b] == '\\')
        ++b;
    while (e > b && Key[e - 1] == '\\')
        --e;
    return Key.substr(b, e - b);
}

// Deletes every subkey below key, deepest first, as RegDeleteKeyA refuses keys that have children.
LONG DeleteTree(HKEY parent, const std::string& name) {
    HKEY key;
    LONG rc = RegOpenKeyExA(parent, name.c_str(), 0, KEY_READ | KEY_WRITE, &key);
    if (rc != ERROR_SUCCESS)
        return rc;
    for (;;) {
        char child[256];
        DWORD length = sizeof child;
        rc = RegEnumKeyExA(key, 0, child, &length, nullptr, nullptr, nullptr, nullptr);
        if (rc != ERROR_SUCCESS)
            break;
        rc = DeleteTree(key, std::string(child, length));
        if (rc != ERROR_SUCCESS)
            break;
    }
    RegCloseKey(key);
    if (rc != ERROR_NO_MORE_ITEMS)
        return rc;
    return RegDeleteKeyA(parent, name.c_str());
}
}  // namespace

TRegistry::~TRegistry() { CloseKey(); }

void TRegistry::SetRootKey(HKEY Value) {
    if (Value == FRootKey)
        return;
    CloseKey();
    FRootKey = Value;
}

void TRegistry::CloseKey() {
    if (FCurrentKey) {
        // Nothing to report: a close can only fail on a handle that is not open.
        RegCloseKey(FCurrentKey);
        FCurrentKey = nullptr;
    }
    FCurrentPath.clear();
}

HKEY TRegistry::BaseKey(const std::string& Key, std::string& Relative) const {
    Relative = StripSlashes(Key);
    if (IsAbsolute(Key) || !FCurrentKey)
        return FRootKey;
    return FCurrentKey;
}

bool TRegistry::OpenKey(const std::string& Key, bool CanCreate) {
    std::string relative;
    HKEY base = BaseKey(Key, relative);
    HKEY key = nullptr;
    LONG rc;
    if (CanCreate && !relative.empty())
        rc = RegCreateKeyExA(base, relative.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, FAccess, nullptr, &key,
                             nullptr);
    else
        rc = RegOpenKeyExA(base, relative.c_str(), 0, FAccess, &key);
    if (rc != ERROR_SUCCESS)
        return false;
    std::string path = relative;
    if (base == FCurrentKey && !FCurrentPath.empty())
        path = relative.empty() ? FCurrentPath : FCurrentPath + "\\" + relative;
    CloseKey();
    FCurrentKey = key;
    FCurrentPath = path;
    return true;
}

bool TRegistry::OpenKeyReadOnly(const std::string& Key) {
    REGSAM access = FAccess;
    FAccess = KEY_READ;
    bool result = OpenKey(Key, false);
    FAccess = access;
    return result;
}

bool TRegistry::CreateKey(const std::string& Key) {
    std::string relative;
    HKEY base = BaseKey(Key, relative);
    HKEY key;
    if (RegCreateKeyExA(base, relative.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

bool TRegistry::DeleteKey(const std::string& Key) {
    std::string relative;
    HKEY base = BaseKey(Key, relative);
    if (relative.empty())
        return false;
    return DeleteTree(base, relative) == ERROR_SUCCESS;
}

bool TRegistry::KeyExists(const std::string& Key) {
    std::string relative;
    HKEY base = BaseKey(Key, relative);
    HKEY key;
    if (RegOpenKeyExA(base, relative.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void TRegistry::CheckOpen(const std::string& Name) const {
    if (!FCurrentKey)
        throw ERegistryException("No registry key is open to access the value '" + Name + "'");
}

void TRegistry::Fail(const char* What, const std::string& Name, LONG Code) const {
    throw ERegistryException(Format("%s '%s' in %s: %s (system error %ld)", What, Name.c_str(),
                                    FCurrentPath.empty() ? "the root key" : FCurrentPath.c_str(),
                                    SysErrorMessage(static_cast<DWORD>(Code)).c_str(), static_cast<long>(Code)));
}

bool TRegistry::DeleteValue(const std::string& Name) {
    return FCurrentKey && RegDeleteValueA(FCurrentKey, Name.c_str()) == ERROR_SUCCESS;
}

bool TRegistry::ValueExists(const std::string& Name) {
    return FCurrentKey && RegQueryValueExA(FCurrentKey, Name.c_str(), nullptr, nullptr, nullptr, nullptr) ==
                              ERROR_SUCCESS;
}

std::string TRegistry::ReadString(const std::string& Name) {
    CheckOpen(Name);
    DWORD type = 0, size = 0;
    LONG rc = RegQueryValueExA(FCurrentKey, Name.c_str(), nullptr, &type, nullptr, &size);
    if (rc == ERROR_FILE_NOT_FOUND)
        return std::string();
    if (rc != ERROR_SUCCESS)
        Fail("Failed to get data for", Name, rc);
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        throw ERegistryException("Invalid data type for '" + Name + "': it is not a string");
    std::vector<char> data(size + 1);
    for (;;) {
        DWORD length = static_cast<DWORD>(data.size());
        rc = RegQueryValueExA(FCurrentKey, Name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                              &length);
        if (rc == ERROR_MORE_DATA) {
            data.resize(length + 1);
            continue;
        }
        if (rc != ERROR_SUCCESS)
            Fail("Failed to get data for", Name, rc);
        // The stored data need not end with a zero: take the length the call reports.
        std::string result(data.data(), length);
        while (!result.empty() && result.back() == '\0')
            result.pop_back();
        return result;
    }
}

void TRegistry::WriteString(const std::string& Name, const std::string& Value) {
    CheckOpen(Name);
    LONG rc = RegSetValueExA(FCurrentKey, Name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(Value.c_str()),
                             static_cast<DWORD>(Value.size() + 1));
    if (rc != ERROR_SUCCESS)
        Fail("Failed to set data for", Name, rc);
}

int TRegistry::ReadInteger(const std::string& Name) {
    CheckOpen(Name);
    DWORD type = 0, value = 0, size = sizeof value;
    LONG rc = RegQueryValueExA(FCurrentKey, Name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    if (rc == ERROR_SUCCESS && type != REG_DWORD)
        throw ERegistryException("Invalid data type for '" + Name + "': it is not an integer");
    if (rc == ERROR_MORE_DATA)
        throw ERegistryException("Invalid data type for '" + Name + "': it is not an integer");
    if (rc != ERROR_SUCCESS)
        Fail("Failed to get data for", Name, rc);
    return static_cast<int>(value);
}

void TRegistry::WriteInteger(const std::string& Name, int Value) {
    CheckOpen(Name);
    DWORD value = static_cast<DWORD>(Value);
    LONG rc = RegSetValueExA(FCurrentKey, Name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                             sizeof value);
    if (rc != ERROR_SUCCESS)
        Fail("Failed to set data for", Name, rc);
}

void TRegistry::ListNames(TStrings* Strings, bool Keys) {
    Strings->Clear();
    if (!FCurrentKey)
        return;
    const char* what = Keys ? "Failed to list the keys of" : "Failed to list the values of";
    DWORD keyCount = 0, keyLength = 0, valueCount = 0, valueLength = 0;
    LONG rc = RegQueryInfoKeyA(FCurrentKey, nullptr, nullptr, nullptr, &keyCount, &keyLength, nullptr, &valueCount,
                               &valueLength, nullptr, nullptr, nullptr);
    if (rc != ERROR_SUCCESS)
        Fail(what, FCurrentPath, rc);
    DWORD count = Keys ? keyCount : valueCount;
    std::vector<char> name((Keys ? keyLength : valueLength) + 1);
    TStringsUpdateScope update(*Strings);
    for (DWORD i = 0; i < count; ++i) {
        DWORD length = static_cast<DWORD>(name.size());
        rc = Keys ? RegEnumKeyExA(FCurrentKey, i, name.data(), &length, nullptr, nullptr, nullptr, nullptr)
                  : RegEnumValueA(FCurrentKey, i, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS)
            break;
        if (rc != ERROR_SUCCESS)
            Fail(what, FCurrentPath, rc);
        Strings->Add(std::string(name.data(), length));
    }
}

void TRegistry::GetValueNames(TStrings* Strings) { ListNames(Strings, false); }

void TRegistry::GetKeyNames(TStrings* Strings) { ListNames(Strings, true); }
