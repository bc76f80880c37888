#pragma once
// Packed skin files (".vqz"): the skin's files, each deflated with zlib, back to back behind the magic "QVpk".
#include "classlib/runtime/Component.h"
#include "classlib/runtime/Streams.h"

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

// One file of a packed skin other than its description.
struct TacImageItem {
    std::string FileName;  // as stored
    bool IsBitmap = false; // the extension is ".BMP" in any case
    std::unique_ptr<TMemoryStream> Data;
};
using TacImageItems = std::vector<TacImageItem>;

// A packed skin unpacked into memory: the description ("Options.dat") and the other files.
class TacSkinConvertor : public TPersistent {
    CLASS_INFO(TacSkinConvertor, TPersistent)
public:
    ~TacSkinConvertor() override { Clear(); }

    int ImageCount = 0;  // the stored item count less one (the description)
    TacImageItems Files;
    std::unique_ptr<TMemoryStream> Options;     // nil when the data held no "Options.dat"
    std::unique_ptr<TMemoryStream> PackedData;  // the raw packed data while it is read

    // Frees every stream: the items' last to first, then the description and the packed data.
    void Clear();
    // The first item whose upper-cased name is that of FileName upper-cased, nil when none is. Each call costs
    // the same however many items there are: the names are indexed once, and again only when Files changes.
    TacImageItem* Find(const std::string& FileName);

private:
    std::unordered_map<std::string, size_t> FIndex;  // upper-cased name -> first position in Files
    const TacImageItem* FIndexedData = nullptr;
    size_t FIndexedSize = 0;
};

// The most that one item may inflate to, and the most items and name bytes a packed skin may hold; anything
// larger is damage, not a skin.
constexpr long kMaxPackedItemSize = 64L * 1024 * 1024;
constexpr long kMaxPackedItemCount = 65536;
constexpr long kMaxPackedNameLength = 1024;
// The most that all items together may take inflated (each in whole 8 KiB blocks of memory), and so the most a
// packed file may hold: a real skin unpacks to a few tens of MB.
constexpr long long kMaxPackedTotalSize = 64LL * 1024 * 1024;

// The size of a file in bytes; -1 when it cannot be had (no such file, no access).
long long acFileSize(const std::string& FileName);

// Reads a packed skin file into Convertor (made when nil, else cleared first); a missing file does nothing.
// FreePacked drops the raw data afterwards. Raises as UnpackSkinData does, and EReadError for a file larger
// than kMaxPackedTotalSize.
void LoadPackedSkinFile(const std::string& FileName, std::unique_ptr<TacSkinConvertor>& Convertor,
                        bool FreePacked);
// Reads Convertor's PackedData from its start into its items and description. Data without the magic shows
// the warning "Loaded data is not packed QuorvexSkin file" and leaves the convertor empty. Damaged data
// (impossible counts, lengths or sizes, items that take more than kMaxPackedTotalSize together, a stream
// that is corrupt, ends early or inflates to another size)
// leaves the convertor empty and raises EReadError saying what is wrong.
void UnpackSkinData(TacSkinConvertor* Convertor);
