#pragma once
// TPngSpeedButton: a speed button whose glyph is a PNG with alpha.
#include "classlib/visual/Buttons.h"
#include "pngctl/PngFunctions.h"
#include "pngctl/PngImage.h"

#include <memory>

// A speed button that paints its frame and caption as every speed button does, then the PNG where the glyph goes,
// with the disabled look of PngOptions while disabled. Its inherited Glyph is a blank placeholder of the PNG's
// size that keeps the room for the PNG.
class TPngSpeedButton : public TSpeedButton {
    CLASS_INFO(TPngSpeedButton, TSpeedButton)
public:
    explicit TPngSpeedButton(TComponent* AOwner);
    ~TPngSpeedButton() override;

    // Never nil; a change to it (also loading a file into it) renews the placeholder and repaints.
    TPNGObject* PngImage() const { return FPngImage.get(); }
    // Copies Value (nil empties the glyph). A colour image loses its gAMA chunk: glyphs are drawn as stored. The
    // image is then the button's own, also when it came from the action before.
    void SetPngImage(TPNGObject* Value);
    TPngOptions PngOptions() const { return FPngOptions; }
    void SetPngOptions(TPngOptions Value);
    // The PNG is the action's image (and is not stored with the button).
    bool ImageFromAction() const { return FImageFromAction; }

    void Loaded() override;

protected:
    void Paint() override;
    // An action's image from its list's images becomes the PNG, unless the button has one of its own.
    void ActionChange(TObject* Sender, bool CheckDefaults) override;

private:
    // Makes the inherited glyph a button-face bitmap of the PNG's size.
    void CreatePlaceholder();

    std::unique_ptr<TPNGObject> FPngImage;
    TPngOptions FPngOptions{pngBlendOnDisabled};
    bool FImageFromAction = false;
    bool FTakingActionImage = false;
};
