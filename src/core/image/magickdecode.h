#pragma once
// Every format but PNG, JPEG and WebP goes through ImageMagick behind a strict policy and
// resource limits: the coder is pinned to the one our own detection chose, the header is pinged
// first. ImageMagick and the libraries it pulls in live in a module of their own beside the
// program (quilmo-magick.so), opened the first time a file or a filter needs it: linked in,
// they were mapped and resolved at the start of every run for the few files only they read.
#include "core/image/filters.h"
#include "core/image/imageheaders.h"

#include <QByteArray>
#include <QImage>
#include <QString>

struct Progress;

namespace ImageCodec::Magick6 {

// Through this path a pixel costs up to 10 bytes in the library's cache (16-bit channels and a
// palette index), 4 in our picture and up to 4 more in a coder's strip buffer; this many keep a
// read within 300 MB.
constexpr qint64 maxPixels = qint64(12) << 20;

// What the module offers. Nothing crosses it but these calls, and no exception: the module
// catches its own. Both sides are built from this header, the version keeps a stale module out.
struct Module {
    static constexpr int currentVersion = 1;
    int version;
    // Our policy, as the library reads it from a configuration folder.
    const char* policy;
    // Starts the library once with the policy and our resource limits; false (and the reason)
    // when the policy is not in force, in which case nothing may be read through it.
    // setPolicy false stands for a build whose call to put it in force fails.
    bool (*start)(bool setPolicy, QString* problem);
    // index: the frame to read (icons); the others read the first. GIF bytes come reduced to
    // their essentials (Headers::gifEssentials).
    Error (*header)(const QByteArray& bytes, const Headers::Kind& kind, int index,
                    Headers::Header* h, QString* detail);
    // Pixels into *image as Format_RGB32 whose top byte holds alpha; *hasAlpha says whether it
    // is meaningful.
    Error (*pixels)(const QByteArray& bytes, const Headers::Kind& kind, int index,
                    const Headers::Header& h, QImage* image, bool* hasAlpha, QString* detail);
    QString (*rawRead)(const QString& source, const QByteArray& blob);
    // One of the library's filters on a Format_RGB32 picture (Filters::apply has clamped the
    // parameters; px is the pixel-measured one, scaled); null with *error when it failed.
    QImage (*filter)(const QImage& rgb, Filters::Kind kind, int a, int b, double px,
                     Progress* progress, QString* error);
};

struct Started {
    const Module* module = nullptr; // null when the module could not be opened
    bool policyApplied = false;     // false: no file may be read through it
    QString problem;                // why either is missing
};

// Opens and starts the module once per process; later calls return the same outcome.
const Started& start();

} // namespace ImageCodec::Magick6

// The one symbol the module exports.
extern "C" const ImageCodec::Magick6::Module* quilmo_magick_module();
