#pragma once
// Fitting a picture into a WebP file of at most a byte limit, in both of WebP's ways: lossless
// of the colour-reduced picture, searched over colour counts with the WebP size as the measure,
// and lossy, searched over quality. Everything is encoded in memory; the caller writes the chosen
// bytes once.
#include <QByteArray>
#include <QImage>

enum class WebpKind { Lossless, Lossy, Best };

struct WebpFit {
    bool fits = false;
    bool lossless = false;
    QByteArray bytes;
    QImage image;      // what the file decodes to
    int colours = -1;  // lossless: the colour count as the colour fit reports it; lossy: -1
    int bits = 24;     // lossless: the logical depth of the reduced picture; lossy: 24
    float quality = 0; // lossy: the encoder quality, 0 to 100
    double psnr = 0;   // of image against the picture
};

// Best keeps whichever kind comes closer to the picture (PSNR), lossless on a tie.
WebpFit fitWebp(const QImage& picture, qint64 limit, WebpKind kind);
