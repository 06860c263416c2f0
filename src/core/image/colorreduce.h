#pragma once
// Colour reduction of one picture, the pixel work behind the image control's ColorRes.
#include <QImage>

#include <memory>

namespace ColorReduce {
// Palette options the program passes.
constexpr int FixedBlackWhite = 1; // the two-entry palette {black, white}, 1 bit
constexpr int Optimised = 2;       // a palette fitted to the picture
constexpr int TrueColour = 4;      // with bits 24: back to a 24-bit picture
} // namespace ColorReduce

// Reduces source to at most `colours` colours for a picture of `bits` bits per pixel (1..8), or
// converts it to 24 bits (bits 24, Format_RGB32). Palette pictures come back as Format_Indexed8
// whose colour table holds only the colours the pixels use (the fixed black-and-white palette
// keeps both entries). colours outside 2..2^bits means 2^bits. The logical bit depth is the
// caller's to keep. Always pass the unreduced picture: quantising an already reduced one loses
// colours a second time. Deterministic: the same input gives the same pixels and palette.
// Returns a null image for a null source, an unsupported bit depth or a quantiser failure.
QImage colorRes(const QImage& source, int bits, int paletteOption, bool dither, int colours);

// A palette fitted to one picture, from which that picture is remapped with or without
// dithering: the colour search judges both kinds of picture at one count for the price of one
// palette. colorRes's Optimised pictures are made this way.
class FittedPalette {
public:
    // Null when the quantiser fails.
    static std::shared_ptr<FittedPalette> make(const QImage& source, int colours);
    ~FittedPalette();
    // source: the picture the palette was made from. Safe to call from several threads.
    QImage remap(const QImage& source, bool dither) const;

private:
    FittedPalette();
    struct Made;
    std::unique_ptr<Made> made_;
};
