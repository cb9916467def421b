// The main of the benchmarks that draw or measure text: an offscreen Qt
// application (App: QApplication for benchmarks of widgets), settings and
// the private temporary folder in a scratch folder of the run, a discarded
// log, the kernel, ids that touch no stored settings and the font face
// table, then every benchmark of the program.
#pragma once

#include "drawables/FontFaceTable.h"
#include "kernel/Kernel.h"
#include "model/Guid.h"
#include "platform/Log.h"

#include <QGuiApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace qm::bench {

template <class App = QGuiApplication> int RunDrawingBenchmarks(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QTemporaryDir scratch;
    setenv("XDG_CONFIG_HOME", scratch.path().toUtf8().constData(), 1);
    setenv("XDG_RUNTIME_DIR", scratch.path().toUtf8().constData(), 1);
    App app(argc, argv);
    static NullLogSink quiet;
    SetLogSink(&quiet);
    kest::initkernel();
    SetGuidStoreMode(GuidNoStore);
    FontFaceTable table;
    table.Init();
    Install(&table);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace qm::bench
