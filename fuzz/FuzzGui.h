// The headless application object of the fuzz targets whose code measures
// texts with the platform's fonts, as the program does under its own
// application object. Without one, the first text measured aborts the run.
#pragma once

#include <QGuiApplication>

#include <cstdlib>

namespace fuzzsupport {

// Call once per process, before anything of a project is made; the object is
// kept for the whole run.
inline void StartHeadlessGui() {
    static QGuiApplication* application = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        static int argc = 1;
        static char name[] = "quillmark-fuzz";
        static char* argv[] = {name, nullptr};
        return new QGuiApplication(argc, argv);
    }();
    (void)application;
}

} // namespace fuzzsupport
