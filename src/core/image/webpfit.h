#pragma once
// Fitting a picture into a WebP file of at most a byte limit, in both of WebP's ways: lossless
// of the colour-reduced picture, searched over colour counts with the WebP size as the measure
// and over posterisation steps, and lossy, searched over quality. Everything is encoded in
// memory; the caller writes the chosen bytes once, the same bytes however the threads ran.
#include <QByteArray>
#include <QImage>

enum class WebpKind { Lossless, Lossy, Best };

struct WebpFit {
    bool fits = false;
    bool lossless = false;
    QByteArray bytes;
    QImage image; // what the file decodes to
    // The colour count as the colour fit reports it, or the posterised picture's own count; -1
    // when the picture kept all its colours (lossy, or lossless within the limit as it is).
    int colours = -1;
    int bits = 24;     // the logical depth of a palette picture
    float quality = 0; // lossy: the encoder quality, 0 to 100
    double psnr = 0;   // of image against the picture
};

// Best keeps whichever kind comes closer to the picture (PSNR), lossless on a tie.
WebpFit fitWebp(const QImage& picture, qint64 limit, WebpKind kind);
