#pragma once
// quilmo calendar YEAR MONTH OUTPUT: the calendar maker's picture of one month, drawn by the
// same code as the window and saved as a 4-bit PNG to OUTPUT as given.
#include <QStringList>

class QTextStream;

namespace Cli {
// Exit codes: 0 written; 1 usage (not three arguments, YEAR not 1..9999, MONTH not 1..12); 2 no
// GUI application object to draw text with; 4 OUTPUT could not be written (the old file stays
// whole). A missing template is reported on err and the calendar is drawn on white.
int runCalendar(const QStringList& args, QTextStream& out, QTextStream& err);
} // namespace Cli
