// Forms and the application on the screen: showing, closing, modality, border styles, owners, minimised
// bounds, the move hooks, exception boxes, real mouse moves and hints.
#include "classlib/visual/Forms.h"

#include "tests/support/ApplicationLoop.h"
#include "tests/support/SyntheticInput.h"
#include "TestControls.h"
#include "classlib/visual/ExtCtrls.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

class TfrmTest : public TForm {
    CLASS_INFO(TfrmTest, TForm)
public:
    using TForm::TForm;
};

// A form that slides only sideways when dragged: the hook keeps the top where it is. Counts its moves.
class TfrmRail : public TForm {
    CLASS_INFO(TfrmRail, TForm)
public:
    using TForm::TForm;
    int Moves = 0;
    int Movings = 0;

protected:
    void WMMoving(TMessage& Message) override {
        ++Movings;
        RECT* r = TWMMoving(Message).DragRect();
        int height = r->bottom - r->top;
        r->top = Top();
        r->bottom = r->top + height;
        TForm::WMMoving(Message);
    }
    void WMMove(TMessage& Message) override {
        ++Moves;
        TForm::WMMove(Message);
    }
};

class Forms : public ::testing::Test {
protected:
    void TearDown() override {
        for (TCustomForm* f : Made)
            f->Free();
        PumpFor(20);
    }
    template <class T = TfrmTest>
    T* Make(int left = 100, int top = 100, int width = 300, int height = 200) {
        T* f = new T(nullptr);
        f->SetPosition(poDesigned);
        f->SetBounds(left, top, width, height);
        Made.push_back(f);
        return f;
    }
    std::vector<TCustomForm*> Made;
};

}  // namespace

TEST_F(Forms, OnShowRunsBeforeTheWindowIsVisible) {
    auto* f = Make();
    bool visibleInOnShow = true;
    int shows = 0;
    f->OnShow = [&](TObject* sender) {
        EXPECT_EQ(sender, f);
        visibleInOnShow = IsWindowVisible(f->Handle()) != 0;
        ++shows;
    };
    f->Show();
    EXPECT_EQ(shows, 1);
    EXPECT_FALSE(visibleInOnShow);
    EXPECT_TRUE(IsWindowVisible(f->Handle()));
    EXPECT_TRUE(f->Showing());
}

TEST_F(Forms, OnCloseQueryCanRefuseTheClose) {
    auto* f = Make();
    bool allow = false;
    int closes = 0, hides = 0;
    f->OnCloseQuery = [&](TObject* sender, bool& canClose) {
        EXPECT_EQ(sender, f);
        canClose = allow;
    };
    f->OnClose = [&](TObject*, TCloseAction& action) {
        EXPECT_EQ(action, caHide);
        ++closes;
    };
    f->OnHide = [&](TObject*) { ++hides; };
    f->Show();
    PostMessageW(f->Handle(), WM_CLOSE, 0, 0);
    PumpFor(50);
    EXPECT_TRUE(f->Visible());
    EXPECT_TRUE(IsWindowVisible(f->Handle()));
    EXPECT_EQ(closes, 0);

    allow = true;
    PostMessageW(f->Handle(), WM_CLOSE, 0, 0);
    PumpFor(50);
    EXPECT_FALSE(f->Visible());
    EXPECT_FALSE(IsWindowVisible(f->Handle()));
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(hides, 1);
}

TEST_F(Forms, CloseWithCaFreeFreesTheFormAfterItsMessages) {
    auto* f = new TfrmTest(nullptr);
    bool destroyed = false;
    f->OnClose = [](TObject*, TCloseAction& action) { action = caFree; };
    f->OnDestroy = [&](TObject*) { destroyed = true; };
    f->Show();
    HWND h = f->Handle();
    f->Close();
    EXPECT_FALSE(destroyed);  // not inside the call that asked for it
    EXPECT_TRUE(PumpUntil([&] { return destroyed; }));
    EXPECT_FALSE(IsWindow(h));
}

TEST_F(Forms, ClosingTheMainFormEndsTheMessageLoop) {
    TfrmTest* main = nullptr;
    Application->CreateForm(main);
    ASSERT_EQ(Application->MainForm(), main);
    main->SetPosition(poScreenCenter);
    main->SetBounds(0, 0, 320, 200);
    int created = 0;
    main->OnShow = [&](TObject*) { PostMessageW(main->Handle(), WM_CLOSE, 0, 0); };
    main->OnCreate = [&](TObject*) { ++created; };  // bound after creation: not called again
    Application->Run();  // returns: closing the main form ended the loop
    EXPECT_EQ(created, 0);
    // Centred on the screen when it was shown.
    EXPECT_EQ(main->Left(), (Screen->Width() - 320) / 2);
    EXPECT_EQ(main->Top(), (Screen->Height() - 200) / 2);
    main->Free();
    EXPECT_EQ(Application->MainForm(), nullptr);
}

TEST_F(Forms, ShowModalAnswersTheModalResultWithTheOtherWindowsDisabled) {
    auto* owner = Make();
    owner->Show();
    auto* dialog = Make(150, 150, 200, 120);
    dialog->SetBorderStyle(bsDialog);
    bool ownerEnabledDuringModal = true;
    auto* timer = new TTimer(dialog);
    timer->SetInterval(50);
    timer->OnTimer = [&](TObject*) {
        ownerEnabledDuringModal = IsWindowEnabled(owner->Handle()) != 0;
        EXPECT_TRUE(dialog->FormState().Contains(fsModal));
        dialog->SetModalResult(mrOk);
    };
    EXPECT_EQ(dialog->ShowModal(), mrOk);
    EXPECT_FALSE(ownerEnabledDuringModal);
    EXPECT_TRUE(IsWindowEnabled(owner->Handle()));
    EXPECT_FALSE(dialog->Visible());
    EXPECT_FALSE(dialog->FormState().Contains(fsModal));

    // Closing a modal form answers mrCancel.
    timer->OnTimer = [&](TObject*) { dialog->Close(); };
    EXPECT_EQ(dialog->ShowModal(), mrCancel);
    EXPECT_THROW(owner->ShowModal(), EInvalidOperation);  // visible already
}

TEST_F(Forms, BorderStylesGiveTheWindowStyles) {
    auto styleOf = [&](TFormBorderStyle bs, TBorderIcons icons = {biSystemMenu, biMinimize, biMaximize}) {
        auto* f = Make();
        f->SetBorderStyle(bs);
        f->SetBorderIcons(icons);
        return std::make_pair(static_cast<DWORD>(GetWindowLongW(f->Handle(), GWL_STYLE)),
                              static_cast<DWORD>(GetWindowLongW(f->Handle(), GWL_EXSTYLE)));
    };
    auto [sizeable, sizeableEx] = styleOf(bsSizeable);
    EXPECT_EQ(sizeable & (WS_CAPTION | WS_THICKFRAME | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX),
              DWORD(WS_CAPTION | WS_THICKFRAME | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    auto [single, singleEx] = styleOf(bsSingle);
    EXPECT_EQ(single & (WS_CAPTION | WS_THICKFRAME), DWORD(WS_CAPTION));
    auto [dialog, dialogEx] = styleOf(bsDialog);
    EXPECT_EQ(dialog & (WS_POPUP | WS_CAPTION | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME),
              DWORD(WS_POPUP | WS_CAPTION));
    EXPECT_TRUE(dialogEx & WS_EX_DLGMODALFRAME);
    auto [none, noneEx] = styleOf(bsNone);
    EXPECT_EQ(none & (WS_POPUP | WS_CAPTION | WS_THICKFRAME | WS_SYSMENU), DWORD(WS_POPUP));
    auto [tool, toolEx] = styleOf(bsToolWindow);
    EXPECT_TRUE(toolEx & WS_EX_TOOLWINDOW);
    EXPECT_EQ(tool & (WS_CAPTION | WS_THICKFRAME | WS_MINIMIZEBOX), DWORD(WS_CAPTION));
    auto [sizeTool, sizeToolEx] = styleOf(bsSizeToolWin);
    EXPECT_TRUE(sizeToolEx & WS_EX_TOOLWINDOW);
    EXPECT_TRUE(sizeTool & WS_THICKFRAME);
    auto [bare, bareEx] = styleOf(bsSizeable, {});
    EXPECT_FALSE(bare & WS_SYSMENU);
    (void)sizeableEx, (void)singleEx, (void)noneEx, (void)bareEx;
}

TEST_F(Forms, DialogsAndToolWindowsAreOwnedByTheMainForm) {
    TfrmTest* main = nullptr;
    Application->CreateForm(main);
    Made.push_back(main);
    main->HandleNeeded();
    auto* dialog = Make();
    dialog->SetBorderStyle(bsDialog);
    auto* tool = Make();
    tool->SetBorderStyle(bsToolWindow);
    auto* plain = Make();
    EXPECT_EQ(GetWindow(main->Handle(), GW_OWNER), nullptr);
    EXPECT_EQ(GetWindow(dialog->Handle(), GW_OWNER), main->Handle());
    EXPECT_EQ(GetWindow(tool->Handle(), GW_OWNER), main->Handle());
    EXPECT_EQ(GetWindow(plain->Handle(), GW_OWNER), Application->Handle());
}

TEST_F(Forms, AMinimisedFormKeepsItsRestoredBounds) {
    auto* f = Make(120, 110, 260, 180);
    f->Show();
    PumpFor(50);
    f->SetWindowState(wsMinimized);
    PumpFor(100);
    ASSERT_TRUE(IsIconic(f->Handle()));
    EXPECT_EQ(f->WindowState(), wsMinimized);
    EXPECT_EQ(f->Left(), 120);
    EXPECT_EQ(f->Top(), 110);
    EXPECT_EQ(f->Width(), 260);
    EXPECT_EQ(f->Height(), 180);
    f->SetBounds(200, 150, 300, 200);  // while minimised: where it will come back
    f->SetWindowState(wsNormal);
    PumpFor(100);
    RECT r;
    GetWindowRect(f->Handle(), &r);
    EXPECT_EQ(r.left, 200);
    EXPECT_EQ(r.top, 150);
    EXPECT_EQ(r.right - r.left, 300);
    EXPECT_EQ(f->WindowState(), wsNormal);
}

TEST_F(Forms, TheMovingHookMayChangeTheDraggedRectangle) {
    auto* f = Make<TfrmRail>(100, 100, 200, 150);
    f->Show();
    RECT r{137, 90, 337, 240};
    SendMessageW(f->Handle(), WM_MOVING, WMSZ_LEFT, reinterpret_cast<LPARAM>(&r));
    EXPECT_EQ(r.left, 137);
    EXPECT_EQ(r.top, 100);
    EXPECT_EQ(r.bottom, 250);
    int before = f->Moves;
    f->SetLeft(40);
    EXPECT_GT(f->Moves, before);
    EXPECT_EQ(f->Left(), 40);
}

TEST_F(Forms, TheMinimumSizeHoldsForTheWindowToo) {
    auto* f = Make(100, 100, 300, 300);
    f->Constraints()->SetMinWidth(210);
    f->Constraints()->SetMinHeight(210);
    f->Show();
    MINMAXINFO info{};
    SendMessageW(f->Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.ptMinTrackSize.x, 210);
    EXPECT_EQ(info.ptMinTrackSize.y, 210);
    f->SetBounds(100, 100, 50, 50);
    EXPECT_EQ(f->Width(), 210);
}

TEST_F(Forms, AnExceptionIsShownInAMessageBoxAndTheLoopGoesOn) {
    auto* f = Make();
    f->Show();
    Application->SetTitle("Exception test");
    std::atomic<bool> stop{false};
    std::string boxText;
    std::atomic<int> boxes{0};
    // Plays the user: reads the box and presses its button.
    std::thread user([&] {
        while (!stop) {
            HWND box = FindWindowA("#32770", "Exception test");
            if (box && IsWindowVisible(box)) {
                char text[256] = {};
                GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
                boxText = text;
                ++boxes;
                PostMessageA(box, WM_COMMAND, IDOK, 0);
                Sleep(200);
                // The next click only now: the box's own loop would handle it and end with the application.
                PostMessageW(f->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
                PostMessageW(f->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
            }
            Sleep(20);
        }
    });
    int posted = 0;
    f->OnClick = [&](TObject*) {
        if (++posted == 1)
            throw EConvertError("'abc' is not a valid integer value");
        Application->Terminate();
    };
    PostMessageW(f->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    PostMessageW(f->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    Application->Run();
    stop = true;
    user.join();
    EXPECT_EQ(boxes, 1);
    EXPECT_EQ(boxText, "'abc' is not a valid integer value.");
    EXPECT_EQ(posted, 2);
}

TEST_F(Forms, RealMouseMovesGiveMouseEnterAndLeave) {
    auto* f = Make(200, 200, 400, 250);
    f->SetBorderStyle(bsNone);
    auto* block = new TBlock(f);
    block->SetParent(f);
    block->SetBounds(20, 20, 120, 120);
    block->SetColor(clNavy);
    auto* spot = new TSpot(f);
    spot->SetParent(f);
    spot->SetBounds(200, 20, 80, 80);
    spot->SetColor(clRed);
    std::vector<std::string> events;
    auto watch = [&](TControl* c, const std::string& name) {
        c->OnMouseEnter = [&events, name](TObject*) { events.push_back("enter " + name); };
        c->OnMouseLeave = [&events, name](TObject*) { events.push_back("leave " + name); };
    };
    watch(f, "form");
    watch(block, "block");
    watch(spot, "spot");
    // The form hears of its children's entries too, with the child in LParam.
    struct TFormWatch {
        std::vector<TControl*> Entered;
        TWindowProcHook Hook;
        void Proc(TMessage& m) {
            if (m.Msg == CM_MOUSEENTER && m.LParam)
                Entered.push_back(reinterpret_cast<TControl*>(m.LParam));
            Hook.CallPrevious(m);
        }
    } formWatch;
    formWatch.Hook.Install(f, TWndMethod(&formWatch, &TFormWatch::Proc));
    MoveMouseTo(50, 50);
    f->Show();
    PumpFor(100);
    events.clear();

    MoveMouseTo(200 + 300, 200 + 200);  // the form itself
    ASSERT_TRUE(PumpUntil([&] { return events.size() >= 1; })) << "no CM_MOUSEENTER";
    MoveMouseTo(200 + 60, 200 + 60);  // the windowed child
    ASSERT_TRUE(PumpUntil([&] { return events.size() >= 3; }));
    MoveMouseTo(200 + 240, 200 + 60);  // the windowless child
    ASSERT_TRUE(PumpUntil([&] { return events.size() >= 5; }));
    MoveMouseTo(50, 50);  // off the form
    ASSERT_TRUE(PumpUntil([&] { return events.size() >= 6; }));
    PumpFor(100);
    EXPECT_EQ(events, (std::vector<std::string>{"enter form", "leave form", "enter block", "leave block", "enter spot",
                                                "leave spot"}));
    EXPECT_EQ(formWatch.Entered, (std::vector<TControl*>{block, spot}));
}

TEST_F(Forms, HintsFollowTheMouse) {
    auto* f = Make(200, 200, 400, 250);
    auto* block = new TBlock(f);
    block->SetParent(f);
    block->SetBounds(20, 20, 120, 120);
    block->SetHint("Send command|Sends the command line to the device");
    block->SetShowHint(true);
    std::vector<std::string> hints;
    Application->OnHint = [&](TObject* sender) {
        EXPECT_EQ(sender, static_cast<TApplication*>(Application));
        hints.push_back(Application->Hint());
    };
    Application->SetHintPause(100);
    MoveMouseTo(50, 50);
    f->Show();
    PumpFor(100);
    POINT inside = block->ClientToScreen(POINT{60, 60});
    MoveMouseTo(inside.x, inside.y);
    ASSERT_TRUE(IdleUntil([&] { return !hints.empty(); }));
    EXPECT_EQ(hints.back(), "Sends the command line to the device");
    HWND hint = nullptr;
    ASSERT_TRUE(IdleUntil([&] {
        hint = FindWindowA("THintWindow", nullptr);
        return hint && IsWindowVisible(hint);
    })) << "no hint window";
    char text[64] = {};
    GetWindowTextA(hint, text, sizeof text);
    EXPECT_STREQ(text, "Send command");
    MoveMouseTo(50, 50);
    ASSERT_TRUE(IdleUntil([&] { return hints.back().empty(); }));
    Application->OnHint = nullptr;
}

TEST_F(Forms, MainWindowHooksSeeTheApplicationsMessagesUntilRemoved) {
    struct THookOwner {
        int Seen = 0;
        bool Hook(TMessage& m) {
            if (m.Msg == WM_USER + 77) {
                ++Seen;
                m.Result = 5;
                return true;
            }
            return false;
        }
    } owner;
    TWindowHook hook(&owner, &THookOwner::Hook);
    Application->HookMainWindow(hook);
    EXPECT_EQ(SendMessageW(Application->Handle(), WM_USER + 77, 0, 0), 5);
    Application->UnhookMainWindow(hook);
    EXPECT_EQ(SendMessageW(Application->Handle(), WM_USER + 77, 0, 0), 0);
    EXPECT_EQ(owner.Seen, 1);
}

TEST_F(Forms, ScreenKnowsTheFormsAndTheActiveOne) {
    int before = Screen->FormCount();
    auto* a = Make(100, 100);
    auto* b = Make(450, 100);
    EXPECT_EQ(Screen->FormCount(), before + 2);
    a->Show();
    b->Show();
    ASSERT_TRUE(PumpUntil([&] { return Screen->ActiveForm() == b; }));
    int activated = 0, deactivated = 0;
    a->OnActivate = [&](TObject*) { ++activated; };
    b->OnDeactivate = [&](TObject*) { ++deactivated; };
    a->SetFocus();
    ASSERT_TRUE(PumpUntil([&] { return Screen->ActiveForm() == a; }));
    EXPECT_EQ(activated, 1);
    EXPECT_EQ(deactivated, 1);
    RECT work = Screen->WorkAreaRect();
    EXPECT_GT(work.right, 0);
    EXPECT_EQ(Screen->Width(), GetSystemMetrics(SM_CXSCREEN));
}

TEST_F(Forms, TheWindowShowsWhatTheControlsPaint) {
    auto* f = Make(300, 300, 300, 200);
    f->SetBorderStyle(bsNone);
    f->SetColor(clYellow);
    auto* block = new TBlock(f);
    block->SetParent(f);
    block->SetAlign(alLeft);
    block->SetWidth(100);
    block->SetColor(clNavy);
    auto* spot = new TSpot(f);
    spot->SetParent(f);
    spot->SetBounds(150, 50, 40, 40);
    spot->SetColor(clRed);
    f->Show();
    f->Update();
    PumpFor(200);
    EXPECT_EQ(ScreenPixel(300 + 50, 300 + 100), RGB(0, 0, 0x80));  // the aligned block fills the left strip
    EXPECT_EQ(ScreenPixel(300 + 170, 300 + 70), RGB(255, 0, 0));  // the windowless child
    EXPECT_EQ(ScreenPixel(300 + 250, 300 + 150), RGB(255, 255, 0));  // the form's own colour
}

TEST_F(Forms, ApplicationMinimizeTakesTheSecondaryFormsAlong) {
    TfrmTest* main = nullptr;
    Application->CreateForm(main);
    Made.push_back(main);
    main->SetBounds(100, 100, 300, 200);
    main->Show();
    auto* other = Make(450, 100);
    other->Show();
    PumpFor(50);
    int minimized = 0, restored = 0;
    Application->OnMinimize = [&](TObject*) { ++minimized; };
    Application->OnRestore = [&](TObject*) { ++restored; };
    Application->Minimize();
    PumpFor(100);
    EXPECT_TRUE(IsIconic(main->Handle()));
    EXPECT_FALSE(IsWindowVisible(other->Handle()));
    EXPECT_TRUE(other->Visible());  // still meant to be shown: it comes back
    Application->Restore();
    PumpFor(100);
    EXPECT_FALSE(IsIconic(main->Handle()));
    EXPECT_TRUE(IsWindowVisible(other->Handle()));
    EXPECT_EQ(minimized, 1);
    EXPECT_EQ(restored, 1);
    Application->OnMinimize = nullptr;
    Application->OnRestore = nullptr;
}

TEST_F(Forms, AScrollBoxScrollsToChildrenBeyondItsEdge) {
    auto* f = Make(100, 100, 300, 250);
    auto* box = new TScrollBox(f);
    box->SetParent(f);
    box->SetBounds(10, 10, 200, 150);
    auto* distant = new TBlock(f);
    distant->SetParent(box);
    distant->SetBounds(20, 400, 50, 50);
    f->Show();
    PumpFor(50);
    EXPECT_TRUE(box->VertScrollBar()->IsScrollBarVisible());
    EXPECT_TRUE(GetWindowLongW(box->Handle(), GWL_STYLE) & WS_VSCROLL);
    box->ScrollInView(distant);
    EXPECT_GT(box->VertScrollBar()->Position(), 0);
    EXPECT_LE(distant->Top() + distant->Height(), box->ClientHeight());
    EXPECT_GE(distant->Top(), 0);
}

TEST_F(Forms, AnMDIFormHoldsItsChildrenInItsClientWindow) {
    TfrmTest* main = nullptr;
    Application->CreateForm(main);
    Made.push_back(main);
    main->SetFormStyle(fsMDIForm);
    main->SetBounds(100, 100, 500, 400);
    main->Show();
    ASSERT_NE(main->ClientHandle(), nullptr);
    char name[32] = {};
    GetClassNameA(main->ClientHandle(), name, sizeof name);
    EXPECT_STREQ(name, "MDIClient");
    auto* child = Make(10, 10, 200, 150);
    child->SetFormStyle(fsMDIChild);
    child->Show();
    PumpFor(50);
    EXPECT_EQ(GetParent(child->Handle()), main->ClientHandle());
    EXPECT_EQ(main->MDIChildCount(), 1);
    EXPECT_EQ(main->MDIChildren(0), child);
    EXPECT_EQ(main->ActiveMDIChild(), child);
}

TEST_F(Forms, DraggingTheCaptionGoesThroughTheMovingHook) {
    auto* f = Make<TfrmRail>(100, 100, 300, 200);
    f->Show();
    PumpFor(100);
    RECT wr;
    GetWindowRect(f->Handle(), &wr);
    POINT client = f->ClientOrigin();
    int grabX = wr.left + 60, grabY = (wr.top + client.y) / 2;  // on the caption
    std::atomic<bool> done{false};
    // The system's move loop holds the main thread while the drag lasts: the user's hand is another thread.
    std::thread user([&] {
        MoveMouseTo(grabX, grabY);
        Sleep(100);
        MouseButton(true);
        Sleep(100);
        for (int i = 1; i <= 20; ++i) {
            MoveMouseTo(grabX + i * 7, grabY + i * 3);
            Sleep(30);
        }
        Sleep(100);
        MouseButton(false);
        Sleep(100);
        done = true;
    });
    bool finished = IdleUntil([&] { return done.load(); }, 15000);
    user.join();
    ASSERT_TRUE(finished);
    PumpFor(100);
    EXPECT_GT(f->Movings, 0);
    // Dragged 140 to the right and 60 down; the hook kept it on its row.
    EXPECT_EQ(f->Left(), 240);
    EXPECT_EQ(f->Top(), 100);
    RECT now;
    GetWindowRect(f->Handle(), &now);
    EXPECT_EQ(now.left, 240);
    EXPECT_EQ(now.top, 100);
}

TEST_F(Forms, TabMovesTheFocusInTabOrder) {
    auto* f = Make(100, 100, 300, 200);
    auto* a = new TTestEdit(f);
    a->SetParent(f);
    a->SetBounds(10, 10, 100, 21);
    auto* b = new TTestEdit(f);
    b->SetParent(f);
    b->SetBounds(10, 40, 100, 21);
    auto* c = new TTestButton(f);
    c->SetParent(f);
    c->SetBounds(10, 70, 75, 25);
    std::vector<std::string> events;
    auto watch = [&](TWinControl* w, const std::string& name) {
        w->OnEnter = [&events, name](TObject*) { events.push_back("enter " + name); };
        w->OnExit = [&events, name](TObject*) { events.push_back("exit " + name); };
    };
    watch(a, "a");
    watch(b, "b");
    watch(c, "c");
    f->Show();
    ASSERT_TRUE(PumpUntil([&] { return a->Focused(); })) << "the first control did not get the focus";
    PressKey(VK_TAB);
    ASSERT_TRUE(PumpUntil([&] { return b->Focused(); }));
    PressKey(VK_TAB);
    ASSERT_TRUE(PumpUntil([&] { return c->Focused(); }));
    PressKey(VK_TAB, true);
    ASSERT_TRUE(PumpUntil([&] { return b->Focused(); }));
    EXPECT_EQ(events, (std::vector<std::string>{"enter a", "exit a", "enter b", "exit b", "enter c", "exit c",
                                                "enter b"}));
    EXPECT_EQ(f->ActiveControl(), b);
    EXPECT_EQ(Screen->ActiveControl(), b);
}

TEST_F(Forms, AFormShowsItsOwnIconOrTheApplications) {
    auto* plain = Make();
    auto* own = Make(450, 100);
    own->Icon()->SetHandle(CopyIcon(LoadIconA(nullptr, IDI_WARNING)));
    HICON appIcon = Application->Icon()->Handle();
    ASSERT_NE(appIcon, nullptr);
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(plain->Handle(), WM_GETICON, ICON_BIG, 0)), appIcon);
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(own->Handle(), WM_GETICON, ICON_BIG, 0)), own->Icon()->Handle());
}
