#pragma once
// Text drawn into the output picture's pixels ("文字の挿入(&A)..."). The settings live in the
// main window for the whole run, so each opening of the text dialog starts from the last use.
#include <QColor>
#include <QFont>
#include <QImage>
#include <QString>

// TextAlign codes: the horizontal position is code / 3 (left, centre, right), the vertical one
// code % 3 (top, middle, bottom).
enum TextAlign : int {
    LeftTop = 0,
    LeftMiddle = 1,
    LeftBottom = 2,
    CentreTop = 3,
    CentreMiddle = 4,
    CentreBottom = 5,
    RightTop = 6,
    RightMiddle = 7,
    RightBottom = 8,
};

struct TextSettings {
    QString text; // several lines, separated by "\n"
    // A Windows font name is drawn with the installed font it stands for.
    QString fontName = QStringLiteral("ＭＳ Ｐゴシック");
    double size = 12; // points, at 96 dpi
    bool bold = false, italic = false, underline = false, strikeout = false;
    QColor colour = Qt::black;
    int align = LeftTop;
    // Tenths of a degree, counter-clockwise, turning the text about the picture's centre.
    int angle = 0;
    // Smoothed edges add colours (and PNG bytes) to a picture that is about to be reduced.
    bool antialias = false;

    bool operator==(const TextSettings&) const = default;
};

namespace TextDraw {
inline constexpr double minPoints = 1;
inline constexpr double maxPoints = 999;
inline constexpr int dpi = 96;

// The font the settings draw with: the installed family for a Windows name, the pixel size
// of the points at 96 dpi, so the result does not depend on the screen.
QFont font(const TextSettings& settings);
// Whether the settings can be drawn (size within minPoints..maxPoints, align 0..8).
bool valid(const TextSettings& settings);
} // namespace TextDraw

// The output picture as 24 bits with the text drawn into the whole-picture rectangle at the
// alignment and angle; what falls outside the picture is cut off. Null when output is null or
// the settings are not valid: the window then leaves the output alone. Without smoothing every
// text pixel is the text colour; bold in a face without a bold cut is thickened by a 24th of
// the pixel size.
// Window ("文字の挿入(&A)..."): once TextDialog::ask() confirmed new settings s, keep them
// (textSettings = s), LEAD1->setImage(drawText(LEAD1->image(), s), 24), reduced := false. No
// undo copy.
QImage drawText(const QImage& output, const TextSettings& settings);
