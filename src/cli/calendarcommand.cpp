#include "cli/calendarcommand.h"

#include "cli/commands.h"
#include "core/image/fonts.h"
#include "core/image/imagecodec.h"
#include "core/makers/cl_gl028c.h"
#include "core/makers/makerdraw.h"

#include <QGuiApplication>
#include <QTextStream>

namespace Cli {

int runCalendar(const QStringList& args, QTextStream& out, QTextStream& err) {
    Command cmd("calendar",
                "Draws the calendar maker's picture of one month, as the calendar window does,\n"
                "and saves it as a 4-bit PNG. A missing template is reported and the calendar\n"
                "drawn on white.",
                "  0  written\n  1  usage error\n  2  no GUI application object to draw text with\n"
                "  4  OUTPUT could not be written (an old file stays as it was)\n",
                3, 3);
    cmd.parser.addPositionalArgument(QStringLiteral("YEAR"), QStringLiteral("from 1 to 9999"));
    cmd.parser.addPositionalArgument(QStringLiteral("MONTH"), QStringLiteral("from 1 to 12"));
    cmd.parser.addPositionalArgument(QStringLiteral("OUTPUT"), QStringLiteral("the PNG to write"));
    if (const auto code = cmd.parse(args, out, err)) return *code;
    const QStringList words = cmd.parser.positionalArguments();
    std::optional<qint64> year, month;
    if (!(year = cmd.number(err, QStringLiteral("YEAR"), words[0], 1, 9999)) ||
        !(month = cmd.number(err, QStringLiteral("MONTH"), words[1], 1, 12)))
        return 1;
    if (words[2].isEmpty()) return cmd.fail(err, QStringLiteral("OUTPUT is empty"));
    // Fonts need the GUI application object; a plain core application cannot draw text.
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        err << "quilmo calendar: cannot draw text without a GUI application object\n";
        return 2;
    }
    Fonts::installSubstitutions();
    CL_GL028C& holidays = CL_GL028C::shared();
    holidays.registerBuiltinTable();
    holidays.useBuiltinLaw();

    QString message;
    const QImage templ =
        Makers::loadTemplate(Makers::templatePath(QString::fromUtf8(Makers::calendarTemplate)),
                             Makers::calendarSize, &message);
    if (templ.isNull()) err << "quilmo calendar: " << message << "\n";
    const QImage picture =
        Makers::calendarPicture(int(*year), int(*month), Makers::calendarFont(), templ, holidays);
    QString error;
    if (!ImageCodec::save(words[2], picture, ImageCodec::FormatPng, Makers::savedBits, 1, &error)) {
        err << "quilmo calendar: cannot write " << printable(words[2]) << ": " << error << "\n";
        return 4;
    }
    return 0;
}

} // namespace Cli
