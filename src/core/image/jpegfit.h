#pragma once
// Raising the JPEG compression step by step until the file fits a byte limit. Every step is
// encoded in memory; the caller writes the chosen bytes once.
#include <QByteArray>
#include <QImage>
#include <functional>

struct JpegFit {
    QByteArray bytes; // the file of the last factor tried (255 when nothing fits)
    int factor = 0;
    bool fits = false;
};

// Tries factor, factor + 1, ... 255 and stops at the first whose file is no larger than limit.
// progress sees every step's factor and size. Factors that map to the same encoder quality
// give the same file, so each quality is encoded once.
// Once a file fits, the same steps go on from there with full colour resolution at every
// quality, and the first of those that fits is kept instead when it is closer to the picture:
// on small pictures, sharp colour edges at a lower quality often beat blurred ones at a higher.
JpegFit fitJpeg(const QImage& image, qint64 limit, int factor,
                const std::function<void(int factor, qint64 size)>& progress = {});

// Peak signal-to-noise ratio of b against a over the red, green and blue samples, in dB; 99
// for identical pictures, 0 when the sizes differ.
double psnr(const QImage& a, const QImage& b);
