#pragma once
// Every text the program shows to the user in a message box, verbatim, in one place.
// Each area keeps its own block; titles are the program's name unless a window says otherwise.
#include <QString>

namespace Msg {

inline QString appTitle() { return QStringLiteral("Quilmo Editor"); }

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

// --- output panel -----------------------------------------------------------------------

// The colour-fit search found no colour count whose files meet both size limits.
inline QString colourReductionFailed() {
    return QStringLiteral("減色に失敗しました。ファイルサイズを大きく設定して下さい。");
}

// --- mail -------------------------------------------------------------------------------
// Reasons a mail could not be sent or a mail file not be read or written. The composer shows
// them after its own sentence; the command-line tool prints them.

inline QString mailNoRecipient() {
    return QStringLiteral("宛先が指定されていません");
}
inline QString mailNoRecipientTitle() {
    return QStringLiteral("宛先未設定");
}
inline QString mailBadRecipient(const QString& entry) {
    return QStringLiteral("宛先のメールアドレスが正しくありません: %1").arg(entry);
}
inline QString mailNoSender() {
    return QStringLiteral("差出人のメールアドレスが設定されていません");
}
inline QString mailBadSender(const QString& entry) {
    return QStringLiteral("差出人のメールアドレスが正しくありません: %1").arg(entry);
}
inline QString mailNoServer() {
    return QStringLiteral("SMTPサーバーが設定されていません");
}
inline QString mailBadServer(const QString& server) {
    return QStringLiteral("SMTPサーバーの指定が正しくありません: %1").arg(server);
}
inline QString mailFieldSubject() {
    return QStringLiteral("件名");
}
inline QString mailFieldRecipients() {
    return QStringLiteral("宛先");
}
inline QString mailFieldSender() {
    return QStringLiteral("差出人");
}
inline QString mailFieldBody() {
    return QStringLiteral("本文");
}
inline QString mailFieldAttachment() {
    return QStringLiteral("添付ファイル名");
}
inline QString mailFieldServer() {
    return QStringLiteral("SMTPサーバー");
}
inline QString mailControlCharacter(const QString& field) {
    return QStringLiteral("%1に改行や制御文字が含まれているため送信できません").arg(field);
}
inline QString mailUnencodable(const QString& chars) {
    return QStringLiteral("次の文字はメールで送れません: %1").arg(chars);
}
inline QString mailBadContentType(const QString& type) {
    return QStringLiteral("添付ファイルの種類の指定が正しくありません: %1").arg(type);
}
inline QString mailAttachmentMissing(const QString& path) {
    return QStringLiteral("添付ファイルが見つかりません: %1").arg(path);
}
inline QString mailAttachmentUnreadable(const QString& path, const QString& reason) {
    return QStringLiteral("添付ファイルを読み込めません: %1 (%2)").arg(path, reason);
}
inline QString mailTooLarge() {
    return QStringLiteral("添付ファイルが大きすぎて送信できません");
}
inline QString mailConnectFailed(const QString& server, const QString& reason) {
    return QStringLiteral("SMTPサーバー %1 に接続できません (%2)").arg(server, reason);
}
inline QString mailTimedOut(const QString& server) {
    return QStringLiteral("SMTPサーバー %1 から応答がありません").arg(server);
}
inline QString mailTlsFailed(const QString& server, const QString& reason) {
    return QStringLiteral("SMTPサーバー %1 と暗号化通信ができません (%2)").arg(server, reason);
}
inline QString mailLoginFailed(const QString& server) {
    return QStringLiteral("SMTPサーバー %1 にログインできません").arg(server);
}
inline QString mailCancelled() {
    return QStringLiteral("メールの送信を中止しました");
}
inline QString mailSendFailed(const QString& server, const QString& reason) {
    return QStringLiteral("SMTPサーバー %1 との通信に失敗しました (%2)").arg(server, reason);
}
inline QString mailFileUnreadable(const QString& path, const QString& reason) {
    return QStringLiteral("%1 を読み込めません: %2").arg(path, reason);
}
inline QString mailFileMissing(const QString& path) {
    return QStringLiteral("%1 が見つかりません").arg(path);
}
inline QString mailFileNotText(const QString& path, qsizetype line) {
    return QStringLiteral("%1 の %2 行目は Shift_JIS としても UTF-8 としても読めません")
        .arg(path)
        .arg(line);
}
inline QString mailFileUnwritable(const QString& path, const QString& reason) {
    return QStringLiteral("%1 に保存できません: %2").arg(path, reason);
}
inline QString mailFileUnencodable(const QString& chars) {
    return QStringLiteral("次の文字は Shift_JIS で保存できません: %1").arg(chars);
}

} // namespace Msg
