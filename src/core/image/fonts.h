#pragma once
// The program names Windows fonts; this machine has the IPA fonts instead. fontconfig knows no
// such aliases, so without the substitutions Japanese text would draw in a fallback font.
#include <QString>

namespace Fonts {
// Registers the substitutions with QFont. Call once after the application object exists.
void installSubstitutions();
// The installed family a Windows font name stands for ("" when it is not one we map).
QString substituteFor(const QString& windowsName);
} // namespace Fonts
