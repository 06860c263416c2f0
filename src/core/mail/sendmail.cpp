#include "core/mail/sendmail.h"

#include "core/mail/mime.h"
#include "core/util/cl_gl010c.h"
#include "core/util/fileio.h"
#include "core/util/messages.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSysInfo>

#include <algorithm>
#include <optional>

namespace {

// Far beyond any phone mail; keeps a mistaken pick of a huge file from exhausting memory.
constexpr qint64 kMaxAttachmentBytes = 64 * 1024 * 1024;

struct Server {
    QByteArray url; // scheme://host:port/ehlo-name
    bool tls = false;
};

std::optional<Server> parseServer(const QString& text) {
    QString s = text.trimmed();
    Server out;
    QString scheme = QStringLiteral("smtp");
    if (s.startsWith(QLatin1String("smtps://"), Qt::CaseInsensitive)) {
        scheme = QStringLiteral("smtps");
        out.tls = true;
        s = s.mid(8);
    } else if (s.startsWith(QLatin1String("smtp://"), Qt::CaseInsensitive)) {
        s = s.mid(7);
    }
    if (s.endsWith(u'/')) s.chop(1);
    QString host, port;
    if (s.startsWith(u'[')) {
        const qsizetype close = s.indexOf(u']');
        if (close < 0) return std::nullopt;
        host = s.mid(1, close - 1);
        const QString rest = s.mid(close + 1);
        if (!rest.isEmpty() && !rest.startsWith(u':')) return std::nullopt;
        port = rest.mid(1);
        if (rest.startsWith(u':') && port.isEmpty()) return std::nullopt;
    } else if (s.count(u':') == 1) {
        host = s.section(u':', 0, 0);
        port = s.section(u':', 1);
        if (port.isEmpty()) return std::nullopt;
    } else {
        host = s; // a name, or an IPv6 address without brackets and port
    }
    static const QRegularExpression hostRe(QStringLiteral("^[A-Za-z0-9._:-]+$"));
    if (host.isEmpty() || !hostRe.match(host).hasMatch()) return std::nullopt;
    int portNumber = out.tls ? 465 : 25;
    if (!port.isEmpty()) {
        bool ok = false;
        portNumber = port.toInt(&ok);
        if (!ok || portNumber < 1 || portNumber > 65535 || port.startsWith(u'+'))
            return std::nullopt;
    }
    const QString bracketed = host.contains(u':') ? u'[' + host + u']' : host;
    // The path of an SMTP URL is the name the client greets the server with.
    static const QRegularExpression nameRe(QStringLiteral("^[A-Za-z0-9.-]+$"));
    const QString self = QSysInfo::machineHostName();
    out.url = QStringLiteral("%1://%2:%3/%4")
                  .arg(scheme, bracketed)
                  .arg(portNumber)
                  .arg(nameRe.match(self).hasMatch() ? self : QStringLiteral("localhost"))
                  .toLatin1();
    return out;
}

bool hasLineBreak(const QString& text) {
    return text.contains(u'\r') || text.contains(u'\n') || text.contains(QChar(0));
}

} // namespace

namespace SendMailArgs {

std::optional<QString> recipients(const QString& to, const QString& cc, const QString& bcc,
                                  QString* error) {
    // A "," inside a quoted display name ("Sato, K" <k@x>) belongs to the name. Each item must
    // be a mailbox: a typed TAB or an item reading "cc" or "bcc" would otherwise move the
    // addresses after it into another section, out of the headers.
    auto tabs = [error](const QString& field) -> std::optional<QString> {
        QString out = field;
        if (std::any_of(out.cbegin(), out.cend(),
                        [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7F; })) {
            if (error) *error = Msg::mailControlCharacter(Msg::mailFieldRecipients());
            return std::nullopt;
        }
        const auto isQuote = [&out](qsizetype i) {
            return out[i] == u'"' && (i == 0 || out[i - 1] != u'\\');
        };
        for (qsizetype i = 0; i < out.size(); ++i) {
            if (out[i] == u',') out[i] = u'\t';
            if (!isQuote(i)) continue;
            // Quotes group only in pairs: a lone one (O"Brien) is part of the name, and
            // letting it open a group would swallow every comma after it.
            qsizetype close = i + 1;
            while (close < out.size() && !isQuote(close)) ++close;
            if (close < out.size()) i = close;
        }
        for (const QString& item : out.split(u'\t'))
            if (!item.trimmed().isEmpty() && !Mime::parseAddress(item)) {
                if (error) *error = Msg::mailBadRecipient(item.trimmed());
                return std::nullopt;
            }
        return out;
    };
    const std::optional<QString> t = tabs(to), c = tabs(cc), b = tabs(bcc);
    if (!t || !c || !b) return std::nullopt;
    QString list = *t;
    if (!c->isEmpty()) list += QStringLiteral("\tcc\t") + *c;
    if (!b->isEmpty()) list += QStringLiteral("\tbcc\t") + *b;
    return list;
}

QString attachments(const QString& field, bool anime) {
    if (field.isEmpty()) return {};
    const QStringList entries = CL_GL010C::instance().RVN_StrEnum(field, QStringLiteral(","));
    QStringList out;
    for (qsizetype i = 0; i < entries.size(); ++i)
        out.append(anime ? QStringLiteral("%1|%2.png|image/mtn").arg(entries[i]).arg(i + 1)
                         : entries[i]);
    return out.join(u'\t');
}

Recipients splitRecipients(const QString& list) {
    Recipients r;
    QStringList* target = &r.to;
    for (const QString& item : list.split(u'\t')) {
        if (item == QLatin1String("cc")) {
            target = &r.cc;
        } else if (item == QLatin1String("bcc")) {
            target = &r.bcc;
        } else if (!item.trimmed().isEmpty()) {
            target->append(item.trimmed());
        }
    }
    return r;
}

QList<AttachmentEntry> splitAttachments(const QString& list) {
    QList<AttachmentEntry> out;
    for (const QString& item : list.split(u'\t')) {
        if (item.trimmed().isEmpty()) continue;
        AttachmentEntry e;
        // A path may hold "|" itself: a whole entry naming a file is a bare path, otherwise the
        // name and the type are the last fields.
        const qsizetype last = item.lastIndexOf(u'|');
        if (last < 0 || QFileInfo(item).isFile()) {
            e.path = item;
        } else {
            const qsizetype before = last > 0 ? item.lastIndexOf(u'|', last - 1) : -1;
            if (before >= 0) {
                e.path = item.left(before);
                e.name = item.mid(before + 1, last - before - 1);
                e.contentType = item.mid(last + 1);
            } else {
                e.path = item.left(last);
                e.name = item.mid(last + 1);
            }
        }
        if (e.name.isEmpty()) e.name = CL_GL010C::instance().RVN_GetFileName(e.path);
        if (e.contentType.isEmpty()) e.contentType = Mime::contentTypeFor(e.name);
        out.append(e);
    }
    return out;
}

} // namespace SendMailArgs

std::optional<PreparedMail> prepareMail(const QString& server, const QString& recipients,
                                        const QString& sender, const QString& subject,
                                        const QString& body, const QString& attachments,
                                        const QString& mailer, QString* error) {
    const auto fail = [error](const QString& text) {
        if (error) *error = text;
        return std::nullopt;
    };
    if (server.trimmed().isEmpty()) return fail(Msg::mailNoServer());
    if (hasLineBreak(server)) return fail(Msg::mailControlCharacter(Msg::mailFieldServer()));
    const std::optional<Server> srv = parseServer(server);
    if (!srv) return fail(Msg::mailBadServer(server));

    if (sender.trimmed().isEmpty()) return fail(Msg::mailNoSender());
    if (hasLineBreak(sender)) return fail(Msg::mailControlCharacter(Msg::mailFieldSender()));
    const std::optional<Mime::Address> from = Mime::parseAddress(sender);
    if (!from) return fail(Msg::mailBadSender(sender));

    if (hasLineBreak(recipients))
        return fail(Msg::mailControlCharacter(Msg::mailFieldRecipients()));
    const SendMailArgs::Recipients split = SendMailArgs::splitRecipients(recipients);
    Mime::Message msg;
    msg.from = *from;
    QStringList envelope;
    auto take = [&envelope](const QStringList& entries, QList<Mime::Address>* header,
                            QString* bad) {
        for (const QString& entry : entries) {
            const std::optional<Mime::Address> a = Mime::parseAddress(entry);
            if (!a) {
                *bad = entry;
                return false;
            }
            if (header) header->append(*a);
            if (!envelope.contains(a->addr)) envelope.append(a->addr);
        }
        return true;
    };
    QString bad;
    if (!take(split.to, &msg.to, &bad) || !take(split.cc, &msg.cc, &bad) ||
        !take(split.bcc, nullptr, &bad))
        return fail(Msg::mailBadRecipient(bad));
    if (envelope.isEmpty()) return fail(Msg::mailNoRecipient());

    if (hasLineBreak(subject)) return fail(Msg::mailControlCharacter(Msg::mailFieldSubject()));
    msg.subject = subject;
    msg.body = body;
    if (hasLineBreak(attachments))
        return fail(Msg::mailControlCharacter(Msg::mailFieldAttachment()));
    qint64 total = 0;
    for (const SendMailArgs::AttachmentEntry& e : SendMailArgs::splitAttachments(attachments)) {
        Mime::Attachment att{e.name, e.contentType, {}};
        QString reason;
        switch (FileIO::read(e.path, kMaxAttachmentBytes - total, &att.data, &reason)) {
        case FileIO::Read::Ok:
            break;
        case FileIO::Read::Missing:
            return fail(Msg::mailAttachmentMissing(e.path));
        case FileIO::Read::TooLarge:
            return fail(Msg::mailTooLarge());
        case FileIO::Read::Folder:
        case FileIO::Read::NotRegular:
            return fail(Msg::fileNotRegular(e.path, Msg::attachmentKind()));
        case FileIO::Read::BadName:
            return fail(Msg::fileNameUndecodable(e.path));
        case FileIO::Read::Failed:
            return fail(Msg::mailAttachmentUnreadable(e.path, reason));
        }
        total += att.data.size();
        msg.attachments.append(att);
    }
    msg.mailer = mailer.toLatin1();
    std::optional<QByteArray> bytes = Mime::build(msg, error);
    if (!bytes) return std::nullopt;
    return PreparedMail{srv->url, srv->tls, server.trimmed(), from->addr, envelope, *bytes};
}

QString SendMail(const QString& server, const QString& recipients, const QString& sender,
                 const QString& subject, const QString& body, const QString& attachments) {
    return SendMail(server, recipients, sender, subject, body, attachments, SendMailOptions());
}

QString SendMail(const QString& server, const QString& recipients, const QString& sender,
                 const QString& subject, const QString& body, const QString& attachments,
                 const SendMailOptions& options) {
    QString error;
    const std::optional<PreparedMail> mail =
        prepareMail(server, recipients, sender, subject, body, attachments, options.mailer, &error);
    if (!mail) return error;
    return transferMessage(transferMail(*mail, options), mail->where);
}
