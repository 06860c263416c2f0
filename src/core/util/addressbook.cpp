#include "core/util/addressbook.h"

#include "core/util/fileio.h"
#include "core/util/messages.h"
#include "core/util/textcodec.h"
#include "core/util/textfile.h"

bool AddressFile::load(const QString& path) {
    entries.clear();
    m_saved.clear();
    m_rest.clear();
    m_path = path;
    m_readFailed = false;
    m_error.clear();

    QByteArray bytes;
    QString error;
    switch (TextFile::read(path, Msg::addressBookKind(), &bytes, &error)) {
    case TextFile::ReadResult::Missing:
        return true;
    case TextFile::ReadResult::Failed:
        m_readFailed = true;
        return fail(error);
    case TextFile::ReadResult::Ok:
        break;
    }
    return parse(bytes);
}

bool AddressFile::parse(const QByteArray& bytes) {
    entries.clear();
    m_saved.clear();
    m_rest.clear();
    m_readFailed = false;
    const QList<TextFile::Line> lines = TextFile::splitLines(bytes);
    qsizetype offset = 0; // of the line in bytes
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i == MaxEntries) {
            m_rest = bytes.sliced(offset);
            break;
        }
        const std::optional<QString> text = TextCodec::fromCp932(lines[i].bytes);
        if (!text) {
            entries.clear();
            m_readFailed = true;
            return fail(Msg::fileNotCp932(m_path, i + 1));
        }
        entries.append(*text);
        offset += lines[i].bytes.size() + lines[i].eol.size();
    }
    m_saved = entries;
    return true;
}

bool AddressFile::save(const QString& path) {
    if (m_readFailed) return fail(Msg::fileKeptAfterBadRead(m_path));
    if (!isModified()) return true;
    if (entries.size() > MaxEntries) return fail(Msg::addressBookTooLong(MaxEntries));

    QByteArray bytes;
    QStringList written;
    for (const QString& entry : std::as_const(entries)) {
        QString line = entry;
        line.remove(u'\r').remove(u'\n').remove(QChar(0));
        bool lossless = true;
        bytes += TextCodec::toCp932(line, &lossless) + "\r\n";
        if (!lossless) return fail(Msg::textNotCp932(line));
        written.append(line);
    }
    bytes += m_rest;
    QString reason;
    if (!FileIO::write(path, bytes, &reason)) return fail(Msg::fileUnwritable(path, reason));
    entries = written;
    m_saved = written;
    return true;
}

bool AddressFile::fail(const QString& error) {
    m_error = error;
    return false;
}
