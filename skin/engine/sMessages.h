#pragma once
// The skin library's window message: one message number, the command in the high word of WParam.
#include "classlib/visual/Graphics.h"
#include "classlib/runtime/Types.h"

#include <windows.h>

#include <cstdint>

// Fixed for every process that uses the library, so two programs understand each other's windows.
constexpr UINT SM_QUORVEXCMD_NUMBER = 0xA100;
// The number in use; set when the library starts (see sMessages.cpp) and always SM_QUORVEXCMD_NUMBER.
extern UINT SM_QUORVEXCMD;

// The commands; LParam, result, sender and answerer of each are listed beside it.
enum TacSkinCommand : uint16_t {
    scNewSkin = 1,             // LParam the manager: a skin was loaded, reskin
    scRemoveSkin = 2,          // LParam the manager: the skin was removed
    scRefresh = 3,             // LParam the manager (0 from the animation): indexes re-read, repaint
    scGetProvider = 4,         // Result: the form's skin provider, 0 without one
    scChildPaints = 5,         // a child adapter is about to paint (its parent is told)
    scRepaintHeld = 6,         // repaint when painting was held back
    scIsSkinned = 7,           // Result 1: the window is skinned
    scSetUpdating = 8,         // low word 1 or 0: Updating; a popup-menu window puts its repaint flag in LParam
    scSetLocked = 9,           // low word 1 or 0: Locked
    scIsBusy = 10,             // Result 1: the background is being rebuilt or painting is held back
    scIsHalfVisible = 11,      // Result: HalfVisible
    scTransparentChanged = 12, // low word 1: BGChanged when the section is transparent
    scInvalidateSection = 13,  // invalidate when the control's section is the library's current one
    scMenuBgChanged = 14,      // a popup-menu window must repaint its background
    scGraphControl = 15,       // LParam a graphic control or 0: the graphic child being painted
    scBeforeRefresh = 16,      // LParam the manager: sent to every form before scRefresh
    scBgChanged = 17,          // BGChanged := True
    scBgDependsOnPos = 19,     // Result 1: the background a child sees depends on its position
    scBgMoved = 20,            // low word 1 = redraw now: the background changed by a move or size
    scGetColor = 21,           // Result: the background colour, $FF00FF for none
    scSetHalfVisible = 22,     // HalfVisible := True
    scRebuildCache = 23,       // rebuild the adapter's cache bitmap now
    scControlCreated = 25,     // LParam the new control: the provider attaches an adapter
    scGetSkinIndex = 26,       // Result: SkinIndex + 1, 0 unskinned
    scGetCaptionOrManager = 27,// group box: its caption band height; tab or page control: its manager
    scReadaptDialog = 28,      // a skinned dialog adapts its children again
    scMouseEnter = 29,         // LParam the manager: the mouse entered the control
    scMouseLeave = 30,         // LParam the manager: the mouse left it
    scBeginUpdate = 31,        // begin of an update batch
    scEndUpdate = 32,          // end of an update batch
    scGetBgInfo = 34,          // LParam a TacBGInfo*: fill it, or paint into its DrawDC
    scPrepareDisabled = 35,    // a control may set the blend byte of the disabled look
    scCacheState = 36,         // LParam 1: recompute the cache state; else Result: CtrlState
    scScrollStepBegins = 51,   // LParam MakeLong(scroll code, scroll message); non-zero: the window positions the bar
    scScrollStepEnds = 52,     // the scroll step ended
    scGetApplication = 60,     // Result: the application object
    scGetClientOffset = 61,    // Result: MakeLong(x, y) of the client area inside the window, 0 for none
};

// WParam of a command: the command in the high word, a small argument in the low word.
constexpr WPARAM MakeSkinCmd(TacSkinCommand Command, uint16_t Low = 0) {
    return (static_cast<WPARAM>(Command) << 16) | Low;
}
constexpr uint16_t SkinCmdOf(WPARAM WParam) { return static_cast<uint16_t>(WParam >> 16); }
constexpr uint16_t SkinCmdArgOf(WPARAM WParam) { return static_cast<uint16_t>(WParam & 0xFFFF); }

// What a control's parent answers to scGetBgInfo about the background under the control.
struct TacBGInfo {
    TBitmap* Bmp = nullptr;  // the answerer's cache bitmap (BgType 2)
    TColor Color = 0;        // the background colour (BgType 1)
    TPoint Offset;           // where the asker's area lies in Bmp; each parent on the way adds the child's position
    TRect R;                 // the area to paint into DrawDC when PleaseDraw is set
    uint8_t BgType = 0;      // 0 not answered, 1 a colour, 2 a bitmap
    bool PleaseDraw = false;
    HDC DrawDC = nullptr;
};
