// The common controls on a real form under Xvfb: toolbars clicked and typed into with real input, status bars,
// page and tab controls, up-down buttons, and a toolbar read from a form description.
#include "classlib/visual/ComCtrls.h"

#include "tests/support/ApplicationLoop.h"
#include "tests/support/SyntheticInput.h"
#include "classlib/visual/Buttons.h"
#include "classlib/runtime/FormResources.h"
#include "classlib/visual/StdCtrls.h"
#include "pngctl/PngImageList.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// A 16 x 16 PNG in one opaque colour.
std::unique_ptr<TPNGObject> SolidPng(TColor Color) {
    auto png = std::make_unique<TPNGObject>();
    png->CreateBlank(ctRGBAlpha, 8, 16, 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            png->SetPixels(x, y, Color);
            png->AlphaScanline(y)[x] = 255;
        }
    return png;
}

class TfrmCommon : public TForm {
    CLASS_INFO(TfrmCommon, TForm)
public:
    using TForm::TForm;
    TToolBar* tlb = nullptr;
    TToolButton* btnOnOff = nullptr;
    TToolButton* btnSave = nullptr;
    TPngImageList* PngImageList = nullptr;
    std::vector<std::string> Clicks;
    void ButtonClick(TObject* Sender) { Clicks.push_back(static_cast<TComponent*>(Sender)->Name()); }
};

const bool FormRegistered = RegisterFormClass<TfrmCommon>([](TFormClass<TfrmCommon>& c) {
    c.Field("tlb", &TfrmCommon::tlb);
    c.Field("btnOnOff", &TfrmCommon::btnOnOff);
    c.Field("btnSave", &TfrmCommon::btnSave);
    c.Field("PngImageList", &TfrmCommon::PngImageList);
    c.Method("ButtonClick", &TfrmCommon::ButtonClick);
});

class ComCtrls : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TfrmCommon(nullptr);
        form->SetPosition(poDesigned);
        form->SetBounds(60, 60, 480, 360);
    }
    void TearDown() override {
        form->Free();
        PumpFor(20);
    }
    template <class T>
    T* Make(TWinControl* parent) {
        T* c = new T(form);
        c->SetParent(parent);
        return c;
    }
    void ShowActive() {
        form->Show();
        ASSERT_TRUE(PumpUntil([&] { return form->Active(); }));
    }
    TToolBar* MakeBar(bool flat = true) {
        auto* bar = Make<TToolBar>(form);
        bar->SetFlat(flat);
        return bar;
    }
    TToolButton* AddButton(TToolBar* bar, TToolButtonStyle style = tbsButton) {
        auto* b = new TToolButton(bar);
        b->SetLeft(10000 + bar->ButtonCount());  // behind those already there
        b->SetStyle(style);
        b->SetParent(bar);
        return b;
    }
    // The screen point at (x, y) of a control, the centre by default.
    static POINT At(TControl* c, int x = -1, int y = -1) {
        return c->ClientToScreen(TPoint(x < 0 ? c->Width() / 2 : x, y < 0 ? c->Height() / 2 : y));
    }
    static void ClickOn(TControl* c, bool right = false) {
        POINT p = At(c);
        MoveMouseTo(p.x, p.y);
        PumpFor(30);
        MouseButton(true, right);
        PumpFor(30);
        MouseButton(false, right);
    }
    // Whether the control shows a pixel of that colour on the screen.
    static bool Shows(TControl* c, COLORREF colour) {
        POINT origin = At(c, 0, 0);
        HDC dc = GetDC(nullptr);
        bool found = false;
        for (int y = 0; y < c->Height() && !found; ++y)
            for (int x = 0; x < c->Width() && !found; ++x)
                found = GetPixel(dc, origin.x + x, origin.y + y) == colour;
        ReleaseDC(nullptr, dc);
        return found;
    }
    static std::vector<std::string> Captions(TToolBar* bar) {
        std::vector<std::string> out;
        for (int i = 0; i < bar->ButtonCount(); ++i)
            out.push_back(bar->Buttons(i)->Caption());
        return out;
    }
    TfrmCommon* form = nullptr;
};

// --- toolbars ---

TEST_F(ComCtrls, ClickingToolButtonsRunsOnClickAndACheckButtonIsDownBeforeItsHandlerRuns) {
    TToolBar* bar = MakeBar();
    TToolButton* plain = AddButton(bar);
    TToolButton* check = AddButton(bar, tbsCheck);
    std::vector<std::string> clicks;
    plain->OnClick = [&](TObject*) { clicks.push_back("plain"); };
    check->OnClick = [&](TObject*) { clicks.push_back(check->Down() ? "down" : "up"); };
    ShowActive();
    ClickOn(plain);
    ClickOn(check);
    ClickOn(check);
    ASSERT_TRUE(PumpUntil([&] { return clicks.size() == 3; }, 3000));
    EXPECT_EQ(clicks, (std::vector<std::string>{"plain", "down", "up"}));
    EXPECT_FALSE(SendMessageW(bar->Handle(), TB_ISBUTTONCHECKED, check->Index(), 0));
    check->SetDown(true);
    EXPECT_TRUE(SendMessageW(bar->Handle(), TB_ISBUTTONCHECKED, check->Index(), 0));
}

TEST_F(ComCtrls, GroupedCheckButtonsStayDownOneAtATime) {
    TToolBar* bar = MakeBar();
    TToolButton* a = AddButton(bar, tbsCheck);
    TToolButton* b = AddButton(bar, tbsCheck);
    TToolButton* apart = AddButton(bar, tbsCheck);  // not grouped: not in the group
    for (TToolButton* t : {a, b})
        t->SetGrouped(true);
    apart->SetDown(true);
    ShowActive();
    ClickOn(a);
    ASSERT_TRUE(PumpUntil([&] { return a->Down(); }, 3000));
    ClickOn(b);
    ASSERT_TRUE(PumpUntil([&] { return b->Down(); }, 3000));
    EXPECT_FALSE(a->Down());
    EXPECT_FALSE(SendMessageW(bar->Handle(), TB_ISBUTTONCHECKED, a->Index(), 0));
    EXPECT_TRUE(apart->Down());
    // The last one down stays down...
    ClickOn(b);
    PumpFor(150);
    EXPECT_TRUE(b->Down());
    EXPECT_TRUE(SendMessageW(bar->Handle(), TB_ISBUTTONCHECKED, b->Index(), 0));
    // ...unless the group may be all up.
    b->SetAllowAllUp(true);
    ClickOn(b);
    ASSERT_TRUE(PumpUntil([&] { return !b->Down(); }, 3000));
    a->SetDown(true);
    EXPECT_FALSE(b->Down());
}

TEST_F(ComCtrls, RightPressAndReleaseReachTheButtonsMouseEventsAndMovesOverTheBarReachTheBar) {
    TToolBar* bar = MakeBar();
    bar->SetShowCaptions(true);
    TToolButton* first = AddButton(bar);
    first->SetCaption("AT");
    TToolButton* second = AddButton(bar);
    second->SetCaption("CMGS");
    std::vector<std::string> events;
    for (TToolButton* b : {first, second}) {
        b->OnMouseDown = [&, b](TObject* sender, TMouseButton button, TShiftState, int x, int y) {
            EXPECT_EQ(sender, b);
            EXPECT_TRUE(x >= 0 && x < b->Width() && y >= 0 && y < b->Height());
            events.push_back("down " + b->Caption() + (button == mbRight ? " right" : " left"));
            // The console shows a right-pressed button down itself.
            b->SetDown(true);
        };
        b->OnMouseUp = [&, b](TObject*, TMouseButton button, TShiftState, int, int) {
            events.push_back("up " + b->Caption() + (button == mbRight ? " right" : " left"));
        };
        b->OnClick = [&, b](TObject*) { events.push_back("click " + b->Caption()); };
    }
    int barMoves = 0;
    bar->OnMouseMove = [&](TObject* sender, TShiftState, int, int) {
        EXPECT_EQ(sender, bar);
        ++barMoves;
    };
    ShowActive();
    ClickOn(second, true);
    ASSERT_TRUE(PumpUntil([&] { return events.size() == 2; }, 3000));
    EXPECT_EQ(events, (std::vector<std::string>{"down CMGS right", "up CMGS right"}));
    EXPECT_TRUE(second->Down());
    EXPECT_TRUE(SendMessageW(bar->Handle(), TB_ISBUTTONPRESSED, second->Index(), 0));
    EXPECT_EQ(barMoves, 0);
    POINT empty = At(bar, bar->Width() - 10);
    MoveMouseTo(empty.x, empty.y);
    ASSERT_TRUE(PumpUntil([&] { return barMoves > 0; }, 3000));
}

TEST_F(ComCtrls, ButtonsMadeAtRunTimeGoInFrontOfThoseOnTheBar) {
    TToolBar* bar = MakeBar();
    bar->SetShowCaptions(true);
    ShowActive();
    // As the console builds its shortcut bar: the highest number first, each button in front of the others.
    const char* names[] = {"AT", "CMGS", "CMGR", "CPAS", "CEER"};
    for (int i = 4; i >= 0; --i) {
        auto* b = new TToolButton(bar);
        b->SetParent(bar);
        b->SetCaption(names[i]);
        b->SetAutoSize(true);
    }
    PumpFor(50);
    EXPECT_EQ(Captions(bar), (std::vector<std::string>{"AT", "CMGS", "CMGR", "CPAS", "CEER"}));
    ASSERT_EQ(SendMessageW(bar->Handle(), TB_BUTTONCOUNT, 0, 0), 5);
    for (int i = 0; i < 5; ++i) {
        TBBUTTON native{};
        ASSERT_TRUE(SendMessageW(bar->Handle(), TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&native)));
        EXPECT_EQ(reinterpret_cast<TToolButton*>(native.dwData), bar->Buttons(i));
        if (i > 0) {
            EXPECT_GT(bar->Buttons(i)->Left(), bar->Buttons(i - 1)->Left());
        }
    }
    // An auto-sized button is as wide as its caption.
    EXPECT_GT(bar->Buttons(1)->Width(), bar->Buttons(0)->Width());
    // Freed from the last to the first, as the console clears the bar.
    for (int i = bar->ButtonCount() - 1; i >= 0; --i)
        bar->Buttons(i)->Free();
    EXPECT_EQ(bar->ButtonCount(), 0);
    EXPECT_EQ(SendMessageW(bar->Handle(), TB_BUTTONCOUNT, 0, 0), 0);
}

TEST_F(ComCtrls, AComboBoxOnABarTakesTypingAndTheControlsBehindItFollowItsWidth) {
    TToolBar* bar = MakeBar();
    auto* combo = new TComboBox(form);
    combo->SetParent(bar);
    combo->SetWidth(150);
    auto* send = new TSpeedButton(form);
    send->SetLeft(500);
    send->SetParent(bar);
    send->SetBounds(send->Left(), send->Top(), 40, 22);
    int sends = 0;
    send->OnClick = [&](TObject*) { ++sends; };
    ShowActive();
    ASSERT_EQ(bar->ButtonCount(), 2);
    EXPECT_EQ(bar->Buttons(0), nullptr);
    EXPECT_EQ(bar->Items(0), combo);
    EXPECT_GE(send->Left(), combo->Left() + combo->Width());
    ClickOn(combo);
    ASSERT_TRUE(PumpUntil([&] { return combo->Focused(); }));
    TypeText(L"AT+CPAS");
    ASSERT_TRUE(PumpUntil([&] { return combo->Text() == "AT+CPAS"; }));
    // The console widens the box with its window; what stands behind it moves along.
    combo->SetWidth(300);
    PumpFor(30);
    EXPECT_GE(send->Left(), combo->Left() + 300);
    ClickOn(send);
    ASSERT_TRUE(PumpUntil([&] { return sends == 1; }, 3000));
}

TEST_F(ComCtrls, ADisabledBarTakesNoClicksAndShowsItsButtonsDisabled) {
    TToolBar* bar = MakeBar();
    TToolButton* b = AddButton(bar);
    int clicks = 0;
    b->OnClick = [&](TObject*) { ++clicks; };
    bar->SetEnabled(false);
    ShowActive();
    EXPECT_FALSE(SendMessageW(bar->Handle(), TB_GETSTATE, b->Index(), 0) & TBSTATE_ENABLED);
    ClickOn(b);
    PumpFor(150);
    EXPECT_EQ(clicks, 0);
    bar->SetEnabled(true);
    EXPECT_TRUE(SendMessageW(bar->Handle(), TB_GETSTATE, b->Index(), 0) & TBSTATE_ENABLED);
    ClickOn(b);
    ASSERT_TRUE(PumpUntil([&] { return clicks == 1; }, 3000));
    // A disabled button of an enabled bar is disabled too.
    b->SetEnabled(false);
    EXPECT_FALSE(SendMessageW(bar->Handle(), TB_GETSTATE, b->Index(), 0) & TBSTATE_ENABLED);
}

TEST_F(ComCtrls, EachToolButtonHasItsOwnHint) {
    TToolBar* bar = MakeBar();
    TToolButton* open = AddButton(bar);
    open->SetHint("Open|Open Comport");
    TToolButton* save = AddButton(bar);
    save->SetHint("Save log to file");
    std::vector<std::string> hints;
    Application->OnHint = [&](TObject*) { hints.push_back(Application->Hint()); };
    ShowActive();
    for (TToolButton* b : {open, save}) {
        POINT p = At(b);
        MoveMouseTo(p.x, p.y);
        ASSERT_TRUE(IdleUntil([&] { return !hints.empty() && !hints.back().empty(); }));
        hints.push_back("");  // the next one must come from the next button
    }
    Application->OnHint = nullptr;
    EXPECT_EQ(hints, (std::vector<std::string>{"Open Comport", "", "Save log to file", ""}));
}

TEST_F(ComCtrls, ABarAlignedToTheTopIsAsHighAsItsButtonsWhichShowTheirImages) {
    auto* images = new TPngImageList(form);
    for (TColor c : {clRed, clLime, clBlue})
        images->PngImages()->Add()->SetPngImage(SolidPng(c).get());
    TToolBar* bar = MakeBar();
    bar->SetImages(images);
    bar->SetButtonWidth(39);
    bar->SetButtonHeight(38);
    TToolButton* b = AddButton(bar);
    b->SetImageIndex(0);
    auto* memo = new TMemo(form);
    memo->SetParent(form);
    memo->SetAlign(alClient);
    ShowActive();
    EXPECT_EQ(b->Width(), 39);
    EXPECT_EQ(b->Height(), 38);
    EXPECT_GE(bar->Height(), 38);
    EXPECT_LE(bar->Height(), 38 + 8);
    EXPECT_EQ(memo->Top(), bar->Height());
    EXPECT_EQ(reinterpret_cast<HIMAGELIST>(SendMessageW(bar->Handle(), TB_GETIMAGELIST, 0, 0)), images->Handle());
    PumpFor(50);
    EXPECT_TRUE(Shows(b, RGB(255, 0, 0)));
    // The image can change while the bar shows.
    b->SetImageIndex(2);
    EXPECT_EQ(SendMessageW(bar->Handle(), TB_GETBITMAP, b->Index(), 0), 2);
    PumpFor(50);
    EXPECT_TRUE(Shows(b, RGB(0, 0, 255)));
    EXPECT_FALSE(Shows(b, RGB(255, 0, 0)));
    // A list that goes takes nothing with it.
    images->Free();
    EXPECT_EQ(bar->Images(), nullptr);
}

TEST_F(ComCtrls, CustomDrawEventsPaintTheBarAndItsButtons) {
    TToolBar* bar = MakeBar();
    TToolButton* b = AddButton(bar);
    std::vector<TCustomDrawStage> barStages;
    bar->OnAdvancedCustomDraw = [&](TToolBar* sender, const TRect& r, TCustomDrawStage stage, bool& defaultDraw) {
        barStages.push_back(stage);
        if (stage == cdPrePaint) {
            sender->Canvas()->Brush()->SetColor(clYellow);
            sender->Canvas()->FillRect(r);
            defaultDraw = false;
        }
    };
    int buttons = 0;
    bar->OnAdvancedCustomDrawButton = [&](TToolBar* sender, TToolButton* button, TCustomDrawState,
                                          TCustomDrawStage stage, TTBCustomDrawFlags&, bool& defaultDraw) {
        if (stage != cdPrePaint)
            return;
        EXPECT_EQ(button, b);
        ++buttons;
        sender->Canvas()->Brush()->SetColor(clBlue);
        sender->Canvas()->FillRect(button->BoundsRect());
        defaultDraw = false;
    };
    ShowActive();
    RedrawWindow(bar->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    PumpFor(50);
    EXPECT_GT(buttons, 0);
    EXPECT_NE(std::find(barStages.begin(), barStages.end(), cdPrePaint), barStages.end());
    POINT inside = At(b);
    POINT beside = At(bar, bar->Width() - 5);
    EXPECT_EQ(ScreenPixel(inside.x, inside.y), RGB(0, 0, 255));
    EXPECT_EQ(ScreenPixel(beside.x, beside.y), RGB(255, 255, 0));
}

TEST_F(ComCtrls, ADropDownButtonOpensItsMenuUnderItAndPostsTheClosedNotice) {
    TToolBar* bar = MakeBar();
    TToolButton* b = AddButton(bar, tbsDropDown);
    auto* menu = new TPopupMenu(form);
    bool opened = false;
    // Closes the open menu from inside its own loop, as a user's Escape would.
    TTimer closer(nullptr);
    closer.SetEnabled(false);
    closer.SetInterval(200);
    closer.OnTimer = [&](TObject*) {
        closer.SetEnabled(false);
        EndMenu();
    };
    menu->OnPopup = [&](TObject*) {
        opened = true;
        closer.SetEnabled(true);
    };
    auto* item = new TMenuItem(form);
    item->SetCaption("Reset");
    menu->Items()->Add(item);
    b->SetDropdownMenu(menu);
    int closed = -1;
    TWndMethod previous = bar->WindowProc();
    struct TSpy {
        int* Closed;
        TWndMethod Previous;
        void Proc(TMessage& m) {
            if (m.Msg == CN_DROPDOWNCLOSED)
                *Closed = static_cast<int>(m.WParam);
            Previous(m);
        }
    } spy{&closed, previous};
    bar->SetWindowProc(TWndMethod(&spy, &TSpy::Proc));
    ShowActive();
    // The arrow part is at the right end of the button.
    POINT arrow = At(b, b->Width() - 4);
    MoveMouseTo(arrow.x, arrow.y);
    PumpFor(30);
    MouseButton(true);
    MouseButton(false);
    ASSERT_TRUE(PumpUntil([&] { return closed >= 0; }, 5000));
    EXPECT_TRUE(opened);
    EXPECT_EQ(closed, b->Index());
    EXPECT_EQ(menu->PopupComponent(), b);
    bar->SetWindowProc(previous);
}

TEST_F(ComCtrls, AToolbarReadFromAFormDescriptionKeepsItsButtonsImagesAndHandlers) {
    ReadComponentText(R"(object frmCommon: TfrmCommon
  Left = 60
  Top = 60
  Caption = 'Common'
  ClientHeight = 200
  ClientWidth = 400
  object tlb: TToolBar
    Left = 0
    Top = 0
    Width = 400
    Height = 44
    ButtonHeight = 38
    ButtonWidth = 39
    Flat = True
    Images = PngImageList
    ShowCaptions = True
    object btnOnOff: TToolButton
      Left = 0
      Top = 0
      Hint = 'Open Comport'
      AllowAllUp = True
      ImageIndex = 1
      Style = tbsCheck
      OnClick = ButtonClick
    end
    object sep: TToolButton
      Left = 39
      Top = 0
      Width = 12
      Style = tbsSeparator
    end
    object btnSave: TToolButton
      Left = 51
      Top = 0
      Caption = 'Save'
      Hint = 'Save log to file'
      ImageIndex = 0
      OnClick = ButtonClick
    end
  end
  object PngImageList: TPngImageList
  end
end
)",
                      form);
    ASSERT_NE(form->tlb, nullptr);
    ASSERT_NE(form->btnOnOff, nullptr);
    form->PngImageList->PngImages()->Add()->SetPngImage(SolidPng(clRed).get());
    form->PngImageList->PngImages()->Add()->SetPngImage(SolidPng(clLime).get());
    TToolBar* bar = form->tlb;
    EXPECT_EQ(bar->Images(), form->PngImageList);
    EXPECT_TRUE(bar->Flat());
    EXPECT_TRUE(bar->ShowCaptions());
    EXPECT_EQ(bar->Align(), alTop);
    ASSERT_EQ(bar->ButtonCount(), 3);
    EXPECT_EQ(bar->Buttons(0), form->btnOnOff);
    EXPECT_EQ(bar->Buttons(2), form->btnSave);
    EXPECT_EQ(form->btnOnOff->Style(), tbsCheck);
    EXPECT_EQ(form->btnOnOff->ImageIndex(), 1);
    EXPECT_TRUE(form->btnOnOff->AllowAllUp());
    ShowActive();
    EXPECT_EQ(bar->Buttons(1)->Width(), 12);
    EXPECT_EQ(form->btnOnOff->Height(), 38);
    ClickOn(form->btnOnOff);
    ClickOn(form->btnSave);
    ASSERT_TRUE(PumpUntil([&] { return form->Clicks.size() == 2; }, 3000));
    EXPECT_EQ(form->Clicks, (std::vector<std::string>{"btnOnOff", "btnSave"}));
    EXPECT_TRUE(form->btnOnOff->Down());
    // Written back, the description holds what was read.
    std::string text = WriteComponentText(form);
    EXPECT_NE(text.find("Style = tbsCheck"), std::string::npos) << text;
    EXPECT_NE(text.find("Images = PngImageList"), std::string::npos) << text;
    EXPECT_NE(text.find("object btnSave: TToolButton"), std::string::npos) << text;
    EXPECT_EQ(text.find("Align ="), std::string::npos) << text;
}

// --- status bars ---

TEST_F(ComCtrls, StatusPanelsShowTheirTextsAtTheirWidthsAndTheSimplePanelItsOwn) {
    auto* status = Make<TStatusBar>(form);
    TStatusPanel* port = status->Panels()->Add();
    port->SetText("COM1");
    port->SetWidth(80);
    TStatusPanel* speed = status->Panels()->Add();
    speed->SetText("9600");
    speed->SetWidth(120);
    status->Panels()->Add()->SetText("closed");
    ShowActive();
    EXPECT_EQ(status->Align(), alBottom);
    EXPECT_EQ(status->Top() + status->Height(), form->ClientHeight());
    HWND h = status->Handle();
    int rights[4] = {};
    ASSERT_EQ(SendMessageW(h, SB_GETPARTS, 4, reinterpret_cast<LPARAM>(rights)), 3);
    EXPECT_EQ(rights[0], 80);
    EXPECT_EQ(rights[1], 200);
    EXPECT_EQ(rights[2], -1);
    auto text = [&](WPARAM part) {
        wchar_t buffer[64] = {};
        SendMessageW(h, SB_GETTEXTW, part, reinterpret_cast<LPARAM>(buffer));
        return WideToAnsi(buffer);
    };
    EXPECT_EQ(text(0), "COM1");
    EXPECT_EQ(text(2), "closed");
    speed->SetText("115200");
    EXPECT_EQ(text(1), "115200");
    status->SetSimpleText("Open Comport");
    status->SetSimplePanel(true);
    EXPECT_TRUE(SendMessageW(h, SB_ISSIMPLE, 0, 0));
    EXPECT_EQ(text(0), "Open Comport");
    // A bar without panels shows its simple text in its one part.
    status->SetSimplePanel(false);
    status->Panels()->Clear();
    EXPECT_EQ(text(0), "Open Comport");
}

// --- page and tab controls ---

TEST_F(ComCtrls, ClickingATabShowsItsPageAndHidesTheOthers) {
    auto* pages = Make<TPageControl>(form);
    pages->SetAlign(alClient);
    auto* buttons = new TTabSheet(form);
    buttons->SetPageControl(pages);
    buttons->SetCaption("Button");
    auto* list = new TListBox(form);
    list->SetParent(buttons);
    list->SetAlign(alClient);
    auto* normal = new TTabSheet(form);
    normal->SetPageControl(pages);
    normal->SetCaption("Normal");
    auto* echo = new TCheckBox(form);
    echo->SetParent(normal);
    echo->SetBounds(10, 10, 200, 20);
    int changes = 0;
    bool allow = true;
    pages->OnChange = [&](TObject*) { ++changes; };
    pages->OnChanging = [&](TObject*, bool& allowChange) { allowChange = allow; };
    ShowActive();
    EXPECT_EQ(pages->ActivePage(), buttons);
    EXPECT_TRUE(IsWindowVisible(list->Handle()));
    // The page fills the area below the tabs.
    TRect display = pages->DisplayRect();
    EXPECT_EQ(buttons->BoundsRect(), display);
    auto clickTab = [&](int index) {
        RECT r{};
        SendMessageW(pages->Handle(), TCM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&r));
        POINT p = pages->ClientToScreen(TPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2));
        ClickAt(p.x, p.y);
    };
    clickTab(1);
    ASSERT_TRUE(PumpUntil([&] { return changes == 1; }, 3000));
    EXPECT_EQ(pages->ActivePage(), normal);
    EXPECT_EQ(pages->ActivePageIndex(), 1);
    EXPECT_TRUE(IsWindowVisible(echo->Handle()));
    EXPECT_FALSE(IsWindowVisible(list->Handle()));
    EXPECT_EQ(normal->BoundsRect(), display);
    // A handler may keep the page.
    allow = false;
    clickTab(0);
    PumpFor(200);
    EXPECT_EQ(pages->ActivePage(), normal);
    EXPECT_EQ(changes, 1);
    // A page without a tab leaves the row; its caption changes follow.
    buttons->SetTabVisible(false);
    EXPECT_EQ(SendMessageW(pages->Handle(), TCM_GETITEMCOUNT, 0, 0), 1);
    EXPECT_EQ(normal->TabIndex(), 0);
    normal->SetCaption("Echo");
    wchar_t caption[16] = {};
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = caption;
    item.cchTextMax = 16;
    SendMessageW(pages->Handle(), TCM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    EXPECT_STREQ(caption, L"Echo");
    // Freeing the active page shows another.
    normal->Free();
    EXPECT_EQ(pages->PageCount(), 1);
    EXPECT_EQ(pages->ActivePage(), buttons);
}

TEST_F(ComCtrls, TabControlTabsIndexAndImagesSurviveANewWindow) {
    auto* images = new TImageList(form);
    auto* tabs = Make<TTabControl>(form);
    tabs->SetBounds(10, 10, 300, 120);
    tabs->Tabs()->Add("First");
    tabs->Tabs()->Add("Second");
    tabs->SetTabIndex(1);
    tabs->SetImages(images);
    ShowActive();
    EXPECT_EQ(SendMessageW(tabs->Handle(), TCM_GETITEMCOUNT, 0, 0), 2);
    EXPECT_EQ(tabs->TabIndex(), 1);
    EXPECT_EQ(reinterpret_cast<HIMAGELIST>(SendMessageW(tabs->Handle(), TCM_GETIMAGELIST, 0, 0)), images->Handle());
    tabs->Tabs()->Insert(0, "Zero");
    EXPECT_EQ(tabs->Tabs()->Strings(0), "Zero");
    EXPECT_THROW(tabs->SetTabIndex(3), EInvalidArgument);
    tabs->SetTabIndex(2);
    tabs->RecreateWnd();
    EXPECT_EQ(tabs->Tabs()->Count(), 3);
    EXPECT_EQ(tabs->Tabs()->Strings(2), "Second");
    EXPECT_EQ(tabs->TabIndex(), 2);
}

// --- up-down buttons ---

TEST_F(ComCtrls, AnUpDownStepsItsPositionWithinItsRangeAndShowsItInItsAssociate) {
    auto* edit = Make<TEdit>(form);
    edit->SetBounds(10, 10, 80, 24);
    auto* updown = Make<TUpDown>(form);
    updown->SetMin(0);
    updown->SetMax(2);
    updown->SetAssociate(edit);
    std::vector<TUDBtnType> clicks;
    updown->OnClick = [&](TObject*, TUDBtnType button) { clicks.push_back(button); };
    ShowActive();
    // It stands beside its associate.
    EXPECT_EQ(updown->Left(), edit->Left() + edit->Width());
    POINT up = At(updown, updown->Width() / 2, 4);
    POINT down = At(updown, updown->Width() / 2, updown->Height() - 4);
    for (int i = 0; i < 3; ++i) {
        ClickAt(up.x, up.y);
        PumpFor(80);
    }
    ASSERT_TRUE(PumpUntil([&] { return clicks.size() >= 2; }, 3000));
    EXPECT_EQ(updown->Position(), 2);
    EXPECT_EQ(edit->Text(), "2");
    EXPECT_EQ(clicks.front(), btNext);
    ClickAt(down.x, down.y);
    ASSERT_TRUE(PumpUntil([&] { return updown->Position() == 1; }, 3000));
    EXPECT_EQ(clicks.back(), btPrev);
    updown->SetPosition(7);
    EXPECT_EQ(updown->Position(), 2);
    EXPECT_THROW(updown->SetIncrement(0), EInvalidArgument);
}

}  // namespace
