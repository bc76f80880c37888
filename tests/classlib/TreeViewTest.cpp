// The tree view on a real form under Xvfb: its nodes against the window's items, clicks and keys through real
// input, and the custom-draw events seen on the screen.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/support/ApplicationLoop.h"
#include "tests/support/SyntheticInput.h"
#include "classlib/runtime/FormResources.h"
#include "classlib/visual/TreeView.h"

namespace {

// The window's items as "text(children) text ...", read through the tree view's own messages.
std::string WindowOutline(HWND tree, HTREEITEM first) {
    std::string out;
    for (HTREEITEM item = first; item; item = reinterpret_cast<HTREEITEM>(SendMessageW(
                                           tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)))) {
        wchar_t text[64] = {};
        TVITEMW tv{};
        tv.mask = TVIF_TEXT | TVIF_HANDLE;
        tv.hItem = item;
        tv.pszText = text;
        tv.cchTextMax = 64;
        SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
        if (!out.empty()) out += ' ';
        out += WideToAnsi(text);
        auto child = reinterpret_cast<HTREEITEM>(
            SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item)));
        if (child) out += "(" + WindowOutline(tree, child) + ")";
    }
    return out;
}

std::string WindowOutline(TTreeView* tree) {
    return WindowOutline(tree->Handle(),
                         reinterpret_cast<HTREEITEM>(SendMessageW(tree->Handle(), TVM_GETNEXTITEM, TVGN_ROOT, 0)));
}

// The same outline from the nodes.
std::string NodeOutline(TTreeNode* first) {
    std::string out;
    for (TTreeNode* n = first; n; n = n->GetNextSibling()) {
        if (!out.empty()) out += ' ';
        out += n->Text();
        if (n->Count()) out += "(" + NodeOutline(n->GetFirstChild()) + ")";
    }
    return out;
}

class TreeView : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TForm(nullptr);
        form->SetPosition(poDesigned);
        form->SetBounds(60, 60, 420, 320);
        tree = new TTreeView(form);
        tree->SetParent(form);
        tree->SetBounds(10, 10, 250, 250);
    }
    void TearDown() override {
        form->Free();
        PumpFor(20);
    }
    void ShowActive() {
        form->Show();
        ASSERT_TRUE(PumpUntil([&] { return form->Active(); }));
        PumpFor(50);
    }
    // A screen point inside a node's text.
    POINT OnText(TTreeNode* node) {
        TRect r = node->DisplayRect(true);
        return tree->ClientToScreen(TPoint(r.left + 4, (r.top + r.bottom) / 2));
    }
    // A screen point on a node's expand button, found the way the window finds it.
    POINT OnButton(TTreeNode* node) {
        TRect r = node->DisplayRect(true);
        for (int x = 0; x < r.left; ++x) {
            TVHITTESTINFO hit{};
            hit.pt = POINT{x, (r.top + r.bottom) / 2};
            SendMessageW(tree->Handle(), TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
            if (hit.hItem == node->ItemId() && (hit.flags & TVHT_ONITEMBUTTON))
                return tree->ClientToScreen(TPoint(x + 2, hit.pt.y));
        }
        ADD_FAILURE() << "no button beside " << node->Text();
        return POINT{};
    }
    TForm* form = nullptr;
    TTreeView* tree = nullptr;
};

TEST_F(TreeView, NodesStandInTheWindowInTheOrderTheyWereAddedBeforeAndAfterItExists) {
    TTreeNodes* items = tree->Items();
    TTreeNode* ports = items->Add(nullptr, "Ports");
    TTreeNode* logs = items->Add(ports, "Logs");
    items->AddChild(ports, "COM3");
    items->AddChildFirst(ports, "COM1");
    items->Insert(ports->Item(1), "COM2");
    EXPECT_EQ(NodeOutline(items->GetFirstNode()), "Ports(COM1 COM2 COM3) Logs");
    ShowActive();
    EXPECT_EQ(WindowOutline(tree), "Ports(COM1 COM2 COM3) Logs");

    // Made while the window exists.
    items->AddFirst(ports, "Settings");
    items->AddChild(logs, "text");
    TTreeNode* hex = items->AddChildFirst(logs, "hex");
    EXPECT_EQ(WindowOutline(tree), "Settings Ports(COM1 COM2 COM3) Logs(hex text)");
    EXPECT_EQ(items->Count(), 8);
    EXPECT_EQ(items->Item(6), hex);
    EXPECT_EQ(hex->AbsoluteIndex(), 6);
    EXPECT_EQ(hex->Level(), 1);
    EXPECT_EQ(hex->Parent(), logs);
    EXPECT_EQ(ports->Index(), 1);
    EXPECT_EQ(ports->Item(2)->GetNext(), logs);
    EXPECT_THROW(items->Item(8), EListError);
    EXPECT_THROW(ports->Item(3), EListError);

    // A node's text and images reach its window item.
    hex->SetText("HEX log");
    hex->SetImageIndex(3);
    TVITEMW tv{};
    tv.mask = TVIF_IMAGE | TVIF_HANDLE;
    tv.hItem = hex->ItemId();
    SendMessageW(tree->Handle(), TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
    EXPECT_EQ(tv.iImage, 3);
    EXPECT_EQ(WindowOutline(tree), "Settings Ports(COM1 COM2 COM3) Logs(HEX log text)");

    // Nodes of another tree are refused.
    TTreeView other(nullptr);
    TTreeNode* foreign = other.Items()->Add(nullptr, "foreign");
    EXPECT_THROW(items->AddChild(foreign, "x"), EInvalidOperation);
}

TEST_F(TreeView, ANewWindowGetsTheNodesBackExpandedAndSelectedAsTheyWere) {
    TTreeNodes* items = tree->Items();
    TTreeNode* a = items->Add(nullptr, "A");
    TTreeNode* a1 = items->AddChild(a, "A1");
    items->AddChild(a1, "A1a");
    TTreeNode* b = items->Add(nullptr, "B");
    items->AddChild(b, "B1");
    a->SetExpanded(true);  // before the window: kept until it comes
    ShowActive();
    EXPECT_TRUE(a->Expanded());
    EXPECT_FALSE(b->Expanded());
    a1->Expand(false);
    tree->SetSelected(a1);
    ASSERT_EQ(tree->Selected(), a1);

    HWND old = tree->Handle();
    tree->SetShowLines(false);  // a style that needs a new window
    PumpFor(20);
    ASSERT_NE(tree->Handle(), old);
    EXPECT_EQ(WindowOutline(tree), "A(A1(A1a)) B(B1)");
    EXPECT_EQ(SendMessageW(tree->Handle(), TVM_GETCOUNT, 0, 0), 5);
    EXPECT_TRUE(a->Expanded());
    EXPECT_TRUE(a1->Expanded());
    EXPECT_FALSE(b->Expanded());
    EXPECT_EQ(tree->Selected(), a1);
    EXPECT_FALSE(GetWindowLongW(tree->Handle(), GWL_STYLE) & TVS_HASLINES);

    // The form's window goes (and with it the tree's): the state is read before the items go.
    form->Hide();
    tree->SetParent(nullptr);
    EXPECT_FALSE(tree->HandleAllocated());
    EXPECT_EQ(tree->Selected(), a1);
    EXPECT_TRUE(a1->Expanded());
    tree->SetParent(form);
    form->Show();
    EXPECT_EQ(tree->Selected(), a1);
}

TEST_F(TreeView, DeletingNodesTellsOfEachAndMovesTheSelectionOn) {
    TTreeNodes* items = tree->Items();
    TTreeNode* a = items->Add(nullptr, "A");
    items->AddChild(a, "A1");
    items->AddChild(a, "A2");
    TTreeNode* b = items->Add(nullptr, "B");
    std::vector<std::string> deleted;
    tree->OnDeletion = [&](TObject*, TTreeNode* n) { deleted.push_back(n->Text()); };
    ShowActive();
    tree->SetSelected(a->Item(1));
    a->Delete();
    EXPECT_EQ(deleted, (std::vector<std::string>{"A1", "A2", "A"}));
    EXPECT_EQ(WindowOutline(tree), "B");
    EXPECT_EQ(items->Count(), 1);
    EXPECT_TRUE(tree->Selected() == b || tree->Selected() == nullptr);

    // Deleting the last child takes the parent's button away.
    TTreeNode* c = items->AddChild(b, "C");
    c->Delete();
    TVITEMW tv{};
    tv.mask = TVIF_CHILDREN | TVIF_HANDLE;
    tv.hItem = b->ItemId();
    SendMessageW(tree->Handle(), TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
    EXPECT_EQ(tv.cChildren, 0);

    deleted.clear();
    items->Clear();
    EXPECT_EQ(deleted, std::vector<std::string>{"B"});
    EXPECT_EQ(SendMessageW(tree->Handle(), TVM_GETCOUNT, 0, 0), 0);
    EXPECT_EQ(tree->Selected(), nullptr);
}

TEST_F(TreeView, AClickOnANodesButtonExpandsItWhenOnExpandingAllowsIt) {
    TTreeNodes* items = tree->Items();
    TTreeNode* open = items->Add(nullptr, "open");
    items->AddChild(open, "inside");
    TTreeNode* shut = items->Add(nullptr, "shut");
    items->AddChild(shut, "hidden");
    TTreeNode* lazy = items->Add(nullptr, "lazy");
    lazy->SetHasChildren(true);
    std::vector<std::string> events;
    tree->OnExpanding = [&](TObject*, TTreeNode* n, bool& allow) {
        events.push_back("expanding " + n->Text());
        allow = n != shut;
        if (n == lazy && n->Count() == 0) items->AddChild(n, "made late");
    };
    tree->OnExpanded = [&](TObject*, TTreeNode* n) { events.push_back("expanded " + n->Text()); };
    tree->OnCollapsed = [&](TObject*, TTreeNode* n) { events.push_back("collapsed " + n->Text()); };
    ShowActive();

    POINT p = OnButton(open);
    ClickAt(p.x, p.y);
    ASSERT_TRUE(PumpUntil([&] { return open->Expanded(); }));
    EXPECT_EQ(events, (std::vector<std::string>{"expanding open", "expanded open"}));

    events.clear();
    p = OnButton(shut);
    ClickAt(p.x, p.y);
    PumpFor(100);
    EXPECT_FALSE(shut->Expanded());
    EXPECT_EQ(events, std::vector<std::string>{"expanding shut"});

    events.clear();
    p = OnButton(lazy);
    ClickAt(p.x, p.y);
    ASSERT_TRUE(PumpUntil([&] { return lazy->Expanded(); }));
    EXPECT_EQ(WindowOutline(tree), "open(inside) shut(hidden) lazy(made late)");

    // Collapsing by click, and expanding in code asks and tells the same events once.
    events.clear();
    p = OnButton(open);
    ClickAt(p.x, p.y);
    ASSERT_TRUE(PumpUntil([&] { return !open->Expanded(); }));
    EXPECT_EQ(events, std::vector<std::string>{"collapsed open"});
    events.clear();
    open->Expand(false);
    EXPECT_TRUE(open->Expanded());
    EXPECT_EQ(events, (std::vector<std::string>{"expanding open", "expanded open"}));
}

TEST_F(TreeView, ClicksAndArrowKeysSelectNodesUnlessOnChangingRefuses) {
    TTreeNodes* items = tree->Items();
    TTreeNode* first = items->Add(nullptr, "first");
    TTreeNode* second = items->Add(nullptr, "second");
    TTreeNode* third = items->Add(nullptr, "third");
    std::vector<std::string> changes;
    tree->OnChange = [&](TObject*, TTreeNode* n) { changes.push_back(n ? n->Text() : "none"); };
    TTreeNode* locked = nullptr;
    tree->OnChanging = [&](TObject*, TTreeNode* n, bool& allow) { allow = n != locked; };
    ShowActive();
    changes.clear();  // the window selects its first node when it takes the focus

    POINT p = OnText(second);
    ClickAt(p.x, p.y);
    ASSERT_TRUE(PumpUntil([&] { return tree->Selected() == second; }));
    EXPECT_TRUE(second->Selected());
    EXPECT_EQ(tree->GetNodeAt(tree->ScreenToClient(p).x, tree->ScreenToClient(p).y), second);
    ASSERT_TRUE(PumpUntil([&] { return tree->Focused(); }));

    PressKey(VK_DOWN);
    ASSERT_TRUE(PumpUntil([&] { return tree->Selected() == third; }));
    locked = first;
    PressKey(VK_HOME);
    PumpFor(100);
    EXPECT_EQ(tree->Selected(), third);
    locked = nullptr;
    PressKey(VK_UP);
    ASSERT_TRUE(PumpUntil([&] { return tree->Selected() == second; }));
    EXPECT_EQ(changes, (std::vector<std::string>{"second", "third", "second"}));
    EXPECT_EQ(tree->GetNodeAt(0, 240), nullptr);
}

TEST_F(TreeView, TheCustomDrawEventsPaintTheNodesOnTheScreen) {
    TTreeNodes* items = tree->Items();
    items->Add(nullptr, "selected when the tree takes the focus");
    TTreeNode* plain = items->Add(nullptr, "WWWWWWWW");
    TTreeNode* tinted = items->Add(nullptr, "WWWWWWWW");
    TTreeNode* bold = items->Add(nullptr, "WWWWWWWW");
    TTreeNode* painted = items->Add(nullptr, "painted");
    tree->SetColor(clWhite);
    std::vector<std::string> stages;
    tree->OnAdvancedCustomDraw = [&](TCustomTreeView*, const TRect&, TCustomDrawStage stage, bool&) {
        stages.push_back(stage == cdPrePaint ? "tree pre" : stage == cdPostPaint ? "tree post" : "tree other");
    };
    tree->OnCustomDrawItem = [&](TCustomTreeView* sender, TTreeNode* node, TCustomDrawState, bool& defaultDraw) {
        if (node == tinted) {
            sender->Canvas()->Brush()->SetColor(clLime);
            sender->Canvas()->Font()->SetColor(clBlue);
        }
        if (node == bold) sender->Canvas()->Font()->SetStyle({fsBold});
        if (node == painted) {
            // The handler paints the whole row itself.
            TRect r = node->DisplayRect(false);
            sender->Canvas()->Brush()->SetColor(clRed);
            sender->Canvas()->FillRect(r);
            defaultDraw = false;
        }
    };
    int postItems = 0;
    tree->OnAdvancedCustomDrawItem = [&](TCustomTreeView*, TTreeNode*, TCustomDrawState, TCustomDrawStage stage, bool&,
                                         bool&) { postItems += stage == cdPostPaint; };
    ShowActive();
    tree->Repaint();
    PumpFor(50);

    auto screen = [&](TTreeNode* node, bool textOnly, int dx) {
        TRect r = node->DisplayRect(textOnly);
        TPoint p = tree->ClientToScreen(TPoint(r.left + dx, r.top + 1));
        return ScreenPixel(p.x, p.y);
    };
    EXPECT_EQ(screen(painted, false, 2), RGB(255, 0, 0));
    EXPECT_EQ(screen(painted, false, 200), RGB(255, 0, 0));
    EXPECT_EQ(screen(tinted, true, 1), RGB(0, 255, 0));  // the text's background in the handler's colour
    EXPECT_EQ(screen(plain, true, 1), RGB(255, 255, 255));
    // The text in the handler's colour, and in its font: bold letters leave more ink than plain ones.
    auto ink = [&](TTreeNode* node, COLORREF background) {
        TRect r = node->DisplayRect(false);
        int n = 0, blue = 0;
        for (int x = r.left; x < r.right; ++x)
            for (int y = r.top; y < r.bottom; ++y) {
                TPoint p = tree->ClientToScreen(TPoint(x, y));
                COLORREF c = ScreenPixel(p.x, p.y);
                n += c != background;
                blue += c == RGB(0, 0, 255);
            }
        return std::make_pair(n, blue);
    };
    EXPECT_GT(ink(tinted, RGB(0, 255, 0)).second, 10);
    EXPECT_GT(ink(bold, RGB(255, 255, 255)).first, ink(plain, RGB(255, 255, 255)).first + 10);
    ASSERT_GE(stages.size(), 2u);
    EXPECT_EQ(stages.front(), "tree pre");
    EXPECT_EQ(stages.back(), "tree post");
    // Painted items skip the default drawing and so their after-paint notice; the others have theirs.
    EXPECT_GE(postItems, 2);
}

TEST_F(TreeView, NodesComeFromAFormDescriptionAndGoBackIntoIt) {
    const std::string text =
        "object Form1: TForm\r\n"
        "  object Tree: TTreeView\r\n"
        "    Left = 8\r\n"
        "    Top = 8\r\n"
        "    Width = 200\r\n"
        "    Height = 150\r\n"
        "    Indent = 25\r\n"
        "    ShowRoot = False\r\n"
        "    Items.Nodes = (\r\n"
        "      ('Ports' 0 1\r\n"
        "        ('COM1' 2 2)\r\n"
        "        ('COM2' 2 3))\r\n"
        "      ('Logs' -1 -1))\r\n"
        "  end\r\n"
        "end\r\n";
    TForm loaded(nullptr);
    ReadComponentText(text, &loaded);
    auto* read = dynamic_cast<TTreeView*>(loaded.FindComponent("Tree"));
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(NodeOutline(read->Items()->GetFirstNode()), "Ports(COM1 COM2) Logs");
    EXPECT_EQ(read->Items()->Item(2)->SelectedIndex(), 3);
    EXPECT_EQ(read->Items()->Item(0)->SelectedIndex(), 1);
    EXPECT_EQ(read->Indent(), 25);
    EXPECT_FALSE(read->ShowRoot());
    std::string written = WriteComponentText(&loaded);
    EXPECT_NE(written.find("Items.Nodes = ("), std::string::npos) << written;
    TForm again(nullptr);
    ReadComponentText(written, &again);
    auto* copy = dynamic_cast<TTreeView*>(again.FindComponent("Tree"));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(NodeOutline(copy->Items()->GetFirstNode()), "Ports(COM1 COM2) Logs");
    EXPECT_EQ(WriteComponentText(&again), written);
    TForm broken(nullptr);
    EXPECT_THROW(ReadComponentText("object Form1: TForm\r\n  object T: TTreeView\r\n    Items.Nodes = (('x' 0))\r\n"
                                   "  end\r\nend\r\n",
                                   &broken),
                 EReadError);
}

}  // namespace
