#pragma once
// quilmo holidays YEAR: the public holidays of one year under the law as it stood that year, one
// a line as YYYY-MM-DD in date order.
#include <QStringList>

class QTextStream;

namespace Cli {
// Exit codes: 0 listed, 1 usage (not exactly one YEAR from 1 to 9999).
int runHolidays(const QStringList& args, QTextStream& out, QTextStream& err);
} // namespace Cli
