#pragma once
// Whole-file reading and writing of the program's small text files (settings, address book),
// and their splitting into lines with the line ends kept.
#include <QByteArray>
#include <QList>
#include <QString>

namespace TextFile {

// Larger files are refused: none of the program's text files comes near this.
constexpr qint64 MaxSize = 16 * 1024 * 1024;

enum class ReadResult { Ok, Missing, Failed };

// Reads the whole file into *bytes. A file that does not exist gives Missing and no bytes; a
// folder, a file that cannot be read or one larger than MaxSize gives Failed with *error.
ReadResult read(const QString& path, QByteArray* bytes, QString* error);

// Replaces the file with bytes in one step through QSaveFile: on any failure the old file is
// left whole and *error says why.
bool write(const QString& path, const QByteArray& bytes, QString* error);

struct Line {
    QByteArray bytes; // the line without its end
    QByteArray eol;   // "\r\n", "\n", "\r", or "" for a last line without one
};
// Splits at CR LF, LF or a lone CR. "" gives no lines; a final line end gives no empty line.
QList<Line> splitLines(const QByteArray& data);

} // namespace TextFile
