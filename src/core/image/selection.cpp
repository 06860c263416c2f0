#include "core/image/selection.h"

#include "core/image/imagelimits.h"

#include <cmath>

namespace Selection {

QImage cutAndScale(const QImage& input, const QRect& rgn, int width, int height, bool smooth) {
    const QRect cut = rgn.intersected(input.rect());
    if (input.isNull() || cut.isEmpty() || !ImageLimits::fits(width, height)) return {};
    const QImage part = input.copy(cut).convertToFormat(QImage::Format_RGB32);
    QImage scaled = part.scaled(width, height, Qt::IgnoreAspectRatio,
                                smooth ? Qt::SmoothTransformation : Qt::FastTransformation);
    if (scaled.isNull()) return {};
    return scaled.convertToFormat(QImage::Format_RGB32);
}

QString text(const QRect& rgn) {
    return QStringLiteral("(%1,%2)-(%3,%4) W=%5, H=%6")
        .arg(rgn.left())
        .arg(rgn.top())
        .arg(rgn.left() + rgn.width())
        .arg(rgn.top() + rgn.height())
        .arg(rgn.width())
        .arg(rgn.height());
}

QPoint moveTarget(QPointF pointer, QSize image, QSize rgn) {
    double x = std::isfinite(pointer.x()) ? pointer.x() : 0;
    double y = std::isfinite(pointer.y()) ? pointer.y() : 0;
    x = std::min(x, double(image.width() - rgn.width()));
    y = std::min(y, double(image.height() - rgn.height()));
    // "At least 0" last, so a selection wider than the picture never gets a negative corner.
    return {int(std::max(0.0, std::floor(x))), int(std::max(0.0, std::floor(y)))};
}

} // namespace Selection
