// The skin manager component: defaults and the default manager, its published properties in form descriptions,
// skin names and the skin directory, the dialog hook of its thread, the hook on the application's window and the
// points where the menu painter and the dialog hook plug in.
#include "FlatSkinSamples.h"
#include "SkinManagerFixtures.h"

#include "skin/engine/acSkinHooks.h"

#include "classlib/visual/Forms.h"
#include "classlib/visual/Menus.h"
#include "classlib/runtime/SysUtils.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

// A menu painter that notes what the manager asks of it.
class TRecordingMenuPainter : public TacMenuPainter {
public:
    int Updates = 0, Resets = 0;
    TBitmap* Background = nullptr;
    std::vector<std::pair<TBitmap*, HWND>> Hooked;
    void UpdateMenus() override { ++Updates; }
    void ResetSkinBorderWidth() override { ++Resets; }
    TBitmap* PopupBackground() override { return Background; }
    void HookPopupWnd(TBitmap* Bitmap, HWND Wnd) override { Hooked.emplace_back(Bitmap, Wnd); }
};

// A dialog hook that notes what reaches it.
class TRecordingDialogHook : public TacDialogHook {
public:
    int Installed = 0, Removed = 0;
    std::vector<int> Codes;
    void HookInstalled() override { ++Installed; }
    void HookRemoved() override { ++Removed; }
    void Notify(int Code, WPARAM, LPARAM) override { Codes.push_back(Code); }
};

// Registers one painter factory for a test; the painters it makes are the test's to look at.
class MenuPainterScope {
public:
    MenuPainterScope() {
        RegisterMenuPainter([this](TsSkinManager*) {
            auto painter = std::make_unique<TRecordingMenuPainter>();
            Made.push_back(painter.get());
            return painter;
        });
    }
    ~MenuPainterScope() { RegisterMenuPainter(nullptr); }
    std::vector<TRecordingMenuPainter*> Made;
};

// Counts the theme changes that reach the application's window past the hooks put in before it.
class ThemeProbe {
public:
    ThemeProbe() { Application->HookMainWindow(TWindowHook(this, &ThemeProbe::Hook)); }
    ~ThemeProbe() { Application->UnhookMainWindow(TWindowHook(this, &ThemeProbe::Hook)); }
    ThemeProbe(const ThemeProbe&) = delete;
    ThemeProbe& operator=(const ThemeProbe&) = delete;
    // Sends WM_THEMECHANGED to the application's window as the system does; true when it came through.
    bool PassesThrough() {
        int before = Seen;
        SendMessageA(Application->Handle(), WM_THEMECHANGED, 0, 0);
        return Seen > before;
    }

private:
    bool Hook(TMessage& Message) {
        if (Message.Msg == WM_THEMECHANGED)
            ++Seen;
        return false;
    }
    int Seen = 0;
};

}  // namespace

TEST(SkinManager, TheFirstManagerIsTheDefaultOneWithItsDefaults) {
    ASSERT_EQ(DefaultManager, nullptr);
    {
        TsSkinManager first(nullptr);
        TsSkinManager second(nullptr);
        EXPECT_EQ(DefaultManager, &first);
        EXPECT_TRUE(first.IsDefault());
        EXPECT_FALSE(second.IsDefault());
        EXPECT_EQ(first.SkinDirectory(), "c:\\Skins");
        EXPECT_TRUE(first.Active());
        EXPECT_TRUE(first.SkinnedPopups());
        EXPECT_EQ(first.HueOffset(), 0);
        EXPECT_EQ(first.SkinningRules(), (TacSkinningRules{srStdForms, srStdDialogs, srThirdParty}));
        EXPECT_EQ(TsSkinManager::Version(), "6.00 beta");
        EXPECT_EQ(first.SkinInfo(), "N/A");
        EXPECT_EQ(first.SkinableMenus(), nullptr);  // no menu unit is linked into this test
        EXPECT_EQ(first.MenuSupport()->ExtraLineWidth(), 32);
        EXPECT_FALSE(first.MenuSupport()->UseExtraLine());
        TacAnimEffects* anim = first.AnimEffects();
        EXPECT_EQ(anim->Buttons()->Events(), (TacBtnEvents{beMouseEnter, beMouseLeave, beMouseDown, beMouseUp}));
        EXPECT_EQ(anim->Buttons()->Manager(), &first);
        EXPECT_EQ(anim->SkinChanging()->Time(), 100);
        EXPECT_TRUE(anim->SkinChanging()->Active());
        EXPECT_EQ(anim->DialogShow()->Time(), 0);
        EXPECT_EQ(anim->FormShow()->Time(), 0);
        for (int i = 0; i < acThirdPartyKindCount; ++i) {
            EXPECT_EQ(first.ThirdParty()->GetString(i), " ");
            EXPECT_EQ(first.ThirdLists(i)->Count(), 1);
        }
        // Asking to stop being the default while another one is does nothing.
        second.SetIsDefault(false);
        EXPECT_EQ(DefaultManager, &first);
    }
    // The last default manager gone leaves no default; a later one does not become default by itself.
    EXPECT_EQ(DefaultManager, nullptr);
}

TEST(SkinManager, PropertiesTravelThroughFormDescriptions) {
    TComponent form(nullptr);
    auto* manager = new TsSkinManager(&form);
    manager->SetName("Skins");
    manager->SetActive(false);
    manager->SetSkinDirectory(".\\MySkins");
    manager->SetSkinName("SOMETHING");
    manager->SetHueOffset(40);
    manager->SetSaturation(-20);
    manager->SetSkinnedPopups(false);
    manager->SetSkinningRules({srStdDialogs});
    manager->MenuSupport()->SetUseExtraLine(true);
    manager->MenuSupport()->SetIcoLineSkin("MYICO");
    manager->AnimEffects()->SkinChanging()->SetTime(250);
    manager->AnimEffects()->Buttons()->SetEvents({beMouseDown});
    manager->ThirdParty()->SetString(0, "TMyEdit\r\nTOtherEdit");
    manager->ThirdParty()->SetString(16, "");
    manager->CommonSections()->SetText("[EDIT]\r\nCOLOR=1\r\n");
    std::string text = WriteComponentText(&form);

    TComponent copy(nullptr);
    ReadComponentText(text, &copy);
    auto* read = dynamic_cast<TsSkinManager*>(copy.FindComponent("Skins"));
    ASSERT_NE(read, nullptr);
    EXPECT_FALSE(read->Active());
    EXPECT_EQ(read->SkinDirectory(), ".\\MySkins");
    EXPECT_EQ(read->SkinName(), "SOMETHING");
    EXPECT_EQ(read->HueOffset(), 40);
    EXPECT_EQ(read->Saturation(), -20);
    EXPECT_FALSE(read->SkinnedPopups());
    EXPECT_EQ(read->SkinningRules(), TacSkinningRules{srStdDialogs});
    EXPECT_TRUE(read->MenuSupport()->UseExtraLine());
    EXPECT_EQ(read->MenuSupport()->IcoLineSkin(), "MYICO");
    EXPECT_EQ(read->AnimEffects()->SkinChanging()->Time(), 250);
    EXPECT_EQ(read->AnimEffects()->Buttons()->Events(), TacBtnEvents{beMouseDown});
    // Two class names on two lines make a two-line list; an empty list reads as one blank.
    EXPECT_EQ(read->ThirdLists(0)->Count(), 2);
    EXPECT_EQ(read->ThirdLists(0)->Strings(1), "TOtherEdit");
    EXPECT_EQ(read->ThirdParty()->GetString(16), " ");
    EXPECT_EQ(read->CommonSections()->Count(), 2);
    // A manager read without an icon line section gets "ICOLINE".
    TComponent bare(nullptr);
    ReadComponentText("object Bare: TComponent\r\n  object M: TsSkinManager\r\n    Active = False\r\n  end\r\nend\r\n",
                      &bare);
    auto* m = dynamic_cast<TsSkinManager*>(bare.FindComponent("M"));
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->MenuSupport()->IcoLineSkin(), "ICOLINE");
    // Writing the lists back turns each into its text again.
    read->SaveThirdPartyLists();
    EXPECT_EQ(read->ThirdParty()->GetString(0), "TMyEdit\r\nTOtherEdit\r\n");
    read->InitThirdPartyLists(true);
    EXPECT_EQ(read->ThirdParty()->GetString(0), " ");
}

TEST(SkinManager, CommonSectionsLoseTheirBlanksExceptInComments) {
    TsSkinManager manager(nullptr);
    manager.SetActive(false);
    TStringList lines;
    lines.SetText("; keep  these blanks\r\n[ MY SECTION ]\r\n COLOR = 0x10 \r\n\r\n");
    manager.SetCommonSections(&lines);
    TStrings* common = manager.CommonSections();
    ASSERT_EQ(common->Count(), 4);
    EXPECT_EQ(common->Strings(0), "; keep  these blanks");
    EXPECT_EQ(common->Strings(1), "[MYSECTION]");
    EXPECT_EQ(common->Strings(2), "COLOR=0x10");
    EXPECT_EQ(common->Strings(3), "");
}

TEST(SkinManager, TheSkinDirectoryIsResolvedAgainstTheProgramFolder) {
    TsSkinManager manager(nullptr);
    std::string app = ExtractFilePath(ParamStr0());
    std::string parent = ExtractFilePath(app.substr(0, app.size() - 1));
    auto full = [&](const std::string& dir) {
        manager.SetSkinDirectory(dir);
        return manager.GetFullSkinDirectory();
    };
    EXPECT_EQ(full("..\\Skins"), parent + "Skins\\");
    EXPECT_EQ(full("../../Skins"), parent + "../Skins\\");  // one level up, never two
    EXPECT_EQ(full(".\\Skins"), app + "Skins\\");
    EXPECT_EQ(full("./Skins/"), app + "Skins\\");
    EXPECT_EQ(full("d:\\Skins"), "d:\\Skins\\");
    EXPECT_EQ(full("\\\\server\\skins"), "\\\\server\\skins\\");
    EXPECT_EQ(full("Skins"), app + "Skins\\");
    // The skin data learns the folder with the directory.
    EXPECT_EQ(manager.SkinData()->SkinPath, app + "Skins\\");
}

TEST(SkinManager, SkinNamesListStoredSkinsFoldersAndPackedFiles) {
    SampleSkinDir samples;
    std::string dir = samples.Path();
    CreateDirectoryA((dir + "NOSKIN").c_str(), nullptr);
    CreateDirectoryA((dir + ".HIDDEN").c_str(), nullptr);
    WriteFileBytes(dir + ".HIDDEN\\Options.dat", "[GLOBALINFO]\r\n");
    WriteFileBytes(dir + "a.b.vqz", PackSkin(MakeSampleSkin("a.b")));
    WriteFileBytes(dir + "readme.txt", "not a skin");
    auto manager = ManagerOn(dir);
    manager->InternalSkins()->Add()->SetName("ZINT");
    manager->InternalSkins()->Add()->SetName("AINT");
    TStringList names;
    std::string first;
    manager->GetSkinNames(&names, skAll, first);
    EXPECT_EQ(first, "ZINT");
    std::vector<std::string> all;
    for (int i = 0; i < names.Count(); ++i)
        all.push_back(names[i]);
    EXPECT_EQ(all, (std::vector<std::string>{"a.b", "AINT", "PACKED_SAMPLE", "SAMPLE", "ZINT"}));
    manager->GetSkinNames(&names, skFolders, first);
    EXPECT_EQ(names.Count(), 3);
    EXPECT_EQ(names.IndexOf("PACKED_SAMPLE"), -1);
    manager->GetSkinNames(&names, skPacked, first);
    EXPECT_EQ(names.IndexOf("SAMPLE"), -1);
    EXPECT_GE(names.IndexOf("a.b"), 0);
    // The name listed is the name that loads.
    manager->SetSkinName("a.b");
    EXPECT_TRUE(manager->Active());
    EXPECT_TRUE(manager->IsPacked());
}

TEST(SkinManager, TheDefaultManagerHooksItsThreadWhileASkinIsInForce) {
    SampleSkinDir samples;
    TRecordingDialogHook dialogs;
    RegisterDialogHook(&dialogs);
    auto first = ManagerOn(samples.Path());
    EXPECT_FALSE(first->HookInstalled());
    first->SetSkinName("SAMPLE");
    EXPECT_TRUE(first->HookInstalled());
    EXPECT_EQ(dialogs.Installed, 1);
    HWND wnd = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    DestroyWindow(wnd);
    EXPECT_NE(std::find(dialogs.Codes.begin(), dialogs.Codes.end(), HCBT_CREATEWND), dialogs.Codes.end());
    EXPECT_NE(std::find(dialogs.Codes.begin(), dialogs.Codes.end(), HCBT_DESTROYWND), dialogs.Codes.end());
    // Another manager does not hook; made the default one, it takes the hook over.
    auto second = ManagerOn(samples.Path());
    second->SetSkinName("SAMPLE");
    EXPECT_FALSE(second->HookInstalled());
    second->SetIsDefault(true);
    EXPECT_FALSE(first->HookInstalled());
    EXPECT_TRUE(second->HookInstalled());
    EXPECT_EQ(dialogs.Installed, 2);
    EXPECT_EQ(dialogs.Removed, 1);
    second->SetActive(false);
    EXPECT_FALSE(second->HookInstalled());
    EXPECT_EQ(dialogs.Removed, 2);
    dialogs.Codes.clear();
    wnd = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    DestroyWindow(wnd);
    EXPECT_TRUE(dialogs.Codes.empty());
    RegisterDialogHook(nullptr);
}

TEST(SkinManager, TheApplicationWindowHookServesSkinnedPopups) {
    MenuPainterScope painters;
    TsSkinManager manager(nullptr);
    ASSERT_EQ(painters.Made.size(), 1u);
    TRecordingMenuPainter* painter = painters.Made[0];
    ASSERT_EQ(manager.SkinableMenus(), painter);
    TMessage theme{WM_THEMECHANGED, 0, 0, 0};
    EXPECT_TRUE(manager.MainWindowHook(theme));
    // Through the application's window as the system sends it: swallowed before the hooks that come later.
    ThemeProbe probe;
    EXPECT_FALSE(probe.PassesThrough());
    TMessage item{48307, 0, 0, 0};
    EXPECT_FALSE(manager.MainWindowHook(item));  // no popup background yet
    TBitmap background;
    painter->Background = &background;
    EXPECT_TRUE(manager.MainWindowHook(item));  // no item: handled, nothing to hook
    TMessage window{48308, 0, reinterpret_cast<LPARAM>(Application->Handle()), 0};
    EXPECT_TRUE(manager.MainWindowHook(window));
    ASSERT_EQ(painter->Hooked.size(), 1u);
    EXPECT_EQ(painter->Hooked[0].first, &background);
    EXPECT_EQ(painter->Hooked[0].second, Application->Handle());
    TMessage other{WM_USER, 0, 0, 0};
    EXPECT_FALSE(manager.MainWindowHook(other));
    manager.SetSkinnedPopups(false);
    EXPECT_FALSE(manager.MainWindowHook(theme));
    EXPECT_EQ(painter->Updates, 0);
    manager.SetSkinnedPopups(true);  // back on: the menus follow the skin again
    EXPECT_EQ(painter->Updates, 1);
}

TEST(SkinManager, PopupMessagesAreTakenOnlyForTheProgramsOwnMenusAndWindows) {
    MenuPainterScope painters;
    TsSkinManager manager(nullptr);
    TRecordingMenuPainter* painter = painters.Made.at(0);
    TBitmap background;
    painter->Background = &background;
    // An item of a menu on a form of the program is one: handled.
    auto* form = new TForm(nullptr);
    auto* menu = new TPopupMenu(form);
    auto* item = new TMenuItem(form);
    item->SetCaption("Item");
    menu->Items()->Add(item);
    TMessage ours{48307, 0, reinterpret_cast<LPARAM>(item), 0};
    EXPECT_TRUE(manager.MainWindowHook(ours));
    painter->Hooked.clear();
    // The message number is one any program may send: whatever else it carries is passed on, never read.
    TMessage stray{48307, 0, static_cast<LPARAM>(0x12345678), 0};
    EXPECT_FALSE(manager.MainWindowHook(stray));
    TBitmap notAnItem;
    TMessage other{48307, 0, reinterpret_cast<LPARAM>(&notAnItem), 0};
    EXPECT_FALSE(manager.MainWindowHook(other));
    // A window of another thread cannot be taken over.
    HANDLE made = CreateEventA(nullptr, TRUE, FALSE, nullptr), done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HWND foreign = nullptr;
    std::thread owner([&] {
        foreign = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        SetEvent(made);
        WaitForSingleObject(done, INFINITE);
        DestroyWindow(foreign);
    });
    WaitForSingleObject(made, INFINITE);
    ASSERT_NE(foreign, nullptr);
    TMessage window{48308, 0, reinterpret_cast<LPARAM>(foreign), 0};
    EXPECT_FALSE(manager.MainWindowHook(window));
    SetEvent(done);
    owner.join();
    CloseHandle(made);
    CloseHandle(done);
    EXPECT_TRUE(painter->Hooked.empty());
    form->Free();
}

TEST(SkinManager, EveryNewSkinMakesThePopupBorderBeMeasuredAgain) {
    MenuPainterScope painters;
    SampleSkinDir samples;
    auto manager = ManagerOn(samples.Path());
    TRecordingMenuPainter* painter = painters.Made.at(0);
    manager->SetSkinName("SAMPLE");
    EXPECT_EQ(painter->Resets, 1);
    manager->SetSkinName(samples.PackedName());
    EXPECT_EQ(painter->Resets, 2);
}

TEST(SkinManager, AManagerThatIsNoLongerTheDefaultLeavesTheApplicationWindowWhenItGoes) {
    auto first = std::make_unique<TsSkinManager>(nullptr);
    ASSERT_EQ(DefaultManager, first.get());
    ThemeProbe probe;
    auto second = std::make_unique<TsSkinManager>(nullptr);
    second->SetActive(false);
    second->SetIsDefault(true);
    EXPECT_EQ(DefaultManager, second.get());
    // The first manager's hook is still there and takes the message.
    EXPECT_FALSE(probe.PassesThrough());
    first.reset();
    // No hook of the freed manager is left in the application's window: the message comes through.
    EXPECT_TRUE(probe.PassesThrough());
    EXPECT_EQ(DefaultManager, second.get());
}

TEST(SkinManager, AManagerThatCannotBeMadeStaysNeitherDefaultNorHooked) {
    RegisterMenuPainter([](TsSkinManager*) -> std::unique_ptr<TacMenuPainter> {
        throw Exception("No menu painter today");
    });
    EXPECT_THROW(TsSkinManager failing(nullptr), Exception);
    RegisterMenuPainter(nullptr);
    EXPECT_EQ(DefaultManager, nullptr);
    // Nothing of it is left in the application's window to take the message first.
    ThemeProbe probe;
    EXPECT_TRUE(probe.PassesThrough());
    // The next manager made is the default one, with its hook.
    TsSkinManager next(nullptr);
    EXPECT_EQ(DefaultManager, &next);
    ThemeProbe after;
    EXPECT_FALSE(after.PassesThrough());
}

TEST(SkinManager, AStoredSkinWithDataIsReadFromItsDataAndNotFromItsCollections) {
    SampleSkinDir samples;
    SampleSkinDir flat{MakeFlatScrollSkin()};
    auto folder = ManagerOn(samples.Path());
    folder->SetSkinName("SAMPLE");
    auto other = ManagerOn(flat.Path());
    other->SetSkinName("FLATSCROLL");
    ASSERT_TRUE(folder->Active() && other->Active());
    TempDir empty;
    auto stored = ManagerOn(empty.Path());
    TsStoredSkin* both = stored->InternalSkins()->Add();
    StoreCollections(both, "BOTH", *other);
    StorePacked(both, MakeSampleSkin("BOTH"));
    ASSERT_GT(both->Images()->Count(), 0);
    stored->SetSkinName("BOTH");
    ASSERT_TRUE(stored->Active());
    EXPECT_TRUE(stored->IsPacked());
    ExpectSameSkin(*folder, *stored);
}
