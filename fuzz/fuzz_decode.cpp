// Image bytes through the whole reading path: format detection, header look, pixel decode.
#include "core/image/imagecodec.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    ImageCodec::initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    // TGA and ICO are told by their names alone, so unknown bytes are tried as those too.
    for (const char* name : {"input", "input.tga", "input.ico"}) {
        ImageCodec::FileInfo info;
        ImageCodec::bytesInfo(bytes, QString::fromLatin1(name), &info);
        const ImageCodec::Decoded d = ImageCodec::decodeBytes(bytes, QString::fromLatin1(name));
        if (d.error == ImageCodec::Error::None &&
            (d.image.isNull() || d.image.format() != QImage::Format_RGB32))
            __builtin_trap();
        if (d.error != ImageCodec::Error::UnknownFormat) break;
    }
    return 0;
}
