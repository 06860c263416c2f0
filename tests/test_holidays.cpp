// Holidays: the rule grammar, the substitutes, the holiday file and the current law.
#include "cli/holidayscommand.h"
#include "core/makers/cl_gl028c.h"
#include "testsupport.h"

#include <QtTest>

namespace {

// The holidays of each year under the law as it stood then, as MMDD (tests/data/holiday-law.txt).
QMap<int, QString> lawTable() {
    QMap<int, QString> table;
    for (const QByteArray& line : readAll(testData("holiday-law.txt")).split('\n'))
        if (const int colon = line.indexOf(':'); colon > 0 && !line.startsWith('#'))
            table.insert(line.left(colon).toInt(),
                         QString::fromLatin1(line.mid(colon + 1).trimmed()));
    return table;
}

// The holidays of a year as WeekCheck answers them; every other day must answer its weekday.
QString holidaysOf(CL_GL028C& holidays, int year) {
    QStringList days;
    for (QDate day(year, 1, 1); day.year() == year; day = day.addDays(1)) {
        const int answer = holidays.WeekCheck(year, day.month(), day.day());
        if (answer == 0)
            days << day.toString(u"MMdd");
        else if (answer != day.dayOfWeek() % 7 + 1)
            return day.toString(Qt::ISODate) + " answered " + QString::number(answer);
    }
    return days.join(u' ');
}

} // namespace

class TestHolidays : public QObject {
    Q_OBJECT
private slots:
    void table_data() {
        QTest::addColumn<bool>("law");
        QTest::addColumn<int>("year");
        QTest::addRow("built-in 2000") << false << 2000;
        const QList<int> years = lawTable().keys();
        QVERIFY(years.size() > 20); // the file was read
        for (int year : years) QTest::addRow("law %d", year) << true << year;
    }
    void table() {
        QFETCH(bool, law);
        QFETCH(int, year);
        CL_GL028C holidays;
        if (law)
            holidays.useBuiltinLaw();
        else
            holidays.registerBuiltinTable();
        QCOMPARE(holidaysOf(holidays, year), lawTable().value(year));
    }

    // Single answers at the edges; rules "" stand for the built-in table.
    void weekCheck_data() {
        QTest::addColumn<QString>("rules");
        QTest::addColumn<QList<int>>("date"); // year, month, day
        QTest::addColumn<int>("answer");
        const auto row = [](const char* name, const char* rules, QList<int> date, int answer) {
            QTest::newRow(name) << QString(rules) << date << answer;
        };
        row("2001-02-29 carries", "", {2001, 2, 29}, -1);
        row("2000-02-29 leap day", "", {2000, 2, 29}, 3);
        row("April 31", "", {2001, 4, 31}, -1);
        row("month 13", "", {2001, 13, 1}, -1);
        row("year 10000", "", {10000, 1, 1}, -1);
        // 3 May 2009 is a Sunday: its substitute skips 4 and 5 May even with the old table.
        row("2009-05-06 substitute", "", {2009, 5, 6}, 0);
        // The table must replace the current law read before it.
        row("2026-02-23 table", "", {2026, 2, 23}, 2);
        // A Sunday the 31st: up to 2006 the shift leaves the month and is lost; later the 1st
        // of the next month, or of the next year, takes its place.
        row("2002 lost", "[ALL]\nMar=31", {2002, 4, 1}, 2);
        row("2013 kept", "[ALL]\nMar=31", {2013, 4, 1}, 0);
        row("into next year", "[2018]\n[ALL]\nDec=31", {2018, 1, 1}, 0);
        row("between months", "[ALL]\nJan=31\nFeb=2", {2001, 2, 1}, 0);
    }
    void weekCheck() {
        QFETCH(QString, rules);
        QFETCH(QList<int>, date);
        CL_GL028C holidays;
        holidays.useBuiltinLaw();
        if (rules.isEmpty())
            holidays.registerBuiltinTable();
        else
            holidays.setHolidayText(rules);
        QCOMPARE(holidays.holidayText(), rules);
        QTEST(holidays.WeekCheck(date[0], date[1], date[2]), "answer");
    }

    void tokens_data() {
        for (const char* column : {"rule", "year", "month", "days"})
            QTest::addColumn<QString>(column);
        for (const QStringList& row : dataTable("holiday-rules.txt"))
            QTest::newRow(qPrintable(row[0])) << row[1] << row[2] << row[3] << row.value(4);
    }
    void tokens() {
        QFETCH(QString, rule);
        QFETCH(QString, year);
        QFETCH(QString, month);
        QStringList days;
        for (int day : CL_GL028C::ruleDays(rule, year.toInt(), month.toInt()))
            days << QString::number(day);
        QTEST(days.join(','), "days");
    }

    void holidayFile_data() {
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("day");
        QTest::addColumn<QString>("jan");
        QTest::newRow("own section") << 2001 << 2 << "1,15";
        QTest::newRow("other year") << 2002 << 2 << "1";
        QTest::newRow("200 is not 2001") << 200 << 2 << "1";
        QTest::newRow("invalid date reads too") << 2001 << 32 << "1,15";
    }
    void holidayFile() {
        QFETCH(int, year);
        QFETCH(int, day);
        QTemporaryDir dir;
        const QString path = dir.filePath("holiday.ini");
        writeAll(path, "[all]\nJan=1\nFeb=11\n[2001]\nJan = 1,15\n");
        CL_GL028C holidays;
        holidays.useBuiltinLaw();
        holidays.holidayfile = path;
        holidays.WeekCheck(year, 1, day);
        QTEST(holidays.Holiday(1), "jan");
        // A section replaces all twelve months, also with empty rules.
        QCOMPARE(holidays.Holiday(2), QString(year == 2001 ? "" : "11"));
        QCOMPARE(holidays.Holiday(3), QString());
        QCOMPARE(holidays.Holiday(13), QString());
    }

    void userFileOverridesOneYear() {
        QTemporaryDir dir;
        const QString path = dir.filePath("holiday.ini");
        writeAll(path, CL_GL028C::builtinLaw().toLatin1() + "\n[2024]\nJun=3\n");
        CL_GL028C holidays;
        holidays.holidayfile = path;
        QCOMPARE(holidaysOf(holidays, 2024), QString("0603"));
        QCOMPARE(holidaysOf(holidays, 1947), QString());
        // An empty or missing file is not read: the rules read last stay.
        QCOMPARE(holidays.WeekCheck(2024, 6, 3), 0);
        writeAll(path, "");
        QCOMPARE(holidays.WeekCheck(2024, 6, 3), 0);
        holidays.holidayfile = dir.filePath("missing.ini");
        QCOMPARE(holidays.WeekCheck(2024, 6, 3), 0);
    }

    void command_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        for (const QStringList& args :
             {QStringList{}, {"2026", "2027"}, {"+2026"}, {"0"}, {"10000"}})
            QTest::addRow("refused '%s'", qPrintable(args.join(' '))) << args << 1;
        for (const char* year : {"2024", "1999", "1947"}) // 1947: before the law, no days
            QTest::newRow(year) << QStringList{year} << 0;
    }
    void command() {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QString out, err;
        QTextStream outStream(&out), errStream(&err);
        QCOMPARE(Cli::runHolidays(args, outStream, errStream), code);
        outStream.flush();
        errStream.flush();
        QCOMPARE(err.startsWith("quilmo holidays: "), code != 0);
        QString expected; // the law's days, one ISO date a line; nothing after a usage error
        const QString year = args.value(0);
        if (code == 0)
            for (const QString& day :
                 lawTable().value(year.toInt()).split(u' ', Qt::SkipEmptyParts))
                expected += u"%1-%2-%3\n"_qs.arg(year, day.left(2), day.mid(2));
        QCOMPARE(out, expected);
    }
};

QTEST_GUILESS_MAIN(TestHolidays)
#include "test_holidays.moc"
