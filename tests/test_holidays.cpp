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
        law ? holidays.useBuiltinLaw() : holidays.registerBuiltinTable();
        QCOMPARE(holidaysOf(holidays, year), lawTable().value(year));
    }

    void weekCheck_data() { addDataRows("holiday-weekcheck.txt", {"rules", "date", "answer"}); }
    void weekCheck() {
        QFETCH(QString, rules);
        rules.replace("\\n", "\n");
        QFETCH(QString, date);
        QFETCH(QString, answer);
        CL_GL028C holidays;
        holidays.useBuiltinLaw();
        rules.isEmpty() ? holidays.registerBuiltinTable() : holidays.setHolidayText(rules);
        QCOMPARE(holidays.holidayText(), rules);
        const QStringList ymd = date.split('-');
        QCOMPARE(holidays.WeekCheck(ymd[0].toInt(), ymd[1].toInt(), ymd[2].toInt()),
                 answer.toInt());
    }

    void tokens_data() { addDataRows("holiday-rules.txt", {"rule", "year", "month", "days"}); }
    void tokens() {
        QFETCH(QString, rule);
        QFETCH(QString, year);
        QFETCH(QString, month);
        QStringList days;
        for (int day : CL_GL028C::ruleDays(rule, year.toInt(), month.toInt()))
            days << QString::number(day);
        QTEST(days.join(','), "days");
    }

    void holidayFile_data() { addDataRows("holiday-file.txt", {"year:int", "day:int", "jan"}); }
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

    // The law's days, one ISO date a line (refusals are in test_cli).
    void command() {
        for (const QString year : {"2024", "1999", "1947"}) { // 1947: before the law, no days
            QString out, err;
            QTextStream outStream(&out), errStream(&err);
            QCOMPARE(Cli::runHolidays({year}, outStream, errStream), 0);
            outStream.flush();
            QString expected;
            for (const QString& day :
                 lawTable().value(year.toInt()).split(u' ', Qt::SkipEmptyParts))
                expected += u"%1-%2-%3\n"_qs.arg(year, day.left(2), day.mid(2));
            QCOMPARE(out + err, expected);
        }
    }
};

QTEST_GUILESS_MAIN(TestHolidays)
#include "test_holidays.moc"
