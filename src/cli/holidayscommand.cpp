#include "cli/holidayscommand.h"

#include "cli/commands.h"
#include "core/makers/cl_gl028c.h"

#include <QDate>
#include <QTextStream>

namespace Cli {

int runHolidays(const QStringList& args, QTextStream& out, QTextStream& err) {
    Command cmd("holidays",
                "Lists the year's public holidays, one YYYY-MM-DD a line in date order.",
                "  0  listed\n  1  usage error\n", 1, 1);
    cmd.parser.addPositionalArgument(QStringLiteral("YEAR"), QStringLiteral("from 1 to 9999"));
    if (const auto code = cmd.parse(args, out, err)) return *code;
    const auto year =
        cmd.number(err, QStringLiteral("YEAR"), cmd.parser.positionalArguments().at(0), 1, 9999);
    if (!year) return 1;
    CL_GL028C& holidays = CL_GL028C::shared();
    holidays.useBuiltinLaw();
    for (QDate day(int(*year), 1, 1); day.year() == *year; day = day.addDays(1)) {
        if (holidays.WeekCheck(day.year(), day.month(), day.day()) == 0)
            out << QString::asprintf("%04d-%02d-%02d\n", day.year(), day.month(), day.day());
    }
    return 0;
}

} // namespace Cli
