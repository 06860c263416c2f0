// quilmo-editor: the editor window.
#include "core/image/fonts.h"
#include "core/util/startup.h"
#include "gui/app/frm_quilmoap.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QSocketNotifier>
#include <QTranslator>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void onTerminate(int) {
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &c, 1);
    // The close asks nothing and should end quickly; if it still hangs, the next signal ends
    // the program at once.
    struct sigaction dfl = {};
    dfl.sa_handler = SIG_DFL;
    sigaction(SIGTERM, &dfl, nullptr);
    sigaction(SIGHUP, &dfl, nullptr);
}

// SIGTERM and SIGHUP are caught from the start; the window closes once the event loop runs.
void catchTermination() {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0) return;
    struct sigaction sa = {};
    sa.sa_handler = onTerminate;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
}

// A close nobody is there to answer: the settings written where they can be, then the event
// loop ends even if some window would not close, and with it any dialog still open.
void endUnattended(FRM_QUILMOAP* window) {
    const bool saved = window->closeUnattended();
    QCoreApplication::exit(saved ? 0 : 1);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quilmo Editor"));
    QApplication::setApplicationVersion(QStringLiteral(QUILMO_VERSION));
    QApplication::setQuitOnLastWindowClosed(true);
    catchTermination();

    QTranslator qtbase;
    if (qtbase.load(QLocale(QLocale::Japanese), QStringLiteral("qtbase"), QStringLiteral("_"),
                    QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtbase);
    Fonts::installSubstitutions();

    FRM_QUILMOAP window(commandLineFileName(QApplication::arguments()));
    if (signalPipe[0] >= 0) {
        auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &window);
        QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window, notifier] {
            notifier->setEnabled(false);
            endUnattended(&window);
        });
    }
    // The desktop session ending closes the window the same way; so does a quit that did not
    // come through the window.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                     [&window](QSessionManager&) { endUnattended(&window); });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &window,
                     [&window] { window.closeUnattended(); });
    window.show();
    return app.exec();
}
