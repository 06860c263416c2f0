#pragma once
// Building the mail message that goes over SMTP: CRLF lines, headers as RFC 2047 ISO-2022-JP
// encoded words, the body as ISO-2022-JP, attachments base64 in a multipart/mixed message.
// Plain functions on plain data: the caller reads the attachment files.
#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace Mime {

// One address as typed or picked: "addr", "name<addr>", "name <addr>" or "\"name\" <addr>".
struct Address {
    QString name; // display name, "" when none
    QString addr; // the bare address, as it goes into the SMTP envelope
};

// Reads one entry; nothing when it holds no single mailbox: the address must have exactly one
// "@" with a local part of letters, digits and !#$%&'*+/=?^_`{|}~.- before it and a domain of
// dot-separated labels after it; the name no control character; an unclosed "<" is refused.
std::optional<Address> parseAddress(const QString& entry);

struct Attachment {
    QString name;        // file name shown in the mail (no folder)
    QString contentType; // "type/subtype"
    QByteArray data;
};

// Content type by the file name's extension, case-insensitively: png, jpg/jpeg, gif, bmp, else
// application/octet-stream.
QString contentTypeFor(const QString& fileName);

struct Message {
    Address from;
    QList<Address> to, cc; // blind copies travel in the envelope only, never in a header
    QString subject;
    QString body; // lines separated by CR LF (a lone CR or LF also ends a line)
    QList<Attachment> attachments;
    QDateTime date;       // now when invalid
    QByteArray messageId; // "<...>"; made up when empty
    QByteArray boundary;  // of the multipart body; made up when empty
    QByteArray mailer;    // X-Mailer, left out when empty
};

// The whole message, CRLF lines, 7-bit. Nothing, with *error in Japanese, when a field cannot
// go into a mail: CR, LF or NUL in a one-line field, a NUL in the body, characters that
// ISO-2022-JP cannot carry, a content type that is not "type/subtype".
std::optional<QByteArray> build(const Message& message, QString* error);

// The header field "Name: text" with the text as encoded words where it needs them, folded so
// that no line passes 76 characters; without the final CR LF.
QByteArray encodedHeader(const QByteArray& name, const QString& text);

// The fields of one mail as the composer holds them; lists are separated by ",".
struct MailFields {
    QString to, cc, bcc, subject;
    QString files; // full paths separated by ","
    QString body;  // lines separated by CR LF
};

// The composer's running size estimate in bytes: the ISO-2022-JP length of a header-like text
// of the fields and the sender, plus 47, plus each existing attachment's size and 120 (every
// entry counts, as every entry is sent; missing or empty files count nothing).
qint64 estimateSize(const MailFields& fields, const QString& sender);

// The estimate's colour threshold: larger estimates are shown in red.
constexpr qint64 EstimateLimit = 6000;

} // namespace Mime
