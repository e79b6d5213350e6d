// Decoding and encoding a card of 10,000 rows with short styled texts, against the archiver alone;
// decoding the same rows side by side (depth 1) and nested 160 deep, in time and in memory.
#include "model/Card.h"
#include "foundation/Archiver.h"
#include "model/ListCard.h"
#include "platform/Diagnostics.h"
#include "platform/UserDefaults.h"

#include "ModelBench.h"
#include <QGuiApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <malloc.h>

namespace {

constexpr int kRows = 10000;
constexpr int kNestedRows = 3200;

// A card of rows in chains depth rows deep (depth 1: every row under the root).
QByteArray makeCardFile(int rows, int depth) {
    Ref<TListCard> card = Ref<TListCard>::adopt(TListCard::Create(QStringLiteral("Benchmark")));
    TTreeNode* parent = card->GetRoot();
    for (int i = 0; i < rows; ++i) {
        AttributedString text(QStringLiteral("Row %1 to do").arg(i));
        TextAttributes bold;
        bold.font = TextFont{QStringLiteral("Helvetica"), 13, true, false};
        text.setAttributes(0, 3, bold);
        Ref<TListItem> row = Ref<TListItem>::adopt(TListItem::Create(text));
        if (i % depth == 0) parent = card->GetRoot();
        parent->AddChild(row.get());
        parent = row.get();
    }
    TArchiver* archiver = card->CopyArchive();
    const QByteArray bytes = archiver->CopyXMLData();
    archiver->Release();
    return bytes;
}

QByteArray makeCardFile() {
    return makeCardFile(kRows, 1);
}

const QByteArray& nestedCardFile(int depth) {
    static const QByteArray flat = makeCardFile(kNestedRows, 1);
    static const QByteArray deep = makeCardFile(kNestedRows, 160);
    return depth == 1 ? flat : deep;
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
BENCHMARK(BM_ArchiverOnly)->Unit(benchmark::kMillisecond)->Apply(fastestOf<5>);

void BM_DecodeCard(benchmark::State& state) {
    for (auto _ : state) {
        TObject* card = decode(cardFile());
        benchmark::DoNotOptimize(card);
        card->Release();
    }
}
BENCHMARK(BM_DecodeCard)->Unit(benchmark::kMillisecond)->Apply(fastestOf<5>);

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

// The same rows at depth 1 and 160: the time to decode, and the heap the decoded card holds.
void BM_DecodeAtDepth(benchmark::State& state) {
    const QByteArray& bytes = nestedCardFile(static_cast<int>(state.range(0)));
    // The heap is measured once, outside the timed runs.
    const size_t before = mallinfo2().uordblks;
    TObject* held = decode(bytes);
    state.counters["heap_bytes"] = static_cast<double>(mallinfo2().uordblks) - static_cast<double>(before);
    held->Release();
    for (auto _ : state) {
        TObject* card = decode(bytes);
        benchmark::DoNotOptimize(card);
        card->Release();
    }
}
BENCHMARK(BM_DecodeAtDepth)->Arg(1)->Arg(160)->Unit(benchmark::kMillisecond)->Apply(fastestOf<5>);

// The archiver alone on the same bytes: deeper rows are written with longer indents.
void BM_ArchiverAtDepth(benchmark::State& state) {
    const QByteArray& bytes = nestedCardFile(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        TArchiver* archiver = TArchiver::CreateWithXMLData(bytes);
        benchmark::DoNotOptimize(archiver->Count());
        archiver->Release();
    }
    state.counters["file_bytes"] = static_cast<double>(bytes.size());
}
BENCHMARK(BM_ArchiverAtDepth)->Arg(1)->Arg(160)->Unit(benchmark::kMillisecond)->Apply(fastestOf<5>);

} // namespace

int main(int argc, char** argv) {
    return runModelBenchmarks(
        argc, argv,
        [](const QTemporaryDir&) {
            cardFile();
            nestedCardFile(1);
            nestedCardFile(160);
        },
        {{"decode card / archiver decode (goal <= 1.5)", "BM_DecodeCard", "BM_ArchiverOnly"},
         {"depth 160 / depth 1, time, whole (goal <= 1.3)", "BM_DecodeAtDepth/160", "BM_DecodeAtDepth/1"},
         {"depth 160 / depth 1, memory (goal <= 1.3)", "BM_DecodeAtDepth/160", "BM_DecodeAtDepth/1",
          "heap_bytes"},
         {"depth 160 / depth 1, archiver alone, time", "BM_ArchiverAtDepth/160", "BM_ArchiverAtDepth/1"},
         {"depth 160 / depth 1, file size", "BM_ArchiverAtDepth/160", "BM_ArchiverAtDepth/1", "file_bytes"},
         {"depth 160 / depth 1, time, the model's share (beyond the archiver)", "BM_DecodeAtDepth/160",
          "BM_DecodeAtDepth/1", "", "BM_ArchiverAtDepth/160", "BM_ArchiverAtDepth/1"}});
}
