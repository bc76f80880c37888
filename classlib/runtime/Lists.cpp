#include "Lists.h"

#include "Streams.h"

#include <algorithm>
#include <memory>

// --- TList ---

void TList::Error(int Index) { throw EListError("List index out of bounds (" + IntToStr(Index) + ")"); }

void TList::CheckIndex(int Index) const {
    if (Index < 0 || Index >= Count())
        Error(Index);
}

int TList::Add(void* Item) {
    FItems.push_back(Item);
    return Count() - 1;
}

void TList::Insert(int Index, void* Item) {
    if (Index < 0 || Index > Count())
        Error(Index);
    FItems.insert(FItems.begin() + Index, Item);
}

void TList::Delete(int Index) {
    CheckIndex(Index);
    FItems.erase(FItems.begin() + Index);
}

int TList::Remove(void* Item) {
    int index = IndexOf(Item);
    if (index >= 0)
        Delete(index);
    return index;
}

void* TList::Extract(void* Item) {
    return Remove(Item) >= 0 ? Item : nullptr;
}

int TList::IndexOf(void* Item) const {
    auto it = std::find(FItems.begin(), FItems.end(), Item);
    return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

void TList::SetCount(int NewCount) {
    if (NewCount < 0)
        throw EListError("List count out of bounds (" + IntToStr(NewCount) + ")");
    FItems.resize(static_cast<size_t>(NewCount), nullptr);
}

void* TList::Items(int Index) const {
    CheckIndex(Index);
    return FItems[static_cast<size_t>(Index)];
}

void TList::SetItems(int Index, void* Item) {
    CheckIndex(Index);
    FItems[static_cast<size_t>(Index)] = Item;
}

void TList::Exchange(int Index1, int Index2) {
    CheckIndex(Index1);
    CheckIndex(Index2);
    std::swap(FItems[static_cast<size_t>(Index1)], FItems[static_cast<size_t>(Index2)]);
}

void TList::Move(int CurIndex, int NewIndex) {
    if (CurIndex == NewIndex)
        return;
    CheckIndex(NewIndex);
    void* item = Items(CurIndex);
    FItems.erase(FItems.begin() + CurIndex);
    FItems.insert(FItems.begin() + NewIndex, item);
}

void TList::Pack() { FItems.erase(std::remove(FItems.begin(), FItems.end(), nullptr), FItems.end()); }

void TList::Sort(const TListSortCompare& Compare) {
    std::stable_sort(FItems.begin(), FItems.end(), [&](void* a, void* b) { return Compare(a, b) < 0; });
}

// --- TStrings ---


void TStrings::Error(const char* Message, int Data) const {
    std::string text = Message;
    size_t p = text.find("%d");
    if (p != std::string::npos)
        text.replace(p, 2, IntToStr(Data));
    throw EStringListError(text);
}

int TStrings::Add(const std::string& S) {
    int result = GetCount();
    Insert(result, S);
    return result;
}

int TStrings::AddObject(const std::string& S, TObject* AObject) {
    int result = Add(S);
    PutObject(result, AObject);
    return result;
}

void TStrings::InsertObject(int Index, const std::string& S, TObject* AObject) {
    Insert(Index, S);
    PutObject(Index, AObject);
}

void TStrings::AddStrings(TStrings* Strings) {
    TStringsUpdateScope update(*this);
    for (int i = 0; i < Strings->Count(); ++i)
        AddObject(Strings->Get(i), Strings->GetObject(i));
}

void TStrings::Assign(TPersistent* Source) {
    if (auto* source = dynamic_cast<TStrings*>(Source)) {
        if (source == this)
            return;
        TStringsUpdateScope update(*this);
        Clear();
        AddStrings(source);
        return;
    }
    TPersistent::Assign(Source);
}

void TStrings::BeginUpdate() {
    if (FUpdateCount == 0)
        SetUpdateState(true);
    ++FUpdateCount;
}

void TStrings::EndUpdate() {
    if (FUpdateCount == 0)
        return;
    if (--FUpdateCount == 0)
        SetUpdateState(false);
}

void TStrings::Put(int Index, const std::string& S) {
    TObject* object = GetObject(Index);
    TStringsUpdateScope update(*this);
    Delete(Index);
    InsertObject(Index, S, object);
}

TObject* TStrings::GetObject(int Index) const {
    (void)Index;
    return nullptr;
}

void TStrings::PutObject(int Index, TObject* AObject) {
    (void)Index;
    (void)AObject;
}

void TStrings::Exchange(int Index1, int Index2) {
    TStringsUpdateScope update(*this);
    std::string s1 = Get(Index1), s2 = Get(Index2);
    TObject* o1 = GetObject(Index1);
    TObject* o2 = GetObject(Index2);
    Put(Index1, s2);
    PutObject(Index1, o2);
    Put(Index2, s1);
    PutObject(Index2, o1);
}

void TStrings::Move(int CurIndex, int NewIndex) {
    if (CurIndex == NewIndex)
        return;
    TStringsUpdateScope update(*this);
    std::string s = Get(CurIndex);
    TObject* object = GetObject(CurIndex);
    Delete(CurIndex);
    InsertObject(NewIndex, s, object);
}

bool TStrings::Equals(TStrings* Strings) const {
    if (!Strings || Strings->Count() != Count())
        return false;
    for (int i = 0; i < Count(); ++i)
        if (Get(i) != Strings->Get(i))
            return false;
    return true;
}

int TStrings::CompareStrings(const std::string& S1, const std::string& S2) const { return AnsiCompareText(S1, S2); }

int TStrings::IndexOf(const std::string& S) const {
    for (int i = 0; i < GetCount(); ++i)
        if (CompareStrings(Get(i), S) == 0)
            return i;
    return -1;
}

int TStrings::IndexOfName(const std::string& Name) const {
    for (int i = 0; i < GetCount(); ++i) {
        std::string s = Get(i);
        size_t p = s.find(FNameValueSeparator);
        if (p != std::string::npos && CompareStrings(s.substr(0, p), Name) == 0)
            return i;
    }
    return -1;
}

int TStrings::IndexOfObject(TObject* AObject) const {
    for (int i = 0; i < GetCount(); ++i)
        if (GetObject(i) == AObject)
            return i;
    return -1;
}

std::string TStrings::Names(int Index) const {
    std::string s = Get(Index);
    size_t p = s.find(FNameValueSeparator);
    return p == std::string::npos ? std::string() : s.substr(0, p);
}

std::string TStrings::Values(const std::string& Name) const {
    int i = IndexOfName(Name);
    return i >= 0 ? ValueFromIndex(i) : std::string();
}

void TStrings::SetValues(const std::string& Name, const std::string& Value) {
    int i = IndexOfName(Name);
    if (!Value.empty()) {
        if (i < 0)
            i = Add("");
        Put(i, Name + FNameValueSeparator + Value);
    } else if (i >= 0) {
        Delete(i);
    }
}

std::string TStrings::ValueFromIndex(int Index) const {
    std::string s = Get(Index);
    size_t p = s.find(FNameValueSeparator);
    // An item without a separator has a name of its own and no value.
    return p == std::string::npos ? std::string() : s.substr(p + 1);
}

void TStrings::SetValueFromIndex(int Index, const std::string& Value) {
    if (Value.empty()) {
        Delete(Index);
        return;
    }
    std::string s = Get(Index);
    size_t p = s.find(FNameValueSeparator);
    std::string name = p == std::string::npos ? s : s.substr(0, p);
    Put(Index, name + FNameValueSeparator + Value);
}

std::string TStrings::GetTextStr() const {
    std::string result;
    for (int i = 0; i < GetCount(); ++i)
        result.append(Get(i)).append("\r\n");
    return result;
}

void TStrings::SetTextStr(const std::string& Value) {
    TStringsUpdateScope update(*this);
    Clear();
    ForEachLine(Value, [this](std::string_view line) { Add(std::string(line)); });
}

std::string TStrings::DelimitedText() const {
    int count = GetCount();
    if (count == 1 && Get(0).empty())
        return std::string(2, FQuoteChar);
    std::string result;
    for (int i = 0; i < count; ++i) {
        std::string s = Get(i);
        bool quote = std::any_of(s.begin(), s.end(), [&](char c) {
            return c == FQuoteChar || c == FDelimiter || c == '\0' ||
                   (!FStrictDelimiter && static_cast<unsigned char>(c) <= ' ');
        });
        if (i > 0)
            result += FDelimiter;
        result += quote ? QuotedStr(s, FQuoteChar) : s;
    }
    return result;
}

void TStrings::SetDelimitedText(const std::string& Value) {
    TStringsUpdateScope update(*this);
    Clear();
    size_t p = 0, n = Value.size();
    auto blank = [&](size_t i) { return i < n && Value[i] != '\0' && static_cast<unsigned char>(Value[i]) <= ' '; };
    auto skipBlanks = [&] {
        if (!FStrictDelimiter)
            while (blank(p))
                ++p;
    };
    skipBlanks();
    while (p < n) {
        std::string s;
        if (Value[p] == FQuoteChar) {
            // A quoted item: a doubled quote stands for one, the closing quote (or the end) ends it.
            ++p;
            while (p < n) {
                if (Value[p] == FQuoteChar) {
                    if (p + 1 < n && Value[p + 1] == FQuoteChar) {
                        s += FQuoteChar;
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                s += Value[p++];
            }
        } else {
            size_t start = p;
            while (p < n && Value[p] != FDelimiter && (FStrictDelimiter || static_cast<unsigned char>(Value[p]) > ' '))
                ++p;
            s = Value.substr(start, p - start);
        }
        Add(s);
        skipBlanks();
        if (p < n && Value[p] == FDelimiter) {
            if (p + 1 == n)
                Add("");
            ++p;
            skipBlanks();
        }
    }
}

std::string TStrings::CommaText() const {
    if (FDelimiter == ',' && FQuoteChar == '"' && !FStrictDelimiter)
        return DelimitedText();
    TStringList copy;
    copy.Assign(const_cast<TStrings*>(this));
    return copy.DelimitedText();
}

void TStrings::SetCommaText(const std::string& Value) {
    char delimiter = FDelimiter, quote = FQuoteChar;
    bool strict = FStrictDelimiter;
    FDelimiter = ',';
    FQuoteChar = '"';
    FStrictDelimiter = false;
    try {
        SetDelimitedText(Value);
    } catch (...) {
        FDelimiter = delimiter;
        FQuoteChar = quote;
        FStrictDelimiter = strict;
        throw;
    }
    FDelimiter = delimiter;
    FQuoteChar = quote;
    FStrictDelimiter = strict;
}

void TStrings::LoadFromFile(const std::string& FileName) {
    TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&stream);
}

void TStrings::SaveToFile(const std::string& FileName) {
    TFileStream stream(FileName, fmCreate);
    SaveToStream(&stream);
}

void TStrings::LoadFromStream(TStream* Stream) {
    TStringsUpdateScope update(*this);
    long long size = Stream->Size() - Stream->Position();
    std::string text(static_cast<size_t>(size > 0 ? size : 0), '\0');
    if (!text.empty())
        Stream->ReadBuffer(text.data(), static_cast<long>(text.size()));
    SetTextStr(text);
}

void TStrings::SaveToStream(TStream* Stream) {
    std::string text = GetTextStr();
    if (!text.empty())
        Stream->WriteBuffer(text.data(), static_cast<long>(text.size()));
}

// --- TStringList ---

static const char* const SListIndexError = "List index out of bounds (%d)";
static const char* const SSortedListError = "Operation not allowed on sorted list";
static const char* const SDuplicateString = "String list does not allow duplicates";

TStringList::~TStringList() {
    OnChange = nullptr;
    OnChanging = nullptr;
    if (FOwnsObjects)
        for (auto& item : FList)
            delete item.FObject;
}

void TStringList::CheckIndex(int Index) const {
    if (Index < 0 || Index >= GetCount())
        Error(SListIndexError, Index);
}

void TStringList::Changed() {
    if (UpdateCount() == 0 && OnChange)
        OnChange(this);
}

void TStringList::Changing() {
    if (UpdateCount() == 0 && OnChanging)
        OnChanging(this);
}

void TStringList::SetUpdateState(bool Updating) {
    if (Updating)
        Changing();
    else
        Changed();
}

int TStringList::Add(const std::string& S) { return AddObject(S, nullptr); }

int TStringList::AddObject(const std::string& S, TObject* AObject) {
    int result = GetCount();
    if (FSorted && Find(S, result)) {
        if (FDuplicates == dupIgnore)
            return result;
        if (FDuplicates == dupError)
            Error(SDuplicateString, 0);
    }
    InsertItem(result, S, AObject);
    return result;
}

void TStringList::InsertItem(int Index, const std::string& S, TObject* AObject) {
    Changing();
    FList.insert(FList.begin() + Index, TStringItem{S, AObject});
    Changed();
}

void TStringList::Insert(int Index, const std::string& S) {
    if (FSorted)
        Error(SSortedListError, 0);
    if (Index < 0 || Index > GetCount())
        Error(SListIndexError, Index);
    InsertItem(Index, S, nullptr);
}

void TStringList::Clear() {
    if (FList.empty())
        return;
    Changing();
    std::vector<TStringItem> old;
    old.swap(FList);
    if (FOwnsObjects)
        for (auto& item : old)
            delete item.FObject;
    Changed();
}

void TStringList::Delete(int Index) {
    CheckIndex(Index);
    Changing();
    TObject* object = FList[static_cast<size_t>(Index)].FObject;
    FList.erase(FList.begin() + Index);
    if (FOwnsObjects)
        delete object;
    Changed();
}

void TStringList::ExchangeItems(int Index1, int Index2) {
    std::swap(FList[static_cast<size_t>(Index1)], FList[static_cast<size_t>(Index2)]);
}

void TStringList::Exchange(int Index1, int Index2) {
    CheckIndex(Index1);
    CheckIndex(Index2);
    Changing();
    ExchangeItems(Index1, Index2);
    Changed();
}

std::string TStringList::Get(int Index) const {
    CheckIndex(Index);
    return FList[static_cast<size_t>(Index)].FString;
}

void TStringList::Put(int Index, const std::string& S) {
    if (FSorted)
        Error(SSortedListError, 0);
    CheckIndex(Index);
    Changing();
    FList[static_cast<size_t>(Index)].FString = S;
    Changed();
}

TObject* TStringList::GetObject(int Index) const {
    CheckIndex(Index);
    return FList[static_cast<size_t>(Index)].FObject;
}

void TStringList::PutObject(int Index, TObject* AObject) {
    CheckIndex(Index);
    Changing();
    FList[static_cast<size_t>(Index)].FObject = AObject;
    Changed();
}

int TStringList::CompareStrings(const std::string& S1, const std::string& S2) const {
    if (!FCaseSensitive)
        return AnsiCompareText(S1, S2);
    return CompareStringA(LOCALE_USER_DEFAULT, 0, S1.data(), static_cast<int>(S1.size()), S2.data(),
                          static_cast<int>(S2.size())) -
           CSTR_EQUAL;
}

bool TStringList::Find(const std::string& S, int& Index) const {
    bool result = false;
    int l = 0, h = GetCount() - 1;
    while (l <= h) {
        int i = (l + h) / 2;
        int c = CompareStrings(FList[static_cast<size_t>(i)].FString, S);
        if (c < 0) {
            l = i + 1;
        } else {
            h = i - 1;
            if (c == 0) {
                result = true;
                if (FDuplicates != dupAccept)
                    l = i;
            }
        }
    }
    Index = l;
    return result;
}

int TStringList::IndexOf(const std::string& S) const {
    if (!FSorted)
        return TStrings::IndexOf(S);
    int index;
    return Find(S, index) ? index : -1;
}

void TStringList::QuickSort(int L, int R, const TStringListSortCompare& Compare) {
    while (L < R) {
        int i = L, j = R, p = (L + R) / 2;
        do {
            while (Compare(this, i, p) < 0)
                ++i;
            while (Compare(this, j, p) > 0)
                --j;
            if (i <= j) {
                if (i != j)
                    ExchangeItems(i, j);
                // The pivot travels with the exchange.
                if (p == i)
                    p = j;
                else if (p == j)
                    p = i;
                ++i;
                --j;
            }
        } while (i <= j);
        if (L < j)
            QuickSort(L, j, Compare);
        L = i;
    }
}

void TStringList::SortWith(const TStringListSortCompare& Compare) {
    if (GetCount() < 2)
        return;
    Changing();
    QuickSort(0, GetCount() - 1, Compare);
    Changed();
}

void TStringList::CustomSort(const TStringListSortCompare& Compare) {
    // Another order would break the binary search a sorted list relies on.
    if (FSorted)
        Error(SSortedListError, 0);
    SortWith(Compare);
}

void TStringList::SortByText() {
    SortWith([](TStringList* list, int a, int b) {
        return list->CompareStrings(list->FList[static_cast<size_t>(a)].FString,
                                    list->FList[static_cast<size_t>(b)].FString);
    });
}

void TStringList::Sort() {
    // A sorted list is kept in order already.
    if (!FSorted)
        SortByText();
}

void TStringList::SetSorted(bool Value) {
    if (FSorted == Value)
        return;
    if (Value)
        SortByText();
    FSorted = Value;
}

void TStringList::SetCaseSensitive(bool Value) {
    if (FCaseSensitive == Value)
        return;
    FCaseSensitive = Value;
    // A sorted list must stay in the order its Find expects.
    if (FSorted)
        SortByText();
}
