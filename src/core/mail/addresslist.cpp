#include "core/mail/addresslist.h"

#include "core/mail/mime.h"

namespace AddressList {

QString oneLine(QStringView text) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text)
        if (c != u'\r' && c != u'\n' && c != QChar(0)) out.append(c);
    return out;
}

Parts split(const QString& entry) {
    const qsizetype p = entry.indexOf(u'<');
    const qsizetype q = entry.indexOf(u'>');
    // A ">" before the "<" is no name form: taking the text between them would mean a
    // negative length.
    if (p < 0 || q < 0 || q < p) return {QString(), entry};
    return {entry.left(p), entry.mid(p + 1, q - p - 1)};
}

Built build(const QString& name, const QString& address, QString* entry) {
    if (address.isEmpty() || !address.contains(u'@')) return Built::Incomplete;
    auto bad = [](const QString& s) {
        return s.contains(u'<') || s.contains(u'>') || s.contains(u',');
    };
    if (bad(name) || bad(address)) return Built::BadCharacter;
    const QString built =
        name.isEmpty() ? address : name + QLatin1Char('<') + address + QLatin1Char('>');
    if (!Mime::parseAddress(built)) return Built::NotMailbox;
    if (entry) *entry = built;
    return Built::Ok;
}

int insertAfter(QStringList& list, int selected, const QString& entry) {
    const int at = qBound(0, selected + 1, int(list.size()));
    list.insert(at, entry);
    return at;
}

int remove(QStringList& list, int selected) {
    if (selected < 0 || selected >= list.size()) return selected < list.size() ? selected : -1;
    list.removeAt(selected);
    if (list.isEmpty()) return -1;
    return selected < list.size() ? selected : int(list.size()) - 1;
}

int moveUp(QStringList& list, int selected) {
    if (selected < 1 || selected >= list.size()) return selected;
    list.swapItemsAt(selected - 1, selected);
    return selected - 1;
}

int moveDown(QStringList& list, int selected) {
    if (selected < 0 || selected + 1 >= list.size()) return selected;
    list.swapItemsAt(selected, selected + 1);
    return selected + 1;
}

} // namespace AddressList
