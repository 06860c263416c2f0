#pragma once
// PNG and JPEG, the formats users open most, read straight through libpng and libjpeg-turbo
// with every limit set: ancillary chunks and markers are skipped unread, a chunk that claims
// more than the file holds ends the read before anything is allocated, and the decoders' own
// memory is capped. Everything else goes through ImageMagick (imagecodec.cpp).
#include "core/image/imageheaders.h"

#include <QByteArray>
#include <QImage>
#include <QString>

namespace ImageCodec::Direct {

using Headers::Header;
using Headers::Units;

// Header only: size, resolution, compression. detail gets the library's words on failure.
Error pngHeader(const QByteArray& bytes, Header* header, QString* detail);
Error jpegHeader(const QByteArray& bytes, Header* header, QString* detail);

// Pixels into *image as Format_RGB32 whose top byte still holds the alpha to be composed.
// A JPEG that ran out or had damaged data sets *partial (the rest is flat grey).
Error png(const QByteArray& bytes, QImage* image, QString* detail);
Error jpeg(const QByteArray& bytes, QImage* image, bool* partial, QString* detail);

// Overrides the resolution and unit with those an EXIF block (the APP1 payload after
// "Exif\0\0") states.
void exifResolution(const QByteArray& tiff, Header* h);

} // namespace ImageCodec::Direct
