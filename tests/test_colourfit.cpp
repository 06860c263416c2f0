// Colour reduction and the colour-fit search that drives it.
#include "core/image/colorreduce.h"
#include "core/image/colourfit.h"
#include "core/image/imagecodec.h"
#include "core/image/webpfit.h"
#include "testsupport.h"

#include <QBuffer>
#include <QRandomGenerator>
#include <QThread>
#include <QtTest>

namespace {

// Sizes by colour count: the first entry whose count is at or below the asked count applies.
using Script = QList<QPair<int, qint64>>;
qint64 sizeAt(const Script& s, int colours) {
    for (const auto& [from, size] : s)
        if (colours >= from) return size;
    return 0;
}

// Generated test pictures. A small "noise" has a distinct colour in each pixel, so a reduction to
// n colours uses exactly n and the scripted encoder can tell the count from the palette.
QImage picture(const QString& kind, int w = 96, int h = 84) {
    QImage img(w, h, QImage::Format_RGB32);
    QRandomGenerator rng(7);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            QRgb p = 0;
            if (kind == "noise")
                p = rng.generate();
            else if (kind == "gradient")
                p = qRgb(x * 255 / w, y * 255 / h, (x + y) % 256);
            else if (kind == "flat") // a drawing: flat patches below a smooth sky
                p = y < h / 3
                        ? qRgb(90 + y * 4, 150 + y * 2, 255)
                        : qRgb((x / 12) * 30 % 256, (y / 14) * 50 % 256, ((x + y) / 20) * 40 % 256);
            else
                p = qRgb(x * 2 + rng.bounded(40), y * 3 - rng.bounded(20) + 20,
                         128 + rng.bounded(60));
            img.setPixel(x, y, p | 0xff000000u);
        }
    return img;
}

// A script written as "count:size count:size ...".
Script script(const QString& text) {
    Script out;
    for (const QString& pair : text.split(' '))
        out << qMakePair(pair.section(':', 0, 0).toInt(), pair.section(':', 1).toLongLong());
    return out;
}

// failFrom: the encoder fails for this count and every lower one.
Encoder scripted(const Script& png, const Script& bmp, int failFrom = -1) {
    return [=](const QImage& img, int format, int) {
        const int colours = int(img.colorCount());
        if (colours <= failFrom) return QByteArray();
        return QByteArray(sizeAt(format == kFitPngFormat ? png : bmp, colours), char(colours));
    };
}

// A rough real encoder: Qt's writers in memory.
QByteArray qtEncode(const QImage& img, int format, int) {
    QByteArray out;
    QBuffer buf(&out);
    buf.open(QIODevice::WriteOnly);
    return img.save(&buf, format == kFitPngFormat ? "PNG" : "BMP") ? out : QByteArray();
}

} // namespace

class TestColourFit : public QObject {
    Q_OBJECT
private slots:
    void colorRes_data() {
        addDataRows("colourfit-colorres.txt",
                    {"bits:int", "option:int", "colours:int", "most:int"});
    }
    void colorRes() {
        QFETCH(int, bits);
        QFETCH(int, option);
        QFETCH(int, colours);
        QFETCH(int, most);
        for (const QString kind : {"noise", "gradient", "flat", "large"}) {
            // A large picture gets its palette from a sample; an odd width ends mid-step.
            const QImage src = kind == "large" ? picture("gradient", 401, 300) : picture(kind);
            const QImage a = ::colorRes(src, bits, option, true, colours);
            QCOMPARE(a.format(), QImage::Format_Indexed8);
            QVERIFY(a.colorCount() <= most);
            const QImage plain = ::colorRes(src, bits, option, false, colours);
            QVERIFY(a != plain || kind == "flat");
            // Deterministic, and one palette serves both kinds in any order: the search shares it.
            if (const auto shared =
                    option == 2 && colours == most ? FittedPalette::make(src, colours) : nullptr) {
                QCOMPARE(shared->remap(src, false), plain);
                QCOMPARE(shared->remap(src, true), a);
            } else {
                QCOMPARE(a, ::colorRes(src, bits, option, true, colours));
            }
            // The palette is trimmed but every pixel still indexes into it.
            for (int y = 0; y < a.height(); ++y)
                for (int x = 0; x < a.width(); ++x) QVERIFY(a.pixelIndex(x, y) < a.colorCount());
            if (option == 1)
                QCOMPARE(a.colorTable(), QList<QRgb>({qRgb(0, 0, 0), qRgb(255, 255, 255)}));
        }
    }
    void colorResEdges() {
        QVERIFY(::colorRes(QImage(), 8, 2, true, 256).isNull());
        QVERIFY(::colorRes(picture("flat"), 16, 2, true, 256).isNull());
        QCOMPARE(::colorRes(picture("flat"), 24, 4, false, 0).format(), QImage::Format_RGB32);
    }

    void walk_data() { addDataRows("colourfit-walk.txt", {"png", "bmp", "counts", "result:int"}); }
    void walk() {
        QFETCH(QString, png);
        QFETCH(QString, bmp);
        QFETCH(int, result);
        const QImage src = picture("noise", 16, 16);
        const Encoder enc = scripted(script(png), script(bmp));
        QStringList seen;
        const FitResult w = PNGRedraw(
            src, {}, 0, enc, [&](const FitPass& p) { seen << QString::number(p.colours); },
            FitSearch::Walk);
        QTEST(seen.join(u','), "counts");
        QCOMPARE((QList<int>{w.ok, w.colours, w.passes}),
                 (QList<int>{result > 0, result, int(seen.size())}));
        if (w.ok) {
            QVERIFY(w.pngSize <= 5500 && w.bmpSize <= 10000);
            QCOMPARE(w.png, enc(w.image, kFitPngFormat, w.bits));
            QCOMPARE(w.bits, result > 16 ? 8 : result == 16 ? 4 : result == 8 ? 3 : result / 2);
        }
        // On sizes that never grow with fewer colours the fast search does no worse, and its
        // rounds of two stay few even where sizes jump and forecasts go wrong (one more round
        // judges the dithered pictures above the plain answer).
        const FitResult f = PNGRedraw(src, {}, 0, enc, {}, FitSearch::Fast);
        QCOMPARE(f.ok, w.ok);
        QVERIFY(f.colours >= w.colours);
        QVERIFY2(f.passes <= qMax(w.passes, 20), qPrintable(QString::number(f.passes)));
    }
    void failures_data() { addDataRows("colourfit-failures.txt", {"failFrom:int"}); }
    void failures() {
        QFETCH(int, failFrom);
        const Encoder enc = failFrom < 0 ? Encoder(qtEncode)
                                         : scripted({{256, 6000}, {0, 100}}, {{0, 100}}, failFrom);
        const FitLimits limits = failFrom < 0 ? FitLimits{0, 0} : FitLimits{};
        for (FitSearch s : {FitSearch::Walk, FitSearch::Fast}) {
            const FitResult r = PNGRedraw(picture("noise", 16, 16), limits, 0, enc, {}, s);
            QVERIFY(!r.ok);
            QCOMPARE(r.colours, -1);
            QVERIFY(r.passes <= 125);
        }
    }

    void fixedCount_data() { addDataRows("colourfit-fixed.txt", {"cset:int", "bits:int"}); }
    void fixedCount() {
        QFETCH(int, cset);
        QFETCH(int, bits);
        QList<FitPass> passes;
        const FitResult r = PNGRedraw(picture("gradient"), {0, 0}, cset, qtEncode,
                                      [&](const FitPass& p) { passes << p; });
        QVERIFY(r.ok);
        QCOMPARE(r.bits, bits);
        QCOMPARE(r.colours, cset == 2 ? 0 : cset); // black and white shows no count
        QCOMPARE(passes.size(), 1);
        QCOMPARE(passes[0].pngSize, r.pngSize);
        QCOMPARE(r.png, qtEncode(r.image, kFitPngFormat, bits));
        QVERIFY(r.image.colorCount() <= (cset == 2 ? 2 : cset));
        if (cset == 2)
            for (QRgb c : r.image.colorTable())
                QVERIFY(c == qRgb(0, 0, 0) || c == qRgb(255, 255, 255));
        const FitResult failed = PNGRedraw(picture("flat"), {}, cset, scripted({}, {}, 256));
        QVERIFY(failed.ok);
        QCOMPARE(failed.pngSize, -1);
    }

    void fastAgainstWalk_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<double>("pngShare"); // of the 256-colour PNG
        QTest::addColumn<double>("bmpShare"); // of the 256-colour BMP
        for (const QString kind : {"noise", "gradient", "flat", "photo"})
            for (const auto& [p, b] :
                 QList<QPair<double, double>>{{0.7, 1}, {0.4, 1}, {0.15, 1}, {1, 0.5}, {0.5, 0.3}})
                QTest::addRow("%s png %.2f bmp %.2f", qPrintable(kind), p, b) << kind << p << b;
    }
    void fastAgainstWalk() {
        QFETCH(QString, kind);
        QFETCH(double, pngShare);
        QFETCH(double, bmpShare);
        const QImage src = picture(kind);
        const QImage full = ::colorRes(src, 8, 2, true, 256);
        const FitLimits limits{qint64(qtEncode(full, kFitPngFormat, 8).size() * pngShare),
                               qint64(qtEncode(full, kFitBmpFormat, 8).size() * bmpShare)};
        const FitResult w = PNGRedraw(src, limits, 0, qtEncode, {}, FitSearch::Walk);
        // The window repaints its labels from the progress calls: they come on this thread,
        // one per pass, however many counts are quantised at once.
        int reported = 0;
        const auto progress = [&](const FitPass&) {
            QCOMPARE(QThread::currentThread(), thread());
            ++reported;
        };
        const FitResult f = PNGRedraw(src, limits, 0, qtEncode, progress, FitSearch::Fast);
        QCOMPARE(reported, f.passes);
        QVERIFY(!w.ok || f.ok);
        QVERIFY2(f.colours >= w.colours,
                 qPrintable(QString("fast %1, walk %2").arg(f.colours).arg(w.colours)));
        for (const FitResult& r : {w, f}) {
            if (!r.ok) continue;
            QVERIFY(r.pngSize <= limits.png && r.bmpSize <= limits.bmp);
            QCOMPARE(r.png, qtEncode(r.image, kFitPngFormat, r.bits));
            QCOMPARE(r.image.colorCount(), qMin(r.colours, int(full.colorCount())));
        }
        // Counts the caller knows to be over are never judged, let alone handed back.
        const FitResult capped =
            PNGRedraw(src, {limits.png, limits.bmp, 100}, 0, qtEncode, {}, FitSearch::Plain);
        QVERIFY(!capped.ok || (capped.colours <= 100 && capped.pngSize <= limits.png));
    }

    // The same search measuring WebP, and lossy WebP by quality: within the limit, decoding to
    // the picture reported, Best keeping the kind closer to the picture, and the picture kept
    // whole whenever its file fits.
    void webp_data() {
        addDataRows("colourfit-webp.txt", {"kind", "limit:int", "lossless:bool", "whole:bool"});
    }
    void webp() {
        QFETCH(QString, kind);
        QFETCH(int, limit);
        QFETCH(bool, lossless);
        QFETCH(bool, whole);
        const QImage src = picture(kind);
        const WebpFit best = fitWebp(src, limit, WebpKind::Best);
        double closest = 0;
        for (WebpKind k : {WebpKind::Lossless, WebpKind::Lossy}) {
            const WebpFit f = fitWebp(src, limit, k);
            QCOMPARE(f.fits, limit > 40);
            if (!f.fits) continue;
            QCOMPARE(f.lossless, k == WebpKind::Lossless);
            if (f.lossless) QCOMPARE(f.image == src, whole);
            QVERIFY(f.bytes.size() <= limit);
            const ImageCodec::Decoded d = ImageCodec::decodeBytes(f.bytes, "a.webp");
            QCOMPARE(d.image, f.image);
            closest = qMax(closest, f.psnr);
        }
        QCOMPARE(best.fits, limit > 40);
        QCOMPARE(best.lossless, lossless);
        QCOMPARE(best.psnr, closest);
    }
};

QTEST_GUILESS_MAIN(TestColourFit)
#include "test_colourfit.moc"
