#pragma once
// Whole-file reading of the program's small text files (settings, address book, mail files),
// and their splitting into lines with the line ends kept. They are written with FileIO::write.
#include <QByteArray>
#include <QList>
#include <QString>

namespace TextFile {

// Larger files are refused: none of the program's text files comes near this.
constexpr qint64 MaxSize = 16 * 1024 * 1024;

enum class ReadResult { Ok, Missing, Failed };

// Reads the whole file into *bytes. A file that does not exist gives Missing and no bytes;
// anything else that cannot be read (a folder, a device, a file larger than MaxSize) gives
// Failed with *error, a sentence naming the file as kind (Msg::settingsFileKind(), ...).
ReadResult read(const QString& path, const QString& kind, QByteArray* bytes, QString* error);

struct Line {
    QByteArray bytes; // the line without its end
    QByteArray eol;   // "\r\n", "\n", "\r", or "" for a last line without one
};
// Splits at CR LF, LF or a lone CR. "" gives no lines; a final line end gives no empty line.
QList<Line> splitLines(const QByteArray& data);

} // namespace TextFile
