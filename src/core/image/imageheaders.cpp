// Header reading of our own: bounded by the bytes given, every product of header fields taken
// in 64 bits, so hostile headers give answers and never undefined behaviour.
#include "core/image/imageheaders.h"

#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <climits>

namespace ImageCodec::Headers {

namespace {

quint32 byteAt(const QByteArray& b, qsizetype at) {
    return at >= 0 && at < b.size() ? quint8(b[at]) : 0;
}
quint32 le16(const QByteArray& b, qsizetype at) {
    return byteAt(b, at) | byteAt(b, at + 1) << 8;
}
quint32 le32(const QByteArray& b, qsizetype at) {
    return le16(b, at) | le16(b, at + 2) << 16;
}
quint32 be16(const QByteArray& b, qsizetype at) {
    return byteAt(b, at) << 8 | byteAt(b, at + 1);
}
quint32 be32(const QByteArray& b, qsizetype at) {
    return be16(b, at) << 16 | be16(b, at + 2);
}

} // namespace

Kind detect(const QByteArray& b, const QString& nameHint) {
    if (b.startsWith("\x89PNG\r\n\x1a\n")) return {FormatPng, "PNG"};
    if (b.startsWith("BM")) {
        const quint32 header = le32(b, 14);
        if (header == 12) return {FormatOs2Bmp1, "BMP"};
        if (header == 40 || header == 52 || header == 56 || header == 108 || header == 124)
            return {FormatBmp, "BMP"};
        if (header >= 16 && header <= 64) return {FormatOs2Bmp2, "BMP"};
        return {FormatBmp, "BMP"};
    }
    if (b.startsWith("GIF87a") || b.startsWith("GIF89a")) return {FormatGif, "GIF"};
    if (b.startsWith("\xff\xd8\xff")) return {FormatJpeg, "JPEG"};
    if (b.startsWith(QByteArray("II*\0", 4)) || b.startsWith(QByteArray("MM\0*", 4)))
        return {FormatTiff, "TIFF"};
    if (b.startsWith("RIFF") && b.mid(8, 4) == "WEBP") return {FormatWebp, "WEBP"};
    if (b.startsWith("8BPS") && be16(b, 4) == 1) return {FormatPsd, "PSD"};
    if (b.size() >= 128 && byteAt(b, 0) == 0x0a && byteAt(b, 1) <= 5 && byteAt(b, 2) == 1) {
        const quint32 bits = byteAt(b, 3);
        if (bits == 1 || bits == 2 || bits == 4 || bits == 8) return {FormatPcx, "PCX"};
    }
    const QString ext = QFileInfo(nameHint).suffix().toLower();
    if (ext == QLatin1String("tga")) return {FormatTga, "TGA"};
    if (ext == QLatin1String("ico") && b.startsWith(QByteArray("\0\0\1\0", 4)))
        return {FormatIco, "ICO"};
    return {};
}

int largestIcon(const QByteArray& b, int* bits) {
    const int count = int(le16(b, 4));
    int best = 0;
    qint64 bestKey = -1;
    for (int i = 0; i < count && 6 + 16 * (i + 1) <= b.size(); ++i) {
        const qsizetype e = 6 + 16 * i;
        const qint64 w = byteAt(b, e) ? byteAt(b, e) : 256;
        const qint64 h = byteAt(b, e + 1) ? byteAt(b, e + 1) : 256;
        const qint64 key = (w * h) << 8 | le16(b, e + 6);
        if (key > bestKey) {
            bestKey = key;
            best = i;
            if (bits) *bits = int(le16(b, e + 6));
        }
    }
    return best;
}

TiffFacts tiffFacts(const QByteArray& b) {
    const bool little = b.startsWith("II");
    auto u16 = [&](qsizetype at) { return little ? le16(b, at) : be16(b, at); };
    auto u32 = [&](qsizetype at) { return little ? le32(b, at) : be32(b, at); };
    // A SHORT or LONG value that fits in the entry itself.
    auto value = [&](qsizetype entry) {
        return u16(entry + 2) == 3 ? u16(entry + 8) : u32(entry + 8);
    };
    TiffFacts f;
    qint64 bitsPerSample = 1, samples = 1;
    QSet<quint32> seen;
    for (quint32 ifd = u32(4); ifd != 0 && ifd + 2 <= quint32(b.size()) && !seen.contains(ifd);) {
        seen.insert(ifd);
        const quint32 n = u16(ifd);
        if (f.pages == 0) {
            for (quint32 i = 0; i < n; ++i) {
                const qsizetype e = qsizetype(ifd) + 2 + 12 * qsizetype(i);
                if (e + 12 > b.size()) break;
                const quint32 tag = u16(e);
                if (tag == 258)
                    bitsPerSample = u32(e + 4) <= 2 ? u16(e + 8) : u16(u32(e + 8));
                else if (tag == 277)
                    samples = value(e);
                else if (tag == 259)
                    f.compression = int(value(e));
            }
        }
        ++f.pages;
        ifd = u32(qsizetype(ifd) + 2 + 12 * qsizetype(n));
    }
    const qint64 bits = bitsPerSample * samples;
    f.bits = bits <= 64 ? int(bits) : 0;
    return f;
}

namespace {

int gifBits(const QByteArray& b) {
    if (byteAt(b, 10) & 0x80) return int(byteAt(b, 10) & 7) + 1;
    // No global colour table: the first picture's own table.
    qsizetype at = 13;
    while (at < b.size()) {
        const quint32 block = byteAt(b, at);
        if (block == 0x2c) {
            const quint32 packed = byteAt(b, at + 9);
            return packed & 0x80 ? int(packed & 7) + 1 : 8;
        }
        if (block != 0x21) break;
        at += 2;
        while (at < b.size() && byteAt(b, at) != 0) at += byteAt(b, at) + 1;
        ++at;
    }
    return 8;
}

// Offset of the JPEG frame header's segment (after the marker), 0 when there is none.
qsizetype jpegFrame(const QByteArray& b) {
    qsizetype at = 2;
    while (at + 4 <= b.size()) {
        if (byteAt(b, at) != 0xff) return 0;
        const quint32 marker = byteAt(b, at + 1);
        if (marker == 0xff) {
            ++at;
            continue;
        }
        if (marker >= 0xc0 && marker <= 0xcf && marker != 0xc4 && marker != 0xc8 && marker != 0xcc)
            return at + 2;
        if (marker == 0x01 || (marker >= 0xd0 && marker <= 0xd7)) {
            at += 2;
            continue;
        }
        at += 2 + be16(b, at + 2);
    }
    return 0;
}

int jpegBits(const QByteArray& b) {
    const qsizetype frame = jpegFrame(b);
    return frame == 0 ? 0 : byteAt(b, frame + 7) == 1 ? 8 : 24;
}

} // namespace

QSize declaredSize(const QByteArray& b, const Kind& kind) {
    auto size = [](qint64 w, qint64 h) {
        return QSize(int(std::clamp<qint64>(w, 0, INT_MAX)),
                     int(std::clamp<qint64>(h, 0, INT_MAX)));
    };
    switch (kind.code) {
    case FormatPng:
        return size(be32(b, 16), be32(b, 20));
    case FormatOs2Bmp1:
        return size(le16(b, 18), le16(b, 20));
    case FormatBmp:
    case FormatOs2Bmp2:
        return size(qAbs(qint64(qint32(le32(b, 18)))), qAbs(qint64(qint32(le32(b, 22)))));
    case FormatGif:
        return size(le16(b, 6), le16(b, 8));
    case FormatJpeg: {
        const qsizetype frame = jpegFrame(b);
        return frame ? size(be16(b, frame + 5), be16(b, frame + 3)) : QSize();
    }
    case FormatPcx:
        return size(qint64(le16(b, 8)) - le16(b, 4) + 1, qint64(le16(b, 10)) - le16(b, 6) + 1);
    case FormatTga:
        return size(le16(b, 12), le16(b, 14));
    case FormatPsd:
        return size(be32(b, 18), be32(b, 14));
    }
    return {};
}

namespace {

qint64 headerBits(const QByteArray& b, const Kind& kind) {
    switch (kind.code) {
    case FormatPng: {
        static const int channels[] = {1, 0, 3, 1, 2, 0, 4};
        const quint32 type = byteAt(b, 25);
        return type < 7 ? int(byteAt(b, 24)) * channels[type] : 0;
    }
    case FormatBmp:
    case FormatOs2Bmp2:
        return int(le16(b, 28));
    case FormatOs2Bmp1:
        return int(le16(b, 24));
    case FormatGif:
        return gifBits(b);
    case FormatJpeg:
        return jpegBits(b);
    case FormatTiff:
        return tiffFacts(b).bits;
    case FormatPcx:
        return qint64(byteAt(b, 3)) * byteAt(b, 65);
    case FormatTga:
        return int(byteAt(b, 16));
    case FormatIco: {
        int bits = 0;
        largestIcon(b, &bits);
        return bits;
    }
    case FormatPsd:
        return qint64(be16(b, 12)) * be16(b, 22);
    }
    return 0;
}

} // namespace

int storedBits(const QByteArray& b, const Kind& kind) {
    const qint64 bits = headerBits(b, kind);
    return bits >= 1 && bits <= 64 ? int(bits) : 0;
}

QByteArray gifEssentials(const QByteArray& b) {
    // Header, screen descriptor and global colour table are kept as they are.
    qsizetype at = 13 + ((byteAt(b, 10) & 0x80) ? 3 << ((byteAt(b, 10) & 7) + 1) : 0);
    QByteArray out = b.left(at);
    // The sub-blocks starting at "from", through their terminator; -1 when cut short.
    auto subBlocksEnd = [&b](qsizetype from) -> qsizetype {
        while (from < b.size() && byteAt(b, from) != 0) from += byteAt(b, from) + 1;
        return from < b.size() ? from + 1 : -1;
    };
    while (at < b.size()) {
        const quint32 block = byteAt(b, at);
        qsizetype end = -1;
        if (block == 0x3b) return out + b.mid(at);
        if (block == 0x21 && at + 2 <= b.size()) {
            end = subBlocksEnd(at + 2);
            const quint32 label = byteAt(b, at + 1);
            if (end > 0 && (label == 0xfe || label == 0x01 || label == 0xff)) {
                at = end;
                continue;
            }
        } else if (block == 0x2c) {
            const quint32 packed = byteAt(b, at + 9);
            const qsizetype table = (packed & 0x80) ? 3 << ((packed & 7) + 1) : 0;
            end = subBlocksEnd(at + 10 + table + 1);
        }
        if (end < 0) return b;
        out += b.mid(at, end - at);
        at = end;
    }
    return b;
}

bool jpegCut(const QByteArray& b) {
    // Searched for from where they are: the end marker ends the file, the first scan starts
    // near its beginning (a search for the last scan went through the whole file backwards).
    const qsizetype end = b.lastIndexOf("\xff\xd9");
    return end < 0 || b.indexOf("\xff\xda") < 0 || b.indexOf("\xff\xda", end) >= 0;
}

} // namespace ImageCodec::Headers
