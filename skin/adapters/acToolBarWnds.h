#pragma once
// Adapters of toolbars: a bare toolbar window of a standard dialog whose buttons the adapter paints itself, and a
// class-library toolbar whose custom drawing the adapter takes over (background from the cache, every button with
// its frame, caption, image and drop-down part, and the hot button of a non-flat bar).
#include "acSBUtils.h"

#include "classlib/ComCtrls.h"

// A toolbar window ("toolbarwindow32") of a standard dialog.
class TacToolBarWnd : public TacMainWnd {
    CLASS_INFO(TacToolBarWnd, TacMainWnd)
public:
    void WndProc(TMessage& Message) override;

    // The client rectangle and the width of the frame around it.
    TRect ClientR;
    int BorderOffset = 0;

private:
    void PrepareDlgToolBar();
    bool Busy();
    void PaintDlgToolBar(TMessage& Message);
    void PaintDlgToolBarNC();
    void PaintDlgButton(int Index, const TRect& R, TBitmap* Target);
};

// A class-library toolbar listed among the manager's toolbars.
class TacToolBarVCLWnd : public TacMainWnd {
    CLASS_INFO(TacToolBarVCLWnd, TacMainWnd)
public:
    ~TacToolBarVCLWnd() override;
    // Installs the adapter as the toolbar's custom-draw handlers.
    void Init(HWND AHandle, TsCommonData* ASkinData, TsSkinManager* ASkinManager, const std::string& SkinSection,
              bool Repaint) override;
    void WndProc(TMessage& Message) override;

    void CustomDrawToolBar(TToolBar* Sender, const TRect& ARect, TCustomDrawStage Stage, bool& DefaultDraw);
    void CustomDrawButton(TToolBar* Sender, TToolButton* Button, TCustomDrawState State, TCustomDrawStage Stage,
                          TTBCustomDrawFlags& Flags, bool& DefaultDraw);
    // Paints one button at once.
    void RepaintButton(int Index);
    // The button under a point of the client area; -1 for none and for separators.
    int ButtonAt(const TPoint& P) const;
    void PrepareCache();

    TToolBar* ToolBar = nullptr;
    // The button whose drop-down menu is open.
    TToolButton* DroppedButton = nullptr;
    int HotButton = -1;

private:
    void PaintToolBarNC(HDC DC);
    TPoint ClientOrigin() const;
    bool Tracking() const;

    TTBAdvancedCustomDrawEvent FOldDraw;
    TTBAdvancedCustomDrawBtnEvent FOldDrawButton;
};
