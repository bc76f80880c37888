#include "acListViewWnd.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <vector>

#include "acAdapterSupport.h"
#include "classlib/runtime/ExceptionHandler.h"
#include "classlib/runtime/ObjectInstance.h"
#include "skin/engine/acFastPixels.h"
#include "skin/engine/sSkinManager.h"

namespace {

constexpr UINT LVM_INSERTITEM_A = 0x1007;

int StepOf(HWND List, bool Report) {
    if (!Report) return 1;
    RECT r = {LVIR_BOUNDS, 0, 0, 0};
    if (!SendMessageW(List, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&r))) return 1;
    return std::max<int>(1, r.bottom - r.top);
}

}  // namespace

int HeaderSectionIndex(TsSkinManager* Manager, std::string& SectionName) {
    if (!Manager) return -1;
    SectionName = "COLHEADER";
    int index = Manager->GetSkinIndex(SectionName);
    if (index < 0) {
        SectionName = "BUTTON";
        index = Manager->GetSkinIndex(SectionName);
    }
    return index;
}

void PaintSortGlyph(HDC DC, const TRect& Cell, bool Up, TsSkinManager* Manager) {
    if (!Manager) return;
    int glyph = Manager->GetMaskIndex(Manager->GetSkinIndex(Up ? "SCROLLBTNTOP" : "SCROLLBTNBOTTOM"),
                                      Up ? "SCROLLBTNTOP" : "SCROLLBTNBOTTOM", "GLYPHMASK");
    if (!Manager->IsValidImgIndex(glyph)) return;
    const TsMaskData& mask = Manager->Masks[static_cast<size_t>(glyph)];
    int w = MaskStateWidth(mask), h = MaskStateHeight(mask);
    if (w <= 0 || h <= 0 || Cell.Width() < w + 4 || Cell.Height() < h) return;
    // The glyph is drawn through its mask over what the cell shows already.
    auto bmp = CreateBmp24(w, h);
    BitBlt(bmp->Canvas()->Handle(), 0, 0, w, h, DC, Cell.right - w - 4, Cell.top + (Cell.Height() - h) / 2, SRCCOPY);
    TCacheInfo none;
    DrawMaskGlyph(bmp.get(), TPoint(0, 0), 0, none, mask, false);
    BitBlt(DC, Cell.right - w - 4, Cell.top + (Cell.Height() - h) / 2, w, h, bmp->Canvas()->Handle(), 0, 0, SRCCOPY);
}

TacListViewWnd::~TacListViewWnd() { UnhookHeader(); }

void TacListViewWnd::Init(HWND AHandle, TsCommonData* ASkinData, TsSkinManager* ASkinManager,
                          const std::string& SkinSection, bool Repaint) {
    TacEditWnd::Init(AHandle, ASkinData, ASkinManager, SkinSection, Repaint);
    HotColumn = -1;
    if (HWND header = FindWindowExW(AHandle, nullptr, L"SysHeader32", nullptr)) HookHeader(header);
}

void TacListViewWnd::HookHeader(HWND Header) {
    UnhookHeader();
    if (!Header) return;
    // Each header gets an instance of its own: one that a later subclass still calls may have been left behind.
    HeaderInstance = MakeObjectInstance(this, &TacListViewWnd::HeaderInstanceProc);
    HeaderHandle = Header;
    // The header stays a Unicode window: its column texts keep every character.
    OldHeaderProc =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrW(Header, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(HeaderInstance)));
}

void TacListViewWnd::UnhookHeader() {
    if (HeaderInstance) {
        if (!HeaderHandle || !OldHeaderProc || !IsWindow(HeaderHandle)) {
            FreeObjectInstance(HeaderInstance);
        } else if (reinterpret_cast<WNDPROC>(GetWindowLongPtrW(HeaderHandle, GWLP_WNDPROC)) == HeaderInstance) {
            SetWindowLongPtrW(HeaderHandle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(OldHeaderProc));
            FreeObjectInstance(HeaderInstance);
            InvalidateRect(HeaderHandle, nullptr, TRUE);
        } else {
            // A later subclass keeps our procedure as its previous one: it must go on passing the header's
            // messages down after the adapter is gone.
            ForwardObjectInstance(HeaderInstance, HeaderHandle, OldHeaderProc);
        }
    }
    HeaderInstance = nullptr;
    HeaderHandle = nullptr;
    OldHeaderProc = nullptr;
}

void TacListViewWnd::SaveStdParams() {
    TacEditWnd::SaveStdParams();
    OwnColor = StdColor;
    OwnFontColor = StdFontColor;
    StdColor = static_cast<TColor>(SendMessageW(CtrlHandle, LVM_GETBKCOLOR, 0, 0));
    StdFontColor = static_cast<TColor>(SendMessageW(CtrlHandle, LVM_GETTEXTCOLOR, 0, 0));
}

void TacListViewWnd::SetSkinParams() {
    TacEditWnd::SetSkinParams();
    const TsGeneralData* section = Section();
    TColor back = ColorToRGB(clWindow), text = ColorToRGB(clWindowText);
    if (!DlgMode && section) {
        back = section->Color;
        text = section->FontColor[0];
    }
    SendMessageW(CtrlHandle, LVM_SETBKCOLOR, 0, back);
    SendMessageW(CtrlHandle, LVM_SETTEXTBKCOLOR, 0, back);
    SendMessageW(CtrlHandle, LVM_SETTEXTCOLOR, 0, text);
}

void TacListViewWnd::RestoreStdParams() {
    if (IsWindow(CtrlHandle)) {
        SendMessageW(CtrlHandle, LVM_SETTEXTCOLOR, 0, StdFontColor == clNone ? ColorToRGB(clWindowText) : StdFontColor);
        if (StdColor != clNone) {
            SendMessageW(CtrlHandle, LVM_SETBKCOLOR, 0, StdColor);
            SendMessageW(CtrlHandle, LVM_SETTEXTBKCOLOR, 0, StdColor);
        }
    }
    UnhookHeader();
    TControl* owner = SkinData ? SkinData->OwnerControl() : nullptr;
    // The control's Color and font colour go back to its own from before the skin (the skin set them to the
    // section's); the window's list colours were restored above.
    if (owner && !owner->Destroying()) {
        TColor keepColor = StdColor, keepFont = StdFontColor;
        StdColor = OwnColor;
        StdFontColor = OwnFontColor;
        TacEditWnd::RestoreStdParams();
        StdColor = keepColor;
        StdFontColor = keepFont;
    } else {
        TacEditWnd::RestoreStdParams();
    }
}

int TacListViewWnd::ViewStyle() const {
    LRESULT view = SendMessageW(CtrlHandle, LVM_GETVIEW, 0, 0);
    switch (view) {
        case LV_VIEW_ICON:
            return 0;
        case LV_VIEW_SMALLICON:
            return 1;
        case LV_VIEW_LIST:
            return 2;
        case LV_VIEW_DETAILS:
            return 3;
        default:
            break;
    }
    switch (GetWindowLongW(CtrlHandle, GWL_STYLE) & LVS_TYPEMASK) {
        case LVS_SMALLICON:
            return 1;
        case LVS_LIST:
            return 2;
        case LVS_REPORT:
            return 3;
        default:
            return 0;
    }
}

int TacListViewWnd::ScrollOffsetX() const {
    SCROLLINFO si = {sizeof si, SIF_POS};
    // The bar's position may already have been moved by the drag; the header shows where the list stands.
    if (HeaderHandle) {
        RECT hr;
        if (SendMessageW(HeaderHandle, HDM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&hr))) {
            RECT wr;
            GetWindowRect(HeaderHandle, &wr);
            POINT p = {wr.left, wr.top};
            ScreenToClient(CtrlHandle, &p);
            return -(p.x + hr.left);
        }
    }
    GetScrollInfo(CtrlHandle, SB_HORZ, &si);
    return si.nPos;
}

int TacListViewWnd::ColumnAt(int X, int Y) const {
    if (!HeaderHandle) return -1;
    HDHITTESTINFO hit = {};
    hit.pt = {X, Y};
    int item = static_cast<int>(SendMessageW(HeaderHandle, HDM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    return (hit.flags & HHT_ONHEADER) ? item : -1;
}

void TacListViewWnd::SetHotColumn(int Column) {
    if (Column == HotColumn) return;
    HotColumn = Column;
    InvalidateRect(HeaderHandle, nullptr, FALSE);
}

void TacListViewWnd::PaintHeader(HDC DC) {
    if (!HeaderHandle || !IsWindowVisible(HeaderHandle) || ViewStyle() != 3) return;
    TsSkinManager* manager = SkinData ? SkinData->SkinManager() : nullptr;
    std::string sectionName;
    int section = HeaderSectionIndex(manager, sectionName);
    RECT cr;
    GetClientRect(HeaderHandle, &cr);
    if (!manager || section < 0 || cr.right <= 0 || cr.bottom <= 0) return;
    auto bmp = CreateBmp24(cr.right, cr.bottom);
    HDC mdc = bmp->Canvas()->Handle();
    TCacheInfo none;
    int count = static_cast<int>(SendMessageW(HeaderHandle, HDM_GETITEMCOUNT, 0, 0));
    std::vector<int> order(static_cast<size_t>(std::max(count, 0)));
    for (int i = 0; i < count; ++i) order[static_cast<size_t>(i)] = i;
    if (count > 0 && (GetWindowLongW(HeaderHandle, GWL_STYLE) & HDS_FULLDRAG))
        SendMessageW(HeaderHandle, HDM_GETORDERARRAY, count, reinterpret_cast<LPARAM>(order.data()));
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(HeaderHandle, WM_GETFONT, 0, 0));
    HGDIOBJ oldFont = font ? SelectObject(mdc, font) : nullptr;
    SetBkMode(mdc, TRANSPARENT);
    int right = 0;
    for (int index : order) {
        RECT r;
        if (!SendMessageW(HeaderHandle, HDM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&r))) continue;
        TRect cell(r.left, r.top, r.right, r.bottom);
        right = std::max<int>(right, r.right);
        int state = index == PressedColumn ? 2 : index == HotColumn ? 1 : 0;
        PaintSkinItem(section, "", none, -1, -1, manager, bmp.get(), TPoint(0, 0), cell, state, true);
        wchar_t text[260] = {};
        HDITEMW item = {};
        item.mask = HDI_FORMAT | HDI_TEXT;
        item.pszText = text;
        item.cchTextMax = static_cast<int>(std::size(text));
        SendMessageW(HeaderHandle, HDM_GETITEMW, index, reinterpret_cast<LPARAM>(&item));
        const TsGeneralData& s = manager->Sections[static_cast<size_t>(section)];
        SetTextColor(mdc, state ? s.HotFontColor[0] : s.FontColor[0]);
        RECT tr = {cell.left + 6, cell.top, cell.right - 6, cell.bottom};
        UINT align = (item.fmt & HDF_JUSTIFYMASK) == HDF_RIGHT    ? DT_RIGHT
                     : (item.fmt & HDF_JUSTIFYMASK) == HDF_CENTER ? DT_CENTER
                                                                  : DT_LEFT;
        if (item.fmt & (HDF_SORTUP | HDF_SORTDOWN)) tr.right -= 14;
        DrawTextW(mdc, text, -1, &tr, align | DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
        if (item.fmt & HDF_SORTUP)
            PaintSortGlyph(mdc, cell, true, manager);
        else if (item.fmt & HDF_SORTDOWN)
            PaintSortGlyph(mdc, cell, false, manager);
    }
    if (right < cr.right)
        PaintSkinItem(section, "", none, -1, -1, manager, bmp.get(), TPoint(0, 0), TRect(right, 0, cr.right, cr.bottom),
                      0, true);
    if (oldFont) SelectObject(mdc, oldFont);
    BitBlt(DC, 0, 0, cr.right, cr.bottom, mdc, 0, 0, SRCCOPY);
}

void TacListViewWnd::TrackHotColumn(int X, int Y) {
    SetHotColumn(ColumnAt(X, Y));
    if (!FHeaderLeaveTracked && HeaderHandle) {
        TRACKMOUSEEVENT t = {sizeof t, TME_LEAVE, HeaderHandle, 0};
        FHeaderLeaveTracked = TrackMouseEvent(&t) != 0;
    }
}

LRESULT CALLBACK TacListViewWnd::HeaderInstanceProc(void* Object, UINT Msg, WPARAM WParam, LPARAM LParam) {
    auto* self = static_cast<TacListViewWnd*>(Object);
    try {
        return self->HeaderWndProc(Msg, WParam, LParam);
    } catch (const std::exception& e) {
        HandleApplicationException(e);
        return self->OldHeaderProc ? CallWindowProcW(self->OldHeaderProc, self->HeaderHandle, Msg, WParam, LParam) : 0;
    }
}

LRESULT TacListViewWnd::HeaderWndProc(UINT Msg, WPARAM WParam, LPARAM LParam) {
    HWND header = HeaderHandle;
    WNDPROC old = OldHeaderProc;
    if (Msg == WM_NCDESTROY) {
        SetWindowLongPtrW(header, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old));
        HeaderHandle = nullptr;
        OldHeaderProc = nullptr;
        return CallWindowProcW(old, header, Msg, WParam, LParam);
    }
    bool skinned = PaintsSkinned() && ViewStyle() == 3;
    if (!skinned) return CallWindowProcW(old, header, Msg, WParam, LParam);
    bool buttons = (GetWindowLongW(header, GWL_STYLE) & HDS_BUTTONS) != 0;
    switch (Msg) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = WParam ? reinterpret_cast<HDC>(WParam) : BeginPaint(header, &ps);
            PaintHeader(dc);
            if (!WParam) EndPaint(header, &ps);
            return 0;
        }
        case WM_PRINTCLIENT:
            PaintHeader(reinterpret_cast<HDC>(WParam));
            return 0;
        case WM_ERASEBKGND:
            return 0;
        case WM_WINDOWPOSCHANGED: {
            LRESULT r = CallWindowProcW(old, header, Msg, WParam, LParam);
            RepaintFrame();
            return r;
        }
        case WM_NCHITTEST:
            if (buttons) {
                POINT p = {GET_X_LPARAM(LParam), GET_Y_LPARAM(LParam)};
                ScreenToClient(header, &p);
                TrackHotColumn(p.x, p.y);
            }
            break;
        case WM_MOUSEMOVE:
            if (buttons) TrackHotColumn(GET_X_LPARAM(LParam), GET_Y_LPARAM(LParam));
            break;
        case WM_MOUSELEAVE:
            FHeaderLeaveTracked = false;
            SetHotColumn(-1);
            break;
        case WM_LBUTTONDOWN:
            if (buttons) {
                PressedColumn = ColumnAt(GET_X_LPARAM(LParam), GET_Y_LPARAM(LParam));
                InvalidateRect(header, nullptr, FALSE);
            }
            break;
        case WM_LBUTTONUP:
        case WM_CAPTURECHANGED:
            if (PressedColumn >= 0) {
                PressedColumn = -1;
                InvalidateRect(header, nullptr, FALSE);
            }
            break;
        default:
            break;
    }
    return CallWindowProcW(old, header, Msg, WParam, LParam);
}

int TacListViewWnd::ListPosition(bool Vertical, bool Report) const {
    if (Report && Vertical) return static_cast<int>(SendMessageW(CtrlHandle, LVM_GETTOPINDEX, 0, 0));
    if (Report && HeaderHandle) return ScrollOffsetX();
    // The window's own position may already be the one the drag asks for: the skinned bar's copy is from before.
    if (TacScrollBar* bar = Bar(Vertical ? SB_VERT : SB_HORZ)) return bar->ScrollInfo.nPos;
    SCROLLINFO si = {sizeof si, SIF_POS};
    GetScrollInfo(CtrlHandle, Vertical ? SB_VERT : SB_HORZ, &si);
    return si.nPos;
}

bool TacListViewWnd::TrackThumb(TMessage& Message, bool Report) {
    bool vertical = Message.Msg == WM_VSCROLL;
    int code = LOWORD(Message.WParam);
    bool& tracking = vertical ? FTrackingV : FTrackingH;
    int& last = vertical ? FLastTrackV : FLastTrackH;
    if (code == SB_THUMBPOSITION && tracking) {
        // The drag has scrolled there already.
        Message.Result = 0;
        return true;
    }
    if (code != SB_THUMBTRACK && !(code == SB_ENDSCROLL && tracking)) return false;
    // The list scrolls itself by the thumb's moves: a list view reads the track position only from the system's
    // own bar, which the skinned one replaces.
    int barIndex = vertical ? SB_VERT : SB_HORZ;
    SCROLLINFO si = {sizeof si, SIF_ALL};
    GetScrollInfo(CtrlHandle, barIndex, &si);
    int lastPage = std::max(si.nMin, si.nMax - std::max(static_cast<int>(si.nPage) - 1, 0));
    int from = tracking ? last : ListPosition(vertical, Report);
    int to;
    if (code == SB_THUMBTRACK)
        to = std::clamp(si.nMax > 0xFFFF ? si.nPos : static_cast<int>(HIWORD(Message.WParam)), si.nMin, lastPage);
    else
        to = si.nPos + static_cast<int>(si.nPage) > si.nMax ? lastPage : si.nPos;
    if (to != from) {
        if (vertical)
            SendMessageW(CtrlHandle, LVM_SCROLL, 0, (to - from) * StepOf(CtrlHandle, Report));
        else
            SendMessageW(CtrlHandle, LVM_SCROLL, to - from, 0);
    }
    if (Report) {
        last = ListPosition(vertical, true);
    } else {
        GetScrollInfo(CtrlHandle, barIndex, &si);
        last = si.nPos;
    }
    tracking = code == SB_THUMBTRACK;
    if (!tracking) RepaintBars();
    Message.Result = 0;
    return true;
}

void TacListViewWnd::WndProc(TMessage& Message) {
    if (!PaintsSkinned()) {
        TacEditWnd::WndProc(Message);
        return;
    }
    bool report = ViewStyle() == 3;
    switch (Message.Msg) {
        case WM_HSCROLL:
        case WM_VSCROLL:
            if (TrackThumb(Message, report)) return;
            break;
        case WM_PAINT:
            SetSkinParams();
            break;
        default:
            if (Message.Msg == SM_QUORVEXCMD) {
                switch (SkinCmdOf(Message.WParam)) {
                    case scRefresh:
                        if (reinterpret_cast<TsSkinManager*>(Message.LParam) == SkinManager) {
                            TacEditWnd::WndProc(Message);
                            if (HeaderHandle)
                                RedrawWindow(HeaderHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
                            return;
                        }
                        break;
                    case scGetSkinIndex:
                        Message.Result = SkinData->SkinIndex + 1;
                        return;
                    default:
                        break;
                }
            }
            break;
    }
    TacEditWnd::WndProc(Message);
    if (Destroyed || !PaintsSkinned()) return;
    switch (Message.Msg) {
        case WM_PRINT:
            if (report && HeaderHandle && IsWindowVisible(HeaderHandle)) {
                HDC dc = reinterpret_cast<HDC>(Message.WParam);
                RECT wr, hr;
                GetWindowRect(CtrlHandle, &wr);
                GetWindowRect(HeaderHandle, &hr);
                int saved = SaveDC(dc);
                POINT org;
                GetViewportOrgEx(dc, &org);
                SetViewportOrgEx(dc, org.x + hr.left - wr.left, org.y + hr.top - wr.top, nullptr);
                IntersectClipRect(dc, 0, 0, hr.right - hr.left, hr.bottom - hr.top);
                PaintHeader(dc);
                RestoreDC(dc, saved);
            }
            break;
        case LVM_INSERTITEM_A:
        case LVM_INSERTITEMW:
            if (!SkinData->NeedsRepaint()) RepaintBars();
            break;
        case WM_LBUTTONUP:
            if (GetCapture() == CtrlHandle) ReleaseCapture();
            break;
        case WM_PARENTNOTIFY:
            if (LOWORD(Message.WParam) == WM_CREATE || LOWORD(Message.WParam) == WM_DESTROY) {
                wchar_t cls[32] = {};
                HWND child = reinterpret_cast<HWND>(Message.LParam);
                GetClassNameW(child, cls, 32);
                if (lstrcmpiW(cls, L"SysHeader32") == 0) {
                    if (LOWORD(Message.WParam) == WM_CREATE)
                        HookHeader(child);
                    else if (child == HeaderHandle)
                        UnhookHeader();
                }
            }
            break;
        default:
            break;
    }
}
