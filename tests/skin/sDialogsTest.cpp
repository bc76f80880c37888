#include "skin/engine/sDialogs.h"

#include "MessageBoxCatcher.h"

#include <gtest/gtest.h>

TEST(MessageDialog, TypesHaveTheirCaptionsAndIcons) {
    EXPECT_STREQ(DefaultDlgCaption(mtWarning), "Warning");
    EXPECT_STREQ(DefaultDlgCaption(mtError), "Error");
    EXPECT_STREQ(DefaultDlgCaption(mtInformation), "Information");
    EXPECT_STREQ(DefaultDlgCaption(mtConfirmation), "Confirm");
    EXPECT_STREQ(DefaultDlgCaption(mtCustom), "");
    EXPECT_EQ(MessageDlgFlags(mtWarning, {mbOK}), UINT(MB_ICONWARNING | MB_OK));
    EXPECT_EQ(MessageDlgFlags(mtInformation, {mbOK}), UINT(MB_ICONINFORMATION | MB_OK));
    EXPECT_EQ(MessageDlgFlags(mtConfirmation, {mbOK}), UINT(MB_ICONQUESTION | MB_OK));
    EXPECT_EQ(MessageDlgFlags(mtCustom, {mbOK}), UINT(MB_OK));
}

TEST(MessageDialog, ButtonsChooseTheBoxButtons) {
    EXPECT_EQ(MessageDlgFlags(mtError, {mbOK, mbCancel}), UINT(MB_ICONERROR | MB_OKCANCEL));
    EXPECT_EQ(MessageDlgFlags(mtCustom, {mbOK, mbYes}), UINT(MB_OK));
    EXPECT_EQ(MessageDlgFlags(mtCustom, {mbAbort}), UINT(MB_ABORTRETRYIGNORE));
    EXPECT_EQ(MessageDlgFlags(mtCustom, {mbIgnore, mbYes}), UINT(MB_ABORTRETRYIGNORE));
    EXPECT_EQ(MessageDlgFlags(mtCustom, {mbYes, mbNo}), UINT(MB_YESNO));
    EXPECT_EQ(MessageDlgFlags(mtCustom, {mbNo, mbCancel}), UINT(MB_YESNOCANCEL));
    EXPECT_EQ(MessageDlgFlags(mtCustom, {mbRetry, mbCancel}), UINT(MB_RETRYCANCEL));
    EXPECT_EQ(MessageDlgFlags(mtCustom, {mbCancel}), UINT(0));
    EXPECT_EQ(MessageDlgFlags(mtWarning, {mbOK, mbHelp}), UINT(MB_ICONWARNING | MB_OK | MB_HELP));
}

TEST(MessageDialog, ShowsTheBoxWithTheDefaultCaption) {
    MessageBoxCatcher boxes;
    ASSERT_TRUE(boxes.Installed());
    ShowWarning("Careful");
    ShowError("Broken");
    ASSERT_EQ(boxes.Boxes.size(), 2u);
    EXPECT_EQ(boxes.Boxes[0].Caption, "Warning");
    EXPECT_EQ(boxes.Boxes[0].Text, "Careful");
    EXPECT_EQ(boxes.Boxes[1].Caption, "Error");
    boxes.Answer = IDCANCEL;
    EXPECT_EQ(SkinMessageDlg("Own caption", "Go on?", mtConfirmation, 0, -1, -1, {mbOK, mbCancel}), IDCANCEL);
    EXPECT_EQ(boxes.Boxes[2].Caption, "Own caption");
}

namespace {
int seenX = 0, seenY = 0;
LRESULT CALLBACK NotePlaceAndClose(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE) {
        seenX = acDlgPosX;
        seenY = acDlgPosY;
        PostMessageA(reinterpret_cast<HWND>(wParam), WM_COMMAND, IDOK, 0);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
}  // namespace

TEST(MessageDialog, ThePlaceHoldsOnlyWhileTheBoxIsUp) {
    EXPECT_EQ(acDlgPosX, -1);
    EXPECT_EQ(acDlgPosY, -1);
    HHOOK hook = SetWindowsHookExA(WH_CBT, NotePlaceAndClose, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    EXPECT_EQ(SkinMessageDlg("", "Placed", mtInformation, 0, 40, 50, {mbOK}), IDOK);
    UnhookWindowsHookEx(hook);
    EXPECT_EQ(seenX, 40);
    EXPECT_EQ(seenY, 50);
    EXPECT_EQ(acDlgPosX, -1);
    EXPECT_EQ(acDlgPosY, -1);
}
