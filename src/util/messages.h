#pragma once
// Every text the program shows to the user in a message box, verbatim, in one place.
// Each area keeps its own block; titles are the program's name unless a window says otherwise.
#include <QString>

namespace Msg {

inline QString appTitle() {
    return QStringLiteral("Quilmo Editor");
}

// --- settings and address book ----------------------------------------------------------

// --- image files ------------------------------------------------------------------------
// Reasons a picture could not be read or written; %1 is the file name.
inline QString imageUnreadable() {
    return QStringLiteral("ﾌｧｲﾙ %1 を読み込めません。");
}
inline QString imageUnknownFormat() {
    return QStringLiteral("ﾌｧｲﾙ %1 は対応していない画像形式です。");
}
inline QString imageCorrupt() {
    return QStringLiteral("ﾌｧｲﾙ %1 は壊れているため開けません。");
}
inline QString imageTooLarge() {
    return QStringLiteral("ﾌｧｲﾙ %1 は画像が大きすぎるため開けません。");
}
inline QString imageUnsupported() {
    return QStringLiteral("ﾌｧｲﾙ %1 はこの形式では扱えません。");
}
inline QString imageWriteFailed() {
    return QStringLiteral("ﾌｧｲﾙ %1 に書き込めません。");
}

// --- output panel -----------------------------------------------------------------------

} // namespace Msg
