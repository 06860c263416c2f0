#include "cli/holidayscommand.h"

#include "core/makers/cl_gl028c.h"

#include <QDate>
#include <QTextStream>
#include <algorithm>

int runHolidays(const QStringList& args) {
    QTextStream out(stdout), err(stderr);
    return runHolidays(args, out, err);
}

int runHolidays(const QStringList& args, QTextStream& out, QTextStream& err) {
    bool ok = false;
    const int year = args.size() == 1 ? args[0].toInt(&ok) : 0;
    // Only plain digits: "+2026" or " 2026" would be a typing slip rather than a year.
    const bool digits =
        ok && std::all_of(args[0].begin(), args[0].end(), [](QChar c) { return c.isDigit(); });
    if (!digits || year < 1 || year > 9999) {
        err << "usage: quilmo holidays YEAR (YEAR from 1 to 9999)\n";
        return 1;
    }
    CL_GL028C& holidays = CL_GL028C::shared();
    holidays.useBuiltinLaw();
    for (QDate day(year, 1, 1); day.year() == year; day = day.addDays(1)) {
        if (holidays.WeekCheck(year, day.month(), day.day()) == 0)
            out << QString::asprintf("%04d-%02d-%02d\n", year, day.month(), day.day());
    }
    return 0;
}
