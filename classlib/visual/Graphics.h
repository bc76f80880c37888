#pragma once
// Colours, fonts, pens, brushes, canvases and the graphic classes (bitmaps, icons, pictures).
#include "classlib/runtime/Component.h"
#include "classlib/runtime/Types.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

class TStream;
class TBitmap;

// --- colours ---

// $00BBGGRR for a plain colour; $FF0000nn for system colour nn (resolved by ColorToRGB);
// clNone and clDefault are markers that never reach GDI as colours.
using TColor = int32_t;

constexpr TColor clSystemColor = static_cast<TColor>(0xFF000000u);

constexpr TColor clScrollBar = clSystemColor | COLOR_SCROLLBAR;
constexpr TColor clBackground = clSystemColor | COLOR_BACKGROUND;
constexpr TColor clActiveCaption = clSystemColor | COLOR_ACTIVECAPTION;
constexpr TColor clInactiveCaption = clSystemColor | COLOR_INACTIVECAPTION;
constexpr TColor clMenu = clSystemColor | COLOR_MENU;
constexpr TColor clWindow = clSystemColor | COLOR_WINDOW;
constexpr TColor clWindowFrame = clSystemColor | COLOR_WINDOWFRAME;
constexpr TColor clMenuText = clSystemColor | COLOR_MENUTEXT;
constexpr TColor clWindowText = clSystemColor | COLOR_WINDOWTEXT;
constexpr TColor clCaptionText = clSystemColor | COLOR_CAPTIONTEXT;
constexpr TColor clActiveBorder = clSystemColor | COLOR_ACTIVEBORDER;
constexpr TColor clInactiveBorder = clSystemColor | COLOR_INACTIVEBORDER;
constexpr TColor clAppWorkSpace = clSystemColor | COLOR_APPWORKSPACE;
constexpr TColor clHighlight = clSystemColor | COLOR_HIGHLIGHT;
constexpr TColor clHighlightText = clSystemColor | COLOR_HIGHLIGHTTEXT;
constexpr TColor clBtnFace = clSystemColor | COLOR_BTNFACE;
constexpr TColor clBtnShadow = clSystemColor | COLOR_BTNSHADOW;
constexpr TColor clGrayText = clSystemColor | COLOR_GRAYTEXT;
constexpr TColor clBtnText = clSystemColor | COLOR_BTNTEXT;
constexpr TColor clInactiveCaptionText = clSystemColor | COLOR_INACTIVECAPTIONTEXT;
constexpr TColor clBtnHighlight = clSystemColor | COLOR_BTNHIGHLIGHT;
constexpr TColor cl3DDkShadow = clSystemColor | COLOR_3DDKSHADOW;
constexpr TColor cl3DLight = clSystemColor | COLOR_3DLIGHT;
constexpr TColor clInfoText = clSystemColor | COLOR_INFOTEXT;
constexpr TColor clInfoBk = clSystemColor | COLOR_INFOBK;
constexpr TColor clHotLight = clSystemColor | 26;
constexpr TColor clGradientActiveCaption = clSystemColor | 27;
constexpr TColor clGradientInactiveCaption = clSystemColor | 28;
constexpr TColor clMenuHighlight = clSystemColor | 29;
constexpr TColor clMenuBar = clSystemColor | 30;

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clLtGray = 0xC0C0C0;
constexpr TColor clDkGray = 0x808080;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clMoneyGreen = 0xC0DCC0;
constexpr TColor clSkyBlue = 0xF0CAA6;
constexpr TColor clCream = 0xF0FBFF;
constexpr TColor clMedGray = 0xA4A0A0;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

// The plain RGB value of a colour: system colours through GetSysColor; every other value unchanged.
TColor ColorToRGB(TColor Color);
// The colour's name ("clRed", "clBtnFace") when it has one.
bool ColorToIdent(TColor Color, std::string& Ident);
// The colour of a name, case-insensitive; false for a name that is not in the table.
bool IdentToColor(std::string_view Ident, TColor& Color);
// The colour's name, or "$" and eight hexadecimal digits ("$00C08000").
std::string ColorToString(TColor Color);
// A name or an integer text (decimal, "$" or "0x"); raises EConvertError for anything else.
TColor StringToColor(std::string_view S);
// Calls Proc with every colour name of the table, in table order.
void GetColorValues(const std::function<void(const std::string&)>& Proc);

// --- graphics objects ---

// A GDI object shared by whoever needs it alive: a canvas holds one while the object is selected,
// so a font, pen or brush can change (and drop its handle) without deleting what a DC still uses.
using TGdiRef = std::shared_ptr<void>;

// Base of fonts, pens and brushes: change notification and the cached GDI handle.
class TGraphicsObject : public TPersistent {
    CLASS_INFO(TGraphicsObject, TPersistent)
public:
    TNotifyEvent OnChange;
    // The cached handle with shared ownership, made on demand.
    TGdiRef HandleRef();
    bool HandleAllocated() const { return FHandle != nullptr; }

protected:
    // Drops the cached handle and tells the listener.
    virtual void Changed();
    virtual HGDIOBJ CreateHandle() = 0;
    // Takes over a handle made elsewhere (a font or pen a caller owns until now).
    void AdoptHandle(HGDIOBJ handle, bool owned);
    HGDIOBJ RawHandle();

private:
    TGdiRef FHandle;
};

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = Set<TFontStyle>;
enum TFontPitch { fpDefault, fpVariable, fpFixed };
using TFontCharset = uint8_t;
using TFontName = std::string;

// A logical font; Height is in pixels (negative: character height), Size in points.
class TFont : public TGraphicsObject {
    CLASS_INFO(TFont, TGraphicsObject)
public:
    TFont();
    void Assign(TPersistent* Source) override;

    HFONT Handle() { return static_cast<HFONT>(RawHandle()); }
    // Takes ownership of the font and reads its attributes.
    void SetHandle(HFONT Value);

    const std::string& Name() const { return FName; }
    void SetName(const std::string& Value);
    int Height() const { return FHeight; }
    void SetHeight(int Value);
    int Size() const;
    void SetSize(int Value);
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    TFontStyles Style() const { return FStyle; }
    void SetStyle(TFontStyles Value);
    TFontCharset Charset() const { return FCharset; }
    void SetCharset(TFontCharset Value);
    TFontPitch Pitch() const { return FPitch; }
    void SetPitch(TFontPitch Value);
    int Orientation() const { return FOrientation; }
    void SetOrientation(int Value);
    int PixelsPerInch() const { return FPixelsPerInch; }
    void SetPixelsPerInch(int Value) { FPixelsPerInch = Value; }

    // The screen's logical pixels per inch, which turns points into pixels.
    static int ScreenPixelsPerInch();

protected:
    HGDIOBJ CreateHandle() override;

private:
    std::string FName = "MS Sans Serif";
    int FHeight = -11;
    TColor FColor = clWindowText;
    TFontStyles FStyle;
    TFontCharset FCharset = DEFAULT_CHARSET;
    TFontPitch FPitch = fpDefault;
    int FOrientation = 0;
    int FPixelsPerInch = ScreenPixelsPerInch();
};

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode {
    pmBlack,
    pmWhite,
    pmNop,
    pmNot,
    pmCopy,
    pmNotCopy,
    pmMergePenNot,
    pmMaskPenNot,
    pmMergeNotPen,
    pmMaskNotPen,
    pmMerge,
    pmNotMerge,
    pmMask,
    pmNotMask,
    pmXor,
    pmNotXor
};

// A cosmetic pen: colour, width, style and the raster operation it draws with.
class TPen : public TGraphicsObject {
    CLASS_INFO(TPen, TGraphicsObject)
public:
    void Assign(TPersistent* Source) override;
    HPEN Handle() { return static_cast<HPEN>(RawHandle()); }
    void SetHandle(HPEN Value);

    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    int Width() const { return FWidth; }
    void SetWidth(int Value);
    TPenStyle Style() const { return FStyle; }
    void SetStyle(TPenStyle Value);
    TPenMode Mode() const { return FMode; }
    void SetMode(TPenMode Value);

protected:
    HGDIOBJ CreateHandle() override;

private:
    TColor FColor = clBlack;
    int FWidth = 1;
    TPenStyle FStyle = psSolid;
    TPenMode FMode = pmCopy;
};

enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };

// A fill: solid colour, hatch, nothing (bsClear) or a pattern bitmap (not owned; it must outlive the brush's use).
class TBrush : public TGraphicsObject {
    CLASS_INFO(TBrush, TGraphicsObject)
public:
    void Assign(TPersistent* Source) override;
    HBRUSH Handle() { return static_cast<HBRUSH>(RawHandle()); }
    void SetHandle(HBRUSH Value);

    TColor Color() const { return FColor; }
    // Setting a colour turns a clear brush solid, as one expects when asking for a colour.
    void SetColor(TColor Value);
    TBrushStyle Style() const { return FStyle; }
    void SetStyle(TBrushStyle Value);
    TBitmap* Bitmap() const { return FBitmap; }
    void SetBitmap(TBitmap* Value);

protected:
    HGDIOBJ CreateHandle() override;

private:
    TColor FColor = clWhite;
    TBrushStyle FStyle = bsSolid;
    TBitmap* FBitmap = nullptr;
};

// --- canvas ---

using TCopyMode = int32_t;
constexpr TCopyMode cmBlackness = BLACKNESS;
constexpr TCopyMode cmDstInvert = DSTINVERT;
constexpr TCopyMode cmMergeCopy = MERGECOPY;
constexpr TCopyMode cmMergePaint = MERGEPAINT;
constexpr TCopyMode cmNotSrcCopy = NOTSRCCOPY;
constexpr TCopyMode cmNotSrcErase = NOTSRCERASE;
constexpr TCopyMode cmPatCopy = PATCOPY;
constexpr TCopyMode cmPatInvert = PATINVERT;
constexpr TCopyMode cmPatPaint = PATPAINT;
constexpr TCopyMode cmSrcAnd = SRCAND;
constexpr TCopyMode cmSrcCopy = SRCCOPY;
constexpr TCopyMode cmSrcErase = SRCERASE;
constexpr TCopyMode cmSrcInvert = SRCINVERT;
constexpr TCopyMode cmSrcPaint = SRCPAINT;
constexpr TCopyMode cmWhiteness = WHITENESS;

enum TCanvasStates { csHandleValid, csFontValid, csPenValid, csBrushValid };
using TCanvasState = Set<TCanvasStates>;

class TGraphic;

// Drawing on a device context with the canvas's font, pen and brush, selected into the DC only when
// a drawing call needs them. The DC is set from outside (SetHandle) or made by CreateHandle on demand.
class TCanvas : public TPersistent {
    CLASS_INFO(TCanvas, TPersistent)
public:
    TCanvas();
    ~TCanvas() override;
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    // The DC, made by CreateHandle when none is set; raises EInvalidOperation when there is none.
    HDC Handle();
    // Attaches a DC the caller owns (0 detaches, putting the DC's own objects back).
    void SetHandle(HDC Value);
    bool HandleAllocated() const { return FHandle != nullptr; }

    // Serialises drawing from several threads; Lock nests.
    void Lock();
    void Unlock();
    bool TryLock();
    int LockCount() const { return FLockCount; }

    TFont* Font() { return &FFont; }
    void SetFont(TFont* Value) { FFont.Assign(Value); }
    TPen* Pen() { return &FPen; }
    void SetPen(TPen* Value) { FPen.Assign(Value); }
    TBrush* Brush() { return &FBrush; }
    void SetBrush(TBrush* Value) { FBrush.Assign(Value); }

    TCopyMode CopyMode() const { return FCopyMode; }
    void SetCopyMode(TCopyMode Value) { FCopyMode = Value; }
    // ETO_ flags added to every TextOut and TextRect.
    int TextFlags() const { return FTextFlags; }
    void SetTextFlags(int Value) { FTextFlags = Value; }
    TPoint PenPos();
    void SetPenPos(const TPoint& Value) { MoveTo(Value.x, Value.y); }
    TRect ClipRect();

    TColor Pixels(int X, int Y);
    void SetPixels(int X, int Y, TColor Value);

    void FillRect(const TRect& Rect);
    void FrameRect(const TRect& Rect);
    void DrawFocusRect(const TRect& Rect);
    void Rectangle(int X1, int Y1, int X2, int Y2);
    void Rectangle(const TRect& Rect) { Rectangle(Rect.left, Rect.top, Rect.right, Rect.bottom); }
    void RoundRect(int X1, int Y1, int X2, int Y2, int X3, int Y3);
    void Ellipse(int X1, int Y1, int X2, int Y2);
    void Ellipse(const TRect& Rect) { Ellipse(Rect.left, Rect.top, Rect.right, Rect.bottom); }
    void MoveTo(int X, int Y);
    void LineTo(int X, int Y);
    void Polygon(const std::vector<TPoint>& Points);
    void Polyline(const std::vector<TPoint>& Points);

    // Draws Text at (X, Y) and moves the pen position to its end.
    void TextOut(int X, int Y, const std::string& Text);
    // Draws Text at (X, Y) clipped to Rect; a solid brush fills Rect behind it.
    void TextRect(const TRect& Rect, int X, int Y, const std::string& Text);
    TSize TextExtent(const std::string& Text);
    int TextWidth(const std::string& Text) { return TextExtent(Text).cx; }
    int TextHeight(const std::string& Text) { return TextExtent(Text).cy; }

    // Draws a graphic at its own size with its top-left corner at (X, Y); an empty graphic draws nothing.
    void Draw(int X, int Y, TGraphic* Graphic);
    void StretchDraw(const TRect& Rect, TGraphic* Graphic);
    // Copies Source of another canvas into Dest with CopyMode, stretching when the sizes differ.
    void CopyRect(const TRect& Dest, TCanvas* Canvas, const TRect& Source);

    // Puts the DC's original font, pen and brush back so the DC can be released or reused.
    void Refresh();

    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

    // Called around every drawing operation.
    virtual void Changing();
    virtual void Changed();

protected:
    // Makes the DC when a drawing call needs one and none is set; the base makes none.
    virtual void CreateHandle() {}
    // Makes sure the DC exists and the named objects are selected into it.
    void RequiredState(TCanvasState ReqState);
    TCanvasState State() const { return FState; }

private:
    void DeselectHandles();
    void FontChanged();
    void PenChanged();
    void BrushChanged();

    HDC FHandle = nullptr;
    TCanvasState FState;
    TFont FFont;
    TPen FPen;
    TBrush FBrush;
    TGdiRef FSelectedFont, FSelectedPen, FSelectedBrush;
    TPoint FPenPos;
    TCopyMode FCopyMode = cmSrcCopy;
    int FTextFlags = 0;
    std::recursive_mutex FLock;
    int FLockCount = 0;
};

// --- graphics ---

// An image that can draw itself into a canvas and live in a stream or file.
class TGraphic : public TPersistent {
    CLASS_INFO(TGraphic, TPersistent)
public:
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual void SetWidth(int Value) = 0;
    virtual void SetHeight(int Value) = 0;
    virtual bool Empty() const = 0;
    virtual bool Transparent() const { return FTransparent; }
    virtual void SetTransparent(bool Value);
    bool Modified() const { return FModified; }
    void SetModified(bool Value);

    // Paints the graphic scaled into Rect of the canvas.
    virtual void Draw(TCanvas* ACanvas, const TRect& Rect) = 0;

    // Reads the graphic from the stream's position; raises EInvalidGraphic for data it cannot read.
    virtual void LoadFromStream(TStream* Stream) = 0;
    virtual void SaveToStream(TStream* Stream) = 0;
    // Raise EFOpenError / EFCreateError for a file that cannot be opened, EInvalidGraphic for bad content.
    virtual void LoadFromFile(const std::string& FileName);
    virtual void SaveToFile(const std::string& FileName);

    TNotifyEvent OnChange;

protected:
    virtual void Changed();

private:
    bool FTransparent = false;
    bool FModified = false;
};

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };
enum TBitmapHandleType { bmDIB, bmDDB };
enum TTransparentMode { tmAuto, tmFixed };

class TBitmapCanvas;

// A bitmap over a DIB section (or a device-dependent bitmap for pfDevice). Rows are stored bottom-up,
// as Windows keeps them, and ScanLine(0) is the top row, so ScanLine(1) - ScanLine(0) is negative.
class TBitmap : public TGraphic {
    CLASS_INFO(TBitmap, TGraphic)
public:
    TBitmap();
    ~TBitmap() override;
    TBitmap(const TBitmap&) = delete;
    TBitmap& operator=(const TBitmap&) = delete;

    // A TBitmap is copied pixel for pixel; nil empties; other graphics draw themselves in (AssignTo).
    void Assign(TPersistent* Source) override;

    int Width() const override { return FWidth; }
    int Height() const override { return FHeight; }
    void SetWidth(int Value) override { SetSize(Value, FHeight); }
    void SetHeight(int Value) override { SetSize(FWidth, Value); }
    // Keeps the picture at the top-left; new area is white.
    void SetSize(int AWidth, int AHeight);
    bool Empty() const override { return FWidth <= 0 || FHeight <= 0; }

    // pfDevice for a device-dependent bitmap. Changing the format converts the pixels; formats with
    // a colour table take the nearest colour of the new table.
    TPixelFormat PixelFormat() const;
    void SetPixelFormat(TPixelFormat Value);
    TBitmapHandleType HandleType() const { return FHandleType; }
    void SetHandleType(TBitmapHandleType Value);
    bool Monochrome() const { return PixelFormat() == pf1bit; }
    void SetMonochrome(bool Value);

    // The top-based row Row of the pixels (a device-dependent bitmap becomes a DIB first).
    void* ScanLine(int Row);

    // The bitmap's own canvas over a memory DC, made on first use.
    TCanvas* Canvas();
    // The HBITMAP, taken out of the canvas's DC so the caller may use it anywhere.
    HBITMAP Handle();
    // Takes ownership of a bitmap (DIB section or device-dependent).
    void SetHandle(HBITMAP Value);
    // Hands the HBITMAP to the caller, who must delete it; the bitmap is empty afterwards.
    HBITMAP ReleaseHandle();
    bool HandleAllocated() const { return FHandle != nullptr; }

    // The colour table of a bitmap of 8 bits or fewer as a logical palette, owned by the bitmap and valid
    // until the table changes; 0 for other bitmaps. SetPalette takes Value's entries as the new table
    // (and deletes Value, whose ownership it takes).
    HPALETTE Palette();
    void SetPalette(HPALETTE Value);
    const std::vector<RGBQUAD>& ColorTable() const { return FColors; }

    // tmAuto: the bottom-left pixel's colour; tmFixed: the colour set.
    TColor TransparentColor();
    void SetTransparentColor(TColor Value);
    TTransparentMode TransparentMode() const { return FTransparentColor == clDefault ? tmAuto : tmFixed; }
    void SetTransparentMode(TTransparentMode Value);

    void Draw(TCanvas* ACanvas, const TRect& Rect) override;

    // BMP files: 1, 4, 8, 16, 24 and 32 bits, uncompressed or with bit fields, either row order.
    // Every header field is checked against the data; a file that lies raises EInvalidGraphic
    // before anything is allocated for it.
    void LoadFromStream(TStream* Stream) override;
    void SaveToStream(TStream* Stream) override;
    // A bitmap resource (RT_BITMAP); raises EResNotFound when the module has none of that name.
    void LoadFromResourceName(HINSTANCE Instance, const std::string& ResName);
    void LoadFromResourceID(HINSTANCE Instance, int ResID);

    // The pixel at (X, Y) as $00BBGGRR, read from the bits without a DC.
    TColor PixelColor(int X, int Y);

protected:
    void Changed() override;

private:
    friend class TBitmapCanvas;
    struct Image;
    void FreeContext();
    void FreeImage();
    void Adopt(Image&& image);
    Image MakeImage(int width, int height, TPixelFormat format, const std::vector<RGBQUAD>& colors) const;
    void ConvertTo(TPixelFormat format);
    // Every pixel as 0xAARRGGBB, top row first; and such pixels into a new image of any format.
    std::vector<uint32_t> Pixels32();
    static void WritePixels(Image& img, const std::vector<uint32_t>& pixels);
    void LoadDIB(const uint8_t* data, size_t size, bool fileHeader);
    TPixelFormat DeviceFormat() const;

    HBITMAP FHandle = nullptr;
    uint8_t* FBits = nullptr;
    int FStride = 0;
    bool FTopDown = false;
    int FWidth = 0;
    int FHeight = 0;
    TPixelFormat FPixelFormat = pfDevice;
    TBitmapHandleType FHandleType = bmDDB;
    std::vector<RGBQUAD> FColors;
    HPALETTE FPalette = nullptr;
    TColor FTransparentColor = clDefault;
    std::unique_ptr<TBitmapCanvas> FCanvas;
};

// An icon (or the first fitting image of an icon file); its size is fixed by the image.
class TIcon : public TGraphic {
    CLASS_INFO(TIcon, TGraphic)
public:
    TIcon();
    ~TIcon() override;
    TIcon(const TIcon&) = delete;
    TIcon& operator=(const TIcon&) = delete;

    void Assign(TPersistent* Source) override;
    int Width() const override { return FWidth; }
    int Height() const override { return FHeight; }
    // An icon's size cannot be changed: raises EInvalidGraphicOperation.
    void SetWidth(int Value) override;
    void SetHeight(int Value) override;
    bool Empty() const override { return FHandle == nullptr; }
    bool Transparent() const override { return true; }

    HICON Handle() const { return FHandle; }
    // Takes ownership of the icon.
    void SetHandle(HICON Value);
    HICON ReleaseHandle();

    void Draw(TCanvas* ACanvas, const TRect& Rect) override;
    // ICO files: the image closest to the system's icon size, deepest colours first.
    void LoadFromStream(TStream* Stream) override;
    void SaveToStream(TStream* Stream) override;
    void LoadFromResourceName(HINSTANCE Instance, const std::string& ResName);

protected:
    void AssignTo(TPersistent* Dest) override;

private:
    void Reset(HICON handle, std::vector<uint8_t> data);
    HICON FHandle = nullptr;
    int FWidth = 0;
    int FHeight = 0;
    std::vector<uint8_t> FData;  // the file the icon came from, written back unchanged
};

// A graphic class for the picture registry: its name and how to make one.
struct TGraphicClass {
    const char* ClassName;
    std::unique_ptr<TGraphic> (*Create)();
};

template <class T>
TGraphicClass GraphicClassOf() {
    return {T::StaticClassName(), []() -> std::unique_ptr<TGraphic> { return std::make_unique<T>(); }};
}

// One registered file format: extension without the dot ("bmp"), description and class.
struct TFileFormat {
    std::string Extension;
    std::string Description;
    TGraphicClass GraphicClass;
};

// Holds any one graphic and loads files by their extension through the registry of graphic classes.
class TPicture : public TPersistent {
    CLASS_INFO(TPicture, TPersistent)
public:
    TPicture();
    ~TPicture() override;
    TPicture(const TPicture&) = delete;
    TPicture& operator=(const TPicture&) = delete;

    // TPicture, TGraphic (copied into a new graphic of its class) or nil (empties).
    void Assign(TPersistent* Source) override;

    TGraphic* Graphic() const { return FGraphic.get(); }
    void SetGraphic(TGraphic* Value);
    // The picture as a bitmap (an icon or any other graphic is replaced by an empty bitmap).
    TBitmap* Bitmap();
    TIcon* Icon();
    int Width() const { return FGraphic ? FGraphic->Width() : 0; }
    int Height() const { return FGraphic ? FGraphic->Height() : 0; }

    // Raises EInvalidGraphic for an extension no graphic class is registered for.
    void LoadFromFile(const std::string& FileName);
    void SaveToFile(const std::string& FileName);

    static void RegisterFileFormat(const std::string& AExtension, const std::string& ADescription,
                                   TGraphicClass AGraphicClass);
    // Removes every file format of the class.
    static void UnregisterGraphicClass(TGraphicClass AClass);
    static std::vector<TFileFormat> FileFormats();
    // The class registered for a file's extension; false when there is none.
    static bool GraphicClassForFile(const std::string& FileName, TGraphicClass& AClass);

    TNotifyEvent OnChange;

protected:
    void AssignTo(TPersistent* Dest) override;
    virtual void Changed();

private:
    void Replace(std::unique_ptr<TGraphic> graphic);
    std::unique_ptr<TGraphic> FGraphic;
};
