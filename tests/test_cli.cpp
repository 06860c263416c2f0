// The command-line tool, called in-process through the same entry the executable uses.
#include "cli/commands.h"
#include "cli/fitcommand.h"
#include "core/image/imagecodec.h"
#include "core/util/appsettings.h"
#include "testsupport.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

class TestCli : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString photo;

private slots:
    void initTestCase() {
        initCodecsAndSettings(dir);
        photo = dir.filePath("photo.png");
        QVERIFY(ImageCodec::save(photo, ::photo(400, 300, 7), ImageCodec::FormatPng, 24, 0));
        QVERIFY(QFile::copy(photo, dir.filePath("--help")));
        QVERIFY(QDir::setCurrent(dir.path()));
        QDir(dir.path()).mkdir("folder.png");
        // Hostile inputs for the probes: a device under a picture's name, a FIFO nobody
        // writes, names that are not text or hold a line break, and files to be kept whole.
        QVERIFY(QFile::link("/dev/zero", dir.filePath("z.png")));
        QVERIFY(::mkfifo(QFile::encodeName(dir.filePath("unread.fifo")).constData(), 0600) == 0);
        const QByteArray raw = QFile::encodeName(dir.path()) + "/bad\xff\xfe.png";
        QVERIFY(::symlink("photo.png", raw.constData()) == 0);
        QVERIFY(QFile::copy(photo, dir.filePath("two\nlines.png")));
        writeAll(dir.filePath("old.png"), QByteArray(509, 'o'));
        writeAll(dir.filePath("old.jpg"), QByteArray(509, 'j'));
    }
    // The folder's own removal cannot name a file whose name is not text.
    void cleanupTestCase() {
        ::unlink((QFile::encodeName(dir.path()) + "/bad\xff\xfe.png").constData());
    }

    // Every command parses alike: --help on stdout with exit 0, a usage error on stderr with 1.
    void commandLine_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QStringList>("words"); // on stdout when code is 0, else on stderr
        const QStringList commands{"info", "fit", "holidays", "mail", "calendar"};
        QTest::newRow("help") << QStringList{"--help"} << 0 << commands;
        QTest::newRow("version") << QStringList{"--version"} << 0 << QStringList{"quilmo "};
        QTest::newRow("none") << QStringList() << 1 << QStringList{"no command"};
        QTest::newRow("unknown") << QStringList{"frobnicate"} << 1 << QStringList{"frobnicate"};
        for (const QString& c : commands) {
            QTest::addRow("%s --help", qPrintable(c))
                << QStringList{c, "--help"} << 0
                << QStringList{"usage: quilmo " + c, "--help", "Exit codes:\n  0  "};
            QTest::addRow("%s --frob", qPrintable(c))
                << QStringList{c, "--frob", "1", "2", "3"} << 1
                << QStringList{"quilmo " + c + ": ", "'frob'", "usage: quilmo " + c};
        }
        // A picture named "--help" lies in the working folder: only after "--" is it opened.
        QTest::newRow("info -- --help")
            << QStringList{"info", "--", "--help"} << 0 << QStringList{u"ﾌｧｲﾙ名 ：--help\n"_qs};
        QTest::newRow("info lines")
            << QStringList{"info", testData("cli.bmp")} << 0
            << QStringList{
                   u"ﾌｧｲﾙ名 ：cli.bmp\nﾌｫｰﾏｯﾄ ：Windows ビットマップ\nｶﾗｰ階調 ：1 BitsPerPixel\n"_qs,
                   u"ﾒﾓﾘ使用量 ：3600 Bytes\n"_qs, u"垂直解像度 ：96 dpi\n"_qs};
        QTest::newRow("info words form one name")
            << QStringList{"info", "a", "--help"} << 2 << QStringList{"a --help"};
        QTest::newRow("fit bad number") << QStringList{"fit", "--colors", "1x", photo, "o.png"} << 1
                                        << QStringList{"--colors", "2 to 256", "\"1x\""};
        QTest::newRow("fit number out of range")
            << QStringList{"fit", "--purpose", "7", photo, "o.png"} << 1
            << QStringList{"--purpose", "0 to 6"};
    }
    void commandLine() {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QStringList, words);
        QString printed, errors;
        QTextStream o(&printed), e(&errors);
        QCOMPARE(Cli::run(QStringList{"quilmo"} + args, o, e), code);
        o.flush();
        e.flush();
        QCOMPARE((code ? printed : errors), QString());
        for (const QString& w : words)
            QVERIFY2((code ? errors : printed).contains(w), qPrintable(printed + errors));
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
        QTest::newRow("bad size") << QStringList{"--size", "0x5"} << "j.png" << 1 << QSize() << 0;
        QTest::newRow("select outside")
            << QStringList{"--select", "900,900,5,5"} << "l.png" << 1 << QSize() << 0;
        QTest::newRow("output is a folder") << QStringList() << "folder.png" << 4 << QSize() << 0;
    }
    void fit() {
        QFETCH(QStringList, options);
        QFETCH(QString, output);
        QFETCH(QSize, size);
        QFETCH(int, bits);
        const QString out = dir.filePath(output);
        QString printed, errors;
        QTextStream o(&printed), e(&errors);
        QTEST(Cli::runFit(options + QStringList{photo, out}, o, e), "code");
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

    // The tool as a user runs it, through a shell for names that are not text. Every probe
    // ends at once with its exit code and a reason, and leaves the folder as it was.
    void probes_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("words"); // in what the tool printed
        const QString mail = "\"$Q\" mail --to a@x.jp --smtp 127.0.0.1:9 --from b@x.jp ";
        const QString notPicture = u"は画像ファイルではありません"_qs;
        const QString badName = u"読み取れない文字"_qs;
        // A file may grow to 512 bytes only (1 KiB in some shells): the write fails half-way.
        const QString full = "trap '' XFSZ; ulimit -f 1; exec \"$Q\" fit ";
        QTest::newRow("info device") << "\"$Q\" info /dev/zero" << 2 << notPicture;
        QTest::newRow("info link to a device") << "\"$Q\" info z.png" << 2 << notPicture;
        QTest::newRow("info FIFO") << "\"$Q\" info unread.fifo" << 2 << notPicture;
        QTest::newRow("fit from a device") << "\"$Q\" fit z.png x.png" << 2 << notPicture;
        QTest::newRow("fit from a folder") << "\"$Q\" fit folder.png x.png" << 2 << notPicture;
        QTest::newRow("fit from a missing file")
            << "\"$Q\" fit none.png x.png" << 2 << u"none.png を読み込めません"_qs;
        // Information and fitting refuse a file for one reason.
        const QString huge = " \"" + testData("huge.png") + "\"";
        const QString tooLarge = u"huge.png は画像が大きすぎるため開けません"_qs;
        QTest::newRow("info too large") << "\"$Q\" info" + huge << 2 << tooLarge;
        QTest::newRow("fit too large") << "\"$Q\" fit" + huge + " x.png" << 2 << tooLarge;
        QTest::newRow("info name not text")
            << "\"$Q\" info \"$(printf 'bad\\377\\376.png')\"" << 1 << badName;
        QTest::newRow("fit to a name not text")
            << "\"$Q\" fit photo.png \"$(printf 'o\\377\\376.png')\"" << 1 << badName;
        QTest::newRow("info name with a line break")
            << "\"$Q\" info 'two\nlines.png'" << 0 << u"ﾌｧｲﾙ名 ：two\\x0alines.png\n"_qs;
        QTest::newRow("body file device") << mail + "--body-file /dev/zero" << 1
                                          << u"通常のファイルではないため、本文ファイル"_qs;
        QTest::newRow("body file FIFO")
            << mail + "--body-file unread.fifo" << 1 << u"本文ファイル"_qs;
        QTest::newRow("attached device") << mail + "/dev/zero" << 5 << u"添付ファイル"_qs;
        QTest::newRow("disk full over an old PNG")
            << full + "photo.png old.png" << 4 << u"以前のﾌｧｲﾙはそのまま残っています"_qs;
        QTest::newRow("disk full over an old JPEG above 16 KiB")
            << full + "--size 400x300 --png-limit 9000000 photo.png old.jpg" << 4
            << u"以前のﾌｧｲﾙはそのまま残っています"_qs;
        QTest::newRow("disk full, new file")
            << full + "photo.png new.png" << 4 << u"を保存できませんでした。  "_qs;
        // A real full file system, in a mount namespace of its own (needs root).
        QTest::newRow("full file system")
            << "unshare --mount true 2>/dev/null || exit 77; "
               "mkdir t && unshare --mount sh -c 'mount -t tmpfs -o size=16k tmpfs t || exit 77; "
               "cp old.png t/ && (cat /dev/zero >t/fill) 2>/dev/null; \"$Q\" fit photo.png "
               "t/old.png; r=$?; cmp -s old.png t/old.png || r=98; "
               "[ \"$(ls -A t | tr \"\\n\" \" \")\" = \"fill old.png \" ] || r=99; exit $r'; "
               "r=$?; rmdir t; exit $r"
            << 4 << u"以前のﾌｧｲﾙはそのまま残っています"_qs;
    }
    void probes() {
        QFETCH(QString, command);
        QFETCH(int, code);
        QFETCH(QString, words);
        const QStringList before = QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden);
        const QByteArray oldPng = readAll(dir.filePath("old.png"));
        QProcess tool;
        tool.setWorkingDirectory(dir.path());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("Q", QStringLiteral(QUILMO_BUILD_DIR "/quilmo"));
        env.insert("LC_ALL", "C.UTF-8");
        tool.setProcessEnvironment(env);
        tool.start("/bin/sh", {"-c", command});
        // Not a time limit on the tool: only so that a probe that hangs fails instead.
        if (!tool.waitForFinished(120000)) {
            tool.kill();
            tool.waitForFinished();
            QFAIL("the tool did not end");
        }
        const QString printed =
            QString::fromUtf8(tool.readAllStandardOutput() + tool.readAllStandardError());
        if (tool.exitCode() == 77) QSKIP("no tmpfs in a mount namespace of its own here");
        QCOMPARE(tool.exitCode(), code);
        QVERIFY2(printed.contains(words), qPrintable(printed));
        if (code) QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden), before);
        QCOMPARE(readAll(dir.filePath("old.png")), oldPng);
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "test_cli.moc"
