#include "gui/mail/oneline.h"

#include "core/mail/addresslist.h"

#include <QLineEdit>

void keepOneLine(QLineEdit* edit) {
    QObject::connect(edit, &QLineEdit::textChanged, edit, [edit](const QString& text) {
        const QString clean = AddressList::oneLine(text);
        if (clean.size() == text.size()) return;
        const int cursor = edit->cursorPosition();
        edit->setText(clean);
        edit->setCursorPosition(qMin(cursor, int(clean.size())));
    });
}
