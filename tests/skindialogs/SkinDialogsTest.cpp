// Standard dialogs, message boxes and popup menus skinned by the default manager's thread hook as they are created:
// each is opened for real, looked at from a timer while its own modal loop runs (the screen's pixels against the
// flat skin's section colours, the adapters it got, its region), then closed by real input or by a message; after the
// skin goes, every window procedure and region is what it was before.
#include "skin/forms/acDialogWnd.h"
#include "skin/forms/acProvider.h"
#include "skin/forms/sSkinProvider.h"
#include "skin/forms/sSystemMenu.h"

#include "skin/adapters/acButtonWnds.h"
#include "skin/adapters/acCheckBoxWnds.h"
#include "skin/adapters/acComboWnd.h"
#include "skin/adapters/acEditWnd.h"
#include "skin/adapters/acPanelWnds.h"
#include "skin/adapters/acStaticWnds.h"
#include "skin/adapters/acTabWnds.h"

#include "skin/engine/sSkinManager.h"
#include "skin/engine/sVclUtils.h"
#include "tests/support/SyntheticInput.h"
#include "tests/skin/FlatFormSkin.h"
#include "tests/skin/PixelTestUtils.h"
#include "tests/support/ScreenPictures.h"
#include "tests/support/MessageLoop.h"
#include "tests/support/TempDir.h"

#include "classlib/visual/Forms.h"
#include "classlib/visual/Menus.h"

#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

using namespace FormSkin;

bool Skinned(HWND Wnd) {
    return GetSkinCmdBool(Wnd, scIsSkinned);
}

std::string ClassOf(HWND Wnd) {
    char name[64] = {};
    GetClassNameA(Wnd, name, sizeof name);
    return name;
}

// --- what the windows were before the skin came: noted by a CBT hook that runs before the manager's ---

std::map<HWND, LONG_PTR> OriginalProcs;
HHOOK SpyHook = nullptr;

void NoteProcs(HWND Wnd) {
    OriginalProcs.emplace(Wnd, GetWindowLongPtrW(Wnd, GWLP_WNDPROC));
    for (HWND child = GetTopWindow(Wnd); child; child = GetWindow(child, GW_HWNDNEXT))
        NoteProcs(child);
}

LRESULT CALLBACK SpyProc(int Code, WPARAM WParam, LPARAM LParam) {
    if (Code == HCBT_ACTIVATE || Code == HCBT_CREATEWND) {
        auto wnd = reinterpret_cast<HWND>(WParam);
        std::string name = ClassOf(wnd);
        if (name == "#32770" || name == "#32768")
            NoteProcs(wnd);
    }
    return CallNextHookEx(SpyHook, Code, WParam, LParam);
}

// --- driving a modal window from a timer of its own loop ---

struct Driver {
    std::string Class;
    std::function<void(HWND)> Inspect;
    int Delay = 4;  // ticks of 100 ms after the window was first seen visible
    HWND Found = nullptr;
    int Ticks = 0;
    int SeenAt = 0;
    bool Inspected = false;
    bool ForcedClose = false;
};

std::map<UINT_PTR, Driver*> Drivers;
std::set<HWND> Claimed;

struct Search {
    const std::string* Class;
    HWND Found;
};

BOOL CALLBACK SearchWindow(HWND Wnd, LPARAM L) {
    auto* s = reinterpret_cast<Search*>(L);
    if (IsWindowVisible(Wnd) && ClassOf(Wnd) == *s->Class && !Claimed.count(Wnd)) {
        s->Found = Wnd;
        return FALSE;
    }
    return TRUE;
}

HWND FindNewWindow(const std::string& Class) {
    Search search{&Class, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), SearchWindow, reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

void CALLBACK DriverTick(HWND, UINT, UINT_PTR Id, DWORD) {
    try {
        auto it = Drivers.find(Id);
        if (it == Drivers.end())
            return;
        Driver& d = *it->second;
        ++d.Ticks;
        if (!d.Found) {
            d.Found = FindNewWindow(d.Class);
            if (d.Found) {
                Claimed.insert(d.Found);
                d.SeenAt = d.Ticks;
            }
            return;
        }
        if (!d.Inspected && d.Ticks >= d.SeenAt + d.Delay) {
            d.Inspected = true;
            d.Inspect(d.Found);
            return;
        }
        // Whatever the inspection left open is closed after a while, so that a failure cannot hang the program.
        if (d.Inspected && d.Ticks > d.SeenAt + d.Delay + 50 && IsWindow(d.Found) && !d.ForcedClose) {
            d.ForcedClose = true;
            if (d.Class == "#32768")
                EndMenu();
            else
                PostMessageA(d.Found, WM_COMMAND, IDCANCEL, 0);
        }
    } catch (...) {
        ADD_FAILURE() << "the dialog driver failed";
    }
}

// Runs Open (which shows a modal window of class Class and returns when it closes), looking at the window with
// Inspect once it is shown.
Driver Drive(const std::string& Class, const std::function<void()>& Open, const std::function<void(HWND)>& Inspect,
             int Delay = 4) {
    Driver d;
    d.Class = Class;
    d.Inspect = Inspect;
    d.Delay = Delay;
    UINT_PTR id = SetTimer(nullptr, 0, 100, DriverTick);
    Drivers[id] = &d;
    Open();
    KillTimer(nullptr, id);
    Drivers.erase(id);
    Claimed.erase(d.Found);
    return d;
}

TacProvider* ProviderOf(HWND Wnd) {
    return FindProviderByHandle(Wnd);
}

void ExpectProcsAsBefore(HWND Dialog) {
    std::vector<HWND> windows{Dialog};
    std::function<void(HWND)> add = [&](HWND w) {
        for (HWND c = GetTopWindow(w); c; c = GetWindow(c, GW_HWNDNEXT)) {
            windows.push_back(c);
            add(c);
        }
    };
    add(Dialog);
    int compared = 0;
    for (HWND w : windows) {
        auto it = OriginalProcs.find(w);
        if (it == OriginalProcs.end())
            continue;
        ++compared;
        EXPECT_EQ(GetWindowLongPtrW(w, GWLP_WNDPROC), it->second) << ClassOf(w);
        EXPECT_EQ(GetPropA(w, "ACSBSC"), nullptr) << ClassOf(w);
        HRGN region = CreateRectRgn(0, 0, 0, 0);
        EXPECT_EQ(GetWindowRgn(w, region), ERROR) << ClassOf(w);
        DeleteObject(region);
    }
    EXPECT_GT(compared, 1);
}

class SkinDialogs : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        Dir = new TempDir;
        FlatFormOptions options;
        options.Dialog = true;
        WriteSkinFolder(Dir->Path(), MakeFlatFormSkin("FLATDIALOG", options));
    }
    static void TearDownTestSuite() {
        delete Dir;
        Dir = nullptr;
    }
    void SetUp() override {
        acUseDialogHook();
        Manager = std::make_unique<TsSkinManager>(nullptr);
        Manager->SetSkinDirectory(Dir->Path());
        Manager->SetSkinName("FLATDIALOG");
        ASSERT_TRUE(Manager->Active());
        ASSERT_EQ(DefaultManager, Manager.get());
        ASSERT_GE(Manager->GetSkinIndex("DIALOG"), 0);
        OriginalProcs.clear();
        SpyHook = SetWindowsHookExA(WH_CBT, SpyProc, nullptr, GetCurrentThreadId());
        ASSERT_NE(SpyHook, nullptr);
        // A window of the program that the dialogs belong to.
        Owner = CreateWindowExA(0, "STATIC", "owner", WS_POPUP | WS_VISIBLE, 600, 480, 60, 40, nullptr, nullptr,
                                nullptr, nullptr);
        SetForegroundWindow(Owner);
        PumpMessagesFor(50);
    }
    void TearDown() override {
        UnhookWindowsHookEx(SpyHook);
        SpyHook = nullptr;
        DestroyWindow(Owner);
        Manager.reset();
        PumpMessagesFor(50);
    }

    static inline TempDir* Dir = nullptr;
    std::unique_ptr<TsSkinManager> Manager;
    HWND Owner = nullptr;
};

TEST_F(SkinDialogs, MessageBoxIsSkinnedAsCreatedAndItsCloseButtonWorksByRealInput) {
    bool checked = false;
    int answer = 0;
    Driver d = Drive(
        "#32770", [&] { answer = MessageBoxA(Owner, "The port is open.", "Skinned box", MB_OK); },
        [&](HWND box) {
            checked = true;
            ASSERT_TRUE(Skinned(box));
            TacProvider* provider = ProviderOf(box);
            ASSERT_NE(provider, nullptr);
            ASSERT_TRUE(provider->DialogWnd);
            TacDialogWnd* adapter = provider->DialogWnd.get();
            // The text label, the icon and the button got adapters of their own.
            EXPECT_GE(provider->ChildAdapters.size(), 2u);
            HWND button = GetDlgItem(box, IDOK);
            ASSERT_NE(button, nullptr);
            EXPECT_NE(GetPropA(button, "ACSBSC"), nullptr);
            // A modal frame: the fixed border, the full caption, only a close button.
            EXPECT_EQ(adapter->Kind, 0);
            EXPECT_EQ(adapter->BorderWidth(), GetSystemMetrics(SM_CXFIXEDFRAME));
            EXPECT_EQ(GetWindowLongA(box, GWL_STYLE) & WS_SYSMENU, 0);
            EXPECT_FALSE(adapter->BtnClose.Rect.IsEmpty());
            EXPECT_TRUE(adapter->BtnMax.Rect.IsEmpty());
            EXPECT_TRUE(adapter->BtnMin.Rect.IsEmpty());
            auto shot = ScreenCopyOf(box);
            KeepShot(shot.get(), "skinned-messagebox");
            const int W = shot->Width(), H = shot->Height();
            TPoint client = adapter->ClientOffset();
            // Caption strip in the active caption colour, the dialog's border ring at the sides and the bottom,
            // the client in the active dialog colour.
            EXPECT_EQ(Px(shot.get(), W - 40, 1), Opaque(TitleHot));
            EXPECT_EQ(Px(shot.get(), 1, H / 2), Opaque(DialogRing));
            EXPECT_EQ(Px(shot.get(), W - 2, H / 2), Opaque(DialogRing));
            EXPECT_EQ(Px(shot.get(), W / 2, H - 2), Opaque(DialogRing));
            EXPECT_EQ(Px(shot.get(), client.x + 2, client.y + 2), Opaque(Dialog));
            EXPECT_GT(CountOf(shot.get(), Dialog), W * H / 4);
            // The caption text in the active text colour, and the close glyph of the small set (a modal frame) in
            // its normal state.
            EXPECT_GT(CountOf(shot.get(), TitleHotFont), 20);
            EXPECT_EQ(CountOf(shot.get(), GlyphColor("CLOSE", false, 0)), (SmallWidth - 2) * (SmallHeight - 2));
            // The push button is painted from the button section.
            EXPECT_GT(CountOf(shot.get(), Button) + CountOf(shot.get(), ButtonHot), 50);
            // The region leaves the border image's magenta corners out.
            HRGN region = CreateRectRgn(0, 0, 0, 0);
            EXPECT_EQ(GetWindowRgn(box, region), COMPLEXREGION);
            EXPECT_FALSE(PtInRegion(region, 0, 0));
            EXPECT_FALSE(PtInRegion(region, W - 1, H - 1));
            EXPECT_TRUE(PtInRegion(region, W / 2, H / 2));
            DeleteObject(region);
            // The close button by the mouse: hot under it, pressed while held, nothing when released elsewhere.
            RECT w;
            GetWindowRect(box, &w);
            TRect r = adapter->BtnClose.Rect;
            POINT p{w.left + (r.left + r.right) / 2, w.top + (r.top + r.bottom) / 2};
            EXPECT_EQ(SendMessageA(box, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y)), HTCLOSE);
            MoveMouseTo(p.x, p.y);
            PumpMessagesFor(300);
            EXPECT_EQ(adapter->HotButton, HTCLOSE);
            EXPECT_EQ(ScreenPixel(p.x, p.y), static_cast<COLORREF>(GlyphColor("CLOSE", false, 1)));
            MouseButton(true);
            PumpMessagesFor(300);
            EXPECT_EQ(ScreenPixel(p.x, p.y), static_cast<COLORREF>(GlyphColor("CLOSE", false, 2)));
            MoveMouseTo(w.left + 10, w.bottom - 10);
            MouseButton(false);
            PumpMessagesFor(300);
            EXPECT_TRUE(IsWindowVisible(box));
            EXPECT_EQ(ScreenPixel(p.x, p.y), static_cast<COLORREF>(GlyphColor("CLOSE", false, 0)));
            ClickAt(p.x, p.y);
        });
    EXPECT_TRUE(checked);
    EXPECT_FALSE(d.ForcedClose) << "the close button did not close the box";
    EXPECT_NE(answer, 0);
    // The next window that goes takes the closed box's provider with it.
    HWND other = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    DestroyWindow(other);
    EXPECT_EQ(ProviderOf(d.Found), nullptr);
}

TEST_F(SkinDialogs, RightClickOnTheCaptionPopsUpTheSkinnedSystemMenu) {
    bool checked = false, menuSeen = false, closeItem = false;
    Drive(
        "#32770", [&] { MessageBoxA(Owner, "System menu.", "Menu box", MB_OK); },
        [&](HWND box) {
            checked = true;
            ASSERT_TRUE(Skinned(box));
            RECT w;
            GetWindowRect(box, &w);
            LPARAM at = MAKELPARAM(w.left + 40, w.top + 10);
            ASSERT_EQ(SendMessageA(box, WM_NCHITTEST, 0, at), HTCAPTION);
            Drive(
                "#32768", [&] { SendMessageA(box, WM_NCRBUTTONUP, HTCAPTION, at); },
                [&](HWND popup) {
                    menuSeen = true;
                    // The dialog adapter's own menu, its close item shown.
                    auto menu = reinterpret_cast<HMENU>(SendMessageA(popup, MN_GETHMENU, 0, 0));
                    TacProvider* provider = ProviderOf(box);
                    if (provider && provider->DialogWnd) {
                        TacSystemMenu* sysMenu = provider->DialogWnd->SysMenu.get();
                        closeItem = menu == sysMenu->Handle() && sysMenu->miClose->Visible() &&
                                    !sysMenu->miMaximize->Visible();
                    }
                    PressKey(VK_ESCAPE);
                },
                2);
            PostMessageA(box, WM_COMMAND, IDOK, 0);
        });
    EXPECT_TRUE(checked);
    EXPECT_TRUE(menuSeen);
    EXPECT_TRUE(closeItem);
}

TEST_F(SkinDialogs, RemovingTheSkinGivesEveryProcedureAndRegionBack) {
    bool checked = false;
    Drive(
        "#32770", [&] { MessageBoxA(Owner, "Skin goes now.", "Removal", MB_OKCANCEL); },
        [&](HWND box) {
            checked = true;
            ASSERT_TRUE(Skinned(box));
            HWND button = GetDlgItem(box, IDOK);
            ASSERT_NE(OriginalProcs.count(box), 0u);
            EXPECT_NE(GetWindowLongPtrW(box, GWLP_WNDPROC), OriginalProcs[box]);
            EXPECT_NE(GetWindowLongPtrW(button, GWLP_WNDPROC), OriginalProcs[button]);
            Manager->SetActive(false);
            EXPECT_FALSE(Skinned(box));
            ExpectProcsAsBefore(box);
            EXPECT_NE(GetWindowLongA(box, GWL_STYLE) & WS_SYSMENU, 0);
            EXPECT_EQ(ProviderOf(box), nullptr);
            PostMessageA(box, WM_COMMAND, IDCANCEL, 0);
        });
    EXPECT_TRUE(checked);
}

TEST_F(SkinDialogs, RemovingTheSkinGivesAnOpenDialogItsProceduresBack) {
    bool checked = false;
    char path[MAX_PATH] = "";
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = Owner;
    ofn.lpstrFile = path;
    ofn.nMaxFile = MAX_PATH;
    ofn.Flags = OFN_EXPLORER;
    Drive(
        "#32770", [&] { GetOpenFileNameA(&ofn); },
        [&](HWND dialog) {
            checked = true;
            ASSERT_TRUE(Skinned(dialog));
            Manager->SetActive(false);
            EXPECT_FALSE(Skinned(dialog));
            ExpectProcsAsBefore(dialog);
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        },
        8);
    EXPECT_TRUE(checked);
}

TEST_F(SkinDialogs, WithoutTheStandardDialogsRuleAMessageBoxStaysAsItIs) {
    Manager->SetSkinningRules({srStdForms});
    bool checked = false;
    Drive(
        "#32770", [&] { MessageBoxA(Owner, "Plain.", "Unskinned", MB_OK); },
        [&](HWND box) {
            checked = true;
            EXPECT_FALSE(Skinned(box));
            EXPECT_EQ(ProviderOf(box), nullptr);
            EXPECT_EQ(GetWindowLongPtrW(box, GWLP_WNDPROC), OriginalProcs[box]);
            PostMessageA(box, WM_COMMAND, IDOK, 0);
        });
    EXPECT_TRUE(checked);
}

TEST_F(SkinDialogs, OverASkinnedBoxOnlyADialogWithAToolBarIsSkinned) {
    bool outer = false, inner = false, file = false;
    Drive(
        "#32770", [&] { MessageBoxA(Owner, "Outer.", "Outer", MB_OK); },
        [&](HWND box) {
            outer = Skinned(box);
            Drive(
                "#32770", [&] { MessageBoxA(box, "Inner.", "Inner", MB_OK); },
                [&](HWND second) {
                    inner = Skinned(second);
                    PostMessageA(second, WM_COMMAND, IDOK, 0);
                });
            char path[MAX_PATH] = "";
            OPENFILENAMEA ofn{};
            ofn.lStructSize = sizeof ofn;
            ofn.hwndOwner = box;
            ofn.lpstrFile = path;
            ofn.nMaxFile = MAX_PATH;
            ofn.Flags = OFN_EXPLORER;
            Drive(
                "#32770", [&] { GetOpenFileNameA(&ofn); },
                [&](HWND dialog) {
                    file = Skinned(dialog);
                    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
                },
                8);
            PostMessageA(box, WM_COMMAND, IDOK, 0);
        });
    EXPECT_TRUE(outer);
    EXPECT_FALSE(inner);
    EXPECT_TRUE(file);
}

// The open and save dialogs: frame and client from the skin, the tool bar and the other children adapted.
void CheckFileDialog(HWND Wnd, const char* Shot) {
    ASSERT_TRUE(Skinned(Wnd));
    TacProvider* provider = ProviderOf(Wnd);
    ASSERT_NE(provider, nullptr);
    ASSERT_TRUE(provider->DialogWnd);
    EXPECT_GT(provider->ChildAdapters.size(), 5u);
    int toolbars = 0;
    std::function<void(HWND)> walk = [&](HWND w) {
        for (HWND c = GetTopWindow(w); c; c = GetWindow(c, GW_HWNDNEXT)) {
            if (ClassOf(c) == "ToolbarWindow32") {
                ++toolbars;
                EXPECT_NE(GetPropA(c, "ACSBSC"), nullptr);
            }
            walk(c);
        }
    };
    walk(Wnd);
    EXPECT_GT(toolbars, 0);
    auto shot = ScreenCopyOf(Wnd);
    KeepShot(shot.get(), Shot);
    const int W = shot->Width(), H = shot->Height();
    TacDialogWnd* adapter = provider->DialogWnd.get();
    EXPECT_EQ(Px(shot.get(), W / 2, 1), Opaque(TitleHot));
    EXPECT_EQ(Px(shot.get(), 1, H / 2), Opaque(DialogRing));
    EXPECT_GT(CountOf(shot.get(), Dialog), 500);
    EXPECT_FALSE(adapter->BtnClose.Rect.IsEmpty());
}

TEST_F(SkinDialogs, OpenAndSaveDialogsAreSkinnedAndCloseByTheirCloseButton) {
    for (bool save : {false, true}) {
        bool checked = false;
        BOOL result = TRUE;
        char path[MAX_PATH] = "";
        OPENFILENAMEA ofn{};
        ofn.lStructSize = sizeof ofn;
        ofn.hwndOwner = Owner;
        ofn.lpstrFile = path;
        ofn.nMaxFile = MAX_PATH;
        ofn.lpstrFilter = "Logs\0*.log\0All files\0*.*\0";
        ofn.Flags = OFN_EXPLORER;
        Driver d = Drive(
            "#32770", [&] { result = save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn); },
            [&](HWND dialog) {
                checked = true;
                CheckFileDialog(dialog, save ? "skinned-save-dialog" : "skinned-open-dialog");
                TacProvider* provider = ProviderOf(dialog);
                if (!provider || !provider->DialogWnd)
                    return;
                RECT w;
                GetWindowRect(dialog, &w);
                TRect r = provider->DialogWnd->BtnClose.Rect;
                ClickAt(w.left + (r.left + r.right) / 2, w.top + (r.top + r.bottom) / 2);
            },
            std::getenv("SLOW") ? 60 : 8);
        EXPECT_TRUE(checked) << save;
        EXPECT_FALSE(d.ForcedClose) << save;
        EXPECT_FALSE(result);
        EXPECT_EQ(CommDlgExtendedError(), 0u);
    }
}

TEST_F(SkinDialogs, ColourDialogIsSkinned) {
    bool checked = false;
    COLORREF custom[16] = {};
    CHOOSECOLORA cc{};
    cc.lStructSize = sizeof cc;
    cc.hwndOwner = Owner;
    cc.lpCustColors = custom;
    cc.rgbResult = RGB(10, 20, 30);
    cc.Flags = CC_RGBINIT;
    BOOL result = TRUE;
    Drive(
        "#32770", [&] { result = ChooseColorA(&cc); },
        [&](HWND dialog) {
            checked = true;
            ASSERT_TRUE(Skinned(dialog));
            TacProvider* provider = ProviderOf(dialog);
            ASSERT_NE(provider, nullptr);
            EXPECT_GT(provider->ChildAdapters.size(), 3u);
            auto shot = ScreenCopyOf(dialog);
            KeepShot(shot.get(), "skinned-colour-dialog");
            EXPECT_EQ(Px(shot.get(), shot->Width() / 2, 1), Opaque(TitleHot));
            EXPECT_EQ(Px(shot.get(), 1, shot->Height() / 2), Opaque(DialogRing));
            // Cancel by the keyboard.
            PressKey(VK_ESCAPE);
        });
    EXPECT_TRUE(checked);
    EXPECT_FALSE(result);
}

TEST_F(SkinDialogs, PopupMenuWindowGetsTheMenuAdapterAsItIsCreated) {
    HMENU menu = CreatePopupMenu();
    AppendMenuA(menu, MF_STRING, 1, "Send");
    AppendMenuA(menu, MF_STRING, 2, "Clear");
    bool checked = false;
    BOOL chosen = -1;
    Drive(
        "#32768", [&] { chosen = TrackPopupMenu(menu, TPM_RETURNCMD, 100, 100, 0, Owner, nullptr); },
        [&](HWND popup) {
            checked = true;
            EXPECT_TRUE(Skinned(popup));
            TacMainWnd* adapter = GetAdapterOfWnd(popup);
            ASSERT_NE(adapter, nullptr);
            EXPECT_NE(dynamic_cast<TacMnuWnd*>(adapter), nullptr);
            EXPECT_EQ(acMenuWnds().back().get(), adapter);
            PressKey(VK_ESCAPE);
        },
        2);
    DestroyMenu(menu);
    EXPECT_TRUE(checked);
    EXPECT_EQ(chosen, 0);
    // The adapter of a menu window that went is freed when the next window goes.
    size_t before = acMenuWnds().size();
    HWND other = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    DestroyWindow(other);
    EXPECT_LT(acMenuWnds().size(), before);
}

// --- a dialog of our own, from a template in memory ---

struct TemplateControl {
    const wchar_t* Class;
    DWORD Style;
    short X, Y, W, H;
    WORD Id;
};

// A DLGTEMPLATE with its items, each DWORD-aligned as the system wants them.
std::vector<WORD> DialogTemplate(DWORD Style, const wchar_t* Title, const std::vector<TemplateControl>& Controls,
                                 DWORD ExStyle = 0) {
    std::vector<WORD> t;
    auto align = [&] {
        if (t.size() % 2)
            t.push_back(0);
    };
    auto dword = [&](DWORD v) {
        t.push_back(LOWORD(v));
        t.push_back(HIWORD(v));
    };
    auto text = [&](const wchar_t* s) {
        for (; *s; ++s)
            t.push_back(*s);
        t.push_back(0);
    };
    dword(Style);
    dword(ExStyle);
    t.push_back(static_cast<WORD>(Controls.size()));
    for (short v : {10, 10, 220, 150})
        t.push_back(static_cast<WORD>(v));
    t.push_back(0);  // no menu
    t.push_back(0);  // the dialog class
    text(Title);
    if (Style & DS_SETFONT) {
        t.push_back(8);
        text(L"MS Shell Dlg");
    }
    for (const TemplateControl& c : Controls) {
        align();
        dword(c.Style | WS_CHILD | WS_VISIBLE);
        dword(0);
        for (short v : {c.X, c.Y, c.W, c.H})
            t.push_back(static_cast<WORD>(v));
        t.push_back(c.Id);
        text(c.Class);
        text(L"Item");
        t.push_back(0);  // no creation data
    }
    return t;
}

INT_PTR CALLBACK PlainDialogProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM) {
    if (Msg == WM_INITDIALOG)
        return TRUE;
    if (Msg == WM_COMMAND && (LOWORD(WParam) == IDOK || LOWORD(WParam) == IDCANCEL)) {
        EndDialog(Wnd, LOWORD(WParam));
        return TRUE;
    }
    if (Msg == WM_CLOSE) {
        EndDialog(Wnd, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

// A dialog that keeps its own region: it says so when asked.
INT_PTR CALLBACK OwnRegionDialogProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
    if (Msg == 0xBC4D && WParam == 16802) {
        SetWindowLongPtrA(Wnd, DWLP_MSGRESULT, 16802);
        return TRUE;
    }
    return PlainDialogProc(Wnd, Msg, WParam, LParam);
}

// A dialog that says it is skinned already (command 7).
INT_PTR CALLBACK SkinnedDialogProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
    if (Msg == SM_QUORVEXCMD && SkinCmdOf(WParam) == scIsSkinned) {
        SetWindowLongPtrA(Wnd, DWLP_MSGRESULT, 1);
        return TRUE;
    }
    return PlainDialogProc(Wnd, Msg, WParam, LParam);
}

template <class T>
bool AdaptedAs(HWND Dialog, int Id) {
    return dynamic_cast<T*>(GetAdapterOfWnd(GetDlgItem(Dialog, Id))) != nullptr;
}

// Shows the dialog of the template modally (owned by Owner, run by Proc), looking at it with Inspect once shown;
// Answer gets what the dialog ended with.
Driver DriveTemplate(const std::vector<WORD>& Template, HWND Owner, DLGPROC Proc,
                     const std::function<void(HWND)>& Inspect, int Delay = 4, INT_PTR* Answer = nullptr) {
    return Drive(
        "#32770",
        [&] {
            INT_PTR answer = DialogBoxIndirectParamW(nullptr, reinterpret_cast<LPCDLGTEMPLATEW>(Template.data()),
                                                     Owner, Proc, 0);
            if (Answer)
                *Answer = answer;
        },
        Inspect, Delay);
}

TEST_F(SkinDialogs, DialogChildrenGetTheAdapterOfTheirClassAndStyle) {
    std::vector<TemplateControl> controls = {
        {L"STATIC", SS_LEFT, 5, 5, 60, 10, 101},
        {L"STATIC", SS_ICON, 70, 5, 20, 20, 102},
        {L"STATIC", SS_GRAYRECT, 95, 5, 20, 10, 103},
        {L"STATIC", SS_OWNERDRAW, 120, 5, 20, 10, 104},
        {L"BUTTON", BS_GROUPBOX, 5, 30, 100, 50, 105},
        {L"BUTTON", BS_AUTOCHECKBOX, 10, 42, 80, 10, 106},
        {L"BUTTON", BS_AUTORADIOBUTTON, 10, 55, 80, 10, 107},
        {L"BUTTON", BS_OWNERDRAW, 120, 30, 40, 14, 108},
        {L"BUTTON", BS_DEFPUSHBUTTON, 165, 130, 50, 14, IDOK},
        {L"EDIT", WS_BORDER, 110, 50, 60, 12, 109},
        {L"LISTBOX", WS_BORDER, 110, 65, 60, 30, 110},
        {L"COMBOBOX", CBS_DROPDOWNLIST, 5, 85, 80, 60, 111},
        {L"SCROLLBAR", SBS_SIZEGRIP | SBS_SIZEBOXBOTTOMRIGHTALIGN, 200, 140, 10, 10, 112},
        {L"msctls_updown32", 0, 175, 50, 12, 14, 113},
        {L"SysTabControl32", 0, 5, 100, 100, 40, 114},
        {L"STATIC", SS_WHITERECT, 145, 5, 20, 10, 115},
        {L"ToolbarWindow32", CCS_NORESIZE | CCS_NOPARENTALIGN | CCS_NODIVIDER | TBSTYLE_FLAT, 110, 100, 50, 12, 116},
        {L"ToolbarWindow32", CCS_NORESIZE | CCS_NOPARENTALIGN | CCS_NODIVIDER, 110, 115, 50, 12, 117},
    };
    std::vector<WORD> tmpl = DialogTemplate(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX |
                                                WS_MAXIMIZEBOX | DS_SETFONT,
                                            L"Own dialog", controls);
    bool checked = false;
    INT_PTR answer = 0;
    Driver d = DriveTemplate(
        tmpl, Owner, PlainDialogProc,
        [&](HWND dialog) {
            checked = true;
            ASSERT_TRUE(Skinned(dialog));
            EXPECT_TRUE(AdaptedAs<TacStaticWnd>(dialog, 101));
            EXPECT_TRUE(AdaptedAs<TacIconWnd>(dialog, 102));
            EXPECT_EQ(GetAdapterOfWnd(GetDlgItem(dialog, 103)), nullptr);
            EXPECT_EQ(GetAdapterOfWnd(GetDlgItem(dialog, 104)), nullptr);
            EXPECT_TRUE(AdaptedAs<TacGroupBoxWnd>(dialog, 105));
            EXPECT_TRUE(AdaptedAs<TacCheckBoxWnd>(dialog, 106));
            EXPECT_TRUE(AdaptedAs<TacCheckBoxWnd>(dialog, 107));
            EXPECT_EQ(GetAdapterOfWnd(GetDlgItem(dialog, 108)), nullptr);
            EXPECT_TRUE(AdaptedAs<TacBtnWnd>(dialog, IDOK));
            EXPECT_TRUE(AdaptedAs<TacEditWnd>(dialog, 109));
            EXPECT_TRUE(AdaptedAs<TacEditWnd>(dialog, 110));
            EXPECT_TRUE(AdaptedAs<TacComboBoxWnd>(dialog, 111));
            EXPECT_TRUE(AdaptedAs<TacSizerWnd>(dialog, 112));
            EXPECT_TRUE(AdaptedAs<TacSpinWnd>(dialog, 113));
            EXPECT_TRUE(AdaptedAs<TacTabControlWnd>(dialog, 114));
            EXPECT_EQ(GetAdapterOfWnd(GetDlgItem(dialog, 115)), nullptr);
            // A tool bar is flat by its style's TBSTYLE_FLAT (0x800), as the file dialogs' are.
            for (auto [id, section] : {std::pair{116, "BAR"}, std::pair{117, "CHECKBOX"}}) {
                TacMainWnd* bar = GetAdapterOfWnd(GetDlgItem(dialog, id));
                ASSERT_NE(bar, nullptr) << id;
                EXPECT_EQ(bar->SkinData->SkinSection(), section) << id;
            }
            EXPECT_TRUE(GetAdapterOfWnd(GetDlgItem(dialog, 109))->DlgMode);
            // The mouse over the up-down control presses nothing before a button goes down.
            HWND spin = GetDlgItem(dialog, 113);
            RECT sr;
            GetWindowRect(spin, &sr);
            MoveMouseTo((sr.left + sr.right) / 2, sr.top + 3);
            PumpMessagesFor(100);
            RedrawWindow(spin, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
            auto* spinAdapter = dynamic_cast<TacSpinWnd*>(GetAdapterOfWnd(spin));
            ASSERT_NE(spinAdapter, nullptr);
            EXPECT_FALSE(spinAdapter->Pressed);
            EXPECT_EQ(spinAdapter->State1, 0);
            EXPECT_EQ(spinAdapter->State2, 0);
            // A sizeable frame: the big glyphs, close, maximize and minimize from the right.
            TacDialogWnd* adapter = ProviderOf(dialog)->DialogWnd.get();
            EXPECT_EQ(adapter->Kind, 3);
            EXPECT_EQ(adapter->BorderWidth(), GetSystemMetrics(SM_CXSIZEFRAME));
            EXPECT_TRUE(adapter->BtnClose.Big);
            EXPECT_EQ(adapter->BtnMax.Rect.right, adapter->BtnClose.Rect.left);
            EXPECT_EQ(adapter->BtnMin.Rect.right, adapter->BtnMax.Rect.left);
            auto shot = ScreenCopyOf(dialog);
            KeepShot(shot.get(), "skinned-own-dialog");
            EXPECT_EQ(CountOf(shot.get(), GlyphColor("MAX", true, 0)), (BigWidth - 2) * (BigHeight - 2));
            EXPECT_EQ(CountOf(shot.get(), GlyphColor("MIN", true, 0)), (BigWidth - 2) * (BigHeight - 2));
            // The title bar section behind the buttons.
            EXPECT_GT(CountOf(shot.get(), TitleBarHot), 0);
            // Close pressed and released over maximize does neither.
            RECT w;
            GetWindowRect(dialog, &w);
            TRect c = adapter->BtnClose.Rect, r = adapter->BtnMax.Rect;
            MoveMouseTo(w.left + (c.left + c.right) / 2, w.top + (c.top + c.bottom) / 2);
            MouseButton(true);
            PumpMessagesFor(200);
            EXPECT_EQ(adapter->BtnClose.State, 2);
            MoveMouseTo(w.left + (r.left + r.right) / 2, w.top + (r.top + r.bottom) / 2);
            PumpMessagesFor(200);
            MouseButton(false);
            PumpMessagesFor(300);
            EXPECT_TRUE(IsWindowVisible(dialog));
            EXPECT_FALSE(IsZoomed(dialog));
            EXPECT_EQ(adapter->BtnClose.State, 0);
            // Maximize by a real click, then restore by the same button.
            ClickAt(w.left + (r.left + r.right) / 2, w.top + (r.top + r.bottom) / 2);
            PumpMessagesFor(400);
            EXPECT_TRUE(IsZoomed(dialog));
            GetWindowRect(dialog, &w);
            r = adapter->BtnMax.Rect;
            ClickAt(w.left + (r.left + r.right) / 2, w.top + (r.top + r.bottom) / 2);
            PumpMessagesFor(400);
            EXPECT_FALSE(IsZoomed(dialog));
            PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        },
        4, &answer);
    EXPECT_TRUE(checked);
    EXPECT_EQ(answer, IDOK);
}

TEST_F(SkinDialogs, ADialogThatKeepsItsOwnRegionGetsNone) {
    std::vector<WORD> tmpl = DialogTemplate(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT,
                                            L"Own region", {{L"BUTTON", BS_DEFPUSHBUTTON, 100, 100, 50, 14, IDOK}});
    bool checked = false;
    DriveTemplate(
        tmpl, Owner, OwnRegionDialogProc,
        [&](HWND dialog) {
            checked = true;
            ASSERT_TRUE(Skinned(dialog));
            HRGN region = CreateRectRgn(0, 0, 0, 0);
            EXPECT_EQ(GetWindowRgn(dialog, region), ERROR);
            DeleteObject(region);
            // It cannot be maximized: a double click on the caption leaves it as it is.
            RECT w;
            GetWindowRect(dialog, &w);
            SendMessageA(dialog, WM_NCLBUTTONDBLCLK, HTCAPTION, MAKELPARAM(w.left + 40, w.top + 10));
            EXPECT_FALSE(IsZoomed(dialog));
            EXPECT_TRUE(IsWindowVisible(dialog));
            PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        });
    EXPECT_TRUE(checked);
}

TEST_F(SkinDialogs, ADialogThatSaysItIsSkinnedAlreadyGetsNothing) {
    std::vector<WORD> tmpl = DialogTemplate(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT,
                                            L"Skins itself", {{L"BUTTON", BS_DEFPUSHBUTTON, 100, 100, 50, 14, IDOK}});
    bool checked = false;
    DriveTemplate(
        tmpl, Owner, SkinnedDialogProc,
        [&](HWND dialog) {
            checked = true;
            EXPECT_EQ(ProviderOf(dialog), nullptr);
            EXPECT_EQ(GetWindowLongPtrW(dialog, GWLP_WNDPROC), OriginalProcs[dialog]);
            EXPECT_EQ(GetPropA(GetDlgItem(dialog, IDOK), "ACSBSC"), nullptr);
            EXPECT_NE(GetWindowLongA(dialog, GWL_STYLE) & WS_SYSMENU, 0);
            PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        });
    EXPECT_TRUE(checked);
}

TEST_F(SkinDialogs, AToolWindowDialogHasTheSmallCaptionAndGlyphs) {
    std::vector<WORD> tmpl =
        DialogTemplate(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT, L"Tool dialog",
                       {{L"BUTTON", BS_DEFPUSHBUTTON, 100, 100, 50, 14, IDOK}}, WS_EX_TOOLWINDOW);
    bool checked = false;
    DriveTemplate(
        tmpl, Owner, PlainDialogProc,
        [&](HWND dialog) {
            checked = true;
            ASSERT_TRUE(Skinned(dialog));
            TacDialogWnd* adapter = ProviderOf(dialog)->DialogWnd.get();
            EXPECT_EQ(adapter->Kind, 4);
            EXPECT_EQ(adapter->CaptionHeight(), GetSystemMetrics(SM_CYSMCAPTION));
            EXPECT_FALSE(adapter->BtnClose.Big);
            // The caption strip ends where the client area begins.
            TPoint client = adapter->ClientOffset();
            EXPECT_EQ(client.y, adapter->BorderHeight() + adapter->CaptionHeight());
            auto shot = ScreenCopyOf(dialog);
            EXPECT_EQ(Px(shot.get(), shot->Width() / 2, client.y - 1), Opaque(TitleHot));
            EXPECT_EQ(Px(shot.get(), shot->Width() / 2, client.y + 1), Opaque(Dialog));
            EXPECT_EQ(CountOf(shot.get(), GlyphColor("CLOSE", false, 0)), (SmallWidth - 2) * (SmallHeight - 2));
            PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        });
    EXPECT_TRUE(checked);
}

class TfrmPlain : public TForm {
    CLASS_INFO(TfrmPlain, TForm)
public:
    using TForm::TForm;
};

TEST_F(SkinDialogs, AFormWithoutAProviderGetsOneWhenActivatedUnlessItsTagSaysNo) {
    for (int tag : {0, -98}) {
        auto* form = new TfrmPlain(nullptr);
        form->AfterConstruction();
        form->SetTag(tag);
        form->SetPosition(poDesigned);
        form->SetBounds(100, 100, 240, 160);
        form->SetCaption("Plain form");
        form->Show();
        SetForegroundWindow(form->Handle());
        PumpMessagesFor(200);
        TsSkinProvider* provider = nullptr;
        for (int i = 0; i < form->ComponentCount(); ++i)
            if (auto* p = dynamic_cast<TsSkinProvider*>(form->Components(i)))
                provider = p;
        if (tag == 0) {
            ASSERT_NE(provider, nullptr);
            EXPECT_TRUE(Skinned(form->Handle()));
            EXPECT_EQ(provider->Form(), form);
            EXPECT_FALSE(provider->MakeSkinMenu());
            auto shot = ScreenCopyOf(form->Handle());
            EXPECT_EQ(Px(shot.get(), 120, 1), Opaque(TitleHot));
        } else {
            EXPECT_EQ(provider, nullptr);
            EXPECT_FALSE(Skinned(form->Handle()));
        }
        form->Free();
        PumpMessagesFor(50);
    }
    // The forms' slots were cleared as they went.
    for (TacProvider* p : acProviders())
        EXPECT_EQ(p, nullptr);
}

TEST_F(SkinDialogs, APopupMenuOfTheClassLibraryOnAHookedFormStillWorksByTheKeyboard) {
    auto* form = new TfrmPlain(nullptr);
    form->AfterConstruction();
    form->SetPosition(poDesigned);
    form->SetBounds(100, 100, 240, 160);
    auto* popup = new TPopupMenu(form);
    int clicks = 0;
    auto* first = new TMenuItem(form);
    first->SetCaption("First");
    first->OnClick = [&](TObject*) { ++clicks; };
    popup->Items()->Add(first);
    auto* second = new TMenuItem(form);
    second->SetCaption("Second");
    popup->Items()->Add(second);
    form->Show();
    SetForegroundWindow(form->Handle());
    PumpMessagesFor(200);
    ASSERT_TRUE(Skinned(form->Handle()));
    bool checked = false;
    Drive(
        "#32768", [&] { popup->Popup(150, 150); },
        [&](HWND wnd) {
            checked = true;
            EXPECT_TRUE(Skinned(wnd));
            EXPECT_NE(dynamic_cast<TacMnuWnd*>(GetAdapterOfWnd(wnd)), nullptr);
            PressKey(VK_DOWN);
            PressKey(VK_RETURN);
        },
        2);
    PumpMessagesFor(200);
    EXPECT_TRUE(checked);
    EXPECT_EQ(clicks, 1);
    form->Free();
    PumpMessagesFor(50);
    // Every menu adapter left gave its window back.
    for (const auto& adapter : acMenuWnds())
        EXPECT_TRUE(adapter->Destroyed);
}


// --- what the hook attaches goes with its window ---

TEST_F(SkinDialogs, ClosedBoxesMenusAndChildrenGiveTheirAdaptersBackUnderTheSameSkin) {
    PumpMessagesFor(50);
    const int live = TacMainWnd::LiveCount();
    HMENU menu = CreatePopupMenu();
    AppendMenuA(menu, MF_STRING, 1, "Send");
    for (int i = 0; i < 3; ++i) {
        Driver box = Drive(
            "#32770", [&] { MessageBoxA(Owner, "Once more.", "Again", MB_OK); },
            [&](HWND Wnd) {
                EXPECT_TRUE(Skinned(Wnd));
                EXPECT_GT(TacMainWnd::LiveCount(), live);
                PostMessageA(Wnd, WM_COMMAND, IDOK, 0);
            },
            1);
        EXPECT_TRUE(box.Inspected);
        Driver popup = Drive(
            "#32768", [&] { TrackPopupMenu(menu, TPM_RETURNCMD, 100, 100, 0, Owner, nullptr); },
            [&](HWND Wnd) {
                EXPECT_TRUE(Skinned(Wnd));
                PressKey(VK_ESCAPE);
            },
            1);
        EXPECT_TRUE(popup.Inspected);
        // No other window has to go for them: the thread's own loop frees what the closed windows left.
        PumpMessagesFor(50);
        EXPECT_EQ(TacMainWnd::LiveCount(), live) << "after opening " << i + 1;
        EXPECT_TRUE(acMenuWnds().empty());
        for (TacProvider* provider : acProviders())
            EXPECT_EQ(provider, nullptr);
    }
    DestroyMenu(menu);
    // A child that a dialog takes away while it stays open takes its adapter along.
    std::vector<WORD> tmpl = DialogTemplate(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT,
                                            L"Children go", {{L"BUTTON", BS_PUSHBUTTON, 10, 10, 50, 14, 101},
                                                             {L"BUTTON", BS_DEFPUSHBUTTON, 100, 100, 50, 14, IDOK}});
    bool checked = false;
    DriveTemplate(
        tmpl, Owner, PlainDialogProc,
        [&](HWND dialog) {
            checked = true;
            TacProvider* provider = ProviderOf(dialog);
            ASSERT_NE(provider, nullptr);
            size_t children = provider->ChildAdapters.size();
            int alive = TacMainWnd::LiveCount();
            ASSERT_TRUE(AdaptedAs<TacBtnWnd>(dialog, 101));
            DestroyWindow(GetDlgItem(dialog, 101));
            PumpMessagesFor(50);
            EXPECT_EQ(provider->ChildAdapters.size(), children - 1);
            EXPECT_EQ(TacMainWnd::LiveCount(), alive - 1);
            PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        });
    EXPECT_TRUE(checked);
    PumpMessagesFor(50);
    EXPECT_EQ(TacMainWnd::LiveCount(), live);
}

TEST_F(SkinDialogs, AltSpaceOpensTheSkinnedSystemMenuOfABoxAndItsCloseItemClosesIt) {
    bool menuSeen = false, ownMenu = false;
    int answer = 0;
    Driver d = Drive(
        "#32770", [&] { answer = MessageBoxA(Owner, "Keyboard only.", "Keys", MB_OKCANCEL); },
        [&](HWND box) {
            ASSERT_TRUE(Skinned(box));
            // The box's style lost WS_SYSMENU to the skin, and with it the system's own keyboard menu.
            ASSERT_EQ(GetWindowLongA(box, GWL_STYLE) & WS_SYSMENU, 0);
            SetForegroundWindow(box);
            PumpMessagesFor(100);
            Drive(
                "#32768",
                [&] {
                    PressChord({VK_MENU}, VK_SPACE);
                    PumpKeysUntil([&] { return !IsWindowVisible(box); }, 3000);
                },
                [&](HWND popup) {
                    menuSeen = true;
                    auto shown = reinterpret_cast<HMENU>(SendMessageA(popup, MN_GETHMENU, 0, 0));
                    TacProvider* provider = ProviderOf(box);
                    ownMenu = provider && provider->DialogWnd && shown == provider->DialogWnd->SysMenu->Handle();
                    // The last item is Close.
                    PressKey(VK_UP);
                    PressKey(VK_RETURN);
                },
                2);
        });
    EXPECT_TRUE(menuSeen);
    EXPECT_TRUE(ownMenu);
    EXPECT_FALSE(d.ForcedClose) << "the menu's Close did not close the box";
    // Closed, not confirmed: the Enter went to the menu, not to the box's default button.
    EXPECT_EQ(answer, IDCANCEL);
}

// Counts what a skinned dialog's frame costs: the non-client paints it gets and the regions it is given (a region
// change reaches the window as a frame change that neither moves nor sizes it).
std::map<HWND, int> NcPaints, RegionSets;
HHOOK CountHook = nullptr;

LRESULT CALLBACK CountProc(int Code, WPARAM WParam, LPARAM LParam) {
    if (Code == HC_ACTION) {
        const auto* m = reinterpret_cast<const CWPSTRUCT*>(LParam);
        if (m->message == WM_NCPAINT)
            ++NcPaints[m->hwnd];
        if (m->message == WM_WINDOWPOSCHANGED) {
            const auto* pos = reinterpret_cast<const WINDOWPOS*>(m->lParam);
            UINT still = SWP_NOSIZE | SWP_NOMOVE | SWP_FRAMECHANGED;
            if ((pos->flags & still) == still)
                ++RegionSets[m->hwnd];
        }
    }
    return CallNextHookEx(CountHook, Code, WParam, LParam);
}

TEST_F(SkinDialogs, EachRepaintOfADialogsFramePaintsItOnceAndSetsNoNewRegion) {
    std::vector<WORD> tmpl =
        DialogTemplate(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MAXIMIZEBOX | DS_SETFONT, L"Counted",
                       {{L"BUTTON", BS_DEFPUSHBUTTON, 100, 100, 50, 14, IDOK}});
    bool checked = false;
    DriveTemplate(
        tmpl, Owner, PlainDialogProc,
        [&](HWND dialog) {
            checked = true;
            ASSERT_TRUE(Skinned(dialog));
            TacDialogWnd* adapter = ProviderOf(dialog)->DialogWnd.get();
            HRGN region = CreateRectRgn(0, 0, 0, 0);
            EXPECT_EQ(GetWindowRgn(dialog, region), COMPLEXREGION);
            DeleteObject(region);
            NcPaints.clear();
            RegionSets.clear();
            CountHook = SetWindowsHookExA(WH_CALLWNDPROC, CountProc, nullptr, GetCurrentThreadId());
            ASSERT_NE(CountHook, nullptr);
            // Five captions, each outside the code page: each one frame paint, no region, the text read wide.
            const wchar_t* captions[] = {L"Порт 1", L"Порт 2", L"Порт 3", L"Порт 4", L"Порт 5"};
            for (const wchar_t* caption : captions) {
                SetWindowTextW(dialog, caption);
                PumpMessagesFor(30);
            }
            EXPECT_EQ(NcPaints[dialog], 5);
            EXPECT_EQ(RegionSets[dialog], 0);
            EXPECT_EQ(adapter->WndTextW, L"Порт 5");
            auto shot = ScreenCopyOf(dialog);
            KeepShot(shot.get(), "skinned-wide-caption");
            EXPECT_GT(CountPx(
                          shot.get(), [](TColor p) { return p == Opaque(TitleHotFont); }, 0, 0, shot->Width(),
                          adapter->ClientOffset().y),
                      20);
            // The mouse over a title button repaints the button alone.
            RECT w;
            GetWindowRect(dialog, &w);
            TRect r = adapter->BtnClose.Rect;
            POINT p{w.left + (r.left + r.right) / 2, w.top + (r.top + r.bottom) / 2};
            int paints = NcPaints[dialog];
            MoveMouseTo(p.x, p.y);
            PumpMessagesFor(300);
            EXPECT_EQ(adapter->HotButton, HTCLOSE);
            EXPECT_EQ(ScreenPixel(p.x, p.y), static_cast<COLORREF>(GlyphColor("CLOSE", true, 1)));
            EXPECT_EQ(NcPaints[dialog], paints);
            EXPECT_EQ(RegionSets[dialog], 0);
            MoveMouseTo(w.left + 20, w.bottom - 20);
            PumpMessagesFor(300);
            EXPECT_EQ(ScreenPixel(p.x, p.y), static_cast<COLORREF>(GlyphColor("CLOSE", true, 0)));
            // A new size builds the region once more.
            SetWindowPos(dialog, nullptr, 0, 0, w.right - w.left + 30, w.bottom - w.top, SWP_NOMOVE | SWP_NOZORDER);
            PumpMessagesFor(100);
            EXPECT_EQ(RegionSets[dialog], 1);
            UnhookWindowsHookEx(CountHook);
            CountHook = nullptr;
            // The zoomed dialog's rim lets the click through, as a skinned form's rim does.
            ShowWindow(dialog, SW_MAXIMIZE);
            PumpMessagesFor(200);
            GetWindowRect(dialog, &w);
            EXPECT_EQ(SendMessageA(dialog, WM_NCHITTEST, 0, MAKELPARAM(w.left + 1, (w.top + w.bottom) / 2)),
                      HTTRANSPARENT);
            PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        });
    if (CountHook)
        UnhookWindowsHookEx(CountHook);
    CountHook = nullptr;
    EXPECT_TRUE(checked);
}

TEST_F(SkinDialogs, TheTitleKeepsTheIconOnMagentaAndTheBarBehindTheButtons) {
    bool checked = false;
    Drive(
        "#32770", [&] { MessageBoxA(Owner, "Icon and bar.", "Title", MB_OK); },
        [&](HWND box) {
            checked = true;
            ASSERT_TRUE(Skinned(box));
            TacDialogWnd* adapter = ProviderOf(box)->DialogWnd.get();
            ASSERT_TRUE(adapter->IconBmp);
            EXPECT_EQ(adapter->IconBmp->Width(), GetSystemMetrics(SM_CXSMICON));
            EXPECT_EQ(adapter->IconBmp->Height(), GetSystemMetrics(SM_CYSMICON));
            int magenta = CountPx(adapter->IconBmp.get(), [](TColor p) { return p == clFuchsia; });
            EXPECT_GT(magenta, 0);
            EXPECT_LT(magenta, adapter->IconBmp->Width() * adapter->IconBmp->Height());
            // The bar behind the one close button: as wide as the glyph, as high as the caption strip, in the
            // active bar colour around the glyph.
            ASSERT_TRUE(adapter->ButtonsBG);
            EXPECT_EQ(adapter->ButtonsBG->Width(), SmallWidth + 2);
            EXPECT_EQ(adapter->ButtonsBG->Height(), adapter->BorderHeight() + adapter->CaptionHeight());
            EXPECT_GT(CountOf(adapter->ButtonsBG.get(), TitleBarHot), 0);
            EXPECT_EQ(CountOf(adapter->ButtonsBG.get(), GlyphColor("CLOSE", false, 0)), 0);
            PostMessageA(box, WM_COMMAND, IDOK, 0);
        });
    EXPECT_TRUE(checked);
}

}  // namespace
