#include "core/makers/makerdraw.h"

#include "core/image/colorreduce.h"
#include "core/image/imagecodec.h"
#include "core/image/textdraw.h"
#include "core/makers/cl_gl028c.h"
#include "core/util/appsettings.h"
#include "core/util/messages.h"

#include <QDate>
#include <QFileInfo>
#include <QHash>
#include <QPainter>
#include <QTextBoundaryFinder>

#include <cmath>

namespace Makers {

namespace {

QFont drawingFont(const FontSpec& face) {
    TextSettings s;
    s.fontName = face.name;
    s.size = std::max(face.points, minPoints);
    s.bold = face.bold;
    s.italic = face.italic;
    s.antialias = false;
    return TextDraw::font(s);
}

Qt::Alignment alignment(int code) {
    static constexpr Qt::Alignment horizontal[3] = {Qt::AlignLeft, Qt::AlignHCenter,
                                                    Qt::AlignRight};
    static constexpr Qt::Alignment vertical[3] = {Qt::AlignTop, Qt::AlignVCenter, Qt::AlignBottom};
    code = std::clamp(code, 0, 8);
    return horizontal[code / 3] | vertical[code % 3];
}

void preparePainter(QPainter& p, const QColor& colour, const QFont& font) {
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, false);
    p.setFont(font);
    p.setPen(QColor(colour.rgb() | 0xff000000u));
}

} // namespace

int wholePoints(double points) {
    return int(std::nearbyint(points)); // the default rounding mode: halves to even
}

namespace {
QString& templateFolderOverride() {
    static QString folder;
    return folder;
}
} // namespace

void setTemplateFolder(const QString& folder) {
    templateFolderOverride() = folder;
}

QString templatePath(const QString& fileName) {
    const QString& folder = templateFolderOverride();
    return (folder.isEmpty() ? AppPaths::programFolder() + QStringLiteral("/image") : folder) +
           QLatin1Char('/') + fileName;
}

QImage loadTemplate(const QString& path, QSize size, QString* message) {
    const ImageCodec::Decoded d = ImageCodec::decodeFile(path);
    if (d.error != ImageCodec::Error::None) {
        if (message) *message = Msg::makerTemplateMissing(path);
        return {};
    }
    if (d.image.size() != size) {
        if (message) *message = Msg::makerTemplateWrongSize(path, size.width(), size.height());
        return {};
    }
    return d.image;
}

QImage canvas(QSize size, const QImage& templ) {
    QImage out(size, QImage::Format_RGB32);
    out.fill(Qt::white);
    if (!templ.isNull()) {
        QPainter p(&out);
        p.drawImage(0, 0, templ);
    }
    return out;
}

void drawBoxText(QImage& picture, const QRect& rect, int align, const QColor& colour,
                 const FontSpec& font, const QString& text) {
    if (text.isEmpty() || picture.isNull()) return;
    QPainter p(&picture);
    preparePainter(p, colour, drawingFont(font));
    p.drawText(rect, int(alignment(align) | Qt::TextDontClip | Qt::TextSingleLine), text);
}

QStringList graphemes(const QString& text) {
    QStringList out;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype start = 0;
    while (finder.toNextBoundary() != -1) {
        const qsizetype end = finder.position();
        if (end > start) out.append(text.mid(start, end - start));
        start = end;
    }
    return out;
}

void drawVerticalText(QImage& picture, const QRect& rect, int align, const QColor& colour,
                      const FontSpec& font, const QString& text) {
    const QStringList chars = graphemes(text);
    if (chars.isEmpty() || picture.isNull()) return;
    const QFont f = drawingFont(font);
    const int em = f.pixelSize();
    const int total = em * int(chars.size());
    int top = rect.top();
    switch (std::clamp(align, 0, 8) % 3) {
    case 1:
        top = rect.top() + (rect.height() - total) / 2;
        break;
    case 2:
        top = rect.top() + rect.height() - total;
        break;
    default:
        break;
    }
    const Qt::Alignment horizontal = alignment(align) & Qt::AlignHorizontal_Mask;
    QPainter p(&picture);
    preparePainter(p, colour, f);
    for (int i = 0; i < chars.size(); ++i) {
        const QRect cell(rect.left(), top + i * em, rect.width(), em);
        p.drawText(cell, int(horizontal | Qt::AlignVCenter | Qt::TextDontClip), chars[i]);
    }
}

QImage reduce16(const QImage& picture) {
    if (picture.isNull()) return {};
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    // A picture that already has few enough colours keeps them exactly: the quantiser may move
    // a text colour by a step, and the calendar's reds and blues must stay what they are.
    QHash<QRgb, int> index;
    QList<QRgb> table;
    for (int y = 0; y < rgb.height() && table.size() <= 16; ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) {
            const QRgb c = line[x] | 0xff000000u;
            if (!index.contains(c)) {
                index.insert(c, int(table.size()));
                table.append(c);
                if (table.size() > 16) break;
            }
        }
    }
    if (table.size() > 16) return colorRes(rgb, savedBits, ColorReduce::Optimised, true, 16);
    QImage out(rgb.size(), QImage::Format_Indexed8);
    out.setColorTable(table);
    for (int y = 0; y < rgb.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        uchar* dst = out.scanLine(y);
        for (int x = 0; x < rgb.width(); ++x) dst[x] = uchar(index.value(line[x] | 0xff000000u));
    }
    return out;
}

// --- calendar ---------------------------------------------------------------------------

QColor dayColour(int weekCheck) {
    switch (weekCheck) {
    case 0:
    case 1:
        return QColor(255, 0, 0);
    case 7:
        return QColor(0, 0, 255);
    default:
        return QColor(0, 0, 0);
    }
}

FontSpec calendarFont() {
    return {QStringLiteral("ＭＳ Ｐゴシック"), 8.25, false, false};
}

QImage calendarPicture(int year, int month, const FontSpec& font, const QImage& templ,
                       CL_GL028C& holidays) {
    QImage pic = canvas(calendarSize, templ);
    drawBoxText(pic, QRect(0, 0, 96, 9), AlignCentreMiddle, Qt::white, font,
                QStringLiteral("%1年 %2月").arg(year).arg(month));
    const QDate first = (year >= 1 && year <= 9999) ? QDate(year, month, 1) : QDate();
    if (first.isValid()) {
        int top = 19;
        for (QDate d = first; d.month() == month; d = d.addDays(1)) {
            const int w = d.dayOfWeek() % 7 + 1; // 1 Sunday ... 7 Saturday
            const QColor colour = dayColour(holidays.WeekCheck(year, month, d.day()));
            // The sixth row would reach a pixel past the bottom; its cell ends at the edge.
            const QRect cell = QRect(3 + 13 * (w - 1), top, 13, 11).intersected(pic.rect());
            drawBoxText(pic, cell, AlignCentreMiddle, colour, font, QString::number(d.day()));
            if (w == 7) top += 11;
        }
    }
    return reduce16(pic);
}

// --- New Year card ----------------------------------------------------------------------

namespace {
const char* const cardTypeNames[cardTypes] = {
    "白紙", "ねずみ", "うし", "とら",     "うさぎ", "たつ", "へび", "うま",     "ひつじ",
    "さる", "とり",   "いぬ", "いのしし", "門松",   "コマ", "鏡餅", "雪だるま", "その他"};
const char* const cardFiles[cardTypes - 1] = {
    "裏白紙.PNG",   "ねずみ.PNG",   "うし.PNG",   "とら.PNG", "うさぎ.PNG", "たつ.PNG",
    "へび.PNG",     "うま.PNG",     "ひつじ.PNG", "さる.PNG", "とり.PNG",   "いぬ.PNG",
    "いのしし.PNG", "かどまつ.PNG", "こま.PNG",   "もち.PNG", "ゆき.PNG"};
} // namespace

QString cardTypeName(int type) {
    return type >= 0 && type < cardTypes ? QString::fromUtf8(cardTypeNames[type]) : QString();
}

QString cardTemplate(int type) {
    return type >= 0 && type < cardOwnPicture ? QString::fromUtf8(cardFiles[type]) : QString();
}

FontSpec addressFont() {
    return {QStringLiteral("ＭＳ 明朝"), 8.25, false, false};
}

FontSpec greetingFont() {
    return {QStringLiteral("ＭＳ 明朝"), 6, false, false};
}

QImage addressPicture(const QString& name, const QString& joint, const FontSpec& font,
                      const QImage& templ) {
    QImage pic = canvas(cardSize, templ);
    drawVerticalText(pic, QRect(26, 10, 12, 64), AlignCentreBottom, Qt::black, font, name);
    drawVerticalText(pic, QRect(14, 10, 12, 64), AlignCentreBottom, Qt::black, font, joint);
    return reduce16(pic);
}

QImage greetingPicture(const std::array<QString, 4>& lines, const FontSpec& font,
                       const QImage& templ) {
    QImage pic = canvas(cardSize, templ);
    static constexpr int lefts[4] = {46, 36, 26, 16};
    for (int i = 0; i < 4; ++i) {
        FontSpec f = font;
        if (i == 3) f.points = std::max(minPoints, wholePoints(font.points) - 1.5);
        drawVerticalText(pic, QRect(lefts[i], 4, 12, 76),
                         i == 0 ? AlignCentreTop : AlignCentreBottom, Qt::black, f, lines[i]);
    }
    return reduce16(pic);
}

QImage fitToCard(const QImage& picture) {
    if (picture.isNull()) return {};
    return picture.convertToFormat(QImage::Format_RGB32)
        .scaled(cardSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

// --- number plate -----------------------------------------------------------------------

namespace {
const char* const plateTypeNames[plateTypes] = {"自動車（一般）", "自動車（事業用）",
                                                "軽自動車（一般）", "軽自動車（事業）"};
constexpr QRgb plateDay[plateTypes] = {qRgb(0, 64, 0), qRgb(255, 255, 255), qRgb(0, 0, 0),
                                       qRgb(255, 255, 0)};
constexpr QRgb plateLit[plateTypes] = {qRgb(0, 255, 0), qRgb(128, 128, 128), qRgb(128, 128, 128),
                                       qRgb(64, 64, 0)};
} // namespace

QString plateTypeName(int type) {
    return type >= 0 && type < plateTypes ? QString::fromUtf8(plateTypeNames[type]) : QString();
}

QString plateTemplate(int type) {
    return type >= 0 && type < plateTypes ? QStringLiteral("no%1.png").arg(type + 1) : QString();
}

QColor plateTextColour(int type, bool lit, const QColor& keep) {
    if (type < 0 || type >= plateTypes) return keep;
    return QColor(lit ? plateLit[type] : plateDay[type]);
}

FontSpec plateFont() {
    return {QStringLiteral("ＭＳ Ｐゴシック"), 14.25, true, false};
}

QImage platePicture(const PlateTexts& texts, const QColor& colour, const FontSpec& font,
                    const QImage& templ) {
    QImage pic = canvas(plateSize, templ);
    const int s = wholePoints(font.points);
    FontSpec half = font;
    half.points = std::max(minPoints, double(s / 2));
    FontSpec full = font;
    full.points = std::max(minPoints, double(s));
    drawBoxText(pic, QRect(22, 4, 36, 11), AlignCentreMiddle, colour, half, texts.top);
    drawBoxText(pic, QRect(5, 18, 12, 16), AlignCentreMiddle, colour, half, texts.kana);
    drawBoxText(pic, QRect(16, 16, 58, 20), AlignCentreMiddle, colour, full, texts.serial);
    return reduce16(pic);
}

// --- saving -----------------------------------------------------------------------------

QString baseName(const QString& chosen) {
    const qsizetype slash =
        std::max(chosen.lastIndexOf(QLatin1Char('/')), chosen.lastIndexOf(QLatin1Char('\\')));
    const qsizetype dot = chosen.lastIndexOf(QLatin1Char('.'));
    // A leading dot names a hidden file rather than starting an extension.
    if (dot > slash + 1) return chosen.left(dot);
    return chosen;
}

} // namespace Makers
