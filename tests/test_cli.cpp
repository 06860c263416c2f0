// The command-line tool, called in-process through the same entry the executable uses.
#include "cli/commands.h"
#include "cli/fitcommand.h"
#include "core/image/imagecodec.h"
#include "core/util/appsettings.h"
#include "testsupport.h"

#include <QJsonDocument>
#include <QJsonObject>
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
        for (const QStringList& row : dataTable("cli-commandline.txt"))
            QTest::newRow(qPrintable(row[0]))
                << QString(row[1])
                       .replace("$photo", photo)
                       .replace("$data/", testData(""))
                       .split(' ', Qt::SkipEmptyParts)
                << row[2].toInt() << QString(row[3]).replace("\\n", "\n").split('|');
        for (const QString& c : QStringList{"info", "fit", "holidays", "mail", "calendar"}) {
            QTest::addRow("%s --help", qPrintable(c))
                << QStringList{c, "--help"} << 0
                << QStringList{"usage: quilmo " + c, "--help", "Exit codes:\n  0  "};
            QTest::addRow("%s --frob", qPrintable(c))
                << QStringList{c, "--frob", "1", "2", "3"} << 1
                << QStringList{"quilmo " + c + ": ", "'frob'", "usage: quilmo " + c};
        }
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

    void fit_data() { addDataRows("cli-fit.txt", {"options", "output", "code", "size", "bits"}); }
    void fit() {
        QFETCH(QString, options);
        QFETCH(QString, output);
        QFETCH(QString, code);
        QFETCH(QString, size);
        QFETCH(QString, bits);
        const QString out = dir.filePath(output);
        QString printed, errors;
        QTextStream o(&printed), e(&errors);
        const QStringList args = options.split(' ', Qt::SkipEmptyParts) + QStringList{photo, out};
        QCOMPARE(Cli::runFit(args, o, e), code.toInt());
        o.flush();
        if (bits.isEmpty()) {
            QVERIFY(!QFileInfo(out).isFile());
            QCOMPARE(errors.count('\n') >= 1, true);
            return;
        }
        QVERIFY(printed.startsWith(out + ' ' + size + ' '));
        ImageCodec::FileInfo info;
        QVERIFY(ImageCodec::fileInfo(out, &info));
        QCOMPARE(u"%1x%2 %3"_qs.arg(info.width).arg(info.height).arg(info.bits), size + ' ' + bits);
        if (options.contains("--webp "))
            QCOMPARE(info.compress, options.contains("lossless") ? "WebP lossless" : "WebP");
        if (!options.contains("--colors")) QVERIFY(QFileInfo(out).size() <= 5500);
    }

    // --json prints one object a line, each parsing whole, whatever happened to its file.
    void json_data() { addDataRows("cli-json.txt", {"args", "code", "expected"}); }
    void json() {
        QFETCH(QString, args);
        QFETCH(QString, code);
        QFETCH(QString, expected);
        QString printed, errors;
        QTextStream o(&printed), e(&errors);
        const QString data = testData("");
        QCOMPARE(Cli::run(QStringList{"quilmo"} +
                              args.replace("$photo", photo).replace("$data/", data).split(' '),
                          o, e),
                 code.toInt());
        o.flush();
        const QStringList lines = printed.split('\n', Qt::SkipEmptyParts);
        const QStringList wanted = expected.replace("$data/", data).split(';');
        QCOMPARE(lines.size(), wanted.size());
        for (qsizetype i = 0; i < lines.size(); ++i) {
            QJsonParseError error;
            const QJsonObject object = QJsonDocument::fromJson(lines[i].toUtf8(), &error).object();
            QVERIFY2(error.error == QJsonParseError::NoError, qPrintable(lines[i]));
            for (const QString& pair : wanted[i].split('|')) {
                const QString key = pair.section('=', 0, 0), value = pair.section('=', 1);
                const QJsonValue v = object.value(key);
                QVERIFY2(value == "*"      ? v.isDouble() && v.toDouble() >= 0
                         : value.isEmpty() ? v.isNull()
                                           : v.toVariant().toString() == value,
                         qPrintable(key + " in " + lines[i]));
            }
        }
    }

    // Every probe ends at once with its exit code and a reason, and leaves the folder as it was.
    void probes_data() { addDataRows("cli-probes.txt", {"code", "words", "command"}); }
    void probes() {
        QFETCH(QString, command);
        QFETCH(QString, words);
        QFETCH(QString, code);
        const QStringList before = QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden);
        const QByteArray oldPng = readAll(dir.filePath("old.png"));
        QProcess tool;
        tool.setWorkingDirectory(dir.path());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("Q", QStringLiteral(QUILMO_BUILD_DIR "/quilmo"));
        env.insert("D", QStringLiteral(QUILMO_TEST_DATA));
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
        QCOMPARE(tool.exitCode(), code.toInt());
        QVERIFY2(printed.contains(words), qPrintable(printed));
        if (code != "0")
            QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden), before);
        QCOMPARE(readAll(dir.filePath("old.png")), oldPng);
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "test_cli.moc"
