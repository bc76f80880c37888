#pragma once
// Adapters of tab controls and page controls: the body painted with the page section of the tab position, every
// tab with the tab section of its side (or a button section for button-style tabs), the selected tab last and
// raised; the up-down arrows of overflowing tabs get a spin adapter, and the pages of a page control are painted
// with the control's background.
#include "acCtrlGeometry.h"
#include "acPanelWnds.h"
#include "acSBUtils.h"

class TacTabControlWnd : public TacMainWnd {
    CLASS_INFO(TacTabControlWnd, TacMainWnd)
public:
    void WndProc(TMessage& Message) override;
    // The display area (TCM_ADJUSTRECT), two pixels lower at its top.
    virtual void DisplayRect(TRect& R);
    // The part of the control that the page section covers.
    virtual void PageRect(TRect& R);

    TacTabPosition Position() const;
    // The rectangle a tab is painted in; empty for an index outside the tabs or without a selected tab.
    TRect TabRect(int Index, bool Active);
    int TabRow(int Index);
    TRect TabsBand();
    // The adapter of the up-down arrows, nil when the tabs fit.
    TacSpinWnd* SpinWnd() const { return FSpinWnd.get(); }
    void UpdateSpin();

protected:
    void PaintTabControl(TMessage& Message);
    // The picture was painted while the background was erased.
    bool FErased = false;

private:
    void PaintTabs(const TCacheInfo& Parent);
    void PaintActiveTab(int Index, int State, HDC DC);
    void DrawTab(int Index, int State, const TPoint& Offset, TBitmap* Target);
    int TabCount() const;
    int Selected() const;
    void DrawVerticalText(TCanvas* Canvas, const std::wstring& Text, TRect T, int SectionIndex, int State,
                          HIMAGELIST Images, int Image, bool Active);

    TacAdapterPtr<TacSpinWnd> FSpinWnd;
    HWND FSpinHandle = nullptr;
};

class TacPageControlWnd : public TacTabControlWnd {
    CLASS_INFO(TacPageControlWnd, TacTabControlWnd)
public:
    ~TacPageControlWnd() override;
    void WndProc(TMessage& Message) override;
    // Gives every direct child window that is not skinned yet a page adapter.
    void AddPages();
};

// A page of a page control: painted with the control's background under it.
class TacPageWnd : public TacMainWnd {
    CLASS_INFO(TacPageWnd, TacMainWnd)
public:
    void WndProc(TMessage& Message) override;

private:
    void PaintPage(HDC DC);
};

// The page adapters made for the children of Control that are still alive (for tests and diagnostics).
int PageAdapterCount(HWND Control);
