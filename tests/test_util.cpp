// The utility library: lenient numbers, CP932 text, settings files, the address book file and
// the path and string helpers.
#include "testsupport.h"
#include "util/addressbook.h"
#include "util/cl_gl010c.h"
#include "util/numbers.h"
#include "util/profile.h"
#include "util/textcodec.h"

#include <QtTest>

#include <cfloat>
#include <cmath>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const CL_GL010C& gl() {
    return CL_GL010C::instance();
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

bool isRoot() {
    return ::geteuid() == 0;
}

// A settings file with everything a rewrite must keep: text before the first section,
// comments, an unknown line, CP932 text, a duplicate section, mixed line ends and no final one.
const QByteArray kIni = "; head comment\r\n"
                        "Orphan=1\r\n"
                        "[MainForm]\r\n"
                        "Left = 120\r\n"
                        "  TOP=\t45  \n"
                        "just some text\r\n"
                        "\r\n"
                        "; about mail\r\n"
                        "[Mail]\r\n"
                        "SMTP=\x8a\xbf\x81\x60\x87\x40\r\n" // 漢～①
                        "Quoted=\"  spaced  \"\r\n"
                        "[Unknown]\r\n"
                        "x=y\r\n"
                        "[mainform]\r\n"
                        "Left=999\r\n"
                        "Width=7";

} // namespace

class TestUtil : public QObject {
    Q_OBJECT
private slots:
    void val_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("no number") << "x" << 0.0;
        QTest::newRow("leading blanks, trailing text") << " 12abc" << 12.0;
        QTest::newRow("negative fraction") << "-3.5" << -3.5;
        QTest::newRow("exponent") << "1e3" << 1000.0;
        QTest::newRow("D exponent") << "1D2" << 100.0;
        QTest::newRow("exponent without digits") << "7e+" << 7.0;
        QTest::newRow("blanks inside") << "- 1 2.5" << -12.5;
        QTest::newRow("second point stops") << "1.2.3" << 1.2;
        QTest::newRow("leading point") << "+.5" << 0.5;
        QTest::newRow("comma stops") << "3,000" << 3.0;
        QTest::newRow("sign only") << "-" << 0.0;
        QTest::newRow("full-width digits") << u"１２"_qs << 0.0;
        QTest::newRow("negative zero") << "-0" << 0.0;
        QTest::newRow("hex") << "&H1F" << 31.0;
        QTest::newRow("hex 16-bit") << "&HFFFF" << -1.0;
        QTest::newRow("octal") << "&o17" << 15.0;
        QTest::newRow("huge") << "1e999" << DBL_MAX;
        QTest::newRow("huge negative") << "-1e999" << -DBL_MAX;
        QTest::newRow("many digits") << QString(400, u'9') << DBL_MAX;
        QTest::newRow("tiny") << "1e-999" << 0.0;
    }
    void val() {
        QFETCH(QString, text);
        QFETCH(double, value);
        const double v = Val(text);
        QVERIFY(std::isfinite(v));
        QCOMPARE(v, value);
        QVERIFY(!std::signbit(v) || v < 0);
    }

    void rounding_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("cint"); // INT_MIN: out of range
        QTest::addColumn<int>("cintSat");
        QTest::addColumn<qint64>("clng"); // INT64_MIN: out of range
        const int none = INT_MIN;
        const qint64 lnone = LLONG_MIN;
        QTest::newRow("2.5") << 2.5 << 2 << 2 << qint64(2);
        QTest::newRow("3.5") << 3.5 << 4 << 4 << qint64(4);
        QTest::newRow("-2.5") << -2.5 << -2 << -2 << qint64(-2);
        QTest::newRow("-3.5") << -3.5 << -4 << -4 << qint64(-4);
        QTest::newRow("2.51") << 2.51 << 3 << 3 << qint64(3);
        QTest::newRow("just below half") << 0.49999999999999994 << 0 << 0 << qint64(0);
        QTest::newRow("32767.49") << 32767.49 << 32767 << 32767 << qint64(32767);
        QTest::newRow("32767.5") << 32767.5 << none << 32767 << qint64(32768);
        QTest::newRow("-32768.5") << -32768.5 << -32768 << -32768 << qint64(-32768);
        QTest::newRow("-32768.51") << -32768.51 << none << -32768 << qint64(-32769);
        QTest::newRow("2147483647.5") << 2147483647.5 << none << 32767 << lnone;
        QTest::newRow("-2147483648.5") << -2147483648.5 << none << -32768 << qint64(-2147483648LL);
        QTest::newRow("DBL_MAX") << DBL_MAX << none << 32767 << lnone;
        QTest::newRow("NaN") << std::nan("") << none << 0 << lnone;
        QTest::newRow("-inf") << -HUGE_VAL << none << -32768 << lnone;
    }
    void rounding() {
        QFETCH(double, value);
        QFETCH(int, cint);
        QFETCH(int, cintSat);
        QFETCH(qint64, clng);
        QCOMPARE(CInt(value).has_value(), cint != INT_MIN);
        if (cint != INT_MIN) QCOMPARE(int(*CInt(value)), cint);
        QCOMPARE(int(CIntSat(value)), cintSat);
        QCOMPARE(CLng(value).has_value(), clng != LLONG_MIN);
        if (clng != LLONG_MIN) QCOMPARE(qint64(*CLng(value)), clng);
        const qint32 lsat = CLngSat(value);
        if (clng != LLONG_MIN)
            QCOMPARE(qint64(lsat), clng);
        else
            QCOMPARE(lsat, std::isnan(value) ? 0 : value < 0 ? INT_MIN : INT_MAX);
    }

    void cp932() {
        const QString text = u"～①ｱ漢"_qs;
        const QByteArray bytes("\x81\x60\x87\x40\xb1\x8a\xbf");
        bool lossless = false;
        QCOMPARE(TextCodec::toCp932(text, &lossless), bytes);
        QVERIFY(lossless);
        QCOMPARE(TextCodec::fromCp932(bytes), std::optional<QString>(text));
        QCOMPARE(gl().RVN_LenB(text + u'a'), 8);

        QCOMPARE(TextCodec::toCp932(u"aé😀\xD800"
                                    u"b"_qs,
                                    &lossless),
                 QByteArray("a???b"));
        QVERIFY(!lossless);

        const QList<QPair<QByteArray, qsizetype>> bad = {
            {"ab\x80", 2}, {"\xa0", 0}, {"a\x81", 1}, {"\x81\x20", 0}, {"x\x85\x40", 1}};
        for (const auto& [b, offset] : bad) {
            qsizetype at = -2;
            QVERIFY2(!TextCodec::fromCp932(b, &at), b.toHex().constData());
            QCOMPARE(at, offset);
        }
    }

    void pathFunctions_data() {
        QTest::addColumn<QString>("fn");
        QTest::addColumn<QString>("in");
        QTest::addColumn<QString>("out");
        QTest::newRow("path empty") << "Path"
                                    << ""
                                    << "";
        QTest::newRow("path plain") << "Path"
                                    << "/a/b"
                                    << "/a/b/";
        QTest::newRow("path slash") << "Path"
                                    << "/a/"
                                    << "/a/";
        QTest::newRow("path backslash") << "Path"
                                        << "C:\\"
                                        << "C:\\";
        QTest::newRow("path drive") << "Path"
                                    << "C:"
                                    << "C:/";
        QTest::newRow("name empty") << "Name"
                                    << ""
                                    << "";
        QTest::newRow("name backslashes") << "Name"
                                          << "C:\\a\\b.png"
                                          << "b.png";
        QTest::newRow("name slashes") << "Name"
                                      << "/a/b.png"
                                      << "b.png";
        QTest::newRow("name mixed") << "Name"
                                    << "/a\\b/c.png"
                                    << "c.png";
        QTest::newRow("name bare") << "Name"
                                   << "b.png"
                                   << "b.png";
        QTest::newRow("name ends in separator") << "Name"
                                                << "C:\\a\\"
                                                << "";
        QTest::newRow("name ends in slash") << "Name"
                                            << "/a/"
                                            << "";
        QTest::newRow("ext double") << "Ext"
                                    << "x.tar.PNG"
                                    << "PNG";
        QTest::newRow("ext none") << "Ext"
                                  << "/a/readme"
                                  << "";
        QTest::newRow("ext dot in folder") << "Ext"
                                           << "/a.b/c"
                                           << "";
        QTest::newRow("ext dot in backslash folder") << "Ext"
                                                     << "C:\\a.b\\c"
                                                     << "";
        QTest::newRow("ext trailing dot") << "Ext"
                                          << "a."
                                          << "";
        QTest::newRow("ext empty") << "Ext"
                                   << ""
                                   << "";
    }
    void pathFunctions() {
        QFETCH(QString, fn);
        QFETCH(QString, in);
        QFETCH(QString, out);
        const QString got = fn == "Path"   ? gl().RVN_Path(in)
                            : fn == "Name" ? gl().RVN_GetFileName(in)
                                           : gl().RVN_GetFileExt(in);
        QCOMPARE(got, out);
    }

    void strings_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<QString>("subst"); // text with "," replaced by "<,>"
        QTest::newRow("empty") << "" << QStringList{} << "";
        QTest::newRow("gaps and end") << "a,,b," << QStringList{"a", "", "b"} << "a<,><,>b<,>";
        QTest::newRow("separator only") << "," << QStringList{""} << "<,>";
        QTest::newRow("two at the end") << "a,," << QStringList{"a", ""} << "a<,><,>";
        QTest::newRow("leading") << ",a" << QStringList{"", "a"} << "<,>a";
        QTest::newRow("none") << "a b" << QStringList{"a b"} << "a b";
    }
    void strings() {
        QFETCH(QString, text);
        QFETCH(QStringList, items);
        QFETCH(QString, subst);
        QCOMPARE(gl().RVN_StrEnum(text, ","), items);
        // The inserted text holds the searched one; the scan goes on after it and ends.
        QCOMPARE(gl().RVN_StrSubst(text, ",", "<,>"), subst);
        QCOMPARE(gl().RVN_StrSubst(text, "", "x"), text);
    }

    void filesize() {
        QTemporaryDir dir;
        const QString d = dir.path() + "/";
        writeAll(d + "five", "12345");
        writeAll(d + "empty", "");
        QFile big(d + "big");
        QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(5'000'000'000LL));
        big.close();
        QVERIFY(::mkfifo(QFile::encodeName(d + "fifo").constData(), 0600) == 0);
        QFile::link(d + "five", d + "link");

        QCOMPARE(gl().RVN_Filesize(d + "five"), qint64(5));
        QCOMPARE(gl().RVN_Filesize(d + "link"), qint64(5));
        QCOMPARE(gl().RVN_Filesize(d + "empty"), qint64(0));
        QCOMPARE(gl().RVN_Filesize(d + "big"), 5'000'000'000LL);
        for (const QString& none : {d + "missing", d, d + "fifo", QString("/dev/null"), QString()})
            QCOMPARE(gl().RVN_Filesize(none), qint64(-1));
        if (!isRoot()) {
            QFile::setPermissions(d + "five", QFileDevice::Permissions());
            QCOMPARE(gl().RVN_Filesize(d + "five"), qint64(-1));
        }
    }

    void formPosition_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<QSize>("window");
        QTest::addColumn<QPoint>("pos");
        QTest::newRow("centre") << 1 << QSize(800, 600) << QPoint(112, 84);
        QTest::newRow("centre halves up to even") << 1 << QSize(801, 601) << QPoint(112, 84);
        QTest::newRow("centre halves down to even") << 1 << QSize(803, 603) << QPoint(110, 82);
        QTest::newRow("centre larger than screen") << 1 << QSize(1100, 800) << QPoint(-38, -16);
        QTest::newRow("top-left") << 2 << QSize(800, 600) << QPoint(0, 0);
        QTest::newRow("bottom-left") << 3 << QSize(800, 600) << QPoint(0, 168);
        QTest::newRow("top-right") << 4 << QSize(800, 600) << QPoint(224, 0);
        QTest::newRow("bottom-right") << 5 << QSize(800, 600) << QPoint(224, 168);
        QTest::newRow("other") << 9 << QSize(800, 600) << QPoint(0, 0);
    }
    void formPosition() {
        QFETCH(int, code);
        QFETCH(QSize, window);
        QFETCH(QPoint, pos);
        QCOMPARE(formMovePosition(code, window, QSize(1024, 768)), pos);
    }

    void profileRoundTrip() {
        QTemporaryDir dir;
        const QString path = dir.path() + "/QUILMOAP.INI";
        writeAll(path, kIni);
        Profile p;
        QVERIFY(p.load(path));
        QCOMPARE(p.toBytes(), kIni);
        QVERIFY(!p.isModified());
        QVERIFY(p.save(path));
        QCOMPARE(readAll(path), kIni);

        QCOMPARE(p.sections(), (QStringList{"MainForm", "Mail", "Unknown"}));
        QCOMPARE(p.keys("mainFORM"), (QStringList{"Left", "TOP"}));

        Profile none;
        QVERIFY(none.load(dir.path() + "/missing.ini"));
        QVERIFY(none.sections().isEmpty());
    }

    void profileLookup_data() {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("found");
        QTest::newRow("trimmed around =") << "MainForm"
                                          << "Left"
                                          << "120" << true;
        QTest::newRow("case-insensitive") << "MAINFORM"
                                          << "top"
                                          << "45" << true;
        QTest::newRow("CP932 value") << "mail"
                                     << "smtp" << u"漢～①"_qs << true;
        QTest::newRow("quotes dropped") << "Mail"
                                        << "Quoted"
                                        << "  spaced  " << true;
        QTest::newRow("second duplicate section unseen") << "MainForm"
                                                         << "Width"
                                                         << "" << false;
        QTest::newRow("before first section") << ""
                                              << "Orphan"
                                              << "" << false;
        QTest::newRow("comment is no key") << "MainForm"
                                           << "; about mail"
                                           << "" << false;
        QTest::newRow("unknown line is no key") << "MainForm"
                                                << "just some text"
                                                << "" << false;
        QTest::newRow("section by substring") << "Main"
                                              << "Left"
                                              << "" << false;
        QTest::newRow("missing section") << "Jpeg"
                                         << "QFact"
                                         << "" << false;
    }
    void profileLookup() {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(bool, found);
        Profile p;
        QVERIFY(p.parse(kIni));
        QCOMPARE(p.value(section, key), value);
        QCOMPARE(p.contains(section, key), found);
    }

    void profileSetValue_data() {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("from"); // replaced in kIni by "to"
        QTest::addColumn<QByteArray>("to");
        QTest::newRow("existing key keeps its spelling")
            << "mainform"
            << "top"
            << "7" << QByteArray("  TOP=\t45  \n") << QByteArray("  TOP=\t7\n");
        QTest::newRow("first duplicate written")
            << "MAINFORM"
            << "LEFT"
            << " -3 " << QByteArray("Left = 120") << QByteArray("Left = -3");
        QTest::newRow("CP932 value")
            << "Mail"
            << "SMTP" << u"ｱ"_qs << QByteArray("SMTP=\x8a\xbf\x81\x60\x87\x40")
            << QByteArray("SMTP=\xb1");
        QTest::newRow("new key after the section's last entry")
            << "MainForm"
            << "Height"
            << "9" << QByteArray("just some text\r\n")
            << QByteArray("just some text\r\nHeight=9\r\n");
        QTest::newRow("new section at the end, line end added")
            << "Jpeg"
            << "QFact"
            << "20" << QByteArray("Width=7") << QByteArray("Width=7\r\n[Jpeg]\r\nQFact=20\r\n");
        QTest::newRow("line breaks removed")
            << "Unknown"
            << "x"
            << "a\r\n[Mail]\nSMTP=evil" << QByteArray("x=y") << QByteArray("x=a[Mail]SMTP=evil");
        QTest::newRow("unchanged") << "Unknown"
                                   << "X"
                                   << "y" << QByteArray() << QByteArray();
    }
    void profileSetValue() {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QByteArray, from);
        QFETCH(QByteArray, to);
        Profile p;
        QVERIFY(p.parse(kIni));
        QVERIFY(p.setValue(section, key, value));
        QByteArray expected = kIni;
        if (!from.isEmpty()) {
            QCOMPARE(expected.count(from), 1);
            expected.replace(from, to);
        }
        QCOMPARE(p.toBytes(), expected);
        QCOMPARE(p.isModified(), !from.isEmpty());
        QCOMPARE(p.value(section, key), value.remove('\r').remove('\n').trimmed());
    }

    void profileLimitsAndRefusals() {
        Profile p;
        QVERIFY(p.parse("[S]\nlong=" + QByteArray(2000, 'v') + "\n"));
        QCOMPARE(p.value("S", "long"), QString(1023, u'v'));

        // A new file gets CR LF; texts CP932 cannot store and bad names change nothing.
        Profile fresh;
        QVERIFY(fresh.setValue("Default", "Folder", u"/写真"_qs));
        QVERIFY(!fresh.setValue("Default", "Folder", u"/Café"_qs));
        QVERIFY(!fresh.errorString().isEmpty());
        QVERIFY(!fresh.setValue("Default", "a=b", "1"));
        QVERIFY(!fresh.setValue("Default", ";x", "1"));
        QVERIFY(!fresh.setValue("", "k", "1"));
        QCOMPARE(fresh.toBytes(), QByteArray("[Default]\r\nFolder=/\x8e\xca\x90\x5e\r\n"));
        // An LF file gets LF lines.
        QVERIFY(p.setValue("T", "k", "v"));
        QVERIFY(p.toBytes().endsWith("\n[T]\nk=v\n"));
    }

    void profileWriteFailures() {
        QTemporaryDir dir;
        const QString path = dir.path() + "/QUILMOAP.INI";
        writeAll(path, kIni);

        // Undecodable file: not read, and never written back.
        const QString bad = dir.path() + "/bad.ini";
        const QByteArray badBytes = "[S]\r\nk=\x81\x20\r\n";
        writeAll(bad, badBytes);
        Profile p;
        QVERIFY(!p.load(bad));
        QVERIFY(p.errorString().contains("line 2"));
        QVERIFY(p.setValue("S", "k", "v"));
        QVERIFY(!p.save(bad));
        QVERIFY(!gl().RVN_IniWrite("S", "k", "v", bad));
        QCOMPARE(readAll(bad), badBytes);
        QCOMPARE(gl().RVN_IniGet("S", "k", bad), QString());

        // Not a writable place: below a file, or a folder in the way.
        QVERIFY(!gl().RVN_IniWrite("S", "k", "v", path + "/x.ini"));
        QVERIFY(!gl().RVN_IniWrite("S", "k", "v", dir.path()));
        QVERIFY(!p.load(dir.path()));
        QVERIFY(p.parse(kIni) && p.setValue("S", "k", "v"));
        QVERIFY(!p.save(path + "/x.ini"));
        QVERIFY(p.errorString().contains("x.ini"));

        // A read-only folder (permissions do not bind root).
        if (!isRoot()) {
            QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
            QVERIFY(!gl().RVN_IniWrite("MainForm", "Left", "1", path));
            QFile::setPermissions(dir.path(),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        QCOMPARE(readAll(path), kIni);

        QVERIFY(gl().RVN_IniWrite("mainform", "left", "1", path));
        QCOMPARE(gl().RVN_IniGet("MAINFORM", "LEFT", path), QString("1"));
        QCOMPARE(readAll(path), QByteArray(kIni).replace("Left = 120", "Left = 1"));
    }

    void addressBookKeepsLinesAfterTheLast() {
        QTemporaryDir dir;
        const QString path = dir.path() + "/ADDRESS.TXT";
        QByteArray bytes;
        for (int i = 1; i <= 1000; ++i)
            bytes += "a" + QByteArray::number(i) + (i % 2 ? "\r\n" : "\n");
        const QByteArray rest = "\x8a\xbf\x80 raw\r\nlast";
        writeAll(path, bytes + rest);

        AddressFile book;
        QVERIFY(book.load(path));
        QCOMPARE(book.entries.size(), AddressFile::MaxEntries);
        QCOMPARE(book.entries.last(), QString("a1000"));
        QVERIFY(!book.isModified());
        book.entries[1] = u"名前<x@example.jp>\r\n"_qs;
        QVERIFY(book.isModified());
        QVERIFY(book.save(path));

        QByteArray expected;
        for (int i = 1; i <= 1000; ++i)
            expected += (i == 2 ? QByteArray("\x96\xbc\x91\x4f<x@example.jp>")
                                : "a" + QByteArray::number(i)) +
                        "\r\n";
        QCOMPARE(readAll(path), expected + rest);
        QVERIFY(!book.isModified());

        AddressFile again;
        QVERIFY(again.load(path));
        QCOMPARE(again.entries, book.entries);
    }

    void addressBookUnchangedIsNotWritten_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("entries");
        QTest::newRow("LF, no final line end")
            << QByteArray("a@x\n\nb@y") << QStringList{"a@x", "", "b@y"};
        QTest::newRow("CR LF") << QByteArray("a@x\r\n") << QStringList{"a@x"};
        QTest::newRow("empty") << QByteArray() << QStringList{};
    }
    void addressBookUnchangedIsNotWritten() {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, entries);
        QTemporaryDir dir;
        const QString path = dir.path() + "/ADDRESS.TXT";
        writeAll(path, bytes);
        const QDateTime old = QDateTime::currentDateTime().addDays(-3);
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::ReadWrite) &&
                    f.setFileTime(old, QFileDevice::FileModificationTime));
        }
        AddressFile book;
        QVERIFY(book.load(path));
        QCOMPARE(book.entries, entries);
        QVERIFY(book.save(path));
        QCOMPARE(readAll(path), bytes);
        QCOMPARE(QFileInfo(path).lastModified(), old);
    }

    void addressBookRefusals() {
        QTemporaryDir dir;
        const QString path = dir.path() + "/ADDRESS.TXT";

        // Missing: an empty book that creates the file only when something is added.
        AddressFile book;
        QVERIFY(book.load(path));
        QVERIFY(book.entries.isEmpty());
        QVERIFY(book.save(path));
        QVERIFY(!QFile::exists(path));
        book.entries = QStringList(1001, "x@y");
        QVERIFY(!book.save(path));
        book.entries = {u"é@x"_qs};
        QVERIFY(!book.save(path));
        QVERIFY(!QFile::exists(path));
        book.entries = {"a@x", ""};
        QVERIFY(book.save(path));
        QCOMPARE(readAll(path), QByteArray("a@x\r\n\r\n"));

        // Undecodable: nothing loaded and never written.
        const QByteArray bad = "a@x\r\nb\x80@y\r\n";
        writeAll(path, bad);
        QVERIFY(!book.load(path));
        QVERIFY(book.entries.isEmpty());
        QVERIFY(book.errorString().contains("line 2"));
        book.entries = {"new@x"};
        QVERIFY(!book.save(path));
        QCOMPARE(readAll(path), bad);

        // Unreadable: a folder in the way.
        QVERIFY(!book.load(dir.path()));
        QVERIFY(!book.save(dir.path()));
    }
};

QTEST_GUILESS_MAIN(TestUtil)
#include "test_util.moc"
