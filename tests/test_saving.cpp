// Saving within the limits, undo and redo, and the clipboard, driven through the main window's
// handlers with scripted dialogs.
#include "core/image/imagecontrol.h"
#include "core/image/jpegfit.h"
#include "core/image/undocopies.h"
#include "gui/app/frm_quilmoap.h"
#include "scripteddialogs.h"

#include "testsupport.h"
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

#include <cstring>
#include <optional>

namespace {
// A window with a photo selected whole, so the output is a 96 x 84 true-colour picture.
void prepare(FRM_QUILMOAP& w) {
    w.LEAD2->setImage(photo(200, 175));
    w.MNU_IMG_ALLSELECT_Click();
}
const QString yes = QStringLiteral("yes");
} // namespace

class TestSaving : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    void initTestCase() { initCodecsAndSettings(dir); }

    void pngRoundTripAtEveryDepth() {
        for (const auto& [cset, bits] : {std::pair(0, 8), {16, 4}, {2, 1}}) { // 0: the search
            FRM_QUILMOAP w;
            prepare(w);
            QVERIFY(w.PNGRedraw(cset));
            if (cset) w.reduced = true; // as the colour menu commands leave it
            QCOMPARE(w.LEAD1->BitsPerPixel(), bits);
            const QString path = dir.filePath(QStringLiteral("depth%1.png").arg(cset));
            QVERIFY(w.FileSave(path));
            const ImageCodec::Decoded back = ImageCodec::decodeFile(path);
            QCOMPARE(back.image, w.LEAD1->image().convertToFormat(QImage::Format_RGB32));
            QCOMPARE(w.Label6->text().toLongLong(), QFileInfo(path).size());
        }
    }

    void jpegFit_data() {
        QTest::addColumn<QImage>("picture");
        QTest::addColumn<double>("share"); // where the limit lies between the largest and smallest
        QTest::addColumn<bool>("fullChroma"); // full colour resolution wins
        // Coloured strokes on white, where halved colour resolution blurs every edge.
        QImage strokes(96, 84, QImage::Format_RGB32);
        strokes.fill(Qt::white);
        for (int y = 0; y < 84; ++y)
            for (int x = 0; x < 96; ++x)
                if ((x / 3 + y / 7) % 4 == 0)
                    strokes.setPixel(x, y,
                                     qRgb((x * 40) % 256, 255 - (y * 3) % 256, (x * y) % 256));
        for (double share : {0.2, 0.5}) {
            QTest::addRow("photo %.1f", share) << photo(96, 84) << share << false;
            QTest::addRow("strokes %.1f", share) << strokes << share << true;
        }
    }
    void jpegFit() {
        QFETCH(QImage, picture);
        QFETCH(double, share);
        QFETCH(bool, fullChroma);
        QList<qint64> sizes;
        const JpegFit all = fitJpeg(picture, 0, 20, [&](int, qint64 s) { sizes.append(s); });
        QVERIFY(!all.fits);
        QCOMPARE(all.factor, 255);
        QCOMPARE(sizes.size(), 236); // every factor from 20 to 255, each shown
        const qint64 limit = sizes.last() + qint64((sizes[0] - sizes.last()) * share);
        QList<int> shown;
        const JpegFit fit = fitJpeg(picture, limit, 20, [&](int f, qint64) { shown.append(f); });
        QVERIFY(fit.fits);
        QVERIFY(fit.bytes.size() <= limit);
        // The steps shown stop at the first factor that fits; a later one is kept only when it
        // is closer to the picture.
        const int first = 20 + int(std::find_if(sizes.begin(), sizes.end(),
                                                [&](qint64 s) { return s <= limit; }) -
                                   sizes.begin());
        QCOMPARE(shown.last(), first);
        const QByteArray atFirst = ImageCodec::encode(picture, ImageCodec::FormatJpeg, 24, first);
        auto fidelity = [&](const QByteArray& jpeg) {
            return psnr(picture, ImageCodec::decodeBytes(jpeg, "a.jpg").image);
        };
        QCOMPARE(fit.factor > first, fullChroma);
        if (fullChroma)
            QVERIFY(fidelity(fit.bytes) > fidelity(atFirst) + 0.1);
        else
            QCOMPARE(fit.bytes, atFirst);
    }

    void jpegSave_data() {
        addDataRows("saving-jpeg.txt", {"limit", "answers:list", "messages:int"});
    }
    void jpegSave() {
        QFETCH(QString, limit);
        QFETCH(QStringList, answers);
        QFETCH(int, messages);
        ScriptedDialogs dialogs;
        for (const QString& a : answers)
            dialogs.answer(a == yes ? Dialogs::Answer::Yes : Dialogs::Answer::No);
        FRM_QUILMOAP w;
        prepare(w);
        w.reduced = true;
        w.Text1[2]->setText(limit);
        const QString path = dir.filePath(QStringLiteral("a.JPEG"));
        const QImage full = w.LEAD1->image();
        QVERIFY(w.FileSave(path));
        QCOMPARE(dialogs.messages().size(), messages);
        const QByteArray bytes = readAll(path);
        const int factor = answers == QStringList{yes} ? 255 : 20;
        QCOMPARE(bytes, ImageCodec::encode(full, ImageCodec::FormatJpeg, 24, factor));
        QCOMPARE(w.Label6->text().toLongLong(), qint64(bytes.size()));
        QVERIFY(!w.reduced); // a later PNG save reduces again
    }

    // The old file, if there was one, stays whole and the message says so only then; a disk
    // that refuses the write half-way (a file size limit) is a failure too, with its reason.
    void writeFailureChangesNothing_data() {
        addDataRows("saving-failures.txt", {"target", "limit:int", "old:bool"});
    }
    void writeFailureChangesNothing() {
        QFETCH(QString, target);
        QFETCH(int, limit);
        QFETCH(bool, old);
        QDir(dir.path()).mkpath("folder.png");
        const QString path = dir.filePath(target);
        const QByteArray oldBytes(509, 'o');
        if (old) writeAll(path, oldBytes);
        ScriptedDialogs dialogs;
        FRM_QUILMOAP w;
        prepare(w);
        w.reduced = true;
        QVERIFY(w.FileSave(dir.filePath("good.png")));
        const QString title = w.windowTitle();
        const QImage output = w.LEAD1->image();
        bool saved = true;
        {
            std::optional<FileSizeLimit> full;
            if (limit) full.emplace(limit);
            saved = w.FileSave(path);
        }
        QVERIFY(!saved);
        QCOMPARE(dialogs.messages().size(), 1);
        const QString message = dialogs.messages()[0];
        QVERIFY(message.contains(target.section('/', -1)));
        QCOMPARE(message.contains(u"以前のﾌｧｲﾙはそのまま残っています"), old);
        if (limit) {
            QVERIFY2(message.contains(QString::fromLocal8Bit(strerror(EFBIG))),
                     qPrintable(message));
            QCOMPARE(readAll(path), old ? oldBytes : QByteArray("<missing>"));
        }
        QVERIFY(w.lastSavedFile == dir.filePath("good.png") && w.windowTitle() == title &&
                w.LEAD1->image() == output);
    }

    // Entry 4 adds ".webp"; no reduction runs first, the fit reduces; saving again fits again to
    // the limit as it is then, from the same output.
    void webpSave() {
        ScriptedDialogs dialogs;
        FRM_QUILMOAP w;
        prepare(w);
        const QImage output = w.LEAD1->image();
        dialogs.saveFilterIndex = 4;
        dialogs.answer(dir.filePath("w"));
        w.MNU_FILE_SAVE_Click();
        const QString path = dir.filePath("w.webp");
        QCOMPARE(w.lastSavedFile, path);
        for (const char* limit : {"30000", "1500"}) {
            w.Text1[2]->setText(limit);
            // The fit runs beside the window's event loop, its commands off meanwhile.
            bool busy = false;
            QTimer::singleShot(0, &w, [&] { busy = !w.MNU_FILE_ASAVE->isEnabled(); });
            w.MNU_FILE_ASAVE_Click();
            QVERIFY(busy && w.MNU_FILE_ASAVE->isEnabled());
            const ImageCodec::Decoded d = ImageCodec::decodeFile(path);
            QCOMPARE(d.image.size(), QSize(96, 84));
            QVERIFY(QFileInfo(path).size() <= QByteArray(limit).toInt());
            QCOMPARE(w.Label6->text().toLongLong(), QFileInfo(path).size());
            ImageCodec::FileInfo info;
            QVERIFY(ImageCodec::fileInfo(path, &info));
            QCOMPARE(w.Label5->text() == u"ﾌﾙｶﾗｰ", info.compress == u"WebP" || d.image == output);
        }
        QVERIFY(!w.reduced && w.LEAD1->image() == output);
        QCOMPARE(dialogs.asked.size(), 1); // the save dialog, and no reduction's progress
    }

    void saveAsFlow() {
        ScriptedDialogs dialogs;
        FRM_QUILMOAP w;
        prepare(w);
        // Overwrite save with nothing saved yet asks for a name; entry 2 without an extension
        // writes a JPEG without any colour reduction.
        dialogs.saveFilterIndex = 2;
        dialogs.answer(dir.filePath("flow"));
        w.MNU_FILE_ASAVE_Click();
        QCOMPARE(w.lastSavedFile, dir.filePath("flow.jpg"));
        QVERIFY(!w.reduced); // no reduction ran
        // The next proposal swaps the extension; a PNG then is reduced first.
        dialogs.saveFilterIndex = 1;
        dialogs.answer(dir.filePath("flow.png"));
        w.MNU_FILE_SAVE_Click();
        QCOMPARE(dialogs.asked.last().kind, QStringLiteral("progress")); // the reduction's
        QCOMPARE(dialogs.asked[dialogs.asked.size() - 2].name, dir.filePath("flow.png"));
        QVERIFY(w.reduced);
        QVERIFY(QFileInfo(dir.filePath("flow.png")).size() <= 5500);
        // Entry 1 and a bare name: ".png" is added, and the existing file is asked about again.
        const QByteArray before = readAll(dir.filePath("flow.png"));
        dialogs.answer(dir.filePath("flow")).answer(Dialogs::Answer::No);
        w.MNU_FILE_SAVE_Click();
        QCOMPARE(dialogs.messages().size(), 1);
        QCOMPARE(readAll(dir.filePath("flow.png")), before);
        QCOMPARE(w.lastSavedFile, dir.filePath("flow.png"));
    }

    void failedReductionWritesNothing() {
        ScriptedDialogs dialogs;
        FRM_QUILMOAP w;
        prepare(w);
        w.Text1[2]->setText("10");
        QVERIFY(!w.saveReduced(dir.filePath("never.png")));
        QVERIFY(!QFile::exists(dir.filePath("never.png")));
        QCOMPARE(dialogs.messages().size(), 1);
    }

    void undoCopies_data() { addDataRows("saving-undo.txt", {"steps", "end"}); }
    void undoCopies() {
        QFETCH(QString, steps);
        auto picture = [](QChar name) {
            QImage image(1, 1, QImage::Format_RGB32);
            image.fill(qRgb(name.unicode(), 0, 0));
            return image;
        };
        UndoCopies copies;
        ImageControl lead1;
        lead1.setImage(picture(u'A'));
        bool reduced = false;
        for (qsizetype i = 0; i < steps.size(); ++i) {
            if (steps[i] == u'u') {
                copies.undo(lead1, reduced);
            } else if (steps[i] == u'r') {
                copies.redo(lead1, reduced);
            } else if (steps[i].isUpper()) {
                copies.save(lead1, reduced);
                lead1.setImage(picture(steps[i]));
                reduced = steps.mid(i + 1).startsWith(u'*');
            }
        }
        const QChar output(qRed(lead1.image().pixel(0, 0)));
        QTEST(QString(output) + (reduced ? "*" : "-") + (copies.canUndo() ? "u" : "-") +
                  (copies.canRedo() ? "r" : "-"),
              "end");
    }

    void clipboard() {
        FRM_QUILMOAP w;
        QClipboard* cb = QGuiApplication::clipboard();
        cb->clear();
        w.LEAD2->setImage(photo(200, 175));
        w.MNU_EDIT_COPY_Click(); // no selection: nothing is put there
        QVERIFY(cb->image().isNull());
        w.LEAD2->SetRgnRect(5, 6, 30, 20);
        w.MNU_EDIT_COPY_Click();
        QCOMPARE(cb->image().size(), QSize(30, 20));
        QCOMPARE(cb->image().pixel(0, 0), photo(200, 175).pixel(5, 6));
        QImage glass(40, 10, QImage::Format_ARGB32);
        glass.fill(Qt::transparent);
        cb->setImage(glass);
        const QImage output = w.LEAD1->image();
        w.MNU_EDIT_PAST_Click();
        QCOMPARE(w.LEAD2->image().pixel(3, 3), qRgb(255, 255, 255)); // transparency pastes as white
        QCOMPARE(w.LEAD1->image(), output); // paste leaves the output alone
        cb->clear();
        w.MNU_EDIT_PAST_Click(); // nothing to paste: nothing changes
        QCOMPARE(w.LEAD2->image().size(), QSize(40, 10));
    }
};

QTEST_MAIN(TestSaving)
#include "test_saving.moc"
