#pragma once
// Fixed pictures shared by the benchmarks: ImageMagick's built-in pictures and
// photos that Debian's mate-backgrounds package ships (GPL-2+), cut and scaled to a phone
// screen the way the editor does it.
#include "core/image/imagecodec.h"
#include "core/image/jpegfit.h"
#include "core/image/selection.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <cmath>
#include <map>
#include <string>
#include <vector>

namespace Bench {

// A photograph stand-in: smooth colour waves with fine grain from a fixed seed, so JPEG has
// real work to do and every run measures the same bytes.
inline QImage photo(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    quint32 seed = 20240601;
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int grain = int(seed >> 28) - 8;
            const double u = x * 0.004, v = y * 0.005;
            const int r = int(128 + 100 * std::sin(u * 3 + std::cos(v * 2))) + grain;
            const int g = int(128 + 100 * std::sin(v * 4 + u)) + grain;
            const int b = int(128 + 100 * std::cos(u * 2 - v * 3)) + grain;
            row[x] = qRgb(qBound(0, r, 255), qBound(0, g, 255), qBound(0, b, 255));
        }
    }
    return image;
}

struct Picture {
    std::string name;
    QImage image; // RGB32 at the wanted size
};

inline QImage centredScale(const QImage& src, QSize size) {
    const double scale =
        std::min(double(src.width()) / size.width(), double(src.height()) / size.height());
    const int w = int(size.width() * scale), h = int(size.height() * scale);
    return Selection::cutAndScale(src, QRect((src.width() - w) / 2, (src.height() - h) / 2, w, h),
                                  size.width(), size.height(), true);
}

// Built-in pictures are rendered with ImageMagick's convert (plasma with a fixed seed).
inline std::vector<Picture> pictures(QSize size) {
    ImageCodec::initialize();
    static QTemporaryDir dir;
    std::vector<Picture> out;
    const std::vector<std::pair<std::string, QStringList>> builtins = {
        {"rose", {"rose:"}},
        {"logo", {"logo:"}},
        {"wizard", {"wizard:"}},
        {"plasma", {"-seed", "4", "-size", "640x480", "plasma:fractal"}},
    };
    for (const auto& [name, args] : builtins) {
        const QString path = dir.filePath(QString::fromStdString(name) + ".png");
        if (!QFile::exists(path))
            QProcess::execute(QStringLiteral("convert"), args + QStringList{"PNG24:" + path});
        const ImageCodec::Decoded d = ImageCodec::decodeFile(path);
        if (!d.image.isNull()) out.push_back({name, centredScale(d.image, size)});
    }
    const QDir photos(QStringLiteral("/usr/share/backgrounds/mate/nature"));
    for (const char* name : {"LadyBird", "YellowFlower", "Garden", "Aqua", "FreshFlower", "Dune"}) {
        const ImageCodec::Decoded d =
            ImageCodec::decodeFile(photos.filePath(QString::fromLatin1(name) + ".jpg"));
        if (!d.image.isNull()) out.push_back({name, centredScale(d.image, size)});
    }
    return out;
}

} // namespace Bench
