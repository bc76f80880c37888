#pragma once
// The frame adapter: a component dropped on a frame that paints the frame's background from the skin (section
// "GROUPBOX" unless another is set) through a cache bitmap over its parent's background, passes the skin commands
// on to the frame's children, puts the frame's popup menus into the skinned menus and gives the frame skinned
// scroll bars. It takes the frame's WindowProc over and gives it back when it goes.
#include "skin/adapters/acScrollBars.h"
#include "skin/adapters/acSBUtils.h"
#include "skin/engine/sCommonData.h"

#include "classlib/runtime/Component.h"
#include "classlib/visual/Controls.h"
#include "classlib/visual/Forms.h"

#include <memory>

class TsFrameAdapter : public TComponent {
    CLASS_INFO(TsFrameAdapter, TComponent)
public:
    // On a frame the adapter hooks it at once; on anything else it shows an error and stays inert.
    explicit TsFrameAdapter(TComponent* AOwner);
    // Frees the scroll adapter first, then gives the frame its previous WindowProc back.
    ~TsFrameAdapter() override;
    TsFrameAdapter(const TsFrameAdapter&) = delete;
    TsFrameAdapter& operator=(const TsFrameAdapter&) = delete;

    // Reads the indexes once the frame answers as skinned, and hooks the frame's popup menus.
    void AfterConstruction();
    void Loaded() override;

    TsCommonData* SkinData() const { return FSkinData.get(); }
    // The frame, nil when the adapter was not placed on one.
    TCustomFrame* Frame() const { return FFrame; }
    // The skinned scroll bars of the frame, nil while the system's bars serve.
    TacScrollWnd* ScrollAdapter() const { return FScrollAdapter.get(); }
    // True while the adapter's procedure stands in the frame's WindowProc chain.
    bool Hooked() const { return FHook.Installed(); }

    // Skinned bars while the skin data is skinned, the system's flat bars otherwise.
    void InitScrollBars();
    // For an adapter that a form's control adapter list made: the list hands the frame back when it goes
    // (Unhook: the skin's work is undone and the frame's WindowProc is its own again) and hooks it again when it
    // adapts the form anew (Rehook).
    bool MadeForList = false;
    void Unhook();
    void Rehook();
    // The frame's window procedure while adapted.
    void NewWndProc(TMessage& Message);

private:
    bool Designing() const;
    void OldWndProc(TMessage& Message) { FHook.CallPrevious(Message); }
    // Hands the frame's popup menus to (or takes them from) the manager's skinned menus.
    void HookPopups(bool Skinned);
    // What the removal of the skin undoes: the skinned bars, the popup menus, the section's indexes.
    void SkinRemoved(TMessage* Message);
    // Gives the frame its own opaque-painting state back, which the bars' adapter changed.
    void RestoreOpaque();
    void HandlePaint(HDC DC);
    void PaintFrame(HDC DC);
    void PrepareFrameCache();
    // Tells the frame's children that the background under them moved.
    void TellChildrenBGChanged();
    // The frame is repainted with its children.
    void RedrawFrame();

    std::unique_ptr<TsCommonData> FSkinData;
    TCustomFrame* FFrame = nullptr;
    TWindowProcHook FHook;
    TacAdapterPtr<TacScrollWnd> FScrollAdapter;
    // The frame paints its own background (opaque) by itself, not because an adapter of its window said so.
    bool FFrameOpaque = false;
};

// Gives Frame a TsFrameAdapter (owned by the frame) with that section, unless it answers as skinned already; a
// frame that keeps an adapter from an earlier list gets that one hooked again.
void MakeFrameAdapter(TWinControl* Frame, const std::string& Section);
// Unhooks the list-made adapters of the frames among Parent's controls (at any depth).
void ReleaseFrameAdapters(TWinControl* Parent);
