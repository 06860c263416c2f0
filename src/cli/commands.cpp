#include "cli/commands.h"

#include "cli/calendarcommand.h"
#include "cli/fitcommand.h"
#include "cli/holidayscommand.h"
#include "cli/infocommand.h"
#include "cli/mailcommand.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>
#include <algorithm>

namespace Cli {

namespace {
struct Entry {
    const char* name;
    const char* summary;
    Runner run;
};

// The one list of commands: both the dispatch and the help text read it.
const Entry commands[] = {
    {"info", "show the image information window's lines for a picture", runInfo},
    {"fit", "cut and colour-reduce a picture to a phone screen's size and byte limits", runFit},
    {"holidays", "list a year's public holidays, one YYYY-MM-DD a line", runHolidays},
    {"mail", "send pictures by mail", runMail},
    {"calendar", "draw the calendar maker's picture of one month", runCalendar},
};

QString usage() {
    QString text = QStringLiteral("usage: quilmo COMMAND [ARGS]\n"
                                  "       quilmo --help | --version\n\nCommands:\n");
    for (const Entry& c : commands)
        text += QStringLiteral("  %1%2\n").arg(QLatin1String(c.name), -10).arg(c.summary);
    return text + QStringLiteral("\n'quilmo COMMAND --help' shows a command's arguments, options "
                                 "and exit codes.\nExit codes: 0 done, 1 no or unknown command; "
                                 "each command has its own.\n");
}
} // namespace

std::optional<QString> decodeArgument(const char* arg) {
    const QString text = QString::fromLocal8Bit(arg);
    if (text.toLocal8Bit() != arg) return std::nullopt;
    return text;
}

QString jsonLine(const QJsonObject& o) {
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

std::optional<qint64> parseNumber(const QString& text, qint64 low, qint64 high) {
    // 18 digits cannot overflow; longer ones are out of any range asked for.
    if (text.isEmpty() || text.size() > 18 ||
        !std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return std::nullopt;
    const qint64 v = text.toLongLong();
    if (v < low || v > high) return std::nullopt;
    return v;
}

Command::Command(const char* name, const char* description, const char* exitCodes, int minArgs,
                 int maxArgs)
    : name(QString::fromUtf8(name)), exitCodes(QString::fromUtf8(exitCodes)), minArgs(minArgs),
      maxArgs(maxArgs) {
    parser.setApplicationDescription(QString::fromUtf8(description));
    parser.addOption(help);
}

QString Command::helpText() const {
    // The parser names the running executable in its first line; a test program or a path
    // would be wrong there, so the line is rebuilt from what follows "[options]".
    QString text = parser.helpText();
    const qsizetype end = text.indexOf(u'\n');
    const qsizetype options = text.lastIndexOf(QLatin1String(" [options]"), end);
    text.replace(0, options, QStringLiteral("usage: quilmo ") + name);
    text.insert(text.indexOf(u'\n') + 1, u'\n');
    return text + QStringLiteral("\nExit codes:\n") + exitCodes;
}

std::optional<int> Command::parse(const QStringList& args, QTextStream& out, QTextStream& err) {
    // The parser takes the program's name first.
    if (!parser.parse(QStringList{QStringLiteral("quilmo")} + args))
        return fail(err, parser.errorText());
    if (parser.isSet(help)) {
        out << helpText();
        return 0;
    }
    const qsizetype n = parser.positionalArguments().size();
    if (n < minArgs) return fail(err, QStringLiteral("too few arguments"));
    if (maxArgs >= 0 && n > maxArgs) return fail(err, QStringLiteral("too many arguments"));
    return std::nullopt;
}

int Command::fail(QTextStream& err, const QString& why) const {
    const QString text = helpText();
    err << "quilmo " << name << ": " << why << "\n"
        << text.left(text.indexOf(u'\n') + 1) << "('quilmo " << name << " --help' tells more)\n";
    return 1;
}

std::optional<qint64> Command::number(QTextStream& err, const QString& option, const QString& text,
                                      qint64 low, qint64 high) const {
    const std::optional<qint64> v = parseNumber(text, low, high);
    if (!v)
        fail(err, QStringLiteral("%1 must be a whole number from %2 to %3, not \"%4\"")
                      .arg(option)
                      .arg(low)
                      .arg(high)
                      .arg(printable(text)));
    return v;
}

std::optional<qint64> Command::number(QTextStream& err, const QCommandLineOption& o,
                                      qint64 fallback, qint64 low, qint64 high) const {
    if (!parser.isSet(o)) return fallback;
    return number(err, QStringLiteral("--") + o.names().constFirst(), parser.value(o), low, high);
}

QCommandLineOption Command::option(const char* name, const char* text, const char* valueName) {
    QCommandLineOption o(QString::fromUtf8(name), QString::fromUtf8(text),
                         valueName ? QString::fromUtf8(valueName) : QString());
    parser.addOption(o);
    return o;
}

int run(const QStringList& args, QTextStream& out, QTextStream& err) {
    const QString cmd = args.value(1);
    if (cmd == QLatin1String("--help") || cmd == QLatin1String("-h")) {
        out << usage();
        return 0;
    }
    if (cmd == QLatin1String("--version")) {
        out << "quilmo " << QUILMO_VERSION << "\n";
        return 0;
    }
    for (const Entry& c : commands)
        if (cmd == QLatin1String(c.name)) return c.run(args.mid(2), out, err);
    err << (cmd.isEmpty() ? QStringLiteral("quilmo: no command given")
                          : QStringLiteral("quilmo: unknown command: %1").arg(printable(cmd)))
        << "\n"
        << usage();
    return 1;
}

} // namespace Cli
