// The paged device over a platform printer or a PDF file, as the print
// dialog chose; the print command hands it to the document.
#pragma once

#include "dialogs/print/PrintDialog.h"
#include "platform/PagedDevice.h"

#include <array>
#include <cstdint>
#include <memory>

namespace qm {

class PrinterPagedDevice : public PagedDevice {
  public:
    // Opens the job on the chosen printer (by name, with its copies) or the
    // PDF file, on paper of the given size in thousandths of an inch (A4 when
    // either is 0 or less; landscape when wider than high). A printer or
    // file that cannot be opened gives a device whose pages are refused.
    // Margins (thousandths of an inch: left, top, right, bottom), when
    // given, are those of the page set-up.
    PrinterPagedDevice(const PrinterChoice& choice, int32_t paperWidth, int32_t paperHeight,
                       const std::array<int32_t, 4>* margins = nullptr);
    ~PrinterPagedDevice() override;

    bool IsOpen() const;
    DeviceContext& DC() override;
    bool StartPage() override;
    bool EndPage() override;
    int32_t PrintableWidth() const override;
    // Ends the job (later pages are refused); the file or spool is complete.
    // False when the job could not be ended (the file was not written);
    // true again once it has ended.
    bool Finish();

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace qm
