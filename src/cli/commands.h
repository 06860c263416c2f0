#pragma once
#include "core/util/textcodec.h"

#include <QCommandLineParser>
#include <QStringList>

#include <optional>

class QJsonObject;
class QTextStream;

namespace Cli {
// Every command has this shape: args are the words after the command's name, normal output goes
// to out, reasons for failure to err, and the result is the process exit code.
using Runner = int (*)(const QStringList& args, QTextStream& out, QTextStream& err);

// Runs one command line (arguments as the process received them, program name first).
int run(const QStringList& args, QTextStream& out, QTextStream& err);

// The argument as the program reads it, or nothing when its bytes do not decode as text of the
// system's encoding: such a file name would come back as another name.
std::optional<QString> decodeArgument(const char* arg);

using TextCodec::printable;

// o on one line, for the --json output: one object a line.
QString jsonLine(const QJsonObject& o);

// text as a whole number from low to high: plain decimal digits only, since "+3", " 3" or "3.0"
// are more likely typing slips than numbers.
std::optional<qint64> parseNumber(const QString& text, qint64 low, qint64 high);

// One command's parser: the command declares its options and positional arguments on parser,
// and its --help text, its usage errors and its exit-code table all come from here.
class Command {
public:
    // exitCodes: one "N  meaning" a line. Positional arguments are counted against
    // minArgs..maxArgs (maxArgs -1: no limit).
    Command(const char* name, const char* description, const char* exitCodes, int minArgs,
            int maxArgs);

    QCommandLineParser parser;

    // Parses args. Nothing: the command goes on with parser's results. Otherwise the exit code
    // to end with at once: 0 after the help text on out, 1 after a usage error on err.
    std::optional<int> parse(const QStringList& args, QTextStream& out, QTextStream& err);
    // Reports a usage error on err and returns 1, the exit code of usage errors.
    int fail(QTextStream& err, const QString& why) const;
    // The value of the integer option (or positional argument) named option, or nothing after a
    // usage error on err that names it and its range.
    std::optional<qint64> number(QTextStream& err, const QString& option, const QString& text,
                                 qint64 low, qint64 high) const;
    // The value of integer option o, fallback when it is not given; nothing after a usage error.
    std::optional<qint64> number(QTextStream& err, const QCommandLineOption& o, qint64 fallback,
                                 qint64 low, qint64 high) const;
    // Declares the option --name on parser, taking a value when valueName is given.
    QCommandLineOption option(const char* name, const char* text, const char* valueName = nullptr);
    QString helpText() const;

private:
    QString name, exitCodes;
    int minArgs, maxArgs;
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")},
                            QStringLiteral("show this text")};
};
} // namespace Cli
