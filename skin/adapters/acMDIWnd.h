#pragma once
// The MDI client adapter: paints the client area of an MDI main form and its edge from the form's skinned frame
// picture, keeps the client's skinned bars in step with its children and freezes the client's drawing during
// scroll steps.
#include <vector>

#include "acEditWnd.h"

class TCustomForm;

// What the MDI client adapter needs of the skinning of its MDI main form (the form's skin provider implements it).
class TacMDIFormSkinning {
public:
    virtual ~TacMDIFormSkinning() = default;
    virtual TCustomForm* Form() = 0;
    // The provider's skin data: its cache bitmap holds the painted form window.
    virtual TsCommonData* FormSkinData() = 0;
    // The frame must be composed again; the hot title element is forgotten.
    virtual void SetFrameChanged() = 0;
    virtual void ResetHotTitleElement() = 0;
    // The MDI form's frame repainted; the title buttons of a maximized child and the menu line refreshed.
    virtual void RepaintMDIFrame() = 0;
    virtual void RefreshMDITitleButtons() = 0;
    virtual void RefreshMenuLine() = 0;
    // True while the provider paints the form itself.
    virtual bool InOwnPaint() = 0;
    // Composes the form's picture in the cache when it is missing or its background changed.
    virtual void PrepareFormCache() = 0;
    // The form's colour where it has no picture.
    virtual TColor FormColor() = 0;
    // The form's own controls that cover the client while the active child is maximized.
    virtual std::vector<TControl*> CoveringControls() = 0;
};

// Library-wide switches of the MDI client painting (the client area, and its edge and bars); both on by default.
extern bool acMDIPaintClient;
extern bool acMDIPaintEdge;

class TacMDIWnd : public TacBaseWnd {
    CLASS_INFO(TacMDIWnd, TacBaseWnd)
public:
    ~TacMDIWnd() override;
    // Hooks the client window of the provider's form; the skin data is the provider's.
    static TacAdapterPtr<TacMDIWnd> CreateForForm(TacMDIFormSkinning* Provider, HWND ClientHandle, bool Repaint);
    void WndProc(TMessage& Message) override;

    TCustomForm* Form = nullptr;
    TsCommonData* FormSkinData = nullptr;
    TacMDIFormSkinning* Provider = nullptr;

    // The client area into DC (client coordinates), from the form's picture or in the form's colour.
    void PaintClientArea(HDC DC);
    // The 2-pixel client edge into a window DC.
    void PaintClientEdge(HDC DC);

private:
    bool PaintsMDI() const;
    bool ActiveChildMaximized() const;
    // The form paints its background under each control that covers the client, and the control repaints.
    void RepaintCoveringControls();
    // Where the client window lies in the form's window.
    TPoint ClientOffsetInForm() const;
};
