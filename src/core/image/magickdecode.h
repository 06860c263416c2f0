#pragma once
// Every format but PNG and JPEG goes through ImageMagick behind a strict policy and resource
// limits: the coder is pinned to the one our own detection chose, the header is pinged first.
#include "core/image/imageheaders.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <mutex>

namespace ImageCodec::Magick6 {

// Through this path a pixel costs up to 10 bytes in the library's cache (16-bit channels and a
// palette index), 4 in our picture and up to 4 more in a coder's strip buffer; this many keep a
// read within 300 MB.
constexpr qint64 maxPixels = qint64(12) << 20;

// Starts the library once with our policy in force; false (and the reason) when the policy
// could not be put in force, in which case nothing may be read through it.
bool start(QString* problem);

// index: the frame to read (icons); the others read the first.
Error header(const QByteArray& bytes, const Headers::Kind& kind, int index, Headers::Header* h,
             QString* detail);
// Pixels into *image as Format_RGB32 whose top byte holds alpha; *hasAlpha says whether it is
// meaningful.
Error pixels(const QByteArray& bytes, const Headers::Kind& kind, int index,
             const Headers::Header& h, QImage* image, bool* hasAlpha, QString* detail);

// The library's resource limits are process-wide and start() sizes them for reading hostile
// files. Every read holds this lock, and so does anyone who changes the limits for a while (a
// filter working on pixels already read), so no file is ever read under other limits.
std::mutex& limitsLock();

QString rawRead(const QString& source, const QByteArray& blob);

} // namespace ImageCodec::Magick6
