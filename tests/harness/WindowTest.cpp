// The display works: a top-level window can be created and shown under Xvfb.
#include <windows.h>

#include <gtest/gtest.h>

TEST(Display, TopLevelWindowCanBeCreatedAndShown) {
    HWND h = CreateWindowExA(0, "STATIC", "probe", WS_OVERLAPPEDWINDOW, 10, 10, 200, 100, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(h, nullptr) << "no display? error " << GetLastError();
    ShowWindow(h, SW_SHOW);
    EXPECT_TRUE(IsWindowVisible(h));
    DestroyWindow(h);
}
