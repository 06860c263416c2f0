#include "core/image/textdraw.h"

#include "core/image/fonts.h"

#include <QPainter>

#include <cmath>

namespace TextDraw {

QFont font(const TextSettings& s) {
    const QString mapped = Fonts::substituteFor(s.fontName);
    QFont f(mapped.isEmpty() ? s.fontName : mapped);
    f.setPixelSize(std::max(1, int(std::lround(s.size * dpi / 72.0))));
    f.setBold(s.bold);
    f.setItalic(s.italic);
    f.setUnderline(s.underline);
    f.setStrikeOut(s.strikeout);
    // Without this the rasteriser smooths glyph edges even with the painter's hints off.
    f.setStyleStrategy(s.antialias ? QFont::PreferAntialias : QFont::NoAntialias);
    return f;
}

bool valid(const TextSettings& s) {
    return s.size >= minPoints && s.size <= maxPoints && s.align >= 0 && s.align <= 8;
}

} // namespace TextDraw

QImage drawText(const QImage& output, const TextSettings& s) {
    if (output.isNull() || !TextDraw::valid(s)) return {};
    QImage out = output.convertToFormat(QImage::Format_RGB32);
    if (out.isNull() || s.text.isEmpty()) return out;

    static constexpr Qt::Alignment horizontal[3] = {Qt::AlignLeft, Qt::AlignHCenter,
                                                    Qt::AlignRight};
    static constexpr Qt::Alignment vertical[3] = {Qt::AlignTop, Qt::AlignVCenter, Qt::AlignBottom};
    const Qt::Alignment flags = horizontal[s.align / 3] | vertical[s.align % 3];

    QPainter p(&out);
    p.setRenderHint(QPainter::Antialiasing, s.antialias);
    p.setRenderHint(QPainter::TextAntialiasing, s.antialias);
    p.setFont(TextDraw::font(s));
    p.setPen(QColor(s.colour.rgb() | 0xff000000u));
    const QRectF area(out.rect());
    if (s.angle % 3600 != 0) {
        p.translate(area.center());
        p.rotate(-s.angle / 10.0);
        p.translate(-area.center());
    }
    // The layout box is the picture; text larger than it overflows and the picture clips it.
    p.drawText(area, int(flags | Qt::TextDontClip), s.text);
    return out;
}
