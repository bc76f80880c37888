#include "acEditWnd.h"

#include <commctrl.h>

#include <algorithm>

#include "acAdapterSupport.h"
#include "acListViewWnd.h"
#include "acPropAccess.h"
#include "classlib/runtime/ExceptionHandler.h"
#include "classlib/runtime/Finally.h"
#include "classlib/visual/Forms.h"
#include "classlib/visual/Grids.h"
#include "classlib/visual/ListView.h"
#include "classlib/visual/TreeView.h"
#include "skin/engine/sConst.h"
#include "skin/engine/sSkinManager.h"
#include "skin/engine/sVclUtils.h"

namespace {

// A message some controls send themselves while they set up their look; it must not reach them twice.
constexpr UINT acSwallowedMessage = 0x2100;

bool IsSkinCommand(const TMessage& M, TacSkinCommand Command) {
    return M.Msg == SM_QUORVEXCMD && SkinCmdOf(M.WParam) == Command;
}

// Posted to itself by an edit whose painting was held back while the forms were locked.
UINT HeldRepaintMessage() {
    static const UINT message = RegisterWindowMessageW(L"BrimletHeldRepaint");
    return message;
}

}  // namespace

// --- TacBaseWnd ---

bool TacBaseWnd::FormsLocked() { return acAnimInProgress; }

bool TacBaseWnd::IsPrintDC(HDC DC) { return DC && DC == acPaintingDC; }

bool TacBaseWnd::PaintsSkinned() const { return !Destroyed && SkinData && SkinActive() && SkinData->Skinned(); }

void TacBaseWnd::RepaintBars() { UpdateScrolls(this, true); }

void TacBaseWnd::RepaintFrame() {
    if (IsWindowVisible(CtrlHandle)) SendMessageW(CtrlHandle, WM_NCPAINT, 0, 0);
}

void TacBaseWnd::WndProc(TMessage& Message) {
    if (!PaintsSkinned()) {
        TacScrollWnd::WndProc(Message);
        return;
    }
    if (Message.Msg == SM_QUORVEXCMD) {
        switch (SkinCmdOf(Message.WParam)) {
            case scRefresh:
                if (reinterpret_cast<TsSkinManager*>(Message.LParam) == SkinManager) {
                    TacScrollWnd::WndProc(Message);
                    RepaintFrame();
                    Message.Result = 0;
                    return;
                }
                break;
            case scRebuildCache:
                PrepareAdapterCache(SkinData, CtrlHandle, false);
                break;
            default:
                break;
        }
    } else if (Message.Msg == WM_SIZE) {
        SkinData->BGChanged = true;
    } else if (Message.Msg == WM_SETCURSOR) {
        CallPrevWndProc(Message);
        return;
    } else if (Message.Msg == acSwallowedMessage) {
        return;
    }
    TacScrollWnd::WndProc(Message);
    if (Destroyed) return;
    // The system paints its own bar whenever the control sets its scroll position: after each step the
    // skinned bars are painted again.
    if (IsSkinCommand(Message, scScrollStepEnds) && PaintsSkinned()) {
        RepaintBars();
        return;
    }
    switch (Message.Msg) {
        case WM_SIZE:
        case WM_HSCROLL:
        case WM_VSCROLL:
            if (!Scrolling) RepaintBars();
            break;
        case WM_ENABLE:
        case CM_ENABLEDCHANGED:
            RepaintFrame();
            break;
        default:
            break;
    }
}

// --- TacEditWnd ---

void TacEditWnd::Init(HWND AHandle, TsCommonData* ASkinData, TsSkinManager* ASkinManager,
                      const std::string& SkinSection, bool Repaint) {
    TacBaseWnd::Init(AHandle, ASkinData, ASkinManager, SkinSection, Repaint);
    // A list view paints its items over its own background: the class library must still erase under it.
    if (TControl* owner = SkinData ? SkinData->OwnerControl() : nullptr)
        if (dynamic_cast<TCustomListView*>(owner)) {
            TControlStyle style = owner->ControlStyle();
            style.Exclude(csOpaque);
            owner->SetControlStyle(style);
        }
}

const TsGeneralData* TacEditWnd::Section() const {
    if (!SkinData || !SkinData->SkinManager() || !SkinData->SkinManager()->IsValidSkinIndex(SkinData->SkinIndex))
        return nullptr;
    return &SkinData->SkinManager()->Sections[static_cast<size_t>(SkinData->SkinIndex)];
}

void TacEditWnd::SaveStdParams() {
    if (TControl* owner = SkinData ? SkinData->OwnerControl() : nullptr) {
        StdColor = owner->Color();
        StdFontColor = owner->Font()->Color();
    }
}

void TacEditWnd::SetSkinParams() {
    Busy = true;
    auto done = Finally([&] { Busy = false; });
    ParamsChanged = true;
    const TsGeneralData* section = Section();
    if (TControl* owner = SkinData->OwnerControl()) {
        if (section && !SkinData->CustomColor()) {
            TColor color = GetBGColor(SkinData, SkinData->ControlIsActive(), CtrlHandle);
            if (color != owner->Color()) owner->SetColor(color);
        }
        if (section && !SkinData->CustomFont() && section->HotFontColor[0] != owner->Font()->Color())
            owner->Font()->SetColor(section->HotFontColor[0]);
    } else {
        BGColor = section && !DlgMode ? section->Color : ColorToRGB(clWindow);
    }
    FrameColor = 0;
    SkinData->BGChanged = true;
}

void TacEditWnd::RestoreStdParams() {
    if (IsWindow(CtrlHandle))
        SetWindowPos(CtrlHandle, nullptr, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED | SWP_NOOWNERZORDER);
    TControl* owner = SkinData ? SkinData->OwnerControl() : nullptr;
    if (owner && !owner->Destroying() && StdColor != clNone) {
        owner->SetColor(StdColor);
        owner->Font()->SetColor(StdFontColor);
    }
}

int TacEditWnd::BorderWidth() const {
    RECT wr, cr;
    if (!GetWindowRect(CtrlHandle, &wr) || !GetClientRect(CtrlHandle, &cr)) return 0;
    POINT origin = {0, 0};
    ClientToScreen(CtrlHandle, &origin);
    int top = origin.y - wr.top;
    int left = (GetWindowLongW(CtrlHandle, GWL_EXSTYLE) & WS_EX_LEFTSCROLLBAR) ? top : origin.x - wr.left;
    return std::max(0, std::min(left, top));
}

void TacEditWnd::PrepareCache(bool SolidBG, bool WithParentBG) {
    PrepareAdapterCache(SkinData, CtrlHandle, SolidBG);
    if (WithParentBG) PaintParentBG(SkinData, 0, this);
}

void TacEditWnd::PaintFrameTo(HDC DC) {
    TBitmap* cache = SkinData->CacheBmp();
    int border = BorderWidth();
    if (cache && border > 0)
        BitBltBorder(DC, 0, 0, cache->Width(), cache->Height(), border, cache->Canvas()->Handle(), 0, 0);
    PaintScrollBars(this, CtrlHandle, DC);
}

void TacEditWnd::PrintWindow(HDC DC) {
    SkinData->Updating = false;
    SkinData->BGChanged = true;
    if (!ParamsChanged) SetSkinParams();
    PrepareCache(DlgMode, !DlgMode);
    PaintFrameTo(DC);
    TBitmap* cache = SkinData->CacheBmp();
    if (!cache) return;
    int border = BorderWidth();
    RECT cr;
    GetClientRect(CtrlHandle, &cr);
    int saved = SaveDC(DC);
    auto restore = Finally([&] { RestoreDC(DC, saved); });
    POINT org;
    GetViewportOrgEx(DC, &org);
    RECT wr;
    GetWindowRect(CtrlHandle, &wr);
    POINT origin = {0, 0};
    ClientToScreen(CtrlHandle, &origin);
    int dx = origin.x - wr.left, dy = origin.y - wr.top;
    (void)border;
    SetViewportOrgEx(DC, org.x + dx, org.y + dy, nullptr);
    IntersectClipRect(DC, 0, 0, cr.right, cr.bottom);
    SendMessageW(CtrlHandle, WM_ERASEBKGND, reinterpret_cast<WPARAM>(DC), 0);
    SendMessageW(CtrlHandle, WM_PAINT, reinterpret_cast<WPARAM>(DC), 0);
    SendMessageW(CtrlHandle, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(DC), PRF_CLIENT | PRF_ERASEBKGND);
}

void TacEditWnd::RepaintAfterLock() {
    if (!FRepaintPosted) FRepaintPosted = PostMessageW(CtrlHandle, HeldRepaintMessage(), 0, 0) != 0;
}

void TacEditWnd::WndProc(TMessage& Message) {
    if (Message.Msg == HeldRepaintMessage() && HeldRepaintMessage()) {
        // What was held back is painted with the look the window has now; the lock may still be on.
        FRepaintPosted = false;
        if (FormsLocked())
            RepaintAfterLock();
        else if (PaintsSkinned())
            RedrawWindow(CtrlHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
        return;
    }
    if (!PaintsSkinned()) {
        TacBaseWnd::WndProc(Message);
        return;
    }
    bool visible = IsWindowVisible(CtrlHandle) != 0;
    switch (Message.Msg) {
        case WM_PRINT:
            PrintWindow(reinterpret_cast<HDC>(Message.WParam));
            Message.Result = 0;
            return;
        case CM_FONTCHANGED:
            TacBaseWnd::WndProc(Message);
            RedrawWindow(CtrlHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
            return;
        case WM_NCPAINT:
            if (!visible) break;
            // While the forms are held for a skin change, the frame of the old skin or the new would only flash.
            if (FormsLocked()) {
                RepaintAfterLock();
                Message.Result = 0;
                return;
            }
            GetWndOffsetInParent(CtrlHandle, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
            SkinData->Updating = SkinData->NeedsRepaint();
            if (SkinData->Updating) {
                Message.Result = 0;
                return;
            }
            if (SkinData->BGChanged) {
                if (!ParamsChanged) SetSkinParams();
                PrepareCache(DlgMode, !DlgMode);
            }
            {
                HDC dc = GetWindowDC(CtrlHandle);
                auto release = Finally([&] { ReleaseDC(CtrlHandle, dc); });
                PaintFrameTo(dc);
            }
            Message.Result = 0;
            return;
        case WM_ERASEBKGND:
            if (!visible) break;
            SkinData->Updating = SkinData->NeedsRepaint();
            if (SkinData->Updating) return;
            if (!ParamsChanged) SetSkinParams();
            // A system that composes windows keeps what a held window erases: only the fade's picture is erased.
            if (acWinMajorVersion >= 6 && FormsLocked() && !IsPrintDC(reinterpret_cast<HDC>(Message.WParam))) {
                RepaintAfterLock();
                Message.Result = 1;
                return;
            }
            break;
        case WM_PAINT:
            if (!visible) break;
            if (SkinData->NeedsRepaint() || (FormsLocked() && !acPaintingDC)) {
                if (!SkinData->NeedsRepaint()) RepaintAfterLock();
                PAINTSTRUCT ps;
                BeginPaint(CtrlHandle, &ps);
                EndPaint(CtrlHandle, &ps);
                return;
            }
            if (!ParamsChanged) SetSkinParams();
            TacBaseWnd::WndProc(Message);
            // Painting may set the scroll position, which has the system paint its own bars: ours come after.
            if (!Message.WParam && !Destroyed && PaintsSkinned()) {
                HDC dc = GetWindowDC(CtrlHandle);
                auto release = Finally([&] { ReleaseDC(CtrlHandle, dc); });
                PaintScrollBars(this, CtrlHandle, dc);
            }
            return;
        case WM_UPDATEUISTATE:
            break;
        default:
            if (Message.Msg == SM_QUORVEXCMD) {
                switch (SkinCmdOf(Message.WParam)) {
                    case scGetSkinIndex:
                        Message.Result = SkinData->SkinIndex + 1;
                        return;
                    case scGetApplication:
                        Message.Result = reinterpret_cast<LRESULT>(Application.Get());
                        return;
                    case scRebuildCache:
                        PrepareCache(DlgMode, true);
                        return;
                    case scRefresh:
                        if (reinterpret_cast<TsSkinManager*>(Message.LParam) == SkinManager) {
                            TacBaseWnd::WndProc(Message);
                            if (!Destroyed) SetSkinParams();
                            return;
                        }
                        break;
                    case scRepaintHeld:
                        if (SkinData->NeedsRepaint()) {
                            SkinData->Updating = false;
                            RedrawWindow(CtrlHandle, nullptr, nullptr,
                                         RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
                            return;
                        }
                        break;
                    case scIsSkinned:
                        Message.Result = 1;
                        return;
                    default:
                        break;
                }
            }
            break;
    }
    TacBaseWnd::WndProc(Message);
    if (Destroyed || !PaintsSkinned()) return;
    switch (Message.Msg) {
        case WM_MOUSEMOVE:
            // The control under the mouse is the manager's hot control, as for every other skinned window.
            if (DefaultManager && !DefaultManager->ComponentState().Contains(csDesigning) &&
                IsWindowEnabled(CtrlHandle) && DefaultManager->ActiveControl() != CtrlHandle)
                DefaultManager->SetActiveControl(CtrlHandle);
            break;
        case WM_SIZE:
            RepaintFrame();
            break;
        case WM_KEYDOWN:
        case WM_KEYUP:
        case WM_LBUTTONDOWN:
        case CN_KEYDOWN:
        case CN_KEYUP:
            if (!Scrolling) RepaintBars();
            break;
        case EM_REPLACESEL:
        case LB_ADDSTRING:
        case LB_INSERTSTRING:
        case LB_SETCURSEL:
        case LB_SETTOPINDEX:
            RepaintBars();
            break;
        default:
            break;
    }
}

// --- TacGridWnd ---

TPersistent* TacGridWnd::Grid() const { return SkinData ? SkinData->OwnerControl() : nullptr; }

void TacGridWnd::SaveStdParams() {
    TacEditWnd::SaveStdParams();
    TPersistent* grid = Grid();
    if (!grid) return;
    FixedColor.Has = GetColorProp(grid, "FixedColor", FixedColor.Value);
    TitleFont.Has = GetFontColorProp(grid, "TitleFont", TitleFont.Value);
    if (grid->ClassNameIs("TDBAdvGrid")) FixedFont.Has = GetFontColorProp(grid, "FixedFont", FixedFont.Value);
    FooterColor.Has = GetColorProp(grid, "FooterColor", FooterColor.Value);
    FooterCellColor.Has = GetColorProp(grid, "FooterCellColor", FooterCellColor.Value);
    TitleColor.Has = GetColorProp(grid, "TitleColor", TitleColor.Value);
    IndicatorIconColor.Has = GetColorProp(grid, "IndicatorIconColor", IndicatorIconColor.Value);
}

void TacGridWnd::SetSkinParams() {
    TacEditWnd::SetSkinParams();
    TPersistent* grid = Grid();
    const TsGeneralData* section = Section();
    TsSkinManager* manager = SkinData->SkinManager();
    if (!grid || !section || !manager) return;
    TColor global = manager->GetGlobalColor(), globalFont = manager->GetGlobalFontColor();
    SetColorProp(grid, "FixedColor", global);
    SetFontColorProp(grid, "TitleFont", globalFont);
    if (grid->ClassNameIs("TDBAdvGrid")) {
        SetFontColorProp(grid, "FixedFont", globalFont);
        for (TPersistent* column : GetCollectionItems(grid, "Columns")) {
            SetFontColorProp(column, "HeaderFont", globalFont);
            SetFontColorProp(column, "Font", section->HotFontColor[0]);
            SetColorProp(column, "Color", section->Color);
        }
    }
    int info = manager->ConstData.IndexGlobalInfo;
    TColor infoColor = manager->IsValidSkinIndex(info) ? manager->Sections[static_cast<size_t>(info)].Color : global;
    SetColorProp(grid, "FooterColor", infoColor);
    SetColorProp(grid, "FooterCellColor", infoColor);
    SetColorProp(grid, "TitleColor", infoColor);
    SetColorProp(grid, "IndicatorIconColor", section->FontColor[0]);
}

void TacGridWnd::RestoreStdParams() {
    TacEditWnd::RestoreStdParams();
    TPersistent* grid = Grid();
    if (!grid || (SkinData->OwnerControl() && SkinData->OwnerControl()->Destroying())) return;
    if (FixedColor.Has) SetColorProp(grid, "FixedColor", FixedColor.Value);
    if (TitleFont.Has) SetFontColorProp(grid, "TitleFont", TitleFont.Value);
    if (FixedFont.Has) SetFontColorProp(grid, "FixedFont", FixedFont.Value);
    if (FooterColor.Has) SetColorProp(grid, "FooterColor", FooterColor.Value);
    if (FooterCellColor.Has) SetColorProp(grid, "FooterCellColor", FooterCellColor.Value);
    if (TitleColor.Has) SetColorProp(grid, "TitleColor", TitleColor.Value);
    if (IndicatorIconColor.Has) SetColorProp(grid, "IndicatorIconColor", IndicatorIconColor.Value);
}

void TacGridWnd::WndProc(TMessage& Message) {
    if (!PaintsSkinned()) {
        TacEditWnd::WndProc(Message);
        return;
    }
    if (Message.Msg == WM_VSCROLL &&
        (LOWORD(Message.WParam) == SB_THUMBPOSITION || LOWORD(Message.WParam) == SB_THUMBTRACK) &&
        HasPublishedProp(Grid(), "DataSource")) {
        SCROLLINFO si = {sizeof si, SIF_ALL};
        if (GetScrollInfo(CtrlHandle, SB_VERT, &si)) {
            si.fMask = SIF_POS;
            si.nPos = si.nTrackPos + (LOWORD(Message.WParam) == SB_THUMBPOSITION ? 1 : 0);
            SetScrollInfo(CtrlHandle, SB_VERT, &si, FALSE);
        }
    }
    TacEditWnd::WndProc(Message);
    if (Destroyed || !PaintsSkinned()) return;
    switch (Message.Msg) {
        case WM_PRINT: {
            // The grid paints itself on its canvas: its client is printed a second time into the shifted DC.
            HDC dc = reinterpret_cast<HDC>(Message.WParam);
            RECT wr, cr;
            GetWindowRect(CtrlHandle, &wr);
            GetClientRect(CtrlHandle, &cr);
            POINT origin = {0, 0};
            ClientToScreen(CtrlHandle, &origin);
            int saved = SaveDC(dc);
            POINT org;
            GetViewportOrgEx(dc, &org);
            SetViewportOrgEx(dc, org.x + origin.x - wr.left, org.y + origin.y - wr.top, nullptr);
            IntersectClipRect(dc, 0, 0, cr.right, cr.bottom);
            SendMessageW(CtrlHandle, WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
            RestoreDC(dc, saved);
            break;
        }
        case WM_PAINT:
            RepaintBars();
            break;
        case WM_WINDOWPOSCHANGED:
            RepaintFrame();
            break;
        default:
            break;
    }
}

// --- TacTreeViewWnd ---

void TacTreeViewWnd::SetSkinParams() {
    ParamsChanged = true;
    const TsGeneralData* section = Section();
    if (DlgMode) {
        SendMessageW(CtrlHandle, TVM_SETBKCOLOR, 0, ColorToRGB(clWindow));
        return;
    }
    if (!section) return;
    if (TControl* owner = SkinData->OwnerControl()) {
        if (!SkinData->CustomFont() && owner->Font()->Color() != section->HotFontColor[0])
            owner->Font()->SetColor(section->HotFontColor[0]);
        if (!SkinData->CustomColor() && section->HotColor != owner->Color())
            SendMessageW(CtrlHandle, TVM_SETBKCOLOR, 0, section->HotColor);
    } else {
        SendMessageW(CtrlHandle, TVM_SETBKCOLOR, 0, section->HotColor);
    }
}

void TacTreeViewWnd::RestoreStdParams() {
    TacEditWnd::RestoreStdParams();
    if (IsWindow(CtrlHandle)) SendMessageW(CtrlHandle, TVM_SETBKCOLOR, 0, static_cast<LPARAM>(-1));
}

void TacTreeViewWnd::WndProc(TMessage& Message) {
    if (!PaintsSkinned()) {
        TacEditWnd::WndProc(Message);
        return;
    }
    if (Message.Msg == WM_ERASEBKGND) {
        auto* tree = dynamic_cast<TCustomTreeView*>(SkinData->OwnerControl());
        if (tree && tree->OnCustomDraw) {
            CallPrevWndProc(Message);
            return;
        }
        if (!SkinData->NeedsRepaint()) {
            if (SkinData->BGChanged) PrepareAdapterCache(SkinData, CtrlHandle, DlgMode);
            const TsGeneralData* section = Section();
            TColor color = DlgMode || !section ? ColorToRGB(clWindow) : section->HotColor;
            HDC dc = Message.WParam ? reinterpret_cast<HDC>(Message.WParam) : GetDC(CtrlHandle);
            RECT cr;
            GetClientRect(CtrlHandle, &cr);
            FillDC(dc, TRect(0, 0, cr.right, cr.bottom), color);
            if (!Message.WParam) ReleaseDC(CtrlHandle, dc);
        }
        Message.Result = 0;
        return;
    }
    TacEditWnd::WndProc(Message);
    if (Message.Msg == WM_LBUTTONUP && GetCapture() == CtrlHandle) ReleaseCapture();
}

// --- TacVirtualTreeViewWnd ---

TPersistent* TacVirtualTreeViewWnd::Tree() const { return SkinData ? SkinData->OwnerControl() : nullptr; }

namespace {

bool HasMember(const std::vector<std::string>& Members, const std::string& Name) {
    return std::any_of(Members.begin(), Members.end(), [&](const std::string& m) { return SameText(m, Name); });
}

}  // namespace

void TacVirtualTreeViewWnd::SaveStdParams() {
    TacEditWnd::SaveStdParams();
    TPersistent* tree = Tree();
    if (!tree) return;
    if (TPersistent* colors = GetObjectProp(tree, "VETColors")) {
        HasVETColors = GetColorProp(colors, "CompressedTextColor", CompressedTextColor);
        GetColorProp(colors, "FileTextColor", FileTextColor);
        GetColorProp(colors, "FolderTextColor", FolderTextColor);
    }
    std::vector<std::string> options;
    if (TPersistent* header = GetObjectProp(tree, "Header"); header && GetSetProp(header, "Options", options))
        HeaderOwnerDraw = HasMember(options, "hoOwnerDraw");
}

void TacVirtualTreeViewWnd::SetSkinParams() {
    TacEditWnd::SetSkinParams();
    TPersistent* tree = Tree();
    const TsGeneralData* section = Section();
    if (!tree || !section) return;
    if (TPersistent* colors = GetObjectProp(tree, "VETColors")) {
        SetColorProp(colors, "CompressedTextColor", section->HotFontColor[0]);
        SetColorProp(colors, "FileTextColor", section->HotFontColor[0]);
        SetColorProp(colors, "FolderTextColor", section->HotFontColor[0]);
    }
    bool assigned = true;
    // The painter asks the adapter through a pointer that the adapter clears when it goes: a tree that still holds
    // the painter then gets nothing painted instead of a call into a freed adapter.
    if (!HeaderDrawInstalled && GetEventAssigned(tree, "OnAdvancedHeaderDraw", assigned) && !assigned)
        HeaderDrawInstalled =
            SetEventHandler(tree, "OnAdvancedHeaderDraw",
                            TacAdvancedHeaderDrawEvent([self = FSelf](TObject* Sender, TacHeaderPaintInfo& Info) {
                                if (*self) (*self)->PaintHeaderCell(Sender, Info);
                            }));
    assigned = true;
    if (!QueryInstalled && GetEventAssigned(tree, "OnHeaderDrawQueryElements", assigned) && !assigned)
        QueryInstalled = SetEventHandler(tree, "OnHeaderDrawQueryElements",
                                         TacHeaderDrawQueryElementsEvent([](TObject*, TacHeaderPaintInfo& Info) {
                                             Info.Elements = acHeaderElements;
                                         }));
    if (HeaderDrawInstalled || QueryInstalled) FEventTree = tree;
    if (HeaderDrawInstalled && QueryInstalled) {
        std::vector<std::string> options;
        TPersistent* header = GetObjectProp(tree, "Header");
        if (header && GetSetProp(header, "Options", options) && !HasMember(options, "hoOwnerDraw")) {
            options.push_back("hoOwnerDraw");
            SetSetProp(header, "Options", options);
        }
    }
}

TacVirtualTreeViewWnd::TacVirtualTreeViewWnd() : FSelf(std::make_shared<TacVirtualTreeViewWnd*>(this)) {}

TacVirtualTreeViewWnd::~TacVirtualTreeViewWnd() {
    *FSelf = nullptr;
    // Freed without its colours given back (a provider let its adapters go and the look stays): the tree is alive,
    // or its window's destruction would have given the events back, and it must not keep a painter of ours.
    RunGuarded([&] { GiveBackHeaderEvents(FEventTree); });
}

void TacVirtualTreeViewWnd::GiveBackHeaderEvents(TPersistent* Tree) {
    if (!Tree || !(HeaderDrawInstalled || QueryInstalled)) return;
    if (HeaderDrawInstalled) SetEventHandler(Tree, "OnAdvancedHeaderDraw", std::any());
    if (QueryInstalled) SetEventHandler(Tree, "OnHeaderDrawQueryElements", std::any());
    std::vector<std::string> options;
    TPersistent* header = GetObjectProp(Tree, "Header");
    if (header && GetSetProp(header, "Options", options)) {
        options.erase(std::remove_if(options.begin(), options.end(),
                                     [](const std::string& m) { return SameText(m, "hoOwnerDraw"); }),
                      options.end());
        if (HeaderOwnerDraw) options.push_back("hoOwnerDraw");
        SetSetProp(header, "Options", options);
    }
    HeaderDrawInstalled = QueryInstalled = false;
    FEventTree = nullptr;
}

void TacVirtualTreeViewWnd::RestoreStdParams() {
    TacEditWnd::RestoreStdParams();
    TPersistent* tree = Tree();
    if (!tree) return;
    // A tree that is being destroyed still drops the painter: nothing may call the adapter after it went.
    bool destroying = SkinData->OwnerControl() && SkinData->OwnerControl()->Destroying();
    if (destroying) {
        if (HeaderDrawInstalled) SetEventHandler(tree, "OnAdvancedHeaderDraw", std::any());
        if (QueryInstalled) SetEventHandler(tree, "OnHeaderDrawQueryElements", std::any());
        HeaderDrawInstalled = QueryInstalled = false;
        FEventTree = nullptr;
        return;
    }
    if (HasVETColors)
        if (TPersistent* colors = GetObjectProp(tree, "VETColors")) {
            SetColorProp(colors, "CompressedTextColor", CompressedTextColor);
            SetColorProp(colors, "FileTextColor", FileTextColor);
            SetColorProp(colors, "FolderTextColor", FolderTextColor);
        }
    GiveBackHeaderEvents(tree);
}

void TacVirtualTreeViewWnd::PaintHeaderCell(TObject*, TacHeaderPaintInfo& Info) {
    TsSkinManager* manager = SkinData ? SkinData->SkinManager() : nullptr;
    if (!manager || !Info.DC || Info.R.IsEmpty()) return;
    int index = manager->GetSkinIndex("COLHEADER");
    std::string section = "COLHEADER";
    if (index < 0) {
        index = manager->GetSkinIndex("BUTTON");
        section = "BUTTON";
    }
    int state = Info.Pressed ? 2 : Info.Hot ? 1 : 0;
    auto cell = CreateBmp24(Info.R.Width(), Info.R.Height());
    PaintSkinItem(index, "", TCacheInfo(), -1, -1, manager, cell.get(), TPoint(0, 0),
                  TRect(0, 0, Info.R.Width(), Info.R.Height()), state, true);
    BitBlt(Info.DC, Info.R.left, Info.R.top, Info.R.Width(), Info.R.Height(), cell->Canvas()->Handle(), 0, 0, SRCCOPY);
    TRect text = Info.R;
    text.left += 4;
    text.right -= 4;
    if (!Info.Text.empty()) {
        HGDIOBJ old = Info.Font ? SelectObject(Info.DC, Info.Font->Handle()) : nullptr;
        SetBkMode(Info.DC, TRANSPARENT);
        if (manager->IsValidSkinIndex(index))
            SetTextColor(Info.DC, manager->Sections[static_cast<size_t>(index)].FontColor[0]);
        DrawTextStr(Info.DC, Info.Text, text, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
        if (old) SelectObject(Info.DC, old);
    }
    if (Info.SortDirection) PaintSortGlyph(Info.DC, Info.R, Info.SortDirection == 1, manager);
}

void TacVirtualTreeViewWnd::WndProc(TMessage& Message) {
    if (!PaintsSkinned()) {
        TacEditWnd::WndProc(Message);
        return;
    }
    switch (Message.Msg) {
        case WM_HSCROLL:
        case WM_VSCROLL:
            if (LOWORD(Message.WParam) == SB_THUMBTRACK) {
                int bar = Message.Msg == WM_HSCROLL ? SB_HORZ : SB_VERT;
                SCROLLINFO si = {sizeof si, SIF_ALL};
                if (GetScrollInfo(CtrlHandle, bar, &si)) {
                    si.fMask = SIF_POS;
                    si.nPos = si.nTrackPos;
                    SetScrollInfo(CtrlHandle, bar, &si, FALSE);
                }
            }
            break;
        case WM_ERASEBKGND:
            Message.Result = 1;
            return;
        case WM_NCPAINT: {
            if (!IsWindowVisible(CtrlHandle)) break;
            GetWndOffsetInParent(CtrlHandle, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
            SkinData->Updating = SkinData->NeedsRepaint();
            if (SkinData->Updating) {
                Message.Result = 0;
                return;
            }
            if (SkinData->BGChanged) {
                if (!ParamsChanged) SetSkinParams();
                PrepareAdapterCache(SkinData, CtrlHandle, DlgMode);
            }
            PaintParentBG(SkinData, 0, this);
            HDC dc = GetWindowDC(CtrlHandle);
            auto release = Finally([&] { ReleaseDC(CtrlHandle, dc); });
            TBitmap* cache = SkinData->CacheBmp();
            int border = BorderWidth();
            if (cache && border > 0)
                BitBltBorder(dc, 0, 0, cache->Width(), cache->Height(), border, cache->Canvas()->Handle(), 0, 0);
            WPARAM w = reinterpret_cast<WPARAM>(dc);
            CallPrevWndProc(CtrlHandle, WM_PRINT, w, PRF_NONCLIENT);
            PaintScrollBars(this, CtrlHandle, dc);
            Message.Result = 0;
            return;
        }
        case WM_PRINT: {
            HDC dc = reinterpret_cast<HDC>(Message.WParam);
            SkinData->Updating = false;
            if (SkinData->BGChanged) {
                if (!ParamsChanged) SetSkinParams();
                PrepareAdapterCache(SkinData, CtrlHandle, false);
            }
            int border = BorderWidth();
            int headerHeight = 0;
            if (TPersistent* header = GetObjectProp(Tree(), "Header")) {
                std::vector<std::string> options;
                if (GetSetProp(header, "Options", options) && HasMember(options, "hoVisible"))
                    GetIntProp(header, "Height", headerHeight);
            }
            {
                int saved = SaveDC(dc);
                POINT org;
                GetViewportOrgEx(dc, &org);
                SetViewportOrgEx(dc, org.x + border, org.y + border + headerHeight, nullptr);
                WPARAM w = Message.WParam;
                CallPrevWndProc(CtrlHandle, WM_PRINTCLIENT, w, PRF_CLIENT);
                RestoreDC(dc, saved);
            }
            CallPrevWndProc(Message);
            PaintParentBG(SkinData, 0, this);
            TBitmap* cache = SkinData->CacheBmp();
            if (cache && border > 0)
                BitBltBorder(dc, 0, 0, cache->Width(), cache->Height(), border, cache->Canvas()->Handle(), 0, 0);
            PaintScrollBars(this, CtrlHandle, dc);
            return;
        }
        default:
            break;
    }
    TacEditWnd::WndProc(Message);
}
