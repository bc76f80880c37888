#pragma once
// The combo-box adapters: the combo's frame, text and drop button painted with the skin ("COMBOBOX" and
// "COMBOBTN"), and its drop list, which gets an adapter of its own the first time the combo colours it.
#include <memory>

#include "acEditWnd.h"

class TacComboListWnd;

// Library-wide: the list of a drop-down combo (one with an edit field) is open.
extern bool acComboDroppedDown;

// A combo box: frame from the cache, the selected text of a drop-down list, and the skinned drop button.
class TacComboBoxWnd : public TacEditWnd {
    CLASS_INFO(TacComboBoxWnd, TacEditWnd)
public:
    TacComboBoxWnd();
    ~TacComboBoxWnd() override;
    void Init(HWND AHandle, TsCommonData* ASkinData, TsSkinManager* ASkinManager, const std::string& SkinSection,
              bool Repaint) override;
    void WndProc(TMessage& Message) override;
    // The drop button in window coordinates: a scroll bar wide at the right edge (the left one for right-to-left
    // reading), 2 pixels inside the frame; no width for a simple combo.
    virtual void ButtonRect(TRect& R);

    // The drop list, learned from its first WM_CTLCOLORLISTBOX, and its adapter.
    HWND ListHandle = nullptr;
    std::unique_ptr<TsCommonData> BtnSkinData;
    TacAdapterPtr<TacComboListWnd> ListAdapter;

    // 2 while the list is dropped, 1 while the combo is active or under the mouse, else 0.
    int ButtonState() const;
    // The combo's whole picture into DC (window coordinates): frame, text of a drop-down list and button. Only the
    // frame strips and the button for a combo with an edit field, which paints itself.
    void PaintCombo(HDC DC);

private:
    int Style() const;
    // The text of the selected item, or the window's text without a selection; Unicode throughout.
    std::wstring SelectedText() const;
    void PaintText(TBitmap* Cache);
    void PaintButton(TBitmap* Cache);
    void PaintSimpleFrame(TBitmap* Cache);
    // Frame and button on the screen again.
    void RepaintCombo();
    HBRUSH FListBrush = nullptr;
    TColor FListBrushColor = clNone;
    bool FLeaveTracked = false;
};

// The drop list of a combo box (or the list of a simple combo): a plain frame and the skinned bars.
class TacComboListWnd : public TacEditWnd {
    CLASS_INFO(TacComboListWnd, TacEditWnd)
public:
    void Init(HWND AHandle, TsCommonData* ASkinData, TsSkinManager* ASkinManager, const std::string& SkinSection,
              bool Repaint) override;
    void WndProc(TMessage& Message) override;

    // The list tracks the mouse while it is dropped (its own messages $1AE and $1AF say so).
    bool Tracking = false;
    // The list belongs to a simple combo.
    bool Captured = false;

protected:
    // A dropped list holds the capture for its combo, which closes it by a click outside; only a simple combo's
    // list gives it up after a press on its bars.
    bool ReleasesCaptureAfterPress() const override { return Captured; }

private:
    void PrepareListCache();
    // A simple combo's picture in the gap between its list and its bottom edge.
    void PaintParentStripUnder();
};

// The combo adapter of the manager's second combo list: a drop button only where the control has one.
class TacWWComboBoxWnd : public TacComboBoxWnd {
    CLASS_INFO(TacWWComboBoxWnd, TacComboBoxWnd)
public:
    // Made on AControl's window; a "TComboBox" of simple style has no button.
    static TacAdapterPtr<TacWWComboBoxWnd> CreateForControl(TWinControl* AControl, TsCommonData* ASkinData,
                                                            TsSkinManager* ASkinManager, const std::string& SkinSection,
                                                            bool Repaint);
    void ButtonRect(TRect& R) override;
    bool HasButton = true;
};
