// The main function of every test executable: runs headless on Qt's offscreen
// platform, with an application object so that fonts, images and widgets work,
// and with the headless prompt service, so no test ever waits on a dialog.
#include <QApplication>
#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
