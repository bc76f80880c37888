// One of every control of the class library on one form read from its description (forms/Showcase.form), shown
// under Xvfb and photographed for people to look at.
#include "tests/support/ApplicationLoop.h"
#include "classlib/visual/Buttons.h"
#include "classlib/visual/ComCtrls.h"
#include "classlib/visual/ExtCtrls.h"
#include "classlib/runtime/FormResources.h"
#include "classlib/visual/Grids.h"
#include "classlib/visual/ListView.h"
#include "classlib/visual/RichEdit.h"
#include "classlib/visual/StdCtrls.h"
#include "tests/support/UnixCommand.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

std::string WindowText(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return WideToAnsi(text);
}

class TfrmShowcase : public TForm {
    CLASS_INFO(TfrmShowcase, TForm)
public:
    explicit TfrmShowcase(TComponent* owner) : TForm(owner) {
        if (!InitInheritedComponent(this))
            throw EResNotFound("The form description of TfrmShowcase is missing");
    }
    // One control of each class.
    TToolBar* tlbMain = nullptr;
    TToolButton* btnOpen = nullptr;
    TLabel* lblEdit = nullptr;
    TEdit* edtCommand = nullptr;
    TUpDown* udNumber = nullptr;
    TMemo* memLog = nullptr;
    TRichEdit* redHex = nullptr;
    TComboBox* cbxCommand = nullptr;
    TListBox* lbxPorts = nullptr;
    TScrollBar* sbrLevel = nullptr;
    TButton* btnSend = nullptr;
    TBitBtn* bbnOK = nullptr;
    TSpeedButton* spbSend = nullptr;
    TCheckBox* chkEcho = nullptr;
    TRadioButton* rbtHex = nullptr;
    TGroupBox* grbLine = nullptr;
    TPanel* pnlStatus = nullptr;
    TBevel* bvlFrame = nullptr;
    TShape* shpLamp = nullptr;
    TImage* imgSunset = nullptr;
    TPageControl* pgcOptions = nullptr;
    TTabSheet* tshButtons = nullptr;
    TTabControl* tbcLogs = nullptr;
    TListView* lvwButtons = nullptr;
    TTreeView* tvwPorts = nullptr;
    TStringGrid* sgdCells = nullptr;
    TStatusBar* stbMain = nullptr;

    // What form descriptions do not hold: list items, grid cells and coloured rich text.
    void FormCreate(TObject*) {
        const char* buttons[][2] = {{"Signal", "AT+CSQ"}, {"Identity", "ATI"}, {"Send SMS", "AT+CMGS=\"+4912345\""}};
        for (auto& [name, command] : buttons) {
            TListItem* item = lvwButtons->Items()->Add();
            item->SetCaption(name);
            item->SubItems()->Add(command);
        }
        lvwButtons->Items()->Item(0)->SetChecked(true);
        sgdCells->SetCells(0, 0, "Grid");
        sgdCells->SetCells(1, 0, "Sent");
        sgdCells->SetCells(2, 0, "Got");
        for (int r = 1; r < sgdCells->RowCount(); ++r) {
            sgdCells->SetCells(0, r, "Line " + std::to_string(r));
            sgdCells->SetCells(1, r, std::to_string(r * 4));
            sgdCells->SetCells(2, r, std::to_string(r * 6));
        }
        redHex->SelAttributes()->SetColor(clBlue);
        redHex->Lines()->Add("Rich edit: 41 54 0D 0A");
        redHex->SetSelStart(static_cast<int>(redHex->Text().size()));
        redHex->SelAttributes()->SetColor(clRed);
        redHex->Lines()->Add("0D 0A 4F 4B 0D 0A");
        tvwPorts->FullExpand();
        // The toolbar's pictures: a yellow file, a blue disk and a green lamp.
        auto* images = new TImageList(this);
        images->SetWidth(16);
        images->SetHeight(16);
        TBitmap picture;
        picture.SetSize(16, 16);
        TCanvas* canvas = picture.Canvas();
        for (TColor color : {clYellow, clBlue, clLime}) {
            canvas->Brush()->SetColor(clFuchsia);
            canvas->FillRect(TRect(0, 0, 16, 16));
            canvas->Brush()->SetColor(color);
            if (color == clLime)
                canvas->Ellipse(2, 2, 14, 14);
            else
                canvas->Rectangle(2, 1, 14, 15);
            images->AddMasked(&picture, clFuchsia);
        }
        tlbMain->SetImages(images);
    }
};

const bool ShowcaseRegistered = [] {
    RegisterFormClass<TfrmShowcase>([](TFormClass<TfrmShowcase>& c) {
        c.Field("tlbMain", &TfrmShowcase::tlbMain);
        c.Field("btnOpen", &TfrmShowcase::btnOpen);
        c.Field("lblEdit", &TfrmShowcase::lblEdit);
        c.Field("edtCommand", &TfrmShowcase::edtCommand);
        c.Field("udNumber", &TfrmShowcase::udNumber);
        c.Field("memLog", &TfrmShowcase::memLog);
        c.Field("redHex", &TfrmShowcase::redHex);
        c.Field("cbxCommand", &TfrmShowcase::cbxCommand);
        c.Field("lbxPorts", &TfrmShowcase::lbxPorts);
        c.Field("sbrLevel", &TfrmShowcase::sbrLevel);
        c.Field("btnSend", &TfrmShowcase::btnSend);
        c.Field("bbnOK", &TfrmShowcase::bbnOK);
        c.Field("spbSend", &TfrmShowcase::spbSend);
        c.Field("chkEcho", &TfrmShowcase::chkEcho);
        c.Field("rbtHex", &TfrmShowcase::rbtHex);
        c.Field("grbLine", &TfrmShowcase::grbLine);
        c.Field("pnlStatus", &TfrmShowcase::pnlStatus);
        c.Field("bvlFrame", &TfrmShowcase::bvlFrame);
        c.Field("shpLamp", &TfrmShowcase::shpLamp);
        c.Field("imgSunset", &TfrmShowcase::imgSunset);
        c.Field("pgcOptions", &TfrmShowcase::pgcOptions);
        c.Field("tshButtons", &TfrmShowcase::tshButtons);
        c.Field("tbcLogs", &TfrmShowcase::tbcLogs);
        c.Field("lvwButtons", &TfrmShowcase::lvwButtons);
        c.Field("tvwPorts", &TfrmShowcase::tvwPorts);
        c.Field("sgdCells", &TfrmShowcase::sgdCells);
        c.Field("stbMain", &TfrmShowcase::stbMain);
        c.Method("FormCreate", &TfrmShowcase::FormCreate);
    });
    return true;
}();

}  // namespace

TEST(Showcase, EveryControlStandsOnTheFormInAWindowOfItsOwnClassAndIsPhotographed) {
    TfrmShowcase* form = nullptr;
    Application->CreateForm(form);
    form->Show();
    ASSERT_TRUE(PumpUntil([&] { return form->Active(); }));
    PumpFor(300);

    // Each of them as the description names it, of the class that the skin library looks for.
    const std::vector<std::pair<TControl*, std::string>> controls = {
        {form->tlbMain, "TToolBar"},     {form->btnOpen, "TToolButton"},  {form->lblEdit, "TLabel"},
        {form->edtCommand, "TEdit"},     {form->udNumber, "TUpDown"},     {form->memLog, "TMemo"},
        {form->redHex, "TRichEdit"},     {form->cbxCommand, "TComboBox"}, {form->lbxPorts, "TListBox"},
        {form->sbrLevel, "TScrollBar"},  {form->btnSend, "TButton"},      {form->bbnOK, "TBitBtn"},
        {form->spbSend, "TSpeedButton"}, {form->chkEcho, "TCheckBox"},    {form->rbtHex, "TRadioButton"},
        {form->grbLine, "TGroupBox"},    {form->pnlStatus, "TPanel"},     {form->bvlFrame, "TBevel"},
        {form->shpLamp, "TShape"},       {form->imgSunset, "TImage"},     {form->pgcOptions, "TPageControl"},
        {form->tshButtons, "TTabSheet"}, {form->tbcLogs, "TTabControl"},  {form->lvwButtons, "TListView"},
        {form->tvwPorts, "TTreeView"},   {form->sgdCells, "TStringGrid"}, {form->stbMain, "TStatusBar"},
    };
    for (auto& [control, cls] : controls) {
        SCOPED_TRACE(cls);
        ASSERT_NE(control, nullptr);
        EXPECT_STREQ(control->ClassName(), cls.c_str());
        EXPECT_TRUE(control->Visible());
        auto* windowed = dynamic_cast<TWinControl*>(control);
        if (!windowed)
            continue;
        ASSERT_TRUE(windowed->HandleAllocated());
        wchar_t windowClass[64] = {};
        GetClassNameW(windowed->Handle(), windowClass, 64);
        EXPECT_EQ(WideToAnsi(windowClass), cls);
        EXPECT_TRUE(IsWindowVisible(windowed->Handle()));
        // Nothing covers it: at its middle its parent finds this window first.
        TPoint middle = windowed->ClientToScreen(TPoint(windowed->ClientWidth() / 2, windowed->ClientHeight() / 2));
        TWinControl* parent = windowed->Parent();
        TPoint there = parent->ScreenToClient(middle);
        EXPECT_EQ(ChildWindowFromPointEx(parent->Handle(), there, CWP_SKIPINVISIBLE), windowed->Handle());
    }
    // The windowless ones are their parents' at their middle.
    for (TControl* control :
         std::vector<TControl*>{form->lblEdit, form->bvlFrame, form->shpLamp, form->imgSunset, form->spbSend}) {
        TPoint middle(control->Left() + control->Width() / 2, control->Top() + control->Height() / 2);
        EXPECT_EQ(control->Parent()->ControlAtPos(middle, true), control) << control->Name();
    }
    // The texts the description gave, read back from the windows themselves.
    EXPECT_EQ(WindowText(form->edtCommand->Handle()), "AT+CSQ");
    EXPECT_EQ(WindowText(form->cbxCommand->Handle()), "Combo box");
    EXPECT_EQ(SendMessageW(form->cbxCommand->Handle(), CB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(WindowText(form->btnSend->Handle()), "Button");
    EXPECT_EQ(WindowText(form->bbnOK->Handle()), "OK");
    EXPECT_EQ(form->bbnOK->Kind(), bkOK);
    EXPECT_EQ(form->bbnOK->ModalResult(), mrOk);
    EXPECT_EQ(form->bbnOK->Glyph()->Width(), 16);
    EXPECT_EQ(WindowText(form->grbLine->Handle()), "Group box");
    EXPECT_EQ(WindowText(form->pnlStatus->Handle()), "Panel");
    EXPECT_EQ(SendMessageW(form->chkEcho->Handle(), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageW(form->lbxPorts->Handle(), LB_GETCOUNT, 0, 0), 3);
    {
        wchar_t line[32] = {};
        line[0] = 32;  // EM_GETLINE takes the room in its first character
        LRESULT n = SendMessageW(form->memLog->Handle(), EM_GETLINE, 1, reinterpret_cast<LPARAM>(line));
        EXPECT_EQ(WideToAnsi(std::wstring(line, static_cast<size_t>(n))), "Memo line two");
    }
    EXPECT_EQ(SendMessageW(form->udNumber->Handle(), UDM_GETPOS32, 0, 0), 3);
    EXPECT_EQ(GetScrollPos(form->sbrLevel->Handle(), SB_CTL), 30);
    EXPECT_EQ(SendMessageW(form->tlbMain->Handle(), TB_BUTTONCOUNT, 0, 0), 4);
    TBBUTTON echo{};
    SendMessageW(form->tlbMain->Handle(), TB_GETBUTTON, 3, reinterpret_cast<LPARAM>(&echo));
    EXPECT_TRUE(echo.fsState & TBSTATE_CHECKED);
    EXPECT_EQ(SendMessageW(form->pgcOptions->Handle(), TCM_GETITEMCOUNT, 0, 0), 2);
    EXPECT_EQ(SendMessageW(form->tbcLogs->Handle(), TCM_GETITEMCOUNT, 0, 0), 3);
    {
        wchar_t text[64] = {};
        SendMessageW(form->stbMain->Handle(), SB_GETTEXTW, 1, reinterpret_cast<LPARAM>(text));
        EXPECT_EQ(WideToAnsi(text), "second panel");
        LVITEMW item{};
        item.iSubItem = 1;
        item.pszText = text;
        item.cchTextMax = 64;
        SendMessageW(form->lvwButtons->Handle(), LVM_GETITEMTEXTW, 2, reinterpret_cast<LPARAM>(&item));
        EXPECT_EQ(WideToAnsi(text), "AT+CMGS=\"+4912345\"");
        EXPECT_EQ(SendMessageW(form->lvwButtons->Handle(), LVM_GETITEMSTATE, 0, LVIS_STATEIMAGEMASK),
                  INDEXTOSTATEIMAGEMASK(2));
    }
    EXPECT_EQ(form->tvwPorts->Items()->Count(), 7);
    EXPECT_TRUE(form->tvwPorts->Items()->GetFirstNode()->Expanded());
    EXPECT_EQ(form->sgdCells->Cells(1, 2), "8");

    // A photograph for people to look at.
    std::string shot = TestEnvDir() + "/showcase.png";
    EXPECT_EQ(RunUnixScript("import -display \"$DISPLAY\" -window root '" + shot + "'"), 0);
    form->Free();
}
