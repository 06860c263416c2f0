// Our own writers. File sizes are what the phone limits measure, so the PNG writer works hard
// on size; all three encode into memory and never touch the disk themselves.
#include "core/image/imagecodec.h"
#include "core/image/palettepng.h"

#include "core/util/fileio.h"

#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <map>
#include <vector>

#include <jpeglib.h>
#include <png.h>
#include <zlib.h>

namespace ImageCodec {

namespace {

// Palette form with at most maxColours entries, listing only the colours in use. Indexed
// pictures keep their palette order; RGB pictures get their colours in ascending order, so
// the same picture always gives the same bytes.
bool toPalette(const QImage& image, int maxColours, Plane* out) {
    Plane p;
    p.kind = Plane::Palette;
    p.width = image.width();
    p.height = image.height();
    p.samples.resize(size_t(p.width) * size_t(p.height));
    if (image.format() == QImage::Format_Indexed8) {
        bool used[256] = {};
        for (int y = 0; y < p.height; ++y) {
            const uchar* s = image.constScanLine(y);
            for (int x = 0; x < p.width; ++x) used[s[x]] = true;
        }
        const QList<QRgb> table = image.colorTable();
        int remap[256];
        for (int i = 0; i < 256; ++i) {
            if (!used[i]) continue;
            remap[i] = int(p.palette.size());
            p.palette.append(i < table.size() ? table[i] : qRgb(0, 0, 0));
        }
        if (p.palette.size() > maxColours) return false;
        for (int y = 0; y < p.height; ++y) {
            const uchar* s = image.constScanLine(y);
            uchar* d = p.samples.data() + size_t(y) * size_t(p.width);
            for (int x = 0; x < p.width; ++x) d[x] = uchar(remap[s[x]]);
        }
    } else {
        const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
        std::map<QRgb, int> colours;
        for (int y = 0; y < p.height; ++y) {
            const auto* s = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
            for (int x = 0; x < p.width; ++x) {
                colours.emplace(s[x] | 0xff000000u, 0);
                if (int(colours.size()) > maxColours) return false;
            }
        }
        for (auto& [colour, index] : colours) {
            index = int(p.palette.size());
            p.palette.append(colour);
        }
        for (int y = 0; y < p.height; ++y) {
            const auto* s = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
            uchar* d = p.samples.data() + size_t(y) * size_t(p.width);
            for (int x = 0; x < p.width; ++x) d[x] = uchar(colours[s[x] | 0xff000000u]);
        }
    }
    *out = std::move(p);
    return true;
}

// Grey when every pixel is grey (a third of the bytes to compress), else RGB.
Plane toDirect(const QImage& image) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    Plane p;
    p.width = rgb.width();
    p.height = rgb.height();
    bool grey = true;
    for (int y = 0; grey && y < p.height; ++y) {
        const auto* s = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < p.width; ++x) {
            if (qRed(s[x]) != qGreen(s[x]) || qGreen(s[x]) != qBlue(s[x])) {
                grey = false;
                break;
            }
        }
    }
    p.kind = grey ? Plane::Grey : Plane::Rgb;
    p.samples.resize(size_t(p.width) * size_t(p.height) * size_t(p.channels()));
    uchar* d = p.samples.data();
    for (int y = 0; y < p.height; ++y) {
        const auto* s = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < p.width; ++x) {
            *d++ = uchar(qRed(s[x]));
            if (!grey) {
                *d++ = uchar(qGreen(s[x]));
                *d++ = uchar(qBlue(s[x]));
            }
        }
    }
    return p;
}

// ---- PNG ---------------------------------------------------------------------------------

void pngWrite(png_structp png, png_bytep data, size_t length) {
    static_cast<QByteArray*>(png_get_io_ptr(png))
        ->append(reinterpret_cast<const char*>(data), qsizetype(length));
}
void pngFlush(png_structp) {}
[[noreturn]] void pngError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}
void pngWarning(png_structp, png_const_charp) {}

struct PngJob {
    const Plane& plane;
    int depth, colourType, filters, strategy;
    const std::vector<png_color>& colours;
    png_bytep* rows;
    QByteArray* out;
};

// Kept apart so that nothing it uses changes between setjmp and a libpng error.
bool runPng(const PngJob& job) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, pngError, pngWarning);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, job.out, pngWrite, pngFlush);
    png_set_IHDR(png, info, png_uint_32(job.plane.width), png_uint_32(job.plane.height), job.depth,
                 job.colourType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!job.colours.empty()) png_set_PLTE(png, info, job.colours.data(), int(job.colours.size()));
    png_set_compression_level(png, 9);
    png_set_compression_mem_level(png, 9);
    png_set_compression_strategy(png, job.strategy);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, job.filters);
    png_write_info(png, info);
    if (job.depth < 8) png_set_packing(png);
    png_write_image(png, job.rows);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

bool writePng(const Plane& p, int filters, int strategy, QByteArray* out) {
    const int depth = p.kind == Plane::Palette ? paletteDepth(p.palette.size()) : 8;
    const int colourType = p.kind == Plane::Palette ? PNG_COLOR_TYPE_PALETTE
                           : p.kind == Plane::Grey  ? PNG_COLOR_TYPE_GRAY
                                                    : PNG_COLOR_TYPE_RGB;
    std::vector<png_color> colours;
    for (QRgb c : p.palette)
        colours.push_back({png_byte(qRed(c)), png_byte(qGreen(c)), png_byte(qBlue(c))});
    std::vector<png_bytep> rows(size_t(p.height));
    const size_t stride = size_t(p.width) * size_t(p.channels());
    for (int y = 0; y < p.height; ++y)
        rows[size_t(y)] = const_cast<png_bytep>(p.samples.data() + stride * size_t(y));
    return runPng({p, depth, colourType, filters, strategy, colours, rows.data(), out});
}

QByteArray encodePng(const QImage& image, int bits, QString* error) {
    Plane p;
    const bool palette =
        (image.format() == QImage::Format_Indexed8 || bits <= 8) && toPalette(image, 256, &p);
    if (palette) {
        QByteArray out = encodePalettePng(p);
        if (out.isEmpty() && error) *error = QStringLiteral("PNG encoder failed");
        return out;
    }
    p = toDirect(image);
    // Direct colour suits the adaptive filters. These attempts are the ones that ever came out
    // smallest on photographs at phone sizes; larger pictures get the first only.
    static const std::vector<std::pair<int, int>> attempts = {
        {PNG_ALL_FILTERS, Z_DEFAULT_STRATEGY},
        {PNG_ALL_FILTERS, Z_FILTERED},
        {PNG_FILTER_NONE, Z_DEFAULT_STRATEGY}};
    const size_t tries = qint64(p.width) * p.height <= smallPicture ? attempts.size() : 1;
    QByteArray best;
    for (size_t i = 0; i < tries; ++i) {
        QByteArray out;
        if (!writePng(p, attempts[i].first, attempts[i].second, &out)) {
            if (error) *error = QStringLiteral("PNG encoder failed");
            return {};
        }
        if (best.isEmpty() || out.size() < best.size()) best = out;
    }
    return best;
}

// ---- BMP ---------------------------------------------------------------------------------

void put16(QByteArray& b, quint32 v) {
    b.append(char(v & 0xff));
    b.append(char(v >> 8 & 0xff));
}
void put32(QByteArray& b, quint32 v) {
    put16(b, v & 0xffff);
    put16(b, v >> 16);
}

QByteArray encodeBmp(const QImage& image, int bits, QString* error) {
    const int depth = bits <= 1 ? 1 : bits <= 4 ? 4 : bits <= 8 ? 8 : 24;
    Plane p;
    if (depth < 24 && !toPalette(image, 1 << depth, &p)) {
        if (error) *error = QStringLiteral("more colours than %1 bits hold").arg(depth);
        return {};
    }
    const QImage rgb = depth == 24 ? image.convertToFormat(QImage::Format_RGB32) : QImage();
    const int w = image.width(), h = image.height();
    const qint64 stride = (qint64(w) * depth + 31) / 32 * 4;
    const qint64 paletteBytes = depth < 24 ? 4LL << depth : 0;
    const qint64 offset = 14 + 40 + paletteBytes;
    const qint64 total = offset + stride * h;
    if (total > 0x7fffffff) {
        if (error) *error = QStringLiteral("picture too large for BMP");
        return {};
    }
    QByteArray b;
    b.reserve(qsizetype(total));
    b.append("BM");
    put32(b, quint32(total));
    put32(b, 0);
    put32(b, quint32(offset));
    put32(b, 40);
    put32(b, quint32(w));
    put32(b, quint32(h));
    put16(b, 1);
    put16(b, quint32(depth));
    put32(b, 0); // BI_RGB
    put32(b, quint32(stride * h));
    put32(b, 0);
    put32(b, 0);
    put32(b, 0);
    put32(b, 0);
    for (qint64 i = 0; i < paletteBytes / 4; ++i) {
        const QRgb c = i < p.palette.size() ? p.palette[i] : qRgb(0, 0, 0);
        b.append(char(qBlue(c)));
        b.append(char(qGreen(c)));
        b.append(char(qRed(c)));
        b.append('\0');
    }
    QByteArray row(qsizetype(stride), '\0');
    for (int y = h - 1; y >= 0; --y) {
        row.fill('\0');
        auto* d = reinterpret_cast<uchar*>(row.data());
        if (depth == 24) {
            const auto* s = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
            for (int x = 0; x < w; ++x) {
                d[3 * x] = uchar(qBlue(s[x]));
                d[3 * x + 1] = uchar(qGreen(s[x]));
                d[3 * x + 2] = uchar(qRed(s[x]));
            }
        } else {
            const uchar* s = p.samples.data() + size_t(y) * size_t(w);
            const int perByte = 8 / depth;
            for (int x = 0; x < w; ++x) {
                const int shift = 8 - depth * (x % perByte + 1);
                d[x / perByte] |= uchar(s[x] << shift);
            }
        }
        b.append(row);
    }
    return b;
}

// ---- JPEG --------------------------------------------------------------------------------

struct JpegError {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};

[[noreturn]] void jpegFail(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1);
}
void jpegSilent(j_common_ptr) {}

QByteArray jpegBytes(const QImage& image, int factor, JpegChroma chroma, QString* error) {
    const Plane p = toDirect(image);
    const int quality = jpegQuality(factor);
    jpeg_compress_struct cinfo{};
    JpegError err{};
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = jpegFail;
    err.mgr.output_message = jpegSilent;
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        std::free(buffer);
        if (error) *error = QStringLiteral("JPEG encoder failed");
        return {};
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(p.width);
    cinfo.image_height = JDIMENSION(p.height);
    cinfo.input_components = p.channels();
    cinfo.in_color_space = p.kind == Plane::Grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    cinfo.optimize_coding = TRUE;
    cinfo.dct_method = JDCT_FLOAT; // the most exact transform: every byte of a small file counts
    if (p.kind == Plane::Rgb) {
        // Small pictures lose visibly from halved colour resolution; only the lower
        // qualities, where size matters more than edges, use 4:2:0.
        const int h = quality >= 90 || chroma == JpegChroma::Full ? 1 : 2;
        cinfo.comp_info[0].h_samp_factor = h;
        cinfo.comp_info[0].v_samp_factor = h;
    }
    jpeg_start_compress(&cinfo, TRUE);
    const size_t stride = size_t(p.width) * size_t(p.channels());
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(p.samples.data() + stride * cinfo.next_scanline);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    QByteArray out(reinterpret_cast<const char*>(buffer), qsizetype(size));
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return out;
}

} // namespace

QByteArray encodeJpeg(const QImage& image, int factor, JpegChroma chroma, QString* error) {
    if (image.isNull() || image.width() <= 0 || image.height() <= 0) {
        if (error) *error = QStringLiteral("no picture to encode");
        return {};
    }
    return jpegBytes(image, factor, chroma, error);
}

int jpegQuality(int factor) {
    factor = std::clamp(factor, 2, 255);
    return 98 - ((factor - 2) * 97 + 126) / 253;
}

QByteArray encode(const QImage& image, int format, int bits, int quality, QString* error) {
    if (image.isNull() || image.width() <= 0 || image.height() <= 0) {
        if (error) *error = QStringLiteral("no picture to encode");
        return {};
    }
    switch (format) {
    case FormatPng:
        return encodePng(image, bits, error);
    case FormatBmp:
        return encodeBmp(image, bits, error);
    case FormatJpeg:
        return jpegBytes(image, quality, JpegChroma::ByQuality, error);
    }
    if (error) *error = QStringLiteral("format %1 cannot be written").arg(format);
    return {};
}

bool save(const QString& path, const QImage& image, int format, int bits, int quality,
          QString* error) {
    const QString name = QFileInfo(path).fileName();
    QString why;
    const QByteArray bytes = encode(image, format, bits, quality, &why);
    if (bytes.isEmpty()) {
        if (error) *error = errorText(Error::Unsupported, name);
        return false;
    }
    if (!FileIO::write(path, bytes, &why)) {
        if (error) *error = why;
        return false;
    }
    return true;
}

} // namespace ImageCodec
