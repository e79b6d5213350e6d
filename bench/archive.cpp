// Encoding and decoding an archive shaped like a large card: 10,000 nested row dictionaries.
#include "foundation/Archiver.h"

#include <benchmark/benchmark.h>

namespace {

constexpr int kRows = 10000;

TArchiver* makeCard() {
    TArchiver* card = TArchiver::Create();
    card->SetStringValue("system.class", "TJobslate");
    card->SetStringValue("title", "A large card");
    card->SetRectValue("frame", QRectF(100, 200, 480, 640));
    const QByteArray text(180, 'x');
    for (int i = 0; i < kRows; ++i) {
        TArchiver* row = TArchiver::Create();
        row->SetStringValue("system.class", "TTask");
        row->SetStringValue("uuid",
                            QStringLiteral("3F2504E0-4F89-11D3-9A0C-%1").arg(i, 12, 10, QLatin1Char('0')));
        row->SetDataValue("text", text);
        row->SetFloatValue("height", 17.5f + static_cast<float>(i % 7));
        row->SetFloatValue("progress", static_cast<float>(i) / kRows);
        row->SetBooleanValue("expanded", i % 2 == 0);
        row->SetIntegerValue("priority", i % 4);
        card->AppendArchive(row);
        row->Release();
    }
    return card;
}

void EncodeLargeCard(benchmark::State& state) {
    TArchiver* card = makeCard();
    qint64 bytes = 0;
    for (auto _ : state) {
        const QByteArray xml = card->CopyXMLData();
        bytes += xml.size();
        benchmark::DoNotOptimize(xml.constData());
    }
    state.SetBytesProcessed(bytes);
    card->Release();
}

void DecodeLargeCard(benchmark::State& state) {
    TArchiver* card = makeCard();
    const QByteArray xml = card->CopyXMLData();
    card->Release();
    qint64 bytes = 0;
    for (auto _ : state) {
        TArchiver* loaded = TArchiver::CreateWithXMLData(xml);
        double sum = 0;
        for (qint64 i = 0; i <= loaded->Limit(); ++i) {
            TArchiver* row = loaded->CopyArchive(i);
            QByteArray text;
            row->GetDataValue("text", &text);
            sum += row->GetFloatValue("height") + static_cast<double>(text.size()) +
                   row->GetStringValue("uuid").size();
            row->Release();
        }
        benchmark::DoNotOptimize(sum);
        loaded->Release();
        bytes += xml.size();
    }
    state.SetBytesProcessed(bytes);
}

} // namespace

BENCHMARK(EncodeLargeCard)->Unit(benchmark::kMillisecond);
BENCHMARK(DecodeLargeCard)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
