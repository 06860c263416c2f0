#include "core/makers/cl_gl028c.h"

#include "core/util/cl_gl010c.h"
#include "core/util/numbers.h"
#include "core/util/textcodec.h"

#include <QDate>
#include <QFile>
#include <QHash>
#include <cmath>
#include <optional>

// The resource lives in a static library: its registration is not linked in unless referenced.
static void initHolidayResource() {
    Q_INIT_RESOURCE(quilmo_holidays);
}

namespace {

using Rules = std::array<QString, 12>;

const char* const monthKeys[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// The amendment of April 1973 moved a Sunday holiday to the Monday (the first was 30 April
// 1973); before it a Sunday holiday was simply lost. The amendment in force from 2007 moves it
// to the first day after it that is no holiday, so that Golden Week keeps all its days.
const QDate firstSubstituteSunday(1973, 4, 12);
constexpr int firstYearOfNextFreeDay = 2007;
// The amendment in force from 27 December 1985 made a day between two holidays a holiday.
const QDate firstSandwichedDay(1985, 12, 27);
// A rule never names more days than this; the rest of its tokens are ignored.
constexpr int maxRuleDays = 100;
// Substitutes are searched back through a run of holidays no longer than this, so that a rule
// set naming every day of the year cannot make one answer walk back for centuries.
constexpr int maxHolidayRun = 366;

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

QStringView trimBlanks(QStringView text) {
    while (!text.isEmpty() && isBlank(text.front())) text = text.sliced(1);
    while (!text.isEmpty() && isBlank(text.back())) text.chop(1);
    return text;
}

bool isCalendarYear(int yyyy) {
    return yyyy >= 1 && yyyy <= 9999;
}

// The usual approximation of the equinox day in Japan time, one offset per century range
// (each fitted to that range); it gives the published days from 1900 to 2099. Other years keep
// the formula of 1980-2099.
int equinox(int yyyy, double offset1980, double offset1900) {
    const int n = yyyy - 1980;
    if (yyyy >= 1900 && yyyy < 1980)
        return int(std::floor(0.242194 * n + offset1900)) - (yyyy - 1983) / 4; // truncates
    // The quarter is taken in single precision; for the years of the calendar it is exact.
    return int(std::floor(0.242194 * n + offset1980) - std::floor(float(n) / 4.0f));
}

// n of a token "nMON" written with decimal digits; nothing when the token has another form.
std::optional<int> mondayOrdinal(QStringView token) {
    if (token.size() < 4 || !token.endsWith(u"MON", Qt::CaseInsensitive)) return std::nullopt;
    int n = 0;
    for (QChar c : token.chopped(3)) {
        if (c < u'0' || c > u'9') return std::nullopt;
        n = std::min(n * 10 + (c.unicode() - u'0'), 100);
    }
    return n;
}

// The day a token names, before it is checked against the month.
std::optional<int> tokenDay(QStringView token, int yyyy, int mm) {
    token = trimBlanks(token);
    if (token.compare(u"SYUN", Qt::CaseInsensitive) == 0) return CL_GL028C::springEquinox(yyyy);
    if (token.compare(u"SYUU", Qt::CaseInsensitive) == 0) return CL_GL028C::autumnEquinox(yyyy);
    if (const auto n = mondayOrdinal(token)) {
        if (*n < 1 || *n > 5) return std::nullopt;
        const int firstWeekday = QDate(yyyy, mm, 1).dayOfWeek(); // Monday 1 ... Sunday 7
        return (8 - firstWeekday) % 7 + 1 + 7 * (*n - 1);
    }
    // A number that does not even fit a 16-bit integer names no day; it must not fall back on
    // the day of an earlier token.
    const auto day = CInt(Val(token));
    if (!day) return std::nullopt;
    return int(*day);
}

Rules sectionRules(const Profile& source, int yyyy) {
    // The year's own section only when its name is exactly the year: the year 200 must not
    // pick the section "2001".
    const QString year = QString::number(yyyy);
    QString section = QStringLiteral("ALL");
    for (const QString& name : source.sections()) {
        if (name.compare(year, Qt::CaseInsensitive) == 0) {
            section = year;
            break;
        }
    }
    Rules rules;
    if (section == u"ALL") {
        // Years before "From" have no holidays. Readers that know only the month keys ignore it.
        bool ok = false;
        const int from = source.value(section, QStringLiteral("From")).toInt(&ok);
        if (ok && yyyy < from) return rules;
    }
    for (int i = 0; i < 12; ++i) rules[i] = source.value(section, QLatin1String(monthKeys[i]));
    return rules;
}

// Which days are holidays around one date. The days a rule names are worked out once per month,
// from the rules of that month's year, as substitutes and days between holidays look at the
// neighbours, also across the end of a month or year.
class HolidayMap {
public:
    HolidayMap(const Profile* source, const Rules& rules, int yyyy)
        : m_source(source), m_rules(rules), m_year(yyyy) {}

    bool isHoliday(QDate date) {
        if (date.dayOfWeek() == Qt::Sunday) return false;
        if (named(date)) return true;
        const QDate before = date.addDays(-1);
        if (date.year() >= firstYearOfNextFreeDay) {
            QDate day = before;
            for (int i = 0; i < maxHolidayRun && named(day); ++i, day = day.addDays(-1))
                if (day.dayOfWeek() == Qt::Sunday) return true;
        } else if (before >= firstSubstituteSunday && date.day() > 1 &&
                   before.dayOfWeek() == Qt::Sunday && named(before)) {
            // Shifted once, within the month: a Sunday the 31st gives no holiday on the 1st.
            return true;
        }
        return date >= firstSandwichedDay && named(before) && named(date.addDays(1));
    }

private:
    bool named(QDate date) {
        if (!isCalendarYear(date.year())) return false;
        const int key = date.year() * 12 + date.month() - 1;
        auto it = m_named.find(key);
        if (it == m_named.end()) {
            const Rules& rules = rulesOf(date.year());
            it = m_named.insert(
                key, CL_GL028C::ruleDays(rules[date.month() - 1], date.year(), date.month()));
        }
        return it->contains(date.day());
    }

    const Rules& rulesOf(int yyyy) {
        if (!m_source || yyyy == m_year) return m_rules;
        auto it = m_otherYears.find(yyyy);
        if (it == m_otherYears.end()) it = m_otherYears.insert(yyyy, sectionRules(*m_source, yyyy));
        return *it;
    }

    const Profile* m_source;
    const Rules& m_rules;
    int m_year;
    QHash<int, QList<int>> m_named;
    QHash<int, Rules> m_otherYears;
};

} // namespace

CL_GL028C& CL_GL028C::shared() {
    static CL_GL028C instance;
    return instance;
}

QString CL_GL028C::Holiday(int mm) const {
    return mm >= 1 && mm <= 12 ? m_rules[mm - 1] : QString();
}

void CL_GL028C::setHoliday(int mm, const QString& holstr) {
    if (mm >= 1 && mm <= 12) m_rules[mm - 1] = holstr;
}

void CL_GL028C::setHolidayText(const QString& text) {
    m_text.clear();
    m_textRules = Profile();
    Profile parsed;
    if (text.isEmpty() || !parsed.parse(TextCodec::toCp932(text))) return;
    m_text = text;
    m_textRules = parsed;
}

void CL_GL028C::registerBuiltinTable() {
    setHolidayText(QString());
    static const char* const table[12] = {"1,2MON", "11", "SYUN",    "29",   "3,4,5", "",
                                          "20",     "",   "15,SYUU", "2MON", "3,23",  "23"};
    for (int mm = 1; mm <= 12; ++mm) setHoliday(mm, QLatin1String(table[mm - 1]));
}

qint32 CL_GL028C::WeekCheck(int yyyy, int mm, int dd) {
    Profile file;
    const Profile* source = nullptr;
    if (!holidayfile.isEmpty() && CL_GL010C::instance().RVN_Filesize(holidayfile) > 0 &&
        file.load(holidayfile, Msg::holidayFileKind()))
        source = &file;
    else if (!m_text.isEmpty())
        source = &m_textRules;
    if (source) m_rules = sectionRules(*source, yyyy);

    // No carrying into the next month: 29 February 2001 is no date, not 1 March.
    if (!isCalendarYear(yyyy)) return -1;
    const QDate date(yyyy, mm, dd);
    if (!date.isValid()) return -1;
    const int weekday = date.dayOfWeek() % 7 + 1;
    return HolidayMap(source, m_rules, yyyy).isHoliday(date) ? 0 : weekday;
}

QList<int> CL_GL028C::ruleDays(const QString& rule, int yyyy, int mm) {
    QList<int> days;
    if (!isCalendarYear(yyyy) || mm < 1 || mm > 12) return days;
    const int length = QDate(yyyy, mm, 1).daysInMonth();
    for (QStringView token : QStringView(rule).split(u',')) {
        const auto day = tokenDay(token, yyyy, mm);
        if (!day || *day < 1 || *day > length) continue;
        days.append(*day);
        if (days.size() == maxRuleDays) break;
    }
    return days;
}

int CL_GL028C::springEquinox(int yyyy) {
    return equinox(yyyy, 20.8431, 20.8357);
}

int CL_GL028C::autumnEquinox(int yyyy) {
    return equinox(yyyy, 23.2488, 23.2588);
}

QString CL_GL028C::builtinLaw() {
    static const QString text = [] {
        initHolidayResource();
        QFile file(QStringLiteral(":/holidays.ini"));
        // Compiled in: failing to open it is a build fault, and an empty law the sanest answer.
        return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : QString();
    }();
    return text;
}
