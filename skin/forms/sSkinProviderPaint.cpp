// The skin provider's painting: the frame cache (borders, caption, caption buttons, menu line), its copy to the
// window, and the client background.
#include "sSkinProvider.h"
#include "sSkinMenus.h"
#include "sSystemMenu.h"

#include "skin/adapters/acBorderFrame.h"
#include "skin/engine/acFastPixels.h"
#include "skin/engine/sCommonData.h"
#include "skin/engine/sGraphUtils.h"
#include "skin/engine/sSkinData.h"
#include "skin/engine/sSkinManager.h"
#include "skin/engine/sVclUtils.h"

#include "classlib/runtime/Finally.h"
#include "classlib/visual/Forms.h"
#include "classlib/visual/Menus.h"

#include <algorithm>

namespace {

// The size of the caption icon for a caption of that height.
int IconSize(int CaptionHeight) {
    if (CaptionHeight < 9)
        return 0;
    if (CaptionHeight <= 16)
        return 8;
    if (CaptionHeight <= 27)
        return 16;
    return 32;
}

// A background that tells nothing: masked images keep what lies in the bitmap already.
TCacheInfo NoBackground() {
    TCacheInfo info;
    info.Ready = false;
    info.FillColor = clFuchsia;
    return info;
}

bool BigCaptionStyle(TCustomForm* Form) {
    return Form && (Form->BorderStyle() == bsSingle || Form->BorderStyle() == bsSizeable);
}

}  // namespace

TBitmap* TsSkinProvider::Cache() const {
    return FSkinData->CacheBmp();
}

int TsSkinProvider::CaptionSection() const {
    TsSkinManager* manager = FSkinData->SkinManager();
    return manager ? manager->GetSkinIndex(CaptionSectionName()) : -1;
}

std::string TsSkinProvider::CaptionSectionName() const {
    return FTitleSkin.empty() ? "FORMTITLE" : FTitleSkin;
}

// --- caption buttons ---

void TsSkinProvider::InitTitleButtonGlyphs() {
    TsSkinManager* manager = FSkinData->SkinManager();
    if (!manager || !manager->IsValidSkinIndex(FSkinData->SkinIndex) || !FForm)
        return;
    int global = manager->ConstData.IndexGlobalInfo;
    auto glyph = [&](const char* key) { return manager->GetMaskIndex(global, "GLOBALINFO", key); };
    auto bigSet = [&] {
        FButtons[cbMin].ImageIndex = glyph("BICONMIN");
        FButtons[cbMax].ImageIndex = glyph("BICONMAX");
        FButtons[cbClose].ImageIndex = glyph("BICONCLOSE");
        FButtons[cbHelp].ImageIndex = glyph("BICONHELP");
        for (int i = cbMin; i <= cbHelp; ++i)
            FButtons[i].Big = true;
    };
    if (BigCaptionStyle(FForm)) {
        bigSet();
    } else {
        FButtons[cbMin].ImageIndex = glyph("SICONMIN");
        FButtons[cbMax].ImageIndex = glyph("SICONMAX");
        FButtons[cbClose].ImageIndex = glyph("SICONCLOSE");
        FButtons[cbHelp].ImageIndex = glyph("SICONHELP");
        if (FButtons[cbHelp].ImageIndex < 0)
            FButtons[cbHelp].ImageIndex = glyph("BICONHELP");
        for (int i = cbMin; i <= cbHelp; ++i)
            FButtons[i].Big = false;
    }
    if (FButtons[cbClose].ImageIndex < 0) {
        bigSet();
        if (FForm->FormStyle() == fsMDIForm) {
            FButtons[cbMDIMin].ImageIndex = glyph("BICONMIN");
            FButtons[cbMDIMax].ImageIndex = glyph("BICONMAX");
            FButtons[cbMDIClose].ImageIndex = glyph("BICONCLOSE");
            FButtons[cbMDIMin].Big = FButtons[cbMDIMax].Big = FButtons[cbMDIClose].Big = true;
        }
    } else if (FForm->FormStyle() == fsMDIForm) {
        FButtons[cbMDIMin].ImageIndex = glyph("SICONMIN");
        FButtons[cbMDIMax].ImageIndex = glyph("SICONMAX");
        FButtons[cbMDIClose].ImageIndex = glyph("SICONCLOSE");
        FButtons[cbMDIMin].Big = FButtons[cbMDIMax].Big = FButtons[cbMDIClose].Big = false;
        if (FButtons[cbMDIMin].ImageIndex < 0) {
            FButtons[cbMDIMin].ImageIndex = FButtons[cbMin].ImageIndex;
            FButtons[cbMDIMax].ImageIndex = FButtons[cbMax].ImageIndex;
            FButtons[cbMDIClose].ImageIndex = FButtons[cbClose].ImageIndex;
            FButtons[cbMDIMin].Big = FButtons[cbMDIMax].Big = FButtons[cbMDIClose].Big = true;
        }
    }
    FUserButtonImage = glyph("TITLEBUTTON");
}

void TsSkinProvider::DrawTitleButton(TsCaptionButton& Btn, bool Enabled, int Width) {
    Btn.Rect.left = Btn.Rect.right - Width;
    int height = ButtonHeight();
    int centred = (SysCaptionHeight() - height + SysBorderHeight()) / 2;
    int top = centred;
    if (!Btn.Big) {
        if (BigCaptionStyle(FForm) && height < 16)
            top += 2;
    } else {
        TsSkinManager* manager = FSkinData->SkinManager();
        int align = manager && manager->SkinData() ? manager->SkinData()->BIVAlign : 0;
        if (align == 1)
            // A fixed place under the top border.
            top = SysBorderHeight();
        else if (height < 16)
            top += 2;
    }
    Btn.Rect.top = top;
    Btn.Rect.bottom = top + height;
    TsSkinManager* manager = FSkinData->SkinManager();
    TBitmap* cache = Cache();
    if (!manager || !cache || !manager->IsValidImgIndex(Btn.ImageIndex))
        return;
    const TsMaskData& mask = manager->Masks[Btn.ImageIndex];
    int state = Btn.State;
    // An image with a fourth state has its look for an inactive form or a disabled button there.
    if (!FFormActive || !Enabled)
        state = mask.ImageCount > 3 ? 3 : 0;
    DrawMaskGlyph(cache, TPoint(Btn.Rect.left, Btn.Rect.top), state, NoBackground(), mask, true);
}

void TsSkinProvider::PaintTitleButtons() {
    if (!HaveBorder())
        return;
    TsSkinManager* manager = FSkinData->SkinManager();
    if (!manager)
        return;
    int spacing = BigCaptionStyle(FForm) && manager->SkinData() ? manager->SkinData()->BISpacing : 0;
    int x = FormWidth() - SysBorderWidth() - spacing;
    auto restoreGlyph = [&](const TsCaptionButton& Btn) {
        const char* key = Btn.Big ? "BICONNORM" : "SICONNORM";
        int index = manager->GetMaskIndex(manager->ConstData.IndexGlobalInfo, "GLOBALINFO", key);
        if (index < 0)
            index = manager->GetMaskIndex(FSkinData->SkinIndex, FSkinData->SkinSection(), key);
        return index;
    };
    // The button drawn with another glyph (restore) keeps its own record's glyph for the next time.
    auto draw = [&](TsCaptionButton& Btn, int Glyph, bool Enabled) {
        int own = Btn.ImageIndex;
        Btn.ImageIndex = Glyph;
        Btn.Rect.right = x;
        DrawTitleButton(Btn, Enabled, ButtonWidth(Btn));
        Btn.ImageIndex = own;
        x = Btn.Rect.left - spacing;
    };
    TsCaptionButton& close = FButtons[cbClose];
    if (CloseVisible() && manager->IsValidImgIndex(close.ImageIndex))
        draw(close, close.ImageIndex, true);
    if (MaxVisible()) {
        TsCaptionButton& max = FButtons[cbMax];
        if (FForm->WindowState() == wsMaximized)
            draw(max, restoreGlyph(max), RestoreEnabled());
        else
            draw(max, max.ImageIndex, MaxEnabled());
    }
    if (MinVisible()) {
        TsCaptionButton& min = FButtons[cbMin];
        if (FForm->WindowState() == wsMinimized)
            draw(min, restoreGlyph(min), RestoreEnabled());
        else
            draw(min, min.ImageIndex, MinEnabled());
    }
    if (HelpVisible())
        draw(FButtons[cbHelp], FButtons[cbHelp].ImageIndex, true);
    if (FTitleButtons->Count() == 0)
        return;
    x -= 8;
    TBitmap* cache = Cache();
    for (int i = 0; i < FTitleButtons->Count(); ++i) {
        TsTitleButton* button = FTitleButtons->Items(i);
        TsCaptionButton record;
        record.ImageIndex = button->UseSkinData() && manager->IsValidImgIndex(FUserButtonImage) ? FUserButtonImage : -1;
        record.State = button->Pressed ? 2 : button->HotState ? 1 : 0;
        record.Big = true;
        record.Rect.right = x;
        int width = UserButtonWidth(i);
        DrawTitleButton(record, button->Enabled(), width);
        button->BtnRect = record.Rect;
        TBitmap* glyph = button->Glyph();
        if (cache && glyph && !glyph->Empty()) {
            int gx = record.Rect.left + (width - glyph->Width()) / 2;
            int gy = record.Rect.top + (ButtonHeight() - glyph->Height()) / 2;
            if (glyph->PixelFormat() == pf32bit)
                CopyAlphaRect(cache, Bounds(gx, gy, glyph->Width(), glyph->Height()), glyph, TPoint(0, 0),
                              NoBackground(), false);
            else
                CopyTransBmp(cache, glyph, gx, gy, sTransparentColor);
        }
        x = record.Rect.left - spacing;
    }
}

// --- the caption ---

bool TsSkinProvider::ShowsAppIcon() const {
    return BigCaptionStyle(FForm) && FShowAppIcon;
}

int TsSkinProvider::TitleIconWidth() const {
    return FTitleIcon->Width() > 0 ? FTitleIcon->Width() : IconSize(SysCaptionHeight());
}

int TsSkinProvider::TitleIconHeight() const {
    return FTitleIcon->Height() > 0 ? FTitleIcon->Height() : IconSize(SysCaptionHeight());
}

TRect TsSkinProvider::IconRect() const {
    int w = TitleIconWidth(), h = TitleIconHeight();
    int top = SysBorderHeight() + (SysCaptionHeight() - h) / 2;
    return Bounds(SysBorderWidth(), top, w, h);
}

void TsSkinProvider::DrawAppIcon() {
    TBitmap* cache = Cache();
    if (!ShowsAppIcon() || !cache)
        return;
    TRect r = IconRect();
    if (r.IsEmpty())
        return;
    TBitmap* glyph = FTitleIcon->Glyph();
    if (glyph && !glyph->Empty()) {
        if (glyph->PixelFormat() == pf32bit)
            CopyAlphaRect(cache, r, glyph, TPoint(0, 0), NoBackground(), false);
        else
            CopyTransBmp(cache, glyph, r.left, r.top, sTransparentColor);
        return;
    }
    HICON icon = FForm->Icon() ? FForm->Icon()->Handle() : nullptr;
    if (!icon && Application && Application->Icon())
        icon = Application->Icon()->Handle();
    if (!icon)
        icon = LoadIcon(nullptr, IDI_APPLICATION);
    DrawIconEx(cache->Canvas()->Handle(), r.left, r.top, icon, r.Width(), r.Height(), 0, nullptr, DI_NORMAL);
}

void TsSkinProvider::SaveButtonsArea() {
    TBitmap* cache = Cache();
    if (!cache || !FButtonsBack)
        return;
    // Only the rows above the menu line: the line is painted after the caption and has items and MDI buttons of
    // its own, which a restore of this block would otherwise put back as they were before.
    int w = ButtonsWidth() + SysBorderWidth();
    int h = std::min(CaptionAreaHeight(), SysBorderHeight() + SysCaptionHeight() + FForm->BorderWidth());
    if (w <= 0 || h <= 0)
        return;
    FButtonsBack->SetSize(w, h);
    BitBlt(FButtonsBack->Canvas()->Handle(), 0, 0, w, h, cache->Canvas()->Handle(), FormWidth() - w - 1, 0, SRCCOPY);
}

void TsSkinProvider::RestoreButtonsArea() {
    TBitmap* cache = Cache();
    if (!cache || !FButtonsBack || FButtonsBack->Empty())
        return;
    int w = FButtonsBack->Width(), h = FButtonsBack->Height();
    BitBlt(cache->Canvas()->Handle(), FormWidth() - w - 1, 0, w, h, FButtonsBack->Canvas()->Handle(), 0, 0, SRCCOPY);
}

void TsSkinProvider::PaintCaptionText() {
    TBitmap* cache = Cache();
    TsSkinManager* manager = FSkinData->SkinManager();
    if (!cache || !manager)
        return;
    TCanvas* canvas = cache->Canvas();
    NONCLIENTMETRICSA metrics{};
    // The size the system accepts on every version this program runs on.
    metrics.cbSize = 340;
    if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0)) {
        canvas->Font()->SetName(metrics.lfCaptionFont.lfFaceName);
        canvas->Font()->SetHeight(metrics.lfCaptionFont.lfHeight);
    }
    canvas->Font()->SetStyle(canvas->Font()->Style() + TFontStyles{fsBold});
    int left = SysBorderWidth() + 4 + (ShowsAppIcon() ? TitleIconWidth() : 0);
    int right = FormWidth() - ButtonsWidth() - 6;
    TRect r(left, SysBorderHeight(), right, SysBorderHeight() + SysCaptionHeight());
    if (r.IsEmpty())
        return;
    std::string text = FForm->Caption();
    UINT flags =
        GetDrawTextFlags(FForm, FCaptionAlignment) | DT_END_ELLIPSIS | DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER;
    WriteTextEx(canvas, text, true, r, flags, CaptionSection(), FFormActive, manager);
}

void TsSkinProvider::PaintCaption() {
    TBitmap* cache = Cache();
    TsSkinManager* manager = FSkinData->SkinManager();
    if (!cache || !manager)
        return;
    int h = 2 * SysBorderHeight() + SysCaptionHeight();
    bool iconic = FForm->HandleAllocated() && IsIconic(FForm->Handle());
    int captionBottom = iconic ? h + 1 - SysBorderHeight() : h;
    int caption = CaptionSection();
    if (manager->IsValidSkinIndex(caption))
        PaintSkinItem(caption, CaptionSectionName(), NoBackground(), -1, -1, manager, cache, TPoint(0, 0),
                      TRect(0, 0, FormWidth(), captionBottom), FFormActive ? 1 : 0);
    DrawAppIcon();
    bool anyButton = CloseVisible() || MaxVisible() || MinVisible() || HelpVisible();
    int frame = manager->GetMaskIndex(manager->ConstData.IndexGlobalInfo, "GLOBALINFO", "TITLEBUTTON");
    if (anyButton && manager->IsValidImgIndex(frame)) {
        const TsMaskData& mask = manager->Masks[frame];
        int corner = mask.Bmp ? mask.R.Width() / 9 : mask.R.Width() / (std::max<int>(1, mask.ImageCount) * 3);
        int right = FormWidth() - SysBorderWidth();
        int width = ButtonsWidth() + 2 * corner;
        // Behind the buttons, over the height of the top border and the caption.
        DrawMaskedFrame(cache, TRect(right - width, 0, right, SysBorderHeight() + SysCaptionHeight()), 0, mask,
                        NoBackground());
    }
    SaveButtonsArea();
    PaintTitleButtons();
    PaintCaptionText();
}

// --- the menu line ---

namespace {

bool HasVisibleItem(const TMenu* Menu) {
    TMenuItem* items = Menu ? Menu->Items() : nullptr;
    for (int i = 0; items && i < items->Count(); ++i)
        if (items->Items(i)->Visible())
            return true;
    return false;
}

// The top-level item of Menu that a bar entry carries (the class library keeps each item's address in its entry's
// data); nil when the entry belongs to no item of that menu.
TMenuItem* TopItemOf(const TMenu* Menu, ULONG_PTR Data) {
    TMenuItem* items = Menu && Data ? Menu->Items() : nullptr;
    for (int i = 0; items && i < items->Count(); ++i)
        if (reinterpret_cast<ULONG_PTR>(items->Items(i)) == Data)
            return items->Items(i);
    return nullptr;
}

}  // namespace

bool TsSkinProvider::MenuLineShown() const {
    if (!FForm || FForm->BorderStyle() == bsDialog || FForm->FormStyle() == fsMDIChild || !FForm->Menu())
        return false;
    if (HasVisibleItem(FForm->Menu()))
        return true;
    // The bar of an MDI main form may also carry the menu of its active child. Only what the bar holds counts: a
    // bar without entries takes no room, and a line painted for it would lie over the client area.
    if (FForm->FormStyle() != fsMDIForm || !FForm->HandleAllocated())
        return false;
    TCustomForm* child = FForm->ActiveMDIChild();
    if (!child || !HasVisibleItem(child->Menu()))
        return false;
    HMENU bar = GetMenu(FForm->Handle());
    int count = bar ? GetMenuItemCount(bar) : 0;
    for (int position = 0; position < count; ++position)
        if (TMenuItem* item = BarItem(bar, static_cast<UINT>(position)); item && item->Visible())
            return true;
    return false;
}

TMenuItem* TsSkinProvider::BarItem(HMENU Bar, UINT Position) const {
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_DATA;
    // The entries the system adds for a maximized child (its system menu, its buttons) carry no data.
    if (!FForm || !Bar || !GetMenuItemInfoW(Bar, Position, TRUE, &info) || !info.dwItemData)
        return nullptr;
    if (TMenuItem* own = TopItemOf(FForm->Menu(), info.dwItemData))
        return own;
    // A bar merged with the active child's menu holds that child's items between the form's own ones.
    if (FForm->FormStyle() != fsMDIForm)
        return nullptr;
    TCustomForm* child = FForm->ActiveMDIChild();
    return child ? TopItemOf(child->Menu(), info.dwItemData) : nullptr;
}

int TsSkinProvider::CountMenuLines() {
    if (FMenuLineCount != -1)
        return FMenuLineCount;
    int lines = 1;
    if (FForm && FForm->Menu() && FForm->HandleAllocated()) {
        HWND wnd = FForm->Handle();
        HMENU bar = GetMenu(wnd);
        RECT window;
        GetWindowRect(wnd, &window);
        int x = SysBorderWidth();
        int limit = FormWidth() - 2 * SysBorderWidth() - 2 * FForm->BorderWidth();
        for (int i = 0; bar && i < GetMenuItemCount(bar); ++i) {
            RECT r;
            if (!GetMenuItemRect(wnd, bar, static_cast<UINT>(i), &r) || r.right <= r.left)
                continue;
            int width = r.right - r.left;
            if (x + width > limit) {
                ++lines;
                x = SysBorderWidth();
            }
            x += width;
        }
    }
    FMenuLineCount = lines;
    return lines;
}

void TsSkinProvider::PaintMenuLine(int CaptionBottom) {
    TBitmap* cache = Cache();
    TsSkinManager* manager = FSkinData->SkinManager();
    if (!cache || !manager || !MenuLineShown() || MenuLineHeight() <= 0)
        return;
    std::string name = FMenuLineSkin.empty() ? "MENULINE" : FMenuLineSkin;
    int index = manager->GetSkinIndex(name);
    TRect r(SysBorderWidth(), CaptionBottom, FormWidth() - SysBorderWidth(),
            CaptionBottom + CountMenuLines() * MenuLineHeight());
    if (manager->IsValidSkinIndex(index))
        PaintSkinItem(index, name, NoBackground(), -1, -1, manager, cache, TPoint(0, 0), r, 0);
    // The strip is kept for the menu painter, which draws the bar's items over it.
    FMenuLineBmp->SetSize(r.Width(), r.Height());
    FMenuLineRect = r;
    BitBlt(FMenuLineBmp->Canvas()->Handle(), 0, 0, r.Width(), r.Height(), cache->Canvas()->Handle(), r.left, r.top,
           SRCCOPY);
    PaintMDIMenuLine(r);
    PaintMenuBarItems();
}

// --- the frame cache ---

void TsSkinProvider::MakeFormImage() {
    TBitmap* cache = Cache();
    if (!cache)
        return;
    int h = std::min(CaptionAreaHeight(), cache->Height());
    FFormImage = CreateBmp32(FormWidth(), std::max(h, 0));
    BitBlt(FFormImage->Canvas()->Handle(), 0, 0, FFormImage->Width(), FFormImage->Height(), cache->Canvas()->Handle(),
           0, 0, SRCCOPY);
}

void TsSkinProvider::PaintAll() {
    if (!FForm || FForm->FormState().Contains(fsCreating) || FInPaintAll)
        return;
    auto leave = Finally([&] { FInPaintAll = false; });
    FInPaintAll = true;
    TsSkinManager* manager = FSkinData->SkinManager();
    if (!Cache()) {
        FSkinData->InitCacheBmp();
        FSkinData->UpdateCacheState(false);
        if (!FForm->Loading())
            for (int i = 0; i < FForm->ControlCount(); ++i)
                SendSkinCmdToControl(FForm->Controls(i), scCacheState, 1);
    }
    TBitmap* cache = Cache();
    bool iconic = FForm->HandleAllocated() && IsIconic(FForm->Handle());
    int h = 2 * SysBorderHeight() + SysCaptionHeight() + (iconic ? 1 : 0);
    bool valid = manager && FSkinData->Skinned();
    if (FSkinData->BGChanged) {
        bool fast = !FFrameDirty && valid && FFormImage && FFormImage->Width() == FormWidth() &&
                    cache->Height() == FormHeight() && cache->Width() == FormWidth() && h != 0;
        if (fast) {
            BitBlt(cache->Canvas()->Handle(), 0, 0, FFormImage->Width(), FFormImage->Height(),
                   FFormImage->Canvas()->Handle(), 0, 0, SRCCOPY);
            PaintCaption();
            // The caption strip reaches over the top of the menu line, which is laid again over it.
            PaintMenuLine(h - SysBorderHeight() + FForm->BorderWidth());
        } else {
            FRegionChanged = true;
            int width = FormWidth(), height = FormHeight();
            cache->SetSize(width, height);
            if (valid && width > 0 && height > 0) {
                TRect all(0, 0, width, height);
                int menuLines = MenuLineShown() ? CountMenuLines() * MenuLineHeight() : 0;
                if (FSkinData->CtrlState & 1) {
                    // A uniform background: the caption colour over the caption band, the form colour below, and
                    // the section's border around it all.
                    int caption = CaptionSection();
                    if (SysCaptionHeight() != 0 && manager->IsValidSkinIndex(caption)) {
                        const TsGeneralData& section = manager->Sections[caption];
                        FillDC(cache->Canvas()->Handle(), TRect(0, 0, width, h + menuLines + 1),
                               ColorToRGB(FFormActive ? section.HotColor : section.Color));
                        FillDC(cache->Canvas()->Handle(), TRect(0, h + menuLines + 1, width, height), FormColor());
                    } else {
                        FillDC(cache->Canvas()->Handle(), all, FormColor());
                    }
                    TRect client;
                    PaintBorderFrame(cache->Canvas()->Handle(), all, 0, client, 0, FSkinData.get());
                } else if (HaveBorder()) {
                    PaintSkinCorners(FSkinData.get(), cache, all, 0, NoBackground(), TPoint(0, 0));
                } else {
                    PaintSkinBackground(FSkinData->SkinIndex, FSkinData->SkinSection(), NoBackground(), clFuchsia,
                                        FSkinData->HotTexture, FSkinData->Texture, manager, cache, TPoint(0, 0), all,
                                        false);
                }
                if (FGripMode == gmRightBottom && FSkinData->IsCached())
                    PaintGrip();
                if (!FFormImage || FFormImage->Width() != width)
                    MakeFormImage();
                if (SysCaptionHeight() != 0) {
                    int caption = CaptionSection();
                    if (manager->IsValidSkinIndex(caption))
                        PaintSkinItem(caption, CaptionSectionName(), NoBackground(), -1, -1, manager, cache,
                                      TPoint(0, 0), TRect(0, 0, width, iconic ? h - SysBorderHeight() : h),
                                      FFormActive ? 1 : 0);
                    DrawAppIcon();
                }
                PaintMenuLine(h - SysBorderHeight() + FForm->BorderWidth());
                if (SysCaptionHeight() != 0) {
                    // The caption buttons' frame, the buttons and the text, as a caption-only repaint draws them.
                    bool anyButton = CloseVisible() || MaxVisible() || MinVisible() || HelpVisible();
                    int frame = manager->GetMaskIndex(manager->ConstData.IndexGlobalInfo, "GLOBALINFO", "TITLEBUTTON");
                    if (anyButton && manager->IsValidImgIndex(frame)) {
                        const TsMaskData& mask = manager->Masks[frame];
                        int corner =
                            mask.Bmp ? mask.R.Width() / 9 : mask.R.Width() / (std::max<int>(1, mask.ImageCount) * 3);
                        int right = width - SysBorderWidth();
                        DrawMaskedFrame(cache,
                                        TRect(right - ButtonsWidth() - 2 * corner, 0, right,
                                              SysBorderHeight() + SysCaptionHeight()),
                                        0, mask, NoBackground());
                    }
                    SaveButtonsArea();
                    PaintTitleButtons();
                    PaintCaptionText();
                }
                PaintMDIArea();
            }
        }
        FFrameDirty = false;
        if (FForm->OnPaint && FSkinData->IsCached())
            if (auto* canvas = dynamic_cast<TControlCanvas*>(FForm->Canvas())) {
                HDC dc = cache->Canvas()->Handle();
                int saved = SaveDC(dc);
                auto restore = Finally([&] { RestoreDC(dc, saved); });
                OffsetViewportOrgEx(dc, ClientOffsetX(), ClientOffsetY(), nullptr);
                canvas->PaintOn(dc, [&] { FForm->OnPaint(FForm); });
            }
        FFramePainted = true;
        FSkinData->BGChanged = false;
    }
    FSkinData->Updating = false;
}

void TsSkinProvider::PaintGrip() {
    TsSkinManager* manager = FSkinData->SkinManager();
    TBitmap* cache = Cache();
    if (!manager || !cache)
        return;
    int grip = manager->GetMaskIndex(manager->ConstData.IndexGlobalInfo, "GLOBALINFO", "GRIPIMAGE");
    if (!manager->IsValidImgIndex(grip))
        return;
    const TsMaskData& mask = manager->Masks[grip];
    int left = cache->Width() - MaskStateWidth(mask) - SysBorderWidth();
    int top = FormHeight() - MaskStateHeight(mask) - SysBorderHeight();
    DrawMaskGlyph(cache, TPoint(left, top), 0, NoBackground(), mask, true);
}

void TsSkinProvider::DrawFrameFromCache(HDC DC) {
    if (!FForm)
        return;
    bool iconic = FForm->HandleAllocated() && IsIconic(FForm->Handle());
    int h = SysBorderHeight() + SysCaptionHeight() + (iconic ? 1 : 0);
    if (FSkinData->BGChanged || !FSkinData->IsCached() || !Cache()) {
        FNoFramePaintYet = !FFramePainted;
        PaintAll();
        FSkinData->BGChanged = false;
    }
    TBitmap* cache = Cache();
    if (!cache || cache->Empty())
        return;
    HDC src = cache->Canvas()->Handle();
    int bw = FForm->BorderWidth();
    int t = h + bw + (MenuLineShown() ? CountMenuLines() * MenuLineHeight() : 0);
    int side = SysBorderWidth() + bw;
    int cw = cache->Width(), ch = cache->Height();
    BitBlt(DC, 0, 0, FForm->Width(), CaptionAreaHeight(), src, 0, 0, SRCCOPY);
    BitBlt(DC, 0, t, side, ch - t, src, 0, t, SRCCOPY);
    int bottom = FormHeight() - SysBorderHeight() - bw;
    BitBlt(DC, 0, bottom, cw, SysBorderHeight() + bw, src, 0, bottom, SRCCOPY);
    BitBlt(DC, cw - side, t, side, ch - t, src, cw - side, t, SRCCOPY);
    if (acOutputWindow && acOutputWindow->HandleAllocated())
        SendSkinCmdToHandle(acOutputWindow->Handle(), scRefresh, 0);
}

void TsSkinProvider::RedrawFrame() {
    if (!FForm || !FForm->HandleAllocated() || PaintingHeldBack())
        return;
    // A maximized child's caption is shown by its parent (its buttons and icon on the parent's menu line).
    TsSkinProvider* parent = FForm->FormStyle() == fsMDIChild && IsZoomed(FForm->Handle()) ? ParentProvider() : nullptr;
    if (parent)
        parent->FlagDirty();
    else
        FlagDirty();
    HWND wnd = FForm->Handle();
    HDC dc = GetWindowDC(wnd);
    if (!dc)
        return;
    int saved = SaveDC(dc);
    auto release = Finally([&] {
        RestoreDC(dc, saved);
        ReleaseDC(wnd, dc);
    });
    DrawFrameFromCache(dc);
}

void TsSkinProvider::CopyCacheRectToWindow(const TRect& R) {
    TBitmap* cache = Cache();
    if (!cache || !FForm || !FForm->HandleAllocated())
        return;
    HWND wnd = FForm->Handle();
    HDC dc = GetWindowDC(wnd);
    if (!dc)
        return;
    auto release = Finally([&] { ReleaseDC(wnd, dc); });
    BitBlt(dc, R.left, R.top, R.Width(), R.Height(), cache->Canvas()->Handle(), R.left, R.top, SRCCOPY);
}

void TsSkinProvider::CopyEdgesFromCache(HDC DC) {
    if (FSkinData->BGChanged)
        PaintAll();
    TBitmap* cache = Cache();
    if (!cache || cache->Empty())
        return;
    int w = FForm->BorderWidth() + 3;
    BitBltBorder(DC, 0, 0, cache->Width(), cache->Height(), w, cache->Canvas()->Handle(), 0, 0);
}

// --- client painting ---

void TsSkinProvider::PaintForm(HDC DC, bool Children) {
    if (FSkinData->IsCached() && FSkinData->GraphControl) {
        PaintGraphControl(DC);
        FNoFramePaintYet = false;
        return;
    }
    if (FSkinData->IsCached()) {
        if (!FSkinData->Locked)
            PaintAll();
        TBitmap* cache = Cache();
        if (cache && FForm->FormStyle() != fsMDIForm) {
            BitBlt(DC, 0, 0, FForm->ClientWidth(), FForm->ClientHeight(), cache->Canvas()->Handle(), ClientOffsetX(),
                   ClientOffsetY(), SRCCOPY);
            PaintChildControls(FForm, DC, TPoint(0, 0));
        }
        if (Children)
            UnlockChildControls(FForm);
    } else {
        FillDC(DC, TRect(0, 0, FForm->ClientWidth(), FForm->ClientHeight()), FormColor());
    }
    FNoFramePaintYet = false;
}

void TsSkinProvider::NCPaintHandler() {
    HWND wnd = FForm->Handle();
    UpdateMainMenu();
    if (FResizeMode == rmBorder && DwmAvailable())
        FResizeMode = rmStandard;
    bool iconic = IsIconic(wnd) != 0;
    if (!FRegionPending && FRegionChanged &&
        (HaveBorder() || (GetWindowLongA(wnd, GWL_STYLE) & WS_SIZEBOX) || iconic)) {
        TAOR before = FRegionRects;
        PrepareRegionRects();
        FRegionChanged = false;
        RECT box{};
        HRGN current = CreateRectRgn(0, 0, 0, 0);
        bool hasRegion = GetWindowRgn(wnd, current) != ERROR;
        if (hasRegion)
            GetRgnBox(current, &box);
        DeleteObject(current);
        // The same cut-outs at the same size are the region the window has already.
        bool same = hasRegion && before == FRegionRects && box.right - box.left == FormWidth() &&
                    box.bottom - box.top == FormHeight();
        // A frame that is not painted now is painted when the new region shows it.
        bool paintLater = !FForm->Showing() || IsZoomed(wnd);
        if (!same) {
            UpdateFormRegion(paintLater);
            if (paintLater)
                return;
        }
    }
    FSkinData->Updating = false;
    HDC dc = GetWindowDC(wnd);
    if (!dc)
        return;
    int saved = SaveDC(dc);
    auto release = Finally([&] {
        RestoreDC(dc, saved);
        ReleaseDC(wnd, dc);
    });
    if (!HaveBorder() && (GetWindowLongA(wnd, GWL_STYLE) & WS_SIZEBOX) && !iconic)
        CopyEdgesFromCache(dc);
    else
        DrawFrameFromCache(dc);
}

void TsSkinProvider::PaintMenuBarItems() {
    TBitmap* cache = Cache();
    if (!cache || !MenuLineShown() || !FForm->HandleAllocated())
        return;
    HWND wnd = FForm->Handle();
    HMENU bar = GetMenu(wnd);
    if (!bar)
        return;
    TsSkinManager* manager = FSkinData->SkinManager();
    auto* painter = manager ? dynamic_cast<TsSkinableMenus*>(manager->SkinableMenus()) : nullptr;
    RECT window;
    GetWindowRect(wnd, &window);
    // The state the system gives bar items drawn with the frame: no accelerators, and its reserved bit.
    const TOwnerDrawState state = TOwnerDrawState::FromBits(ODS_NOACCEL | 0x400);
    // Each entry is drawn by the item it belongs to, wherever the bar holds it: hidden items have no entry, the
    // system puts its own entries for a maximized child around the form's, and a merged bar interleaves the active
    // child's items with the form's by their groups.
    int count = GetMenuItemCount(bar);
    for (int position = 0; position < count; ++position) {
        TMenuItem* item = BarItem(bar, static_cast<UINT>(position));
        if (!item || !item->Visible())
            continue;
        RECT r;
        if (!GetMenuItemRect(wnd, bar, static_cast<UINT>(position), &r) || r.right <= r.left)
            continue;
        OffsetRect(&r, -window.left, -window.top);
        TRect place(r.left, r.top, r.right, r.bottom);
        // The skin's items are composed into the cache; an item the application draws itself draws there too.
        if (painter && painter->IsHooked(item))
            painter->ComposeLineItem(this, item, cache->Canvas(), place, state);
        else
            item->AdvancedDrawItem(cache->Canvas(), place, state, true);
    }
}

void TsSkinProvider::PaintMenuLineBackground(TBitmap* Bmp, const TRect& R, const TRect& ItemRect) {
    TBitmap* cache = Cache();
    if (!Bmp || !cache || cache->Empty()) {
        TacSkinProviderBase::PaintMenuLineBackground(Bmp, R, ItemRect);
        return;
    }
    // Under an item lies the line as it was before any item was drawn on it.
    const TRect& line = FMenuLineRect;
    if (!FMenuLineBmp->Empty() && ItemRect.left >= line.left && ItemRect.top >= line.top &&
        ItemRect.left + R.Width() <= line.right && ItemRect.top + R.Height() <= line.bottom) {
        BitBlt(Bmp->Canvas()->Handle(), R.left, R.top, R.Width(), R.Height(), FMenuLineBmp->Canvas()->Handle(),
               ItemRect.left - line.left, ItemRect.top - line.top, SRCCOPY);
        return;
    }
    BitBlt(Bmp->Canvas()->Handle(), R.left, R.top, R.Width(), R.Height(), cache->Canvas()->Handle(), ItemRect.left,
           ItemRect.top, SRCCOPY);
}

void TsSkinProvider::EraseHandler(TMessage& Message) {
    HWND wnd = FForm->Handle();
    auto dc = reinterpret_cast<HDC>(Message.WParam);
    bool own = !dc;
    if (own)
        dc = GetDC(wnd);
    if (!dc)
        return;
    auto release = Finally([&] {
        if (own)
            ReleaseDC(wnd, dc);
    });
    FSkinData->Updating = false;
    if (FAnimating || FForm->Destroying() || HiddenBehindMaximizedSibling())
        return;
    int saved = SaveDC(dc);
    ExcludeGraphicControls(dc, FForm, 0, 0);
    PaintForm(dc, false);
    // A cached frame has its grip in the cache, which the client shows already.
    if (FGripMode == gmRightBottom && !FSkinData->IsCached())
        PaintGripOn(dc);
    RestoreDC(dc, saved);
    PaintChildControls(FForm, dc, TPoint(0, 0));
}

void TsSkinProvider::PaintGripOn(HDC DC) {
    TsSkinManager* manager = FSkinData->SkinManager();
    TRect grip = GripRect();
    if (!manager || grip.IsEmpty())
        return;
    int index = manager->GetMaskIndex(manager->ConstData.IndexGlobalInfo, "GLOBALINFO", "GRIPIMAGE");
    // Over the client colour, which is what lies under the grip of a client painted straight to the screen.
    auto bmp = CreateBmp24(grip.Width(), grip.Height());
    FillDC(bmp->Canvas()->Handle(), TRect(0, 0, grip.Width(), grip.Height()), FormColor());
    DrawMaskGlyph(bmp.get(), TPoint(0, 0), 0, NoBackground(), manager->Masks[index], true);
    BitBlt(DC, grip.left - ClientOffsetX(), grip.top - ClientOffsetY(), grip.Width(), grip.Height(),
           bmp->Canvas()->Handle(), 0, 0, SRCCOPY);
}

void TsSkinProvider::PaintHandler(TMessage& Message) {
    HWND wnd = FForm->Handle();
    PAINTSTRUCT ps{};
    auto given = reinterpret_cast<HDC>(Message.WParam);
    if (!given && PaintingHeldBack()) {
        // Taken off the queue without a picture (it would come again and again): the form is painted in full
        // once its animation is done.
        BeginPaint(wnd, &ps);
        EndPaint(wnd, &ps);
        return;
    }
    HDC dc = given ? given : BeginPaint(wnd, &ps);
    auto end = Finally([&] {
        if (!given)
            EndPaint(wnd, &ps);
    });
    FSkinData->Updating = false;
    if (FAnimating || FForm->Destroying() || !dc || HiddenBehindMaximizedSibling())
        return;
    int saved = SaveDC(dc);
    PaintForm(dc, true);
    RestoreDC(dc, saved);
    PaintFormItself(dc);
}

// --- caption covers ---

TForm* MenuLoopCover = nullptr;
TsSkinProvider* MenuLoopProvider = nullptr;

namespace {

// A borderless form the skinning leaves alone, owned by the application.
TForm* MakeCoverForm() {
    TApplication* app = Application;
    auto* cover = new TForm(app);
    cover->SetTag(acNoSkinTag);
    cover->SetBorderStyle(bsNone);
    return cover;
}

}  // namespace

void TsSkinProvider::LockCaption(bool WholeForm) {
    if (!FForm || !FForm->HandleAllocated())
        return;
    if (!FCaptionCover) {
        FCaptionCover = MakeCoverForm();
        FCaptionCover->OnPaint = [this](TObject* Sender) { CoverPaint(Sender); };
        FCoverOldWndProc = FCaptionCover->WindowProc();
        FCaptionCover->SetWindowProc(TWndMethod(this, &TsSkinProvider::CoverWndProc));
    }
    FCaptionCover->SetVisible(false);
    constexpr UINT flags = SWP_NOREDRAW | SWP_NOACTIVATE | SWP_SHOWWINDOW | SWP_NOOWNERZORDER | SWP_NOSENDCHANGING;
    HWND cover = FCaptionCover->Handle();
    int height = CaptionAreaHeight();
    if (FForm->FormStyle() == fsMDIChild) {
        POINT origin{FForm->Left() + 2, FForm->Top() + 2};
        ClientToScreen(GetParent(FForm->Handle()), &origin);
        SetWindowPos(cover, nullptr, origin.x, origin.y, FForm->Width(), height, flags);
    } else {
        RECT r;
        GetWindowRect(FForm->Handle(), &r);
        bool onTop = FForm->FormStyle() == fsStayOnTop;
        if (WholeForm)
            height = r.bottom - r.top;
        SetWindowPos(cover, onTop ? HWND_TOPMOST : HWND_TOP, r.left, r.top, r.right - r.left, height, flags);
    }
    // Shown without a redraw the cover would be an empty (black) surface until its first paint: it paints now.
    RedrawWindow(cover, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    // A look at the queue hands what was painted to the screen now, not once this message is done.
    MSG pending;
    PeekMessageA(&pending, cover, 0, 0, PM_NOREMOVE);
}

void TsSkinProvider::UnlockCaption() {
    if (!FCaptionCover)
        return;
    TForm* cover = FCaptionCover;
    FCaptionCover = nullptr;
    cover->SetWindowProc(FCoverOldWndProc);
    cover->Free();
    // What the system drew under the cover stays on screen once it goes (no frame paint follows): the skinned
    // frame comes back now.
    if (FForm && FForm->HandleAllocated() && !FForm->Destroying() && Skinned())
        RedrawFrame();
}

void TsSkinProvider::CoverWndProc(TMessage& Message) {
    try {
        // Nothing but the frame's picture may show on the cover.
        if (Message.Msg == WM_ERASEBKGND) {
            Message.Result = 1;
            return;
        }
        if (FCoverOldWndProc)
            FCoverOldWndProc(Message);
    } catch (...) {
        if (TApplication* app = Application)
            app->HandleException(this);
    }
}

void TsSkinProvider::CoverPaint(TObject*) {
    if (!FCaptionCover || FCaptionCover->Destroying() || !Cache())
        return;
    BitBlt(FCaptionCover->Canvas()->Handle(), 0, 0, FCaptionCover->Width(), FCaptionCover->Height(),
           Cache()->Canvas()->Handle(), 0, 0, SRCCOPY);
}

void TsSkinProvider::ShowMenuLoopCover() {
    if (!FForm || !FForm->HandleAllocated() || MenuLoopCover)
        return;
    MenuLoopCover = MakeCoverForm();
    MenuLoopProvider = this;
    MenuLoopCover->OnPaint = &TsSkinProvider::MenuLoopPaint;
    RECT r;
    GetWindowRect(FForm->Handle(), &r);
    SetWindowPos(MenuLoopCover->Handle(), nullptr, r.right - 60, FForm->Top() + SysCaptionHeight(), 60,
                 GetSystemMetrics(SM_CYMENU) + 3, SWP_NOREDRAW | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    RedrawWindow(MenuLoopCover->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    MSG pending;
    PeekMessageA(&pending, MenuLoopCover->Handle(), 0, 0, PM_NOREMOVE);
}

void TsSkinProvider::FreeMenuLoopCover() {
    TForm* cover = MenuLoopCover;
    MenuLoopCover = nullptr;
    MenuLoopProvider = nullptr;
    if (cover)
        cover->Free();
}

void TsSkinProvider::MenuLoopPaint(TObject*) {
    TsSkinProvider* provider = MenuLoopProvider;
    if (!MenuLoopCover || !provider || !provider->Cache() || !provider->Form())
        return;
    RECT frame, cover;
    GetWindowRect(provider->Form()->Handle(), &frame);
    GetWindowRect(MenuLoopCover->Handle(), &cover);
    BitBlt(MenuLoopCover->Canvas()->Handle(), 0, 0, 60, cover.bottom - cover.top,
           provider->Cache()->Canvas()->Handle(), cover.left - frame.left, cover.top - frame.top, SRCCOPY);
}
