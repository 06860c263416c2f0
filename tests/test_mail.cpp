// The mail core: the size estimate, the message builder, SendMail to a real SMTP server on
// loopback (aiosmtpd with tests/smtp_sink.py), mail files and `quilmo mail`.
#include "cli/mailcommand.h"
#include "core/mail/mailfile.h"
#include "core/mail/mime.h"
#include "core/mail/sendmail.h"
#include "core/util/appsettings.h"
#include "core/util/jiscode.h"
#include "core/util/messages.h"
#include "core/util/textcodec.h"

#include "loopbacksmtp.h"
#include "testsupport.h"
#include <QJsonArray>
#include <QtTest>

#include <iconv.h>
#include <poll.h>
#include <thread>

namespace {

// Line ends as LF, without the final ones (a multipart body's last line end belongs to the
// boundary that follows it).
QString lf(QString text) {
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    while (text.endsWith(u'\n')) text.chop(1);
    return text;
}

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    const QString path = dir.filePath(name);
    writeAll(path, bytes);
    return path;
}

QByteArray allBytes() {
    QByteArray b;
    for (int i = 0; i < 512; ++i) b += char(i * 7 % 256);
    return b;
}

QStringList parts(const Mime::MailFields& f) {
    return {f.to, f.cc, f.bcc, f.subject, f.files, f.body};
}

// Fields with one of them filled, counted as in parts().
Mime::MailFields one(int field, const QString& text) {
    Mime::MailFields f;
    *std::array{&f.to, &f.cc, &f.bcc, &f.subject, &f.files, &f.body}[field] = text;
    return f;
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

    // --- size estimate --------------------------------------------------------------------

    void estimate_data() {
        const QString file5000 = writeFile(m_dir, "five.png", QByteArray(5000, 'x'));
        const QString empty = writeFile(m_dir, "empty.png", {});
        const QString none = m_dir.filePath("none.png");
        QTest::addColumn<Mime::MailFields>("fields");
        QTest::addColumn<qint64>("size");
        QTest::newRow("nothing typed") << Mime::MailFields{} << qint64(77);
        QTest::newRow("japanese subject") << one(3, "件名") << qint64(77 + 9 + 3 + 4 + 3 + 2);
        QTest::newRow("5000-byte attachment") << one(4, file5000) << qint64(77 + 5120 + 16);
        QTest::newRow("missing and empty files count nothing")
            << one(4, none + "," + empty) << qint64(77);
        QTest::newRow("body with LF counts CR LF") << one(5, "a\nb") << qint64(77 + 4);
        QTest::newRow("half-width kana as sent") << one(5, "ｶﾞ") << qint64(77 + 8);
    }
    void estimate() {
        QFETCH(Mime::MailFields, fields);
        QTEST(Mime::estimateSize(fields, "a@b.c.jp12"), "size");
    }

    // --- message building -----------------------------------------------------------------

    void encodedHeader_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("short ascii") << "Hello";
        QTest::newRow("japanese long") << QString(40, u'漢') + "テスト" + QString(30, u'あ');
        QTest::newRow("looks encoded") << "=?ISO-2022-JP?B?GyRCJCIbKEI=?=";
        QTest::newRow("long ascii word") << QString(120, u'x');
        QTest::newRow("half-width") << QString(50, u'ｶ') + "ﾞ";
    }
    // Lines stay within 76 characters, each word within 75 and each a complete ISO-2022-JP
    // sequence, and the words decode back to the text.
    void encodedHeader() {
        QFETCH(QString, text);
        const QByteArray h = Mime::encodedHeader("Subject", text);
        for (const QByteArray& line : h.split('\n'))
            QVERIFY2(line.size() - line.endsWith('\r') <= 76, line.constData());
        QString decoded;
        bool plain = true;
        for (const QByteArray& token : QByteArray(h).replace("\r\n", "").mid(9).split(' ')) {
            if (!token.startsWith("=?ISO-2022-JP?B?")) {
                decoded += (decoded.isEmpty() ? "" : " ") + QString::fromLatin1(token);
                continue;
            }
            plain = false;
            QVERIFY(token.size() <= 75 && token.endsWith("?="));
            const QByteArray jis = QByteArray::fromBase64(token.mid(16, token.size() - 18));
            QVERIFY(jis.lastIndexOf("\x1b$B") < jis.lastIndexOf("\x1b(B") || !jis.contains('\x1b'));
            iconv_t cd = iconv_open("UTF-8", "ISO-2022-JP"); // not our own tables
            QByteArray out(jis.size() * 4, '\0');
            char *in = const_cast<char*>(jis.data()), *dst = out.data();
            size_t inLeft = jis.size(), outLeft = out.size();
            QVERIFY(iconv(cd, &in, &inLeft, &dst, &outLeft) != size_t(-1));
            iconv_close(cd);
            decoded += QString::fromUtf8(out.left(dst - out.data()));
        }
        QCOMPARE(decoded, Jis::toJisForms(text));
        QCOMPARE(plain, text == "Hello");
    }

    void parseAddress_data() { addDataRows("mail-addresses.txt", {"entry", "parsed"}); }
    void parseAddress() {
        QFETCH(QString, entry);
        const auto a = Mime::parseAddress(entry.replace("\\t", "\t"));
        QTEST(a ? a->name + '|' + a->addr : QString(), "parsed");
    }

    // --- the six-text contract ------------------------------------------------------------

    void contractLists() {
        QCOMPARE(SendMailArgs::attachments("/p/a.png,/p/b.png", false), "/p/a.png\t/p/b.png");
        QCOMPARE(SendMailArgs::attachments("", true), "");
        const auto r = SendMailArgs::splitRecipients("a\t\tb\tcc\tc\tbcc\td\tCC\te");
        QCOMPARE(QStringList({r.to.join('|'), r.cc.join('|'), r.bcc.join('|')}),
                 QStringList({"a|b", "c", "d|CC|e"}));
        // A path holding "|" stays whole when it names a file, and splits from the right.
        const QString odd = writeFile(m_dir, "a|b.gif", "GIF89a");
        QStringList att;
        for (const auto& e :
             SendMailArgs::splitAttachments(odd + "\t" + odd + "|7.png|image/mtn\t/q/x.JPEG"))
            att << e.path + " " + e.name + " " + e.contentType;
        QCOMPARE(att, QStringList({odd + " a|b.gif image/gif", odd + " 7.png image/mtn",
                                   "/q/x.JPEG x.JPEG image/jpeg"}));
    }

    // The composer's fields become the list: "," ends an address unless a pair of quotes
    // holds it; a lone quote is part of the name. A typed list cannot switch sections: a "bcc"
    // item or a TAB would put evil@ in the envelope and in no header. Refused with the reason;
    // the command line then sends nothing.
    void recipientFields_data() {
        QTest::addColumn<QStringList>("fields"); // To, CC, BCC
        QTest::addColumn<QString>("list");       // or the reason it is refused
        QTest::newRow("cc only") << QStringList{"", "c@x,d@x", ""} << "\tcc\tc@x\td@x";
        QTest::newRow("comma in quotes")
            << QStringList{"\"S, \\\"K\" <k@x>,j@x", "", ""} << "\"S, \\\"K\" <k@x>\tj@x";
        QTest::newRow("empty items") << QStringList{"a@x,,b@x ", "", ""} << "a@x\t\tb@x ";
        QTest::newRow("stray quote") << QStringList{"O\"Brien<ob@x.com>,b@y.com", "", "c@z.jp"}
                                     << "O\"Brien<ob@x.com>\tb@y.com\tbcc\tc@z.jp";
        QTest::newRow("stray quote after a pair")
            << QStringList{"\"A, B\" <a@x>,O\"B<o@x>,c@x", "", ""}
            << "\"A, B\" <a@x>\tO\"B<o@x>\tc@x";
        const QString control = Msg::mailControlCharacter(Msg::mailFieldRecipients());
        QTest::newRow("bcc item after a comma")
            << QStringList{"a@example.com,bcc,evil@example.com", "", ""}
            << Msg::mailBadRecipient("bcc");
        QTest::newRow("bcc item between TABs")
            << QStringList{"a@example.com\tbcc\tevil@example.com", "", ""} << control;
        QTest::newRow("TAB in the CC field")
            << QStringList{"a@example.com", "b@example.com\tevil@example.com", ""} << control;
        QTest::newRow("two @") << QStringList{"a@example.com@evil.com", "", ""}
                               << Msg::mailBadRecipient("a@example.com@evil.com");
    }
    void recipientFields() {
        QFETCH(QStringList, fields);
        QString error;
        const auto list = SendMailArgs::recipients(fields[0], fields[1], fields[2], &error);
        QTEST(list.value_or(error), "list");
        if (list) return;
        QStringList args{"--to", fields[0], "--smtp", m_smtp.server(), "--from", "f@x.jp"};
        if (!fields[1].isEmpty()) args << "--cc" << fields[1];
        if (!fields[2].isEmpty()) args << "--bcc" << fields[2];
        const int before = m_smtp.count();
        QString printed, errors;
        QTextStream out(&printed), err(&errors);
        QCOMPARE(Cli::runMail(args, out, err), 1);
        QCOMPARE(m_smtp.count(), before);
    }

    // --- sending over SMTP ----------------------------------------------------------------

    void sendAndReceive_data() {
        const QString png = writeFile(m_dir, "pic.png", allBytes());
        const QString jpg = writeFile(m_dir, "写真.JPG", allBytes().left(300));
        const QString bmp = writeFile(m_dir, "x.bmp", "BM");
        const QString bin = writeFile(m_dir, "data.bin", QByteArray(1, '\0'));
        const QString webp = writeFile(m_dir, "x.webp", "RIFF");
        QTest::addColumn<QString>("recipients");
        QTest::addColumn<QString>("subject");
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("attachments");
        QTest::addColumn<QStringList>("envelope");
        QTest::addColumn<QStringList>("headers"); // To, CC
        QTest::addColumn<QStringList>("names");   // name|type of each attachment
        const auto row = [](const char* name, const QString& recipients, const QString& subject,
                            const QString& body, const QString& attachments,
                            const QStringList& envelope, const QStringList& headers,
                            const QStringList& names = {}) {
            QTest::newRow(name) << recipients << subject << body << attachments << envelope
                                << headers << names;
        };
        const QString a = "a@example.jp";
        row("japanese, cc, bcc, png",
            *SendMailArgs::recipients("山田 太郎<yamada@example.jp>,b@example.jp",
                                      "\"Sato, K\" <sato@example.jp>", "hidden@example.jp"),
            "テスト送信 ～ ｶﾞｿﾞｳ", "こんにちは。\r\n画像を送ります。\r\n\r\n--\r\n山田", png,
            {"yamada@example.jp", "b@example.jp", "sato@example.jp", "hidden@example.jp"},
            {"山田 太郎 <yamada@example.jp>, b@example.jp", "\"Sato, K\" <sato@example.jp>"},
            {"pic.png|image/png"});
        row("animation frames", a, "anime", "",
            SendMailArgs::attachments(png + "," + png + "," + png, true), {a}, {a, ""},
            {"1.png|image/mtn", "2.png|image/mtn", "3.png|image/mtn"});
        row("dot lines survive", a, "", ".\r\n..\r\n.x\r\nend\r\n.\r\n", "", {a}, {a, ""});
        row("types by extension, japanese name", a + "\tbcc\tb@example.jp", QString(60, u'長'),
            "本文", jpg + "\t" + bmp + "\t" + bin + "\t" + webp, {a, "b@example.jp"}, {a, ""},
            {"写真.JPG|image/jpeg", "x.bmp|image/bmp", "data.bin|application/octet-stream",
             "x.webp|image/webp"});
        row("bcc only", "\tbcc\tz@example.jp", "x", "y", "", {"z@example.jp"}, {"", ""});
        row("very long body line", a, "", QString(700, u'あ'), "", {a}, {a, ""});
    }
    void sendAndReceive() {
        QFETCH(QString, recipients);
        QFETCH(QString, subject);
        QFETCH(QString, body);
        QFETCH(QString, attachments);
        QFETCH(QStringList, headers);
        QFETCH(QStringList, names);
        const QString from = "差出人<from@example.jp>";
        const int n = m_smtp.count() + 1;
        QCOMPARE(SendMail(m_smtp.server(), recipients, from, subject, body, attachments),
                 QString());
        QCOMPARE(m_smtp.count(), n);
        const QString eml = m_smtp.eml(n);
        QStringList envelope = QStringList{m_smtp.envelope(n)["mail_from"].toString()} +
                               m_smtp.envelope(n)["rcpt_tos"].toVariant().toStringList();
        // The composer's estimate of the same mail never promises less than is sent.
        const auto r = SendMailArgs::splitRecipients(recipients);
        QStringList files;
        for (const auto& att : SendMailArgs::splitAttachments(attachments)) files << att.path;
        const Mime::MailFields typed{r.to.join(','), r.cc.join(','),  r.bcc.join(','),
                                     subject,        files.join(','), body};
        QVERIFY(QFileInfo(eml).size() >= Mime::estimateSize(typed, "from@example.jp"));
        QCOMPARE(envelope.takeFirst(), "from@example.jp");
        QTEST(envelope, "envelope");

        const QJsonObject mail = m_smtp.mail(n);
        QVERIFY(!mail.isEmpty());
        QStringList shown;
        for (const char* key : {"From", "To", "Cc", "Subject", "mime_version", "body_charset"})
            shown << mail[key].toString();
        shown << lf(mail["body"].toString());
        QCOMPARE(shown, QStringList({"差出人 <from@example.jp>", headers[0], headers[1],
                                     Jis::toJisForms(subject), "1.0", "iso-2022-jp",
                                     lf(Jis::toJisForms(body))}));
        QVERIFY(mail["bcc"].isNull() && !mail["date"].toString().isEmpty() &&
                mail["message_id"].toString().endsWith("@example.jp>") &&
                mail["max_line"].toInt() <= 998 && !mail["bare_lf"].toBool() &&
                !mail["eight_bit"].toBool());
        const QJsonArray atts = mail["attachments"].toArray();
        QCOMPARE(atts.size(), names.size());
        const QStringList paths = attachments.split(u'\t');
        for (qsizetype i = 0; i < names.size(); ++i) {
            const QJsonObject a = atts[i].toObject();
            QCOMPARE(QStringList({a["filename"].toString() + "|" + a["type"].toString(),
                                  a["name"].toString()}),
                     QStringList({names[i], names[i].section(u'|', 0, 0)}));
            QCOMPARE(QByteArray::fromBase64(a["data"].toString().toLatin1()),
                     readAll(SendMailArgs::splitAttachments(paths[i]).value(0).path));
        }
    }

    void sendFails_data() {
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QStringList>("mail"); // recipients, subject, body, attachments
        const auto row = [](const char* name, const QString& server, const QString& error,
                            const QStringList& mail) {
            QTest::newRow(name) << server << error << mail;
        };
        const QString dead = "127.0.0.1:" + QString::number(Listener(false).port);
        row("recipient refused", m_smtp.server(),
            "550 5.1.1 <reject@x.jp>: Recipient address rejected: no such user",
            {"a@x.jp\tcc\treject@x.jp"});
        row("refused with terminal codes", m_smtp.server(),
            "550 5.1.1 \\x1b]0;steered\\x07\\x1b[31mno such user", {"steer@x.jp"});
        row("dead port", dead, Msg::mailConnectFailed(dead, "").chopped(3), {"a@x.jp"});
        row("no address at all", dead, Msg::mailNoRecipient(), {"\tcc\t\tbcc\t"});
        row("missing attachment, before connecting", dead,
            Msg::mailAttachmentMissing("/no/such/pic.png"), {"a@x.jp", "", "", "/no/such/pic.png"});
        row("line break in subject", dead, Msg::mailControlCharacter(Msg::mailFieldSubject()),
            {"a@x.jp", "x\r\nBcc: evil@x.jp"});
        row("line break in a name", dead, Msg::mailControlCharacter(Msg::mailFieldRecipients()),
            {"a\nb<c@d>"});
        const QString body = Msg::mailControlCharacter(Msg::mailFieldBody());
        row("NUL in body", dead, body, {"a@x.jp", "", QString("a") + QChar(0)});
        row("no JIS form", dead, Msg::mailUnencodable("①㈱髙"), {"a@x.jp", "①と㈱", "髙"});
        // Only the lower-case items are markers; anything else must be a mailbox.
        row("marker in capitals", m_smtp.server(), Msg::mailBadRecipient("BCC"),
            {"a@x.jp\tBCC\tevil@x.jp"});
        row("bad port", "127.0.0.1:99999", Msg::mailBadServer("127.0.0.1:99999"), {"a@x.jp"});
        row("no server", " ", Msg::mailNoServer(), {"a@x.jp"});
    }
    void sendFails() {
        QFETCH(QString, server);
        QFETCH(QString, error);
        QFETCH(QStringList, mail);
        const int before = m_smtp.count();
        const QString result =
            SendMail(server, mail[0], "f@x.jp", mail.value(1), mail.value(2), mail.value(3));
        QVERIFY2(result.startsWith(error), qPrintable(result));
        QCOMPARE(m_smtp.count(), before);
    }

    // Every wait on the server ends at the one limit, the reply to the end of the message
    // included (a QUIT after it once doubled the wait). A peer that answers in another
    // protocol is named as no SMTP server at once. The peer here answers commands as an SMTP
    // server would until the message ends, then falls silent and gives the client 6 s from
    // there (the 4 s limit and some) to hang up.
    void serverWaits_data() { addDataRows("mail-waits.txt", {"greeting:bytes", "smtp:bool"}); }
    void serverWaits() {
        QFETCH(QByteArray, greeting);
        Listener raw;
        bool hungUp = false;
        std::thread peer([&raw, greeting, &hungUp] {
            pollfd p{raw.fd, POLLIN, 0};
            if (::poll(&p, 1, 60000) != 1) return;
            const int c = p.fd = ::accept(raw.fd, nullptr, nullptr);
            auto say = [c](const QByteArray& text) {
                [[maybe_unused]] const ssize_t n = ::write(c, text.constData(), text.size());
            };
            say(greeting);
            QByteArray in;
            char buf[512];
            bool message = false, silent = false;
            QDeadlineTimer patience(60000);
            while (::poll(&p, 1, int(patience.remainingTime())) == 1) {
                const ssize_t n = ::read(c, buf, sizeof buf);
                if ((hungUp = n <= 0)) break;
                for (in.append(buf, n); in.contains("\r\n"); in.remove(0, in.indexOf("\r\n") + 2)) {
                    const QByteArray line = in.left(in.indexOf("\r\n")).toUpper();
                    if (message) {
                        silent = line == "."; // the end: nothing more is answered
                        message = !silent;
                        if (silent) patience.setRemainingTime(6000);
                    } else if (!silent) {
                        message = line == "DATA";
                        say(message ? "354 go on\r\n" : "250 ok\r\n");
                    }
                }
            }
            ::close(c);
        });
        QFETCH(bool, smtp);
        SendMailOptions opt;
        opt.responseTimeoutSeconds = 4;
        int calls = 0; // the window repaints while the call waits
        opt.keepAlive = [&calls] { return ++calls > 0; };
        const QString where = "127.0.0.1:" + QString::number(raw.port);
        const QString result = SendMail(where, "a@x.jp", "f@x.jp", "s", "b", "", opt);
        peer.join();
        QCOMPARE(result, smtp ? Msg::mailTimedOut(where) : Msg::mailNotSmtp(where));
        QVERIFY(hungUp);
        QVERIFY(calls > 0 || !smtp);
        // The window may give up at any time.
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
        QCOMPARE(tls.mail(1)["Subject"].toString(), "暗号");
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

    // Loaded, and where the bytes are what saving writes, saved and loaded twice more: the
    // same bytes and fields each time (no growing body).
    void mailFile_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("fields"); // to, cc, bcc, subject, files, body
        QTest::addColumn<bool>("saved");
        const auto decoded = [](const QString& field) {
            return QByteArray::fromPercentEncoding(field.toUtf8());
        };
        for (const QStringList& row : dataTable("mail-files.txt")) {
            QStringList fields;
            for (const QString& field : row.mid(2, 6)) fields << QString::fromUtf8(decoded(field));
            QTest::newRow(qPrintable(row[0])) << decoded(row[1]) << fields << (row[8] == "1");
        }
    }
    void mailFile() {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, fields);
        QFETCH(bool, saved);
        const QString path = writeFile(m_dir, "mail.txt", bytes);
        for (int round = 0; round < (saved ? 3 : 1); ++round) {
            QString error;
            const auto loaded = MailFile::load(path, &error);
            QVERIFY2(loaded, qPrintable(error));
            QCOMPARE(parts(loaded->fields), fields);
            if (!saved) break;
            QVERIFY(MailFile::save(path, loaded->fields, &error));
            QCOMPARE(readAll(path), bytes);
        }
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
        QCOMPARE(readAll(path), QByteArray("old"));
        QVERIFY(MailFile::save(path, f, &error, true));
    }

    // --- quilmo mail ----------------------------------------------------------------------

    void command_data() {
        const QString png = writeFile(m_dir, "cli.png", allBytes());
        const QString body = writeFile(m_dir, "body.txt", TextCodec::toCp932(u"本文\r\n.\r\n"));
        const QStringList via{"--smtp", m_smtp.server(), "--from", "f@x.jp"};
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("body");
        const auto row = [](const char* name, const QStringList& args, int code,
                            const QString& body = {}) {
            QTest::newRow(name) << args << code << body;
        };
        row("animation",
            QStringList{"--to", "a@x.jp", "--bcc", "b@x.jp", "--subject", "件名", "--body-file",
                        body, "--anime", png, png} +
                via,
            0, "本文\n.");
        row("refused", QStringList{"--to", "reject@x.jp"} + via, 5);
        row("server and sender from the settings file", {"--to", "a@x.jp"}, 0);
    }
    void command() {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        AppPaths::setConfigFolder(m_dir.path());
        const QString ini = AppPaths::settingsFile();
        writeAll(ini, "[Mail]\r\nSMTP=" + m_smtp.server().toLatin1() + "\r\nAddress=ini@x.jp\r\n");
        const int before = m_smtp.count();
        QString printed, errors;
        QTextStream out(&printed), err(&errors);
        const int got = Cli::runMail(args, out, err);
        QFile::remove(ini);
        QCOMPARE(got, code);
        QCOMPARE(m_smtp.count(), before + (code == 0 ? 1 : 0));
        if (code != 0) return;
        const QJsonObject mail = m_smtp.mail(before + 1);
        QTEST(lf(mail["body"].toString()), "body");
        if (args.contains("--anime")) {
            QCOMPARE(mail["attachments"].toArray().size(), 2);
            QCOMPARE(mail["attachments"][1]["filename"].toString(), "2.png");
            QCOMPARE(mail["attachments"][1]["type"].toString(), "image/mtn");
        } else {
            QCOMPARE(m_smtp.envelope(before + 1)["mail_from"].toString(), "ini@x.jp");
        }
    }
};

QTEST_GUILESS_MAIN(TestMail)
#include "test_mail.moc"
