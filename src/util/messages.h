#pragma once
// Every text the program shows to the user in a message box, verbatim, in one place.
// Each area keeps its own block; titles are the program's name unless a window says otherwise.
#include <QString>

namespace Msg {

inline QString appTitle() { return QStringLiteral("Quilmo Editor"); }

// --- settings and address book ----------------------------------------------------------

// --- image files ------------------------------------------------------------------------

// --- output panel -----------------------------------------------------------------------

} // namespace Msg
