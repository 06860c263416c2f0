// Image decoding, header information and our own writers. The pictures read are small files in
// tests/data, made once by tests/data/make-fixtures.sh.
#include "core/image/imagecodec.h"
#include "testsupport.h"

#include <QtEndian>
#include <QtTest>
#include <algorithm>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

using namespace ImageCodec;
Q_DECLARE_METATYPE(ImageCodec::Error)

namespace {
const QRgb red = qRgb(255, 0, 0), blue = qRgb(0, 0, 255);

QByteArray be32(quint32 v) {
    v = qToBigEndian(v);
    return QByteArray(reinterpret_cast<const char*>(&v), 4);
}
QByteArray pngChunk(const char* type, const QByteArray& data) {
    const QByteArray body = QByteArray(type) + data;
    quint32 crc = 0xffffffffu;
    for (char ch : body) {
        crc ^= quint8(ch);
        for (int k = 0; k < 8; ++k) crc = crc & 1 ? 0xedb88320u ^ (crc >> 1) : crc >> 1;
    }
    return be32(quint32(data.size())) + body + be32(~crc);
}
// The chunk types of a PNG with their lengths, in order.
QStringList pngChunks(const QByteArray& png) {
    QStringList out;
    for (qsizetype at = 8; at + 8 <= png.size();) {
        const quint32 len = qFromBigEndian<quint32>(png.constData() + at);
        out << QString::fromLatin1(png.mid(at + 4, 4)) + QString::number(len);
        at += 12 + len;
    }
    return out;
}
// An 8 x 6 red PNG with extra chunks before its pixels.
QByteArray redPng(const QByteArray& extra) {
    QByteArray rows;
    for (int y = 0; y < 6; ++y) rows += '\0' + QByteArray("\xff\0\0", 3).repeated(8);
    return "\x89PNG\r\n\x1a\n" +
           pngChunk("IHDR", be32(8) + be32(6) + QByteArray::fromHex("0802000000")) + extra +
           pngChunk("IDAT", qCompress(rows).mid(4)) + pngChunk("IEND", {});
}
// A zlib stream of n MiB of zeros, about a thousandth of that in size, made without holding it.
QByteArray deflatedZeros(int mib) {
    z_stream z{};
    deflateInit(&z, 9);
    const QByteArray zeros(1 << 20, '\0');
    QByteArray out(mib * 1100 + 4096, Qt::Uninitialized);
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = uInt(out.size());
    for (int i = 0; i < mib; ++i) {
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(zeros.constData()));
        z.avail_in = uInt(zeros.size());
        deflate(&z, i + 1 == mib ? Z_FINISH : Z_NO_FLUSH);
    }
    out.truncate(qsizetype(z.total_out));
    deflateEnd(&z);
    return out;
}
// Every pixel's top byte set: callers read the pictures as ARGB too.
bool opaque(const QImage& rgb32) {
    const auto* p = reinterpret_cast<const QRgb*>(rgb32.constBits());
    return std::all_of(p, p + rgb32.width() * rgb32.height(),
                       [](QRgb c) { return qAlpha(c) == 255; });
}
bool near(QRgb a, QRgb b, int tol) {
    return qAbs(qRed(a) - qRed(b)) <= tol && qAbs(qGreen(a) - qGreen(b)) <= tol &&
           qAbs(qBlue(a) - qBlue(b)) <= tol;
}
} // namespace

class TestCodec : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        initialize();
    }

    // Most fixtures are 40 x 30, the left half one colour and the right half another.
    void decodeFormats_data() {
        addDataRows("decode-formats.txt", {"file", "info", "left", "right", "tol"});
    }
    void decodeFormats() {
        QFETCH(QString, file);
        QFETCH(QString, left);
        QFETCH(QString, right);
        QFETCH(QString, tol);
        const QString path = testData(file);
        const Decoded d = decodeFile(path);
        QCOMPARE(d.error, Error::None);
        QCOMPARE(d.image.format(), QImage::Format_RGB32);
        QVERIFY(opaque(d.image));
        const int w = d.image.width();
        for (const auto& [x, colour] : {std::pair(2, left), {w - 3, right}})
            QVERIFY2(
                near(d.image.pixel(x, 2), 0xff000000u | colour.toUInt(nullptr, 16), tol.toInt()),
                qPrintable(QString::number(d.image.pixel(x, 2), 16)));
        FileInfo info;
        QVERIFY(fileInfo(path, &info));
        QTEST(u"%1 %2 %3/%4 %5x%6"_qs.arg(info.format)
                  .arg(info.bits)
                  .arg(info.xRes)
                  .arg(info.yRes)
                  .arg(info.width)
                  .arg(info.height),
              "info");
        QCOMPARE(d.image.size(), QSize(info.width, info.height));
        QCOMPARE(info.sizeDisk, QFileInfo(path).size());
        QCOMPARE(info.pages, file.startsWith("multi") ? 2 : 1);
        // Codes without a description, whether a gap in the table (7) or beyond it (ICO).
        QCOMPARE(formatDescription(info.format) == formatDescription(7), info.format == FormatIco);
    }

    // Bytes we cannot show, and headers promising 60000 x 60000 pixels with almost nothing
    // behind them (m15.tif: 15 Mpixels, within the pixel budget but not the general path's).
    void refused_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("name");
        QTest::addColumn<Error>("error");
        const Error unknown = Error::UnknownFormat;
        const QByteArray png = "\x89PNG\r\n\x1a\n";
        QTest::newRow("empty") << QByteArray() << "a.png" << unknown;
        QTest::newRow("text") << QByteArray("hello, world\n") << "a.jpg" << unknown;
        QTest::newRow("svg") << QByteArray("<svg xmlns='http://www.w3.org/2000/svg'/>") << "a.svg"
                             << unknown;
        QTest::newRow("png signature only") << png << "a.png" << Error::Corrupt;
        for (const char* file : {"huge.png", "bomb.bmp", "bomb.gif", "bomb.jpg", "bomb.tif",
                                 "m15.tif", "bomb.pcx", "bomb.tga", "bomb.webp"})
            QTest::newRow(file) << readAll(testData(file)) << QString(file) << Error::TooLarge;
        QTest::newRow("animated webp")
            << readAll(testData("anim.webp")) << "a.webp" << Error::Unsupported;
    }
    void refused() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, name);
        QFETCH(Error, error);
        const Decoded d = decodeBytes(bytes, name);
        QVERIFY2(d.error == error, qPrintable(d.detail));
        QVERIFY(d.image.isNull());
        QVERIFY(!errorText(error, "a").isEmpty());
        // The information window decides alike, for the same reason.
        FileInfo info;
        Error e = Error::None;
        QVERIFY(!bytesInfo(bytes, name, &info, &e));
        QCOMPARE(e, error);
    }

    // Ancillary data that would inflate far beyond the picture: the read stays within 300 MB,
    // measured in a child process so the peak is this read's own.
    void bombs_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<Error>("error");
        // The fuzzer's find: the last tEXt chunk claims 1.3 GB of a 293-byte file.
        QTest::newRow("text chunk longer than the file")
            << readAll(testData("../../fuzz/corpus/decode/crash-bomb-text-length.png"))
            << Error::Corrupt;
        const QByteArray gigabyte = deflatedZeros(1024);
        QTest::newRow("zTXt of 1 GB")
            << redPng(pngChunk("zTXt", QByteArray("Comment\0\0", 9) + gigabyte)) << Error::None;
        QTest::newRow("iCCP of 1 GB")
            << redPng(pngChunk("iCCP", QByteArray("icc\0\0", 5) + gigabyte)) << Error::None;
    }
    void bombs() {
        QFETCH(QByteArray, bytes);
        QFETCH(Error, error);
        int result[2] = {};
        QVERIFY(pipe(result) == 0);
        const pid_t child = fork();
        if (child == 0) {
            const Decoded d = decodeBytes(bytes, "b.png");
            FileInfo info;
            Error e = Error::None;
            bytesInfo(bytes, "b.png", &info, &e);
            rusage usage{};
            getrusage(RUSAGE_SELF, &usage);
            const long facts[] = {long(d.error), long(e),
                                  long(d.image.isNull() ? 0 : d.image.pixel(1, 1)),
                                  usage.ru_maxrss};
            _exit(write(result[1], facts, sizeof facts) == sizeof facts ? 0 : 1);
        }
        close(result[1]);
        long facts[4] = {};
        const bool told = read(result[0], facts, sizeof facts) == sizeof facts;
        close(result[0]);
        waitpid(child, nullptr, 0);
        QVERIFY(told);
        QCOMPARE(Error(facts[0]), error);
        QCOMPARE(Error(facts[1]), error);
        if (error == Error::None) QCOMPARE(QRgb(facts[2]), red);
        QVERIFY2(facts[3] < 300 * 1024, qPrintable(QString("%1 KB").arg(facts[3])));
    }

    // A file cut in half either opens whole-sized or fails; never anything in between.
    void truncated_data() { addDataRows("codec-truncated.txt", {"file", "opens:bool"}); }
    void truncated() {
        QFETCH(QString, file);
        QFETCH(bool, opens);
        const QString path = testData(file);
        const QByteArray whole = readAll(path);
        QVERIFY(whole.size() > 200);
        const QByteArray half = whole.left(whole.size() / 2);
        const Decoded a = decodeBytes(half, path), b = decodeBytes(half, path);
        if (opens) QCOMPARE(a.error, Error::None);
        QCOMPARE(a.partial, opens);
        const Decoded all = decodeBytes(whole, path);
        QVERIFY(!all.partial);
        if (a.error == Error::None) {
            QCOMPARE(a.image.size(), all.image.size());
            QCOMPARE(a.image.format(), QImage::Format_RGB32);
            QVERIFY(opaque(a.image));
            QCOMPARE(a.image, b.image);
        } else {
            QVERIFY(a.image.isNull());
        }
    }

    // Our writers at every logical depth, decoded back pixel for pixel. A PNG is as small as the
    // colours in use allow: the smallest depth holding them, the palette cut to them, and no
    // chunk but IHDR, PLTE, IDAT and IEND.
    void roundTrip_data() {
        addDataRows("codec-roundtrip.txt",
                    {"kind", "bits:int", "colours:int", "used:int", "stored:int"});
    }
    void roundTrip() {
        QFETCH(QString, kind);
        const int format = kind == "png" ? FormatPng : FormatBmp;
        QFETCH(int, bits);
        QFETCH(int, colours);
        QFETCH(int, used);
        QFETCH(int, stored);
        const int w = 37, h = 11; // odd width: packed rows end mid-byte and are padded
        quint32 seed = 12345;
        auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 8 | 0xff000000u; };
        QImage image(w, h, colours ? QImage::Format_Indexed8 : QImage::Format_RGB32);
        if (colours) {
            QList<QRgb> table;
            for (int i = 0; i < colours; ++i) table << next();
            image.setColorTable(table);
        }
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                image.setPixel(x, y, colours ? (x * 7 + y * 3) % used * (colours / used) : next());
        const QByteArray bytes = encode(image, format, bits, 0);
        QVERIFY(!bytes.isEmpty());
        QCOMPARE(encode(image, format, bits, 0), bytes); // deterministic
        const Decoded d = decodeBytes(bytes, "x");
        QCOMPARE(d.error, Error::None);
        QCOMPARE(d.image, image.convertToFormat(QImage::Format_RGB32));
        FileInfo info;
        QVERIFY(bytesInfo(bytes, "x", &info));
        QCOMPARE(info.bits, stored);
        if (format != FormatPng) return;
        QCOMPARE(int(bytes[24]), colours ? stored : 8);
        QCOMPARE(int(bytes[25]), colours ? 3 : 2);
        const QStringList chunks = pngChunks(bytes);
        QCOMPARE(chunks.first(), QString("IHDR13"));
        if (colours) QCOMPARE(chunks.value(1), QString("PLTE%1").arg(3 * used));
        QCOMPARE(chunks.last(), QString("IEND0"));
        QCOMPARE(chunks.filter(QRegularExpression("^IDAT")).size(),
                 chunks.size() - (colours ? 3 : 2));
    }

    // A phone-sized palette picture whose halves use different colours: its deflate stream is
    // cut into blocks between the halves. libpng and Qt's reader must both read it back.
    void pngSplitBlocks() {
        QImage image(96, 84, QImage::Format_Indexed8);
        QList<QRgb> table;
        for (int i = 0; i < 256; ++i) table << qRgb(i, 255 - i, i / 2);
        image.setColorTable(table);
        quint32 seed = 7;
        for (int y = 0; y < 84; ++y)
            for (int x = 0; x < 96; ++x)
                image.setPixel(
                    x, y, int((seed = seed * 1103515245u + 12345u) >> 28) * 2 + (y < 42 ? 0 : 1));
        const QByteArray bytes = encode(image, FormatPng, 8, 0);
        const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
        QCOMPARE(decodeBytes(bytes, "x").image, rgb);
        QCOMPARE(QImage::fromData(bytes, "PNG").convertToFormat(QImage::Format_RGB32), rgb);
    }

    // Our policy is what refuses these, not a missing coder: the reason names the policy.
    void policy_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QByteArray>("blob");
        writeAll(dir.filePath("secret.txt"), "not a picture\n");
        writeAll(dir.filePath("list.txt"), testData("rgb.png").toUtf8());
        QTest::newRow("svg") << "SVG" << QByteArray("<svg xmlns='http://www.w3.org/2000/svg'/>");
        QTest::newRow("mvg") << "MVG" << QByteArray("viewbox 0 0 4 4\ncircle 1,1 2,2\n");
        QTest::newRow("text:") << "text:" + dir.filePath("secret.txt") << QByteArray();
        QTest::newRow("@file") << "@" + dir.filePath("list.txt") << QByteArray();
    }
    void policy() {
        QFETCH(QString, source);
        QFETCH(QByteArray, blob);
        const QString reason = rawDecoderRead(source, blob);
        QVERIFY2(reason.contains("security policy"), qPrintable(reason));
        // The same door is open for the coders we read.
        QCOMPARE(rawDecoderRead("PNG", readAll(testData("rgb.png"))), QString());
        QCOMPARE(decodeFile(testData("rgb.png")).error, Error::None);
        QCOMPARE(decodeFile(testData("b24.bmp")).error, Error::None);
    }
    // Builds whose policy call fails are covered by the policy file alone: the same checks in a
    // second process that never makes the call.
    void policyWithoutTheCall() {
        if (qEnvironmentVariableIsSet("QUILMO_TEST_POLICY_FILE_ONLY"))
            QSKIP("this is that process");
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QUILMO_TEST_POLICY_FILE_ONLY", "1");
        p.setProcessEnvironment(env);
        p.start(QCoreApplication::applicationFilePath(), {"policy"});
        QVERIFY(p.waitForFinished(60000));
        QVERIFY2(p.exitCode() == 0, p.readAllStandardOutput().constData());
    }
};

QTEST_GUILESS_MAIN(TestCodec)
#include "test_codec.moc"
