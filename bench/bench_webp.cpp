// The WebP fit against what a user would script instead, on 96 x 84 pictures: at 5500 bytes the
// lossless palette WebP against our own PNG at the same limit, at 3000 bytes the chosen WebP
// against cwebp's own size search, and the whole `quilmo fit` process per picture. The table at
// the end holds the mean PSNR of each way and the slowest process.
#include "benchsupport.h"
#include "core/image/colourfit.h"
#include "core/image/webpfit.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>

namespace {

// way -> picture -> the figure of each run
std::map<std::string, std::map<std::string, std::vector<double>>> results;

void record(benchmark::State& state, const std::string& way, const Bench::Picture& pic, double psnr,
            qint64 bytes) {
    state.counters["psnr"] = psnr;
    state.counters["bytes"] = double(bytes);
    results[way][pic.name].push_back(psnr);
}

void png(benchmark::State& state, const Bench::Picture& pic) {
    FitResult r;
    for (auto _ : state) r = PNGRedraw(pic.image, {5500, 10000}, 0, fileEncoder());
    record(state, "png 5500", pic, r.ok ? psnr(r.image, pic.image) : 0, r.pngSize);
}

void webp(benchmark::State& state, const Bench::Picture& pic, qint64 limit, WebpKind kind,
          std::string way) {
    WebpFit fit;
    for (auto _ : state) fit = fitWebp(pic.image, limit, kind);
    state.counters["lossless"] = fit.lossless;
    record(state, way, pic, fit.fits ? fit.psnr : 0, fit.bytes.size());
}

void cwebp(benchmark::State& state, const Bench::Picture& pic) {
    QTemporaryDir dir;
    const QString in = dir.filePath("in.png"), out = dir.filePath("out.webp");
    ImageCodec::save(in, pic.image, ImageCodec::FormatPng, 24, 0);
    for (auto _ : state)
        QProcess::execute(QStringLiteral("cwebp"),
                          {"-quiet", "-size", "3000", "-pass", "10", in, "-o", out});
    const qint64 size = QFileInfo(out).size();
    record(state, "cwebp 3000", pic,
           size <= 3000 ? psnr(ImageCodec::decodeFile(out).image, pic.image) : 0, size);
}

double childCpuMs() {
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    return (double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e6 + double(u.ru_utime.tv_usec) +
            double(u.ru_stime.tv_usec)) /
           1e3;
}

// Start-up, reading, the fit and the write: what a script calling the tool waits for; and the
// processor time it takes, which other work on the machine does not stretch.
void process(benchmark::State& state, const Bench::Picture& pic) {
    QTemporaryDir dir;
    const QString in = dir.filePath("in.png"), out = dir.filePath("out.webp");
    ImageCodec::save(in, pic.image, ImageCodec::FormatPng, 24, 0);
    const QString tool = QCoreApplication::applicationDirPath() + QStringLiteral("/../quilmo");
    double ms = 0, cpu = 0;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        const double cpuBefore = childCpuMs();
        QProcess fit;
        fit.setStandardOutputFile(QProcess::nullDevice());
        fit.start(tool, {"fit", "--size", "96x84", in, out});
        fit.waitForFinished(-1);
        ms = double(timer.nsecsElapsed()) / 1e6;
        cpu = childCpuMs() - cpuBefore;
    }
    state.counters["ms"] = ms;
    results["quilmo fit ms"][pic.name].push_back(ms);
    results["quilmo fit cpu ms"][pic.name].push_back(cpu);
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    for (const Bench::Picture& pic : Bench::pictures(QSize(96, 84))) {
        const auto add = [&pic](const std::string& name, auto fn, auto... args) {
            benchmark::RegisterBenchmark((name + "/" + pic.name).c_str(), fn, pic, args...)
                ->Unit(benchmark::kMillisecond)
                ->Iterations(1)
                ->Repetitions(3)
                ->ReportAggregatesOnly(true);
        };
        add("png/5500", png);
        add("webp-lossless/5500", webp, 5500, WebpKind::Lossless, "webp lossless 5500");
        add("webp-best/3000", webp, 3000, WebpKind::Best, "webp best 3000");
        add("cwebp/3000", cwebp);
        add("quilmo-fit", process);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    // Medians of the runs per picture; PSNR averaged over the pictures, the process's slowest.
    std::printf("\n%-22s %10s %10s\n", "way", "mean", "max");
    for (const auto& [way, pictures] : results) {
        double sum = 0, most = 0;
        for (const auto& [name, runs] : pictures) {
            sum += median(runs);
            most = std::max(most, median(runs));
        }
        std::printf("%-22s %10.2f %10.2f\n", way.c_str(), sum / double(pictures.size()), most);
    }
    // Side by side, over the pictures where both ways fit the limit (PSNR above 0) and neither
    // kept every colour (99), which would swamp the mean.
    for (const auto& [a, b] :
         {std::pair("webp lossless 5500", "png 5500"), {"webp best 3000", "cwebp 3000"}}) {
        double sum = 0, worst = 99;
        int n = 0;
        for (const auto& [name, runs] : results[a]) {
            const double x = median(runs), y = median(results[b][name]);
            if (x <= 0 || y <= 0 || x >= 99 || y >= 99) continue;
            sum += x - y;
            worst = std::min(worst, x - y);
            ++n;
        }
        std::printf("%s - %s: %+.2f dB mean, %+.2f worst, over %d pictures\n", a, b,
                    n ? sum / n : 0.0, worst, n);
    }
    return 0;
}
