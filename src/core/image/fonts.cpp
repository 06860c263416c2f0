#include "core/image/fonts.h"

#include <QFont>

namespace Fonts {

namespace {
struct Mapping {
    const char* windowsName; // UTF-8
    const char* family;
};
// Proportional names map to the proportional IPA faces, fixed-pitch ones to the fixed faces.
const Mapping mappings[] = {
    {"ＭＳ Ｐゴシック", "IPAPGothic"}, {"ＭＳ ゴシック", "IPAGothic"},
    {"ＭＳ Ｐ明朝", "IPAPMincho"},     {"ＭＳ 明朝", "IPAMincho"},
    {"MS PGothic", "IPAPGothic"},      {"MS Gothic", "IPAGothic"},
    {"MS PMincho", "IPAPMincho"},      {"MS Mincho", "IPAMincho"},
    {"FixedSys", "IPAGothic"},         {"Terminal", "IPAGothic"},
};
} // namespace

QString substituteFor(const QString& windowsName) {
    for (const Mapping& m : mappings)
        if (windowsName.compare(QString::fromUtf8(m.windowsName), Qt::CaseInsensitive) == 0)
            return QString::fromLatin1(m.family);
    return {};
}

void installSubstitutions() {
    for (const Mapping& m : mappings)
        QFont::insertSubstitution(QString::fromUtf8(m.windowsName), QString::fromLatin1(m.family));
}

} // namespace Fonts
