// Replays the fuzzing corpus: every seed file opens, and every input that once crashed the
// reading path now ends in a clean answer.
#include "core/image/imagecodec.h"
#include "core/mail/mailfile.h"
#include "core/util/addressbook.h"
#include "core/util/profile.h"
#include "testsupport.h"

#include <QtTest>

namespace {
void corpusRows(const char* folder, int atLeast) {
    QTest::addColumn<QString>("path");
    const QDir corpus(QDir::cleanPath(testData("../../fuzz/corpus/") + folder));
    const QFileInfoList files = corpus.entryInfoList(QDir::Files, QDir::Name);
    QVERIFY(files.size() >= atLeast);
    for (const QFileInfo& f : files) QTest::newRow(qPrintable(f.fileName())) << f.filePath();
}
} // namespace

class TestFuzzCorpus : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { ImageCodec::initialize(); }

    void replay_data() { corpusRows("decode", 20); }
    void replay() {
        QFETCH(QString, path);
        const QByteArray bytes = readAll(path);
        // Seeds are valid pictures; crash reproducers only have to be answered.
        const bool seed = !QFileInfo(path).fileName().startsWith(QLatin1String("crash-"));
        const ImageCodec::Decoded d = ImageCodec::decodeBytes(bytes, path);
        ImageCodec::FileInfo info;
        const bool known = ImageCodec::bytesInfo(bytes, path, &info);
        if (seed) {
            QCOMPARE(d.error, ImageCodec::Error::None);
            QVERIFY(known);
            QCOMPARE(d.image.size(), QSize(info.width, info.height));
        }
        if (d.error == ImageCodec::Error::None) {
            QCOMPARE(d.image.format(), QImage::Format_RGB32);
            // Every pixel comes from the file or a defined fill, never from memory left over.
            QCOMPARE(ImageCodec::decodeBytes(bytes, path).image, d.image);
        } else {
            QVERIFY(d.image.isNull());
        }
    }

    // Settings, address book and mail files: a settings file that reads writes back byte for
    // byte, and nothing crashes.
    void replayText_data() { corpusRows("textfiles", 5); }
    void replayText() {
        QFETCH(QString, path);
        const QByteArray bytes = readAll(path);
        Profile ini;
        if (ini.parse(bytes)) QCOMPARE(ini.toBytes(), bytes);
        AddressFile book;
        if (book.parse(bytes)) QVERIFY(book.entries.size() <= AddressFile::MaxEntries);
        if (const auto text = MailFile::decodeText(bytes))
            MailFile::parse(text->split(QStringLiteral("\r\n")));
    }
};

QTEST_GUILESS_MAIN(TestFuzzCorpus)
#include "test_fuzzcorpus.moc"
