#pragma once

#include "Ratios.h"
#include "model/ModelObject.h"
#include "platform/Diagnostics.h"
#include "platform/UserDefaults.h"

#include <QGuiApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <functional>

// Runs the model's benchmarks with settings of their own in a scratch folder, quietly; prepare makes
// the inputs in that folder first, and prints the ratios after the runs.
inline int runModelBenchmarks(int argc, char** argv, const std::function<void(const QTemporaryDir&)>& prepare,
                              std::vector<Ratio> ratios = {}) {
    QGuiApplication app(argc, argv);
    QTemporaryDir dir;
    UserDefaults defaults(dir.filePath(QStringLiteral("defaults.plist")));
    UserDefaults::setStandardUserDefaults(&defaults);
    Diagnostics::Capture quiet;
    RegisterModelClasses();
    prepare(dir);
    benchmark::Initialize(&argc, argv);
    runWithRatios(std::move(ratios));
    benchmark::Shutdown();
    UserDefaults::setStandardUserDefaults(nullptr);
    return 0;
}
