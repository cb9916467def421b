// Printing a project: what the print options choose, the pages a job makes,
// a refused page ending the job, the print shell command and batch option
// that print into a PDF beside the project, and Print Setup.
#include "shell/CCASEApp.h"

#include "document/CCASEDoc.h"
#include "drawables/DrawingSwitches.h"
#include "drawables/Model.h"
#include "platform/Files.h"
#include "platform/PagedDevice.h"
#include "platform/UserFolders.h"
#include "tests/support/ModelFixture.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace qm {
namespace {

class Printing : public test::ModelTest {
  protected:
    Printing() {
        SetApplicationFolder(scratch.Path());
        project = scratch / "shapes.pro";
        EXPECT_TRUE(WriteFileReplacing(
            project, ReadWholeFile(QM_FIXTURES "/shell/shapes.pro", 1 << 20).value_or("")));
    }
    ~Printing() override { SetApplicationFolder(""); }

    // The texts drawn on the device, in order.
    static std::vector<std::string> Texts(const RecordingPagedDevice& device) {
        std::vector<std::string> texts;
        for (const std::string& call : device.dc.calls)
            if (call.find("Text") != std::string::npos)
                texts.push_back(call);
        return texts;
    }
    static size_t PdfPages(const std::string& path) {
        const std::string pdf = ReadWholeFile(path, 1 << 26).value_or("");
        size_t pages = 0;
        for (size_t at = pdf.find("/Type /Page"); at != std::string::npos;
             at = pdf.find("/Type /Page", at + 1))
            if (pdf.compare(at, 12, "/Type /Pages") != 0)
                ++pages;
        return pages;
    }

    std::string project;
};

// A paged device that counts the pages started while drawing's printing
// switch is on.
struct SwitchProbe : RecordingPagedDevice {
    using RecordingPagedDevice::RecordingPagedDevice;
    bool StartPage() override {
        if (SwitchOn(DrawingSwitch::Printing))
            ++printingPages;
        return RecordingPagedDevice::StartPage();
    }
    int printingPages = 0;
};

TEST_F(Printing, OptionsChooseWhatIsPrinted) {
    CCASEApp app;
    ASSERT_TRUE(app.InitInstance({project}));
    CCASEDoc& document = *app.Env()->ActiveDocument();
    ASSERT_EQ(document.ModelCount(), 2u);
    Model* classes = document.FindModelByName("Classes");
    Model* shape = document.FindModelByName("Shape");
    ASSERT_NE(classes, nullptr);
    ASSERT_NE(shape, nullptr);
    ASSERT_EQ(shape->parentModel, classes);

    const uint32_t fit = PrintFitToPage;
    const struct {
        const char* what;
        Model* current;
        uint32_t options;
        int pages;
    } cases[] = {
        {"this model without a current model: an empty job", nullptr, PrintModels | PrintThisModel,
         0},
        {"this model fitted", classes, PrintModels | PrintThisModel | fit, 1},
        {"every model fitted, each once", classes, PrintModels | PrintAllModels | fit, 2},
        {"every model fitted, no current model needed", nullptr, PrintModels | PrintAllModels | fit,
         2},
        {"a model with the models below it", classes,
         PrintModels | PrintThisModelAndSubmodels | fit, 2},
        {"a model with none below it", shape, PrintModels | PrintThisModelAndSubmodels | fit, 1},
        {"models chosen but not which: nothing", classes, PrintModels, 0},
        {"the model tree on one page", nullptr, PrintModelTree | PrintFooter, 1},
        {"models come before the tree", classes,
         PrintModels | PrintModelTree | PrintThisModel | fit, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        document.SetCurrentModel(c.current);
        SwitchProbe device(2400);
        EXPECT_EQ(document.Print(&device, c.options, 100), c.pages);
        EXPECT_EQ(device.started, c.pages);
        EXPECT_EQ(device.ended, c.pages);
        // Every page draws with the printing adjustments; none is left on.
        EXPECT_EQ(device.printingPages, c.pages);
        EXPECT_FALSE(SwitchOn(DrawingSwitch::Printing));
    }

    // Parents that loop: every model still prints once.
    classes->parentModel = shape;
    RecordingPagedDevice looping(2400);
    EXPECT_EQ(document.Print(&looping, PrintModels | PrintAllModels | fit, 100), 2);
    classes->parentModel = nullptr;

    // Unfitted, the model takes as many pages as its drawing needs.
    document.SetCurrentModel(classes);
    RecordingPagedDevice tiled(2400);
    const int pages = document.Print(&tiled, PrintModels | PrintThisModel | PrintFooter, 100);
    EXPECT_GT(pages, 1);
    const auto texts = Texts(tiled);
    EXPECT_TRUE(std::any_of(texts.begin(), texts.end(), [&](const std::string& t) {
        return t.find("Model <Classes>    ~~~    Page <" + std::to_string(pages) + ">") !=
               std::string::npos;
    }));
    // The tree names both models under its footer.
    RecordingPagedDevice tree(2400);
    document.Print(&tree, PrintModelTree | PrintFooter, 100);
    const auto treeTexts = Texts(tree);
    for (const char* name : {"Classes", "Shape", "Model Tree    ~~~    Page <1>"})
        EXPECT_TRUE(std::any_of(treeTexts.begin(), treeTexts.end(), [&](const std::string& t) {
            return t.find(name) != t.npos;
        })) << name;
    // The template's tools list on pages of their own.
    RecordingPagedDevice tools(2400);
    EXPECT_GE(document.Print(&tools, PrintNotationTemplate, 100), 1);
    EXPECT_EQ(tools.started, tools.ended);

    // No printer: told, nothing printed.
    prompts.asked.clear();
    EXPECT_EQ(document.Print(nullptr, PrintModels | PrintAllModels, 100), 0);
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0], "No accessible printer!");

    // A refused page ends the job after the failure is shown; the printing
    // flag does not stay set.
    RecordingPagedDevice refusing(2400);
    refusing.refuseStart = true;
    EXPECT_THROW(document.Print(&refusing, PrintModels | PrintAllModels | fit, 100),
                 CIgnoreException);
    EXPECT_EQ(prompts.asked.back().rfind("Operation failed: can't start page.", 0), 0u)
        << prompts.asked.back();
    EXPECT_FALSE(SwitchOn(DrawingSwitch::Printing));
}

// The print shell command (a project and -p) and the batch option print into
// a PDF beside the project and end the run.
TEST_F(Printing, ProjectsPrintIntoAPdfBesideThem) {
    const std::string pdf = scratch / "shapes.pdf";
    {
        CCASEApp app;
        EXPECT_FALSE(app.InitInstance({project, "-p"}));
        EXPECT_EQ(app.ExitCode(), 0);
        EXPECT_EQ(PdfPages(pdf), 1u); // the first model, fitted (the default options)
        EXPECT_NE(log.Text().find("Printed 1 page(s) to " + pdf), std::string::npos) << log.Text();
    }
    ASSERT_TRUE(DeleteFile(pdf));
    {
        CCASEApp app;
        app.InitInstance({"-batch", "-exit", "-new=<Internal>", "-save=" + (scratch / "new.pro")});
        ASSERT_EQ(app.ExitCode(), 0);
    }
    {
        CCASEApp app;
        app.InitInstance({project, "-batch", "-exit", "-p"});
        EXPECT_EQ(app.ExitCode(), 0);
        EXPECT_EQ(PdfPages(pdf), 1u);
    }
    EXPECT_NE(ReadWholeFile(pdf, 1 << 26).value_or("").find("/MediaBox [0 0 595"),
              std::string::npos); // A4, the paper of fresh settings
    {
        // Every model, unfitted: more pages, on the paper of the set-up.
        CCASEApp app;
        ASSERT_TRUE(app.InitInstance({"-batch", "-new=<Internal>"}));
        PageSetup& setup = app.Env()->Settings().PageSetup;
        setup.PrintOptions = PrintModels | PrintAllModels;
        setup.PaperWidth = 8500;
        setup.PaperHeight = 11000;
        app.OpenDocumentFile(project);
        EXPECT_GT(app.PrintDocument(*app.Env()->ActiveDocument()), 2);
        EXPECT_GT(PdfPages(pdf), 2u);
        EXPECT_NE(ReadWholeFile(pdf, 1 << 26).value_or("").find("/MediaBox [0 0 612"),
                  std::string::npos);
    }
    {
        // A PDF that cannot be written is a printer that cannot be had: the
        // run ends with an error and nothing else.
        MakeDirectories(scratch / "ro");
        const std::string locked = scratch / "ro/locked.pro";
        ASSERT_TRUE(WriteFileReplacing(locked, ReadWholeFile(project, 1 << 20).value_or("")));
        MakeDirectories(scratch / "ro/locked.pdf"); // a folder where the file would go
        CCASEApp app;
        prompts.asked.clear();
        EXPECT_FALSE(app.InitInstance({locked, "-batch", "-exit", "-p"}));
        EXPECT_EQ(app.ExitCode(), 1);
        ASSERT_GE(prompts.asked.size(), 2u);
        EXPECT_EQ(
            prompts.asked[prompts.asked.size() - 2].rfind("Operation failed: bad dc handle.", 0),
            0u);
        EXPECT_EQ(prompts.asked.back(), "Command Line Error: .\nQuillmark will exit!");
    }
}

// Print Setup through a stand-in for the page set-up dialog.
class SetupFrame : public MainFrame {
  public:
    void ShowFrame(bool) override {}
    DocumentFrame* AttachDocument(CCASEDoc&) override { return nullptr; }
    void DetachDocument(CCASEDoc&) override {}
    bool CloseFrame() override { return true; }
    bool AskPageSetup(PageSetup& setup) override {
        ++asked;
        shown = setup;
        if (!answer)
            return false;
        setup = *answer;
        return true;
    }
    int asked = 0;
    PageSetup shown;
    std::optional<PageSetup> answer;
};

TEST_F(Printing, PrintSetupStoresThePageSetupAndResizesTheDocuments) {
    SetupFrame* frame = nullptr;
    CCASEApp app([&](CCASEApp&) -> std::unique_ptr<MainFrame> {
        auto made = std::make_unique<SetupFrame>();
        frame = made.get();
        return made;
    });
    ASSERT_TRUE(app.InitInstance({project}));
    Environment& environment = *app.Env();
    EXPECT_EQ(app.Frame(), frame);
    CCASEDoc& document = *environment.ActiveDocument();
    document.SetModifiedFlag(false);
    PageSetup& settings = environment.Settings().PageSetup;

    app.OnFilePrintSetup(); // cancelled
    EXPECT_EQ(frame->asked, 1);
    EXPECT_EQ(frame->shown.PaperWidth, settings.PaperWidth);
    EXPECT_FALSE(document.IsModified());

    PageSetup same = settings; // the same paper, other options
    same.PrintOptions = PrintModelTree;
    frame->answer = same;
    app.OnFilePrintSetup();
    EXPECT_EQ(settings.PrintOptions, uint32_t{PrintModelTree});
    EXPECT_FALSE(document.IsModified());

    PageSetup letter = settings;
    letter.PaperWidth = 8500;
    letter.PaperHeight = 11000;
    frame->answer = letter;
    app.OnFilePrintSetup();
    EXPECT_EQ(settings.PaperWidth, 8500);
    EXPECT_EQ(settings.PaperHeight, 11000);
    EXPECT_TRUE(document.IsModified());
    EXPECT_EQ(document.PageWidth(), 850);
    EXPECT_EQ(document.PageHeight(), 1100);
}

} // namespace
} // namespace qm
