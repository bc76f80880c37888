#pragma once
// The skin provider of a form and the settings objects it publishes for its title bar.
#include "sCtrlAdapter.h"
#include "skin/adapters/acScrollBars.h"
#include "skin/engine/acSkinHooks.h"
#include "skin/engine/sConst.h"

#include "classlib/runtime/Collections.h"
#include "classlib/visual/Controls.h"
#include "classlib/visual/Graphics.h"
#include "classlib/visual/StdCtrls.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

// --- title icon and extra title buttons ---

// The icon a skinned form shows in its caption instead of the form's own icon, with the size to draw it at.
class TsTitleIcon : public TPersistent {
    CLASS_INFO(TsTitleIcon, TPersistent)
public:
    TsTitleIcon();
    ~TsTitleIcon() override;
    TsTitleIcon(const TsTitleIcon&) = delete;
    TsTitleIcon& operator=(const TsTitleIcon&) = delete;

    TBitmap* Glyph() const { return FGlyph.get(); }
    // Copies Value; the caller keeps its own bitmap.
    void SetGlyph(TBitmap* Value) { FGlyph->Assign(Value); }
    int Height() const { return FHeight; }
    void SetHeight(int Value) { FHeight = Value; }
    int Width() const { return FWidth; }
    void SetWidth(int Value) { FWidth = Value; }

private:
    std::unique_ptr<TBitmap> FGlyph;
    int FHeight = 0;
    int FWidth = 0;
};

// One extra button in a skinned form's caption; the provider places, paints and hit-tests it, the application
// gets its mouse events.
class TsTitleButton : public TCollectionItem {
    CLASS_INFO(TsTitleButton, TCollectionItem)
public:
    TsTitleButton();
    ~TsTitleButton() override;

    // Draw with the skin's "TITLEBUTTON" section rather than plain.
    bool UseSkinData() const { return FUseSkinData; }
    void SetUseSkinData(bool Value) { FUseSkinData = Value; }
    const std::string& Name() const { return FName; }
    void SetName(const std::string& Value);
    TBitmap* Glyph() const { return FGlyph.get(); }
    // Copies Value; the caller keeps its own bitmap.
    void SetGlyph(TBitmap* Value) { FGlyph->Assign(Value); }
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value) { FEnabled = Value; }

    std::string DisplayName() const override { return FName; }
    void SetDisplayName(const std::string& Value) override { SetName(Value); }

    TMouseEvent OnMouseUp;
    TMouseEvent OnMouseDown;

    // Called by the provider from its non-client mouse handling; each calls its event with this button as Sender.
    void DoMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    void DoMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);

    // The provider's run-time state of the button, written and read only by the provider: where it lies in the
    // window (window coordinates) and whether the mouse is over it or holds it down.
    RECT BtnRect{};
    bool HotState = false;
    bool Pressed = false;

private:
    bool FUseSkinData = true;
    std::string FName;
    std::unique_ptr<TBitmap> FGlyph;
    bool FEnabled = true;
};

// The extra title buttons of a skinned form, owned by its provider.
class TsTitleButtons : public TCollection {
    CLASS_INFO(TsTitleButtons, TCollection)
public:
    explicit TsTitleButtons(TPersistent* AOwner);
    ~TsTitleButtons() override;

    TPersistent* GetOwner() override { return FOwner; }
    TsTitleButton* Items(int Index) const { return static_cast<TsTitleButton*>(TCollection::Items(Index)); }
    TsTitleButton* Add() { return static_cast<TsTitleButton*>(TCollection::Add()); }

private:
    TPersistent* FOwner;
};

// --- the skin provider ---

class TCustomForm;
class TForm;
class TsCommonData;
class TsSkinManager;
class TsSkinProvider;
class TsSystemMenu;
class TsMDIForm;
class TMenuItem;

enum TsGripMode { gmNone, gmRightBottom };
enum TsResizeMode { rmStandard, rmBorder };

// The entry points of the desktop composition library, loaded on first use. Tests may put others in their place.
struct TacDwmEntryPoints {
    HRESULT(WINAPI* SetWindowAttribute)(HWND, DWORD, LPCVOID, DWORD) = nullptr;
    HRESULT(WINAPI* IsCompositionEnabled)(BOOL*) = nullptr;
    bool Loaded = false;
};
TacDwmEntryPoints& acDwm();
// Switches the provider's use of desktop composition on; off from the start.
extern bool acDwmSwitch;
// DwmSetWindowAttribute through the loaded entry point; E_NOTIMPL without the library or the entry.
HRESULT acDwmSetWindowAttribute(HWND Wnd, DWORD Attribute, LPCVOID Value, DWORD Size);
// Desktop composition is switched on for the provider and enabled in the system.
bool acDwmAvailable();
// Lets the system draw the frame of Wnd (Skinned false) or leaves it to the skin.
void acSetDwmNcPolicy(HWND Wnd, bool Skinned);

// One caption button of a skinned form: its state (0 normal, 1 hot, 2 pressed), its glyph (skin image index, -1
// none), its place in window coordinates, and whether the glyph is of the big set.
struct TsCaptionButton {
    int State = 0;
    int ImageIndex = -1;
    TRect Rect;
    bool Big = true;
};

// Makes a whole form drawn by the skin engine: caption, borders, caption buttons, menu line and client background
// are painted from the skin's sections, the window gets the skin's region, and the form's children get adapters.
// It hooks the form through its WindowProc method, never through the window's own procedure.
class TsSkinProvider : public TacSkinProviderBase {
    CLASS_INFO(TsSkinProvider, TacSkinProviderBase)
public:
    explicit TsSkinProvider(TComponent* AOwner);
    ~TsSkinProvider() override;
    // Skins the form when a manager is active; whoever builds the provider calls it once it is complete.
    void AfterConstruction();
    void BeforeDestruction() override;
    void Loaded() override;
    virtual void PrepareForm();

    // --- properties ---
    TAlignment CaptionAlignment() const { return FCaptionAlignment; }
    void SetCaptionAlignment(TAlignment Value);
    TsCommonData* SkinData() const override { return FSkinData.get(); }
    TsGripMode GripMode() const { return FGripMode; }
    void SetGripMode(TsGripMode Value) { FGripMode = Value; }
    bool MakeSkinMenu() const { return FMakeSkinMenu; }
    void SetMakeSkinMenu(bool Value) { FMakeSkinMenu = Value; }
    const std::string& MenuLineSkin() const { return FMenuLineSkin; }
    void SetMenuLineSkin(const std::string& Value) { FMenuLineSkin = Value; }
    TsResizeMode ResizeMode() const { return FResizeMode; }
    void SetResizeMode(TsResizeMode Value) { FResizeMode = Value; }
    bool ScreenSnap() const { return FScreenSnap; }
    void SetScreenSnap(bool Value) { FScreenSnap = Value; }
    int SnapBuffer() const { return FSnapBuffer; }
    void SetSnapBuffer(int Value) { FSnapBuffer = Value; }
    bool ShowAppIcon() const { return FShowAppIcon; }
    void SetShowAppIcon(bool Value);
    TsTitleButtons* TitleButtons() const { return FTitleButtons.get(); }
    void SetTitleButtons(TsTitleButtons* Value);
    TsTitleIcon* TitleIcon() const { return FTitleIcon.get(); }
    // Empty reads as the caption section "FORMTITLE".
    const std::string& TitleSkin() const { return FTitleSkin; }
    void SetTitleSkin(const std::string& Value);
    bool UseGlobalColor() const { return FUseGlobalColor; }
    void SetUseGlobalColor(bool Value);
    TAddItemEvent OnSkinItem;

    // The form the provider skins; nil when it may not work (no form, or another provider is there first).
    TCustomForm* Form() const { return FForm; }
    // The form's control adapters, nil before the form is prepared.
    TacCtrlAdapter* Adapter() const { return FAdapter.get(); }

    // --- operations ---
    void InitFormSkin();
    // Recomposes the whole frame and paints it again.
    void RepaintFrame();
    void HandleSkinMessage(TMessage& Message) override;
    void PrepareRegionRects() override;
    void UpdateFormRegion(bool Redraw) override;
    HRGN CreateSkinRegion(int X, int Y) override;
    // The menu painter asks for the menu line under a bar item: it is copied from the frame cache.
    void PaintMenuLineBackground(TBitmap* Bmp, const TRect& R, const TRect& ItemRect) override;
    // The form's system menu, made when the form is first skinned.
    TsSystemMenu* SystemMenu() const { return FSystemMenu; }
    void SetDwmNcPolicy(HWND Handle, bool Skinned);
    bool DwmAvailable() const;
    void HideSystemButtons(bool Value);
    void UpdateMenus(bool Skinned);
    // Brings the form's menu bar in line with the skin: its items drawn by the skin's menu painter while a skin is
    // in force (items added later too), by the system without one.
    void UpdateMainMenu();
    // The form's background colour: its section's (active or inactive) when skinned, else its own Color.
    TColor FormColor() const;

    // --- metrics ---
    bool HaveBorder() const;
    int SysCaptionHeight() const;
    int SysBorderWidth() const;
    int SysBorderHeight() const;
    int FormWidth() const;
    int FormHeight() const;
    int ButtonWidth(const TsCaptionButton& Btn) const;
    int ButtonHeight() const;
    int UserButtonWidth(int Index) const;
    int ButtonsWidth() const;
    int BorderTop() const;
    int MenuLineHeight() const;
    // Where the client area lies in the window.
    int ClientOffsetX() const;
    int ClientOffsetY() const;
    // The height of the caption area of the frame cache (borders, caption and menu lines).
    int CaptionAreaHeight() const;

    // --- caption buttons ---
    enum TCaptionButtonIndex { cbMin, cbMax, cbClose, cbHelp, cbMDIMin, cbMDIMax, cbMDIClose, cbCount };
    TsCaptionButton& CaptionButton(TCaptionButtonIndex Index) { return FButtons[Index]; }
    const TsCaptionButton& CaptionButton(TCaptionButtonIndex Index) const { return FButtons[Index]; }
    void InitTitleButtonGlyphs();
    int UserButtonImage() const { return FUserButtonImage; }
    // The caption buttons the form shows (as its system menu would offer them) and whether they work.
    bool CloseVisible() const;
    bool MaxVisible() const;
    bool MinVisible() const;
    bool HelpVisible() const;
    bool MaxEnabled() const;
    bool MinEnabled() const;
    bool RestoreEnabled() const;

    // --- painting ---
    // Composes the frame cache (the skin data's cache bitmap, as large as the window).
    void PaintAll();
    void PaintCaption();
    void PaintTitleButtons();
    void DrawTitleButton(TsCaptionButton& Btn, bool Enabled, int Width);
    void DrawAppIcon();
    TRect IconRect() const;
    void DrawFrameFromCache(HDC DC);
    void RedrawFrame();
    // Puts one rectangle of the composed frame on the window (a button that changed state).
    void CopyCacheRectToWindow(const TRect& R);
    void PaintForm(HDC DC, bool Children);
    // What the form paints itself (its OnPaint) onto DC, over the client background.
    void PaintFormItself(HDC DC);
    // This form's painting waits: its show animation takes its picture, and paints itself once it is done.
    bool PaintingHeldBack() const { return FPaintingHeldBack; }
    bool FramePainted() const { return FFramePainted; }
    bool FormActive() const { return FFormActive; }

    // The window procedure that takes the form's WindowProc over.
    void NewWndProc(TMessage& Message);

    // --- caption covers ---
    // Lays a borderless, unskinned form over the caption area (over the whole form with WholeForm) that shows the
    // composed frame, so that nothing the system draws under it is seen. A second call reuses the cover.
    void LockCaption(bool WholeForm);
    // Takes the cover away and paints the frame again (the system may have drawn its caption under the cover).
    void UnlockCaption();
    TForm* CaptionCover() const { return FCaptionCover; }
    // The small cover at the right end of the menu line of an MDI parent while its menu loop runs; made once,
    // freed when the loop ends (or the provider goes).
    void ShowMenuLoopCover();
    static void FreeMenuLoopCover();

    // Holds the cut-out rectangles of the region (window coordinates).
    const TAOR& RegionRects() const { return FRegionRects; }

    // --- MDI ---
    // The MDI support of an MDI main form (its client window's adapter); nil on other forms.
    TsMDIForm* MDIForm() const { return FMDIForm.get(); }
    void MakeMDIForm(bool Value);
    // The MDI child whose buttons the menu line shows: the active child of this MDI main form when maximized.
    TCustomForm* MaximizedMDIChild() const;
    // Where the buttons of a maximized MDI child lie in this MDI main form's window (empty when not shown).
    TRect MDIButtonRect(TCaptionButtonIndex Index) const;

    // --- state: activation, showing, the form's own scroll bars ---
    // Skinned scroll bars for the form's own bars while the skin is on, the system's flat ones without it.
    void InitFormScrollBars();
    // The adapter that skins the form's own scroll bars, nil without one.
    TacScrollWnd* ScrollWnd() const { return FScrollWnd.get(); }
    // The form's show animation runs.
    bool Animating() const { return FAnimating; }
    // How the form was last shown: 1 normal, 2 iconic, 3 zoomed; 0 before (and after a deactivation when zoomed).
    uint8_t ShowState() const { return FShowState; }

    // --- the mouse on the caption, system commands ---
    // The hit-test code of the point (screen coordinates) as the skinned frame sees it: 3 the icon, 8, 9, 20, 21 the
    // minimize, maximize/restore, close and help buttons, 1000 + i user button i, 17 the size grip, -1 the edge of a
    // maximized form; 2 a disabled button; 0 what the system decides.
    int HitTest(int X, int Y);
    // The caption button of hit-test code Code turns hot (0: none), the previous one normal.
    void SetHotButton(int Code, bool Repaint = true);
    // The caption button of Code is held down.
    void PressButton(int Code);
    // Paints the caption button of Code in its state onto the window.
    void RepaintButton(int Code);
    // The 1-based position of the caption button under X (window coordinates) in the order close, maximize,
    // minimize, help, user buttons; 0 none.
    int ButtonAtX(int X);
    int HotCode() const { return FHotCode; }
    // Pops the skinned system menu up at a screen point.
    void ShowSystemMenu(int X, int Y);
    // Holds the frame's painting back (an MDI child's with Value also its parent's) until UnlockFrame.
    void LockFrame(bool Value);
    void UnlockFrame();
    // Takes down an XOR move or size frame of this form's that is still on screen (Esc, the capture taken away,
    // deactivation, the provider going), leaving the form where it is.
    void AbandonXorFrame();

    // --- the size grip between the form's scroll bars, the hot item of the menu line ---
    // Where the skin's size grip lies in the window: the grip image's size at the bottom-right inside the frame.
    // Empty without a "GRIPIMAGE".
    TRect GripRect() const;
    // Both of the form's skinned scroll bars show; Square is then the corner between them (window coordinates).
    bool ScrollBarsSquare(TRect& Square) const;
    // The menu painter drew Item, an item of this form's menu line, hot (selected or hot-lit) or normal.
    void MenuBarItemDrawn(TMenuItem* Item, bool Hot);
    // The item of the menu line last drawn hot and not drawn normal since; nil for none.
    TMenuItem* HotMenuItem() const { return FHotMenuItem; }

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    friend class TsMDIForm;
    // The messages of MDI main forms and MDI children; true when the message is answered.
    bool MDIWndProc(TMessage& Message);
    void MDISysCommand(TMessage& Message);
    void MDIChildSysCommand(TMessage& Message);
    bool MDIHitTest(TMessage& Message);
    bool MDIButtonDown(TMessage& Message);
    bool MDIButtonUp(TMessage& Message);
    void SetMDIHotButton(int Code);
    void RepaintMDIButton(int Code);
    // After a message on the unskinned path: the parent of a child that went repaints.
    void MDIAfterUnskinned(const TMessage& Message);
    // The parent of a child that goes repaints; an MDI main form's support goes with its provider.
    void MDIBeforeDestruction();
    void RepaintMDIParent();
    // Into the frame cache: the MDI client area, the maximized child's icon and buttons on the menu line.
    void PaintMDIArea();
    void PaintMDIMenuLine(const TRect& Line);
    // Menu-bar positions the system put before the form's own items (a maximized child's system menu).
    static UINT MDIMenuItemsBefore(HMENU Bar);
    // The item of the form's menu, or of the active MDI child's merged into the bar, that the bar's entry at
    // Position belongs to; nil for the system's own entries.
    TMenuItem* BarItem(HMENU Bar, UINT Position) const;
    // An MDI main form paints its graphic child controls into DC (its own when 0) after the client background.
    void PaintMDIChildren(HDC DC);
    bool ParentChildMaximized() const;
    // An MDI child that a maximized sibling covers.
    bool HiddenBehindMaximizedSibling() const;
    TsSkinProvider* ParentProvider() const;
    void CallOld(TMessage& Message);
    // The window messages and skin commands of activation, caption text, showing and the rest of the form's
    // state (sSkinProviderState.cpp); true when the message is taken.
    bool StateWndProc(TMessage& Message);
    bool StateCommand(TMessage& Message);
    void ActivateHandler(TMessage& Message);
    void NCActivateHandler(TMessage& Message);
    void SetTextHandler(TMessage& Message);
    void ShowingChanged(TMessage& Message);
    void ShowWindowHandler(TMessage& Message);
    void RepaintParentOfMaximizedChild();
    void MeasureItemHandler(TMessage& Message);
    void ParentNotifyHandler(TMessage& Message);
    void ControlListChange(TMessage& Message);
    void MouseEnterHandler(TMessage& Message);
    void EnterMenuLoop(TMessage& Message);
    void PaintGraphControl(HDC DC);
    // Gives the form back from the scroll adapter; the adapter may be passing the very message that retires it,
    // so it is freed when the next one retires or the provider goes.
    void RetireScrollWnd();
    // Painting of the children held back (Value true) or let go while the form shows its animation.
    void SetChildrenRedraw(bool Value);
    void CoverWndProc(TMessage& Message);
    void CoverPaint(TObject* Sender);
    static void MenuLoopPaint(TObject* Sender);
    bool Skinned() const;
    void FlagDirty();
    bool UnskinnedCommand(TMessage& Message);
    bool SkinnedCommand(TMessage& Message);
    void RemoveSkin(TMessage& Message);
    void NCPaintHandler();
    void EraseHandler(TMessage& Message);
    void PaintHandler(TMessage& Message);
    void SizeHandler(TMessage& Message);
    void PrintHandler(TMessage& Message);
    void BackgroundQuery(TMessage& Message);
    bool FrameNeedsUpdate() const;
    bool IsSizeBox() const;
    void CopyEdgesFromCache(HDC DC);
    bool ShowsAppIcon() const;
    int TitleIconWidth() const;
    int TitleIconHeight() const;
    void SaveButtonsArea();
    void RestoreButtonsArea();
    void PaintCaptionText();
    void PaintMenuLine(int CaptionBottom);
    // The bar's items into the menu line of the frame cache, each by its owner-draw routine.
    void PaintMenuBarItems();
    bool MenuLineShown() const;
    int CountMenuLines();
    void MakeFormImage();
    // The size grip into the frame cache at the bottom-right corner inside the borders.
    void PaintGrip();
    // The size grip onto the client DC of a form whose client is painted without the cache.
    void PaintGripOn(HDC DC);
    int CaptionSection() const;
    std::string CaptionSectionName() const;
    TBitmap* Cache() const;
    // The mouse and system-command messages; False for any other message.
    bool InputMessage(TMessage& Message);
    void HitTestHandler(TMessage& Message);
    void NCLButtonDown(TMessage& Message);
    void NCLButtonDblClk(TMessage& Message);
    void NCLButtonUp(TMessage& Message);
    void NCRButtonUp(TMessage& Message);
    void SysCommandHandler(TMessage& Message);
    void MouseMoveHandler(TMessage& Message);
    void WindowPosChangingHandler(TMessage& Message);
    void LeaveCaption();
    // The messages that begin the XOR frame or end it early (capture lost, deactivation); true when taken.
    bool XorFrameMessage(TMessage& Message);
    void ShowSystemMenuUnderIcon();
    void StartXorDrag(int Code);
    TsCaptionButton* ButtonOfCode(int Code);
    bool ButtonIsPlaced(int Code);
    TRect ButtonRect(int Code);

    TAOR FRegionRects;
    bool FRegionChanged = true;
    int FHotCode = 0;
    std::unique_ptr<TBitmap> FButtonsBack;
    bool FMakeSkinMenu = false;
    bool FShowAppIcon = true;
    bool FNoFramePaintYet = false;
    bool FSysMenuHidden = false;
    TAlignment FCaptionAlignment = taLeftJustify;
    std::unique_ptr<TsTitleIcon> FTitleIcon;
    std::unique_ptr<TsTitleButtons> FTitleButtons;
    TsGripMode FGripMode = gmNone;
    std::unique_ptr<TsCommonData> FSkinData;
    TsResizeMode FResizeMode = rmStandard;
    bool FFramePainted = false;
    bool FScreenSnap = false;
    int FSnapBuffer = 10;
    bool FUseGlobalColor = true;
    std::string FTitleSkin;
    std::string FMenuLineSkin;
    int FUserButtonImage = -1;
    bool FDwmDone = false;
    bool FMDIPending = false;
    bool FMenuSkinned = false;
    bool FGlyphFlags[3] = {false, false, false};
    TsCaptionButton FButtons[cbCount];
    TRect FLastClientRect;
    bool FRegionLocked = false;
    uint8_t FShowState = 0;
    bool FAnimating = false;
    bool FPaintingHeldBack = false;
    std::unique_ptr<TacCtrlAdapter> FAdapter;
    bool FRegionPending = false;
    bool FFrameDirty = true;
    TWindowProcHook FHook;
    bool FFormActive = true;
    std::unique_ptr<TBitmap> FMenuLineBmp;
    // Where the menu line kept in FMenuLineBmp lies in the frame.
    TRect FMenuLineRect;
    TCustomForm* FForm = nullptr;
    int FMenuLineCount = -1;
    std::unique_ptr<TBitmap> FFormImage;
    bool FRegistered = false;
    // Owned as a component of the provider.
    TsSystemMenu* FSystemMenu = nullptr;
    bool FInPaintAll = false;
    TForm* FCaptionCover = nullptr;
    TWndMethod FCoverOldWndProc;
    std::unique_ptr<TsMDIForm> FMDIForm;
    // The maximized MDI child's button under the mouse or held down (101 close, 102 restore, 103 minimize).
    int FMDIHotCode = 0;
    // The maximized child whose buttons the frame cache shows.
    HWND FMDIShownChild = nullptr;
    // An MDI child was shown once: a maximized sibling at that moment makes it wait to be maximized.
    bool FMDIChildShown = false;
    // The MDI main form paints its graphic children: the nested paints of aligned ones must not start it again.
    bool FPaintingMDIChildren = false;

    TacAdapterPtr<TacScrollWnd> FScrollWnd;
    TacAdapterPtr<TacScrollWnd> FRetiredScrollWnd;
    // The provider sends itself SC_MOVE or SC_SIZE to begin an XOR frame (not the system's move loop).
    bool FXorStarting = false;
    // The MDI parent's provider that LockFrame held back with this form.
    TsSkinProvider* FLockedParent = nullptr;

    // Where Item lies on the menu line (window coordinates); false when it is not there.
    bool MenuBarItemRect(TMenuItem* Item, TRect& R);
    // Draws Item on the menu line of the window in its normal state.
    void RepaintMenuItemNormal(TMenuItem* Item);
    void SetHotMenuItem(TMenuItem* Item);
    TMenuItem* FHotMenuItem = nullptr;
};

// The provider of the MDI main form, nil when none is skinned; the provider of the MDI child last activated or
// maximized (nil once that child is restored from a caption button or goes); set while a new MDI child waits to be
// maximized on its first paint because the active child was maximized when it was made.
extern TsSkinProvider* MDISkinProvider;
extern TsSkinProvider* ActiveChildProvider;
extern bool MDIMaxPending;
// A caption button is held down with the left mouse button (between PressButton and the next SetHotButton).
extern bool ButtonPressed;

// The menu-loop cover and the provider whose frame it shows; nil when no menu loop runs.
extern TForm* MenuLoopCover;
extern TsSkinProvider* MenuLoopProvider;
