// PNG and JPEG through libpng and libjpeg-turbo, matching what the general path gave pixel for
// pixel: 16 bits rounded to 8, palettes, grey and tRNS expanded, CMYK converted the way the
// general path's colour conversion does it.
#include "core/image/directdecode.h"

#include "core/image/imagelimits.h"

#include <QSysInfo>

#include <array>
#include <csetjmp>
#include <cstdio> // jpeglib.h needs FILE
#include <cstring>

#include <jpeglib.h>
#include <png.h>

namespace ImageCodec::Direct {

namespace {

// What the decoders may take for themselves besides the picture: a progressive JPEG's
// coefficients at the largest size we open (24 Mpixels, three full-resolution channels) fit.
constexpr long jpegMemory = 160L << 20;
// A progressive JPEG redoes the whole picture per scan; real ones have about ten.
constexpr int jpegMaxScans = 100;

quint32 be32(const uchar* p) {
    return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | p[3];
}

// Where libpng reads from, and what it said when it gave up. Only plain data lives here, since
// libpng leaves by longjmp.
struct PngSource {
    const uchar* data;
    size_t size, at = 0;
    char message[200] = {};
};

void pngRead(png_structp png, png_bytep out, size_t n) {
    auto* s = static_cast<PngSource*>(png_get_io_ptr(png));
    if (n > s->size - s->at) png_error(png, "file ends early");
    std::memcpy(out, s->data + s->at, n);
    s->at += n;
}

void pngFail(png_structp png, png_const_charp message) {
    auto* s = static_cast<PngSource*>(png_get_error_ptr(png));
    std::snprintf(s->message, sizeof s->message, "%s", message);
    png_longjmp(png, 1);
}

void pngWarn(png_structp, png_const_charp) {}

// Each chunk's claimed length must fit in what is left of the file, so that no length read from
// the file is ever handed to an allocator unchecked.
bool pngChunksFit(const QByteArray& b) {
    const auto* p = reinterpret_cast<const uchar*>(b.constData());
    for (qsizetype at = 8; at + 8 <= b.size();) {
        const quint32 length = be32(p + at);
        if (length > PNG_UINT_31_MAX || qint64(length) + 12 > b.size() - at) return false;
        if (std::memcmp(p + at + 4, "IEND", 4) == 0) return true;
        at += 12 + qsizetype(length);
    }
    return true; // a missing end is libpng's to judge
}

struct Png {
    PngSource source;
    png_structp png = nullptr;
    png_infop info = nullptr;

    explicit Png(const QByteArray& b)
        : source{reinterpret_cast<const uchar*>(b.constData()), size_t(b.size())} {
        png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &source, pngFail, pngWarn);
        if (png) info = png_create_info_struct(png);
        if (!info) return;
        png_set_read_fn(png, &source, pngRead);
        png_set_user_limits(png, ImageLimits::maxSide, ImageLimits::maxSide);
        png_set_chunk_cache_max(png, 64);
        png_set_chunk_malloc_max(png, 64 << 10);
        // Every ancillary chunk is skipped unread (text, profiles, anything unknown), except the
        // resolution, which the information window shows.
        png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
        static const png_byte kept[] = "pHYs";
        png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_AS_DEFAULT, kept, 1);
    }
    ~Png() { png_destroy_read_struct(&png, &info, nullptr); }
};

Error pngStart(Png& p, const QByteArray& b, QString* detail) {
    if (!pngChunksFit(b)) {
        *detail = QStringLiteral("a chunk claims more bytes than the file holds");
        return Error::Corrupt;
    }
    return p.info ? Error::None : Error::TooLarge; // no memory even for libpng's own state
}

Error pngFailure(const Png& p, QString* detail) {
    *detail = QString::fromLatin1(p.source.message);
    return detail->contains(QLatin1String("exceeds user limit")) ? Error::TooLarge : Error::Corrupt;
}

// Reads the header. libpng leaves by longjmp to the caller's setjmp, which has to be in the
// caller's own frame.
void pngReadHeader(const Png& p, Header* h) {
    png_read_info(p.png, p.info);
    h->width = int(png_get_image_width(p.png, p.info));
    h->height = int(png_get_image_height(p.png, p.info));
    png_uint_32 x = 0, y = 0;
    int unit = 0;
    if (png_get_pHYs(p.png, p.info, &x, &y, &unit)) {
        h->xRes = x;
        h->yRes = y;
        if (unit == PNG_RESOLUTION_METER) {
            h->xRes /= 100.0;
            h->yRes /= 100.0;
            h->units = Units::Centimetre;
        }
    }
    h->compress = QStringLiteral("Zip");
}

struct JpegErrors {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    int warnings;
};

void jpegFail(j_common_ptr c) {
    auto* e = reinterpret_cast<JpegErrors*>(c->err);
    c->err->format_message(c, e->message);
    std::longjmp(e->jump, 1);
}

void jpegMessage(j_common_ptr c, int level) {
    if (level < 0) ++reinterpret_cast<JpegErrors*>(c->err)->warnings;
}

void jpegProgress(j_common_ptr c) {
    if (reinterpret_cast<j_decompress_ptr>(c)->input_scan_number > jpegMaxScans) {
        std::snprintf(reinterpret_cast<JpegErrors*>(c->err)->message, JMSG_LENGTH_MAX,
                      "more than %d scans", jpegMaxScans);
        std::longjmp(reinterpret_cast<JpegErrors*>(c->err)->jump, 1);
    }
}

struct Jpeg {
    jpeg_decompress_struct cinfo{};
    JpegErrors errors{};
    jpeg_progress_mgr progress{};

    const QByteArray& bytes;

    explicit Jpeg(const QByteArray& b) : bytes(b) {
        cinfo.err = jpeg_std_error(&errors.pub);
        errors.pub.error_exit = jpegFail;
        errors.pub.emit_message = jpegMessage;
        jpeg_create_decompress(&cinfo);
        cinfo.mem->max_memory_to_use = jpegMemory;
        progress.progress_monitor = jpegProgress;
        cinfo.progress = &progress;
    }
    // After setjmp: an empty input is already an error.
    void open() {
        jpeg_mem_src(&cinfo, reinterpret_cast<const uchar*>(bytes.constData()),
                     static_cast<unsigned long>(bytes.size()));
    }
    ~Jpeg() { jpeg_destroy_decompress(&cinfo); }

    Error failure(QString* detail) const {
        *detail = QString::fromLatin1(errors.message);
        return Error::Corrupt;
    }
};

// The resolution as it was always reported: a JFIF density other than 1, then whatever an EXIF
// block states of resolution and unit.
void jpegResolution(const QByteArray& b, const jpeg_decompress_struct& c, Header* h) {
    if (c.saw_JFIF_marker && c.X_density != 1 && c.Y_density != 1) {
        h->xRes = c.X_density;
        h->yRes = c.Y_density;
        h->units = c.density_unit == 1   ? Units::Inch
                   : c.density_unit == 2 ? Units::Centimetre
                                         : Units::None;
    }
    // The first APP1 "Exif" among the segments before the scan.
    const auto* p = reinterpret_cast<const uchar*>(b.constData());
    for (qsizetype at = 2; at + 4 <= b.size() && p[at] == 0xff;) {
        const int marker = p[at + 1];
        if (marker == 0xff || marker == 0x01 || (marker >= 0xd0 && marker <= 0xd7)) {
            at += marker == 0xff ? 1 : 2;
            continue;
        }
        if (marker == 0xda || marker == 0xd9) break;
        const qsizetype length = p[at + 2] << 8 | p[at + 3];
        if (marker == 0xe1 && length >= 8 && b.mid(at + 4, 6) == QByteArray("Exif\0\0", 6)) {
            exifResolution(b.mid(at + 10, length - 8), h);
            return;
        }
        at += 2 + length;
    }
}

// The general path's CMYK conversion, kept to its arithmetic so the pixels stay the same: the
// stored (inverted) samples back to ink, red = range - (cyan x (range - black) / range + black)
// in 16-bit quanta, rounded, then to 8 bits.
uchar fromInk(int stored, int storedBlack) {
    const double range = 65535.0;
    const double ink = range - stored * 257.0, black = range - storedBlack * 257.0;
    const double v = range - (ink * (range - black) / range + black);
    const unsigned q = v <= 0 ? 0 : v >= range ? 65535u : unsigned(v + 0.5);
    return uchar(((q + 128) - ((q + 128) >> 8)) >> 8);
}

// fromInk for every (sample, black) pair, row by black, made once.
const uchar* inkTable() {
    static const auto table = [] {
        std::array<uchar, 256 * 256> t{};
        for (int black = 0; black < 256; ++black)
            for (int stored = 0; stored < 256; ++stored)
                t[black * 256 + stored] = fromInk(stored, black);
        return t;
    }();
    return table.data();
}

} // namespace

Error pngHeader(const QByteArray& bytes, Header* header, QString* detail) {
    Png p(bytes);
    if (Error e = pngStart(p, bytes, detail); e != Error::None) return e;
    if (setjmp(png_jmpbuf(p.png))) return pngFailure(p, detail);
    pngReadHeader(p, header);
    return Error::None;
}

Error png(const QByteArray& bytes, QImage* image, QString* detail) {
    Png p(bytes);
    if (Error e = pngStart(p, bytes, detail); e != Error::None) return e;
    Header h;
    if (setjmp(png_jmpbuf(p.png))) return pngFailure(p, detail);
    pngReadHeader(p, &h);
    if (!ImageLimits::fits(h.width, h.height)) return Error::TooLarge;
    // Allocated before any row is read and released by the caller's QImage if libpng gives up.
    *image = QImage(h.width, h.height, QImage::Format_RGB32);
    if (image->isNull()) return Error::TooLarge;
    png_set_expand(p.png); // palette, grey below 8 bits and tRNS to 8-bit channels with alpha
    png_set_scale_16(p.png);
    png_set_gray_to_rgb(p.png);
    if (QSysInfo::ByteOrder == QSysInfo::LittleEndian) {
        png_set_add_alpha(p.png, 0xff, PNG_FILLER_AFTER);
        png_set_bgr(p.png);
    } else {
        png_set_add_alpha(p.png, 0xff, PNG_FILLER_BEFORE);
        png_set_swap_alpha(p.png);
    }
    const int passes = png_set_interlace_handling(p.png);
    png_read_update_info(p.png, p.info);
    if (png_get_rowbytes(p.png, p.info) != size_t(h.width) * 4) {
        std::snprintf(p.source.message, sizeof p.source.message, "unexpected row layout");
        return pngFailure(p, detail);
    }
    for (int pass = 0; pass < passes; ++pass)
        for (int y = 0; y < h.height; ++y) png_read_row(p.png, image->scanLine(y), nullptr);
    png_read_end(p.png, nullptr); // a file without its end is refused, as it always was
    return Error::None;
}

Error jpegHeader(const QByteArray& bytes, Header* header, QString* detail) {
    Jpeg j(bytes);
    if (setjmp(j.errors.jump)) return j.failure(detail);
    j.open();
    if (jpeg_read_header(&j.cinfo, TRUE) != JPEG_HEADER_OK) return Error::Corrupt;
    header->width = int(j.cinfo.image_width);
    header->height = int(j.cinfo.image_height);
    header->compress = QStringLiteral("JPEG");
    // For a frame header our own look could not find.
    header->depth = j.cinfo.data_precision;
    const J_COLOR_SPACE space = j.cinfo.jpeg_color_space;
    header->channels = space == JCS_GRAYSCALE ? 1 : space == JCS_CMYK || space == JCS_YCCK ? 4 : 3;
    jpegResolution(bytes, j.cinfo, header);
    return Error::None;
}

Error jpeg(const QByteArray& bytes, QImage* image, bool* partial, QString* detail) {
    Jpeg j(bytes);
    if (setjmp(j.errors.jump)) return j.failure(detail);
    j.open();
    jpeg_decompress_struct& c = j.cinfo;
    if (jpeg_read_header(&c, TRUE) != JPEG_HEADER_OK) return Error::Corrupt;
    if (!ImageLimits::fits(c.image_width, c.image_height)) return Error::TooLarge;
    const bool cmyk = c.jpeg_color_space == JCS_CMYK || c.jpeg_color_space == JCS_YCCK;
    c.out_color_space = cmyk                                            ? JCS_CMYK
                        : QSysInfo::ByteOrder == QSysInfo::LittleEndian ? JCS_EXT_BGRA
                                                                        : JCS_EXT_ARGB;
    *image = QImage(int(c.image_width), int(c.image_height), QImage::Format_RGB32);
    if (image->isNull()) return Error::TooLarge;
    jpeg_start_decompress(&c);
    if (c.output_width != c.image_width || c.output_height != c.image_height ||
        c.output_components != 4)
        return Error::Corrupt;
    while (c.output_scanline < c.output_height) {
        auto* row = reinterpret_cast<QRgb*>(image->scanLine(int(c.output_scanline)));
        JSAMPROW rows[] = {reinterpret_cast<JSAMPROW>(row)};
        jpeg_read_scanlines(&c, rows, 1);
        if (!cmyk) continue;
        // Converted in place: each pixel's four samples become its colour.
        const auto* ink = reinterpret_cast<const uchar*>(row);
        for (JDIMENSION x = 0; x < c.output_width; ++x, ink += 4) {
            const uchar* colour = inkTable() + ink[3] * 256;
            row[x] = qRgb(colour[ink[0]], colour[ink[1]], colour[ink[2]]);
        }
    }
    jpeg_finish_decompress(&c);
    *partial = j.errors.warnings > 0;
    return Error::None;
}

void exifResolution(const QByteArray& tiff, Header* h) {
    const bool little = tiff.startsWith("II");
    if (!little && !tiff.startsWith("MM")) return;
    auto u = [&](qint64 at, int n) -> quint32 {
        if (at < 0 || at + n > tiff.size()) return 0;
        quint32 v = 0;
        for (int i = 0; i < n; ++i)
            v |= quint32(quint8(tiff[at + i])) << (8 * (little ? i : n - 1 - i));
        return v;
    };
    auto rational = [&](qint64 entry) {
        const qint64 at = u(entry + 8, 4);
        const quint32 den = u(at + 4, 4);
        return den ? double(u(at, 4)) / den : 0.0;
    };
    const qint64 ifd = u(4, 4);
    const quint32 count = u(ifd, 2);
    for (quint32 i = 0; i < count; ++i) {
        const qint64 e = ifd + 2 + 12 * qint64(i);
        const quint32 tag = u(e, 2);
        if (tag == 282) h->xRes = rational(e);
        if (tag == 283) h->yRes = rational(e);
        if (tag == 296) {
            const quint32 unit = u(e + 8, 2);
            h->units = unit == 2 ? Units::Inch : unit == 3 ? Units::Centimetre : Units::None;
        }
    }
}

} // namespace ImageCodec::Direct
