#pragma once
// TStream and its handle, file, memory, string and resource streams.
#include "Component.h"

#include <string>
#include <vector>

BRIMLET_EXCEPTION(EResNotFound, Exception);

enum : unsigned short {
    soFromBeginning = 0,
    soFromCurrent = 1,
    soFromEnd = 2,
};

// File modes: one access mode combined with one share mode; fmCreate makes a new file (replacing an old one).
enum : unsigned {
    fmOpenRead = 0x0000,
    fmOpenWrite = 0x0001,
    fmOpenReadWrite = 0x0002,
    fmShareCompat = 0x0000,
    fmShareExclusive = 0x0010,
    fmShareDenyWrite = 0x0020,
    fmShareDenyRead = 0x0030,
    fmShareDenyNone = 0x0040,
    fmCreate = 0xFF00,
};

// A sequence of bytes with a position; subclasses say where the bytes live.
class TStream : public TObject {
    CLASS_INFO(TStream, TObject)
public:
    TStream() = default;
    TStream(const TStream&) = delete;
    TStream& operator=(const TStream&) = delete;

    // Reads up to Count bytes; returns how many were read (0 at the end).
    virtual long Read(void* Buffer, long Count) = 0;
    // Writes up to Count bytes; returns how many were written.
    virtual long Write(const void* Buffer, long Count) = 0;
    // Moves the position relative to soFromBeginning, soFromCurrent or soFromEnd; returns the new position.
    virtual long long Seek(long long Offset, unsigned short Origin) = 0;

    long long Position() { return Seek(0, soFromCurrent); }
    void SetPosition(long long Value) { Seek(Value, soFromBeginning); }
    virtual long long Size();
    virtual void SetSize(long long NewSize);

    // Read or write exactly Count bytes or raise EReadError / EWriteError.
    void ReadBuffer(void* Buffer, long Count);
    void WriteBuffer(const void* Buffer, long Count);
    // Copies Count bytes from Source's position (Count 0: all of Source from its start); returns the count.
    long long CopyFrom(TStream* Source, long long Count);
};

// A stream over a Win32 file handle that someone else owns.
class THandleStream : public TStream {
    CLASS_INFO(THandleStream, TStream)
public:
    explicit THandleStream(HANDLE AHandle) : FHandle(AHandle) {}
    HANDLE Handle() const { return FHandle; }

    long Read(void* Buffer, long Count) override;
    long Write(const void* Buffer, long Count) override;
    long long Seek(long long Offset, unsigned short Origin) override;
    void SetSize(long long NewSize) override;

protected:
    HANDLE FHandle;
};

// A stream over a named file it opens and closes itself.
class TFileStream : public THandleStream {
    CLASS_INFO(TFileStream, THandleStream)
public:
    // Raises EFCreateError (fmCreate) or EFOpenError naming the file and the system's reason.
    TFileStream(const std::string& AFileName, unsigned Mode);
    ~TFileStream() override;
    const std::string& FileName() const { return FFileName; }

private:
    std::string FFileName;
};

// A stream over a block of memory.
class TCustomMemoryStream : public TStream {
    CLASS_INFO(TCustomMemoryStream, TStream)
public:
    void* Memory() const { return FMemory; }
    long Read(void* Buffer, long Count) override;
    long long Seek(long long Offset, unsigned short Origin) override;
    long long Size() override { return FSize; }
    // Writes the whole memory, whatever the position.
    void SaveToStream(TStream* Stream);
    void SaveToFile(const std::string& FileName);

protected:
    void SetPointer(void* Ptr, long long Size);
    long long FPosition = 0;

private:
    char* FMemory = nullptr;
    long long FSize = 0;
};

// A stream in memory that grows as it is written.
class TMemoryStream : public TCustomMemoryStream {
    CLASS_INFO(TMemoryStream, TCustomMemoryStream)
public:
    long Write(const void* Buffer, long Count) override;
    // New bytes beyond the old size are zero.
    void SetSize(long long NewSize) override;
    void Clear();
    // Replaces the content with all of Stream (from its start).
    void LoadFromStream(TStream* Stream);
    void LoadFromFile(const std::string& FileName);
    long long Capacity() const { return static_cast<long long>(FData.size()); }

private:
    void Reserve(long long NewCapacity);
    std::vector<char> FData;
};

// A stream over a string, read back as DataString.
class TStringStream : public TStream {
    CLASS_INFO(TStringStream, TStream)
public:
    explicit TStringStream(std::string AString = std::string()) : FDataString(std::move(AString)) {}
    const std::string& DataString() const { return FDataString; }

    long Read(void* Buffer, long Count) override;
    long Write(const void* Buffer, long Count) override;
    long long Seek(long long Offset, unsigned short Origin) override;
    void SetSize(long long NewSize) override;
    // Reads up to Count bytes from the position.
    std::string ReadString(long Count);
    void WriteString(const std::string& AString);

private:
    std::string FDataString;
    long long FPosition = 0;
};

// A read-only stream over a resource of a module.
class TResourceStream : public TCustomMemoryStream {
    CLASS_INFO(TResourceStream, TCustomMemoryStream)
public:
    // Raises EResNotFound when the module holds no such resource.
    TResourceStream(HINSTANCE Instance, const std::string& ResName, const char* ResType);
    TResourceStream(HINSTANCE Instance, int ResID, const char* ResType);
    long Write(const void* Buffer, long Count) override;

private:
    void Initialize(HINSTANCE Instance, const char* Name, const char* ResType, const std::string& Shown);
};
