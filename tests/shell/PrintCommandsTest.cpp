// Print from a project window: the dialog answered as a user would (the
// option bits clicked, the job sent to a PDF file), the pages and footers read
// back from the file with the PDF tools, the choice kept in the page set-up,
// and a file that cannot be written reported with nothing left.
#include "shell/commands/PrintCommands.h"
#include "dialogs/model/DialogServices.h"
#include "dialogs/print/PrintDialog.h"
#include "dialogs/print/ProgressDialog.h"
#include "document/CCASEDoc.h"
#include "document/Profile.h"
#include "platform/Files.h"
#include "shell/frames/CMainFrame.h"
#include "tests/shell/WindowedAppFixture.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QProgressBar>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTest>

#include <filesystem>
#include <gtest/gtest.h>

namespace qm {
namespace {

int PdfPageCount(const std::string& path) {
    QProcess process;
    process.start("pdfinfo", {QString::fromStdString(path)});
    process.waitForFinished(30000);
    const std::string info = process.readAllStandardOutput().toStdString();
    const size_t at = info.find("Pages:");
    return at == std::string::npos ? -1 : std::atoi(info.c_str() + at + 6);
}

std::string PdfText(const std::string& path) {
    QProcess process;
    process.start("pdftotext", {"-layout", QString::fromStdString(path), "-"});
    process.waitForFinished(30000);
    return process.readAllStandardOutput().toStdString();
}

// How often what occurs in text, runs of spaces in either counting as one
// (the text tool lays a line out again).
std::string Squeezed(const std::string& text) {
    std::string out;
    for (char c : text)
        if (c != ' ' || out.empty() || out.back() != ' ')
            out += c;
    return out;
}
size_t Count(const std::string& spaced, const std::string& spacedWhat) {
    const std::string text = Squeezed(spaced), what = Squeezed(spacedWhat);
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

// Answers the print dialog: clicks the option bits' controls (what, which,
// and the two checks to the wanted state), sends the job to a file and
// presses OK; or cancels.
class PrintAnswer : public DialogAnswerer {
  public:
    uint32_t options = 0;
    std::string path;
    bool cancel = false;
    int asked = 0;
    bool toFileShown = false;
    uint32_t optionsShown = 0;

    void Answer(QDialog& dialog) override {
        ++asked;
        auto* print = dynamic_cast<TPrintDialog*>(&dialog);
        ASSERT_NE(print, nullptr);
        toFileShown = print->ToFileCheck()->isChecked();
        optionsShown = print->Options();
        if (cancel) {
            dialog.reject();
            return;
        }
        for (uint32_t bit : {PrintModels, PrintModelTree, PrintNotationTemplate})
            if ((options & bit) != 0)
                Tick(print->OptionButton(bit));
        for (uint32_t bit : {PrintThisModel, PrintThisModelAndSubmodels, PrintAllModels})
            if ((options & bit) != 0)
                Tick(print->OptionButton(bit));
        // Fitting is asked only of models.
        for (uint32_t bit : {PrintFitToPage, PrintFooter})
            if (print->OptionButton(bit)->isEnabled() &&
                print->OptionButton(bit)->isChecked() != ((options & bit) != 0))
                Tick(print->OptionButton(bit));
        if (!print->ToFileCheck()->isChecked())
            Tick(print->ToFileCheck());
        print->FileEdit()->setText(QString::fromStdString(path));
        QTest::keyClick(&dialog, Qt::Key_Return);
    }

  private:
    // On the indicator: a stretched button takes no clicks beyond its text.
    static void Tick(QAbstractButton* button) {
        ASSERT_TRUE(button->isEnabled()) << button->text().toStdString();
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
    }
};

class PrintCommand : public test::ProjectWindowTest {
  protected:
    void SetUp() override {
        if (QStandardPaths::findExecutable("pdfinfo").isEmpty() ||
            QStandardPaths::findExecutable("pdftotext").isEmpty())
            GTEST_SKIP() << "pdfinfo and pdftotext (poppler-utils) are needed to read the PDF";
        ASSERT_NE(frame, nullptr);
    }
    // False when the command failed (and said so).
    bool Print(PrintAnswer& answer) {
        ScopedDialogAnswerer scoped(&answer);
        return frame->RouteCommand(cmd::FilePrint);
    }
    bool StatusShows(const QString& text) {
        for (QLabel* label : frame->statusBar()->findChildren<QLabel*>())
            if (label->text() == text)
                return true;
        return false;
    }
    // The progress dialogs over the main frame (the dialogs carry no meta
    // object of their own: found by their class).
    std::vector<ProgressDialog*> ProgressDialogs() {
        std::vector<ProgressDialog*> found;
        for (QDialog* dialog : frame->findChildren<QDialog*>())
            if (auto* progress = dynamic_cast<ProgressDialog*>(dialog))
                found.push_back(progress);
        return found;
    }
    PageSetup& PageSettings() { return app->Env()->Settings().PageSetup; }
};

TEST_F(PrintCommand, WhatAndWhichBitsGiveThePagesAndFooters) {
    // The project: "Classes" (the current model) with the submodel "Shape"
    // of its Shape class.
    const std::string classes = "Model <Classes>    ~~~    Page <";
    const std::string shape = "Model <Shape>    ~~~    Page <";
    const struct {
        uint32_t options;
        int pages;
        std::vector<std::pair<std::string, size_t>> footers;
    } cases[] = {
        {PrintModels | PrintThisModel | PrintFitToPage | PrintFooter,
         1,
         {{classes, 1}, {shape, 0}}},
        {PrintModels | PrintThisModelAndSubmodels | PrintFitToPage | PrintFooter,
         2,
         {{classes, 1}, {shape, 1}}},
        {PrintModels | PrintAllModels | PrintFitToPage | PrintFooter,
         2,
         {{classes, 1}, {shape, 1}}},
        {PrintModels | PrintAllModels | PrintFitToPage, 2, {{"~~~", 0}}},
        {PrintModelTree | PrintFooter, 1, {{"Model Tree    ~~~    Page <1>", 1}, {classes, 0}}},
        {PrintNotationTemplate | PrintFooter,
         2,
         {{"Notation Template <<Internal>>    ~~~    Page <", 2}}},
        {PrintNotationTemplate, 2, {{"~~~", 0}}},
    };
    int job = 0;
    for (const auto& c : cases) {
        PrintAnswer answer;
        answer.options = c.options;
        answer.path = scratch / ("job" + std::to_string(++job) + ".pdf");
        ASSERT_TRUE(Print(answer));
        ASSERT_EQ(answer.asked, 1);
        // The stored word: the controls that count for this job as clicked
        // (disabled ones keep their earlier checks).
        const uint32_t counted = 0x87u | ((c.options & PrintModels) != 0 ? 0x78u : 0u);
        EXPECT_EQ(PageSettings().PrintOptions & counted, c.options) << c.options;
        const int pages = PdfPageCount(answer.path);
        const std::string text = PdfText(answer.path);
        EXPECT_EQ(pages, c.pages) << c.options;
        for (const auto& [footer, times] : c.footers)
            EXPECT_EQ(Count(text, footer), times) << c.options << " " << footer << "\n" << text;
        EXPECT_TRUE(StatusShows("Spooled"));
    }
}

// While the job runs, the progress dialog is up over the models' range and
// names the pages done, as the status bar's control moves.
TEST_F(PrintCommand, ProgressDialogFollowsTheJob) {
    struct Seen {
        int position;
        bool visible;
        int maximum;
        std::string text;
    };
    std::vector<Seen> seen;
    QObject::connect(frame->Progress(), &QProgressBar::valueChanged, frame, [&](int value) {
        if (value == 0) // the job's start
            return;
        for (ProgressDialog* progress : ProgressDialogs())
            seen.push_back({value, progress->isVisible(), progress->Maximum(), progress->Text()});
    });
    PrintAnswer answer;
    answer.options = PrintModels | PrintAllModels | PrintFitToPage;
    answer.path = scratch / "all.pdf";
    ASSERT_TRUE(Print(answer));
    ASSERT_EQ(seen.size(), 2u);
    for (size_t i = 0; i < seen.size(); ++i) {
        EXPECT_EQ(seen[i].position, static_cast<int>(i) + 1);
        EXPECT_TRUE(seen[i].visible);
        EXPECT_EQ(seen[i].maximum, 2);
        EXPECT_EQ(seen[i].text, "Page " + std::to_string(i + 1) + " printed");
    }
    // Gone with the job.
    EXPECT_TRUE(ProgressDialogs().empty());
}

TEST_F(PrintCommand, KeepsTheChoiceAndReportsAFileThatCannotBeWritten) {
    {
        // A cancelled dialog prints nothing but keeps the options shown.
        PrintAnswer answer;
        answer.cancel = true;
        ASSERT_TRUE(Print(answer));
        EXPECT_EQ(answer.optionsShown, 201u);
        EXPECT_FALSE(std::filesystem::exists(PrintFilePath(*app->Env()->ActiveDocument())));
    }
    PrintAnswer first;
    first.options = PrintModelTree;
    first.path = scratch / "tree.pdf";
    ASSERT_TRUE(Print(first));
    EXPECT_EQ(PdfPageCount(first.path), 1);
    EXPECT_TRUE(LoadPrinterSettings(PageSettings()).toFile);

    // The next dialog opens on what was chosen: the file and the word.
    PrintAnswer again;
    again.cancel = true;
    ASSERT_TRUE(Print(again));
    EXPECT_TRUE(again.toFileShown);
    EXPECT_EQ(again.optionsShown & 0x7u, static_cast<uint32_t>(PrintModelTree));

    // A folder that is not there: the failure check reports it and the job
    // leaves nothing behind.
    PrintAnswer blocked;
    blocked.options = PrintModels | PrintThisModel;
    blocked.path = scratch / "missing/folder/out.pdf";
    prompts.asked.clear();
    EXPECT_FALSE(Print(blocked));
    ASSERT_FALSE(prompts.asked.empty());
    EXPECT_NE(prompts.asked.back().find("bad dc handle"), std::string::npos)
        << prompts.asked.back();
    EXPECT_FALSE(std::filesystem::exists(blocked.path));
}

} // namespace
} // namespace qm
