#pragma once
// Mail files: the composer's fields as labelled text lines ("To :", "CC :", "BCC :",
// "Subject :", "File :", then "Body :" with the body continuing to the end of the file), in
// CP932 with CR LF line ends. Any other text file loads as a body.
#include "core/mail/mime.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace MailFile {

// The file's bytes; characters without a CP932 form become "?" (see unencodable()).
QByteArray toBytes(const Mime::MailFields& fields);

// The characters of the fields that CP932 cannot store, each once: the composer warns about
// them before saving.
QString unencodable(const Mime::MailFields& fields);

// Writes the file in one step. Refuses (false, *error in Japanese, nothing written) when a
// character cannot be stored, unless lossy is set; a failed write leaves an old file whole.
bool save(const QString& path, const Mime::MailFields& fields, QString* error, bool lossy = false);

// The fields read from a file's text (lines ending in CR LF, LF or CR; the last may have no
// end). A text with no labelled line is all body, each line followed by CR LF.
Mime::MailFields parse(const QStringList& lines);

enum class Encoding { Cp932, Utf8 };

struct Loaded {
    Mime::MailFields fields;
    Encoding encoding = Encoding::Cp932;
};

// Reads and decodes the whole file first, so a caller changes nothing when it fails. Mail
// files are CP932; a text file that is valid UTF-8 with non-ASCII characters is read as UTF-8
// (Japanese CP932 text is practically never valid UTF-8, while UTF-8 text often passes as
// CP932 mojibake). Nothing, with *error in Japanese, when the file cannot be read or decoded.
std::optional<Loaded> load(const QString& path, QString* error);

// Decodes the bytes of a text file by the rule of load(); nothing when they are neither valid
// UTF-8 nor valid CP932 (*badLine, 1-based, then names the first bad line).
std::optional<QString> decodeText(const QByteArray& bytes, Encoding* encoding = nullptr,
                                  qsizetype* badLine = nullptr);

} // namespace MailFile
