#pragma once
// The largest picture the program takes on: sides up to 16000 pixels and 24 Mpixels (96 MiB of
// 32-bit pixels). Every decoder and every command that creates or sizes an image checks it, so
// a hostile header or a mistyped size cannot take the machine's memory.
#include <QtGlobal>

namespace ImageLimits {
constexpr int maxSide = 16000;
constexpr qint64 maxPixels = qint64(24) * 1024 * 1024;

constexpr bool fits(qint64 width, qint64 height) {
    return width >= 1 && height >= 1 && width <= maxSide && height <= maxSide &&
           width * height <= maxPixels;
}
} // namespace ImageLimits
