// Reading a sheet of 200 cards of 200 rows, changing one card and saving, against reading the same
// files' bytes from disk.
#include "model/Sheet.h"
#include "model/ListCard.h"
#include "platform/Diagnostics.h"
#include "platform/UserDefaults.h"

#include "ModelBench.h"
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

constexpr int kCards = 200;
constexpr int kRows = 200;

QString g_path;

void makeSheet(const QString& path) {
    Ref<TSheet> sheet = Ref<TSheet>::adopt(TSheet::Create(path));
    for (int c = 0; c < kCards; ++c) {
        Ref<TListCard> card = Ref<TListCard>::adopt(TListCard::Create(QStringLiteral("Card %1").arg(c)));
        for (int r = 0; r < kRows; ++r) {
            Ref<TListItem> row =
                Ref<TListItem>::adopt(TListItem::Create(QStringLiteral("Row %1 of card %2").arg(r).arg(c)));
            card->GetRoot()->AddChild(row.get());
        }
        sheet->AddCard(card.get());
    }
    sheet->Save();
}

void BM_ReadBytes(benchmark::State& state) {
    for (auto _ : state) {
        qint64 total = 0;
        for (const QFileInfo& file : QDir(g_path).entryInfoList(QDir::Files)) {
            QFile f(file.filePath());
            if (f.open(QIODevice::ReadOnly)) total += f.readAll().size();
        }
        benchmark::DoNotOptimize(total);
    }
}
BENCHMARK(BM_ReadBytes)->Unit(benchmark::kMillisecond);

void BM_LoadSheet(benchmark::State& state) {
    for (auto _ : state) {
        TSheet* sheet = TSheet::SheetFromPath(g_path);
        sheet->Retain();
        sheet->LoadCards();
        benchmark::DoNotOptimize(sheet->GetCards()->Count());
        sheet->Release();
    }
}
BENCHMARK(BM_LoadSheet)->Unit(benchmark::kMillisecond);

void BM_ChangeOneCardAndSave(benchmark::State& state) {
    Ref<TSheet> sheet = Ref<TSheet>::retain(TSheet::SheetFromPath(g_path));
    sheet->LoadCards();
    int n = 0;
    for (auto _ : state) {
        ++n;
        static_cast<TCard*>(sheet->GetCards()->GetObjectValue(n % kCards))
            ->SetTitle(QStringLiteral("Edit %1").arg(n));
        benchmark::DoNotOptimize(sheet->Save());
    }
}
BENCHMARK(BM_ChangeOneCardAndSave)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return runModelBenchmarks(argc, argv, [](const QTemporaryDir& dir) {
        g_path = dir.filePath(QStringLiteral("Bench.qxsheet"));
        makeSheet(g_path);
    });
}
