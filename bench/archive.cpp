// Decoding and encoding an archive shaped like a large card (10,000 nested row dictionaries) by the
// archiver, by the property-list codec under it, and by libplist alone on the same XML bytes. After
// the runs, each is given as a ratio to libplist alone.
#include "foundation/Archiver.h"
#include "platform/PlistCodec.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <plist/plist.h>
#include <string>

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

// One card in every shape the runs start from.
struct Card {
    Card() : archive(makeCard()), xml(archive->CopyXMLData()), value(PlistCodec::decode(xml)) {
        plist_from_xml(xml.constData(), static_cast<uint32_t>(xml.size()), &node);
    }
    ~Card() {
        plist_free(node);
        archive->Release();
    }
    TArchiver* archive;
    QByteArray xml;
    QVariant value;
    plist_t node = nullptr;
};

const Card& card() {
    static const Card shared;
    return shared;
}

void count(benchmark::State& state) {
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * card().xml.size());
}

void DecodeLibplist(benchmark::State& state) {
    for (auto _ : state) {
        plist_t node = nullptr;
        plist_from_xml(card().xml.constData(), static_cast<uint32_t>(card().xml.size()), &node);
        benchmark::DoNotOptimize(node);
        plist_free(node);
    }
    count(state);
}

void DecodeCodec(benchmark::State& state) {
    for (auto _ : state) {
        const QVariant value = PlistCodec::decode(card().xml);
        benchmark::DoNotOptimize(value.constData());
    }
    count(state);
}

// Loading a card: the archive from the bytes, then every row read back.
void DecodeArchiver(benchmark::State& state) {
    for (auto _ : state) {
        TArchiver* loaded = TArchiver::CreateWithXMLData(card().xml);
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
    }
    count(state);
}

void EncodeLibplist(benchmark::State& state) {
    for (auto _ : state) {
        char* xml = nullptr;
        uint32_t length = 0;
        plist_to_xml(card().node, &xml, &length);
        benchmark::DoNotOptimize(xml);
        plist_to_xml_free(xml);
    }
    count(state);
}

void EncodeCodec(benchmark::State& state) {
    for (auto _ : state) {
        QByteArray xml;
        PlistCodec::encode(card().value, &xml);
        benchmark::DoNotOptimize(xml.constData());
    }
    count(state);
}

// Saving a card: the archive as built, its rows linked in.
void EncodeArchiver(benchmark::State& state) {
    for (auto _ : state) {
        const QByteArray xml = card().archive->CopyXMLData();
        benchmark::DoNotOptimize(xml.constData());
    }
    count(state);
}

// The console report, then each run's time as a ratio to libplist alone doing the same.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        // A run's time, or the median of its repetitions when there are several.
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.run_type == Run::RT_Iteration || median)
                m_times[run.run_name.function_name] = run.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\nTime as a ratio to libplist alone (below 1.00 is faster):\n");
        for (const char* direction : {"Decode", "Encode"}) {
            const auto base = m_times.find(std::string(direction) + "/libplist");
            if (base == m_times.end() || base->second <= 0) continue;
            for (const char* who : {"codec", "archiver"}) {
                const auto it = m_times.find(std::string(direction) + "/" + who);
                if (it != m_times.end())
                    std::printf("  %s %-9s %.2f\n", direction, who, it->second / base->second);
            }
        }
    }

private:
    std::map<std::string, double> m_times;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    char* reference = nullptr;
    uint32_t length = 0;
    plist_to_xml(card().node, &reference, &length);
    QByteArray codec;
    PlistCodec::encode(card().value, &codec);
    const bool same = codec == card().xml && card().xml == QByteArrayView(reference, length);
    plist_to_xml_free(reference);
    std::printf("Card: %d rows, %lld bytes of XML; codec and archiver write %s libplist writes.\n", kRows,
                static_cast<long long>(card().xml.size()), same ? "the bytes" : "OTHER bytes than");
    const std::pair<const char*, void (*)(benchmark::State&)> runs[] = {
        {"Decode/libplist", DecodeLibplist}, {"Decode/codec", DecodeCodec},
        {"Decode/archiver", DecodeArchiver}, {"Encode/libplist", EncodeLibplist},
        {"Encode/codec", EncodeCodec},       {"Encode/archiver", EncodeArchiver},
    };
    for (const auto& [name, run] : runs)
        benchmark::RegisterBenchmark(name, run)->Unit(benchmark::kMillisecond);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
