// Reading a sheet of 200 cards of 200 rows, changing one card and saving, against reading the same
// files' bytes from disk and decoding them; reading an info.plist listing 20,000 and 40,000 cards.
#include "model/Sheet.h"
#include "foundation/Archiver.h"
#include "model/ListCard.h"
#include "platform/AutoreleasePool.h"
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
QString g_listPaths[2]; // sheets listing 20,000 and 40,000 cards

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

// What loading cannot do without: every file read and decoded by the archiver.
void BM_ReadAndDecode(benchmark::State& state) {
    for (auto _ : state) {
        qint64 total = 0;
        for (const QFileInfo& file : QDir(g_path).entryInfoList(QDir::Files)) {
            TArchiver* archiver = TArchiver::CreateWithPath(file.filePath());
            if (archiver->Load() == 0) total += archiver->Count();
            archiver->Release();
        }
        benchmark::DoNotOptimize(total);
    }
}
BENCHMARK(BM_ReadAndDecode)->Unit(benchmark::kMillisecond)->Apply(fastestOf<3>);

// A sheet whose info.plist lists entries cards (their files absent).
QString makeListingSheet(const QString& path, int entries) {
    Ref<TSheet> sheet = Ref<TSheet>::adopt(TSheet::Create(path));
    TArchiver* archiver = TArchiver::CreateWithPath(sheet->GetInfoPath());
    archiver->Load();
    QVariantList uuids;
    for (int i = 0; i < entries; ++i) uuids.append(NewUUIDString());
    archiver->SetValue(QStringLiteral("cards"), uuids);
    archiver->Save();
    archiver->Release();
    return path;
}

void BM_ReadCardList(benchmark::State& state) {
    const QString& path = g_listPaths[state.range(0) == 20000 ? 0 : 1];
    for (auto _ : state) {
        AutoreleasePool pool;
        TSheet* sheet = TSheet::SheetFromPath(path);
        sheet->Retain();
        benchmark::DoNotOptimize(sheet);
        sheet->Release();
    }
}
BENCHMARK(BM_ReadCardList)->Arg(20000)->Arg(40000)->Unit(benchmark::kMillisecond)->Apply(fastestOf<7>);

void BM_LoadSheet(benchmark::State& state) {
    for (auto _ : state) {
        AutoreleasePool pool; // the sheet is freed in the run, as the program frees it after an event
        TSheet* sheet = TSheet::SheetFromPath(g_path);
        sheet->Retain();
        sheet->LoadCards();
        benchmark::DoNotOptimize(sheet->GetCards()->Count());
        sheet->Release();
    }
}
BENCHMARK(BM_LoadSheet)->Unit(benchmark::kMillisecond)->Apply(fastestOf<3>);

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
    return runModelBenchmarks(
        argc, argv,
        [](const QTemporaryDir& dir) {
            g_path = dir.filePath(QStringLiteral("Bench.qxsheet"));
            makeSheet(g_path);
            g_listPaths[0] = makeListingSheet(dir.filePath(QStringLiteral("List20000.qxsheet")), 20000);
            g_listPaths[1] = makeListingSheet(dir.filePath(QStringLiteral("List40000.qxsheet")), 40000);
        },
        {{"load sheet / read and decode its files (goal <= 1.5)", "BM_LoadSheet", "BM_ReadAndDecode"},
         {"info.plist 40,000 / 20,000 entries (goal <= 2.2)", "BM_ReadCardList/40000",
          "BM_ReadCardList/20000"}});
}
