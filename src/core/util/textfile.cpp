#include "core/util/textfile.h"

#include "core/util/fileio.h"
#include "core/util/messages.h"

namespace TextFile {

ReadResult read(const QString& path, const QString& kind, QByteArray* bytes, QString* error) {
    QString reason;
    switch (FileIO::read(path, MaxSize, bytes, &reason)) {
    case FileIO::Read::Ok:
        return ReadResult::Ok;
    case FileIO::Read::Missing:
        return ReadResult::Missing;
    case FileIO::Read::Folder:
        *error = Msg::fileIsFolder(path);
        break;
    case FileIO::Read::NotRegular:
        *error = Msg::fileNotRegular(path, kind);
        break;
    case FileIO::Read::TooLarge:
        *error = Msg::fileTooLarge(path, kind);
        break;
    case FileIO::Read::BadName:
        *error = Msg::fileNameUndecodable(path);
        break;
    case FileIO::Read::Failed:
        *error = Msg::fileUnreadable(path, reason);
        break;
    }
    return ReadResult::Failed;
}

QList<Line> splitLines(const QByteArray& data) {
    QList<Line> lines;
    qsizetype start = 0;
    const qsizetype n = data.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char c = data[i];
        if (c != '\n' && c != '\r') continue;
        const qsizetype eolLength = (c == '\r' && i + 1 < n && data[i + 1] == '\n') ? 2 : 1;
        lines.append({data.mid(start, i - start), data.mid(i, eolLength)});
        i += eolLength - 1;
        start = i + 1;
    }
    if (start < n) lines.append({data.mid(start), QByteArray()});
    return lines;
}

} // namespace TextFile
