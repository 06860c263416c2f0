// quilmo-editor: the editor window.
#include "app/frm_quilmoap.h"
#include "app/startup.h"
#include "platform/fonts.h"
#include "platform/imagecodec.h"

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
}

// SIGTERM closes the main window the normal way, so the settings are written.
void closeOnTerminate(QWidget* window) {
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0) return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, window);
    QObject::connect(notifier, &QSocketNotifier::activated, window, [window, notifier] {
        char c;
        [[maybe_unused]] const ssize_t n = ::read(signalPipe[0], &c, 1);
        notifier->setEnabled(false);
        window->close();
    });
    struct sigaction sa = {};
    sa.sa_handler = onTerminate;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quilmo Editor"));
    QApplication::setApplicationVersion(QStringLiteral(QUILMO_VERSION));
    QApplication::setQuitOnLastWindowClosed(true);

    QTranslator qtbase;
    if (qtbase.load(QLocale(QLocale::Japanese), QStringLiteral("qtbase"), QStringLiteral("_"),
                    QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtbase);
    Fonts::installSubstitutions();
    ImageCodec::initialize(); // the decoding policy is in force before any file is read

    FRM_QUILMOAP window(commandLineFileName(QApplication::arguments()));
    closeOnTerminate(&window);
    // The desktop session ending closes the window the normal way too.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                     [&window](QSessionManager&) { window.close(); });
    window.show();
    return app.exec();
}
