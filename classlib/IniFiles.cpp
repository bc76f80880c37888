#include "IniFiles.h"

#include <vector>

// --- TCustomIniFile ---

int TCustomIniFile::ReadInteger(const std::string& Section, const std::string& Ident, int Default) {
    return StrToIntDef(ReadString(Section, Ident, ""), Default);
}

void TCustomIniFile::WriteInteger(const std::string& Section, const std::string& Ident, int Value) {
    WriteString(Section, Ident, IntToStr(Value));
}

bool TCustomIniFile::ReadBool(const std::string& Section, const std::string& Ident, bool Default) {
    return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

void TCustomIniFile::WriteBool(const std::string& Section, const std::string& Ident, bool Value) {
    WriteString(Section, Ident, Value ? "1" : "0");
}

bool TCustomIniFile::SectionExists(const std::string& Section) {
    TStringList keys;
    ReadSection(Section, &keys);
    return keys.Count() > 0;
}

bool TCustomIniFile::ValueExists(const std::string& Section, const std::string& Ident) {
    TStringList keys;
    ReadSection(Section, &keys);
    return keys.IndexOf(Ident) >= 0;
}

void TCustomIniFile::ReadSectionValuesByKey(const std::string& Section, TStrings* Strings) {
    TStringList keys;
    ReadSection(Section, &keys);
    TStringsUpdateScope update(*Strings);
    Strings->Clear();
    for (int i = 0; i < keys.Count(); ++i)
        Strings->Add(keys[i] + "=" + ReadString(Section, keys[i], ""));
}

// --- TIniFile ---

TIniFile::~TIniFile() { UpdateFile(); }

void TIniFile::WriteError() {
    DWORD code = GetLastError();
    throw EIniFileException(Format("Unable to write to %s: %s (system error %lu)", FileName().c_str(),
                                   SysErrorMessage(code).c_str(), static_cast<unsigned long>(code)));
}

std::string TIniFile::ReadString(const std::string& Section, const std::string& Ident, const std::string& Default) {
    std::vector<char> buffer(2048);
    for (;;) {
        DWORD n = GetPrivateProfileStringA(Section.c_str(), Ident.c_str(), Default.c_str(), buffer.data(),
                                           static_cast<DWORD>(buffer.size()), FileName().c_str());
        // A value that filled the buffer may have been cut: ask again with more room.
        if (n + 1 < buffer.size() || buffer.size() >= (1u << 24))
            return std::string(buffer.data(), n);
        buffer.resize(buffer.size() * 4);
    }
}

void TIniFile::WriteString(const std::string& Section, const std::string& Ident, const std::string& Value) {
    if (!WritePrivateProfileStringA(Section.c_str(), Ident.c_str(), Value.c_str(), FileName().c_str()))
        WriteError();
}

void TIniFile::ReadNames(const char* Section, TStrings* Strings) {
    std::vector<char> buffer(16384);
    DWORD n;
    for (;;) {
        n = GetPrivateProfileStringA(Section, nullptr, "", buffer.data(), static_cast<DWORD>(buffer.size()),
                                     FileName().c_str());
        if (n + 2 < buffer.size() || buffer.size() >= (1u << 24))
            break;
        buffer.resize(buffer.size() * 4);
    }
    TStringsUpdateScope update(*Strings);
    Strings->Clear();
    for (DWORD p = 0; p < n && buffer[p];) {
        std::string name(buffer.data() + p);
        Strings->Add(name);
        p += static_cast<DWORD>(name.size()) + 1;
    }
}

void TIniFile::ReadSection(const std::string& Section, TStrings* Strings) { ReadNames(Section.c_str(), Strings); }

void TIniFile::ReadSections(TStrings* Strings) { ReadNames(nullptr, Strings); }

void TIniFile::ReadSectionValues(const std::string& Section, TStrings* Strings) {
    ReadSectionValuesByKey(Section, Strings);
}

void TIniFile::EraseSection(const std::string& Section) {
    if (!WritePrivateProfileStringA(Section.c_str(), nullptr, nullptr, FileName().c_str()))
        WriteError();
}

void TIniFile::DeleteKey(const std::string& Section, const std::string& Ident) {
    if (!WritePrivateProfileStringA(Section.c_str(), Ident.c_str(), nullptr, FileName().c_str()))
        WriteError();
}

void TIniFile::UpdateFile() {
    // Flushing the profile cache always reports FALSE; each write has already reported its own failure.
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, FileName().c_str());
}
