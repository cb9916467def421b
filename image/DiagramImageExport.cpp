// The diagram export: the frame and scale of the picture, drawing the model
// into an off-screen image, the DIB file and the JPEG or PNG file.
//
// A JPEG or PNG export encodes the drawn picture straight from memory: its
// rows are read out of the off-screen image as the rows of a 24-bit DIB,
// exactly what writing a DIB file and reading it back with the BMP reader
// gives, without the file. So a file of the user's named like that
// intermediate DIB is never touched, and the picture is copied once.
// ConvertBmpToJpeg and ConvertBmpToPng still convert DIB files.
//
// Every file is written under a unique temporary name and renamed over the
// target only when it was written whole, so a failure leaves no partial
// file.
#include "image/DiagramImageExport.h"

#include "drawables/Model.h"
#include "image/BmpImageReader.h"
#include "image/JpegImageWriter.h"
#include "image/PngImageWriter.h"
#include "image/RasterImage.h"
#include "platform/DibRows.h"
#include "platform/Errors.h"
#include "platform/PainterDC.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <new>
#include <vector>

namespace qm {

namespace {

const char* const kUnsupportedDepth =
    "Unsupported color depth...Please go to 'Settings->Control Panel->Display:Settings' and "
    "choose a different Color Palette.";
const char* const kAllocateFailed = "Failed to allocate memory for DIB";
const char* const kOpenFailed = "Failed to open image file";
const char* const kWriteFailed = "Failed to write to image file";
const char* const kConvertFailed = "Failed to convert image file";

// The off-screen image stands in for the screen. It holds 32-bit pixels and
// has no palette, so it reports what a true-colour display reports: -1
// colours (NUMCOLORS) and 32 bits per pixel (BITSPIXEL). Its DIB is
// therefore 24 bits without a colour table.
constexpr int32_t kScreenColours = -1;
constexpr int32_t kScreenBitsPerPixel = 32;
// The largest side a bitmap can have.
constexpr int32_t kMaxBitmapSide = 32767;

// The palette of a device with n colours: the 16 standard colours, then a
// 6 x 6 x 6 colour cube and greys.
std::vector<COLORREF> DevicePalette(int32_t n) {
    static const std::array<COLORREF, 16> kStandard = {
        RGB(0, 0, 0),       RGB(128, 0, 0),   RGB(0, 128, 0),   RGB(128, 128, 0),
        RGB(0, 0, 128),     RGB(128, 0, 128), RGB(0, 128, 128), RGB(192, 192, 192),
        RGB(128, 128, 128), RGB(255, 0, 0),   RGB(0, 255, 0),   RGB(255, 255, 0),
        RGB(0, 0, 255),     RGB(255, 0, 255), RGB(0, 255, 255), RGB(255, 255, 255)};
    std::vector<COLORREF> palette;
    for (COLORREF c : kStandard)
        palette.push_back(c);
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                palette.push_back(RGB(uint8_t(r * 51), uint8_t(g * 51), uint8_t(b * 51)));
    for (int v = 8; palette.size() < 256; v += 10)
        palette.push_back(RGB(uint8_t(v), uint8_t(v), uint8_t(v)));
    palette.resize(size_t(std::max<int32_t>(n, 0)), RGB(0, 0, 0));
    return palette;
}

void Put16(uint8_t* at, uint32_t value) {
    at[0] = uint8_t(value);
    at[1] = uint8_t(value >> 8);
}

void Put32(uint8_t* at, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        at[i] = uint8_t(value >> (8 * i));
}

// A file made under a unique name from prefix (prefix + ".XXXXXX" + suffix
// would not be unique enough for mkstemp, so the suffix is left out), with
// the permissions a new file gets. "" when none can be made.
std::string UniqueFile(const std::string& prefix) {
    std::string name = prefix + ".XXXXXX";
    std::vector<char> buffer(name.begin(), name.end());
    buffer.push_back('\0');
    const int fd = mkstemp(buffer.data());
    if (fd < 0)
        return {};
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    close(fd);
    return std::string(buffer.data());
}

// Removes the file when it is not released: the temporary files of one export.
class TemporaryFile {
  public:
    explicit TemporaryFile(std::string name) : name_(std::move(name)) {}
    ~TemporaryFile() {
        if (!name_.empty())
            std::remove(name_.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    const std::string& Name() const { return name_; }
    bool Empty() const { return name_.empty(); }
    // Renames the file over target; false (the file kept for removal) on failure.
    bool MoveTo(const std::string& target) {
        if (std::rename(name_.c_str(), target.c_str()) != 0)
            return false;
        name_.clear();
        return true;
    }

  private:
    std::string name_;
};

enum class Coder { Jpeg, Png };

// Writes the picture given by fill (which fills an empty RasterImage and
// throws what the coders throw) as a JPEG or PNG file, under a temporary
// name beside output renamed when whole. Throws the failure's text.
template <class Fill> void WriteCodedFile(const std::string& output, Coder coder, Fill fill) {
    TemporaryFile temp(UniqueFile(output));
    if (temp.Empty())
        throw CKestException(kOpenFailed);
    {
        std::ofstream out(temp.Name(), std::ios::binary | std::ios::trunc);
        if (!out)
            throw CKestException(kOpenFailed);
        try {
            RasterImage image;
            fill(image);
            if (coder == Coder::Jpeg) {
                JpegImageWriter writer;
                writer.SetScan(0, 2, 0, 0);
                writer.SetScan(1, 4, 0, 0);
                writer.SetScan(2, 8, 0, 0);
                writer.WriteImage(out, image);
            } else {
                PngImageWriter writer;
                writer.SetCompressionLevel(0);
                writer.WriteImage(out, image);
            }
        } catch (const std::exception&) {
            throw CKestException(kConvertFailed);
        }
        out.flush();
        out.close();
        if (out.fail())
            throw CKestException(kWriteFailed);
    }
    if (!temp.MoveTo(output))
        throw CKestException(kWriteFailed);
}

// Converts the DIB file input into output. Throws the failure's text.
void ConvertDibFile(const std::string& input, const std::string& output, Coder coder) {
    std::ifstream in(input, std::ios::binary);
    if (!in)
        throw CKestException(kConvertFailed);
    WriteCodedFile(output, coder,
                   [&in](RasterImage& image) { BmpImageReader().ReadImage(in, image); });
}

// The first height rows of width pixels of the drawn picture as a 24-bit
// image: the rows SaveDibFile writes for a true-colour screen.
void ReadDrawnPicture(DeviceContext& dc, int32_t width, int32_t height, RasterImage& image) {
    image.SetSize(0, 24, uint32_t(width), uint32_t(height));
    const size_t rowBytes = image.GetRowWidth();
    if (!ReadDibRows(dc, width, height, 24, {}, image.GetRow(uint32_t(height - 1)),
                     rowBytes * size_t(height), rowBytes))
        throw CKestException(kConvertFailed);
}

int ConvertBeside(const std::string& input, const char* extension, Coder coder) {
    if (input.size() < 3)
        return 1;
    const std::string output = input.substr(0, input.size() - 3) + extension;
    try {
        ConvertDibFile(input, output, coder);
    } catch (const CKestException&) {
        return 1;
    }
    return 0;
}

// Restores the model's zoom factor when the drawing ends, also by an exception.
class ZoomGuard {
  public:
    ZoomGuard(Model& model, double zoom) : model_(model), saved_(model.zoom) { model.zoom = zoom; }
    ~ZoomGuard() { model_.zoom = saved_; }
    ZoomGuard(const ZoomGuard&) = delete;
    ZoomGuard& operator=(const ZoomGuard&) = delete;

  private:
    Model& model_;
    double saved_;
};

} // namespace

bool WriteFileChecked(int fd, const void* buffer, size_t count) {
    const auto* at = static_cast<const uint8_t*>(buffer);
    while (count > 0) {
        const ssize_t written = write(fd, at, count);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        at += written;
        count -= size_t(written);
    }
    return true;
}

ExportFrame ComputeExportFrame(const CRect& bounds, const ImageLimits& limits) {
    ExportFrame frame;
    frame.bounds = bounds;
    const int64_t width = bounds.Width();
    const int64_t height = bounds.Height();
    double sx = 1.0, sy = 1.0;
    if (limits.maxWidth > 0 && width > limits.maxWidth)
        sx = double(limits.maxWidth) / double(width);
    if (limits.maxHeight > 0 && height > limits.maxHeight)
        sy = double(limits.maxHeight) / double(height);
    frame.scale = std::min(sx, sy);
    if (frame.scale != 1.0) {
        const double s = frame.scale;
        const int32_t left = ClampCoordinate(int64_t(std::trunc(bounds.left * s)));
        const int32_t top = ClampCoordinate(int64_t(std::trunc(bounds.top * s)));
        frame.bounds.SetRect(left, top, ClampCoordinate(int64_t(std::trunc(width * s + left))),
                             ClampCoordinate(int64_t(std::trunc(height * s + top))));
    }
    frame.image = frame.bounds;
    frame.image.InflateRect(4, 4);
    return frame;
}

void SaveDibFile(DeviceContext& dc, int32_t width, int32_t height, int32_t colours,
                 int32_t bitsPerPixel, const std::string& fileName) {
    static constexpr int32_t kDepths[] = {1, 4, 8, 16, 24, 32};
    if (std::find(std::begin(kDepths), std::end(kDepths), bitsPerPixel) == std::end(kDepths))
        throw CKestException(kUnsupportedDepth);
    int32_t stored = bitsPerPixel;
    uint32_t tableEntries = 0;
    if (colours > 0) {
        stored = 0;
        for (int32_t n = colours; n > 1; n /= 2)
            ++stored;
        tableEntries = uint32_t(colours);
    }
    if (stored == 16 || stored == 32)
        stored = 24;
    // A palette device whose colour count is no DIB depth cannot be stored.
    if (stored != 1 && stored != 4 && stored != 8 && stored != 24)
        throw CKestException(kUnsupportedDepth);
    if (width < 1 || height < 1)
        throw CKestException(kAllocateFailed);
    const uint64_t rowBytes = ((uint64_t(width) * uint64_t(stored) + 31) & ~uint64_t(31)) / 8;
    const uint64_t imageBytes = rowBytes * uint64_t(height);
    const uint64_t tableBytes = uint64_t(tableEntries) * 4;
    const uint64_t blockBytes = 40 + tableBytes + imageBytes;
    if (14 + blockBytes > UINT32_MAX)
        throw CKestException(kAllocateFailed);
    std::vector<uint8_t> block;
    try {
        block.assign(size_t(blockBytes), 0);
    } catch (const std::bad_alloc&) {
        throw CKestException(kAllocateFailed);
    }
    uint8_t* info = block.data();
    Put32(info, 40);
    Put32(info + 4, uint32_t(width));
    Put32(info + 8, uint32_t(height));
    Put16(info + 12, 1);
    Put16(info + 14, uint32_t(stored));
    Put32(info + 16, 0);
    Put32(info + 20, uint32_t(imageBytes));
    const std::vector<COLORREF> palette = DevicePalette(int32_t(tableEntries));
    for (size_t i = 0; i < palette.size(); ++i) {
        uint8_t* entry = info + 40 + 4 * i;
        entry[0] = GetBValue(palette[i]);
        entry[1] = GetGValue(palette[i]);
        entry[2] = GetRValue(palette[i]);
    }
    uint8_t* pixels = info + 40 + tableBytes;
    // As the platform's GetDIBits, whose result the format does not depend on.
    ReadDibRows(dc, width, height, stored, palette, pixels, size_t(imageBytes), size_t(rowBytes));

    std::array<uint8_t, 14> header{};
    header[0] = 'B';
    header[1] = 'M';
    Put32(header.data() + 2, uint32_t(14 + blockBytes));
    Put32(header.data() + 10, uint32_t(54 + tableBytes));

    const int fd = open(fileName.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        throw CKestException(kOpenFailed);
    const bool whole = WriteFileChecked(fd, header.data(), header.size()) &&
                       WriteFileChecked(fd, block.data(), block.size());
    const bool closed = close(fd) == 0;
    if (!whole || !closed) {
        std::remove(fileName.c_str());
        throw CKestException(kWriteFailed);
    }
}

int ConvertBmpToJpeg(const std::string& input) {
    return ConvertBeside(input, "jpg", Coder::Jpeg);
}

int ConvertBmpToPng(const std::string& input) {
    return ConvertBeside(input, "png", Coder::Png);
}

void ExportDiagramImage(Model* model, bool selectionOnly, const std::string& path,
                        const std::string& format, const ImageLimits& limits) {
    if (model == nullptr)
        return;
    const bool bmp = format == "bmp";
    const bool jpg = format == "jpg";
    const bool png = format == "png";
    if (!bmp && !jpg && !png)
        return;
    CRect bounds;
    if (selectionOnly)
        model->GetSelectionBounds(bounds);
    else
        model->GetBounds(bounds);
    const ExportFrame frame = ComputeExportFrame(bounds, limits);
    const int32_t width = frame.image.Width();
    const int32_t height = frame.image.Height();
    // A picture no bitmap can hold ends the export, as a bitmap that cannot
    // be created does.
    if (width < 1 || height < 1 || width > kMaxBitmapSide || height > kMaxBitmapSide)
        return;
    ImageDC dc(width, height);
    if (!dc.IsActive())
        return;
    // The image starts white: that is the background the picture is drawn on.
    dc.SetViewportOrg(CPoint(-frame.image.left, -frame.image.top));
    {
        ZoomGuard zoom(*model, frame.scale);
        model->Draw(dc, selectionOnly);
    }
    dc.SetViewportOrg(CPoint(0, 0));

    const std::string target = path + "." + format;
    if (bmp) {
        TemporaryFile temp(UniqueFile(target));
        if (temp.Empty())
            throw CKestException(kOpenFailed);
        SaveDibFile(dc, width, height, kScreenColours, kScreenBitsPerPixel, temp.Name());
        if (!temp.MoveTo(target))
            throw CKestException(kWriteFailed);
        return;
    }
    WriteCodedFile(target, jpg ? Coder::Jpeg : Coder::Png,
                   [&](RasterImage& image) { ReadDrawnPicture(dc, width, height, image); });
}

} // namespace qm
