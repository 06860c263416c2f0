#include "core/util/profile.h"

#include "core/util/fileio.h"
#include "core/util/messages.h"
#include "core/util/textcodec.h"
#include "core/util/textfile.h"

#include <QSet>

namespace {

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

QStringView trimmed(QStringView s) {
    qsizetype begin = 0, end = s.size();
    while (begin < end && isBlank(s[begin])) ++begin;
    while (end > begin && isBlank(s[end - 1])) --end;
    return s.sliced(begin, end - begin);
}

// A name or value as it can stand in one line of the file.
QString cleaned(const QString& s) {
    QString out = s;
    out.remove(u'\r').remove(u'\n').remove(QChar(0));
    return trimmed(out).toString();
}

bool sameName(QStringView a, QStringView b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

Profile::Line Profile::makeLine(const QByteArray& bytes, const QString& text,
                                const QByteArray& eol) {
    Line line;
    line.bytes = bytes;
    line.eol = eol;
    const QStringView t = trimmed(text);
    if (t.isEmpty()) {
        line.kind = Kind::Blank;
    } else if (t.front() == u';') {
        line.kind = Kind::Comment;
    } else if (t.front() == u'[') {
        const qsizetype close = t.lastIndexOf(u']');
        if (close > 0) {
            line.kind = Kind::Section;
            line.name = trimmed(t.sliced(1, close - 1)).toString();
        }
    } else if (const qsizetype eq = t.indexOf(u'='); eq > 0) {
        line.kind = Kind::Key;
        line.name = trimmed(t.first(eq)).toString();
        line.value = trimmed(t.sliced(eq + 1)).toString();
        // "=" and blanks are never the second byte of a CP932 character, so the byte offsets
        // can be found in the bytes themselves.
        qsizetype start = bytes.indexOf('=') + 1;
        while (start < bytes.size() && (bytes[start] == ' ' || bytes[start] == '\t')) ++start;
        line.valueStart = start;
    }
    return line;
}

bool Profile::load(const QString& path, const QString& kind) {
    QByteArray bytes;
    QString error;
    switch (TextFile::read(path, kind, &bytes, &error)) {
    case TextFile::ReadResult::Missing:
        return read({}, path);
    case TextFile::ReadResult::Failed:
        read({}, path);
        m_readFailed = true;
        return fail(error);
    case TextFile::ReadResult::Ok:
        break;
    }
    return read(bytes, path);
}

bool Profile::parse(QByteArrayView bytes) {
    return read(bytes, QString());
}

bool Profile::read(QByteArrayView bytes, const QString& path) {
    m_lines.clear();
    m_eol = "\r\n";
    m_path = path;
    m_modified = false;
    m_readFailed = false;
    m_error.clear();

    const QList<TextFile::Line> lines = TextFile::splitLines(bytes.toByteArray());
    bool eolSeen = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const std::optional<QString> text = TextCodec::fromCp932(lines[i].bytes);
        if (!text) {
            m_lines.clear();
            m_readFailed = true;
            return fail(Msg::fileNotCp932(path, i + 1));
        }
        if (!eolSeen && !lines[i].eol.isEmpty()) {
            m_eol = lines[i].eol;
            eolSeen = true;
        }
        m_lines.append(makeLine(lines[i].bytes, *text, lines[i].eol));
    }
    return true;
}

qsizetype Profile::findSection(const QString& section) const {
    const QStringView name = trimmed(section);
    for (qsizetype i = 0; i < m_lines.size(); ++i)
        if (m_lines[i].kind == Kind::Section && sameName(m_lines[i].name, name)) return i;
    return -1;
}

qsizetype Profile::sectionEnd(qsizetype header) const {
    qsizetype i = header + 1;
    while (i < m_lines.size() && m_lines[i].kind != Kind::Section) ++i;
    return i;
}

qsizetype Profile::findKey(qsizetype header, const QString& key) const {
    if (header < 0) return -1;
    const QStringView name = trimmed(key);
    const qsizetype end = sectionEnd(header);
    for (qsizetype i = header + 1; i < end; ++i)
        if (m_lines[i].kind == Kind::Key && sameName(m_lines[i].name, name)) return i;
    return -1;
}

QString Profile::value(const QString& section, const QString& key) const {
    const qsizetype i = findKey(findSection(section), key);
    if (i < 0) return QString();
    QStringView v = m_lines[i].value;
    if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front())
        v = v.sliced(1, v.size() - 2);
    return v.first(qMin(v.size(), MaxValueLength)).toString();
}

bool Profile::contains(const QString& section, const QString& key) const {
    return findKey(findSection(section), key) >= 0;
}

QStringList Profile::keys(const QString& section) const {
    QStringList out;
    const qsizetype header = findSection(section);
    if (header < 0) return out;
    QSet<QString> seen;
    const qsizetype end = sectionEnd(header);
    for (qsizetype i = header + 1; i < end; ++i) {
        const Line& line = m_lines[i];
        if (line.kind == Kind::Key && !seen.contains(line.name.toCaseFolded())) {
            seen.insert(line.name.toCaseFolded());
            out.append(line.name);
        }
    }
    return out;
}

QStringList Profile::sections() const {
    QStringList out;
    QSet<QString> seen;
    for (const Line& line : m_lines) {
        if (line.kind == Kind::Section && !seen.contains(line.name.toCaseFolded())) {
            seen.insert(line.name.toCaseFolded());
            out.append(line.name);
        }
    }
    return out;
}

bool Profile::setValue(const QString& section, const QString& key, const QString& value) {
    const QString sec = cleaned(section);
    const QString k = cleaned(key);
    const QString v = cleaned(value);
    if (sec.isEmpty() || k.isEmpty() || k.contains(u'=') || k.front() == u';' || k.front() == u'[')
        return fail(Msg::settingsNameInvalid(sec, k));
    for (const QString& text : {sec, k, v}) {
        bool lossless = true;
        TextCodec::toCp932(text, &lossless);
        if (!lossless) return fail(Msg::textNotCp932(text));
    }

    const qsizetype header = findSection(sec);
    const qsizetype at = findKey(header, k);
    if (at >= 0) {
        Line& line = m_lines[at];
        if (line.value == v) return true;
        line.bytes = line.bytes.first(line.valueStart) + TextCodec::toCp932(v);
        line.value = v;
    } else if (header >= 0) {
        // After the section's last entry, so that blank lines and comments that lead into the
        // next section stay in front of it.
        qsizetype last = sectionEnd(header) - 1;
        while (last > header &&
               (m_lines[last].kind == Kind::Blank || m_lines[last].kind == Kind::Comment))
            --last;
        insertLine(last + 1, k + u'=' + v);
    } else {
        insertLine(m_lines.size(), u'[' + sec + u']');
        insertLine(m_lines.size(), k + u'=' + v);
    }
    m_modified = true;
    return true;
}

void Profile::insertLine(qsizetype at, const QString& text) {
    if (at == m_lines.size() && at > 0 && m_lines.last().eol.isEmpty()) m_lines.last().eol = m_eol;
    m_lines.insert(at, makeLine(TextCodec::toCp932(text), text, m_eol));
}

QByteArray Profile::toBytes() const {
    QByteArray out;
    for (const Line& line : m_lines) out += line.bytes + line.eol;
    return out;
}

bool Profile::save(const QString& path) {
    if (m_readFailed) return fail(Msg::fileKeptAfterBadRead(m_path.isEmpty() ? path : m_path));
    QString reason;
    if (!FileIO::write(path, toBytes(), &reason)) return fail(Msg::fileUnwritable(path, reason));
    m_modified = false;
    return true;
}

bool Profile::fail(const QString& error) {
    m_error = error;
    return false;
}
