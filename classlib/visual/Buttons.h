#pragma once
// Buttons with glyphs: the speed button (painted by its parent, with groups of buttons that stay down) and the
// owner-drawn bit button, sharing the placement of glyph and caption.
#include "ExtCtrls.h"
#include "StdCtrls.h"

#include <memory>
#include <string>

enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
enum TButtonState { bsUp, bsDisabled, bsDown, bsExclusive };
enum TBitBtnKind { bkCustom, bkOK, bkCancel, bkHelp, bkYes, bkNo, bkClose, bkAbort, bkRetry, bkIgnore, bkAll };

// Where a glyph of GlyphSize and a caption of TextSize go inside Client: Margin and Spacing -1 mean automatic
// (the free room split evenly). Offset (the pressed shift) moves both.
void CalcButtonLayout(const TRect& Client, TPoint Offset, TSize GlyphSize, TSize TextSize, TButtonLayout Layout,
                      int Margin, int Spacing, TPoint& GlyphPos, TRect& TextBounds);

// The glyph of a button: up to four cells side by side (up, disabled, down, stays down), transparent where
// they have the colour of the bottom-left pixel; without a disabled cell one is made, embossed grey.
class TButtonGlyph {
public:
    TButtonGlyph();
    TBitmap* Glyph() const { return FGlyph.get(); }
    int NumGlyphs() const { return FNumGlyphs; }
    void SetNumGlyphs(int Value);
    TSize CellSize() const;
    // Draws glyph and caption into Client of Canvas; returns where the caption went.
    TRect Draw(TCanvas* Canvas, const TRect& Client, TPoint Offset, const std::string& Caption, TButtonLayout Layout,
               int Margin, int Spacing, TButtonState State, UINT BiDiFlags = 0);
    void DrawGlyph(TCanvas* Canvas, TPoint Pos, TButtonState State);
    void DrawCaption(TCanvas* Canvas, const std::string& Caption, TRect Bounds, TButtonState State, UINT BiDiFlags);
    TNotifyEvent OnChange;

private:
    std::unique_ptr<TBitmap> FGlyph;
    int FNumGlyphs = 1;
};

// A button painted by its parent (no window, no focus): it stays down while pressed and, with a GroupIndex,
// stays down as the one chosen of its group; Flat buttons show their frame only under the mouse.
class TSpeedButton : public TGraphicControl {
    CLASS_INFO(TSpeedButton, TGraphicControl)
public:
    explicit TSpeedButton(TComponent* AOwner);
    ~TSpeedButton() override;

    bool AllowAllUp() const { return FAllowAllUp; }
    void SetAllowAllUp(bool Value);
    int GroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(int Value);
    // Only a grouped button stays down; the last one down of a group stays unless AllowAllUp.
    bool Down() const { return FDown; }
    void SetDown(bool Value);
    bool Flat() const { return FFlat; }
    void SetFlat(bool Value);
    TBitmap* Glyph() const { return FGlyph.Glyph(); }
    void SetGlyph(TBitmap* Value);
    int NumGlyphs() const { return FGlyph.NumGlyphs(); }
    void SetNumGlyphs(int Value);
    TButtonLayout Layout() const { return FLayout; }
    void SetLayout(TButtonLayout Value);
    int Margin() const { return FMargin; }
    void SetMargin(int Value);
    int Spacing() const { return FSpacing; }
    void SetSpacing(int Value);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool Value);
    TButtonState State() const { return FState; }
    bool MouseInControl() const { return FMouseInControl; }
    void Dispatch(TMessage& Message) override;
    void Click() override;

protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    TButtonGlyph FGlyph;

private:
    void UpdateExclusive();
    bool FAllowAllUp = false;
    int FGroupIndex = 0;
    bool FDown = false;
    bool FDragging = false;
    bool FFlat = false;
    TButtonLayout FLayout = blGlyphLeft;
    int FMargin = -1;
    int FSpacing = 4;
    bool FTransparent = true;
    TButtonState FState = bsUp;
    bool FMouseInControl = false;
};

// A push button that draws itself (BS_OWNERDRAW) with a glyph beside its caption. Kind gives the caption and
// modal result of the usual dialog buttons.
class TBitBtn : public TButton {
    CLASS_INFO(TBitBtn, TButton)
public:
    explicit TBitBtn(TComponent* AOwner);
    ~TBitBtn() override;

    TBitmap* Glyph() const { return FGlyph.Glyph(); }
    void SetGlyph(TBitmap* Value);
    int NumGlyphs() const { return FGlyph.NumGlyphs(); }
    void SetNumGlyphs(int Value);
    TBitBtnKind Kind() const { return FKind; }
    void SetKind(TBitBtnKind Value);
    TButtonLayout Layout() const { return FLayout; }
    void SetLayout(TButtonLayout Value);
    int Margin() const { return FMargin; }
    void SetMargin(int Value);
    int Spacing() const { return FSpacing; }
    void SetSpacing(int Value);
    // The default-button look the form last gave the button.
    bool IsFocused() const { return FIsFocused; }
    bool MouseInControl() const { return FMouseInControl; }
    void Dispatch(TMessage& Message) override;
    // A bkClose button closes its form.
    void Click() override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void SetButtonStyle(bool ADefault) override;
    // Paints the button for one owner-draw request.
    virtual void DrawItem(const DRAWITEMSTRUCT& DrawItemStruct);
    TCanvas* DrawCanvas() { return &FCanvas; }
    TButtonGlyph FGlyph;

private:
    TBitBtnKind FKind = bkCustom;
    TButtonLayout FLayout = blGlyphLeft;
    int FMargin = -1;
    int FSpacing = 4;
    bool FIsFocused = false;
    bool FMouseInControl = false;
    TCanvas FCanvas;
};
