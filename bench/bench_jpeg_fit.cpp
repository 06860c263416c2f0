// The JPEG fit: raising the compression factor until the file fits, all in memory, against
// ImageMagick's own size-targeting JPEG writer on the same pictures.
#include "benchsupport.h"
#include "core/image/jpegfit.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QFileInfo>

namespace {

void ours(benchmark::State& state, const Bench::Picture& pic, qint64 limit) {
    JpegFit fit;
    for (auto _ : state) fit = fitJpeg(pic.image, limit, 20);
    state.counters["factor"] = fit.factor;
    state.counters["jpeg_bytes"] = double(fit.bytes.size());
    state.counters["fits"] = fit.fits;
    state.counters["psnr"] =
        fit.fits ? psnr(ImageCodec::decodeBytes(fit.bytes, "a.jpg").image, pic.image) : 0;
}

void peer(benchmark::State& state, const Bench::Picture& pic, qint64 limit) {
    QTemporaryDir dir;
    const QString in = dir.filePath("in.png"), out = dir.filePath("out.jpg");
    ImageCodec::save(in, pic.image, ImageCodec::FormatPng, 24, 0);
    for (auto _ : state)
        QProcess::execute(QStringLiteral("convert"),
                          {in, "-define", QStringLiteral("jpeg:extent=%1").arg(limit), out});
    const qint64 size = QFileInfo(out).size();
    state.counters["jpeg_bytes"] = double(size);
    state.counters["fits"] = size > 0 && size <= limit;
    state.counters["psnr"] = psnr(ImageCodec::decodeFile(out).image, pic.image);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    for (const Bench::Picture& pic : Bench::pictures(QSize(96, 84))) {
        benchmark::RegisterBenchmark(("ours/5500/" + pic.name).c_str(), ours, pic, 5500)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("ours/2000/" + pic.name).c_str(), ours, pic, 2000)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("ours/loop-to-255/" + pic.name).c_str(), ours, pic, 0)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("imagemagick/2000/" + pic.name).c_str(), peer, pic, 2000)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(3);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
