#pragma once
// TList, TStrings and TStringList: the class library's pointer and string lists.
#include "Component.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

class TStream;

// Calls Add for each line of Text: a line ends at CR LF, a lone LF or a lone CR; a last line without an end counts.
template <class F>
void ForEachLine(std::string_view Text, F Add) {
    size_t p = 0, n = Text.size();
    while (p < n) {
        size_t start = p;
        while (p < n && Text[p] != '\r' && Text[p] != '\n')
            ++p;
        Add(Text.substr(start, p - start));
        if (p < n && Text[p] == '\r')
            ++p;
        if (p < n && Text[p] == '\n')
            ++p;
    }
}

using TListSortCompare = std::function<int(void* Item1, void* Item2)>;

// A list of untyped pointers; it never owns what they point to.
class TList : public TObject {
    CLASS_INFO(TList, TObject)
public:
    TList() = default;
    TList(const TList&) = delete;
    TList& operator=(const TList&) = delete;

    int Add(void* Item);
    void Insert(int Index, void* Item);
    void Delete(int Index);
    // Removes the first occurrence of Item; returns its former index or -1.
    int Remove(void* Item);
    void* Extract(void* Item);
    int IndexOf(void* Item) const;
    int Count() const { return static_cast<int>(FItems.size()); }
    void SetCount(int NewCount);
    void* Items(int Index) const;
    void SetItems(int Index, void* Item);
    void* First() const { return Items(0); }
    void* Last() const { return Items(Count() - 1); }
    void Clear() { FItems.clear(); }
    void Exchange(int Index1, int Index2);
    void Move(int CurIndex, int NewIndex);
    // Removes every nil entry.
    void Pack();
    // Orders the items by Compare (negative: Item1 first).
    void Sort(const TListSortCompare& Compare);

    // Raises EListError with the class library's text for a bad index.
    [[noreturn]] static void Error(int Index);

private:
    void CheckIndex(int Index) const;
    std::vector<void*> FItems;
};

// An abstract list of strings, each with an associated object; controls derive their own over window messages.
class TStrings : public TPersistent {
    CLASS_INFO(TStrings, TPersistent)
public:
    TStrings() = default;
    TStrings(const TStrings&) = delete;
    TStrings& operator=(const TStrings&) = delete;

    int Count() const { return GetCount(); }
    std::string Strings(int Index) const { return Get(Index); }
    void SetStrings(int Index, const std::string& S) { Put(Index, S); }
    TObject* Objects(int Index) const { return GetObject(Index); }
    void SetObjects(int Index, TObject* AObject) { PutObject(Index, AObject); }
    std::string operator[](int Index) const { return Get(Index); }

    virtual int Add(const std::string& S);
    virtual int AddObject(const std::string& S, TObject* AObject);
    void Append(const std::string& S) { Add(S); }
    void AddStrings(TStrings* Strings);
    void Assign(TPersistent* Source) override;
    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const { return FUpdateCount; }
    virtual void Clear() = 0;
    virtual void Delete(int Index) = 0;
    virtual void Insert(int Index, const std::string& S) = 0;
    void InsertObject(int Index, const std::string& S, TObject* AObject);
    virtual void Exchange(int Index1, int Index2);
    virtual void Move(int CurIndex, int NewIndex);
    // True when both lists hold the same strings in the same order (objects are not compared).
    bool Equals(TStrings* Strings) const;
    // Case-insensitive as the class library's lists are (TStringList can be made case-sensitive).
    virtual int IndexOf(const std::string& S) const;
    int IndexOfName(const std::string& Name) const;
    int IndexOfObject(TObject* AObject) const;

    // "name=value" items.
    std::string Names(int Index) const;
    std::string Values(const std::string& Name) const;
    // An empty value removes the item, as in the class library.
    void SetValues(const std::string& Name, const std::string& Value);
    std::string ValueFromIndex(int Index) const;
    void SetValueFromIndex(int Index, const std::string& Value);
    char NameValueSeparator() const { return FNameValueSeparator; }
    void SetNameValueSeparator(char Value) { FNameValueSeparator = Value; }

    // Every item followed by CR LF; assigning splits at CR, LF or CR LF.
    std::string Text() const { return GetTextStr(); }
    void SetText(const std::string& Value) { SetTextStr(Value); }
    // Items separated by Delimiter, quoted with QuoteChar when they hold blanks, the delimiter or quotes.
    std::string DelimitedText() const;
    void SetDelimitedText(const std::string& Value);
    std::string CommaText() const;
    void SetCommaText(const std::string& Value);
    char Delimiter() const { return FDelimiter; }
    void SetDelimiter(char Value) { FDelimiter = Value; }
    char QuoteChar() const { return FQuoteChar; }
    void SetQuoteChar(char Value) { FQuoteChar = Value; }
    // When set, only Delimiter separates items; blanks are kept as part of them.
    bool StrictDelimiter() const { return FStrictDelimiter; }
    void SetStrictDelimiter(bool Value) { FStrictDelimiter = Value; }

    virtual void LoadFromFile(const std::string& FileName);
    virtual void SaveToFile(const std::string& FileName);
    // Reads from the current position to the end of the stream.
    virtual void LoadFromStream(TStream* Stream);
    virtual void SaveToStream(TStream* Stream);

protected:
    virtual std::string Get(int Index) const = 0;
    virtual void Put(int Index, const std::string& S);
    virtual TObject* GetObject(int Index) const;
    virtual void PutObject(int Index, TObject* AObject);
    virtual int GetCount() const = 0;
    virtual std::string GetTextStr() const;
    virtual void SetTextStr(const std::string& Value);
    // Called when the first BeginUpdate starts (true) and the last EndUpdate ends (false) an update.
    virtual void SetUpdateState(bool Updating) { (void)Updating; }
    // The order and equality of items: case-insensitive in the system's locale.
    virtual int CompareStrings(const std::string& S1, const std::string& S2) const;
    [[noreturn]] void Error(const char* Message, int Data) const;

private:
    int FUpdateCount = 0;
    char FDelimiter = ',';
    char FQuoteChar = '"';
    char FNameValueSeparator = '=';
    bool FStrictDelimiter = false;
};

// Brackets an update of a list with BeginUpdate/EndUpdate, so that an exception cannot leave it locked.
class TStringsUpdateScope {
public:
    explicit TStringsUpdateScope(TStrings& List) : FList(List) { FList.BeginUpdate(); }
    ~TStringsUpdateScope() { FList.EndUpdate(); }
    TStringsUpdateScope(const TStringsUpdateScope&) = delete;
    TStringsUpdateScope& operator=(const TStringsUpdateScope&) = delete;

private:
    TStrings& FList;
};

enum TDuplicates { dupIgnore, dupAccept, dupError };

class TStringList;
using TStringListSortCompare = std::function<int(TStringList* List, int Index1, int Index2)>;

// A string list held in memory, optionally sorted, with change events.
class TStringList : public TStrings {
    CLASS_INFO(TStringList, TStrings)
public:
    TStringList() = default;
    ~TStringList() override;

    int Add(const std::string& S) override;
    int AddObject(const std::string& S, TObject* AObject) override;
    void Clear() override;
    void Delete(int Index) override;
    void Exchange(int Index1, int Index2) override;
    // Binary search of a sorted list: true when found, Index is the match or where S would go.
    virtual bool Find(const std::string& S, int& Index) const;
    int IndexOf(const std::string& S) const override;
    void Insert(int Index, const std::string& S) override;
    virtual void Sort();
    // Raises on a sorted list, whose order must stay the one Find expects.
    virtual void CustomSort(const TStringListSortCompare& Compare);

    TDuplicates Duplicates() const { return FDuplicates; }
    void SetDuplicates(TDuplicates Value) { FDuplicates = Value; }
    bool Sorted() const { return FSorted; }
    void SetSorted(bool Value);
    bool CaseSensitive() const { return FCaseSensitive; }
    void SetCaseSensitive(bool Value);
    // When set, the list frees its objects as items are deleted or the list is cleared or destroyed.
    bool OwnsObjects() const { return FOwnsObjects; }
    void SetOwnsObjects(bool Value) { FOwnsObjects = Value; }

    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

protected:
    std::string Get(int Index) const override;
    void Put(int Index, const std::string& S) override;
    TObject* GetObject(int Index) const override;
    void PutObject(int Index, TObject* AObject) override;
    int GetCount() const override { return static_cast<int>(FList.size()); }
    void SetUpdateState(bool Updating) override;
    int CompareStrings(const std::string& S1, const std::string& S2) const override;
    virtual void Changed();
    virtual void Changing();
    virtual void InsertItem(int Index, const std::string& S, TObject* AObject);

private:
    struct TStringItem {
        std::string FString;
        TObject* FObject = nullptr;
    };
    void CheckIndex(int Index) const;
    void ExchangeItems(int Index1, int Index2);
    void QuickSort(int L, int R, const TStringListSortCompare& Compare);
    void SortWith(const TStringListSortCompare& Compare);
    void SortByText();

    std::vector<TStringItem> FList;
    TDuplicates FDuplicates = dupIgnore;
    bool FSorted = false;
    bool FCaseSensitive = false;
    bool FOwnsObjects = false;
};
