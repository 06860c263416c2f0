#include "core/mail/mailfile.h"

#include "core/util/fileio.h"
#include "core/util/messages.h"
#include "core/util/textcodec.h"
#include "core/util/textfile.h"

#include <QStringDecoder>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// A one-line field keeps to its line: a stray line break would read back as another label.
QString oneLine(const QString& text) {
    QString t = text;
    t.replace(u'\r', u' ');
    t.replace(u'\n', u' ');
    return t;
}

QString withCrLf(const QString& text) {
    QString t = text;
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    t.replace(u'\r', u'\n');
    t.replace(QLatin1String("\n"), kCrLf);
    return t;
}

QString fileText(const Mime::MailFields& f) {
    QString text;
    const std::pair<const char*, const QString*> lines[] = {{"To :", &f.to},
                                                            {"CC :", &f.cc},
                                                            {"BCC :", &f.bcc},
                                                            {"Subject :", &f.subject},
                                                            {"File :", &f.files}};
    for (const auto& [label, value] : lines)
        if (!value->isEmpty()) text += QLatin1String(label) + oneLine(*value) + kCrLf;
    if (!f.body.isEmpty()) text += QStringLiteral("Body :") + withCrLf(f.body) + kCrLf;
    return text;
}

// Lines at CR LF, LF or a lone CR; a final line end gives no empty last line.
QStringList splitLines(const QString& text) {
    QString t = text;
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    t.replace(u'\r', u'\n');
    if (t.isEmpty()) return {};
    if (t.endsWith(u'\n')) t.chop(1);
    return t.split(u'\n');
}

} // namespace

namespace MailFile {

QByteArray toBytes(const Mime::MailFields& fields) {
    return TextCodec::toCp932(fileText(fields));
}

QString unencodable(const Mime::MailFields& fields) {
    QString missing;
    const QString text = fileText(fields);
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype n =
            (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) ? 2
                                                                                               : 1;
        const QStringView ch = QStringView(text).mid(i, n);
        bool ok = true;
        TextCodec::toCp932(ch, &ok);
        if (!ok && !missing.contains(ch)) missing += ch;
        i += n;
    }
    return missing;
}

bool save(const QString& path, const Mime::MailFields& fields, QString* error, bool lossy) {
    if (!lossy) {
        const QString missing = unencodable(fields);
        if (!missing.isEmpty()) {
            if (error) *error = Msg::mailFileUnencodable(missing);
            return false;
        }
    }
    QString reason;
    if (!FileIO::write(path, toBytes(fields), &reason)) {
        if (error) *error = Msg::mailFileUnwritable(path, reason);
        return false;
    }
    return true;
}

Mime::MailFields parse(const QStringList& lines) {
    Mime::MailFields f;
    bool bodyMode = false, found = false;
    for (const QString& line : lines) {
        if (bodyMode) {
            f.body += kCrLf + line;
            continue;
        }
        // The key is the text before the first colon less the one character in front of it
        // (the blank of "To :"); a colon in the first two places leaves no key.
        const qsizetype colon = line.indexOf(u':');
        if (colon < 2) continue;
        const QString key = line.left(colon - 1);
        const QString value = line.mid(colon + 1);
        QString* field = nullptr;
        if (key == QLatin1String("To"))
            field = &f.to;
        else if (key == QLatin1String("CC"))
            field = &f.cc;
        else if (key == QLatin1String("BCC"))
            field = &f.bcc;
        else if (key == QLatin1String("Subject"))
            field = &f.subject;
        else if (key == QLatin1String("File"))
            field = &f.files;
        if (field) {
            *field = value;
            found = true;
        } else if (key == QLatin1String("Body")) {
            f.body = value;
            bodyMode = found = true;
        }
    }
    if (!found) {
        f = Mime::MailFields();
        for (const QString& line : lines) f.body += line + kCrLf;
    }
    return f;
}

std::optional<QString> decodeText(const QByteArray& bytes, Encoding* encoding, qsizetype* badLine) {
    bool ascii = true;
    for (char c : bytes)
        if (uchar(c) >= 0x80) {
            ascii = false;
            break;
        }
    if (!ascii) {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        QString text = utf8(bytes);
        if (!utf8.hasError()) {
            if (encoding) *encoding = Encoding::Utf8;
            if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
            return text;
        }
    }
    if (encoding) *encoding = Encoding::Cp932;
    qsizetype bad = -1;
    std::optional<QString> text = TextCodec::fromCp932(bytes, &bad);
    if (!text && badLine) *badLine = bytes.left(std::max<qsizetype>(bad, 0)).count('\n') + 1;
    return text;
}

std::optional<Loaded> load(const QString& path, QString* error) {
    QByteArray bytes;
    QString reason;
    switch (TextFile::read(path, Msg::mailFileKind(), &bytes, &reason)) {
    case TextFile::ReadResult::Ok:
        break;
    case TextFile::ReadResult::Missing:
        if (error) *error = Msg::mailFileMissing(path);
        return std::nullopt;
    case TextFile::ReadResult::Failed:
        if (error) *error = reason;
        return std::nullopt;
    }
    Loaded loaded;
    qsizetype badLine = 0;
    const std::optional<QString> text = decodeText(bytes, &loaded.encoding, &badLine);
    if (!text) {
        if (error) *error = Msg::mailFileNotText(path, badLine);
        return std::nullopt;
    }
    loaded.fields = parse(splitLines(*text));
    return loaded;
}

} // namespace MailFile
