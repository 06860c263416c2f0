#pragma once
// Lenient number reading as typed into fields and stored in settings files: the leading number
// of a text counts, anything after it is ignored, and no number at all reads as 0.
#include <QStringView>
#include <QtGlobal>
#include <optional>

// Leading number of the text (blanks skipped, optional sign, digits, decimal point, exponent);
// 0 when the text does not start with a number. Never NaN or infinite.
double Val(QStringView text);

// Nearest integer with halves to the even neighbour; nothing when the value does not fit
// (the conversion the original would have failed on).
std::optional<qint16> CInt(double value);
std::optional<qint32> CLng(double value);

// The same rounding, saturating at the type's limits instead of failing.
qint16 CIntSat(double value);
qint32 CLngSat(double value);
