#include "skin/forms/sSkinProvider.h"

#include "classlib/runtime/FormResources.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

// Stands in for the provider: a component that publishes the title settings under their property names.
class TTitleHolder : public TComponent {
    CLASS_INFO(TTitleHolder, TComponent)
public:
    explicit TTitleHolder(TComponent* AOwner)
        : TComponent(AOwner), FTitleButtons(std::make_unique<TsTitleButtons>(this)),
          FTitleIcon(std::make_unique<TsTitleIcon>()) {}
    TsTitleButtons* TitleButtons() const { return FTitleButtons.get(); }
    TsTitleIcon* TitleIcon() const { return FTitleIcon.get(); }

private:
    std::unique_ptr<TsTitleButtons> FTitleButtons;
    std::unique_ptr<TsTitleIcon> FTitleIcon;
};

const bool HolderRegistered = RegisterFormClass<TTitleHolder>([](TFormClass<TTitleHolder>& c) {
    c.Collection("TitleButtons", &TTitleHolder::TitleButtons);
    c.Object("TitleIcon", &TTitleHolder::TitleIcon);
});

std::unique_ptr<TBitmap> Filled(int w, int h, TColor colour) {
    auto bmp = std::make_unique<TBitmap>();
    bmp->SetPixelFormat(pf24bit);
    bmp->SetSize(w, h);
    bmp->Canvas()->Brush()->SetColor(colour);
    bmp->Canvas()->FillRect(TRect(0, 0, w, h));
    return bmp;
}

TEST(TitleButtons, NewButtonsCarryTheirDefaults) {
    TTitleHolder holder(nullptr);
    TsTitleButton* b = holder.TitleButtons()->Add();
    EXPECT_EQ(b->Name(), "TsTitleButton");
    EXPECT_EQ(b->DisplayName(), "TsTitleButton");
    EXPECT_TRUE(b->UseSkinData());
    EXPECT_TRUE(b->Enabled());
    EXPECT_TRUE(b->Glyph()->Empty());
    EXPECT_EQ(holder.TitleButtons()->GetOwner(), &holder);
    EXPECT_EQ(holder.TitleButtons()->Items(0), b);

    b->SetName("Pin");
    EXPECT_EQ(b->DisplayName(), "Pin");
    b->SetDisplayName("Help");
    EXPECT_EQ(b->Name(), "Help");

    TsTitleIcon icon;
    EXPECT_TRUE(icon.Glyph()->Empty());
    EXPECT_EQ(icon.Width(), 0);
    EXPECT_EQ(icon.Height(), 0);
}

TEST(TitleButtons, AssigningAGlyphCopiesTheBitmap) {
    TTitleHolder holder(nullptr);
    TsTitleButton* b = holder.TitleButtons()->Add();
    {
        auto source = Filled(12, 10, clRed);
        b->SetGlyph(source.get());
        holder.TitleIcon()->SetGlyph(source.get());
        EXPECT_NE(b->Glyph(), source.get());
        // The caller may change and free its bitmap afterwards.
        source->Canvas()->Brush()->SetColor(clBlue);
        source->Canvas()->FillRect(TRect(0, 0, 12, 10));
    }
    for (TBitmap* copy : {b->Glyph(), holder.TitleIcon()->Glyph()}) {
        ASSERT_EQ(copy->Width(), 12);
        ASSERT_EQ(copy->Height(), 10);
        int red = 0;
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 12; ++x)
                red += copy->Canvas()->Pixels(x, y) == clRed;
        EXPECT_EQ(red, 120);
    }
}

TEST(TitleButtons, MouseEventsReachTheHandlersWithTheButtonAsSender) {
    TTitleHolder holder(nullptr);
    TsTitleButton* b = holder.TitleButtons()->Add();
    // Without handlers a click does nothing.
    b->DoMouseDown(mbLeft, {}, 3, 4);
    b->DoMouseUp(mbLeft, {}, 3, 4);

    struct Call {
        TObject* Sender;
        TMouseButton Button;
        TShiftState Shift;
        int X, Y;
        bool Down;
    };
    std::vector<Call> calls;
    b->OnMouseDown = [&](TObject* s, TMouseButton m, TShiftState sh, int x, int y) {
        calls.push_back({s, m, sh, x, y, true});
    };
    b->OnMouseUp = [&](TObject* s, TMouseButton m, TShiftState sh, int x, int y) {
        calls.push_back({s, m, sh, x, y, false});
    };
    b->DoMouseDown(mbRight, TShiftState{ssCtrl}, 5, 6);
    b->DoMouseUp(mbLeft, {}, 7, 8);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].Sender, b);
    EXPECT_EQ(calls[0].Button, mbRight);
    EXPECT_EQ(calls[0].Shift, TShiftState{ssCtrl});
    EXPECT_EQ(calls[0].X, 5);
    EXPECT_EQ(calls[0].Y, 6);
    EXPECT_TRUE(calls[0].Down);
    EXPECT_EQ(calls[1].Sender, b);
    EXPECT_EQ(calls[1].Button, mbLeft);
    EXPECT_EQ(calls[1].X, 7);
    EXPECT_FALSE(calls[1].Down);
}

TEST(TitleButtons, AreReadAndWrittenByPropertyName) {
    const char* text =
        "object Holder1: TTitleHolder\r\n"
        "  TitleButtons = <\r\n"
        "    item\r\n"
        "      Name = 'Pin'\r\n"
        "      Enabled = False\r\n"
        "    end\r\n"
        "    item\r\n"
        "      UseSkinData = False\r\n"
        "    end>\r\n"
        "  TitleIcon.Height = 16\r\n"
        "  TitleIcon.Width = 18\r\n"
        "end\r\n";
    TTitleHolder holder(nullptr);
    ReadComponentText(text, &holder);
    ASSERT_EQ(holder.TitleButtons()->Count(), 2);
    EXPECT_EQ(holder.TitleButtons()->Items(0)->Name(), "Pin");
    EXPECT_FALSE(holder.TitleButtons()->Items(0)->Enabled());
    EXPECT_TRUE(holder.TitleButtons()->Items(0)->UseSkinData());
    EXPECT_EQ(holder.TitleButtons()->Items(1)->Name(), "TsTitleButton");
    EXPECT_FALSE(holder.TitleButtons()->Items(1)->UseSkinData());
    EXPECT_EQ(holder.TitleIcon()->Height(), 16);
    EXPECT_EQ(holder.TitleIcon()->Width(), 18);
    EXPECT_EQ(WriteComponentText(&holder), text);

    // A button renamed to nothing keeps that name through a write and a read.
    holder.TitleButtons()->Items(1)->SetName("");
    TTitleHolder again(nullptr);
    ReadComponentText(WriteComponentText(&holder), &again);
    EXPECT_EQ(again.TitleButtons()->Items(1)->Name(), "");
}

}  // namespace
