#pragma once
// The adapter of a standard dialog or message box that the dialog hook skins: it draws the whole non-client area
// (borders, caption strip, icon, caption text and its own title buttons) from the skin, gives the window the
// skin's region, paints the client background with the "DIALOG" section and offers a skinned system menu.
#include "sSkinProvider.h"

#include "skin/adapters/acScrollBars.h"
#include "skin/engine/sConst.h"

#include "classlib/visual/Graphics.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

class TacProvider;
class TacSystemMenu;

// One title button of a skinned dialog: the same record as a skinned form's caption button.
using TacTitleButton = TsCaptionButton;

class TacDialogWnd : public TacScrollWnd {
    CLASS_INFO(TacDialogWnd, TacScrollWnd)
public:
    TacDialogWnd();
    ~TacDialogWnd() override;
    void Init(HWND AHandle, TsCommonData* ASkinData, TsSkinManager* ASkinManager, const std::string& SkinSection,
              bool Repaint) override;
    void WndProc(TMessage& Message) override;
    // Gives back what the adapter changed of the window: its system-menu style and its region.
    void RestoreStdParams() override;

    // Reads the window's style, its frame kind, icon and caption font, and takes WS_SYSMENU out of the style so
    // that the system draws no buttons of its own.
    void InitTitle();
    // The title buttons' glyphs from GLOBALINFO: the big set for the kinds 1 and 3, else the small one.
    void LoadButtonIndexes();
    // Composes the frame into the cache bitmap when the background changed, then copies its strips to DC (the
    // window DC when nil).
    void PaintFrame(HDC DC);

    // --- metrics by the frame kind and style ---
    int CaptionHeight() const;
    int BorderWidth() const;
    int BorderHeight() const;
    // Where the client area lies in the window.
    TPoint ClientOffset() const;

    // --- button rules, from the stored style ---
    bool CloseShown() const { return (Style & WS_SYSMENU) != 0; }
    bool MaxShown() const { return (Style & WS_MAXIMIZEBOX) != 0; }
    bool MinShown() const { return (Style & WS_MINIMIZEBOX) != 0; }
    bool HelpShown() const { return (ExStyle & WS_EX_CONTEXTHELP) != 0; }
    bool CloseEnabled() const;
    bool MaxEnabled() const;
    bool RestoreEnabled() const;
    bool MinEnabled() const;

    // The hit-test code of the hot or pressed title button: 0 none, HTMINBUTTON, HTMAXBUTTON, HTCLOSE or HTHELP.
    int HotButton = 0;
    TacTitleButton BtnMin, BtnMax, BtnClose, BtnHelp;
    HICON Icon = nullptr;
    // The window icon at small-icon size on $FF00FF (transparent), made with the title.
    std::unique_ptr<TBitmap> IconBmp;
    // The caption as wide text, read again at every frame paint: a caption outside the code page keeps its
    // characters.
    std::wstring WndTextW;
    std::unique_ptr<TFont> CaptionFont;
    LONG_PTR Style = 0, ExStyle = 0;
    bool RgnChanged = true;
    int WndWidth = 0, WndHeight = 0;
    // 0 modal frame, 1 not yet known, 2 popup without a caption, 3 sizeable; 4 and 5 are the small-caption kinds.
    uint8_t Kind = 1;
    std::unique_ptr<TBitmap> TitleBG;
    // The title bar behind the title buttons as the last composition of the frame left it: a button that changes
    // its state is drawn again over it, without composing the whole frame.
    std::unique_ptr<TBitmap> ButtonsBG;
    std::unique_ptr<TacSystemMenu> SysMenu;
    TacProvider* Provider = nullptr;
    bool Active = true;
    bool ChildrenAdapted = false;
    bool Painted = false;
    // The transparent rectangles that the region leaves out (window coordinates).
    TAOR RegionRects;
    // A title button is held down.
    bool Pressing = false;

private:
    TacTitleButton* ButtonOfCode(int Code);
    void SetHotButton(int Code, bool Repaint);
    void PressButton(int Code);
    void RepaintFrame();
    // Draws the title buttons again over ButtonsBG and shows them; the whole frame when the cache is not current.
    void RepaintButtons();
    void UpdateRegion();
    void ShowSystemMenu(int X, int Y);
    LRESULT HitTest(TMessage& Message);
    void ButtonDown(TMessage& Message);
    void ButtonUp(TMessage& Message);
    void EraseBackground(TMessage& Message);
    void ComposeFrame();
    // Lays the title buttons out and draws them; FromSaved takes the bar behind them from ButtonsBG instead of
    // painting (and saving) it.
    void PaintTitleButtons(TBitmap* Cache, TsSkinManager* Manager, bool FromSaved);
    void MakeIconBmp();
    void PaintCaptionText(TBitmap* Cache, TsSkinManager* Manager, int TextLeft, int TextRight);

    bool FSysMenuRemoved = false;
    bool FDying = false;
    bool FRegionSet = false;
    int FButtonsLeft = 0;
    // Where ButtonsBG lies in the window.
    TRect FButtonsRect;
    // The window's size when the region was last built.
    TSize FRegionSize;
    HBRUSH FBrush = nullptr;
    TColor FBrushColor = clNone;
};

// Set while the dialog adapter gives its window a region, so that the non-client painting the change causes does
// not build the region again.
extern bool acDialogRegionChanging;
