#pragma once
// The steps the makers share when they save their pictures and look for their templates.
#include "core/util/appsettings.h"

#include <QImage>
#include <QSet>
#include <QString>
#include <QStringList>

class QWidget;

namespace MakerSave {

// Asks for a PNG name in the working folder; "" when cancelled. A chosen name makes its
// folder the working folder.
QString askName(QWidget* owner, AppSettings& settings);
// The save dialog confirmed the name the user typed; the names derived from it (card1.png,
// plate2.png) may replace other files. Asks once when any of them exists; false when the user
// declines.
bool confirmDerived(QWidget* owner, const QString& chosen, const QStringList& files);
// Writes the reduced picture as a PNG atomically; on failure shows why and returns false.
bool write(QWidget* owner, const QString& file, const QImage& picture);

// The template of the given size, or a null picture after telling the user once per window
// (reported holds the paths already told about): previews redraw on every keystroke.
QImage templateOnce(QWidget* owner, const QString& fileName, QSize size, QSet<QString>& reported);

} // namespace MakerSave
