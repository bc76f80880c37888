#pragma once
// TJPEGImage: JPEG pictures through libjpeg, decoded into a TBitmap when they are drawn.
#include "Graphics.h"

#include <cstdint>
#include <memory>
#include <vector>

enum TJPEGScale { jsFullSize, jsHalf, jsQuarter, jsEighth };
enum TJPEGPerformance { jpBestQuality, jpBestSpeed };
enum TJPEGPixelFormat { jf24Bit, jf8Bit };
using TJPEGQualityRange = int;  // 1 .. 100

// A JPEG image: keeps the compressed data and decodes it on demand; a bitmap assigned to it is
// compressed when the data is needed. Bad data raises EInvalidGraphic; it never ends the process.
class TJPEGImage : public TGraphic {
    CLASS_INFO(TJPEGImage, TGraphic)
public:
    TJPEGImage();
    ~TJPEGImage() override;
    TJPEGImage(const TJPEGImage&) = delete;
    TJPEGImage& operator=(const TJPEGImage&) = delete;

    // Another TJPEGImage (data and settings), a TBitmap (compressed later) or nil (empties).
    void Assign(TPersistent* Source) override;

    // The size of the decoded picture at the current Scale.
    int Width() const override;
    int Height() const override;
    // A JPEG's size comes from its data: raises EInvalidGraphicOperation.
    void SetWidth(int Value) override;
    void SetHeight(int Value) override;
    bool Empty() const override { return FData.empty() && !FBitmap; }

    bool Grayscale() const { return FGrayscale; }
    void SetGrayscale(bool Value);
    TJPEGScale Scale() const { return FScale; }
    void SetScale(TJPEGScale Value);
    TJPEGPerformance Performance() const { return FPerformance; }
    void SetPerformance(TJPEGPerformance Value);
    TJPEGPixelFormat PixelFormat() const { return FPixelFormat; }
    void SetPixelFormat(TJPEGPixelFormat Value);
    TJPEGQualityRange CompressionQuality() const { return FQuality; }
    void SetCompressionQuality(TJPEGQualityRange Value);
    bool ProgressiveEncoding() const { return FProgressiveEncoding; }
    void SetProgressiveEncoding(bool Value) { FProgressiveEncoding = Value; }

    // Compresses the bitmap assigned to it into JPEG data (with CompressionQuality).
    void Compress();
    // Decodes the data into the bitmap that Draw uses.
    void DIBNeeded();
    // Makes sure there is JPEG data (compressing an assigned bitmap).
    void JPEGNeeded();
    // The decoded picture (decoding first).
    TBitmap* Bitmap();

    void Draw(TCanvas* ACanvas, const TRect& Rect) override;
    // Reads the rest of the stream as JPEG data; the header is checked at once.
    void LoadFromStream(TStream* Stream) override;
    void SaveToStream(TStream* Stream) override;

    const std::vector<uint8_t>& Data() const { return FData; }

protected:
    void AssignTo(TPersistent* Dest) override;

private:
    void FreeBitmap();
    template <class V>
    void ChangeDecoding(V& setting, V value);
    std::vector<uint8_t> FData;
    std::unique_ptr<TBitmap> FBitmap;
    int FImageWidth = 0;   // full-size width of FData
    int FImageHeight = 0;
    bool FDataGray = false;  // FData has one component
    bool FGrayscale = false;
    TJPEGScale FScale = jsFullSize;
    TJPEGPerformance FPerformance = jpBestQuality;
    TJPEGPixelFormat FPixelFormat = jf24Bit;
    TJPEGQualityRange FQuality = 90;
    bool FProgressiveEncoding = false;
};
