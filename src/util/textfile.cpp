#include "util/textfile.h"

#include "util/messages.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace TextFile {

ReadResult read(const QString& path, QByteArray* bytes, QString* error) {
    bytes->clear();
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists()) return ReadResult::Missing;
    if (info.isDir()) {
        *error = Msg::fileIsFolder(path);
        return ReadResult::Failed;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = Msg::fileUnreadable(path, file.errorString());
        return ReadResult::Failed;
    }
    // Read one byte past the limit so that a file that grows meanwhile is caught as well.
    *bytes = file.read(MaxSize + 1);
    if (file.error() != QFileDevice::NoError) {
        *error = Msg::fileUnreadable(path, file.errorString());
        bytes->clear();
        return ReadResult::Failed;
    }
    if (bytes->size() > MaxSize) {
        *error = Msg::fileTooLarge(path);
        bytes->clear();
        return ReadResult::Failed;
    }
    return ReadResult::Ok;
}

bool write(const QString& path, const QByteArray& bytes, QString* error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = Msg::fileUnwritable(path, file.errorString());
        return false;
    }
    if (file.write(bytes) != bytes.size()) {
        *error = Msg::fileUnwritable(path, file.errorString());
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        *error = Msg::fileUnwritable(path, file.errorString());
        return false;
    }
    return true;
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
