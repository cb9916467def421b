// The print dialog: its controls, the option word's round trip through them
// and the page set-up record, and the printer settings block.
#include "dialogs/print/PrintDialog.h"

#include "dialogs/model/DialogServices.h"
#include "document/DocumentContext.h"
#include "document/Profile.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <cstring>

namespace qm {

namespace {

// The settings block's layout: the name field, then two little-endian words.
constexpr size_t kNameField = 128;
constexpr size_t kCopiesAt = 128;
constexpr size_t kFlagsAt = 132;
constexpr uint32_t kToFileFlag = 1;
constexpr int kMaxCopies = 999;

void PutWord(std::array<uint8_t, PageSetup::kDevModeSize>& block, size_t at, uint32_t value) {
    for (size_t i = 0; i < 4; ++i)
        block[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t GetWord(const std::vector<uint8_t>& block, size_t at) {
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i)
        value |= static_cast<uint32_t>(block[at + i]) << (8 * i);
    return value;
}

struct OptionLabel {
    uint32_t bit;
    const char* label;
};
constexpr OptionLabel kWhat[] = {
    {PrintModels, "&Models"},
    {PrintModelTree, "Model T&ree"},
    {PrintNotationTemplate, "Notation &Template"},
};
constexpr OptionLabel kScope[] = {
    {PrintThisModel, "This Mo&del"},
    {PrintThisModelAndSubmodels, "This Model && &Submodels"},
    {PrintAllModels, "&All Models"},
};

} // namespace

void StorePrinterSettings(const PrinterChoice& choice, PageSetup& setup) {
    std::array<uint8_t, PageSetup::kDevModeSize> block{};
    const size_t length = std::min(choice.printer.size(), kNameField - 1);
    std::memcpy(block.data(), choice.printer.data(), length);
    PutWord(block, kCopiesAt, static_cast<uint32_t>(std::clamp(choice.copies, 1, kMaxCopies)));
    PutWord(block, kFlagsAt, choice.toFile ? kToFileFlag : 0);
    setup.SetDevMode(block.data(), block.size());
}

PrinterChoice LoadPrinterSettings(const PageSetup& setup) {
    PrinterChoice choice;
    std::vector<uint8_t> block;
    if (!setup.GetDevMode(block) || block.size() < PageSetup::kDevModeSize)
        return choice;
    const auto nameEnd = std::find(block.begin(), block.begin() + kNameField, uint8_t{0});
    choice.printer.assign(block.begin(), nameEnd);
    const uint32_t copies = GetWord(block, kCopiesAt);
    choice.copies = copies >= 1 && copies <= kMaxCopies ? static_cast<int>(copies) : 1;
    choice.toFile = (GetWord(block, kFlagsAt) & kToFileFlag) != 0;
    return choice;
}

TPrintDialog::TPrintDialog(PageSetup& setup, std::vector<std::string> printers,
                           const std::string& defaultPrinter, const std::string& pdfPath,
                           FileDialogs* files, QWidget* parent)
    : QDialog(parent), setup_(setup), files_(files), hasPrinters_(!printers.empty()) {
    setWindowTitle("Print");
    auto* layout = new QVBoxLayout(this);

    // The printer: the platform's, or a PDF file.
    auto* printerBox = new QGroupBox("Printer", this);
    auto* printerForm = new QFormLayout(printerBox);
    printerCombo_ = new QComboBox(printerBox);
    printerCombo_->setAccessibleName("Name");
    for (const std::string& name : printers)
        printerCombo_->addItem(QString::fromStdString(name));
    printerForm->addRow("&Name:", printerCombo_);
    toFile_ = new QCheckBox("Print to file (PDF)", printerBox);
    printerForm->addRow(toFile_);
    auto* fileRow = new QHBoxLayout;
    fileEdit_ = new QLineEdit(QString::fromStdString(pdfPath), printerBox);
    fileEdit_->setAccessibleName("File name");
    browse_ = new QPushButton("Browse...", printerBox);
    fileRow->addWidget(fileEdit_);
    fileRow->addWidget(browse_);
    printerForm->addRow("File:", fileRow);
    copies_ = new QSpinBox(printerBox);
    copies_->setRange(1, kMaxCopies);
    copies_->setAccessibleName("Number of copies");
    printerForm->addRow("&Copies:", copies_);
    layout->addWidget(printerBox);

    // What, which models, and the two checks.
    auto* options = new QHBoxLayout;
    auto* whatBox = new QGroupBox("Print What", this);
    auto* whatLayout = new QVBoxLayout(whatBox);
    what_ = new QButtonGroup(this);
    for (size_t i = 0; i < std::size(kWhat); ++i) {
        whatButtons_[i] = new QRadioButton(kWhat[i].label, whatBox);
        what_->addButton(whatButtons_[i], static_cast<int>(i));
        whatLayout->addWidget(whatButtons_[i]);
    }
    auto* scopeBox = new QGroupBox("Print Scope", this);
    auto* scopeLayout = new QVBoxLayout(scopeBox);
    scope_ = new QButtonGroup(this);
    for (size_t i = 0; i < std::size(kScope); ++i) {
        scopeButtons_[i] = new QRadioButton(kScope[i].label, scopeBox);
        scope_->addButton(scopeButtons_[i], static_cast<int>(i));
        scopeLayout->addWidget(scopeButtons_[i]);
    }
    options->addWidget(whatBox);
    options->addWidget(scopeBox);
    layout->addLayout(options);
    fit_ = new QCheckBox("&Fit Model to Page", this);
    footer_ = new QCheckBox("Print F&ooter", this);
    layout->addWidget(fit_);
    layout->addWidget(footer_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    QPushButton* help = buttons->addButton("&Help", QDialogButtonBox::HelpRole);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(help, &QPushButton::clicked, [] { ShowDialogHelp("Chapter8.html#File:Print"); });
    connect(what_, &QButtonGroup::idClicked, this, [this](int) { EnableScope(); });
    connect(toFile_, &QCheckBox::toggled, this, [this](bool) { UpdatePrinterControls(); });
    connect(fileEdit_, &QLineEdit::textChanged, this, [this] { UpdatePrinterControls(); });
    connect(browse_, &QPushButton::clicked, this, [this] { BrowseFile(); });

    // The stored printer when the platform still has it, else its default.
    const PrinterChoice stored = LoadPrinterSettings(setup_);
    const auto known = [&](const std::string& name) {
        return std::find(printers.begin(), printers.end(), name) != printers.end();
    };
    const std::string& printer = known(stored.printer) ? stored.printer : defaultPrinter;
    if (known(printer))
        printerCombo_->setCurrentText(QString::fromStdString(printer));
    copies_->setValue(stored.copies);
    toFile_->setChecked(stored.toFile || !hasPrinters_);
    toFile_->setEnabled(hasPrinters_);
    UpdatePrinterControls();
}

PrinterChoice TPrintDialog::Choice() const {
    PrinterChoice choice;
    choice.printer = printerCombo_->currentText().toStdString();
    choice.toFile = toFile_->isChecked();
    choice.filePath = fileEdit_->text().toStdString();
    choice.copies = copies_->value();
    return choice;
}

QAbstractButton* TPrintDialog::OptionButton(uint32_t bit) const {
    for (size_t i = 0; i < std::size(kWhat); ++i)
        if (kWhat[i].bit == bit)
            return whatButtons_[i];
    for (size_t i = 0; i < std::size(kScope); ++i)
        if (kScope[i].bit == bit)
            return scopeButtons_[i];
    if (bit == PrintFitToPage)
        return fit_;
    if (bit == PrintFooter)
        return footer_;
    return nullptr;
}

void TPrintDialog::showEvent(QShowEvent* event) {
    if (!initialised_)
        Initialise();
    QDialog::showEvent(event);
}

void TPrintDialog::done(int result) {
    SaveOptions();
    QDialog::done(result);
}

void TPrintDialog::Initialise() {
    // The first bit of each group that is set decides its button.
    const auto check = [this](QButtonGroup* group, const OptionLabel* labels, size_t count) {
        group->setExclusive(false);
        for (QAbstractButton* button : group->buttons())
            button->setChecked(false);
        group->setExclusive(true);
        for (size_t i = 0; i < count; ++i)
            if ((options_ & labels[i].bit) != 0) {
                group->button(static_cast<int>(i))->setChecked(true);
                return;
            }
    };
    check(what_, kWhat, std::size(kWhat));
    check(scope_, kScope, std::size(kScope));
    fit_->setChecked((options_ & PrintFitToPage) != 0);
    footer_->setChecked((options_ & PrintFooter) != 0);
    EnableScope();
    initialised_ = true;
}

void TPrintDialog::SaveOptions() {
    // Disabled controls keep their checks: a scope chosen earlier survives a
    // job that prints the model tree.
    uint32_t options = 0;
    for (size_t i = 0; i < std::size(kWhat); ++i)
        if (whatButtons_[i]->isChecked())
            options |= kWhat[i].bit;
    for (size_t i = 0; i < std::size(kScope); ++i)
        if (scopeButtons_[i]->isChecked())
            options |= kScope[i].bit;
    if (fit_->isChecked())
        options |= PrintFitToPage;
    if (footer_->isChecked())
        options |= PrintFooter;
    options_ = options;
    setup_.PrintOptions = options;
    scale_ = 100;
}

void TPrintDialog::EnableScope() {
    const bool models = whatButtons_[0]->isChecked();
    for (QRadioButton* button : scopeButtons_)
        button->setEnabled(models);
    fit_->setEnabled(models);
}

void TPrintDialog::UpdatePrinterControls() {
    const bool toFile = toFile_->isChecked();
    printerCombo_->setEnabled(!toFile);
    fileEdit_->setEnabled(toFile);
    browse_->setEnabled(toFile && files_ != nullptr);
    ok_->setEnabled(!toFile || !fileEdit_->text().trimmed().isEmpty());
}

void TPrintDialog::BrowseFile() {
    if (files_ == nullptr)
        return;
    FileDialogRequest request;
    request.defaultExtension = "pdf";
    request.initialName = fileEdit_->text().toStdString();
    request.filter = "PDF Files (*.pdf) | *.pdf ||";
    if (const std::optional<std::string> chosen = files_->AskSaveFile(request))
        fileEdit_->setText(QString::fromStdString(*chosen));
}

} // namespace qm
