#pragma once
// TCustomIniFile, the INI file interface, TIniFile over the platform's profile functions and TMemIniFile in memory.
#include "Lists.h"

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

// The operations every INI file class offers; numbers and Booleans are stored as text through ReadString/WriteString.
class TCustomIniFile : public TObject {
    CLASS_INFO(TCustomIniFile, TObject)
public:
    explicit TCustomIniFile(std::string FileName) : FFileName(std::move(FileName)) {}
    TCustomIniFile(const TCustomIniFile&) = delete;
    TCustomIniFile& operator=(const TCustomIniFile&) = delete;

    const std::string& FileName() const { return FFileName; }

    virtual std::string ReadString(const std::string& Section, const std::string& Ident,
                                   const std::string& Default) = 0;
    virtual void WriteString(const std::string& Section, const std::string& Ident, const std::string& Value) = 0;
    // Decimal or "$"/"0x" hexadecimal; anything else (a missing key included) gives Default.
    virtual int ReadInteger(const std::string& Section, const std::string& Ident, int Default);
    virtual void WriteInteger(const std::string& Section, const std::string& Ident, int Value);
    // True when the stored text is a non-zero integer; Default when it is no integer.
    virtual bool ReadBool(const std::string& Section, const std::string& Ident, bool Default);
    // Stores "1" or "0".
    virtual void WriteBool(const std::string& Section, const std::string& Ident, bool Value);
    // The key names of a section, in file order.
    virtual void ReadSection(const std::string& Section, TStrings* Strings) = 0;
    virtual void ReadSections(TStrings* Strings) = 0;
    // "name=value" for every key of a section.
    virtual void ReadSectionValues(const std::string& Section, TStrings* Strings) = 0;
    virtual void EraseSection(const std::string& Section) = 0;
    virtual void DeleteKey(const std::string& Section, const std::string& Ident) = 0;
    // Writes what is buffered to the file.
    virtual void UpdateFile() = 0;
    virtual bool SectionExists(const std::string& Section);
    virtual bool ValueExists(const std::string& Section, const std::string& Ident);

protected:
    // "name=" + ReadString(name) for every name ReadSection gives.
    void ReadSectionValuesByKey(const std::string& Section, TStrings* Strings);

private:
    std::string FFileName;
};

// An INI file read and written through GetPrivateProfileStringA and WritePrivateProfileStringA.
class TIniFile : public TCustomIniFile {
    CLASS_INFO(TIniFile, TCustomIniFile)
public:
    using TCustomIniFile::TCustomIniFile;
    ~TIniFile() override;

    std::string ReadString(const std::string& Section, const std::string& Ident, const std::string& Default) override;
    // Raises EIniFileException when the file cannot be written.
    void WriteString(const std::string& Section, const std::string& Ident, const std::string& Value) override;
    void ReadSection(const std::string& Section, TStrings* Strings) override;
    void ReadSections(TStrings* Strings) override;
    void ReadSectionValues(const std::string& Section, TStrings* Strings) override;
    void EraseSection(const std::string& Section) override;
    void DeleteKey(const std::string& Section, const std::string& Ident) override;
    void UpdateFile() override;

private:
    // The profile function's zero-separated list of section or key names.
    void ReadNames(const char* Section, TStrings* Strings);
    [[noreturn]] void WriteError();
};

// An INI file held in memory: read whole when it is made (a missing file reads as empty), or filled from string
// lists; written back only by UpdateFile. Section and key names compare without regard to case; sections and
// keys keep the order of the text. Lines are trimmed; empty lines and ";" comments are dropped; a later header
// of a section seen before continues that section; the first of two equal keys counts.
class TMemIniFile : public TCustomIniFile {
    CLASS_INFO(TMemIniFile, TCustomIniFile)
public:
    // Raises EFOpenError when the file exists but cannot be read.
    explicit TMemIniFile(const std::string& FileName);
    ~TMemIniFile() override;

    std::string ReadString(const std::string& Section, const std::string& Ident, const std::string& Default) override;
    void WriteString(const std::string& Section, const std::string& Ident, const std::string& Value) override;
    void ReadSection(const std::string& Section, TStrings* Strings) override;
    void ReadSections(TStrings* Strings) override;
    void ReadSectionValues(const std::string& Section, TStrings* Strings) override;
    void EraseSection(const std::string& Section) override;
    void DeleteKey(const std::string& Section, const std::string& Ident) override;
    // Writes the text to the file; nothing for a file name that is empty. Raises EFCreateError when it cannot.
    void UpdateFile() override;
    bool SectionExists(const std::string& Section) override;
    bool ValueExists(const std::string& Section, const std::string& Ident) override;

    // Replaces everything with the INI text of the lines; GetStrings gives the text back.
    void SetStrings(TStrings* List);
    void GetStrings(TStrings* List);
    void Clear();

private:
    struct TSection;
    TSection* Find(const std::string& Section) const;
    TSection& Add(const std::string& Section);
    std::vector<std::unique_ptr<TSection>> FSections;
    std::unordered_map<std::string, size_t> FIndex;  // upper-cased name -> position in FSections
};
