#include "acTabWnds.h"

#include "acAdapterSupport.h"
#include "acContainerSupport.h"

#include "skin/engine/acFastPixels.h"
#include "skin/engine/sSkinManager.h"
#include "skin/engine/sVclUtils.h"

#include "classlib/visual/ComCtrls.h"
#include "classlib/visual/ImgList.h"

#include <commctrl.h>

#include <algorithm>
#include <cwchar>
#include <string>
#include <vector>

namespace {

// The page adapters made by page controls, each with the control it was made for.
struct PageEntry {
    HWND Control;
    TacAdapterPtr<TacPageWnd> Adapter;
};
std::vector<PageEntry>& PageAdapters() {
    static std::vector<PageEntry> list;
    return list;
}

// Adapters whose windows are gone have nothing left to do.
void DropDeadPages() {
    auto& list = PageAdapters();
    list.erase(std::remove_if(list.begin(), list.end(),
                              [](const PageEntry& e) { return e.Adapter->Destroyed || !IsWindow(e.Adapter->CtrlHandle); }),
               list.end());
}

void ReleasePagesOf(HWND Control) {
    auto& list = PageAdapters();
    list.erase(std::remove_if(list.begin(), list.end(), [Control](const PageEntry& e) { return e.Control == Control; }),
               list.end());
}

bool IsClass(HWND Wnd, const wchar_t* Name) {
    wchar_t name[64] = {};
    GetClassNameW(Wnd, name, 64);
    return lstrcmpiW(name, Name) == 0;
}

BOOL CALLBACK AddDialogPage(HWND Child, LPARAM LParam) {
    try {
        HWND control = reinterpret_cast<HWND>(LParam);
        if (GetParent(Child) != control)
            return TRUE;
        auto* manager = reinterpret_cast<TsSkinManager*>(
            SendMessageW(control, SM_QUORVEXCMD, MakeSkinCmd(scGetCaptionOrManager), 0));
        if (!manager || GetSkinCmdBool(Child, scIsSkinned))
            return TRUE;
        // The arrows of overflowing tabs belong to the spin adapter.
        if (IsClass(Child, UPDOWN_CLASSW))
            return TRUE;
        DropDeadPages();
        PageAdapters().push_back({control, CreateAdapter<TacPageWnd>(Child, nullptr, manager, "CHECKBOX", true)});
    } catch (...) {
        // A page that cannot be skinned keeps its own look.
    }
    return TRUE;
}

// The tab's text as the control holds it: wide, so that no character is lost to the code page.
std::wstring TabText(HWND Wnd, int Index, int& Image) {
    std::vector<wchar_t> buffer(4097, L'\0');
    TCITEMW item{};
    item.mask = TCIF_TEXT | TCIF_IMAGE | TCIF_STATE;
    item.pszText = buffer.data();
    item.cchTextMax = static_cast<int>(buffer.size()) - 1;
    Image = -1;
    if (!SendMessageW(Wnd, TCM_GETITEMW, Index, reinterpret_cast<LPARAM>(&item)))
        return std::wstring();
    Image = item.iImage;
    // The control may hand its own buffer back instead of filling ours.
    const wchar_t* text = item.pszText ? item.pszText : buffer.data();
    return std::wstring(text, wcsnlen(text, 4096));
}

int WideTextWidth(TCanvas* Canvas, const std::wstring& Text) {
    HDC dc = Canvas->Handle();
    HGDIOBJ old = SelectObject(dc, Canvas->Font()->Handle());
    SIZE size{};
    GetTextExtentPoint32W(dc, Text.c_str(), static_cast<int>(Text.size()), &size);
    SelectObject(dc, old);
    return size.cx;
}

}  // namespace

int PageAdapterCount(HWND Control) {
    DropDeadPages();
    return static_cast<int>(std::count_if(PageAdapters().begin(), PageAdapters().end(),
                                          [Control](const PageEntry& e) { return e.Control == Control; }));
}

// --- TacTabControlWnd ---

int TacTabControlWnd::TabCount() const { return static_cast<int>(SendMessageW(CtrlHandle, TCM_GETITEMCOUNT, 0, 0)); }
int TacTabControlWnd::Selected() const { return static_cast<int>(SendMessageW(CtrlHandle, TCM_GETCURSEL, 0, 0)); }

TacTabPosition TacTabControlWnd::Position() const { return TabPositionOf(GetWindowLongW(CtrlHandle, GWL_STYLE)); }

void TacTabControlWnd::DisplayRect(TRect& R) {
    RECT w{};
    GetWindowRect(CtrlHandle, &w);
    R = TRect(0, 0, w.right - w.left, w.bottom - w.top);
    SendMessageW(CtrlHandle, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&R));
    R.top += 2;
}

void TacTabControlWnd::PageRect(TRect& R) {
    TRect d;
    DisplayRect(d);
    RECT w{};
    GetWindowRect(CtrlHandle, &w);
    R = PageRectOf(w.right - w.left, w.bottom - w.top, d, Position(), TabCount() > 0);
}

TRect TacTabControlWnd::TabsBand() {
    TRect d;
    DisplayRect(d);
    RECT w{};
    GetWindowRect(CtrlHandle, &w);
    return TabsBandOf(w.right - w.left, w.bottom - w.top, d, Position(), TabCount() > 0);
}

TRect TacTabControlWnd::TabRect(int Index, bool Active) {
    if (Index < 0 || Index >= TabCount() || Selected() < 0)
        return TRect();
    TRect r;
    SendMessageW(CtrlHandle, TCM_GETITEMRECT, Index, reinterpret_cast<LPARAM>(&r));
    return AdjustTabRect(r, Position(), Active, TabStyleOf(GetWindowLongW(CtrlHandle, GWL_STYLE)));
}

int TacTabControlWnd::TabRow(int Index) {
    int rows = static_cast<int>(SendMessageW(CtrlHandle, TCM_GETROWCOUNT, 0, 0));
    if (rows < 2)
        return 1;
    TRect r;
    SendMessageW(CtrlHandle, TCM_GETITEMRECT, Index, reinterpret_cast<LPARAM>(&r));
    return TabRowOf(r, TabsBand(), rows, Position());
}

void TacTabControlWnd::UpdateSpin() {
    if (!SkinData->Skinned())
        return;
    HWND spin = FindWindowExW(CtrlHandle, nullptr, UPDOWN_CLASSW, nullptr);
    if (!spin) {
        FSpinWnd.reset();
        FSpinHandle = nullptr;
        return;
    }
    // The same arrows keep their adapter; only new arrows get a new one.
    if (spin == FSpinHandle && FSpinWnd && !FSpinWnd->Destroyed)
        return;
    FSpinWnd.reset();
    FSpinWnd = CreateAdapter<TacSpinWnd>(spin, nullptr, SkinData->SkinManager(), "UPDOWNBTN", false);
    FSpinHandle = spin;
}

void TacTabControlWnd::PaintTabControl(TMessage& Message) {
    GetWndOffsetInParent(CtrlHandle, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
    SkinData->Updating = SkinData->NeedsRepaint();
    if (SkinData->Updating)
        return;
    SkinData->BGChanged = true;
    // While the forms are locked for a skin change nothing reaches the screen but through a DC that was given.
    bool given = Message.WParam && (Message.LParam == 1 || Message.Msg == WM_PRINT || acAnimInProgress);
    HDC dc = given ? reinterpret_cast<HDC>(Message.WParam) : GetDC(CtrlHandle);
    int saved = SaveDC(dc);
    TsSkinManager* manager = SkinData->SkinManager();
    int count = TabCount();
    std::string section = count > 0 ? PageSectionOf(SkinData->SkinSection(), Position()) : "CHECKBOX";
    if (manager)
        SkinData->SkinIndex = manager->GetSkinIndex(section);
    TCacheInfo parent;
    GetParentWndCacheInfo(CtrlHandle, parent);
    SkinData->InitCacheBmp();
    TBitmap* cache = SkinData->CacheBmp();
    if (SkinData->BGChanged) {
        cache->SetSize(WndSize.cx, WndSize.cy);
        if (count > 0)
            PaintTabs(parent);
        TRect page;
        PageRect(page);
        PaintSkinItem(SkinData->SkinIndex, "", parent, -1, -1, manager, cache,
                      TPoint(WndPos.x + page.left, WndPos.y + page.top), page, 0, true);
        SkinData->BGChanged = false;
    }
    int selected = Selected();
    TRect all(0, 0, WndSize.cx, WndSize.cy);
    if (count > 0 && selected >= 0) {
        TRect active = TabRect(selected, true);
        int inner = SaveDC(dc);
        ExcludeClipRect(dc, active.left, active.top, active.right, active.bottom);
        CopyHwndCache(CtrlHandle, SkinData, all, 0, 0, false, dc, all);
        RestoreDC(dc, inner);
        PaintActiveTab(selected, 2, dc);
    } else {
        CopyHwndCache(CtrlHandle, SkinData, all, 0, 0, false, dc, all);
    }
    RestoreDC(dc, saved);
    if (!given)
        ReleaseDC(CtrlHandle, dc);
}

void TacTabControlWnd::PaintTabs(const TCacheInfo& Parent) {
    TBitmap* cache = SkinData->CacheBmp();
    FillFromParentInfo(cache, TabsBand(), Parent, WndPos);
    int rows = std::max(1, static_cast<int>(SendMessageW(CtrlHandle, TCM_GETROWCOUNT, 0, 0)));
    int selected = Selected(), count = TabCount();
    for (int row = 1; row <= rows; ++row)
        for (int i = 0; i < count; ++i)
            if (i != selected && TabRow(i) == row)
                DrawTab(i, 0, TPoint(0, 0), cache);
}

void TacTabControlWnd::PaintActiveTab(int Index, int State, HDC DC) {
    TRect r = TabRect(Index, State == 2);
    if (r.IsEmpty())
        return;
    auto bmp = CreateBmp24(r.Width(), r.Height());
    // What the control shows there without the tab: a tab section without a frame paints nothing of its own.
    BitBlt(bmp->Canvas()->Handle(), 0, 0, r.Width(), r.Height(), SkinData->CacheBmp()->Canvas()->Handle(), r.left,
           r.top, SRCCOPY);
    DrawTab(Index, State, TPoint(-r.left, -r.top), bmp.get());
    BitBlt(DC, r.left, r.top, r.Width(), r.Height(), bmp->Canvas()->Handle(), 0, 0, SRCCOPY);
}

void TacTabControlWnd::DrawTab(int Index, int State, const TPoint& Offset, TBitmap* Target) {
    TsSkinManager* manager = SkinData->SkinManager();
    if (!manager)
        return;
    TCanvas* canvas = Target->Canvas();
    if (TControl* owner = SkinData->OwnerControl()) {
        canvas->Font()->Assign(owner->Font());
    } else {
        HFONT font = reinterpret_cast<HFONT>(SendMessageW(CtrlHandle, WM_GETFONT, 0, 0));
        LOGFONTW lf{};
        if (GetObjectW(font ? font : GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf))
            canvas->Font()->SetHandle(CreateFontIndirectW(&lf));
    }
    bool active = State == 2 && Index == Selected();
    TRect r = TabRect(Index, active);
    if (r.IsEmpty())
        return;
    int image = -1;
    std::wstring text = TabText(CtrlHandle, Index, image);
    TacTabPosition position = Position();
    int tabStyle = TabStyleOf(GetWindowLongW(CtrlHandle, GWL_STYLE));
    int index = -1;
    if (tabStyle == 0) {
        const TacSectionIndexes* tabs[4] = {&manager->ConstData.TabTop, &manager->ConstData.TabBottom,
                                            &manager->ConstData.TabLeft, &manager->ConstData.TabRight};
        index = tabs[position]->SkinIndex;
    }
    if (index < 0)
        index = manager->GetSkinIndex(TabSectionOf(position, tabStyle));
    int border = manager->IsValidSkinIndex(index)
                     ? manager->GetMaskIndex(index, manager->Sections[static_cast<size_t>(index)].ClassName, "BORDERSMASK")
                     : -1;
    TRect t = r;
    OffsetRect(&t, Offset.x, Offset.y);
    if (manager->IsValidImgIndex(border)) {
        // The tab over what lies below it in the control's picture.
        auto tab = CreateBmp24(r.Width(), r.Height());
        PaintSectionOver(index, manager, tab.get(), TRect(0, 0, r.Width(), r.Height()), State, SkinData->CacheBmp(),
                         r.TopLeft());
        BitBlt(canvas->Handle(), t.left, t.top, r.Width(), r.Height(), tab->Canvas()->Handle(), 0, 0, SRCCOPY);
    }
    auto images = reinterpret_cast<HIMAGELIST>(SendMessageW(CtrlHandle, TCM_GETIMAGELIST, 0, 0));
    if (position == tpLeft || position == tpRight) {
        DrawVerticalText(canvas, text, t, index, State, images, image, active);
        return;
    }
    if (images && image != -1) {
        int w = 0, h = 0;
        ImageList_GetIconSize(images, &w, &h);
        int textWidth = WideTextWidth(canvas, text);
        int x = t.left + (t.Width() - (textWidth + w + 8)) / 2, y = t.top + (t.Height() - h) / 2;
        auto* tabs = dynamic_cast<TCustomTabControl*>(SkinData->OwnerControl());
        if (tabs && tabs->Images())
            tabs->Images()->Draw(canvas, x, y, image, true);
        else
            ImageList_Draw(images, image, canvas->Handle(), x, y, ILD_NORMAL);
        t.left += w;
    }
    canvas->Brush()->SetStyle(bsClear);
    WriteTextEx(canvas, text, true, t, DT_SINGLELINE | DT_VCENTER | DT_CENTER, index, State != 0, manager);
}

void TacTabControlWnd::DrawVerticalText(TCanvas* Canvas, const std::wstring& Text, TRect T, int SectionIndex,
                                        int State, HIMAGELIST Images, int Image, bool Active) {
    TsSkinManager* manager = SkinData->SkinManager();
    bool left = Position() == tpLeft;
    LOGFONTW lf{};
    GetObjectW(Canvas->Font()->Handle(), sizeof lf, &lf);
    // Left tabs read upward, right tabs downward.
    lf.lfEscapement = lf.lfOrientation = left ? 900 : 2700;
    lf.lfWeight = FW_NORMAL;
    lstrcpyW(lf.lfFaceName, L"Arial");
    HFONT rotated = CreateFontIndirectW(&lf);
    HDC dc = Canvas->Handle();
    HGDIOBJ old = SelectObject(dc, rotated);
    SIZE extent{};
    GetTextExtentPoint32W(dc, Text.c_str(), static_cast<int>(Text.size()), &extent);
    int length = extent.cx, thickness = extent.cy;
    TColor color = 0;
    if (manager && manager->IsValidSkinIndex(SectionIndex)) {
        const TsGeneralData& s = manager->Sections[static_cast<size_t>(SectionIndex)];
        color = State != 0 ? s.HotFontColor[0] : s.FontColor[0];
    }
    SetTextColor(dc, ColorToRGB(color));
    SetBkMode(dc, TRANSPARENT);
    int w = 0, h = 0;
    bool withImage = Images && Image != -1;
    if (withImage)
        ImageList_GetIconSize(Images, &w, &h);
    int x = 0, y = 0;
    if (left) {
        if (withImage) {
            if (Active)
                OffsetRect(&T, 2, 0);
            int g = (T.Height() - (h + 4 + length)) / 2;
            ImageList_Draw(Images, Image, dc, T.left + (T.Width() - w) / 2, T.bottom - g - h, ILD_NORMAL);
            x = T.left + (T.Width() - thickness) / 2;
            y = T.bottom - g - h - 4;
        } else {
            x = T.left + (T.Width() - thickness) / 2;
            y = T.bottom - (T.Height() - length) / 2;
        }
    } else {
        OffsetRect(&T, -2, -1);
        x = T.left + (T.Width() - thickness) / 2 + thickness;
        if (withImage) {
            int g = (T.Height() - (h + 4 + length)) / 2;
            ImageList_Draw(Images, Image, dc, T.left + (T.Width() - w) / 2, T.top + g, ILD_NORMAL);
            y = T.top + g + h + 4;
        } else {
            y = T.top + (T.Height() - length) / 2;
        }
    }
    ExtTextOutW(dc, x, y, ETO_CLIPPED, &T, Text.c_str(), static_cast<UINT>(Text.size()), nullptr);
    SelectObject(dc, old);
    DeleteObject(rotated);
    GdiFlush();
}

void TacTabControlWnd::WndProc(TMessage& Message) {
    if (!SkinActive() || !SkinData) {
        TacMainWnd::WndProc(Message);
        return;
    }
    bool skinned = SkinData->Skinned();
    if (Message.Msg == SM_QUORVEXCMD) {
        bool own = reinterpret_cast<TsSkinManager*>(Message.LParam) == SkinData->SkinManager();
        switch (SkinCmdOf(Message.WParam)) {
        case scNewSkin:
            BroadcastToChildWindows(CtrlHandle, Message);
            if (own)
                TacMainWnd::WndProc(Message);
            return;
        case scRemoveSkin:
            if (own) {
                // The skin data lets the skin go first, so that the redraw below shows the control's own look.
                CommonMessage(Message, SkinData);
                TacMainWnd::WndProc(Message);
                UpdateSpin();
            }
            BroadcastToChildWindows(CtrlHandle, Message);
            if (own)
                RedrawWindow(CtrlHandle, nullptr, nullptr,
                             RDW_INVALIDATE | RDW_INTERNALPAINT | RDW_ERASE | RDW_UPDATENOW | RDW_ERASENOW | RDW_FRAME);
            return;
        case scRefresh:
            if (own) {
                SkinData->UpdateIndexes();
                SkinData->BGChanged = true;
                SkinData->Updating = false;
                InvalidateRect(CtrlHandle, nullptr, TRUE);
                UpdateSpin();
            }
            BroadcastToChildWindows(CtrlHandle, Message);
            return;
        case scRepaintHeld:
            if (skinned) {
                SkinData->Updating = false;
                InvalidateRect(CtrlHandle, nullptr, TRUE);
            }
            return;
        case scIsSkinned:
            Message.Result = 1;
            return;
        case scIsBusy:
            if (skinned)
                Message.Result = SkinData->Updating ? 1 : 0;
            return;
        case scGetCaptionOrManager:
            Message.Result = reinterpret_cast<LRESULT>(SkinData->SkinManager());
            return;
        default:
            break;
        }
        TacMainWnd::WndProc(Message);
        return;
    }
    if (skinned) {
        switch (Message.Msg) {
        case WM_PAINT: {
            PAINTSTRUCT ps{};
            BeginPaint(CtrlHandle, &ps);
            // An update without erasing still needs the picture.
            if (!FErased && !acAnimInProgress && IsWindowVisible(CtrlHandle)) {
                TMessage paint{};
                paint.Msg = WM_ERASEBKGND;
                PaintTabControl(paint);
            }
            FErased = false;
            EndPaint(CtrlHandle, &ps);
            return;
        }
        case WM_ERASEBKGND:
            if (IsWindowVisible(CtrlHandle)) {
                if (!acAnimInProgress) {
                    PaintTabControl(Message);
                    FErased = true;
                }
                UpdateSpin();
            }
            Message.Result = 0;
            return;
        case WM_NCPAINT:
            return;
        case WM_PRINT:
            UpdateSpin();
            PaintTabControl(Message);
            return;
        default:
            break;
        }
    }
    TacMainWnd::WndProc(Message);
    if (!SkinData->Skinned())
        return;
    switch (Message.Msg) {
    case WM_SIZE: {
        UpdateSpin();
        RECT r{};
        GetWindowRect(CtrlHandle, &r);
        if (r.right - r.left < WndSize.cx || r.bottom - r.top < WndSize.cy)
            RedrawWindow(CtrlHandle, nullptr, nullptr,
                         RDW_INVALIDATE | RDW_NOINTERNALPAINT | RDW_NOERASE | RDW_NOCHILDREN | RDW_FRAME);
        break;
    }
    case TCM_SETCURSEL:
        RedrawWindow(CtrlHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
        break;
    case CM_CONTROLLISTCHANGE:
        UpdateSpin();
        break;
    default:
        break;
    }
}

// --- TacPageControlWnd ---

TacPageControlWnd::~TacPageControlWnd() {
    // The pages' adapters go with the control's, so no page keeps a skinned procedure behind it.
    ReleasePagesOf(CtrlHandle);
}

void TacPageControlWnd::AddPages() { EnumChildWindows(CtrlHandle, AddDialogPage, reinterpret_cast<LPARAM>(CtrlHandle)); }

void TacPageControlWnd::WndProc(TMessage& Message) {
    if (SkinActive() && SkinData && SkinData->Skinned()) {
        switch (Message.Msg) {
        case WM_ERASEBKGND:
            if (IsWindowVisible(CtrlHandle)) {
                if (!acAnimInProgress) {
                    PaintTabControl(Message);
                    FErased = true;
                }
                UpdateSpin();
                Message.Result = 1;
                return;
            }
            break;
        case WM_NCPAINT:
            AddPages();
            return;
        case WM_PARENTNOTIFY:
            if (LOWORD(Message.WParam) == WM_CREATE)
                AddPages();
            break;
        default:
            if (Message.Msg == SM_QUORVEXCMD && SkinCmdOf(Message.WParam) == scRemoveSkin &&
                reinterpret_cast<TsSkinManager*>(Message.LParam) == SkinData->SkinManager()) {
                TacTabControlWnd::WndProc(Message);
                ReleasePagesOf(CtrlHandle);
                return;
            }
            break;
        }
    }
    TacTabControlWnd::WndProc(Message);
}

// --- TacPageWnd ---

void TacPageWnd::PaintPage(HDC DC) {
    GetWndOffsetInParent(CtrlHandle, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
    if (!DC)
        return;
    TacBGInfo info;
    QueryWndBGInfo(info, ParentWnd, false);
    TRect page(0, 0, WndSize.cx, WndSize.cy);
    if (info.BgType == 2 && info.Bmp) {
        BitBlt(DC, 0, 0, WndSize.cx, WndSize.cy, info.Bmp->Canvas()->Handle(), WndPos.x + info.Offset.x,
               WndPos.y + info.Offset.y, SRCCOPY);
        return;
    }
    FillDC(DC, page, ColorToRGB(info.BgType ? info.Color : clBtnFace));
    if (info.Bmp) {
        // The edge that faces the tabs keeps the control's frame.
        TRect strip = page;
        switch (TabPositionOf(GetWindowLongW(ParentWnd, GWL_STYLE))) {
        case tpTop: strip.bottom = 3; break;
        case tpBottom: strip.top = strip.bottom - 3; break;
        case tpLeft: strip.right = 3; break;
        case tpRight: strip.left = strip.right - 3; break;
        }
        BitBlt(DC, strip.left, strip.top, strip.Width(), strip.Height(), info.Bmp->Canvas()->Handle(),
               WndPos.x + strip.left, WndPos.y + strip.top, SRCCOPY);
    }
}

void TacPageWnd::WndProc(TMessage& Message) {
    if (!SkinActive() || !SkinData) {
        TacMainWnd::WndProc(Message);
        return;
    }
    if (Message.Msg == SM_QUORVEXCMD) {
        bool own = reinterpret_cast<TsSkinManager*>(Message.LParam) == SkinData->SkinManager();
        switch (SkinCmdOf(Message.WParam)) {
        case scNewSkin:
            BroadcastToChildWindows(CtrlHandle, Message);
            if (own)
                TacMainWnd::WndProc(Message);
            return;
        case scRemoveSkin:
            if (own) {
                CommonMessage(Message, SkinData);
                InvalidateRect(CtrlHandle, nullptr, TRUE);
            }
            BroadcastToChildWindows(CtrlHandle, Message);
            TacMainWnd::WndProc(Message);
            return;
        case scRefresh:
            if (own) {
                SkinData->UpdateIndexes();
                InvalidateRect(CtrlHandle, nullptr, TRUE);
            }
            BroadcastToChildWindows(CtrlHandle, Message);
            return;
        case scRepaintHeld:
            if (SkinData->NeedsRepaint()) {
                SkinData->Updating = false;
                InvalidateRect(CtrlHandle, nullptr, TRUE);
            }
            return;
        case scIsSkinned:
            Message.Result = 1;
            return;
        case scIsBusy:
            Message.Result = SkinData->Updating ? 1 : 0;
            return;
        case scGetBgInfo: {
            auto* info = reinterpret_cast<TacBGInfo*>(Message.LParam);
            if (!info)
                return;
            GetWndOffsetInParent(CtrlHandle, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
            // What lies under the page's child lies under the page at the child's place in it: a drawing
            // asker's place moves into the control before the question, an answered offset after it.
            if (info->PleaseDraw) {
                info->Offset.x += WndPos.x;
                info->Offset.y += WndPos.y;
                QueryWndBGInfo(*info, ParentWnd, true);
            } else {
                QueryWndBGInfo(*info, ParentWnd, false);
                info->Offset.x += WndPos.x;
                info->Offset.y += WndPos.y;
            }
            return;
        }
        default:
            break;
        }
        TacMainWnd::WndProc(Message);
        return;
    }
    if (SkinData->Skinned()) {
        switch (Message.Msg) {
        case WM_ERASEBKGND:
            if (IsWindowVisible(CtrlHandle)) {
                PaintPage(reinterpret_cast<HDC>(Message.WParam));
                Message.Result = 1;
                return;
            }
            break;
        case WM_NCPAINT:
            return;
        case WM_PRINT:
            PaintPage(reinterpret_cast<HDC>(Message.WParam));
            SendMessageW(CtrlHandle, WM_PAINT, Message.WParam, Message.LParam);
            return;
        default:
            break;
        }
    }
    TacMainWnd::WndProc(Message);
    if (Message.Msg == WM_PARENTNOTIFY && LOWORD(Message.WParam) == WM_CREATE)
        SendToTopParent(CtrlHandle);
}
