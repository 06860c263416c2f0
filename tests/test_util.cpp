// The utility library: lenient numbers, CP932 and ISO-2022-JP text, settings files, the address
// book file, the path and string helpers, and the one way files are read and written.
#include "core/image/imagecodec.h"
#include "core/mail/mailfile.h"
#include "core/util/addressbook.h"
#include "core/util/appsettings.h"
#include "core/util/cl_gl010c.h"
#include "core/util/fileio.h"
#include "core/util/jiscode.h"
#include "core/util/numbers.h"
#include "core/util/profile.h"
#include "core/util/textcodec.h"
#include "testsupport.h"

#include <QtTest>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const CL_GL010C& gl() {
    return CL_GL010C::instance();
}

template <typename T> QVariant opt(const std::optional<T>& v) {
    return v ? QVariant(int(*v)) : QVariant();
}

// Everything a rewrite must keep: text before the first section, comments, an unknown line,
// CP932 text, a duplicate section, mixed line ends and no final one.
const QByteArray kIni = readAll(testData("settings.ini"));

// Each kind of file the program writes, with about size bytes: through its own save
// call, so that every route is shown to go through the checked writer.
bool saveVia(const QString& route, const QString& path, int size, QString* error) {
    const QString text(size, u'x');
    if (route == "writer") return FileIO::write(path, text.toLatin1(), error);
    if (route == "settings") {
        Profile p;
        for (int i = 0; i < size / 100; ++i) p.setValue("S", QString::number(i), text.left(95));
        const bool ok = p.save(path);
        *error = p.errorString();
        return ok;
    }
    if (route == "picture")
        return ImageCodec::save(path, photo(size / 30, 10), ImageCodec::FormatBmp, 24, 0, error);
    if (route == "address book") {
        AddressFile book;
        book.entries = QStringList(size / 100, text.left(98));
        const bool ok = book.save(path);
        *error = book.errorString();
        return ok;
    }
    Mime::MailFields mail;
    mail.body = text;
    return MailFile::save(path, mail, error);
}

} // namespace

class TestUtil : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString tmp(const char* name) const { return dir.filePath(name); }

private slots:
    void val_data() { addDataRows("util-val.txt", {"text", "value:double"}); }
    void val() {
        QFETCH(QString, text);
        const double v = Val(text);
        QTEST(v, "value");
        QVERIFY(std::isfinite(v) && (!std::signbit(v) || v < 0));
    }

    void rounding_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QVariant>("cint"); // invalid: out of range
        QTest::addColumn<int>("cintSat");
        QTest::addColumn<QVariant>("clng");
        const auto cell = [](const QString& v) {
            return v == "-" ? QVariant() : QVariant(v.toInt());
        };
        for (const QStringList& row : dataTable("util-rounding.txt"))
            QTest::newRow(qPrintable(row[0]))
                << row[0].toDouble() << cell(row[1]) << row[2].toInt() << cell(row[3]);
    }
    void rounding() {
        QFETCH(double, value);
        QFETCH(QVariant, clng);
        QTEST(opt(CInt(value)), "cint");
        QTEST(int(CIntSat(value)), "cintSat");
        QCOMPARE(opt(CLng(value)), clng);
        const int lsat = std::isnan(value) ? 0 : value < 0 ? INT_MIN : INT_MAX;
        QCOMPARE(CLngSat(value), clng.isValid() ? clng.toInt() : lsat);
    }

    void cp932() {
        const QString text = u"～①ｱ漢"_qs;
        const QByteArray bytes("\x81\x60\x87\x40\xb1\x8a\xbf");
        bool lossless = false;
        QCOMPARE(TextCodec::toCp932(text, &lossless), bytes);
        QVERIFY(lossless);
        QCOMPARE(TextCodec::fromCp932(bytes), std::optional<QString>(text));
        QCOMPARE(gl().RVN_LenB(text + u'a'), 8);

        const QString unpaired = u"aé😀"_qs + QChar(0xD800) + u'b';
        QCOMPARE(TextCodec::toCp932(unpaired, &lossless), QByteArray("a???b"));
        QVERIFY(!lossless);

        const QList<QPair<QByteArray, qsizetype>> bad = {
            {"ab\x80", 2}, {"\xa0", 0}, {"a\x81", 1}, {"\x81\x20", 0}, {"x\x85\x40", 1}};
        for (const auto& [b, offset] : bad) {
            qsizetype at = -2;
            QVERIFY2(!TextCodec::fromCp932(b, &at), b.toHex().constData());
            QCOMPARE(at, offset);
        }
    }

    void jisEncode_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("unencodable");
        for (const QStringList& row : dataTable("util-jis.txt"))
            QTest::newRow(qPrintable(row[0]))
                << row[1] << row[2].toLatin1().replace('E', '\x1b') << row[3];
    }
    void jisEncode() {
        QFETCH(QString, text);
        const Jis::Encoded e = Jis::encode(text);
        QTEST(e.bytes, "bytes");
        QTEST(e.unencodable, "unencodable");
        QTEST(JisEncode(text), "bytes");
    }

    void pathFunctions_data() { addDataRows("util-paths.txt", {"path", "name", "ext"}); }
    void pathFunctions() {
        // Each row is named by its input.
        const QString in = QString::fromUtf8(QTest::currentDataTag());
        QTEST(gl().RVN_Path(in), "path");
        QTEST(gl().RVN_GetFileName(in), "name");
        QTEST(gl().RVN_GetFileExt(in), "ext");
    }

    void strings_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<QString>("subst"); // "," replaced by "<,>"
        for (const auto& [text, items] :
             {std::pair("", ""), {"a,,b,", "a||b"}, {",", ""}, {",a", "|a"}, {"a b", "a b"}})
            QTest::newRow(text) << text << (*text ? QString(items).split('|') : QStringList())
                                << QString(text).replace(",", "<,>");
    }
    void strings() {
        QFETCH(QString, text);
        QTEST(gl().RVN_StrEnum(text, ","), "items");
        // The inserted text holds the searched one: the scan goes on after it, and ends.
        QTEST(gl().RVN_StrSubst(text, ",", "<,>"), "subst");
        QCOMPARE(gl().RVN_StrSubst(text, "", "x"), text);
    }

    void filesize() {
        const QString d = dir.path() + "/";
        writeAll(d + "five", "12345");
        writeAll(d + "empty", "");
        QFile big(d + "big");
        QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(5'000'000'000LL));
        big.close();
        QVERIFY(::mkfifo(QFile::encodeName(d + "fifo").constData(), 0600) == 0);
        QVERIFY(QFile::link(d + "five", d + "link"));

        for (const auto& [name, size] :
             {std::pair("link", 5LL), {"empty", 0LL}, {"big", 5'000'000'000LL}})
            QCOMPARE(gl().RVN_Filesize(d + name), qint64(size));
        for (const QString& none : {d + "missing", d, d + "fifo", QString("/dev/null"), QString()})
            QCOMPARE(gl().RVN_Filesize(none), qint64(-1));
        if (::geteuid() != 0) { // permissions do not bind root
            QFile::setPermissions(d + "five", QFileDevice::Permissions());
            QCOMPARE(gl().RVN_Filesize(d + "five"), qint64(-1));
        }
    }

    // An installed program run by root must not leave its settings among the package's files.
    void settingsFolder() {
        QVERIFY(AppPaths::settingsBesideProgram(dir.path()));
        for (const char* system : {"/usr/lib", "/usr/bin/../lib", "/usr"})
            QVERIFY2(!AppPaths::settingsBesideProgram(system), system);
    }

    void profileLookup_data() {
        addDataRows("util-profile-lookup.txt", {"section", "key", "value"});
    }
    void profileLookup() {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        Profile p;
        QVERIFY(p.parse(kIni));
        QCOMPARE(p.contains(section, key), value != "-");
        QCOMPARE(p.value(section, key), value == "-" ? QString() : value);
    }

    void profileSetValue_data() { // "from" is replaced in kIni by "to"
        addDataRows("util-profile-set.txt",
                    {"section", "key", "utf8:bytes", "from:bytes", "to:bytes"});
    }
    void profileSetValue() {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QByteArray, utf8);
        QString value = QString::fromUtf8(utf8);
        QFETCH(QByteArray, from);
        QFETCH(QByteArray, to);
        Profile p;
        QVERIFY(p.parse(kIni));
        QVERIFY(p.setValue(section, key, value));
        if (!from.isEmpty()) QCOMPARE(kIni.count(from), 1);
        QCOMPARE(p.toBytes(), from.isEmpty() ? kIni : QByteArray(kIni).replace(from, to));
        QCOMPARE(p.isModified(), !from.isEmpty());
        QCOMPARE(p.value(section, key), value.remove('\r').remove('\n').trimmed());
    }

    void profileLimitsAndRefusals() {
        Profile p;
        QVERIFY(p.parse("[S]\nlong=" + QByteArray(2000, 'v') + "\n"));
        QCOMPARE(p.value("S", "long"), QString(1023, u'v'));
        QVERIFY(p.setValue("T", "k", "v"));
        QVERIFY(p.toBytes().endsWith("\n[T]\nk=v\n")); // the file's own line end

        // A new file gets CR LF; texts CP932 cannot store and bad names change nothing.
        Profile fresh;
        QVERIFY(fresh.setValue("Default", "Folder", u"/写真"_qs));
        for (const auto& [key, value] :
             {std::pair(u"Folder"_qs, u"/Café"_qs), {"a=b", "1"}, {";x", "1"}, {"", "1"}}) {
            QVERIFY(!fresh.setValue("Default", key, value));
            QVERIFY(!fresh.errorString().isEmpty());
        }
        QCOMPARE(fresh.toBytes(), QByteArray("[Default]\r\nFolder=/\x8e\xca\x90\x5e\r\n"));
    }

    // The file read and written back byte for byte, and left whole whenever it cannot be.
    void profileWriteFailures() {
        QTemporaryDir folder; // made read-only below, so not shared with the other cases
        const QString path = folder.path() + "/QUILMOAP.INI";
        writeAll(path, kIni);
        Profile p;
        QVERIFY(p.load(path));
        QCOMPARE(p.toBytes(), kIni);
        QVERIFY(p.save(path));
        QCOMPARE(readAll(path), kIni);
        QVERIFY(p.load(folder.path() + "/missing.ini") && p.sections().isEmpty());

        // An undecodable file is not read, and never written back.
        const QString bad = folder.path() + "/bad.ini";
        const QByteArray badBytes = "[S]\r\nk=\x81\x20\r\n";
        writeAll(bad, badBytes);
        QVERIFY(!p.load(bad));
        QVERIFY(p.errorString().contains(QStringLiteral("2 行目")));
        QVERIFY(p.setValue("S", "k", "v") && !p.save(bad));
        QVERIFY(!gl().RVN_IniWrite("S", "k", "v", bad));
        QCOMPARE(readAll(bad), badBytes);
        QCOMPARE(gl().RVN_IniGet("S", "k", bad), QString());

        // Not a writable place: below a file, a folder in the way, a read-only folder.
        QVERIFY(!gl().RVN_IniWrite("S", "k", "v", folder.path()));
        QVERIFY(p.parse(kIni) && p.setValue("S", "k", "v") && !p.save(path + "/x.ini"));
        QVERIFY(p.errorString().contains("x.ini"));
        if (::geteuid() != 0) {
            QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::ExeOwner);
            QVERIFY(!gl().RVN_IniWrite("MainForm", "Left", "1", path));
            QFile::setPermissions(folder.path(),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        QCOMPARE(readAll(path), kIni);

        QVERIFY(gl().RVN_IniWrite("mainform", "left", "1", path));
        QCOMPARE(gl().RVN_IniGet("MAINFORM", "LEFT", path), QString("1"));
        QCOMPARE(readAll(path), QByteArray(kIni).replace("Left = 120", "Left = 1"));
    }

    void addressBookKeepsLinesAfterTheLast() {
        const QString path = tmp("ADDRESS.TXT");
        QByteArray head, expected;
        for (int i = 1; i <= 1000; ++i) {
            const QByteArray entry = i == 2 ? "\x96\xbc\x91\x4f<x@example.jp>" // 名前<…>
                                            : "a" + QByteArray::number(i);
            head += "a" + QByteArray::number(i) + (i % 2 ? "\r\n" : "\n");
            expected += entry + "\r\n";
        }
        const QByteArray rest = "\x8a\xbf\x80 raw\r\nlast";
        writeAll(path, head + rest);

        AddressFile book;
        QVERIFY(book.load(path));
        QCOMPARE(book.entries.size(), AddressFile::MaxEntries);
        book.entries[1] = u"名前<x@example.jp>\r\n"_qs;
        QVERIFY(book.isModified() && book.save(path) && !book.isModified());
        QCOMPARE(readAll(path), expected + rest);
        AddressFile again;
        QVERIFY(again.load(path));
        QCOMPARE(again.entries, book.entries);
    }

    // A book read and saved unchanged is not written: its bytes and its time stay.
    void addressBookUnchangedIsNotWritten() {
        for (const QByteArray& bytes : {QByteArray("a@x\n\nb@y"), QByteArray()}) {
            const QString path = tmp("unchanged.txt");
            writeAll(path, bytes);
            const QDateTime old = QDateTime::currentDateTime().addDays(-3);
            QFile f(path);
            QVERIFY(f.open(QIODevice::ReadWrite) &&
                    f.setFileTime(old, QFileDevice::FileModificationTime));
            f.close();
            AddressFile book;
            QVERIFY(book.load(path) && book.save(path));
            QCOMPARE(readAll(path), bytes);
            QCOMPARE(QFileInfo(path).lastModified(), old);
        }
    }

    void addressBookRefusals() {
        const QString path = tmp("refusals.txt");

        // Missing: an empty book; the file appears only when something is added.
        AddressFile book;
        QVERIFY(book.load(path) && book.entries.isEmpty() && book.save(path));
        QVERIFY(!QFile::exists(path));
        for (const QStringList& refused : {QStringList(1001, "x@y"), QStringList{u"é@x"_qs}}) {
            book.entries = refused;
            QVERIFY(!book.save(path));
        }
        QVERIFY(!QFile::exists(path));
        book.entries = {"a@x", ""};
        QVERIFY(book.save(path));
        QCOMPARE(readAll(path), QByteArray("a@x\r\n\r\n"));

        // Undecodable or unreadable: nothing loaded and never written.
        const QByteArray bad = "a@x\r\nb\x80@y\r\n";
        writeAll(path, bad);
        QVERIFY(!book.load(path) && book.entries.isEmpty());
        QVERIFY(book.errorString().contains(QStringLiteral("2 行目")));
        book.entries = {"new@x"};
        QVERIFY(!book.save(path));
        QCOMPARE(readAll(path), bad);
    }

    // A disk that refuses the write half-way: the old file stays whole, no temporary is left,
    // and the system's reason reaches the caller. Outputs below and above the 16 KiB a buffered
    // file holds back until it is committed.
    void writeFailureKeepsOldFile_data() {
        QTest::addColumn<QString>("route");
        QTest::addColumn<int>("size");
        for (const char* route : {"writer", "settings", "picture", "address book", "mail file"})
            for (const int size : {8000, 40000})
                QTest::addRow("%s, %d bytes", route, size) << QString(route) << size;
    }
    void writeFailureKeepsOldFile() {
        QFETCH(QString, route);
        QFETCH(int, size);
        QTemporaryDir folder;
        const QString path = folder.filePath("old.txt");
        const QByteArray old(509, 'o');
        writeAll(path, old);
        QString error;
        bool written = false;
        {
            const FileSizeLimit limit(4096);
            written = saveVia(route, path, size, &error);
        }
        QVERIFY(!written);
        QCOMPARE(readAll(path), old);
        // Hidden names too: a temporary left behind would show here.
        QCOMPARE(
            QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList{"old.txt"});
        QVERIFY2(error.contains(QString::fromLocal8Bit(std::strerror(EFBIG))), qPrintable(error));
        QVERIFY(saveVia(route, path, size, &error)); // and with room it is written
    }

    // Only regular files are read, and only up to the cap; the message names what the file was
    // meant to be. A FIFO without a writer must not block.
    void readRefusals_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("words"); // in the address book's message
        const QString fifo = tmp("unread.fifo"), zero = tmp("zero.png"), big = tmp("big.txt");
        QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
        QVERIFY(QFile::link("/dev/zero", zero));
        writeAll(big, QByteArray(11, 'b'));
        writeAll(tmp("cap.txt"), QByteArray(10, 'c'));
        const QString device = u"通常のファイルではないため、アドレス帳"_qs;
        QTest::newRow("device") << "/dev/zero" << int(FileIO::Read::NotRegular) << device;
        QTest::newRow("link to a device") << zero << int(FileIO::Read::NotRegular) << device;
        QTest::newRow("FIFO without a writer") << fifo << int(FileIO::Read::NotRegular) << device;
        QTest::newRow("folder") << dir.path() << int(FileIO::Read::Folder) << QString("フォルダ");
        QTest::newRow("undecodable name")
            << tmp("b\uFFFD.txt") << int(FileIO::Read::BadName) << QString("ファイル名");
        QTest::newRow("over the cap") << big << int(FileIO::Read::TooLarge) << QString();
        QTest::newRow("at the cap") << tmp("cap.txt") << int(FileIO::Read::Ok) << QString();
        QTest::newRow("missing") << tmp("none.txt") << int(FileIO::Read::Missing) << QString();
    }
    void readRefusals() {
        QFETCH(QString, path);
        QByteArray bytes = "stale";
        QString reason;
        QTEST(int(FileIO::read(path, 10, &bytes, &reason)), "result");
        QCOMPARE(bytes.size(), path.endsWith("cap.txt") ? 10 : 0);
        QFETCH(QString, words);
        if (words.isEmpty()) return;
        AddressFile book;
        QVERIFY(!book.load(path));
        QVERIFY2(book.errorString().contains(words), qPrintable(book.errorString()));
        Profile settings;
        QVERIFY(!settings.load(path) && !settings.errorString().contains(u"アドレス帳"));
    }
};

QTEST_GUILESS_MAIN(TestUtil)
#include "test_util.moc"
