#pragma once
// The standard controls: edits, memos, combo and list boxes, buttons, check boxes, radio buttons, group boxes,
// labels and scroll bars, each a system control window under the class library's class name.
#include "Controls.h"
#include "Forms.h"
#include "classlib/runtime/Lists.h"
#include "Menus.h"

#include <functional>
#include <memory>
#include <string>

enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TLeftRight { lrLeft = 0, lrRight = 1 };
enum TTextLayout { tlTop, tlCenter, tlBottom };
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
enum TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };

using TDrawItemEvent = std::function<void(TWinControl* Control, int Index, TRect Rect, TOwnerDrawState State)>;
using TMeasureItemEvent = std::function<void(TWinControl* Control, int Index, int& Height)>;

// Turns the common controls of one kind on (InitCommonControlsEx), once per kind.
void InitCommonControl(DWORD Classes);


// --- edits ---

// A single-line edit (the system's EDIT control).
class TCustomEdit : public TWinControl {
    CLASS_INFO(TCustomEdit, TWinControl)
public:
    explicit TCustomEdit(TComponent* AOwner);

    bool AutoSelect() const { return FAutoSelect; }
    void SetAutoSelect(bool Value) { FAutoSelect = Value; }
    // The height follows the font while set (single-bordered edits only).
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value);
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle Value);
    TEditCharCase CharCase() const { return FCharCase; }
    void SetCharCase(TEditCharCase Value);
    bool HideSelection() const { return FHideSelection; }
    void SetHideSelection(bool Value);
    // 0: as much text as the system allows (not the 30000 characters of a bare memo).
    int MaxLength() const { return FMaxLength; }
    void SetMaxLength(int Value);
    bool Modified() const;
    void SetModified(bool Value);
    char PasswordChar() const { return FPasswordChar; }
    void SetPasswordChar(char Value);
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);

    // The selection, in characters.
    int SelStart();
    void SetSelStart(int Value);
    int SelLength();
    void SetSelLength(int Value);
    virtual std::string SelText();
    // Replaces the selection (inserts at the caret without one).
    void SetSelText(const std::string& Value);
    void SelectAll();
    void ClearSelection();
    void Clear();
    void CopyToClipboard();
    void CutToClipboard();
    void PasteFromClipboard();
    bool CanUndo();
    void Undo();

    void Dispatch(TMessage& Message) override;
    TNotifyEvent OnChange;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    virtual void Change();
    void AdjustHeight();

    bool FAutoSelect = true;
    bool FAutoSize = true;
    TBorderStyle FBorderStyle = bsSingle;
    TEditCharCase FCharCase = ecNormal;
    bool FHideSelection = true;
    int FMaxLength = 0;
    char FPasswordChar = 0;
    bool FReadOnly = false;
    TAlignment FAlignment = taLeftJustify;
    bool FModifiedSaved = false;
    bool FCreating = false;
};

class TEdit : public TCustomEdit {
    CLASS_INFO(TEdit, TCustomEdit)
public:
    using TCustomEdit::TCustomEdit;
};

class TCustomMemo;

// The lines of a memo, read and written through the edit control (or its text while it has no window). The
// count leaves out the empty line after a final line break, as the class library counts.
class TMemoStrings : public TStrings {
    CLASS_INFO(TMemoStrings, TStrings)
public:
    explicit TMemoStrings(TCustomMemo* Memo) : FMemo(Memo) {}
    void Clear() override;
    void Delete(int Index) override;
    void Insert(int Index, const std::string& S) override;

protected:
    std::string Get(int Index) const override;
    void Put(int Index, const std::string& S) override;
    int GetCount() const override;
    std::string GetTextStr() const override;
    void SetTextStr(const std::string& Value) override;
    void SetUpdateState(bool Updating) override;

private:
    HWND Window() const;
    TCustomMemo* FMemo;
};

// A multi-line edit with its text as lines.
class TCustomMemo : public TCustomEdit {
    CLASS_INFO(TCustomMemo, TCustomEdit)
public:
    explicit TCustomMemo(TComponent* AOwner);
    ~TCustomMemo() override;

    TStrings* Lines() const { return FLines.get(); }
    void SetLines(TStrings* Value) { FLines->Assign(Value); }
    TScrollStyle ScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle Value);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool Value);
    bool WantReturns() const { return FWantReturns; }
    void SetWantReturns(bool Value) { FWantReturns = Value; }
    bool WantTabs() const { return FWantTabs; }
    void SetWantTabs(bool Value) { FWantTabs = Value; }
    // The caret position as column and line.
    TPoint CaretPos();
    void Dispatch(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    // A derived memo may put a line list of its own over the same window.
    std::unique_ptr<TMemoStrings> FLines;

private:
    TScrollStyle FScrollBars = ssNone;
    bool FWordWrap = true;
    bool FWantReturns = true;
    bool FWantTabs = false;
};

class TMemo : public TCustomMemo {
    CLASS_INFO(TMemo, TCustomMemo)
public:
    using TCustomMemo::TCustomMemo;
};

// --- combo and list boxes ---

class TItemListControl;

// The items of a combo or list box: the system's list while the control has a window, a string list before.
class TItemStrings : public TStrings {
    CLASS_INFO(TItemStrings, TStrings)
public:
    // The messages of one kind of list (CB_ or LB_).
    struct TMessages {
        UINT Count, TextLen, Text, Add, Insert, Delete, Reset, GetData, SetData;
        LRESULT Error, ErrorSpace;
    };
    TItemStrings(TItemListControl* Control, const TMessages& Messages);
    int Add(const std::string& S) override;
    void Clear() override;
    void Delete(int Index) override;
    void Insert(int Index, const std::string& S) override;
    // The list kept while the control has no window.
    TStringList* Saved() const { return FSaved.get(); }

protected:
    std::string Get(int Index) const override;
    TObject* GetObject(int Index) const override;
    void PutObject(int Index, TObject* AObject) override;
    int GetCount() const override;
    void SetUpdateState(bool Updating) override;

private:
    HWND Window() const;
    void Check(LRESULT result) const;
    TItemListControl* FControl;
    TMessages FMessages;
    std::unique_ptr<TStringList> FSaved;
};

// What combo and list boxes share: their items, kept across a new window, and the item index.
class TItemListControl : public TWinControl {
    CLASS_INFO(TItemListControl, TWinControl)
public:
    TItemListControl(TComponent* AOwner, const TItemStrings::TMessages& Messages);
    ~TItemListControl() override;
    TStrings* Items() const { return FItems.get(); }
    void SetItems(TStrings* Value) { FItems->Assign(Value); }
    // -1 when no item is selected.
    virtual int ItemIndex() const = 0;
    virtual void SetItemIndex(int Value) = 0;
    bool Sorted() const { return FSorted; }
    void SetSorted(bool Value);
    int ItemHeight() const { return FItemHeight; }
    void SetItemHeight(int Value);

    TDrawItemEvent OnDrawItem;
    TMeasureItemEvent OnMeasureItem;

protected:
    friend class TItemStrings;
    void CreateWnd() override;
    void DestroyWnd() override;
    // Paints one owner-drawn item: OnDrawItem, or the text on the highlight or window colour.
    virtual void DrawItem(int Index, TRect Rect, TOwnerDrawState State);
    virtual void MeasureItem(int Index, int& Height);
    void CNDrawItem(TMessage& Message);
    void CNMeasureItem(TMessage& Message);
    std::unique_ptr<TItemStrings> FItems;
    bool FSorted = false;
    int FItemHeight = 16;
    int FSavedIndex = -1;
    TCanvas FCanvas;
};

enum TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };

// A combo box: an edit (or a fixed text) with a list. Keys and double clicks in its edit reach the combo box's
// own events; OnChange follows the edit's text and the chosen item.
class TCustomComboBox : public TItemListControl {
    CLASS_INFO(TCustomComboBox, TItemListControl)
public:
    explicit TCustomComboBox(TComponent* AOwner);
    ~TCustomComboBox() override;

    TComboBoxStyle Style() const { return FStyle; }
    void SetStyle(TComboBoxStyle Value);
    int ItemIndex() const override;
    void SetItemIndex(int Value) override;
    // How many items the open list shows.
    int DropDownCount() const { return FDropDownCount; }
    void SetDropDownCount(int Value);
    int MaxLength() const { return FMaxLength; }
    void SetMaxLength(int Value);
    TEditCharCase CharCase() const { return FCharCase; }
    void SetCharCase(TEditCharCase Value);
    bool DroppedDown();
    void SetDroppedDown(bool Value);
    int SelStart();
    void SetSelStart(int Value);
    int SelLength();
    void SetSelLength(int Value);
    std::string SelText();
    void SetSelText(const std::string& Value);
    void SelectAll();
    // The edit inside a combo box with one, else 0.
    HWND EditHandle() const { return FEditHandle; }
    HWND ListHandle() const { return FListHandle; }
    bool Focused() const override;
    void Dispatch(TMessage& Message) override;

    TNotifyEvent OnChange;
    TNotifyEvent OnSelect;
    TNotifyEvent OnDropDown;
    TNotifyEvent OnCloseUp;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void DestroyWindowHandle() override;
    virtual void Change();
    virtual void Select();
    virtual void DropDown();
    virtual void CloseUp();
    void AdjustDropDown();
    // A message of the edit inside: keys go through the combo box's key handling, a double click is the combo
    // box's, the focus is the combo box's.
    void EditWndProc(HWND Window, TMessage& Message);

private:
    friend LRESULT CALLBACK ComboEditProc(HWND, UINT, WPARAM, LPARAM);
    void HookEdit();
    void UnhookEdit();
    TComboBoxStyle FStyle = csDropDown;
    int FDropDownCount = 8;
    int FMaxLength = 0;
    TEditCharCase FCharCase = ecNormal;
    HWND FEditHandle = nullptr;
    HWND FListHandle = nullptr;
    WNDPROC FEditDefProc = nullptr;
    std::string FSavedText;
};

class TComboBox : public TCustomComboBox {
    CLASS_INFO(TComboBox, TCustomComboBox)
public:
    using TCustomComboBox::TCustomComboBox;
};

enum TListBoxStyle { lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable };

// A list of strings to choose one (or, with MultiSelect, several) from.
class TCustomListBox : public TItemListControl {
    CLASS_INFO(TCustomListBox, TItemListControl)
public:
    explicit TCustomListBox(TComponent* AOwner);
    int ItemIndex() const override;
    void SetItemIndex(int Value) override;
    bool MultiSelect() const { return FMultiSelect; }
    void SetMultiSelect(bool Value);
    bool Selected(int Index) const;
    void SetSelected(int Index, bool Value);
    int SelCount() const;
    TListBoxStyle Style() const { return FStyle; }
    void SetStyle(TListBoxStyle Value);
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle Value);
    int TopIndex() const;
    void SetTopIndex(int Value);
    bool IntegralHeight() const { return FIntegralHeight; }
    void SetIntegralHeight(bool Value);
    // The item at a client point, or -1 (with Existing) where there is none.
    int ItemAtPos(TPoint Pos, bool Existing) const;
    TRect ItemRect(int Index) const;
    void Clear() { FItems->Clear(); }
    void Dispatch(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;

private:
    bool FMultiSelect = false;
    TListBoxStyle FStyle = lbStandard;
    TBorderStyle FBorderStyle = bsSingle;
    bool FIntegralHeight = false;
};

class TListBox : public TCustomListBox {
    CLASS_INFO(TListBox, TCustomListBox)
public:
    using TCustomListBox::TCustomListBox;
};

// --- buttons ---

// What buttons, check boxes and radio buttons share: a BUTTON window clicked through its notification.
class TButtonControl : public TWinControl {
    CLASS_INFO(TButtonControl, TWinControl)
public:
    explicit TButtonControl(TComponent* AOwner);
    void Dispatch(TMessage& Message) override;

protected:
    // A click of the window (BN_CLICKED); buttons click, check boxes toggle.
    virtual void ButtonClicked() { Click(); }
    // Set while a change of state made by the program must not click (the class library's ClicksDisabled).
    bool FClicksDisabled = false;
};

// A push button; the Default one is pressed by Enter and the Cancel one by Esc. A click sets the form's
// ModalResult from the button's.
class TButton : public TButtonControl {
    CLASS_INFO(TButton, TButtonControl)
public:
    explicit TButton(TComponent* AOwner);
    bool Default() const { return FDefault; }
    void SetDefault(bool Value);
    bool Cancel() const { return FCancel; }
    void SetCancel(bool Value) { FCancel = Value; }
    TModalResult ModalResult() const { return FModalResult; }
    void SetModalResult(TModalResult Value) { FModalResult = Value; }
    void Click() override;
    void Dispatch(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    // Shows the button as the one Enter presses (BS_DEFPUSHBUTTON) or not.
    virtual void SetButtonStyle(bool ADefault);
    bool FActive = false;

private:
    bool FDefault = false;
    bool FCancel = false;
    TModalResult FModalResult = mrNone;
};

enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };

// A check box with two or (AllowGrayed) three states; setting State or Checked clicks it, as in the class library.
class TCustomCheckBox : public TButtonControl {
    CLASS_INFO(TCustomCheckBox, TButtonControl)
public:
    explicit TCustomCheckBox(TComponent* AOwner);
    TCheckBoxState State() const { return FState; }
    void SetState(TCheckBoxState Value);
    bool Checked() const { return FState == cbChecked; }
    void SetChecked(bool Value) { SetState(Value ? cbChecked : cbUnchecked); }
    bool AllowGrayed() const { return FAllowGrayed; }
    void SetAllowGrayed(bool Value) { FAllowGrayed = Value; }
    // taRightJustify: the text right of the box.
    TLeftRight Alignment() const { return FAlignment; }
    void SetAlignment(TLeftRight Value);

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void ButtonClicked() override { Toggle(); }
    virtual void Toggle();

private:
    TCheckBoxState FState = cbUnchecked;
    bool FAllowGrayed = false;
    TLeftRight FAlignment = lrRight;
};

class TCheckBox : public TCustomCheckBox {
    CLASS_INFO(TCheckBox, TCustomCheckBox)
public:
    using TCustomCheckBox::TCustomCheckBox;
};

// One of a group of choices: checking it unchecks the radio buttons beside it (same parent).
class TRadioButton : public TButtonControl {
    CLASS_INFO(TRadioButton, TButtonControl)
public:
    explicit TRadioButton(TComponent* AOwner);
    bool Checked() const { return FChecked; }
    void SetChecked(bool Value);
    TLeftRight Alignment() const { return FAlignment; }
    void SetAlignment(TLeftRight Value);

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void ButtonClicked() override { SetChecked(true); }

private:
    bool FChecked = false;
    TLeftRight FAlignment = lrRight;
};

// A frame with a caption around a group of controls.
class TCustomGroupBox : public TCustomControl {
    CLASS_INFO(TCustomGroupBox, TCustomControl)
public:
    explicit TCustomGroupBox(TComponent* AOwner);
    void Dispatch(TMessage& Message) override;

protected:
    void AdjustClientRect(TRect& Rect) override;
    void Paint() override;
    void CreateParams(TCreateParams& Params) override;
};

class TGroupBox : public TCustomGroupBox {
    CLASS_INFO(TGroupBox, TCustomGroupBox)
public:
    using TCustomGroupBox::TCustomGroupBox;
};

// --- labels ---

// Text painted by its parent; AutoSize fits the bounds to the text, Transparent lets the parent show through.
class TCustomLabel : public TGraphicControl {
    CLASS_INFO(TCustomLabel, TGraphicControl)
public:
    explicit TCustomLabel(TComponent* AOwner);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value);
    TTextLayout Layout() const { return FLayout; }
    void SetLayout(TTextLayout Value);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool Value);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool Value);
    bool ShowAccelChar() const { return FShowAccelChar; }
    void SetShowAccelChar(bool Value);
    // The control that its accelerator key focuses.
    TWinControl* FocusControl() const { return FFocusControl; }
    void SetFocusControl(TWinControl* Value);
    void Dispatch(TMessage& Message) override;
    void Loaded() override;

protected:
    void Paint() override;
    // Draws the caption into Rect with DrawText Flags on ACanvas (DT_CALCRECT measures).
    virtual void DoDrawText(TCanvas* ACanvas, TRect& Rect, UINT Flags);
    void AdjustBounds();
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    UINT TextFlags() const;
    TAlignment FAlignment = taLeftJustify;
    bool FAutoSize = true;
    TTextLayout FLayout = tlTop;
    bool FTransparent = false;
    bool FWordWrap = false;
    bool FShowAccelChar = true;
    TWinControl* FFocusControl = nullptr;
};

class TLabel : public TCustomLabel {
    CLASS_INFO(TLabel, TCustomLabel)
public:
    using TCustomLabel::TCustomLabel;
};

// --- scroll bars ---

enum TScrollCode { scLineUp, scLineDown, scPageUp, scPageDown, scPosition, scTrack, scTop, scBottom, scEndScroll };
using TScrollEvent = std::function<void(TObject* Sender, TScrollCode ScrollCode, int& ScrollPos)>;

// A scroll bar control with its range, position and steps.
class TScrollBar : public TWinControl {
    CLASS_INFO(TScrollBar, TWinControl)
public:
    explicit TScrollBar(TComponent* AOwner);
    TScrollBarKind Kind() const { return FKind; }
    void SetKind(TScrollBarKind Value);
    int Min() const { return FMin; }
    int Max() const { return FMax; }
    int Position() const { return FPosition; }
    // Raises EInvalidArgument for a range whose minimum lies above its maximum; the position is kept inside.
    void SetParams(int APosition, int AMin, int AMax);
    void SetMin(int Value) { SetParams(FPosition, Value, FMax); }
    void SetMax(int Value) { SetParams(FPosition, FMin, Value); }
    void SetPosition(int Value) { SetParams(Value, FMin, FMax); }
    int SmallChange() const { return FSmallChange; }
    void SetSmallChange(int Value) { FSmallChange = Value; }
    int LargeChange() const { return FLargeChange; }
    void SetLargeChange(int Value) { FLargeChange = Value; }
    int PageSize() const { return FPageSize; }
    void SetPageSize(int Value);
    void Dispatch(TMessage& Message) override;

    TNotifyEvent OnChange;
    TScrollEvent OnScroll;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    virtual void Change();
    virtual void Scroll(TScrollCode ScrollCode, int& ScrollPos);

private:
    void UpdateBar();
    void DoScroll(TMessage& Message);
    TScrollBarKind FKind = sbHorizontal;
    int FMin = 0;
    int FMax = 100;
    int FPosition = 0;
    int FSmallChange = 1;
    int FLargeChange = 1;
    int FPageSize = 0;
};
