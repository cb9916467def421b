// The "Print" dialog: the platform's printers (or a PDF file) beside the
// option word that says what to print (models, model tree or notation
// template), which models, whether to fit them to the page and print a
// footer; and the printer settings it keeps in the page set-up record.
#pragma once

#include <QDialog>

#include <cstdint>
#include <string>
#include <vector>

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace qm {

class FileDialogs;
class PageSetup;

// Where a job goes: a platform printer by name, or a PDF file.
struct PrinterChoice {
    std::string printer;
    bool toFile = false;
    std::string filePath;
    int copies = 1;
};

// The printer settings kept in the page set-up's settings block: the
// printer's name (at most 127 bytes), the copies and whether the job went to
// a file. The file's path is not kept. Reading trusts nothing in the block:
// the name ends at the first zero byte or the field's end, copies outside
// 1..999 read as 1. No block stored reads as the defaults.
void StorePrinterSettings(const PrinterChoice& choice, PageSetup& setup);
PrinterChoice LoadPrinterSettings(const PageSetup& setup);

class TPrintDialog : public QDialog {
  public:
    // printers: the platform's printer names; defaultPrinter is chosen when
    // the stored settings name none of them. With no printers the job can only
    // go to a file. pdfPath is the file offered for it; files (may be null)
    // asks for another one.
    TPrintDialog(PageSetup& setup, std::vector<std::string> printers,
                 const std::string& defaultPrinter, const std::string& pdfPath, FileDialogs* files,
                 QWidget* parent = nullptr);

    // The option word (PrintOption bits); set it before the dialog is shown.
    uint32_t Options() const { return options_; }
    void SetOptions(uint32_t options) { options_ = options; }
    // The scale in percent the job prints at: 100, set again on every save.
    int Scale() const { return scale_; }
    // The printer or file chosen.
    PrinterChoice Choice() const;
    // The control of one option bit (0x1 to 0x80), or null for another value.
    QAbstractButton* OptionButton(uint32_t bit) const;
    QComboBox* PrinterCombo() const { return printerCombo_; }
    QCheckBox* ToFileCheck() const { return toFile_; }
    QLineEdit* FileEdit() const { return fileEdit_; }
    QSpinBox* CopiesSpin() const { return copies_; }

  protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

  private:
    // Sets the controls from the option word.
    void Initialise();
    // Rebuilds the option word from the checked controls and stores it.
    void SaveOptions();
    // Scope and fit-to-page follow "Models".
    void EnableScope();
    void UpdatePrinterControls();
    void BrowseFile();

    PageSetup& setup_;
    FileDialogs* files_;
    uint32_t options_ = 0;
    int scale_ = 100;
    bool initialised_ = false;
    bool hasPrinters_ = false;
    QButtonGroup* what_ = nullptr;
    QButtonGroup* scope_ = nullptr;
    QRadioButton* whatButtons_[3] = {};
    QRadioButton* scopeButtons_[3] = {};
    QCheckBox* fit_ = nullptr;
    QCheckBox* footer_ = nullptr;
    QComboBox* printerCombo_ = nullptr;
    QCheckBox* toFile_ = nullptr;
    QLineEdit* fileEdit_ = nullptr;
    QPushButton* browse_ = nullptr;
    QSpinBox* copies_ = nullptr;
    QPushButton* ok_ = nullptr;
};

} // namespace qm
