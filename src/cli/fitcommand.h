#pragma once
#include <QStringList>

class QTextStream;

namespace Cli {
// quilmo fit: the editor's output pipeline without a window. Exit codes: 0 written, 1 usage,
// 2 unreadable input, 3 does not fit the limits, 4 output not written.
int runFit(const QStringList& args, QTextStream& out, QTextStream& err);
} // namespace Cli
