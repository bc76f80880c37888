#include "acntUtils.h"

#include "classlib/runtime/FormResources.h"
#include "classlib/runtime/SysUtils.h"

#include <shellapi.h>

#include <algorithm>

bool RectsIntersect(const TRect& R1, const TRect& R2) {
    return R2.bottom > R1.top && R2.right > R1.left && R2.left < R1.right && R2.top < R1.bottom && !R2.IsEmpty();
}

int GetCaptionFontMetric() {
    NONCLIENTMETRICSA metrics = {};
    // The size of the record without the padded border width, which every Windows version accepts.
    metrics.cbSize = 340;
    if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0))
        return 0;
    return metrics.lfCaptionFont.lfHeight;
}

// --- words ---

namespace {

bool IsDelim(char c, std::string_view Delims) { return Delims.find(c) != std::string_view::npos; }

// Calls Found(start, length) for each word in order until it answers false.
template <class F>
void ForEachWord(std::string_view S, std::string_view Delims, F Found) {
    size_t i = 0, n = S.size();
    while (i < n) {
        while (i < n && IsDelim(S[i], Delims))
            ++i;
        if (i >= n)
            break;
        size_t start = i;
        while (i < n && !IsDelim(S[i], Delims))
            ++i;
        if (!Found(start, i - start))
            break;
    }
}

}  // namespace

int WordCount(std::string_view S, std::string_view Delims) {
    int count = 0;
    ForEachWord(S, Delims, [&](size_t, size_t) {
        ++count;
        return true;
    });
    return count;
}

int WordPosition(int N, std::string_view S, std::string_view Delims) {
    int index = 0, position = 0;
    ForEachWord(S, Delims, [&](size_t start, size_t) {
        if (++index < N)
            return true;
        position = static_cast<int>(start) + 1;
        return false;
    });
    return N >= 1 ? position : 0;
}

std::string ExtractWord(int N, std::string_view S, std::string_view Delims) {
    int index = 0;
    std::string word;
    ForEachWord(S, Delims, [&](size_t start, size_t length) {
        if (++index < N)
            return true;
        word = std::string(S.substr(start, length));
        return false;
    });
    return N >= 1 ? word : std::string();
}

std::string DelChars(std::string_view S, char Ch) {
    std::string r;
    r.reserve(S.size());
    for (char c : S)
        if (c != Ch)
            r += c;
    return r;
}

std::string ReplaceStr(std::string_view S, std::string_view Old, std::string_view New) {
    if (Old.empty())
        return std::string(S);
    std::string r;
    size_t from = 0;
    for (size_t at; (at = S.find(Old, from)) != std::string_view::npos; from = at + Old.size()) {
        r.append(S.substr(from, at - from));
        r.append(New);
    }
    r.append(S.substr(from));
    return r;
}

// --- INI text in memory ---

void LoadIniFromStrings(TStrings* Lines, TStringList* Sections) {
    Sections->SetOwnsObjects(true);
    Sections->Clear();
    TStringList* current = nullptr;
    for (int i = 0; i < Lines->Count(); ++i) {
        std::string line = Lines->Strings(i);
        if (line.empty() || line[0] == ';')
            continue;
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            auto section = std::make_unique<TStringList>();
            current = section.get();
            Sections->AddObject(line.substr(1, line.size() - 2), section.release());
        } else if (current) {
            current->Add(line);
        }
    }
}

std::string ReadIniString(TStrings* Sections, const std::string& Section, const std::string& Key,
                          const std::string& Default) {
    int index = Sections->IndexOf(Section);
    if (index < 0)
        return Default;
    auto* lines = dynamic_cast<TStrings*>(Sections->Objects(index));
    if (!lines)
        return Default;
    for (int i = 0; i < lines->Count(); ++i) {
        std::string line = lines->Strings(i);
        size_t eq = line.find('=');
        if (eq != std::string::npos && SameText(std::string_view(line).substr(0, eq), Key))
            return line.substr(eq + 1);
    }
    return Default;
}

int HexTextToInt(const std::string& Text, int Default) {
    if (Text.size() > 2 && Text[0] == '0' && (Text[1] == 'x' || Text[1] == 'X')) {
        std::string hex = "$";
        hex.append(Text, 2);
        return StrToIntDef(hex, Default);
    }
    return StrToIntDef(Text, Default);
}

int ReadIniHex(TStrings* Sections, const std::string& Section, const std::string& Key, int Default) {
    return HexTextToInt(ReadIniString(Sections, Section, Key, ""), Default);
}

// --- published properties ---

namespace {

const TPropInfo* FindProperty(TObject* Instance, const std::string& Name) {
    auto* persistent = dynamic_cast<TPersistent*>(Instance);
    return persistent ? FindFormProperty(persistent, Name) : nullptr;
}

// The members of a set property's value; false when it is no set property.
bool SetMembers(TObject* Instance, const std::string& Name, std::vector<std::string>& Members) {
    const TPropInfo* p = FindProperty(Instance, Name);
    if (!p || p->Kind != TPropInfo::Value || !p->Get)
        return false;
    TFormValue v = p->Get(static_cast<TPersistent*>(Instance));
    if (v.Type != TValueType::Set)
        return false;
    Members = v.Members;
    return true;
}

}  // namespace

bool HasProperty(TObject* Instance, const std::string& Name) { return FindProperty(Instance, Name) != nullptr; }

TObject* GetObjProp(TObject* Instance, const std::string& Name) {
    const TPropInfo* p = FindProperty(Instance, Name);
    auto* o = static_cast<TPersistent*>(Instance);
    if (p && p->Kind == TPropInfo::Object && p->GetObject)
        return p->GetObject(o);
    if (p && p->Kind == TPropInfo::Component && p->GetComponent)
        return p->GetComponent(o);
    return nullptr;
}

long long GetIntProp(TObject* Instance, const std::string& Name) {
    const TPropInfo* p = FindProperty(Instance, Name);
    if (!p || p->Kind != TPropInfo::Value || !p->Get)
        return -1;
    TFormValue v = p->Get(static_cast<TPersistent*>(Instance));
    if (v.Type == TValueType::Integer)
        return v.Int;
    if (v.Type == TValueType::Ident) {
        if (SameText(v.Str, "True"))
            return 1;
        if (SameText(v.Str, "False"))
            return 0;
        TColor colour;
        if (IdentToColor(v.Str, colour))
            return colour;
    }
    return -1;
}

void SetIntProp(TObject* Instance, const std::string& Name, long long Value) {
    const TPropInfo* p = FindProperty(Instance, Name);
    if (!p || p->Kind != TPropInfo::Value || !p->Set)
        return;
    auto* o = static_cast<TPersistent*>(Instance);
    // A Boolean property takes its value as a name.
    TFormValue current = p->Get ? p->Get(o) : TFormValue();
    if (current.Type == TValueType::Ident && (SameText(current.Str, "True") || SameText(current.Str, "False")))
        p->Set(o, TFormValue::Ident(Value ? "True" : "False"));
    else
        p->Set(o, TFormValue::Integer(Value));
}

bool SetPropHasElement(TObject* Instance, const std::string& PropName, const std::string& ElementName) {
    std::vector<std::string> members;
    if (!SetMembers(Instance, PropName, members))
        return false;
    for (const std::string& m : members)
        if (SameText(m, ElementName))
            return true;
    return false;
}

void ChangeSetProp(TObject* Instance, const std::string& PropName, const std::string& ElementName, bool Add) {
    std::vector<std::string> members;
    if (!SetMembers(Instance, PropName, members))
        return;
    std::string text;
    for (const std::string& m : members)
        text += (text.empty() ? "" : ",") + m;
    // The names are matched as whole elements: a name that is the start of another must not match it.
    std::string padded = "," + text + ",";
    std::string needle = "," + ElementName + ",";
    size_t at = padded.find(needle);
    if (Add) {
        if (at != std::string::npos)
            return;
        text += (text.empty() ? "" : ",") + ElementName;
    } else {
        if (at == std::string::npos)
            return;
        padded.erase(at, needle.size() - 1);  // the name with the "," before it
        text = padded.substr(1, padded.size() >= 2 ? padded.size() - 2 : 0);
    }
    TFormValue v;
    v.Type = TValueType::Set;
    for (int i = 1, n = WordCount(text, ","); i <= n; ++i)
        v.Members.push_back(ExtractWord(i, text, ","));
    FindProperty(Instance, PropName)->Set(static_cast<TPersistent*>(Instance), v);
}

// --- files and paths ---

std::string NormalDir(const std::string& Path) {
    if (Path.empty())
        return Path;
    if (Path.back() == '\\')
        return Path;
    if (Path.back() == '/')
        return Path.substr(0, Path.size() - 1) + "\\";
    if (Path.size() == 1)
        return Path + ":\\";
    return Path + "\\";
}

std::string AppDir() { return ExtractFilePath(ParamStr0()); }

namespace {

constexpr DWORD faSpecial = faHidden | faSysFile | faDirectory;

// Moves F to the next entry that the attribute filter lets through, starting with data; 0 or the error code.
int AcceptOrNext(TacSearchRec& F, WIN32_FIND_DATAA& data) {
    for (;;) {
        if ((data.dwFileAttributes & F.ExcludeAttr) == 0) {
            F.Name = data.cFileName;
            F.Attr = data.dwFileAttributes;
            F.Size = (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
            return 0;
        }
        if (!FindNextFileA(F.FindHandle, &data))
            return static_cast<int>(GetLastError());
    }
}

}  // namespace

int FindFirstEntry(const std::string& Path, DWORD Attr, TacSearchRec& F) {
    F.ExcludeAttr = ~Attr & faSpecial;
    WIN32_FIND_DATAA data;
    F.FindHandle = FindFirstFileA(Path.c_str(), &data);
    if (F.FindHandle == INVALID_HANDLE_VALUE)
        return static_cast<int>(GetLastError());
    int result = AcceptOrNext(F, data);
    if (result != 0)
        FindCloseEntry(F);
    return result;
}

int FindNextEntry(TacSearchRec& F) {
    WIN32_FIND_DATAA data;
    if (F.FindHandle == INVALID_HANDLE_VALUE)
        return ERROR_INVALID_HANDLE;
    if (!FindNextFileA(F.FindHandle, &data))
        return static_cast<int>(GetLastError());
    return AcceptOrNext(F, data);
}

void FindCloseEntry(TacSearchRec& F) {
    if (F.FindHandle != INVALID_HANDLE_VALUE) {
        FindClose(F.FindHandle);
        F.FindHandle = INVALID_HANDLE_VALUE;
    }
}

std::unique_ptr<TIcon> GetIconForFile(const std::string& FileName, UINT Flags) {
    if (!FileExists(FileName))
        return nullptr;
    SHFILEINFOA info = {};
    if (!SHGetFileInfoA(FileName.c_str(), 0, &info, sizeof info, Flags | SHGFI_ICON) || !info.hIcon)
        return nullptr;
    auto icon = std::make_unique<TIcon>();
    icon->SetHandle(info.hIcon);
    if (icon->Empty())
        return nullptr;
    return icon;
}
