#include "core/image/webpfit.h"

#include "core/image/colorreduce.h"
#include "core/image/colourfit.h"
#include "core/image/imagecodec.h"
#include "core/image/jpegfit.h"
#include "core/image/webp.h"

#include <atomic>
#include <future>
#include <limits>

namespace {

// moot: set from another thread when the result can no longer be wanted; the search then ends
// at its next measurement.
WebpFit losslessFit(const QImage& picture, qint64 limit, const std::atomic<bool>& moot) {
    WebpFit fit;
    // Where the limit is generous the picture need not lose a single colour. The quickest
    // encoding tells cheaply whether that can be: the thorough one is rarely a fifth smaller.
    using ImageCodec::Webp::Effort;
    QByteArray whole = ImageCodec::Webp::lossless(picture, Effort::Least);
    if (!whole.isEmpty() && whole.size() <= limit + limit / 5) {
        // Any file within the limit holds the same picture: the thorough encoding, on a
        // full-colour picture some twenty times the work of the middle one, only when both
        // quicker ones are over.
        for (Effort effort : {Effort::Some, Effort::Most})
            if (whole.isEmpty() || whole.size() > limit)
                whole = ImageCodec::Webp::lossless(picture, effort);
        if (!whole.isEmpty() && whole.size() <= limit) {
            fit.fits = fit.lossless = true;
            fit.bytes = whole;
            fit.image = picture.convertToFormat(QImage::Format_RGB32);
            return fit;
        }
    }
    // The colour fit's own search with the WebP size in place of the PNG size; BMP plays no part,
    // so its limit always holds. The thorough encoding throughout: the search forecasts from the
    // sizes, and a quicker encoding's larger sizes of fitting counts make it aim too low. Without
    // the dithered pictures: a WebP pass costs several quantiser passes, and on the bench
    // pictures they changed no answer.
    const Encoder webp = [&moot](const QImage& image, int format, int) {
        if (moot) return QByteArray();
        return format == kFitPngFormat ? ImageCodec::Webp::lossless(image) : QByteArray(1, '\0');
    };
    const FitResult r = PNGRedraw(picture, {limit, std::numeric_limits<qint64>::max()}, 0, webp, {},
                                  FitSearch::Plain);
    if (!r.ok || r.png.size() > limit) return fit;
    fit.fits = fit.lossless = true;
    fit.bytes = r.png;
    fit.image = r.image.convertToFormat(QImage::Format_RGB32);
    fit.colours = r.colours;
    fit.bits = r.bits;
    return fit;
}

// The highest quality within the limit, by bisection; the encoder's size rises with quality
// nearly everywhere, and where it does not, a fitting file is still kept.
WebpFit lossyFit(const QImage& picture, qint64 limit) {
    WebpFit fit;
    auto tryQuality = [&](float q) {
        const QByteArray bytes = ImageCodec::Webp::lossy(picture, q);
        const bool fits = !bytes.isEmpty() && bytes.size() <= limit;
        if (fits && (!fit.fits || q > fit.quality)) {
            fit.fits = true;
            fit.bytes = bytes;
            fit.quality = q;
        }
        return fits;
    };
    if (!tryQuality(100)) {
        float low = 0, high = 100;
        if (!tryQuality(low)) return fit;
        // Steps of 100 / 2^8: finer than that, neighbouring qualities give the same file.
        for (int i = 0; i < 8; ++i) {
            const float mid = (low + high) / 2;
            (tryQuality(mid) ? low : high) = mid;
        }
    }
    fit.image = ImageCodec::decodeBytes(fit.bytes, QStringLiteral("a.webp")).image;
    return fit;
}

} // namespace

WebpFit fitWebp(const QImage& picture, qint64 limit, WebpKind kind) {
    // The lossy search runs beside the lossless one, and is the quicker. No palette comes closer
    // to the picture than the plain one of 256 colours: a lossy file closer than that ends the
    // lossless search.
    std::atomic<bool> losslessMoot = false;
    std::future<WebpFit> lossyRun;
    if (kind != WebpKind::Lossless)
        lossyRun = std::async(std::launch::async, [&] {
            const WebpFit fit = lossyFit(picture, limit);
            if (kind == WebpKind::Best && fit.fits &&
                psnr(picture, fit.image) >
                    psnr(picture, colorRes(picture, 8, ColorReduce::Optimised, false, 256)))
                losslessMoot = true;
            return fit;
        });
    WebpFit lossless =
        kind != WebpKind::Lossy ? losslessFit(picture, limit, losslessMoot) : WebpFit();
    WebpFit lossy = lossyRun.valid() ? lossyRun.get() : WebpFit();
    // Whether the search ended early or not: the same choice however the threads ran.
    if (losslessMoot && lossless.colours >= 0) lossless = WebpFit();
    for (WebpFit* f : {&lossless, &lossy})
        if (f->fits) f->psnr = psnr(picture, f->image);
    if (!lossy.fits || (lossless.fits && lossless.psnr >= lossy.psnr)) return lossless;
    return lossy;
}
