#include "acMDIWnd.h"

#include "acAdapterSupport.h"
#include "classlib/runtime/Finally.h"
#include "classlib/visual/Forms.h"
#include "skin/engine/sSkinManager.h"
#include "skin/engine/sVclUtils.h"

bool acMDIPaintClient = true;
bool acMDIPaintEdge = true;

namespace {

// The MDI client's notice that its children moved and its scroll range must be measured again.
constexpr UINT WM_MDICALCCHILDSCROLL = 0x3F;

}  // namespace

TacMDIWnd::~TacMDIWnd() {
    // Neither is owned: the provider keeps its skin data.
    FormSkinData = nullptr;
    Provider = nullptr;
}

TacAdapterPtr<TacMDIWnd> TacMDIWnd::CreateForForm(TacMDIFormSkinning* Provider, HWND ClientHandle, bool Repaint) {
    if (!Provider || !ClientHandle)
        throw EInvalidOperation("The MDI client adapter needs the form's skinning and its client window");
    TacAdapterPtr<TacMDIWnd> adapter(new TacMDIWnd());
    adapter->Provider = Provider;
    adapter->Form = Provider->Form();
    adapter->FormSkinData = Provider->FormSkinData();
    TsCommonData* data = adapter->FormSkinData;
    // The client area itself is painted from the form's cache, where the form composed its "MDIAREA"; the
    // adapter's own section stands for what shows through to the form.
    adapter->Init(ClientHandle, nullptr, data ? data->SkinManager() : nullptr, "CHECKBOX", Repaint);
    return adapter;
}

bool TacMDIWnd::PaintsMDI() const {
    return FormSkinData && FormSkinData->Skinned() && acMDIPaintClient && acMDIPaintEdge && !Destroyed;
}

bool TacMDIWnd::ActiveChildMaximized() const {
    BOOL maximized = FALSE;
    HWND active =
        reinterpret_cast<HWND>(SendMessageW(CtrlHandle, WM_MDIGETACTIVE, 0, reinterpret_cast<LPARAM>(&maximized)));
    return active && maximized;
}

TPoint TacMDIWnd::ClientOffsetInForm() const {
    RECT cr, fr;
    GetWindowRect(CtrlHandle, &cr);
    HWND form = GetParent(CtrlHandle);
    GetWindowRect(form, &fr);
    return TPoint(cr.left - fr.left, cr.top - fr.top);
}

void TacMDIWnd::PaintClientArea(HDC DC) {
    if (!Provider || Provider->InOwnPaint()) return;
    RECT cr;
    GetClientRect(CtrlHandle, &cr);
    int edge = (GetWindowLongW(CtrlHandle, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) ? 2 : 0;
    TBitmap* cache = FormSkinData ? FormSkinData->CacheBmp() : nullptr;
    if (FormSkinData && (!cache || FormSkinData->BGChanged || cache->Width() < 1)) {
        Provider->PrepareFormCache();
        cache = FormSkinData->CacheBmp();
    }
    if (cache && cache->Width() > 0) {
        TPoint p = ClientOffsetInForm();
        BitBlt(DC, 0, 0, cr.right, cr.bottom, cache->Canvas()->Handle(), p.x + edge, p.y + edge, SRCCOPY);
    } else {
        FillDC(DC, TRect(0, 0, cr.right, cr.bottom), Provider->FormColor());
    }
}

void TacMDIWnd::PaintClientEdge(HDC DC) {
    if (!(GetWindowLongW(CtrlHandle, GWL_EXSTYLE) & WS_EX_CLIENTEDGE)) return;
    RECT wr;
    GetWindowRect(CtrlHandle, &wr);
    int w = wr.right - wr.left, h = wr.bottom - wr.top;
    TBitmap* cache = FormSkinData ? FormSkinData->CacheBmp() : nullptr;
    if (cache && cache->Width() > 0) {
        TPoint p = ClientOffsetInForm();
        BitBltBorder(DC, 0, 0, w, h, 2, cache->Canvas()->Handle(), p.x, p.y);
    } else {
        RECT r = {0, 0, w, h};
        DrawEdge(DC, &r, BDR_SUNKENOUTER | BDR_SUNKENINNER, BF_RECT | BF_FLAT);
    }
}

void TacMDIWnd::RepaintCoveringControls() {
    if (!Form || !Form->HandleAllocated()) return;
    std::vector<TControl*> controls = Provider->CoveringControls();
    if (controls.empty()) return;
    // The child covers the client: what is left to paint is the form's background under its own controls over
    // the client, which then paint themselves on it.
    HDC dc = GetDC(Form->Handle());
    auto release = Finally([&] { ReleaseDC(Form->Handle(), dc); });
    for (TControl* control : controls) {
        if (!control || !control->Visible()) continue;
        TacBGInfo info;
        info.PleaseDraw = true;
        info.DrawDC = dc;
        info.R = control->BoundsRect();
        info.Offset = TPoint(control->Left(), control->Top());
        SendMessageW(Form->Handle(), SM_QUORVEXCMD, MakeSkinCmd(scGetBgInfo), reinterpret_cast<LPARAM>(&info));
        control->Invalidate();
    }
}

void TacMDIWnd::WndProc(TMessage& Message) {
    if (Message.Msg == SM_QUORVEXCMD && SkinCmdOf(Message.WParam) == scChildPaints) {
        if (Form) SendSkinCmdToControl(Form, scChildPaints, Message.LParam);
        return;
    }
    if (!Destroyed && Provider) {
        switch (Message.Msg) {
            case WM_WINDOWPOSCHANGING:
            case WM_WINDOWPOSCHANGED:
                if (FormSkinData && FormSkinData->SkinManager() &&
                    FormSkinData->SkinManager()->GetSkinIndex("MDIAREA") >= 0) {
                    FormSkinData->BGChanged = true;
                    Provider->SetFrameChanged();
                }
                break;
            case WM_NCPAINT:
                if (PaintsMDI()) {
                    if (!ActiveChildMaximized() && !acAnimInProgress) {
                        HDC dc = GetWindowDC(CtrlHandle);
                        auto release = Finally([&] { ReleaseDC(CtrlHandle, dc); });
                        PaintClientEdge(dc);
                        PaintScrollBars(this, CtrlHandle, dc);
                    }
                    Message.Result = 1;
                    return;
                }
                break;
            case WM_PAINT:
                if (acAnimInProgress && PaintsMDI()) return;
                break;
            case WM_ERASEBKGND:
                if (Message.WParam && PaintsMDI()) {
                    if (acAnimInProgress) return;
                    HDC dc = reinterpret_cast<HDC>(Message.WParam);
                    if (ActiveChildMaximized()) {
                        RepaintCoveringControls();
                    } else {
                        int saved = SaveDC(dc);
                        PaintClientArea(dc);
                        RestoreDC(dc, saved);
                    }
                    Message.Result = 1;
                    return;
                }
                break;
            case WM_MDITILE:
            case WM_MDICASCADE: {
                CallPrevWndProc(Message);
                if (FormSkinData) FormSkinData->BGChanged = true;
                Provider->ResetHotTitleElement();
                HWND active = reinterpret_cast<HWND>(SendMessageW(CtrlHandle, WM_MDIGETACTIVE, 0, 0));
                if (active) SetWindowLongW(active, GWL_STYLE, GetWindowLongW(active, GWL_STYLE) & ~WS_SYSMENU);
                Provider->RepaintMDIFrame();
                InvalidateRect(CtrlHandle, nullptr, TRUE);
                RedrawWindow(CtrlHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_FRAME);
                Provider->RefreshMDITitleButtons();
                return;
            }
            default:
                break;
        }
    }
    TacBaseWnd::WndProc(Message);
    if (Destroyed) return;
    if (Message.Msg == SM_QUORVEXCMD) {
        switch (SkinCmdOf(Message.WParam)) {
            case scScrollStepBegins:
                SendMessageW(CtrlHandle, WM_SETREDRAW, 0, 0);
                break;
            case scScrollStepEnds:
                SendMessageW(CtrlHandle, WM_SETREDRAW, 1, 0);
                if (LOWORD(Message.LParam) != SB_THUMBTRACK) {
                    RedrawWindow(CtrlHandle, nullptr, nullptr,
                                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
                    UpdateScrolls(this, false);
                    UpdateWindow(CtrlHandle);
                }
                break;
            default:
                break;
        }
        return;
    }
    switch (Message.Msg) {
        case WM_PARENTNOTIFY:
        case WM_MDICALCCHILDSCROLL: {
            LONG style = GetWindowLongW(CtrlHandle, GWL_STYLE);
            if (HScrollBar) HScrollBar->Visible = (style & WS_HSCROLL) ? 1 : 0;
            if (VScrollBar) VScrollBar->Visible = (style & WS_VSCROLL) ? 1 : 0;
            RepaintBars();
            break;
        }
        case WM_MDIREFRESHMENU:
            if (Provider) Provider->RefreshMenuLine();
            break;
        default:
            break;
    }
}
