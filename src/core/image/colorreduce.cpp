#include "core/image/colorreduce.h"

#include <libimagequant.h>
#include <omp.h>

#include <array>
#include <cmath>
#include <memory>
#include <mutex>
#include <vector>

namespace {

constexpr int kQuantiserSpeed = 6;
// Up to this many pixels the palette is made from every pixel.
constexpr double kPalettePixels = 65536;

// The quantiser runs OpenMP loops whose float sums depend on the thread count; pinning one
// thread keeps palettes identical from machine to machine and leaves the other core alone.
class OneThread {
public:
    OneThread() : saved_(omp_get_max_threads()) { omp_set_num_threads(1); }
    ~OneThread() { omp_set_num_threads(saved_); }
    OneThread(const OneThread&) = delete;
    OneThread& operator=(const OneThread&) = delete;

private:
    int saved_;
};

struct LiqDeleter {
    void operator()(liq_attr* p) const { liq_attr_destroy(p); }
    void operator()(liq_image* p) const { liq_image_destroy(p); }
    void operator()(liq_result* p) const { liq_result_destroy(p); }
};
template <typename T> using LiqPtr = std::unique_ptr<T, LiqDeleter>;

// Drops palette entries no pixel refers to, keeping the quantiser's order of the rest.
void trimPalette(QImage& image) {
    std::array<bool, 256> used{};
    const int w = image.width();
    for (int y = 0; y < image.height(); ++y) {
        const uchar* line = image.constScanLine(y);
        for (int x = 0; x < w; ++x) used[line[x]] = true;
    }
    const QList<QRgb> table = image.colorTable();
    QList<QRgb> kept;
    std::array<uchar, 256> remap{};
    for (int i = 0; i < table.size(); ++i) {
        if (!used[i]) continue;
        remap[i] = uchar(kept.size());
        kept.append(table[i]);
    }
    if (kept.size() == table.size()) return;
    for (int y = 0; y < image.height(); ++y) {
        uchar* line = image.scanLine(y);
        for (int x = 0; x < w; ++x) line[x] = remap[line[x]];
    }
    image.setColorTable(kept);
}

QImage blackAndWhite(const QImage& source, bool dither) {
    const Qt::ImageConversionFlags flags =
        Qt::MonoOnly | (dither ? Qt::DiffuseDither : Qt::ThresholdDither);
    const QImage mono =
        source.convertToFormat(QImage::Format_RGB32).convertToFormat(QImage::Format_Mono, flags);
    if (mono.isNull()) return {};
    // Qt's own table order is not promised; index 0 is black and 1 white in ours.
    const QList<QRgb> monoTable = mono.colorTable();
    std::array<uchar, 2> toOurs{0, 0};
    for (int i = 0; i < monoTable.size() && i < 2; ++i) toOurs[i] = qGray(monoTable[i]) >= 128;
    QImage out(mono.size(), QImage::Format_Indexed8);
    if (out.isNull()) return {};
    out.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    for (int y = 0; y < mono.height(); ++y) {
        const uchar* in = mono.constScanLine(y);
        uchar* line = out.scanLine(y);
        for (int x = 0; x < mono.width(); ++x) line[x] = toOurs[(in[x >> 3] >> (7 - (x & 7))) & 1];
    }
    return out;
}

// RGBX is laid out R, G, B, 255 in memory, the quantiser's input order, and is always opaque.
QImage quantiserInput(const QImage& source) {
    return source.convertToFormat(QImage::Format_RGBX8888);
}

std::vector<void*> rowsOf(const QImage& rgbx) {
    std::vector<void*> rows(size_t(rgbx.height()));
    for (int y = 0; y < rgbx.height(); ++y)
        rows[size_t(y)] = const_cast<uchar*>(rgbx.constScanLine(y));
    return rows;
}

} // namespace

struct FittedPalette::Made {
    LiqPtr<liq_attr> attr;
    LiqPtr<liq_result> result;
    std::mutex remapping; // a remap rewrites the result's working copy of the palette
};

FittedPalette::FittedPalette() = default;
FittedPalette::~FittedPalette() = default;

std::shared_ptr<FittedPalette> FittedPalette::make(const QImage& source, int colours) {
    const QImage rgba = quantiserInput(source);
    if (rgba.isNull()) return {};
    const int w = rgba.width(), h = rgba.height();
    OneThread oneThread;
    auto made = std::make_unique<Made>();
    made->attr.reset(liq_attr_create());
    if (!made->attr) return {};
    // Speed 6 against 4 takes well under half the time for about 0.06 dB. Whether dithering is
    // shaped by the picture's edges is settled when the speed is set, from the thread count: with
    // one thread the quantiser drops the shaping at speed 6. It is asked for with two here, for
    // the same pictures on every machine; the work itself runs on one.
    omp_set_num_threads(2);
    const bool set = liq_set_speed(made->attr.get(), kQuantiserSpeed) == LIQ_OK;
    omp_set_num_threads(1);
    if (!set || liq_set_max_colors(made->attr.get(), colours) != LIQ_OK) return {};
    // The palette of a large picture comes from every step-th pixel of every step-th row: the
    // colours are the picture's own, in nearly the same proportions, and the quantiser's work
    // falls with the square of the step. The whole picture is then remapped to it. At 640x480
    // this halves a search's time and the distance to the original stays within 0.1 dB.
    const int step = int(std::ceil(std::sqrt(double(w) * h / kPalettePixels)));
    QImage sampled = rgba;
    if (step > 1) {
        const int pw = (w + step - 1) / step, ph = (h + step - 1) / step;
        sampled = QImage(pw, ph, QImage::Format_RGBX8888);
        if (sampled.isNull()) return {};
        for (int y = 0; y < ph; ++y) {
            const auto* in = reinterpret_cast<const quint32*>(rgba.constScanLine(y * step));
            auto* out = reinterpret_cast<quint32*>(sampled.scanLine(y));
            for (int x = 0; x < pw; ++x) out[x] = in[x * step];
        }
    }
    std::vector<void*> rows = rowsOf(sampled);
    LiqPtr<liq_image> image(liq_image_create_rgba_rows(made->attr.get(), rows.data(),
                                                       sampled.width(), sampled.height(), 0));
    liq_result* raw = nullptr;
    if (!image || liq_image_quantize(image.get(), made->attr.get(), &raw) != LIQ_OK || !raw)
        return {};
    made->result.reset(raw);
    std::shared_ptr<FittedPalette> palette(new FittedPalette);
    palette->made_ = std::move(made);
    return palette;
}

QImage FittedPalette::remap(const QImage& source, bool dither) const {
    const QImage rgba = quantiserInput(source);
    if (rgba.isNull()) return {};
    const int w = rgba.width(), h = rgba.height();
    std::lock_guard lock(made_->remapping);
    OneThread oneThread;
    liq_result* result = made_->result.get();
    // A fresh image each time: the dithering map the quantiser keeps in it follows the first
    // palette it was remapped to.
    std::vector<void*> inRows = rowsOf(rgba);
    LiqPtr<liq_image> image(liq_image_create_rgba_rows(made_->attr.get(), inRows.data(), w, h, 0));
    if (!image || liq_set_dithering_level(result, dither ? 1.0f : 0.0f) != LIQ_OK) return {};
    QImage out(w, h, QImage::Format_Indexed8);
    if (out.isNull()) return {};
    std::vector<unsigned char*> outRows(static_cast<size_t>(h));
    for (int y = 0; y < h; ++y) outRows[size_t(y)] = out.scanLine(y);
    if (liq_write_remapped_image_rows(result, image.get(), outRows.data()) != LIQ_OK) return {};
    // Read after remapping: the remap refines its own copy of the palette it was given.
    const liq_palette* palette = liq_get_palette(result);
    if (!palette || palette->count == 0) return {};
    QList<QRgb> table;
    for (unsigned i = 0; i < palette->count; ++i)
        table.append(qRgb(palette->entries[i].r, palette->entries[i].g, palette->entries[i].b));
    out.setColorTable(table);
    trimPalette(out);
    return out;
}

namespace {

QImage optimised(const QImage& source, bool dither, int colours) {
    const std::shared_ptr<FittedPalette> palette = FittedPalette::make(source, colours);
    return palette ? palette->remap(source, dither) : QImage();
}

} // namespace

QImage colorRes(const QImage& source, int bits, int paletteOption, bool dither, int colours) {
    if (source.isNull()) return {};
    if (bits == 24) return source.convertToFormat(QImage::Format_RGB32);
    if (bits < 1 || bits > 8) return {};
    if (paletteOption == ColorReduce::FixedBlackWhite) return blackAndWhite(source, dither);
    const int most = 1 << bits;
    if (colours < 2 || colours > most) colours = most;
    return optimised(source, dither, colours);
}
