#pragma once
// Screen snapping of a moved form, and the inverted (XOR) frame that follows the mouse on the desktop while a
// form with ResizeMode = rmBorder is moved or sized; the form is placed once, when the frame ends.
#include "classlib/runtime/Types.h"

#include <windows.h>

// Pulls Pos so that Pos + Size lands on Edge when it comes closer than Buffer pixels.
void SnapToEdge(int& Pos, int Edge, int Buffer, int Size);

// Snaps the top-left corner (X, Y) of a Width x Height rectangle to the edges of WorkArea: right and bottom first,
// then left and top, so a rectangle close to both a left and a right edge ends on the left one.
void SnapToWorkArea(int& X, int& Y, int Width, int Height, const TRect& WorkArea, int Buffer);

// The WM_WINDOWPOSCHANGING part of ScreenSnap: snaps the new position of Wnd against the work area unless the
// window is maximized or a child (an MDI child), the position is not changing, or it is (0, 0). True when the
// position was changed.
bool SnapWindowPos(HWND Wnd, WINDOWPOS& Pos, int Buffer);

// The form as the XOR frame sees it: its bounds in the coordinates of its parent (the screen for a top-level form,
// the MDI client's client area for an MDI child), its minimum size, and where that coordinate space lies on screen.
struct TacXorForm {
    HWND Handle = nullptr;
    int Left = 0, Top = 0, Width = 0, Height = 0;
    int MinWidth = 0, MinHeight = 0;  // the form's Constraints; 0 is no constraint
    TPoint Origin;                    // screen position of the coordinate space of Left/Top

    // Bounds and origin read from the window; MDI children are placed in their parent's client area.
    static TacXorForm FromWindow(HWND Wnd, int MinWidth = 0, int MinHeight = 0);
};

// One frame at a time for the whole program.
extern bool XorActive;      // a move or size frame is on screen
extern bool XorMoving;      // the frame moves the form (false: it sizes it)
extern bool XorFirstMove;   // no mouse move has been seen since the frame began
extern int XorHitCode;      // hit-test code of the border being dragged (0 = none)
extern TRect XorRect;       // the frame, in the form's parent coordinates
extern TPoint XorLastPos;   // last mouse position (screen)
extern int XorMinHeight;
extern int XorMinWidth;

// The frame rectangle after sizing by (DX, DY) from the form's bounds across the border HitCode, never smaller than
// MinWidth x MinHeight.
TRect XorSizedRect(const TacXorForm& Form, int HitCode, int DX, int DY, int MinWidth, int MinHeight);

// Shows the frame at the form's bounds; (X, Y) is the cursor on screen. Moving: the frame follows the cursor;
// sizing: it follows the border XorHitCode.
void StartXorFrame(const TacXorForm& Form, bool Moving, int X, int Y);
// Follows the cursor (screen coordinates).
void XorMouseMove(const TacXorForm& Form, int X, int Y);
// Erases the frame, releases the desktop and the capture, and places the form where the frame was (a size frame
// that never moved leaves the form alone).
void EndXorFrame(const TacXorForm& Form);
// Takes the frame off the desktop and gives the desktop back without placing anything; the capture is released
// only while Owner still holds it.
void CancelXorFrame(HWND Owner);
