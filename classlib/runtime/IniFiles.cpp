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

// --- TMemIniFile ---

struct TMemIniFile::TSection {
    std::string Name;
    std::vector<std::pair<std::string, std::string>> Keys;
    std::unordered_map<std::string, size_t> Index;  // upper-cased key -> its first position in Keys

    const std::pair<std::string, std::string>* Find(const std::string& Ident) const {
        auto it = Index.find(UpperCase(Ident));
        return it == Index.end() ? nullptr : &Keys[it->second];
    }
    void Reindex() {
        Index.clear();
        for (size_t i = 0; i < Keys.size(); ++i)
            Index.emplace(UpperCase(Keys[i].first), i);
    }
};

TMemIniFile::TMemIniFile(const std::string& FileName) : TCustomIniFile(FileName) {
    if (FileName.empty() || !FileExists(FileName))
        return;
    TStringList lines;
    lines.LoadFromFile(FileName);
    SetStrings(&lines);
}

TMemIniFile::~TMemIniFile() = default;

TMemIniFile::TSection* TMemIniFile::Find(const std::string& Section) const {
    auto it = FIndex.find(UpperCase(Section));
    return it == FIndex.end() ? nullptr : FSections[it->second].get();
}

TMemIniFile::TSection& TMemIniFile::Add(const std::string& Section) {
    if (TSection* s = Find(Section))
        return *s;
    FIndex.emplace(UpperCase(Section), FSections.size());
    FSections.push_back(std::make_unique<TSection>());
    FSections.back()->Name = Section;
    return *FSections.back();
}

void TMemIniFile::Clear() {
    FSections.clear();
    FIndex.clear();
}

void TMemIniFile::SetStrings(TStrings* List) {
    Clear();
    TSection* current = nullptr;
    for (int i = 0; i < List->Count(); ++i) {
        std::string line = Trim(List->Strings(i));
        if (line.empty() || line[0] == ';')
            continue;
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            current = &Add(line.substr(1, line.size() - 2));
            continue;
        }
        size_t eq = line.find('=');
        // Lines before the first section and lines that are no "key=value" belong to nothing.
        if (!current || eq == std::string::npos)
            continue;
        std::string key = Trim(line.substr(0, eq));
        current->Keys.emplace_back(key, Trim(line.substr(eq + 1)));
        current->Index.emplace(UpperCase(key), current->Keys.size() - 1);
    }
}

void TMemIniFile::GetStrings(TStrings* List) {
    TStringsUpdateScope update(*List);
    List->Clear();
    for (size_t i = 0; i < FSections.size(); ++i) {
        if (i > 0)
            List->Add("");
        List->Add("[" + FSections[i]->Name + "]");
        for (const auto& [key, value] : FSections[i]->Keys)
            List->Add(key + "=" + value);
    }
}

std::string TMemIniFile::ReadString(const std::string& Section, const std::string& Ident,
                                    const std::string& Default) {
    const TSection* s = Find(Section);
    const auto* entry = s ? s->Find(Ident) : nullptr;
    return entry ? entry->second : Default;
}

void TMemIniFile::WriteString(const std::string& Section, const std::string& Ident, const std::string& Value) {
    TSection& s = Add(Section);
    auto it = s.Index.find(UpperCase(Ident));
    if (it != s.Index.end()) {
        s.Keys[it->second].second = Value;
        return;
    }
    s.Keys.emplace_back(Ident, Value);
    s.Index.emplace(UpperCase(Ident), s.Keys.size() - 1);
}

void TMemIniFile::ReadSection(const std::string& Section, TStrings* Strings) {
    TStringsUpdateScope update(*Strings);
    Strings->Clear();
    if (const TSection* s = Find(Section))
        for (const auto& entry : s->Keys)
            Strings->Add(entry.first);
}

void TMemIniFile::ReadSections(TStrings* Strings) {
    TStringsUpdateScope update(*Strings);
    Strings->Clear();
    for (const auto& s : FSections)
        Strings->Add(s->Name);
}

void TMemIniFile::ReadSectionValues(const std::string& Section, TStrings* Strings) {
    TStringsUpdateScope update(*Strings);
    Strings->Clear();
    if (const TSection* s = Find(Section))
        for (const auto& [key, value] : s->Keys)
            Strings->Add(key + "=" + value);
}

void TMemIniFile::EraseSection(const std::string& Section) {
    auto it = FIndex.find(UpperCase(Section));
    if (it == FIndex.end())
        return;
    FSections.erase(FSections.begin() + static_cast<std::ptrdiff_t>(it->second));
    FIndex.clear();
    for (size_t i = 0; i < FSections.size(); ++i)
        FIndex.emplace(UpperCase(FSections[i]->Name), i);
}

void TMemIniFile::DeleteKey(const std::string& Section, const std::string& Ident) {
    TSection* s = Find(Section);
    if (!s)
        return;
    std::string upper = UpperCase(Ident);
    std::erase_if(s->Keys, [&](const auto& entry) { return UpperCase(entry.first) == upper; });
    s->Reindex();
}

void TMemIniFile::UpdateFile() {
    if (FileName().empty())
        return;
    TStringList lines;
    GetStrings(&lines);
    lines.SaveToFile(FileName());
}

bool TMemIniFile::SectionExists(const std::string& Section) { return Find(Section) != nullptr; }

bool TMemIniFile::ValueExists(const std::string& Section, const std::string& Ident) {
    const TSection* s = Find(Section);
    return s && s->Find(Ident);
}
