#pragma once
// Settings files in the layout of Windows profile files: "[Section]" lines and "key=value"
// lines. Sections and keys compare case-insensitively; values are trimmed. Writing keeps every
// other line, comment and section byte for byte, and goes through FileIO::write so that a failed
// write leaves the old file whole.
//
// Reading rules, as the system profile calls read such files:
// - A line is a section header when its first non-blank character is "[" and it holds a "]";
//   the name is the text between the "[" and the last "]", trimmed.
// - A key line holds a "=": the key is the text before the first "=", the value the text after
//   it, both trimmed of blanks (space, tab). A value enclosed in a pair of the same quotes ('
//   or ") is read without them.
// - Lines before the first section belong to no section. Comments (first non-blank character
//   ";"), blank lines and any other line are kept verbatim and never read as keys.
// - When a section or a key occurs twice, the first one counts, for reading and writing.
// - Line ends may be CR LF, LF or CR; each line keeps its own. New lines take the file's first
//   line end (CR LF for a new file).
// - The bytes are CP932 (Shift_JIS with its extensions such as ①); a file with bytes that are not
//   valid CP932 is refused rather than rewritten.
#include "core/util/messages.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

class Profile {
public:
    // Values longer than this are cut, as the profile calls with their 1024-character buffer do.
    static constexpr qsizetype MaxValueLength = 1023;

    Profile() = default;
    // Reads the file; a missing file is an empty profile and not an error. Returns false (with
    // errorString()) when the file exists but cannot be read or is not valid CP932; the profile
    // is then empty and save() refuses to write, so the file is never overwritten.
    // kind names the file in messages (Msg::settingsFileKind(), Msg::holidayFileKind()).
    bool load(const QString& path, const QString& kind = Msg::settingsFileKind());
    // Parses bytes as if read from a file (same result and refusal as load()).
    bool parse(QByteArrayView bytes);

    // The value, or the empty string when the section or key is missing. Values are cut at
    // MaxValueLength characters as the profile calls would.
    QString value(const QString& section, const QString& key) const;
    bool contains(const QString& section, const QString& key) const;
    // Keys of a section in file order, each once in its first spelling (empty when missing).
    QStringList keys(const QString& section) const;
    // Section names in file order, each once in its first spelling.
    QStringList sections() const;
    // Sets the value (trimmed; CR, LF and NUL removed). An existing key keeps its line with its
    // spelling and everything up to the value; only the value is replaced. A missing key is
    // added after the last entry of its section, a missing section at the end of the file.
    // Unchanged values leave the text untouched. Returns false and changes nothing (see
    // errorString()) when section or key is empty or would not read back as such (a key with
    // "=" or starting with ";" or "["; a section with "]"), or when a text has characters that
    // CP932 cannot store.
    bool setValue(const QString& section, const QString& key, const QString& value);

    // The file's text as it would be written.
    QByteArray toBytes() const;
    // Writes the whole file at once through FileIO::write. Returns false with errorString() and
    // leaves the old file whole when anything fails, or when the last load()/parse() failed.
    bool save(const QString& path);
    // True when setValue changed anything since load/parse/save.
    bool isModified() const { return m_modified; }
    QString errorString() const { return m_error; }

private:
    enum class Kind { Blank, Comment, Section, Key, Other };
    struct Line {
        QByteArray bytes; // the line as in the file, without its end
        QByteArray eol;   // its line end, "" for a last line without one
        Kind kind = Kind::Other;
        QString name;             // section or key name, trimmed
        QString value;            // key value, trimmed, quotes kept
        qsizetype valueStart = 0; // byte offset of the value in bytes
    };
    static Line makeLine(const QByteArray& bytes, const QString& text, const QByteArray& eol);
    bool read(QByteArrayView bytes, const QString& path);
    qsizetype findSection(const QString& section) const;
    qsizetype findKey(qsizetype header, const QString& key) const;
    qsizetype sectionEnd(qsizetype header) const;
    void insertLine(qsizetype at, const QString& text);
    bool fail(const QString& error);

    QList<Line> m_lines;
    QByteArray m_eol = "\r\n";
    QString m_path; // of the last load(), for messages
    bool m_modified = false;
    bool m_readFailed = false;
    QString m_error;
};
