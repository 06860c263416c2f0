#pragma once
// The mail transport: one synchronous call with six texts that sends one mail over SMTP and
// answers "" when the server accepted it, else a text for the user (the server's own reply
// when it refused).
//
// The six texts:
//   server       "host", "host:port" (port 25 by default), "smtp://host[:port]" or
//                "smtps://host[:port]" (TLS from the start, port 465 by default)
//   recipients   addresses separated by TAB; the items "cc" and "bcc" (lower case, items of
//                their own) mark the start of the copies and of the blind copies. Each address
//                is "addr", "name<addr>" or "\"name\" <addr>" where addr has exactly one "@";
//                empty items are skipped, any other item refuses the whole mail
//   sender       the sender address in the same forms
//   subject      one line
//   body         lines separated by CR LF
//   attachments  entries separated by TAB: a path, or path "|" name in the mail "|" content
//                type (the animation frames travel as "N.png" of type "image/mtn")
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

struct SendMailOptions {
    // Credentials for SMTP AUTH. When given, the connection must be encrypted: smtps:// or
    // STARTTLS, and a server that offers neither is refused.
    QString user, password;
    // Require STARTTLS even without credentials.
    bool requireTls = false;
    // A certificate file (PEM) trusted instead of the system's authorities; "" for the system's.
    QString caFile;
    int connectTimeoutSeconds = 30;
    // The one limit on waiting for the server: the greeting, every reply (the one to the end
    // of the message included) and every stall of the upload. Once the mail is given up, the
    // server's goodbye is not waited for.
    int responseTimeoutSeconds = 60;
    // Called now and then while the call waits, so that a window can repaint; returning false
    // abandons the mail.
    std::function<bool()> keepAlive;
    // X-Mailer header; "" leaves it out.
    QString mailer = QStringLiteral("Quilmo Editor " QUILMO_VERSION);
};

// prepareMail, then transferMail, then transferMessage.
QString SendMail(const QString& server, const QString& recipients, const QString& sender,
                 const QString& subject, const QString& body, const QString& attachments);
QString SendMail(const QString& server, const QString& recipients, const QString& sender,
                 const QString& subject, const QString& body, const QString& attachments,
                 const SendMailOptions& options);

// One mail checked and built, not yet sent.
struct PreparedMail {
    QByteArray url;       // scheme://host:port/name the client greets the server with
    bool tls = false;     // encrypted from the start (smtps://)
    QString where;        // the server as typed, for the messages
    QString mailFrom;     // the sender's bare address
    QStringList envelope; // bare addresses, each once, blind copies included
    QByteArray message;   // the whole message, CRLF lines
};

// Everything SendMail checks before it connects, and the message it would send: the six texts
// of the contract, the attachments read from disk (64 MiB in all at most), the X-Mailer text.
// No network. Nothing, with *error for the user, when the mail cannot go.
std::optional<PreparedMail> prepareMail(const QString& server, const QString& recipients,
                                        const QString& sender, const QString& subject,
                                        const QString& body, const QString& attachments,
                                        const QString& mailer, QString* error);

// How a transfer ended, as far as the text for the user depends on it.
struct TransferOutcome {
    int curlCode = 0;     // libcurl's CURLcode; 0 when the server took the mail
    QString curlReason;   // libcurl's own words for the failure
    QString lastRefusal;  // the server's last 4xx/5xx reply when no later reply succeeded
    bool notSmtp = false; // the peer said something that is no SMTP reply
};

// Hands the mail to the server over libcurl (STARTTLS when the options ask for it or carry
// credentials) and waits for the end.
TransferOutcome transferMail(const PreparedMail& mail, const SendMailOptions& options);

// The text for the user: "" when the mail went, else what went wrong with the server `where`.
QString transferMessage(const TransferOutcome& outcome, const QString& where);

namespace SendMailArgs {

// The composer's side of the contract: the recipients list from the To, CC and BCC fields
// (addresses separated by ","), and the attachments list from the attachment field (paths
// separated by ","), each entry numbered as an animation frame when anime is set.
// Every item of the fields must be one mailbox ("addr", "name<addr>", "\"name\" <addr>"), so
// that no typed text can become a "cc" or "bcc" marker or a TAB of the list; otherwise nothing,
// with *error saying which item is wrong.
std::optional<QString> recipients(const QString& to, const QString& cc, const QString& bcc,
                                  QString* error = nullptr);
QString attachments(const QString& field, bool anime);

// The transport's side: the lists taken apart again.
struct Recipients {
    QStringList to, cc, bcc;
};
Recipients splitRecipients(const QString& list);

struct AttachmentEntry {
    QString path;
    QString name;        // name in the mail; the file's own name when not given
    QString contentType; // by the name's extension when not given
};
QList<AttachmentEntry> splitAttachments(const QString& list);

} // namespace SendMailArgs
