#pragma once
// WebP through libwebp: reading with the checks every decoder has (the header's size against
// the pixel budget before any pixel memory), and the two writers the WebP fit measures with.
#include "core/image/imageheaders.h"

#include <QByteArray>
#include <QImage>
#include <QString>

namespace ImageCodec::Webp {

// Header only. An animation is refused: its first frame alone is rarely the picture meant.
Error header(const QByteArray& bytes, Headers::Header* h, QString* detail);
// Pixels into *image as Format_RGB32 whose top byte holds the alpha to be composed.
Error pixels(const QByteArray& bytes, QImage* image, QString* detail);

// How hard the lossless writer works. On phone pictures Least is some 10 % larger than Most.
// Some is within 1 % of Most on full-colour pictures in a tenth of the time, but some 7 % larger
// on palette pictures, where Most takes a fifth of the time it takes on full colour.
enum class Effort { Least, Some, Most };
// Every pixel kept exactly; a picture of at most 256 colours is stored with its palette. Empty
// on failure.
QByteArray lossless(const QImage& image, Effort effort = Effort::Most);
// quality 0 (smallest) to 100. Some is about 2 % larger than Most at the same quality and as
// close to the picture, in half the time. Empty on failure.
QByteArray lossy(const QImage& image, float quality, Effort effort = Effort::Most);

} // namespace ImageCodec::Webp
