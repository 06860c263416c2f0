#pragma once
// quilmo holidays YEAR: the public holidays of one year under the current law, one a line as
// YYYY-MM-DD in date order.
#include <QStringList>

class QTextStream;

// args are the arguments after the command's name: exactly one year from 1 to 9999. Returns
// the exit code: 0, or 1 with a usage line on err when the arguments are not such a year.
int runHolidays(const QStringList& args);
int runHolidays(const QStringList& args, QTextStream& out, QTextStream& err);
