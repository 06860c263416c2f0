#include "core/util/fileio.h"

#include "core/util/messages.h"

#include <QFile>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace FileIO {

namespace {

QString systemReason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

Read kindOf(const struct stat& st) {
    if (S_ISDIR(st.st_mode)) return Read::Folder;
    return S_ISREG(st.st_mode) ? Read::Ok : Read::NotRegular;
}

} // namespace

bool badName(const QString& path) {
    return path.contains(QChar::ReplacementCharacter);
}

Read read(const QString& path, qint64 cap, QByteArray* bytes, QString* reason) {
    bytes->clear();
    if (path.isEmpty()) return Read::Missing;
    if (badName(path)) return Read::BadName;
    const QByteArray name = QFile::encodeName(path);
    // Looked at before opening, so that no device is ever opened; looked at again on the open
    // descriptor, which is what is read, in case the name changed in between. O_NONBLOCK keeps
    // the open of a FIFO without a writer from waiting.
    struct stat st;
    if (::stat(name.constData(), &st) != 0) {
        if (errno == ENOENT) return Read::Missing;
        *reason = systemReason(errno);
        return Read::Failed;
    }
    if (const Read kind = kindOf(st); kind != Read::Ok) return kind;
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) return Read::Missing;
        *reason = systemReason(errno);
        return Read::Failed;
    }
    const auto done = [fd, bytes](Read result) {
        ::close(fd);
        if (result != Read::Ok) bytes->clear();
        return result;
    };
    if (::fstat(fd, &st) != 0) {
        *reason = systemReason(errno);
        return done(Read::Failed);
    }
    if (const Read kind = kindOf(st); kind != Read::Ok) return done(kind);
    if (st.st_size > cap) return done(Read::TooLarge);
    // One byte past the cap, so that a file that grows meanwhile is caught as well.
    qsizetype got = 0;
    bytes->resize(qsizetype(std::min<qint64>(st.st_size, cap) + 1));
    for (;;) {
        if (got == bytes->size()) {
            if (got > cap) return done(Read::TooLarge);
            bytes->resize(qsizetype(std::min<qint64>(qint64(got) * 2 + 4096, cap + 1)));
        }
        const ssize_t n = ::read(fd, bytes->data() + got, size_t(bytes->size() - got));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            *reason = systemReason(errno);
            return done(Read::Failed);
        }
        if (n == 0) break;
        got += n;
    }
    bytes->truncate(got);
    return done(Read::Ok);
}

QString saveFailed(const QString& path, const QString& reason) {
    struct stat st;
    const bool old = ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
    return old ? Msg::saveFailed(path, reason) : Msg::saveFailedNew(path, reason);
}

bool write(const QString& path, QByteArrayView bytes, QString* reason) {
    if (badName(path)) {
        *reason = Msg::fileNameUndecodable(path);
        return false;
    }
    QSaveFile file(path);
    // Unbuffered, so that every write reaches the system here and its failure is seen: a
    // buffered one holds up to 16 KiB back until commit(), whose flush failing on a full disk
    // still renames the cut-off file over the old one. A short write returns no reason; the
    // next call, writing the rest, fails and gives it.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        *reason = file.errorString();
        return false;
    }
    for (qsizetype done = 0; done < bytes.size();) {
        const qint64 n = file.write(bytes.data() + done, bytes.size() - done);
        if (n <= 0) {
            *reason = file.errorString();
            file.cancelWriting();
            return false;
        }
        done += n;
    }
    if (!file.commit()) {
        *reason = file.errorString();
        return false;
    }
    return true;
}

} // namespace FileIO
