#pragma once
// The pictures of the calendar, New Year card and number plate makers as plain functions: the
// windows and the command-line tool read their fields, load the template and call these.
//
// Text is drawn at a fixed 96 dpi whatever the screen, without smoothing: the pictures are
// reduced to 16 colours right after drawing, and smoothed edges would take palette entries
// from the text colours.
#include <QColor>
#include <QImage>
#include <QString>
#include <QStringList>
#include <array>

class CL_GL028C;

namespace Makers {

// A font as the font dialog and the image control's Font keep it: a Windows name is drawn with
// the installed font it stands for.
struct FontSpec {
    QString name;
    double points = 9;
    bool bold = false;
    bool italic = false;
};

// Sizes a formula brings below this are drawn at this size.
inline constexpr double minPoints = 1;

// The image control's text placement codes: horizontal code / 3 (left, centre, right),
// vertical code % 3 (top, middle, bottom).
inline constexpr int AlignCentreTop = 3;
inline constexpr int AlignCentreMiddle = 4;
inline constexpr int AlignCentreBottom = 5;

// Whole points with halves to the even neighbour (10.5 gives 10, 14.25 gives 14).
int wholePoints(double points);

// The path of a template in the "image" folder beside the program.
QString templatePath(const QString& fileName);
// Where templates are looked for; a test points it at the source tree ("" restores the folder
// beside the program).
void setTemplateFolder(const QString& folder);

// A template read at 24 bits and checked against the size the maker draws at. Null (with the
// message to show in *message) when it is missing, unreadable or of another size.
QImage loadTemplate(const QString& path, QSize size, QString* message);

// A fresh white picture of the size, with the template (when not null) drawn over it.
QImage canvas(QSize size, const QImage& templ);

// Draws text in one line into the rectangle at the placement code; what falls outside the
// picture is cut off.
void drawBoxText(QImage& picture, const QRect& rect, int align, const QColor& colour,
                 const FontSpec& font, const QString& text);

// The characters of the text as the user sees them: a base with its combining marks, and a
// surrogate pair, stay one item.
QStringList graphemes(const QString& text);

// Draws text top to bottom, one character per em of the font, each centred in the column
// rect.width() wide; the column as a whole sits at the top, middle or bottom of rect by the
// placement code. Characters that do not fit run past the rectangle.
void drawVerticalText(QImage& picture, const QRect& rect, int align, const QColor& colour,
                      const FontSpec& font, const QString& text);

// The 16-colour reduction every maker ends with: a Format_Indexed8 picture of 4 logical bits.
QImage reduce16(const QImage& picture);
inline constexpr int savedBits = 4;

// --- calendar ---------------------------------------------------------------------------
inline constexpr QSize calendarSize{96, 84};
inline constexpr char calendarTemplate[] = "カレンダ.PNG";
// The picture's text colour of a WeekCheck answer: 0 (holiday) and 1 (Sunday) red, 7
// (Saturday) blue, anything else black.
QColor dayColour(int weekCheck);
// The calendar of the month over the template (a null template leaves white), reduced to 16
// colours. A year and month that name no month of the calendar draw the title only. The cells
// of a sixth row are cut to the picture's bottom edge.
QImage calendarPicture(int year, int month, const FontSpec& font, const QImage& templ,
                       CL_GL028C& holidays);
// The font the calendar starts with.
FontSpec calendarFont();

// --- New Year card ----------------------------------------------------------------------
inline constexpr QSize cardSize{60, 84};
inline constexpr char addressTemplate[] = "宛名.PNG";
// The template of each picture type 0..16; type 17 is a picture the user chooses.
inline constexpr int cardTypes = 18;
inline constexpr int cardOwnPicture = 17;
QString cardTypeName(int type);
QString cardTemplate(int type); // "" for 17 and out of range
// The address side: name and joint name in columns, right to left.
QImage addressPicture(const QString& name, const QString& joint, const FontSpec& font,
                      const QImage& templ);
// The greeting side: the four lines in columns right to left; the last (the date) at the
// font's whole points minus 1.5.
QImage greetingPicture(const std::array<QString, 4>& lines, const FontSpec& font,
                       const QImage& templ);
// A picture of the user's, fitted to the card (not keeping its proportions).
QImage fitToCard(const QImage& picture);
FontSpec addressFont();
FontSpec greetingFont();

// --- number plate -----------------------------------------------------------------------
inline constexpr QSize plateSize{80, 40};
inline constexpr int plateTypes = 4;
QString plateTypeName(int type);
QString plateTemplate(int type); // "no1.png" ... "no4.png"; "" outside 0..3
// The text colour of a plate type by day or lit; `keep` for a type outside 0..3.
QColor plateTextColour(int type, bool lit, const QColor& keep);
struct PlateTexts {
    QString top;    // region and class number
    QString kana;   // one kana character
    QString serial; // the large number
};
// The plate over the template; the top line and the kana at half of the font's whole points,
// the serial number at the whole points.
QImage platePicture(const PlateTexts& texts, const QColor& colour, const FontSpec& font,
                    const QImage& templ);
FontSpec plateFont();

// --- saving -----------------------------------------------------------------------------
// The name a save dialog answer stands for, without its extension: only the file-name part is
// looked at ("/tmp/a.b/cal" stays, "card.png" gives "card").
QString baseName(const QString& chosen);

} // namespace Makers
