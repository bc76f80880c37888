#pragma once
// The test bed of the content-control adapters: the flat content skin loaded by a manager, a shown form at a known
// place of the screen, adapters attached to its controls as the form skinning attaches them (a skin data owned by
// the control), and pictures of a window from the screen or from its WM_PRINT.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "classlib/visual/Forms.h"
#include "skin/adapters/acSBUtils.h"
#include "skin/engine/sCommonData.h"
#include "skin/engine/sSkinManager.h"
#include "tests/support/SyntheticInput.h"
#include "tests/skin/FlatContentSkin.h"
#include "tests/skin/PixelTestUtils.h"
#include "tests/support/MessageLoop.h"
#include "tests/support/ScreenPictures.h"
#include "tests/support/TempDir.h"

class TfrmContentTest : public TForm {
    CLASS_INFO(TfrmContentTest, TForm)
public:
    using TForm::TForm;
};

// A plain MDI child window of the client.
inline HWND CreateMDIChild(HWND Client) {
    static const bool registered = [] {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = DefMDIChildProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.lpszClassName = L"BrimletTestMDIChild";
        return RegisterClassW(&wc) != 0;
    }();
    (void)registered;
    MDICREATESTRUCTW mcs = {};
    mcs.szClass = L"BrimletTestMDIChild";
    mcs.szTitle = L"child";
    mcs.hOwner = GetModuleHandleW(nullptr);
    mcs.x = mcs.y = 0;
    mcs.cx = 150;
    mcs.cy = 100;
    return reinterpret_cast<HWND>(SendMessageW(Client, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&mcs)));
}

// Lets the windows paint what is pending.
inline void Settle(DWORD ms = 150) { PumpMessagesFor(ms); }

class ContentAdapters : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        Dir = new TempDir;
        WriteSkinFolder(Dir->Path(), MakeFlatContentSkin());
        FlatContentOptions bare;
        bare.ColumnHeader = false;
        bare.StatusPanelMask = false;
        WriteSkinFolder(Dir->Path(), MakeFlatContentSkin("FLATBARE", bare));
        FlatContentOptions plain = bare;
        plain.Divider = false;
        WriteSkinFolder(Dir->Path(), MakeFlatContentSkin("FLATPLAIN", plain));
    }
    static void TearDownTestSuite() {
        delete Dir;
        Dir = nullptr;
    }
    void SetUp() override {
        Manager = std::make_unique<TsSkinManager>(nullptr);
        Manager->SetSkinDirectory(Dir->Path());
        Manager->SetSkinName(SkinName());
        ASSERT_TRUE(Manager->Active());
        ASSERT_GE(Manager->GetSkinIndex("EDIT"), 0);
        Form = new TfrmContentTest(nullptr);
        Form->SetBounds(20, 20, 460, 360);
        Form->SetColor(RGBc(0xA0, 0xB0, 0xC0));
        Form->Show();
        Settle(50);
    }
    void TearDown() override {
        Adapters.clear();
        Datas.clear();
        if (Form) Form->Free();
        Form = nullptr;
        Manager.reset();
        Settle(20);
    }
    virtual std::string SkinName() const { return "FLATCONTENT"; }

    template <class C>
    C* Add(int Left, int Top, int Width, int Height) {
        auto* c = new C(Form);
        c->SetParent(Form);
        c->SetBounds(Left, Top, Width, Height);
        return c;
    }
    // The adapter of class T on the control, with a skin data of the control's own, as the form skinning makes it.
    template <class T>
    T* Attach(TWinControl* Control, const std::string& Section) {
        auto data = std::make_unique<TsCommonData>(Control, true);
        data->SetSkinSection(Section);
        auto adapter = CreateAdapter<T>(Control->Handle(), data.get(), Manager.get(), Section, true);
        T* raw = adapter.get();
        Datas.push_back(std::move(data));
        Adapters.push_back(TacAdapterPtr<TacMainWnd>(adapter.release()));
        Settle();
        return raw;
    }
    // Releases every adapter (the window procedures go back) after the skin went.
    void RemoveSkin() {
        Manager->SetActive(false);
        Adapters.clear();
        Settle();
    }

    static inline TempDir* Dir = nullptr;
    std::unique_ptr<TsSkinManager> Manager;
    TfrmContentTest* Form = nullptr;
    std::vector<std::unique_ptr<TsCommonData>> Datas;
    std::vector<TacAdapterPtr<TacMainWnd>> Adapters;
};

class BareContentAdapters : public ContentAdapters {
protected:
    std::string SkinName() const override { return "FLATBARE"; }
};

// Neither a panel mask nor a divider.
class PlainContentAdapters : public ContentAdapters {
protected:
    std::string SkinName() const override { return "FLATPLAIN"; }
};
