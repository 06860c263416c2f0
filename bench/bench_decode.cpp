// Reading a camera-sized photograph, and the PNG writer at the sizes the colour fit uses.
#include "core/image/imagecodec.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

// A photograph stand-in: smooth colour waves with fine grain from a fixed seed, so JPEG has
// real work to do and every run measures the same bytes.
QImage photo(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    quint32 seed = 20240601;
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int grain = int(seed >> 28) - 8;
            const double u = x * 0.004, v = y * 0.005;
            const int r = int(128 + 100 * std::sin(u * 3 + std::cos(v * 2))) + grain;
            const int g = int(128 + 100 * std::sin(v * 4 + u)) + grain;
            const int b = int(128 + 100 * std::cos(u * 2 - v * 3)) + grain;
            row[x] = qRgb(qBound(0, r, 255), qBound(0, g, 255), qBound(0, b, 255));
        }
    }
    return image;
}

struct JpegFile {
    QTemporaryDir dir;
    QString path;
    JpegFile() {
        ImageCodec::initialize();
        path = dir.filePath("photo.jpg");
        ImageCodec::save(path, photo(4000, 3000), ImageCodec::FormatJpeg, 24, 30);
    }
};

const JpegFile& jpegFile() {
    static const JpegFile file;
    return file;
}

void BM_DecodeJpeg4000x3000(benchmark::State& state) {
    const QString path = jpegFile().path;
    for (auto _ : state) {
        const ImageCodec::Decoded d = ImageCodec::decodeFile(path);
        if (d.error != ImageCodec::Error::None) state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(d.image.constBits());
    }
}
BENCHMARK(BM_DecodeJpeg4000x3000)->Unit(benchmark::kMillisecond);

void BM_FileInfoJpeg4000x3000(benchmark::State& state) {
    const QString path = jpegFile().path;
    for (auto _ : state) {
        ImageCodec::FileInfo info;
        if (!ImageCodec::fileInfo(path, &info)) state.SkipWithError("info failed");
        benchmark::DoNotOptimize(info.width);
    }
}
BENCHMARK(BM_FileInfoJpeg4000x3000)->Unit(benchmark::kMillisecond);

// One candidate of the colour fit: a palette picture of up to 256 colours.
void BM_EncodePngPalette(benchmark::State& state) {
    const QImage rgb = photo(int(state.range(0)), int(state.range(1)));
    const QImage indexed =
        rgb.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither);
    qsizetype bytes = 0;
    for (auto _ : state) bytes = ImageCodec::encode(indexed, ImageCodec::FormatPng, 8, 0).size();
    state.counters["bytes"] = double(bytes);
}
BENCHMARK(BM_EncodePngPalette)->Args({96, 84})->Args({640, 480})->Unit(benchmark::kMillisecond);

void BM_EncodePngTruecolour(benchmark::State& state) {
    const QImage rgb = photo(int(state.range(0)), int(state.range(1)));
    qsizetype bytes = 0;
    for (auto _ : state) bytes = ImageCodec::encode(rgb, ImageCodec::FormatPng, 24, 0).size();
    state.counters["bytes"] = double(bytes);
}
BENCHMARK(BM_EncodePngTruecolour)->Args({96, 84})->Args({640, 480})->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
