// Reading a camera-sized photograph, and the PNG writer at the sizes the colour fit uses.
#include "benchsupport.h"
#include "core/image/imagecodec.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

struct JpegFile {
    QTemporaryDir dir;
    QString path;
    JpegFile() {
        ImageCodec::initialize();
        path = dir.filePath("photo.jpg");
        ImageCodec::save(path, Bench::photo(4000, 3000), ImageCodec::FormatJpeg, 24, 30);
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
    const QImage rgb = Bench::photo(int(state.range(0)), int(state.range(1)));
    const QImage indexed =
        rgb.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither);
    qsizetype bytes = 0;
    for (auto _ : state) bytes = ImageCodec::encode(indexed, ImageCodec::FormatPng, 8, 0).size();
    state.counters["bytes"] = double(bytes);
}
BENCHMARK(BM_EncodePngPalette)->Args({96, 84})->Args({640, 480})->Unit(benchmark::kMillisecond);

void BM_EncodePngTruecolour(benchmark::State& state) {
    const QImage rgb = Bench::photo(int(state.range(0)), int(state.range(1)));
    qsizetype bytes = 0;
    for (auto _ : state) bytes = ImageCodec::encode(rgb, ImageCodec::FormatPng, 24, 0).size();
    state.counters["bytes"] = double(bytes);
}
BENCHMARK(BM_EncodePngTruecolour)->Args({96, 84})->Args({640, 480})->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
