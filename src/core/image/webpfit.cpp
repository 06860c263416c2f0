#include "core/image/webpfit.h"

#include "core/image/colorreduce.h"
#include "core/image/colourfit.h"
#include "core/image/imagecodec.h"
#include "core/image/jpegfit.h"
#include "core/image/webp.h"

#include <array>
#include <atomic>
#include <cmath>
#include <future>
#include <limits>
#include <set>

namespace {

using ImageCodec::Webp::Effort;

WebpFit losslessOf(const QImage& picture, const QImage& image, const QByteArray& bytes) {
    WebpFit fit;
    fit.fits = fit.lossless = true;
    fit.bytes = bytes;
    fit.image = image.convertToFormat(QImage::Format_RGB32);
    fit.psnr = psnr(picture, fit.image);
    return fit;
}

// image as it is, when its file fits: on a palette the thorough encoding is rarely a tenth smaller
// than the middle one, and many times its work.
WebpFit keptFit(const QImage& picture, const QImage& image, qint64 limit) {
    QByteArray bytes = ImageCodec::Webp::lossless(image, Effort::Some);
    if (!bytes.isEmpty() && bytes.size() > limit && bytes.size() <= limit + limit / 10)
        bytes = ImageCodec::Webp::lossless(image);
    if (bytes.isEmpty() || bytes.size() > limit) return {};
    return losslessOf(picture, image, bytes);
}

int colourCount(const QImage& rgb) {
    std::set<QRgb> colours;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        colours.insert(row, row + rgb.width());
    }
    return int(colours.size());
}

// Coarser steps than this leave too few levels of each channel to be worth a file.
constexpr int kCoarsestStep = 64;

// Every channel rounded to levels `step` apart, centred in 0..255. Far more colours than a
// palette holds, and the picture's smooth runs stay smooth in steps the lossless coder's
// prediction codes cheaply: on photographs at the sizes of phone pictures it beats the palette
// at the same bytes more often than not.
QImage posterised(const QImage& picture, int step) {
    std::array<uchar, 256> level;
    const int first = (255 % step) / 2;
    for (int v = 0; v < 256; ++v)
        level[size_t(v)] =
            uchar(std::min(255, v < first ? first : first + (v - first + step / 2) / step * step));
    QImage out = picture.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < out.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            row[x] = qRgb(level[size_t(qRed(row[x]))], level[size_t(qGreen(row[x]))],
                          level[size_t(qBlue(row[x]))]);
    }
    return out;
}

// The finest step whose file fits; step 1 keeps the picture whole. Sizes fall close to
// step^-0.46 on photographs, so the step aimed at is forecast from the last size, at first the
// quickest encoding's of the whole picture; the bracket then closes one step at a time. The
// quickest encoding alone is no measure: on drawings and gradients it can be many times larger.
WebpFit posterisedFit(const QImage& picture, qint64 limit) {
    QByteArray bytes = ImageCodec::Webp::lossless(picture, Effort::Least);
    if (!bytes.isEmpty() && bytes.size() <= limit) return losslessOf(picture, picture, bytes);
    auto aim = [limit](int step, const QByteArray& bytes) {
        return int(std::ceil(step * std::pow(double(bytes.size()) / double(limit), 1 / 0.46)));
    };
    WebpFit fit;
    int over = 0, fits = kCoarsestStep + 1; // the bracket: the finest step known to fit, the
                                            // coarsest below it known not to
    int step = bytes.isEmpty() ? 1 : aim(1, bytes);
    while (fits - over > 1) {
        step = std::clamp(step, over + 1, fits - 1);
        const QImage image = posterised(picture, step);
        bytes = ImageCodec::Webp::lossless(image, Effort::Some);
        if (bytes.isEmpty() || bytes.size() > limit) {
            over = step;
        } else {
            fits = step;
            const WebpFit f = losslessOf(picture, image, bytes);
            if (!fit.fits || f.psnr > fit.psnr) fit = f;
        }
        if (!bytes.isEmpty()) step = aim(step, bytes);
    }
    if (fit.fits && fits > 1) fit.colours = colourCount(fit.image);
    return fit;
}

// The colour fit's own search with the WebP size in place of the PNG size; BMP plays no part, so
// its limit always holds. The thorough encoding throughout: the search forecasts from the sizes,
// and a quicker encoding's larger sizes of fitting counts make it aim too low. Without the
// dithered pictures: a WebP pass costs several quantiser passes, and on the bench pictures they
// changed no answer. moot: set from another thread when the result can no longer be wanted; the
// search then ends at its next measurement.
WebpFit paletteFit(const QImage& picture, qint64 limit, const std::atomic<bool>& moot) {
    const Encoder webp = [&moot](const QImage& image, int format, int) {
        if (moot) return QByteArray();
        return format == kFitPngFormat ? ImageCodec::Webp::lossless(image) : QByteArray(1, '\0');
    };
    // Entered when the picture of 256 colours is over: the search starts below it.
    const FitResult r = PNGRedraw(picture, {limit, std::numeric_limits<qint64>::max(), 254}, 0,
                                  webp, {}, FitSearch::Plain);
    if (!r.ok || r.png.size() > limit) return {};
    WebpFit fit = losslessOf(picture, r.image, r.png);
    fit.colours = r.colours;
    fit.bits = r.bits;
    return fit;
}

// The highest quality within the limit, by bisection with the quicker encoding; the thorough one
// at that quality is then nearly always smaller still. The encoder's size rises with quality
// nearly everywhere, and where it does not, a fitting file is still kept. rival, when valid: how
// close the lossless file comes. No quality comes closer than the highest, so when that is over
// the limit and still no closer than the rival, the search is left undone.
WebpFit lossyFit(const QImage& picture, qint64 limit, const std::shared_future<double>& rival) {
    using ImageCodec::Webp::lossy;
    WebpFit fit;
    QByteArray last;
    auto tryQuality = [&](float q) {
        last = lossy(picture, q, Effort::Some);
        const bool fits = !last.isEmpty() && last.size() <= limit;
        if (fits && (!fit.fits || q > fit.quality)) {
            fit.fits = true;
            fit.bytes = last;
            fit.quality = q;
        }
        return fits;
    };
    if (!tryQuality(100)) {
        if (rival.valid() &&
            psnr(picture, ImageCodec::decodeBytes(last, QStringLiteral("a.webp")).image) <=
                rival.get())
            return fit;
        float low = 0, high = 100;
        // Steps of 100 / 2^8: finer than that, neighbouring qualities give the same file.
        for (int i = 0; i < 8; ++i) {
            const float mid = (low + high) / 2;
            (tryQuality(mid) ? low : high) = mid;
        }
        if (!fit.fits && !tryQuality(0)) return fit;
    }
    if (const QByteArray most = lossy(picture, fit.quality);
        !most.isEmpty() && most.size() <= limit)
        fit.bytes = most;
    fit.image = ImageCodec::decodeBytes(fit.bytes, QStringLiteral("a.webp")).image;
    fit.psnr = psnr(picture, fit.image);
    return fit;
}

} // namespace

WebpFit fitWebp(const QImage& picture, qint64 limit, WebpKind kind) {
    // No palette comes closer to the picture than the plain one of 256 colours: a file closer
    // than that, of either kind, makes the palette search needless; and when its own file fits,
    // the search would end on it at once. It is quantised, and the lossy search run, beside the
    // quicker lossless ones.
    struct Palette256 {
        QImage image;
        double psnr;
    };
    const std::shared_future<Palette256> palette256 =
        std::async(kind == WebpKind::Lossy ? std::launch::deferred : std::launch::async, [&] {
            Palette256 p{colorRes(picture, 8, ColorReduce::Optimised, false, 256), 0};
            p.psnr = psnr(picture, p.image);
            return p;
        }).share();
    std::atomic<bool> paletteMoot = false;
    std::future<WebpFit> lossyRun;
    // Declared after lossyRun, so that on the way out of an exception the lossy search is freed
    // from waiting before its end is awaited; it holds its own copy of the future.
    std::promise<double> rival;
    const std::shared_future<double> rivalPsnr =
        kind == WebpKind::Best ? rival.get_future().share() : std::shared_future<double>();
    if (kind != WebpKind::Lossless)
        lossyRun = std::async(std::launch::async, [&, rivalPsnr] {
            const WebpFit fit = lossyFit(picture, limit, rivalPsnr);
            if (kind == WebpKind::Best && fit.fits && fit.psnr > palette256.get().psnr)
                paletteMoot = true;
            return fit;
        });
    WebpFit lossless, palette;
    if (kind != WebpKind::Lossy) {
        lossless = posterisedFit(picture, limit);
        rival.set_value(lossless.fits ? lossless.psnr : 0);
        if (!lossless.fits || lossless.psnr < palette256.get().psnr) {
            palette = keptFit(picture, palette256.get().image, limit);
            palette.colours = 256;
            palette.bits = 8;
            if (!palette.fits) palette = paletteFit(picture, limit, paletteMoot);
        }
    }
    const WebpFit lossy = lossyRun.valid() ? lossyRun.get() : WebpFit();
    // Whether the palette search ended early or not: the same choice however the threads ran.
    if (paletteMoot) palette = WebpFit();
    if (palette.fits && (!lossless.fits || palette.psnr > lossless.psnr)) lossless = palette;
    if (!lossy.fits || (lossless.fits && lossless.psnr >= lossy.psnr)) return lossless;
    return lossy;
}
