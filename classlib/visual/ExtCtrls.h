#pragma once
// Extra controls and components of the class library: the timer, panels, bevels, shapes, images and paint boxes.
#include "Controls.h"
#include "StdCtrls.h"

#include <memory>

// Calls OnTimer every Interval milliseconds while Enabled, from a hidden window of the thread that made it.
class TTimer : public TComponent {
    CLASS_INFO(TTimer, TComponent)
public:
    explicit TTimer(TComponent* AOwner);
    ~TTimer() override;
    bool Enabled() const { return FEnabled; }
    // Starts or stops the timer; enabling a running timer changes nothing (its period is not restarted).
    void SetEnabled(bool value);
    unsigned Interval() const { return FInterval; }
    // A new interval restarts the period; 0 stops the timer.
    void SetInterval(unsigned value);

    TNotifyEvent OnTimer;

protected:
    virtual void Timer();

private:
    void WndProc(TMessage& Message);
    void UpdateTimer();
    HWND FWindowHandle = nullptr;
    unsigned FInterval = 1000;
    bool FEnabled = true;
};

// Draws a three-dimensional frame of Width lines inside Rect (top and left in TopColor, the others in BottomColor)
// and leaves Rect inside it.
void Frame3D(TCanvas* Canvas, TRect& Rect, TColor TopColor, TColor BottomColor, int Width);

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };

// A control with bevels, a border and a centred caption that holds other controls (window class "TPanel").
class TCustomPanel : public TCustomControl {
    CLASS_INFO(TCustomPanel, TCustomControl)
public:
    explicit TCustomPanel(TComponent* AOwner);
    TBevelCut BevelInner() const { return FBevelInner; }
    void SetBevelInner(TBevelCut Value);
    TBevelCut BevelOuter() const { return FBevelOuter; }
    void SetBevelOuter(TBevelCut Value);
    int BevelWidth() const { return FBevelWidth; }
    void SetBevelWidth(int Value);
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle Value);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    bool FullRepaint() const { return FFullRepaint; }
    void SetFullRepaint(bool Value) { FFullRepaint = Value; }
    void Dispatch(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void AdjustClientRect(TRect& Rect) override;
    void Paint() override;

private:
    int BevelSize() const;
    TBevelCut FBevelInner = bvNone;
    TBevelCut FBevelOuter = bvRaised;
    int FBevelWidth = 1;
    TBorderStyle FBorderStyle = bsNone;
    TAlignment FAlignment = taCenter;
    bool FFullRepaint = true;
};

class TPanel : public TCustomPanel {
    CLASS_INFO(TPanel, TCustomPanel)
public:
    using TCustomPanel::TCustomPanel;
};

enum TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
enum TBevelStyle { bsLowered, bsRaised };

// A sunken or raised box, frame or line, painted by its parent.
class TBevel : public TGraphicControl {
    CLASS_INFO(TBevel, TGraphicControl)
public:
    explicit TBevel(TComponent* AOwner);
    TBevelShape Shape() const { return FShape; }
    void SetShape(TBevelShape Value);
    TBevelStyle Style() const { return FStyle; }
    void SetStyle(TBevelStyle Value);

protected:
    void Paint() override;

private:
    TBevelShape FShape = bsBox;
    TBevelStyle FStyle = bsLowered;
};

enum TShapeType { stRectangle, stSquare, stRoundRect, stRoundSquare, stEllipse, stCircle };

// A rectangle, square, rounded box, ellipse or circle drawn with its pen and brush.
class TShape : public TGraphicControl {
    CLASS_INFO(TShape, TGraphicControl)
public:
    explicit TShape(TComponent* AOwner);
    TBrush* Brush() const { return FBrush.get(); }
    void SetBrush(TBrush* Value) { FBrush->Assign(Value); }
    TPen* Pen() const { return FPen.get(); }
    void SetPen(TPen* Value) { FPen->Assign(Value); }
    TShapeType Shape() const { return FShape; }
    void SetShape(TShapeType Value);

protected:
    void Paint() override;

private:
    std::unique_ptr<TBrush> FBrush;
    std::unique_ptr<TPen> FPen;
    TShapeType FShape = stRectangle;
};

// A picture on a form: drawn at its size, centred, or stretched (keeping its proportions when asked).
class TImage : public TGraphicControl {
    CLASS_INFO(TImage, TGraphicControl)
public:
    explicit TImage(TComponent* AOwner);
    ~TImage() override;
    TPicture* Picture() const { return FPicture.get(); }
    void SetPicture(TPicture* Value) { FPicture->Assign(Value); }
    // The picture as a bitmap to draw on (an empty picture becomes a bitmap of the control's size).
    TCanvas* ImageCanvas();
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value);
    bool Center() const { return FCenter; }
    void SetCenter(bool Value);
    bool Stretch() const { return FStretch; }
    void SetStretch(bool Value);
    bool Proportional() const { return FProportional; }
    void SetProportional(bool Value);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool Value);
    // Where the picture goes inside the control.
    TRect DestRect() const;

protected:
    void Paint() override;

private:
    void PictureChanged();
    std::unique_ptr<TPicture> FPicture;
    bool FAutoSize = false;
    bool FCenter = false;
    bool FStretch = false;
    bool FProportional = false;
    bool FTransparent = false;
};

// A surface that its OnPaint handler paints on its Canvas.
class TPaintBox : public TGraphicControl {
    CLASS_INFO(TPaintBox, TGraphicControl)
public:
    explicit TPaintBox(TComponent* AOwner);
    TNotifyEvent OnPaint;

protected:
    void Paint() override;
};
