// The rows of a bitmap device context in DIB layout, read from its QImage.
#include "platform/DibRows.h"

#include "platform/PainterDC.h"

#include <QImage>

#include <cstring>

namespace qm {

namespace {

size_t Nearest(const std::vector<COLORREF>& palette, QRgb pixel) {
    size_t best = 0;
    int64_t bestDistance = INT64_MAX;
    for (size_t i = 0; i < palette.size(); ++i) {
        const int64_t dr = int64_t(GetRValue(palette[i])) - qRed(pixel);
        const int64_t dg = int64_t(GetGValue(palette[i])) - qGreen(pixel);
        const int64_t db = int64_t(GetBValue(palette[i])) - qBlue(pixel);
        const int64_t d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

} // namespace

bool ReadDibRows(DeviceContext& dc, int32_t width, int32_t height, int bitCount,
                 const std::vector<COLORREF>& palette, uint8_t* out, size_t outSize,
                 size_t rowBytes) {
    PainterDC* painter = dc.AsPainterDC();
    const QImage* image = painter != nullptr ? painter->Image() : nullptr;
    if (image == nullptr || width < 1 || height < 1 || width > image->width() ||
        height > image->height() || out == nullptr)
        return false;
    if (bitCount != 24 && bitCount != 1 && bitCount != 4 && bitCount != 8)
        return false;
    if (bitCount != 24 && palette.empty())
        return false;
    const size_t needed = (size_t(width) * size_t(bitCount) + 7) / 8;
    if (rowBytes < needed || outSize / rowBytes < size_t(height))
        return false;
    // Read in place when the pixels are 32-bit already: a copy of an image
    // that is being painted on is a deep copy of every pixel.
    QImage converted;
    const QImage* source = image;
    if (image->format() != QImage::Format_RGB32 && image->format() != QImage::Format_ARGB32) {
        converted = image->convertToFormat(QImage::Format_RGB32);
        source = &converted;
    }
    const QImage& rgb = *source;
    for (int32_t r = 0; r < height; ++r) {
        uint8_t* row = out + size_t(height - 1 - r) * rowBytes;
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(r));
        if (bitCount == 24) {
            // Every byte but the padding is written.
            std::memset(row + 3 * size_t(width), 0, rowBytes - 3 * size_t(width));
            for (int32_t x = 0; x < width; ++x, row += 3) {
                const QRgb p = line[x];
                row[0] = uint8_t(qBlue(p));
                row[1] = uint8_t(qGreen(p));
                row[2] = uint8_t(qRed(p));
            }
            continue;
        }
        std::memset(row, 0, rowBytes);
        for (int32_t x = 0; x < width; ++x) {
            const QRgb p = line[x];
            const auto index = uint8_t(Nearest(palette, p) & ((1u << bitCount) - 1));
            const size_t bit = size_t(x) * size_t(bitCount);
            row[bit / 8] |= uint8_t(index << (8 - bitCount - int(bit % 8)));
        }
    }
    return true;
}

} // namespace qm
