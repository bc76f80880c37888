#pragma once
// Small controls for the tests: standard controls under our own class names, and flat painted blocks.
#include "classlib/visual/Controls.h"

// The standard BUTTON class under our own class name, clicked through the reflected notification.
class TTestButton : public TWinControl {
    CLASS_INFO(TTestButton, TWinControl)
public:
    explicit TTestButton(TComponent* owner) : TWinControl(owner) {
        FControlStyle = {csSetCaption, csDoubleClicks};
        SetBoundsFields(0, 0, 75, 25);
        FTabStop = true;
    }
    void Dispatch(TMessage& Message) override {
        if (Message.Msg == CN_COMMAND && HIWORD(Message.WParam) == BN_CLICKED) {
            Click();
            return;
        }
        TWinControl::Dispatch(Message);
    }

protected:
    void CreateParams(TCreateParams& Params) override {
        TWinControl::CreateParams(Params);
        CreateSubClass(Params, "BUTTON");
        Params.Style |= BS_PUSHBUTTON;
    }
};

// The standard EDIT class under our own class name.
class TTestEdit : public TWinControl {
    CLASS_INFO(TTestEdit, TWinControl)
public:
    explicit TTestEdit(TComponent* owner) : TWinControl(owner) {
        SetBoundsFields(0, 0, 120, 21);
        FTabStop = true;
    }

protected:
    void CreateParams(TCreateParams& Params) override {
        TWinControl::CreateParams(Params);
        CreateSubClass(Params, "EDIT");
        Params.Style |= ES_AUTOHSCROLL;
        Params.ExStyle |= WS_EX_CLIENTEDGE;
    }
};

// A windowed child that paints itself in its Color.
class TBlock : public TCustomControl {
    CLASS_INFO(TBlock, TCustomControl)
public:
    using TCustomControl::TCustomControl;

protected:
    void Paint() override {
        Canvas()->Brush()->SetColor(Color());
        Canvas()->FillRect(ClientRect());
    }
};

// A windowless child that paints itself in its Color.
class TSpot : public TGraphicControl {
    CLASS_INFO(TSpot, TGraphicControl)
public:
    using TGraphicControl::TGraphicControl;

protected:
    void Paint() override {
        Canvas()->Brush()->SetColor(Color());
        Canvas()->FillRect(RECT{0, 0, Width(), Height()});
    }
};

// A white bitmap with a device context to paint controls into and read pixels back from.
class TMemoryDC {
public:
    TMemoryDC(int width, int height) {
        HDC screen = GetDC(nullptr);
        FDC = CreateCompatibleDC(screen);
        FBitmap = CreateCompatibleBitmap(screen, width, height);
        ReleaseDC(nullptr, screen);
        FOld = SelectObject(FDC, FBitmap);
        RECT all{0, 0, width, height};
        FillRect(FDC, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    }
    ~TMemoryDC() {
        SelectObject(FDC, FOld);
        DeleteObject(FBitmap);
        DeleteDC(FDC);
    }
    TMemoryDC(const TMemoryDC&) = delete;
    TMemoryDC& operator=(const TMemoryDC&) = delete;
    HDC DC() const { return FDC; }
    COLORREF Pixel(int x, int y) const { return GetPixel(FDC, x, y); }

private:
    HDC FDC;
    HBITMAP FBitmap;
    HGDIOBJ FOld;
};
