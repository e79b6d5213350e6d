// Reading and writing attributed text as RTFD: 10,000 short styled rows (a large outline card) and
// one styled document of about 1 MB. Throughput is over the RTFD bytes.
#include "platform/text/RTFDCodec.h"

#include <benchmark/benchmark.h>

#include <QList>

namespace {

TextAttributes rowFont(bool bold) {
    TextAttributes a;
    a.font.name = QStringLiteral("Helvetica");
    a.font.pointSize = 13;
    a.font.bold = bold;
    return a;
}

AttributedString row(int n) {
    AttributedString s;
    s.append(QStringLiteral("Task %1: ").arg(n), rowFont(true));
    TextAttributes a = rowFont(false);
    s.append(QStringLiteral("call the office about the caf\u00e9 order "), a);
    a.foregroundColor = ATSURGBAlphaColor{0.8f, 0.1f, 0.1f, 1};
    s.append(QStringLiteral("today"), a);
    return s;
}

const QList<AttributedString>& rows() {
    static const QList<AttributedString> all = [] {
        QList<AttributedString> list;
        for (int i = 0; i < 10000; ++i) list.append(row(i));
        return list;
    }();
    return all;
}

const QList<QByteArray>& rowData() {
    static const QList<QByteArray> all = [] {
        QList<QByteArray> list;
        for (const AttributedString& s : rows()) list.append(RTFDCodec::write(s));
        return list;
    }();
    return all;
}

const AttributedString& document() {
    static const AttributedString doc = [] {
        AttributedString s;
        ParagraphStyle body;
        body.paragraphSpacing = 6;
        body.tabStops = {{36, TabStop::Kind::Left}, {72, TabStop::Kind::Left}};
        ParagraphStyle heading;
        heading.alignment = TextAlignment::Center;
        for (int p = 0; s.length() < 500000; ++p) {
            TextAttributes a = rowFont(true);
            a.font.pointSize = 18;
            a.paragraphStyle = heading;
            s.append(QStringLiteral("Section %1\n").arg(p), a);
            a = rowFont(false);
            a.paragraphStyle = body;
            for (int k = 0; k < 8; ++k) {
                s.append(QStringLiteral("Plain words in a sentence that runs on for a while, "), a);
                TextAttributes b = a;
                b.font.italic = true;
                s.append(QStringLiteral("some italic words, "), b);
                b = a;
                b.link = QStringLiteral("https://example.com/page/%1").arg(k);
                b.underline = UnderlineStyle::Single;
                s.append(QStringLiteral("a link"), b);
                s.append(QStringLiteral(" and accented text: na\u00efve r\u00e9sum\u00e9 \u2014 "), a);
            }
            s.append(QStringLiteral("\n"), a);
        }
        return s;
    }();
    return doc;
}

void WriteRows(benchmark::State& state) {
    qint64 bytes = 0;
    for (auto _ : state)
        for (const AttributedString& s : rows()) bytes += RTFDCodec::write(s).size();
    state.SetBytesProcessed(bytes);
}

void ReadRows(benchmark::State& state) {
    qint64 bytes = 0;
    for (auto _ : state)
        for (const QByteArray& d : rowData()) {
            benchmark::DoNotOptimize(RTFDCodec::read(d));
            bytes += d.size();
        }
    state.SetBytesProcessed(bytes);
}

void WriteDocument(benchmark::State& state) {
    qint64 bytes = 0;
    for (auto _ : state) bytes += RTFDCodec::write(document()).size();
    state.SetBytesProcessed(bytes);
    state.counters["rtfd_bytes"] = double(RTFDCodec::write(document()).size());
}

void ReadDocument(benchmark::State& state) {
    const QByteArray data = RTFDCodec::write(document());
    qint64 bytes = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(RTFDCodec::read(data));
        bytes += data.size();
    }
    state.SetBytesProcessed(bytes);
}

} // namespace

BENCHMARK(WriteRows)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadRows)->Unit(benchmark::kMillisecond);
BENCHMARK(WriteDocument)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadDocument)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
