// The colour fit against the pipelines a user would script instead, each finding the largest
// colour count whose file fits the limit by bisection: pngquant --speed 4; pngquant --speed 1
// then optipng -o7; pngquant --speed 1 then zopflipng (15 iterations, all filters). Ours runs
// in this process and as one `quilmo fit` process per picture, the way the peers run. Every
// case runs three times, the zopflipng pipeline once (minutes per picture; leave it out with
// --benchmark_filter=-zopfli). The table at the end gives, per pipeline and limit, the mean
// PSNR and the mean over the pictures of the median time per picture (0 in "vs pq4": no peer).
#include "benchsupport.h"
#include "core/image/colourfit.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>

namespace {

struct Case {
    QSize size;
    qint64 png, bmp;
    std::string name() const {
        return std::to_string(size.width()) + "x" + std::to_string(size.height()) + "/" +
               std::to_string(png);
    }
};

// Per pipeline and case, per picture: the PSNR and every run's time in ms.
struct Figures {
    std::map<std::string, double> psnr;
    std::map<std::string, std::vector<double>> ms;
};
std::map<std::pair<std::string, std::string>, Figures>& table() {
    static std::map<std::pair<std::string, std::string>, Figures> t;
    return t;
}

void record(benchmark::State& state, const std::string& pipeline, const Case& c,
            const std::string& picture, double psnr, double ms) {
    Figures& f = table()[{pipeline, c.name()}];
    f.psnr[picture] = psnr;
    f.ms[picture].push_back(ms);
    state.counters["psnr"] = psnr;
}

void ours(benchmark::State& state, const Bench::Picture& pic, Case c) {
    FitResult r;
    QElapsedTimer timer;
    for (auto _ : state) {
        timer.start();
        r = PNGRedraw(pic.image, {c.png, c.bmp}, 0, fileEncoder());
        const double ms = timer.nsecsElapsed() / 1e6;
        record(state, "ours", c, pic.name, r.ok ? psnr(r.image, pic.image) : 0, ms);
    }
    state.counters["colours"] = r.colours;
    state.counters["png_bytes"] = double(r.pngSize);
    state.counters["passes"] = r.passes;
}

// The picture as a 24-bit PNG file, the input every process gets.
QString inputFile(const Bench::Picture& pic) {
    static QTemporaryDir dir;
    const QString path = dir.filePath(QString::fromStdString(pic.name) + "-" +
                                      QString::number(pic.image.width()) + ".png");
    if (!QFile::exists(path)) ImageCodec::save(path, pic.image, ImageCodec::FormatPng, 24, 0);
    return path;
}

bool run(const QString& program, const QStringList& args) {
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.setStandardOutputFile(QProcess::nullDevice());
    p.start(program, args);
    return p.waitForFinished(-1) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// The file a peer pipeline writes for a colour count, empty when it wrote none.
using Pipeline = std::function<bool(const QString& in, const QString& out, int colours)>;

void peer(benchmark::State& state, const Bench::Picture& pic, Case c, std::string name,
          Pipeline pipeline) {
    QTemporaryDir dir;
    const QString in = inputFile(pic), out = dir.filePath("out.png"),
                  kept = dir.filePath("best.png");
    QElapsedTimer timer;
    for (auto _ : state) {
        timer.start();
        int best = 0;
        for (int lo = 2, hi = 256; lo <= hi;) {
            const int mid = (lo + hi) / 2;
            QFile::remove(out);
            const bool wrote = pipeline(in, out, mid);
            const qint64 size = QFileInfo(out).size();
            if (wrote && QFileInfo::exists(out) && size <= c.png) {
                best = mid;
                QFile::remove(kept);
                QFile::copy(out, kept);
                lo = mid + 1;
            } else {
                hi = mid - 1;
            }
        }
        const double ms = timer.nsecsElapsed() / 1e6;
        record(state, name, c, pic.name,
               best ? psnr(ImageCodec::decodeFile(kept).image, pic.image) : 0, ms);
        state.counters["colours"] = best;
    }
}

bool pngquant(const QString& in, const QString& out, int colours, int speed) {
    return run("pngquant", {"--speed", QString::number(speed), "--force", "--output", out,
                            QString::number(colours), in});
}

// One quilmo fit process per picture.
void oursProcess(benchmark::State& state, const Bench::Picture& pic, Case c) {
    QTemporaryDir dir;
    const QString in = inputFile(pic), out = dir.filePath("out.png");
    QElapsedTimer timer;
    for (auto _ : state) {
        timer.start();
        const bool ok = run(QUILMO_BIN, {"fit", "--size",
                                         QString("%1x%2").arg(c.size.width()).arg(c.size.height()),
                                         "--png-limit", QString::number(c.png), "--bmp-limit",
                                         QString::number(c.bmp), in, out});
        const double ms = timer.nsecsElapsed() / 1e6;
        record(state, "quilmo fit process", c, pic.name,
               ok ? psnr(ImageCodec::decodeFile(out).image, pic.image) : 0, ms);
    }
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

void printTable() {
    std::printf("\n%-22s %-14s %9s %10s %8s %s\n", "pipeline", "case", "PSNR dB", "ms/picture",
                "vs pq4", "(mean over pictures; time: median of the runs)");
    std::map<std::pair<std::string, std::string>, std::pair<double, double>> means;
    for (const auto& [key, f] : table()) {
        double psnr = 0, ms = 0;
        for (const auto& [picture, value] : f.psnr) psnr += value;
        for (const auto& [picture, runs] : f.ms) ms += median(runs);
        means[key] = {psnr / double(f.psnr.size()), ms / double(f.ms.size())};
    }
    for (const auto& [key, m] : means) {
        const auto base = means.find({"pngquant --speed 4", key.second});
        const double ratio = base == means.end() ? 0 : m.second / base->second.second;
        std::printf("%-22s %-14s %9.3f %10.1f %8.2f\n", key.first.c_str(), key.second.c_str(),
                    m.first, m.second, ratio);
    }
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // Peers at the limit and at a tighter one; the window's case of a 640x480 output
    // after a drag, for ours alone.
    const Case peerCases[] = {{{96, 84}, 5500, 10000}, {{96, 84}, 3500, 10000}};
    const Case window{{640, 480}, 60000, 400000};
    auto add = [](const std::string& name, auto fn, auto... args) {
        benchmark::RegisterBenchmark(name.c_str(), fn, args...)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1)
            ->Repetitions(name.rfind("zopfli", 0) == 0 ? 1 : 3);
    };
    for (const Case& c : peerCases)
        for (const Bench::Picture& pic : Bench::pictures(c.size)) {
            const std::string at = c.name() + "/" + pic.name;
            add("ours/" + at, ours, pic, c);
            add("quilmo-process/" + at, oursProcess, pic, c);
            add("pngquant4/" + at, peer, pic, c, std::string("pngquant --speed 4"),
                Pipeline([](const QString& in, const QString& out, int n) {
                    return pngquant(in, out, n, 4);
                }));
            add("optipng/" + at, peer, pic, c, std::string("pq1 + optipng -o7"),
                Pipeline([](const QString& in, const QString& out, int n) {
                    return pngquant(in, out, n, 1) &&
                           run("optipng", {"-o7", "-quiet", "-clobber", out});
                }));
            add("zopfli/" + at, peer, pic, c, std::string("pq1 + zopflipng"),
                Pipeline([](const QString& in, const QString& out, int n) {
                    const QString tmp = out + ".q.png";
                    return pngquant(in, tmp, n, 1) &&
                           run("zopflipng",
                               {"--iterations=15", "--filters=01234mepb", "-y", tmp, out});
                }));
        }
    for (const Bench::Picture& pic : Bench::pictures(window.size))
        add("ours/" + window.name() + "/" + pic.name, ours, pic, window);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    printTable();
    return 0;
}
