// The transfer half of SendMail: libcurl talks SMTP, and its outcome becomes a text for the user.
#include "core/mail/sendmail.h"

#include "core/util/messages.h"
#include "core/util/textcodec.h"

#include <QFile>
#include <QRegularExpression>

#include <curl/curl.h>
#include <dlfcn.h>
#include <sys/socket.h>

#include <memory>
#include <type_traits>

namespace {

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
            // The reply is shown to the user as it came, so nothing in it may act on a
            // terminal.
            take(TextCodec::printable(QString::fromUtf8(line)));
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

// libcurl is opened with the first mail, not at start-up: with its TLS, Kerberos and directory
// libraries it would otherwise double the start of every run of both programs.
struct Curl {
    decltype(&curl_easy_init) easy_init = nullptr;
    decltype(&curl_easy_setopt) easy_setopt = nullptr;
    decltype(&curl_easy_perform) easy_perform = nullptr;
    decltype(&curl_easy_getinfo) easy_getinfo = nullptr;
    decltype(&curl_easy_strerror) easy_strerror = nullptr;
    decltype(&curl_easy_cleanup) easy_cleanup = nullptr;
    decltype(&curl_slist_append) slist_append = nullptr;
    decltype(&curl_slist_free_all) slist_free_all = nullptr;
};

// The library's functions, or nothing (with the loader's reason in *why) when it cannot be had.
const Curl* curl(QString* why) {
    static QString failure;
    static const Curl api = [] {
        void* lib = dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
        if (!lib) {
            failure = QString::fromLocal8Bit(dlerror());
            return Curl{};
        }
        Curl c;
        bool all = true;
        auto get = [&](auto& f, const char* name) {
            f = reinterpret_cast<std::remove_reference_t<decltype(f)>>(dlsym(lib, name));
            all &= f != nullptr;
        };
        get(c.easy_init, "curl_easy_init");
        get(c.easy_setopt, "curl_easy_setopt");
        get(c.easy_perform, "curl_easy_perform");
        get(c.easy_getinfo, "curl_easy_getinfo");
        get(c.easy_strerror, "curl_easy_strerror");
        get(c.easy_cleanup, "curl_easy_cleanup");
        get(c.slist_append, "curl_slist_append");
        get(c.slist_free_all, "curl_slist_free_all");
        decltype(&curl_global_init) globalInit = nullptr;
        get(globalInit, "curl_global_init");
        if (!all || globalInit(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
            failure = QStringLiteral("libcurl.so.4: incomplete");
            return Curl{};
        }
        return c;
    }();
    *why = failure;
    return api.easy_init ? &api : nullptr;
}

} // namespace

TransferOutcome transferMail(const PreparedMail& mail, const SendMailOptions& options) {
    QString missing;
    const Curl* api = curl(&missing);
    if (!api) return {CURLE_FAILED_INIT, missing, {}, false};
    const Curl& c = *api;
    // Everything libcurl points to outlives the handle: its cleanup still talks to the server.
    curl_slist* rcpt = nullptr;
    for (const QString& a : mail.envelope) rcpt = c.slist_append(rcpt, ('<' + a + '>').toLatin1());
    std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> rcptList(rcpt, c.slist_free_all);
    const QByteArray mailFrom = '<' + mail.mailFrom.toLatin1() + '>';
    const QByteArray user = options.user.toUtf8(), password = options.password.toUtf8();
    const QByteArray caFile = QFile::encodeName(options.caFile);
    Upload upload{mail.message, 0};
    Watch watch;
    if (options.keepAlive) watch.keepAlive = &options.keepAlive;
    char errbuf[CURL_ERROR_SIZE] = {};
    const bool credentials = !options.user.isEmpty();
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> handle(c.easy_init(), c.easy_cleanup);
    if (!handle) return {CURLE_FAILED_INIT, QStringLiteral("curl_easy_init"), {}, false};
    CURL* h = handle.get();

    c.easy_setopt(h, CURLOPT_URL, mail.url.constData());
    c.easy_setopt(h, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
    c.easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    c.easy_setopt(h, CURLOPT_ERRORBUFFER, errbuf);
    c.easy_setopt(h, CURLOPT_MAIL_FROM, mailFrom.constData());
    c.easy_setopt(h, CURLOPT_MAIL_RCPT, rcpt);
    // Every recipient must be accepted: a mail that silently misses one is not "sent".
    c.easy_setopt(h, CURLOPT_MAIL_RCPT_ALLLOWFAILS, 0L);
    c.easy_setopt(h, CURLOPT_UPLOAD, 1L);
    c.easy_setopt(h, CURLOPT_READFUNCTION, readCallback);
    c.easy_setopt(h, CURLOPT_READDATA, &upload);
    c.easy_setopt(h, CURLOPT_INFILESIZE_LARGE, curl_off_t(upload.data.size()));
    c.easy_setopt(h, CURLOPT_CONNECTTIMEOUT, long(options.connectTimeoutSeconds));
    c.easy_setopt(h, CURLOPT_SERVER_RESPONSE_TIMEOUT, long(options.responseTimeoutSeconds));
    c.easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    c.easy_setopt(h, CURLOPT_LOW_SPEED_TIME, long(options.responseTimeoutSeconds));
    if (!mail.tls && (credentials || options.requireTls))
        c.easy_setopt(h, CURLOPT_USE_SSL, long(CURLUSESSL_ALL));
    if (credentials) {
        c.easy_setopt(h, CURLOPT_USERNAME, user.constData());
        c.easy_setopt(h, CURLOPT_PASSWORD, password.constData());
    }
    if (!options.caFile.isEmpty()) c.easy_setopt(h, CURLOPT_CAINFO, caFile.constData());
    // The server's replies are only seen through the debug hook, which needs verbose mode.
    c.easy_setopt(h, CURLOPT_VERBOSE, 1L);
    c.easy_setopt(h, CURLOPT_DEBUGFUNCTION, debugCallback);
    c.easy_setopt(h, CURLOPT_DEBUGDATA, &watch);
    c.easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    c.easy_setopt(h, CURLOPT_XFERINFOFUNCTION, progressCallback);
    c.easy_setopt(h, CURLOPT_XFERINFODATA, &watch);

    const CURLcode rc = c.easy_perform(h);
    if (rc == CURLE_OK) return {};
    // libcurl says QUIT when the handle is cleaned up and waits for the answer as long as for
    // any reply, so a server silent after the message would cost twice the limit. A server
    // that failed us gets no such wait.
    curl_socket_t socket = CURL_SOCKET_BAD;
    if (c.easy_getinfo(h, CURLINFO_ACTIVESOCKET, &socket) == CURLE_OK && socket != CURL_SOCKET_BAD)
        ::shutdown(socket, SHUT_RDWR);
    return {rc, QString::fromUtf8(errbuf[0] ? errbuf : c.easy_strerror(rc)).trimmed(),
            watch.transcript.lastRefusal, watch.transcript.notSmtp};
}

QString transferMessage(const TransferOutcome& outcome, const QString& where) {
    if (outcome.curlCode == CURLE_OK) return {};
    if (outcome.notSmtp) return Msg::mailNotSmtp(where);
    if (outcome.curlCode == CURLE_ABORTED_BY_CALLBACK) return Msg::mailCancelled();
    if (!outcome.lastRefusal.isEmpty()) return outcome.lastRefusal;
    const QString& reason = outcome.curlReason;
    switch (CURLcode(outcome.curlCode)) {
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
