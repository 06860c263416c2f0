#pragma once
// Settings files in the layout of Windows profile files: "[Section]" lines and "key=value"
// lines. Sections and keys compare case-insensitively; values are trimmed. Writing keeps every
// other line, comment and section byte for byte, and goes through QSaveFile so that a failed
// write leaves the old file whole.
#include <QByteArray>
#include <QString>
#include <QStringList>

class Profile {
public:
    Profile() = default;
    // Reads the file; a missing file is an empty profile and not an error. Returns false (with
    // errorString()) when the file exists but cannot be read or is not valid CP932.
    bool load(const QString& path);
    // Parses bytes as if read from a file.
    bool parse(QByteArrayView bytes);

    // The value, or the empty string when the section or key is missing. Values are cut at
    // 1023 characters as the profile calls would.
    QString value(const QString& section, const QString& key) const;
    bool contains(const QString& section, const QString& key) const;
    // Keys of a section in file order (empty when missing).
    QStringList keys(const QString& section) const;
    QStringList sections() const;
    // Sets the value, appending the key (and the section) when missing. Unchanged values leave
    // the text untouched.
    void setValue(const QString& section, const QString& key, const QString& value);

    // The file's text as it would be written (CP932, CRLF line ends for new lines).
    QByteArray toBytes() const;
    // Writes the whole file at once through QSaveFile. Returns false with errorString() and
    // leaves the old file whole when anything fails.
    bool save(const QString& path);
    // True when setValue changed anything since load/parse/save.
    bool isModified() const { return m_modified; }
    QString errorString() const { return m_error; }

private:
    struct Line;
    QList<QByteArray> m_lines; // raw lines, line ends stripped; see profile.cpp
    QByteArray m_eol = "\r\n";
    bool m_modified = false;
    QString m_error;
};
