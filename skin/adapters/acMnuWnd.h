#pragma once
// The popup-menu window adapter: while a skinned menu is shown, a popup-menu window ("#32768") gets the skin's
// menu background and a 3-pixel skinned frame; the items themselves are drawn by the skinned menus.
#include "acScrollBars.h"

// Library-wide: a skinned form shows a menu (the form's provider sets it; a menu window that goes clears it).
extern bool acMenuActive;
// Library-wide: the skinned menus paint the popup frames.
extern bool acPopupFrameSkinned;

class TacMnuWnd : public TacScrollWnd {
    CLASS_INFO(TacMnuWnd, TacScrollWnd)
public:
    void Init(HWND AHandle, TsCommonData* ASkinData, TsSkinManager* ASkinManager, const std::string& SkinSection,
              bool Repaint) override;
    void WndProc(TMessage& Message) override;
    // Composes the menu background with its frame in the cache bitmap, when the background changed.
    virtual void PrepareCache();

    // Set by skin command 14 while the window is visible: the background must be painted again.
    int Erased = 0;
};
