// A paged device: the device context of a printer with its pages. Printing
// code starts and ends each page and asks how wide the printable area is.
// PdfPagedDevice prints into a PDF file through Qt's PDF writer;
// RecordingPagedDevice writes the pages and the drawing calls down for tests.
#pragma once

#include "platform/DeviceContext.h"
#include "platform/RecordingDC.h"

#include <memory>
#include <string>
#include <vector>

namespace qm {

class PagedDevice {
  public:
    virtual ~PagedDevice() = default;
    // The context the pages are drawn with.
    virtual DeviceContext& DC() = 0;
    // Each answers false when the device refuses the page.
    virtual bool StartPage() = 0;
    virtual bool EndPage() = 0;
    // The printable width in the context's units (the device's horizontal resolution).
    virtual int32_t PrintableWidth() const = 0;
};

// Prints into a PDF file at the given resolution (dots per inch), on pages of
// the paper size in thousandths of an inch (A4 when either is 0 or less).
// The file is complete once the device is finished or destroyed; a file that
// cannot be written gives a device whose pages are refused.
class PdfPagedDevice : public PagedDevice {
  public:
    PdfPagedDevice(const std::string& path, int resolution = 300, int32_t paperWidth = 0,
                   int32_t paperHeight = 0);
    ~PdfPagedDevice() override;

    bool IsOpen() const;
    DeviceContext& DC() override;
    bool StartPage() override;
    bool EndPage() override;
    int32_t PrintableWidth() const override;
    // Ends the document (later pages are refused).
    void Finish();

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Draws nothing: counts the pages and writes down the drawing calls, with the
// index of the first call of each page.
class RecordingPagedDevice : public PagedDevice {
  public:
    explicit RecordingPagedDevice(int32_t printableWidth) : width_(printableWidth) {}

    DeviceContext& DC() override { return dc; }
    bool StartPage() override;
    bool EndPage() override;
    int32_t PrintableWidth() const override { return width_; }

    RecordingDC dc;
    int started = 0;
    int ended = 0;
    // The index into dc.calls where each page began.
    std::vector<size_t> pageStarts;
    bool refuseStart = false;
    bool refuseEnd = false;

  private:
    int32_t width_;
};

} // namespace qm
