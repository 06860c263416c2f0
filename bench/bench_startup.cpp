// Whole processes, as a script meets them: quilmo's start-up and a one-picture fit against
// ImageMagick's size-targeting JPEG writer, and one batch process against a run per picture.
// Wall-clock time; each figure is the median of three runs.
#include "benchsupport.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>

namespace {

const QString quilmo = QStringLiteral(QUILMO_EXE);

void run(const QString& program, const QStringList& args) {
    QProcess p;
    p.setStandardOutputFile(QProcess::nullDevice());
    p.start(program, args);
    if (!p.waitForFinished(-1) || p.exitCode() != 0)
        qFatal("%s %s failed", qPrintable(program), qPrintable(args.join(' ')));
}

void processes(benchmark::State& state, const QString& program, const QList<QStringList>& runs) {
    for (auto _ : state)
        for (const QStringList& args : runs) run(program, args);
    state.counters["processes"] = double(runs.size());
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    static QTemporaryDir dir;
    const auto path = [](const QString& name) { return dir.filePath(name); };
    QDir(dir.path()).mkdir("out");

    // One camera-sized photo for the one-picture runs.
    const std::vector<Bench::Picture> large = Bench::pictures(QSize(640, 480));
    const QString photo = path("photo.jpg");
    ImageCodec::save(photo, large.back().image, ImageCodec::FormatJpeg, 24, 10);

    // 48 inputs: the bench pictures over and over; half fitted to 96x84 PNG, half to 640x480
    // JPEG (a PNG search at that size is the window's work, not a script's).
    QStringList small, big;
    for (int i = 0; i < 48; ++i) {
        const QString name = path(QStringLiteral("in%1.png").arg(i, 2, 10, QLatin1Char('0')));
        ImageCodec::save(name, large[size_t(i) % large.size()].image, ImageCodec::FormatPng, 24, 0);
        (i % 2 ? big : small) << name;
    }
    const QStringList smallOpts{"--size", "96x84"};
    const QStringList bigOpts{"--size", "640x480", "--png-limit", "60000"};
    QList<QStringList> single,
        batch{smallOpts + QStringList{"--out-dir", path("out")} + small,
              bigOpts + QStringList{"--out-dir", path("out"), "--jpeg"} + big};
    for (const QString& in : small)
        single << QStringList{"fit"} + smallOpts + QStringList{in, path("s.png")};
    for (const QString& in : big)
        single << QStringList{"fit"} + bigOpts + QStringList{in, path("s.jpg")};
    for (QStringList& args : batch) args.prepend("fit");

    const auto add = [](const char* name, const QString& program, const QList<QStringList>& runs) {
        benchmark::RegisterBenchmark(name, processes, program, runs)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->Iterations(runs.size() > 1 ? 1 : 20)
            ->Repetitions(3)
            ->ReportAggregatesOnly(true);
    };
    add("quilmo --help", quilmo, {{"--help"}});
    add("quilmo fit 96x84 JPEG 3000 B", quilmo,
        {{"fit", "--size", "96x84", "--png-limit", "3000", photo, path("o.jpg")}});
    add("quilmo fit 96x84 PNG 5500 B", quilmo, {{"fit", "--size", "96x84", photo, path("o.png")}});
    add("convert -resize 96x84 jpeg:extent=3000", QStringLiteral("convert"),
        {{photo, "-resize", "96x84", "-define", "jpeg:extent=3000", path("c.jpg")}});
    add("quilmo fit, 48 pictures, a process each", quilmo, single);
    add("quilmo fit --out-dir, 48 pictures, 2 processes", quilmo, batch);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
