#pragma once
// Every text the program shows to the user in a message box, verbatim, in one place.
// Each area keeps its own block; titles are the program's name unless a window says otherwise.
#include <QString>

namespace Msg {

inline QString appTitle() {
    return QStringLiteral("Quilmo Editor");
}

// --- settings and address book ----------------------------------------------------------
// Reasons returned by errorString() of the settings and address files; a window that reports a
// failure shows them after its own text.

inline QString fileIsFolder(const QString& path) {
    return QStringLiteral("%1 is a folder, not a file.").arg(path);
}
inline QString fileUnreadable(const QString& path, const QString& reason) {
    return QStringLiteral("%1 cannot be read: %2").arg(path, reason);
}
inline QString fileTooLarge(const QString& path) {
    return QStringLiteral("%1 is too large for a settings or address file.").arg(path);
}
inline QString fileUnwritable(const QString& path, const QString& reason) {
    return QStringLiteral("%1 cannot be written: %2").arg(path, reason);
}
// line counts from 1.
inline QString fileNotCp932(const QString& path, qsizetype line) {
    const QString where = path.isEmpty() ? QStringLiteral("Line %1").arg(line)
                                         : QStringLiteral("%1, line %2").arg(path).arg(line);
    return QStringLiteral("%1: the text is not Shift_JIS (CP932).").arg(where);
}
inline QString fileKeptAfterBadRead(const QString& path) {
    return QStringLiteral("%1 was not read correctly, so it is not overwritten.").arg(path);
}
inline QString textNotCp932(const QString& text) {
    return QStringLiteral("\"%1\" has characters that Shift_JIS (CP932) cannot store.").arg(text);
}
inline QString settingsNameInvalid(const QString& section, const QString& key) {
    return QStringLiteral("[%1] %2 is not a valid section and key name.").arg(section, key);
}
inline QString addressBookTooLong(int maxEntries) {
    return QStringLiteral("The address book holds more than %1 entries.").arg(maxEntries);
}

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

// The colour-fit search found no colour count whose files meet both size limits.
inline QString colourReductionFailed() {
    return QStringLiteral("減色に失敗しました。ファイルサイズを大きく設定して下さい。");
}

} // namespace Msg
