// BmpImageReader: reads a Windows or OS/2 bitmap (1, 4, 8 and 24 bits,
// uncompressed, RLE8 and RLE4) from a byte stream into a RasterImage.
#pragma once

#include "image/ImageCoder.h"

namespace qm {

class BmpImageReader : public ImageDecoder {
  public:
    // Reads one bitmap from the stream's current position into image. Every
    // field is checked: a short read of the headers, the colour table or the
    // rows raises EBmpFileReadError; a header or run that does not fit the
    // image, and RLE data ending before its end-of-bitmap escape, raise
    // EBmpCorruptFile; a depth, compression or size this reader does not
    // handle raises EBmpNotSupported; a missing "BM" raises EBmpNotABmpFile.
    // After an exception the image holds whatever was filled so far.
    void ReadImage(std::istream& input, RasterImage& image) override;

    // The largest pixel buffer the reader builds (bytes). Larger pictures are
    // refused as unsupported rather than allocated on a file's word.
    static constexpr uint64_t kMaxPixelBytes = uint64_t{512} << 20;

  protected:
    // Calls the progress callback, when one is set, for pass 1 of 1; throws
    // EGraphicsAbort when the callback asks to stop.
    void ReportProgress(uint32_t percent);

  private:
    void ReadUncompressed(std::istream& input, RasterImage& image, bool topDown);
    void ReadRunLength(std::istream& input, RasterImage& image, bool fourBits);
};

} // namespace qm
