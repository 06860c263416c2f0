#pragma once
// Lenient number reading as typed into fields and stored in settings files: the leading number
// of a text counts, anything after it is ignored, and no number at all reads as 0.
#include <QStringView>
#include <QtGlobal>
#include <optional>

// Leading number of the text (optional sign, digits, decimal point, exponent with "E" or "D");
// 0 when the text does not start with a number. Blanks (space, tab, CR, LF) are
// skipped before and inside the number ("- 1 2" is -12), and "&H1F" and "&O17" read as
// hexadecimal and octal. Never NaN or infinite: huge values become +-DBL_MAX.
double Val(QStringView text);

// Nearest integer with halves to the even neighbour; nothing when the value does not fit
// (the conversion the original would have failed on).
std::optional<qint16> CInt(double value);
std::optional<qint32> CLng(double value);

// The same rounding, saturating at the type's limits instead of failing.
qint16 CIntSat(double value);
qint32 CLngSat(double value);
