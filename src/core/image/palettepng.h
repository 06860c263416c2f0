#pragma once
// The writers' shared form of a picture, and the PNG writer for palette pictures: those are what
// the size limits measure, so their file is put together here around a stronger deflate than
// libpng's zlib.
#include <QByteArray>
#include <QList>
#include <QRgb>

#include <vector>

namespace ImageCodec {

// Pixels as a file stores them: palette indices, grey levels or RGB, one byte per sample.
struct Plane {
    enum Kind { Palette, Grey, Rgb } kind = Rgb;
    int width = 0, height = 0;
    QList<QRgb> palette;        // Palette: only the colours in use
    std::vector<uchar> samples; // rows without padding
    int channels() const { return kind == Rgb ? 3 : 1; }
};

// Up to this many pixels every PNG attempt is made.
constexpr qint64 smallPicture = 256 * 256;

inline int paletteDepth(qsizetype colours) {
    return colours <= 2 ? 1 : colours <= 4 ? 2 : colours <= 16 ? 4 : 8;
}

// The smallest palette PNG of the picture: palette order and row filters chosen for the smaller
// stream. Empty when the compressor fails.
QByteArray encodePalettePng(const Plane& quantiserOrder);

} // namespace ImageCodec
