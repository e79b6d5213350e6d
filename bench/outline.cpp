// The outline editor over a card of 10,000 rows: opening it (decode, then the first painted frame),
// scrolling to the end and inserting a row in the middle, against decoding the card alone.
#include "foundation/Archiver.h"
#include "model/ListCard.h"
#include "model/ModelObject.h"
#include "model/Task.h"
#include "platform/AutoreleasePool.h"
#include "platform/Diagnostics.h"
#include "platform/UserDefaults.h"
#include "windows/OutlineView.h"
#include "windows/OutlineViewController.h"

#include <QApplication>
#include <QImage>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QUndoStack>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

constexpr int kRows = 10000;

QByteArray makeCardFile() {
    Ref<TJobslate> card = Ref<TJobslate>::adopt(TJobslate::Create(QStringLiteral("Benchmark")));
    for (int i = 0; i < kRows; ++i) {
        Ref<TListItem> row = Ref<TListItem>::adopt(TListItem::Create(QStringLiteral("Row %1 to do").arg(i)));
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

Ref<TCard> decode() {
    TArchiver* archiver = TArchiver::CreateWithXMLData(cardFile());
    TObject* card = AllocateFromArchive(archiver, nullptr);
    archiver->Release();
    return Ref<TCard>::adopt(static_cast<TCard*>(card));
}

std::unique_ptr<TOutlineViewController> openPainted(TCard* card) {
    std::unique_ptr<TOutlineViewController> controller(new TOutlineViewController(card));
    QWidget* view = controller->view();
    view->resize(480, 640);
    view->show();
    QImage frame(view->size(), QImage::Format_ARGB32_Premultiplied);
    view->render(&frame);
    return controller;
}

void BM_DecodeCardOnly(benchmark::State& state) {
    for (auto _ : state) {
        AutoreleasePool pool;
        benchmark::DoNotOptimize(decode().get());
    }
}
BENCHMARK(BM_DecodeCardOnly)->Unit(benchmark::kMillisecond);

void BM_OpenToFirstFrame(benchmark::State& state) {
    for (auto _ : state) {
        AutoreleasePool pool;
        Ref<TCard> card = decode();
        benchmark::DoNotOptimize(openPainted(card.get()).get());
    }
}
BENCHMARK(BM_OpenToFirstFrame)->Unit(benchmark::kMillisecond);

void BM_ScrollToEnd(benchmark::State& state) {
    AutoreleasePool pool;
    Ref<TCard> card = decode();
    std::unique_ptr<TOutlineViewController> controller = openPainted(card.get());
    QScrollBar* bar = controller->browser()->verticalScrollBar();
    for (auto _ : state) {
        bar->setValue(bar->maximum());
        bar->setValue(0);
    }
}
BENCHMARK(BM_ScrollToEnd)->Unit(benchmark::kMillisecond);

void BM_InsertRowInTheMiddle(benchmark::State& state) {
    AutoreleasePool pool;
    Ref<TCard> card = decode();
    std::unique_ptr<TOutlineViewController> controller = openPainted(card.get());
    for (auto _ : state) {
        Ref<TCardItem> row = Ref<TCardItem>::adopt(TListItem::Create(QStringLiteral("new")));
        controller->insertItem(row.get(), nullptr, kRows / 2);
        state.PauseTiming();
        controller->undoStack()->undo();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_InsertRowInTheMiddle)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTemporaryDir dir;
    UserDefaults defaults(dir.filePath(QStringLiteral("defaults.plist")));
    UserDefaults::setStandardUserDefaults(&defaults);
    Diagnostics::Capture quiet;
    RegisterModelClasses();
    TOutlineViewController::registerForListCards();
    cardFile();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    UserDefaults::setStandardUserDefaults(nullptr);
    return 0;
}
