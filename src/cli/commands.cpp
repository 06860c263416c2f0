#include "cli/commands.h"

#include "cli/calendarcommand.h"
#include "cli/fitcommand.h"
#include "cli/holidayscommand.h"
#include "cli/mailcommand.h"
#include "core/image/imagecodec.h"

#include <QFileInfo>
#include <QTextStream>

namespace Cli {

namespace {
const char* const usage =
    "usage: quilmo COMMAND [ARGS]\n"
    "\n"
    "Commands:\n"
    "  --help       show this text\n"
    "  --version    show the version\n"
    "  info FILE    show the image information window's lines\n"
    "  fit [options] INPUT OUTPUT\n"
    "               cut and colour-reduce a picture to a phone screen's size\n"
    "               and byte limits (quilmo fit --help)\n"
    "  holidays YEAR\n"
    "               list the year's public holidays, one YYYY-MM-DD a line\n"
    "  mail --to LIST [options] FILE...\n"
    "               send pictures by mail (quilmo mail --help)\n";

// The information window's nine rows, "caption value" each, as the window shows them.
int info(const QStringList& args, QTextStream& out, QTextStream& err) {
    // Like the editor's own command line, the words after the command form one file name.
    const QString path = args.mid(2).join(QLatin1Char(' '));
    if (path.isEmpty()) {
        err << "quilmo info: no file given\n";
        return 1;
    }
    ImageCodec::initialize();
    ImageCodec::FileInfo fi;
    ImageCodec::Error error = ImageCodec::Error::None;
    const QString name = printable(QFileInfo(path).fileName());
    if (!ImageCodec::fileInfo(path, &fi, &error)) {
        err << ImageCodec::errorText(error, name) << "\n";
        return 2;
    }
    for (const auto& [caption, value] : ImageCodec::infoLines(name, fi))
        out << caption << value << '\n'; // the caption ends in its own separator
    return 0;
}
} // namespace

std::optional<QString> decodeArgument(const char* arg) {
    const QString text = QString::fromLocal8Bit(arg);
    if (text.toLocal8Bit() != arg) return std::nullopt;
    return text;
}

QString printable(const QString& name) {
    QString out;
    for (const QChar c : name) {
        const QChar::Category cat = c.category();
        if (cat == QChar::Other_Control || cat == QChar::Separator_Line ||
            cat == QChar::Separator_Paragraph)
            out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

int run(const QStringList& args) {
    QTextStream out(stdout), err(stderr);
    const QString cmd = args.value(1);
    if (cmd == QLatin1String("--help") || cmd == QLatin1String("-h")) {
        out << usage;
        return 0;
    }
    if (cmd == QLatin1String("info")) return info(args, out, err);
    if (cmd == QLatin1String("calendar")) return runCalendar(args.mid(2));
    if (cmd == QLatin1String("fit")) return runFit(args.mid(2), out, err);
    if (cmd == QLatin1String("holidays")) return runHolidays(args.mid(2));
    if (cmd == QLatin1String("mail")) return runMail(args.mid(2));
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
