#include "cli/calendarcommand.h"

#include "core/image/fonts.h"
#include "core/image/imagecodec.h"
#include "core/makers/cl_gl028c.h"
#include "core/makers/makerdraw.h"

#include <QGuiApplication>
#include <QTextStream>
#include <algorithm>

namespace {
// Plain digits only: "+3" or " 3" would be a typing slip rather than a number.
int number(const QString& text) {
    if (text.isEmpty() || text.size() > 4 ||
        !std::all_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); }))
        return -1;
    return text.toInt();
}
} // namespace

int runCalendar(const QStringList& args) {
    QTextStream out(stdout), err(stderr);
    return runCalendar(args, out, err);
}

int runCalendar(const QStringList& args, QTextStream&, QTextStream& err) {
    const int year = args.size() == 3 ? number(args[0]) : -1;
    const int month = args.size() == 3 ? number(args[1]) : -1;
    if (year < 1 || year > 9999 || month < 1 || month > 12 || args.value(2).isEmpty()) {
        err << "usage: quilmo calendar YEAR MONTH OUTPUT (YEAR 1-9999, MONTH 1-12)\n";
        return 1;
    }
    // Fonts need the GUI application object; a plain core application cannot draw text.
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        err << "quilmo calendar: cannot draw text without a GUI application object\n";
        return 2;
    }
    ImageCodec::initialize();
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
        Makers::calendarPicture(year, month, Makers::calendarFont(), templ, holidays);
    QString error;
    if (!ImageCodec::save(args[2], picture, ImageCodec::FormatPng, Makers::savedBits, 1, &error)) {
        err << "quilmo calendar: cannot write " << args[2] << ": " << error << "\n";
        return 4;
    }
    return 0;
}
