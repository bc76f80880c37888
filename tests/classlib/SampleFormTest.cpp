// A sample program on the screen: a form with a panel, a label, a graphic control and a timer, traced
// through a replaced WindowProc, and photographed.
#include "classlib/Forms.h"

#include "MessagePump.h"
#include "classlib/ExtCtrls.h"
#include "tests/support/UnixCommand.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

// A raised panel with a centred caption.
class TSamplePanel : public TCustomControl {
    CLASS_INFO(TSamplePanel, TCustomControl)
public:
    explicit TSamplePanel(TComponent* owner) : TCustomControl(owner) {
        FControlStyle = {csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csOpaque, csDoubleClicks};
        SetBoundsFields(0, 0, 185, 41);
    }

protected:
    void Paint() override {
        HDC dc = Canvas()->Handle();
        RECT r = ClientRect();
        FillRect(dc, &r, Brush()->Handle());
        DrawEdge(dc, &r, BDR_RAISEDOUTER, BF_RECT);
        HGDIOBJ old = SelectObject(dc, Font()->Handle());
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, static_cast<COLORREF>(ColorToRGB(Font()->Color())));
        std::string text = Caption();
        DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        SelectObject(dc, old);
    }
};

// A line of text painted by its parent.
class TSampleLabel : public TGraphicControl {
    CLASS_INFO(TSampleLabel, TGraphicControl)
public:
    using TGraphicControl::TGraphicControl;

protected:
    void Paint() override {
        HDC dc = Canvas()->Handle();
        HGDIOBJ old = SelectObject(dc, Font()->Handle());
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, static_cast<COLORREF>(ColorToRGB(Font()->Color())));
        std::string text = Caption();
        TextOutA(dc, 0, 0, text.c_str(), static_cast<int>(text.size()));
        SelectObject(dc, old);
    }
};

// A round lamp that the timer switches on and off.
class TSampleLamp : public TGraphicControl {
    CLASS_INFO(TSampleLamp, TGraphicControl)
public:
    using TGraphicControl::TGraphicControl;
    bool Lit = false;
    void Toggle() {
        Lit = !Lit;
        Invalidate();
    }

protected:
    void Paint() override {
        HDC dc = Canvas()->Handle();
        HBRUSH brush = CreateSolidBrush(Lit ? RGB(0, 220, 0) : RGB(0, 70, 0));
        HGDIOBJ oldBrush = SelectObject(dc, brush);
        HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
        Ellipse(dc, 0, 0, Width(), Height());
        SelectObject(dc, oldPen);
        SelectObject(dc, oldBrush);
        DeleteObject(brush);
    }
};

class TfrmSample : public TForm {
    CLASS_INFO(TfrmSample, TForm)
public:
    explicit TfrmSample(TComponent* owner) : TForm(owner) {
        SetName("frmSample");
        SetPosition(poDesigned);
        SetBounds(120, 90, 420, 260);
        SetCaption("Sample form");
        Font()->SetName("Tahoma");
        Font()->SetHeight(-13);
        pnlTop = new TSamplePanel(this);
        pnlTop->SetName("pnlTop");
        pnlTop->SetParent(this);
        pnlTop->SetAlign(alTop);
        pnlTop->SetHeight(48);
        pnlTop->SetCaption("Panel aligned to the top");
        pnlStatus = new TSamplePanel(this);
        pnlStatus->SetName("pnlStatus");
        pnlStatus->SetParent(this);
        pnlStatus->SetAlign(alBottom);
        pnlStatus->SetHeight(26);
        pnlStatus->SetCaption("Status");
        lblText = new TSampleLabel(this);
        lblText->SetName("lblText");
        lblText->SetParent(this);
        lblText->SetBounds(24, 80, 300, 20);
        lblText->SetCaption("A label painted by its form");
        lamp = new TSampleLamp(this);
        lamp->SetName("lamp");
        lamp->SetParent(this);
        lamp->SetBounds(24, 120, 40, 40);
        tmrBlink = new TTimer(this);
        tmrBlink->SetName("tmrBlink");
        tmrBlink->SetInterval(100);
        tmrBlink->OnTimer = [this](TObject*) {
            lamp->Toggle();
            ++Blinks;
        };
    }
    TSamplePanel* pnlTop;
    TSamplePanel* pnlStatus;
    TSampleLabel* lblText;
    TSampleLamp* lamp;
    TTimer* tmrBlink;
    int Blinks = 0;
};

// Counts the messages a form's WindowProc passes on.
struct TMessageTrace {
    std::map<UINT, int> Count;
    TWndMethod Old;
    void Proc(TMessage& m) {
        ++Count[m.Msg];
        Old(m);
    }
};

COLORREF ScreenPixel(int x, int y) {
    HDC dc = GetDC(nullptr);
    COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(nullptr, dc);
    return c;
}

}  // namespace

TEST(SampleForm, ShowsItsControlsAndRunsItsTimer) {
    TfrmSample* form = nullptr;
    Application->CreateForm(form);
    TMessageTrace trace;
    trace.Old = form->WindowProc();
    form->SetWindowProc(TWndMethod(&trace, &TMessageTrace::Proc));
    form->Show();
    EXPECT_TRUE(IdleUntil([&] { return form->Blinks >= 3; }));
    form->Update();
    PumpFor(200);

    // The aligned panels took the top and bottom strips of the client area.
    EXPECT_EQ(form->pnlTop->Top(), 0);
    EXPECT_EQ(form->pnlTop->Width(), form->ClientWidth());
    EXPECT_EQ(form->pnlStatus->Top() + form->pnlStatus->Height(), form->ClientHeight());
    // The lamp is on the screen in one of its two colours.
    POINT lampCentre = form->lamp->ClientToScreen(POINT{20, 20});
    COLORREF c = ScreenPixel(lampCentre.x, lampCentre.y);
    EXPECT_TRUE(c == RGB(0, 220, 0) || c == RGB(0, 70, 0)) << std::hex << c;
    // The messages passed the replaced WindowProc.
    EXPECT_GT(trace.Count[WM_PAINT], 0);
    EXPECT_GT(trace.Count[CM_SHOWINGCHANGED], 0);
    EXPECT_GT(trace.Count[WM_SIZE], 0);

    // A photograph for people to look at.
    std::string shot = TestEnvDir() + "/sample-form.png";
    EXPECT_EQ(RunUnixScript("import -display \"$DISPLAY\" -window root '" + shot + "'"), 0);

    form->SetWindowProc(trace.Old);
    form->Free();
}
