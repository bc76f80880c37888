#include "skin/engine/sVclUtils.h"

#include "SkinTestControls.h"

#include <gtest/gtest.h>

namespace {

class SkinCommands : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TfrmSkinTest(nullptr);
        windowed = new TAnsweringParent(form);
        windowed->SetParent(form);
        windowed->SectionAnswer = 5;
        graphic = new TRecordingGraphic(form);
        graphic->SetParent(form);
    }
    void TearDown() override { form->Free(); }
    TfrmSkinTest* form = nullptr;
    TAnsweringParent* windowed = nullptr;
    TRecordingGraphic* graphic = nullptr;
};

}  // namespace

TEST_F(SkinCommands, ControlsAreReachedThroughTheirWindowOrTheirWindowProc) {
    EXPECT_EQ(SendSkinCmdToControl(nullptr, scGetSkinIndex, 0), 0);
    // A windowless control is always reached; a windowed one only through a window it already has.
    SendSkinCmdToControl(graphic, scSetHalfVisible, 9);
    ASSERT_EQ(graphic->Commands.size(), 1u);
    EXPECT_EQ(graphic->Commands[0].Command, scSetHalfVisible);
    EXPECT_EQ(graphic->Commands[0].LParam, 9);
    EXPECT_EQ(SendSkinCmdNoParam(windowed, scGetSkinIndex), 0);
    EXPECT_FALSE(windowed->HandleAllocated());
    EXPECT_TRUE(windowed->Commands.empty());
    windowed->HandleNeeded();
    EXPECT_EQ(SendSkinCmdNoParam(windowed, scGetSkinIndex), 5);
    EXPECT_EQ(SendSkinCmdToHandle(windowed->Handle(), scGetSkinIndex, 0), 5);
}

TEST_F(SkinCommands, OnlyControlsWithParentAndWindowAreReady) {
    EXPECT_FALSE(ControlIsReady(nullptr));
    EXPECT_TRUE(ControlIsReady(graphic));
    EXPECT_FALSE(ControlIsReady(windowed));  // no window yet
    windowed->HandleNeeded();
    EXPECT_TRUE(ControlIsReady(windowed));
    EXPECT_FALSE(ControlIsReady(form));  // no parent
    graphic->SetLoading(true);
    EXPECT_FALSE(ControlIsReady(graphic));
    graphic->SetLoading(false);
}
