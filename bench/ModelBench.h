#pragma once

#include "model/ModelObject.h"
#include "platform/Diagnostics.h"
#include "platform/UserDefaults.h"

#include <QGuiApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <functional>

// Runs the model's benchmarks with settings of their own in a scratch folder, quietly; prepare makes
// the inputs in that folder first.
inline int runModelBenchmarks(int argc, char** argv,
                              const std::function<void(const QTemporaryDir&)>& prepare) {
    QGuiApplication app(argc, argv);
    QTemporaryDir dir;
    UserDefaults defaults(dir.filePath(QStringLiteral("defaults.plist")));
    UserDefaults::setStandardUserDefaults(&defaults);
    Diagnostics::Capture quiet;
    RegisterModelClasses();
    prepare(dir);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    UserDefaults::setStandardUserDefaults(nullptr);
    return 0;
}
