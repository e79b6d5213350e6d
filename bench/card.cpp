// Decoding and encoding a card of 10,000 rows with short styled texts, against the archiver alone.
#include "model/Card.h"
#include "foundation/Archiver.h"
#include "model/ListCard.h"
#include "platform/Diagnostics.h"
#include "platform/UserDefaults.h"

#include "ModelBench.h"
#include <QGuiApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

constexpr int kRows = 10000;

QByteArray makeCardFile() {
    Ref<TListCard> card = Ref<TListCard>::adopt(TListCard::Create(QStringLiteral("Benchmark")));
    for (int i = 0; i < kRows; ++i) {
        AttributedString text(QStringLiteral("Row %1 to do").arg(i));
        TextAttributes bold;
        bold.font = TextFont{QStringLiteral("Helvetica"), 13, true, false};
        text.setAttributes(0, 3, bold);
        Ref<TListItem> row = Ref<TListItem>::adopt(TListItem::Create(text));
        card->GetRoot()->AddChild(row.get());
    }
    TArchiver* archiver = card->CopyArchive();
    const QByteArray bytes = archiver->CopyXMLData();
    archiver->Release();
    return bytes;
}

const QByteArray& cardFile() {
    static const QByteArray bytes = makeCardFile();
    return bytes;
}

TObject* decode(const QByteArray& bytes) {
    TArchiver* archiver = TArchiver::CreateWithXMLData(bytes);
    TObject* card = AllocateFromArchive(archiver, nullptr);
    archiver->Release();
    return card;
}

void BM_ArchiverOnly(benchmark::State& state) {
    for (auto _ : state) {
        TArchiver* archiver = TArchiver::CreateWithXMLData(cardFile());
        benchmark::DoNotOptimize(archiver->CFType().size());
        archiver->Release();
    }
}
BENCHMARK(BM_ArchiverOnly)->Unit(benchmark::kMillisecond);

void BM_DecodeCard(benchmark::State& state) {
    for (auto _ : state) {
        TObject* card = decode(cardFile());
        benchmark::DoNotOptimize(card);
        card->Release();
    }
}
BENCHMARK(BM_DecodeCard)->Unit(benchmark::kMillisecond);

void BM_EncodeCard(benchmark::State& state) {
    Ref<TObject> card = Ref<TObject>::adopt(decode(cardFile()));
    for (auto _ : state) {
        TArchiver* archiver = card->CopyArchive();
        benchmark::DoNotOptimize(archiver->CopyXMLData().size());
        archiver->Release();
    }
}
BENCHMARK(BM_EncodeCard)->Unit(benchmark::kMillisecond);

void BM_EncodeEditedCard(benchmark::State& state) {
    Ref<TListCard> card = Ref<TListCard>::adopt(static_cast<TListCard*>(decode(cardFile())));
    for (auto _ : state) {
        state.PauseTiming();
        for (qint64 i = 0; i < card->GetRoot()->ChildCount(); ++i)
            static_cast<TListItem*>(card->GetRoot()->GetChild(i))->SetText(QStringLiteral("Edited"));
        state.ResumeTiming();
        TArchiver* archiver = card->CopyArchive();
        benchmark::DoNotOptimize(archiver->CopyXMLData().size());
        archiver->Release();
    }
}
BENCHMARK(BM_EncodeEditedCard)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return runModelBenchmarks(argc, argv, [](const QTemporaryDir&) { cardFile(); });
}
