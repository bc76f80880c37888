#include "FastIniFile.h"

#include "classlib/runtime/Streams.h"

#include <algorithm>
#include <array>
#include <bit>
#include <set>

// --- names ---

const unsigned char* IniUpperTable() {
    static const std::array<unsigned char, 256> table = [] {
        std::array<unsigned char, 256> t;
        for (int i = 0; i < 256; ++i)
            t[static_cast<size_t>(i)] = static_cast<unsigned char>(i);
        CharUpperBuffA(reinterpret_cast<char*>(t.data()), 256);
        return t;
    }();
    return table.data();
}

namespace {
// The table is built at start-up, before any file is read.
[[maybe_unused]] const unsigned char* const UpperAtStart = IniUpperTable();

bool IsBlank(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    return u >= 1 && u <= 32;
}

// Key names are compared without the blanks a key line's name can never keep.
std::string_view TrimName(std::string_view name) {
    size_t b = 0, e = name.size();
    while (b < e && IsBlank(name[b]))
        ++b;
    while (e > b && IsBlank(name[e - 1]))
        --e;
    return name.substr(b, e - b);
}

bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

// The position of the first ";" outside double quotes, or npos.
size_t CommentStart(std::string_view value) {
    bool quoted = false;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '"')
            quoted = !quoted;
        else if (value[i] == ';' && !quoted)
            return i;
    }
    return std::string_view::npos;
}
}  // namespace

std::uint32_t HashName(std::string_view Name) {
    const unsigned char* upper = IniUpperTable();
    std::uint32_t h = 0;
    for (char c : Name)
        h = std::rotl(h, 2) ^ upper[static_cast<unsigned char>(c)];
    return h;
}

bool SameName(std::string_view A, std::string_view B) {
    if (A.size() != B.size() || A.empty())
        return false;
    const unsigned char* upper = IniUpperTable();
    for (size_t i = 0; i < A.size(); ++i)
        if (upper[static_cast<unsigned char>(A[i])] != upper[static_cast<unsigned char>(B[i])])
            return false;
    return true;
}

// --- TSectionItems ---

TSectionItem* TSectionItems::Add(const std::string& Name, int FirstLine) {
    auto item = std::make_unique<TSectionItem>();
    item->Name = Name;
    item->FirstLine = FirstLine;
    auto& head = FBuckets[HashName(Name) & 255];
    item->Next = std::move(head);
    head = std::move(item);
    return head.get();
}

TSectionItem* TSectionItems::Find(std::string_view Name) const {
    for (TSectionItem* s = FBuckets[HashName(Name) & 255].get(); s; s = s->Next.get())
        if (SameName(s->Name, Name))
            return s;
    return nullptr;
}

void TSectionItems::Remove(TSectionItem* Item) {
    std::unique_ptr<TSectionItem>* link = &FBuckets[HashName(Item->Name) & 255];
    while (*link && link->get() != Item)
        link = &(*link)->Next;
    if (*link) {
        std::unique_ptr<TSectionItem> next = std::move((*link)->Next);
        *link = std::move(next);
    }
}

void TSectionItems::Clear() {
    // Unlinked one by one: a long chain must not recurse through its destructors.
    for (auto& head : FBuckets)
        while (head)
            head = std::move(head->Next);
}

// --- TIniItems ---

TIniItem& TIniItems::Items(int Index) {
    if (Index < 0 || Index >= Count())
        TList::Error(Index);
    return FItems[static_cast<size_t>(Index)];
}

void TIniItems::Tally(const TIniItem& Item, int Delta) {
    switch (Item.Kind) {
        case ikBlank:
            FStatistics.Blanks += Delta;
            break;
        case ikComment:
            FStatistics.Comments += Delta;
            break;
        case ikSection:
            FStatistics.Sections += Delta;
            break;
        default:
            FStatistics.Keys += Delta;
            break;
    }
}

void TIniItems::Grow() {
    if (FItems.size() < FItems.capacity())
        return;
    size_t capacity = FItems.capacity();
    size_t delta = capacity > 1024 ? capacity / 4 : capacity > 256 ? 512 : 128;
    FItems.reserve(capacity + delta);
}

void TIniItems::Add(std::string Line) {
    TIniItem item;
    if (Line.empty())
        item.Kind = ikBlank;
    else if (Line[0] == ';')
        item.Kind = ikComment;
    else if (Line[0] == '[' && Line.back() == ']' && Line.size() >= 2)
        item.Kind = ikSection;
    else
        item.Kind = ikUnparsed;
    item.Text = std::move(Line);
    Grow();
    FItems.push_back(std::move(item));
    const TIniItem& added = FItems.back();
    if (added.Kind == ikSection)
        FLastSection = FSections.Add(added.Text.substr(1, added.Text.size() - 2), Count());
    Tally(added, 1);
}

void TIniItems::Insert(int Index, TIniItem Item) {
    if (Index < 0 || Index > Count())
        TList::Error(Index);
    Grow();
    Tally(Item, 1);
    FItems.insert(FItems.begin() + Index, std::move(Item));
    ShiftSections(Index, 1);
    FArrayMoved = true;
}

void TIniItems::DeleteLines(int First, int Count) {
    if (Count <= 0)
        return;
    if (First < 0 || First + Count > this->Count())
        TList::Error(First < 0 ? First : First + Count - 1);
    for (int i = First; i < First + Count; ++i)
        Tally(FItems[static_cast<size_t>(i)], -1);
    FItems.erase(FItems.begin() + First, FItems.begin() + First + Count);
    ShiftSections(First + Count - 1, -Count);
    FArrayMoved = true;
}

void TIniItems::ShiftSections(int After, int Delta) {
    FSections.ForEach([&](TSectionItem& s) {
        if (s.FirstLine > After)
            s.FirstLine += Delta;
    });
}

void TIniItems::Clear() {
    std::vector<TIniItem>().swap(FItems);
    FByteOrderMark = false;
    FSections.Clear();
    FStatistics = TStatistics();
    FLastSection = nullptr;
    FArrayMoved = true;
}

namespace {
// What an editor that saves UTF-8 "with signature" puts in front of the text.
constexpr std::string_view Utf8ByteOrderMark = "\xEF\xBB\xBF";
}  // namespace

void TIniItems::SetText(const std::string& Text) {
    Clear();
    // Left on the first line, the mark would hide a header there; dropped, the next save would change the file's
    // encoding for the editor that wrote it.
    std::string_view text = Text;
    if (text.starts_with(Utf8ByteOrderMark)) {
        text.remove_prefix(Utf8ByteOrderMark.size());
        FByteOrderMark = true;
    }
    FItems.reserve(text.size() / 16);
    // A NUL byte is an ordinary byte here: stopping at it would lose the rest of the file at the next save.
    ForEachLine(text, [this](std::string_view line) { Add(std::string(line)); });
    FItems.shrink_to_fit();
    if (FStatistics.Sections > 0 && FStatistics.Keys / FStatistics.Sections >= 250)
        FKeyIndexMode = true;
}

std::string TIniItems::GetText() const {
    size_t size = 0;
    for (const TIniItem& item : FItems)
        size += (item.Source.empty() ? item.Text.size() + item.Value.size() + 1 : item.Source.size()) + 2;
    std::string text;
    text.reserve(size + Utf8ByteOrderMark.size());
    if (FByteOrderMark)
        text += Utf8ByteOrderMark;
    for (const TIniItem& item : FItems) {
        if (!item.Source.empty())
            text += item.Source;
        else if (item.Kind == ikKey)
            text.append(item.Text).append(1, '=').append(item.Value);
        else
            text += item.Text;
        text += "\r\n";
    }
    return text;
}

void TIniItems::Split(int Index) {
    TIniItem& item = Items(Index);
    if (item.Kind != ikUnparsed)
        return;
    const std::string& line = item.Text;
    size_t b = 0, n = line.size();
    while (b < n && IsBlank(line[b]))
        ++b;
    size_t eq = line.find('=', b);
    if (eq == std::string::npos) {
        item.Source = line;
        item.Text = line.substr(b);
        item.Kind = ikText;
        return;
    }
    size_t nameEnd = eq;
    while (nameEnd > b && IsBlank(line[nameEnd - 1]))
        --nameEnd;
    size_t v = eq + 1;
    while (v < n && IsBlank(line[v]))
        ++v;
    size_t e = n;
    while (e > v && static_cast<unsigned char>(line[e - 1]) <= 32)
        --e;
    item.Source = line;
    item.Value = line.substr(v, e - v);
    item.Text = line.substr(b, nameEnd - b);
    item.Hash = HashName(item.Text);
    item.Kind = ikKey;
}

TSectionItem* TIniItems::FindSection(std::string_view Name) {
    if (FLastSection && SameName(FLastSection->Name, Name))
        return FLastSection;
    TSectionItem* s = FSections.Find(Name);
    if (s)
        FLastSection = s;
    return s;
}

TSectionItem* TIniItems::AddSection(const std::string& Name) {
    if (Count() > 0 && FItems.back().Kind != ikBlank)
        Add(std::string());
    Add("[" + Name + "]");
    return FLastSection;
}

int TIniItems::SectionEnd(const TSectionItem* Section) const {
    int i = Section->FirstLine;
    while (i < Count() && FItems[static_cast<size_t>(i)].Kind != ikSection)
        ++i;
    return i;
}

int TIniItems::FindKeyLinear(TSectionItem* Section, std::string_view Ident, std::uint32_t Hash) {
    for (int i = Section->FirstLine; i < Count(); ++i) {
        TIniItem& item = FItems[static_cast<size_t>(i)];
        if (item.Kind == ikSection)
            break;
        if (item.Kind == ikUnparsed)
            Split(i);
        if (item.Kind == ikKey && item.Hash == Hash && SameName(item.Text, Ident))
            return i;
    }
    return -1;
}

void TIniItems::DiscardKeyIndexesIfStale() {
    if (!FArrayMoved && FItems.data() == FArrayAddress)
        return;
    FSections.ForEach([](TSectionItem& s) { s.KeyIndex.reset(); });
    FArrayMoved = false;
    FArrayAddress = FItems.data();
}

void TIniItems::BuildKeyIndex(TSectionItem* Section) {
    auto index = std::make_unique<TKeyIndex>();
    int end = SectionEnd(Section);
    for (int i = Section->FirstLine; i < end; ++i) {
        Split(i);
        const TIniItem& item = FItems[static_cast<size_t>(i)];
        if (item.Kind == ikKey)
            index->Buckets[item.Hash & 255].push_back(i);
    }
    Section->KeyIndex = std::move(index);
}

int TIniItems::FindKey(TSectionItem* Section, std::string_view Ident, std::uint32_t Hash) {
    if (!FKeyIndexMode)
        return FindKeyLinear(Section, Ident, Hash);
    DiscardKeyIndexesIfStale();
    if (!Section->KeyIndex)
        BuildKeyIndex(Section);
    // From the last entry backwards: of duplicate keys the last one in the file wins.
    const std::vector<int>& bucket = Section->KeyIndex->Buckets[Hash & 255];
    for (auto it = bucket.rbegin(); it != bucket.rend(); ++it)
        if (SameName(FItems[static_cast<size_t>(*it)].Text, Ident))
            return *it;
    return -1;
}

int TIniItems::AddKey(TSectionItem* Section, const std::string& Ident) {
    int end = SectionEnd(Section);
    int last = -1;
    for (int i = Section->FirstLine; i < end; ++i) {
        Split(i);
        TIniItemKind kind = FItems[static_cast<size_t>(i)].Kind;
        if (kind == ikKey || kind == ikText)
            last = i;
    }
    int at = last >= 0 ? last + 1 : Section->FirstLine;
    TIniItem item;
    item.Kind = ikKey;
    item.Text = Ident;
    item.Hash = HashName(Ident);
    Insert(at, std::move(item));
    return at;
}

int TIniItems::EraseSection(TSectionItem* Section) {
    int header = Section->FirstLine - 1;
    int end = header;
    int counter = 0;
    // Comments after the section's last key, with the first blank line after them, belong to what follows.
    for (int i = Section->FirstLine; i < Count(); ++i) {
        TIniItemKind kind = FItems[static_cast<size_t>(i)].Kind;
        if (kind == ikSection)
            break;
        if (kind == ikKey || kind == ikText || kind == ikUnparsed) {
            end = i;
            counter = 0;
        } else if (kind == ikComment) {
            counter = -1;
        } else if (++counter > 0) {
            end = i;
        }
    }
    if (FLastSection == Section)
        FLastSection = nullptr;
    FSections.Remove(Section);
    int removed = end - header + 1;
    DeleteLines(header, removed);
    return removed;
}

// --- TFastIniFile ---

TFastIniFile::TFastIniFile(const std::string& FileName) : TCustomIniFile(FileName) {}

TFastIniFile::~TFastIniFile() {
    try {
        Flush();
    } catch (...) {
        // A destructor must not throw; whoever needs to know that the save failed calls UpdateFile first.
    }
    Clear();
}

void TFastIniFile::LoadValues() {
    if (!FileName().empty() && FileExists(FileName())) {
        std::string text;
        {
            TFileStream stream(FileName(), fmOpenRead | fmShareDenyWrite);
            text.resize(static_cast<size_t>(stream.Size()));
            if (!text.empty())
                stream.ReadBuffer(text.data(), static_cast<long>(text.size()));
        }
        FIniItems.SetText(text);
    } else {
        FIniItems.Clear();
    }
    FLoaded = true;
}

std::string TFastIniFile::DecodeValue(const std::string& Stored) {
    std::string result = Trim(std::string_view(Stored).substr(0, CommentStart(Stored)));
    if (result.size() >= 2 && (result[0] == '"' || result[0] == '\'') && result.back() == result[0])
        result = result.substr(1, result.size() - 2);
    return result;
}

std::string TFastIniFile::ReadString(const std::string& Section, const std::string& Ident,
                                     const std::string& Default) {
    NeedValues();
    TSectionItem* section = FIniItems.FindSection(Section);
    if (!section)
        return Default;
    std::string_view name = TrimName(Ident);
    int line = FIniItems.FindKey(section, name, HashName(name));
    if (line < 0)
        return Default;
    return DecodeValue(FIniItems.Items(line).Value);
}

std::string_view TFastIniFile::CheckKey(const std::string& Section, const std::string& Ident) {
    // Such names would write a line that reads back as something else: a header, a comment or another key.
    if (Section.empty() || HasLineBreak(Section))
        throw EIniFileException("Cannot store the key \"" + Ident + "\" in a section named \"" + Section + "\"");
    std::string_view name = TrimName(Ident);
    if (name.empty() || HasLineBreak(name) || name.find('=') != std::string_view::npos || name[0] == ';' ||
        name[0] == '[')
        throw EIniFileException("\"" + Ident + "\" cannot be a key name in an INI file");
    return name;
}

std::string TFastIniFile::StoredForm(const std::string& Old, const std::string& Value) const {
    // The inline comment keeps its column within the value, or follows one blank when the value reaches it.
    size_t p = CommentStart(Old);
    std::string comment = p == std::string::npos ? std::string() : Old.substr(p);
    auto withComment = [&](const std::string& encoded) {
        if (comment.empty())
            return encoded;
        if (p > encoded.size())
            return encoded + std::string(p - encoded.size(), ' ') + comment;
        return encoded + " " + comment;
    };
    // A value that would not read back as it is (a ";", outer blanks or quotes) is stored in double quotes,
    // which every reader of these files strips.
    const std::string wrapped = "\"" + Value + "\"";
    for (const std::string& candidate : {withComment(Value), withComment(wrapped), Value, wrapped})
        if (DecodeValue(candidate) == Value)
            return candidate;
    return withComment(Value);
}

void TFastIniFile::WriteString(const std::string& Section, const std::string& Ident, const std::string& Value) {
    if (Ident.empty()) {
        if (Value.empty()) {
            if (Section.empty())
                Flush();
            else
                EraseSection(Section);
        }
        return;
    }
    std::string_view name = CheckKey(Section, Ident);
    if (HasLineBreak(Value))
        throw EIniFileException("The value of \"" + Ident + "\" in [" + Section +
                                "] holds a line break, which an INI file cannot store");
    NeedValues();
    TSectionItem* section = FIniItems.FindSection(Section);
    if (!section) {
        section = FIniItems.AddSection(Section);
        FModified = true;
    }
    std::uint32_t hash = HashName(name);
    int line = FIniItems.FindKey(section, name, hash);
    if (line < 0) {
        // A new key is a change even when its value is empty: it then reads as "" rather than the default.
        line = FIniItems.AddKey(section, std::string(name));
        FModified = true;
    }
    TIniItem& item = FIniItems.Items(line);
    if (DecodeValue(item.Value) == Value)
        return;
    item.Value = StoredForm(item.Value, Value);
    item.Source.clear();
    FModified = true;
}

void TFastIniFile::ReadSection(const std::string& Section, TStrings* Strings) {
    NeedValues();
    TStringsUpdateScope update(*Strings);
    Strings->Clear();
    TSectionItem* section = FIniItems.FindSection(Section);
    if (!section)
        return;
    int end = FIniItems.SectionEnd(section);
    for (int i = section->FirstLine; i < end; ++i) {
        FIniItems.Split(i);
        const TIniItem& item = FIniItems.Items(i);
        if (item.Kind == ikKey)
            Strings->Add(item.Text);
    }
}

void TFastIniFile::ReadSections(TStrings* Strings) {
    NeedValues();
    TStringsUpdateScope update(*Strings);
    Strings->Clear();
    for (int i = 0; i < FIniItems.Count(); ++i) {
        const TIniItem& item = FIniItems.Items(i);
        if (item.Kind == ikSection)
            Strings->Add(item.Text.substr(1, item.Text.size() - 2));
    }
}

void TFastIniFile::ReadSectionValues(const std::string& Section, TStrings* Strings) {
    // Through ReadString, so inline comments and enclosing quotes are gone.
    ReadSectionValuesByKey(Section, Strings);
}

void TFastIniFile::EraseSection(const std::string& Section) {
    NeedValues();
    if (TSectionItem* section = FIniItems.FindSection(Section))
        FIniItems.EraseSection(section);
    FModified = true;
}

void TFastIniFile::DeleteKey(const std::string& Section, const std::string& Ident) {
    NeedValues();
    TSectionItem* section = FIniItems.FindSection(Section);
    if (!section)
        return;
    std::string_view name = TrimName(Ident);
    // Always the linear search: with duplicate keys in key-index mode this removes the first one.
    int line = FIniItems.FindKeyLinear(section, name, HashName(name));
    if (line < 0)
        return;
    FIniItems.DeleteLines(line, 1);
    section->KeyIndex.reset();
    FModified = true;
}

void TFastIniFile::UpdateFile() { Flush(); }

namespace {

// Raises E with "<What> \"<file>\". <system text> (system error <n>)" for the last Win32 error.
template <class E>
[[noreturn]] void RaiseSaveError(const char* What, const std::string& File) {
    DWORD code = GetLastError();
    throw E(Format("%s \"%s\". %s (system error %lu)", What, File.c_str(), SysErrorMessage(code).c_str(),
                   static_cast<unsigned long>(code)));
}

// Deletes the temporary file of a save, whatever marks it has; nothing when there is none.
void RemoveTemporaryFile(const std::string& Temp, const std::string& Target) {
    if (GetFileAttributesA(Temp.c_str()) == INVALID_FILE_ATTRIBUTES)
        return;
    SetFileAttributesA(Temp.c_str(), FILE_ATTRIBUTE_NORMAL);  // DeleteFileA below says whether it can go
    if (!DeleteFileA(Temp.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND)
        RaiseSaveError<EFCreateError>("Cannot remove the unfinished save beside", Target);
}

// The file's access list as a self-relative security descriptor; empty where the file system keeps none.
std::vector<uint8_t> AccessListOf(const std::string& File) {
    DWORD needed = 0;
    GetFileSecurityA(File.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &needed);
    if (needed == 0) {
        if (GetLastError() == ERROR_NOT_SUPPORTED || GetLastError() == ERROR_INVALID_FUNCTION)
            return {};
        RaiseSaveError<EFCreateError>("Cannot read the access list of", File);
    }
    std::vector<uint8_t> sd(needed);
    if (!GetFileSecurityA(File.c_str(), DACL_SECURITY_INFORMATION, sd.data(), needed, &needed))
        RaiseSaveError<EFCreateError>("Cannot read the access list of", File);
    return sd;
}

}  // namespace

void TFastIniFile::Flush() {
    if (!FModified)
        return;
    const std::string& target = FileName();
    // Replacing the file by another would pass over its read-only mark (Wine lets the move through): a file its
    // owner marked so is refused, as writing into it would be.
    DWORD attributes = GetFileAttributesA(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        throw EFCreateError(Format("Cannot create file \"%s\". %s (system error %lu)", target.c_str(),
                                   SysErrorMessage(ERROR_ACCESS_DENIED).c_str(),
                                   static_cast<unsigned long>(ERROR_ACCESS_DENIED)));
    std::string text = FIniItems.GetText();
    // Written beside the file and then moved over it, so that a failed save leaves the old file as it was. The
    // name is always the same, so that what a save cut short (the program killed between the two) is found and
    // replaced by the next one instead of piling up.
    const std::string temp = target + ".tmp";
    RemoveTemporaryFile(temp, target);
    const bool replacing = attributes != INVALID_FILE_ATTRIBUTES;
    // The new file is what the old one was: the marks its owner gave it and who may read and write it.
    const DWORD kept = replacing ? attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                                 FILE_ATTRIBUTE_NOT_CONTENT_INDEXED)
                                 : 0;
    std::vector<uint8_t> access = replacing ? AccessListOf(target) : std::vector<uint8_t>();
    try {
        {
            TFileStream stream(temp, fmCreate);
            stream.WriteBuffer(text.data(), static_cast<long>(text.size()));
            if (!FlushFileBuffers(stream.Handle()))
                RaiseSaveError<EWriteError>("Cannot write file", target);
        }
        if (!access.empty() &&
            !SetFileSecurityA(temp.c_str(), DACL_SECURITY_INFORMATION,
                              static_cast<PSECURITY_DESCRIPTOR>(access.data())))
            RaiseSaveError<EFCreateError>("Cannot give the access list of", target);
        if (replacing && !SetFileAttributesA(temp.c_str(), kept ? kept : FILE_ATTRIBUTE_NORMAL))
            RaiseSaveError<EFCreateError>("Cannot give the attributes of", target);
        if (!MoveFileExA(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            RaiseSaveError<EFCreateError>("Cannot create file", target);
    } catch (...) {
        // The temporary file is ours; the error that matters is the one above.
        SetFileAttributesA(temp.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(temp.c_str());
        throw;
    }
    FModified = false;
}

void TFastIniFile::Clear() {
    FIniItems.Clear();
    FLoaded = false;
    FModified = false;
}

int TFastIniFile::CompareLists(TStrings* ListA, TStrings* ListB) {
    if (ListA->Count() > ListB->Count())
        return 1;
    if (ListA->Count() < ListB->Count())
        return -1;
    for (int i = 0; i < ListA->Count(); ++i) {
        int c = ListA->Strings(i).compare(ListB->Strings(i));
        if (c != 0)
            return c < 0 ? -1 : 1;
    }
    return 0;
}

bool TFastIniFile::SectionExists(const std::string& Section) {
    NeedValues();
    return FIniItems.FindSection(Section) != nullptr;
}

void TFastIniFile::ReadStringList(const std::string& Section, const std::string& Prefix, TStrings* Strings,
                                  int MaxCount) {
    int n = std::min(ReadInteger(Section, Prefix + "Count", 0), MaxCount);
    Strings->Clear();
    TStringsUpdateScope update(*Strings);
    for (int i = 0; i < n; ++i)
        Strings->Add(ReadString(Section, Prefix + IntToStr(i), ""));
}

void TFastIniFile::DeleteListKeys(const std::string& Section, const std::string& Prefix, int Count) {
    if (Count <= 0)
        return;
    NeedValues();
    TSectionItem* section = FIniItems.FindSection(Section);
    if (!section)
        return;
    // One pass over the section's lines instead of a search per index, whatever the count says. Of duplicate keys
    // the first goes, as DeleteKey would take it.
    std::set<int> deleted;
    for (int i = section->FirstLine; i < FIniItems.Count();) {
        FIniItems.Split(i);
        const TIniItem& item = FIniItems.Items(i);
        if (item.Kind == ikSection)
            break;
        int index = -1;
        std::string_view name = item.Text;
        if (item.Kind == ikKey && name.size() > Prefix.size() && SameName(name.substr(0, Prefix.size()), Prefix)) {
            // The rest must be what IntToStr writes: digits without a leading zero (but "0" itself).
            std::string_view digits = name.substr(Prefix.size());
            bool canonical = digits.size() <= 10 && (digits.size() == 1 || digits[0] != '0');
            long long value = 0;
            for (char c : digits) {
                if (c < '0' || c > '9') {
                    canonical = false;
                    break;
                }
                value = value * 10 + (c - '0');
            }
            if (canonical && value < Count)
                index = static_cast<int>(value);
        }
        if (index >= 0 && deleted.insert(index).second) {
            FIniItems.DeleteLines(i, 1);
            section->KeyIndex.reset();
            FModified = true;
        } else {
            ++i;
        }
    }
}

void TFastIniFile::WriteStringList(const std::string& Section, const std::string& Prefix, TStrings* Strings) {
    // Refused before anything is deleted, so that a bad item cannot cost the stored list.
    for (int i = 0; i < Strings->Count(); ++i)
        if (HasLineBreak(Strings->Strings(i)))
            throw EIniFileException("Item " + IntToStr(i) + " of the list \"" + Prefix + "\" in [" + Section +
                                    "] holds a line break, which an INI file cannot store");
    CheckKey(Section, Prefix + "Count");
    bool wasModified = FModified;
    // The old list only as far as it can differ from the new one: its count comes from the file, and a huge one
    // must not cost the time and memory of as many items.
    int oldCount = ReadInteger(Section, Prefix + "Count", 0);
    TStringList old;
    ReadStringList(Section, Prefix, &old, Strings->Count() + 1);
    DeleteListKeys(Section, Prefix, oldCount);
    WriteInteger(Section, Prefix + "Count", Strings->Count());
    for (int i = 0; i < Strings->Count(); ++i)
        WriteString(Section, Prefix + IntToStr(i), Strings->Strings(i));
    if (!wasModified)
        FModified = CompareLists(&old, Strings) != 0;
}
