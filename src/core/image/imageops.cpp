#include "core/image/imageops.h"

#include "core/image/imagelimits.h"
#include "core/util/numbers.h"

#include <QPainter>
#include <QTransform>

#include <cmath>

namespace ImageOps {

namespace {

bool supported(const QImage& image) {
    return image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_Indexed8;
}

QImage trueColour(const QImage& image) {
    return image.convertToFormat(QImage::Format_RGB32);
}

} // namespace

QImage fill(const QImage& image, const QRect& rgn, const QColor& colour) {
    if (image.isNull()) return {};
    QImage out = trueColour(image);
    if (out.isNull()) return {};
    // A colour with alpha would let the old pixels show through a 24-bit picture.
    const QColor opaque = QColor(colour.rgb() | 0xff000000u);
    const QRect area = rgn.isEmpty() ? out.rect() : rgn.intersected(out.rect());
    if (area == out.rect()) {
        out.fill(opaque);
    } else if (!area.isEmpty()) {
        QPainter p(&out);
        p.fillRect(area, opaque);
    }
    return out;
}

QImage rotateLeft(const QImage& image) {
    return rotate(image, -9000);
}

QImage rotateRight(const QImage& image) {
    return rotate(image, 9000);
}

QImage rotate(const QImage& image, int centiDegrees, const QColor& background) {
    if (image.isNull()) return {};
    const QImage source = supported(image) ? image : trueColour(image);
    const int turn = ((centiDegrees % 36000) + 36000) % 36000;
    if (turn == 0) return source.copy();
    if (turn % 9000 == 0) {
        // Qt moves the pixels of quarter turns without resampling, palette included.
        return source.transformed(QTransform().rotate(turn / 100));
    }
    const QTransform turnBy = QTransform().rotate(turn / 100.0);
    const QRectF bounds = turnBy.mapRect(QRectF(source.rect()));
    const int w = int(std::ceil(bounds.width() - 1e-6));
    const int h = int(std::ceil(bounds.height() - 1e-6));
    if (!ImageLimits::fits(w, h)) return {};
    QImage out(w, h, QImage::Format_RGB32);
    if (out.isNull()) return {};
    out.fill(QColor(background.rgb() | 0xff000000u));
    QPainter p(&out);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.translate(w / 2.0, h / 2.0);
    p.rotate(turn / 100.0);
    p.translate(-source.width() / 2.0, -source.height() / 2.0);
    p.drawImage(0, 0, trueColour(source));
    return out;
}

QImage flip(const QImage& image) {
    if (image.isNull()) return {};
    return (supported(image) ? image : trueColour(image)).mirrored(false, true);
}

QImage mirror(const QImage& image) {
    if (image.isNull()) return {};
    return (supported(image) ? image : trueColour(image)).mirrored(true, false);
}

QImage greyscale(const QImage& image) {
    if (image.isNull()) return {};
    return image.convertToFormat(QImage::Format_Grayscale8).convertToFormat(QImage::Format_RGB32);
}

QImage invert(const QImage& image) {
    if (image.isNull()) return {};
    if (image.format() == QImage::Format_Indexed8) {
        // Qt would invert the indices of a palette picture, pointing them past a short colour
        // table; the colours are what must turn.
        QImage out = image.copy();
        QList<QRgb> table = out.colorTable();
        for (QRgb& c : table) c = qRgb(255 - qRed(c), 255 - qGreen(c), 255 - qBlue(c));
        out.setColorTable(table);
        return out;
    }
    QImage out = trueColour(image);
    out.invertPixels(QImage::InvertRgb);
    return out;
}

QRect RatioRect::pixels() const {
    auto whole = [](float v) { return int(std::nearbyint(v)); };
    return QRect(whole(left), whole(top), whole(width), whole(height));
}

std::optional<RatioRect> ratioRect(QSize image, const QRect& rgn, double outWidth, double outHeight,
                                   int index) {
    if (image.isEmpty() || (index != 0 && index != 1)) return std::nullopt;
    const float ow = float(outWidth), oh = float(outHeight);
    if (!(ow > 0) || !(oh > 0) || !std::isfinite(ow) || !std::isfinite(oh)) return std::nullopt;
    const QRect from = rgn.isEmpty() ? QRect(QPoint(0, 0), image) : rgn;
    RatioRect r{float(from.left()), float(from.top()), float(from.width()), float(from.height())};
    if (index == 0)
        r.height = oh / ow * r.width;
    else
        r.width = ow / oh * r.height;
    const float side = index == 0 ? r.height : r.width;
    // Below one pixel nothing could be cut; beyond the largest side the selection could not be
    // cut from any picture either.
    if (!(side >= 1.0f) || side > float(ImageLimits::maxSide)) return std::nullopt;
    return r;
}

ColourCount parseColourCount(const QString& answer) {
    if (answer.isEmpty()) return {};
    const std::optional<qint16> n = CInt(Val(answer));
    if (!n || *n < 2 || *n > 256) return {ColourCount::OutOfRange, 0};
    return {ColourCount::Count, *n};
}

} // namespace ImageOps
