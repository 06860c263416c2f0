#include "app/jpegfit.h"

#include "platform/imagecodec.h"

#include <algorithm>

JpegFit fitJpeg(const QImage& image, qint64 limit, int factor,
                const std::function<void(int, qint64)>& progress) {
    JpegFit fit;
    int lastQuality = -1;
    for (int f = std::clamp(factor, 2, 255); f <= 255; ++f) {
        const int quality = ImageCodec::jpegQuality(f);
        if (quality != lastQuality) {
            fit.bytes = ImageCodec::encode(image, ImageCodec::FormatJpeg, 24, f);
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
