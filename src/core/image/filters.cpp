#include "core/image/filters.h"

#include "core/image/magickdecode.h"
#include "core/util/progress.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <functional>
#include <numbers>
#include <system_error>
#include <thread>
#include <vector>

namespace Filters {

namespace {

const Param none{0, 0, 0};

} // namespace

int paramCount(Kind kind) {
    switch (kind) {
    case Kind::BrightnessContrast:
    case Kind::HueSaturation:
        return 2;
    case Kind::Despeckle:
        return 0;
    default:
        return 1;
    }
}

Param param(Kind kind, int which) {
    if (which < 0 || which >= paramCount(kind)) return none;
    switch (kind) {
    case Kind::BrightnessContrast:
        return {-100, 100, 0};
    case Kind::Gamma:
        return {10, 500, 100};
    case Kind::HueSaturation:
        return which == 0 ? Param{-180, 180, 0} : Param{-100, 100, 0};
    case Kind::Sharpen:
        return {1, 50, 10};
    case Kind::Blur:
        return {1, 100, 15};
    case Kind::Median:
        return {1, 10, 1};
    case Kind::Despeckle:
        return none;
    case Kind::Emboss:
        return {1, 50, 10};
    case Kind::Posterize:
        return {2, 32, 4};
    case Kind::Mosaic:
        return {2, 64, 4};
    case Kind::Sepia:
        return {50, 100, 80};
    }
    return none;
}

QImage mosaic(const QImage& image, int side) {
    if (image.isNull()) return {};
    QImage out = image.convertToFormat(QImage::Format_RGB32);
    side = std::max(1, side);
    for (int by = 0; by < out.height(); by += side) {
        const int bh = std::min(side, out.height() - by);
        for (int bx = 0; bx < out.width(); bx += side) {
            const int bw = std::min(side, out.width() - bx);
            quint64 r = 0, g = 0, b = 0;
            for (int y = by; y < by + bh; ++y) {
                const auto* p = reinterpret_cast<const QRgb*>(out.constScanLine(y));
                for (int x = bx; x < bx + bw; ++x) {
                    r += qRed(p[x]);
                    g += qGreen(p[x]);
                    b += qBlue(p[x]);
                }
            }
            const quint64 n = quint64(bw) * quint64(bh);
            const QRgb c = qRgb(int((r + n / 2) / n), int((g + n / 2) / n), int((b + n / 2) / n));
            for (int y = by; y < by + bh; ++y) {
                auto* p = reinterpret_cast<QRgb*>(out.scanLine(y));
                std::fill(p + bx, p + bx + bw, c);
            }
        }
    }
    return out;
}

namespace {

// Runs rows(from, to) over bands of [0, h) side by side, a band a core (at most four); rows are
// independent in every filter that uses it.
void inBands(int h, const std::function<void(int from, int to)>& rows) {
    const int bands = std::clamp(int(std::thread::hardware_concurrency()), 1, std::min(4, h));
    std::vector<std::thread> helpers;
    for (int i = 1; i < bands; ++i) {
        const int from = h * i / bands, to = h * (i + 1) / bands;
        try {
            helpers.emplace_back(rows, from, to);
        } catch (const std::system_error&) {
            rows(from, to); // no thread to spare: this one does the band
        }
    }
    rows(0, h / bands);
    for (std::thread& t : helpers) t.join();
}

// Rows [from, to) of median() into out (bytesPerLine apart from outBits). rowDone runs after
// every row and returns false when the work is to stop.
void medianRows(const QImage& in, uchar* outBits, int side, int from, int to,
                const std::function<bool()>& rowDone) {
    const int w = in.width(), h = in.height();
    const int before = side / 2;        // reach up and left; side - 1 - before down and right
    const int middle = side * side / 2; // 0-based rank of the median in the sorted square
    std::vector<const QRgb*> rows(size_t(side), nullptr);
    for (int y = from; y < to; ++y) {
        for (int i = 0; i < side; ++i)
            rows[size_t(i)] = reinterpret_cast<const QRgb*>(
                in.constScanLine(std::clamp(y - before + i, 0, h - 1)));
        // Per channel: the histogram of the square, the median and how many values lie below.
        int hist[3][256] = {};
        int med[3] = {}, below[3] = {};
        const auto column = [&](int x, int delta) {
            const int cx = std::clamp(x, 0, w - 1);
            for (const QRgb* row : rows) {
                const QRgb p = row[cx];
                for (int c = 0; c < 3; ++c) {
                    const int v = int(p >> (16 - 8 * c)) & 0xff;
                    hist[c][v] += delta;
                    if (v < med[c]) below[c] += delta;
                }
            }
        };
        for (int x = -before; x < side - before; ++x) column(x, 1);
        auto* dst = reinterpret_cast<QRgb*>(outBits + qsizetype(y) * in.bytesPerLine());
        for (int x = 0;; ++x) {
            int v[3];
            for (int c = 0; c < 3; ++c) {
                int& m = med[c];
                int& n = below[c];
                while (n > middle) n -= hist[c][--m];
                while (n + hist[c][m] <= middle) n += hist[c][m++];
                v[c] = m;
            }
            dst[x] = qRgb(v[0], v[1], v[2]);
            if (x + 1 == w) break;
            column(x - before, -1);
            column(x - before + side, 1);
        }
        if (!rowDone()) return;
    }
}

} // namespace

QImage median(const QImage& image, int side, Progress* progress) {
    if (image.isNull()) return {};
    const QImage in = image.convertToFormat(QImage::Format_RGB32);
    QImage out(in.size(), QImage::Format_RGB32);
    if (in.isNull() || out.isNull()) return {};
    const int h = in.height();
    side = std::max(1, side);
    uchar* bits = out.bits(); // taken once: the bands write their rows through it
    std::atomic<int> done{0};
    std::atomic<bool> stop{false};
    const std::function<bool()> rowDone = [&] {
        if (progress && !progress->step(++done, h)) stop = true;
        return !stop.load();
    };
    inBands(h, [&](int from, int to) { medianRows(in, bits, side, from, to, rowDone); });
    if (stop) return {};
    return out;
}

namespace {

// A Gaussian of deviation sigma over -reach..reach, its weights adding up to one.
std::vector<float> gaussian(double sigma, int reach) {
    std::vector<float> weight(size_t(2 * reach + 1));
    float total = 0;
    for (int i = -reach; i <= reach; ++i)
        total += weight[size_t(i + reach)] = float(std::exp(-0.5 * i * i / (sigma * sigma)));
    for (float& k : weight) k /= total;
    return weight;
}

// in (RGB32) convolved with weight, centred, along the rows and then down the columns, the edge
// pixels repeated beyond the picture. Null when stopped or out of memory.
QImage separable(const QImage& in, const std::vector<float>& weight, Progress* progress) {
    QImage across(in.size(), QImage::Format_RGB32), out(in.size(), QImage::Format_RGB32);
    if (across.isNull() || out.isNull()) return {};
    const int w = in.width(), h = in.height(), reach = int(weight.size() / 2);
    std::atomic<int> done{0};
    std::atomic<bool> stop{false};
    const auto rowDone = [&] {
        if (progress && !progress->step(++done, 2 * qint64(h))) stop = true;
    };
    auto store = [](const float* sum, QRgb* dst, int n) {
        for (int x = 0; x < n; ++x)
            dst[x] = qRgb(int(sum[3 * x] + 0.5f), int(sum[3 * x + 1] + 0.5f),
                          int(sum[3 * x + 2] + 0.5f));
    };
    // Taken once, here: bits() on a shared picture copies it, which no two bands may do at once.
    const uchar* inBits = in.constBits();
    uchar* acrossBits = across.bits();
    uchar* outBits = out.bits();
    const qsizetype line = in.bytesPerLine();
    // Along each row first.
    inBands(h, [&](int from, int to) {
        std::vector<float> sum(size_t(3 * w));
        for (int y = from; y < to && !stop; ++y) {
            const auto* src = reinterpret_cast<const QRgb*>(inBits + y * line);
            for (int x = 0; x < w; ++x) {
                float r = 0, g = 0, b = 0;
                for (int i = -reach; i <= reach; ++i) {
                    const QRgb p = src[std::clamp(x + i, 0, w - 1)];
                    const float k = weight[size_t(i + reach)];
                    r += k * float(qRed(p));
                    g += k * float(qGreen(p));
                    b += k * float(qBlue(p));
                }
                sum[size_t(3 * x)] = r;
                sum[size_t(3 * x + 1)] = g;
                sum[size_t(3 * x + 2)] = b;
            }
            store(sum.data(), reinterpret_cast<QRgb*>(acrossBits + y * line), w);
            rowDone();
        }
    });
    if (stop) return {};
    // Then down the columns, whole rows at a time, so memory is read in order.
    inBands(h, [&](int from, int to) {
        std::vector<float> sum(size_t(3 * w));
        for (int y = from; y < to && !stop; ++y) {
            std::fill(sum.begin(), sum.end(), 0.0f);
            for (int i = -reach; i <= reach; ++i) {
                const auto* src =
                    reinterpret_cast<const QRgb*>(acrossBits + std::clamp(y + i, 0, h - 1) * line);
                const float k = weight[size_t(i + reach)];
                for (int x = 0; x < w; ++x) {
                    sum[size_t(3 * x)] += k * float(qRed(src[x]));
                    sum[size_t(3 * x + 1)] += k * float(qGreen(src[x]));
                    sum[size_t(3 * x + 2)] += k * float(qBlue(src[x]));
                }
            }
            store(sum.data(), reinterpret_cast<QRgb*>(outBits + y * line), w);
            rowDone();
        }
    });
    if (stop) return {};
    return out;
}

} // namespace

QImage blur(const QImage& image, double sigma, Progress* progress) {
    if (image.isNull()) return {};
    const QImage in = image.convertToFormat(QImage::Format_RGB32);
    if (in.isNull()) return {};
    // Beyond three deviations the weights add up to under 0.3 %: no 8-bit level.
    return separable(in, gaussian(sigma, std::max(1, int(std::ceil(3 * sigma)))), progress);
}

QImage sharpen(const QImage& image, double sigma, Progress* progress) {
    if (image.isNull()) return {};
    const QImage in = image.convertToFormat(QImage::Format_RGB32);
    if (in.isNull()) return {};
    // The Gaussian over a square window is the product of two along its sides: e(u) e(v) / n.
    const auto e = [sigma](int u) { return std::exp(-u * u / (2 * sigma * sigma)); };
    const auto side = [&e](int reach) {
        double sum = 0;
        for (int u = -reach; u <= reach; ++u) sum += e(u);
        return sum;
    };
    // The window reaches as far as the old engine's did: until the value at the middle of the
    // square's edge falls below 1/65535 of the square's sum.
    int reach = 2;
    while (e(reach) / (side(reach) * side(reach)) >= 1.0 / 65535) ++reach;
    --reach;
    // The old engine's kernel: minus the Gaussian over the square, its centre replaced by twice
    // the square's sum, the whole scaled to add up to one. With s that sum and c the centre's own
    // value, that is (2s + c) times the picture less s times its blur, over s + c.
    const QImage blurred = separable(in, gaussian(sigma, reach), progress);
    if (blurred.isNull()) return {};
    const double n = 2 * std::numbers::pi * sigma * sigma;
    const double s = side(reach) * side(reach) / n, c = 1 / n;
    const float keep = float((2 * s + c) / (s + c)), less = float(s / (s + c));
    QImage out(in.size(), QImage::Format_RGB32);
    if (out.isNull()) return {};
    const auto level = [&](int i, int b) {
        return std::clamp(int(std::lround(keep * float(i) - less * float(b))), 0, 255);
    };
    for (int y = 0; y < in.height(); ++y) {
        const auto* p = reinterpret_cast<const QRgb*>(in.constScanLine(y));
        const auto* q = reinterpret_cast<const QRgb*>(blurred.constScanLine(y));
        auto* d = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < in.width(); ++x)
            d[x] = qRgb(level(qRed(p[x]), qRed(q[x])), level(qGreen(p[x]), qGreen(q[x])),
                        level(qBlue(p[x]), qBlue(q[x])));
    }
    return out;
}

QImage apply(const QImage& image, Kind kind, int a, int b, QString* error, double scale,
             Progress* progress) {
    if (image.isNull()) return {};
    if (paramCount(kind) > 0) a = std::clamp(a, param(kind, 0).minimum, param(kind, 0).maximum);
    if (paramCount(kind) > 1) b = std::clamp(b, param(kind, 1).minimum, param(kind, 1).maximum);
    if (!(scale > 0) || scale > 1) scale = 1;
    const double px = std::max(1.0, a * scale);
    if (kind == Kind::Mosaic) return mosaic(image, int(std::lround(px)));
    // The square's side is the radius cut to a whole number, as the filter has always taken it.
    if (kind == Kind::Median) return median(image, int(px), progress);
    if (kind == Kind::Blur) return blur(image, px / 10, progress);
    if (kind == Kind::Sharpen) return sharpen(image, px / 10, progress);
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    if (rgb.isNull()) return {};
    const auto& magick = ImageCodec::Magick6::start();
    if (magick.module) return magick.module->filter(rgb, kind, a, b, px, progress, error);
    if (error) *error = magick.problem;
    return {};
}

} // namespace Filters
