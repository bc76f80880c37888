// Both PNG buttons with an action: the action's image out of a PNG image list becomes the glyph, and a form
// description keeps the image with the list, not with the buttons.
#include <gtest/gtest.h>

#include <string>

#include "PngTestImages.h"
#include "classlib/visual/ActnList.h"
#include "classlib/runtime/FormResources.h"
#include "pngctl/PngBitBtn.h"
#include "pngctl/PngImageList.h"
#include "pngctl/PngSpeedButton.h"

namespace {

constexpr TColor kBlue = RGB(20, 60, 220), kRed = RGB(220, 30, 30);

size_t Occurrences(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// A form with a PNG image list of a blue and a red 24 x 24 image, an action on the red one, a bit button
// and a speed button on the action, and a speed button on the action with a glyph of its own.
struct ActionForm {
    TComponent Root{nullptr};
    TPngImageList* Images = nullptr;
    TActionList* Actions = nullptr;
    TAction* Action = nullptr;
    TPngBitBtn* Bit = nullptr;
    TPngSpeedButton* Speed = nullptr;
    TPngSpeedButton* Own = nullptr;

    ActionForm() { Root.SetName("frmActions"); }
    void Build() {
        Images = new TPngImageList(&Root);
        Images->SetName("PngImageList");
        Images->SetWidth(24);
        Images->SetHeight(24);
        Images->PngImages()->Add()->SetPngImage(HalfPng(kBlue, 24).get());
        Images->PngImages()->Add()->SetPngImage(HalfPng(kRed, 24).get());
        Actions = new TActionList(&Root);
        Actions->SetName("ActionList");
        Actions->SetImages(Images);
        Action = new TAction(&Root);
        Action->SetName("actAbout");
        Action->SetActionList(Actions);
        Action->SetCaption("About");
        Action->SetImageIndex(1);
        Own = new TPngSpeedButton(&Root);
        Own->SetName("btnOwn");
        Own->SetPngImage(HalfPng(kBlue, 20).get());
        Own->SetAction(Action);
        Bit = new TPngBitBtn(&Root);
        Bit->SetName("btnAbout");
        Bit->SetAction(Action);
        Speed = new TPngSpeedButton(&Root);
        Speed->SetName("btnOk");
        Speed->SetAction(Action);
    }
    void Read(const std::string& text) {
        ReadComponentText(text, &Root);
        Images = dynamic_cast<TPngImageList*>(Root.FindComponent("PngImageList"));
        Actions = dynamic_cast<TActionList*>(Root.FindComponent("ActionList"));
        Action = dynamic_cast<TAction*>(Root.FindComponent("actAbout"));
        Bit = dynamic_cast<TPngBitBtn*>(Root.FindComponent("btnAbout"));
        Speed = dynamic_cast<TPngSpeedButton*>(Root.FindComponent("btnOk"));
        Own = dynamic_cast<TPngSpeedButton*>(Root.FindComponent("btnOwn"));
        ASSERT_TRUE(Images && Actions && Action && Bit && Speed && Own);
    }
    TBytes Item(int i) { return SavePng(*Images->PngImages()->Items(i)->PngImage()); }
};

TEST(PngButtonActions, TheActionsImageBecomesTheGlyphOfBothButtonsAndFollowsTheAction) {
    ActionForm f;
    f.Build();
    EXPECT_TRUE(f.Bit->ImageFromAction());
    EXPECT_TRUE(f.Speed->ImageFromAction());
    EXPECT_EQ(SavePng(*f.Bit->PngImage()), f.Item(1));
    EXPECT_EQ(SavePng(*f.Speed->PngImage()), f.Item(1));
    EXPECT_EQ(f.Speed->Glyph()->Width(), 24);  // the placeholder keeps the room of the action's image
    EXPECT_EQ(f.Bit->Caption(), "About");
    // A glyph of its own stays.
    EXPECT_FALSE(f.Own->ImageFromAction());
    EXPECT_EQ(f.Own->PngImage()->Width(), 20);

    f.Action->SetImageIndex(0);
    EXPECT_EQ(SavePng(*f.Bit->PngImage()), f.Item(0));
    EXPECT_EQ(SavePng(*f.Speed->PngImage()), f.Item(0));
    EXPECT_EQ(f.Own->PngImage()->Width(), 20);

    // Set directly, the image is the button's own again and stays when the action changes.
    f.Bit->SetPngImage(HalfPng(kRed, 12).get());
    EXPECT_FALSE(f.Bit->ImageFromAction());
    f.Action->SetImageIndex(1);
    EXPECT_EQ(f.Bit->PngImage()->Width(), 12);
    EXPECT_TRUE(f.Speed->ImageFromAction());
    EXPECT_EQ(f.Speed->PngImage()->Width(), 24);
    // An index the list does not have leaves the last image.
    f.Action->SetImageIndex(5);
    EXPECT_EQ(f.Speed->PngImage()->Width(), 24);
}

TEST(PngButtonActions, AFormDescriptionKeepsTheImageWithTheListAndGivesItBackThroughTheAction) {
    std::string text;
    {
        ActionForm f;
        f.Build();
        text = WriteComponentText(&f.Root);
    }
    EXPECT_NE(text.find("Images = PngImageList"), std::string::npos) << text;
    EXPECT_NE(text.find("ImageIndex = 1"), std::string::npos) << text;
    EXPECT_EQ(Occurrences(text, "Action = actAbout"), 3u) << text;
    // The list's two images and the one button's own; the buttons on the action store none.
    EXPECT_EQ(Occurrences(text, "PngImage.Data = {"), 3u) << text;
    EXPECT_NE(text.find("object actAbout: TAction"), std::string::npos) << text;

    ActionForm again;
    again.Read(text);
    EXPECT_EQ(again.Action->ActionList(), again.Actions);
    EXPECT_EQ(again.Actions->Images(), again.Images);
    EXPECT_EQ(again.Bit->Action(), again.Action);
    EXPECT_TRUE(again.Bit->ImageFromAction());
    EXPECT_TRUE(again.Speed->ImageFromAction());
    EXPECT_FALSE(again.Own->ImageFromAction());
    EXPECT_EQ(SavePng(*again.Bit->PngImage()), again.Item(1));
    EXPECT_EQ(SavePng(*again.Speed->PngImage()), again.Item(1));
    EXPECT_EQ(again.Speed->Glyph()->Width(), 24);
    EXPECT_EQ(again.Own->PngImage()->Width(), 20);
    EXPECT_EQ(again.Bit->Caption(), "About");
}

TEST(PngButtonActions, AButtonWhoseActionGoesKeepsShowingItsImageUntilItHasOneOfItsOwn) {
    ActionForm f;
    f.Build();
    f.Action->Free();
    EXPECT_EQ(f.Bit->Action(), nullptr);
    EXPECT_EQ(f.Speed->Action(), nullptr);
    EXPECT_EQ(f.Bit->PngImage()->Width(), 24);
    // Loaded from elsewhere, the image is the button's own.
    f.Speed->PngImage()->Assign(HalfPng(kBlue, 16).get());
    EXPECT_FALSE(f.Speed->ImageFromAction());
    const std::string text = WriteComponentText(&f.Root);
    EXPECT_EQ(Occurrences(text, "Action = "), 0u) << text;
    EXPECT_EQ(Occurrences(text, "PngImage.Data = {"), 4u) << text;
}

}  // namespace
