// The fixture of the windowed application's tests: the application's
// resources, the user's settings in a scratch folder and a scratch copy of
// the shapes project; the application starts on it when a test asks (or,
// for ProjectWindowTest, when the fixture is made).
#pragma once

#include "document/CCASEDoc.h"
#include "platform/Files.h"
#include "platform/UserFolders.h"
#include "shell/CCASEApp.h"
#include "shell/Environment.h"
#include "shell/MainWindow.h"
#include "shell/frames/CMainFrame.h"
#include "tests/support/ModelFixture.h"

#include <memory>
#include <string>
#include <vector>

namespace qm::test {

class WindowedAppTest : public ModelTest {
  protected:
    WindowedAppTest() {
        SetApplicationFolder(QM_SOURCE_DIR "/resources");
        project = scratch / "shapes.pro";
        EXPECT_TRUE(WriteFileReplacing(
            project, ReadWholeFile(QM_FIXTURES "/shell/shapes.pro", 1 << 20).value_or("")));
    }
    ~WindowedAppTest() override {
        app.reset();
        SetApplicationFolder("");
    }

    // Starts the windowed application on items; its main frame.
    CMainFrame& Start(const std::vector<std::string>& items) {
        app = std::make_unique<CCASEApp>(CreateMainWindow);
        EXPECT_TRUE(app->InitInstance(items));
        frame = dynamic_cast<CMainFrame*>(app->Frame());
        EXPECT_NE(frame, nullptr);
        return *frame;
    }
    // Starts it on the scratch project.
    CMainFrame& Start() { return Start({project}); }
    CCASEDoc& Document() { return *app->Env()->ActiveDocument(); }

    std::string project;
    std::unique_ptr<CCASEApp> app;
    CMainFrame* frame = nullptr;
};

// The application started on the scratch project.
class ProjectWindowTest : public WindowedAppTest {
  protected:
    ProjectWindowTest() { Start(); }
};

} // namespace qm::test
