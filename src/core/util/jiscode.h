#pragma once
// ISO-2022-JP, the character set of Japanese mail: JIS X 0208 in double-byte mode between
// escape sequences, ASCII outside them. Text typed on this system comes in the forms of the
// Shift_JIS code page (CP932), so a few of its characters and the half-width katakana are first
// turned into the forms that JIS X 0208 has; what still has no form is reported, not dropped.
#include <QByteArray>
#include <QString>

namespace Jis {

// The text with the CP932 compatibility characters replaced by their JIS X 0208 forms (～ ∥ －
// ￠ ￡ ￢ — become 〜 ‖ − ¢ £ ¬ ―) and every run of half-width katakana written in full width,
// a voiced or semi-voiced mark joined to the kana before it (ｶﾞ → ガ); a mark with no kana to
// join becomes the spacing mark (゛ ゜).
QString toJisForms(QStringView text);

struct Encoded {
    QByteArray bytes;    // ISO-2022-JP, always back in ASCII at the end
    QString unencodable; // each character that had no form, once, in order of appearance
};

// Encodes the text after toJisForms. A character without a form is written as "?" (in ASCII
// mode) and listed in unencodable.
Encoded encode(QStringView text);

// The characters of the text that ISO-2022-JP cannot carry even after toJisForms, each once.
QString unencodable(QStringView text);

} // namespace Jis

// The ISO-2022-JP bytes of the text, as the mail is sent: its size is the running size estimate
// of the mail composer.
QByteArray JisEncode(const QString& text);

// Converts one Shift_JIS double-byte character, lead byte L and trail byte T, into its two JIS
// X 0208 bytes in place (0x82 0xA0 becomes 0x24 0x22). A pair outside the double-byte ranges
// becomes 0, 0.
void SjisToJis(uchar& L, uchar& T);
