// The list view on a real form under Xvfb: a report view with check boxes as the option dialog has it, read from a
// form description, filled, and clicked with real mouse input.
#include "classlib/visual/ListView.h"

#include "tests/support/ApplicationLoop.h"
#include "tests/support/SyntheticInput.h"
#include "classlib/runtime/FormResources.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const char* const OptionList = R"(object frm: TForm
  Left = 60
  Top = 60
  ClientWidth = 420
  ClientHeight = 260
  Position = poDesigned
  object lvBtn: TListView
    Left = 8
    Top = 8
    Width = 404
    Height = 244
    Checkboxes = True
    Columns = <
      item
        AutoSize = True
        Caption = 'Button Name'
        MaxWidth = 150
      end
      item
        AutoSize = True
        Caption = 'AT Command'
        MinWidth = 150
      end>
    GridLines = True
    ReadOnly = True
    RowSelect = True
    ViewStyle = vsReport
  end
end)";

class ListView : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TForm(nullptr);
        ReadComponentText(OptionList, form);
        list = dynamic_cast<TListView*>(form->FindComponent("lvBtn"));
        ASSERT_NE(list, nullptr);
    }
    void TearDown() override {
        form->Free();
        PumpFor(20);
    }
    void Fill() {
        const char* rows[][2] = {{"AT", "AT"}, {"CMGS", "AT+CMGS=\"\""}, {"CPAS", "AT+CPAS"}};
        for (auto& row : rows) {
            TListItem* item = list->Items()->Add();
            item->SetCaption(row[0]);
            item->SubItems()->Add(row[1]);
            item->SetChecked(true);
        }
    }
    std::wstring CellText(int item, int column) {
        wchar_t text[64] = {};
        LVITEMW lvi{};
        lvi.iSubItem = column;
        lvi.pszText = text;
        lvi.cchTextMax = 64;
        SendMessageW(list->Handle(), LVM_GETITEMTEXTW, item, reinterpret_cast<LPARAM>(&lvi));
        return text;
    }
    // The screen point of an item's label, or of its check box.
    POINT ItemPoint(int index, bool checkBox = false) {
        RECT r{LVIR_LABEL};
        SendMessageW(list->Handle(), LVM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&r));
        POINT p{r.left + 10, (r.top + r.bottom) / 2};
        if (checkBox)
            for (p.x = 0; p.x < r.left; ++p.x) {
                LVHITTESTINFO hit{p};
                SendMessageW(list->Handle(), LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
                if (hit.flags & LVHT_ONITEMSTATEICON)
                    break;
            }
        ClientToScreen(list->Handle(), &p);
        return p;
    }
    TForm* form = nullptr;
    TListView* list = nullptr;
};

TEST_F(ListView, AFormDescriptionGivesAReportWithLimitedAutoSizedColumns) {
    form->Show();
    HWND h = list->Handle();
    EXPECT_STREQ(list->ClassName(), "TListView");
    EXPECT_EQ(SendMessageW(h, LVM_GETVIEW, 0, 0), LV_VIEW_DETAILS);
    DWORD ex = static_cast<DWORD>(SendMessageW(h, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
    EXPECT_EQ(ex & (LVS_EX_CHECKBOXES | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT),
              static_cast<DWORD>(LVS_EX_CHECKBOXES | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT));
    EXPECT_FALSE(GetWindowLongW(h, GWL_STYLE) & LVS_EDITLABELS);
    ASSERT_EQ(list->Columns()->Count(), 2);
    wchar_t caption[32] = {};
    LVCOLUMNW lvc{};
    lvc.mask = LVCF_TEXT;
    lvc.pszText = caption;
    lvc.cchTextMax = 32;
    SendMessageW(h, LVM_GETCOLUMNW, 1, reinterpret_cast<LPARAM>(&lvc));
    EXPECT_STREQ(caption, L"AT Command");
    // The first column is held at its maximum, the second takes the rest.
    RECT client;
    GetClientRect(h, &client);
    EXPECT_EQ(list->Columns()->Items(0)->Width(), 150);
    EXPECT_EQ(list->Columns()->Items(1)->Width(), client.right - 150);
    list->SetWidth(250);
    EXPECT_EQ(list->Columns()->Items(1)->Width(), 150);
    EXPECT_LE(list->Columns()->Items(0)->Width(), 150);
}

TEST_F(ListView, ItemsKeepTheirTextsChecksSelectionAndDataBeforeAndAfterTheWindow) {
    Fill();
    int data = 7;
    list->Items()->Item(1)->SetData(&data);
    list->Items()->Item(2)->SetChecked(false);
    list->SetItemIndex(1);
    form->Show();
    EXPECT_EQ(CellText(1, 0), L"CMGS");
    EXPECT_EQ(CellText(1, 1), L"AT+CMGS=\"\"");
    EXPECT_TRUE(list->Items()->Item(0)->Checked());
    EXPECT_FALSE(list->Items()->Item(2)->Checked());
    EXPECT_EQ(list->ItemIndex(), 1);
    EXPECT_EQ(list->Selected()->Data(), &data);

    list->Items()->Item(0)->SubItems()->SetStrings(0, "ATI");
    list->Items()->Item(0)->SetCaption("Info");
    EXPECT_EQ(CellText(0, 0), L"Info");
    EXPECT_EQ(CellText(0, 1), L"ATI");
    list->Items()->Delete(0);
    EXPECT_EQ(SendMessageW(list->Handle(), LVM_GETITEMCOUNT, 0, 0), 2);
    EXPECT_EQ(list->Selected()->Caption(), "CMGS");

    // A new window (another view style) shows the same.
    list->SetViewStyle(vsList);
    list->SetViewStyle(vsReport);
    EXPECT_EQ(CellText(1, 1), L"AT+CPAS");
    EXPECT_TRUE(list->Items()->Item(0)->Checked());
    EXPECT_FALSE(list->Items()->Item(1)->Checked());
    EXPECT_EQ(list->ItemIndex(), 0);

    list->Items()->Clear();
    EXPECT_EQ(SendMessageW(list->Handle(), LVM_GETITEMCOUNT, 0, 0), 0);
    EXPECT_EQ(list->Selected(), nullptr);
    EXPECT_THROW(list->Items()->Item(0), EListError);
}

TEST_F(ListView, ClicksDoubleClicksAndCheckBoxesReachTheirEvents) {
    Fill();
    std::vector<std::pair<TListItem*, bool>> selections;
    int doubleClicks = 0, stateChanges = 0;
    list->OnSelectItem = [&](TObject*, TListItem* item, bool selected) { selections.emplace_back(item, selected); };
    list->OnDblClick = [&](TObject*) { ++doubleClicks; };
    list->OnChange = [&](TObject*, TListItem*, TItemChange change) { stateChanges += change == ctState; };
    form->Show();
    ASSERT_TRUE(PumpUntil([&] { return form->Active(); }));

    POINT p = ItemPoint(1);
    ClickAt(p.x, p.y);
    ASSERT_TRUE(PumpUntil([&] { return list->ItemIndex() == 1; }));
    PumpFor(50);
    ASSERT_FALSE(selections.empty());
    EXPECT_EQ(selections.back(), std::make_pair(list->Items()->Item(1), true));

    selections.clear();
    p = ItemPoint(2);
    ClickAt(p.x, p.y);
    ClickAt(p.x, p.y);
    ASSERT_TRUE(PumpUntil([&] { return doubleClicks == 1; }));
    EXPECT_EQ(list->ItemIndex(), 2);
    // Item 1 left the selection, item 2 came in.
    EXPECT_NE(std::find(selections.begin(), selections.end(), std::make_pair(list->Items()->Item(1), false)),
              selections.end());
    EXPECT_NE(std::find(selections.begin(), selections.end(), std::make_pair(list->Items()->Item(2), true)),
              selections.end());

    stateChanges = 0;
    p = ItemPoint(0, true);
    ClickAt(p.x, p.y);
    ASSERT_TRUE(PumpUntil([&] { return !list->Items()->Item(0)->Checked(); }));
    EXPECT_GE(stateChanges, 1);

    // A double click below the items still reaches the handler (the option dialog adds an item then).
    RECT client;
    GetClientRect(list->Handle(), &client);
    POINT empty{client.right / 2, client.bottom - 10};
    ClientToScreen(list->Handle(), &empty);
    ClickAt(empty.x, empty.y);
    ClickAt(empty.x, empty.y);
    ASSERT_TRUE(PumpUntil([&] { return doubleClicks == 2; }));
}

}  // namespace
