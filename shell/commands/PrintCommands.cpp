// The print command: its table row, the dialog, and the job with its
// progress dialog.
#include "shell/commands/PrintCommands.h"

#include "dialogs/model/DialogServices.h"
#include "dialogs/print/PrintDialog.h"
#include "dialogs/print/ProgressDialog.h"
#include "document/CCASEDoc.h"
#include "document/DocumentContext.h"
#include "document/Profile.h"
#include "platform/Errors.h"
#include "platform/Format.h"
#include "shell/CCASEApp.h"
#include "shell/PrinterDevice.h"
#include "shell/frames/CChildFrame.h"
#include "shell/frames/CMainFrame.h"

#include <QPrinterInfo>
#include <QProgressBar>

namespace qm {

namespace {

using Row = CommandRow<PrintCommands>;
using P = PrintCommands;

// Passes the pages on and tells the progress dialog of each one printed.
class ProgressPages : public PagedDevice {
  public:
    ProgressPages(PagedDevice& device, ProgressDialog& progress)
        : device_(device), progress_(progress) {}
    DeviceContext& DC() override { return device_.DC(); }
    bool StartPage() override { return device_.StartPage(); }
    bool EndPage() override {
        const bool ended = device_.EndPage();
        if (ended)
            progress_.SetProgress(Format("Page %d printed", ++pages_), progress_.Position());
        return ended;
    }
    int32_t PrintableWidth() const override { return device_.PrintableWidth(); }

  private:
    PagedDevice& device_;
    ProgressDialog& progress_;
    int pages_ = 0;
};

std::vector<std::string> PlatformPrinters() {
    std::vector<std::string> names;
    for (const QString& name : QPrinterInfo::availablePrinterNames())
        names.push_back(name.toStdString());
    return names;
}

} // namespace

struct PrintCommandRows {
    static constexpr Row rows[] = {
        {cmd::FilePrint, cmd::FilePrint, "&File#print", "&Print...\tCtrl+P", &P::OnFilePrint,
         nullptr},
        {cmd::FilePrintDirect, cmd::FilePrintDirect, nullptr, nullptr, &P::OnFilePrint, nullptr},
    };
};

std::span<const CommandRow<PrintCommands>> PrintCommands::CommandTable() {
    return PrintCommandRows::rows;
}

bool PrintCommands::OnCommand(int id) {
    return DispatchCommand(*this, CommandTable(), id);
}

bool PrintCommands::OnUpdateCommand(int id, CommandState& state) {
    return UpdateCommand(*this, CommandTable(), id, state);
}

void PrintCommands::OnFilePrint(int) {
    CCASEDoc& document = frame_.Document();
    Profile* settings = document.Context().profile;
    ReportOperationFailure(settings != nullptr, "no user settings");
    PageSetup& setup = settings->PageSetup;
    TPrintDialog dialog(setup, PlatformPrinters(), QPrinterInfo::defaultPrinterName().toStdString(),
                        PrintFilePath(document), document.Context().dialogs, &frame_);
    dialog.SetOptions(setup.PrintOptions);
    if (RunModal(dialog) != QDialog::Accepted)
        return;
    const PrinterChoice choice = dialog.Choice();
    StorePrinterSettings(choice, setup);

    // No printer at all: the document says so and prints nothing.
    if (!choice.toFile && choice.printer.empty()) {
        document.Print(nullptr, dialog.Options(), dialog.Scale());
        return;
    }
    // The margins of the page set-up, once one has been made.
    PrinterPagedDevice device(choice, setup.PaperWidth, setup.PaperHeight,
                              setup.Margins ? &*setup.Margins : nullptr);
    ReportOperationFailure(device.IsOpen(), "bad dc handle");

    // The dialog follows the document's progress over the models (the status
    // bar's control) and names each page as it is done.
    ProgressDialog progress(&frame_);
    auto* main = dynamic_cast<CMainFrame*>(frame_.window());
    progress.Start(static_cast<int>(document.ModelCount()));
    if (main != nullptr && main->Progress())
        QObject::connect(main->Progress(), &QProgressBar::valueChanged, &progress,
                         [&progress](int value) { progress.SetProgress(progress.Text(), value); });
    ProgressPages pages(device, progress);
    document.Print(&pages, dialog.Options(), dialog.Scale());
    progress.Hide();
    if (!device.Finish()) {
        frame_.EndProgress("Print aborted");
        ReportOperationFailure(false, "can't end document in Print");
    }
}

} // namespace qm
