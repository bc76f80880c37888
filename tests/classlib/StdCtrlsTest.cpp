// The standard controls on a real form under Xvfb, driven by real keys and clicks where users drive them.
#include "classlib/visual/StdCtrls.h"

#include "tests/support/ApplicationLoop.h"
#include "tests/support/SyntheticInput.h"
#include "classlib/visual/ExtCtrls.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A plain windowed control to align inside others.
class TPanelProbe : public TCustomControl {
    CLASS_INFO(TPanelProbe, TCustomControl)
public:
    using TCustomControl::TCustomControl;
};

class StdCtrls : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TForm(nullptr);
        form->SetPosition(poDesigned);
        form->SetBounds(60, 60, 420, 320);
    }
    void TearDown() override {
        form->Free();
        PumpFor(20);
    }
    template <class T>
    T* Place(int left, int top, int width = -1, int height = -1) {
        T* c = new T(form);
        c->SetParent(form);
        c->SetBounds(left, top, width < 0 ? c->Width() : width, height < 0 ? c->Height() : height);
        return c;
    }
    void ShowActive() {
        form->Show();
        ASSERT_TRUE(PumpUntil([&] { return form->Active(); }));
    }
    // The centre of a control on the screen.
    static POINT Centre(TControl* c) {
        TPoint p = c->ClientToScreen(TPoint(c->Width() / 2, c->Height() / 2));
        return p;
    }
    TForm* form = nullptr;
};

TEST_F(StdCtrls, EditTextSurvivesTheClassLibraryInUnicode) {
    auto* edit = Place<TEdit>(10, 10, 200);
    form->Show();
    const wchar_t* text = L"\u041F\u0440\u0438\u0432\u0435\u0442 \u4E2D\u6587 \u00FC\u20AC";
    SetWindowTextW(edit->Handle(), text);
    PumpFor(20);
    wchar_t back[64] = {};
    GetWindowTextW(edit->Handle(), back, 64);
    EXPECT_STREQ(back, text);
    EXPECT_EQ(GetWindowLongPtrW(edit->Handle(), GWLP_WNDPROC) != 0, true);
    EXPECT_TRUE(IsWindowUnicode(edit->Handle()));
}

TEST_F(StdCtrls, TypedNonAnsiCharactersReachTheEditUnchanged) {
    auto* edit = Place<TEdit>(10, 10, 200);
    std::vector<char> pressed;
    edit->OnKeyPress = [&](TObject*, char& key) { pressed.push_back(key); };
    ShowActive();
    edit->SetFocus();
    ASSERT_TRUE(PumpUntil([&] { return edit->Focused(); }));
    const wchar_t* text = L"a\u4E2D\u0416b";
    TypeText(text);
    ASSERT_TRUE(PumpUntil([&] { return GetWindowTextLengthW(edit->Handle()) == 4; }));
    wchar_t back[16] = {};
    GetWindowTextW(edit->Handle(), back, 16);
    EXPECT_STREQ(back, text);
    // The handler saw the characters it can hold as themselves and the others as '?'.
    EXPECT_EQ(pressed, (std::vector<char>{'a', '?', '?', 'b'}));
}

TEST_F(StdCtrls, EditSelectionAndChangeEvents) {
    auto* edit = Place<TEdit>(10, 10, 200);
    int changes = 0;
    edit->OnChange = [&](TObject*) { ++changes; };
    edit->SetText("AT+CMGS=\"\"");
    EXPECT_EQ(edit->Text(), "AT+CMGS=\"\"");
    form->Show();
    EXPECT_EQ(edit->Text(), "AT+CMGS=\"\"");
    edit->SetSelStart(9);
    edit->SetSelLength(0);
    EXPECT_EQ(edit->SelStart(), 9);
    edit->SetSelText("123");
    EXPECT_EQ(edit->Text(), "AT+CMGS=\"123\"");
    EXPECT_GE(changes, 1);
    edit->SelectAll();
    EXPECT_EQ(edit->SelLength(), 13);
    EXPECT_EQ(edit->SelText(), "AT+CMGS=\"123\"");
    edit->SetModified(false);
    EXPECT_FALSE(edit->Modified());
}

TEST_F(StdCtrls, MemoLinesCountAndEditTheSameWithAndWithoutAWindow) {
    for (bool window : {false, true}) {
        auto* memo = Place<TMemo>(10, 10, 300, 200);
        if (window)
            memo->HandleNeeded();
        TStrings* lines = memo->Lines();
        EXPECT_EQ(lines->Count(), 0);
        lines->Add("Usage:");
        lines->Add("");
        lines->Add("1. Select and configure comport");
        EXPECT_EQ(lines->Count(), 3) << window;
        EXPECT_EQ(memo->Text(), "Usage:\r\n\r\n1. Select and configure comport\r\n") << window;
        lines->Insert(1, "inserted");
        lines->SetStrings(0, "Usage");
        lines->Delete(2);
        EXPECT_EQ(lines->Count(), 3) << window;
        EXPECT_EQ(lines->Strings(0), "Usage");
        EXPECT_EQ(lines->Strings(1), "inserted");
        EXPECT_EQ(lines->Strings(2), "1. Select and configure comport");
        EXPECT_THROW(lines->Strings(3), EStringListError);
        memo->SetText("no end");
        lines->Add("next");
        EXPECT_EQ(memo->Text(), "no end\r\nnext") << window;
        memo->Free();
    }
}

TEST_F(StdCtrls, MemoLinesGivenBeforeItsWindowAreInIt) {
    auto* memo = Place<TMemo>(10, 10, 300, 200);
    memo->Lines()->Add("one");
    memo->Lines()->Add("two");
    form->Show();
    ASSERT_TRUE(memo->HandleAllocated());
    EXPECT_EQ(SendMessageW(memo->Handle(), EM_GETLINECOUNT, 0, 0), 3);
    EXPECT_EQ(memo->Lines()->Strings(1), "two");
}

TEST_F(StdCtrls, AMemoTakesFarMoreThanThirtyThousandCharacters) {
    auto* memo = Place<TMemo>(10, 10, 300, 200);
    memo->SetScrollBars(ssBoth);
    memo->SetWordWrap(false);
    form->Show();
    std::string line(99, 'x');
    memo->Lines()->BeginUpdate();
    for (int i = 0; i < 500; ++i)
        memo->Lines()->Add(line);
    memo->Lines()->EndUpdate();
    EXPECT_EQ(memo->Lines()->Count(), 500);
    EXPECT_EQ(GetWindowTextLengthW(memo->Handle()), 500 * 101);
    EXPECT_TRUE(GetWindowLongW(memo->Handle(), GWL_STYLE) & WS_HSCROLL);
}

TEST_F(StdCtrls, ComboItemsAndIndexGivenBeforeTheWindowAreKeptThroughANewWindow) {
    auto* combo = Place<TComboBox>(10, 10, 150);
    combo->Items()->Add("AT");
    combo->Items()->Add("ATI");
    combo->Items()->Add("AT+CPAS");
    combo->SetItemIndex(1);
    form->Show();
    EXPECT_EQ(SendMessageW(combo->Handle(), CB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(combo->ItemIndex(), 1);
    EXPECT_EQ(combo->Text(), "ATI");
    ASSERT_NE(combo->EditHandle(), nullptr);
    combo->SetStyle(csDropDownList);  // a new window
    EXPECT_EQ(combo->Items()->Count(), 3);
    EXPECT_EQ(combo->Items()->Strings(2), "AT+CPAS");
    EXPECT_EQ(combo->ItemIndex(), 1);
    EXPECT_EQ(combo->EditHandle(), nullptr);
    combo->Items()->Delete(0);
    EXPECT_EQ(combo->Items()->IndexOf("at+cpas"), 1);
    EXPECT_THROW(combo->SetItemIndex(5), EListError);
}

TEST_F(StdCtrls, TypingIntoTheComboEditAndPressingEnterReachesTheFormsHandler) {
    auto* combo = Place<TComboBox>(10, 10, 150);
    combo->SetDropDownCount(18);
    combo->SetText("");
    std::vector<std::string> sent;
    std::string changedTo;
    combo->OnChange = [&](TObject*) { changedTo = combo->Text(); };
    combo->OnKeyDown = [&](TObject*, WORD& key, TShiftState) {
        if (key == VK_RETURN)
            sent.push_back(combo->Text());
    };
    int doubleClicks = 0;
    combo->OnDblClick = [&](TObject*) { ++doubleClicks; };
    ShowActive();
    combo->SetFocus();
    ASSERT_TRUE(PumpUntil([&] { return combo->Focused(); }));
    EXPECT_EQ(GetFocus(), combo->EditHandle());
    EXPECT_EQ(form->ActiveControl(), combo);
    TypeText(L"ATI");
    PressKey(VK_RETURN);
    ASSERT_TRUE(PumpUntil([&] { return !sent.empty(); }, 3000));
    EXPECT_EQ(sent, (std::vector<std::string>{"ATI"}));
    EXPECT_EQ(changedTo, "ATI");
    POINT p = Centre(combo);
    MoveMouseTo(p.x - 30, p.y);
    for (int i = 0; i < 2; ++i) {
        MouseButton(true);
        MouseButton(false);
    }
    EXPECT_TRUE(PumpUntil([&] { return doubleClicks == 1; }, 3000));
}

TEST_F(StdCtrls, ChoosingAComboItemByKeyFiresOnChangeWithTheItemsText) {
    auto* combo = Place<TComboBox>(10, 10, 150);
    combo->SetStyle(csDropDownList);
    for (const char* s : {"br9600", "br19200", "br115200"})
        combo->Items()->Add(s);
    combo->SetItemIndex(0);
    std::vector<std::string> changes;
    combo->OnChange = [&](TObject*) { changes.push_back(combo->Items()->Strings(combo->ItemIndex())); };
    ShowActive();
    combo->SetFocus();
    ASSERT_TRUE(PumpUntil([&] { return combo->Focused(); }));
    PressKey(VK_DOWN);
    ASSERT_TRUE(PumpUntil([&] { return changes.size() == 1; }, 3000));
    PressKey(VK_DOWN);
    ASSERT_TRUE(PumpUntil([&] { return changes.size() == 2; }, 3000));
    EXPECT_EQ(changes, (std::vector<std::string>{"br19200", "br115200"}));
    EXPECT_EQ(combo->ItemIndex(), 2);
}

TEST_F(StdCtrls, WithKeyPreviewTheFormHasTheComboEditsKeysFirstAndMayTakeEnter) {
    auto* combo = Place<TComboBox>(10, 10, 150);
    combo->SetText("");
    std::string typed;
    std::vector<std::string> log;
    form->SetKeyPreview(true);
    form->OnKeyPress = [&](TObject*, char& key) {
        typed += key;
        // The form may change what the edit gets.
        if (key == 'i')
            key = 'I';
    };
    form->OnKeyDown = [&](TObject*, WORD& key, TShiftState) {
        if (key != VK_RETURN)
            return;
        log.push_back("form " + combo->Text());
        key = 0;  // taken: the combo box does not see it
    };
    combo->OnKeyDown = [&](TObject*, WORD& key, TShiftState) {
        if (key == VK_RETURN)
            log.push_back("combo");
    };
    ShowActive();
    combo->SetFocus();
    ASSERT_TRUE(PumpUntil([&] { return GetFocus() == combo->EditHandle(); }));
    TypeText(L"ATi");
    PressKey(VK_RETURN);
    ASSERT_TRUE(PumpUntil([&] { return !log.empty(); }, 3000));
    PumpFor(50);
    // The key was taken, its character was made before: the form sees it too.
    EXPECT_EQ(typed, "ATi\r");
    EXPECT_EQ(log, (std::vector<std::string>{"form ATI"}));

    form->SetKeyPreview(false);
    PressKey(VK_RETURN);
    ASSERT_TRUE(PumpUntil([&] { return log.size() == 2; }, 3000));
    EXPECT_EQ(log.back(), "combo");
}

TEST_F(StdCtrls, ChoosingAnItemFromTheDroppedListOfAComboWithAnEditFiresOnChange) {
    auto* combo = Place<TComboBox>(10, 10, 150);
    for (const char* s : {"ATI", "AT+CSQ", "AT+CPAS"})
        combo->Items()->Add(s);
    combo->SetText("ATI");  // the list opens on this item
    std::vector<std::string> changes;
    combo->OnChange = [&](TObject*) { changes.push_back(combo->Text()); };
    ShowActive();
    combo->SetFocus();
    ASSERT_TRUE(PumpUntil([&] { return GetFocus() == combo->EditHandle(); }));
    PressKey(VK_F4);
    ASSERT_TRUE(PumpUntil([&] { return combo->DroppedDown(); }, 3000));
    PressKey(VK_DOWN);
    PressKey(VK_RETURN);
    ASSERT_TRUE(PumpUntil([&] { return !combo->DroppedDown() && !changes.empty(); }, 3000));
    PumpFor(50);
    EXPECT_EQ(combo->ItemIndex(), 1);
    EXPECT_EQ(combo->Text(), "AT+CSQ");
    ASSERT_FALSE(changes.empty());
    EXPECT_EQ(changes.back(), "AT+CSQ");
}

TEST_F(StdCtrls, TheOpenComboListShowsDropDownCountItems) {
    auto* combo = Place<TComboBox>(10, 10, 150);
    for (int i = 0; i < 30; ++i)
        combo->Items()->Add("item " + std::to_string(i));
    combo->SetDropDownCount(10);
    form->Show();
    int itemHeight = static_cast<int>(SendMessageW(combo->Handle(), CB_GETITEMHEIGHT, 0, 0));
    combo->SetDroppedDown(true);
    PumpFor(50);
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetComboBoxInfo(combo->Handle(), &info));
    EXPECT_EQ(info.hwndList, combo->ListHandle());
    RECT r{};
    GetWindowRect(info.hwndList, &r);
    combo->SetDroppedDown(false);
    EXPECT_GE(r.bottom - r.top, 10 * itemHeight);
    EXPECT_LT(r.bottom - r.top, 12 * itemHeight);
}

TEST_F(StdCtrls, OwnerDrawnComboItemsAreDrawnByTheHandler) {
    auto* combo = Place<TComboBox>(10, 10, 150);
    combo->SetStyle(csOwnerDrawFixed);
    combo->SetItemHeight(20);
    combo->Items()->Add("red");
    combo->SetItemIndex(0);
    std::vector<int> drawn;
    combo->OnDrawItem = [&](TWinControl*, int index, TRect, TOwnerDrawState) { drawn.push_back(index); };
    form->Show();
    UpdateWindow(combo->Handle());
    PumpFor(50);
    EXPECT_EQ(SendMessageW(combo->Handle(), CB_GETITEMHEIGHT, 0, 0), 20);
    EXPECT_NE(std::find(drawn.begin(), drawn.end(), 0), drawn.end());
}

TEST_F(StdCtrls, ListBoxSelectionClickedWithTheMouse) {
    auto* list = Place<TListBox>(10, 10, 150, 120);
    for (const char* s : {"COM1", "COM2", "COM3"})
        list->Items()->Add(s);
    int clicks = 0;
    list->OnClick = [&](TObject*) { ++clicks; };
    ShowActive();
    TRect item = list->ItemRect(1);
    TPoint p = list->ClientToScreen(TPoint((item.left + item.right) / 2, (item.top + item.bottom) / 2));
    ClickAt(p.x, p.y);
    ASSERT_TRUE(PumpUntil([&] { return clicks == 1; }, 3000));
    EXPECT_EQ(list->ItemIndex(), 1);
    EXPECT_TRUE(list->Selected(1));
    EXPECT_EQ(list->ItemAtPos(list->ScreenToClient(p), true), 1);
    list->SetMultiSelect(true);  // a new window, which keeps the selected item
    list->SetSelected(0, true);
    list->SetSelected(2, true);
    EXPECT_EQ(list->SelCount(), 3);
    EXPECT_EQ(list->Items()->Count(), 3);
}

TEST_F(StdCtrls, ButtonsClickByMouseByEnterAsDefaultAndByEscapeAsCancel) {
    auto* edit = Place<TEdit>(10, 10);
    auto* ok = Place<TButton>(10, 50);
    ok->SetCaption("OK");
    ok->SetDefault(true);
    ok->SetModalResult(mrOk);
    auto* cancel = Place<TButton>(100, 50);
    cancel->SetCaption("Cancel");
    cancel->SetCancel(true);
    std::vector<std::string> clicks;
    ok->OnClick = [&](TObject*) { clicks.push_back("ok"); };
    cancel->OnClick = [&](TObject*) { clicks.push_back("cancel"); };
    ShowActive();
    edit->SetFocus();
    ASSERT_TRUE(PumpUntil([&] { return edit->Focused(); }));
    EXPECT_EQ(GetWindowLongW(ok->Handle(), GWL_STYLE) & 0xF, BS_DEFPUSHBUTTON);
    PressKey(VK_RETURN);
    ASSERT_TRUE(PumpUntil([&] { return clicks.size() == 1; }, 3000));
    EXPECT_EQ(form->ModalResult(), mrOk);
    PressKey(VK_ESCAPE);
    ASSERT_TRUE(PumpUntil([&] { return clicks.size() == 2; }, 3000));
    POINT p = Centre(cancel);
    ClickAt(p.x, p.y);
    ASSERT_TRUE(PumpUntil([&] { return clicks.size() == 3; }, 3000));
    EXPECT_EQ(clicks, (std::vector<std::string>{"ok", "cancel", "cancel"}));
    // The focused button is the one Enter presses now.
    EXPECT_EQ(GetWindowLongW(ok->Handle(), GWL_STYLE) & 0xF, BS_PUSHBUTTON);
    EXPECT_EQ(GetWindowLongW(cancel->Handle(), GWL_STYLE) & 0xF, BS_DEFPUSHBUTTON);
}

TEST_F(StdCtrls, AModalFormEndsWithTheModalResultOfTheButtonClicked) {
    auto* ok = Place<TButton>(10, 50);
    ok->SetModalResult(mrOk);
    auto* timer = new TTimer(form);
    timer->SetInterval(100);
    timer->OnTimer = [&](TObject*) {
        timer->SetEnabled(false);
        POINT p = Centre(ok);
        ClickAt(p.x, p.y);
    };
    EXPECT_EQ(form->ShowModal(), mrOk);
}

TEST_F(StdCtrls, CheckBoxesToggleThroughTheirStatesAndRadioButtonsExcludeEachOther) {
    auto* check = Place<TCheckBox>(10, 10);
    check->SetCaption("Echo input characters");
    int checkClicks = 0;
    check->OnClick = [&](TObject*) { ++checkClicks; };
    auto* a = Place<TRadioButton>(10, 40);
    auto* b = Place<TRadioButton>(10, 60);
    auto* group = Place<TGroupBox>(150, 10, 200, 120);
    auto* c = new TRadioButton(form);
    c->SetParent(group);
    c->SetBounds(10, 30, 100, 17);
    ShowActive();
    POINT p = check->ClientToScreen(TPoint(7, check->Height() / 2));
    ClickAt(p.x, p.y);
    ASSERT_TRUE(PumpUntil([&] { return checkClicks == 1; }, 3000));
    EXPECT_TRUE(check->Checked());
    EXPECT_EQ(SendMessageW(check->Handle(), BM_GETCHECK, 0, 0), BST_CHECKED);
    check->SetAllowGrayed(true);
    check->SetState(cbUnchecked);
    ClickAt(p.x, p.y);
    ASSERT_TRUE(PumpUntil([&] { return check->State() == cbGrayed; }, 3000));
    EXPECT_EQ(SendMessageW(check->Handle(), BM_GETCHECK, 0, 0), BST_INDETERMINATE);

    a->SetChecked(true);
    c->SetChecked(true);
    p = b->ClientToScreen(TPoint(7, b->Height() / 2));
    ClickAt(p.x, p.y);
    ASSERT_TRUE(PumpUntil([&] { return b->Checked(); }, 3000));
    EXPECT_FALSE(a->Checked());
    EXPECT_TRUE(c->Checked());  // in another group
    EXPECT_EQ(SendMessageW(a->Handle(), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    // Children aligned in a group box stay below its caption.
    auto* inner = new TPanelProbe(form);
    inner->SetParent(group);
    inner->SetAlign(alClient);
    EXPECT_GT(inner->Top(), 8);
    EXPECT_LT(inner->Width(), group->Width());
}

TEST_F(StdCtrls, ALabelFitsItsTextAndPaintsOnItsParent) {
    form->SetColor(clBlue);
    auto* label = Place<TLabel>(20, 20);
    label->Font()->SetColor(clYellow);
    label->SetCaption("A label with some words");
    int narrow = label->Width();
    label->SetCaption("A label with some more words in it");
    EXPECT_GT(label->Width(), narrow);
    EXPECT_GT(label->Height(), 8);
    auto* right = Place<TLabel>(200, 80, 100, 17);
    right->SetAutoSize(false);
    right->SetAlignment(taRightJustify);
    right->SetAutoSize(true);
    right->SetCaption("x");
    EXPECT_EQ(right->Left() + right->Width(), 300);
    form->Show();
    UpdateWindow(form->Handle());
    PumpFor(50);
    // The label's own colour (its parent's) behind yellow text.
    TPoint topLeft = label->ClientToScreen(TPoint(0, 0));
    bool yellow = false;
    for (int x = 0; x < label->Width() && !yellow; ++x)
        for (int y = 0; y < label->Height() && !yellow; ++y)
            yellow = ScreenPixel(topLeft.x + x, topLeft.y + y) == RGB(255, 255, 0);
    EXPECT_TRUE(yellow);
    EXPECT_EQ(ScreenPixel(topLeft.x + label->Width() - 1, topLeft.y), RGB(0, 0, 255));
}

TEST_F(StdCtrls, AScrollBarKeepsItsPositionInRangeAndFollowsItsButtons) {
    auto* bar = Place<TScrollBar>(10, 200, 200);
    bar->SetParams(50, 0, 100);
    bar->SetLargeChange(10);
    std::vector<int> positions;
    bar->OnChange = [&](TObject*) { positions.push_back(bar->Position()); };
    form->Show();
    SendMessageW(form->Handle(), WM_HSCROLL, SB_LINEDOWN, reinterpret_cast<LPARAM>(bar->Handle()));
    SendMessageW(form->Handle(), WM_HSCROLL, SB_PAGEUP, reinterpret_cast<LPARAM>(bar->Handle()));
    EXPECT_EQ(positions, (std::vector<int>{51, 41}));
    EXPECT_EQ(GetScrollPos(bar->Handle(), SB_CTL), 41);
    bar->SetPosition(500);
    EXPECT_EQ(bar->Position(), 100);
    EXPECT_THROW(bar->SetParams(0, 10, 5), EInvalidArgument);
}

}  // namespace
