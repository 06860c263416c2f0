#pragma once
// The one-step picture operations of the Edit and Image menus, as plain functions on pictures.
// Inputs are the two kinds an ImageControl holds: Format_RGB32 (24-bit) or Format_Indexed8
// (a palette picture; its logical depth stays with the caller). A null input gives a null
// result, and a null result always means "leave the control as it is".
#include <QColor>
#include <QImage>
#include <QRect>
#include <QString>

#include <optional>

namespace ImageOps {

// Paints the selection (clipped to the picture) or, when rgn is empty, the whole picture in
// colour. The result is always 24-bit, so a reduced picture comes back as true colour first.
// Window: after Dialogs::get().colour() returned a colour (cancel ends the command at once),
// LEAD1->setImage(fill(LEAD1->image(), QRect(), colour), 24), then reduced := false. No undo
// copy is taken.
QImage fill(const QImage& image, const QRect& rgn, const QColor& colour);

// A quarter turn; width and height change places. Palette pictures stay palette pictures
// with the same colour table, so the pixels are moved, never resampled.
// Window ("左回転(&L)" / "右回転(&R)"): LEAD2->setImage(rotateLeft(LEAD2->image()),
// LEAD2->BitsPerPixel()). The output and the reduced flag stay as they are.
QImage rotateLeft(const QImage& image);
QImage rotateRight(const QImage& image);

// Any angle in hundredths of a degree, clockwise. Quarter turns are exact (as above); other
// angles resample into a 24-bit picture large enough for the whole turned picture, with the
// uncovered corners in background.
QImage rotate(const QImage& image, int centiDegrees, const QColor& background = Qt::white);

// Top and bottom exchanged ("上下反転(&V)") and left and right exchanged ("左右反転(&H)");
// palette pictures keep their colour table. Window: as rotateLeft, on LEAD2.
QImage flip(const QImage& image);
QImage mirror(const QImage& image);

// Grey pixels (R = G = B = the picture's luma as Qt's grey conversion weighs it) in a 24-bit
// picture: the canvas stays a true-colour picture after "ｸﾞﾚｰｽｹｰﾙに変換(&G)". Window:
// LEAD2->setImage(greyscale( LEAD2->image()), 24).
QImage greyscale(const QImage& image);

// Every colour replaced by its complement ("色の反転(&T)"). Palette pictures are inverted in
// their colour table, so they keep their indices and depth. Window: as rotateLeft, on LEAD2.
QImage invert(const QImage& image);

// --- ratio adjustment ("幅基準" index 0, "高さ基準" index 1)

// The reshaped selection in single precision, unrounded, and as whole pixels for the control.
struct RatioRect {
    float left = 0, top = 0, width = 0, height = 0;
    // Sides rounded to the nearest pixel, halves to the even neighbour.
    QRect pixels() const;
};

// The selection rgn (or the whole picture of size `image` when rgn is empty) reshaped to the
// proportions of the output size outWidth x outHeight: index 0 keeps the width, index 1 the
// height; the top-left corner stays and the rectangle is not clamped to the picture.
// Nothing (leave the selection alone, raise no RgnChange) when the canvas is empty, the index
// is neither 0 nor 1, an output side is 0 or negative, or the new side would be below one pixel
// or beyond the largest picture side.
// Window: ow := Val(Text1[0]->text()), oh := Val(Text1[1]->text()); if the result r is set,
// LEAD2->SetRgnRect(r.pixels()...), whose RgnChange rebuilds the output.
std::optional<RatioRect> ratioRect(QSize image, const QRect& rgn, double outWidth, double outHeight,
                                   int index);

// --- entered colour count ("減色数指定...")

struct ColourCount {
    enum Kind {
        Nothing,    // empty answer or cancel: end the command
        Count,      // count holds 2..256: PNGRedraw(count), then reduced := true
        OutOfRange, // show Msg::colourCountInvalid() and change nothing
    } kind = Nothing;
    int count = 0;
};

// Reads the answer leniently (leading number, 0 when none) and rounds halves to the even
// neighbour. A value beyond 16 bits is out of range, never wrapped into range.
// Window: a = Dialogs::get().input(this, Msg::colourCountPrompt(), Msg::colourCountTitle(),
// Msg::colourCountDefault()); parseColourCount(a.value_or("")); OutOfRange →
// Dialogs::get().message(this, Msg::colourCountInvalid(), Msg::colourCountInvalidTitle(),
// Exclamation, Ok).
ColourCount parseColourCount(const QString& answer);

} // namespace ImageOps
