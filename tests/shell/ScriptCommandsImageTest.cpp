// "Save Image..." of a project window: the format chosen by the dialog's
// filter or the typed extension, files that decode at the export's size, the
// 24-bit bitmap, and a folder that cannot be written reported with no file left.
#include "dialogs/model/DialogServices.h"
#include "document/CCASEDoc.h"
#include "drawables/Model.h"
#include "image/DiagramImageExport.h"
#include "platform/Files.h"
#include "platform/UserFolders.h"
#include "shell/MainWindow.h"
#include "shell/commands/ScriptCommands.h"
#include "shell/frames/CChildFrame.h"
#include "shell/frames/CMainFrame.h"
#include "tests/shell/WindowedAppFixture.h"

#include <QFileDialog>
#include <QImage>

#include <filesystem>
#include <gtest/gtest.h>

namespace qm {
namespace {

TEST(SaveImageTarget, FilterOrTypedExtensionDecidesTheFormat) {
    const struct {
        const char* typed;
        int filter;
        const char* name;
        const char* format;
    } cases[] = {
        {"/d/pic", 1, "/d/pic", "bmp"},     {"/d/pic", 2, "/d/pic", "jpg"},
        {"/d/pic", 3, "/d/pic", "png"},     {"/d/pic.PNG", 1, "/d/pic", "png"},
        {"/d/pic.jpg", 3, "/d/pic", "jpg"}, {"/d/pic.gif", 2, "/d/pic", "jpg"},
        {"/d.x/pic", 3, "/d.x/pic", "png"}, {"/d/pic", 0, "/d/pic", "bmp"},
    };
    for (const auto& c : cases) {
        const ImageTarget target = ChooseImageTarget(c.typed, c.filter);
        EXPECT_EQ(target.name, c.name) << c.typed << " " << c.filter;
        EXPECT_EQ(target.format, c.format) << c.typed << " " << c.filter;
    }
}

// Answers the save dialog with a path and a filter.
class SaveAnswer : public DialogAnswerer {
  public:
    std::string path;
    QString filter;
    void Answer(QDialog& dialog) override {
        auto* files = dynamic_cast<QFileDialog*>(&dialog);
        ASSERT_NE(files, nullptr);
        files->selectNameFilter(filter);
        files->selectFile(QString::fromStdString(path));
        dialog.done(QDialog::Accepted);
    }
};

class SaveImage : public test::ProjectWindowTest {
  protected:
    void Save(const std::string& path, const QString& filter) {
        SaveAnswer answer;
        answer.path = path;
        answer.filter = filter;
        ScopedDialogAnswerer scoped(&answer);
        ASSERT_TRUE(frame->RouteCommand(cmd::FileSaveImage));
    }
};

TEST_F(SaveImage, WritesDecodableFilesOfTheExportSize) {
    ASSERT_NE(frame, nullptr);
    Profile& settings = app->Env()->Settings();
    settings.MaxImageWidth = 300;
    settings.MaxImageHeight = 300;
    Model* model = app->Env()->ActiveDocument()->CurrentModel();
    ASSERT_NE(model, nullptr);
    CRect bounds;
    model->GetBounds(bounds);
    const ExportFrame expected = ComputeExportFrame(bounds, {300, 300});

    Save(scratch / "a.png", "Bitmap File (*.bmp)"); // the typed extension wins
    Save(scratch / "b", "JPEG File (*.jpg)");
    Save(scratch / "c.gif", "Bitmap File (*.bmp)");
    for (const char* name : {"a.png", "b.jpg"}) {
        QImage image(QString::fromStdString(scratch / name));
        ASSERT_FALSE(image.isNull()) << name;
        EXPECT_EQ(image.width(), expected.image.Width()) << name;
        EXPECT_EQ(image.height(), expected.image.Height()) << name;
    }
    const std::string bmp = ReadWholeFile(scratch / "c.bmp", 1 << 26).value_or("");
    ASSERT_GT(bmp.size(), 54u);
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    EXPECT_EQ(static_cast<unsigned char>(bmp[28]), 24); // bits per pixel
    EXPECT_FALSE(std::filesystem::exists(scratch / "c.gif"));
    EXPECT_TRUE(prompts.asked.empty());
}

TEST_F(SaveImage, UnwritableFolderIsReportedAndLeavesNothing) {
    ASSERT_NE(frame, nullptr);
    // A plain file stands where the folder should be.
    const std::string blocker = scratch / "blocker";
    ASSERT_TRUE(WriteFileReplacing(blocker, "x"));
    Save(blocker + "/pic.png", "PNG File (*.png)");
    EXPECT_EQ(prompts.asked.size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(blocker + "/pic.png"));
    EXPECT_FALSE(std::filesystem::exists(blocker + "/pic.bmp"));
}

} // namespace
} // namespace qm
