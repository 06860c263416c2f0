#include "cli/commands.h"

#include <QTextStream>

namespace Cli {

namespace {
const char* const usage = "usage: quilmo COMMAND [ARGS]\n"
                          "\n"
                          "Commands:\n"
                          "  --help       show this text\n"
                          "  --version    show the version\n";
} // namespace

int run(const QStringList& args) {
    QTextStream out(stdout), err(stderr);
    const QString cmd = args.value(1);
    if (cmd == QLatin1String("--help") || cmd == QLatin1String("-h")) {
        out << usage;
        return 0;
    }
    if (cmd == QLatin1String("--version")) {
        out << "quilmo " << QUILMO_VERSION << "\n";
        return 0;
    }
    err << (cmd.isEmpty() ? QStringLiteral("quilmo: no command given")
                          : QStringLiteral("quilmo: unknown command: %1").arg(cmd))
        << "\n"
        << usage;
    return 1;
}

} // namespace Cli
