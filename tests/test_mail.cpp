// The mail core: ISO-2022-JP, the size estimate, the message builder, SendMail against a real
// SMTP server on loopback (aiosmtpd with tests/smtp_sink.py), mail files and `quilmo mail`.
#include "app/appsettings.h"
#include "cli/mailcommand.h"
#include "mail/mailfile.h"
#include "mail/mime.h"
#include "platform/sendmail.h"
#include "util/jiscode.h"
#include "util/messages.h"
#include "util/textcodec.h"
#include "util/textfile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <arpa/inet.h>
#include <iconv.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const QString kPython = QStringLiteral("/usr/bin/python3");
const QString kTests = QFileInfo(QStringLiteral(__FILE__)).absolutePath();

// A listening socket on 127.0.0.1 with a free port; it accepts connections (the kernel does)
// and never says a word.
struct SilentListener {
    int fd = -1;
    int port = 0;
    explicit SilentListener(bool listening = true) {
        fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
        socklen_t len = sizeof a;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
        port = ntohs(a.sin_port);
        if (listening) ::listen(fd, 8);
    }
    ~SilentListener() { close(); }
    void close() {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
};

int freePort() {
    return SilentListener(false).port; // closed again: nothing listens there
}

bool canConnect(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(quint16(port));
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(fd);
    return ok;
}

// aiosmtpd with the storing handler, on a free loopback port.
class SmtpServer {
public:
    QTemporaryDir store;
    int port = 0;

    bool start(const QStringList& extra = {}, const QString& user = {},
               const QString& password = {}) {
        port = freePort();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PYTHONPATH"), kTests);
        env.insert(QStringLiteral("SINK_DIR"), store.path());
        env.insert(QStringLiteral("SINK_USER"), user);
        env.insert(QStringLiteral("SINK_PASSWORD"), password);
        m_proc.setProcessEnvironment(env);
        m_proc.start(kPython,
                     QStringList{"-m", "aiosmtpd", "-n", "-l",
                                 QStringLiteral("127.0.0.1:%1").arg(port), "-c", "smtp_sink.Sink"} +
                         extra);
        if (!m_proc.waitForStarted(10000)) return false;
        for (int i = 0; i < 150; ++i) { // at most 15 s
            if (canConnect(port)) return true;
            if (m_proc.state() != QProcess::Running) break;
            QThread::msleep(100);
        }
        qWarning() << "aiosmtpd did not start:" << m_proc.readAllStandardError();
        return false;
    }
    ~SmtpServer() {
        m_proc.terminate();
        if (!m_proc.waitForFinished(5000)) {
            m_proc.kill();
            m_proc.waitForFinished(5000);
        }
    }
    QString server() const { return QStringLiteral("127.0.0.1:%1").arg(port); }
    int count() const {
        return int(QDir(store.path()).entryList({QStringLiteral("*.json")}).size());
    }
    QString eml(int n) const { return store.filePath(QStringLiteral("%1.eml").arg(n)); }
    QJsonObject envelope(int n) const {
        QFile f(store.filePath(QStringLiteral("%1.json").arg(n)));
        f.open(QIODevice::ReadOnly);
        return QJsonDocument::fromJson(f.readAll()).object();
    }

private:
    QProcess m_proc;
};

// What a mail reader makes of a stored message (Python's email package).
QJsonObject dumpMail(const QString& eml) {
    QProcess p;
    p.start(kPython, {kTests + QStringLiteral("/mail_dump.py"), eml});
    if (!p.waitForFinished(30000)) {
        p.kill();
        p.waitForFinished(5000);
        return {};
    }
    if (p.exitCode() != 0) qWarning() << p.readAllStandardError();
    return QJsonDocument::fromJson(p.readAllStandardOutput()).object();
}

// Line ends as LF, without the final ones (a multipart body's last line end belongs to the
// boundary that follows it).
QString lf(QString text) {
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    while (text.endsWith(u'\n')) text.chop(1);
    return text;
}

QByteArray esc(const char* text) {
    return QByteArray(text).replace('E', '\x1b');
}

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    const QString path = dir.filePath(name);
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    return path;
}

QByteArray allBytes() {
    QByteArray b;
    for (int i = 0; i < 512; ++i) b += char(i * 7 % 256);
    return b;
}

} // namespace

class TestMail : public QObject {
    Q_OBJECT
    SmtpServer m_smtp;
    QTemporaryDir m_dir;

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        QVERIFY2(m_smtp.start(), "the loopback SMTP server did not start");
    }

    // --- ISO-2022-JP ----------------------------------------------------------------------

    void jisEncode_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("unencodable");
        QTest::newRow("ascii") << "Hi 1." << QByteArray("Hi 1.") << "";
        QTest::newRow("empty") << "" << QByteArray() << "";
        QTest::newRow("kana between ascii") << "aあb" << esc("aE$B$\"E(Bb") << "";
        QTest::newRow("ends in double-byte") << "あい" << esc("E$B$\"$$E(B") << "";
        QTest::newRow("cp932 wave dash") << "～" << esc("E$B!AE(B") << "";
        QTest::newRow("cp932 minus, dash, not") << u"－—￢"_qs << esc("E$B!]!=\"LE(B") << "";
        QTest::newRow("half-width voiced") << "ｶﾞｷﾞﾊﾟ" << esc("E$B%,%.%QE(B") << "";
        QTest::newRow("half-width lone mark") << "ﾞa" << esc("E$B!+E(Ba") << "";
        QTest::newRow("half-width punctuation") << "｢ｱｰ｣" << esc("E$B!V%\"!<!WE(B") << "";
        QTest::newRow("yen is JIS Roman") << "¥1" << esc("E(J\\1E(B") << "";
        QTest::newRow("circled digit") << "①x" << QByteArray("?x") << "①";
        QTest::newRow("emoji in kanji") << u"漢😀字😀"_qs << esc("E$B4AE(B?E$B;zE(B?") << u"😀"_qs;
    }
    void jisEncode() {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, unencodable);
        const Jis::Encoded e = Jis::encode(text);
        QCOMPARE(e.bytes, bytes);
        QCOMPARE(e.unencodable, unencodable);
        QCOMPARE(JisEncode(text), bytes);
    }

    // Every double-byte CP932 character that has a JIS X 0208 form: the byte-pair conversion
    // and the encoder agree (the compatibility characters included, through their JIS forms).
    void sjisToJisAgreesWithEncoder() {
        int compared = 0;
        for (int lead : {0x81, 0x88, 0x9F, 0xE0, 0xEA})
            for (int trail = 0x40; trail <= 0xFC; ++trail) {
                const char pair[2] = {char(lead), char(trail)};
                const std::optional<QString> ch = TextCodec::fromCp932(QByteArrayView(pair, 2));
                if (!ch || ch->size() != 1) continue;
                const Jis::Encoded e = Jis::encode(*ch);
                if (!e.unencodable.isEmpty() || e.bytes.size() != 8) continue;
                uchar l = uchar(lead), t = uchar(trail);
                SjisToJis(l, t);
                QCOMPARE(QByteArray().append(char(l)).append(char(t)), e.bytes.mid(3, 2));
                ++compared;
            }
        QVERIFY(compared > 700);
        uchar l = 0xA0, t = 0x40;
        SjisToJis(l, t);
        QCOMPARE(int(l) + int(t), 0);
        l = 0x82, t = 0x7F;
        SjisToJis(l, t);
        QCOMPARE(int(l) + int(t), 0);
    }

    // --- size estimate --------------------------------------------------------------------

    void estimate_data() {
        const QString file5000 = writeFile(m_dir, "five.png", QByteArray(5000, 'x'));
        const QString empty = writeFile(m_dir, "empty.png", {});
        QTest::addColumn<Mime::MailFields>("fields");
        QTest::addColumn<qint64>("size");
        QTest::newRow("nothing typed") << Mime::MailFields{} << qint64(77);
        QTest::newRow("japanese subject")
            << Mime::MailFields{{}, {}, {}, "件名", {}, {}} << qint64(77 + 9 + 3 + 4 + 3 + 2);
        QTest::newRow("bcc counts")
            << Mime::MailFields{{}, {}, "b@x", {}, {}, {}} << qint64(77 + 5 + 3 + 2);
        QTest::newRow("5000-byte attachment")
            << Mime::MailFields{{}, {}, {}, {}, file5000, {}} << qint64(77 + 5120 + 16);
        QTest::newRow("missing and empty files count nothing")
            << Mime::MailFields{{}, {}, {}, {}, m_dir.filePath("none.png") + "," + empty, {}}
            << qint64(77);
        QTest::newRow("body with LF counts CR LF")
            << Mime::MailFields{{}, {}, {}, {}, {}, "a\nb"} << qint64(77 + 4);
        QTest::newRow("half-width kana as sent")
            << Mime::MailFields{{}, {}, {}, {}, {}, "ｶﾞ"} << qint64(77 + 8);
    }
    void estimate() {
        QFETCH(Mime::MailFields, fields);
        QFETCH(qint64, size);
        QCOMPARE(Mime::estimateSize(fields, "a@b.c.jp12"), size);
    }

    // --- message building -----------------------------------------------------------------

    void encodedHeader_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("short ascii") << "Hello";
        QTest::newRow("japanese long") << QString(40, u'漢') + "テスト" + QString(30, u'あ');
        QTest::newRow("mixed with blanks") << "Re: 明日の 予定 について (3/4) とても長い件名"
                                              " that goes on and on and on for a while";
        QTest::newRow("looks encoded") << "=?ISO-2022-JP?B?GyRCJCIbKEI=?=";
        QTest::newRow("long ascii word") << QString(120, u'x');
        QTest::newRow("half-width") << QString(50, u'ｶ') + "ﾞ";
    }
    // Lines stay within 76 characters, each word within 75 and each a complete ISO-2022-JP
    // sequence, and the words decode back to the text.
    void encodedHeader() {
        QFETCH(QString, text);
        const QByteArray h = Mime::encodedHeader("Subject", text);
        QString decoded;
        bool plain = true;
        const QList<QByteArray> lines = h.split('\n');
        for (QByteArray line : lines) {
            if (line.endsWith('\r')) line.chop(1);
            QVERIFY2(line.size() <= 76, line.constData());
        }
        QByteArray unfolded = h;
        unfolded.replace("\r\n", "");
        for (const QByteArray& token : unfolded.mid(9).split(' ')) {
            if (!token.startsWith("=?ISO-2022-JP?B?")) {
                decoded += (decoded.isEmpty() ? "" : " ") + QString::fromLatin1(token);
                continue;
            }
            plain = false;
            QVERIFY(token.size() <= 75 && token.endsWith("?="));
            const QByteArray jis = QByteArray::fromBase64(token.mid(16, token.size() - 18));
            QVERIFY(jis.lastIndexOf("\x1b$B") < jis.lastIndexOf("\x1b(B") || !jis.contains('\x1b'));
            iconv_t cd = iconv_open("UTF-8", "ISO-2022-JP");
            QByteArray out(jis.size() * 4, '\0');
            char* in = const_cast<char*>(jis.data());
            char* dst = out.data();
            size_t inLeft = jis.size(), outLeft = out.size();
            QVERIFY(iconv(cd, &in, &inLeft, &dst, &outLeft) != size_t(-1));
            iconv_close(cd);
            decoded += QString::fromUtf8(out.left(dst - out.data()));
        }
        QCOMPARE(decoded, Jis::toJisForms(text));
        QCOMPARE(plain, text == "Hello");
    }

    void buildRefuses_data() {
        QTest::addColumn<QStringList>("fields"); // subject, display name, body
        QTest::addColumn<QString>("error");
        const QString nul = QString("a") + QChar(0);
        QTest::newRow("LF in name")
            << QStringList{"", "a\nb", ""} << Msg::mailControlCharacter(Msg::mailFieldRecipients());
        QTest::newRow("NUL in body")
            << QStringList{"", "", nul} << Msg::mailControlCharacter(Msg::mailFieldBody());
        QTest::newRow("ESC in body")
            << QStringList{"", "", "\x1b$B"} << Msg::mailControlCharacter(Msg::mailFieldBody());
        QTest::newRow("no JIS form")
            << QStringList{"①と㈱", "", "髙"} << Msg::mailUnencodable("①㈱髙");
    }
    void buildRefuses() {
        QFETCH(QStringList, fields);
        Mime::Message m;
        m.from = {"", "a@b"};
        m.to = {{fields[1], "c@d"}};
        m.subject = fields[0];
        m.body = fields[2];
        QString why;
        QVERIFY(!Mime::build(m, &why));
        QTEST(why, "error");
    }

    void parseAddress_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("addr");
        QTest::newRow("bare") << " a@b.jp " << true << ""
                              << "a@b.jp";
        QTest::newRow("name<addr>") << "山田<y@b.jp>" << true << "山田"
                                    << "y@b.jp";
        QTest::newRow("quoted") << "\"Doe, \\\"J\\\"\" <j@d>" << true << "Doe, \"J\""
                                << "j@d";
        QTest::newRow("unclosed") << "x <a@b" << false << ""
                                  << "";
        QTest::newRow("blank inside") << "a b@c" << false << ""
                                      << "";
        QTest::newRow("empty brackets") << "name <>" << false << ""
                                        << "";
        QTest::newRow("text after >") << "<a@b> x" << false << ""
                                      << "";
        QTest::newRow("non-ascii address") << "あ@b" << false << ""
                                           << "";
    }
    void parseAddress() {
        QFETCH(QString, entry);
        QFETCH(bool, ok);
        const auto a = Mime::parseAddress(entry);
        QCOMPARE(bool(a), ok);
        if (!ok) return;
        QTEST(a->name, "name");
        QTEST(a->addr, "addr");
    }

    // --- the six-text contract ------------------------------------------------------------

    void contractLists() {
        QCOMPARE(SendMailArgs::recipients("a@x,b@x", "", "c@x"), "a@x\tb@x\tbcc\tc@x");
        QCOMPARE(SendMailArgs::recipients("", "c@x,d@x", ""), "\tcc\tc@x\td@x");
        QCOMPARE(SendMailArgs::recipients("\"S, \\\"K\" <k@x>,j@x", "", ""),
                 "\"S, \\\"K\" <k@x>\tj@x");
        QCOMPARE(SendMailArgs::attachments("/p/a.png,/p/b.png,/p/c.png", true),
                 "/p/a.png|1.png|image/mtn\t/p/b.png|2.png|image/mtn\t/p/c.png|3.png|image/mtn");
        QCOMPARE(SendMailArgs::attachments("/p/a.png,/p/b.png", false), "/p/a.png\t/p/b.png");
        QCOMPARE(SendMailArgs::attachments("", true), "");
        const auto r = SendMailArgs::splitRecipients("a\t\tb\tcc\tc\tbcc\td\tCC\te");
        QCOMPARE(r.to, QStringList({"a", "b"}));
        QCOMPARE(r.cc, QStringList({"c"}));
        QCOMPARE(r.bcc, QStringList({"d", "CC", "e"}));
        // A path holding "|" stays whole when it names a file, and splits from the right.
        const QString odd = writeFile(m_dir, "a|b.gif", "GIF89a");
        const auto att =
            SendMailArgs::splitAttachments(odd + "\t" + odd + "|7.png|image/mtn\t" + "/q/x.JPEG");
        QCOMPARE(att.size(), 3);
        QCOMPARE(att[0].path, odd);
        QCOMPARE(att[0].contentType, "image/gif");
        QCOMPARE(att[1].path, odd);
        QCOMPARE(att[1].name, "7.png");
        QCOMPARE(att[1].contentType, "image/mtn");
        QCOMPARE(att[2].name, "x.JPEG");
        QCOMPARE(att[2].contentType, "image/jpeg");
    }

    // --- sending over SMTP ----------------------------------------------------------------

    void sendAndReceive_data() {
        const QString png = writeFile(m_dir, "pic.png", allBytes());
        const QString jpg = writeFile(m_dir, "写真.JPG", allBytes().left(300));
        const QString bmp = writeFile(m_dir, "x.bmp", "BM");
        const QString bin = writeFile(m_dir, "data.bin", QByteArray(1, '\0'));
        QTest::addColumn<QString>("recipients");
        QTest::addColumn<QString>("subject");
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("attachments");
        QTest::addColumn<QStringList>("envelope");
        QTest::addColumn<QString>("toHeader");
        QTest::addColumn<QString>("ccHeader");
        QTest::addColumn<QStringList>("names"); // name|type of each attachment
        QTest::newRow("japanese, cc, bcc, png")
            << SendMailArgs::recipients("山田 太郎<yamada@example.jp>,b@example.jp",
                                        "\"Sato, K\" <sato@example.jp>", "hidden@example.jp")
            << "テスト送信 ～ ｶﾞｿﾞｳ"
            << "こんにちは。\r\n画像を送ります。\r\n\r\n--\r\n山田" << png
            << QStringList{"yamada@example.jp", "b@example.jp", "sato@example.jp",
                           "hidden@example.jp"}
            << "山田 太郎 <yamada@example.jp>, b@example.jp"
            << "\"Sato, K\" <sato@example.jp>" << QStringList{"pic.png|image/png"};
        QTest::newRow("animation frames")
            << "a@example.jp"
            << "anime"
            << "" << SendMailArgs::attachments(png + "," + png + "," + png, true)
            << QStringList{"a@example.jp"} << "a@example.jp"
            << "" << QStringList{"1.png|image/mtn", "2.png|image/mtn", "3.png|image/mtn"};
        QTest::newRow("dot lines survive") << "a@example.jp"
                                           << ""
                                           << ".\r\n..\r\n.x\r\nend\r\n.\r\n"
                                           << "" << QStringList{"a@example.jp"} << "a@example.jp"
                                           << "" << QStringList{};
        QTest::newRow("types by extension, japanese name")
            << "a@example.jp\tbcc\tb@example.jp" << QString(60, u'長') << "本文"
            << jpg + "\t" + bmp + "\t" + bin << QStringList{"a@example.jp", "b@example.jp"}
            << "a@example.jp"
            << ""
            << QStringList{"写真.JPG|image/jpeg", "x.bmp|image/bmp",
                           "data.bin|application/octet-stream"};
        QTest::newRow("bcc only") << "\tbcc\tz@example.jp"
                                  << "x"
                                  << "y"
                                  << "" << QStringList{"z@example.jp"} << ""
                                  << "" << QStringList{};
        QTest::newRow("very long body line")
            << "a@example.jp"
            << "" << QString(700, u'あ') << "" << QStringList{"a@example.jp"} << "a@example.jp"
            << "" << QStringList{};
    }
    void sendAndReceive() {
        QFETCH(QString, recipients);
        QFETCH(QString, subject);
        QFETCH(QString, body);
        QFETCH(QString, attachments);
        QFETCH(QStringList, envelope);
        QFETCH(QString, toHeader);
        QFETCH(QString, ccHeader);
        QFETCH(QStringList, names);
        const int before = m_smtp.count();
        QCOMPARE(SendMail(m_smtp.server(), recipients, "差出人<from@example.jp>", subject, body,
                          attachments),
                 QString());
        QCOMPARE(m_smtp.count(), before + 1);
        const QJsonObject env = m_smtp.envelope(before + 1);
        QCOMPARE(env["mail_from"].toString(), "from@example.jp");
        QStringList rcpt;
        for (const auto& v : env["rcpt_tos"].toArray()) rcpt << v.toString();
        QCOMPARE(rcpt, envelope);

        const QJsonObject mail = dumpMail(m_smtp.eml(before + 1));
        QVERIFY(!mail.isEmpty());
        QCOMPARE(mail["from"].toString(), "差出人 <from@example.jp>");
        QCOMPARE(mail["to"].toString(), toHeader);
        QCOMPARE(mail["cc"].toString(), ccHeader);
        QVERIFY(mail["bcc"].isNull());
        QCOMPARE(mail["subject"].toString(), Jis::toJisForms(subject));
        QCOMPARE(mail["mime_version"].toString(), "1.0");
        QVERIFY(!mail["date"].toString().isEmpty());
        QVERIFY(mail["message_id"].toString().endsWith("@example.jp>"));
        QVERIFY(mail["max_line"].toInt() <= 998);
        QVERIFY(!mail["bare_lf"].toBool());
        QVERIFY(!mail["eight_bit"].toBool());
        QCOMPARE(mail["body_charset"].toString(), "iso-2022-jp");
        QCOMPARE(lf(mail["body"].toString()), lf(Jis::toJisForms(body)));
        const QJsonArray atts = mail["attachments"].toArray();
        QCOMPARE(atts.size(), names.size());
        const QStringList paths = attachments.split(u'\t');
        for (qsizetype i = 0; i < names.size(); ++i) {
            const QJsonObject a = atts[i].toObject();
            QCOMPARE(a["filename"].toString() + "|" + a["type"].toString(), names[i]);
            QCOMPARE(a["name"].toString(), a["filename"].toString());
            QFile f(SendMailArgs::splitAttachments(paths[i]).value(0).path);
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(QByteArray::fromBase64(a["data"].toString().toLatin1()), f.readAll());
        }
    }

    void sendFails_data() {
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("recipients");
        QTest::addColumn<QString>("subject");
        QTest::addColumn<QString>("attachments");
        QTest::addColumn<QString>("error");
        const QString ok = "127.0.0.1:" + QString::number(m_smtp.port);
        const QString dead = "127.0.0.1:" + QString::number(freePort());
        QTest::newRow("recipient refused")
            << ok << "a@x.jp\tcc\treject@x.jp"
            << ""
            << ""
            << "550 5.1.1 <reject@x.jp>: Recipient address rejected: no such user";
        QTest::newRow("dead port") << dead << "a@x.jp"
                                   << ""
                                   << "" << Msg::mailConnectFailed(dead, "").chopped(3);
        QTest::newRow("no address at all") << dead << "\tcc\t\tbcc\t"
                                           << ""
                                           << "" << Msg::mailNoRecipient();
        QTest::newRow("missing attachment, before connecting")
            << dead << "a@x.jp"
            << ""
            << "/no/such/pic.png" << Msg::mailAttachmentMissing("/no/such/pic.png");
        QTest::newRow("line break in subject")
            << dead << "a@x.jp"
            << "x\r\nBcc: evil@x.jp"
            << "" << Msg::mailControlCharacter(Msg::mailFieldSubject());
        QTest::newRow("bad address") << dead << "a@x.jp\tnot an address"
                                     << ""
                                     << "" << Msg::mailBadRecipient("not an address");
        QTest::newRow("bad port") << "127.0.0.1:99999"
                                  << "a@x.jp"
                                  << ""
                                  << "" << Msg::mailBadServer("127.0.0.1:99999");
        QTest::newRow("no server") << " "
                                   << "a@x.jp"
                                   << ""
                                   << "" << Msg::mailNoServer();
    }
    void sendFails() {
        QFETCH(QString, server);
        QFETCH(QString, recipients);
        QFETCH(QString, subject);
        QFETCH(QString, attachments);
        QFETCH(QString, error);
        const int before = m_smtp.count();
        const QString result = SendMail(server, recipients, "f@x.jp", subject, "b", attachments);
        QVERIFY2(result.startsWith(error), qPrintable(result));
        QCOMPARE(m_smtp.count(), before);
    }

    void silentServer() {
        SilentListener silent;
        SendMailOptions opt;
        opt.responseTimeoutSeconds = 2;
        int calls = 0;
        opt.keepAlive = [&calls] { return ++calls > 0; };
        const QString where = "127.0.0.1:" + QString::number(silent.port);
        QCOMPARE(SendMail(where, "a@x.jp", "f@x.jp", "", "", "", opt), Msg::mailTimedOut(where));
        QVERIFY(calls > 0);
        opt.keepAlive = [] { return false; };
        QCOMPARE(SendMail(where, "a@x.jp", "f@x.jp", "", "", "", opt), Msg::mailCancelled());
    }

    void startTls() {
        QTemporaryDir dir;
        const QString cert = dir.filePath("cert.pem"), key = dir.filePath("key.pem");
        QProcess openssl;
        openssl.start("openssl",
                      {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                       "-nodes", "-days", "1", "-subj", "/CN=127.0.0.1", "-addext",
                       "subjectAltName=IP:127.0.0.1", "-keyout", key, "-out", cert});
        QVERIFY(openssl.waitForFinished(30000) && openssl.exitCode() == 0);
        SmtpServer tls;
        QVERIFY(tls.start({"--tlscert", cert, "--tlskey", key}, "user", "pa ss"));

        // The server insists on STARTTLS: without it its refusal is the answer.
        QVERIFY(SendMail(tls.server(), "a@x.jp", "f@x.jp", "s", "b", "").startsWith("530"));
        SendMailOptions opt;
        opt.user = "user";
        opt.password = "pa ss";
        opt.caFile = cert;
        QCOMPARE(SendMail(tls.server(), "a@x.jp", "f@x.jp", "暗号", "b", "", opt), QString());
        const QJsonObject env = tls.envelope(1);
        QVERIFY(env["tls"].toBool());
        QCOMPARE(env["login"].toString(), "user");
        QCOMPARE(dumpMail(tls.eml(1))["subject"].toString(), "暗号");
        opt.password = "wrong";
        QVERIFY(SendMail(tls.server(), "a@x.jp", "f@x.jp", "", "", "", opt).startsWith("535"));
        // Credentials never go over a connection that cannot be encrypted.
        opt.password = "pa ss";
        const QString plain = SendMail(m_smtp.server(), "a@x.jp", "f@x.jp", "", "", "", opt);
        QVERIFY2(plain.startsWith(Msg::mailTlsFailed(m_smtp.server(), "").chopped(3)),
                 qPrintable(plain));
        QCOMPARE(tls.count(), 1);
    }

    // --- mail files -----------------------------------------------------------------------

    void mailFileRoundTrip_data() {
        QTest::addColumn<Mime::MailFields>("fields");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("subject and two-line body")
            << Mime::MailFields{{}, {}, {}, "件名", {}, "一行目\r\n二行目"}
            << TextCodec::toCp932(u"Subject :件名\r\nBody :一行目\r\n二行目\r\n");
        QTest::newRow("all fields, backslash paths, body ending in a line end")
            << Mime::MailFields{"a@x,b@x", "c@x", "d@x", "s:t", "C:\\pics\\a.png,\\\\srv\\b.png",
                                "x\r\n"}
            << QByteArray("To :a@x,b@x\r\nCC :c@x\r\nBCC :d@x\r\nSubject :s:t\r\n"
                          "File :C:\\pics\\a.png,\\\\srv\\b.png\r\nBody :x\r\n\r\n");
        QTest::newRow("empty") << Mime::MailFields{} << QByteArray();
        QTest::newRow("body lines that look like labels")
            << Mime::MailFields{{}, {}, {}, {}, {}, "a\r\nTo :b\r\n\r\n"}
            << QByteArray("Body :a\r\nTo :b\r\n\r\n\r\n");
    }
    // Saved and loaded twice: the same bytes and fields each time (no growing body).
    void mailFileRoundTrip() {
        QFETCH(Mime::MailFields, fields);
        QFETCH(QByteArray, bytes);
        const QString path = m_dir.filePath("round.txt");
        Mime::MailFields f = fields;
        for (int round = 0; round < 2; ++round) {
            QString error;
            QVERIFY(MailFile::save(path, f, &error));
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), bytes);
            const auto loaded = MailFile::load(path, &error);
            QVERIFY(loaded);
            f = loaded->fields;
            QCOMPARE(f.to, fields.to);
            QCOMPARE(f.cc, fields.cc);
            QCOMPARE(f.bcc, fields.bcc);
            QCOMPARE(f.subject, fields.subject);
            QCOMPARE(f.files, fields.files);
            QCOMPARE(f.body, fields.body);
        }
    }

    void mailFileLoad_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("fields"); // to, cc, bcc, subject, files, body
        QTest::newRow("To twice keeps the later")
            << QByteArray("To :a\r\nTo :b\r\n") << QStringList{"b", "", "", "", "", ""};
        QTest::newRow("LF only, no final line end")
            << QByteArray("CC :c\nBody :x\ny") << QStringList{"", "c", "", "", "", "x\r\ny"};
        QTest::newRow("To: without blank is not a label")
            << QByteArray("To:a\r\nsecond")
            << QStringList{"", "", "", "", "", "To:a\r\nsecond\r\n"};
        QTest::newRow("any character before the colon")
            << QByteArray("Tox:a") << QStringList{"a", "", "", "", "", ""};
        QTest::newRow("colon in second place")
            << QByteArray("T:a\r\n:b") << QStringList{"", "", "", "", "", "T:a\r\n:b\r\n"};
        QTest::newRow("plain text")
            << QByteArray("one\r\ntwo") << QStringList{"", "", "", "", "", "one\r\ntwo\r\n"};
        QTest::newRow("unknown label only ignores nothing")
            << QByteArray("Foo :x\r\n") << QStringList{"", "", "", "", "", "Foo :x\r\n"};
        QTest::newRow("empty file") << QByteArray() << QStringList{"", "", "", "", "", ""};
        QTest::newRow("utf-8 file") << QByteArray("Subject :件名\nBody :本文")
                                    << QStringList{"", "", "", "件名", "", "本文"};
        QTest::newRow("cp932 file")
            << TextCodec::toCp932(u"Subject :～①\r\n") << QStringList{"", "", "", "～①", "", ""};
    }
    void mailFileLoad() {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, fields);
        QString error;
        const auto loaded = MailFile::load(writeFile(m_dir, "load.txt", bytes), &error);
        QVERIFY2(loaded, qPrintable(error));
        const Mime::MailFields& f = loaded->fields;
        QCOMPARE(QStringList({f.to, f.cc, f.bcc, f.subject, f.files, f.body}), fields);
    }

    void mailFileFailures() {
        QString error;
        // Neither CP932 nor UTF-8: refused, naming the line.
        const QString bad = writeFile(m_dir, "bad.txt", "To :a\r\nx\x80\xff\r\n");
        QVERIFY(!MailFile::load(bad, &error));
        QCOMPARE(error, Msg::mailFileNotText(bad, 2));
        QVERIFY(!MailFile::load(m_dir.filePath("absent.txt"), &error));
        // Characters CP932 cannot store are named before anything is written.
        const QString path = writeFile(m_dir, "keep.txt", "old");
        const Mime::MailFields f{{}, {}, {}, "a😀é", {}, "b😀"};
        QCOMPARE(MailFile::unencodable(f), u"😀é"_qs);
        QVERIFY(!MailFile::save(path, f, &error));
        QCOMPARE(error, Msg::mailFileUnencodable(u"😀é"_qs));
        QVERIFY(!MailFile::save(m_dir.path(), Mime::MailFields{"a", {}, {}, {}, {}, {}}, &error));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("old"));
        QVERIFY(MailFile::save(path, f, &error, true));
    }

    // --- quilmo mail ----------------------------------------------------------------------

    void command_data() {
        const QString png = writeFile(m_dir, "cli.png", allBytes());
        const QString body = writeFile(m_dir, "body.txt", TextCodec::toCp932(u"本文\r\n.\r\n"));
        const QString server = m_smtp.server();
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("body");
        QTest::newRow("animation")
            << QStringList{"--to", "a@x.jp",      "--bcc",  "b@x.jp",  "--subject",
                           "件名", "--body-file", body,     "--anime", "--smtp",
                           server, "--from",      "f@x.jp", png,       png}
            << 0 << "本文\n.";
        QTest::newRow("refused") << QStringList{"--to", "reject@x.jp", "--smtp",
                                                server, "--from",      "f@x.jp"}
                                 << 5 << "";
        QTest::newRow("missing file")
            << QStringList{"--to", "a@x.jp", "--smtp", server, "--from", "f@x.jp", "/no/file.png"}
            << 5 << "";
        QTest::newRow("no --to") << QStringList{"--smtp", server, "--from", "f@x.jp"} << 1 << "";
        QTest::newRow("unknown option") << QStringList{"--to", "a", "--frm", "x"} << 1 << "";
        QTest::newRow("absent body file")
            << QStringList{"--to",   "a",      "--smtp",      server,
                           "--from", "f@x.jp", "--body-file", "/no/body.txt"}
            << 1 << "";
        QTest::newRow("server and sender from the settings file")
            << QStringList{"--to", "a@x.jp"} << 0 << "";
    }
    void command() {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, body);
        AppPaths::setConfigFolder(m_dir.path());
        const QString ini = AppPaths::settingsFile();
        QVERIFY(TextFile::write(
            ini, "[Mail]\r\nSMTP=" + m_smtp.server().toLatin1() + "\r\nAddress=ini@x.jp\r\n",
            nullptr));
        const int before = m_smtp.count();
        const int got = Cli::runMail(args);
        QFile::remove(ini);
        QCOMPARE(got, code);
        QCOMPARE(m_smtp.count(), before + (code == 0 ? 1 : 0));
        if (code != 0) return;
        const QJsonObject mail = dumpMail(m_smtp.eml(before + 1));
        QCOMPARE(lf(mail["body"].toString()), body);
        if (args.contains("--anime")) {
            QCOMPARE(mail["attachments"].toArray().size(), 2);
            QCOMPARE(mail["attachments"][1]["filename"].toString(), "2.png");
            QCOMPARE(mail["attachments"][1]["type"].toString(), "image/mtn");
        } else {
            QCOMPARE(m_smtp.envelope(before + 1)["mail_from"].toString(), "ini@x.jp");
        }
    }

    // Sizes as sent against the composer's estimate, for typical phone mails.
    void estimateAgainstSent_data() {
        QTest::addColumn<Mime::MailFields>("fields");
        const QString small = writeFile(m_dir, "s.png", allBytes().repeated(6).left(3000));
        const QString wall = writeFile(m_dir, "w.png", allBytes().repeated(12).left(5800));
        const QString frame = writeFile(m_dir, "f.png", allBytes().repeated(2).left(900));
        QTest::newRow("text only")
            << Mime::MailFields{"a@x.jp", {}, {}, "こんにちは", {}, "元気ですか？\r\nまたね"};
        QTest::newRow("wallpaper 3 KB")
            << Mime::MailFields{"a@x.jp", {}, {}, "壁紙", small, "どうぞ"};
        QTest::newRow("wallpaper 5.8 KB, cc")
            << Mime::MailFields{"a@x.jp", "b@x.jp", {}, "壁紙です", wall, "使ってね"};
        QTest::newRow("two pictures")
            << Mime::MailFields{"a@x.jp", {}, "c@x.jp", "写真", small + "," + frame, "2枚"};
        QTest::newRow("7 frames") << Mime::MailFields{
            "a@x.jp", {}, {}, "アニメ", QStringList(7, frame).join(","), ""};
    }
    void estimateAgainstSent() {
        QFETCH(Mime::MailFields, fields);
        const qint64 estimate = Mime::estimateSize(fields, "f@x.jp");
        const int before = m_smtp.count();
        QCOMPARE(SendMail(m_smtp.server(),
                          SendMailArgs::recipients(fields.to, fields.cc, fields.bcc), "f@x.jp",
                          fields.subject, fields.body,
                          SendMailArgs::attachments(fields.files, false)),
                 QString());
        const qint64 sent = QFileInfo(m_smtp.eml(before + 1)).size();
        qInfo("estimate %lld, sent %lld", estimate, sent);
        QVERIFY(sent >= estimate); // the estimate never promises a smaller mail than is sent
    }
};

QTEST_GUILESS_MAIN(TestMail)
#include "test_mail.moc"
