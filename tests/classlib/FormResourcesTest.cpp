// Form descriptions: the text format, reading into components, writing back, and resources in the executable.
#include "classlib/runtime/FormResources.h"
#include "classlib/visual/Graphics.h"
#include "classlib/runtime/Lists.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

std::vector<std::string> Trace;

// A component that can hold others, as a panel holds controls; it records its life in Trace.
class TTestBox : public TComponent {
    CLASS_INFO(TTestBox, TComponent)
public:
    using TComponent::TComponent;
    ~TTestBox() override {
        if (FBox)
            FBox->FChildren.erase(std::remove(FBox->FChildren.begin(), FBox->FChildren.end(), this), FBox->FChildren.end());
        for (TTestBox* c : FChildren)
            c->FBox = nullptr;
    }
    TTestBox* Box() const { return FBox; }
    void SetBox(TTestBox* box) {
        FBox = box;
        box->FChildren.push_back(this);
    }
    void Loaded() override {
        Trace.push_back("Loaded " + Name() + (Loading() ? " loading" : " done"));
        TComponent::Loaded();
    }

private:
    TTestBox* FBox = nullptr;
    std::vector<TTestBox*> FChildren;
};

enum TWidgetKind { wkPlain, wkFancy, wkOdd };
enum TWidgetOption { woLeft, woRight, woUp, woDown };
using TWidgetOptions = Set<TWidgetOption>;

// An item of a widget's collection, with stream data of its own ("Data").
class TTestItem : public TPersistent {
    CLASS_INFO(TTestItem, TPersistent)
public:
    std::string Label() const { return FLabel; }
    void SetLabel(const std::string& v) { FLabel = v; }
    int Value() const { return FValue; }
    void SetValue(int v) { FValue = v; }
    std::string Bytes;

    void DefineProperties(TFiler* Filer) override {
        Filer->DefineBinaryProperty(
            "Data",
            [this](TStream* s) {
                Bytes.resize(static_cast<size_t>(s->Size()));
                s->ReadBuffer(Bytes.data(), static_cast<long>(Bytes.size()));
            },
            [this](TStream* s) { s->WriteBuffer(Bytes.data(), static_cast<long>(Bytes.size())); }, !Bytes.empty());
    }

private:
    std::string FLabel;
    int FValue = 0;
};

// Just enough of a collection for the reader: Count, Items, Add, Clear.
class TTestItems {
public:
    int Count() const { return static_cast<int>(FItems.size()); }
    TTestItem* Items(int i) const { return FItems.at(static_cast<size_t>(i)).get(); }
    TTestItem* Add() {
        FItems.push_back(std::make_unique<TTestItem>());
        return FItems.back().get();
    }
    void Clear() { FItems.clear(); }
    void BeginUpdate() { ++Updating; }
    void EndUpdate() {
        --Updating;
        ++Updates;
    }
    int Updating = 0;
    int Updates = 0;

private:
    std::vector<std::unique_ptr<TTestItem>> FItems;
};

using TQueryEvent = std::function<void(TObject* Sender, bool& Allow)>;

// A component with a property of every kind.
class TTestWidget : public TTestBox {
    CLASS_INFO(TTestWidget, TTestBox)
public:
    explicit TTestWidget(TComponent* AOwner) : TTestBox(AOwner) {}
    const std::string& Caption() const { return FCaption; }
    void SetCaption(const std::string& v) {
        EXPECT_TRUE(Loading() || !Trace.empty()) << "properties are set while csLoading is on";
        FCaption = v;
    }
    int Count() const { return FCount; }
    void SetCount(int v) { FCount = v; }
    double Ratio() const { return FRatio; }
    void SetRatio(double v) { FRatio = v; }
    bool Active() const { return FActive; }
    void SetActive(bool v) { FActive = v; }
    TWidgetKind Kind() const { return FKind; }
    void SetKind(TWidgetKind v) { FKind = v; }
    TWidgetOptions Options() const { return FOptions; }
    void SetOptions(TWidgetOptions v) { FOptions = v; }
    TColor Color() const { return FColor; }
    void SetColor(TColor v) { FColor = v; }
    int Cursor() const { return FCursor; }
    void SetCursor(int v) { FCursor = v; }
    TFont* Font() { return &FFont; }
    TStringList* Lines() { return &FLines; }
    TTestItems* Items() { return &FItems; }
    TBitmap* Glyph() { return &FGlyph; }
    TTestWidget* Buddy() const { return FBuddy; }
    void SetBuddy(TTestWidget* v) { FBuddy = v; }
    std::vector<long long> Numbers;

    TNotifyEvent OnClick;
    TQueryEvent OnQuery;

    void DefineProperties(TFiler* Filer) override {
        Filer->DefineProperty(
            "Numbers",
            [this](TReader* r) {
                Numbers.clear();
                r->ReadListBegin();
                while (!r->EndOfList())
                    Numbers.push_back(r->ReadInteger());
                r->ReadListEnd();
            },
            [this](TWriter* w) {
                w->WriteListBegin();
                for (long long n : Numbers)
                    w->WriteInteger(n);
                w->WriteListEnd();
            },
            !Numbers.empty());
    }

private:
    std::string FCaption;
    int FCount = 0;
    double FRatio = 1;
    bool FActive = false;
    TWidgetKind FKind = wkPlain;
    TWidgetOptions FOptions{woLeft};
    TColor FColor = clWindow;
    int FCursor = 0;
    TFont FFont;
    TStringList FLines;
    TTestItems FItems;
    TBitmap FGlyph;
    TTestWidget* FBuddy = nullptr;
};

// The form: a root with fields for its components and methods for their events.
class TTestForm : public TTestBox {
    CLASS_INFO(TTestForm, TTestBox)
public:
    explicit TTestForm(TComponent* AOwner) : TTestBox(AOwner) {}
    TTestWidget* Widget1 = nullptr;
    TTestBox* Box1 = nullptr;
    std::vector<std::string> Calls;
    void WidgetClick(TObject* Sender) { Calls.push_back("click " + static_cast<TComponent*>(Sender)->Name()); }
    void WidgetQuery(TObject*, bool& Allow) {
        Calls.push_back("query");
        Allow = false;
    }
};

// A form class of its own for the resource compiled into this test.
class TResourceForm : public TTestForm {
    CLASS_INFO(TResourceForm, TTestForm)
public:
    using TTestForm::TTestForm;
};

const TIdentMap CursorIdents = {{"crDefault", 0}, {"crHandPoint", -21}};

const bool Registered = [] {
    RegisterFormClass<TTestBox>();
    RegisterFormClass<TTestItem>([](TFormClass<TTestItem>& c) {
        c.String("Label", &TTestItem::Label, &TTestItem::SetLabel);
        c.Integer("Value", &TTestItem::Value, &TTestItem::SetValue).Default(0);
    });
    RegisterFormClass<TTestWidget>([](TFormClass<TTestWidget>& c) {
        c.String("Caption", &TTestWidget::Caption, &TTestWidget::SetCaption);
        c.Integer("Count", &TTestWidget::Count, &TTestWidget::SetCount).Default(0);
        c.Float("Ratio", &TTestWidget::Ratio, &TTestWidget::SetRatio).Default(1.0);
        c.Boolean("Active", &TTestWidget::Active, &TTestWidget::SetActive).Default(false);
        c.Enum("Kind", &TTestWidget::Kind, &TTestWidget::SetKind, {"wkPlain", "wkFancy", "wkOdd"}).Default(wkPlain);
        c.SetOf("Options", &TTestWidget::Options, &TTestWidget::SetOptions, {"woLeft", "woRight", "woUp", "woDown"})
            .Default(TWidgetOptions{woLeft});
        c.Color("Color", &TTestWidget::Color, &TTestWidget::SetColor).Default(clWindow);
        c.Integer("Cursor", &TTestWidget::Cursor, &TTestWidget::SetCursor, &CursorIdents).Default(0);
        c.Object("Font", &TTestWidget::Font).Stored([](TTestWidget* w) {
            // Written only when changed, as a control that takes its parent's font does.
            TFont plain;
            TFont* f = w->Font();
            return f->Name() != plain.Name() || f->Height() != plain.Height() || f->Color() != plain.Color() ||
                   f->Style() != plain.Style() || f->Charset() != plain.Charset();
        });
        c.Object("Lines", &TTestWidget::Lines);
        c.Collection("Items", &TTestWidget::Items);
        c.Object("Glyph", &TTestWidget::Glyph);
        c.Component("Buddy", &TTestWidget::Buddy, &TTestWidget::SetBuddy);
        c.Event("OnClick", &TTestWidget::OnClick);
        c.Event("OnQuery", &TTestWidget::OnQuery);
    });
    RegisterFormClass<TTestForm>([](TFormClass<TTestForm>& c) {
        c.Field("Widget1", &TTestForm::Widget1);
        c.Field("Box1", &TTestForm::Box1);
        c.Method("WidgetClick", &TTestForm::WidgetClick);
        c.Method("WidgetQuery", &TTestForm::WidgetQuery);
    });
    RegisterFormClass<TResourceForm>();
    RegisterParentRelation(
        [](TComponent* parent, TComponent* child) {
            auto* box = dynamic_cast<TTestBox*>(parent);
            auto* c = dynamic_cast<TTestBox*>(child);
            if (!box || !c || parent == child->Owner())
                return false;  // at the form's own level nothing is attached
            c->SetBox(box);
            return true;
        },
        [](TComponent* child) -> TComponent* {
            auto* c = dynamic_cast<TTestBox*>(child);
            return c ? c->Box() : nullptr;
        });
    return true;
}();

// A description as the writer writes it: every kind of value, nested children, a binary property,
// a collection whose items keep stream data, and events bound by name.
const char* const SampleForm =
    "object Form1: TTestForm\r\n"
    "  Tag = 7\r\n"
    "  object Widget1: TTestWidget\r\n"
    "    Caption = 'It''s a '#13#10'two-line caption'\r\n"
    "    Count = -42\r\n"
    "    Ratio = 0.25\r\n"
    "    Active = True\r\n"
    "    Kind = wkFancy\r\n"
    "    Options = [woRight, woDown]\r\n"
    "    Color = 12615680\r\n"
    "    Cursor = crHandPoint\r\n"
    "    Font.Charset = DEFAULT_CHARSET\r\n"
    "    Font.Color = clRed\r\n"
    "    Font.Height = -12\r\n"
    "    Font.Name = 'Courier New'\r\n"
    "    Font.Style = [fsBold, fsUnderline]\r\n"
    "    Lines.Strings = (\r\n"
    "      'Usage:'\r\n"
    "      ''\r\n"
    "      '1. Select and configure comport')\r\n"
    "    Items = <\r\n"
    "      item\r\n"
    "        Label = 'first'\r\n"
    "        Value = 1\r\n"
    "        Data = {\r\n"
    "          000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F\r\n"
    "          FF}\r\n"
    "      end\r\n"
    "      item\r\n"
    "      end>\r\n"
    "    Buddy = Widget2\r\n"
    "    OnClick = WidgetClick\r\n"
    "    OnQuery = WidgetQuery\r\n"
    "    Numbers = (\r\n"
    "      1\r\n"
    "      -2\r\n"
    "      3)\r\n"
    "  end\r\n"
    "  object Box1: TTestBox\r\n"
    "    object Widget2: TTestWidget\r\n"
    "      Caption = 'inside'\r\n"
    "      object Widget3: TTestWidget\r\n"
    "        Buddy = Widget1\r\n"
    "        OnClick = WidgetClick\r\n"
    "      end\r\n"
    "    end\r\n"
    "  end\r\n"
    "end\r\n";

}  // namespace

TEST(FormText, WriterTextRoundTripsExactly) {
    TFormObject o = ParseFormText(SampleForm);
    EXPECT_EQ(o.Name, "Form1");
    EXPECT_EQ(o.ClassName, "TTestForm");
    ASSERT_EQ(o.Children.size(), 2u);
    EXPECT_EQ(o.Children[0].Properties[0].Value.Str, "It's a \r\ntwo-line caption");
    EXPECT_EQ(FormatFormText(o), SampleForm);
}

TEST(FormText, OtherSpellingsReadTheSameAndWriteCanonically) {
    const char* text =
        "OBJECT Form1: TTestForm\n"
        "  Caption = 'a' + \n   'b'#65#$42'c'\n"
        "  Count = $FF\n"
        "  Neg = -$10\n"
        "  Big = 1e3\n"
        "  Empty = []\n"
        "  List = ()\n"
        "  Coll = <>\n"
        "  Bin = {0a 0B\n 0c}\n"
        "  object TTestBox\n  end\n"
        "End";
    TFormObject o = ParseFormText(text);
    EXPECT_EQ(o.Properties[0].Value.Str, "abABc");
    EXPECT_EQ(o.Properties[1].Value.Int, 255);
    EXPECT_EQ(o.Properties[2].Value.Int, -16);
    EXPECT_EQ(o.Properties[3].Value.Type, TValueType::Float);
    EXPECT_EQ(o.Properties[3].Value.Float, 1000.0);
    EXPECT_EQ(o.Properties[7].Value.Binary, (std::vector<uint8_t>{10, 11, 12}));
    EXPECT_EQ(o.Children[0].Name, "");
    std::string canonical = FormatFormText(o);
    EXPECT_EQ(ParseFormText(canonical), o);
    EXPECT_EQ(FormatFormText(ParseFormText(canonical)), canonical);
    EXPECT_NE(canonical.find("Big = 1000.0"), std::string::npos) << canonical;
    EXPECT_NE(canonical.find("object TTestBox\r\n"), std::string::npos);
}

TEST(FormText, LongStringsAndBinaryDataWrapAndReadBack) {
    TFormObject o;
    o.Name = "F";
    o.ClassName = "TTestForm";
    TFormValue s = TFormValue::String(std::string(150, 'x') + "\x01\x7F\xE9");
    TFormValue b;
    b.Type = TValueType::Binary;
    for (int i = 0; i < 100; ++i)
        b.Binary.push_back(static_cast<uint8_t>(i * 7));
    o.Properties = {{"S", s}, {"B", b}};
    std::string text = FormatFormText(o);
    EXPECT_NE(text.find(" +\r\n"), std::string::npos);
    EXPECT_NE(text.find("#1"), std::string::npos);
    EXPECT_EQ(ParseFormText(text), o);
}

TEST(FormText, ErrorsNameTheLine) {
    auto message = [](const char* text) {
        try {
            ParseFormText(text);
        } catch (const EParserError& e) {
            return std::string(e.what());
        }
        return std::string("accepted");
    };
    EXPECT_EQ(message("object A: TX\n  P = 'open\nend"), "Line 2: unterminated string");
    EXPECT_EQ(message("object A: TX\n  P 1\nend"), "Line 2: '=' expected");
    EXPECT_EQ(message("object A: TX\n  P = {ABC}\nend"), "Line 2: odd number of hexadecimal digits");
    EXPECT_EQ(message("object A: TX\n  P = #300\nend"), "Line 2: character code of 0 to 255 expected after '#'");
    EXPECT_EQ(message("object A: TX\n  P = 1\n"), "Line 3: \"end\" expected");
    EXPECT_EQ(message("object A: TX\nend\nobject"), "Line 3: text after the last \"end\"");
    EXPECT_EQ(message("thing A: TX end"), "Line 1: \"object\" expected");
    EXPECT_EQ(message("object A: TX\n  P = ;\nend"), "Line 2: value expected");
}

TEST(FormReading, BuildsTheComponentsAndWritesThemBackExactly) {
    Trace.clear();
    TTestForm form(nullptr);
    ReadComponentText(SampleForm, &form);
    EXPECT_EQ(form.Name(), "Form1");
    EXPECT_EQ(form.Tag(), 7);
    ASSERT_NE(form.Widget1, nullptr);
    ASSERT_NE(form.Box1, nullptr);
    TTestWidget* w = form.Widget1;
    EXPECT_EQ(w->Owner(), &form);
    EXPECT_EQ(w->Caption(), "It's a \r\ntwo-line caption");
    EXPECT_EQ(w->Count(), -42);
    EXPECT_EQ(w->Ratio(), 0.25);
    EXPECT_TRUE(w->Active());
    EXPECT_EQ(w->Kind(), wkFancy);
    EXPECT_EQ(w->Options(), (TWidgetOptions{woRight, woDown}));
    EXPECT_EQ(w->Color(), 0x00C08000);
    EXPECT_EQ(w->Cursor(), -21);
    EXPECT_EQ(w->Font()->Name(), "Courier New");
    EXPECT_EQ(w->Font()->Height(), -12);
    EXPECT_EQ(w->Font()->Color(), clRed);
    EXPECT_EQ(w->Font()->Style(), (TFontStyles{fsBold, fsUnderline}));
    EXPECT_EQ(w->Lines()->Text(), "Usage:\r\n\r\n1. Select and configure comport\r\n");
    ASSERT_EQ(w->Items()->Count(), 2);
    EXPECT_EQ(w->Items()->Items(0)->Label(), "first");
    EXPECT_EQ(w->Items()->Items(0)->Bytes.size(), 33u);
    EXPECT_EQ(static_cast<uint8_t>(w->Items()->Items(0)->Bytes[32]), 0xFF);
    EXPECT_EQ(w->Numbers, (std::vector<long long>{1, -2, 3}));
    EXPECT_EQ(w->Items()->Updates, 1);  // all items were read inside one update
    EXPECT_EQ(w->Items()->Updating, 0);

    auto* w2 = static_cast<TTestWidget*>(form.FindComponent("Widget2"));
    auto* w3 = static_cast<TTestWidget*>(form.FindComponent("Widget3"));
    ASSERT_NE(w2, nullptr);
    ASSERT_NE(w3, nullptr);
    EXPECT_EQ(w2->Box(), form.Box1);  // nested children are attached to what they were read inside
    EXPECT_EQ(w3->Box(), w2);
    EXPECT_EQ(w3->Owner(), &form);  // and still owned by the form
    EXPECT_EQ(w->Buddy(), w2);      // a reference to a component read later
    EXPECT_EQ(w3->Buddy(), w);

    // Events call the form's methods.
    w->OnClick(w);
    w3->OnClick(w3);
    bool allow = true;
    w->OnQuery(w, allow);
    EXPECT_FALSE(allow);
    EXPECT_EQ(form.Calls, (std::vector<std::string>{"click Widget1", "click Widget3", "query"}));

    // Loaded ran for the root and then every component in the order they were made, with csLoading still on.
    EXPECT_EQ(Trace, (std::vector<std::string>{"Loaded Form1 loading", "Loaded Widget1 loading", "Loaded Box1 loading",
                                               "Loaded Widget2 loading", "Loaded Widget3 loading"}));
    for (int i = 0; i < form.ComponentCount(); ++i)
        EXPECT_FALSE(form.Components(i)->Loading());
    EXPECT_FALSE(form.Loading());

    EXPECT_EQ(WriteComponentText(&form), SampleForm);
}

TEST(FormReading, AReferenceToTheWrongClassIsRejected) {
    const char* text =
        "object Form1: TTestForm\r\n"
        "  object Widget1: TTestWidget\r\n"
        "    Buddy = Box1\r\n"
        "  end\r\n"
        "  object Box1: TTestBox\r\n"
        "  end\r\n"
        "end\r\n";
    TTestForm form(nullptr);
    try {
        ReadComponentText(text, &form);
        FAIL() << "accepted";
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message(), "Error reading Widget1.Buddy: Invalid property value: Box1 (TTestBox) cannot be Buddy");
    }
}

TEST(FormReading, ErrorsNameTheComponentAndProperty) {
    auto error = [](const std::string& body) {
        TTestForm form(nullptr);
        try {
            ReadComponentText("object Form1: TTestForm\r\n" + body + "end\r\n", &form);
        } catch (const Exception& e) {
            for (int i = 0; i < form.ComponentCount(); ++i)
                EXPECT_FALSE(form.Components(i)->Loading()) << "csLoading left on after an error";
            EXPECT_FALSE(form.Loading());
            return std::string(e.ClassName()) + ": " + e.Message();
        }
        return std::string("accepted");
    };
    EXPECT_EQ(error("  object W: TNoSuchClass\r\n  end\r\n"), "EClassNotFound: Class TNoSuchClass not found");
    EXPECT_EQ(error("  object W: TTestWidget\r\n    Colour = clRed\r\n  end\r\n"),
              "EReadError: Error reading W.Colour: Property Colour does not exist");
    EXPECT_EQ(error("  object W: TTestWidget\r\n    Count = 'many'\r\n  end\r\n"),
              "EReadError: Error reading W.Count: Invalid property value 'many' for Count: an integer expected");
    EXPECT_EQ(error("  object W: TTestWidget\r\n    Kind = wkNone\r\n  end\r\n"),
              "EReadError: Error reading W.Kind: Invalid property value wkNone for Kind: one of its names expected");
    EXPECT_EQ(error("  object W: TTestWidget\r\n    Options = [woLeft, woAround]\r\n  end\r\n"),
              "EReadError: Error reading W.Options: Invalid property value: woAround is no member of Options");
    EXPECT_EQ(error("  object W: TTestWidget\r\n    Color = clRedd\r\n  end\r\n"),
              "EReadError: Error reading W.Color: Invalid property value clRedd for Color: a colour expected");
    EXPECT_EQ(error("  object W: TTestWidget\r\n    OnClick = NoSuchMethod\r\n  end\r\n"),
              "EReadError: Error reading W.OnClick: Method NoSuchMethod not found in TTestForm");
    EXPECT_EQ(error("  object W: TTestWidget\r\n    OnClick = WidgetQuery\r\n  end\r\n"),
              "EReadError: Error reading W.OnClick: Method WidgetQuery does not fit event OnClick");
    EXPECT_EQ(error("  object W: TTestWidget\r\n    Buddy = Nobody\r\n  end\r\n"),
              "EReadError: Error reading W.Buddy: Invalid property value: no component named Nobody");
    EXPECT_EQ(error("  object W: TTestWidget\r\n    Font.Style = [fsBold, fsHuge]\r\n  end\r\n"),
              "EReadError: Error reading W.Font.Style: Invalid property value: fsHuge is no member of Style");
    EXPECT_EQ(error("  object W: TTestWidget\r\n    Items = <\r\n      item\r\n        Value = x\r\n      end>\r\n  end\r\n"),
              "EReadError: Error reading W.Items[0].Value: Invalid property value x for Value: an integer expected");
    EXPECT_EQ(error("  object W: TTestWidget\r\n    Numbers = (1 'two')\r\n  end\r\n"),
              "EReadError: Error reading W.Numbers: Invalid property value 'two' for Numbers: an integer expected");
    EXPECT_EQ(error("  object W: TTestWidget\r\n    Glyph.Data = {00}\r\n  end\r\n"),
              "EReadError: Error reading W.Glyph.Data: Bitmap image is not valid: the file is too short");
    EXPECT_EQ(error("  object W: TTestWidget\r\n  end\r\n  object W: TTestWidget\r\n  end\r\n"),
              "EReadError: Error reading W: A component named W already exists");
    EXPECT_EQ(error("  Widget1.Caption = 'x'\r\n"),
              "EReadError: Error reading Form1.Widget1.Caption: Property Widget1.Caption does not exist");
}

TEST(FormReading, TheRootMustBeOfTheDescribedClass) {
    TTestBox box(nullptr);
    EXPECT_THROW(ReadComponentText("object Form1: TTestForm\r\nend\r\n", &box), EReadError);
}

TEST(FormWriting, DefaultsAreLeftOutAndComponentsMadeInCodeAreWritten) {
    TTestForm form(nullptr);
    form.SetName("Made");
    auto* w = new TTestWidget(&form);
    w->SetName("Plain");
    auto* g = new TTestWidget(&form);
    g->SetName("Picture");
    g->SetBox(w);
    g->Glyph()->SetPixelFormat(pf24bit);
    g->Glyph()->SetSize(2, 2);
    g->Glyph()->Canvas()->SetPixels(1, 0, clRed);
    std::string text = WriteComponentText(&form);
    EXPECT_EQ(text.substr(0, 86),
              "object Made: TTestForm\r\n"
              "  object Plain: TTestWidget\r\n"
              "    object Picture: TTestWidget\r\n") << text;
    EXPECT_NE(text.find("      Glyph.Data = {\r\n        424D"), std::string::npos) << text;  // a BMP file
    EXPECT_EQ(text.find("Count"), std::string::npos);
    EXPECT_EQ(text.find("OnClick"), std::string::npos) << "a handler set in code has no method name";

    TTestForm copy(nullptr);
    ReadComponentText(text, &copy);
    auto* picture = static_cast<TTestWidget*>(copy.FindComponent("Picture"));
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->Glyph()->PixelColor(1, 0), clRed);
    EXPECT_EQ(picture->Glyph()->PixelColor(0, 0), clWhite);
    EXPECT_EQ(WriteComponentText(&copy), text);
}

TEST(FormResources, ReadsTheFormCompiledIntoTheExecutable) {
    Trace.clear();
    TResourceForm form(nullptr);
    ASSERT_TRUE(InitInheritedComponent(&form));
    EXPECT_EQ(form.Name(), "ResourceForm");
    ASSERT_NE(form.Widget1, nullptr);
    EXPECT_EQ(form.Widget1->Caption(), "from the resource");
    EXPECT_EQ(form.Widget1->Lines()->Count(), 2);
    ASSERT_EQ(form.Widget1->Items()->Count(), 1);
    EXPECT_EQ(form.Widget1->Items()->Items(0)->Bytes, std::string("\x89PNG", 4));
    form.Widget1->OnClick(form.Widget1);
    EXPECT_EQ(form.Calls, std::vector<std::string>{"click Widget1"});
    // The compiled text is what the writer writes.
    TResourceStream res(GetModuleHandleA(nullptr), "TResourceForm", MAKEINTRESOURCEA(10));
    std::string stored(static_cast<const char*>(res.Memory()), static_cast<size_t>(res.Size()));
    EXPECT_EQ(WriteComponentText(&form), stored);

    TTestForm other(nullptr);  // no resource of its class
    EXPECT_FALSE(InitInheritedComponent(&other));
    EXPECT_THROW(ReadComponentRes("TNoSuchForm", &other), EResNotFound);
}
