#pragma once
// TPngBitBtn: an owner-drawn push button whose glyph is a PNG with alpha.
#include "classlib/visual/Buttons.h"
#include "pngctl/PngButtonFunctions.h"
#include "pngctl/PngFunctions.h"
#include "pngctl/PngImage.h"

#include <memory>

// A bit button that draws a PNG beside its caption, with the disabled look of PngOptions while disabled. The
// inherited Glyph is not drawn.
class TPngBitBtn : public TBitBtn {
    CLASS_INFO(TPngBitBtn, TBitBtn)
public:
    explicit TPngBitBtn(TComponent* AOwner);
    ~TPngBitBtn() override;

    // Never nil; a change to it (also loading a file into it) repaints the button.
    TPNGObject* PngImage() const { return FPngImage.get(); }
    // Copies Value (nil empties the glyph). A colour image loses its gAMA chunk: glyphs are drawn as stored. The
    // image is then the button's own, also when it came from the action before.
    void SetPngImage(TPNGObject* Value);
    TPngOptions PngOptions() const { return FPngOptions; }
    void SetPngOptions(TPngOptions Value);
    // The PNG is the action's image (and is not stored with the button).
    bool ImageFromAction() const { return FImageFromAction; }
    // Whether the mouse is over the button, as the themed face shows it.
    bool MouseInControl() const { return FMouseInControl; }
    void Dispatch(TMessage& Message) override;

protected:
    void DrawItem(const DRAWITEMSTRUCT& DrawItemStruct) override;
    // An action's image from its list's images becomes the PNG, unless the button has one of its own.
    void ActionChange(TObject* Sender, bool CheckDefaults) override;
    // Whether the button is drawn with the system's visual style.
    virtual bool UseThemes() const { return ThemesEnabled(); }

private:
    // Draws the themed face into R and leaves in R the room inside it; false when the style has no button.
    bool DrawThemedFace(HDC DC, TRect& R, bool IsDown, bool IsDefault);
    void DrawClassicFace(HDC DC, TRect& R, bool IsDown, bool IsDefault, bool Disabled);

    std::unique_ptr<TPNGObject> FPngImage;
    TPngOptions FPngOptions{pngBlendOnDisabled};
    bool FMouseInControl = false;
    bool FImageFromAction = false;
    bool FTakingActionImage = false;
};
