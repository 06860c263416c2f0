// The mail windows headless: the composer's fields into SendMail's six texts (and one real
// send on loopback), the size estimate, attachments, mail files through the menu, the address
// picker's hand-over and the options window with its files.
#include "core/image/imagecontrol.h"
#include "core/mail/mime.h"
#include "core/util/addressbook.h"
#include "core/util/appsettings.h"
#include "core/util/messages.h"
#include "core/util/profile.h"
#include "gui/mail/frm_address.h"
#include "gui/mail/frm_mail.h"
#include "gui/mail/frm_option.h"
#include "gui/widgets/imageview.h"
#include "scripteddialogs.h"

#include "loopbacksmtp.h"
#include "testsupport.h"
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>

#include <QtTest>

#include <sys/stat.h>

using A = Dialogs::Answer;

namespace {

// A composer whose sends are recorded instead of going out. Each call also tries what the user
// could do while the call waits: every attempt must fail and the panel must show.
struct Composer {
    QPointer<FRM_MAIL> w;
    QList<QStringList> calls; // server, recipients, sender, subject, body, attachments, login
    QString reply;            // what the stand-in SendMail answers
    bool busy = true;         // every call found the window busy
    Composer(AppSettings& s, AddressFile& b) : w(new FRM_MAIL(s, b)) {
        w->show();
        w->sender = [this](const QString& server, const QString& rcpt, const QString& from,
                           const QString& subject, const QString& body, const QString& files,
                           const SendMailOptions& o) {
            busy = busy && w->Picture1->isVisible() && !w->Command2[0]->isEnabled() &&
                   !w->MNU_MAIL_SEND->isEnabled();
            w->Command2_Click(0); // no second send
            busy = busy && !w->close() && o.keepAlive && o.keepAlive();
            calls.append({server, rcpt, from, subject, body, files, o.user, o.password});
            return reply;
        };
    }
    ~Composer() { delete w.data(); }
    // Types into To, CC, BCC, subject and attachments, then the body.
    void type(const QStringList& fields) {
        for (int i = 0; i < 5; ++i) w->Text1[i]->setText(fields.value(i));
        w->Text2->setPlainText(fields.value(5));
    }
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
        QFETCH(QString, reply);
        QFETCH(int, answer);
        QFETCH(QStringList, sent);
        settings.user = u"me"_qs;
        settings.password = u"secret"_qs;
        ScriptedDialogs dlg;
        Composer c(settings, book);
        c.reply = reply;
        c.type({fields[0], fields[1], fields[2], u"件名"_qs, fields[3], u"一行目\n2"_qs});
        QFETCH(bool, anime);
        c.w->Check1->setChecked(anime);
        dlg.answer(answer);
        c.w->Command2_Click(0);
        const QStringList call{settings.smtp,     sent.value(0), settings.address, u"件名"_qs,
                               u"一行目\r\n2"_qs, sent.value(1), u"me"_qs,         u"secret"_qs};
        QCOMPARE(c.calls, sent.isEmpty() ? QList<QStringList>() : QList<QStringList>{call});
        QVERIFY(c.busy);
        QTEST(dlg.messages().join("|"), "message");
        if (!reply.isEmpty()) QCOMPARE(dlg.asked.last().title, Msg::mailSendErrorTitle());
        // Yes after sending closes without the close question.
        QCOMPARE(c.closed(), answer == int(A::Yes));
        if (c.closed()) return;
        QVERIFY(!c.w->Picture1->isVisible() && c.w->Command2[0]->isEnabled());
        QCOMPARE(c.w->fields().cc, fields[1]);
        if (sent.isEmpty()) return;
        dlg.answer(answer);
        c.w->MNU_MAIL_SEND_Click();
        QCOMPARE(c.calls, (QList<QStringList>{call, call}));
    }

    void attachments() {
        ScriptedDialogs dlg;
        Composer c(settings, book);
        const QString red = writePng(dir.filePath(u"r.png"_qs), Qt::red);
        const QString gone = dir.filePath(u"gone.png"_qs);
        dlg.answer(red);
        c.w->Command1_Click(2); // "添付ﾌｧｲﾙ :"
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
        for (QLineEdit* e : c.w->Text1) { // one-line fields stay one line
            e->setText(u"a\r\nb"_qs + QChar(0) + "c");
            QCOMPARE(e->text(), u"abc"_qs);
        }
    }

    void mailFileMenu() {
        ScriptedDialogs dlg;
        Composer c(settings, book);
        c.type({u"a@x,b@x"_qs, {}, {}, u"件名: 含む"_qs, u"/p/a.png"_qs, u"一行目\nTo :二行目"_qs});
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
        // A file that cannot be decoded changes nothing and is reported.
        const QString bad = dir.filePath(u"bad.txt"_qs);
        writeAll(bad, "To :\x81\x7f\xff\r\n");
        dlg.answer(bad);
        back.w->MNU_FILE_LOAD_Click();
        QCOMPARE(back.w->fields().to, a.to);
        // A failed write is reported too.
        dlg.answer(dir.filePath(u"no/such/folder/m.txt"_qs));
        back.w->MNU_FILE_SAVE_Click();
        QCOMPARE(dlg.messages().size(), 2);
        // Characters CP932 cannot store are named before the file is asked for.
        c.w->Text1[3]->setText(u"絵😀"_qs);
        dlg.answer(A::Cancel);
        c.w->MNU_FILE_SAVE_Click();
        QCOMPARE(dlg.asked.last().text, Msg::mailFileLossyQuestion(u"😀"_qs));
    }

    // Closing asks only when more than BCC was typed; Cancel keeps the window.
    void closeQuestion() {
        for (const auto& [field, answer, asked, closed] : {std::tuple(2, A::Cancel, false, true),
                                                           {5, A::Cancel, true, false},
                                                           {3, A::Ok, true, true}}) {
            ScriptedDialogs dlg;
            Composer c(settings, book);
            QStringList typed(6);
            typed[field] = u"x"_qs;
            c.type(typed);
            dlg.answer(answer);
            c.w->close(); // as the title bar or the main window's end would
            QCOMPARE(!dlg.asked.isEmpty(), asked);
            QCOMPARE(c.closed(), closed);
        }
    }

    // The program ending unattended while a mail goes out: the send gives up at its next wait
    // and the composer closes without a word.
    void closedWhileSending() {
        ScriptedDialogs dlg;
        Composer c(settings, book);
        c.type({u"a@x"_qs, {}, {}, {}, {}, u"unsent"_qs});
        bool gaveUp = false;
        c.w->sender = [&](const QString&, const QString&, const QString&, const QString&,
                          const QString&, const QString&, const SendMailOptions& o) {
            c.w->closeWithoutQuestion();
            gaveUp = !o.keepAlive();
            return Msg::mailCancelled();
        };
        c.w->Command2_Click(0);
        QVERIFY(gaveUp && dlg.asked.isEmpty() && c.closed());
    }

    void picker() {
        book.entries = {u"Taro<taro@x>"_qs, u"hanako@x"_qs};
        ScriptedDialogs dlg;
        PickerHandOver h{u"a@x,b@x"_qs, PickerHandOver::Kind::CC};
        FRM_ADDRESS p(h, settings, book);
        QCOMPARE(p.Text1->text(), u"Taro<taro@x>"_qs);
        QCOMPARE(p.List2->currentRow(), 0);
        p.List1->setCurrentRow(1);
        p.List1_DblClick(); // after the selected recipient
        for (const QString& notOne : {u"no-at-sign"_qs, u"a@x,bcc,evil@x"_qs}) {
            p.Text1->setText(notOne);
            p.Command1_Click(0);
        }
        p.Command2_Click(1);
        QCOMPARE(h.text, u"a@x,b@x"_qs); // cancelled
        p.Command2_Click(0);
        QCOMPARE(h.text, u"a@x,hanako@x,b@x"_qs);
        for (int i = 0; i < 3; ++i) p.Command1_Click(1);
        p.Command2_Click(0);
        QCOMPARE(h.text, QString());
    }

    void optionsBook_data() {
        QTest::addColumn<QStringList>("list");
        QTest::addColumn<int>("selected");
        QTest::addColumn<int>("button");
        QTest::addColumn<QStringList>("typed"); // name, address
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<int>("selection");
        QTest::addColumn<QString>("message");
        const QStringList abc{"a@x", "b@x", "c@x"};
        const auto row = [](const char* name, const QStringList& list, int selected, int button,
                            const QStringList& typed, const QStringList& expected, int selection,
                            const QString& message = {}) {
            QTest::newRow(name) << list << selected << button << typed << expected << selection
                                << message;
        };
        row("add to empty", {}, -1, 0, {"", "n@x"}, {"n@x"}, 0);
        row("add after third", abc, 2, 0, {"N", "n@x"}, abc + QStringList{"N<n@x>"}, 3);
        row("change", abc, 1, 4, {"M", "m@x"}, {"a@x", "M<m@x>", "c@x"}, 1);
        row("delete last", abc, 2, 1, {}, abc.mid(0, 2), 1);
        row("up", abc, 2, 2, {}, {"a@x", "c@x", "b@x"}, 1);
        row("down last", abc, 2, 3, {}, abc, 2);
        row(", in address", abc, 0, 4, {"", "n@x,m@x"}, abc, 0, Msg::addressBadCharacter());
        row("TAB marker in address", abc, 0, 4, {"", "n@x\tbcc\tevil@x"}, abc, 0,
            Msg::addressNotMailbox("n@x\tbcc\tevil@x"));
        QStringList full; // the list may grow, but only to its limit
        for (int i = 0; i < AddressFile::MaxEntries; ++i) full.append(u"u%1@x"_qs.arg(i));
        row("add to a full book", full, 0, 0, {"", "one@more"}, full, 0,
            Msg::addressBookFull(AddressFile::MaxEntries));
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
        QTEST(dlg.messages().join("|"), "message");
        QCOMPARE(book.entries, list); // only "OK" stores
    }

    void optionsCommit_data() {
        addDataRows("mailwindows-commit.txt", {"button:int", "savePassword:bool", "stored:bool"});
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
            // The files and the shared settings stay as they were; the edits stay in the window.
            QCOMPARE(
                QList<QVariant>({readAll(ini), readAll(addr), settings.smtp, book.entries,
                                 o.result(), o.Text1[0]->text()}),
                QList<QVariant>({iniBefore, addrBefore, u"mail.example"_qs, QStringList{"old@x"},
                                 int(QDialog::Rejected), u"smtps://new.example"_qs}));
            return;
        }
        Profile p;
        QVERIFY(p.load(ini));
        const AppSettings back = readSettings(p);
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(ini).constData(), &st), 0);
        const QString pass = u" pass \"word\" "_qs; // kept for this run either way
        QCOMPARE(
            QList<QVariant>({o.result(), readAll(addr), back.smtp, back.user,
                             QString::number(back.qfact), back.password, settings.password,
                             uint(st.st_mode & 0777)}),
            QList<QVariant>({int(QDialog::Accepted), QByteArray("old@x\r\nnew@x\r\n"),
                             u"smtps://new.example"_qs, u"me"_qs, u"99"_qs,
                             savePassword ? pass : QString(), pass, savePassword ? 0600u : 0644u}));
    }

    // The composer's own transport, without a stand-in: BCC in the envelope only.
    void realSend() {
        SmtpServer server;
        QVERIFY(server.start());
        settings.smtp = server.server();
        settings.address = u"me@example.com"_qs;
        ScriptedDialogs dlg;
        Composer c(settings, book);
        c.w->sender = nullptr;
        c.type({u"花子<hanako@example.com>"_qs, "", "hidden@example.com", u"壁紙"_qs, "",
                u"どうぞ"_qs});
        dlg.answer(A::Yes);
        c.w->Command2_Click(0);
        QCOMPARE(dlg.messages(), QStringList{Msg::mailSent()});
        QCOMPARE(server.envelope(1)["rcpt_tos"].toVariant().toStringList(),
                 QStringList({"hanako@example.com", "hidden@example.com"}));
        QVERIFY(!readAll(server.eml(1)).contains("hidden@"));
        QVERIFY(c.closed()); // "Yes" closed it
    }
};

QTEST_MAIN(TestMailWindows)
#include "test_mailwindows.moc"
