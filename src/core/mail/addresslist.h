#pragma once
// The address book entries as the options window and the address picker edit them: an entry is
// an address alone or a name followed directly by "<", the address and ">". Plain functions on
// a list and its selected position (-1 for none); each returns the position to select next.
#include <QString>
#include <QStringList>
#include <optional>

namespace AddressList {

// The text without CR, LF and NUL: what a one-line field may hold.
QString oneLine(QStringView text);

struct Parts {
    QString name;    // "" when the entry is an address alone
    QString address; // the whole entry when it is not in the name "<" address ">" form
};
// Takes an entry apart for the two fields of the options window.
Parts split(const QString& entry);

enum class Built { Ok, Incomplete, BadCharacter, NotMailbox };
// The entry for a name and an address: the address alone when the name is empty, else
// name "<" address ">". Incomplete when the address is empty or has no "@"; BadCharacter when
// either holds "<", ">" or "," (the entry would not read back as one address); NotMailbox when
// the entry is still no single mailbox that a mail could go to (Mime::parseAddress).
Built build(const QString& name, const QString& address, QString* entry);

// Inserts after the selection (at the top when nothing is selected).
int insertAfter(QStringList& list, int selected, const QString& entry);
// Removes the selected entry; the same position stays selected, or the new last one.
int remove(QStringList& list, int selected);
int moveUp(QStringList& list, int selected);
int moveDown(QStringList& list, int selected);

} // namespace AddressList
