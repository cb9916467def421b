// The print dialog driven as a user drives it: the option word shown and
// rebuilt, "Models" enabling the scope, the word stored in the page set-up
// on OK and on Cancel, the printer or PDF choice and its settings block; and
// the progress dialog's range and step.
#include "dialogs/print/PrintDialog.h"
#include "dialogs/print/ProgressDialog.h"

#include "dialogs/model/DialogServices.h"
#include "document/Profile.h"
#include "tests/dialogs/FindDialogInput.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include <gtest/gtest.h>

namespace qm {
namespace {

using test::Click;
using test::ClickAt;
using test::TypeText;

// Clicks a check box or radio button on its indicator: a button stretched by
// its layout does not take clicks beyond its text.
void Tick(QAbstractButton* button) {
    ASSERT_NE(button, nullptr);
    ASSERT_TRUE(button->isEnabled()) << button->text().toStdString();
    ClickAt(button, QPoint(6, button->height() / 2));
}

constexpr uint32_t kAllBits[] = {PrintModels,
                                 PrintModelTree,
                                 PrintNotationTemplate,
                                 PrintThisModel,
                                 PrintThisModelAndSubmodels,
                                 PrintAllModels,
                                 PrintFitToPage,
                                 PrintFooter};

// The bits whose controls are checked, and those whose controls are enabled.
uint32_t Checked(const TPrintDialog& dialog) {
    uint32_t bits = 0;
    for (uint32_t bit : kAllBits)
        if (dialog.OptionButton(bit)->isChecked())
            bits |= bit;
    return bits;
}
uint32_t Enabled(const TPrintDialog& dialog) {
    uint32_t bits = 0;
    for (uint32_t bit : kAllBits)
        if (dialog.OptionButton(bit)->isEnabled())
            bits |= bit;
    return bits;
}

QPushButton* Button(QDialog& dialog, const QString& text) {
    for (QPushButton* button : dialog.findChildren<QPushButton*>())
        if (button->text() == text)
            return button;
    return nullptr;
}

constexpr uint32_t kScopeAndFit =
    PrintThisModel | PrintThisModelAndSubmodels | PrintAllModels | PrintFitToPage;
constexpr uint32_t kEverything = 0xff;

TEST(PrintDialog, ShowsTheOptionWordAndEnablesTheScopeWithModels) {
    const struct {
        uint32_t options;
        uint32_t checked;
        uint32_t enabled;
    } cases[] = {
        // The stored default: models, this model, fitted, with footers.
        {201, 201, kEverything},
        // The first bit of a group that is set wins.
        {PrintModels | PrintModelTree | PrintAllModels | PrintThisModelAndSubmodels,
         PrintModels | PrintThisModelAndSubmodels, kEverything},
        // The model tree keeps its scope checked but not enabled.
        {PrintModelTree | PrintAllModels | PrintFooter,
         PrintModelTree | PrintAllModels | PrintFooter, kEverything & ~kScopeAndFit},
        {PrintNotationTemplate, PrintNotationTemplate, kEverything & ~kScopeAndFit},
        {0, 0, kEverything & ~kScopeAndFit},
    };
    for (const auto& c : cases) {
        PageSetup setup;
        TPrintDialog dialog(setup, {"Office"}, "Office", "/tmp/a.pdf", nullptr);
        dialog.SetOptions(c.options);
        dialog.show();
        EXPECT_EQ(Checked(dialog), c.checked) << c.options;
        EXPECT_EQ(Enabled(dialog), c.enabled) << c.options;
        EXPECT_EQ(dialog.Scale(), 100);
        dialog.reject();
    }
}

TEST(PrintDialog, ClicksRebuildTheWordThatOkAndCancelStore) {
    for (bool ok : {true, false}) {
        PageSetup setup;
        setup.PrintOptions = 0;
        TPrintDialog dialog(setup, {"Office"}, "Office", "/tmp/a.pdf", nullptr);
        dialog.SetOptions(201);
        dialog.show();
        // "Model Tree" disables the scope and the fitting, which keep their checks.
        Tick(dialog.OptionButton(PrintModelTree));
        EXPECT_FALSE(dialog.OptionButton(PrintThisModel)->isEnabled());
        EXPECT_FALSE(dialog.OptionButton(PrintFitToPage)->isEnabled());
        EXPECT_TRUE(dialog.OptionButton(PrintThisModel)->isChecked());
        Tick(dialog.OptionButton(PrintFooter));
        Tick(dialog.OptionButton(PrintModels));
        ASSERT_TRUE(dialog.OptionButton(PrintAllModels)->isEnabled());
        Tick(dialog.OptionButton(PrintAllModels));
        EXPECT_FALSE(dialog.OptionButton(PrintThisModel)->isChecked());
        Click(Button(dialog, ok ? "OK" : "Cancel"));
        EXPECT_EQ(dialog.result(), ok ? QDialog::Accepted : QDialog::Rejected);
        const uint32_t expected = PrintModels | PrintAllModels | PrintFitToPage;
        EXPECT_EQ(dialog.Options(), expected);
        EXPECT_EQ(setup.PrintOptions, expected) << "ok " << ok;
    }
}

TEST(PrintDialog, HelpOpensItsTopic) {
    struct Topics : DialogHelp {
        std::vector<std::string> shown;
        void ShowHelpTopic(const std::string& topic) override { shown.push_back(topic); }
    } topics;
    ScopedDialogHelp scoped(&topics);
    PageSetup setup;
    TPrintDialog dialog(setup, {}, "", "/tmp/a.pdf", nullptr);
    dialog.show();
    Click(Button(dialog, "&Help"));
    EXPECT_EQ(topics.shown, std::vector<std::string>{"Chapter8.html#File:Print"});
    EXPECT_TRUE(dialog.isVisible());
    dialog.reject();
}

TEST(PrintDialog, ChoosesThePrinterOrAPdfFile) {
    PageSetup setup;
    {
        // Nothing stored: the platform's default printer.
        TPrintDialog dialog(setup, {"Office", "Lab"}, "Lab", "/tmp/p.pdf", nullptr);
        EXPECT_EQ(dialog.Choice().printer, "Lab");
        EXPECT_FALSE(dialog.Choice().toFile);
        EXPECT_FALSE(dialog.FileEdit()->isEnabled());
        dialog.PrinterCombo()->setCurrentIndex(0);
        dialog.CopiesSpin()->setValue(3);
        StorePrinterSettings(dialog.Choice(), setup);
    }
    {
        // The stored printer comes back while the platform has it.
        TPrintDialog dialog(setup, {"Office", "Lab"}, "Lab", "/tmp/p.pdf", nullptr);
        EXPECT_EQ(dialog.Choice().printer, "Office");
        EXPECT_EQ(dialog.Choice().copies, 3);
        dialog.show();
        Tick(dialog.ToFileCheck());
        ASSERT_TRUE(dialog.FileEdit()->isEnabled());
        EXPECT_FALSE(dialog.PrinterCombo()->isEnabled());
        // No file name, no job.
        dialog.FileEdit()->clear();
        EXPECT_FALSE(Button(dialog, "OK")->isEnabled());
        TypeText(dialog.FileEdit(), "/tmp/q.pdf");
        EXPECT_TRUE(Button(dialog, "OK")->isEnabled());
        EXPECT_EQ(dialog.Choice().filePath, "/tmp/q.pdf");
        StorePrinterSettings(dialog.Choice(), setup);
        dialog.reject();
    }
    {
        // A printer gone from the platform gives way to its default; the
        // file stays chosen.
        TPrintDialog dialog(setup, {"Lab"}, "Lab", "/tmp/p.pdf", nullptr);
        EXPECT_EQ(dialog.Choice().printer, "Lab");
        EXPECT_TRUE(dialog.Choice().toFile);
        EXPECT_EQ(dialog.Choice().filePath, "/tmp/p.pdf");
    }
    {
        // No printers at all: only a file can be had.
        PageSetup fresh;
        TPrintDialog dialog(fresh, {}, "", "/tmp/p.pdf", nullptr);
        EXPECT_TRUE(dialog.ToFileCheck()->isChecked());
        EXPECT_FALSE(dialog.ToFileCheck()->isEnabled());
    }
}

TEST(PrinterSettings, RoundTripAndDistrustTheStoredBlock) {
    PageSetup setup;
    EXPECT_EQ(LoadPrinterSettings(setup).printer, "");
    EXPECT_EQ(LoadPrinterSettings(setup).copies, 1);

    PrinterChoice choice{"Laser on floor 2", true, "/not/kept.pdf", 7};
    StorePrinterSettings(choice, setup);
    const PrinterChoice back = LoadPrinterSettings(setup);
    EXPECT_EQ(back.printer, choice.printer);
    EXPECT_TRUE(back.toFile);
    EXPECT_EQ(back.copies, 7);
    EXPECT_EQ(back.filePath, "");

    // A name longer than its field is cut; a block of any bytes reads safely.
    StorePrinterSettings({std::string(300, 'n'), false, "", 1}, setup);
    EXPECT_EQ(LoadPrinterSettings(setup).printer, std::string(127, 'n'));
    std::vector<uint8_t> junk(PageSetup::kDevModeSize, 0xff);
    setup.SetDevMode(junk.data(), junk.size());
    const PrinterChoice odd = LoadPrinterSettings(setup);
    EXPECT_EQ(odd.printer.size(), 128u);
    EXPECT_EQ(odd.copies, 1);
    EXPECT_TRUE(odd.toFile);
}

TEST(ProgressDialog, StepsByATenthAndKeepsTheBarInRange) {
    const struct {
        int n;
        int maximum;
        int step;
    } cases[] = {{5, 5, 1},  {250, 250, 25},         {0, 0, 1}, {19, 19, 1}, {20, 20, 2},
                 {-4, 0, 1}, {100000, 100000, 10000}};
    ProgressDialog progress;
    for (const auto& c : cases) {
        progress.SetProgress("before", 3);
        progress.Start(c.n);
        EXPECT_TRUE(progress.isVisible());
        EXPECT_EQ(progress.Maximum(), c.maximum) << c.n;
        EXPECT_EQ(progress.Step(), c.step) << c.n;
        EXPECT_EQ(progress.Position(), 0) << c.n;
        EXPECT_EQ(progress.Text(), "") << c.n;
    }
    progress.Start(25);
    for (int i = 0; i < 20; ++i)
        progress.StepIt();
    EXPECT_EQ(progress.Position(), 25);
    progress.SetProgress("Checking in", 40);
    EXPECT_EQ(progress.Position(), 25);
    EXPECT_EQ(progress.Text(), "Checking in");
    progress.SetProgress("", 2);
    EXPECT_EQ(progress.Position(), 2);
    progress.Hide();
    EXPECT_FALSE(progress.isVisible());
}

} // namespace
} // namespace qm
