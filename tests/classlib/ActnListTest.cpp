// Actions: controls show what their action says, a click runs it, and either may go first.
#include <gtest/gtest.h>

#include <memory>

#include "classlib/visual/ActnList.h"
#include "classlib/runtime/FormResources.h"
#include "classlib/visual/ImgList.h"
#include "classlib/visual/StdCtrls.h"

namespace {

class ActionsTest : public ::testing::Test {
protected:
    TComponent Root{nullptr};
    TActionList* List = new TActionList(&Root);
    TAction* Action = new TAction(&Root);
    TButton* Button = new TButton(&Root);
    void SetUp() override {
        Root.SetName("frmActions");
        List->SetName("alMain");
        Action->SetName("actSend");
        Button->SetName("btnSend");
        Action->SetActionList(List);
    }
};

TEST_F(ActionsTest, ALinkedControlShowsWhatTheActionSaysWheneverItChanges) {
    Button->SetCaption("Own");
    Action->SetCaption("Send");
    Action->SetHint("Sends the line");
    Button->SetAction(Action);
    EXPECT_EQ(Button->Action(), Action);
    EXPECT_EQ(Button->Caption(), "Send");
    EXPECT_EQ(Button->Hint(), "Sends the line");
    Action->SetEnabled(false);
    EXPECT_FALSE(Button->Enabled());
    Action->SetVisible(false);
    EXPECT_FALSE(Button->Visible());
    Action->SetCaption("Send now");
    EXPECT_EQ(Button->Caption(), "Send now");
    // Let go, the control keeps what it shows and hears no more.
    Button->SetAction(nullptr);
    Action->SetCaption("Other");
    EXPECT_EQ(Button->Caption(), "Send now");
    EXPECT_THROW(Action->SetImageIndex(-2), EInvalidArgument);
}

TEST_F(ActionsTest, AClickRunsTheActionUnlessTheControlHasItsOwnHandlerOrTheActionIsDisabled) {
    int ran = 0, clicked = 0;
    Action->OnExecute = [&](TObject* Sender) {
        EXPECT_EQ(Sender, Action);
        ++ran;
    };
    Button->SetAction(Action);
    Button->Click();
    EXPECT_EQ(ran, 1);
    Action->SetEnabled(false);
    Button->Click();
    EXPECT_EQ(ran, 1);
    Action->SetEnabled(true);
    Button->OnClick = [&](TObject*) { ++clicked; };
    Button->Click();
    EXPECT_EQ(ran, 1);
    EXPECT_EQ(clicked, 1);
}

TEST_F(ActionsTest, EitherTheActionTheControlTheListOrItsImagesMayGoFirst) {
    auto* second = new TButton(&Root);
    Button->SetAction(Action);
    second->SetAction(Action);
    second->Free();  // its link goes with it; the action still tells the first
    Action->SetCaption("Still");
    EXPECT_EQ(Button->Caption(), "Still");
    auto* images = new TImageList(&Root);
    List->SetImages(images);
    images->Free();
    EXPECT_EQ(List->Images(), nullptr);
    Action->Free();
    EXPECT_EQ(Button->Action(), nullptr);
    EXPECT_EQ(List->ActionCount(), 0);
    auto* third = new TAction(&Root);
    third->SetActionList(List);
    List->Free();
    EXPECT_EQ(third->ActionList(), nullptr);
}

TEST_F(ActionsTest, AFormDescriptionKeepsTheActionsInTheirListAndTheControlsOnThem) {
    Action->SetCaption("Send");
    Action->SetImageIndex(2);
    Action->SetEnabled(false);
    Button->SetAction(Action);
    const std::string text = WriteComponentText(&Root);
    EXPECT_NE(text.find("object actSend: TAction"), std::string::npos) << text;
    EXPECT_NE(text.find("Action = actSend"), std::string::npos) << text;

    TComponent again(nullptr);
    ReadComponentText(text, &again);
    auto* list = dynamic_cast<TActionList*>(again.FindComponent("alMain"));
    auto* action = dynamic_cast<TAction*>(again.FindComponent("actSend"));
    auto* button = dynamic_cast<TButton*>(again.FindComponent("btnSend"));
    ASSERT_TRUE(list && action && button);
    EXPECT_EQ(action->ActionList(), list);
    ASSERT_EQ(list->ActionCount(), 1);
    EXPECT_EQ(action->Caption(), "Send");
    EXPECT_EQ(action->ImageIndex(), 2);
    EXPECT_EQ(button->Action(), action);
    EXPECT_EQ(button->Caption(), "Send");
    EXPECT_FALSE(button->Enabled());
}

}  // namespace
