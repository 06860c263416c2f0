#include "core/mail/sendmail.h"

#include "core/mail/mime.h"
#include "core/util/cl_gl010c.h"
#include "core/util/fileio.h"
#include "core/util/messages.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSysInfo>

#include <curl/curl.h>
#include <sys/socket.h>

#include <memory>
#include <mutex>
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

// The server's replies as they arrive; the last one counts when it was a refusal.
struct Transcript {
    QByteArray pending;   // bytes of a line not yet complete
    QStringList reply;    // lines of the reply being read
    QString lastRefusal;  // the last complete 4xx/5xx reply, "" once a later reply succeeded
    QString lastComplete; // any last complete reply
    // A line that is no SMTP reply: the peer speaks another protocol, and waiting for a reply
    // that never comes would end as "no answer".
    bool notSmtp = false;

    void feed(const char* data, size_t size) {
        pending.append(data, qsizetype(size));
        qsizetype nl;
        while ((nl = pending.indexOf('\n')) >= 0) {
            QByteArray line = pending.left(nl);
            pending.remove(0, nl + 1);
            if (line.endsWith('\r')) line.chop(1);
            take(QString::fromUtf8(line));
        }
    }
    void take(const QString& line) {
        static const QRegularExpression replyRe(QStringLiteral("^\\d\\d\\d([ -]|$)"));
        static const QRegularExpression codeRe(QStringLiteral("^([2-5])\\d\\d([ -]|$)"));
        if (!replyRe.match(line).hasMatch()) notSmtp = true;
        const auto m = codeRe.match(line);
        if (!m.hasMatch()) return;
        reply.append(line);
        if (m.captured(2) == QLatin1String("-")) return; // more lines follow
        lastComplete = reply.join(u'\n');
        const QChar kind = m.captured(1).at(0);
        // The closing "221" to QUIT comes after a refusal and must not hide it.
        if (kind == u'4' || kind == u'5')
            lastRefusal = lastComplete;
        else if (!line.startsWith(QLatin1String("221")))
            lastRefusal.clear();
        reply.clear();
    }
};

// What the transfer watches while it runs: the server's replies, and whether to go on.
struct Watch {
    Transcript transcript;
    const std::function<bool()>* keepAlive = nullptr;
};

int debugCallback(CURL*, curl_infotype type, char* data, size_t size, void* user) {
    if (type == CURLINFO_HEADER_IN) static_cast<Watch*>(user)->transcript.feed(data, size);
    return 0;
}

struct Upload {
    QByteArray data;
    qsizetype pos = 0;
};

size_t readCallback(char* buffer, size_t size, size_t count, void* user) {
    auto* up = static_cast<Upload*>(user);
    const size_t n = std::min(size * count, size_t(up->data.size() - up->pos));
    memcpy(buffer, up->data.constData() + up->pos, n);
    up->pos += qsizetype(n);
    return n;
}

int progressCallback(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto* watch = static_cast<const Watch*>(user);
    if (watch->transcript.notSmtp) return 1; // no reply is coming: nothing to wait for
    return watch->keepAlive && !(*watch->keepAlive)() ? 1 : 0;
}

void initCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
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
        bool quoted = false;
        for (qsizetype i = 0; i < out.size(); ++i) {
            if (out[i].unicode() < 0x20 || out[i].unicode() == 0x7F) {
                if (error) *error = Msg::mailControlCharacter(Msg::mailFieldRecipients());
                return std::nullopt;
            }
            if (out[i] == u'"' && (i == 0 || out[i - 1] != u'\\'))
                quoted = !quoted;
            else if (out[i] == u',' && !quoted)
                out[i] = u'\t';
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

QString SendMail(const QString& server, const QString& recipients, const QString& sender,
                 const QString& subject, const QString& body, const QString& attachments) {
    return SendMail(server, recipients, sender, subject, body, attachments, SendMailOptions());
}

QString SendMail(const QString& server, const QString& recipients, const QString& sender,
                 const QString& subject, const QString& body, const QString& attachments,
                 const SendMailOptions& options) {
    // Everything is checked before connecting, so a refused mail never half-happens.
    if (server.trimmed().isEmpty()) return Msg::mailNoServer();
    if (hasLineBreak(server)) return Msg::mailControlCharacter(Msg::mailFieldServer());
    const std::optional<Server> srv = parseServer(server);
    if (!srv) return Msg::mailBadServer(server);
    const QString where = server.trimmed();

    if (sender.trimmed().isEmpty()) return Msg::mailNoSender();
    if (hasLineBreak(sender)) return Msg::mailControlCharacter(Msg::mailFieldSender());
    const std::optional<Mime::Address> from = Mime::parseAddress(sender);
    if (!from) return Msg::mailBadSender(sender);

    if (hasLineBreak(recipients)) return Msg::mailControlCharacter(Msg::mailFieldRecipients());
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
        return Msg::mailBadRecipient(bad);
    if (envelope.isEmpty()) return Msg::mailNoRecipient();

    if (hasLineBreak(subject)) return Msg::mailControlCharacter(Msg::mailFieldSubject());
    msg.subject = subject;
    msg.body = body;
    if (hasLineBreak(attachments)) return Msg::mailControlCharacter(Msg::mailFieldAttachment());
    qint64 total = 0;
    for (const SendMailArgs::AttachmentEntry& e : SendMailArgs::splitAttachments(attachments)) {
        Mime::Attachment att{e.name, e.contentType, {}};
        QString reason;
        switch (FileIO::read(e.path, kMaxAttachmentBytes - total, &att.data, &reason)) {
        case FileIO::Read::Ok:
            break;
        case FileIO::Read::Missing:
            return Msg::mailAttachmentMissing(e.path);
        case FileIO::Read::TooLarge:
            return Msg::mailTooLarge();
        case FileIO::Read::Folder:
        case FileIO::Read::NotRegular:
            return Msg::fileNotRegular(e.path, Msg::attachmentKind());
        case FileIO::Read::BadName:
            return Msg::fileNameUndecodable(e.path);
        case FileIO::Read::Failed:
            return Msg::mailAttachmentUnreadable(e.path, reason);
        }
        total += att.data.size();
        msg.attachments.append(att);
    }
    msg.mailer = options.mailer.toLatin1();
    QString error;
    std::optional<QByteArray> bytes = Mime::build(msg, &error);
    if (!bytes) return error;

    // Everything libcurl points to outlives the handle: its cleanup still talks to the server.
    curl_slist* rcpt = nullptr;
    for (const QString& a : envelope) rcpt = curl_slist_append(rcpt, ('<' + a + '>').toLatin1());
    std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> rcptList(rcpt,
                                                                         &curl_slist_free_all);
    const QByteArray mailFrom = '<' + from->addr.toLatin1() + '>';
    const QByteArray user = options.user.toUtf8(), password = options.password.toUtf8();
    const QByteArray caFile = QFile::encodeName(options.caFile);
    Upload upload{*bytes, 0};
    Watch watch;
    if (options.keepAlive) watch.keepAlive = &options.keepAlive;
    char errbuf[CURL_ERROR_SIZE] = {};
    const bool credentials = !options.user.isEmpty();
    initCurlOnce();
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), &curl_easy_cleanup);
    if (!curl) return Msg::mailSendFailed(where, QStringLiteral("curl_easy_init"));
    CURL* h = curl.get();

    curl_easy_setopt(h, CURLOPT_URL, srv->url.constData());
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errbuf);
    curl_easy_setopt(h, CURLOPT_MAIL_FROM, mailFrom.constData());
    curl_easy_setopt(h, CURLOPT_MAIL_RCPT, rcpt);
    // Every recipient must be accepted: a mail that silently misses one is not "sent".
    curl_easy_setopt(h, CURLOPT_MAIL_RCPT_ALLLOWFAILS, 0L);
    curl_easy_setopt(h, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(h, CURLOPT_READFUNCTION, readCallback);
    curl_easy_setopt(h, CURLOPT_READDATA, &upload);
    curl_easy_setopt(h, CURLOPT_INFILESIZE_LARGE, curl_off_t(upload.data.size()));
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, long(options.connectTimeoutSeconds));
    curl_easy_setopt(h, CURLOPT_SERVER_RESPONSE_TIMEOUT, long(options.responseTimeoutSeconds));
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, long(options.responseTimeoutSeconds));
    if (!srv->tls && (credentials || options.requireTls))
        curl_easy_setopt(h, CURLOPT_USE_SSL, long(CURLUSESSL_ALL));
    if (credentials) {
        curl_easy_setopt(h, CURLOPT_USERNAME, user.constData());
        curl_easy_setopt(h, CURLOPT_PASSWORD, password.constData());
    }
    if (!options.caFile.isEmpty()) curl_easy_setopt(h, CURLOPT_CAINFO, caFile.constData());
    // The server's replies are only seen through the debug hook, which needs verbose mode.
    curl_easy_setopt(h, CURLOPT_VERBOSE, 1L);
    curl_easy_setopt(h, CURLOPT_DEBUGFUNCTION, debugCallback);
    curl_easy_setopt(h, CURLOPT_DEBUGDATA, &watch);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, progressCallback);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, &watch);

    const CURLcode rc = curl_easy_perform(h);
    if (rc == CURLE_OK) return {};
    // libcurl says QUIT when the handle is cleaned up and waits for the answer as long as for
    // any reply, so a server silent after the message would cost twice the limit. A server
    // that failed us gets no such wait.
    curl_socket_t socket = CURL_SOCKET_BAD;
    if (curl_easy_getinfo(h, CURLINFO_ACTIVESOCKET, &socket) == CURLE_OK &&
        socket != CURL_SOCKET_BAD)
        ::shutdown(socket, SHUT_RDWR);
    const Transcript& transcript = watch.transcript;
    if (transcript.notSmtp) return Msg::mailNotSmtp(where);
    if (rc == CURLE_ABORTED_BY_CALLBACK) return Msg::mailCancelled();
    if (!transcript.lastRefusal.isEmpty()) return transcript.lastRefusal;
    const QString reason = QString::fromUtf8(errbuf[0] ? errbuf : curl_easy_strerror(rc)).trimmed();
    switch (rc) {
    case CURLE_OPERATION_TIMEDOUT:
        return Msg::mailTimedOut(where);
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_CONNECT:
        return Msg::mailConnectFailed(where, reason);
    case CURLE_USE_SSL_FAILED:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
        return Msg::mailTlsFailed(where, reason);
    case CURLE_LOGIN_DENIED:
        return Msg::mailLoginFailed(where);
    case CURLE_WEIRD_SERVER_REPLY: // a reply code SMTP does not have
        return Msg::mailNotSmtp(where);
    default:
        return Msg::mailSendFailed(where, reason);
    }
}
