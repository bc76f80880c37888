#include "acSkinPack.h"

#include "sDialogs.h"

#include "classlib/runtime/SysUtils.h"

#include <windows.h>
#include <zlib.h>

#include <cstdint>
#include <cstring>

void TacSkinConvertor::Clear() {
    while (!Files.empty())
        Files.pop_back();
    FIndex.clear();
    FIndexedData = nullptr;
    FIndexedSize = 0;
    Options.reset();
    PackedData.reset();
    ImageCount = 0;
}

long long acFileSize(const std::string& FileName) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(FileName.c_str(), GetFileExInfoStandard, &data))
        return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

TacImageItem* TacSkinConvertor::Find(const std::string& FileName) {
    if (FIndexedData != Files.data() || FIndexedSize != Files.size()) {
        FIndex.clear();
        for (size_t i = 0; i < Files.size(); ++i)
            if (Files[i].Data)
                FIndex.emplace(UpperCase(Files[i].FileName), i);
        FIndexedData = Files.data();
        FIndexedSize = Files.size();
    }
    auto it = FIndex.find(UpperCase(FileName));
    return it == FIndex.end() ? nullptr : &Files[it->second];
}

namespace {

// Reads the packed bytes in place; every read is checked against the end so damage cannot run past it.
class TPackReader {
public:
    TPackReader(const uint8_t* data, size_t size) : FData(data), FSize(size) {}
    ~TPackReader() {
        if (FStarted)
            inflateEnd(&FZip);
    }
    TPackReader(const TPackReader&) = delete;
    TPackReader& operator=(const TPackReader&) = delete;

    size_t Remaining() const { return FSize - FPos; }
    size_t Position() const { return FPos; }

    int32_t ReadInt(const char* what) {
        if (Remaining() < 4)
            Fail(std::string("it ends inside ") + what);
        uint32_t v = FData[FPos] | (FData[FPos + 1] << 8) | (FData[FPos + 2] << 16) |
                     (static_cast<uint32_t>(FData[FPos + 3]) << 24);
        FPos += 4;
        return static_cast<int32_t>(v);
    }

    std::string ReadBytes(size_t count) {
        std::string s(reinterpret_cast<const char*>(FData + FPos), count);
        FPos += count;
        return s;
    }

    // Inflates the zlib stream at the position into exactly size bytes and moves past the stream's last byte:
    // the next item starts there, as no compressed length is stored.
    void Inflate(TMemoryStream* out, long size, const std::string& name) {
        out->SetSize(size);
        // One decompressor serves every item: starting a new one per item would cost more than a small item.
        if (!FStarted) {
            if (inflateInit(&FZip) != Z_OK)
                throw EOutOfResources("The decompressor could not be started");
            FStarted = true;
        } else if (inflateReset(&FZip) != Z_OK) {
            throw EOutOfResources("The decompressor could not be restarted");
        }
        z_stream& z = FZip;
        z.next_in = const_cast<Bytef*>(FData + FPos);
        z.avail_in = static_cast<uInt>(Remaining());
        // zlib refuses a null output pointer even when no output is wanted (an empty item).
        Bytef none;
        z.next_out = size > 0 ? static_cast<Bytef*>(out->Memory()) : &none;
        z.avail_out = static_cast<uInt>(size);
        int rc = inflate(&z, Z_FINISH);
        if (rc == Z_BUF_ERROR && z.avail_out == 0) {
            // The stated size is used up before the stream ends: see whether the stream holds more.
            Bytef extra;
            z.next_out = &extra;
            z.avail_out = 1;
            rc = inflate(&z, Z_FINISH);
            if (z.avail_out == 0)
                Fail("item \"" + name + "\" unpacks to more than its stated " + IntToStr(size) + " bytes");
        }
        size_t consumed = Remaining() - z.avail_in;
        uLong produced = z.total_out;
        const char* message = z.msg;
        if (rc == Z_DATA_ERROR || rc == Z_NEED_DICT)
            Fail("item \"" + name + "\" is corrupt (" + (message ? message : "bad compressed data") + ")");
        if (rc != Z_STREAM_END) {
            if (produced < static_cast<uLong>(size))
                Fail("item \"" + name + "\" ends after " + IntToStr(produced) + " of its " + IntToStr(size) +
                     " bytes");
            Fail("item \"" + name + "\" does not end");
        }
        if (produced != static_cast<uLong>(size))
            Fail("item \"" + name + "\" unpacks to " + IntToStr(produced) + " bytes instead of " + IntToStr(size));
        FPos += consumed;
        out->SetPosition(0);
    }

    [[noreturn]] void Fail(const std::string& why) const {
        throw EReadError("The packed skin data is damaged: " + why + " (at byte " + IntToStr(FPos) + ")");
    }

private:
    const uint8_t* FData;
    size_t FSize;
    size_t FPos = 0;
    z_stream FZip = {};
    bool FStarted = false;
};

// A zlib stream is at least its 2-byte header, an empty final block and the 4-byte checksum.
constexpr size_t kMinItemBytes = 4 + 4 + 8;

void Unpack(TacSkinConvertor* c) {
    TMemoryStream* packed = c->PackedData.get();
    const uint8_t* data = packed ? static_cast<const uint8_t*>(packed->Memory()) : nullptr;
    size_t size = packed ? static_cast<size_t>(packed->Size()) : 0;
    if (size < 4 || std::memcmp(data, "QVpk", 4) != 0) {
        c->Clear();
        ShowWarning("Loaded data is not packed QuorvexSkin file");
        return;
    }
    TPackReader reader(data, size);
    reader.ReadBytes(4);
    int32_t count = reader.ReadInt("the item count");
    if (count < 0 || count > kMaxPackedItemCount || static_cast<size_t>(count) > reader.Remaining() / kMinItemBytes)
        reader.Fail("an item count of " + IntToStr(count) + " does not fit the data");
    c->ImageCount = count - 1;
    long long total = 0;
    for (int32_t i = 0; i < count; ++i) {
        int32_t nameLength = reader.ReadInt("a name length");
        if (nameLength < 0 || nameLength > kMaxPackedNameLength || static_cast<size_t>(nameLength) > reader.Remaining())
            reader.Fail("item " + IntToStr(i + 1) + " has a name length of " + IntToStr(nameLength));
        std::string name = reader.ReadBytes(nameLength);
        int32_t itemSize = reader.ReadInt("an item size");
        // Deflate packs at most about 1032 bytes into one, so a size the rest of the data cannot hold is
        // refused before anything is allocated for it.
        if (itemSize < 0 || itemSize > kMaxPackedItemSize ||
            static_cast<unsigned long long>(itemSize) > reader.Remaining() * 1040ULL + 64)
            reader.Fail("item \"" + name + "\" has a size of " + IntToStr(itemSize) + " bytes");
        // Counted as the memory streams hold them, in whole 8 KiB blocks: many tiny items cost more than their bytes.
        total += (static_cast<long long>(itemSize) + 0x1FFF) & ~0x1FFFll;
        if (total > kMaxPackedTotalSize)
            reader.Fail("its items take more than " + IntToStr(kMaxPackedTotalSize / (1024 * 1024)) +
                        " MB unpacked, more than any skin holds");
        auto stream = std::make_unique<TMemoryStream>();
        reader.Inflate(stream.get(), itemSize, name);
        if (UpperCase(name) == "OPTIONS.DAT") {
            c->Options = std::move(stream);  // a second description replaces the first
        } else {
            TacImageItem item;
            item.FileName = name;
            item.IsBitmap = UpperCase(ExtractFileExt(name)) == ".BMP";
            item.Data = std::move(stream);
            c->Files.push_back(std::move(item));
        }
    }
}

}  // namespace

void UnpackSkinData(TacSkinConvertor* Convertor) {
    if (!Convertor)
        return;
    // Items read before a fault are dropped with the rest: a skin with some of its files is no skin. The packed
    // data goes too, as it is known to be damaged.
    std::unique_ptr<TMemoryStream> packed = std::move(Convertor->PackedData);
    Convertor->Clear();
    Convertor->PackedData = std::move(packed);
    try {
        Unpack(Convertor);
    } catch (...) {
        Convertor->Clear();
        throw;
    }
}

void LoadPackedSkinFile(const std::string& FileName, std::unique_ptr<TacSkinConvertor>& Convertor,
                        bool FreePacked) {
    if (!FileExists(FileName))
        return;
    // Its size is known before a byte is read: a file larger than any packed skin can be is not read at all.
    long long size = acFileSize(FileName);
    if (size > kMaxPackedTotalSize)
        throw EReadError("The packed skin \"" + FileName + "\" holds " + IntToStr(size / (1024 * 1024)) +
                         " MB, more than any skin holds");
    if (!Convertor)
        Convertor = std::make_unique<TacSkinConvertor>();
    else
        Convertor->Clear();
    Convertor->PackedData = std::make_unique<TMemoryStream>();
    Convertor->PackedData->LoadFromFile(FileName);
    UnpackSkinData(Convertor.get());
    if (FreePacked)
        Convertor->PackedData.reset();
}
