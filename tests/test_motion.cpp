// The Motion Viewer (frame list, loop, size, tag, hand-over to the mail composer) and the title
// card maker that writes its frames and hands them to a new viewer.
#include "core/image/fonts.h"
#include "core/image/imagecodec.h"
#include "core/image/imagecontrol.h"
#include "gui/mail/frm_motion.h"
#include "gui/makers/frm_lupan.h"
#include "gui/widgets/handover.h"
#include "scripteddialogs.h"

#include "testsupport.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>

namespace {
// Colours the frame shows, as a set of RGB values.
QSet<QRgb> coloursOf(const QImage& image) {
    QSet<QRgb> colours;
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x) colours.insert(rgb.pixel(x, y) & 0xffffff);
    return colours;
}
} // namespace

class TestMotion : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    AppSettings settings;
    QStringList mailed;
    bool mailedAnime = false;
    QList<QStringList> motions;

    QString path(const QString& name) const { return dir.filePath(name); }
    // A small picture of one colour, so the viewer's picture tells which frame it shows.
    QString frameFile(const QString& name, QColor colour) {
        QImage img(8, 6, QImage::Format_RGB32);
        img.fill(colour);
        const QString file = path(name);
        if (!ImageCodec::save(file, img, ImageCodec::FormatPng, 24, 1)) qFatal("fixture");
        return file;
    }

private slots:
    void initTestCase() {
        ImageCodec::initialize();
        Fonts::installSubstitutions();
        HandOver::setMailOpener([this](const QStringList& files, bool anime) -> QWidget* {
            mailed = files;
            mailedAnime = anime;
            return nullptr;
        });
        HandOver::setMotionOpener([this](const QStringList& frames) -> QWidget* {
            motions.append(frames);
            return nullptr;
        });
    }
    void init() {
        mailed.clear();
        motions.clear();
        settings.folder = dir.path();
    }

    // --- the viewer's list
    void frameOrder_data() {
        addDataRows("motion-frames.txt", {"selected:int", "command:int", "order", "after:int"});
    }
    void frameOrder() {
        QFETCH(int, selected);
        QFETCH(int, command);
        QFETCH(QString, order);
        ScriptedDialogs dialogs;
        FRM_MOTION w(settings);
        w.mlistadd({path("a"), path("b"), path("c")});
        QCOMPARE(w.List1->currentRow(), 2);
        w.List1->setCurrentRow(selected);
        // Names the tag or the mail could not carry are left out, and named.
        const QStringList refused{"a,b.png", "a\tb.png", "a|b.png", "a\nb.png"};
        QStringList chosen{path("x"), path("y")};
        for (const QString& name : refused) chosen.insert(1, path(name));
        if (command == 0) dialogs.answer(chosen);
        w.Command1_Click(command);
        QString names;
        for (const QString& f : w.frames()) names += QFileInfo(f).fileName();
        QCOMPARE(names, order);
        QTEST(w.List1->currentRow(), "after");
        QCOMPARE(w.Text1->toPlainText().count(u"MOTION="_qs), order.size());
        QCOMPARE(dialogs.messages().size(), int(command == 0));
        for (const QString& name : refused)
            QVERIFY(command != 0 || dialogs.messages().first().contains(name));
    }

    void sizeAndTagFollowDeletion() {
        const QString a = frameFile(u"s1.png"_qs, Qt::red);
        const QString b = frameFile(u"s2.png"_qs, Qt::blue);
        FRM_MOTION w(settings);
        w.mlistadd({a, b, path("missing.png")});
        QCOMPARE(w.Label2->text(), QString::number(QFileInfo(a).size() + QFileInfo(b).size()));
        w.List1->setCurrentRow(1);
        w.Command1_Click(1);
        QCOMPARE(w.Label2->text(), QString::number(QFileInfo(a).size()));
        QCOMPARE(w.Text1->toPlainText(), u"<IMG MOTION=\"s1.png\" MOTION=\"missing.png\">"_qs);
        QVERIFY(!w.LEAD1->Bitmap()); // the missing file shows nothing, not the deleted frame
    }

    void tag_data() {
        QTest::addColumn<QStringList>("frames");
        QTest::addColumn<QString>("tag");
        QTest::newRow("different folders") << QStringList{"/one/a.png", "/two/three/b.png"}
                                           << "<IMG MOTION=\"a.png\" MOTION=\"b.png\">";
        QTest::newRow("empty") << QStringList() << "";
        QTest::newRow("quote, angle and ampersand")
            << QStringList{"/d/x\"y<z&w.png"} << "<IMG MOTION=\"x&quot;y&lt;z&amp;w.png\">";
        QStringList many; // no fixed number of slots
        QString tag = "<IMG";
        for (int i = 0; i < 150; ++i) {
            many.append(path(u"f%1.png"_qs.arg(i)));
            tag += u" MOTION=\"f%1.png\""_qs.arg(i);
        }
        QTest::newRow("150 frames") << many << tag + ">";
    }
    void tag() {
        QFETCH(QStringList, frames);
        QFETCH(QString, tag);
        FRM_MOTION w(settings);
        w.mlistadd(frames);
        w.Command3_Click();
        QCOMPARE(QStringList({Motion::tag(frames), QGuiApplication::clipboard()->text()}),
                 QStringList({tag, tag}));
    }

    // --- the loop
    // An opened viewer: nothing to play with one frame, the loop with more, the frames to the
    // mail composer as an animation, and closing stops the loop and frees the window.
    void playing() {
        const QStringList frames = {frameFile(u"p0.png"_qs, Qt::red),
                                    frameFile(u"p1.png"_qs, Qt::green),
                                    frameFile(u"p2.png"_qs, Qt::blue)};
        const QRgb colours[3] = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)};
        QPointer<FRM_MOTION> w = FRM_MOTION::openNew(settings, frames.mid(0, 1), nullptr);
        w->Command1_Click(4);
        QVERIFY(!w->playing());
        w->mlistadd(frames.mid(1));
        w->List1->setCurrentRow(0);
        w->Command1_Click(4);
        QVERIFY(w->playing());
        w->Command1_Click(3); // a disabled button's handler changes nothing
        QCOMPARE(w->frames(), frames);
        for (int expected : {1, 2, 0, 1}) {
            w->Timer1_Timer();
            QCOMPARE(w->List1->currentRow(), expected);
            QCOMPARE(w->LEAD1->image().pixel(0, 0), colours[expected]);
        }
        w->Command1_Click(4);
        QVERIFY(!w->playing());
        w->Command2_Click();
        QVERIFY(mailed == frames && mailedAnime);
        w->Command1_Click(4);
        QVERIFY(w->playing());
        QTimer* timer = w->Timer1;
        w->close();
        QVERIFY(!timer->isActive());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(w.isNull());
    }

    // --- the title card maker
    void blackFrames_data() { addDataRows("motion-black.txt", {"frame:int", "text"}); }
    void blackFrames() {
        QFETCH(int, frame);
        QFETCH(QString, text);
        FRM_LUPAN w(settings);
        w.Text1[0]->setText(text);
        w.Preview(frame);
        QCOMPARE(coloursOf(w.LEAD1->image()), QSet<QRgb>{0x000000});
    }

    // "作成": nine two-colour frames handed to a new viewer, or, when it must not end in one,
    // no viewer; and the one overwrite question for derived names.
    void create_data() {
        addDataRows("motion-create.txt",
                    {"chosen", "present", "overwrite:bool", "lastMessage", "viewer:bool"});
    }
    void create() {
        QFETCH(QString, chosen);
        QFETCH(QString, present);
        QFETCH(bool, overwrite);
        QFETCH(QString, lastMessage);
        QFETCH(bool, viewer);
        QTemporaryDir out;
        const QString old = out.filePath(present);
        if (present.endsWith(u'/'))
            QVERIFY(QDir(out.path()).mkdir(present));
        else if (!present.isEmpty())
            writeAll(old, "old");
        ScriptedDialogs dialogs;
        FRM_LUPAN w(settings);
        dialogs.answer(chosen.isEmpty() ? QVariant() : QVariant(out.filePath(chosen)));
        dialogs.answer(overwrite ? Dialogs::Answer::Yes : Dialogs::Answer::No);
        w.Command1_Click(0);
        QCOMPARE(dialogs.messages().size(),
                 int(!lastMessage.isEmpty()) + int(present.endsWith(u'/')));
        if (!lastMessage.isEmpty()) QVERIFY(dialogs.messages().last().contains(lastMessage));
        QCOMPARE(motions.size(), int(viewer));
        if (present.endsWith(u".png")) QCOMPARE(readAll(old) == "old", !overwrite);
        QCOMPARE(QFileInfo::exists(out.filePath(u"card9.png"_qs)), viewer);
        if (!viewer) return;
        QCOMPARE(settings.folder, out.path());
        QStringList files;
        for (int n = 1; n <= 9; ++n) {
            files << out.filePath(u"card%1.png"_qs.arg(n));
            const QByteArray bytes = readAll(files.last());
            QCOMPARE(bytes.mid(16, 9), QByteArray("\0\0\0\x60\0\0\0\x54\1", 9)); // 96x84, 1 bit
            QCOMPARE(coloursOf(QImage::fromData(bytes)), (QSet<QRgb>{0x000000, 0xffffff}));
        }
        QCOMPARE(motions.first(), files);
        // The title stays for the last three frames.
        const QByteArray title = readAll(files[6]);
        QVERIFY(readAll(files[7]) == title && readAll(files[8]) == title &&
                readAll(files[5]) != title);
    }
};

QTEST_MAIN(TestMotion)
#include "test_motion.moc"
