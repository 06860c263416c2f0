#include "core/image/selection.h"

#include "core/image/imagelimits.h"

#include <QPainter>

#include <cmath>

namespace Selection {

QImage cutAndScale(const QImage& input, const QRect& rgn, int width, int height, bool smooth) {
    const QRect cut = rgn.intersected(input.rect());
    if (input.isNull() || cut.isEmpty() || !ImageLimits::fits(width, height)) return {};
    // The picture's part is scaled into its place on a blank output: the same picture as a
    // blank selection-sized image holding the part at its top-left, scaled as a whole, without
    // allocating the selection (a ratio adjustment can make it far larger than any picture).
    QImage output(width, height, QImage::Format_RGB32);
    if (output.isNull()) return {};
    output.fill(Qt::white);
    auto edge = [](int at, int from, int length, int scaledLength) {
        return int(std::lround((double(at) - from) * scaledLength / length));
    };
    const int left = edge(cut.left(), rgn.left(), rgn.width(), width);
    const int top = edge(cut.top(), rgn.top(), rgn.height(), height);
    const int right = edge(cut.right() + 1, rgn.left(), rgn.width(), width);
    const int bottom = edge(cut.bottom() + 1, rgn.top(), rgn.height(), height);
    const QImage part =
        input.copy(cut)
            .convertToFormat(QImage::Format_RGB32)
            .scaled(std::max(1, right - left), std::max(1, bottom - top), Qt::IgnoreAspectRatio,
                    smooth ? Qt::SmoothTransformation : Qt::FastTransformation);
    if (part.isNull()) return {};
    QPainter(&output).drawImage(left, top, part);
    return output;
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
