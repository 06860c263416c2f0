#include "core/mail/mime.h"

#include "core/util/cl_gl010c.h"
#include "core/util/jiscode.h"
#include "core/util/messages.h"

#include <QLocale>
#include <QRandomGenerator>
#include <QRegularExpression>

namespace {

constexpr qsizetype kMaxLine = 76;      // a header line holding encoded words
constexpr qsizetype kMaxWord = 75;      // one encoded word
constexpr qsizetype kMinWordRoom = 30;  // room for a word with the widest single character
constexpr qsizetype kMaxBodyLine = 998; // SMTP's limit without the line end
const QByteArray kWordStart = "=?ISO-2022-JP?B?";
const QByteArray kWordEnd = "?=";
const QByteArray kCrLf = "\r\n";

bool isControl(QChar c) {
    return c.unicode() < 0x20 || c.unicode() == 0x7F;
}

// Text that may stand in a header as it is: printable ASCII words separated by single blanks,
// none of them looking like an encoded word or too long to fold.
bool isPlainAscii(const QString& text) {
    if (text.isEmpty() || text.startsWith(u' ') || text.endsWith(u' ')) return false;
    if (text.contains(QLatin1String("=?")) || text.contains(QLatin1String("  "))) return false;
    for (QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() > 0x7E) return false;
    for (const QString& word : text.split(u' '))
        if (word.size() > kMaxLine - 10) return false;
    return true;
}

qsizetype codePointUnits(QStringView text, qsizetype i) {
    return (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) ? 2
                                                                                              : 1;
}

// Writes one header field, folding before a blank whenever the next piece would pass the line
// limit.
class HeaderWriter {
public:
    explicit HeaderWriter(const QByteArray& name) : m_out(name + ':'), m_col(m_out.size()) {}

    void atom(const QByteArray& piece) {
        if (m_piecesOnLine > 0 && m_col + 1 + piece.size() > kMaxLine) fold();
        m_out += ' ';
        m_out += piece;
        m_col += 1 + piece.size();
        ++m_piecesOnLine;
    }
    // Appends to the last piece without a blank (a comma, a closing quote).
    void glue(const QByteArray& text) {
        m_out += text;
        m_col += text.size();
    }
    // The text as encoded words, each a whole ISO-2022-JP sequence that ends in ASCII, each
    // sized to the room left on its line. prefix goes before the first word, suffix after the
    // last, without blanks.
    void words(QStringView text, const QByteArray& prefix = {}, const QByteArray& suffix = {}) {
        qsizetype pos = 0;
        bool first = true;
        while (pos < text.size()) {
            const qsizetype extra = (first ? prefix.size() : 0) + suffix.size();
            qsizetype room = kMaxLine - m_col - 1 - extra;
            if (m_piecesOnLine > 0 && room < kMinWordRoom) {
                fold();
                room = kMaxLine - 1 - extra;
            }
            room = std::min(room, kMaxWord);
            const qsizetype budget =
                std::max<qsizetype>(0, (room - kWordStart.size() - kWordEnd.size()) / 4 * 3);
            // The longest run of whole characters whose encoding fits; at least one.
            qsizetype end = pos + codePointUnits(text, pos);
            QByteArray jis = JisEncode(text.mid(pos, end - pos).toString());
            while (end < text.size()) {
                const qsizetype next = end + codePointUnits(text, end);
                QByteArray longer = JisEncode(text.mid(pos, next - pos).toString());
                if (longer.size() > budget) break;
                jis = std::move(longer);
                end = next;
            }
            QByteArray word = kWordStart + jis.toBase64() + kWordEnd;
            if (first) word.prepend(prefix);
            if (end >= text.size()) word.append(suffix);
            atom(word);
            first = false;
            pos = end;
        }
    }
    // A phrase (subject, display name): as plain words when it can stand so, else encoded.
    void phrase(const QString& text) {
        if (isPlainAscii(text)) {
            for (const QString& w : text.split(u' ')) atom(w.toLatin1());
        } else {
            words(text);
        }
    }
    QByteArray result() const { return m_out + kCrLf; }

private:
    void fold() {
        m_out += kCrLf;
        m_col = 0;
        m_piecesOnLine = 0;
    }
    QByteArray m_out;
    qsizetype m_col;
    int m_piecesOnLine = 0;
};

// A display name that is ASCII but holds specials goes in quotes.
bool needsQuotes(const QString& name) {
    static const QRegularExpression atext(QStringLiteral("^[A-Za-z0-9!#$%&'*+/=?^_`{|}~ -]*$"));
    return !atext.match(name).hasMatch();
}

QByteArray quoted(const QString& text) {
    QByteArray out = "\"";
    for (QChar c : text) {
        if (c == u'"' || c == u'\\') out += '\\';
        out += char(c.unicode());
    }
    return out + '"';
}

bool isPrintableAscii(const QString& text) {
    for (QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() > 0x7E) return false;
    return true;
}

QByteArray addressHeader(const QByteArray& name, const QList<Mime::Address>& list) {
    HeaderWriter w(name);
    for (qsizetype i = 0; i < list.size(); ++i) {
        const Mime::Address& a = list[i];
        if (a.name.isEmpty()) {
            w.atom(a.addr.toLatin1());
        } else {
            if (isPrintableAscii(a.name) && needsQuotes(a.name) && !a.name.contains(u"=?"))
                w.atom(quoted(a.name));
            else
                w.phrase(a.name);
            w.atom('<' + a.addr.toLatin1() + '>');
        }
        if (i + 1 < list.size()) w.glue(",");
    }
    return w.result();
}

// A file-name parameter: quoted ASCII, or encoded words inside the quotes.
void nameParameter(HeaderWriter& w, const QByteArray& key, const QString& name,
                   const QByteArray& suffix) {
    if (isPrintableAscii(name) && !name.contains(u"=?")) {
        w.atom(key + "=" + quoted(name) + suffix);
    } else {
        w.words(name, key + "=\"", "\"" + suffix);
    }
}

QByteArray dateHeader(const QDateTime& when) {
    const QDateTime t = when.isValid() ? when : QDateTime::currentDateTime();
    const int offset = t.offsetFromUtc() / 60;
    const int a = std::abs(offset);
    return "Date: " +
           QLocale::c().toString(t, QStringLiteral("ddd, dd MMM yyyy hh:mm:ss")).toLatin1() +
           (offset < 0 ? " -" : " +") +
           QByteArray::number(a / 60 * 100 + a % 60).rightJustified(4, '0') + kCrLf;
}

QByteArray randomHex(int bytes) {
    QByteArray raw(bytes, Qt::Uninitialized);
    for (char& c : raw) c = char(QRandomGenerator::system()->bounded(256));
    return raw.toHex();
}

QByteArray domainOf(const QString& addr) {
    static const QRegularExpression host(QStringLiteral("^[A-Za-z0-9.-]+$"));
    const QString domain = addr.section(u'@', -1);
    if (addr.contains(u'@') && host.match(domain).hasMatch()) return domain.toLatin1();
    return "localhost";
}

QByteArray base64Lines(const QByteArray& data) {
    const QByteArray b64 = data.toBase64();
    QByteArray out;
    out.reserve(b64.size() + b64.size() / 76 * 2 + 2);
    for (qsizetype i = 0; i < b64.size(); i += 76) out += b64.mid(i, 76) + kCrLf;
    return out;
}

QStringList splitLines(const QString& text) {
    QString t = text;
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    t.replace(u'\r', u'\n');
    if (t.endsWith(u'\n')) t.chop(1);
    return t.split(u'\n');
}

bool fail(QString* error, const QString& text) {
    if (error) *error = text;
    return false;
}

bool checkLine(const QString& text, const QString& field, QString* error) {
    for (QChar c : text)
        if (isControl(c) && c != u'\t') return fail(error, Msg::mailControlCharacter(field));
    return true;
}

} // namespace

namespace Mime {

std::optional<Address> parseAddress(const QString& entry) {
    const QString text = entry.trimmed();
    if (text.isEmpty()) return std::nullopt;
    Address a;
    const qsizetype lt = text.lastIndexOf(u'<');
    if (lt >= 0) {
        if (!text.endsWith(u'>')) return std::nullopt;
        a.addr = text.mid(lt + 1, text.size() - lt - 2).trimmed();
        a.name = text.left(lt).trimmed();
        if (a.name.size() >= 2 && a.name.startsWith(u'"') && a.name.endsWith(u'"')) {
            const QString inner = a.name.mid(1, a.name.size() - 2);
            a.name.clear();
            for (qsizetype i = 0; i < inner.size(); ++i) {
                if (inner[i] == u'\\' && i + 1 < inner.size()) ++i;
                a.name += inner[i];
            }
        }
        for (QChar c : a.name)
            if (isControl(c)) return std::nullopt;
    } else {
        a.addr = text;
    }
    // One mailbox, shown in the header as it goes into the envelope: no second "@", no
    // comment, quote, route or group that a mail reader would display differently.
    static const QRegularExpression mailbox(
        QStringLiteral("^[A-Za-z0-9!#$%&'*+/=?^_`{|}~.-]+@[A-Za-z0-9-]+(\\.[A-Za-z0-9-]+)*$"));
    if (!mailbox.match(a.addr).hasMatch()) return std::nullopt;
    return a;
}

QString contentTypeFor(const QString& fileName) {
    const QString ext = CL_GL010C::instance().RVN_GetFileExt(fileName).toLower();
    if (ext == QLatin1String("png")) return QStringLiteral("image/png");
    if (ext == QLatin1String("jpg") || ext == QLatin1String("jpeg"))
        return QStringLiteral("image/jpeg");
    if (ext == QLatin1String("gif")) return QStringLiteral("image/gif");
    if (ext == QLatin1String("bmp")) return QStringLiteral("image/bmp");
    if (ext == QLatin1String("webp")) return QStringLiteral("image/webp");
    return QStringLiteral("application/octet-stream");
}

QByteArray encodedHeader(const QByteArray& name, const QString& text) {
    HeaderWriter w(name);
    if (!text.isEmpty()) w.phrase(text);
    QByteArray out = w.result();
    out.chop(2);
    return out;
}

std::optional<QByteArray> build(const Message& m, QString* error) {
    // Everything that would corrupt the message or lose characters is refused up front.
    if (!checkLine(m.subject, Msg::mailFieldSubject(), error)) return std::nullopt;
    for (const QList<Address>* list : {&m.to, &m.cc})
        for (const Address& a : *list)
            if (!checkLine(a.name, Msg::mailFieldRecipients(), error)) return std::nullopt;
    if (!checkLine(m.from.name, Msg::mailFieldSender(), error)) return std::nullopt;
    if (m.body.contains(QChar(0)) || m.body.contains(QChar(0x1B))) {
        fail(error, Msg::mailControlCharacter(Msg::mailFieldBody()));
        return std::nullopt;
    }
    static const QRegularExpression typeRe(
        QStringLiteral("^[A-Za-z0-9!#$&^_.+-]+/[A-Za-z0-9!#$&^_.+-]+$"));
    QString missing;
    auto collect = [&missing](const QString& text) {
        for (QChar c : Jis::unencodable(text))
            if (!missing.contains(c)) missing += c;
    };
    collect(m.subject);
    collect(m.body);
    collect(m.from.name);
    for (const QList<Address>* list : {&m.to, &m.cc})
        for (const Address& a : *list) collect(a.name);
    for (const Attachment& att : m.attachments) {
        if (!checkLine(att.name, Msg::mailFieldAttachment(), error)) return std::nullopt;
        if (!typeRe.match(att.contentType).hasMatch()) {
            fail(error, Msg::mailBadContentType(att.contentType));
            return std::nullopt;
        }
        collect(att.name);
    }
    if (!missing.isEmpty()) {
        fail(error, Msg::mailUnencodable(missing));
        return std::nullopt;
    }

    QByteArray out;
    out += addressHeader("From", {m.from});
    if (!m.to.isEmpty()) out += addressHeader("To", m.to);
    if (!m.cc.isEmpty()) out += addressHeader("Cc", m.cc);
    if (!m.subject.isEmpty()) out += encodedHeader("Subject", m.subject) + kCrLf;
    out += dateHeader(m.date);
    out += "Message-ID: " +
           (m.messageId.isEmpty() ? '<' + randomHex(12) + '.' +
                                        QByteArray::number(QDateTime::currentMSecsSinceEpoch()) +
                                        '@' + domainOf(m.from.addr) + '>'
                                  : m.messageId) +
           kCrLf;
    if (!m.mailer.isEmpty()) out += "X-Mailer: " + m.mailer + kCrLf;
    out += "MIME-Version: 1.0" + kCrLf;

    // Each line of the body returns to ASCII before its end, as ISO-2022-JP mail must.
    QByteArray body;
    bool longLine = false;
    for (const QString& line : splitLines(m.body)) {
        const QByteArray jis = JisEncode(line);
        longLine = longLine || jis.size() > kMaxBodyLine;
        body += jis + kCrLf;
    }
    if (m.body.isEmpty()) body.clear();
    // A line longer than SMTP carries would be broken by a relay; base64 keeps it whole.
    const QByteArray textHeaders = "Content-Type: text/plain; charset=ISO-2022-JP" + kCrLf +
                                   "Content-Transfer-Encoding: " + (longLine ? "base64" : "7bit") +
                                   kCrLf;
    if (longLine) body = base64Lines(body);

    if (m.attachments.isEmpty()) {
        out += textHeaders + kCrLf + body;
        return out;
    }
    const QByteArray boundary = m.boundary.isEmpty() ? "=_quilmo_" + randomHex(12) : m.boundary;
    out += "Content-Type: multipart/mixed; boundary=\"" + boundary + '"' + kCrLf + kCrLf;
    out += "--" + boundary + kCrLf + textHeaders + kCrLf + body;
    for (const Attachment& att : m.attachments) {
        out += "--" + boundary + kCrLf;
        HeaderWriter type("Content-Type");
        type.atom(att.contentType.toLatin1() + ';');
        nameParameter(type, "name", att.name, {});
        out += type.result();
        HeaderWriter disp("Content-Disposition");
        disp.atom("attachment;");
        nameParameter(disp, "filename", att.name, {});
        out += disp.result();
        out += "Content-Transfer-Encoding: base64" + kCrLf + kCrLf;
        out += base64Lines(att.data);
    }
    out += "--" + boundary + "--" + kCrLf;
    return out;
}

qint64 estimateSize(const MailFields& f, const QString& sender) {
    const CL_GL010C& gl = CL_GL010C::instance();
    const QString crlf = QStringLiteral("\r\n");
    QString text = QStringLiteral("From: ") + sender + crlf + QStringLiteral("To: ") + f.to + crlf;
    if (!f.cc.isEmpty()) text += QStringLiteral("CC: ") + f.cc + crlf;
    if (!f.bcc.isEmpty()) text += QStringLiteral("BCC: ") + f.bcc + crlf;
    if (!f.subject.isEmpty()) text += QStringLiteral("Subject: ") + f.subject + crlf;
    qint64 attached = 0;
    if (!f.files.isEmpty()) {
        for (const QString& entry : gl.RVN_StrEnum(f.files, QStringLiteral(","))) {
            const qint64 size = gl.RVN_Filesize(entry);
            if (size <= 0) continue;
            text += QStringLiteral("File: ") + gl.RVN_GetFileName(entry) + crlf;
            attached += size + 120;
        }
    }
    // The body travels with CR LF line ends whatever the editor gave.
    QString body = f.body;
    body.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    body.replace(u'\r', u'\n');
    body.replace(QLatin1String("\n"), crlf);
    text += QStringLiteral("Body: ") + body;
    return JisEncode(text).size() + 47 + attached;
}

} // namespace Mime
