#pragma once
#include <QStringList>

class QTextStream;

namespace Cli {
// quilmo mail --to LIST [--cc LIST] [--bcc LIST] [--subject TEXT] [--body-file FILE] [--anime]
//             [--smtp HOST[:PORT]] [--from ADDR] FILE...
// Lists are separated by "," as in the composer's fields. The server and the sender come from
// the settings file unless given; the body file is UTF-8, or CP932 when it is not valid UTF-8.
// Returns 0 when the server accepted the mail, 5 (the reason on err) when it was not sent, 1 on
// usage errors.
int runMail(const QStringList& args, QTextStream& out, QTextStream& err);
} // namespace Cli
