// The colour-fit search against the peer a user would script instead: the largest colour count
// whose quantiser output (pngquant --speed 4) fits the limit, found by bisection.
#include "benchsupport.h"
#include "core/image/colourfit.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>

namespace {

struct Case {
    QSize size;
    qint64 png, bmp;
};

void ours(benchmark::State& state, const Bench::Picture& pic, Case c, FitSearch search) {
    FitResult r;
    for (auto _ : state) r = PNGRedraw(pic.image, {c.png, c.bmp}, 0, fileEncoder(), {}, search);
    state.counters["colours"] = r.colours;
    state.counters["png_bytes"] = double(r.pngSize);
    state.counters["passes"] = r.passes;
    state.counters["psnr"] = r.ok ? psnr(r.image, pic.image) : 0;
}

void peer(benchmark::State& state, const Bench::Picture& pic, Case c) {
    QTemporaryDir dir;
    const QString in = dir.filePath("in.png"), out = dir.filePath("out.png");
    ImageCodec::save(in, pic.image, ImageCodec::FormatPng, 24, 0);
    int best = 0;
    qint64 bestSize = 0;
    QImage bestImage;
    for (auto _ : state) {
        best = 0;
        int lo = 2, hi = 256;
        while (lo <= hi) {
            const int mid = (lo + hi) / 2;
            QFile::remove(out);
            QProcess::execute(QStringLiteral("pngquant"), {"--speed", "4", "--force", "--output",
                                                           out, QString::number(mid), in});
            const qint64 size = QFileInfo(out).size();
            if (QFileInfo::exists(out) && size <= c.png) {
                best = mid;
                bestSize = size;
                bestImage = ImageCodec::decodeFile(out).image;
                lo = mid + 1;
            } else {
                hi = mid - 1;
            }
        }
    }
    state.counters["colours"] = best;
    state.counters["png_bytes"] = double(bestSize);
    state.counters["psnr"] = best ? psnr(bestImage, pic.image) : 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const Case cases[] = {{{96, 84}, 5500, 10000}, {{640, 480}, 5500, 30000}};
    for (const Case& c : cases) {
        const std::string size =
            std::to_string(c.size.width()) + "x" + std::to_string(c.size.height());
        for (const Bench::Picture& pic : Bench::pictures(c.size)) {
            benchmark::RegisterBenchmark(("fast/" + size + "/" + pic.name).c_str(), ours, pic, c,
                                         FitSearch::Fast)
                ->Unit(benchmark::kMillisecond)
                ->Iterations(3);
            benchmark::RegisterBenchmark(("walk/" + size + "/" + pic.name).c_str(), ours, pic, c,
                                         FitSearch::Walk)
                ->Unit(benchmark::kMillisecond)
                ->Iterations(1);
            if (c.size.width() == 96)
                benchmark::RegisterBenchmark(("pngquant/" + size + "/" + pic.name).c_str(), peer,
                                             pic, c)
                    ->Unit(benchmark::kMillisecond)
                    ->Iterations(1);
        }
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
