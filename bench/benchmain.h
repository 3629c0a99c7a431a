// main() of the Google Benchmark programs on photos.
#pragma once

#include <QApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

// main() of a benchmark on photos: widgets offscreen unless a display is
// named, and `folder` pointing at a temporary folder while they run.
inline int runPhotoBenchmarks(int argc, char **argv, QTemporaryDir *&folder)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    folder = &dir;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    folder = nullptr;
    return 0;
}
