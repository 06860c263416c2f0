#pragma once
// Reading and writing image files as plain functions on bytes and QImages.
//
// Decoding: the bytes are read by us, the format is told from the bytes (TGA and ICO, which
// have no reliable signature, from the name), the header is checked against the pixel budget,
// and only then are pixels decoded: PNG, JPEG and WebP by libpng, libjpeg-turbo and libwebp
// directly, with ancillary data skipped, everything else by the one matching ImageMagick coder
// behind a strict policy and resource limits. Every decoded picture comes back as a complete
// Format_RGB32 image with any transparency composed on white.
//
// Writing is ours: PNG through libpng (smallest palette depth, several filter/strategy
// attempts, the smallest output kept), uncompressed BMP, JPEG through libjpeg-turbo.
#include <QByteArray>
#include <QImage>
#include <QList>
#include <QPair>
#include <QString>

namespace ImageCodec {

// Format codes as the information window and the save calls use them.
enum Format : int {
    FormatUnknown = 0,
    FormatPcx = 1,
    FormatGif = 2,
    FormatTiff = 3,
    FormatTga = 4,
    FormatBmp = 6,
    FormatJpeg = 10,
    FormatTiffJpeg = 11, // TIFF whose first page is JPEG-compressed
    FormatOs2Bmp1 = 14,
    FormatOs2Bmp2 = 74,
    FormatPng = 75,
    FormatPsd = 76,
    FormatWebp = 77,
    FormatIco = 100, // readable, but outside the description table: "認識できないフォーマット"
};

enum class Error {
    None,
    Unreadable,
    UnknownFormat,
    Corrupt,
    TooLarge,
    Unsupported,
    WriteFailed,
    NotAFile, // a folder, a device, a FIFO: never read
    BadName,  // a name whose bytes did not decode (FileIO::badName)
};

// Pictures larger than this are refused before any pixel memory is taken.
constexpr int maxSide = 16000;
constexpr qint64 maxPixels = 24LL * 1024 * 1024;

struct FileInfo {
    int format = FormatUnknown;
    int width = 0, height = 0;
    int bits = 0;           // bits per pixel as stored: depth x channels, palette index depth
    int xRes = 0, yRes = 0; // dots per inch, rounded; 0 when the file has none
    qint64 sizeDisk = 0;
    qint64 sizeMem = 0; // the picture loaded at 24 bits: rows padded to 4 bytes, x height
    int pages = 0;      // TIFF: pages in the file; every other format: 1
    QString compress;   // the compression as the decoder names it ("JPEG", "LZW", "None", ...)
};

struct Decoded {
    QImage image; // Format_RGB32; null when error != None
    Error error = Error::None;
    QString detail;       // the decoder's own words, for logs and tests
    bool partial = false; // a JPEG cut short: what was there, the rest flat grey
};

// Decoder start-up (opening its module), our security policy, resource limits: once per process,
// and always before the first file the general decoder reads (the reads and the filters call it
// themselves, so PNG, JPEG and WebP never start it). A program that starts threads calls it
// first: the start-up sets the environment, which no other thread may be reading then. Reading and
// header information share one decision, so both refuse a file for the same reason.
void initialize();

Decoded decodeFile(const QString& path);
// nameHint: the file's name; only its extension is used (TGA, ICO).
Decoded decodeBytes(const QByteArray& bytes, const QString& nameHint);

// Header information without decoding pixels.
bool fileInfo(const QString& path, FileInfo* info, Error* error = nullptr,
              QString* detail = nullptr);
bool bytesInfo(const QByteArray& bytes, const QString& nameHint, FileInfo* info,
               Error* error = nullptr, QString* detail = nullptr);

// The information window's description of a format code.
QString formatDescription(int code);
// The nine (caption, value) rows of the information window, texts as shown.
QList<QPair<QString, QString>> infoLines(const QString& fileName, const FileInfo& info);

// JPEG quality of a compression factor: 2 (best) gives 98, 255 (smallest) gives 1, linearly
// in between; out-of-range factors are clamped.
int jpegQuality(int factor);

// Encodes into memory. format: FormatPng, FormatBmp or FormatJpeg. bits: the logical depth
// (1, 2, 3, 4, 8, 24); palette pictures are Format_Indexed8 (an RGB32 picture with few enough
// colours is accepted too). quality: the JPEG factor 2..255. Empty on failure.
//  PNG: palette pictures at the smallest depth (1, 2, 4, 8) holding the colours in use, with
//       only those colours in the palette; otherwise 8-bit grey when every pixel is grey, else
//       8-bit RGB. No ancillary chunks; the smallest of a few filter/strategy attempts.
//  BMP: uncompressed, 1, 4 (for 2 to 4), 8 or 24 bits, full palette for the depth.
//  JPEG: optimised Huffman tables; grey when every pixel is grey; 4:4:4 at quality 90 and
//       above, 4:2:0 below.
QByteArray encode(const QImage& image, int format, int bits, int quality, QString* error = nullptr);
// Colour resolution of a JPEG: ByQuality is encode()'s choice; Full keeps 4:4:4 at every quality.
enum class JpegChroma { ByQuality, Full };
QByteArray encodeJpeg(const QImage& image, int factor, JpegChroma chroma, QString* error = nullptr);
// encode() and FileIO::write: on failure the old file stays as it was and *error says why (the
// system's reason when writing failed).
bool save(const QString& path, const QImage& image, int format, int bits, int quality,
          QString* error = nullptr);

// The message box text for a failed read or write of fileName.
QString errorText(Error error, const QString& fileName);

// For tests of the policy: hands source to the decoder as it is (a coder name such as "SVG" when
// blob is given, else a file name such as "text:x" or "@list"). Empty when it read something,
// else the decoder's reason.
QString rawDecoderRead(const QString& source, const QByteArray& blob = {});

} // namespace ImageCodec
