#pragma once
// Helpers shared by the test programs.
#include "core/image/imagecodec.h"
#include "core/util/appsettings.h"

#include <QFile>
#include <QImage>
#include <QString>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <list>
#include <sys/resource.h>

// Codecs ready, and the settings and address book in the test's own folder.
inline void initCodecsAndSettings(const QTemporaryDir& dir) {
    ImageCodec::initialize();
    AppPaths::setConfigFolder(dir.path());
}

inline QString testData(const QString& name) {
    return QStringLiteral(QUILMO_TEST_DATA "/") + name;
}

// The file's bytes, or "<missing>" so that a missing file never equals an empty one.
inline QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// A table kept in tests/data: a row a line, fields split by tabs, lines starting with # skipped.
inline QList<QStringList> dataTable(const QString& name) {
    QList<QStringList> rows;
    for (const QString& line : QString::fromUtf8(readAll(testData(name))).split(u'\n'))
        if (!line.isEmpty() && !line.startsWith(u'#')) rows << line.split(u'\t');
    return rows;
}

// A field of such a table as its column's type: "x:int", "x:double", "x:bool" (1 or 0),
// "x:list" (split at |; empty: none), "x:bytes" (percent-encoded), "x:rect" (x,y,w,h; anything else
// an empty one), "x:size" (w,h) and "x:point" (x,y); any other column is text.
inline QVariant dataField(const QString& type, const QString& v) {
    QList<int> n;
    for (const QString& s : v.split(u',')) n << s.toInt();
    if (type == "int") return v.toInt();
    if (type == "double") return v.toDouble();
    if (type == "bool") return v == "1";
    if (type == "list") return v.isEmpty() ? QStringList() : v.split(u'|');
    if (type == "bytes") return QByteArray::fromPercentEncoding(v.toUtf8());
    if (type == "rect") return n.size() == 4 ? QRect(n[0], n[1], n[2], n[3]) : QRect();
    if (type == "size") return QSize(n.value(0), n.value(1));
    if (type == "point") return QPoint(n.value(0), n.value(1));
    return v;
}

// Columns filled from such a table; each row's first field names it.
inline void addDataRows(const QString& name, std::initializer_list<const char*> columns) {
    static std::list<QByteArray> names; // the table keeps only a pointer to each name
    for (const QString column : columns)
        QTest::addColumnInternal(
            dataField(column.section(u':', 1), {}).typeId(),
            names.emplace_back(column.section(u':', 0, 0).toLatin1()).constData());
    for (const QStringList& row : dataTable(name)) {
        QTestData& data = QTest::newRow(qPrintable(row[0]));
        for (qsizetype i = 1; const QString column : columns) {
            const QVariant v = dataField(column.section(u':', 1), row.value(i++));
            data.append(v.typeId(), v.constData());
        }
    }
}

inline void writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
}

// A photo-like picture: smooth gradients with noise, so colour counts matter for file sizes.
inline QImage photo(int w, int h, quint32 seed = 12345) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            seed = seed * 1103515245 + 12345;
            const int n = int(seed >> 27) - 16;
            img.setPixel(x, y,
                         qRgb(qBound(0, x * 255 / w + n, 255), qBound(0, y * 255 / h + n, 255),
                              qBound(0, (x + y) * 127 / (w + h) + 64 + n, 255)));
        }
    return img;
}

// Files may grow no larger than bytes while this lives; a write past it fails with EFBIG
// instead of ending the process.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit lower{bytes, m_old.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &lower);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_handler);
    }

private:
    rlimit m_old{};
    void (*m_handler)(int) = nullptr;
};
