// The control tree on hidden windows: routing through WindowProc and its hooks, alignment, notifications,
// subclassed standard controls, handles, keys, painting into a device context.
#include "classlib/visual/Controls.h"

#include "tests/support/ApplicationLoop.h"
#include "TestControls.h"
#include "classlib/visual/Forms.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

constexpr UINT WM_PROBE = WM_USER + 5;

// A windowed control that counts the probe messages reaching its own handlers.
class TProbeControl : public TCustomControl {
    CLASS_INFO(TProbeControl, TCustomControl)
public:
    using TCustomControl::TCustomControl;
    int Probes = 0;
    std::vector<UINT> Handled;
    void Dispatch(TMessage& Message) override {
        if (Message.Msg == WM_PROBE) {
            ++Probes;
            Message.Result = 42;
            return;
        }
        Handled.push_back(Message.Msg);
        TCustomControl::Dispatch(Message);
    }

protected:
    void Paint() override {
        Canvas()->Brush()->SetColor(Color());
        Canvas()->FillRect(ClientRect());
    }
};

class TfrmProbe : public TForm {
    CLASS_INFO(TfrmProbe, TForm)
public:
    using TForm::TForm;
};

// Records the messages passing one place in a WindowProc chain.
struct TTracer {
    std::string Name;
    std::vector<std::string>* Order = nullptr;
    std::vector<UINT> Seen;
    TWndMethod Old;
    TControl* Control = nullptr;
    TWindowProcHook Hook;

    // The class library's way: save the current WindowProc, install ours, put the saved one back later.
    void Replace(TControl* c) {
        Control = c;
        Old = c->WindowProc();
        c->SetWindowProc(TWndMethod(this, &TTracer::PlainProc));
    }
    void Restore() { Control->SetWindowProc(Old); }
    void PlainProc(TMessage& m) {
        Record(m);
        Old(m);
    }
    // Through the hook list.
    void Install(TControl* c) { Hook.Install(c, TWndMethod(this, &TTracer::HookProc)); }
    void HookProc(TMessage& m) {
        Record(m);
        Hook.CallPrevious(m);
    }
    void Record(TMessage& m) {
        if (m.Msg == WM_PROBE) {
            Seen.push_back(m.Msg);
            if (Order)
                Order->push_back(Name);
        }
    }
};

class ControlTree : public ::testing::Test {
protected:
    void SetUp() override {
        Form = new TfrmProbe(nullptr);
        Form->SetBounds(50, 50, 400, 300);
    }
    void TearDown() override { Form->Free(); }
    TfrmProbe* Form = nullptr;
};

}  // namespace

// --- routing ---

TEST_F(ControlTree, WindowProcDefaultsToWndProcAndPerformGoesThroughIt) {
    auto* probe = new TProbeControl(Form);
    EXPECT_EQ(probe->WindowProc(), TWndMethod(static_cast<TControl*>(probe), &TControl::WndProc));
    EXPECT_EQ(probe->Perform(WM_PROBE, 0, 0), 42);
    EXPECT_EQ(probe->Probes, 1);
}

TEST_F(ControlTree, MessagesOfTheWindowGoThroughWindowProc) {
    auto* probe = new TProbeControl(Form);
    probe->SetParent(Form);
    std::vector<std::string> order;
    TTracer tracer{"trace", &order};
    tracer.Replace(probe);
    EXPECT_EQ(SendMessageW(probe->Handle(), WM_PROBE, 0, 0), 42);
    EXPECT_EQ(tracer.Seen.size(), 1u);
    EXPECT_EQ(probe->Probes, 1);
    tracer.Restore();
}

TEST_F(ControlTree, WindowProcReplacedAndRestoredInReverseOrder) {
    auto* probe = new TProbeControl(Form);
    TWndMethod original = probe->WindowProc();
    std::vector<std::string> order;
    TTracer a{"A", &order}, b{"B", &order};
    a.Replace(probe);
    b.Replace(probe);
    probe->Perform(WM_PROBE, 0, 0);
    EXPECT_EQ(order, (std::vector<std::string>{"B", "A"}));
    EXPECT_EQ(probe->WindowProc(), TWndMethod(&b, &TTracer::PlainProc));
    b.Restore();
    a.Restore();
    EXPECT_EQ(probe->WindowProc(), original);
    order.clear();
    probe->Perform(WM_PROBE, 0, 0);
    EXPECT_TRUE(order.empty());
    EXPECT_EQ(probe->Probes, 2);
}

TEST_F(ControlTree, HooksRemovedInAnyOrderLeaveTheRestWorking) {
    auto* probe = new TProbeControl(Form);
    TWndMethod original = probe->WindowProc();
    std::vector<std::string> order;
    TTracer a{"A", &order}, b{"B", &order}, c{"C", &order};
    a.Install(probe);
    b.Install(probe);
    c.Install(probe);
    EXPECT_TRUE(c.Hook.IsCurrent());
    probe->Perform(WM_PROBE, 0, 0);
    EXPECT_EQ(order, (std::vector<std::string>{"C", "B", "A"}));

    order.clear();
    b.Hook.Remove();  // the middle one
    probe->Perform(WM_PROBE, 0, 0);
    EXPECT_EQ(order, (std::vector<std::string>{"C", "A"}));

    order.clear();
    a.Hook.Remove();  // the first one, below another
    probe->Perform(WM_PROBE, 0, 0);
    EXPECT_EQ(order, (std::vector<std::string>{"C"}));

    c.Hook.Remove();
    EXPECT_EQ(probe->WindowProc(), original);
    order.clear();
    EXPECT_EQ(probe->Perform(WM_PROBE, 0, 0), 42);
    EXPECT_TRUE(order.empty());
    EXPECT_EQ(probe->Probes, 4);
}

TEST_F(ControlTree, APlainHookAboveARemovedOneNeverBringsItBack) {
    auto* probe = new TProbeControl(Form);
    std::vector<std::string> order;
    auto a = std::make_unique<TTracer>();
    a->Name = "A";
    a->Order = &order;
    a->Install(probe);
    TTracer x{"X", &order};
    x.Replace(probe);  // saved A's place in the chain
    a.reset();  // A goes while X still refers to its place
    probe->Perform(WM_PROBE, 0, 0);
    EXPECT_EQ(order, (std::vector<std::string>{"X"}));
    x.Restore();  // puts back A's place, which now only passes messages on
    order.clear();
    EXPECT_EQ(probe->Perform(WM_PROBE, 0, 0), 42);
    EXPECT_TRUE(order.empty());
    EXPECT_EQ(probe->Probes, 2);
}

TEST_F(ControlTree, AHookOutlivingItsControlIsReleased) {
    auto* probe = new TProbeControl(Form);
    TTracer a{"A"};
    a.Install(probe);
    probe->Free();
    EXPECT_FALSE(a.Hook.Installed());
    a.Hook.Remove();  // harmless
}

// --- alignment ---

TEST_F(ControlTree, AlignedChildrenTakeTheirStripsInOrder) {
    auto* panel = new TProbeControl(Form);
    panel->SetBounds(0, 0, 400, 300);
    auto make = [&](TAlign a, int w, int h) {
        auto* c = new TProbeControl(Form);
        c->SetBounds(0, 0, w, h);
        c->SetAlign(a);
        c->SetParent(panel);
        return c;
    };
    auto* top = make(alTop, 10, 30);
    auto* bottom = make(alBottom, 10, 20);
    auto* left = make(alLeft, 40, 10);
    auto* right = make(alRight, 50, 10);
    auto* client = make(alClient, 10, 10);
    auto rect = [](TControl* c) {
        RECT r = c->BoundsRect();
        return std::vector<LONG>{r.left, r.top, r.right, r.bottom};
    };
    EXPECT_EQ(rect(top), (std::vector<LONG>{0, 0, 400, 30}));
    EXPECT_EQ(rect(bottom), (std::vector<LONG>{0, 280, 400, 300}));
    EXPECT_EQ(rect(left), (std::vector<LONG>{0, 30, 40, 280}));
    EXPECT_EQ(rect(right), (std::vector<LONG>{350, 30, 400, 280}));
    EXPECT_EQ(rect(client), (std::vector<LONG>{40, 30, 350, 280}));

    panel->SetBounds(0, 0, 500, 400);  // the parent grows: everything flows again
    EXPECT_EQ(rect(bottom), (std::vector<LONG>{0, 380, 500, 400}));
    EXPECT_EQ(rect(right), (std::vector<LONG>{450, 30, 500, 380}));
    EXPECT_EQ(rect(client), (std::vector<LONG>{40, 30, 450, 380}));

    top->SetVisible(false);  // a hidden child gives its strip back
    EXPECT_EQ(rect(left), (std::vector<LONG>{0, 0, 40, 380}));
    EXPECT_EQ(rect(client), (std::vector<LONG>{40, 0, 450, 380}));

    panel->SetBorderWidth(5);
    EXPECT_EQ(rect(client), (std::vector<LONG>{45, 5, 445, 375}));
}

TEST_F(ControlTree, TopAlignedChildrenKeepTheOrderOfTheirPositions) {
    auto* panel = new TProbeControl(Form);
    panel->SetBounds(0, 0, 200, 200);
    auto* first = new TProbeControl(Form);
    first->SetBounds(0, 0, 10, 30);
    first->SetAlign(alTop);
    first->SetParent(panel);
    auto* second = new TProbeControl(Form);
    second->SetBounds(0, 100, 10, 20);
    second->SetAlign(alTop);
    second->SetParent(panel);
    EXPECT_EQ(first->Top(), 0);
    EXPECT_EQ(second->Top(), 30);
    second->SetTop(0);  // moved above the first: it goes first
    EXPECT_EQ(second->Top(), 0);
    EXPECT_EQ(first->Top(), 20);
}

TEST_F(ControlTree, AnchoredControlsFollowTheEdgesTheyAreAnchoredTo) {
    auto* panel = new TProbeControl(Form);
    panel->SetBounds(0, 0, 200, 100);
    auto* rightOnly = new TProbeControl(Form);
    rightOnly->SetParent(panel);
    rightOnly->SetBounds(150, 10, 40, 20);
    rightOnly->SetAnchors({akTop, akRight});
    auto* stretched = new TProbeControl(Form);
    stretched->SetParent(panel);
    stretched->SetBounds(10, 40, 180, 50);
    stretched->SetAnchors({akLeft, akTop, akRight, akBottom});
    panel->SetBounds(0, 0, 300, 150);
    EXPECT_EQ(rightOnly->Left(), 250);
    EXPECT_EQ(rightOnly->Width(), 40);
    EXPECT_EQ(stretched->Width(), 280);
    EXPECT_EQ(stretched->Height(), 100);
}

TEST_F(ControlTree, ConstraintsLimitTheSize) {
    auto* c = new TProbeControl(Form);
    c->Constraints()->SetMinWidth(50);
    c->Constraints()->SetMaxHeight(60);
    c->SetBounds(0, 0, 10, 100);
    EXPECT_EQ(c->Width(), 50);
    EXPECT_EQ(c->Height(), 60);
}

// --- notifications ---

TEST_F(ControlTree, StateChangesArriveAsTheLibrarysNotifications) {
    auto* probe = new TProbeControl(Form);
    probe->SetParent(Form);
    probe->SetEnabled(false);
    probe->SetVisible(false);
    probe->SetColor(clRed);
    probe->Font()->SetColor(clBlue);
    std::vector<UINT>& h = probe->Handled;
    for (UINT m : {CM_ENABLEDCHANGED, CM_VISIBLECHANGED, CM_COLORCHANGED, CM_FONTCHANGED})
        EXPECT_NE(std::find(h.begin(), h.end(), m), h.end()) << std::hex << m;
}

TEST_F(ControlTree, InsertionAndRemovalReachEveryAncestorWithTheControl) {
    struct TListWatch {
        std::vector<std::pair<TControl*, LPARAM>> Seen;
        TWindowProcHook Hook;
        void Proc(TMessage& m) {
            if (m.Msg == CM_CONTROLLISTCHANGE) {
                auto* c = reinterpret_cast<TControl*>(m.WParam);
                // On removal the control is still in place, so whoever hears can still look at it.
                Seen.emplace_back(c, m.LParam);
                EXPECT_NE(c->Parent(), nullptr);
            }
            Hook.CallPrevious(m);
        }
    } watch;
    watch.Hook.Install(Form, TWndMethod(&watch, &TListWatch::Proc));
    auto* panel = new TProbeControl(Form);
    panel->SetParent(Form);
    auto* inner = new TProbeControl(Form);
    inner->SetParent(panel);
    inner->SetParent(nullptr);
    ASSERT_EQ(watch.Seen.size(), 3u);
    EXPECT_EQ(watch.Seen[0], std::make_pair(static_cast<TControl*>(panel), LPARAM{1}));
    EXPECT_EQ(watch.Seen[1], std::make_pair(static_cast<TControl*>(inner), LPARAM{1}));
    EXPECT_EQ(watch.Seen[2], std::make_pair(static_cast<TControl*>(inner), LPARAM{0}));
    inner->Free();
}

TEST_F(ControlTree, ChildrenTakeTheParentsColourAndFontUntilGivenTheirOwn) {
    auto* panel = new TProbeControl(Form);
    panel->SetParent(Form);
    EXPECT_EQ(panel->Color(), clBtnFace);
    Form->SetColor(clYellow);
    EXPECT_EQ(panel->Color(), clYellow);
    panel->SetColor(clRed);
    Form->SetColor(clLime);
    EXPECT_EQ(panel->Color(), clRed);
    Form->Font()->SetHeight(-20);
    EXPECT_EQ(panel->Font()->Height(), -20);
    EXPECT_TRUE(panel->ParentFont());
}

// --- standard controls ---

TEST_F(ControlTree, ASubclassedButtonHasOurClassNameAndReflectsItsClick) {
    auto* button = new TTestButton(Form);
    button->SetParent(Form);
    int clicks = 0;
    button->OnClick = [&](TObject* sender) {
        EXPECT_EQ(sender, button);
        ++clicks;
    };
    char name[64] = {};
    GetClassNameA(button->Handle(), name, sizeof name);
    EXPECT_STREQ(name, "TTestButton");
    EXPECT_TRUE(IsWindowUnicode(button->Handle()));
    SendMessageW(button->Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(clicks, 1);
}

TEST_F(ControlTree, AnEditKeepsTextOutsideTheCodePageThroughAHook) {
    auto* edit = new TTestEdit(Form);
    edit->SetParent(Form);
    TTracer tracer{"trace"};
    tracer.Install(edit);
    const wchar_t* text = L"\u4E2D\u6587 \u0416 \u20AC";
    SetWindowTextW(edit->Handle(), text);
    wchar_t back[64] = {};
    GetWindowTextW(edit->Handle(), back, 64);
    EXPECT_STREQ(back, text);
}

TEST_F(ControlTree, ControlColoursAreAskedOfTheControlItself) {
    auto* edit = new TTestEdit(Form);
    edit->SetParent(Form);
    edit->SetColor(clYellow);
    edit->Font()->SetColor(clRed);
    HDC dc = GetDC(edit->Handle());
    LRESULT brush = SendMessageW(Form->Handle(), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                                 reinterpret_cast<LPARAM>(edit->Handle()));
    EXPECT_EQ(brush, reinterpret_cast<LRESULT>(edit->Brush()->Handle()));
    EXPECT_EQ(GetTextColor(dc), static_cast<COLORREF>(ColorToRGB(clRed)));
    EXPECT_EQ(GetBkColor(dc), static_cast<COLORREF>(ColorToRGB(clYellow)));
    ReleaseDC(edit->Handle(), dc);
}

TEST_F(ControlTree, ACommonControlIsSubclassedWithItsNotificationsReflected) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES};
    ASSERT_TRUE(InitCommonControlsEx(&icc));
    struct TTestListView : TWinControl {
        CLASS_INFO(TTestListView, TWinControl)
    public:
        explicit TTestListView(TComponent* owner) : TWinControl(owner) { SetBoundsFields(0, 0, 200, 120); }
        std::vector<UINT> Notifications;
        void Dispatch(TMessage& Message) override {
            if (Message.Msg == CN_NOTIFY)
                Notifications.push_back(TWMNotify(Message).NMHdr()->code);
            TWinControl::Dispatch(Message);
        }

    protected:
        void CreateParams(TCreateParams& Params) override {
            TWinControl::CreateParams(Params);
            CreateSubClass(Params, WC_LISTVIEWA);
            Params.Style |= LVS_REPORT;
        }
    };
    auto* list = new TTestListView(Form);
    list->SetParent(Form);
    HWND h = list->Handle();
    char name[64] = {};
    GetClassNameA(h, name, sizeof name);
    EXPECT_STREQ(name, "TTestListView");
    EXPECT_TRUE(IsWindowUnicode(h));
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = 150;
    column.pszText = const_cast<wchar_t*>(L"\u540D\u79F0");
    SendMessageW(h, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.pszText = const_cast<wchar_t*>(L"\u4E2D\u6587");
    ASSERT_EQ(SendMessageW(h, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)), 0);
    wchar_t back[32] = {};
    LVITEMW get{};
    get.pszText = back;
    get.cchTextMax = 32;
    SendMessageW(h, LVM_GETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&get));
    EXPECT_STREQ(back, L"\u4E2D\u6587");
    SendMessageW(h, LVM_DELETEITEM, 0, 0);  // the list tells its parent, which hands it back to the list
    EXPECT_NE(std::find(list->Notifications.begin(), list->Notifications.end(), static_cast<UINT>(LVN_DELETEITEM)),
              list->Notifications.end());
}

// --- handles ---

TEST_F(ControlTree, HandlesAreMadeOnDemandWithTheirParents) {
    auto* edit = new TTestEdit(Form);
    edit->SetParent(Form);
    EXPECT_FALSE(edit->HandleAllocated());
    HWND h = edit->Handle();
    EXPECT_TRUE(Form->HandleAllocated());
    EXPECT_EQ(GetParent(h), Form->Handle());
    EXPECT_EQ(FindControl(h), edit);
}

TEST_F(ControlTree, AControlWithoutParentWindowCannotHaveAHandle) {
    auto* edit = new TTestEdit(Form);
    edit->SetName("edtLonely");
    try {
        edit->Handle();
        FAIL() << "no error";
    } catch (const EInvalidOperation& e) {
        EXPECT_NE(std::string(e.what()).find("edtLonely"), std::string::npos) << e.what();
    }
}

TEST_F(ControlTree, ARecreatedWindowKeepsTextAndChildren) {
    auto* panel = new TProbeControl(Form);
    panel->SetParent(Form);
    panel->SetBounds(10, 10, 200, 100);
    auto* edit = new TTestEdit(Form);
    edit->SetParent(panel);
    edit->SetText("kept");
    HWND oldPanel = panel->Handle();
    HWND oldEdit = edit->Handle();
    panel->RecreateWnd();
    EXPECT_FALSE(IsWindow(oldPanel));
    EXPECT_FALSE(IsWindow(oldEdit));
    EXPECT_EQ(edit->Text(), "kept");
    EXPECT_EQ(edit->Parent(), panel);
    HWND newEdit = edit->Handle();
    EXPECT_NE(newEdit, oldEdit);
    EXPECT_EQ(GetParent(newEdit), panel->Handle());
    EXPECT_EQ(edit->Text(), "kept");
    EXPECT_EQ(panel->Left(), 10);
}

TEST_F(ControlTree, WindowClassesAreTheClassNames) {
    char name[64] = {};
    GetClassNameA(Form->Handle(), name, sizeof name);
    EXPECT_STREQ(name, "TfrmProbe");
    GetClassNameA(Application->Handle(), name, sizeof name);
    EXPECT_STREQ(name, "TApplication");
    EXPECT_FALSE(IsWindowVisible(Application->Handle()));
    TForm* plain = new TForm(Form);
    GetClassNameA(plain->Handle(), name, sizeof name);
    EXPECT_STREQ(name, "TForm");
    EXPECT_TRUE(plain->InheritsFrom("TCustomForm"));
    EXPECT_TRUE(plain->InheritsFrom("TWinControl"));
}

TEST_F(ControlTree, FramesRegisterTheirOwnClassNames) {
    struct TfraSettings : TFrame {
        CLASS_INFO(TfraSettings, TFrame)
    public:
        using TFrame::TFrame;
    };
    auto* frame = new TFrame(Form);
    frame->SetParent(Form);
    auto* derived = new TfraSettings(Form);
    derived->SetParent(Form);
    char name[64] = {};
    GetClassNameA(frame->Handle(), name, sizeof name);
    EXPECT_STREQ(name, "TFrame");
    GetClassNameA(derived->Handle(), name, sizeof name);
    EXPECT_STREQ(name, "TfraSettings");
    EXPECT_TRUE(GetWindowLongW(derived->Handle(), GWL_STYLE) & WS_CHILD);
    EXPECT_TRUE(derived->InheritsFrom("TCustomFrame"));
}

TEST_F(ControlTree, AlignmentWaitsUntilLoadingEnds) {
    auto* panel = new TProbeControl(Form);
    panel->SetBounds(0, 0, 200, 100);
    panel->SetLoading(true);
    auto* top = new TProbeControl(Form);
    top->SetBounds(0, 50, 10, 20);
    top->SetAlign(alTop);
    top->SetParent(panel);
    EXPECT_EQ(top->Top(), 50);  // not yet
    panel->Loaded();
    EXPECT_EQ(top->Top(), 0);
    EXPECT_EQ(top->Width(), 200);
}

TEST_F(ControlTree, AFormPaintsThroughOnPaint) {
    Form->SetBorderStyle(bsNone);
    Form->SetBounds(0, 0, 100, 80);
    Form->OnPaint = [&](TObject* sender) {
        EXPECT_EQ(sender, Form);
        Form->Canvas()->Brush()->SetColor(clLime);
        Form->Canvas()->FillRect(RECT{10, 10, 50, 50});
    };
    TMemoryDC image(100, 80);
    Form->PaintTo(image.DC(), 0, 0);
    EXPECT_EQ(image.Pixel(20, 20), RGB(0, 255, 0));
    EXPECT_EQ(image.Pixel(70, 70), static_cast<COLORREF>(ColorToRGB(clBtnFace)));
}

// --- keys ---

TEST_F(ControlTree, KeysGoToTheFocusedControlFirstAndAHandlerMayEatThem) {
    auto* edit = new TTestEdit(Form);
    edit->SetParent(Form);
    std::vector<std::string> order;
    struct TKeyWatch {
        std::vector<std::string>* Order;
        TWindowProcHook Hook;
        void Proc(TMessage& m) {
            if (m.Msg == CN_KEYDOWN)
                Order->push_back("CN_KEYDOWN");
            if (m.Msg == WM_KEYDOWN)
                Order->push_back("WM_KEYDOWN");
            Hook.CallPrevious(m);
        }
    } watch{&order};
    watch.Hook.Install(edit, TWndMethod(&watch, &TKeyWatch::Proc));
    edit->OnKeyDown = [&](TObject*, WORD& key, TShiftState) { order.push_back("OnKeyDown " + IntToStr(key)); };
    PostMessageW(edit->Handle(), WM_KEYDOWN, 'Q', 1);
    PumpFor(50);
    EXPECT_EQ(order, (std::vector<std::string>{"CN_KEYDOWN", "WM_KEYDOWN", "OnKeyDown 81"}));

    // With KeyPreview the form sees the key first, and a zeroed key goes no further.
    order.clear();
    Form->SetKeyPreview(true);
    Form->OnKeyDown = [&](TObject*, WORD& key, TShiftState) {
        order.push_back("form");
        key = 0;
    };
    PostMessageW(edit->Handle(), WM_KEYDOWN, 'Q', 1);
    PumpFor(50);
    EXPECT_EQ(order, (std::vector<std::string>{"CN_KEYDOWN", "WM_KEYDOWN", "form"}));
}

TEST_F(ControlTree, KeyPressMayReplaceTheCharacter) {
    auto* edit = new TTestEdit(Form);
    edit->SetParent(Form);
    edit->OnKeyPress = [](TObject*, char& key) {
        if (key == 'a')
            key = 'b';
        else if (key == 'x')
            key = 0;
    };
    for (wchar_t c : {L'a', L'x', L'c'})
        PostMessageW(edit->Handle(), WM_CHAR, c, 1);
    PumpFor(50);
    EXPECT_EQ(edit->Text(), "bc");
}

// --- painting ---

TEST_F(ControlTree, PaintToDrawsTheControlAndItsChildren) {
    Form->SetBounds(0, 0, 200, 150);
    auto* panel = new TProbeControl(Form);
    panel->SetParent(Form);
    panel->SetBounds(10, 10, 100, 80);
    panel->SetColor(clBlue);
    auto* swatch = new TSpot(Form);
    swatch->SetParent(panel);
    swatch->SetBounds(20, 20, 30, 30);
    swatch->SetColor(clRed);

    TMemoryDC image(200, 150);
    panel->PaintTo(image.DC(), 10, 10);
    EXPECT_EQ(image.Pixel(5, 5), RGB(255, 255, 255));  // outside
    EXPECT_EQ(image.Pixel(15, 15), RGB(0, 0, 255));  // the panel
    EXPECT_EQ(image.Pixel(10 + 20 + 5, 10 + 20 + 5), RGB(255, 0, 0));  // the windowless child
    EXPECT_EQ(image.Pixel(10 + 60, 10 + 60), RGB(0, 0, 255));
}

// --- exceptions ---

TEST_F(ControlTree, AnExceptionFromAHandlerReachesHandleExceptionAndTheLoopGoesOn) {
    auto* button = new TTestButton(Form);
    button->SetParent(Form);
    std::vector<std::string> reported;
    Application->OnException = [&](TObject* sender, const Exception& e) {
        // The click comes through the form's WM_COMMAND: the form's window procedure caught it.
        EXPECT_EQ(sender, Form);
        reported.push_back(e.Message());
    };
    int after = 0;
    button->OnClick = [&](TObject*) {
        if (after++ == 0)
            throw EConvertError("'x' is not a valid integer value");
        Application->Terminate();
    };
    PostMessageW(button->Handle(), BM_CLICK, 0, 0);
    PostMessageW(button->Handle(), BM_CLICK, 0, 0);
    Application->Run();
    Application->OnException = nullptr;
    EXPECT_EQ(reported, (std::vector<std::string>{"'x' is not a valid integer value"}));
    EXPECT_EQ(after, 2);
}

// --- timers ---

#include "classlib/visual/ExtCtrls.h"

TEST_F(ControlTree, ATimerTicksWhileEnabledAndEnablingItAgainDoesNotRestartIt) {
    auto* timer = new TTimer(Form);
    timer->SetInterval(100);
    int ticks = 0;
    timer->OnTimer = [&](TObject* sender) {
        EXPECT_EQ(sender, timer);
        ++ticks;
    };
    // Enabling it over and over, more often than it ticks, must not hold its ticks back.
    DWORD start = GetTickCount();
    while (GetTickCount() - start < 800) {
        timer->SetEnabled(true);
        PumpFor(20);
    }
    EXPECT_GE(ticks, 2);
    timer->SetEnabled(false);
    int stopped = ticks;
    PumpFor(300);
    EXPECT_EQ(ticks, stopped);
}

TEST_F(ControlTree, AnExceptionFromOnTimerIsReportedAndTheTimerGoesOn) {
    auto* timer = new TTimer(Form);
    timer->SetInterval(30);
    int reports = 0, ticks = 0;
    Application->OnException = [&](TObject* sender, const Exception&) {
        EXPECT_EQ(sender, timer);
        ++reports;
    };
    timer->OnTimer = [&](TObject*) {
        ++ticks;
        throw EInvalidOperation("tick");
    };
    EXPECT_TRUE(PumpUntil([&] { return ticks >= 3; }));
    Application->OnException = nullptr;
    EXPECT_EQ(reports, ticks);
}
