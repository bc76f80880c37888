#pragma once
// Adapters of the static windows of a skinned standard dialog: text labels, icon labels and link windows. Each
// paints the whole window into its cache bitmap while the background is erased; WM_PAINT itself paints nothing.
#include "acSBUtils.h"

// A text label: the section's background, then the window's text in the message font and the section's colours.
class TacStaticWnd : public TacMainWnd {
    CLASS_INFO(TacStaticWnd, TacMainWnd)
public:
    void WndProc(TMessage& Message) override;
    // Draws the window's content into the cache bitmap, which the caller has sized and filled with the background.
    virtual void PaintContent();
    // The painting of WM_ERASEBKGND: geometry, background, content, and the cache copied to the window.
    void PaintStatic(TMessage& Message);

protected:
    // The text as drawn: the window's own text here.
    virtual std::wstring TextToPaint() const { return WndWideText; }
};

// An icon label: the STM_GETICON icon at its own size in the top left corner.
class TacIconWnd : public TacStaticWnd {
    CLASS_INFO(TacIconWnd, TacStaticWnd)
public:
    void PaintContent() override;
};

// A link window: its text without the link tags.
class TacLinkWnd : public TacStaticWnd {
    CLASS_INFO(TacLinkWnd, TacStaticWnd)
protected:
    std::wstring TextToPaint() const override;
};

// Text with every "<a ...>" and "</a>" tag removed, in any letter case.
std::string RemoveLinkTags(const std::string& Text);
std::wstring RemoveLinkTags(const std::wstring& Text);
