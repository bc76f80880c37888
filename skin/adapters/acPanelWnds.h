#pragma once
// Adapters of container-like and small windows: class-library panels (section chosen by their bevels, the client
// painted while the background is erased, the border strips at non-client painting), panel windows and
// transparent panels of standard dialogs, up-down controls (two halves painted as buttons with arrow glyphs) and
// the size grip of a dialog.
#include "acSBUtils.h"

class TWinControl;

// A class-library panel listed among the manager's panels.
class TacPanelWnd : public TacMainWnd {
    CLASS_INFO(TacPanelWnd, TacMainWnd)
public:
    // The section follows the owner panel's bevels and border.
    void Init(HWND AHandle, TsCommonData* ASkinData, TsSkinManager* ASkinManager, const std::string& SkinSection,
              bool Repaint) override;
    void WndProc(TMessage& Message) override;
    virtual void PrepareCache();

    // The section a panel with these bevels and border is painted with.
    static std::string SectionOfBevels(int BevelOuter, int BevelInner, bool HasBorder);

private:
    // WindowCoords: DC's origin is the window's top-left corner (else the client area's).
    void PaintClient(HDC DC, bool WindowCoords);
    void PaintBorder(HDC DC);
    TWinControl* Owner() const;

    // The owner panel was opaque before the skin came: it stays so when the skin goes.
    bool FOwnerWasOpaque = false;
};

// A panel window inside a skinned standard dialog, of the class library or not: a 6-pixel skinned frame with the
// window's own content inside it.
class TacDlgPanelWnd : public TacMainWnd {
    CLASS_INFO(TacDlgPanelWnd, TacMainWnd)
public:
    void Init(HWND AHandle, TsCommonData* ASkinData, TsSkinManager* ASkinManager, const std::string& SkinSection,
              bool Repaint) override;
    void SetSkinParams() override;
    // Gives the class-library panel the colour it had before the skin came.
    void RestoreStdParams() override;
    void WndProc(TMessage& Message) override;
    virtual void PrepareCache();

    // The class-library control of the window, nil for a bare window.
    TWinControl* Panel = nullptr;

private:
    void PaintDlgClient(HDC DC);
    void PaintDlgBorder(HDC DC);
    void TakeGlobalColor();
};

// A transparent panel inside a dialog: shows its parent's picture under its children.
class TacTransPanelWnd : public TacMainWnd {
    CLASS_INFO(TacTransPanelWnd, TacMainWnd)
public:
    void WndProc(TMessage& Message) override;
    virtual void PaintPanel(TMessage& Message);
};

// An up-down control: both halves as buttons of the section, pressed while the mouse button is down over them.
class TacSpinWnd : public TacMainWnd {
    CLASS_INFO(TacSpinWnd, TacMainWnd)
public:
    void WndProc(TMessage& Message) override;
    void PrepareCache();

    // The left mouse button is down on the control.
    bool Pressed = false;
    // The states of the first (upper or left) and the second half: 0 or 2.
    int State1 = 0;
    int State2 = 0;

private:
    void PaintSpin(TMessage& Message);
};

// The size grip of a dialog: the skin's grip image over the parent's background; the whole window sizes the dialog.
class TacSizerWnd : public TacMainWnd {
    CLASS_INFO(TacSizerWnd, TacMainWnd)
public:
    void WndProc(TMessage& Message) override;

private:
    void PaintSizer();
};
