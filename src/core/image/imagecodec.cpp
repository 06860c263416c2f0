// Decoding and header information. Encoders live in imageencode.cpp.
#include "core/image/imagecodec.h"

#include "core/util/fileio.h"
#include "core/util/messages.h"

#include <Magick++.h>
#include <magick/policy.h>
#include <magick/resource_.h>

#include <QFileInfo>
#include <QSet>
#include <QSysInfo>

#include <algorithm>
#include <cmath>
#include <mutex>

namespace ImageCodec {

namespace {

// Everything except the raster coders we read is refused, and so are indirect file lists
// ("@file") and every delegate program. The system policy applies on top of this one.
const char* const policyXml = R"(<policymap>
  <policy domain="delegate" rights="none" pattern="*"/>
  <policy domain="path" rights="none" pattern="@*"/>
  <policy domain="coder" rights="none" pattern="*"/>
  <policy domain="coder" rights="read" pattern="{BMP,BMP2,BMP3,GIF,GIF87,JPEG,JPG,PNG,PNG8,PNG24,PNG32,PNG48,PNG64,PNG00,TIFF,TIF,TIFF64,PCX,TGA,ICB,VDA,VST,ICO,ICON,PSD}"/>
  <policy domain="resource" name="max-memory-request" value="256MiB"/>
</policymap>)";

// A file we are asked to read is never bigger than this; the pixel budget is far smaller.
constexpr qint64 maxFileBytes = 256LL * 1024 * 1024;

bool policyApplied = false;
QString policyProblem;

struct Kind {
    int code = FormatUnknown;
    const char* coder = nullptr;
};

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

// The icon to show is the largest one, the deepest among equals; 0 when the directory is bad
// (the decoder then reports the damage).
int largestIcon(const QByteArray& b, int* bits = nullptr) {
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

struct TiffFacts {
    int bits = 0;
    int compression = 1;
    int pages = 0;
};

TiffFacts tiffFacts(const QByteArray& b) {
    const bool little = b.startsWith("II");
    auto u16 = [&](qsizetype at) { return little ? le16(b, at) : be16(b, at); };
    auto u32 = [&](qsizetype at) { return little ? le32(b, at) : be32(b, at); };
    // A SHORT or LONG value that fits in the entry itself.
    auto value = [&](qsizetype entry) {
        return u16(entry + 2) == 3 ? u16(entry + 8) : u32(entry + 8);
    };
    TiffFacts f;
    int bitsPerSample = 1, samples = 1;
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
                    bitsPerSample = int(u32(e + 4) <= 2 ? u16(e + 8) : u16(u32(e + 8)));
                else if (tag == 277)
                    samples = int(value(e));
                else if (tag == 259)
                    f.compression = int(value(e));
            }
        }
        ++f.pages;
        ifd = u32(qsizetype(ifd) + 2 + 12 * qsizetype(n));
    }
    f.bits = bitsPerSample * samples;
    return f;
}

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

// The size a header promises, for the formats whose headers say it plainly; checked before
// the decoder sees the file at all. Empty when the decoder's own look has to tell.
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

// Bits per pixel as the file stores them; 0 when the header does not say.
int storedBits(const QByteArray& b, const Kind& kind) {
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
        return int(byteAt(b, 3) * byteAt(b, 65));
    case FormatTga:
        return int(byteAt(b, 16));
    case FormatIco: {
        int bits = 0;
        largestIcon(b, &bits);
        return bits;
    }
    case FormatPsd:
        return int(be16(b, 12) * be16(b, 22));
    }
    return 0;
}

Error classify(int severity, const QString& reason) {
    if (severity == MagickCore::ResourceLimitError ||
        severity == MagickCore::ResourceLimitWarning ||
        reason.contains(QLatin1String("exceeds limit"), Qt::CaseInsensitive) ||
        reason.contains(QLatin1String("ExceedsLimit")))
        return Error::TooLarge;
    if (reason.contains(QLatin1String("security policy"))) return Error::Unsupported;
    return Error::Corrupt;
}

struct Frame {
    Magick::Image image;
    bool valid = false;
    int severity = MagickCore::UndefinedException;
    QString reason;
};

// One frame through the pinned coder: the first one, or for icons the one at index (the icon
// coder ignores frame selection, so all icons are read and the rest dropped).
Frame readFrame(const QByteArray& bytes, const Kind& kind, int index, bool pingOnly) {
    using namespace MagickCore;
    Frame f;
    ImageInfo* info = AcquireImageInfo();
    CopyMagickString(info->magick, kind.coder, MaxTextExtent);
    info->ping = pingOnly ? MagickTrue : MagickFalse;
    if (kind.code != FormatIco) {
        info->scene = 0;
        info->number_scenes = 1;
    }
    ExceptionInfo* ex = AcquireExceptionInfo();
    Image* list = pingOnly ? PingBlob(info, bytes.constData(), size_t(bytes.size()), ex)
                           : BlobToImage(info, bytes.constData(), size_t(bytes.size()), ex);
    if (list) {
        Image* chosen = GetImageFromList(list, index);
        Image* own = CloneImage(chosen ? chosen : list, 0, 0, MagickTrue, ex);
        DestroyImageList(list);
        if (own) {
            own->next = own->previous = nullptr;
            f.image = Magick::Image(own);
            f.valid = own->columns > 0 && own->rows > 0;
        }
    }
    f.severity = int(ex->severity);
    f.reason = QString::fromLocal8Bit(ex->reason ? ex->reason : "");
    if (ex->description) f.reason += QStringLiteral(" (%1)").arg(ex->description);
    DestroyExceptionInfo(ex);
    DestroyImageInfo(info);
    return f;
}

struct Header {
    int width = 0, height = 0;
    double xRes = 0, yRes = 0;
    Magick::ResolutionType units = Magick::UndefinedResolution;
    QString compress;
    int depth = 0, channels = 0;
};

Error ping(const QByteArray& bytes, const Kind& kind, int index, Header* h, QString* detail) {
    // Warnings are left for the pixel read: the header itself was understood.
    Frame f = readFrame(bytes, kind, index, true);
    *detail = f.reason;
    if (f.severity >= MagickCore::ErrorException) return classify(f.severity, f.reason);
    if (!f.valid) return Error::Corrupt;
    const Magick::Image& img = f.image;
    h->width = int(qMin<size_t>(img.columns(), INT_MAX));
    h->height = int(qMin<size_t>(img.rows(), INT_MAX));
    h->xRes = img.xResolution();
    h->yRes = img.yResolution();
    h->units = img.resolutionUnits();
    h->compress = QString::fromLatin1(MagickCore::CommandOptionToMnemonic(
        MagickCore::MagickCompressOptions, ssize_t(img.compressType())));
    h->depth = int(img.depth());
    const auto space = img.colorSpace();
    h->channels = (space == Magick::GRAYColorspace   ? 1
                   : space == Magick::CMYKColorspace ? 4
                                                     : 3) +
                  (img.matte() ? 1 : 0);
    return Error::None;
}

bool tooLarge(qint64 w, qint64 h) {
    return w > maxSide || h > maxSide || w * h > maxPixels;
}

int dpi(double value, Magick::ResolutionType units) {
    if (!std::isfinite(value) || value <= 0 || value > 1e6) return 0;
    if (units == Magick::PixelsPerInchResolution) return int(std::lround(value));
    if (units == Magick::PixelsPerCentimeterResolution) return int(std::lround(value * 2.54));
    return 0;
}

// Partial pictures are only kept where the decoder is known to fill what the file lacked with
// a defined colour; libjpeg fills the missing rows from zero coefficients (flat grey).
bool keepsPartial(int code) {
    return code == FormatJpeg;
}

// libjpeg passes over a missing end quietly; a JPEG whose last scan has no end marker after it
// was cut short.
bool jpegCut(const QByteArray& b) {
    const qsizetype scan = b.lastIndexOf("\xff\xda");
    return scan < 0 || b.indexOf("\xff\xd9", scan) < 0;
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
    static std::once_flag once;
    std::call_once(once, [] {
        Magick::InitializeMagick(nullptr);
        MagickCore::ExceptionInfo* ex = MagickCore::AcquireExceptionInfo();
        policyApplied =
            MagickCore::SetMagickSecurityPolicy(policyXml, ex) != MagickCore::MagickFalse;
        if (!policyApplied)
            policyProblem = QStringLiteral("security policy not applied: %1")
                                .arg(QString::fromLocal8Bit(ex->reason ? ex->reason : ""));
        MagickCore::DestroyExceptionInfo(ex);
        using namespace MagickCore;
        // No time limit: ImageMagick 6 ends the whole process when one runs out.
        SetMagickResourceLimit(WidthResource, maxSide);
        SetMagickResourceLimit(HeightResource, maxSide);
        SetMagickResourceLimit(AreaResource, 256ULL << 20);
        SetMagickResourceLimit(MemoryResource, 256ULL << 20);
        SetMagickResourceLimit(MapResource, 512ULL << 20);
        SetMagickResourceLimit(DiskResource, 0);
        SetMagickResourceLimit(ListLengthResource, 32);
        SetMagickResourceLimit(ThreadResource, 1);
    });
}

Decoded decodeFile(const QString& path) {
    Decoded r;
    QByteArray bytes;
    r.error = readWhole(path, &bytes, &r.detail);
    if (r.error != Error::None) return r;
    return decodeBytes(bytes, path);
}

Decoded decodeBytes(const QByteArray& bytes, const QString& nameHint) {
    initialize();
    Decoded r;
    auto fail = [&r](Error e, const QString& detail = {}) {
        r.error = e;
        if (!detail.isEmpty()) r.detail = detail;
        r.image = QImage();
        return r;
    };
    if (!policyApplied) return fail(Error::Unsupported, policyProblem);
    const Kind kind = detect(bytes, nameHint);
    if (!kind.coder) return fail(Error::UnknownFormat);
    const QSize declared = declaredSize(bytes, kind);
    if (tooLarge(declared.width(), declared.height()))
        return fail(Error::TooLarge,
                    QStringLiteral("%1x%2").arg(declared.width()).arg(declared.height()));
    const int scene = kind.code == FormatIco ? largestIcon(bytes) : 0;
    Header h;
    if (Error e = ping(bytes, kind, scene, &h, &r.detail); e != Error::None) return fail(e);
    if (tooLarge(h.width, h.height))
        return fail(Error::TooLarge, QStringLiteral("%1x%2").arg(h.width).arg(h.height));

    Frame f = readFrame(bytes, kind, scene, false);
    r.detail = f.reason;
    if (f.severity >= MagickCore::ErrorException) return fail(classify(f.severity, f.reason));
    if (f.severity == MagickCore::CorruptImageWarning) {
        if (!keepsPartial(kind.code)) return fail(Error::Corrupt);
        r.partial = true;
    }
    if (kind.code == FormatJpeg && jpegCut(bytes)) r.partial = true;
    Magick::Image& img = f.image;
    if (!f.valid || int(img.columns()) != h.width || int(img.rows()) != h.height)
        return fail(Error::Corrupt);

    QImage out(h.width, h.height, QImage::Format_RGB32);
    if (out.isNull()) return fail(Error::TooLarge);
    bool hasAlpha = false;
    try {
        const auto space = img.colorSpace();
        if (space != Magick::sRGBColorspace && space != Magick::RGBColorspace &&
            space != Magick::GRAYColorspace && space != Magick::TransparentColorspace)
            img.colorSpace(Magick::sRGBColorspace);
        const char* map = QSysInfo::ByteOrder == QSysInfo::LittleEndian ? "BGRA" : "ARGB";
        hasAlpha = img.matte();
        img.write(0, 0, size_t(h.width), size_t(h.height), map, Magick::CharPixel, out.bits());
    } catch (const Magick::Warning&) {
    } catch (const Magick::Exception& e) {
        return fail(Error::Corrupt, QString::fromStdString(e.what()));
    }
    // Transparency is shown against white, as a page would show it. Without an alpha channel
    // the coders leave opacity unset, so it must not be read.
    for (int y = 0; y < out.height(); ++y) {
        auto* p = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
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
    r.image = out;
    return r;
}

bool bytesInfo(const QByteArray& bytes, const QString& nameHint, FileInfo* info, Error* error,
               QString* detail) {
    initialize();
    Error e = Error::None;
    QString why;
    Header h;
    const Kind kind = detect(bytes, nameHint);
    if (!policyApplied) {
        e = Error::Unsupported;
        why = policyProblem;
    } else if (!kind.coder) {
        e = Error::UnknownFormat;
    } else {
        e = ping(bytes, kind, kind.code == FormatIco ? largestIcon(bytes) : 0, &h, &why);
    }
    if (error) *error = e;
    if (detail) *detail = why;
    if (e != Error::None) return false;

    FileInfo f;
    f.format = kind.code;
    f.width = h.width;
    f.height = h.height;
    f.bits = storedBits(bytes, kind);
    if (f.bits <= 0 || f.bits > 64) f.bits = h.depth * h.channels;
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

QString formatDescription(int code) {
    static const QHash<int, QString> table = {
        {1, QStringLiteral("ZSoft PCX")},
        {2, QStringLiteral("CompuServe GIF")},
        {3, QStringLiteral("TIFF(TIFF、LZW圧縮、CCITT圧縮)")},
        {4, QStringLiteral("TARGA")},
        {5, QStringLiteral("LEAD専用の圧縮形式")},
        {6, QStringLiteral("Windows ビットマップ")},
        {10, QStringLiteral("JPEG ファイル互換形式")},
        {11, QStringLiteral("JPEG圧縮TIFF")},
        {14, QStringLiteral("OS/2 BMP version 1.x")},
        {15, QStringLiteral("Windows メタファイル")},
        {16, QStringLiteral("EPS")},
        {30, QStringLiteral("認識できないLEAD形式")},
        {50, QStringLiteral("CALS Raster")},
        {51, QStringLiteral("MacPaint")},
        {52, QStringLiteral("GEM イメージ")},
        {53, QStringLiteral("Microsoft Paint")},
        {54, QStringLiteral("Word Perfect")},
        {55, QStringLiteral("Sun Raster")},
        {56, QStringLiteral("Macintosh Pict")},
        {57, QStringLiteral("Kodak PhotoCD")},
        {63, QStringLiteral("EPS TIFF")},
        {66, QStringLiteral("Raw FAX(CCITT G3 圧縮、１次元)")},
        {67, QStringLiteral("Raw FAX(CCITT G3 圧縮、２次元)")},
        {68, QStringLiteral("Raw FAX(CCITT G4 圧縮")},
        {69, QStringLiteral("WinFax(CCITT G3 圧縮、1次元)")},
        {70, QStringLiteral("WinFax(CCITT G4 圧縮)")},
        {71, QStringLiteral("IOCA(CCITT G3 圧縮、1次元)")},
        {72, QStringLiteral("IOCA(CCITT G3 圧縮、2次元)")},
        {73, QStringLiteral("IOCA(CCITT G4 圧縮)")},
        {74, QStringLiteral("OS/2 BMP version 2.x")},
        {75, QStringLiteral("Portable Network Graphics")},
        {76, QStringLiteral("Adobe Photoshop 3.0")},
    };
    return table.value(code, QStringLiteral("認識できないフォーマット"));
}

QList<QPair<QString, QString>> infoLines(const QString& fileName, const FileInfo& info) {
    return {
        {QStringLiteral("ﾌｧｲﾙ名 ："), fileName},
        {QStringLiteral("ﾌｫｰﾏｯﾄ ："), formatDescription(info.format)},
        {QStringLiteral("ｶﾗｰ階調 ："),
         QString::number(info.bits) + QStringLiteral(" BitsPerPixel")},
        {QStringLiteral("幅 ："), QString::number(info.width) + QStringLiteral(" Pixels")},
        {QStringLiteral("高さ ："), QString::number(info.height) + QStringLiteral(" Pixels")},
        {QStringLiteral("ﾒﾓﾘ使用量 ："), QString::number(info.sizeMem) + QStringLiteral(" Bytes")},
        {QStringLiteral("ｻｲｽﾞ ："), QString::number(info.sizeDisk) + QStringLiteral(" Bytes")},
        {QStringLiteral("水平解像度 ："), QString::number(info.xRes) + QStringLiteral(" dpi")},
        {QStringLiteral("垂直解像度 ："), QString::number(info.yRes) + QStringLiteral(" dpi")},
    };
}

QString errorText(Error error, const QString& fileName) {
    QString text;
    switch (error) {
    case Error::None:
        return {};
    case Error::Unreadable:
        text = Msg::imageUnreadable();
        break;
    case Error::UnknownFormat:
        text = Msg::imageUnknownFormat();
        break;
    case Error::Corrupt:
        text = Msg::imageCorrupt();
        break;
    case Error::TooLarge:
        text = Msg::imageTooLarge();
        break;
    case Error::Unsupported:
        text = Msg::imageUnsupported();
        break;
    case Error::WriteFailed:
        text = Msg::imageWriteFailed();
        break;
    case Error::NotAFile:
        text = Msg::imageNotAFile();
        break;
    case Error::BadName:
        text = Msg::imageBadName();
        break;
    }
    return text.arg(fileName);
}

QString rawDecoderRead(const QString& source, const QByteArray& blob) {
    initialize();
    Magick::Image img;
    try {
        img.quiet(false);
        if (blob.isEmpty()) {
            img.read(source.toStdString());
        } else {
            img.magick(source.toStdString());
            img.read(Magick::Blob(blob.constData(), size_t(blob.size())));
        }
    } catch (const Magick::Exception& e) {
        return QString::fromStdString(e.what());
    }
    return img.isValid() && img.columns() > 0 ? QString() : QStringLiteral("no image");
}

} // namespace ImageCodec
