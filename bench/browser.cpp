// The sheet browser's reload of a sheet folder of 750, 1,500 and 3,000 sheets: the first reload
// (every sheet read and registered) and a reload with nothing changed, with the growth per doubling;
// and of the unchanged reload, the share of the main thread when the folder is read on a worker.
#include "model/Preferences.h"
#include "model/Sheet.h"
#include "model/SheetManager.h"
#include "platform/UserDefaults.h"
#include "windows/SheetFolderScan.h"
#include "windows/SheetFolderWatcher.h"
#include "windows/SheetTree.h"

#include "ModelBench.h"
#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <map>

namespace {

QString g_top;
std::map<int64_t, QString> g_folders; // sheet count to its folder

QString makeFolder(const QString& top, int sheets) {
    const QString folder = top + QStringLiteral("/Sheets%1").arg(sheets);
    QDir().mkpath(folder);
    for (int i = 0; i < sheets; ++i) {
        Ref<TSheet> sheet = Ref<TSheet>::adopt(
            TSheet::Create(folder + QStringLiteral("/Sheet %1.").arg(i) + SheetTree::kSheetExtension));
    }
    return folder;
}

// Starts the tree on an empty folder, so the next reload of the sheets' folder reads every sheet.
void forget(SheetTree& tree) {
    tree.setSheetFolderPath(g_top + QStringLiteral("/Empty"));
    tree.reload();
}

void BM_FirstReload(benchmark::State& state) {
    SheetTree tree(nullptr);
    for (auto _ : state) {
        state.PauseTiming();
        forget(tree);
        QFile::remove(g_folders[state.range(0)] + QStringLiteral("/SheetItems.plist"));
        tree.setSheetFolderPath(g_folders[state.range(0)]);
        state.ResumeTiming();
        tree.reload();
    }
    forget(tree);
}
BENCHMARK(BM_FirstReload)->Arg(750)->Arg(1500)->Arg(3000)->Unit(benchmark::kMillisecond);

// The run's time per 1,000 sheets, in milliseconds, as a counter.
void perThousandSheets(benchmark::State& state) {
    state.counters["ms_per_1000"] =
        benchmark::Counter(static_cast<double>(state.range(0)) / 1e6,
                           benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_ReloadUnchanged(benchmark::State& state) {
    SheetTree tree(nullptr);
    tree.setSheetFolderPath(g_folders[state.range(0)]);
    tree.reload();
    for (auto _ : state) tree.reload();
    perThousandSheets(state);
    forget(tree);
}
BENCHMARK(BM_ReloadUnchanged)
    ->Arg(750)
    ->Arg(1500)
    ->Arg(3000)
    ->Unit(benchmark::kMillisecond)
    ->Apply(fastestOf<5>);

// What the main thread does of it: the read asked for, then applied; the read itself is not timed.
void BM_ReloadUnchangedMainThread(benchmark::State& state) {
    SheetTree tree(nullptr);
    tree.setSheetFolderPath(g_folders[state.range(0)]);
    tree.reload();
    for (auto _ : state) {
        const std::function<SheetFolderScan()> job = tree.scanJob();
        state.PauseTiming();
        const SheetFolderScan scan = job();
        state.ResumeTiming();
        tree.apply(scan);
    }
    perThousandSheets(state);
    forget(tree);
}
BENCHMARK(BM_ReloadUnchangedMainThread)
    ->Arg(750)
    ->Arg(1500)
    ->Arg(3000)
    ->Unit(benchmark::kMillisecond)
    ->Apply(fastestOf<5>);

// The folder watcher's look at the folder after a change it was told of (every entry, each once; on
// a worker in the program).
void BM_WatcherRescan(benchmark::State& state) {
    SheetFolderWatcher watcher([] {});
    watcher.setFolder(g_folders[state.range(0)]);
    for (auto _ : state) {
        watcher.rescan();
        watcher.waitForRescan();
    }
    perThousandSheets(state);
}
BENCHMARK(BM_WatcherRescan)->Arg(3000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return runModelBenchmarks(
        argc, argv,
        [](const QTemporaryDir& dir) {
            UserDefaults::standardUserDefaults().setBoolForKey(true, kPreferenceKeyShowGroupRowsInBrowser);
            g_top = dir.path();
            QDir().mkpath(g_top + QStringLiteral("/Empty"));
            for (int sheets : {750, 1500, 3000}) g_folders[sheets] = makeFolder(g_top, sheets);
        },
        {{"reload unchanged, 3,000 sheets, ms per 1,000 sheets", "BM_ReloadUnchanged/3000", "",
          "ms_per_1000"},
         {"main thread's share of it, ms per 1,000 sheets (goal < 16)", "BM_ReloadUnchangedMainThread/3000",
          "", "ms_per_1000"},
         {"reload unchanged, 1,500 / 750 sheets (goal <= 2.2)", "BM_ReloadUnchanged/1500",
          "BM_ReloadUnchanged/750"},
         {"reload unchanged, 3,000 / 1,500 sheets (goal <= 2.2)", "BM_ReloadUnchanged/3000",
          "BM_ReloadUnchanged/1500"},
         {"main thread's share of it, 3,000 / 1,500 sheets", "BM_ReloadUnchangedMainThread/3000",
          "BM_ReloadUnchangedMainThread/1500"},
         {"first reload, 1,500 / 750 sheets", "BM_FirstReload/1500", "BM_FirstReload/750"},
         {"first reload, 3,000 / 1,500 sheets", "BM_FirstReload/3000", "BM_FirstReload/1500"}});
}
