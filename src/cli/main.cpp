// quilmo: the editor's pipelines without a window, for scripts and batch use.
#include "cli/commands.h"
#include "core/util/messages.h"

#include <QGuiApplication>
#include <QTextStream>
#include <memory>

namespace {
// The platform layer's start-up notes are noise on a command line; real warnings stay.
void quietStartup(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR"))) return;
    if (type != QtDebugMsg) fprintf(stderr, "%s\n", qPrintable(message));
}
} // namespace

int main(int argc, char** argv) {
    qInstallMessageHandler(quietStartup);
    // Drawing text needs the GUI library, but never a display: a script may run anywhere.
    std::unique_ptr<QCoreApplication> app;
    if (argc > 1 && qstrcmp(argv[1], "calendar") == 0) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName(QStringLiteral("quilmo"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUILMO_VERSION));
    // Read from argv itself: the decoded arguments no longer show which bytes were invalid.
    QStringList args;
    for (int i = 0; i < argc; ++i) {
        const std::optional<QString> arg = Cli::decodeArgument(argv[i]);
        if (!arg) {
            fprintf(stderr, "quilmo: %s\n",
                    qPrintable(
                        Msg::fileNameUndecodable(Cli::printable(QString::fromLocal8Bit(argv[i])))));
            return 1;
        }
        args.append(*arg);
    }
    QTextStream out(stdout), err(stderr);
    return Cli::run(args, out, err);
}
