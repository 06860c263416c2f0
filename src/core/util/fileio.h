#pragma once
// The one way the program reads and writes whole files.
//
// Reading takes regular files only, and only up to a cap: a device such as /dev/zero would
// otherwise be read until memory runs out, and a FIFO without a writer would block for ever.
// Writing replaces a file in one step: on any failure the old file stays byte for byte as it
// was, no temporary file is left, and the caller gets the system's reason.
//
// A name holding U+FFFD is refused by both: it is what a file name whose bytes were not valid in
// the locale's encoding decodes to, so it would name another file than the one meant.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace FileIO {

enum class Read { Ok, Missing, Folder, NotRegular, TooLarge, BadName, Failed };

// Reads the whole file into *bytes (cleared unless Ok). *reason gets the system's words when
// Failed; the other outcomes speak for themselves.
Read read(const QString& path, qint64 cap, QByteArray* bytes, QString* reason);

// Replaces the file at path with bytes. On failure *reason says why.
bool write(const QString& path, QByteArrayView bytes, QString* reason);

// The message for a failed write of path: it says the old file is kept only when there is one.
QString saveFailed(const QString& path, const QString& reason);

// True when path cannot be the name the user gave (see above).
bool badName(const QString& path);

} // namespace FileIO
