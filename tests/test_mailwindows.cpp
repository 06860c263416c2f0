// The mail windows headless: the composer's fields into SendMail's six texts (and one real
// send on loopback), the size estimate, attachments, mail files through the menu, the address
// picker's hand-over and the options window with its files.
#include "app/appsettings.h"
#include "mail/addresslist.h"
#include "mail/frm_address.h"
#include "mail/frm_mail.h"
#include "mail/frm_option.h"
#include "mail/mime.h"
#include "platform/imagecontrol.h"
#include "scripteddialogs.h"
#include "util/addressbook.h"
#include "util/messages.h"
#include "util/profile.h"

#include "testsupport.h"
#include <QCheckBox>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>

#include <QtTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

using A = Dialogs::Answer;

namespace {

struct Call {
    QString server, recipients, sender, subject, body, attachments, user, password;
};

// A composer whose sends are recorded instead of going out.
struct Composer {
    QPointer<FRM_MAIL> w;
    QList<Call> calls;
    QString reply; // what the stand-in SendMail answers
    Composer(AppSettings& s, AddressFile& b) : w(new FRM_MAIL(s, b)) {
        w->show();
        w->sender = [this](const QString& server, const QString& rcpt, const QString& from,
                           const QString& subject, const QString& body, const QString& files,
                           const SendMailOptions& o) {
            calls.append({server, rcpt, from, subject, body, files, o.user, o.password});
            return reply;
        };
    }
    ~Composer() { delete w.data(); }
    bool closed() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return w.isNull();
    }
};

QString writePng(const QString& path, QColor colour) {
    QImage img(20, 10, QImage::Format_RGB32);
    img.fill(colour);
    img.save(path, "PNG");
    return path;
}

// Connects to 127.0.0.1:port (port 0: binds a free port instead and returns it).
int loopback(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(quint16(port));
    socklen_t len = sizeof a;
    int result = 0;
    if (port == 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&a), len) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0)
        result = ntohs(a.sin_port);
    else if (port != 0)
        result = ::connect(fd, reinterpret_cast<sockaddr*>(&a), len) == 0 ? port : 0;
    ::close(fd);
    return result;
}

} // namespace

class TestMailWindows : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    AppSettings settings;
    AddressFile book;

    // What the main window's IniSave does with the settings and the book.
    bool commit() {
        Profile ini;
        if (!ini.load(AppPaths::settingsFile())) return false;
        writeSettings(settings, ini);
        return (!ini.isModified() || ini.save(AppPaths::settingsFile())) &&
               book.save(AppPaths::addressFile());
    }

private slots:
    void init() {
        AppPaths::setConfigFolder(dir.path());
        settings = AppSettings();
        settings.smtp = u"mail.example"_qs;
        settings.address = u"me@example"_qs; // 10 characters
        book = AddressFile();
    }

    // Each outcome of "送信": the six texts handed over, the answer shown, the window left
    // usable or closed; "No" keeps every field, so the menu sends the same mail again.
    void send_data() {
        QTest::addColumn<QStringList>("fields"); // To, CC, BCC, attachments
        QTest::addColumn<bool>("anime");
        QTest::addColumn<QString>("reply");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("sent"); // recipients, attachments; empty: nothing sent
        QTest::addColumn<QString>("message");
        const auto row = [](const char* name, const QStringList& fields, bool anime,
                            const QString& reply, A answer, const QStringList& sent,
                            const QString& message) {
            QTest::newRow(name) << fields << anime << reply << int(answer) << sent << message;
        };
        const QString ok = Msg::mailSent();
        row("two To, one BCC", {"a@x,b@x", "", "c@x", ""}, false, "", A::No,
            {"a@x\tb@x\tbcc\tc@x", ""}, ok);
        row("CC, book entry", {"A<a@x>", "d@x,e@x", "", "/p/a.png"}, false, "", A::No,
            {"A<a@x>\tcc\td@x\te@x", "/p/a.png"}, ok);
        row("animation of three", {"a@x", "", "", "/p/a.png,/p/b.png,/p/c.png"}, true, "", A::No,
            {"a@x", "/p/a.png|1.png|image/mtn\t/p/b.png|2.png|image/mtn\t/p/c.png|3.png|image/mtn"},
            ok);
        // After the missing-To message nothing may be sent, and no "送信完了" follow.
        row("no To", {"", "cc@x", "", ""}, false, "", A::Ok, {}, Msg::mailNoRecipient());
        row("refused", {"a@x", "cc@x", "", ""}, false, "添付ファイルが見つかりません: /gone.png",
            A::Ok, {"a@x\tcc\tcc@x", ""},
            "ﾒｰﾙの送信ｴﾗｰが発生しました。\r\n添付ファイルが見つかりません: /gone.png");
        row("sent, close", {"a@x", "cc@x", "", ""}, false, "", A::Yes, {"a@x\tcc\tcc@x", ""}, ok);
    }
    void send() {
        QFETCH(QStringList, fields);
        QFETCH(int, answer);
        QFETCH(QStringList, sent);
        settings.user = u"me"_qs;
        settings.password = u"secret"_qs;
        ScriptedDialogs dlg;
        Composer c(settings, book);
        QFETCH(QString, reply);
        c.reply = reply;
        for (int i : {0, 1, 2}) c.w->Text1[i]->setText(fields[i]);
        c.w->Text1[3]->setText(u"件名"_qs);
        c.w->Text1[4]->setText(fields[3]);
        QFETCH(bool, anime);
        c.w->Check1->setChecked(anime);
        c.w->Text2->setPlainText(u"一行目\n2"_qs);
        bool busy = false;
        const FRM_MAIL::Sender inner = c.w->sender;
        c.w->sender = [&](const QString& a, const QString& b, const QString& d, const QString& e,
                          const QString& f, const QString& g, const SendMailOptions& o) {
            // While the call waits: panel shown, commands off, no second send, no closing.
            busy = c.w->Picture1->isVisible() && !c.w->Command2[0]->isEnabled() &&
                   !c.w->MNU_MAIL_SEND->isEnabled();
            c.w->Command2_Click(0);
            busy = busy && !c.w->close() && o.keepAlive && o.keepAlive();
            return inner(a, b, d, e, f, g, o);
        };
        dlg.answer(answer);
        c.w->Command2_Click(0);
        QCOMPARE(c.calls.size(), sent.isEmpty() ? 0 : 1);
        QCOMPARE(busy, !sent.isEmpty());
        QTEST(dlg.messages().join("|"), "message");
        // Yes after sending closes without the close question.
        QCOMPARE(c.closed(), answer == int(A::Yes));
        if (!sent.isEmpty()) {
            const Call& call = c.calls[0];
            QCOMPARE(QStringList({call.recipients, call.attachments}), sent);
            QCOMPARE(QStringList({call.server, call.sender, call.subject, call.body, call.user,
                                  call.password}),
                     QStringList(
                         {settings.smtp, settings.address, "件名", "一行目\r\n2", "me", "secret"}));
        }
        if (c.closed()) return;
        QVERIFY(!c.w->Picture1->isVisible());
        QVERIFY(c.w->Command2[0]->isEnabled());
        QCOMPARE(c.w->fields().cc, fields[1]);
        if (sent.isEmpty()) return;
        dlg.answer(answer);
        c.w->MNU_MAIL_SEND_Click();
        QCOMPARE(c.calls.size(), 2);
        QCOMPARE(QStringList({c.calls[1].recipients, c.calls[1].attachments}), sent);
    }

    // The composer's label and its colour at the limit; the sums themselves are the mail
    // core's. "From: me@example", "To: " and "Body: " with their line ends, plus 47.
    void estimate_data() {
        QTest::addColumn<QString>("body");
        QTest::addColumn<int>("attachBytes"); // 0: no attachment
        QTest::addColumn<qint64>("size");
        QTest::addColumn<bool>("red");
        QTest::newRow("exactly 6000") << QString(5923, u'x') << 0 << qint64(6000) << false;
        QTest::newRow("6001") << QString(5924, u'x') << 0 << qint64(6001) << true;
        QTest::newRow("5000-byte file") << "" << 5000 << qint64(77 + 5120 + 13) << false;
    }
    void estimate() {
        QFETCH(QString, body);
        QFETCH(int, attachBytes);
        ScriptedDialogs dlg;
        Composer c(settings, book);
        c.w->Text2->setPlainText(u"-"_qs);
        c.w->Text2->setPlainText(body);
        if (attachBytes) {
            QFile f(dir.filePath(u"a.bin"_qs)); // "File: a.bin" + CR LF
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray(attachBytes, 'z'));
            f.close();
            c.w->Text1[4]->setText(f.fileName());
        }
        QTEST(c.w->Label3->text().toLongLong(), "size");
        QTEST(c.w->Label3->palette().color(QPalette::WindowText) == QColor(255, 0, 0), "red");
    }

    void attachments() {
        ScriptedDialogs dlg;
        Composer c(settings, book);
        const QString red = writePng(dir.filePath(u"r.png"_qs), Qt::red);
        const QString gone = dir.filePath(u"gone.png"_qs);
        dlg.answer(red);
        c.w->Command1_Click(2); // "添付ﾌｧｲﾙ :"
        QCOMPARE(dlg.asked[0].filters.size(), 3);
        c.w->Text1[4]->setText(c.w->Text1[4]->text() + "," + gone + "," + red);
        QCOMPARE(c.w->VScroll1->maximum(), 3);
        c.w->VScroll1->setValue(2); // a missing file: black, its name still shown
        QCOMPARE(c.w->Label4->text(), u"gone.png"_qs);
        QCOMPARE(c.w->LEAD1->image().pixelColor(0, 0), QColor(Qt::black));
        c.w->VScroll1->setValue(3);
        QCOMPARE(c.w->LEAD1->image().pixelColor(0, 0), QColor(Qt::red));
        c.w->Command3_Click(); // "解除" of the last: the preview moves to the new last
        QCOMPARE(c.w->Text1[4]->text(), red + "," + gone);
        QCOMPARE(c.w->VScroll1->value(), 2);
        // A path with "," would become two entries: refused by name.
        const QString comma = dir.filePath(u"a,b.png"_qs);
        dlg.answer(comma);
        c.w->Command1_Click(2);
        QCOMPARE(c.w->Text1[4]->text(), red + "," + gone);
        QCOMPARE(dlg.messages(), QStringList{Msg::mailAttachmentComma(comma)});
        QStringList many(150, gone); // no fixed number of slots
        many.append(red);
        c.w->Text1[4]->setText(many.join(u','));
        c.w->VScroll1->setValue(151);
        QCOMPARE(c.w->LEAD1->image().pixelColor(0, 0), QColor(Qt::red));
        FRM_MAIL* opened = FRM_MAIL::openNew(settings, book, {red, comma}, true);
        QCOMPARE(opened->Text1[4]->text(), red);
        QVERIFY(opened->Check1->isChecked());
        delete opened;
    }

    void oneLineFields() {
        ScriptedDialogs dlg;
        Composer c(settings, book);
        for (QLineEdit* e : c.w->Text1) {
            e->setText(u"a\r\nb"_qs + QChar(0) + "c");
            QCOMPARE(e->text(), u"abc"_qs);
        }
        FRM_OPTION o(settings, book, {});
        o.Text1[3]->setText(u"x@y\n"_qs);
        QCOMPARE(o.Text1[3]->text(), u"x@y"_qs);
    }

    void mailFileMenu() {
        ScriptedDialogs dlg;
        Composer c(settings, book);
        c.w->Text1[0]->setText(u"a@x,b@x"_qs);
        c.w->Text1[3]->setText(u"件名: 含む"_qs);
        c.w->Text1[4]->setText(u"/p/a.png"_qs);
        c.w->Text2->setPlainText(u"一行目\nTo :二行目"_qs);
        const QString path = dir.filePath(u"mail.txt"_qs);
        dlg.answer(path);
        c.w->MNU_FILE_SAVE_Click();
        QCOMPARE(settings.folder, dir.path());
        Composer back(settings, book);
        dlg.answer(path);
        back.w->MNU_FILE_LOAD_Click();
        const Mime::MailFields a = c.w->fields(), b = back.w->fields();
        QCOMPARE(QStringList({b.to, b.cc, b.bcc, b.subject, b.files, b.body}),
                 QStringList({a.to, a.cc, a.bcc, a.subject, a.files, a.body}));
        QVERIFY(dlg.messages().isEmpty());

        // A file that cannot be decoded changes nothing and is reported.
        const QString bad = dir.filePath(u"bad.txt"_qs);
        QFile f(bad);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write("To :\x81\x7f\xff\r\n") > 0);
        f.close();
        dlg.answer(bad);
        back.w->MNU_FILE_LOAD_Click();
        QCOMPARE(back.w->fields().to, a.to);
        QCOMPARE(dlg.messages().size(), 1);
        // A failed write is reported and leaves the old file whole.
        dlg.answer(dir.filePath(u"no/such/folder/m.txt"_qs));
        back.w->MNU_FILE_SAVE_Click();
        QCOMPARE(dlg.messages().size(), 2);
        // Characters CP932 cannot store are named before the file is asked for.
        c.w->Text1[3]->setText(u"絵😀"_qs);
        dlg.answer(A::Cancel);
        c.w->MNU_FILE_SAVE_Click();
        QCOMPARE(dlg.asked.last().text, Msg::mailFileLossyQuestion(u"😀"_qs));
    }

    void closeQuestion_data() {
        QTest::addColumn<int>("field"); // 2: BCC only, 5: body
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<bool>("closed");
        QTest::newRow("BCC only") << 2 << int(A::Cancel) << false << true;
        QTest::newRow("body, cancel") << 5 << int(A::Cancel) << true << false;
        QTest::newRow("subject, OK") << 3 << int(A::Ok) << true << true;
    }
    void closeQuestion() {
        QFETCH(int, field);
        QFETCH(int, answer);
        ScriptedDialogs dlg;
        Composer c(settings, book);
        if (field == 5)
            c.w->Text2->setPlainText(u"x"_qs);
        else
            c.w->Text1[field]->setText(u"x"_qs);
        dlg.answer(answer);
        c.w->close(); // as the title bar or the main window's end would
        QTEST(!dlg.asked.isEmpty(), "asked");
        QTEST(c.closed(), "closed");
    }

    void picker() {
        book.entries = {u"Taro<taro@x>"_qs, u"hanako@x"_qs};
        ScriptedDialogs dlg;
        PickerHandOver h{u"a@x,b@x"_qs, PickerHandOver::Kind::CC};
        FRM_ADDRESS p(h, settings, book);
        QCOMPARE(p.windowTitle(), u"CCｱﾄﾞﾚｽの選択"_qs);
        QCOMPARE(p.Text1->text(), u"Taro<taro@x>"_qs);
        QCOMPARE(p.List2->currentRow(), 0);
        p.List1->setCurrentRow(1);
        p.List1_DblClick(); // after the selected recipient
        p.Text1->setText(u"no-at-sign"_qs);
        p.Command1_Click(0);
        p.Command2_Click(1);
        QCOMPARE(h.text, u"a@x,b@x"_qs); // cancelled
        p.Command2_Click(0);
        QCOMPARE(h.text, u"a@x,hanako@x,b@x"_qs);
        for (int i = 0; i < 3; ++i) p.Command1_Click(1);
        p.Command2_Click(0);
        QCOMPARE(h.text, QString());

        // Through the composer's buttons: the picker for each field, its answer back.
        Composer c(settings, book);
        c.w->Text1[2]->setText(u"x@y"_qs);
        QString title;
        QTimer::singleShot(0, [&] {
            auto* open = qobject_cast<FRM_ADDRESS*>(QApplication::activeModalWidget());
            if (!open) return;
            title = open->windowTitle();
            open->Text1->setText(u"Taro<taro@x>"_qs);
            open->Command1_Click(0);
            open->Command2_Click(0);
        });
        c.w->Command1_Click(3);
        QCOMPARE(title, u"BCCｱﾄﾞﾚｽの選択"_qs);
        QCOMPARE(c.w->Text1[2]->text(), u"x@y,Taro<taro@x>"_qs);
    }

    void optionsBook_data() {
        QTest::addColumn<QStringList>("list");
        QTest::addColumn<int>("selected");
        QTest::addColumn<int>("button");
        QTest::addColumn<QStringList>("typed"); // name, address
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<int>("selection");
        QTest::addColumn<bool>("message");
        const QStringList abc{"a@x", "b@x", "c@x"};
        const auto row = [](const char* name, const QStringList& list, int selected, int button,
                            const QStringList& typed, const QStringList& expected, int selection,
                            bool message = false) {
            QTest::newRow(name) << list << selected << button << typed << expected << selection
                                << message;
        };
        row("add to empty", {}, -1, 0, {"", "n@x"}, {"n@x"}, 0);
        row("add after third", abc, 2, 0, {"N", "n@x"}, abc + QStringList{"N<n@x>"}, 3);
        row("change", abc, 1, 4, {"M", "m@x"}, {"a@x", "M<m@x>", "c@x"}, 1);
        row("delete last", abc, 2, 1, {}, abc.mid(0, 2), 1);
        row("delete only", {"a@x"}, 0, 1, {}, {}, -1);
        row("up", abc, 2, 2, {}, {"a@x", "c@x", "b@x"}, 1);
        row("up first", abc, 0, 2, {}, abc, 0);
        row("down last", abc, 2, 3, {}, abc, 2);
        row("no @", abc, 0, 0, {"", "abc"}, abc, 0);
        row("< in name", abc, 0, 0, {"A<B", "n@x"}, abc, 0, true);
        row(", in address", abc, 0, 4, {"", "n@x,m@x"}, abc, 0, true);
    }
    void optionsBook() {
        QFETCH(QStringList, list);
        QFETCH(int, selected);
        QFETCH(int, button);
        QFETCH(QStringList, typed);
        ScriptedDialogs dlg;
        book.entries = list;
        FRM_OPTION o(settings, book, {});
        o.List1->setCurrentRow(selected);
        if (!typed.isEmpty()) {
            o.Text1[2]->setText(typed[0]);
            o.Text1[3]->setText(typed[1]);
        }
        o.Command1_Click(button);
        QTEST(o.entries(), "expected");
        QTEST(o.List1->currentRow(), "selection");
        QTEST(!dlg.messages().isEmpty(), "message");
        if (o.entries() != list && o.List1->currentRow() >= 0) { // fields follow the selection
            QString entry;
            AddressList::build(o.Text1[2]->text(), o.Text1[3]->text(), &entry);
            QCOMPARE(entry, o.List1->currentItem()->text());
        }
        QCOMPARE(book.entries, list); // only "OK" stores
    }

    void optionsSplitsOddEntry() {
        // ">" before "<": no name form, the whole entry is the address.
        book.entries = {u"x>y<z@w"_qs};
        FRM_OPTION o(settings, book, {});
        QCOMPARE(o.Text1[2]->text(), QString());
        QCOMPARE(o.Text1[3]->text(), u"x>y<z@w"_qs);
    }

    void optionsBookFull() {
        ScriptedDialogs dlg;
        for (int i = 0; i < AddressFile::MaxEntries; ++i) book.entries.append(u"u%1@x"_qs.arg(i));
        FRM_OPTION o(settings, book, {});
        o.Text1[3]->setText(u"one@more"_qs);
        o.Command1_Click(0);
        QCOMPARE(o.List1->count(), AddressFile::MaxEntries);
        QCOMPARE(dlg.messages(), QStringList{Msg::addressBookFull(AddressFile::MaxEntries)});
    }

    void optionsCommit_data() {
        QTest::addColumn<int>("button");
        QTest::addColumn<bool>("savePassword");
        QTest::addColumn<bool>("stored"); // what the main window's IniSave answers
        QTest::newRow("cancel") << 1 << true << true;
        QTest::newRow("OK, password kept") << 0 << true << true;
        QTest::newRow("OK, password not kept") << 0 << false << true;
        QTest::newRow("OK, files not written") << 0 << true << false;
    }
    void optionsCommit() {
        QFETCH(int, button);
        QFETCH(bool, savePassword);
        QFETCH(bool, stored);
        const QString ini = AppPaths::settingsFile(), addr = AppPaths::addressFile();
        QFile::remove(ini);
        QFile::remove(addr);
        QVERIFY(book.load(addr));
        book.entries = {u"old@x"_qs};
        settings.password = u"stale"_qs;
        settings.savePassword = true;
        QVERIFY(commit());
        QFile(ini).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                  QFileDevice::ReadGroup | QFileDevice::ReadOther);
        const QByteArray iniBefore = readAll(ini), addrBefore = readAll(addr);

        ScriptedDialogs dlg;
        FRM_OPTION o(settings, book, [this, stored] { return stored && commit(); });
        o.Text1[0]->setText(u"smtps://new.example"_qs);
        o.Text1[4]->setText(u"me"_qs);
        o.Text1[5]->setText(u" pass \"word\" "_qs);
        o.Check1->setChecked(savePassword);
        o.Text1[3]->setText(u"new@x"_qs);
        o.Command1_Click(0);
        o.HScroll1->setValue(99);
        o.Command2_Click(button);
        if (button == 1 || !stored) {
            QCOMPARE(readAll(ini), iniBefore);
            QCOMPARE(readAll(addr), addrBefore);
            // The shared settings stay what the files still hold; the edits stay in the window.
            QCOMPARE(settings.smtp, u"mail.example"_qs);
            QCOMPARE(book.entries, QStringList{"old@x"});
            QCOMPARE(o.result(), int(QDialog::Rejected));
            QCOMPARE(o.Text1[0]->text(), u"smtps://new.example"_qs);
            return;
        }
        QCOMPARE(o.result(), int(QDialog::Accepted));
        QCOMPARE(readAll(addr), QByteArray("old@x\r\nnew@x\r\n"));
        Profile p;
        QVERIFY(p.load(ini));
        const AppSettings back = readSettings(p);
        QCOMPARE(back.smtp, u"smtps://new.example"_qs);
        QCOMPARE(back.user, u"me"_qs);
        QCOMPARE(back.qfact, qint16(99));
        QCOMPARE(back.password, savePassword ? u" pass \"word\" "_qs : QString());
        QCOMPARE(settings.password, u" pass \"word\" "_qs); // for this run
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(ini).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, savePassword ? 0600u : 0644u);
    }

    // The composer's own transport, without a stand-in: a real send on loopback (BCC in the
    // envelope only, frames named as an animation), then an attachment that has gone missing.
    void realSend() {
        QTemporaryDir store;
        QProcess server;
        const int port = loopback(0);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"PYTHONPATH"_qs, QFileInfo(QStringLiteral(__FILE__)).absolutePath());
        env.insert(u"SINK_DIR"_qs, store.path());
        server.setProcessEnvironment(env);
        settings.smtp = u"127.0.0.1:%1"_qs.arg(port);
        server.start(u"/usr/bin/python3"_qs,
                     {"-m", "aiosmtpd", "-n", "-l", settings.smtp, "-c", "smtp_sink.Sink"});
        QVERIFY(server.waitForStarted(10000));
        bool up = false;
        for (int i = 0; i < 150 && !up && server.state() == QProcess::Running; ++i) {
            up = loopback(port) != 0;
            if (!up) QThread::msleep(100);
        }
        QVERIFY2(up, server.readAllStandardError().constData());

        settings.address = u"me@example.com"_qs;
        ScriptedDialogs dlg;
        dlg.answer(A::Yes);
        QPointer<FRM_MAIL> w = new FRM_MAIL(settings, book);
        w->Text1[0]->setText(u"花子<hanako@example.com>"_qs);
        w->Text1[2]->setText(u"hidden@example.com"_qs);
        w->Text1[3]->setText(u"壁紙"_qs);
        w->Text1[4]->setText(writePng(dir.filePath(u"w.png"_qs), Qt::blue));
        w->Check1->setChecked(true);
        w->Text2->setPlainText(u"どうぞ"_qs);
        w->Command2_Click(0);
        QCOMPARE(dlg.messages(), QStringList{Msg::mailSent()});
        const QJsonObject e =
            QJsonDocument::fromJson(readAll(store.filePath(u"1.json"_qs))).object();
        QCOMPARE(e.value("rcpt_tos").toVariant().toStringList(),
                 QStringList({"hanako@example.com", "hidden@example.com"}));
        const QByteArray eml = readAll(store.filePath(u"1.eml"_qs));
        QVERIFY(eml.contains("filename=\"1.png\"") || eml.contains("name=\"1.png\""));
        QVERIFY(!eml.contains("hidden@"));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(w.isNull()); // "Yes" closed it
        server.terminate();
        server.waitForFinished(5000);

        // Refused by the real transport before any connection (nothing listens any more).
        Composer c(settings, book);
        c.w->sender = nullptr;
        const QString gone = dir.filePath(u"gone.png"_qs);
        c.w->Text1[0]->setText(u"a@example.com"_qs);
        c.w->Text1[4]->setText(gone);
        c.w->Command2_Click(0);
        QCOMPARE(dlg.messages().last(), Msg::mailSendError(Msg::mailAttachmentMissing(gone)));
        QCOMPARE(dlg.asked.last().title, Msg::mailSendErrorTitle());
    }
};

QTEST_MAIN(TestMailWindows)
#include "test_mailwindows.moc"
