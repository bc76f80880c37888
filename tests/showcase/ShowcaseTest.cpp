// The skin library on a form that holds one control of every class of the class library.
#include "skin/adapters/acSBUtils.h"
#include "skin/engine/sSkinManager.h"
#include "skin/forms/acSkinLibrary.h"
#include "skin/forms/sFrameAdapter.h"
#include "skin/forms/sSkinProvider.h"
#include "tests/support/SyntheticInput.h"
#include "tests/showcase/ShowcaseForms.h"
#include "tests/skin/FlatFormSkin.h"
#include "tests/skin/PixelTestUtils.h"
#include "tests/skin/SkinSamples.h"
#include "tests/support/MessageLoop.h"
#include "tests/support/ScreenPictures.h"
#include "tests/support/TempDir.h"

#include "classlib/visual/Buttons.h"
#include "classlib/visual/ComCtrls.h"
#include "classlib/visual/ExtCtrls.h"
#include "classlib/visual/Forms.h"
#include "classlib/visual/Grids.h"
#include "classlib/visual/ListView.h"
#include "classlib/visual/Menus.h"
#include "classlib/visual/RichEdit.h"
#include "classlib/visual/StdCtrls.h"
#include "classlib/visual/TreeView.h"

#include <gtest/gtest.h>
#include <commdlg.h>
#include <psapi.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

// What a window is while no skin is there: its procedure, the control's WindowProc and its region.
struct WindowState {
    LONG_PTR Proc = 0;
    TWndMethod Method;
    int RegionType = ERROR;
    LONG Style = 0, ExStyle = 0;
    bool operator==(const WindowState& o) const {
        return Proc == o.Proc && Method == o.Method && RegionType == o.RegionType;
    }
};

WindowState StateOf(HWND Wnd) {
    WindowState s;
    s.Proc = GetWindowLongPtrW(Wnd, GWLP_WNDPROC);
    s.Style = GetWindowLongW(Wnd, GWL_STYLE);
    s.ExStyle = GetWindowLongW(Wnd, GWL_EXSTYLE);
    if (TWinControl* c = FindControl(Wnd))
        s.Method = c->WindowProc();
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    s.RegionType = GetWindowRgn(Wnd, rgn);
    DeleteObject(rgn);
    return s;
}

BOOL CALLBACK CollectChild(HWND Wnd, LPARAM Param) {
    (*reinterpret_cast<std::map<HWND, WindowState>*>(Param))[Wnd] = StateOf(Wnd);
    return TRUE;
}

std::map<HWND, WindowState> StatesOf(const std::vector<HWND>& Tops) {
    std::map<HWND, WindowState> states;
    for (HWND top : Tops) {
        states[top] = StateOf(top);
        EnumChildWindows(top, CollectChild, reinterpret_cast<LPARAM>(&states));
    }
    return states;
}

std::string NameOf(HWND Wnd) {
    if (TWinControl* c = FindControl(Wnd))
        return std::string(c->ClassName()) + " " + c->Name();
    char cls[64] = {};
    GetClassNameA(Wnd, cls, sizeof cls);
    return std::string("window of class ") + cls;
}

// Pixels that differ between two pictures of the same size (all of them when the sizes differ).
int DifferentPixels(TBitmap* A, TBitmap* B) {
    if (A->Width() != B->Width() || A->Height() != B->Height())
        return A->Width() * A->Height();
    int n = 0;
    for (int y = 0; y < A->Height(); ++y)
        for (int x = 0; x < A->Width(); ++x)
            n += Px(A, x, y) != Px(B, x, y) ? 1 : 0;
    return n;
}

// How many more objects of a kind the process could still make: made until the system refuses, then freed. Wine
// answers GetGuiResources with 0, so what a process holds shows as the room it has left, which is exact: Wine's
// handle tables have a fixed size and give every handle back on deletion.
template <class Make, class Free>
int RoomFor(Make make, Free free) {
    std::vector<decltype(make())> made;
    made.reserve(70000);
    while (made.size() < 200000) {
        auto h = make();
        if (!h)
            break;
        made.push_back(h);
    }
    for (auto h : made)
        free(h);
    return static_cast<int>(made.size());
}

// Committed private memory of the process (what Task Manager calls private bytes), walked region by region.
size_t PrivateBytes() {
    size_t total = 0;
    MEMORY_BASIC_INFORMATION info{};
    for (auto* p = static_cast<char*>(nullptr); VirtualQuery(p, &info, sizeof info) == sizeof info;
         p = static_cast<char*>(info.BaseAddress) + info.RegionSize) {
        if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE)
            total += info.RegionSize;
        if (static_cast<char*>(info.BaseAddress) + info.RegionSize <= p)
            break;
    }
    return total;
}

struct ProcessUse {
    // GetGuiResources where the system counts; else the room left for regions (GDI) and menus (user objects).
    long Gdi = 0, User = 0;
    bool Counted = false;
    size_t WorkingSet = 0, Private = 0;
    int Adapters = 0;
};

ProcessUse UseNow() {
    ProcessUse u;
    DWORD gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    DWORD user = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    u.Counted = gdi != 0 && user != 0;
    if (u.Counted) {
        u.Gdi = static_cast<long>(gdi);
        u.User = static_cast<long>(user);
    } else {
        u.Gdi = -RoomFor([] { return CreateRectRgn(0, 0, 1, 1); }, [](HRGN h) { DeleteObject(h); });
        u.User = -RoomFor([] { return CreatePopupMenu(); }, [](HMENU h) { DestroyMenu(h); });
    }
    PROCESS_MEMORY_COUNTERS m{};
    m.cb = sizeof m;
    if (GetProcessMemoryInfo(GetCurrentProcess(), &m, sizeof m))
        u.WorkingSet = m.WorkingSetSize;
    u.Private = PrivateBytes();
    u.Adapters = TacMainWnd::LiveCount();
    return u;
}

class Showcase : public ::testing::Test, protected ShowcaseForms {
protected:
    static void SetUpTestSuite() {
        // As a program that uses the library starts it.
        StartSkinLibrary();
        Dir = new TempDir;
        WriteShowcaseSkins(Dir->Path());
    }
    static void TearDownTestSuite() {
        delete Dir;
        Dir = nullptr;
    }

    void SetUp() override {
        // Far from every window, so that no control shows a hot state in one picture and not in the other.
        ParkPointer();
        Manager = std::make_unique<TsSkinManager>(nullptr);
        ASSERT_EQ(DefaultManager, Manager.get());
        Manager->SetSkinDirectory(Dir->Path());
        Manager->SetSkinnedPopups(true);
        // The class-name lists as an application fills them: the class library's controls by kind.
        SetShowcaseClassLists(Manager.get());
        // The MDI parent is made first: only the application's main form can hold MDI children.
        BuildMdiForms();
        BuildMainForm();
        PumpMessagesFor(300);
    }
    void TearDown() override {
        FreeForms();
        Manager.reset();
        PumpMessagesFor(50);
    }

    void Load(const std::string& Name) {
        Manager->SetSkinName(Name);
        Manager->SetActive(true);
        ASSERT_TRUE(Manager->Active()) << Name;
        PumpMessagesFor(100);
    }
    void Remove() {
        Manager->SetActive(false);
        PumpMessagesFor(100);
    }
    void Repaint() {
        for (HWND top : Tops)
            RedrawWindow(top, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        PumpMessagesFor(200);
    }
    std::unique_ptr<TBitmap> Shot(HWND Wnd, const std::string& Name) {
        auto bmp = ScreenCopyOf(Wnd, clFuchsia);
        KeepShot(bmp.get(), Name);
        return bmp;
    }

    // The controls of the form that answer skin command 7 and those that do not.
    void SkinnedControls(TWinControl* Parent, std::set<std::string>& Skinned, std::set<std::string>& Unskinned) {
        for (int i = 0; i < Parent->ControlCount(); ++i) {
            auto* c = dynamic_cast<TWinControl*>(Parent->Controls(i));
            if (!c || !c->HandleAllocated())
                continue;
            bool answers = SendMessageA(c->Handle(), SM_QUORVEXCMD, MakeSkinCmd(scIsSkinned), 0) != 0;
            (answers ? Skinned : Unskinned).insert(c->ClassName());
            SkinnedControls(c, Skinned, Unskinned);
        }
    }

    static inline TempDir* Dir = nullptr;
    std::unique_ptr<TsSkinManager> Manager;
};

// Classes that no adapter kind of the skin library covers: their windows stay as the class library makes them.
const std::set<std::string> kNotSkinnable = {"TScrollBar", "TUpDown", "TScrollBox"};

TEST_F(Showcase, EveryWindowIsSkinnedAndAfterTheSkinGoesEverythingIsAsBefore) {
    Repaint();
    const std::map<HWND, WindowState> before = StatesOf(Tops);
    auto plain = Shot(Form->Handle(), "showcase-unskinned");
    auto plainMdi = Shot(MdiParent->Handle(), "showcase-mdi-unskinned");

    Load("SAMPLE");
    Repaint();
    auto skinned = Shot(Form->Handle(), "showcase-sample");
    Shot(MdiParent->Handle(), "showcase-mdi-sample");
    // The forms, the MDI child and every control of a class the lists name answer as skinned.
    EXPECT_EQ(SendMessageA(Form->Handle(), SM_QUORVEXCMD, MakeSkinCmd(scIsSkinned), 0), 1);
    EXPECT_EQ(SendMessageA(MdiParent->Handle(), SM_QUORVEXCMD, MakeSkinCmd(scIsSkinned), 0), 1);
    EXPECT_EQ(SendMessageA(MdiChild->Handle(), SM_QUORVEXCMD, MakeSkinCmd(scIsSkinned), 0), 1);
    std::set<std::string> skinnedClasses, unskinnedClasses;
    SkinnedControls(Form, skinnedClasses, unskinnedClasses);
    for (const std::string& cls : unskinnedClasses)
        EXPECT_TRUE(kNotSkinnable.count(cls)) << cls << " is not skinned";
    for (const char* cls : {"TEdit", "TMemo", "TComboBox", "TListBox", "TButton", "TCheckBox", "TRadioButton",
                            "TGroupBox", "TBitBtn", "TPanel", "TTabControl", "TPageControl", "TStringGrid",
                            "TDrawGrid", "TListView", "TTreeView", "TRichEdit", "TFrame", "TToolBar", "TStatusBar"})
        EXPECT_TRUE(skinnedClasses.count(cls)) << cls;
    // The form's frame has the skin's region; its picture is not the unskinned one.
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    EXPECT_NE(GetWindowRgn(Form->Handle(), rgn), ERROR);
    DeleteObject(rgn);
    EXPECT_GT(DifferentPixels(plain.get(), skinned.get()), plain->Width() * plain->Height() / 2);
    // The menus are drawn by the skin.
    EXPECT_TRUE(Form->Menu()->OwnerDraw());
    EXPECT_TRUE(Popup->OwnerDraw());

    // Changed at run time: the hue, another skin, the packed form of the sample skin.
    Manager->SetHueOffset(120);
    PumpMessagesFor(100);
    Repaint();
    auto hued = Shot(Form->Handle(), "showcase-sample-hue120");
    EXPECT_GT(DifferentPixels(skinned.get(), hued.get()), 1000);
    Manager->SetHueOffset(0);
    Load("FLATFORM");
    Repaint();
    Shot(Form->Handle(), "showcase-flatform");
    EXPECT_EQ(SendMessageA(Form->Handle(), SM_QUORVEXCMD, MakeSkinCmd(scIsSkinned), 0), 1);
    Load("SAMPLEPACKED");
    EXPECT_TRUE(Manager->IsPacked());
    Repaint();
    auto packed = Shot(Form->Handle(), "showcase-sample-packed");
    // The packed skin holds the same pictures as the folder.
    EXPECT_LT(DifferentPixels(skinned.get(), packed.get()), skinned->Width() * skinned->Height() / 100);

    Remove();
    Repaint();
    auto after = Shot(Form->Handle(), "showcase-removed");
    auto afterMdi = Shot(MdiParent->Handle(), "showcase-mdi-removed");
    const std::map<HWND, WindowState> now = StatesOf(Tops);
    for (auto& [wnd, state] : before) {
        ASSERT_TRUE(now.count(wnd)) << NameOf(wnd) << " is gone";
        const WindowState& s = now.at(wnd);
        EXPECT_EQ(s.Proc, state.Proc) << NameOf(wnd);
        EXPECT_TRUE(s.Method == state.Method) << NameOf(wnd);
        EXPECT_EQ(s.RegionType, state.RegionType) << NameOf(wnd);
        EXPECT_EQ(s.Style, state.Style) << NameOf(wnd);
        EXPECT_EQ(s.ExStyle, state.ExStyle) << NameOf(wnd);
        EXPECT_EQ(GetPropA(wnd, acAdapterProp), nullptr) << NameOf(wnd);
    }
    EXPECT_EQ(now.size(), before.size());
    EXPECT_EQ(DifferentPixels(plain.get(), after.get()), 0);
    EXPECT_EQ(ListView->Color(), clWindow);
    EXPECT_EQ(DifferentPixels(plainMdi.get(), afterMdi.get()), 0);
}

// A skin whose sections have text colours of their own colours the labels too; once it goes, every control has its
// own colours and fonts again and the form looks exactly as before.
TEST_F(Showcase, AfterASkinWithTextColoursOfItsOwnGoesEveryControlHasItsOwnColoursAgain) {
    Repaint();
    const TColor labelColour = GroupLabel->Font()->Color();
    const bool labelParentFont = GroupLabel->ParentFont();
    auto plain = Shot(Form->Handle(), "showcase-fonts-unskinned");
    Load("SAMPLEFONTS");
    Repaint();
    auto skinned = Shot(Form->Handle(), "showcase-fonts-sample");
    EXPECT_EQ(ColorToRGB(GroupLabel->Font()->Color()), static_cast<TColor>(SampleGlobalFontColor));
    EXPECT_GT(DifferentPixels(plain.get(), skinned.get()), plain->Width() * plain->Height() / 2);
    Remove();
    Repaint();
    auto after = Shot(Form->Handle(), "showcase-fonts-removed");
    EXPECT_EQ(GroupLabel->Font()->Color(), labelColour);
    EXPECT_EQ(GroupLabel->ParentFont(), labelParentFont);
    EXPECT_EQ(DifferentPixels(plain.get(), after.get()), 0);
}

// Runs Open, which shows a modal window of class Class and returns when it closes; true when Inspect saw it. A
// timer of the modal loop ticks every Period milliseconds and closes the window Delay ticks after it showed.
bool Probe(const std::string& Class, const std::function<void()>& Open, const std::function<void(HWND)>& Inspect,
           UINT Period = 100, int Delay = 4);

TEST_F(Showcase, AHundredCyclesOfLoadChangeAndRemoveKeepTheProcessWhereItWas) {
    // A cycle loads the sample skin (from its folder, then from its packed file), changes it (its hue, then to
    // another skin), opens and closes a message box, an open dialog and a popup menu under it, and removes it.
    char file[MAX_PATH] = {};
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = Form->Handle();
    ofn.lpstrFile = file;
    ofn.nMaxFile = MAX_PATH;
    ofn.Flags = OFN_EXPLORER;
    int missed = 0, leftUnderTheSkin = 0;
    // Each is closed on the tick after the one that saw it shown: the hook has skinned it and it has painted. The
    // dialogs are skinned where the skin has their section (the flat form skin has none).
    auto openAndClose = [&](const std::string& Class, const std::function<void()>& Open) {
        bool skinnable = Class == "#32768" || Manager->GetSkinIndex("DIALOG") >= 0;
        bool seen = Probe(
            Class, Open,
            [&](HWND Wnd) { missed += skinnable && !GetSkinCmdBool(Wnd, scIsSkinned) ? 1 : 0; }, 15, 1);
        missed += seen ? 0 : 1;
    };
    auto openFile = [&] { GetOpenFileNameA(&ofn); };
    // The windows' own modal loops handle the paints of each load and change: the cycle waits for no more.
    auto load = [&](const std::string& Name) {
        Manager->SetSkinName(Name);
        Manager->SetActive(true);
        EXPECT_TRUE(Manager->Active()) << Name;
    };
    auto cycle = [&](int i) {
        load(i % 2 ? "SAMPLEPACKED" : "SAMPLE");
        if (i % 2)
            load("FLATFORM");
        else
            Manager->SetHueOffset(Manager->HueOffset() ? 0 : 60);
        const int live = TacMainWnd::LiveCount();
        openAndClose("#32770", [&] { MessageBoxA(Form->Handle(), "A cycle.", "Showcase", MB_OKCANCEL); });
        openAndClose("#32770", openFile);
        openAndClose("#32768", [&] { Popup->Popup(200, 200); });
        // What the closed windows had goes while the skin stays.
        PumpMessagesFor(20);
        leftUnderTheSkin += TacMainWnd::LiveCount() - live;
        Manager->SetActive(false);
        PumpMessagesFor(20);
    };
    // Warm-up: fonts, caches and the system's own first-use objects are made once.
    for (int i = 0; i < 4; ++i)
        cycle(i);
    Repaint();
    // The system's own open dialog keeps a user object at every opening (Wine's does, skin or none): what two
    // openings without the skin keep is what each cycle may keep, and nothing more.
    const ProcessUse plainBefore = UseNow();
    for (int k = 0; k < 2; ++k)
        Probe("#32770", openFile, [](HWND) {}, 15, 1);
    const long systemsOwn = std::max(0L, (UseNow().User - plainBefore.User) / 2);
    const ProcessUse start = UseNow();
    const char* cyclesText = std::getenv("BRIMLET_SHOWCASE_CYCLES");
    const int cycles = cyclesText && *cyclesText ? std::atoi(cyclesText) : 100;
    for (int i = 0; i < cycles; ++i)
        cycle(i);
    Repaint();
    const ProcessUse end = UseNow();
    std::printf("%d cycles: GDI objects %ld -> %ld, user objects %ld -> %ld (%s), adapters %d -> %d, working set "
                "%zu -> %zu KiB, private bytes %zu -> %zu KiB\n",
                cycles, start.Gdi, end.Gdi, start.User, end.User,
                start.Counted ? "GetGuiResources" : "made from the room left", start.Adapters, end.Adapters,
                start.WorkingSet / 1024, end.WorkingSet / 1024, start.Private / 1024, end.Private / 1024);
    EXPECT_EQ(missed, 0) << "windows of the cycles that never showed or that the hook did not skin";
    EXPECT_EQ(leftUnderTheSkin, 0) << "adapters of closed windows kept while the skin stayed";
    EXPECT_EQ(end.Adapters, start.Adapters);
    EXPECT_LE(end.Gdi, start.Gdi + 2);
    EXPECT_LE(end.User, start.User + 2 + systemsOwn * cycles) << "the open dialog keeps " << systemsOwn << " itself";
    // Within 4 MiB: the heap keeps some freed blocks in its own lists.
    EXPECT_LE(end.Private, start.Private + 4u * 1024 * 1024);
    EXPECT_LE(end.WorkingSet, start.WorkingSet + 4u * 1024 * 1024);
}

// --- the dialogs and popup menus of the skinned program, skinned by the default manager's hook ---

// Looks at the first visible window of class Class of this thread once it has been shown for Delay ticks of the
// timer that runs inside the modal loop, then closes it (EndMenu for a menu, Cancel for a dialog).
struct ModalProbe {
    std::string Class;
    std::function<void(HWND)> Inspect;
    int Delay = 4;
    HWND Found = nullptr;
    int Ticks = 0, SeenAt = 0;
    bool Inspected = false;
};
ModalProbe* CurrentProbe = nullptr;

BOOL CALLBACK FindProbeWindow(HWND Wnd, LPARAM Param) {
    auto* probe = reinterpret_cast<ModalProbe*>(Param);
    char name[64] = {};
    GetClassNameA(Wnd, name, sizeof name);
    if (IsWindowVisible(Wnd) && probe->Class == name) {
        probe->Found = Wnd;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK ProbeTick(HWND, UINT, UINT_PTR, DWORD) {
    try {
        ModalProbe* p = CurrentProbe;
        if (!p)
            return;
        ++p->Ticks;
        if (!p->Found) {
            EnumThreadWindows(GetCurrentThreadId(), FindProbeWindow, reinterpret_cast<LPARAM>(p));
            p->SeenAt = p->Ticks;
            return;
        }
        if (!p->Inspected && p->Ticks >= p->SeenAt + p->Delay) {
            p->Inspected = true;
            p->Inspect(p->Found);
        }
        // Closed after the look, and again later should the first request not reach it.
        if (p->Inspected && (p->Ticks == p->SeenAt + p->Delay + 1 || p->Ticks == p->SeenAt + p->Delay + 60) &&
            IsWindow(p->Found)) {
            if (p->Class == "#32768")
                EndMenu();
            else
                PostMessageA(p->Found, WM_COMMAND, IDCANCEL, 0);
        }
    } catch (...) {
        ADD_FAILURE() << "looking at the modal window failed";
    }
}

bool Probe(const std::string& Class, const std::function<void()>& Open, const std::function<void(HWND)>& Inspect,
           UINT Period, int Delay) {
    ModalProbe probe;
    probe.Class = Class;
    probe.Inspect = Inspect;
    probe.Delay = Delay;
    CurrentProbe = &probe;
    UINT_PTR id = SetTimer(nullptr, 0, Period, ProbeTick);
    Open();
    KillTimer(nullptr, id);
    CurrentProbe = nullptr;
    return probe.Inspected;
}

TEST_F(Showcase, MessageBoxesStandardDialogsAndPopupMenusAreSkinnedThroughTheHookAndPlainWithoutTheSkin) {
    Load("SAMPLE");
    Repaint();
    HWND owner = Form->Handle();
    auto skinnedShot = [](const std::string& Name) {
        return [Name](HWND Wnd) {
            EXPECT_TRUE(GetSkinCmdBool(Wnd, scIsSkinned)) << Name;
            HRGN rgn = CreateRectRgn(0, 0, 0, 0);
            if (Name != "popup-menu") {
                EXPECT_NE(GetWindowRgn(Wnd, rgn), ERROR) << Name << " has no region of the skin";
            }
            DeleteObject(rgn);
            KeepShot(ScreenCopyOf(Wnd, clFuchsia).get(), "showcase-" + Name);
        };
    };
    EXPECT_TRUE(Probe("#32770", [&] { MessageBoxA(owner, "A skinned message box.", "Showcase", MB_OKCANCEL); },
                      skinnedShot("message-box")));
    char file[MAX_PATH] = {};
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFile = file;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrFilter = "Logs\0*.log\0";
    ofn.Flags = OFN_EXPLORER;
    EXPECT_TRUE(Probe("#32770", [&] { GetOpenFileNameA(&ofn); }, skinnedShot("open-dialog")));
    EXPECT_TRUE(Probe("#32770", [&] { GetSaveFileNameA(&ofn); }, skinnedShot("save-dialog")));
    COLORREF custom[16] = {};
    CHOOSECOLORA cc{};
    cc.lStructSize = sizeof cc;
    cc.hwndOwner = owner;
    cc.lpCustColors = custom;
    EXPECT_TRUE(Probe("#32770", [&] { ChooseColorA(&cc); }, skinnedShot("colour-dialog")));
    EXPECT_TRUE(Probe("#32768", [&] { Popup->Popup(200, 200); }, skinnedShot("popup-menu")));

    // Without the skin the same box is the system's own.
    Remove();
    EXPECT_TRUE(Probe("#32770", [&] { MessageBoxA(owner, "A plain message box.", "Showcase", MB_OKCANCEL); },
                      [](HWND Wnd) {
                          EXPECT_FALSE(GetSkinCmdBool(Wnd, scIsSkinned));
                          HRGN rgn = CreateRectRgn(0, 0, 0, 0);
                          EXPECT_EQ(GetWindowRgn(Wnd, rgn), ERROR);
                          DeleteObject(rgn);
                          KeepShot(ScreenCopyOf(Wnd, clFuchsia).get(), "showcase-message-box-unskinned");
                      }));
}

}  // namespace

namespace {

LRESULT CALLBACK PlainWindowProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
    return DefWindowProcW(Wnd, Msg, WParam, LParam);
}

// A popup menu that the skinned form opens itself gets the skin's menu frame from the adapter of its window, though
// its items are the system's own; the same menu opened by a window that nothing skins keeps the system's frame.
TEST_F(Showcase, APopupMenuOfTheSkinnedFormWearsTheSkinsMenuFrame) {
    Load("FLATFORMPOPUP");
    Repaint();
    HMENU menu = CreatePopupMenu();
    for (const wchar_t* caption : {L"One", L"Two", L"Three"})
        AppendMenuW(menu, MF_STRING, 100, caption);
    // The frame's colour halfway down the left edge of the menu that Owner opens.
    auto frameOf = [&](HWND Owner) {
        TColor seen = clNone;
        SetForegroundWindow(Owner);
        EXPECT_TRUE(Probe("#32768", [&] { TrackPopupMenu(menu, TPM_LEFTALIGN, 300, 300, 0, Owner, nullptr); },
                          [&](HWND Wnd) {
                              RECT r;
                              GetWindowRect(Wnd, &r);
                              seen = static_cast<TColor>(ScreenPixel(r.left + 1, (r.top + r.bottom) / 2));
                              KeepShot(ScreenCopyOf(Wnd, clFuchsia).get(), "showcase-own-popup-menu");
                          }));
        return seen;
    };
    EXPECT_EQ(frameOf(Form->Handle()), static_cast<TColor>(FormSkin::PopupRing));
    WNDCLASSW wc{};
    wc.lpfnWndProc = PlainWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"ShowcasePlainWindow";
    RegisterClassW(&wc);
    HWND plain = CreateWindowExW(0, wc.lpszClassName, L"Plain", WS_POPUP | WS_VISIBLE | WS_CAPTION, 200, 200, 300, 200,
                                 nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_TRUE(plain);
    PumpMessagesFor(100);
    ASSERT_FALSE(GetSkinCmdBool(plain, scIsSkinned));
    EXPECT_NE(frameOf(plain), static_cast<TColor>(FormSkin::PopupRing));
    DestroyWindow(plain);
    DestroyMenu(menu);
}

}  // namespace
