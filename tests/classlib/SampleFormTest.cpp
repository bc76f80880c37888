// A sample program on the screen: a form with a panel, a label, a graphic control and a timer, traced
// through a replaced WindowProc, and photographed.
#include "classlib/visual/Forms.h"

#include "tests/support/ApplicationLoop.h"
#include "tests/support/SyntheticInput.h"
#include "classlib/visual/ExtCtrls.h"
#include "classlib/runtime/FormResources.h"
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

// The sample program's window: everything on it comes from its form description (forms/SampleForm.form).
class TfrmSample : public TForm {
    CLASS_INFO(TfrmSample, TForm)
public:
    explicit TfrmSample(TComponent* owner) : TForm(owner) {
        if (!InitInheritedComponent(this))
            throw EResNotFound("The form description of TfrmSample is missing");
    }
    TSamplePanel* pnlTop = nullptr;
    TSamplePanel* pnlStatus = nullptr;
    TSampleLabel* lblText = nullptr;
    TSampleLamp* lamp = nullptr;
    TTimer* tmrBlink = nullptr;
    int Blinks = 0;
    int Created = 0;

    void FormCreate(TObject*) { ++Created; }
    void tmrBlinkTimer(TObject*) {
        lamp->Toggle();
        ++Blinks;
    }
};

const bool SampleClassesRegistered = [] {
    RegisterFormClass<TSamplePanel>(
        [](TFormClass<TSamplePanel>& c) { c.String("Caption", &TControl::Caption, &TControl::SetCaption); });
    RegisterFormClass<TSampleLabel>(
        [](TFormClass<TSampleLabel>& c) { c.String("Caption", &TControl::Caption, &TControl::SetCaption); });
    RegisterFormClass<TSampleLamp>();
    RegisterFormClass<TfrmSample>([](TFormClass<TfrmSample>& c) {
        c.Field("pnlTop", &TfrmSample::pnlTop);
        c.Field("pnlStatus", &TfrmSample::pnlStatus);
        c.Field("lblText", &TfrmSample::lblText);
        c.Field("lamp", &TfrmSample::lamp);
        c.Field("tmrBlink", &TfrmSample::tmrBlink);
        c.Method("FormCreate", &TfrmSample::FormCreate);
        c.Method("tmrBlinkTimer", &TfrmSample::tmrBlinkTimer);
    });
    return true;
}();

// Counts the messages a form's WindowProc passes on.
struct TMessageTrace {
    std::map<UINT, int> Count;
    TWndMethod Old;
    void Proc(TMessage& m) {
        ++Count[m.Msg];
        Old(m);
    }
};

}  // namespace

TEST(SampleForm, ShowsItsControlsAndRunsItsTimer) {
    TfrmSample* form = nullptr;
    Application->CreateForm(form);
    // Read from the resource: fields filled, events bound, OnCreate run once the form was complete.
    ASSERT_NE(form->lamp, nullptr);
    EXPECT_EQ(form->Created, 1);
    EXPECT_EQ(form->Caption(), "Sample form");
    EXPECT_EQ(form->ClientWidth(), 412);
    EXPECT_EQ(form->ClientHeight(), 232);
    EXPECT_EQ(form->Left(), 120);
    EXPECT_EQ(form->Top(), 90);
    EXPECT_FALSE(form->ComponentState().Contains(csLoading));
    EXPECT_FALSE(form->lamp->ComponentState().Contains(csLoading));
    EXPECT_EQ(form->lamp->Parent(), form);
    EXPECT_TRUE(form->lamp->ShowHint());
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

TEST(SampleForm, WritesTheDescriptionItWasReadFrom) {
    auto* form = new TfrmSample(nullptr);
    std::string text = WriteComponentText(form);
    if (getenv("DUMP_FORM"))
        printf("%s", text.c_str());
    for (const char* part : {"object frmSample: TfrmSample", "Left = 120", "Top = 90", "ClientWidth = 412", "Align = alTop",
                             "object tmrBlink: TTimer", "OnTimer = tmrBlinkTimer", "OnCreate = FormCreate",
                             "Hint = 'Blinks|Blinks with the timer'"})
        EXPECT_NE(text.find(part), std::string::npos) << part << "\n" << text;
    EXPECT_EQ(text.find("Width = 412"), text.find("ClientWidth = 412") + 6) << "a form writes its client size only";
    // Read into another form and written again: the same text.
    auto* copy = new TfrmSample(nullptr);
    copy->pnlTop->SetCaption("changed");
    ReadComponentText(text, copy);
    EXPECT_EQ(copy->pnlTop->Caption(), "Panel aligned to the top");
    EXPECT_EQ(WriteComponentText(copy), text);
    copy->Free();
    form->Free();
}
