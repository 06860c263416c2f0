// quilmo: the editor's pipelines without a window, for scripts and batch use.
#include "cli/commands.h"

#include <QCoreApplication>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quilmo"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUILMO_VERSION));
    return Cli::run(QCoreApplication::arguments());
}
