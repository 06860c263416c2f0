#include "core/image/palettepng.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <numeric>

#include <libdeflate.h>
#include <png.h>
#include <zlib.h>

namespace ImageCodec {

namespace {

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
using Counts = std::vector<std::array<int, 256>>; // byte counts before each row band

// The estimated bytes of the bands from..to in a block of their own.
double blockCost(const Counts& prefix, size_t from, size_t to) {
    const auto& lo = prefix[from];
    const auto& hi = prefix[to];
    int total = 0, distinct = 0;
    for (int v = 0; v < 256; ++v) total += hi[v] - lo[v];
    double bits = 0;
    for (int v = 0; v < 256; ++v) {
        const int n = hi[v] - lo[v];
        if (n == 0) continue;
        ++distinct;
        bits -= n * std::log2(double(n) / total);
    }
    return bits / 8 + distinct;
}

// Adds the cuts between bands a and b to out, in order; returns the bytes they are expected to
// save.
double splitPoints(const Counts& prefix, size_t a, size_t b, std::vector<size_t>& out) {
    const double whole = blockCost(prefix, a, b);
    double best = whole;
    size_t at = 0;
    for (size_t c = a + 1; c < b; ++c)
        if (const double v = blockCost(prefix, a, c) + blockCost(prefix, c, b); v < best) {
            best = v;
            at = c;
        }
    if (at == 0) return 0;
    double saved = whole - best;
    saved += splitPoints(prefix, a, at, out);
    out.push_back(at);
    saved += splitPoints(prefix, at, b, out);
    return saved;
}

QByteArray splitDeflated(const std::vector<uchar>& data, size_t band) {
    const size_t bands = (data.size() + band - 1) / band;
    Counts prefix(bands + 1);
    prefix[0].fill(0);
    for (size_t i = 0; i < bands; ++i) {
        prefix[i + 1] = prefix[i];
        for (size_t k = i * band; k < std::min(data.size(), (i + 1) * band); ++k)
            ++prefix[i + 1][data[k]];
    }
    // Blocks expected to save less than this never came out smaller than the strong compressor's
    // own on the pictures tried; compressing them is wasted work in every pass of a search.
    constexpr double kWorthSplitting = 150;
    std::vector<size_t> cuts;
    if (splitPoints(prefix, 0, bands, cuts) < kWorthSplitting) return {};
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

} // namespace

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
        // The strongest level is nearly always smaller, but neither it nor the split is promised
        // to be; the ranking's stream stays when they are not.
        const QByteArray strong = deflated(best, kFinalLevel);
        if (!strong.isEmpty() && strong.size() < idat.size()) idat = strong;
        const size_t rowBytes = best.size() / size_t(bestPlane->height);
        const QByteArray split =
            splitDeflated(best, rowBytes * std::max<size_t>(1, 512 / rowBytes));
        if (!split.isEmpty() && split.size() < idat.size()) idat = split;
    }
    return idat.isEmpty() ? QByteArray() : paletteFile(*bestPlane, depth, idat);
}

} // namespace ImageCodec
