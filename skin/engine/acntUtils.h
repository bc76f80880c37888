#pragma once
// General routines of the skin library: rectangles and numbers, words of delimited texts, INI text held in
// string lists, properties by name, paths and file icons.
#include "classlib/visual/Graphics.h"
#include "classlib/runtime/Lists.h"
#include "classlib/runtime/Types.h"

#include <windows.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

// --- rectangles and numbers ---

// Right - Left (Bottom - Top); with CheckNegative a negative result is 0.
inline int WidthOf(const TRect& R, bool CheckNegative = false) {
    int w = R.right - R.left;
    return CheckNegative && w < 0 ? 0 : w;
}
inline int HeightOf(const TRect& R, bool CheckNegative = false) {
    int h = R.bottom - R.top;
    return CheckNegative && h < 0 ? 0 : h;
}
inline void SetRectValues(int Left, int Top, int Right, int Bottom, TRect& R) { R = TRect(Left, Top, Right, Bottom); }
// True when R2 is not empty and overlaps R1.
bool RectsIntersect(const TRect& R1, const TRect& R2);
inline int Maxi(int A, int B) { return A > B ? A : B; }
inline int Mini(int A, int B) { return A < B ? A : B; }
inline bool IsBetween(int Value, int Min, int Max) { return Min <= Value && Value <= Max; }
inline std::string iff(bool Condition, const std::string& S1, const std::string& S2) { return Condition ? S1 : S2; }
inline int iffi(bool Condition, int I1, int I2) { return Condition ? I1 : I2; }
inline int LimitToByte(int Value) { return Value < 0 ? 0 : Value > 255 ? 255 : Value; }
// The caption font's height (lfHeight) of the non-client metrics, 0 when the system does not say.
int GetCaptionFontMetric();

// --- words: maximal runs of characters not in Delims; runs of delimiters never make empty words ---

int WordCount(std::string_view S, std::string_view Delims);
// 1-based position of the first character of word N (counted from 1), 0 when there are fewer words.
int WordPosition(int N, std::string_view S, std::string_view Delims);
// Word N (counted from 1), empty when missing.
std::string ExtractWord(int N, std::string_view S, std::string_view Delims);
// S without any occurrence of Ch.
std::string DelChars(std::string_view S, char Ch);
// Every occurrence of Old, searched left to right in the rest of the text after each replacement,
// replaced by New; an empty Old leaves S unchanged.
std::string ReplaceStr(std::string_view S, std::string_view Old, std::string_view New);

// --- INI text held in memory: a list of section names whose objects are the sections' lines ---

// Clears Sections (freeing its section lists) and fills it from Lines: empty lines and lines starting with ";"
// are skipped, "[name]" opens a section, other lines belong to the current section (dropped before the first).
// Sections owns the lists it gets.
void LoadIniFromStrings(TStrings* Lines, TStringList* Sections);
// The value of Key in Section (both compared without regard to case), Default when either is missing.
std::string ReadIniString(TStrings* Sections, const std::string& Section, const std::string& Key,
                          const std::string& Default);
// The value as an integer; "0x" or "0X" followed by digits is hexadecimal; Default when it is no number.
int ReadIniHex(TStrings* Sections, const std::string& Section, const std::string& Key, int Default);
// The integer of a text as ReadIniHex reads it.
int HexTextToInt(const std::string& Text, int Default);

// --- published properties by name (the property tables that classes register for form descriptions) ---

bool HasProperty(TObject* Instance, const std::string& Name);
// The object (or component) value, nil when there is no such object property.
TObject* GetObjProp(TObject* Instance, const std::string& Name);
// The value of an integer, colour or Boolean property (1 for True), -1 when there is no such property.
long long GetIntProp(TObject* Instance, const std::string& Name);
// Does nothing when there is no such property.
void SetIntProp(TObject* Instance, const std::string& Name, long long Value);
// True when the set property holds the element named ElementName.
bool SetPropHasElement(TObject* Instance, const std::string& PropName, const std::string& ElementName);
// Adds ElementName to the set property, or removes it, through the property's text form (names joined by ",").
void ChangeSetProp(TObject* Instance, const std::string& PropName, const std::string& ElementName, bool Add);

// --- files and paths ---

// "" stays; a trailing "\" stays; a trailing "/" becomes "\"; a drive letter gets ":\"; anything else gets "\".
std::string NormalDir(const std::string& Path);
// The program's folder with a trailing "\".
std::string AppDir();

// A directory entry as FindFirstEntry finds it.
struct TacSearchRec {
    std::string Name;
    DWORD Attr = 0;
    long long Size = 0;
    HANDLE FindHandle = INVALID_HANDLE_VALUE;
    DWORD ExcludeAttr = 0;  // entries with any of these attributes (of directory, hidden, system) are passed over
};
constexpr DWORD faReadOnly = FILE_ATTRIBUTE_READONLY, faHidden = FILE_ATTRIBUTE_HIDDEN,
                faSysFile = FILE_ATTRIBUTE_SYSTEM, faDirectory = FILE_ATTRIBUTE_DIRECTORY,
                faArchive = FILE_ATTRIBUTE_ARCHIVE, faAnyFile = 0x3F;
// 0 when an entry matching Path (with wildcards) and Attr was found, else the system's error code.
// Entries with the directory, hidden or system attribute are found only when Attr names them.
int FindFirstEntry(const std::string& Path, DWORD Attr, TacSearchRec& F);
int FindNextEntry(TacSearchRec& F);
void FindCloseEntry(TacSearchRec& F);


// The shell's icon for a file (Flags are SHGFI_ flags, SHGFI_ICON is added); nil when the file does not exist or
// the shell gives no icon for it.
std::unique_ptr<TIcon> GetIconForFile(const std::string& FileName, UINT Flags);
