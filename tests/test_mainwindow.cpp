// The main window headless: start-up with and without settings, the settings round trip,
// layout on resize, the zoom keys, and the files written at shutdown.
#include "core/image/imagecontrol.h"
#include "core/util/messages.h"
#include "core/util/profile.h"
#include "core/util/startup.h"
#include "gui/app/frm_imginfo.h"
#include "gui/app/frm_quilmoap.h"
#include "gui/mail/frm_mail.h"
#include "gui/widgets/filebrowser.h"
#include "gui/widgets/imageview.h"
#include "scripteddialogs.h"

#include "testsupport.h"
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProcess>
#include <QStorageInfo>
#include <QToolButton>
#include <QWindow>

#include <csignal>
#include <fcntl.h>
#include <optional>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QByteArray unreadableSettings = "[Bad]\r\nName=\x81\x20\r\n"; // not CP932

// Whether the process runs the program and has its handler for SIGTERM in place (between fork
// and exec it still has the test's own).
bool catchesTerm(qint64 pid, const QString& program) {
    const QString proc = QStringLiteral("/proc/%1/").arg(pid);
    QFile f(proc + "status");
    if (QFileInfo(proc + "exe").symLinkTarget() != QFileInfo(program).canonicalFilePath() ||
        !f.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("SigCgt:"))
            return (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (SIGTERM - 1)) & 1;
    return false;
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString ini() const { return AppPaths::settingsFile(); }
    // A value the settings file holds; "<unread>" when the file could not be read.
    QString saved(const char* group, const char* key) const {
        Profile p;
        return p.load(ini()) ? p.value(group, key) : QStringLiteral("<unread>");
    }

private slots:
    void init() {
        QVERIFY(dir.isValid());
        AppPaths::setConfigFolder(dir.path());
        QFile::remove(ini());
        QFile::remove(AppPaths::addressFile());
    }

    void settingsValues_data() { addDataRows("mainwindow-settings.txt", {"ini", "values"}); }
    void settingsValues() {
        QFETCH(QString, ini);
        Profile p;
        QVERIFY(p.parse(ini.replace("\\n", "\r\n").toLatin1() + "\r\n"));
        const AppSettings s = readSettings(p);
        QTEST(u"%1 %2 %3 %4"_qs.arg(s.qfact).arg(s.px[0]).arg(s.py[0]).arg(s.width), "values");
    }

    // A bad default size is refused, not crashed on, and kept as written; an address book
    // never touched creates no file.
    void badDefaultSizeIsHarmless() {
        ScriptedDialogs dialogs;
        writeAll(ini(), "[Defsize]\r\n0PX=-5\r\n0PY=30000\r\n");
        FRM_QUILMOAP w;
        QVERIFY(!w.LEAD1->Bitmap());
        w.close();
        QVERIFY(dialogs.asked.isEmpty());
        QCOMPARE(saved("Defsize", "0PX"), QStringLiteral("-5"));
        QVERIFY(!QFile::exists(AppPaths::addressFile()));
    }

    // Settings no screen could hold put the window on the screen, and it is saved there.
    void windowStaysOnScreen_data() {
        addDataRows("mainwindow-placement.txt", {"mainForm", "placed"});
    }
    void windowStaysOnScreen() {
        QFETCH(QString, mainForm);
        QFETCH(QString, placed);
        writeAll(ini(), "[MainForm]\r\n" + mainForm.replace("\\n", "\r\n").toLatin1() + "\r\n");
        FRM_QUILMOAP w;
        QCOMPARE(u"%1 %2 %3 %4"_qs.arg(w.x()).arg(w.y()).arg(w.width()).arg(w.height()), placed);
        w.close();
        QCOMPARE(saved("MainForm", "Left") + ' ' + saved("MainForm", "Top"),
                 u"%1 %2"_qs.arg(placed.section(' ', 0, 0).toInt() * 15)
                     .arg(placed.section(' ', 1, 1).toInt() * 15));
    }

    // A signal closes without asking: the settings file that could not be read stays as it
    // was, the reason goes to standard error, and the editor ends. When that close hangs (here
    // writing its report into a full pipe), a second signal ends the editor there and then.
    void signalCloses_data() {
        addDataRows("mainwindow-signals.txt", {"signalName", "hangs:bool"});
    }
    void signalCloses() {
        QFETCH(QString, signalName);
        const int sig = signalName == "HUP" ? SIGHUP : SIGTERM;
        QFETCH(bool, hangs);
        QTemporaryDir home; // a copy of the editor: its settings file goes beside it
        const QString exe = home.filePath("quilmo-editor"), pipe = home.filePath("stderr");
        const QString settings = home.filePath("QUILMOAP.INI");
        QVERIFY(QFile::copy(QUILMO_BUILD_DIR "/quilmo-editor", exe));
        writeAll(settings, unreadableSettings);
        QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        const int fd = ::open(QFile::encodeName(pipe).constData(), O_RDWR | O_NONBLOCK);
        QProcess editor;
        editor.setStandardErrorFile(pipe);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        editor.setProcessEnvironment(env);
        editor.start(exe, {});
        QByteArray said;
        bool full = false;
        auto read = [&] {
            char buf[4096];
            for (ssize_t n; !full && (n = ::read(fd, buf, sizeof buf)) > 0;) said.append(buf, n);
        };
        // Generously long, until the handler is in place or has run; its output read meanwhile.
        auto waitCatching = [&](bool catching) {
            for (int i = 0; i < 600 && editor.state() != QProcess::NotRunning; ++i) {
                read();
                if (catchesTerm(editor.processId(), exe) == catching) return true;
                QTest::qWait(100);
            }
            return false;
        };
        QVERIFY(waitCatching(true));
        while (hangs && ::write(fd, "x", 1) == 1) full = true;
        ::kill(pid_t(editor.processId()), sig);
        if (hangs) {
            QVERIFY(waitCatching(false));
            ::kill(pid_t(editor.processId()), SIGTERM);
        }
        QVERIFY2(editor.waitForFinished(60000), "the editor did not end");
        read();
        ::close(fd);
        QCOMPARE(editor.exitStatus(), hangs ? QProcess::CrashExit : QProcess::NormalExit);
        QCOMPARE(editor.exitCode(), hangs ? SIGTERM : 1);
        QCOMPARE(QString::fromUtf8(said).contains(Msg::settingsNotSaved({}).section('\n', 0, 0)),
                 !hangs);
        QCOMPARE(readAll(settings), unreadableSettings);
    }

    // The close box and "終了" ask each composer with unsent text, and its Cancel keeps the
    // program; a close for a signal or the session's end asks nothing. The settings are
    // written either way.
    void closeAsksComposers_data() { addDataRows("mainwindow-closes.txt", {"way:int"}); }
    void closeAsksComposers() {
        QFETCH(int, way);
        ScriptedDialogs dialogs;
        FRM_QUILMOAP w;
        w.show();
        w.MNU_FILE_MAIL_Click();
        QPointer<FRM_MAIL> mail = w.findChild<FRM_MAIL*>();
        mail->Text2->setPlainText("unsent");
        auto close = [&] {
            if (way == 0) w.windowHandle()->close(); // as the window system's close box does
            if (way == 1) w.MNU_FILE_EXIT_Click();
            if (way == 2) QVERIFY(w.closeUnattended());
        };
        if (way < 2) {
            dialogs.answer(Dialogs::Answer::Cancel);
            close();
            QVERIFY(w.isVisible() && mail && mail->isVisible());
            dialogs.answer(Dialogs::Answer::Ok);
        }
        close();
        QVERIFY(!w.isVisible() && (!mail || !mail->isVisible()));
        QCOMPARE(dialogs.messages(), QStringList(way < 2 ? 2 : 0, Msg::mailCloseQuestion()));
        QVERIFY(readAll(ini()).contains("[MainForm]"));
    }

    // A settings write that fails is reported once; a folder CP932 cannot hold keeps its old
    // value while the rest of the file is written.
    void settingsSaveFailuresReported_data() {
        addDataRows("mainwindow-savefailures.txt", {"configFolder", "working", "browsed"});
    }
    void settingsSaveFailuresReported() {
        QFETCH(QString, configFolder);
        QFETCH(QString, working);
        QFETCH(QString, browsed);
        ScriptedDialogs dialogs;
        writeAll(ini(), "[Default]\r\nFolder=old\r\nDir=old\r\n");
        if (!configFolder.isEmpty()) AppPaths::setConfigFolder(dir.filePath(configFolder));
        FRM_QUILMOAP w;
        if (!working.isEmpty()) w.settings.folder = working;
        if (!browsed.isEmpty())
            QVERIFY(QDir(dir.path()).mkpath(browsed) && w.Dir1->setPath(dir.filePath(browsed)));
        w.close();
        QCOMPARE(dialogs.messages().size(), 1);
        if (!configFolder.isEmpty()) return;
        QVERIFY(dialogs.messages()[0].contains(u"Données"));
        QCOMPARE(saved("Default", working.isEmpty() ? "Dir" : "Folder"), QString("old"));
        QCOMPARE(saved("MainForm", "Width"), QStringLiteral("12000"));
    }

    // The browser comes back to its folder on another file system than the home folder's (a
    // tmpfs of the test's own when it may mount one, else any second mount).
    void browserFolderOnAnotherMount() {
        const QString point = dir.filePath("mnt");
        QVERIFY(QDir().mkpath(point));
        auto unmount = qScopeGuard([&] { ::umount2(QFile::encodeName(point), MNT_DETACH); });
        std::optional<QTemporaryDir> secondMount;
        QString folder;
        if (::unshare(CLONE_NEWNS) == 0 &&
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
            ::mount("tmpfs", QFile::encodeName(point), "tmpfs", 0, "size=64k") == 0) {
            folder = point + "/photos";
        } else {
            const QString home = QStorageInfo(QDir::homePath()).rootPath();
            for (const QStorageInfo& v : QStorageInfo::mountedVolumes()) {
                if (v.rootPath() == home) continue;
                if (secondMount.emplace(v.rootPath() + "/quilmo-XXXXXX"); secondMount->isValid())
                    break;
                secondMount.reset();
            }
            if (!secondMount) QSKIP("no file system here other than the home folder's");
            folder = secondMount->filePath("photos");
        }
        QVERIFY(QDir().mkpath(folder));
        writeAll(ini(), "[Default]\r\nDir=" + QFile::encodeName(folder) + "\r\n");
        FRM_QUILMOAP w;
        QCOMPARE(w.File1->Path(), folder);
        w.close();
        QCOMPARE(saved("Default", "Dir"), folder);
    }

    // The composer, the Motion Viewer and the makers open over the main window.
    void windowsOpenOverTheMainWindow() {
        ScriptedDialogs dialogs;
        FRM_QUILMOAP w;
        w.setGeometry(400, 300, 300, 200);
        w.show();
        int opened = 0;
        for (auto open : {&FRM_QUILMOAP::MNU_FILE_MAIL_Click, &FRM_QUILMOAP::MNU_DSP_MOTION_Click,
                          &FRM_QUILMOAP::MNU_PRO_LUPAN_Click, &FRM_QUILMOAP::MNU_PRO_NENGA_Click,
                          &FRM_QUILMOAP::MNU_PRO_CALEN_Click, &FRM_QUILMOAP::MNU_PRO_PLATE_Click}) {
            const QWidgetList before = QApplication::topLevelWidgets();
            (w.*open)();
            for (QWidget* n : QApplication::topLevelWidgets())
                if (!before.contains(n) && n->isVisible()) {
                    QVERIFY2(w.geometry().contains(n->geometry().center()),
                             qPrintable(n->windowTitle()));
                    delete n;
                    ++opened;
                }
        }
        QCOMPARE(opened, 6);
    }

    void zoomKeys() {
        FRM_QUILMOAP w;
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.Text1[0]->setFocus();
        QTRY_VERIFY(w.Text1[0]->hasFocus());
        QVERIFY(!w.MNU_DSP_ZOOMIN->isEnabled());      // the field owns its keys while focused
        auto* edit = w.findChild<QMenu*>("MNU_EDIT"); // opening a menu keeps the field's focus
        edit->popup(w.mapToGlobal(QPoint()));
        QVERIFY(edit->isVisible() && !w.MNU_EDIT_COPY->isEnabled() &&
                !w.MNU_EDIT_PAST->isEnabled());
        edit->close();
        QTest::keyClicks(w.Text1[0], "+a");
        QCOMPARE(w.LEAD2->PaintZoomFactor(), 200);
        QCOMPARE(w.Text1[0]->text(), QStringLiteral("96"));
        QTest::keyClicks(w.Text1[0], "---");
        // The toolbar's zoom shows enabled and runs, the field keeping the focus.
        QVERIFY(w.Command2[5]->isEnabled());
        w.Command2_Click(5);
        QCOMPARE(w.LEAD2->PaintZoomFactor(), 90); // 200 % less three steps, then one up
        w.close();
    }

    // The words of the command line form one name; quotes around it are dropped.
    void commandLine() {
        QCOMPARE(commandLineFileName({"q", "/tmp/my", "pic.png"}), "/tmp/my pic.png");
        QCOMPARE(commandLineFileName({"q", "\"/tmp/a b.png\""}), "/tmp/a b.png");
        QCOMPARE(commandLineFileName({"q", "\"a\"b\""}), "\"a\"b\""); // inner quotes kept
    }

    // What is not a picture file is never read, and a broken one says why: the window says so
    // and stays as it was. The command line, a drop and the open handler all end in the same
    // check. Of several dropped files only the first is opened.
    void opening_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("drop");
        QTest::addColumn<QString>("words"); // in the one message; none: opened
        const QString fifo = dir.filePath("unread.fifo"), broken = dir.filePath("broken.png");
        QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
        writeAll(broken, "\x89PNG\r\n\x1a\nnot really");
        QVERIFY(QFile::copy(testData("red.gif"), dir.filePath("b.Gif")));
        const QString notPicture = u"は画像ファイルではありません"_qs;
        QTest::newRow("device on the command line") << "/dev/zero" << false << notPicture;
        QTest::newRow("dropped FIFO") << fifo << true << notPicture;
        QTest::newRow("name that was not text")
            << dir.filePath(u"b\uFFFD.png"_qs) << false << u"読み取れない文字"_qs;
        QTest::newRow("broken PNG") << broken << true << "broken.png";
        QTest::newRow("extension in any case") << dir.filePath("b.Gif") << true << QString();
    }
    void opening() {
        QFETCH(QString, path);
        QFETCH(bool, drop);
        QFETCH(QString, words);
        ImageCodec::initialize();
        ScriptedDialogs dialogs;
        FRM_QUILMOAP w(drop ? QString() : path);
        if (drop)
            QVERIFY(
                w.DropFiles({QUrl::fromLocalFile(path), QUrl::fromLocalFile(testData("b8.bmp"))}));
        QCOMPARE(dialogs.messages().size(), int(!words.isEmpty()));
        if (words.isEmpty()) {
            QCOMPARE(w.imgInfo->Label2[0]->text(), QFileInfo(path).fileName());
        } else {
            QCOMPARE(w.windowTitle(), QStringLiteral("Quilmo Editor"));
            QVERIFY2(dialogs.messages()[0].contains(words), qPrintable(dialogs.messages()[0]));
        }
        w.close();
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
