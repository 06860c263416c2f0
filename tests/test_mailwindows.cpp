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

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
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
        settings.smtp = QStringLiteral("mail.example");
        settings.address = QStringLiteral("me@example"); // 10 characters
        book = AddressFile();
    }

    void sendArguments_data() {
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("cc");
        QTest::addColumn<QString>("bcc");
        QTest::addColumn<QString>("files");
        QTest::addColumn<bool>("anime");
        QTest::addColumn<QString>("recipients");
        QTest::addColumn<QString>("attachments");
        QTest::newRow("two To, one BCC") << "a@x,b@x"
                                         << ""
                                         << "c@x"
                                         << "" << false << "a@x\tb@x\tbcc\tc@x"
                                         << "";
        QTest::newRow("CC, book entry") << "A<a@x>"
                                        << "d@x,e@x"
                                        << ""
                                        << "/p/a.png" << false << "A<a@x>\tcc\td@x\te@x"
                                        << "/p/a.png";
        QTest::newRow("animation of three")
            << "a@x"
            << ""
            << ""
            << "/p/a.png,/p/b.png,/p/c.png" << true << "a@x"
            << "/p/a.png|1.png|image/mtn\t/p/b.png|2.png|image/mtn\t/p/c.png|3.png|image/mtn";
        QTest::newRow("three plain") << "a@x"
                                     << ""
                                     << ""
                                     << "/p/a.png,/p/b.png,/p/c.png" << false << "a@x"
                                     << "/p/a.png\t/p/b.png\t/p/c.png";
    }
    void sendArguments() {
        QFETCH(QString, to);
        QFETCH(QString, cc);
        QFETCH(QString, bcc);
        QFETCH(QString, files);
        QFETCH(bool, anime);
        settings.user = QStringLiteral("me");
        settings.password = QStringLiteral("secret");
        ScriptedDialogs dlg;
        Composer c(settings, book);
        c.w->Text1[0]->setText(to);
        c.w->Text1[1]->setText(cc);
        c.w->Text1[2]->setText(bcc);
        c.w->Text1[3]->setText(QStringLiteral("件名"));
        c.w->Text1[4]->setText(files);
        c.w->Check1->setChecked(anime);
        c.w->Text2->setPlainText(QStringLiteral("一行目\n2"));
        dlg.answer(A::No).answer(A::No);
        c.w->Command2_Click(0);
        c.w->MNU_MAIL_SEND_Click(); // "No" keeps every field: the same mail goes again
        QCOMPARE(c.calls.size(), 2);
        const Call& call = c.calls[1];
        QCOMPARE(call.server, settings.smtp);
        QCOMPARE(call.sender, settings.address);
        QCOMPARE(c.calls[0].recipients, call.recipients);
        QTEST(call.recipients, "recipients");
        QTEST(call.attachments, "attachments");
        QCOMPARE(call.subject, QStringLiteral("件名"));
        QCOMPARE(call.body, QStringLiteral("一行目\r\n2"));
        QCOMPARE(call.user, QStringLiteral("me"));
        QCOMPARE(call.password, QStringLiteral("secret"));
        QCOMPARE(dlg.asked.last().text, Msg::mailSent());
        QVERIFY(!c.closed());
    }

    void sendOutcomes_data() {
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("reply");
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("sends");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("closed");
        // After the missing-To message nothing may be sent, and no "送信完了" follow.
        QTest::newRow("no To") << ""
                               << "" << int(A::Ok) << 0 << Msg::mailNoRecipient() << false;
        QTest::newRow("refused") << "a@x"
                                 << "添付ファイルが見つかりません: /gone.png" << int(A::Ok) << 1
                                 << QStringLiteral("ﾒｰﾙの送信ｴﾗｰが発生しました。\r\n"
                                                   "添付ファイルが見つかりません: /gone.png")
                                 << false;
        QTest::newRow("sent, close") << "a@x"
                                     << "" << int(A::Yes) << 1 << Msg::mailSent() << true;
    }
    void sendOutcomes() {
        QFETCH(QString, to);
        QFETCH(QString, reply);
        QFETCH(int, answer);
        ScriptedDialogs dlg;
        Composer c(settings, book);
        c.reply = reply;
        c.w->Text1[0]->setText(to);
        c.w->Text1[1]->setText(QStringLiteral("cc@x"));
        c.w->Text2->setPlainText(QStringLiteral("body"));
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
        QTEST(int(c.calls.size()), "sends");
        QCOMPARE(busy, !c.calls.isEmpty());
        QCOMPARE(dlg.messages().size(), 1);
        QTEST(dlg.messages().value(0), "message");
        QTEST(c.closed(), "closed"); // Yes after sending closes without the close question
        if (!c.closed()) {
            QVERIFY(!c.w->Picture1->isVisible());
            QVERIFY(c.w->Command2[0]->isEnabled());
            QCOMPARE(c.w->Text1[1]->text(), QStringLiteral("cc@x"));
        }
    }
    void estimate_data() {
        QTest::addColumn<QString>("body");
        QTest::addColumn<int>("attachBytes"); // 0: no attachment
        QTest::addColumn<qint64>("size");
        QTest::addColumn<bool>("red");
        // "From: me@example", "To: " and "Body: " with their line ends, plus 47.
        QTest::newRow("nothing typed") << "" << 0 << qint64(77) << false;
        QTest::newRow("kana") << "あい" << 0 << qint64(77 + 3 + 4 + 3) << false;
        QTest::newRow("exactly 6000") << QString(5923, u'x') << 0 << qint64(6000) << false;
        QTest::newRow("6001") << QString(5924, u'x') << 0 << qint64(6001) << true;
        QTest::newRow("5000-byte file") << "" << 5000 << qint64(77 + 5120 + 13) << false;
    }
    void estimate() {
        QFETCH(QString, body);
        QFETCH(int, attachBytes);
        ScriptedDialogs dlg;
        Composer c(settings, book);
        c.w->Text2->setPlainText(QStringLiteral("-"));
        c.w->Text2->setPlainText(body);
        if (attachBytes) {
            QFile f(dir.filePath(QStringLiteral("a.bin"))); // "File: a.bin" + CR LF
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray(attachBytes, 'z'));
            f.close();
            c.w->Text1[4]->setText(f.fileName());
        }
        QTEST(c.w->Label3->text().toLongLong(), "size");
        const QColor colour = c.w->Label3->palette().color(QPalette::WindowText);
        QTEST(colour == QColor(255, 0, 0), "red");
    }

    void attachments() {
        ScriptedDialogs dlg;
        Composer c(settings, book);
        const QString red = writePng(dir.filePath(QStringLiteral("r.png")), Qt::red);
        const QString gone = dir.filePath(QStringLiteral("gone.png"));
        dlg.answer(red);
        c.w->Command1_Click(2); // "添付ﾌｧｲﾙ :"
        QCOMPARE(dlg.asked[0].filters.size(), 3);
        c.w->Text1[4]->setText(c.w->Text1[4]->text() + "," + gone + "," + red);
        QCOMPARE(c.w->VScroll1->maximum(), 3);
        c.w->VScroll1->setValue(2); // a missing file: black, its name still shown
        QCOMPARE(c.w->Label4->text(), QStringLiteral("gone.png"));
        QCOMPARE(c.w->LEAD1->image().pixelColor(0, 0), QColor(Qt::black));
        c.w->VScroll1->setValue(3);
        QCOMPARE(c.w->LEAD1->image().pixelColor(0, 0), QColor(Qt::red));
        c.w->Command3_Click(); // "解除" of the last: the preview moves to the new last
        QCOMPARE(c.w->Text1[4]->text(), red + "," + gone);
        QCOMPARE(c.w->VScroll1->value(), 2);
        // A path with "," would become two entries: refused by name.
        const QString comma = dir.filePath(QStringLiteral("a,b.png"));
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
            e->setText(QStringLiteral("a\r\nb") + QChar(0) + "c");
            QCOMPARE(e->text(), QStringLiteral("abc"));
        }
        FRM_OPTION o(settings, book, {});
        o.Text1[3]->setText(QStringLiteral("x@y\n"));
        QCOMPARE(o.Text1[3]->text(), QStringLiteral("x@y"));
    }

    void mailFileMenu() {
        ScriptedDialogs dlg;
        Composer c(settings, book);
        c.w->Text1[0]->setText(QStringLiteral("a@x,b@x"));
        c.w->Text1[3]->setText(QStringLiteral("件名: 含む"));
        c.w->Text1[4]->setText(QStringLiteral("/p/a.png"));
        c.w->Text2->setPlainText(QStringLiteral("一行目\nTo :二行目"));
        const QString path = dir.filePath(QStringLiteral("mail.txt"));
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
        const QString bad = dir.filePath(QStringLiteral("bad.txt"));
        QFile f(bad);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("To :\x81\x7f\xff\r\n");
        f.close();
        dlg.answer(bad);
        back.w->MNU_FILE_LOAD_Click();
        QCOMPARE(back.w->fields().to, a.to);
        QCOMPARE(dlg.messages().size(), 1);
        // A failed write is reported and leaves the old file whole.
        dlg.answer(dir.filePath(QStringLiteral("no/such/folder/m.txt")));
        back.w->MNU_FILE_SAVE_Click();
        QCOMPARE(dlg.messages().size(), 2);
        // Characters CP932 cannot store are named before the file is asked for.
        c.w->Text1[3]->setText(QStringLiteral("絵😀"));
        dlg.answer(A::Cancel);
        c.w->MNU_FILE_SAVE_Click();
        QCOMPARE(dlg.asked.last().text, Msg::mailFileLossyQuestion(QStringLiteral("😀")));
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
            c.w->Text2->setPlainText(QStringLiteral("x"));
        else
            c.w->Text1[field]->setText(QStringLiteral("x"));
        dlg.answer(answer);
        c.w->close(); // as the title bar or the main window's end would
        QTEST(!dlg.asked.isEmpty(), "asked");
        QTEST(c.closed(), "closed");
    }

    void picker() {
        book.entries = {QStringLiteral("Taro<taro@x>"), QStringLiteral("hanako@x")};
        ScriptedDialogs dlg;
        PickerHandOver h{QStringLiteral("a@x,b@x"), PickerHandOver::Kind::CC};
        FRM_ADDRESS p(h, settings, book);
        QCOMPARE(p.windowTitle(), QStringLiteral("CCｱﾄﾞﾚｽの選択"));
        QCOMPARE(p.Text1->text(), QStringLiteral("Taro<taro@x>"));
        QCOMPARE(p.List2->currentRow(), 0);
        p.List1->setCurrentRow(1);
        p.List1_DblClick(); // after the selected recipient
        p.Text1->setText(QStringLiteral("no-at-sign"));
        p.Command1_Click(0);
        p.Command2_Click(1);
        QCOMPARE(h.text, QStringLiteral("a@x,b@x")); // cancelled
        p.Command2_Click(0);
        QCOMPARE(h.text, QStringLiteral("a@x,hanako@x,b@x"));
        for (int i = 0; i < 3; ++i) p.Command1_Click(1);
        p.Command2_Click(0);
        QCOMPARE(h.text, QString());

        // Through the composer's buttons: the picker for each field, its answer back.
        Composer c(settings, book);
        c.w->Text1[2]->setText(QStringLiteral("x@y"));
        QString title;
        QTimer::singleShot(0, [&] {
            auto* open = qobject_cast<FRM_ADDRESS*>(QApplication::activeModalWidget());
            if (!open) return;
            title = open->windowTitle();
            open->Text1->setText(QStringLiteral("Taro<taro@x>"));
            open->Command1_Click(0);
            open->Command2_Click(0);
        });
        c.w->Command1_Click(3);
        QCOMPARE(title, QStringLiteral("BCCｱﾄﾞﾚｽの選択"));
        QCOMPARE(c.w->Text1[2]->text(), QStringLiteral("x@y,Taro<taro@x>"));
    }
    void optionsBook_data() {
        QTest::addColumn<QStringList>("list");
        QTest::addColumn<int>("selected");
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<int>("selection");
        QTest::addColumn<bool>("message");
        const QStringList abc{"a@x", "b@x", "c@x"};
        QTest::newRow("add to empty") << QStringList() << -1 << 0 << ""
                                      << "n@x" << QStringList{"n@x"} << 0 << false;
        QTest::newRow("add after third")
            << abc << 2 << 0 << "N"
            << "n@x" << QStringList{"a@x", "b@x", "c@x", "N<n@x>"} << 3 << false;
        QTest::newRow("change") << abc << 1 << 4 << "M"
                                << "m@x" << QStringList{"a@x", "M<m@x>", "c@x"} << 1 << false;
        QTest::newRow("delete last") << abc << 2 << 1 << ""
                                     << "" << abc.mid(0, 2) << 1 << false;
        QTest::newRow("delete only") << QStringList{"a@x"} << 0 << 1 << ""
                                     << "" << QStringList() << -1 << false;
        QTest::newRow("up") << abc << 2 << 2 << ""
                            << "" << QStringList{"a@x", "c@x", "b@x"} << 1 << false;
        QTest::newRow("up first") << abc << 0 << 2 << ""
                                  << "" << abc << 0 << false;
        QTest::newRow("down last") << abc << 2 << 3 << ""
                                   << "" << abc << 2 << false;
        QTest::newRow("no @") << abc << 0 << 0 << ""
                              << "abc" << abc << 0 << false;
        QTest::newRow("< in name") << abc << 0 << 0 << "A<B"
                                   << "n@x" << abc << 0 << true;
        QTest::newRow(", in address") << abc << 0 << 4 << ""
                                      << "n@x,m@x" << abc << 0 << true;
    }
    void optionsBook() {
        QFETCH(QStringList, list);
        QFETCH(int, selected);
        QFETCH(int, button);
        QFETCH(QString, name);
        QFETCH(QString, address);
        ScriptedDialogs dlg;
        book.entries = list;
        FRM_OPTION o(settings, book, {});
        o.List1->setCurrentRow(selected);
        if (button == 0 || button == 4) {
            o.Text1[2]->setText(name);
            o.Text1[3]->setText(address);
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
        book.entries = {QStringLiteral("x>y<z@w")};
        FRM_OPTION o(settings, book, {});
        QCOMPARE(o.Text1[2]->text(), QString());
        QCOMPARE(o.Text1[3]->text(), QStringLiteral("x>y<z@w"));
    }

    void optionsBookFull() {
        ScriptedDialogs dlg;
        for (int i = 0; i < AddressFile::MaxEntries; ++i)
            book.entries.append(QStringLiteral("u%1@x").arg(i));
        FRM_OPTION o(settings, book, {});
        o.Text1[3]->setText(QStringLiteral("one@more"));
        o.Command1_Click(0);
        QCOMPARE(o.List1->count(), AddressFile::MaxEntries);
        QCOMPARE(dlg.messages(), QStringList{Msg::addressBookFull(AddressFile::MaxEntries)});
    }

    void optionsCommit_data() {
        QTest::addColumn<int>("button");
        QTest::addColumn<bool>("savePassword");
        QTest::newRow("cancel") << 1 << true;
        QTest::newRow("OK, password kept") << 0 << true;
        QTest::newRow("OK, password not kept") << 0 << false;
    }
    void optionsCommit() {
        QFETCH(int, button);
        QFETCH(bool, savePassword);
        const QString ini = AppPaths::settingsFile(), addr = AppPaths::addressFile();
        QFile::remove(ini);
        QFile::remove(addr);
        QVERIFY(book.load(addr));
        book.entries = {QStringLiteral("old@x")};
        settings.password = QStringLiteral("stale");
        settings.savePassword = true;
        QVERIFY(commit());
        QFile(ini).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                  QFileDevice::ReadGroup | QFileDevice::ReadOther);
        const QByteArray iniBefore = readAll(ini), addrBefore = readAll(addr);

        ScriptedDialogs dlg;
        FRM_OPTION o(settings, book, [this] { return commit(); });
        o.Text1[0]->setText(QStringLiteral("smtps://new.example"));
        o.Text1[4]->setText(QStringLiteral("me"));
        o.Text1[5]->setText(QStringLiteral(" pass \"word\" "));
        o.Check1->setChecked(savePassword);
        o.Text1[3]->setText(QStringLiteral("new@x"));
        o.Command1_Click(0);
        o.HScroll1->setValue(99);
        o.Command2_Click(button);
        if (button == 1) {
            QCOMPARE(readAll(ini), iniBefore);
            QCOMPARE(readAll(addr), addrBefore);
            QCOMPARE(settings.smtp, QStringLiteral("mail.example"));
            return;
        }
        QCOMPARE(o.result(), int(QDialog::Accepted));
        QCOMPARE(readAll(addr), QByteArray("old@x\r\nnew@x\r\n"));
        Profile p;
        QVERIFY(p.load(ini));
        const AppSettings back = readSettings(p);
        QCOMPARE(back.smtp, QStringLiteral("smtps://new.example"));
        QCOMPARE(back.user, QStringLiteral("me"));
        QCOMPARE(back.qfact, qint16(99));
        QCOMPARE(back.password, savePassword ? QStringLiteral(" pass \"word\" ") : QString());
        QCOMPARE(settings.password, QStringLiteral(" pass \"word\" ")); // for this run
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(ini).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, savePassword ? 0600u : 0644u);
    }

    void optionsCommitFails() {
        ScriptedDialogs dlg;
        book.entries = {QStringLiteral("old@x")};
        FRM_OPTION o(settings, book, [] { return false; });
        o.Text1[0]->setText(QStringLiteral("other"));
        o.Command1_Click(1);
        o.Command2_Click(0);
        // The shared settings stay what the files still hold; the edits stay in the window.
        QCOMPARE(settings.smtp, QStringLiteral("mail.example"));
        QCOMPARE(book.entries, QStringList{"old@x"});
        QCOMPARE(o.result(), int(QDialog::Rejected));
        QCOMPARE(o.Text1[0]->text(), QStringLiteral("other"));
    }

    void realSend() {
        QTemporaryDir store;
        QProcess server;
        const int port = loopback(0);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PYTHONPATH"),
                   QFileInfo(QStringLiteral(__FILE__)).absolutePath());
        env.insert(QStringLiteral("SINK_DIR"), store.path());
        server.setProcessEnvironment(env);
        server.start(QStringLiteral("/usr/bin/python3"),
                     {"-m", "aiosmtpd", "-n", "-l", QStringLiteral("127.0.0.1:%1").arg(port), "-c",
                      "smtp_sink.Sink"});
        QVERIFY(server.waitForStarted(10000));
        bool up = false;
        for (int i = 0; i < 150 && !up && server.state() == QProcess::Running; ++i) {
            up = loopback(port) != 0;
            if (!up) QThread::msleep(100);
        }
        QVERIFY2(up, server.readAllStandardError().constData());

        settings.smtp = QStringLiteral("127.0.0.1:%1").arg(port);
        settings.address = QStringLiteral("me@example.com");
        ScriptedDialogs dlg;
        dlg.answer(A::Yes);
        auto* w = new FRM_MAIL(settings, book);
        QPointer<FRM_MAIL> alive(w);
        w->Text1[0]->setText(QStringLiteral("花子<hanako@example.com>"));
        w->Text1[2]->setText(QStringLiteral("hidden@example.com"));
        w->Text1[3]->setText(QStringLiteral("壁紙"));
        w->Text1[4]->setText(writePng(dir.filePath(QStringLiteral("w.png")), Qt::blue));
        w->Check1->setChecked(true);
        w->Text2->setPlainText(QStringLiteral("どうぞ"));
        w->Command2_Click(0);
        QCOMPARE(dlg.messages(), QStringList{Msg::mailSent()});
        QFile envelope(store.filePath(QStringLiteral("1.json")));
        QVERIFY(envelope.open(QIODevice::ReadOnly));
        const QJsonObject e = QJsonDocument::fromJson(envelope.readAll()).object();
        QCOMPARE(e.value("rcpt_tos").toVariant().toStringList(),
                 QStringList({"hanako@example.com", "hidden@example.com"}));
        const QByteArray eml = readAll(store.filePath(QStringLiteral("1.eml")));
        QVERIFY(eml.contains("filename=\"1.png\"") || eml.contains("name=\"1.png\""));
        QVERIFY(!eml.contains("hidden@"));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(alive.isNull()); // "Yes" closed it
        server.terminate();
        server.waitForFinished(5000);
    }
    void missingAttachmentNamed() {
        // Refused by the real transport before any connection (nothing listens on the port).
        settings.smtp = QStringLiteral("127.0.0.1:%1").arg(loopback(0));
        ScriptedDialogs dlg;
        Composer c(settings, book);
        c.w->sender = nullptr;
        const QString gone = dir.filePath(QStringLiteral("gone.png"));
        c.w->Text1[0]->setText(QStringLiteral("a@example.com"));
        c.w->Text1[4]->setText(gone);
        c.w->Command2_Click(0);
        QCOMPARE(dlg.messages(), QStringList{Msg::mailSendError(Msg::mailAttachmentMissing(gone))});
        QCOMPARE(dlg.asked[0].title, Msg::mailSendErrorTitle());
    }
};

QTEST_MAIN(TestMailWindows)
#include "test_mailwindows.moc"
