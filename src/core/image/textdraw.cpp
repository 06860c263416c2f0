#include "core/image/textdraw.h"

#include "core/image/fonts.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
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

namespace {

// Whether the family the font resolves to has a bold cut of its own (the IPA fonts have not).
bool hasBoldFace(const QFont& font) {
    const QString family = QFontInfo(font).family();
    const QStringList styles = QFontDatabase::styles(family);
    return std::any_of(styles.cbegin(), styles.cend(), [&family](const QString& style) {
        return QFontDatabase::weight(family, style) >= QFont::DemiBold;
    });
}

int textFlags(const TextSettings& s) {
    static constexpr Qt::Alignment horizontal[3] = {Qt::AlignLeft, Qt::AlignHCenter,
                                                    Qt::AlignRight};
    static constexpr Qt::Alignment vertical[3] = {Qt::AlignTop, Qt::AlignVCenter, Qt::AlignBottom};
    return int(horizontal[s.align / 3] | vertical[s.align % 3]) | Qt::TextDontClip;
}

// The turn about the centre of the picture `area`.
QTransform turn(const TextSettings& s, const QRectF& area) {
    QTransform t;
    if (s.angle % 3600 == 0) return t;
    t.translate(area.center().x(), area.center().y());
    t.rotate(-s.angle / 10.0);
    t.translate(-area.center().x(), -area.center().y());
    return t;
}

// Draws the text laid out in the picture `area` into `target`, whose top left corner is at
// `origin` of the picture.
void paintText(QImage& target, QPoint origin, const QRectF& area, const TextSettings& s,
               const QFont& font) {
    QPainter p(&target);
    p.setRenderHint(QPainter::Antialiasing, s.antialias);
    p.setRenderHint(QPainter::TextAntialiasing, s.antialias);
    p.setFont(font);
    p.setPen(QColor(s.colour.rgb() | 0xff000000u));
    p.setTransform(turn(s, area) * QTransform::fromTranslate(-origin.x(), -origin.y()));
    // The layout box is the picture; text larger than it overflows and the picture clips it.
    p.drawText(area, textFlags(s), s.text);
}

// The part of the picture the text can ink: its layout box, turned, and a pixel size around
// it for glyphs that reach past their box (italics, bearings) and for the thickening.
QRect reach(const QRect& picture, const TextSettings& s, const QFont& font) {
    const QRectF box = QFontMetricsF(font).boundingRect(picture, textFlags(s), s.text);
    const int margin = font.pixelSize();
    return turn(s, picture)
               .mapRect(box)
               .toAlignedRect()
               .adjusted(-margin, -margin, margin, margin) &
           picture;
}

// Draws `layer` onto `target` at `at` and every offset from -pixels / 2 to pixels - pixels / 2
// along one axis: what is opaque grows by `pixels` that way.
void smear(QImage& target, const QImage& layer, QPoint at, int pixels, bool across) {
    QPainter p(&target);
    for (int d = -pixels / 2; d <= pixels - pixels / 2; ++d)
        p.drawImage(at + (across ? QPoint(d, 0) : QPoint(0, d)), layer);
}

// Every pixel of the layer either the text colour or clear.
void wholePixels(QImage& layer, QRgb colour) {
    for (int y = 0; y < layer.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(layer.scanLine(y));
        for (int x = 0; x < layer.width(); ++x) line[x] = qAlpha(line[x]) >= 128 ? colour : 0;
    }
}

QImage clearLayer(QSize size) {
    QImage layer(size, QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    return layer;
}

} // namespace

QImage drawText(const QImage& output, const TextSettings& s) {
    if (output.isNull() || !TextDraw::valid(s)) return {};
    QImage out = output.convertToFormat(QImage::Format_RGB32);
    if (out.isNull() || s.text.isEmpty()) return out;
    QFont font = TextDraw::font(s);
    // Without a bold cut Qt thickens glyphs only while it draws them from its glyph cache, so
    // large text (48 points and up) came out regular. Thickened here instead at every size, by
    // whole pixels in both directions as much as Qt would (a 24th of the pixel size); the
    // spacing grows alike so glyphs do not touch.
    const int thicken =
        s.bold && !hasBoldFace(font) ? std::max(1, int(std::lround(font.pixelSize() / 24.0))) : 0;
    if (s.antialias && thicken == 0) {
        paintText(out, {}, out.rect(), s, font);
        return out;
    }
    if (thicken > 0) {
        font.setBold(false);
        font.setLetterSpacing(QFont::AbsoluteSpacing, thicken);
    }
    // Drawn apart in a layer only as large as the text needs, so a large picture costs little.
    const QRect part = reach(out.rect(), s, font);
    if (part.isEmpty()) return out;
    QImage glyphs = clearLayer(part.size());
    paintText(glyphs, part.topLeft(), out.rect(), s, font);
    // Qt smooths large turned glyphs whatever the hints say.
    if (!s.antialias) wholePixels(glyphs, s.colour.rgb() | 0xff000000u);
    if (thicken > 0) {
        QImage wide = clearLayer(part.size());
        smear(wide, glyphs, {}, thicken, true);
        glyphs = wide;
    }
    smear(out, glyphs, part.topLeft(), thicken, false);
    return out;
}
