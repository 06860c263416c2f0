#include "core/util/textcodec.h"

#include <QSysInfo>

#include <cerrno>
#include <iconv.h>

namespace {

constexpr const char* kUtf16 =
    QSysInfo::ByteOrder == QSysInfo::LittleEndian ? "UTF-16LE" : "UTF-16BE";

// One iconv conversion descriptor, closed when it goes out of scope.
class Converter {
public:
    Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Converter() {
        if (ok()) iconv_close(m_cd);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool ok() const { return m_cd != iconv_t(-1); }
    // Converts as much as possible; returns iconv's result and leaves errno set on failure.
    size_t convert(const char** in, size_t* inLeft, char** out, size_t* outLeft) {
        return iconv(m_cd, const_cast<char**>(in), inLeft, out, outLeft);
    }

private:
    iconv_t m_cd;
};

} // namespace

namespace TextCodec {

std::optional<QString> fromCp932(QByteArrayView bytes, qsizetype* badOffset) {
    if (badOffset) *badOffset = -1;
    Converter cv(kUtf16, "CP932");
    if (!cv.ok()) {
        if (badOffset) *badOffset = 0;
        return std::nullopt;
    }
    // Every CP932 byte sequence gives at most one UTF-16 unit per byte.
    QString out(bytes.size(), Qt::Uninitialized);
    const char* in = bytes.data();
    size_t inLeft = size_t(bytes.size());
    char* dst = reinterpret_cast<char*>(out.data());
    size_t outLeft = size_t(out.size()) * sizeof(char16_t);
    if (cv.convert(&in, &inLeft, &dst, &outLeft) == size_t(-1)) {
        if (badOffset) *badOffset = in - bytes.data();
        return std::nullopt;
    }
    out.truncate(out.size() - qsizetype(outLeft / sizeof(char16_t)));
    return out;
}

QByteArray toCp932(QStringView text, bool* lossless) {
    if (lossless) *lossless = true;
    Converter cv("CP932", kUtf16);
    QByteArray out(text.size() * 2, Qt::Uninitialized); // at most two bytes per unit
    if (!cv.ok()) {
        if (lossless) *lossless = text.isEmpty();
        return QByteArray(text.size(), '?');
    }
    const char* const begin = reinterpret_cast<const char*>(text.utf16());
    const char* in = begin;
    size_t inLeft = size_t(text.size()) * sizeof(char16_t);
    char* dst = out.data();
    size_t outLeft = size_t(out.size());
    while (inLeft > 0) {
        if (cv.convert(&in, &inLeft, &dst, &outLeft) != size_t(-1)) break;
        // Not encodable (EILSEQ) or a lone surrogate at the end (EINVAL): one "?" for the
        // character, a surrogate pair included.
        const qsizetype unit = (in - begin) / qsizetype(sizeof(char16_t));
        const bool pair = unit + 1 < text.size() && text[unit].isHighSurrogate() &&
                          text[unit + 1].isLowSurrogate();
        const size_t skip = (pair ? 2 : 1) * sizeof(char16_t);
        in += skip;
        inLeft -= skip;
        *dst++ = '?';
        --outLeft;
        if (lossless) *lossless = false;
    }
    out.truncate(dst - out.data());
    return out;
}

QString printable(const QString& text) {
    QString out;
    for (const QChar c : text) {
        const QChar::Category cat = c.category();
        if (cat == QChar::Other_Control || cat == QChar::Separator_Line ||
            cat == QChar::Separator_Paragraph)
            out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

} // namespace TextCodec
