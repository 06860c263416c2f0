#include "core/util/startup.h"

QString commandLineFileName(const QStringList& arguments) {
    QString line = arguments.mid(1).join(QLatin1Char(' '));
    if (line.size() >= 2 && line.startsWith(QLatin1Char('"')) && line.endsWith(QLatin1Char('"')) &&
        line.count(QLatin1Char('"')) == 2)
        line = line.mid(1, line.size() - 2);
    return line;
}
