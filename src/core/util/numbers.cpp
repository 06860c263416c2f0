#include "core/util/numbers.h"

#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <locale.h>
#include <string>

namespace {

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// Blanks are skipped everywhere inside the number, not only before it, so that "1 000" is 1000.
qsizetype skipBlanks(QStringView text, qsizetype i) {
    while (i < text.size() && isBlank(text[i])) ++i;
    return i;
}

// strtod with the "C" locale, so that the decimal point is always '.'.
double parseDecimal(const std::string& number) {
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    double value = strtod_l(number.c_str(), nullptr, cLocale);
    if (std::isinf(value)) value = std::copysign(DBL_MAX, value);
    return value;
}

int digitValue(QChar c, int radix) {
    const char16_t u = c.unicode();
    int d = -1;
    if (u >= u'0' && u <= u'9')
        d = u - u'0';
    else if (u >= u'a' && u <= u'f')
        d = u - u'a' + 10;
    else if (u >= u'A' && u <= u'F')
        d = u - u'A' + 10;
    return d < radix ? d : -1;
}

// "&H1F" (hexadecimal) and "&O17" (octal), i at the letter. Up to 16 bits read as a
// signed 16-bit value and up to 32 bits as a signed 32-bit value; longer numbers keep their
// plain value.
double parseRadix(QStringView text, qsizetype i) {
    const int radix = text[i].toUpper() == u'H' ? 16 : 8;
    double value = 0;
    for (i = skipBlanks(text, i + 1); i < text.size(); i = skipBlanks(text, i + 1)) {
        const int digit = digitValue(text[i], radix);
        if (digit < 0) break;
        value = value * radix + digit;
    }
    if (value <= 0xFFFF) return value >= 0x8000 ? value - 0x10000 : value;
    if (value <= 0xFFFFFFFFu) return value >= 0x80000000u ? value - 4294967296.0 : value;
    return std::isinf(value) ? DBL_MAX : value;
}

// Halves to the even neighbour; exact for every finite double.
double roundHalfEven(double v) {
    const double f = std::floor(v);
    const double diff = v - f;
    if (diff < 0.5) return f;
    if (diff > 0.5) return f + 1;
    return std::fmod(f, 2.0) == 0 ? f : f + 1;
}

template <typename T> std::optional<T> roundChecked(double value) {
    if (std::isnan(value)) return std::nullopt;
    const double r = roundHalfEven(value);
    if (r < double(std::numeric_limits<T>::min()) || r > double(std::numeric_limits<T>::max()))
        return std::nullopt;
    return T(r);
}

template <typename T> T roundSaturated(double value) {
    if (std::isnan(value)) return 0;
    if (auto r = roundChecked<T>(value)) return *r;
    return value < 0 ? std::numeric_limits<T>::min() : std::numeric_limits<T>::max();
}

} // namespace

double Val(QStringView text) {
    qsizetype i = skipBlanks(text, 0);
    if (i + 1 < text.size() && text[i] == u'&') {
        const QChar kind = text[i + 1].toUpper();
        if (kind == u'H' || kind == u'O') return parseRadix(text, i + 1);
        return 0;
    }

    std::string number;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
        number += char(text[i].unicode());
        i = skipBlanks(text, i + 1);
    }
    bool mantissa = false;
    bool point = false;
    for (; i < text.size(); i = skipBlanks(text, i + 1)) {
        if (isDigit(text[i])) {
            mantissa = true;
        } else if (text[i] == u'.' && !point) {
            point = true;
        } else {
            break;
        }
        number += char(text[i].unicode());
    }
    if (!mantissa) return 0;

    // Exponent: "E" or "D", optional sign, digits; without digits it is not part of the number.
    if (i < text.size() && QStringView(u"eEdD").contains(text[i])) {
        std::string exponent = "e";
        qsizetype j = skipBlanks(text, i + 1);
        if (j < text.size() && (text[j] == u'-' || text[j] == u'+')) {
            exponent += char(text[j].unicode());
            j = skipBlanks(text, j + 1);
        }
        bool digits = false;
        for (; j < text.size() && isDigit(text[j]); j = skipBlanks(text, j + 1)) {
            exponent += char(text[j].unicode());
            digits = true;
        }
        if (digits) number += exponent;
    }

    const double value = parseDecimal(number);
    return value == 0 ? 0.0 : value; // no "-0"
}

std::optional<qint16> CInt(double value) {
    return roundChecked<qint16>(value);
}
std::optional<qint32> CLng(double value) {
    return roundChecked<qint32>(value);
}
qint16 CIntSat(double value) {
    return roundSaturated<qint16>(value);
}
qint32 CLngSat(double value) {
    return roundSaturated<qint32>(value);
}
