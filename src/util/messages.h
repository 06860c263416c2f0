#pragma once
// Every text the program shows to the user in a message box, verbatim, in one place.
// Each area keeps its own block; titles are the program's name unless a window says otherwise.
#include <QString>

namespace Msg {

inline QString appTitle() { return QStringLiteral("Quilmo Editor"); }

// --- settings and address book ----------------------------------------------------------

// --- image files ------------------------------------------------------------------------

// --- output panel -----------------------------------------------------------------------

// The colour-fit search found no colour count whose files meet both size limits.
inline QString colourReductionFailed() {
    return QStringLiteral("減色に失敗しました。ファイルサイズを大きく設定して下さい。");
}

} // namespace Msg
