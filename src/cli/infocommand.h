#pragma once
#include <QStringList>

class QTextStream;

namespace Cli {
// quilmo info FILE: the image information window's nine rows, "caption value" each. The words
// after the options form one file name, as on the editor's own command line. Exit codes: 0
// shown, 1 usage, 2 unreadable file.
int runInfo(const QStringList& args, QTextStream& out, QTextStream& err);
} // namespace Cli
