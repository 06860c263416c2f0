#pragma once
// The address book file "ADDRESS.TXT": one entry per line, CP932 text, each line ending in
// CR LF. Only the first MaxEntries lines are entries; any later lines are kept as they are.
#include <QByteArray>
#include <QString>
#include <QStringList>

class AddressFile {
public:
    static constexpr int MaxEntries = 1000;

    // Reads the file. Lines may end in CR LF, LF or CR, the last one also in nothing; empty
    // lines are empty entries. A missing or empty file is an empty book and not an error. A file
    // that cannot be read or is not valid CP932 gives false with errorString(); the book is
    // then empty and save() refuses to write, so that the file is never overwritten.
    bool load(const QString& path);
    // Reads the book from a file's bytes (as load() does after reading them).
    bool parse(const QByteArray& bytes);

    // At most MaxEntries, in file order; callers edit this list.
    QStringList entries;

    // True when entries differ from what load() read (or the last save() wrote).
    bool isModified() const { return entries != m_saved; }

    // Writes the file when the entries were modified, else leaves it alone and returns true.
    // The file then holds the entries, each with CR LF (CR, LF and NUL taken out of them, also
    // in entries), followed by the lines after the MaxEntries-th exactly as they were read.
    // Written through FileIO::write; false with errorString() and the old file whole when the
    // write fails, when load() failed, when there are more than MaxEntries entries or when an
    // entry has characters that CP932 cannot store.
    bool save(const QString& path);

    QString errorString() const { return m_error; }

private:
    bool fail(const QString& error);

    QStringList m_saved; // the entries as the file holds them
    QByteArray m_rest;   // the lines after the MaxEntries-th, line ends included
    QString m_path;      // of the last load(), for messages
    bool m_readFailed = false;
    QString m_error;
};
