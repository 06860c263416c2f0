#pragma once
#include <QStringList>

// The file named on the command line: all arguments after the program joined by one space,
// with one pair of enclosing double quotes removed (some launchers pass the path quoted).
QString commandLineFileName(const QStringList& arguments);
