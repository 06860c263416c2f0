#pragma once
// Text files of the program (settings, address book, mail files, holiday file) are CP932.
// Conversions go through glibc iconv ("CP932", so that ～ and ① survive a round trip).
#include <QByteArray>
#include <QString>
#include <optional>

namespace TextCodec {

// Decodes CP932 bytes. Returns nothing when a byte sequence is not valid CP932; *badOffset
// (when given) then receives the offset of the first undecodable byte.
std::optional<QString> fromCp932(QByteArrayView bytes, qsizetype* badOffset = nullptr);

// Encodes to CP932. Characters without a CP932 form become "?"; *lossless (when given) tells
// whether every character had one.
QByteArray toCp932(QStringView text, bool* lossless = nullptr);

// text with control characters (a line break above all) written as \xNN, so that a file name
// cannot start a line of its own in the output, nor a server's reply steer the terminal.
QString printable(const QString& text);

} // namespace TextCodec
