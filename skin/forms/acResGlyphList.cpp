#include "acResGlyphList.h"

#include "skin/engine/acPNG.h"

#include "classlib/runtime/ExceptionHandler.h"
#include "classlib/runtime/Streams.h"
#include "classlib/runtime/SysUtils.h"

#include <memory>

// The module this code is linked into: its resources hold the strips.
extern "C" IMAGE_DOS_HEADER __ImageBase;

const char* const ResGlyphNames[5] = {"SF", "SR", "SD", "SE", "SC"};

void AddResGlyphs(TsAlphaImageList* List, HINSTANCE Instance, const std::vector<std::string>& Names) {
    for (const std::string& name : Names) {
        TResourceStream stream(Instance, name, RT_RCDATA);
        TPNGGraphic png;
        try {
            png.LoadFromStream(&stream);
        } catch (const Exception& e) {
            throw EInvalidGraphic("The glyph resource " + name + " cannot be read: " + e.Message());
        }
        // Skipping an image would move every later one to another index, where a control would draw the wrong
        // glyph; the list rather ends before it.
        TIcon icon;
        icon.SetHandle(MakeIcon(&png));
        if (icon.Empty())
            RaiseLastOSError(("CreateIconIndirect for the glyph resource " + name).c_str());
        List->AddIcon(&icon);
    }
}

namespace {

struct TResGlyphUnit {
    std::unique_ptr<TsAlphaImageList> List;
    TResGlyphUnit() : List(std::make_unique<TsAlphaImageList>(nullptr)) {
        List->SetWidth(48);
        List->SetHeight(16);
        AddResGlyphs(List.get(), reinterpret_cast<HINSTANCE>(&__ImageBase),
                     std::vector<std::string>(std::begin(ResGlyphNames), std::end(ResGlyphNames)));
    }
};

// Made on first use, and so at the latest by the start-up below; a failed making is tried again by the next use.
TResGlyphUnit& ResGlyphUnit() {
    static TResGlyphUnit unit;
    return unit;
}

// Start-up: the list exists before the program's first window. A failure cannot stop the program here, so it is
// reported through the application's exception handler.
const bool ResGlyphListStarted = [] {
    RunGuarded([] { ResGlyphUnit(); });
    return true;
}();

}  // namespace

TsAlphaImageList* ResGlyphList() { return ResGlyphUnit().List.get(); }
