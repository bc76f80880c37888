#include "PngBitBtn.h"

#include "classlib/runtime/Finally.h"
#include "classlib/runtime/FormResources.h"
#include "classlib/visual/Menus.h"

#include <uxtheme.h>
#include <vssym32.h>

TPngBitBtn::TPngBitBtn(TComponent* AOwner) : TBitBtn(AOwner), FPngImage(std::make_unique<TPNGObject>()) {
    FPngImage->OnChange = [this](TObject*) {
        // Changed from outside (loaded, read from a form): the image is the button's own.
        if (!FTakingActionImage)
            FImageFromAction = false;
        Invalidate();
    };
}

TPngBitBtn::~TPngBitBtn() { FPngImage->OnChange = nullptr; }

void TPngBitBtn::SetPngImage(TPNGObject* Value) {
    FPngImage->Assign(Value);
    RemoveGlyphGamma(FPngImage.get());
    FImageFromAction = false;
    Invalidate();
}

void TPngBitBtn::ActionChange(TObject* Sender, bool CheckDefaults) {
    TBitBtn::ActionChange(Sender, CheckDefaults);
    FTakingActionImage = true;
    auto done = Finally([this] { FTakingActionImage = false; });
    if (TakeActionImage(Sender, FPngImage.get(), FImageFromAction)) {
        FImageFromAction = true;
        Invalidate();
    }
}

void TPngBitBtn::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case CM_MOUSEENTER:
        // Only the themed face shows the mouse over it; the classic one stays as it is.
        TButton::Dispatch(Message);
        if (UseThemes() && !FMouseInControl && !ComponentState().Contains(csDesigning)) {
            FMouseInControl = true;
            Invalidate();
        }
        return;
    case CM_MOUSELEAVE:
        TButton::Dispatch(Message);
        if (UseThemes() && FMouseInControl) {
            FMouseInControl = false;
            Invalidate();
        }
        return;
    }
    TBitBtn::Dispatch(Message);
}

void TPngBitBtn::SetPngOptions(TPngOptions Value) {
    if (Value == FPngOptions)
        return;
    FPngOptions = Value;
    Invalidate();
}

bool TPngBitBtn::DrawThemedFace(HDC DC, TRect& R, bool IsDown, bool IsDefault) {
    HTHEME theme = OpenThemeData(Handle(), L"BUTTON");
    if (!theme)
        return false;
    int state = PBS_NORMAL;
    if (!Enabled())
        state = PBS_DISABLED;
    else if (IsDown)
        state = PBS_PRESSED;
    else if (MouseInControl())
        state = PBS_HOT;
    else if (IsFocused() || IsDefault)
        state = PBS_DEFAULTED;
    // The corners of a themed button are clear: what the parent has there shows through.
    DrawThemeParentBackground(Handle(), DC, &R);
    HRESULT drawn = DrawThemeBackground(theme, DC, BP_PUSHBUTTON, state, &R, nullptr);
    RECT content = R;
    if (SUCCEEDED(drawn))
        GetThemeBackgroundContentRect(theme, DC, BP_PUSHBUTTON, state, &R, &content);
    CloseThemeData(theme);
    if (FAILED(drawn))
        return false;
    R = content;
    return true;
}

void TPngBitBtn::DrawClassicFace(HDC DC, TRect& R, bool IsDown, bool IsDefault, bool Disabled) {
    TCanvas* canvas = DrawCanvas();
    if (IsFocused() || IsDefault) {
        canvas->Pen()->SetColor(clWindowFrame);
        canvas->Pen()->SetWidth(1);
        canvas->Brush()->SetStyle(bsClear);
        canvas->Rectangle(R);
        InflateRect(&R, -1, -1);
    }
    if (IsDown) {
        canvas->Pen()->SetColor(clBtnShadow);
        canvas->Pen()->SetWidth(1);
        canvas->Brush()->SetColor(clBtnFace);
        canvas->Rectangle(R);
        InflateRect(&R, -1, -1);
    } else {
        canvas->Changing();
        DrawFrameControl(DC, &R, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_ADJUSTRECT | (Disabled ? DFCS_INACTIVE : 0));
        canvas->Changed();
    }
    if (IsFocused()) {
        R = ClientRect();
        InflateRect(&R, -1, -1);
    }
    if (IsDown)
        OffsetRect(&R, 1, 1);
}

void TPngBitBtn::DrawItem(const DRAWITEMSTRUCT& DrawItemStruct) {
    TCanvas* canvas = DrawCanvas();
    const bool isDown = DrawItemStruct.itemState & ODS_SELECTED;
    const bool isDefault = DrawItemStruct.itemState & ODS_FOCUS;
    const HDC dc = DrawItemStruct.hDC;
    canvas->SetHandle(dc);
    try {
        canvas->Font()->Assign(Font());
        TRect r = ClientRect();
        const bool themed = UseThemes() && DrawThemedFace(dc, r, isDown, isDefault);
        if (!themed)
            DrawClassicFace(dc, r, isDown, isDefault, DrawItemStruct.itemState & ODS_DISABLED);

        TPoint glyphPos;
        TRect textBounds;
        const std::string caption = Text();
        CalcButtonLayout(canvas, FPngImage.get(), ClientRect(), TPoint(0, 0), caption, Layout(), Margin(), Spacing(),
                         glyphPos, textBounds, 0, false, isDown);
        if (Kind() == bkCustom && !FPngImage->Empty())
            DrawPNG(FPngImage.get(), canvas,
                    TRect(glyphPos.x, glyphPos.y, glyphPos.x + FPngImage->Width(), glyphPos.y + FPngImage->Height()),
                    Enabled() ? TPngOptions{} : FPngOptions);
        if (!caption.empty()) {
            canvas->Brush()->SetStyle(bsClear);
            // A disabled caption is greyed like the glyph, as every other disabled button's is.
            if (!Enabled())
                canvas->Font()->SetColor(clGrayText);
            TRect textRect(textBounds.left, textBounds.top, Width(), Height());
            DrawTextOn(canvas, caption, textRect, DT_SINGLELINE);
        }
        if (IsFocused() && isDefault) {
            if (!themed) {
                r = ClientRect();
                InflateRect(&r, -3, -3);
            }
            canvas->Pen()->SetColor(clWindowFrame);
            canvas->Brush()->SetColor(clBtnFace);
            canvas->DrawFocusRect(r);
        }
    } catch (...) {
        canvas->SetHandle(nullptr);
        throw;
    }
    canvas->SetHandle(nullptr);
}

// --- form storage ---

namespace {

const bool PngBitBtnRegistered = [] {
    RegisterFormClass<TPngBitBtn>([](TFormClass<TPngBitBtn>& c) {
        c.Object("PngImage", &TPngBitBtn::PngImage).Stored([](TPngBitBtn* b) {
            return !b->ImageFromAction() && !b->PngImage()->Empty();
        });
        c.SetOf("PngOptions", &TPngBitBtn::PngOptions, &TPngBitBtn::SetPngOptions,
                {"pngBlendOnDisabled", "pngGrayscaleOnDisabled"})
            .Default(TPngOptions{pngBlendOnDisabled});
    });
    return true;
}();

}  // namespace
