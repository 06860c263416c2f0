// Our own writers. File sizes are what the phone limits measure, so the PNG writer works hard
// on size; all three encode into memory and never touch the disk themselves.
#include "core/image/imagecodec.h"

#include "core/util/fileio.h"

#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <array>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <map>
#include <memory>
#include <numeric>
#include <vector>

#include <jpeglib.h>
#include <libdeflate.h>
#include <png.h>
#include <zlib.h>

namespace ImageCodec {

namespace {

// Pixels as a file stores them: palette indices, grey levels or RGB, one byte per sample.
struct Plane {
    enum Kind { Palette, Grey, Rgb } kind = Rgb;
    int width = 0, height = 0;
    QList<QRgb> palette;        // Palette: only the colours in use
    std::vector<uchar> samples; // rows without padding
    int channels() const { return kind == Rgb ? 3 : 1; }
};

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

// Up to this many pixels every PNG attempt is made.
constexpr qint64 smallPicture = 256 * 256;

int paletteDepth(qsizetype colours) {
    return colours <= 2 ? 1 : colours <= 4 ? 2 : colours <= 16 ? 4 : 8;
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

// The same picture with its palette ordered by brightness: neighbouring pixels of similar
// colour then get similar indices, which the row filters and deflate turn into fewer bytes.
Plane byBrightness(const Plane& p) {
    std::vector<int> order(size_t(p.palette.size()));
    std::iota(order.begin(), order.end(), 0);
    auto luma = [&p](int i) {
        const QRgb c = p.palette[i];
        return 299 * qRed(c) + 587 * qGreen(c) + 114 * qBlue(c);
    };
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return luma(a) < luma(b); });
    Plane q = p;
    uchar remap[256] = {};
    for (size_t i = 0; i < order.size(); ++i) {
        q.palette[qsizetype(i)] = p.palette[order[i]];
        remap[order[i]] = uchar(i);
    }
    for (uchar& s : q.samples) s = remap[s];
    return q;
}

// ---- palette PNG ---------------------------------------------------------------------------
// Palette pictures are what the size limits measure, so their IDAT is compressed with a
// stronger deflate than libpng's zlib: on photographs at phone sizes about 3 % fewer bytes,
// which the search turns into more colours.

void putChunk(QByteArray& out, const char* type, const QByteArray& data) {
    const quint32 length = quint32(data.size());
    for (int shift = 24; shift >= 0; shift -= 8) out.append(char(length >> shift & 0xff));
    const qsizetype start = out.size();
    out.append(type, 4);
    out.append(data);
    quint32 crc = quint32(crc32(0, reinterpret_cast<const Bytef*>(out.constData() + start),
                                uInt(out.size() - start)));
    for (int shift = 24; shift >= 0; shift -= 8) out.append(char(crc >> shift & 0xff));
}

// Rows packed to the PNG bit depth, each behind its filter byte.
std::vector<uchar> packedRows(const Plane& p, int depth, bool adaptive) {
    const size_t rowBytes = (size_t(p.width) * size_t(depth) + 7) / 8;
    std::vector<uchar> packed(rowBytes * size_t(p.height));
    const int perByte = 8 / depth;
    for (int y = 0; y < p.height; ++y) {
        const uchar* s = p.samples.data() + size_t(y) * size_t(p.width);
        uchar* d = packed.data() + size_t(y) * rowBytes;
        for (int x = 0; x < p.width; ++x)
            d[x / perByte] |= uchar(s[x] << (8 - depth * (x % perByte + 1)));
    }
    std::vector<uchar> out((rowBytes + 1) * size_t(p.height));
    std::vector<uchar> zero(rowBytes), trial(rowBytes);
    for (int y = 0; y < p.height; ++y) {
        const uchar* row = packed.data() + size_t(y) * rowBytes;
        const uchar* up = y > 0 ? row - rowBytes : zero.data();
        uchar* d = out.data() + size_t(y) * (rowBytes + 1);
        d[0] = 0;
        std::copy(row, row + rowBytes, d + 1);
        if (!adaptive) continue;
        // The usual heuristic: the filter whose bytes, read as signed, sum smallest.
        auto cost = [&](const uchar* b) {
            long sum = 0;
            for (size_t i = 0; i < rowBytes; ++i)
                sum += std::abs(int(static_cast<signed char>(b[i])));
            return sum;
        };
        long best = cost(d + 1);
        for (uchar f = 1; f <= 4; ++f) {
            for (size_t i = 0; i < rowBytes; ++i) {
                const int a = i > 0 ? row[i - 1] : 0, b = up[i], c = i > 0 ? up[i - 1] : 0;
                int predictor = 0;
                if (f == 1)
                    predictor = a;
                else if (f == 2)
                    predictor = b;
                else if (f == 3)
                    predictor = (a + b) / 2;
                else {
                    const int pa = std::abs(b - c), pb = std::abs(a - c),
                              pc = std::abs(a + b - 2 * c);
                    predictor = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
                }
                trial[i] = uchar(row[i] - predictor);
            }
            const long c = cost(trial.data());
            if (c < best) {
                best = c;
                d[0] = f;
                std::copy(trial.begin(), trial.end(), d + 1);
            }
        }
    }
    return out;
}

struct CompressorDeleter {
    void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
};

// One compressor per level and thread: making one costs more than compressing a phone picture.
libdeflate_compressor* compressor(int level) {
    thread_local std::unique_ptr<libdeflate_compressor, CompressorDeleter> made[13];
    if (!made[level]) made[level].reset(libdeflate_alloc_compressor(level));
    return made[level].get();
}

QByteArray deflated(const std::vector<uchar>& data, int level) {
    libdeflate_compressor* c = compressor(level);
    if (!c) return {};
    QByteArray out(qsizetype(libdeflate_zlib_compress_bound(c, data.size())), Qt::Uninitialized);
    const size_t n = libdeflate_zlib_compress(c, data.data(), data.size(), out.data(), out.size());
    out.truncate(qsizetype(n));
    return out;
}

// Where the statistics of the indices change, as in a picture of sand under a sky, a new
// deflate block with its own code tables pays; the strong compressor above splits too coarsely
// for phone pictures. Splits are chosen at row-band boundaries by the order-0 entropy of the
// bytes on each side, counting about a byte of code table per distinct byte value.
void splitPoints(const std::vector<std::array<int, 256>>& prefix, size_t a, size_t b,
                 std::vector<size_t>& out) {
    auto cost = [&](size_t from, size_t to) {
        double bits = 0;
        int distinct = 0;
        const auto& lo = prefix[from];
        const auto& hi = prefix[to];
        int total = 0;
        for (int v = 0; v < 256; ++v) total += hi[v] - lo[v];
        for (int v = 0; v < 256; ++v) {
            const int n = hi[v] - lo[v];
            if (n == 0) continue;
            ++distinct;
            bits -= n * std::log2(double(n) / total);
        }
        return bits / 8 + distinct;
    };
    double best = cost(a, b);
    size_t at = 0;
    for (size_t c = a + 1; c < b; ++c)
        if (const double v = cost(a, c) + cost(c, b); v < best) {
            best = v;
            at = c;
        }
    if (at == 0) return;
    splitPoints(prefix, a, at, out);
    out.push_back(at);
    splitPoints(prefix, at, b, out);
}

QByteArray splitDeflated(const std::vector<uchar>& data, size_t band) {
    const size_t bands = (data.size() + band - 1) / band;
    std::vector<std::array<int, 256>> prefix(bands + 1);
    prefix[0].fill(0);
    for (size_t i = 0; i < bands; ++i) {
        prefix[i + 1] = prefix[i];
        for (size_t k = i * band; k < std::min(data.size(), (i + 1) * band); ++k)
            ++prefix[i + 1][data[k]];
    }
    std::vector<size_t> cuts;
    splitPoints(prefix, 0, bands, cuts);
    if (cuts.empty()) return {};
    z_stream z{};
    if (deflateInit2(&z, 9, Z_DEFLATED, 15, 9, Z_DEFAULT_STRATEGY) != Z_OK) return {};
    QByteArray out(qsizetype(deflateBound(&z, uLong(data.size())) + 5 * cuts.size() + 64),
                   Qt::Uninitialized);
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = uInt(out.size());
    cuts.push_back(bands);
    size_t from = 0;
    bool ok = true;
    for (size_t cut : cuts) {
        const size_t to = std::min(data.size(), cut * band);
        z.next_in = const_cast<Bytef*>(data.data() + from);
        z.avail_in = uInt(to - from);
        const int flush = to == data.size() ? Z_FINISH : Z_BLOCK;
        ok = ok && deflate(&z, flush) == (flush == Z_FINISH ? Z_STREAM_END : Z_OK) &&
             z.avail_in == 0;
        from = to;
    }
    out.truncate(qsizetype(z.total_out));
    deflateEnd(&z);
    return ok ? out : QByteArray();
}

QByteArray paletteFile(const Plane& p, int depth, const QByteArray& idat) {
    QByteArray out("\x89PNG\r\n\x1a\n", 8);
    QByteArray ihdr;
    for (quint32 v : {quint32(p.width), quint32(p.height)})
        for (int shift = 24; shift >= 0; shift -= 8) ihdr.append(char(v >> shift & 0xff));
    const char rest[] = {char(depth), char(PNG_COLOR_TYPE_PALETTE), 0, 0, 0};
    ihdr.append(rest, sizeof rest);
    putChunk(out, "IHDR", ihdr);
    QByteArray plte;
    for (QRgb c : p.palette) {
        const char rgb[] = {char(qRed(c)), char(qGreen(c)), char(qBlue(c))};
        plte.append(rgb, sizeof rgb);
    }
    putChunk(out, "PLTE", plte);
    putChunk(out, "IDAT", idat);
    putChunk(out, "IEND", {});
    return out;
}

// A fast level ranks the row layouts; on phone-sized pictures the strongest level and the
// split blocks then compress the winner. Larger pictures keep the fast level's bytes: the
// window's search encodes many of them, and the strong level costs ten times as much there.
constexpr int kRankLevel = 6, kFinalLevel = 12;

QByteArray encodePalettePng(const Plane& quantiserOrder) {
    const bool small = qint64(quantiserOrder.width) * quantiserOrder.height <= smallPicture;
    std::vector<Plane> planes;
    planes.push_back(quantiserOrder);
    if (quantiserOrder.palette.size() > 2) planes.push_back(byBrightness(quantiserOrder));
    const int depth = paletteDepth(quantiserOrder.palette.size());
    std::vector<uchar> best;
    QByteArray idat;
    const Plane* bestPlane = nullptr;
    // Unfiltered rows suit a palette in the quantiser's order, whose neighbouring indices are
    // unrelated; ordered by brightness, the adaptive filters can pay as well.
    for (const Plane& plane : planes)
        for (bool adaptive : {false, true}) {
            if (adaptive && (&plane == &planes[0] || !small)) continue;
            std::vector<uchar> rows = packedRows(plane, depth, adaptive);
            const QByteArray packed = deflated(rows, kRankLevel);
            if (!packed.isEmpty() && (idat.isEmpty() || packed.size() < idat.size())) {
                idat = packed;
                best = std::move(rows);
                bestPlane = &plane;
            }
        }
    if (!bestPlane) return {};
    if (small) {
        idat = deflated(best, kFinalLevel);
        const size_t rowBytes = best.size() / size_t(bestPlane->height);
        const QByteArray split =
            splitDeflated(best, rowBytes * std::max<size_t>(1, 512 / rowBytes));
        if (!split.isEmpty() && split.size() < idat.size()) idat = split;
    }
    return idat.isEmpty() ? QByteArray() : paletteFile(*bestPlane, depth, idat);
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
