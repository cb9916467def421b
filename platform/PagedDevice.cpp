// The PDF paged device over Qt's PDF writer, and the recording one.
#include "platform/PagedDevice.h"

#include "platform/PainterDC.h"

#include <QPageSize>
#include <QPdfWriter>
#include <QSizeF>
#include <QString>

namespace qm {

struct PdfPagedDevice::Impl {
    explicit Impl(const std::string& path) : writer(QString::fromStdString(path)) {}
    QPdfWriter writer;
    std::unique_ptr<PainterDC> dc;
    RecordingDC closed; // stands in once the document has ended
    int pages = 0;
    bool open = false;
};

PdfPagedDevice::PdfPagedDevice(const std::string& path, int resolution, int32_t paperWidth,
                               int32_t paperHeight)
    : impl_(std::make_unique<Impl>(path)) {
    if (paperWidth > 0 && paperHeight > 0)
        impl_->writer.setPageSize(
            QPageSize(QSizeF(paperWidth / 1000.0, paperHeight / 1000.0), QPageSize::Inch));
    else
        impl_->writer.setPageSize(QPageSize(QPageSize::A4));
    impl_->writer.setResolution(resolution > 0 ? resolution : 300);
    impl_->dc = std::make_unique<PainterDC>(&impl_->writer);
    impl_->open = impl_->dc->IsActive();
}

PdfPagedDevice::~PdfPagedDevice() {
    Finish();
}

bool PdfPagedDevice::IsOpen() const {
    return impl_->open;
}

DeviceContext& PdfPagedDevice::DC() {
    if (impl_->dc == nullptr)
        return impl_->closed;
    return *impl_->dc;
}

bool PdfPagedDevice::StartPage() {
    if (!impl_->open)
        return false;
    // The writer opens on its first page; each later page is a new one.
    if (impl_->pages > 0 && !impl_->writer.newPage())
        return false;
    ++impl_->pages;
    return true;
}

bool PdfPagedDevice::EndPage() {
    return impl_->open;
}

int32_t PdfPagedDevice::PrintableWidth() const {
    return impl_->writer.width();
}

void PdfPagedDevice::Finish() {
    impl_->dc.reset();
    impl_->open = false;
}

bool RecordingPagedDevice::StartPage() {
    if (refuseStart)
        return false;
    ++started;
    pageStarts.push_back(dc.calls.size());
    return true;
}

bool RecordingPagedDevice::EndPage() {
    if (refuseEnd)
        return false;
    ++ended;
    return true;
}

} // namespace qm
