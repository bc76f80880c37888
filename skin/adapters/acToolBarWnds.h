#pragma once
// Adapters of toolbars: a bare toolbar window of a standard dialog whose buttons the adapter paints itself, and a
// class-library toolbar whose custom drawing the adapter takes over (background from the cache, every button with
// its frame, caption, image and drop-down part, and the hot button of a non-flat bar).
#include "acSBUtils.h"

#include "classlib/visual/ComCtrls.h"

#include <memory>

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
    // Gives the toolbar its own custom-draw handlers back where it still holds the adapter's.
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
    void GiveHandlersBack();

    // What the handlers installed in the toolbar reach the adapter through: cleared when the adapter goes, so
    // that handlers the toolbar still holds then draw the toolbar's own look instead of calling a freed adapter.
    struct TLink {
        TacToolBarVCLWnd* Adapter = nullptr;
    };
    std::shared_ptr<TLink> FLink;
    bool FHandlersInstalled = false;
    TTBAdvancedCustomDrawEvent FOldDraw;
    TTBAdvancedCustomDrawBtnEvent FOldDrawButton;
};
