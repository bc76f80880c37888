#pragma once
// Adapters of check boxes, radio buttons and group boxes: the check box paints its section, its caption and the
// skin's check glyph for its state; the group box paints its frame below a caption band whose height the rest of
// the library asks for with skin command 27.
#include "acSBUtils.h"

// A check box or radio button: a button window with a check style, or a class-library check box.
class TacCheckBoxWnd : public TacMainWnd {
    CLASS_INFO(TacCheckBoxWnd, TacMainWnd)
public:
    void WndProc(TMessage& Message) override;

    // The glyph of the current check state, -1 without one.
    int GlyphIndex() const;
    // Where the glyph of the checked state sits (16 x 16 at the origin when the skin has none).
    TRect GlyphRect() const;
    // Composes the picture of the check box into the cache bitmap.
    void PrepareCache();

private:
    void PaintCheckBox(TMessage& Message);
    void DrawCaption(const TRect& Glyph);
};

// A group box: a button window of the group-box style, or a class-library group box.
class TacGroupBoxWnd : public TacMainWnd {
    CLASS_INFO(TacGroupBoxWnd, TacMainWnd)
public:
    // Notes whether the owner control was opaque before the adapter makes it so.
    void Init(HWND AHandle, TsCommonData* ASkinData, TsSkinManager* ASkinManager, const std::string& SkinSection,
              bool Repaint) override;
    void WndProc(TMessage& Message) override;

    // The caption band measured with the window's font (also for an empty caption).
    TRect CaptionRect();
    void PrepareCache();

private:
    void PaintGroupBox(TMessage& Message);
    // The part of the parent's background under R of the window, copied into R of the cache.
    void FillFromParent(const TRect& R);
    void SelectFont();

    // The owner control was opaque before the skin came: it stays so when the skin goes.
    bool FOwnerWasOpaque = false;
};
