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
JpegFit fitJpeg(const QImage& image, qint64 limit, int factor,
                const std::function<void(int factor, qint64 size)>& progress = {});
