#include "core/image/jpegfit.h"

#include "core/image/imagecodec.h"

#include <algorithm>
#include <cmath>

namespace {

JpegFit firstFitting(const QImage& image, qint64 limit, int factor, ImageCodec::JpegChroma chroma,
                     const std::function<void(int, qint64)>& progress) {
    JpegFit fit;
    int lastQuality = -1;
    for (int f = std::clamp(factor, 2, 255); f <= 255; ++f) {
        const int quality = ImageCodec::jpegQuality(f);
        if (quality != lastQuality) {
            fit.bytes = ImageCodec::encodeJpeg(image, f, chroma);
            lastQuality = quality;
        }
        fit.factor = f;
        if (fit.bytes.isEmpty()) return fit; // the encoder failed: nothing fits
        if (progress) progress(f, fit.bytes.size());
        if (fit.bytes.size() <= limit) {
            fit.fits = true;
            return fit;
        }
    }
    return fit;
}

double fidelity(const QByteArray& jpeg, const QImage& image) {
    return psnr(image, ImageCodec::decodeBytes(jpeg, QStringLiteral("a.jpg")).image);
}

} // namespace

JpegFit fitJpeg(const QImage& image, qint64 limit, int factor,
                const std::function<void(int, qint64)>& progress) {
    const JpegFit fit =
        firstFitting(image, limit, factor, ImageCodec::JpegChroma::ByQuality, progress);
    if (!fit.fits) return fit;
    // Full colour resolution never makes a file smaller, so its first fit is no earlier.
    const JpegFit full = firstFitting(image, limit, fit.factor, ImageCodec::JpegChroma::Full, {});
    if (!full.fits || full.bytes == fit.bytes) return fit;
    return fidelity(full.bytes, image) > fidelity(fit.bytes, image) ? full : fit;
}

double psnr(const QImage& a, const QImage& b) {
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    if (x.isNull() || x.size() != y.size()) return 0;
    double sum = 0;
    for (int r = 0; r < x.height(); ++r) {
        const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(r));
        const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(r));
        for (int c = 0, w = x.width(); c < w; ++c) {
            const double dr = qRed(p[c]) - qRed(q[c]), dg = qGreen(p[c]) - qGreen(q[c]),
                         db = qBlue(p[c]) - qBlue(q[c]);
            sum += dr * dr + dg * dg + db * db;
        }
    }
    const double mse = sum / (3.0 * x.width() * x.height());
    return mse <= 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}
