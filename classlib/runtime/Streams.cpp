#include "Streams.h"

#include <algorithm>
#include <cstring>

namespace {
template <class E>
[[noreturn]] void RaiseStreamError(const char* what, DWORD code) {
    throw E(Format("%s: %s (system error %lu)", what, SysErrorMessage(code).c_str(), static_cast<unsigned long>(code)));
}

long long NewPosition(long long current, long long size, long long offset, unsigned short origin) {
    long long base = origin == soFromBeginning ? 0 : origin == soFromCurrent ? current : size;
    if (origin > soFromEnd)
        throw EStreamError("Invalid stream seek origin " + IntToStr(origin));
    long long result = base + offset;
    if (result < 0)
        throw EStreamError("Stream seek error: position " + IntToStr(result) + " lies before the start");
    return result;
}
}  // namespace

// --- TStream ---

long long TStream::Size() {
    long long position = Seek(0, soFromCurrent);
    long long size = Seek(0, soFromEnd);
    Seek(position, soFromBeginning);
    return size;
}

void TStream::SetSize(long long NewSize) {
    (void)NewSize;
    throw EStreamError(std::string("A ") + ClassName() + " cannot change its size");
}

void TStream::ReadBuffer(void* Buffer, long Count) {
    if (Count != 0 && Read(Buffer, Count) != Count)
        throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* Buffer, long Count) {
    if (Count != 0 && Write(Buffer, Count) != Count)
        throw EWriteError("Stream write error");
}

long long TStream::CopyFrom(TStream* Source, long long Count) {
    if (Count == 0) {
        Source->SetPosition(0);
        Count = Source->Size();
    }
    const long chunk = 0xF000;
    std::vector<char> buffer(static_cast<size_t>(std::min<long long>(Count, chunk)));
    long long left = Count;
    while (left > 0) {
        long n = static_cast<long>(std::min<long long>(left, chunk));
        Source->ReadBuffer(buffer.data(), n);
        WriteBuffer(buffer.data(), n);
        left -= n;
    }
    return Count;
}

// --- THandleStream ---

long THandleStream::Read(void* Buffer, long Count) {
    if (Count <= 0)
        return 0;
    DWORD done = 0;
    if (!ReadFile(FHandle, Buffer, static_cast<DWORD>(Count), &done, nullptr))
        RaiseStreamError<EReadError>("Stream read error", GetLastError());
    return static_cast<long>(done);
}

long THandleStream::Write(const void* Buffer, long Count) {
    if (Count <= 0)
        return 0;
    DWORD done = 0;
    if (!WriteFile(FHandle, Buffer, static_cast<DWORD>(Count), &done, nullptr))
        RaiseStreamError<EWriteError>("Stream write error", GetLastError());
    return static_cast<long>(done);
}

long long THandleStream::Seek(long long Offset, unsigned short Origin) {
    static const DWORD methods[] = {FILE_BEGIN, FILE_CURRENT, FILE_END};
    if (Origin > soFromEnd)
        throw EStreamError("Invalid stream seek origin " + IntToStr(Origin));
    LARGE_INTEGER distance, result;
    distance.QuadPart = Offset;
    if (!SetFilePointerEx(FHandle, distance, &result, methods[Origin]))
        RaiseStreamError<EStreamError>("Stream seek error", GetLastError());
    return result.QuadPart;
}

void THandleStream::SetSize(long long NewSize) {
    long long position = Position();
    Seek(NewSize, soFromBeginning);
    if (!SetEndOfFile(FHandle))
        RaiseStreamError<EStreamError>("Cannot change the stream's size", GetLastError());
    if (position < NewSize)
        Seek(position, soFromBeginning);
}

// --- TFileStream ---

TFileStream::TFileStream(const std::string& AFileName, unsigned Mode) : THandleStream(INVALID_HANDLE_VALUE), FFileName(AFileName) {
    static const DWORD shares[] = {0, 0, FILE_SHARE_READ, FILE_SHARE_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE};
    unsigned share = (Mode & 0xF0) >> 4;
    bool create = (Mode & 0xFF00) == fmCreate;
    unsigned access = Mode & 0x0F;
    if (share > 4 || (!create && access > fmOpenReadWrite)) {
        std::string text = "Invalid file mode $" + IntToHex(Mode, 4) + " for \"" + AFileName + "\"";
        if (create)
            throw EFCreateError(text);
        throw EFOpenError(text);
    }
    if (create) {
        FHandle = CreateFileA(AFileName.c_str(), GENERIC_READ | GENERIC_WRITE, shares[share], nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
        if (FHandle == INVALID_HANDLE_VALUE) {
            DWORD code = GetLastError();
            throw EFCreateError(Format("Cannot create file \"%s\". %s (system error %lu)", AFileName.c_str(),
                                       SysErrorMessage(code).c_str(), static_cast<unsigned long>(code)));
        }
        return;
    }
    static const DWORD accesses[] = {GENERIC_READ, GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE};
    FHandle = CreateFileA(AFileName.c_str(), accesses[access], shares[share], nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
    if (FHandle == INVALID_HANDLE_VALUE) {
        DWORD code = GetLastError();
        throw EFOpenError(Format("Cannot open file \"%s\". %s (system error %lu)", AFileName.c_str(),
                                 SysErrorMessage(code).c_str(), static_cast<unsigned long>(code)));
    }
}

TFileStream::~TFileStream() {
    if (FHandle != INVALID_HANDLE_VALUE)
        CloseHandle(FHandle);
}

// --- TCustomMemoryStream ---

void TCustomMemoryStream::SetPointer(void* Ptr, long long Size) {
    FMemory = static_cast<char*>(Ptr);
    FSize = Size;
}

long TCustomMemoryStream::Read(void* Buffer, long Count) {
    if (Count <= 0 || FPosition >= FSize)
        return 0;
    long n = static_cast<long>(std::min<long long>(FSize - FPosition, Count));
    std::memcpy(Buffer, FMemory + FPosition, static_cast<size_t>(n));
    FPosition += n;
    return n;
}

long long TCustomMemoryStream::Seek(long long Offset, unsigned short Origin) {
    FPosition = NewPosition(FPosition, FSize, Offset, Origin);
    return FPosition;
}

void TCustomMemoryStream::SaveToStream(TStream* Stream) {
    if (FSize != 0)
        Stream->WriteBuffer(FMemory, static_cast<long>(FSize));
}

void TCustomMemoryStream::SaveToFile(const std::string& FileName) {
    TFileStream stream(FileName, fmCreate);
    SaveToStream(&stream);
}

// --- TMemoryStream ---

void TMemoryStream::Reserve(long long NewCapacity) {
    long long capacity = Capacity();
    if (NewCapacity <= capacity)
        return;
    // Grow by a quarter at least, in whole 8 KiB blocks, so that many small writes stay cheap.
    NewCapacity = std::max(NewCapacity, capacity + capacity / 4);
    NewCapacity = (NewCapacity + 0x1FFF) & ~0x1FFFll;
    FData.resize(static_cast<size_t>(NewCapacity));
    SetPointer(FData.data(), Size());
}

void TMemoryStream::SetSize(long long NewSize) {
    if (NewSize < 0)
        throw EStreamError("Invalid stream size " + IntToStr(NewSize));
    long long old = Size();
    Reserve(NewSize);
    if (NewSize > old)
        std::memset(FData.data() + old, 0, static_cast<size_t>(NewSize - old));
    SetPointer(FData.data(), NewSize);
    if (FPosition > NewSize)
        FPosition = NewSize;
}

long TMemoryStream::Write(const void* Buffer, long Count) {
    if (Count <= 0)
        return 0;
    long long end = FPosition + Count;
    if (end > Size()) {
        long long position = FPosition;
        SetSize(end);  // fills any gap between the old end and the position with zeros
        FPosition = position;
    }
    std::memcpy(FData.data() + FPosition, Buffer, static_cast<size_t>(Count));
    FPosition = end;
    return Count;
}

void TMemoryStream::Clear() {
    std::vector<char>().swap(FData);
    SetPointer(nullptr, 0);
    FPosition = 0;
}

void TMemoryStream::LoadFromStream(TStream* Stream) {
    Stream->SetPosition(0);
    long long count = Stream->Size();
    SetSize(count);
    if (count != 0)
        Stream->ReadBuffer(FData.data(), static_cast<long>(count));
}

void TMemoryStream::LoadFromFile(const std::string& FileName) {
    TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&stream);
}

// --- TStringStream ---

long TStringStream::Read(void* Buffer, long Count) {
    long long size = static_cast<long long>(FDataString.size());
    if (Count <= 0 || FPosition >= size)
        return 0;
    long n = static_cast<long>(std::min<long long>(size - FPosition, Count));
    std::memcpy(Buffer, FDataString.data() + FPosition, static_cast<size_t>(n));
    FPosition += n;
    return n;
}

long TStringStream::Write(const void* Buffer, long Count) {
    if (Count <= 0)
        return 0;
    size_t end = static_cast<size_t>(FPosition + Count);
    if (end > FDataString.size())
        FDataString.resize(end, '\0');
    std::memcpy(FDataString.data() + FPosition, Buffer, static_cast<size_t>(Count));
    FPosition = static_cast<long long>(end);
    return Count;
}

long long TStringStream::Seek(long long Offset, unsigned short Origin) {
    FPosition = NewPosition(FPosition, static_cast<long long>(FDataString.size()), Offset, Origin);
    return FPosition;
}

void TStringStream::SetSize(long long NewSize) {
    if (NewSize < 0)
        throw EStreamError("Invalid stream size " + IntToStr(NewSize));
    FDataString.resize(static_cast<size_t>(NewSize), '\0');
    if (FPosition > NewSize)
        FPosition = NewSize;
}

std::string TStringStream::ReadString(long Count) {
    long long size = static_cast<long long>(FDataString.size());
    long n = static_cast<long>(std::max<long long>(0, std::min<long long>(size - FPosition, Count)));
    std::string result = FDataString.substr(static_cast<size_t>(std::min(FPosition, size)), static_cast<size_t>(n));
    FPosition += n;
    return result;
}

void TStringStream::WriteString(const std::string& AString) {
    Write(AString.data(), static_cast<long>(AString.size()));
}

// --- TResourceStream ---

TResourceStream::TResourceStream(HINSTANCE Instance, const std::string& ResName, const char* ResType) {
    Initialize(Instance, ResName.c_str(), ResType, ResName);
}

TResourceStream::TResourceStream(HINSTANCE Instance, int ResID, const char* ResType) {
    Initialize(Instance, MAKEINTRESOURCEA(ResID), ResType, IntToStr(ResID));
}

void TResourceStream::Initialize(HINSTANCE Instance, const char* Name, const char* ResType, const std::string& Shown) {
    HRSRC info = FindResourceA(Instance, Name, ResType);
    if (!info)
        throw EResNotFound("Resource " + Shown + " not found");
    HGLOBAL global = LoadResource(Instance, info);
    void* data = global ? LockResource(global) : nullptr;
    if (!data)
        RaiseLastOSError("LoadResource");
    // Resources stay mapped for the life of the module: there is nothing to free.
    SetPointer(data, SizeofResource(Instance, info));
}

long TResourceStream::Write(const void* Buffer, long Count) {
    (void)Buffer;
    (void)Count;
    throw EStreamError("Can't write to a read-only resource stream");
}
