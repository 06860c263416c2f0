#pragma once
// The colour-fit search behind "減色化": lowers the output picture's colour count until its PNG
// and BMP encodings fit the size limits of the chosen purpose, or reduces to a fixed count.
#include <QByteArray>
#include <QImage>
#include <QtGlobal>

#include <functional>

// Format codes the encoder receives.
inline constexpr int kFitPngFormat = 75;
inline constexpr int kFitBmpFormat = 6;

struct FitLimits {
    qint64 png = 5500, bmp = 10000;
    // More colours than this are known not to fit: the search starts below.
    int most = 256;
};

// One pass of the search, as the window paints it. A size of -1 was not measured in this pass;
// pngOk/bmpOk tell whether that limit is met so far.
struct FitPass {
    int colours = 0;
    int bits = 8;
    qint64 pngSize = -1, bmpSize = -1;
    bool pngOk = false, bmpOk = false;
};

struct FitResult {
    bool ok = false;
    QImage image;     // the reduced picture; after a failure, the last pass's picture (may be null)
    int bits = 8;     // logical bits per pixel of image
    int colours = -1; // the count to show: 0 for the black-and-white palette, -1 on failure
    // Sizes of image, -1 when not measured; after a failure pngSize is the last PNG measured.
    qint64 pngSize = -1, bmpSize = -1;
    int passes = 0;
    QByteArray png; // the PNG bytes measured for image, so a later save writes the same file
};

// Encodes image in format (kFitPngFormat or kFitBmpFormat) at the logical bit depth; an empty
// result is a failed measurement. The fast search calls it from two threads at once.
using Encoder = std::function<QByteArray(const QImage&, int format, int bits)>;
// The program's own PNG and BMP writers: what a save later writes, byte for byte.
Encoder fileEncoder();

enum class FitSearch {
    Walk, // downwards from 256 colours with steps from the size excess, pass by pass
    // Forecasts the count from the sizes measured so far and tries two counts at a time; then
    // confirms the counts above the answer. Never settles below the walk on a monotonic picture.
    Fast,
    // Fast without dithering only: no dithered pictures are judged, so it may settle below the
    // walk. For encoders whose passes cost far more than the quantiser's.
    Plain,
};

// cset < 1 searches for the largest colour count whose encodings meet both limits; a positive
// cset reduces to that count in one pass and measures only the PNG (2 is the black-and-white
// palette). Every pass quantises source24, the picture as it was before the search. progress
// sees each pass as it ends.
FitResult PNGRedraw(const QImage& source24, FitLimits limits, int cset, const Encoder& encoder,
                    const std::function<void(const FitPass&)>& progress = {},
                    FitSearch search = FitSearch::Fast);
