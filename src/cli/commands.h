#pragma once
#include <QStringList>

#include <optional>

namespace Cli {
// Runs one command line (arguments as the process received them, program name first) and
// returns the process exit code. Output goes to stdout, reasons for failure to stderr.
int run(const QStringList& args);

// The argument as the program reads it, or nothing when its bytes do not decode as text of the
// system's encoding: such a file name would come back as another name.
std::optional<QString> decodeArgument(const char* arg);

// name with control characters (a line break above all) written as \xNN, so that a file name
// cannot start a line of its own in the output.
QString printable(const QString& name);
} // namespace Cli
