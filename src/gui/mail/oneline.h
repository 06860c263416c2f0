#pragma once
// One-line fields of the mail windows: a line break or NUL that arrives by pasting or by code
// would end up inside a mail header, a settings value or an address book line, so it is taken
// out as soon as it arrives.
class QLineEdit;

void keepOneLine(QLineEdit* edit);
