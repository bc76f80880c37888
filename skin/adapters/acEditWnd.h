#pragma once
// The adapters of scrolling content controls: TacBaseWnd (a skinned border, bars repainted after size and scroll
// changes) and TacEditWnd (edits, memos and list boxes: frame and background from the skin, the skin's colours
// given to the control and taken back) with its variants for grids, tree views and other makers' virtual trees.
// List views and combo boxes have units of their own.
#include <any>
#include <memory>
#include <string>
#include <vector>

#include "acSBUtils.h"
#include "acScrollBars.h"

// Painting of one control's scrolling content through the scroll adapter.
class TacBaseWnd : public TacScrollWnd {
    CLASS_INFO(TacBaseWnd, TacScrollWnd)
public:
    void WndProc(TMessage& Message) override;

protected:
    // True when the adapter paints: not given back yet and the skin data is skinned by an active manager.
    bool PaintsSkinned() const;
    // Re-reads both bars and paints them.
    void RepaintBars();
    // Sends WM_NCPAINT when the window is visible.
    void RepaintFrame();
    // The forms are held for a skin change (their new look fades in when they are let go).
    static bool FormsLocked();
    // DC is the one the fade's pictures are painted into.
    static bool IsPrintDC(HDC DC);
};

// Edits, memos, rich edits and list boxes: the frame from the cache bitmap, the skin's colours in the control.
class TacEditWnd : public TacBaseWnd {
    CLASS_INFO(TacEditWnd, TacBaseWnd)
public:
    void Init(HWND AHandle, TsCommonData* ASkinData, TsSkinManager* ASkinManager, const std::string& SkinSection,
              bool Repaint) override;
    void SaveStdParams() override;
    void RestoreStdParams() override;
    void SetSkinParams() override;
    void WndProc(TMessage& Message) override;

    // The colour of a bare window without an owner control: the section's, or clWindow in dialog mode or without
    // a section of the skin.
    TColor BGColor = clWindow;
    // The pen of the plain frame that the drop list draws; SetSkinParams resets it to black.
    TColor FrameColor = 0;

protected:
    // The width of the window's own border (the non-client area less the bars).
    int BorderWidth() const;
    // The picture of the window into DC (WM_PRINT): the frame from the cache, the bars, then the client as the
    // control prints it, shifted inside the frame.
    virtual void PrintWindow(HDC DC);
    // Copies the frame strips of the cache into DC and paints the bars there.
    void PaintFrameTo(HDC DC);
    // The section's colours as the skin has them, nil without a section.
    const TsGeneralData* Section() const;
    // The whole frame and background repaint, in the order the skin commands ask for it.
    void PrepareCache(bool SolidBG, bool WithParentBG);

private:
    // Painting held back while the forms are locked comes once they are let go, by a message the window posts
    // itself (the lock ends inside a call, before the message loop runs again).
    void RepaintAfterLock();
    bool FRepaintPosted = false;
};

// The class library's grids and other makers' grids: their colours by published name.
class TacGridWnd : public TacEditWnd {
    CLASS_INFO(TacGridWnd, TacEditWnd)
public:
    void SaveStdParams() override;
    void RestoreStdParams() override;
    void SetSkinParams() override;
    void WndProc(TMessage& Message) override;

protected:
    TPersistent* Grid() const;
    struct Saved {
        bool Has = false;
        TColor Value = 0;
    };
    Saved FixedColor, FixedFont, FooterColor, FooterCellColor, TitleFont, TitleColor, IndicatorIconColor;
};

// Another maker's grid that needs nothing beyond TacGridWnd.
class TacGridEhWnd : public TacGridWnd {
    CLASS_INFO(TacGridEhWnd, TacGridWnd)
public:
    void WndProc(TMessage& Message) override { TacGridWnd::WndProc(Message); }
};

// Tree views: the background colour set through the tree's own message.
class TacTreeViewWnd : public TacEditWnd {
    CLASS_INFO(TacTreeViewWnd, TacEditWnd)
public:
    void RestoreStdParams() override;
    void SetSkinParams() override;
    void WndProc(TMessage& Message) override;
};

// What the header painter of a virtual tree gets: the cell's device context and rectangle, its column text, font
// and sort direction (0 none, 1 ascending, 2 descending), and whether it is hot or pressed. Elements answers the
// query of which parts the painter draws.
struct TacHeaderPaintInfo {
    HDC DC = nullptr;
    TRect R;
    std::string Text;
    TFont* Font = nullptr;
    int SortDirection = 0;
    bool Hot = false;
    bool Pressed = false;
    int Elements = 0;
};
// The events of a virtual tree's header that the adapter takes over.
using TacAdvancedHeaderDrawEvent = std::function<void(TObject* Sender, TacHeaderPaintInfo& PaintInfo)>;
using TacHeaderDrawQueryElementsEvent = std::function<void(TObject* Sender, TacHeaderPaintInfo& PaintInfo)>;
// The header elements the adapter draws: background, frame, text and sort glyph.
constexpr int acHeaderElements = 27;

// Another maker's virtual tree: its colours and header painting by published name.
class TacVirtualTreeViewWnd : public TacEditWnd {
    CLASS_INFO(TacVirtualTreeViewWnd, TacEditWnd)
public:
    TacVirtualTreeViewWnd();
    ~TacVirtualTreeViewWnd() override;
    void SaveStdParams() override;
    void RestoreStdParams() override;
    void SetSkinParams() override;
    void WndProc(TMessage& Message) override;

    // The adapter's header painter and its answer to the element query.
    void PaintHeaderCell(TObject* Sender, TacHeaderPaintInfo& PaintInfo);

protected:
    TPersistent* Tree() const;
    TColor CompressedTextColor = 0, FileTextColor = 0, FolderTextColor = 0;
    bool HasVETColors = false;
    bool HeaderOwnerDraw = false;
    bool HeaderDrawInstalled = false, QueryInstalled = false;

private:
    // The header events and owner-draw option back as the tree had them.
    void GiveBackHeaderEvents(TPersistent* Tree);
    // The adapter as its header painter reaches it; nil once the adapter is gone.
    std::shared_ptr<TacVirtualTreeViewWnd*> FSelf;
    // The tree that holds the adapter's header events.
    TPersistent* FEventTree = nullptr;
};
