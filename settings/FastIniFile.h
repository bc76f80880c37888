#pragma once
// TFastIniFile: the program's settings file, kept line by line in memory so that a save rewrites only what changed.
#include "classlib/runtime/IniFiles.h"

#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

enum TIniItemKind : std::uint8_t {
    ikKey,       // a parsed "name=value" line
    ikText,      // a parsed line without "="; never matches a key
    ikUnparsed,  // not yet split into name and value
    ikSection,   // "[name]"
    ikComment,   // first character ";"
    ikBlank,     // empty
};

// One line of the file.
struct TIniItem {
    TIniItemKind Kind = ikBlank;
    std::uint32_t Hash = 0;  // name hash of an ikKey line
    std::string Text;        // the key name (ikKey), the left-trimmed line (ikText), else the whole line
    std::string Value;       // an ikKey line's value, its inline comment included
    // The line as read for parsed lines, so that an unchanged one is written back byte for byte;
    // empty once the program changed the line or when it added it.
    std::string Source;
};

// Line counts by kind, kept up to date as lines come and go.
struct TStatistics {
    int Blanks = 0;
    int Comments = 0;
    int Keys = 0;  // ikKey, ikText and ikUnparsed lines
    int Sections = 0;
};

// The name hash: rotate left by 2, xor the byte's upper-case form.
std::uint32_t HashName(std::string_view Name);
// True when both names have the same length and upper-case to the same bytes; an empty name equals nothing.
bool SameName(std::string_view A, std::string_view B);
// The system's ANSI upper-case form of every byte value.
const unsigned char* IniUpperTable();

// A per-section index of key lines: 256 buckets of line numbers, in line order.
struct TKeyIndex {
    std::vector<int> Buckets[256];
};

// One section header's record; sections are found by name through TSectionItems.
struct TSectionItem {
    std::unique_ptr<TSectionItem> Next;  // same bucket
    std::unique_ptr<TKeyIndex> KeyIndex;
    int FirstLine = 0;  // the line after the header
    std::string Name;
};

// Section records in 256 hash buckets; a new record goes to the head of its chain, so the later of two
// equal headers is found.
class TSectionItems {
public:
    TSectionItems() = default;
    ~TSectionItems() { Clear(); }
    TSectionItems(const TSectionItems&) = delete;
    TSectionItems& operator=(const TSectionItems&) = delete;

    TSectionItem* Add(const std::string& Name, int FirstLine);
    TSectionItem* Find(std::string_view Name) const;
    void Remove(TSectionItem* Item);
    void Clear();
    // Every record, in no particular order.
    template <class F>
    void ForEach(F f) {
        for (auto& head : FBuckets)
            for (TSectionItem* s = head.get(); s; s = s->Next.get())
                f(*s);
    }

private:
    std::unique_ptr<TSectionItem> FBuckets[256];
};

// The lines of the file with their section hash, counters and key indexes.
class TIniItems {
public:
    int Count() const { return static_cast<int>(FItems.size()); }
    int Capacity() const { return static_cast<int>(FItems.capacity()); }
    // Raises EListError for an index out of range.
    TIniItem& Items(int Index);
    const TStatistics& Statistics() const { return FStatistics; }
    bool KeyIndexMode() const { return FKeyIndexMode; }

    // Replaces every line by the lines of Text (split at CR, LF or CR LF). A UTF-8 byte-order mark in front of the
    // first line is no part of it; it is kept for GetText.
    void SetText(const std::string& Text);
    // The lines, each followed by CR LF, after the byte-order mark the text had.
    std::string GetText() const;
    bool ByteOrderMark() const { return FByteOrderMark; }
    void Clear();

    TSectionItem* FindSection(std::string_view Name);
    // Appends a header (after a blank line when the last line is not blank).
    TSectionItem* AddSection(const std::string& Name);
    // The line of Ident in Section (key index or linear search), or -1.
    int FindKey(TSectionItem* Section, std::string_view Ident, std::uint32_t Hash);
    int FindKeyLinear(TSectionItem* Section, std::string_view Ident, std::uint32_t Hash);
    // Adds "Ident" as an empty key after the section's last parsed key line; returns its line.
    int AddKey(TSectionItem* Section, const std::string& Ident);
    // The line after the section's last line (the next header or the end).
    int SectionEnd(const TSectionItem* Section) const;
    // Parses an ikUnparsed line into ikKey or ikText.
    void Split(int Index);
    void DeleteLines(int First, int Count);
    // Takes the section's header and lines out, as EraseSection does; returns the number of lines removed.
    int EraseSection(TSectionItem* Section);

private:
    void Add(std::string Line);
    void Insert(int Index, TIniItem Item);
    void Grow();
    void Tally(const TIniItem& Item, int Delta);
    void ShiftSections(int After, int Delta);
    void DiscardKeyIndexesIfStale();
    void BuildKeyIndex(TSectionItem* Section);

    std::vector<TIniItem> FItems;
    TSectionItems FSections;
    TStatistics FStatistics;
    TSectionItem* FLastSection = nullptr;
    const TIniItem* FArrayAddress = nullptr;  // where the array was when the key indexes were built
    bool FArrayMoved = false;                 // lines moved, came or went since the key indexes were built
    bool FKeyIndexMode = false;
    bool FByteOrderMark = false;
};

// An INI file that keeps every line, its comments, blanks and unknown lines, and writes back only when changed.
class TFastIniFile : public TCustomIniFile {
    CLASS_INFO(TFastIniFile, TCustomIniFile)
public:
    // Remembers the file name; nothing is read until the first operation.
    explicit TFastIniFile(const std::string& FileName);
    // Saves when modified; a failure here is swallowed, so callers who care call UpdateFile first.
    ~TFastIniFile() override;

    std::string ReadString(const std::string& Section, const std::string& Ident, const std::string& Default) override;
    // Raises EIniFileException for a name or value that would break the file's lines (line breaks, a key name
    // with "=" or starting with ";" or "[").
    void WriteString(const std::string& Section, const std::string& Ident, const std::string& Value) override;
    void ReadSection(const std::string& Section, TStrings* Strings) override;
    void ReadSections(TStrings* Strings) override;
    void ReadSectionValues(const std::string& Section, TStrings* Strings) override;
    void EraseSection(const std::string& Section) override;
    void DeleteKey(const std::string& Section, const std::string& Ident) override;
    // Writes the file when anything changed: to the temporary file FileName + ".tmp" beside it, which then
    // replaces it with the old file's attributes (hidden, system, archive, not indexed) and access list. A
    // temporary file an earlier save left behind (the program ended between writing and replacing) goes first.
    void UpdateFile() override;
    // Drops every line and the modified state; the next operation reads the file again.
    virtual void Clear();
    // 1 when A has more items, -1 when fewer, else the sign of the first differing pair; 0 when equal.
    virtual int CompareLists(TStrings* ListA, TStrings* ListB);
    virtual void Flush();
    virtual void LoadValues();

    bool SectionExists(const std::string& Section) override;
    // Items Prefix + "0" .. Prefix + (Count - 1), with their number under Prefix + "Count"; at most MaxCount of
    // them, so that a program that shows a fixed number need not trust the count in the file.
    void ReadStringList(const std::string& Section, const std::string& Prefix, TStrings* Strings,
                        int MaxCount = std::numeric_limits<int>::max());
    // Rewrites the series; an unchanged list leaves the file unmodified.
    void WriteStringList(const std::string& Section, const std::string& Prefix, TStrings* Strings);

    bool Loaded() const { return FLoaded; }
    bool Modified() const { return FModified; }
    const TStatistics& Statistics() const { return FIniItems.Statistics(); }
    bool KeyIndexMode() const { return FIniItems.KeyIndexMode(); }

    // What ReadString makes of a stored value: cut at the first ";" outside double quotes, trimmed, and freed of
    // one enclosing pair of double quotes or apostrophes.
    static std::string DecodeValue(const std::string& Stored);

private:
    void NeedValues() {
        if (!FLoaded)
            LoadValues();
    }
    // The key name as looked up (without outer blanks); raises for names that cannot be stored.
    static std::string_view CheckKey(const std::string& Section, const std::string& Ident);
    // Deletes the first key of each name Prefix + "0" .. Prefix + (Count - 1) in Section.
    void DeleteListKeys(const std::string& Section, const std::string& Prefix, int Count);
    std::string StoredForm(const std::string& Old, const std::string& Value) const;

    TIniItems FIniItems;
    bool FLoaded = false;
    bool FModified = false;
};
