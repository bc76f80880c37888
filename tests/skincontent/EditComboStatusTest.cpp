// Edits, memos, rich edits, list boxes and combo boxes with their adapters on the flat content skin:
// the pictures they show per section and state, scrolling and choosing by real input, text outside the code page,
// and everything given back when the skin goes.
#include "ContentFixture.h"

#include <commctrl.h>

#include "classlib/visual/ComCtrls.h"
#include "classlib/visual/RichEdit.h"
#include "classlib/visual/StdCtrls.h"
#include "skin/adapters/acComboWnd.h"
#include "skin/adapters/acEditWnd.h"
#include "skin/engine/sVclUtils.h"

#include <functional>

namespace {

// Where the vertical bar's down arrow of a window with a border of Border pixels lies on the screen.
POINT DownArrowCentre(HWND Wnd, int Border) {
    RECT r;
    GetWindowRect(Wnd, &r);
    int w = GetSystemMetrics(SM_CXVSCROLL);
    return {r.right - Border - w / 2, r.bottom - Border - w / 2};
}

int Border(HWND Wnd) {
    RECT wr;
    GetWindowRect(Wnd, &wr);
    POINT p = {0, 0};
    ClientToScreen(Wnd, &p);
    return p.x - wr.left;
}

// A combo box of a class other than the class library's own.
class TOwnCombo : public TComboBox {
    CLASS_INFO(TOwnCombo, TComboBox)
public:
    using TComboBox::TComboBox;
};

// An edit that counts the paint messages reaching its own procedure.
class TPaintCountingEdit : public TEdit {
    CLASS_INFO(TPaintCountingEdit, TEdit)
public:
    using TEdit::TEdit;
    int Paints = 0;

protected:
    void WndProc(TMessage& Message) override {
        if (Message.Msg == WM_PAINT || Message.Msg == WM_NCPAINT || Message.Msg == WM_ERASEBKGND) ++Paints;
        TEdit::WndProc(Message);
    }
};

// A control that runs During when the skin change reaches its form (the forms are held then).
class TSkinChangeWatcher : public TGraphicControl {
    CLASS_INFO(TSkinChangeWatcher, TGraphicControl)
public:
    using TGraphicControl::TGraphicControl;
    std::function<int()> During;
    bool Heard = false;
    int PaintsDuring = -1;
    void Dispatch(TMessage& Message) override {
        if (During && !Heard && Message.Msg == SM_QUORVEXCMD && SkinCmdOf(Message.WParam) == scRefresh) {
            Heard = true;
            EXPECT_TRUE(acAnimInProgress);
            PaintsDuring = During();
        }
        TGraphicControl::Dispatch(Message);
    }
};

// A procedure in front of a drop list's own: it notes the key-state word of the button's going up.
struct ListSpy {
    static inline WNDPROC Previous = nullptr;
    static inline WPARAM UpWParam = 0;
    static LRESULT CALLBACK Proc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
        if (Msg == WM_LBUTTONUP) UpWParam = WParam;
        return CallWindowProcW(Previous, Wnd, Msg, WParam, LParam);
    }
};

}  // namespace

TEST_F(ContentAdapters, AnEditShowsTheSkinsFrameAndColoursAndGetsItsOwnBack) {
    auto* edit = Add<TEdit>(10, 10, 200, 24);
    HWND h = edit->Handle();
    TColor ownColor = edit->Color(), ownFont = edit->Font()->Color();
    LONG_PTR ownProc = GetWindowLongPtrW(h, GWLP_WNDPROC);
    Attach<TacEditWnd>(edit, "EDIT");
    EXPECT_EQ(GetPropA(h, "ACSBSC") != nullptr, true);
    EXPECT_EQ(edit->Color(), Opaque(FlatSectionColor("EDIT")));
    EXPECT_EQ(edit->Font()->Color(), Opaque(FlatHotFontColor("EDIT")));
    RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
    Settle();
    auto shot = ScreenCopyOf(h);
    int w = shot->Width(), hh = shot->Height();
    ASSERT_EQ(Border(h), 2);
    for (auto [x, y] : {std::pair{0, 0}, {1, hh / 2}, {w - 1, hh - 1}, {w / 2, 0}})
        EXPECT_EQ(Px(shot.get(), x, y), Opaque(FlatFrameColor("EDIT", 0))) << x << "," << y;
    EXPECT_EQ(Px(shot.get(), w - 5, hh / 2), Opaque(FlatSectionColor("EDIT")));
    // The printed picture is the same.
    auto printed = PrintOf(h);
    EXPECT_EQ(Px(printed.get(), 0, 0), Opaque(FlatFrameColor("EDIT", 0)));
    EXPECT_EQ(Px(printed.get(), 1, hh - 2), Opaque(FlatFrameColor("EDIT", 0)));
    EXPECT_EQ(Px(printed.get(), w - 5, hh / 2), Opaque(FlatSectionColor("EDIT")));

    RemoveSkin();
    EXPECT_EQ(edit->Color(), ownColor);
    EXPECT_EQ(edit->Font()->Color(), ownFont);
    EXPECT_EQ(GetWindowLongPtrW(h, GWLP_WNDPROC), ownProc);
    EXPECT_EQ(GetPropA(h, "ACSBSC"), nullptr);
    RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
    Settle();
    auto after = ScreenCopyOf(h);
    EXPECT_EQ(CountOf(after.get(), FlatFrameColor("EDIT", 0)), 0);
    EXPECT_EQ(CountOf(after.get(), FlatSectionColor("EDIT")), 0);
}

TEST_F(ContentAdapters, TextOutsideTheCodePageSurvivesASkinnedEditAndCombo) {
    auto* edit = Add<TEdit>(10, 10, 200, 24);
    auto* combo = Add<TComboBox>(10, 50, 200, 24);
    Attach<TacEditWnd>(edit, "EDIT");
    Attach<TacComboBoxWnd>(combo, "COMBOBOX");
    const wchar_t* text = L"\x0416\x20AC\x4E2D\x00E9";
    SetForegroundWindow(Form->Handle());
    ASSERT_TRUE(PumpMessagesUntil([&] { return Form->Active(); }));
    edit->SetFocus();
    ASSERT_TRUE(PumpMessagesUntil([&] { return edit->Focused(); }));
    TypeText(text);
    PumpKeysUntil([&] { return GetWindowTextLengthW(edit->Handle()) == 4; });
    wchar_t back[32] = {};
    GetWindowTextW(edit->Handle(), back, 32);
    EXPECT_STREQ(back, text);
    combo->SetFocus();
    ASSERT_TRUE(PumpMessagesUntil([&] { return combo->Focused(); }));
    TypeText(text);
    PumpKeysUntil([&] { return GetWindowTextLengthW(combo->Handle()) == 4; });
    GetWindowTextW(combo->Handle(), back, 32);
    EXPECT_STREQ(back, text);
    SendMessageW(combo->Handle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    wchar_t item[32] = {};
    SendMessageW(combo->Handle(), CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(item));
    EXPECT_STREQ(item, text);
}

TEST_F(ContentAdapters, AMemoScrollsBySkinnedBarsAsFarAsAnUnskinnedOne) {
    auto* memo = Add<TMemo>(10, 10, 200, 120);
    auto* plain = Add<TMemo>(230, 10, 200, 120);
    for (TMemo* m : {memo, plain}) {
        m->SetScrollBars(ssVertical);
        std::string lines;
        for (int i = 0; i < 60; ++i) lines += "line " + std::to_string(i) + "\r\n";
        m->SetText(lines);
        SendMessageW(m->Handle(), EM_LINESCROLL, 0, -100);
    }
    Attach<TacEditWnd>(memo, "EDIT");
    RedrawWindow(memo->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
    Settle();
    auto shot = ScreenCopyOf(memo->Handle());
    int bar = GetSystemMetrics(SM_CXVSCROLL), b = Border(memo->Handle());
    int left = shot->Width() - b - bar, right = shot->Width() - b;
    EXPECT_GT(CountOf(shot.get(), FlatFrameColor("SCROLLBTNTOP", 0), left, 0, right), 0);
    EXPECT_GT(CountOf(shot.get(), FlatFrameColor("SCROLLBTNBOTTOM", 0), left, 0, right), 0);
    EXPECT_GT(CountOf(shot.get(), FlatCentreColorOf("SCROLLSLIDERV", 0), left, 0, right), 0);
    // One click on each down arrow: the same line comes first in both.
    for (TMemo* m : {memo, plain}) {
        POINT p = DownArrowCentre(m->Handle(), Border(m->Handle()));
        ClickAt(p.x, p.y);
        Settle(100);
    }
    LRESULT skinnedLine = SendMessageW(memo->Handle(), EM_GETFIRSTVISIBLELINE, 0, 0);
    EXPECT_GE(skinnedLine, 1);
    EXPECT_EQ(skinnedLine, SendMessageW(plain->Handle(), EM_GETFIRSTVISIBLELINE, 0, 0));
    // The bar's own picture after the steps: Wine's edit control paints the system's bar over the skinned one
    // when it scrolls itself, which is not checked here.
}

TEST_F(ContentAdapters, ARichEditAndAListBoxAreFramedAndScrolled) {
    auto* rich = Add<TRichEdit>(10, 10, 200, 80);
    auto* list = Add<TListBox>(10, 110, 200, 120);
    auto* plain = Add<TListBox>(230, 110, 200, 120);
    for (TListBox* l : {list, plain})
        for (int i = 0; i < 50; ++i) l->Items()->Add("item " + std::to_string(i));
    Attach<TacEditWnd>(rich, "EDIT");
    Attach<TacEditWnd>(list, "EDIT");
    for (TWinControl* c : std::initializer_list<TWinControl*>{rich, list})
        RedrawWindow(c->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
    Settle();
    for (TWinControl* c : std::initializer_list<TWinControl*>{rich, list}) {
        auto shot = ScreenCopyOf(c->Handle());
        EXPECT_EQ(Px(shot.get(), 0, 0), Opaque(FlatFrameColor("EDIT", 0))) << c->ClassName();
        EXPECT_EQ(Px(shot.get(), shot->Width() / 2, shot->Height() - 1), Opaque(FlatFrameColor("EDIT", 0)));
    }
    auto shot = ScreenCopyOf(list->Handle());
    EXPECT_GT(CountOf(shot.get(), FlatFrameColor("SCROLLBTNBOTTOM", 0)), 0);
    for (TListBox* l : {list, plain}) {
        POINT p = DownArrowCentre(l->Handle(), Border(l->Handle()));
        ClickAt(p.x, p.y);
        Settle(100);
        ClickAt(p.x, p.y);
        Settle(100);
    }
    LRESULT top = SendMessageW(list->Handle(), LB_GETTOPINDEX, 0, 0);
    EXPECT_EQ(top, 2);
    EXPECT_EQ(top, SendMessageW(plain->Handle(), LB_GETTOPINDEX, 0, 0));
}

TEST_F(ContentAdapters, ADropDownListShowsItsButtonInEveryStateAndIsChosenFromByKeysAndMouse) {
    auto* combo = Add<TComboBox>(10, 10, 200, 24);
    combo->SetStyle(csDropDownList);
    for (int i = 0; i < 30; ++i) combo->Items()->Add("choice " + std::to_string(i));
    combo->SetItemIndex(0);
    auto* other = Add<TEdit>(10, 200, 100, 24);
    COMBOBOXINFO cbi = {sizeof cbi};
    ASSERT_TRUE(GetComboBoxInfo(combo->Handle(), &cbi));
    LONG_PTR listProc = GetWindowLongPtrW(cbi.hwndList, GWLP_WNDPROC);
    auto* adapter = Attach<TacComboBoxWnd>(combo, "COMBOBOX");
    HWND h = combo->Handle();
    MoveMouseTo(400, 300);
    SetForegroundWindow(Form->Handle());
    other->SetFocus();
    Settle();
    RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
    Settle();
    TRect button;
    adapter->ButtonRect(button);
    ASSERT_GT(button.Width(), 4);
    auto shot = ScreenCopyOf(h);
    EXPECT_EQ(Px(shot.get(), 0, 0), Opaque(FlatFrameColor("COMBOBOX", 0)));
    EXPECT_EQ(Px(shot.get(), button.left, button.top + 1), Opaque(FlatFrameColor("COMBOBTN", 0)));
    // The arrow glyph (drawn through its mask: red high, green low, unlike the button's colours).
    auto arrowInk = [](TColor c) { return (c & 0xFF) > 0x80 && ((c >> 8) & 0xFF) < 0x60; };
    EXPECT_GT(CountPx(shot.get(), arrowInk, button.left, button.top, button.right, button.bottom), 0);
    // The mouse over the combo: the button is hot.
    RECT wr;
    GetWindowRect(h, &wr);
    MoveMouseTo(wr.left + button.left + 3, wr.top + button.top + 3);
    Settle(200);
    shot = ScreenCopyOf(h);
    EXPECT_EQ(Px(shot.get(), button.left, button.top + 1), Opaque(FlatFrameColor("COMBOBTN", 1)));
    // A click drops the list: the button is pressed, and the list has its adapter with skinned bars.
    ClickAt(wr.left + button.left + button.Width() / 2, wr.top + button.top + button.Height() / 2);
    Settle(300);
    ASSERT_TRUE(SendMessageW(h, CB_GETDROPPEDSTATE, 0, 0));
    ASSERT_TRUE(adapter->ListAdapter);
    EXPECT_EQ(adapter->ButtonState(), 2);
    shot = ScreenCopyOf(h);
    EXPECT_EQ(Px(shot.get(), button.left, button.top + 1), Opaque(FlatFrameColor("COMBOBTN", 2)));
    auto list = ScreenCopyOf(adapter->ListHandle);
    EXPECT_GT(CountOf(list.get(), FlatFrameColor("SCROLLBTNBOTTOM", 0)), 0);
    EXPECT_GT(CountOf(list.get(), FlatSectionColor("COMBOBOX")), 0);
    // Keys: three down and Enter.
    PressKey(VK_DOWN);
    PressKey(VK_DOWN);
    PressKey(VK_DOWN);
    PressKey(VK_RETURN);
    Settle(200);
    EXPECT_FALSE(SendMessageW(h, CB_GETDROPPEDSTATE, 0, 0));
    EXPECT_EQ(combo->ItemIndex(), 3);
    // The mouse: drop again and click the sixth item shown.
    ClickAt(wr.left + button.left + button.Width() / 2, wr.top + button.top + button.Height() / 2);
    Settle(300);
    ASSERT_TRUE(SendMessageW(h, CB_GETDROPPEDSTATE, 0, 0));
    HWND listWnd = adapter->ListHandle;
    int topIndex = static_cast<int>(SendMessageW(listWnd, LB_GETTOPINDEX, 0, 0));
    RECT item;
    SendMessageW(listWnd, LB_GETITEMRECT, topIndex + 5, reinterpret_cast<LPARAM>(&item));
    POINT p = {(item.left + item.right) / 2, (item.top + item.bottom) / 2};
    ClientToScreen(listWnd, &p);
    ClickAt(p.x, p.y);
    Settle(300);
    EXPECT_FALSE(SendMessageW(h, CB_GETDROPPEDSTATE, 0, 0));
    EXPECT_EQ(combo->ItemIndex(), topIndex + 5);
    EXPECT_EQ(adapter->ButtonState() == 2, false);
    // One list adapter for the combo's life.
    EXPECT_EQ(adapter->ListAdapter->CtrlHandle, listWnd);

    RemoveSkin();
    EXPECT_EQ(GetWindowLongPtrW(listWnd, GWLP_WNDPROC), listProc);
    EXPECT_EQ(GetPropA(listWnd, "ACSBSC"), nullptr);
    EXPECT_EQ(GetPropA(h, "ACSBSC"), nullptr);
}

TEST_F(ContentAdapters, ADropDownComboKeepsItsEditFieldAndPaintsFrameAndButton) {
    auto* combo = Add<TComboBox>(10, 10, 200, 24);
    combo->SetStyle(csDropDown);
    combo->Items()->Add("one");
    combo->SetText("typed");
    auto* adapter = Attach<TacComboBoxWnd>(combo, "COMBOBOX");
    MoveMouseTo(400, 300);
    Settle();
    RedrawWindow(combo->Handle(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Settle();
    TRect button;
    adapter->ButtonRect(button);
    auto shot = ScreenCopyOf(combo->Handle());
    EXPECT_EQ(Px(shot.get(), 0, 0), Opaque(FlatFrameColor("COMBOBOX", 0)));
    EXPECT_EQ(Px(shot.get(), button.left, button.top + 1), Opaque(FlatFrameColor("COMBOBTN", 0)));
    wchar_t text[16] = {};
    GetWindowTextW(combo->Handle(), text, 16);
    EXPECT_STREQ(text, L"typed");
    // Its list dropped and closed by the mouse: the library knows while it is open.
    RECT wr;
    GetWindowRect(combo->Handle(), &wr);
    SetForegroundWindow(Form->Handle());
    ClickAt(wr.left + button.left + button.Width() / 2, wr.top + button.top + button.Height() / 2);
    ASSERT_TRUE(PumpMessagesUntil([&] { return SendMessageW(combo->Handle(), CB_GETDROPPEDSTATE, 0, 0) != 0; }));
    EXPECT_TRUE(acComboDroppedDown);
    ClickAt(wr.left + button.left + button.Width() / 2, wr.top + button.top + button.Height() / 2);
    ASSERT_TRUE(PumpMessagesUntil([&] { return SendMessageW(combo->Handle(), CB_GETDROPPEDSTATE, 0, 0) == 0; }));
    Settle(50);
    EXPECT_FALSE(acComboDroppedDown);
}

TEST_F(ContentAdapters, TheSecondComboAdapterHasAButtonOnlyWhereTheControlHasOne) {
    auto* simple = Add<TComboBox>(10, 10, 200, 80);
    simple->SetStyle(csSimple);
    auto* drop = Add<TComboBox>(10, 120, 200, 24);
    auto simpleData = std::make_unique<TsCommonData>(simple, true);
    auto a = TacWWComboBoxWnd::CreateForControl(simple, simpleData.get(), Manager.get(), "COMBOBOX", true);
    EXPECT_FALSE(a->HasButton);
    TRect r;
    a->ButtonRect(r);
    RECT wr;
    GetWindowRect(simple->Handle(), &wr);
    EXPECT_EQ(r.Width(), 0);
    EXPECT_EQ(r.left, (wr.right - wr.left) - 2);
    EXPECT_EQ(r.top, 2);
    EXPECT_EQ(r.bottom, (wr.bottom - wr.top) - 2);
    auto dropData = std::make_unique<TsCommonData>(drop, true);
    auto b = TacWWComboBoxWnd::CreateForControl(drop, dropData.get(), Manager.get(), "COMBOBOX", true);
    EXPECT_TRUE(b->HasButton);
    b->ButtonRect(r);
    EXPECT_EQ(r.Width(), GetSystemMetrics(SM_CXVSCROLL));
    // Right-to-left reading puts the button at the left edge.
    SetWindowLongW(drop->Handle(), GWL_EXSTYLE, GetWindowLongW(drop->Handle(), GWL_EXSTYLE) | WS_EX_RTLREADING);
    b->ButtonRect(r);
    EXPECT_EQ(r.left, 2);
    // A combo of another class has its button whatever its style.
    auto* own = Add<TOwnCombo>(10, 160, 200, 80);
    own->SetStyle(csSimple);
    auto ownData = std::make_unique<TsCommonData>(own, true);
    auto c = TacWWComboBoxWnd::CreateForControl(own, ownData.get(), Manager.get(), "COMBOBOX", true);
    EXPECT_TRUE(c->HasButton);
    c->ButtonRect(r);
    EXPECT_EQ(r.Width(), GetSystemMetrics(SM_CXVSCROLL));
    a.reset();
    b.reset();
    c.reset();
}

TEST_F(ContentAdapters, ARightToLeftDropListShowsItsTextBesideTheButton) {
    auto* combo = Add<TComboBox>(10, 10, 200, 24);
    combo->SetStyle(csDropDownList);
    combo->Items()->Add("WWWWWWWW");
    combo->SetItemIndex(0);
    HWND h = combo->Handle();
    SetWindowLongW(h, GWL_EXSTYLE, GetWindowLongW(h, GWL_EXSTYLE) | WS_EX_RTLREADING);
    auto* adapter = Attach<TacComboBoxWnd>(combo, "COMBOBOX");
    ParkPointer();
    RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
    Settle();
    TRect button;
    adapter->ButtonRect(button);
    ASSERT_EQ(button.left, 2);
    auto shot = ScreenCopyOf(h);
    // The text in the combo's font colour, right of the button and inside the frame.
    TColor ink = combo->Font()->Color();
    int inside = CountPx(
        shot.get(), [ink](TColor c) { return c == ink; }, button.right, 3, shot->Width() - 3, shot->Height() - 3);
    EXPECT_GT(inside, 10);
    EXPECT_EQ(CountPx(
                  shot.get(), [ink](TColor c) { return c == ink; }, button.left, button.top, button.right,
                  button.bottom),
              0);
}

TEST_F(ContentAdapters, ADroppedListPrintsItsPlainFrameAndLearnsWhereTheButtonWentUp) {
    auto* combo = Add<TComboBox>(10, 10, 200, 24);
    combo->SetStyle(csDropDownList);
    for (int i = 0; i < 30; ++i) combo->Items()->Add("choice " + std::to_string(i));
    combo->SetItemIndex(0);
    COMBOBOXINFO cbi = {sizeof cbi};
    ASSERT_TRUE(GetComboBoxInfo(combo->Handle(), &cbi));
    HWND listWnd = cbi.hwndList;
    // What reaches the list's own procedure, under the adapter.
    ListSpy::Previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(listWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ListSpy::Proc)));
    ListSpy::UpWParam = static_cast<WPARAM>(-1);
    auto* adapter = Attach<TacComboBoxWnd>(combo, "COMBOBOX");
    SetForegroundWindow(Form->Handle());
    TRect button;
    adapter->ButtonRect(button);
    RECT wr;
    GetWindowRect(combo->Handle(), &wr);
    ClickAt(wr.left + button.left + button.Width() / 2, wr.top + button.top + button.Height() / 2);
    ASSERT_TRUE(PumpMessagesUntil([&] { return SendMessageW(combo->Handle(), CB_GETDROPPEDSTATE, 0, 0) != 0; }));
    Settle();
    ASSERT_TRUE(adapter->ListAdapter);
    // Its printed picture: the plain frame in the frame's pen, then three pixels of the list's colour over the
    // chosen item's highlight.
    auto printed = PrintOf(listWnd);
    RECT item;
    SendMessageW(listWnd, LB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item));
    POINT origin = {0, 0};
    ClientToScreen(listWnd, &origin);
    RECT lr;
    GetWindowRect(listWnd, &lr);
    int rowY = origin.y - lr.top + (item.top + item.bottom) / 2;
    EXPECT_EQ(Px(printed.get(), 0, rowY), static_cast<TColor>(0));
    for (int x = 1; x < 3; ++x)
        EXPECT_EQ(Px(printed.get(), x, rowY), Opaque(FlatSectionColor("COMBOBOX"))) << x;
    EXPECT_EQ(Px(printed.get(), printed->Width() / 2 - 20, rowY), static_cast<TColor>(ColorToRGB(clHighlight)));
    // A click on the fourth item: the list hears that the button went up over its client area, and closes.
    SendMessageW(listWnd, LB_GETITEMRECT, 3, reinterpret_cast<LPARAM>(&item));
    POINT p = {(item.left + item.right) / 2 - 20, (item.top + item.bottom) / 2};
    ClientToScreen(listWnd, &p);
    ClickAt(p.x, p.y);
    ASSERT_TRUE(PumpMessagesUntil([&] { return SendMessageW(combo->Handle(), CB_GETDROPPEDSTATE, 0, 0) == 0; }));
    EXPECT_EQ(ListSpy::UpWParam, static_cast<WPARAM>(HTCLIENT));
    EXPECT_EQ(combo->ItemIndex(), 3);
    RemoveSkin();
    EXPECT_EQ(GetWindowLongPtrW(listWnd, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&ListSpy::Proc));
    SetWindowLongPtrW(listWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ListSpy::Previous));
}

TEST_F(ContentAdapters, AnEditAndAListUnderTheMouseBecomeTheManagersHotControl) {
    ASSERT_EQ(DefaultManager, Manager.get());
    auto* edit = Add<TEdit>(10, 10, 200, 24);
    auto* list = Add<TListBox>(10, 60, 200, 100);
    Attach<TacEditWnd>(edit, "EDIT");
    Attach<TacEditWnd>(list, "EDIT");
    for (TWinControl* c : std::initializer_list<TWinControl*>{edit, list}) {
        RECT r;
        GetWindowRect(c->Handle(), &r);
        MoveMouseTo(r.left + 30, r.top + 10);
        EXPECT_TRUE(PumpMessagesUntil([&] { return Manager->ActiveControl() == c->Handle(); })) << c->ClassName();
    }
}

TEST_F(ContentAdapters, AnEditPaintsNothingWhileTheFormsAreHeldForASkinChange) {
    ASSERT_TRUE(Manager->AnimEffects()->SkinChanging()->Active());
    auto* edit = Add<TPaintCountingEdit>(10, 10, 200, 24);
    Attach<TacEditWnd>(edit, "EDIT");
    // A form of the application hears the skin change; while it does, the edit is asked to repaint.
    auto* host = new TfrmContentTest(Application.Get());
    host->SetBounds(500, 20, 120, 80);
    auto* watcher = new TSkinChangeWatcher(host);
    watcher->SetParent(host);
    watcher->SetBounds(0, 0, 20, 20);
    host->Show();
    Settle();
    watcher->During = [&] {
        int before = edit->Paints;
        RedrawWindow(edit->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
        return edit->Paints - before;
    };
    Manager->SetHueOffset(30);
    ASSERT_TRUE(watcher->Heard);
    EXPECT_EQ(watcher->PaintsDuring, 0);
    // Let go, it paints what was held back with the new look.
    int before = edit->Paints;
    Settle();
    EXPECT_GT(edit->Paints, before);
    host->Free();
}
