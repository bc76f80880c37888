#include "acStaticWnds.h"

#include "acAdapterSupport.h"

#include <cctype>
#include <cstddef>

void TacStaticWnd::WndProc(TMessage& Message) {
    // A static that takes the focus or has a sunken edge keeps its own look entirely.
    if ((GetWindowLongW(CtrlHandle, GWL_STYLE) & WS_TABSTOP) ||
        (GetWindowLongW(CtrlHandle, GWL_EXSTYLE) & WS_EX_STATICEDGE)) {
        CallPrevWndProc(Message);
        return;
    }
    if (!SkinActive()) {
        TacMainWnd::WndProc(Message);
        return;
    }
    switch (Message.Msg) {
    case WM_ERASEBKGND:
        if (IsWindowVisible(CtrlHandle)) {
            PaintStatic(Message);
            Message.Result = 1;
        } else {
            TacMainWnd::WndProc(Message);
        }
        return;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(CtrlHandle, &ps);
        EndPaint(CtrlHandle, &ps);
        return;
    }
    case WM_MOVE:
        SkinData->BGChanged = true;
        CallPrevWndProc(Message);
        RedrawWindow(CtrlHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        return;
    case WM_SETTEXT:
        SkinData->BGChanged = true;
        CallPrevWndProc(Message);
        // The text painted is the adapter's copy: it must follow the window's.
        ReadWndText();
        return;
    case WM_NCPAINT:
        CallPrevWndProc(Message);
        return;
    default:
        TacMainWnd::WndProc(Message);
        return;
    }
}

void TacStaticWnd::PaintStatic(TMessage& Message) {
    GetWndOffsetInParent(CtrlHandle, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
    HDC dc = reinterpret_cast<HDC>(Message.WParam);
    bool ownDC = dc == nullptr;
    if (ownDC)
        dc = GetDC(CtrlHandle);
    int saved = SaveDC(dc);
    SkinData->BGChanged = true;
    SkinData->InitCacheBmp();
    TBitmap* cache = SkinData->CacheBmp();
    cache->SetSize(WndSize.cx, WndSize.cy);
    SendMessageW(CtrlHandle, SM_QUORVEXCMD, MakeSkinCmd(scRebuildCache), 0);
    PaintContent();
    RestoreDC(dc, saved);
    BitBlt(dc, 0, 0, WndSize.cx, WndSize.cy, cache->Canvas()->Handle(), 0, 0, SRCCOPY);
    if (ownDC)
        ReleaseDC(CtrlHandle, dc);
}

void TacStaticWnd::PaintContent() {
    TCanvas* canvas = SkinData->CacheBmp()->Canvas();
    canvas->Brush()->SetStyle(bsClear);
    TRect r(0, 0, WndSize.cx + 4, WndSize.cy);
    NONCLIENTMETRICSW metrics{};
    // The size before the padded border width, which every system since the oldest accepts.
    metrics.cbSize = offsetof(NONCLIENTMETRICSW, iPaddedBorderWidth);
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0))
        canvas->Font()->SetHandle(CreateFontIndirectW(&metrics.lfMessageFont));
    WriteSkinText(canvas, TextToPaint(), true, false, SkinData, DT_WORDBREAK | DT_EXPANDTABS | DT_NOCLIP, r);
}

void TacIconWnd::PaintContent() {
    HICON icon = reinterpret_cast<HICON>(SendMessageW(CtrlHandle, STM_GETICON, 0, 0));
    if (icon)
        DrawIconEx(SkinData->CacheBmp()->Canvas()->Handle(), 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL);
}

std::wstring TacLinkWnd::TextToPaint() const { return RemoveLinkTags(WndWideText); }

namespace {

template <class Str>
Str RemoveLinkTagsOf(const Str& Text) {
    // The tags are plain ASCII: a character outside it is never part of one.
    auto ascii = [](auto c) { return static_cast<unsigned>(c) < 0x80 ? static_cast<int>(c) : 0; };
    Str out;
    out.reserve(Text.size());
    size_t i = 0;
    while (i < Text.size()) {
        if (Text[i] == '<') {
            size_t j = i + 1;
            if (j < Text.size() && Text[j] == '/')
                ++j;
            // "<a" followed by the end of the tag or a blank before its attributes.
            if (j + 1 < Text.size() && std::tolower(ascii(Text[j])) == 'a' &&
                (Text[j + 1] == '>' || std::isspace(ascii(Text[j + 1])))) {
                size_t close = Text.find('>', j);
                if (close != Str::npos) {
                    i = close + 1;
                    continue;
                }
            }
        }
        out += Text[i++];
    }
    return out;
}

}  // namespace

std::string RemoveLinkTags(const std::string& Text) { return RemoveLinkTagsOf(Text); }

std::wstring RemoveLinkTags(const std::wstring& Text) { return RemoveLinkTagsOf(Text); }
