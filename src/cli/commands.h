#pragma once
#include <QStringList>

namespace Cli {
// Runs one command line (arguments as the process received them, program name first) and
// returns the process exit code. Output goes to stdout, reasons for failure to stderr.
int run(const QStringList& args);
} // namespace Cli
