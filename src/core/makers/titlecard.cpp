#include "core/makers/titlecard.h"

#include "core/image/colorreduce.h"
#include "core/image/textdraw.h"
#include "core/util/cl_gl010c.h"
#include "core/util/numbers.h"

#include <algorithm>
#include <cmath>

namespace TitleCard {

int characterPoints(double size) {
    const double clamped = std::clamp(size, TextDraw::minPoints, TextDraw::maxPoints);
    return std::max(1, int(CIntSat(clamped)));
}

int titlePoints(int points) {
    return std::max(1, int(std::floor(points / 2.5)));
}

QString frameText(const QStringList& texts, int frame) {
    if (frame == frameCount) return texts.value(6) + u'\n' + texts.value(7);
    if (frame >= 1 && frame < frameCount) return texts.value(frame - 1);
    return {};
}

QImage frame(const QStringList& texts, int frame, const Font& font) {
    QImage black(width, height, QImage::Format_RGB32);
    black.fill(Qt::black);
    const int points = characterPoints(font.size);
    TextSettings s;
    s.text = frameText(texts, frame);
    s.fontName = font.name;
    s.size = frame == frameCount ? titlePoints(points) : points;
    s.bold = font.bold;
    s.italic = font.italic;
    s.colour = Qt::white;
    s.align = CentreMiddle;
    // Smoothed edges would be grey pixels that the two-colour palette turns into noise.
    s.antialias = false;
    QImage drawn = drawText(black, s);
    if (drawn.isNull()) drawn = black;
    return colorRes(drawn, 1, ColorReduce::FixedBlackWhite, true, 2);
}

QStringList fileNames(const QString& chosen) {
    const QString ext = CL_GL010C::instance().RVN_GetFileExt(chosen);
    const QString base = ext.isEmpty() ? chosen : chosen.left(chosen.size() - ext.size() - 1);
    QStringList names;
    for (int n = 1; n <= fileCount; ++n)
        names.append(base + QString::number(n) + QStringLiteral(".png"));
    return names;
}

} // namespace TitleCard
