#pragma once
// What the first bytes of a picture say, read by us before any decoder sees the file: the
// format (which pins the decoder), the size a header promises and the depth it stores.
#include "core/image/imagecodec.h"

#include <QByteArray>
#include <QSize>
#include <QString>

namespace ImageCodec::Headers {

enum class Units { None, Inch, Centimetre };

// What a decoder's look at the header found.
struct Header {
    int width = 0, height = 0;
    double xRes = 0, yRes = 0;
    Units units = Units::None;
    QString compress;            // as the information window names it ("JPEG", "LZW", "None", ...)
    int depth = 0, channels = 0; // the decoder's idea of the depth, when the header has none
};

struct Kind {
    int code = FormatUnknown;
    const char* coder = nullptr; // the one decoder allowed for these bytes
};

Kind detect(const QByteArray& bytes, const QString& nameHint);
// The size a header promises, for the formats whose headers say it plainly; empty when the
// decoder's own look has to tell.
QSize declaredSize(const QByteArray& bytes, const Kind& kind);
// Bits per pixel as the file stores them; 0 when the header does not say (or says nonsense).
int storedBits(const QByteArray& bytes, const Kind& kind);
// The icon to show is the largest one, the deepest among equals; 0 when the directory is bad.
int largestIcon(const QByteArray& bytes, int* bits = nullptr);

struct TiffFacts {
    int bits = 0;
    int compression = 1;
    int pages = 0;
};
TiffFacts tiffFacts(const QByteArray& bytes);

// The GIF with its comment, plain text and application extensions left out (no pixel depends on
// them, and millions of tiny ones cost the decoder seconds); the bytes as given when the block
// structure is not understood, for the decoder to judge.
QByteArray gifEssentials(const QByteArray& bytes);

// libjpeg passes over a missing end quietly; a JPEG whose last scan has no end marker after it
// was cut short.
bool jpegCut(const QByteArray& bytes);

} // namespace ImageCodec::Headers
