// The header readers alone: pure functions over the first bytes, which run on every file before
// any decoder is chosen, so they must survive any bytes under any name.
#include "core/image/imageheaders.h"

#include <cstddef>
#include <cstdint>

using namespace ImageCodec::Headers;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    // TGA and ICO are told by their names alone.
    for (const char* name : {"input", "input.tga", "input.ico"}) {
        const Kind kind = detect(bytes, QString::fromLatin1(name));
        // A size the header states is never negative; QSize() leaves it to the decoder.
        const QSize declared = declaredSize(bytes, kind);
        if (declared != QSize() && !declared.isValid()) __builtin_trap();
        if (storedBits(bytes, kind) < 0) __builtin_trap();
    }
    int bits = 0;
    if (largestIcon(bytes, &bits) < 0 || bits < 0) __builtin_trap();
    const TiffFacts tiff = tiffFacts(bytes);
    if (tiff.pages < 0 || tiff.bits < 0) __builtin_trap();
    // Leaving blocks out never makes a GIF longer.
    if (gifEssentials(bytes).size() > bytes.size()) __builtin_trap();
    jpegCut(bytes);
    return 0;
}
