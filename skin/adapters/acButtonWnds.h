#pragma once
// Adapters of push buttons: the button painted with its section in the normal, hot (mouse over, focus or default)
// or pressed state, its caption in the section's font colours with the focus frame the section asks for, a disabled
// button faded into its parent's background; and the same with a glyph beside the caption.
#include "acSBUtils.h"

// A push button: a standard dialog's button window or a class-library button.
class TacBtnWnd : public TacMainWnd {
    CLASS_INFO(TacBtnWnd, TacMainWnd)
public:
    void RestoreStdParams() override { TacMainWnd::RestoreStdParams(); }
    void SetSkinParams() override { TacMainWnd::SetSkinParams(); }
    void WndProc(TMessage& Message) override;

    // 2 pressed; else 0 disabled; else 1 focused, hot or default; else 0.
    int ButtonState() const;
    // The painting of WM_PAINT and WM_PRINT: the cache prepared and copied to the window (or WParam's DC).
    void PrintButton(TMessage& Message);

    // The painting steps, each replaceable.
    virtual void DrawCaption();
    // A standard button window of the bitmap or icon style shows its image; others have no glyph here.
    virtual void DrawGlyph();
    virtual void GlyphSize(TSize& Size) { Size.cx = 0; }
    virtual void WriteCaption(TRect R, UINT Flags);
    virtual void CaptionRect(TRect& R);
    virtual int MaxCaptionWidth();
    virtual void CaptionSize(TSize& Size);
    virtual void PrepareCache();

protected:
    // The image of a standard button window of the bitmap or icon style, nil for any other button.
    HANDLE StyleImage(bool& IsIcon) const;
    // The font of the caption into the cache canvas: the owner control's, else a copy of the window's.
    void SelectCaptionFont();
    bool Pushed() const;
    const TsGeneralData* Section() const;
};

// A push button with a glyph: a class-library TBitBtn, or a standard button window with a bitmap.
class TacBitBtnWnd : public TacBtnWnd {
    CLASS_INFO(TacBitBtnWnd, TacBtnWnd)
public:
    void DrawGlyph() override;
    void GlyphSize(TSize& Size) override;
    void CaptionRect(TRect& R) override;
    int MaxCaptionWidth() override;
    // Where the glyph goes in the cache bitmap; empty without a glyph.
    TRect GlyphRect();
};
