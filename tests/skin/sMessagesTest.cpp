#include "skin/engine/sMessages.h"

#include "SkinTestControls.h"

#include <gtest/gtest.h>

namespace {

// A plain window that knows nothing of the skin library.
class PlainWindow {
public:
    PlainWindow() {
        FWnd = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    }
    ~PlainWindow() { DestroyWindow(FWnd); }
    HWND Handle() const { return FWnd; }

private:
    HWND FWnd;
};

// A form holding a skinned control whose section (colour 0x123456) the default manager holds.
class SkinMessage : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(DefaultManager, &manager);
        int index = AddSection(manager, "BOX");
        manager.Sections[index].Color = 0x123456;
        form = new TfrmSkinTest(nullptr);
        form->SetBounds(0, 0, 100, 80);
        box = new TSkinnedBox(form);
        box->SetParent(form);
        box->SetBounds(5, 5, 40, 30);
        box->SkinData->SetSkinSection("BOX");
        box->HandleNeeded();
    }
    void TearDown() override { form->Free(); }
    TsSkinManager manager{nullptr};
    TfrmSkinTest* form = nullptr;
    TSkinnedBox* box = nullptr;
};

}  // namespace

TEST_F(SkinMessage, TheNumberIsFixedWhateverTheSystemRegisters) {
    UINT registered = RegisterWindowMessageA("SM_QUORVEXCMD");
    EXPECT_GE(registered, 0xC000u);
    EXPECT_EQ(SM_QUORVEXCMD, 0xA100u);
    // A skinned window understands $A100, as any other program using the library sends it, and not the number
    // the system hands out for the name.
    EXPECT_EQ(SendMessageA(box->Handle(), 0xA100, MakeSkinCmd(scIsSkinned), 0), 1);
    EXPECT_EQ(SendMessageA(box->Handle(), registered, MakeSkinCmd(scIsSkinned), 0), 0);
}

TEST_F(SkinMessage, CommandsTravelInTheHighWord) {
    EXPECT_EQ(MakeSkinCmd(scGetBgInfo), 34u << 16);
    EXPECT_EQ(MakeSkinCmd(scSetUpdating, 1), (8u << 16) | 1);
    EXPECT_EQ(SkinCmdOf(MakeSkinCmd(scGetClientOffset, 7)), 61);
    EXPECT_EQ(SkinCmdArgOf(MakeSkinCmd(scGetClientOffset, 7)), 7);
}

TEST_F(SkinMessage, AnUnskinnedWindowAnswersNothing) {
    PlainWindow wnd;
    ASSERT_NE(wnd.Handle(), nullptr);
    EXPECT_EQ(SendMessageA(wnd.Handle(), SM_QUORVEXCMD, MakeSkinCmd(scIsSkinned), 0), 0);
    EXPECT_EQ(SendMessageA(wnd.Handle(), SM_QUORVEXCMD, MakeSkinCmd(scGetSkinIndex), 0), 0);
    TacBGInfo info;
    info.PleaseDraw = false;
    SendMessageA(wnd.Handle(), SM_QUORVEXCMD, MakeSkinCmd(scGetBgInfo), reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.BgType, 0);
}

TEST_F(SkinMessage, ASkinnedWindowAnswersThroughTheMessage) {
    HWND wnd = box->Handle();
    EXPECT_EQ(SendMessageA(wnd, SM_QUORVEXCMD, MakeSkinCmd(scIsSkinned), 0), 1);
    EXPECT_EQ(SendMessageA(wnd, SM_QUORVEXCMD, MakeSkinCmd(scGetSkinIndex), 0), box->SkinData->SkinIndex + 1);
    EXPECT_EQ(SendMessageA(wnd, SM_QUORVEXCMD, MakeSkinCmd(scGetColor), 0), 0x123456);
    // The low word carries the argument.
    SendMessageA(wnd, SM_QUORVEXCMD, MakeSkinCmd(scSetUpdating, 1), 0);
    EXPECT_TRUE(box->SkinData->Updating);
    SendMessageA(wnd, SM_QUORVEXCMD, MakeSkinCmd(scSetUpdating, 0), 0);
    EXPECT_FALSE(box->SkinData->Updating);
    // The record of command 34 travels by its address and comes back filled: a plain section is its colour.
    TacBGInfo info;
    info.PleaseDraw = false;
    SendMessageA(wnd, SM_QUORVEXCMD, MakeSkinCmd(scGetBgInfo), reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.BgType, 1);
    EXPECT_EQ(info.Color, 0x123456);
}
