#include "core/util/jiscode.h"

#include <QSysInfo>

#include <cerrno>
#include <iconv.h>

namespace {

constexpr const char* kUtf16 =
    QSysInfo::ByteOrder == QSysInfo::LittleEndian ? "UTF-16LE" : "UTF-16BE";

bool isHalfWidthKana(char16_t c) {
    return c >= 0xFF61 && c <= 0xFF9F;
}

char16_t jisFormOf(char16_t c) {
    switch (c) {
    case 0xFF5E:
        return 0x301C; // ～ wave dash
    case 0x2225:
        return 0x2016; // ∥ double vertical line
    case 0xFF0D:
        return 0x2212; // － minus sign
    case 0xFFE0:
        return 0x00A2; // ￠ cent
    case 0xFFE1:
        return 0x00A3; // ￡ pound
    case 0xFFE2:
        return 0x00AC; // ￢ not
    case 0x2014:
        return 0x2015; // — horizontal bar
    default:
        return c;
    }
}

// The code point at i (a surrogate pair counts as one) and its length in UTF-16 units.
char32_t codePointAt(QStringView text, qsizetype i, qsizetype* units) {
    const QChar c = text[i];
    if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
        *units = 2;
        return QChar::surrogateToUcs4(c, text[i + 1]);
    }
    *units = 1;
    return c.unicode();
}

} // namespace

namespace Jis {

QString toJisForms(QStringView text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        const char16_t c = text[i].unicode();
        if (!isHalfWidthKana(c)) {
            out.append(QChar(jisFormOf(c)));
            ++i;
            continue;
        }
        qsizetype end = i;
        while (end < text.size() && isHalfWidthKana(text[end].unicode())) ++end;
        // Compatibility normalisation widens the kana and joins each mark to its kana; a mark
        // left alone stays combining, which JIS X 0208 only has in spacing form.
        QString wide = text.mid(i, end - i).toString().normalized(QString::NormalizationForm_KC);
        wide.replace(QChar(0x3099), QChar(0x309B));
        wide.replace(QChar(0x309A), QChar(0x309C));
        out.append(wide);
        i = end;
    }
    return out;
}

Encoded encode(QStringView text) {
    Encoded result;
    const QString mapped = toJisForms(text);
    if (mapped.isEmpty()) return result;
    const iconv_t cd = iconv_open("ISO-2022-JP", kUtf16);
    if (cd == iconv_t(-1)) {
        result.bytes = QByteArray(mapped.size(), '?');
        result.unencodable = mapped;
        return result;
    }
    // Worst case per UTF-16 unit: an escape sequence (3) and two bytes; plus the final escape.
    QByteArray out(mapped.size() * 5 + 8, Qt::Uninitialized);
    const char* const begin = reinterpret_cast<const char*>(mapped.utf16());
    const char* in = begin;
    size_t inLeft = size_t(mapped.size()) * sizeof(char16_t);
    char* dst = out.data();
    size_t outLeft = size_t(out.size());
    while (inLeft > 0) {
        if (iconv(cd, const_cast<char**>(&in), &inLeft, &dst, &outLeft) != size_t(-1)) break;
        if (errno == E2BIG) break; // cannot happen with the size above; never loop on it
        // No form (EILSEQ) or a lone surrogate at the end (EINVAL): back to ASCII, then "?".
        iconv(cd, nullptr, nullptr, &dst, &outLeft);
        const qsizetype unit = (in - begin) / qsizetype(sizeof(char16_t));
        qsizetype units = 1;
        const char32_t cp = codePointAt(mapped, unit, &units);
        const QString ch = QString::fromUcs4(&cp, 1);
        if (!result.unencodable.contains(ch)) result.unencodable += ch;
        in += units * qsizetype(sizeof(char16_t));
        inLeft -= size_t(units) * sizeof(char16_t);
        *dst++ = '?';
        --outLeft;
    }
    iconv(cd, nullptr, nullptr, &dst, &outLeft); // the closing escape to ASCII
    iconv_close(cd);
    out.truncate(dst - out.data());
    result.bytes = out;
    return result;
}

QString unencodable(QStringView text) {
    return encode(text).unencodable;
}

} // namespace Jis

QByteArray JisEncode(const QString& text) {
    return Jis::encode(text).bytes;
}

void SjisToJis(uchar& L, uchar& T) {
    int row;
    if (L >= 0x81 && L <= 0x9F) {
        row = L - 0x81;
    } else if (L >= 0xE0 && L <= 0xEF) {
        row = L - 0xC1;
    } else {
        L = T = 0;
        return;
    }
    int cell;
    if (T >= 0x40 && T <= 0x7E) {
        cell = T - 0x3F;
    } else if (T >= 0x80 && T <= 0xFC) {
        cell = T - 0x40;
    } else {
        L = T = 0;
        return;
    }
    row = row * 2 + 1;
    if (cell > 94) {
        cell -= 94;
        ++row;
    }
    L = uchar(row + 0x20);
    T = uchar(cell + 0x20);
}
