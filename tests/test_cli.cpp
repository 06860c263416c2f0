// The command-line tool, called in-process through the same entry the executable uses.
#include "app/appsettings.h"
#include "cli/commands.h"
#include "cli/fitcommand.h"
#include "platform/imagecodec.h"
#include "testsupport.h"

#include <QTemporaryDir>
#include <QtTest>

class TestCli : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString photo;

private slots:
    void initTestCase() {
        ImageCodec::initialize();
        AppPaths::setConfigFolder(dir.path());
        QImage img(400, 300, QImage::Format_RGB32);
        quint32 seed = 7;
        for (int y = 0; y < 300; ++y)
            for (int x = 0; x < 400; ++x) {
                seed = seed * 1103515245 + 12345;
                const int n = int(seed >> 27) - 16;
                img.setPixel(x, y,
                             qRgb(qBound(0, x * 255 / 400 + n, 255),
                                  qBound(0, y * 255 / 300 + n, 255), 100));
            }
        photo = dir.filePath("photo.png");
        QVERIFY(ImageCodec::save(photo, img, ImageCodec::FormatPng, 24, 0));
        QDir(dir.path()).mkdir("folder.png");
    }

    void exitCodes_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::newRow("help") << QStringList{"quilmo", "--help"} << 0;
        QTest::newRow("version") << QStringList{"quilmo", "--version"} << 0;
        QTest::newRow("none") << QStringList{"quilmo"} << 1;
        QTest::newRow("unknown") << QStringList{"quilmo", "frobnicate"} << 1;
        QTest::newRow("fit help") << QStringList{"quilmo", "fit", "--help"} << 0;
    }
    void exitCodes() {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QCOMPARE(Cli::run(args), code);
    }

    void fit_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("output");
        QTest::addColumn<int>("code");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("bits"); // of the written file; 0: nothing written
        QTest::newRow("wallpaper") << QStringList() << "a.png" << 0 << QSize(96, 84) << 8;
        QTest::newRow("incoming call")
            << QStringList{"--purpose", "3"} << "b.PNG" << 0 << QSize(96, 26) << 8;
        QTest::newRow("fixed 16") << QStringList{"--colors", "16"} << "c.png" << 0 << QSize(96, 84)
                                  << 4;
        QTest::newRow("black and white")
            << QStringList{"--colors", "2"} << "d.png" << 0 << QSize(96, 84) << 1;
        QTest::newRow("size and select")
            << QStringList{"--size", "50x40", "--select", "10,10,100,80"} << "e.png" << 0
            << QSize(50, 40) << 8;
        QTest::newRow("jpeg") << QStringList() << "f.jpg" << 0 << QSize(96, 84) << 24;
        QTest::newRow("nothing fits")
            << QStringList{"--png-limit", "10"} << "g.png" << 3 << QSize() << 0;
        QTest::newRow("jpeg never fits")
            << QStringList{"--png-limit", "10"} << "h.jpeg" << 3 << QSize() << 0;
        QTest::newRow("bad purpose")
            << QStringList{"--purpose", "7"} << "i.png" << 1 << QSize() << 0;
        QTest::newRow("bad size") << QStringList{"--size", "0x5"} << "j.png" << 1 << QSize() << 0;
        QTest::newRow("bad colours")
            << QStringList{"--colors", "257"} << "k.png" << 1 << QSize() << 0;
        QTest::newRow("select outside")
            << QStringList{"--select", "900,900,5,5"} << "l.png" << 1 << QSize() << 0;
        QTest::newRow("output is a folder") << QStringList() << "folder.png" << 4 << QSize() << 0;
    }
    void fit() {
        QFETCH(QStringList, options);
        QFETCH(QString, output);
        QFETCH(int, code);
        QFETCH(QSize, size);
        QFETCH(int, bits);
        const QString out = dir.filePath(output);
        QString printed, errors;
        QTextStream o(&printed), e(&errors);
        QCOMPARE(Cli::runFit(options + QStringList{photo, out}, o, e), code);
        o.flush();
        if (!bits) {
            QVERIFY(!QFileInfo(out).isFile());
            QCOMPARE(errors.count('\n') >= 1, true);
            return;
        }
        QVERIFY(printed.startsWith(out +
                                   QStringLiteral(" %1x%2 ").arg(size.width()).arg(size.height())));
        ImageCodec::FileInfo info;
        QVERIFY(ImageCodec::fileInfo(out, &info));
        QCOMPARE(QSize(info.width, info.height), size);
        QCOMPARE(info.bits, bits);
        if (!options.contains("--colors")) QVERIFY(QFileInfo(out).size() <= 5500);
    }

    void unreadableInput() {
        QString printed, errors;
        QTextStream o(&printed), e(&errors);
        QCOMPARE(Cli::runFit({dir.filePath("none.png"), dir.filePath("x.png")}, o, e), 2);
        QCOMPARE(Cli::runFit({dir.filePath("folder.png"), dir.filePath("x.png")}, o, e), 2);
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "test_cli.moc"
