#pragma once
// The frames of the title card: six large single characters, then the two-line title, each
// white on black in two colours so the phone's animation stays small.
#include <QImage>
#include <QString>
#include <QStringList>

namespace TitleCard {

inline constexpr int width = 96;
inline constexpr int height = 84;
inline constexpr int frameCount = 7; // drawn frames
inline constexpr int fileCount = 9;  // the title stays for the last three
inline constexpr int textCount = 8;  // six characters and the title's two lines

struct Font {
    QString name = QStringLiteral("ＭＳ Ｐ明朝"); // a Windows name draws with its IPA stand-in
    double size = 48;                             // points of the characters, at 96 dpi
    bool bold = true;
    bool italic = false;
};

// The size the frames draw the characters with: whole points, halves to the even neighbour,
// never below 1 (nor above what text drawing accepts).
int characterPoints(double size);
// The title's size for characters of `points`: a fifth of twice it, rounded down, at least 1.
int titlePoints(int points);

// What frame `frame` shows: texts[frame - 1] for 1..6, the two title lines for 7, "" for any
// other frame. Missing texts count as "".
QString frameText(const QStringList& texts, int frame);

// Frame `frame` (1..7; any other frame is black): the text white on black, centred, drawn
// without smoothing at the font's whole-point size (the title at titlePoints), reduced to the
// fixed black-and-white palette. Format_Indexed8, 1 bit.
QImage frame(const QStringList& texts, int frame, const Font& font);

// The nine files written for a chosen name: its extension cut off, then 1..9 and ".png".
QStringList fileNames(const QString& chosen);

} // namespace TitleCard
