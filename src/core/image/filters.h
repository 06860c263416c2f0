#pragma once
// The filters of the processing dialog, as plain functions on pictures. Every filter takes a
// 24-bit (Format_RGB32) or palette (Format_Indexed8) picture and returns a 24-bit picture of
// the same size; a null result means the filter could not run (the reason goes to *error) and
// the caller keeps its picture. Most run in ImageMagick: a program that starts threads calls
// ImageCodec::initialize() before the first.
#include <QImage>
#include <QString>

struct Progress;

namespace Filters {

enum class Kind {
    BrightnessContrast, // a: brightness -100..100, b: contrast -100..100 (0: unchanged)
    Gamma,              // a: gamma x 100, 10..500 (100: unchanged; above 100 brightens)
    HueSaturation,      // a: hue turn in degrees -180..180, b: saturation -100..100
    Sharpen,            // a: strength (sigma x 10) 1..50
    Blur,               // a: strength (sigma x 10) 1..100
    Median,             // a: radius 1..10
    Despeckle,          // no parameter
    Emboss,             // a: depth (sigma x 10) 1..50
    Posterize,          // a: levels per channel 2..32
    Mosaic,             // a: block side in pixels 2..64
    Sepia,              // a: threshold percent 50..100
};
inline constexpr int kindCount = 11;

struct Param {
    int minimum, maximum, initial;
};

// The parameters a filter takes (0, 1 or 2) and their ranges; values outside are clamped.
int paramCount(Kind kind);
Param param(Kind kind, int which);

// Runs one filter. a and b are the parameters in the units listed above. scale multiplies the
// parameters measured in pixels (radius, strength, block side), so a preview reduced to a
// quarter of the picture's size looks as the picture will. With progress the filter reports
// how far it is and stops when told: a cancelled filter returns a null picture.
QImage apply(const QImage& image, Kind kind, int a = 0, int b = 0, QString* error = nullptr,
             double scale = 1.0, Progress* progress = nullptr);

// The block average of every side x side square from the top-left corner (the last row and
// column of blocks may be smaller).
QImage mosaic(const QImage& image, int side);

// The median of each channel over the side x side square around every pixel, the edge pixels
// repeated beyond the picture. An even square reaches one pixel further up and left than down
// and right, and takes the upper of the two middle values. A sliding histogram per row keeps
// the cost per pixel proportional to side, not to its square.
QImage median(const QImage& image, int side, Progress* progress = nullptr);

// A Gaussian blur of standard deviation sigma pixels, the edge pixels repeated beyond the
// picture: along the rows, then down the columns, so the cost per pixel grows with sigma, not
// with its square.
QImage blur(const QImage& image, double sigma, Progress* progress = nullptr);

// Sharpening as the program has always done it: the picture with the difference from its
// Gaussian blur of deviation sigma added, by the weights of the old engine's kernel.
QImage sharpen(const QImage& image, double sigma, Progress* progress = nullptr);

} // namespace Filters
