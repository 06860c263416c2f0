// Decoding and header information: the glue between the sniffed header (imageheaders.cpp) and
// the decoders. Encoders live in imageencode.cpp, the texts about a picture in imageinfo.cpp.
#include "core/image/imagecodec.h"

#include "core/image/directdecode.h"
#include "core/image/imageheaders.h"
#include "core/image/magickdecode.h"
#include "core/image/webp.h"
#include "core/util/fileio.h"

#include <QFile>
#include <QFileInfo>

#include <cmath>

namespace ImageCodec {

namespace {

using namespace Headers;

// A file we are asked to read is never bigger than this; the pixel budget is far smaller.
constexpr qint64 maxFileBytes = 256LL * 1024 * 1024;

bool tooLarge(qint64 w, qint64 h) {
    return w > maxSide || h > maxSide || w * h > maxPixels;
}

int dpi(double value, Units units) {
    if (!std::isfinite(value) || value <= 0 || value > 1e6) return 0;
    if (units == Units::Inch) return int(std::lround(value));
    if (units == Units::Centimetre) return int(std::lround(value * 2.54));
    return 0;
}

// What the general decoder is given: of a GIF only what it needs to show the first frame.
QByteArray generalInput(const QByteArray& bytes, const Kind& kind) {
    return kind.code == FormatGif ? gifEssentials(bytes) : bytes;
}

// The one decision whether a picture is taken on, made before any pixel memory: the format from
// the bytes, the size the header promises, the decoder's look at the header. Reading and the
// information window both go through it, so both give the same reason.
Error examine(const QByteArray& bytes, const QString& nameHint, Kind* kind, int* index, Header* h,
              QString* detail) {
    *kind = detect(bytes, nameHint);
    if (!kind->coder) return Error::UnknownFormat;
    const QSize declared = declaredSize(bytes, *kind);
    if (tooLarge(declared.width(), declared.height())) {
        *detail = QStringLiteral("%1x%2").arg(declared.width()).arg(declared.height());
        return Error::TooLarge;
    }
    *index = kind->code == FormatIco ? largestIcon(bytes) : 0;
    const bool general =
        kind->code != FormatPng && kind->code != FormatJpeg && kind->code != FormatWebp;
    // PNG, JPEG and WebP never touch ImageMagick, so its start-up is paid only by the files it
    // reads.
    const Magick6::Started* magick = general ? &Magick6::start() : nullptr;
    if (magick && !magick->policyApplied) {
        *detail = magick->problem;
        return Error::Unsupported;
    }
    const Error e = kind->code == FormatPng    ? Direct::pngHeader(bytes, h, detail)
                    : kind->code == FormatJpeg ? Direct::jpegHeader(bytes, h, detail)
                    : kind->code == FormatWebp ? Webp::header(bytes, h, detail)
                                               : magick->module->header(generalInput(bytes, *kind),
                                                                        *kind, *index, h, detail);
    if (e != Error::None) return e;
    if (tooLarge(h->width, h->height) ||
        (general && qint64(h->width) * h->height > Magick6::maxPixels)) {
        *detail = QStringLiteral("%1x%2").arg(h->width).arg(h->height);
        return Error::TooLarge;
    }
    return Error::None;
}

// Transparency is shown against white, as a page would show it. Without an alpha channel the
// general path leaves the top byte unset, so it must not be read.
void composeOnWhite(QImage* image, bool hasAlpha) {
    for (int y = 0; y < image->height(); ++y) {
        auto* p = reinterpret_cast<QRgb*>(image->scanLine(y));
        for (int x = 0; x < image->width(); ++x) {
            const int a = hasAlpha ? qAlpha(p[x]) : 255;
            if (a == 255) {
                p[x] |= 0xff000000u;
                continue;
            }
            const int white = 255 * (255 - a) + 127;
            p[x] = qRgb((qRed(p[x]) * a + white) / 255, (qGreen(p[x]) * a + white) / 255,
                        (qBlue(p[x]) * a + white) / 255);
        }
    }
}

Error readWhole(const QString& path, QByteArray* bytes, QString* detail) {
    switch (FileIO::read(path, maxFileBytes, bytes, detail)) {
    case FileIO::Read::Ok:
        return Error::None;
    case FileIO::Read::TooLarge:
        return Error::TooLarge;
    case FileIO::Read::Folder:
    case FileIO::Read::NotRegular:
        return Error::NotAFile;
    case FileIO::Read::BadName:
        return Error::BadName;
    case FileIO::Read::Missing:
    case FileIO::Read::Failed:
        break;
    }
    return Error::Unreadable;
}

} // namespace

void initialize() {
    Magick6::start();
}

Decoded decodeFile(const QString& path) {
    Decoded r;
    QByteArray bytes;
    r.error = readWhole(path, &bytes, &r.detail);
    if (r.error != Error::None) return r;
    return decodeBytes(bytes, path);
}

Decoded decodeBytes(const QByteArray& bytes, const QString& nameHint) {
    Decoded r;
    Kind kind;
    int index = 0;
    Header h;
    r.error = examine(bytes, nameHint, &kind, &index, &h, &r.detail);
    bool hasAlpha = true;
    if (r.error == Error::None) {
        if (kind.code == FormatPng)
            r.error = Direct::png(bytes, &r.image, &r.detail);
        else if (kind.code == FormatJpeg)
            r.error = Direct::jpeg(bytes, &r.image, &r.partial, &r.detail);
        else if (kind.code == FormatWebp)
            r.error = Webp::pixels(bytes, &r.image, &r.detail);
        else
            r.error = Magick6::start().module->pixels(generalInput(bytes, kind), kind, index, h,
                                                      &r.image, &hasAlpha, &r.detail);
    }
    if (r.error != Error::None) {
        r.image = QImage();
        r.partial = false;
        return r;
    }
    if (kind.code == FormatJpeg && jpegCut(bytes)) r.partial = true;
    // JPEG has no transparency, and its decoder writes every pixel opaque: a pass over a camera
    // picture saved.
    if (kind.code != FormatJpeg) composeOnWhite(&r.image, hasAlpha);
    return r;
}

bool bytesInfo(const QByteArray& bytes, const QString& nameHint, FileInfo* info, Error* error,
               QString* detail) {
    Kind kind;
    int index = 0;
    Header h;
    QString why;
    const Error e = examine(bytes, nameHint, &kind, &index, &h, &why);
    if (error) *error = e;
    if (detail) *detail = why;
    if (e != Error::None) return false;

    FileInfo f;
    f.format = kind.code;
    f.width = h.width;
    f.height = h.height;
    f.bits = storedBits(bytes, kind);
    if (f.bits == 0) f.bits = h.depth * h.channels;
    f.xRes = dpi(h.xRes, h.units);
    f.yRes = dpi(h.yRes, h.units);
    f.sizeDisk = bytes.size();
    f.sizeMem = ((qint64(f.width) * 3 + 3) & ~qint64(3)) * f.height;
    f.pages = 1;
    if (kind.code == FormatTiff) {
        const TiffFacts t = tiffFacts(bytes);
        f.pages = qMax(1, t.pages);
        if (t.compression == 6 || t.compression == 7) f.format = FormatTiffJpeg;
    }
    f.compress = h.compress;
    *info = f;
    return true;
}

bool fileInfo(const QString& path, FileInfo* info, Error* error, QString* detail) {
    QByteArray bytes;
    QString why;
    const Error e = readWhole(path, &bytes, &why);
    if (e != Error::None) {
        if (error) *error = e;
        if (detail) *detail = why;
        return false;
    }
    return bytesInfo(bytes, path, info, error, detail);
}

QString rawDecoderRead(const QString& source, const QByteArray& blob) {
    const Magick6::Started& magick = Magick6::start();
    return magick.module ? magick.module->rawRead(source, blob) : magick.problem;
}

} // namespace ImageCodec
