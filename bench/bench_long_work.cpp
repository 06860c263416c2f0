// Long work on a camera-sized picture and the window waiting for it: how long the event loop
// stops while a median filter runs (on the window's thread, and through the progress runner),
// how soon キャンセル gives the window back, and the other steps that might need the runner.
#include "benchsupport.h"
#include "core/image/filters.h"
#include "core/image/imageops.h"
#include "core/util/progress.h"
#include "gui/widgets/dialogs.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>

#include <benchmark/benchmark.h>

namespace {

const QImage& picture() {
    static const QImage p = Bench::photo(4000, 3000);
    return p;
}

QImage medianOf(Progress& progress) {
    return Filters::apply(picture(), Filters::Kind::Median, 10, 0, nullptr, 1.0, &progress);
}

// The longest time between two passes of the event loop, seen by a 1 ms timer.
class StallMeter {
public:
    StallMeter() {
        m_timer.setInterval(1);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            m_longest = std::max(m_longest, now - m_last);
            m_last = now;
        });
        m_clock.start();
        m_timer.start();
    }
    double longestMs() const { return double(m_longest) / 1e6; }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0, m_longest = 0;
};

// range(0): 0 runs the filter on the event loop's thread (as before), 1 through the runner.
void BM_MedianStall(benchmark::State& state) {
    const bool runner = state.range(0) != 0;
    for (auto _ : state) {
        const StallMeter meter;
        QEventLoop loop;
        QTimer::singleShot(0, &loop, [&] {
            Progress progress;
            QImage out;
            const auto work = [&] { out = medianOf(progress); };
            if (runner)
                Dialogs::get().runLong(nullptr, QStringLiteral("median"), progress, work);
            else
                work();
            if (out.isNull()) state.SkipWithError("filter failed");
            QTimer::singleShot(5, &loop, &QEventLoop::quit); // one more tick sees the last gap
        });
        loop.exec();
        state.counters["stall_ms"] = meter.longestMs();
    }
}
// Each run takes seconds: one iteration, three runs, wall-clock time.
void seconds(benchmark::internal::Benchmark* b) {
    b->Iterations(1)->Repetitions(3)->Unit(benchmark::kMillisecond)->UseRealTime();
}

BENCHMARK(BM_MedianStall)->Arg(0)->Arg(1)->Apply(seconds);

// キャンセル pressed on the progress dialog range(0) ms after the start; cancel_ms is the time
// from the press until the window has its picture back.
void BM_TimeToCancel(benchmark::State& state) {
    for (auto _ : state) {
        Progress progress;
        QElapsedTimer clock;
        qint64 pressed = -1;
        QTimer::singleShot(int(state.range(0)), [&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* dlg = qobject_cast<QProgressDialog*>(w))
                    dlg->findChild<QPushButton*>()->click();
            pressed = clock.nsecsElapsed();
        });
        clock.start();
        QImage out;
        Dialogs::get().runLong(nullptr, QStringLiteral("median"), progress,
                               [&] { out = medianOf(progress); });
        if (pressed < 0 || !out.isNull()) state.SkipWithError("not cancelled");
        state.counters["cancel_ms"] = double(clock.nsecsElapsed() - pressed) / 1e6;
    }
}
BENCHMARK(BM_TimeToCancel)->Arg(500)->Apply(seconds);

void BM_TurnLeft4000x3000(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(ImageOps::rotateLeft(picture()).constBits());
}
BENCHMARK(BM_TurnLeft4000x3000)->Unit(benchmark::kMillisecond);

// ぼかし (15, 100) and シャープ (10, 50) at the dialog's first strength and its strongest.
void BM_Filter4000x3000(benchmark::State& state) {
    const auto kind = Filters::Kind(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(Filters::apply(picture(), kind, int(state.range(1))).constBits());
}
BENCHMARK(BM_Filter4000x3000)
    ->Args({int(Filters::Kind::Blur), 15})
    ->Args({int(Filters::Kind::Blur), 100})
    ->Args({int(Filters::Kind::Sharpen), 10})
    ->Args({int(Filters::Kind::Sharpen), 50})
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ImageCodec::initialize();
    picture(); // made once, outside every measurement
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
