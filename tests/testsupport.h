#pragma once
// Helpers shared by the test programs.
#include <QString>

inline QString testData(const QString& name) {
    return QStringLiteral(QUILMO_TEST_DATA "/") + name;
}
