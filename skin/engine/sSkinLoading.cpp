// TsSkinManager: reading a skin. Where a skin is found (its folder, its packed file, a skin stored in the program),
// how its description ("Options.dat") fills the section records with PARENTCLASS inheritance and the manager's
// common sections, how its images and textures are read, and the hue and saturation applied to every load.
#include "sSkinManager.h"

#include "acSkinLimits.h"
#include "acSkinPack.h"
#include "acntUtils.h"
#include "sGradient.h"
#include "sGraphUtils.h"

#include "classlib/visual/Dialogs.h"
#include "classlib/runtime/Finally.h"
#include "classlib/runtime/IniFiles.h"
#include "classlib/visual/JPEG.h"

#include <algorithm>
#include <charconv>
#include <functional>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace {

// Characters Pos .. Pos + Len - 1 (counted from 1) of S, as far as S goes.
std::string Copy(const std::string& S, size_t Pos, size_t Len) {
    return Pos - 1 < S.size() ? S.substr(Pos - 1, Len) : std::string();
}

// The number in a fixed-width field; a field that is no number raises EConvertError.
int Field(const std::string& Value, size_t Pos, size_t Len) { return StrToInt(Copy(Value, Pos, Len)); }

// A 16-bit field of an image from a number of a description: never below 0.
int16_t Clip16(int Value) { return static_cast<int16_t>(std::clamp(Value, 0, 32767)); }

bool Contains(const std::string& S, const char* Part) { return S.find(Part) != std::string::npos; }

bool IsTrue(const std::string& Value) { return UpperCase(Value) == "TRUE"; }

// A version number written with "." whatever the locale says; 0 when it is none.
double ParseVersion(const std::string& Text) {
    double value = 0;
    const char* end = Text.data() + Text.size();
    auto [ptr, ec] = std::from_chars(Text.data(), end, value, std::chars_format::fixed);
    return ec == std::errc() && ptr == end ? value : 0;
}

// The stops of a gradient text; a text that does not parse gives no gradient (the key's default).
void ReadGradient(const std::string& Text, TsGradArray& Data) {
    try {
        ParseGradientData(Text, Data);
    } catch (const EConvertError&) {
        Data.clear();
    }
}

// Five blank-separated integers into Colors; anything else leaves Colors as they are.
void ReadFiveColors(const std::string& Text, TsFontColors& Colors) {
    if (WordCount(Text, " ") != 5)
        return;
    TsFontColors read;
    for (int i = 0; i < 5; ++i)
        if (!TryStrToInt(ExtractWord(i + 1, Text, " "), read[i]))
            return;
    std::copy(std::begin(read), std::end(read), Colors);
}

// Widths of a 9-slice taken from the size of one state, for formats that give none.
void DeriveWidths(TsMaskData& Mask) {
    int wl = Mask.R.Width() / (std::max<int>(1, Mask.ImageCount) * 3);
    int wt = Mask.R.Height() / ((std::max<int>(0, Mask.MaskType) + 1) * 3);
    Mask.WL = Mask.WR = Clip16(wl);
    Mask.WT = Mask.WB = Clip16(wt);
}

// Calls F (section, key, value) for every key of every section in file order, GLOBALINFO left out on request.
template <class F>
void ForEachValue(TCustomIniFile& Ini, bool SkipGlobalInfo, const std::string& Absent, F&& Do) {
    TStringList sections, keys;
    Ini.ReadSections(&sections);
    for (int s = 0; s < sections.Count(); ++s) {
        std::string section = sections[s];
        if (SkipGlobalInfo && SameText(section, "GLOBALINFO"))
            continue;
        Ini.ReadSection(section, &keys);
        for (int k = 0; k < keys.Count(); ++k)
            Do(section, keys[k], Ini.ReadString(section, keys[k], Absent));
    }
}

bool IsJpegName(const std::string& Value) {
    std::string upper = UpperCase(Value);
    return Contains(upper, ".JPG") || Contains(upper, ".JPEG");
}

// PARENTCLASS inheritance of a description, resolved once for each key: for every section, the section along its
// chain of parents whose own text gives the key, or none. A key that a section does not give (absent, "?" for a
// text, -1 or no number for an integer) comes from its parent, and so on up; a chain that comes back to a section
// already on it (A -> B -> A) ends there, so each section of such a loop takes the first value met going round from
// it. Every key costs one pass over the sections, however long the chains.
class TsInheritance {
public:
    explicit TsInheritance(TCustomIniFile& Ini) : FIni(Ini) {
        TStringList names;
        Ini.ReadSections(&names);
        for (int i = 0; i < names.Count(); ++i)
            if (FNodes.emplace(UpperCase(names[i]), static_cast<int>(FNames.size())).second)
                FNames.push_back(names[i]);
        FParents.assign(FNames.size(), kUnread);
    }

    // The section whose own text Section's Key takes; nullptr when none along the chain gives it.
    const std::string* Source(const std::string& Section, const std::string& Key, bool Integer) {
        auto node = FNodes.find(UpperCase(Section));
        // A section the description does not have gives nothing and has no parent.
        if (node == FNodes.end())
            return nullptr;
        std::vector<int>& sources = SourcesOf(Key, Integer);
        int source = sources[static_cast<size_t>(node->second)];
        return source < 0 ? nullptr : &FNames[static_cast<size_t>(source)];
    }

private:
    static constexpr int kUnread = -2;

    int Parent(int Node) {
        int& parent = FParents[static_cast<size_t>(Node)];
        if (parent == kUnread) {
            parent = -1;
            std::string name = FIni.ReadString(FNames[static_cast<size_t>(Node)], "PARENTCLASS", "?");
            if (name != "?") {
                auto it = FNodes.find(UpperCase(name));
                // A parent the description does not have ends the chain, as a section naming itself does.
                if (it != FNodes.end() && it->second != Node)
                    parent = it->second;
            }
        }
        return parent;
    }

    bool Gives(int Node, const std::string& Key, bool Integer) {
        const std::string& section = FNames[static_cast<size_t>(Node)];
        if (Integer)
            return FIni.ReadInteger(section, Key, -1) != -1;
        return FIni.ReadString(section, Key, "?") != "?";
    }

    std::vector<int>& SourcesOf(const std::string& Key, bool Integer) {
        auto [entry, added] = FSources.try_emplace((Integer ? "I" : "S") + UpperCase(Key));
        std::vector<int>& sources = entry->second;
        if (!added)
            return sources;
        size_t n = FNames.size();
        sources.assign(n, kUnread);
        std::vector<int> onPath(n, -1), path;
        for (size_t start = 0; start < n; ++start) {
            if (sources[start] != kUnread)
                continue;
            // Up the chain to a section already resolved, to its end, or round to a section of this very walk.
            int node = static_cast<int>(start);
            path.clear();
            while (node >= 0 && sources[static_cast<size_t>(node)] == kUnread &&
                   onPath[static_cast<size_t>(node)] < 0) {
                onPath[static_cast<size_t>(node)] = static_cast<int>(path.size());
                path.push_back(node);
                node = Parent(node);
            }
            if (node >= 0 && sources[static_cast<size_t>(node)] == kUnread) {
                // A loop from path[first] back to it: going round it backwards twice leaves each of its sections
                // with the first one that gives the key going forwards from it.
                size_t first = static_cast<size_t>(onPath[static_cast<size_t>(node)]);
                int giver = -1;
                for (int round = 0; round < 2; ++round)
                    for (size_t i = path.size(); i-- > first;) {
                        if (Gives(path[i], Key, Integer))
                            giver = path[i];
                        if (round == 1)
                            sources[static_cast<size_t>(path[i])] = giver;
                    }
                for (size_t i = first; i < path.size(); ++i)
                    onPath[static_cast<size_t>(path[i])] = -1;
                path.resize(first);
            }
            // The rest of the walk, nearest the resolved end first: a section's own text, else its parent's source.
            for (size_t i = path.size(); i-- > 0;) {
                int at = path[i], parent = Parent(at);
                if (Gives(at, Key, Integer))
                    sources[static_cast<size_t>(at)] = at;
                else
                    sources[static_cast<size_t>(at)] = parent < 0 ? -1 : sources[static_cast<size_t>(parent)];
                onPath[static_cast<size_t>(at)] = -1;
            }
        }
        return sources;
    }

    TCustomIniFile& FIni;
    std::unordered_map<std::string, int> FNodes;  // upper-cased section name -> node
    std::vector<std::string> FNames;             // node -> the section's name as the description writes it
    std::vector<int> FParents;                   // node -> its parent's node, -1 for none, kUnread before it is read
    std::unordered_map<std::string, std::vector<int>> FSources;  // kind and key -> node -> source node or -1
};

// The size of a picture as a BMP file's header gives it; nothing for data that is no BMP (its reader decides).
std::optional<std::pair<int64_t, int64_t>> BmpSize(const uint8_t* Data, size_t Size) {
    auto u32 = [&](size_t at) {
        return static_cast<uint32_t>(Data[at] | (Data[at + 1] << 8) | (Data[at + 2] << 16)) |
               (static_cast<uint32_t>(Data[at + 3]) << 24);
    };
    if (Size < 26 || Data[0] != 'B' || Data[1] != 'M')
        return std::nullopt;
    if (u32(14) == 12)  // the old core header: 16-bit sizes
        return std::make_pair<int64_t, int64_t>(Data[18] | (Data[19] << 8), Data[20] | (Data[21] << 8));
    int64_t width = static_cast<int32_t>(u32(18)), height = static_cast<int32_t>(u32(22));
    return std::make_pair(width < 0 ? -width : width, height < 0 ? -height : height);
}

// The bytes a picture of that size takes as 24-bit rows (each padded to four bytes).
int64_t PixelBytes24(int64_t Width, int64_t Height) { return ((Width * 3 + 3) / 4) * 4 * Height; }

// Makes Bmp 24-bit; false when it cannot be (too large for the bitmap caps, no memory, no GDI object left).
bool To24Bit(TBitmap& Bmp) {
    try {
        Bmp.SetPixelFormat(pf24bit);
        return true;
    } catch (const Exception&) {
        return false;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

std::unique_ptr<TMemIniFile> IniOfLines(TStrings* Lines) {
    // No file name: the text lives in memory only and nothing is ever read from or written to disk for it.
    auto ini = std::make_unique<TMemIniFile>("");
    ini->SetStrings(Lines);
    return ini;
}

template <class F>
void ForEachPixel(TBitmap* Bmp, F&& Change) {
    if (!Bmp || Bmp->Empty())
        return;
    Bmp->SetPixelFormat(pf24bit);
    TColor lastIn = -1, lastOut = -1;
    for (int y = 0; y < Bmp->Height(); ++y) {
        auto* p = static_cast<uint8_t*>(Bmp->ScanLine(y));
        for (int x = 0; x < Bmp->Width(); ++x, p += 3) {
            uint8_t b = p[0], g = p[1], r = p[2];
            // Magenta is the skin's transparency and greys have no hue: both stay.
            if ((r == 0xFF && g == 0 && b == 0xFF) || (r == g && g == b))
                continue;
            TColor c = r | (g << 8) | (b << 16);
            if (c != lastIn) {
                lastIn = c;
                lastOut = Change(c);
            }
            p[0] = static_cast<uint8_t>(lastOut >> 16);
            p[1] = static_cast<uint8_t>(lastOut >> 8);
            p[2] = static_cast<uint8_t>(lastOut);
        }
    }
}

}  // namespace

// A JPEG file of a skin as read: the picture when it is a texture, or the bitmap made of a small one; neither
// when it cannot be had.
struct TsSkinJpeg {
    std::shared_ptr<TJPEGImage> Jpeg;
    std::shared_ptr<TBitmap> Small;
};

// What one load keeps while it runs, freed with the description when it ends.
struct TsSkinLoad {
    std::unique_ptr<TsInheritance> Inheritance;  // made when the first key is inherited
    // Each bitmap file once, however many keys name it: by source and upper-cased name, nil when it cannot be had.
    std::unordered_map<std::string, std::shared_ptr<TBitmap>> Bitmaps;
    // Each JPEG file once, by source and upper-cased name.
    std::unordered_map<std::string, TsSkinJpeg> Jpegs;
    int Images = 0;          // keys that named an image so far
    int OwnBitmaps = 0;      // GDI bitmaps made (the master bitmap, bitmap files, small JPEGs)
    int64_t PixelBytes = 0;  // 24-bit bytes of the pictures taken
    int64_t GradientBytes = 0;
    // Gradient texts and their stops by the section and key they were read from.
    struct TGradient {
        std::string Text;
        TsGradArray Stops;
    };
    std::unordered_map<std::string, TGradient> Gradients;
};

// --- finding the skin ---

TsStoredSkin* TsSkinManager::StoredSkin() const {
    return FStoredIndex >= 0 && FStoredIndex < FInternalSkins->Count() ? FInternalSkins->Items(FStoredIndex) : nullptr;
}

void TsSkinManager::DropSkin() {
    FreeBitmaps();
    FreeJpegs();
    Sections.clear();
    FSectionIndex = {};
    FActive = false;
    FSkinData->Active = false;
    InitConstantIndexes();
}

void TsSkinManager::LoadFrom(const std::function<bool()>& Find) {
    if (!FActive)
        return;
    auto loading = Finally([was = acSkinLoading] { acSkinLoading = was; });
    acSkinLoading = true;
    // What one load reads exists only during it, whichever way the load ends.
    auto done = Finally([this] {
        FLoad.reset();
        FDescription.reset();
        FConvertor.reset();
        FStoredIndex = -1;
    });
    FDescription.reset();
    FConvertor.reset();
    FLoadError.clear();
    FLoad = std::make_shared<TsSkinLoad>();
    try {
        if (Find()) {
            CheckDescription();
            LoadAll();
        } else {
            DropSkin();
        }
    } catch (const std::exception& e) {
        // Whatever stops the reading (damaged data, a skin past a limit, no memory), the skin is not half there:
        // it is no skin, which the caller broadcasts as a removal, and LoadError says why.
        FLoadError = e.what();
        DropSkin();
    }
}

namespace {

[[noreturn]] void DescriptionTooLarge(const std::string& Skin, long long Size) {
    throw ESkinTooLarge("The skin \"" + Skin + "\" is not loaded: its description holds " + IntToStr(Size / 1024) +
                        " KB, more than the " + IntToStr(acMaxSkinDescriptionSize / 1024) + " KB a skin may have");
}

}  // namespace

void TsSkinManager::CheckDescription() {
    if (!FDescription)
        return;
    TStringList names;
    FDescription->ReadSections(&names);
    if (names.Count() > acMaxSkinSections)
        throw ESkinTooLarge("The skin \"" + FSkinName + "\" is not loaded: it has " + IntToStr(names.Count()) +
                            " sections, more than the " + IntToStr(acMaxSkinSections) + " a skin may have");
}

bool TsSkinManager::DescribeFromConvertor() {
    if (!FConvertor || !FConvertor->Options)
        return false;
    if (FConvertor->Options->Size() > acMaxSkinDescriptionSize)
        DescriptionTooLarge(FSkinName, FConvertor->Options->Size());
    TStringList lines;
    FConvertor->Options->SetPosition(0);
    lines.LoadFromStream(FConvertor->Options.get());
    FDescription = IniOfLines(&lines);
    return true;
}

void TsSkinManager::LoadSkinData() {
    LoadFrom([this] {
        std::string folder = GetFullSkinDirectory() + FSkinName + "\\";
        if (!FSkinName.empty() && FileExists(folder + "Options.dat")) {
            if (long long size = acFileSize(folder + "Options.dat"); size > acMaxSkinDescriptionSize)
                DescriptionTooLarge(FSkinName, size);
            FIsPacked = false;
            FDescription = std::make_unique<TMemIniFile>(folder + "Options.dat");
            FSkinData->SkinPath = folder;
            return true;
        }
        FSkinData->SkinPath.clear();
        int index = FInternalSkins->IndexOf(FSkinName);
        if (index < 0) {
            if (FInternalSkins->Count() == 0)
                return false;
            // The field, not the setter: the skin is being loaded right now.
            index = 0;
            FSkinName = FInternalSkins->Items(0)->Name();
        }
        FStoredIndex = index;
        TsStoredSkin* stored = FInternalSkins->Items(index);
        FIsPacked = stored->Data()->Size() > 0;
        if (!FIsPacked)
            return true;  // read from the collections, without a description
        FConvertor = std::make_unique<TacSkinConvertor>();
        FConvertor->PackedData = std::make_unique<TMemoryStream>();
        FConvertor->PackedData->LoadFromStream(stored->Data());
        UnpackSkinData(FConvertor.get());
        return DescribeFromConvertor();
    });
}

void TsSkinManager::LoadPackedSkin() {
    LoadFrom([this] {
        LoadPackedSkinFile(NormalDir(FSkinDirectory) + FSkinName + ".vqz", FConvertor, true);
        if (!DescribeFromConvertor())
            return false;
        FSkinData->SkinPath = GetFullSkinDirectory();
        return true;
    });
}

void TsSkinManager::LoadAll() {
    LoadAllMasks();
    LoadAllPatterns();
    LoadAllGeneralData();
    InitConstantIndexes();
}

TsSkinLoad& TsSkinManager::Load() {
    if (!FLoad)
        FLoad = std::make_shared<TsSkinLoad>();
    return *FLoad;
}

bool TsSkinManager::AdmitImage() { return ++Load().Images <= acMaxSkinImages; }

std::string TsSkinManager::ImageFileKey(const std::string& FileName, bool Packed) const {
    if (Packed && FConvertor)
        return "P" + UpperCase(FileName);
    return "F" + UpperCase(FileName.find(':') == std::string::npos ? FSkinData->SkinPath + FileName : FileName);
}

bool TsSkinManager::AdmitPixels(int64_t Width, int64_t Height) {
    if (Width * Height > acMaxSkinBitmapPixels)
        return false;
    int64_t bytes = PixelBytes24(Width, Height);
    if (Load().PixelBytes + bytes > acMaxSkinPixelBytes)
        return false;
    Load().PixelBytes += bytes;
    return true;
}

bool TsSkinManager::LoadSkinImage(const std::string& FileName, TGraphic* Graphic, bool Packed) {
    try {
        TMemoryStream* source = nullptr;
        TMemoryStream file;
        if (Packed && FConvertor) {
            // Both names upper-cased: a skin finds its images packed as it finds them in its folder.
            TacImageItem* item = FConvertor->Find(FileName);
            if (!item)
                return false;
            source = item->Data.get();
        } else {
            std::string name = FileName.find(':') == std::string::npos ? FSkinData->SkinPath + FileName : FileName;
            if (!FileExists(name) || acFileSize(name) > kMaxPackedItemSize)
                return false;
            file.LoadFromFile(name);
            source = &file;
        }
        // A bitmap says its size before its pixels are read: one past the limits is not read at all.
        if (dynamic_cast<TBitmap*>(Graphic)) {
            auto size = BmpSize(static_cast<const uint8_t*>(source->Memory()), static_cast<size_t>(source->Size()));
            if (size && (size->first * size->second > acMaxSkinBitmapPixels ||
                         Load().PixelBytes + PixelBytes24(size->first, size->second) > acMaxSkinPixelBytes))
                return false;
        }
        source->SetPosition(0);
        Graphic->LoadFromStream(source);
        if (Graphic->Empty())
            return false;
        return AdmitPixels(Graphic->Width(), Graphic->Height());
    } catch (const Exception&) {
        // A damaged image is left out like a missing one; the rest of the skin still loads.
        return false;
    } catch (const std::bad_alloc&) {
        // So is one the program has no room for.
        return false;
    }
}

std::shared_ptr<TBitmap> TsSkinManager::LoadMaskBitmap(const std::string& FileName, bool Packed) {
    auto [entry, added] = Load().Bitmaps.try_emplace(ImageFileKey(FileName, Packed));
    if (!added)
        return entry->second;
    // Past the limit of bitmaps, further files are left out: the skin never holds the program's GDI quota.
    if (Load().OwnBitmaps >= acMaxSkinBitmaps)
        return nullptr;
    auto bmp = std::make_shared<TBitmap>();
    // Every image is read by the painters as rows of three bytes; one that cannot be had so is left out alone.
    if (!LoadSkinImage(FileName, bmp.get(), Packed) || !To24Bit(*bmp))
        return nullptr;
    ++Load().OwnBitmaps;
    entry->second = bmp;
    return bmp;
}

// --- images ---

void TsSkinManager::FreeBitmaps() {
    while (!Masks.empty())
        Masks.pop_back();
    MasterBitmap.reset();
    FMaskIndex = {};
    FTextureIndex = {};
}

void TsSkinManager::FreeJpegs() {
    while (!Patterns.empty())
        Patterns.pop_back();
    FPatternIndex = {};
}

bool TsSkinManager::AppendMask(TsMaskData Mask) {
    Mask.Manager = this;
    TBitmap* source = Mask.Bmp ? Mask.Bmp.get() : MasterBitmap.get();
    const TRect& r = Mask.R;
    // A rectangle that is empty or reaches outside its bitmap would make painters read beyond the pixels.
    if (!source || r.left < 0 || r.top < 0 || r.right <= r.left || r.bottom <= r.top || r.right > source->Width() ||
        r.bottom > source->Height())
        return false;
    Masks.push_back(std::move(Mask));
    return true;
}

void TsSkinManager::AddMask(const std::string& Section, const std::string& Key, const std::string& Value) {
    if (Value.empty())
        return;
    std::string upper = UpperCase(Value);
    bool namesImage = std::string_view("~@^!").find(Value[0]) != std::string_view::npos ||
                      (Value.find('#') != std::string::npos && Value != "#") || Contains(upper, ".BMP");
    if (namesImage && !AdmitImage())
        return;
    TsMaskData m;
    m.ClassName = Section;
    m.PropertyName = Key;
    auto rectangle = [&] {
        m.R = TRect(Field(Value, 2, 4), Field(Value, 7, 4), Field(Value, 12, 4), Field(Value, 17, 4));
    };
    try {
        switch (Value[0]) {
        case '~':
            rectangle();
            m.DrawMode = Clip16(Field(Value, 22, 2));
            m.MaskType = Value.size() > 24 ? Clip16(Field(Value, 25, 1)) : 0;
            m.ImgType = itisaTexture;
            m.ImageCount = 1;
            DeriveWidths(m);
            break;
        case '@':
            rectangle();
            m.ImageCount = Clip16(Field(Value, 22, 1));
            m.MaskType = Clip16(Field(Value, 24, 1));
            m.ImgType = itisaGlyph;
            DeriveWidths(m);
            break;
        case '^':
            rectangle();
            m.WL = Clip16(Field(Value, 22, 4));
            m.WT = Clip16(Field(Value, 27, 4));
            m.WR = Clip16(Field(Value, 32, 4));
            m.WB = Clip16(Field(Value, 37, 4));
            m.ImageCount = Clip16(Field(Value, 42, 1));
            m.MaskType = Clip16(Field(Value, 44, 1));
            m.DrawMode = Clip16(Field(Value, 46, 1));
            m.BorderWidth = Clip16(Field(Value, 48, 1));
            m.ImgType = itisaBorder;
            if (m.WL + m.WT + m.WR + m.WB == 0) {
                if (m.BorderWidth != 0)
                    m.WL = m.WT = m.WR = m.WB = m.BorderWidth;
                else
                    DeriveWidths(m);
            }
            break;
        case '!': {
            int words = WordCount(Value, "!");
            std::string file = ExtractWord(1, Value, "!");
            if (!Contains(UpperCase(file), ".BMP"))
                return;
            m.ImageCount = Clip16(StrToInt(ExtractWord(2, Value, "!")));
            m.MaskType = Clip16(StrToInt(ExtractWord(3, Value, "!")));
            int type = StrToInt(ExtractWord(4, Value, "!"));
            if (type < itisaBorder || type > itisaGlyph)
                return;
            m.ImgType = static_cast<TacImgType>(type);
            m.Bmp = LoadMaskBitmap(file, true);
            if (!m.Bmp)
                return;
            m.R = TRect(0, 0, m.Bmp->Width(), m.Bmp->Height());
            m.DrawMode = 4;
            // The four widths count only when all four are there.
            if (words >= 8) {
                m.WL = Clip16(StrToInt(ExtractWord(5, Value, "!")));
                m.WT = Clip16(StrToInt(ExtractWord(6, Value, "!")));
                m.WR = Clip16(StrToInt(ExtractWord(7, Value, "!")));
                m.WB = Clip16(StrToInt(ExtractWord(8, Value, "!")));
            } else {
                DeriveWidths(m);
            }
            break;
        }
        default:
            if (Value.find('#') != std::string::npos && Value != "#") {
                AddHashMask(Section, Key, Value);
                return;
            }
            if (Contains(upper, ".BMP"))
                AddBitmapMask(Section, Key, Value, true);
            return;
        }
    } catch (const EConvertError&) {
        // A field that is no number: this one image is left out, the rest of the skin loads.
        return;
    }
    AppendMask(std::move(m));
}

void TsSkinManager::AddBitmapMask(const std::string& Section, const std::string& Key, const std::string& FileName,
                                  bool Packed) {
    TsMaskData m;
    m.Bmp = LoadMaskBitmap(FileName, Packed);
    if (!m.Bmp)
        return;
    m.ClassName = UpperCase(Section);
    m.PropertyName = UpperCase(Key);
    // A bitmap of its own is taken as the usual three states with their masks below.
    m.ImageCount = 3;
    m.MaskType = 1;
    m.R = TRect(0, 0, m.Bmp->Width(), m.Bmp->Height());
    DeriveWidths(m);
    AppendMask(std::move(m));
}

void TsSkinManager::AddHashMask(const std::string& Section, const std::string& Key, const std::string& Value) {
    // "#(left, top, right, bottom)(count, mask type, border width, draw mode)".
    std::string rect = ExtractWord(2, Value, " ()"), params = ExtractWord(3, Value, " ()");
    TsMaskData m;
    m.ClassName = UpperCase(Section);
    m.PropertyName = UpperCase(Key);
    try {
        m.R = TRect(StrToInt(ExtractWord(1, rect, " ,")), StrToInt(ExtractWord(2, rect, " ,")),
                    StrToInt(ExtractWord(3, rect, " ,")), StrToInt(ExtractWord(4, rect, " ,")));
        m.ImageCount = Clip16(std::max(1, StrToInt(ExtractWord(1, params, " ,"))));
        m.MaskType = Clip16(StrToInt(ExtractWord(2, params, " ,")));
        std::string border = ExtractWord(3, params, " ,"), mode = ExtractWord(4, params, " ,");
        m.BorderWidth = border.empty() ? 0 : Clip16(StrToInt(border));
        m.DrawMode = mode.empty() ? 1 : Clip16(StrToInt(mode));
    } catch (const EConvertError&) {
        return;
    }
    m.ImgType = itisaBorder;
    if (m.BorderWidth != 0)
        m.WL = m.WT = m.WR = m.WB = m.BorderWidth;
    else
        DeriveWidths(m);
    AppendMask(std::move(m));
}

void TsSkinManager::LoadAllMasks() {
    FreeBitmaps();
    if (!FDescription) {
        if (TsStoredSkin* stored = StoredSkin())
            LoadMasksFromStoredSkin(stored);
        LoadCommonMasks();
        return;
    }
    MasterBitmap = std::make_unique<TBitmap>();
    std::string master = FDescription->ReadString("GLOBALINFO", "MASTERBITMAP", "");
    // A master bitmap that cannot be read, or not made 24-bit, is an empty one: the images in it are left out.
    if (!master.empty() && LoadSkinImage(master, MasterBitmap.get(), true) && To24Bit(*MasterBitmap))
        ++Load().OwnBitmaps;
    else
        MasterBitmap = std::make_unique<TBitmap>();
    MasterBitmap->SetPixelFormat(pf24bit);
    MasterBitmap->SetTransparent(true);
    MasterBitmap->SetTransparentColor(clFuchsia);
    ForEachValue(*FDescription, false, "", [this](const std::string& section, const std::string& key,
                                                  const std::string& value) {
        if (!(SameText(section, "GLOBALINFO") && SameText(key, "MASTERBITMAP")))
            AddMask(section, key, value);
    });
    LoadCommonMasks();
}

void TsSkinManager::LoadMasksFromStoredSkin(TsStoredSkin* Skin) {
    MasterBitmap = std::make_unique<TBitmap>();
    MasterBitmap->Assign(Skin->MasterBitmap());
    if (!To24Bit(*MasterBitmap))
        MasterBitmap = std::make_unique<TBitmap>();
    MasterBitmap->SetPixelFormat(pf24bit);
    MasterBitmap->SetTransparent(true);
    MasterBitmap->SetTransparentColor(clFuchsia);
    for (int i = 0; i < Skin->Images()->Count(); ++i) {
        TsSkinImage* image = Skin->Images()->Items(i);
        if (image->ImgType < itisaBorder || image->ImgType > itisaGlyph)
            continue;
        TsMaskData m;
        if (!image->Image()->Empty()) {
            m.Bmp = std::make_shared<TBitmap>();
            m.Bmp->Assign(image->Image());
            if (!To24Bit(*m.Bmp))
                continue;
            m.R = TRect(0, 0, m.Bmp->Width(), m.Bmp->Height());
        } else {
            m.R = TRect(image->Left, image->Top, image->Right, image->Bottom);
        }
        m.ClassName = image->SectionName;
        m.PropertyName = image->PropertyName;
        m.ImageCount = Clip16(image->ImageCount);
        m.MaskType = Clip16(image->MaskType);
        m.BorderWidth = Clip16(image->BorderWidth);
        m.DrawMode = Clip16(image->StretchMode);
        m.ImgType = image->ImgType;
        m.WL = Clip16(image->WL);
        m.WT = Clip16(image->WT);
        m.WR = Clip16(image->WR);
        m.WB = Clip16(image->WB);
        AppendMask(std::move(m));
    }
}

void TsSkinManager::LoadCommonMasks() {
    if (FCommonSections->Count() == 0)
        return;
    ForEachValue(*IniOfLines(FCommonSections.get()), true, "-",
                 [this](const std::string& section, const std::string& key, const std::string& value) {
                     if (MasterBitmap && value.find('#') != std::string::npos && value != "#") {
                         AddHashMask(section, key, value);
                         return;
                     }
                     if (Contains(UpperCase(value), ".BMP"))
                         AddBitmapMask(section, key, value, false);
                 });
}

void TsSkinManager::LoadAllPatterns() {
    FreeJpegs();
    if (!FDescription) {
        if (TsStoredSkin* stored = StoredSkin())
            for (int i = 0; i < stored->Patterns()->Count(); ++i) {
                TsSkinPattern* pattern = stored->Patterns()->Items(i);
                auto jpeg = std::make_shared<TJPEGImage>();
                jpeg->Assign(pattern->Image());
                Patterns.push_back({jpeg, pattern->SectionName, pattern->PropertyName});
            }
        LoadCommonPatterns();
        return;
    }
    ForEachValue(*FDescription, false, "", [this](const std::string& section, const std::string& key,
                                                  const std::string& value) {
        if (!IsJpegName(value) || !AdmitImage())
            return;
        TsSkinJpeg& file = JpegFile(value, true);
        if (file.Jpeg) {
            Patterns.push_back({file.Jpeg, UpperCase(section), UpperCase(key)});
            return;
        }
        if (!file.Small)
            return;
        TsMaskData m;
        m.Bmp = file.Small;
        m.ClassName = UpperCase(section);
        m.PropertyName = UpperCase(key);
        m.R = TRect(0, 0, m.Bmp->Width(), m.Bmp->Height());
        m.ImageCount = 1;
        m.ImgType = itisaTexture;
        AppendMask(std::move(m));
    });
    LoadCommonPatterns();
}

TsSkinJpeg& TsSkinManager::JpegFile(const std::string& FileName, bool Packed, bool SmallAsBitmap) {
    std::string key = ImageFileKey(FileName, Packed) + (SmallAsBitmap ? "" : "|texture");
    auto [entry, added] = Load().Jpegs.try_emplace(key);
    TsSkinJpeg& file = entry->second;
    if (!added)
        return file;
    auto jpeg = std::make_shared<TJPEGImage>();
    if (!LoadSkinImage(FileName, jpeg.get(), Packed))
        return file;
    if (!SmallAsBitmap || static_cast<long long>(jpeg->Width()) * jpeg->Height() >= 90000) {
        file.Jpeg = jpeg;
        return file;
    }
    // A small texture is decoded once here, so that painting never decodes it; one bitmap serves every key.
    if (Load().OwnBitmaps >= acMaxSkinBitmaps)
        return file;
    try {
        auto bmp = std::make_shared<TBitmap>();
        bmp->Assign(jpeg->Bitmap());
        if (!To24Bit(*bmp))
            return file;
        file.Small = bmp;
        ++Load().OwnBitmaps;
    } catch (const Exception&) {
        // A picture that does not decode is left out like a missing one.
    } catch (const std::bad_alloc&) {
        // So is one the program has no room for.
    }
    return file;
}

void TsSkinManager::LoadCommonPatterns() {
    if (FCommonSections->Count() == 0)
        return;
    ForEachValue(*IniOfLines(FCommonSections.get()), true, "-",
                 [this](const std::string& section, const std::string& key, const std::string& value) {
                     if (!IsJpegName(value) || !AdmitImage())
                         return;
                     // Whatever its size, a JPEG of the common sections is a texture.
                     TsSkinJpeg& file = JpegFile(value, false, false);
                     if (file.Jpeg)
                         Patterns.push_back({file.Jpeg, UpperCase(section), UpperCase(key)});
                 });
}

// --- sections ---

namespace {

TsInheritance& InheritanceOf(TsSkinLoad& Load, TCustomIniFile& Description) {
    if (!Load.Inheritance)
        Load.Inheritance = std::make_unique<TsInheritance>(Description);
    return *Load.Inheritance;
}

}  // namespace

std::string TsSkinManager::ReadSkinString(const std::string& Section, const std::string& Key,
                                          const std::string& Default) {
    if (!FDescription)
        return Default;
    const std::string* source = InheritanceOf(Load(), *FDescription).Source(Section, Key, false);
    return source ? FDescription->ReadString(*source, Key, "?") : Default;
}

int TsSkinManager::ReadSkinInteger(const std::string& Section, const std::string& Key, int Default) {
    if (!FDescription)
        return Default;
    const std::string* source = InheritanceOf(Load(), *FDescription).Source(Section, Key, true);
    return source ? FDescription->ReadInteger(*source, Key, -1) : Default;
}

void TsSkinManager::CheckVersion() {
    if (!Designing() || FSkinData->Version >= 5.4)
        return;
    ShowMessage("You use an old version of \"" + FSkinName +
                "\" skin, please update a skins to latest or link with Quorvex support for upgrading of existing "
                "skin.\r\n\r\nThis notification occurs in design-time only for your information and will not occur "
                "in real-time.");
}

void TsSkinManager::LoadAllGeneralData() {
    Sections.clear();
    if (FDescription)
        LoadGeneralDataFromDescription();
    else if (TsStoredSkin* stored = StoredSkin())
        LoadGeneralDataFromStoredSkin(stored);
    MergeCommonSections();
    ApplyHueOffset(FHueOffset);
    ApplySaturation(FSaturation);
}

void TsSkinManager::ReadSectionGradient(const std::string& Section, const std::string& Key, const std::string& Default,
                                        std::string& Text, TsGradArray& Stops) {
    TsSkinLoad& load = Load();
    const std::string* source = InheritanceOf(load, *FDescription).Source(Section, Key, false);
    // Each text is read and parsed once, however many sections inherit it.
    auto [read, added] = load.Gradients.try_emplace(source ? *source + '\n' + Key : '\n' + Key);
    if (added) {
        read->second.Text = source ? FDescription->ReadString(*source, Key, "?") : Default;
        // A text longer than any gradient needs is none: the section keeps the default.
        if (read->second.Text.size() > static_cast<size_t>(acMaxGradientTextLength))
            read->second.Text = Default;
        if (read->second.Text != " ")
            ReadGradient(read->second.Text, read->second.Stops);
    }
    Text = read->second.Text;
    Stops = read->second.Stops;
    load.GradientBytes += static_cast<int64_t>(Text.size() + Stops.size() * sizeof(TsGradPie));
    if (load.GradientBytes > acMaxSkinGradientBytes)
        throw ESkinTooLarge("The skin \"" + FSkinName + "\" is not loaded: its sections hold more than " +
                            IntToStr(acMaxSkinGradientBytes / (1024 * 1024)) + " MB of gradients");
}

void TsSkinManager::LoadGeneralDataFromDescription() {
    TCustomIniFile& ini = *FDescription;
    TsSkinData& d = *FSkinData;
    d.Version = ParseVersion(ini.ReadString("GLOBALINFO", "VERSION", "0"));
    d.Author = ini.ReadString("GLOBALINFO", "AUTHOR", "");
    d.Description = ini.ReadString("GLOBALINFO", "DESCRIPTION", "");
    d.Shadow1Color = ini.ReadInteger("GLOBALINFO", "SHADOW1COLOR", 0);
    // A value that is no number counts as absent.
    d.Shadow1Offset = StrToIntDef(ini.ReadString("GLOBALINFO", "SHADOW1OFFSET", "0"), 0);
    d.Shadow1Blur = StrToIntDef(ini.ReadString("GLOBALINFO", "SHADOW1BLUR", "-1"), -1);
    d.Shadow1Transparency = StrToIntDef(ini.ReadString("GLOBALINFO", "SHADOW1TRANSPARENCY", "0"), 0);
    d.BISpacing = ini.ReadInteger("GLOBALINFO", "BISPACE", 0);
    d.BIVAlign = ini.ReadInteger("GLOBALINFO", "BIVALIGN", 0);
    d.BorderColor = ini.ReadInteger("GLOBALINFO", "BORDERCOLOR", 0);
    CheckVersion();

    static const char* const fontKeys[5] = {"FONTCOLOR", "TCLEFT", "TCTOP", "TCRIGHT", "TCBOTTOM"};
    static const char* const hotFontKeys[5] = {"HOTFONTCOLOR", "HOTTCLEFT", "HOTTCTOP", "HOTTCRIGHT", "HOTTCBOTTOM"};
    TStringList names;
    ini.ReadSections(&names);
    Sections.reserve(static_cast<size_t>(names.Count()));
    for (int i = 0; i < names.Count(); ++i) {
        std::string s = names[i];
        TsGeneralData g;
        g.ClassName = s;
        g.ParentClass = ini.ReadString(s, "PARENTCLASS", "");
        g.Color = ColorToRGB(ReadSkinInteger(s, "COLOR", 0xFFFFFF));
        for (int c = 0; c < 5; ++c) {
            g.FontColor[c] = ReadSkinInteger(s, fontKeys[c], c == 0 ? 0 : -1);
            g.HotFontColor[c] = ReadSkinInteger(s, hotFontKeys[c], c == 0 ? 0 : -1);
        }
        g.GiveOwnFont = IsTrue(ReadSkinString(s, "GIVEOWNFONT", "FALSE"));
        g.ReservedBoolean = IsTrue(ReadSkinString(s, "RESERVEDBOOLEAN", "FALSE"));
        g.Transparency = ReadSkinInteger(s, "TRANSPARENCY", 0);
        g.GradientPercent = ReadSkinInteger(s, "GRADIENTPERCENT", 0);
        ReadSectionGradient(s, "GRADIENTDATA", " ", g.GradientData, g.GradientArray);
        g.ImagePercent = ReadSkinInteger(s, "IMAGEPERCENT", 0);
        g.ShowFocus = IsTrue(ReadSkinString(s, "SHOWFOCUS", "FALSE"));
        g.FadingEnabled = IsTrue(ReadSkinString(s, "FADINGENABLED", "FALSE"));
        g.FadingIterations = ReadSkinInteger(s, "FADINGITERATIONS", 5);
        g.HotColor = ReadSkinInteger(s, "HOTCOLOR", 0xFFFFFF);
        g.HotTransparency = ReadSkinInteger(s, "HOTTRANSPARENCY", 0);
        g.HotGradientPercent = ReadSkinInteger(s, "HOTGRADIENTPERCENT", 0);
        ReadSectionGradient(s, "HOTGRADIENTDATA", "", g.HotGradientData, g.HotGradientArray);
        g.HotImagePercent = ReadSkinInteger(s, "HOTIMAGEPERCENT", 0);
        Sections.push_back(std::move(g));
    }
}

void TsSkinManager::LoadGeneralDataFromStoredSkin(TsStoredSkin* Skin) {
    TsSkinData& d = *FSkinData;
    d.Version = Skin->Version;
    d.Author = Skin->Author;
    d.Description = Skin->Description;
    d.Shadow1Color = Skin->Shadow1Color;
    d.Shadow1Offset = Skin->Shadow1Offset;
    d.Shadow1Blur = Skin->Shadow1Blur;
    d.Shadow1Transparency = Skin->Shadow1Transparency;
    d.BorderColor = Skin->BorderColor;
    CheckVersion();
    for (int i = 0; i < Skin->GeneralData()->Count(); ++i) {
        TsSkinGeneral* s = Skin->GeneralData()->Items(i);
        TsGeneralData g;
        g.ClassName = s->SectionName;
        g.ParentClass = s->ParentClass;
        g.Color = s->Color;
        g.ReservedBoolean = s->ReservedBoolean;
        g.GiveOwnFont = s->GiveOwnFont;
        g.Transparency = s->Transparency;
        g.GradientPercent = s->GradientPercent;
        g.ImagePercent = s->ImagePercent;
        g.GradientData = s->GradientData;
        ReadGradient(g.GradientData, g.GradientArray);
        g.ShowFocus = s->ShowFocus;
        g.FadingEnabled = s->FadingEnabled;
        g.FadingIterations = s->FadingIterations;
        g.HotColor = s->HotColor;
        g.HotTransparency = s->HotTransparency;
        g.HotGradientPercent = s->HotGradientPercent;
        g.HotGradientData = s->HotGradientData;
        ReadGradient(g.HotGradientData, g.HotGradientArray);
        g.HotImagePercent = s->HotImagePercent;
        // A stored section's colours are all 0 unless its text gives exactly five numbers.
        std::fill(std::begin(g.FontColor), std::end(g.FontColor), 0);
        std::fill(std::begin(g.HotFontColor), std::end(g.HotFontColor), 0);
        ReadFiveColors(s->FontColor, g.FontColor);
        ReadFiveColors(s->HotFontColor, g.HotFontColor);
        Sections.push_back(std::move(g));
    }
}

void TsSkinManager::MergeCommonSections() {
    if (FCommonSections->Count() == 0)
        return;
    auto ini = IniOfLines(FCommonSections.get());
    TStringList names;
    ini->ReadSections(&names);
    for (int n = 0; n < names.Count(); ++n) {
        std::string name = names[n];
        int existing = GetSkinIndex(name);
        TsGeneralData merged;
        std::optional<TsGeneralData> fallback;
        if (existing >= 0) {
            merged = Sections[existing];
            fallback = Sections[existing];
        } else {
            merged.ClassName = name;
            merged.ParentClass = UpperCase(ini->ReadString(name, "PARENTCLASS", "-1"));
            for (const TsGeneralData& g : Sections)
                if (UpperCase(g.ClassName) == merged.ParentClass) {
                    fallback = g;
                    break;
                }
        }
        // A key that is absent ("?" for texts, -1 for numbers) takes the fallback's value, else the default.
        auto number = [&](const char* key, int fallbackValue, int def) {
            int v = HexTextToInt(ini->ReadString(name, key, ""), -1);
            return v != -1 ? v : fallback ? fallbackValue : def;
        };
        auto text = [&](const char* key, const std::string& fallbackValue, const std::string& def, bool& given) {
            std::string v = ini->ReadString(name, key, "?");
            given = v != "?";
            return given ? v : fallback ? fallbackValue : def;
        };
        auto flag = [&](const char* key, bool fallbackValue) {
            std::string v = ini->ReadString(name, key, "?");
            return v != "?" ? IsTrue(v) : fallback && fallbackValue;
        };
        const TsGeneralData& f = fallback ? *fallback : merged;
        bool given = false;
        // A gradient given here is parsed; an absent one keeps the fallback's stops.
        auto gradient = [&](const char* key, std::string TsGeneralData::*data, TsGradArray TsGeneralData::*stops,
                            const std::string& def) {
            merged.*data = text(key, f.*data, def, given);
            if (given) {
                (merged.*stops).clear();
                if (merged.*data != " ")
                    ReadGradient(merged.*data, merged.*stops);
            } else {
                merged.*stops = fallback ? f.*stops : TsGradArray{};
            }
        };
        if (existing >= 0)
            merged.ParentClass = text("PARENTCLASS", f.ParentClass, "", given);
        int color = HexTextToInt(ini->ReadString(name, "COLOR", ""), -1);
        merged.Color = color != -1 ? ColorToRGB(color) : fallback ? f.Color : 0xFFFFFF;
        static const char* const fontKeys[5] = {"FONTCOLOR", "TCLEFT", "TCTOP", "TCRIGHT", "TCBOTTOM"};
        static const char* const hotFontKeys[5] = {"HOTFONTCOLOR", "HOTTCLEFT", "HOTTCTOP", "HOTTCRIGHT",
                                                   "HOTTCBOTTOM"};
        for (int c = 0; c < 5; ++c) {
            merged.FontColor[c] = number(fontKeys[c], f.FontColor[c], c == 0 ? 0 : -1);
            merged.HotFontColor[c] = number(hotFontKeys[c], f.HotFontColor[c], c == 0 ? 0 : -1);
        }
        merged.GiveOwnFont = flag("GIVEOWNFONT", f.GiveOwnFont);
        merged.ReservedBoolean = flag("RESERVEDBOOLEAN", f.ReservedBoolean);
        merged.Transparency = number("TRANSPARENCY", f.Transparency, 0);
        merged.GradientPercent = number("GRADIENTPERCENT", f.GradientPercent, 0);
        gradient("GRADIENTDATA", &TsGeneralData::GradientData, &TsGeneralData::GradientArray, " ");
        merged.ImagePercent = number("IMAGEPERCENT", f.ImagePercent, 0);
        merged.ShowFocus = flag("SHOWFOCUS", f.ShowFocus);
        merged.FadingEnabled = flag("FADINGENABLED", f.FadingEnabled);
        merged.FadingIterations = number("FADINGITERATIONS", f.FadingIterations, 5);
        merged.HotColor = number("HOTCOLOR", f.HotColor, 0xFFFFFF);
        merged.HotTransparency = number("HOTTRANSPARENCY", f.HotTransparency, 0);
        merged.HotGradientPercent = number("HOTGRADIENTPERCENT", f.HotGradientPercent, 0);
        gradient("HOTGRADIENTDATA", &TsGeneralData::HotGradientData, &TsGeneralData::HotGradientArray, "");
        merged.HotImagePercent = number("HOTIMAGEPERCENT", f.HotImagePercent, 0);
        if (existing >= 0)
            Sections[existing] = std::move(merged);
        else
            Sections.push_back(std::move(merged));
    }
}

// --- recolouring ---

namespace {

template <class F>
void RecolourSkin(TsSkinManager& Manager, F&& Change) {
    ForEachPixel(Manager.MasterBitmap.get(), Change);
    // Images of one file share its bitmap, which is turned once.
    std::unordered_set<TBitmap*> done;
    for (TsMaskData& mask : Manager.Masks)
        if (done.insert(mask.Bmp.get()).second)
            ForEachPixel(mask.Bmp.get(), Change);
    for (TsGeneralData& g : Manager.Sections) {
        g.Color = Change(g.Color);
        g.HotColor = Change(g.HotColor);
        for (int c = 0; c < 5; ++c) {
            if (g.FontColor[c] != -1)
                g.FontColor[c] = Change(g.FontColor[c]);
            if (g.HotFontColor[c] != -1)
                g.HotFontColor[c] = Change(g.HotFontColor[c]);
        }
        size_t stops = std::min<size_t>(static_cast<size_t>(WordCount(g.GradientData, ";") / 5), g.GradientArray.size());
        for (size_t i = 0; i < stops; ++i) {
            g.GradientArray[i].Color1 = Change(g.GradientArray[i].Color1);
            g.GradientArray[i].Color2 = Change(g.GradientArray[i].Color2);
        }
        for (TsGradPie& pie : g.HotGradientArray) {
            pie.Color1 = Change(pie.Color1);
            pie.Color2 = Change(pie.Color2);
        }
    }
    TsSkinData* d = Manager.SkinData();
    d->Shadow1Color = Change(d->Shadow1Color);
    d->BorderColor = Change(d->BorderColor);
}

}  // namespace

void TsSkinManager::ApplyHueOffset(int Value) {
    if (Value == 0)
        return;
    RecolourSkin(*this, [Value](TColor c) { return ChangeHue(Value, c); });
}

void TsSkinManager::ApplySaturation(int Value) {
    if (Value == 0)
        return;
    // The remainder keeps the sign of -Value: 30 gives -30, 150 gives -49, -150 gives 49.
    int amount = (-Value) % 101;
    RecolourSkin(*this, [amount](TColor c) { return ChangeSaturation(c, amount); });
}
