#include "acComboWnd.h"

#include <commctrl.h>

#include <windowsx.h>

#include <algorithm>

#include "acAdapterSupport.h"
#include "classlib/runtime/Finally.h"
#include "classlib/visual/Forms.h"
#include "classlib/visual/StdCtrls.h"
#include "skin/engine/acFastPixels.h"
#include "skin/engine/sSkinManager.h"
#include "skin/engine/sVclUtils.h"

bool acComboDroppedDown = false;

namespace {

// The combo list's own notices of mouse tracking.
constexpr UINT LBCB_STARTTRACK = 0x1AE;
constexpr UINT LBCB_ENDTRACK = 0x1AF;

}  // namespace

// --- TacComboBoxWnd ---

TacComboBoxWnd::TacComboBoxWnd() = default;

TacComboBoxWnd::~TacComboBoxWnd() {
    ListAdapter.reset();
    if (FListBrush) DeleteObject(FListBrush);
}

void TacComboBoxWnd::Init(HWND AHandle, TsCommonData* ASkinData, TsSkinManager* ASkinManager,
                          const std::string& SkinSection, bool Repaint) {
    TacEditWnd::Init(AHandle, ASkinData, ASkinManager, SkinSection, Repaint);
    BtnSkinData = std::make_unique<TsCommonData>(this, true);
    BtnSkinData->SetSkinManager(SkinData->SkinManager() == DefaultManager ? nullptr : SkinData->SkinManager());
    BtnSkinData->SetSkinSection("COMBOBTN");
}

int TacComboBoxWnd::Style() const { return static_cast<int>(GetWindowLongW(CtrlHandle, GWL_STYLE) & 3); }

void TacComboBoxWnd::ButtonRect(TRect& R) {
    RECT wr;
    GetWindowRect(CtrlHandle, &wr);
    int w = (Style() & CBS_DROPDOWN) ? GetSystemMetrics(SM_CXVSCROLL) : 0;
    int width = wr.right - wr.left, height = wr.bottom - wr.top;
    R.left = (GetWindowLongW(CtrlHandle, GWL_EXSTYLE) & WS_EX_RTLREADING) ? 2 : width - w - 2;
    R.top = 2;
    R.right = R.left + w;
    R.bottom = height - 2;
}

int TacComboBoxWnd::ButtonState() const {
    if ((ListHandle && IsWindowVisible(ListHandle)) || SendMessageW(CtrlHandle, CB_GETDROPPEDSTATE, 0, 0)) return 2;
    if (SkinData->ControlIsActive() || SkinData->MouseAbove || GetFocus() == CtrlHandle) return 1;
    return 0;
}

std::wstring TacComboBoxWnd::SelectedText() const {
    LRESULT index = SendMessageW(CtrlHandle, CB_GETCURSEL, 0, 0);
    std::wstring text;
    if (index != CB_ERR) {
        LRESULT length = SendMessageW(CtrlHandle, CB_GETLBTEXTLEN, index, 0);
        if (length > 0) {
            // Sized by the item's own length: no text is cut or written past its buffer.
            text.assign(static_cast<size_t>(length) + 1, L'\0');
            LRESULT got = SendMessageW(CtrlHandle, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
            text.resize(got > 0 ? static_cast<size_t>(std::min<LRESULT>(got, length)) : 0);
        }
        return text;
    }
    LRESULT length = SendMessageW(CtrlHandle, WM_GETTEXTLENGTH, 0, 0);
    if (length > 0) {
        text.assign(static_cast<size_t>(length) + 1, L'\0');
        LRESULT got = SendMessageW(CtrlHandle, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<size_t>(std::clamp<LRESULT>(got, 0, length)));
    }
    return text;
}

void TacComboBoxWnd::PaintText(TBitmap* Cache) {
    TRect button;
    ButtonRect(button);
    LONG exStyle = GetWindowLongW(CtrlHandle, GWL_EXSTYLE);
    bool rtl = (exStyle & WS_EX_RTLREADING) != 0;
    // The text lies between the frame and the button, which right-to-left reading puts at the left edge.
    RECT r = rtl ? RECT{std::max<int>(3, button.right), 3, Cache->Width() - 3, Cache->Height() - 3}
                 : RECT{3, 3, button.left, Cache->Height() - 3};
    if (r.right <= r.left) return;
    UINT flags = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS;
    if (rtl) flags |= DT_RTLREADING;
    if (exStyle & WS_EX_RIGHT) flags |= DT_RIGHT;
    HDC dc = Cache->Canvas()->Handle();
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(CtrlHandle, WM_GETFONT, 0, 0));
    HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
    std::wstring text = SelectedText();
    if (Style() == CBS_DROPDOWNLIST && GetFocus() == CtrlHandle) {
        FillDC(dc, TRect(r.left, r.top, r.right, r.bottom), ColorToRGB(clHighlight));
        SetTextColor(dc, ColorToRGB(clHighlightText));
        SetBkMode(dc, TRANSPARENT);
        RECT tr = {r.left + 2, r.top, r.right - 2, r.bottom};
        DrawTextW(dc, text.c_str(), -1, &tr, flags);
        DrawFocusRect(dc, &r);
    } else {
        TControl* owner = SkinData->OwnerControl();
        const TsGeneralData* section = Section();
        TColor color = owner ? ColorToRGB(owner->Font()->Color()) : section ? section->FontColor[0] : 0;
        if (!IsWindowEnabled(CtrlHandle)) color = ColorToRGB(clGrayText);
        SetTextColor(dc, color);
        SetBkMode(dc, TRANSPARENT);
        RECT tr = {r.left + 2, r.top, r.right - 2, r.bottom};
        DrawTextW(dc, text.c_str(), -1, &tr, flags);
    }
    if (old) SelectObject(dc, old);
}

void TacComboBoxWnd::PaintButton(TBitmap* Cache) {
    TsSkinManager* manager = SkinData->SkinManager();
    TRect r;
    ButtonRect(r);
    if (!manager || r.IsEmpty()) return;
    int state = ButtonState();
    // The button goes over a copy of the cache, so that a half-transparent button shows the frame below it.
    auto bg = CreateBmp24(Cache->Width(), Cache->Height());
    BitBlt(bg->Canvas()->Handle(), 0, 0, Cache->Width(), Cache->Height(), Cache->Canvas()->Handle(), 0, 0, SRCCOPY);
    TCacheInfo info = InitCacheInfo(bg.get(), 0, 0);
    int index = manager->ConstData.ComboBtn.SkinIndex;
    if (manager->IsValidSkinIndex(index))
        PaintSkinItem(index, "", info, -1, -1, manager, Cache, r.TopLeft(), r, state, true);
    int glyph = manager->ConstData.ComboBtn.GlyphIndex;
    if (manager->IsValidImgIndex(glyph)) {
        const TsMaskData& mask = manager->Masks[static_cast<size_t>(glyph)];
        int w = MaskStateWidth(mask);
        int h = mask.R.Height() / (std::max<int>(mask.MaskType, 0) + 1);
        TPoint p(r.left + (r.Width() - w) / 2, r.top + (r.Height() - h) / 2);
        DrawMaskGlyph(Cache, p, state, TCacheInfo(), mask, false);
    }
}

void TacComboBoxWnd::PaintSimpleFrame(TBitmap* Cache) {
    TsSkinManager* manager = SkinData->SkinManager();
    int height = static_cast<int>(SendMessageW(CtrlHandle, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0)) + 8;
    TRect r(0, 0, Cache->Width(), std::min(height, Cache->Height()));
    if (DlgMode && manager && manager->GetGlobalColor() != clFuchsia) {
        FillDC(Cache->Canvas()->Handle(), r, ColorToRGB(clWindow));
        FillDC(Cache->Canvas()->Handle(), r, manager->GetGlobalColor());
        return;
    }
    TCacheInfo info;
    acGetParentWndCacheInfo(CtrlHandle, info);
    PaintSkinItem(SkinData->SkinIndex, "", info, -1, -1, manager, Cache, WndPos, r, SkinData->ControlIsActive() ? 1 : 0,
                  true);
}

void TacComboBoxWnd::PaintCombo(HDC DC) {
    GetWndOffsetInParent(CtrlHandle, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
    if (!ParamsChanged) SetSkinParams();
    int style = Style();
    SkinData->BGChanged = true;
    if (style != CBS_SIMPLE) {
        PrepareAdapterCache(SkinData, CtrlHandle, false);
        if (!DlgMode) PaintParentBG(SkinData, SkinData->ControlIsActive() ? 1 : 0, this);
    } else {
        PrepareAdapterCache(SkinData, CtrlHandle, false);
    }
    TBitmap* cache = SkinData->CacheBmp();
    if (!cache || cache->Width() < 4 || cache->Height() < 4) return;
    if (style == CBS_SIMPLE) PaintSimpleFrame(cache);
    if (style == CBS_DROPDOWNLIST) PaintText(cache);
    PaintButton(cache);
    HDC src = cache->Canvas()->Handle();
    if (style == CBS_DROPDOWNLIST) {
        BitBlt(DC, 0, 0, cache->Width(), cache->Height(), src, 0, 0, SRCCOPY);
        return;
    }
    // A combo with an edit field (and the list of a simple one) paints those itself: only the frame around them
    // and the button come from the cache.
    COMBOBOXINFO info = {sizeof info};
    TRect inner(3, 3, cache->Width() - 3, cache->Height() - 3);
    if (GetComboBoxInfo(CtrlHandle, &info))
        inner = TRect(info.rcItem.left, info.rcItem.top, info.rcItem.right, info.rcItem.bottom);
    TRect button;
    ButtonRect(button);
    int saved = SaveDC(DC);
    ExcludeClipRect(DC, inner.left, inner.top, inner.right, inner.bottom);
    if (style == CBS_SIMPLE && info.hwndList) {
        RECT lr;
        GetWindowRect(info.hwndList, &lr);
        RECT wr;
        GetWindowRect(CtrlHandle, &wr);
        ExcludeClipRect(DC, lr.left - wr.left, lr.top - wr.top, lr.right - wr.left, lr.bottom - wr.top);
    }
    BitBlt(DC, 0, 0, cache->Width(), cache->Height(), src, 0, 0, SRCCOPY);
    RestoreDC(DC, saved);
    if (!button.IsEmpty())
        BitBlt(DC, button.left, button.top, button.Width(), button.Height(), src, button.left, button.top, SRCCOPY);
}

void TacComboBoxWnd::RepaintCombo() {
    if (!IsWindowVisible(CtrlHandle) || SkinData->NeedsRepaint()) return;
    HDC dc = GetWindowDC(CtrlHandle);
    auto release = Finally([&] { ReleaseDC(CtrlHandle, dc); });
    PaintCombo(dc);
}

void TacComboBoxWnd::WndProc(TMessage& Message) {
    if (!PaintsSkinned()) {
        TacEditWnd::WndProc(Message);
        return;
    }
    int style = Style();
    switch (Message.Msg) {
        case WM_MOUSEMOVE:
            // Becoming the manager's hot control may have made the combo hot already; its leaving is watched all
            // the same.
            TacEditWnd::WndProc(Message);
            if (Destroyed) return;
            if (!FLeaveTracked) {
                TRACKMOUSEEVENT t = {sizeof t, TME_LEAVE, CtrlHandle, 0};
                FLeaveTracked = TrackMouseEvent(&t) != 0;
            }
            if (!SkinData->MouseAbove) {
                SkinData->MouseAbove = true;
                RepaintCombo();
            }
            return;
        case WM_MOUSELEAVE:
            FLeaveTracked = false;
            TacEditWnd::WndProc(Message);
            if (!Destroyed) {
                SkinData->MouseAbove = false;
                RepaintCombo();
            }
            return;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
        case WM_LBUTTONUP:
            TacEditWnd::WndProc(Message);
            if (!Destroyed) RepaintCombo();
            return;
        case WM_COMMAND:
        case CN_COMMAND:
            // The class library hands a control its own notices as CN_COMMAND.
            if (style == CBS_DROPDOWN) {
                if (HIWORD(Message.WParam) == CBN_DROPDOWN)
                    acComboDroppedDown = true;
                else if (HIWORD(Message.WParam) == CBN_CLOSEUP)
                    acComboDroppedDown = false;
            }
            break;
        case WM_CTLCOLORLISTBOX: {
            TacEditWnd::WndProc(Message);
            HWND list = reinterpret_cast<HWND>(Message.LParam);
            if (!ListHandle && list) {
                ListHandle = list;
                // A list that has an adapter already (a simple combo's, from a dialog's hook) keeps that one.
                if (!ListAdapter && !GetAdapterOfWnd(list)) {
                    bool keepDlgMode = acDlgMode;
                    if (!SkinData->OwnerControl()) acDlgMode = DlgMode;
                    auto restore = Finally([&] { acDlgMode = keepDlgMode; });
                    ListAdapter =
                        CreateAdapter<TacComboListWnd>(list, nullptr, SkinData->SkinManager(), SkinData->SkinSection(),
                                                       SendMessageW(CtrlHandle, CB_GETCOUNT, 0, 0) > 0);
                    ListAdapter->Captured = style == CBS_SIMPLE;
                }
            }
            TsSkinManager* manager = SkinData->SkinManager();
            LRESULT index = list ? SendMessageW(list, SM_QUORVEXCMD, MakeSkinCmd(scGetSkinIndex), 0) - 1 : -1;
            if (manager && manager->IsValidSkinIndex(static_cast<int>(index)) && !DlgMode) {
                const TsGeneralData& section = manager->Sections[static_cast<size_t>(index)];
                HDC dc = reinterpret_cast<HDC>(Message.WParam);
                if (section.FontColor[0] >= 0) SetTextColor(dc, section.FontColor[0]);
                SetBkColor(dc, section.Color);
                if (!FListBrush || FListBrushColor != section.Color) {
                    if (FListBrush) DeleteObject(FListBrush);
                    FListBrush = CreateSolidBrush(section.Color);
                    FListBrushColor = section.Color;
                }
                Message.Result = reinterpret_cast<LRESULT>(FListBrush);
            }
            return;
        }
        case WM_PRINT: {
            HDC dc = reinterpret_cast<HDC>(Message.WParam);
            SkinData->Updating = false;
            SkinData->BGChanged = true;
            if (!ParamsChanged) SetSkinParams();
            if (style != CBS_DROPDOWNLIST) {
                // The edit field (and a simple combo's list) print themselves first; the frame and button go over.
                CallPrevWndProc(Message);
            }
            PaintCombo(dc);
            Message.Result = 0;
            return;
        }
        case WM_NCPAINT:
            Message.Result = 0;
            return;
        case WM_PAINT: {
            if (!IsWindowVisible(CtrlHandle)) break;
            if (SkinData->NeedsRepaint()) {
                PAINTSTRUCT ps;
                BeginPaint(CtrlHandle, &ps);
                EndPaint(CtrlHandle, &ps);
                return;
            }
            if (!ParamsChanged) SetSkinParams();
            if (style == CBS_DROPDOWNLIST && !Message.WParam) {
                // The whole combo is the skin's picture: nothing of the system's own drawing shows.
                PAINTSTRUCT ps;
                HDC dc = BeginPaint(CtrlHandle, &ps);
                PaintCombo(dc);
                EndPaint(CtrlHandle, &ps);
                return;
            }
            CallPrevWndProc(Message);
            HDC dc = Message.WParam ? reinterpret_cast<HDC>(Message.WParam) : GetWindowDC(CtrlHandle);
            PaintCombo(dc);
            if (!Message.WParam) ReleaseDC(CtrlHandle, dc);
            return;
        }
        case WM_ERASEBKGND:
            if (style == CBS_DROPDOWNLIST) {
                Message.Result = 1;
                return;
            }
            break;
        default:
            if (Message.Msg == SM_QUORVEXCMD) {
                switch (SkinCmdOf(Message.WParam)) {
                    case scMouseEnter:
                    case scMouseLeave:
                        SkinData->MouseAbove = SkinCmdOf(Message.WParam) == scMouseEnter;
                        TacEditWnd::WndProc(Message);
                        if (!Destroyed) RepaintCombo();
                        return;
                    case scRemoveSkin:
                        if (reinterpret_cast<TsSkinManager*>(Message.LParam) == SkinManager) ListAdapter.reset();
                        break;
                    default:
                        break;
                }
            }
            break;
    }
    TacEditWnd::WndProc(Message);
    if (!Destroyed && (Message.Msg == CB_SETCURSEL || Message.Msg == WM_SETTEXT || Message.Msg == WM_ENABLE))
        RepaintCombo();
}

// --- TacComboListWnd ---

void TacComboListWnd::Init(HWND AHandle, TsCommonData* ASkinData, TsSkinManager* ASkinManager,
                           const std::string& SkinSection, bool Repaint) {
    // One owner of the skin data: the base makes (and frees) its own when none is given.
    TacEditWnd::Init(AHandle, ASkinData, ASkinManager, SkinSection, Repaint);
    // A list made without a repaint (an empty one) keeps its visual style.
    if (!Repaint && acSetWindowTheme) acSetWindowTheme(AHandle, nullptr, nullptr);
    Tracking = false;
    Captured = false;
}

void TacComboListWnd::PrepareListCache() {
    if (Tracking) {
        SendMessageW(CtrlHandle, SM_QUORVEXCMD, MakeSkinCmd(scRebuildCache), 0);
        return;
    }
    SkinData->UpdateIndexes();
    SetSkinParams();
    SkinData->InitCacheBmp();
    TBitmap* cache = SkinData->CacheBmp();
    RECT wr;
    GetWindowRect(CtrlHandle, &wr);
    cache->SetSize(wr.right - wr.left, wr.bottom - wr.top);
    HDC dc = cache->Canvas()->Handle();
    HBRUSH brush = CreateSolidBrush(ColorToRGB(BGColor));
    HPEN pen = CreatePen(PS_SOLID, 1, ColorToRGB(FrameColor));
    HGDIOBJ oldBrush = SelectObject(dc, brush), oldPen = SelectObject(dc, pen);
    Rectangle(dc, 0, 0, cache->Width(), cache->Height());
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(brush);
    DeleteObject(pen);
    SkinData->BGChanged = false;
}

void TacComboListWnd::WndProc(TMessage& Message) {
    if (!PaintsSkinned()) {
        TacEditWnd::WndProc(Message);
        return;
    }
    switch (Message.Msg) {
        case LBCB_STARTTRACK:
            Tracking = true;
            break;
        case LBCB_ENDTRACK:
            Tracking = false;
            SkinData->BGChanged = true;
            break;
        case WM_NCPAINT: {
            if (Scrolling) break;
            GetWndOffsetInParent(CtrlHandle, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
            PrepareListCache();
            if (!DlgMode) PaintParentBG(SkinData, 0, this);
            {
                HDC dc = GetWindowDC(CtrlHandle);
                auto release = Finally([&] { ReleaseDC(CtrlHandle, dc); });
                TBitmap* cache = SkinData->CacheBmp();
                if (cache) BitBltBorder(dc, 0, 0, cache->Width(), cache->Height(), 2, cache->Canvas()->Handle(), 0, 0);
                PaintScrollBars(this, CtrlHandle, dc);
            }
            if (Captured) PaintParentStripUnder();
            Message.Result = 0;
            return;
        }
        case WM_PRINT:
        case WM_PRINTCLIENT:
            if (Message.WParam && IsWindowVisible(CtrlHandle)) {
                PrepareListCache();
                CallPrevWndProc(Message);
                // A pressed bar is being painted by its press: the print leaves it as it is.
                bool pressed = acScrollTracking.PressedWnd == CtrlHandle;
                if (Message.Msg == WM_PRINT && SendMessageW(CtrlHandle, LB_GETCOUNT, 0, 0) >= 1 && !Tracking &&
                    !pressed) {
                    HDC dc = reinterpret_cast<HDC>(Message.WParam);
                    if (TBitmap* cache = SkinData->CacheBmp())
                        BitBltBorder(dc, 0, 0, cache->Width(), cache->Height(), 3, cache->Canvas()->Handle(), 0, 0);
                    PaintScrollBars(this, CtrlHandle, dc);
                }
                Message.Result = 0;
                return;
            }
            break;
        case WM_NCLBUTTONDOWN:
        case WM_NCLBUTTONDBLCLK: {
            // Only a press on a bar is the list's business; anywhere else the answer is where the press was.
            LRESULT hit = SendMessageW(CtrlHandle, WM_NCHITTEST, 0, Message.LParam);
            if (hit == HTHSCROLL || hit == HTVSCROLL) {
                Message.WParam = static_cast<WPARAM>(hit);
                TacScrollWnd::WndProc(Message);
            } else {
                Message.Result = hit;
            }
            return;
        }
        case WM_ERASEBKGND:
        case WM_HSCROLL:
        case WM_VSCROLL:
            CallPrevWndProc(Message);
            if (Message.Msg != WM_ERASEBKGND) RepaintBars();
            return;
        case WM_NCCALCSIZE:
            TacScrollWnd::WndProc(Message);
            return;
        case WM_LBUTTONUP: {
            // The list learns where the button went up as a hit code.
            POINT p = {GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)};
            ClientToScreen(CtrlHandle, &p);
            Message.WParam = static_cast<WPARAM>(SendMessageW(CtrlHandle, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y)));
            TacScrollWnd::WndProc(Message);
            if (Captured && GetCapture() == CtrlHandle) ReleaseCapture();
            return;
        }
        default:
            break;
    }
    TacEditWnd::WndProc(Message);
    if (!Destroyed && Message.Msg == WM_WINDOWPOSCHANGED) RepaintBars();
}

void TacComboListWnd::PaintParentStripUnder() {
    HWND parent = GetParent(CtrlHandle);
    TacMainWnd* combo = parent ? GetAdapterOfWnd(parent) : nullptr;
    TBitmap* picture = combo && combo->SkinData ? combo->SkinData->CacheBmp() : nullptr;
    if (!picture) return;
    // The simple combo's list is sized to whole items: between its bottom and the combo's edge the combo's own
    // picture shows.
    RECT lr, pr, pc;
    GetWindowRect(CtrlHandle, &lr);
    GetWindowRect(parent, &pr);
    GetClientRect(parent, &pc);
    POINT client = {0, 0};
    ClientToScreen(parent, &client);
    int left = lr.left - pr.left, top = lr.bottom - pr.top;
    int bottom = std::min<int>(client.y - pr.top + pc.bottom, picture->Height());
    int width = std::min<int>(lr.right - lr.left, picture->Width() - left);
    if (bottom <= top || width <= 0) return;
    HDC dc = GetWindowDC(parent);
    auto release = Finally([&] { ReleaseDC(parent, dc); });
    BitBlt(dc, left, top, width, bottom - top, picture->Canvas()->Handle(), left, top, SRCCOPY);
}

// --- TacWWComboBoxWnd ---

TacAdapterPtr<TacWWComboBoxWnd> TacWWComboBoxWnd::CreateForControl(TWinControl* AControl, TsCommonData* ASkinData,
                                                                   TsSkinManager* ASkinManager,
                                                                   const std::string& SkinSection, bool Repaint) {
    if (!AControl) throw EInvalidOperation("A combo adapter needs a control");
    TacAdapterPtr<TacWWComboBoxWnd> adapter(new TacWWComboBoxWnd());
    adapter->HasButton = true;
    if (AControl->ClassNameIs("TComboBox"))
        if (auto* combo = dynamic_cast<TCustomComboBox*>(AControl))
            adapter->HasButton = combo->Style() == csDropDown || combo->Style() == csDropDownList;
    adapter->Init(AControl->Handle(), ASkinData, ASkinManager, SkinSection, Repaint);
    return adapter;
}

void TacWWComboBoxWnd::ButtonRect(TRect& R) {
    int w = HasButton ? GetSystemMetrics(SM_CXVSCROLL) : 0;
    RECT wr;
    GetWindowRect(CtrlHandle, &wr);
    int width = wr.right - wr.left, height = wr.bottom - wr.top;
    R.left = (GetWindowLongW(CtrlHandle, GWL_EXSTYLE) & WS_EX_RTLREADING) ? 2 : width - w - 2;
    R.top = 2;
    R.right = R.left + w;
    R.bottom = height - 2;
}
