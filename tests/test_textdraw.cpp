// Text drawn into the output picture and the text dialog.
#include "core/image/textdraw.h"
#include "gui/app/frm_text.h"
#include "scripteddialogs.h"
#include "testsupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QPlainTextEdit>
#include <QSet>
#include <QtTest>

namespace {

QImage white(int w = 200, int h = 150) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::white);
    return img;
}

// The rectangle of pixels that differ from white.
QRect inked(const QImage& img) {
    QRect box;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixel(x, y) != qRgb(255, 255, 255)) box |= QRect(x, y, 1, 1);
    return box;
}

QSet<QRgb> colours(const QImage& img) {
    QSet<QRgb> set;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) set.insert(img.pixel(x, y));
    return set;
}

TextSettings text(const QString& s, int align = LeftTop) {
    TextSettings t;
    t.text = s;
    t.align = align;
    t.colour = QColor(200, 0, 0);
    return t;
}

} // namespace

class TestTextDraw : public QObject {
    Q_OBJECT
private slots:
    void alignment_data() {
        QTest::addColumn<int>("align");
        QTest::addColumn<QString>("s");
        for (int code = 0; code < 9; ++code)
            QTest::addRow("%s-%s", std::array{"left", "centre", "right"}[code / 3],
                          std::array{"top", "middle", "bottom"}[code % 3])
                << code << QStringLiteral("Ab漢");
        QTest::newRow("two lines, right-bottom") << int(RightBottom) << QStringLiteral("W\nWWW");
    }

    // The box of drawn pixels sits at the side the code names, and only there.
    void alignment() {
        QFETCH(int, align);
        QFETCH(QString, s);
        const QImage out = drawText(white(), text(s, align));
        const QRect box = inked(out);
        QVERIFY(!box.isEmpty());
        const int margin = 12;
        const int h = align / 3, v = align % 3;
        QCOMPARE(box.left() < margin, h == 0);
        QCOMPARE(box.right() > out.width() - 1 - margin, h == 2);
        QCOMPARE(qAbs(box.center().x() - out.width() / 2) < margin, h == 1);
        QCOMPARE(box.top() < margin, v == 0);
        QCOMPARE(box.bottom() > out.height() - 1 - margin, v == 2);
        QCOMPARE(qAbs(box.center().y() - out.height() / 2) < margin, v == 1);
    }

    // A missing glyph draws as the same box whatever the character: a kanji that draws like an
    // unassigned code point is tofu. The two Windows names reach two different faces.
    void japaneseGlyphs() {
        QList<QImage> kanji;
        for (const QString& font : {u"ＭＳ Ｐゴシック"_qs, u"ＭＳ 明朝"_qs}) {
            TextSettings t = text(QString(QChar(0x0378)));
            t.fontName = font;
            t.size = 24;
            const QImage missing = drawText(white(60, 60), t);
            t.text = QStringLiteral("漢");
            kanji << drawText(white(60, 60), t);
            QVERIFY(!inked(kanji.last()).isEmpty() && kanji.last() != missing);
        }
        QVERIFY(kanji[0] != kanji[1]);
    }

    // Without smoothing only the background and the text colour appear; with it, more. Qt
    // smooths large turned glyphs whatever the hints say.
    void smoothing() {
        for (const auto& [size, angle, italic, underline] : {std::tuple(20.0, 0, true, true),
                                                             {20.0, 335, false, true},
                                                             {72.0, 300, false, false}}) {
            TextSettings t = text(QStringLiteral("Quilmo 漢字"), CentreMiddle);
            t.size = size;
            t.angle = angle;
            t.italic = italic;
            t.underline = underline;
            QCOMPARE(colours(drawText(white(), t)),
                     (QSet<QRgb>{qRgb(255, 255, 255), qRgb(200, 0, 0)}));
            t.antialias = true;
            QVERIFY(colours(drawText(white(), t)).size() > 2);
        }
    }

    // Bold thickens the strokes at every size, also where the face has no bold cut of its own
    // (large sizes once came out regular), and text without smoothing keeps its two colours.
    void bold_data() { addDataRows("textdraw-bold.txt", {"font", "size:int", "s"}); }
    void bold() {
        QFETCH(QString, font);
        QFETCH(int, size);
        QFETCH(QString, s);
        TextSettings t = text(s, CentreMiddle);
        t.fontName = font;
        t.size = size;
        const QImage regular = drawText(white(), t);
        t.bold = true;
        const QImage bold = drawText(white(), t);
        QCOMPARE(colours(bold), (QSet<QRgb>{qRgb(255, 255, 255), t.colour.rgb()}));
        const auto ink = [&t](const QImage& img) {
            qsizetype n = 0;
            for (int y = 0; y < img.height(); ++y)
                for (int x = 0; x < img.width(); ++x) n += img.pixel(x, y) == t.colour.rgb();
            return n;
        };
        QVERIFY2(ink(bold) > ink(regular) * 5 / 4,
                 qPrintable(u"%1 -> %2"_qs.arg(ink(regular)).arg(ink(bold))));
    }

    void refusedAndClipped_data() {
        QTest::addColumn<QImage>("output");
        QTest::addColumn<double>("size");
        QTest::addColumn<int>("align");
        QTest::addColumn<bool>("drawn");
        QImage palette(10, 10, QImage::Format_Indexed8);
        palette.setColorTable({qRgb(255, 255, 255)});
        palette.fill(0);
        QTest::newRow("larger than the picture") << white(20, 20) << 999.0 << 4 << true;
        QTest::newRow("palette picture") << palette << 8.0 << 0 << true;
        QTest::newRow("size below 1") << white(20, 20) << 0.5 << 0 << false;
        QTest::newRow("alignment 9") << white(20, 20) << 12.0 << 9 << false;
        QTest::newRow("no picture") << QImage() << 12.0 << 0 << false;
    }
    void refusedAndClipped() {
        QFETCH(QImage, output);
        QFETCH(double, size);
        QFETCH(int, align);
        QFETCH(bool, drawn);
        // A solid square inks the centre however large it is drawn.
        TextSettings t = text(QStringLiteral("■"), align);
        t.size = size;
        const QImage out = drawText(output, t);
        QCOMPARE(!out.isNull(), drawn);
        if (drawn)
            QCOMPARE(std::pair(out.format(), out.size()),
                     std::pair(QImage::Format_RGB32, output.size()));
        if (drawn) QVERIFY(!inked(out).isEmpty());
    }

    // What the window passes in comes back unchanged when the user only looks, and the
    // preview shows what confirming draws.
    void dialogKeepsSettings() {
        ScriptedDialogs dialogs;
        TextSettings settings = text(QStringLiteral("一行目\n二行目"), RightBottom);
        settings.fontName = QStringLiteral("ＭＳ 明朝");
        settings.size = 10.5;
        settings.bold = settings.underline = settings.antialias = true;
        settings.angle = -155;
        const QImage output = white(96, 84);
        TextDialog dlg(output, settings);
        QCOMPARE(dlg.settings(), settings);
        dlg.textEdit->setPlainText(QStringLiteral("新しい"));
        QCOMPARE(dlg.previewImage(), drawText(output, dlg.settings()));
        QVERIFY(dialogs.asked.isEmpty());
    }

    void dialogFontAndColour_data() {
        QTest::addColumn<QVariant>("font");
        QTest::addColumn<QVariant>("colour");
        QTest::newRow("both cancelled") << QVariant() << QVariant();
        QFont f(QStringLiteral("IPAMincho"));
        f.setPointSizeF(20);
        f.setItalic(true);
        QTest::newRow("both chosen") << QVariant(f) << QVariant(QColor(Qt::blue));
        f.setPointSizeF(0.5);
        QTest::newRow("font too small") << QVariant(f) << QVariant();
    }
    void dialogFontAndColour() {
        QFETCH(QVariant, font);
        QFETCH(QVariant, colour);
        ScriptedDialogs dialogs;
        dialogs.answer(font).answer(colour);
        const TextSettings before = text(QStringLiteral("あ"));
        TextDialog dlg(white(96, 84), before);
        dlg.chooseFont();
        dlg.chooseColour();
        const TextSettings after = dlg.settings();
        const QFont f = font.value<QFont>();
        QCOMPARE(after.fontName, font.isNull() ? before.fontName : f.family());
        QCOMPARE(after.size, font.isNull() || f.pointSizeF() < 1 ? before.size : f.pointSizeF());
        QCOMPARE(after.italic, font.isNull() ? before.italic : f.italic());
        QCOMPARE(after.colour, colour.isNull() ? before.colour : colour.value<QColor>());
        QCOMPARE(dlg.previewImage(), drawText(white(96, 84), after));
    }
};

QTEST_MAIN(TestTextDraw)
#include "test_textdraw.moc"
