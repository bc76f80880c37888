#include "skin/engine/sMessages.h"

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

LRESULT CALLBACK AnsweringProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == SM_QUORVEXCMD) {
        switch (SkinCmdOf(wParam)) {
        case scIsSkinned:
            return 1;
        case scGetBgInfo: {
            auto* info = reinterpret_cast<TacBGInfo*>(lParam);
            info->BgType = 1;
            info->Color = 0x123456;
            return 0;
        }
        case scSetUpdating:
            return 100 + SkinCmdArgOf(wParam);
        }
    }
    return DefWindowProcA(wnd, msg, wParam, lParam);
}

}  // namespace

TEST(SkinMessage, TheNumberIsFixedWhateverTheSystemRegisters) {
    UINT registered = RegisterWindowMessageA("SM_QUORVEXCMD");
    EXPECT_GE(registered, 0xC000u);
    EXPECT_EQ(SM_QUORVEXCMD, 0xA100u);
}

TEST(SkinMessage, CommandsTravelInTheHighWord) {
    EXPECT_EQ(MakeSkinCmd(scGetBgInfo), 34u << 16);
    EXPECT_EQ(MakeSkinCmd(scSetUpdating, 1), (8u << 16) | 1);
    EXPECT_EQ(SkinCmdOf(MakeSkinCmd(scGetClientOffset, 7)), 61);
    EXPECT_EQ(SkinCmdArgOf(MakeSkinCmd(scGetClientOffset, 7)), 7);
}

TEST(SkinMessage, AnUnskinnedWindowAnswersNothing) {
    PlainWindow wnd;
    ASSERT_NE(wnd.Handle(), nullptr);
    EXPECT_EQ(SendMessageA(wnd.Handle(), SM_QUORVEXCMD, MakeSkinCmd(scIsSkinned), 0), 0);
    EXPECT_EQ(SendMessageA(wnd.Handle(), SM_QUORVEXCMD, MakeSkinCmd(scGetSkinIndex), 0), 0);
    TacBGInfo info;
    info.PleaseDraw = false;
    SendMessageA(wnd.Handle(), SM_QUORVEXCMD, MakeSkinCmd(scGetBgInfo), reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.BgType, 0);
}

TEST(SkinMessage, ASkinnedWindowAnswersThroughTheMessage) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = AnsweringProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "SkinMessageTestWindow";
    RegisterClassA(&wc);
    HWND wnd = CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(wnd, nullptr);
    EXPECT_EQ(SendMessageA(wnd, SM_QUORVEXCMD, MakeSkinCmd(scIsSkinned), 0), 1);
    EXPECT_EQ(SendMessageA(wnd, SM_QUORVEXCMD, MakeSkinCmd(scSetUpdating, 1), 0), 101);
    TacBGInfo info;
    SendMessageA(wnd, SM_QUORVEXCMD, MakeSkinCmd(scGetBgInfo), reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.BgType, 1);
    EXPECT_EQ(info.Color, 0x123456);
    DestroyWindow(wnd);
}
