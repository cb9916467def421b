// The windowed start, offscreen: the main window with its menus and one child
// window for each project that start-up opens or makes.
#include "shell/MainWindow.h"

#include "document/CCASEDoc.h"
#include "platform/Files.h"
#include "platform/UserFolders.h"
#include "tests/shell/WindowedAppFixture.h"

#include <QAction>
#include <QApplication>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>

#include <gtest/gtest.h>

namespace qm {
namespace {

class Windows : public test::WindowedAppTest {
  protected:
    static QMainWindow* Main() {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* window = qobject_cast<QMainWindow*>(widget); window && window->isVisible())
                return window;
        return nullptr;
    }
    static std::vector<std::string> Titles() {
        std::vector<std::string> titles;
        if (QMainWindow* window = Main())
            for (QMdiSubWindow* child : window->findChild<QMdiArea*>()->subWindowList())
                titles.push_back(child->windowTitle().toStdString());
        return titles;
    }
};

TEST_F(Windows, StartShowsOneWindowPerProject) {
    const struct {
        std::vector<std::string> items;
        std::string title; // the start of the one child window's title
    } starts[] = {
        {{}, "Untitled (uses UML2.1.not"},
        {{QM_SOURCE_DIR "/resources/Notations/UML2.1.not"}, "Untitled (uses UML2.1.not"},
        {{"<project>"}, "shapes.pro (uses <Internal>"},
    };
    for (const auto& start : starts) {
        std::vector<std::string> items = start.items;
        for (std::string& item : items)
            if (item == "<project>")
                item = project;
        CCASEApp app(CreateMainWindow);
        ASSERT_TRUE(app.InitInstance(items));
        ASSERT_NE(Main(), nullptr);
        const auto titles = Titles();
        ASSERT_EQ(titles.size(), 1u) << start.title;
        EXPECT_EQ(titles[0].rfind(start.title, 0), 0u) << titles[0];
    }
    // An opened project's window names the diagram it shows.
    CCASEApp app(CreateMainWindow);
    ASSERT_TRUE(app.InitInstance({project}));
    EXPECT_NE(Titles().at(0).find(" - Classes"), std::string::npos) << Titles().at(0);

    // The File and Help menus with the application's commands.
    std::vector<std::string> labels;
    for (QAction* menu : Main()->menuBar()->actions())
        for (QAction* item : menu->menu()->actions())
            if (!item->isSeparator())
                labels.push_back(menu->text().toStdString() + "/" + item->text().toStdString());
    for (const char* label : {"&File/&New", "&File/&Open...", "&File/P&rint Setup...",
                              "&Help/&Contents...", "&Help/&Index...", "&Help/&About Quillmark..."})
        EXPECT_NE(std::find(labels.begin(), labels.end(), label), labels.end()) << label;
}

} // namespace
} // namespace qm

namespace qm {
namespace {

TEST(FileFilters, FrameworkFiltersBecomeQtFilters) {
    const struct {
        std::string filter;
        std::string qt;
    } cases[] = {
        {"Project Files (*.pro) | *.pro ||", "Project Files (*.pro)"},
        {"Bitmap File (.bmp)|*.bmp;|JPEG File (.jpg)|*.jpg;|PNG File (.png)|*.png||",
         "Bitmap File (.bmp) (*.bmp);;JPEG File (.jpg) (*.jpg);;PNG File (.png) (*.png)"},
        {"Scripts|*.vxs;*.txt||", "Scripts (*.vxs *.txt)"},
        {"All|", "All"},
        {"", ""},
        {"||||", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(QtFileFilter(c.filter), c.qt) << c.filter;
}

} // namespace
} // namespace qm
