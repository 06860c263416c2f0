#pragma once
// The selection on the canvas and the output picture built from it.
#include <QImage>
#include <QPointF>
#include <QRect>
#include <QString>

namespace Selection {

// The selection scaled to width x height: smooth for true-colour inputs, nearest pixel for
// palette inputs; where the selection reaches past the input the output is white. Null (and
// nothing else happens) when the selection is empty or outside the picture, or the size is
// below 1 or beyond the pixel limit.
QImage cutAndScale(const QImage& input, const QRect& rgn, int width, int height, bool smooth);

// "(left,top)-(right,bottom) W=w, H=h", right and bottom being left + width and top + height.
QString text(const QRect& rgn);

// Top-left corner for a selection of size rgn moved to the pointer (image pixels, fractions
// dropped), kept inside the picture; when the selection is larger than the picture it sticks
// to the top-left corner.
QPoint moveTarget(QPointF pointer, QSize image, QSize rgn);

} // namespace Selection
