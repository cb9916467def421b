// The printer-backed paged device: a QPrinter set up from the print dialog's
// choice, drawn on through the painter device context.
#include "shell/PrinterDevice.h"

#include "platform/PainterDC.h"

#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QSizeF>
#include <QString>

#include <algorithm>

namespace qm {

namespace {
// PDF files print at the resolution the batch print uses.
constexpr int kPdfResolution = 300;
// The margins of a PDF page, in inches.
constexpr double kPdfMargin = 0.5;
} // namespace

struct PrinterPagedDevice::Impl {
    QPrinter printer{QPrinter::HighResolution};
    std::unique_ptr<PainterDC> dc;
    RecordingDC closed; // stands in once the job has ended
    int pages = 0;
    bool open = false;
};

PrinterPagedDevice::PrinterPagedDevice(const PrinterChoice& choice, int32_t paperWidth,
                                       int32_t paperHeight, const std::array<int32_t, 4>* margins)
    : impl_(std::make_unique<Impl>()) {
    QPrinter& printer = impl_->printer;
    if (choice.toFile) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(choice.filePath));
        printer.setResolution(kPdfResolution);
    } else {
        printer.setPrinterName(QString::fromStdString(choice.printer));
    }
    printer.setCopyCount(std::max(1, choice.copies));
    // The page size is given portrait; the orientation turns it.
    QPageSize size(QPageSize::A4);
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    if (paperWidth > 0 && paperHeight > 0) {
        const double shorter = std::min(paperWidth, paperHeight) / 1000.0;
        const double longer = std::max(paperWidth, paperHeight) / 1000.0;
        size = QPageSize(QSizeF(shorter, longer), QPageSize::Inch);
        if (paperWidth > paperHeight)
            orientation = QPageLayout::Landscape;
    }
    // Drawing starts at the printable area's corner, as on a printer: a page
    // is scaled to the printable width and its footer falls below it, into
    // the bottom margin. A file gets margins a printer would have.
    if (margins != nullptr) {
        const auto inches = [&](size_t side) { return std::max(0, (*margins)[side]) / 1000.0; };
        printer.setPageLayout(QPageLayout(size, orientation,
                                          QMarginsF(inches(0), inches(1), inches(2), inches(3)),
                                          QPageLayout::Inch));
    } else if (choice.toFile) {
        printer.setPageLayout(QPageLayout(size, orientation,
                                          QMarginsF(kPdfMargin, kPdfMargin, kPdfMargin, kPdfMargin),
                                          QPageLayout::Inch));
    } else {
        printer.setPageSize(size);
        printer.setPageOrientation(orientation);
    }
    // A printer the platform does not know, or a file that cannot be
    // written, leaves the painter inactive.
    const bool valid = choice.toFile ? !choice.filePath.empty() : printer.isValid();
    if (!valid)
        return;
    impl_->dc = std::make_unique<PainterDC>(&printer);
    impl_->open = impl_->dc->IsActive();
    if (!impl_->open)
        impl_->dc.reset();
}

PrinterPagedDevice::~PrinterPagedDevice() {
    Finish();
}

bool PrinterPagedDevice::IsOpen() const {
    return impl_->open;
}

DeviceContext& PrinterPagedDevice::DC() {
    if (impl_->dc == nullptr)
        return impl_->closed;
    return *impl_->dc;
}

bool PrinterPagedDevice::StartPage() {
    if (!impl_->open)
        return false;
    // The job opens on its first page; each later page is a new one.
    if (impl_->pages > 0 && !impl_->printer.newPage())
        return false;
    ++impl_->pages;
    return true;
}

bool PrinterPagedDevice::EndPage() {
    return impl_->open;
}

int32_t PrinterPagedDevice::PrintableWidth() const {
    return impl_->printer.width();
}

bool PrinterPagedDevice::Finish() {
    const bool ended = impl_->dc == nullptr || impl_->dc->Painter().end();
    impl_->dc.reset();
    impl_->open = false;
    return ended;
}

} // namespace qm
