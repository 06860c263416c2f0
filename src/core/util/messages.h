#pragma once
// Every text the program shows to the user in a message box, verbatim, in one place.
// Each area keeps its own block; titles are the program's name unless a window says otherwise.
#include <QString>
#include <QStringList>

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
// What a text file is to the program, named in the reasons below.
inline QString settingsFileKind() {
    return QStringLiteral("設定ファイル");
}
inline QString addressBookKind() {
    return QStringLiteral("アドレス帳");
}
inline QString mailFileKind() {
    return QStringLiteral("メールファイル");
}
inline QString bodyFileKind() {
    return QStringLiteral("本文ファイル");
}
inline QString holidayFileKind() {
    return QStringLiteral("祝日ファイル");
}
inline QString attachmentKind() {
    return QStringLiteral("添付ファイル");
}
inline QString fileTooLarge(const QString& path, const QString& kind) {
    return QStringLiteral("%1 は%2として大きすぎます。").arg(path, kind);
}
// A device, a FIFO or a socket: never read, it could block or never end.
inline QString fileNotRegular(const QString& path, const QString& kind) {
    return QStringLiteral("%1 は通常のファイルではないため、%2として読み込めません。")
        .arg(path, kind);
}
// The name's bytes were not valid in the system's encoding, so it cannot be named again as is.
inline QString fileNameUndecodable(const QString& path) {
    return QStringLiteral("ファイル名 %1 には読み取れない文字が含まれているため扱えません。")
        .arg(path);
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
inline QString settingsPartlyNotSaved(const QString& reason) {
    return QStringLiteral("次の設定は保存できなかったため、以前の値のままです。その他の設定は保存"
                          "しました。\n\n") +
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
inline QString saveFailed(const QString& file, const QString& reason) {
    return QStringLiteral(
               "ﾌｧｲﾙ %1 を保存できませんでした。以前のﾌｧｲﾙはそのまま残っています。\n\n%2")
        .arg(file, reason);
}
// The same when there was no file of that name before.
inline QString saveFailedNew(const QString& file, const QString& reason) {
    return QStringLiteral("ﾌｧｲﾙ %1 を保存できませんでした。\n\n%2").arg(file, reason);
}
inline QString overwriteQuestion(const QString& file) {
    return QStringLiteral("%1 は既に存在します。\n上書きしますか？").arg(file);
}
inline QString jpegTooLargeTitle() {
    return QStringLiteral("ﾌｧｲﾙｻｲｽﾞｵｰﾊﾞｰ");
}
inline QString jpegTooLarge() {
    return QStringLiteral("現在の圧縮品質ではﾌｧｲﾙｻｲｽﾞが大きすぎています。"
                          "自動的に品質を落として有効なﾌｧｲﾙｻｲｽﾞにしますか？");
}
inline QString jpegCannotFit() {
    return QStringLiteral("この画像は圧縮品質を低下させてもﾌｧｲﾙｻｲｽﾞがｵｰﾊﾞｰしてしまいます");
}
inline QString imageWriteFailed() {
    return QStringLiteral("ﾌｧｲﾙ %1 に書き込めません。");
}
inline QString imageNotAFile() {
    return QStringLiteral("ﾌｧｲﾙ %1 は画像ファイルではありません。");
}
inline QString imageBadName() {
    return QStringLiteral("ﾌｧｲﾙ名 %1 には読み取れない文字が含まれているため開けません。");
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
inline QString mailNotSmtp(const QString& server) {
    return QStringLiteral("%1 はSMTPサーバーではありません (SMTPではない応答が返りました)")
        .arg(server);
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

// The composer's own sentences and questions.
inline QString mailSendError(const QString& reason) {
    return QStringLiteral("ﾒｰﾙの送信ｴﾗｰが発生しました。\r\n") + reason;
}
inline QString mailSendErrorTitle() {
    return QStringLiteral("ﾒｰﾙ送信ｴﾗｰ");
}
inline QString mailSent() {
    return QStringLiteral("ﾒｰﾙを送信しました。\r\n送信ﾒｰﾙｳｲﾝﾄﾞｳを閉じますか？");
}
inline QString mailSentTitle() {
    return QStringLiteral("送信完了");
}
inline QString mailCloseQuestion() {
    return QStringLiteral("ｳｲﾝﾄﾞｳを閉じてもよろしいですか？");
}
inline QString mailCloseTitle() {
    return QStringLiteral("確認");
}
inline QString mailSending() {
    return QStringLiteral("ﾒｰﾙ送信中 ...");
}
// A path with "," would fall apart into two entries of the attachment list.
inline QString mailAttachmentComma(const QString& path) {
    return QStringLiteral("ファイル名に「,」を含むファイルは添付できません: %1").arg(path);
}
inline QString mailFileLossyQuestion(const QString& chars) {
    return mailFileUnencodable(chars) +
           QStringLiteral("\nこれらの文字を「?」に置き換えて保存しますか？");
}
// The options window's address book editor.
inline QString addressBookFull(int maxEntries) {
    return QStringLiteral("アドレス帳には %1 件までしか登録できません。").arg(maxEntries);
}
inline QString addressBadCharacter() {
    return QStringLiteral("名前とアドレスには「<」「>」「,」を使えません。");
}
inline QString addressNotMailbox(const QString& address) {
    return QStringLiteral("メールアドレスが正しくありません: %1\n"
                          "「@」を一つだけ含む、空白や制御文字のないアドレスを入力して下さい。")
        .arg(address);
}
inline QString passwordNotStored(const QString& path) {
    return QStringLiteral("%1 を本人だけが読める設定にできないため、パスワードは保存しません。")
        .arg(path);
}
inline QString savePasswordLabel() {
    return QStringLiteral("パスワードを保存する");
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

// --- long work: the progress dialog ----------------------------------------------------------
inline QString progressCancel() {
    return QStringLiteral("キャンセル");
}
inline QString progressFilter() {
    return QStringLiteral("画像を処理しています...");
}
inline QString progressColourFit() {
    return QStringLiteral("減色しています...");
}

// --- motion -----------------------------------------------------------------------------
// A frame file whose name the frame list, the mail composer or the mail library could not carry.
inline QString motionBadName(const QString& path) {
    return QStringLiteral("ﾌｧｲﾙ名に「,」「|」やﾀﾌﾞなどの制御文字を含むﾌｧｲﾙは使えません。\n\n%1")
        .arg(path);
}
// The title card maker is about to replace files it derived from the chosen name.
inline QString titleOverwrite(const QStringList& names) {
    return QStringLiteral("次のﾌｧｲﾙは既に存在します。\n\n%1\n\n上書きしますか？")
        .arg(names.join(QLatin1Char('\n')));
}

// --- makers -----------------------------------------------------------------------------
inline QString makerTemplateMissing(const QString& path) {
    return QStringLiteral("テンプレート画像 %1 が見つからないか、読み込めません。\n"
                          "テンプレートなしで作成します。")
        .arg(path);
}
inline QString makerTemplateWrongSize(const QString& path, int width, int height) {
    return QStringLiteral("テンプレート画像 %1 の大きさが %2 × %3 ではありません。\n"
                          "テンプレートなしで作成します。")
        .arg(path)
        .arg(width)
        .arg(height);
}
// The files a maker derives from the chosen name that exist already, one a line.
inline QString makerOverwriteQuestion(const QStringList& files) {
    return QStringLiteral("次のﾌｧｲﾙは既に存在します。\n\n%1\n\n上書きしますか？")
        .arg(files.join(QLatin1Char('\n')));
}

} // namespace Msg
