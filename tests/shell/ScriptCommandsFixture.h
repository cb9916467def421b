// The fixture of the script-command tests: the windowed application started
// on a scratch copy of the shapes project, with its main frame.
#pragma once

#include "platform/Files.h"
#include "platform/UserFolders.h"
#include "shell/CCASEApp.h"
#include "shell/MainWindow.h"
#include "shell/frames/CMainFrame.h"
#include "tests/support/ModelFixture.h"

#include <memory>
#include <string>

namespace qm::test {

class ProjectWindowTest : public ModelTest {
  protected:
    ProjectWindowTest() {
        SetApplicationFolder(QM_SOURCE_DIR "/resources");
        project = scratch / "shapes.pro";
        EXPECT_TRUE(WriteFileReplacing(
            project, ReadWholeFile(QM_FIXTURES "/shell/shapes.pro", 1 << 20).value_or("")));
        app = std::make_unique<CCASEApp>(CreateMainWindow);
        EXPECT_TRUE(app->InitInstance({project}));
        frame = dynamic_cast<CMainFrame*>(app->Frame());
    }
    ~ProjectWindowTest() override {
        app.reset();
        SetApplicationFolder("");
    }

    std::unique_ptr<CCASEApp> app;
    CMainFrame* frame = nullptr;
    std::string project;
};

} // namespace qm::test
