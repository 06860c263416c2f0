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
    return QStringLiteral("%1 はフォルダです。ファイルではありません。").arg(path);
}
inline QString fileUnreadable(const QString& path, const QString& reason) {
    return QStringLiteral("%1 を読み込めません: %2").arg(path, reason);
}
inline QString fileTooLarge(const QString& path) {
    return QStringLiteral("%1 は設定ファイルまたはアドレス帳として大きすぎます。").arg(path);
}
inline QString fileUnwritable(const QString& path, const QString& reason) {
    return QStringLiteral("%1 に書き込めません: %2").arg(path, reason);
}
// line counts from 1.
inline QString fileNotCp932(const QString& path, qsizetype line) {
    const QString where = path.isEmpty() ? QStringLiteral("%1 行目").arg(line)
                                         : QStringLiteral("%1 の %2 行目").arg(path).arg(line);
    return QStringLiteral("%1: Shift_JIS (CP932) のテキストではありません。").arg(where);
}
inline QString fileKeptAfterBadRead(const QString& path) {
    return QStringLiteral("%1 を正しく読み込めなかったため、上書きしません。").arg(path);
}
inline QString textNotCp932(const QString& text) {
    return QStringLiteral("「%1」には Shift_JIS (CP932) で保存できない文字が含まれています。")
        .arg(text);
}
inline QString settingsNameInvalid(const QString& section, const QString& key) {
    return QStringLiteral("[%1] %2 は設定のセクション名・キー名として使えません。")
        .arg(section, key);
}
inline QString addressBookTooLong(int maxEntries) {
    return QStringLiteral("アドレス帳の件数が %1 件を超えています。").arg(maxEntries);
}
inline QString settingsNotSaved(const QString& reason) {
    return QStringLiteral(
               "設定を保存できませんでした。以前の設定ファイルはそのまま残っています。\n\n") +
           reason;
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
inline QString defaultSizeInvalid() {
    return QStringLiteral("幅と高さには 1 から 32767 までの整数を入力して下さい。");
}
inline QString outputTooLarge() {
    return QStringLiteral("出力画像のサイズが大きすぎます。横幅と高さを小さく設定して下さい。");
}

// The colour-fit search found no colour count whose files meet both size limits.
inline QString colourReductionFailed() {
    return QStringLiteral("減色に失敗しました。ファイルサイズを大きく設定して下さい。");
}

// --- image operations -------------------------------------------------------------------
// The input box of "減色数指定..." and its range error.
inline QString colourCountPrompt() {
    return QStringLiteral("減色させる色数を指定して下さい。(2～256),");
}
inline QString colourCountTitle() {
    return QStringLiteral("減色数入力");
}
inline QString colourCountDefault() {
    return QStringLiteral("256");
}
inline QString colourCountInvalid() {
    return QStringLiteral("減色数の値が異常です。");
}
inline QString colourCountInvalidTitle() {
    return QStringLiteral("ｴﾗｰ");
}
// The processing dialog could not run a filter (the library's reason follows).
inline QString filterFailed(const QString& reason) {
    return QStringLiteral("画像処理に失敗しました。\n\n") + reason;
}

} // namespace Msg
