#pragma once
// Public holidays for the calendar: one rule string per month says which days are holidays, and
// WeekCheck answers for one date whether it is a holiday or which weekday it is.
//
// A month rule is a comma-separated list of tokens; blanks and tabs around a token do not count,
// and case does not matter:
//   SYUN, SYUU   the spring and autumn equinox day of the year
//   nMON         the n-th Monday of the month (2MON is the second Monday)
//   anything else the leading number of the token, halves rounded to the even neighbour
// A token that names no day of the month (0, 32, 31 in April, a fifth Monday that is missing)
// yields nothing.
//
// Sunday substitutes follow the law in force on the date: before 12 April 1973 a holiday on a
// Sunday is lost; up to 2006 it moves to the Monday once, whether or not the Monday is a holiday
// already. From 2007 the substitute is the first day after it that is not itself a holiday.
// From 27 December 1985 a weekday between two holidays is a holiday as well. A Sunday never
// answers "holiday": it is red on the calendar anyway.
//
// Rules can come from the twelve month rules set through setHoliday(), from a holiday file
// (holidayfile) or from a holiday text of the same layout: sections "[2001]" for the rules of
// one year and "[ALL]" for every other year, keys "Jan" ... "Dec". A file or text is read on
// every WeekCheck call, and the rules of the section it used become the month rules. A key
// "From=1948" in "[ALL]" limits that section to the years from 1948 on: earlier years without
// a section of their own have no holidays.
#include "core/util/profile.h"

#include <QList>
#include <QString>
#include <array>

class CL_GL028C {
public:
    // One instance for the whole program, created on first use with empty rules.
    static CL_GL028C& shared();

    // The rule of month mm; "" for a month outside 1..12.
    QString Holiday(int mm) const;
    // Stores the rule of month mm; a month outside 1..12 changes nothing.
    void setHoliday(int mm, const QString& holstr);

    // 0 when the date is a holiday; otherwise its weekday, 1 = Sunday ... 7 = Saturday;
    // -1 when (yyyy, mm, dd) is no date of the calendar (2001-02-29, month 13, year 0).
    qint32 WeekCheck(int yyyy, int mm, int dd);

    // Path of a holiday file. When it names a readable file that is not empty, every WeekCheck
    // reads its rules; otherwise the holiday text or the month rules answer.
    QString holidayfile;

    // Reads the rules from this text (holiday-file layout) on every WeekCheck while no holiday
    // file is in use; an empty text stops that. Text that does not parse leaves no text set.
    void setHolidayText(const QString& text);
    QString holidayText() const { return m_text; }

    // The table of the law of 2000-2002, registered month by month at start-up. It also drops
    // any holiday text so that the table answers.
    void registerBuiltinTable();
    // Points this object at builtinLaw().
    void useBuiltinLaw() { setHolidayText(builtinLaw()); }

    // The holiday law as it stood in each year, a holiday text compiled in from
    // resources/holidays.ini: one section per year from 1948, when the law began, to the last
    // year whose holidays differ from the law in force now, and "ALL" for that law, which later
    // years read. Earlier years have no holidays.
    static QString builtinLaw();

    // The days of month mm of year yyyy that the rule names, in the order of its tokens (no
    // substitutes). Days outside the month are dropped; at most 100 days are kept.
    static QList<int> ruleDays(const QString& rule, int yyyy, int mm);
    // Equinox days of the year (day of March and of September), by a formula that matches the
    // published days from 1900 to 2099 only.
    static int springEquinox(int yyyy);
    static int autumnEquinox(int yyyy);

private:
    std::array<QString, 12> m_rules;
    QString m_text;
    Profile m_textRules; // m_text, parsed once
};
