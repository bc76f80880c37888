#include "PngSpeedButton.h"

#include "classlib/runtime/Finally.h"
#include "classlib/runtime/FormResources.h"
#include "pngctl/PngButtonFunctions.h"

TPngSpeedButton::TPngSpeedButton(TComponent* AOwner)
    : TSpeedButton(AOwner), FPngImage(std::make_unique<TPNGObject>()) {
    FPngImage->OnChange = [this](TObject*) {
        // Changed from outside (loaded, read from a form): the image is the button's own.
        if (!FTakingActionImage)
            FImageFromAction = false;
        CreatePlaceholder();
        Invalidate();
    };
}

TPngSpeedButton::~TPngSpeedButton() { FPngImage->OnChange = nullptr; }

void TPngSpeedButton::SetPngImage(TPNGObject* Value) {
    FPngImage->Assign(Value);
    RemoveGlyphGamma(FPngImage.get());
    FImageFromAction = false;
    CreatePlaceholder();
    Invalidate();
}

void TPngSpeedButton::ActionChange(TObject* Sender, bool CheckDefaults) {
    TSpeedButton::ActionChange(Sender, CheckDefaults);
    FTakingActionImage = true;
    auto done = Finally([this] { FTakingActionImage = false; });
    if (TakeActionImage(Sender, FPngImage.get(), FImageFromAction)) {
        FImageFromAction = true;
        CreatePlaceholder();
        Invalidate();
    }
}

void TPngSpeedButton::SetPngOptions(TPngOptions Value) {
    if (Value == FPngOptions)
        return;
    FPngOptions = Value;
    CreatePlaceholder();
    Invalidate();
}

void TPngSpeedButton::Loaded() {
    TSpeedButton::Loaded();
    CreatePlaceholder();
}

void TPngSpeedButton::CreatePlaceholder() {
    TBitmap placeholder;
    placeholder.SetPixelFormat(pf24bit);
    placeholder.SetSize(FPngImage->Width(), FPngImage->Height());
    if (!FPngImage->Empty()) {
        placeholder.Canvas()->Brush()->SetColor(clBtnFace);
        placeholder.Canvas()->FillRect(TRect(0, 0, FPngImage->Width(), FPngImage->Height()));
    }
    SetGlyph(&placeholder);
    SetNumGlyphs(1);
}

void TPngSpeedButton::Paint() {
    TSpeedButton::Paint();
    if (FPngImage->Empty())
        return;
    TCanvas* canvas = Canvas();
    canvas->Font()->Assign(Font());
    TPoint glyphPos;
    TRect textBounds;
    CalcButtonLayout(canvas, FPngImage.get(), TRect(0, 0, Width(), Height()), TPoint(0, 0), Text(), Layout(), Margin(),
                     Spacing(), glyphPos, textBounds, 0, State() == bsDown, Down());
    DrawPNG(FPngImage.get(), canvas,
            TRect(glyphPos.x, glyphPos.y, glyphPos.x + FPngImage->Width(), glyphPos.y + FPngImage->Height()),
            Enabled() ? TPngOptions{} : FPngOptions);
}

// --- form storage ---

namespace {

const bool PngSpeedButtonRegistered = [] {
    RegisterFormClass<TPngSpeedButton>([](TFormClass<TPngSpeedButton>& c) {
        c.Object("PngImage", &TPngSpeedButton::PngImage).Stored([](TPngSpeedButton* b) {
            return !b->ImageFromAction() && !b->PngImage()->Empty();
        });
        c.SetOf("PngOptions", &TPngSpeedButton::PngOptions, &TPngSpeedButton::SetPngOptions,
                {"pngBlendOnDisabled", "pngGrayscaleOnDisabled"})
            .Default(TPngOptions{pngBlendOnDisabled});
    });
    return true;
}();

}  // namespace
