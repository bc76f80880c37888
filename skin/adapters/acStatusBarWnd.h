#pragma once
// The status-bar adapter: the bar's section, every panel framed with the section's "STATUSPANELMASK" (or a
// "DIVIDER" at its right edge) and the panel texts of the class library's status bar in the skin's font colour,
// shortened with "..." to fit; a bar with a size grip shows the skin's grip image.
#include "acSBUtils.h"

class TStatusBar;

class TacStatusBarWnd : public TacMainWnd {
    CLASS_INFO(TacStatusBarWnd, TacMainWnd)
public:
    void Init(HWND AHandle, TsCommonData* ASkinData, TsSkinManager* ASkinManager, const std::string& SkinSection,
              bool Repaint) override;
    void WndProc(TMessage& Message) override;

    // The owner status bar, nil when the skin data has no owner control of the class library's status bar class.
    TStatusBar* StatusBar = nullptr;

    // Composes the bar in the cache bitmap.
    void PrepareCache();

private:
    void PaintClient(HDC DC);
    void PaintBorder(HDC DC);
    void PaintPanel(int Index, const TRect& R, bool Simple);
    // The skin's size grip at the bottom-right corner of a bar that has one.
    void PaintGrip();
    std::string PanelText(int Index, bool Simple) const;
    bool Skinned() const;
};
