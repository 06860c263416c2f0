// The texts about a picture: format names, the information window's lines, why a read failed.
#include "core/image/imagecodec.h"
#include "core/util/messages.h"

#include <QHash>

namespace ImageCodec {

QString formatDescription(int code) {
    static const QHash<int, QString> table = {
        {1, QStringLiteral("ZSoft PCX")},
        {2, QStringLiteral("CompuServe GIF")},
        {3, QStringLiteral("TIFF(TIFF、LZW圧縮、CCITT圧縮)")},
        {4, QStringLiteral("TARGA")},
        {5, QStringLiteral("LEAD専用の圧縮形式")},
        {6, QStringLiteral("Windows ビットマップ")},
        {10, QStringLiteral("JPEG ファイル互換形式")},
        {11, QStringLiteral("JPEG圧縮TIFF")},
        {14, QStringLiteral("OS/2 BMP version 1.x")},
        {15, QStringLiteral("Windows メタファイル")},
        {16, QStringLiteral("EPS")},
        {30, QStringLiteral("認識できないLEAD形式")},
        {50, QStringLiteral("CALS Raster")},
        {51, QStringLiteral("MacPaint")},
        {52, QStringLiteral("GEM イメージ")},
        {53, QStringLiteral("Microsoft Paint")},
        {54, QStringLiteral("Word Perfect")},
        {55, QStringLiteral("Sun Raster")},
        {56, QStringLiteral("Macintosh Pict")},
        {57, QStringLiteral("Kodak PhotoCD")},
        {63, QStringLiteral("EPS TIFF")},
        {66, QStringLiteral("Raw FAX(CCITT G3 圧縮、１次元)")},
        {67, QStringLiteral("Raw FAX(CCITT G3 圧縮、２次元)")},
        {68, QStringLiteral("Raw FAX(CCITT G4 圧縮")},
        {69, QStringLiteral("WinFax(CCITT G3 圧縮、1次元)")},
        {70, QStringLiteral("WinFax(CCITT G4 圧縮)")},
        {71, QStringLiteral("IOCA(CCITT G3 圧縮、1次元)")},
        {72, QStringLiteral("IOCA(CCITT G3 圧縮、2次元)")},
        {73, QStringLiteral("IOCA(CCITT G4 圧縮)")},
        {74, QStringLiteral("OS/2 BMP version 2.x")},
        {75, QStringLiteral("Portable Network Graphics")},
        {76, QStringLiteral("Adobe Photoshop 3.0")},
        {77, QStringLiteral("WebP")},
    };
    return table.value(code, QStringLiteral("認識できないフォーマット"));
}

QList<QPair<QString, QString>> infoLines(const QString& fileName, const FileInfo& info) {
    return {
        {QStringLiteral("ﾌｧｲﾙ名 ："), fileName},
        {QStringLiteral("ﾌｫｰﾏｯﾄ ："), formatDescription(info.format)},
        {QStringLiteral("ｶﾗｰ階調 ："),
         QString::number(info.bits) + QStringLiteral(" BitsPerPixel")},
        {QStringLiteral("幅 ："), QString::number(info.width) + QStringLiteral(" Pixels")},
        {QStringLiteral("高さ ："), QString::number(info.height) + QStringLiteral(" Pixels")},
        {QStringLiteral("ﾒﾓﾘ使用量 ："), QString::number(info.sizeMem) + QStringLiteral(" Bytes")},
        {QStringLiteral("ｻｲｽﾞ ："), QString::number(info.sizeDisk) + QStringLiteral(" Bytes")},
        {QStringLiteral("水平解像度 ："), QString::number(info.xRes) + QStringLiteral(" dpi")},
        {QStringLiteral("垂直解像度 ："), QString::number(info.yRes) + QStringLiteral(" dpi")},
    };
}

QString errorText(Error error, const QString& fileName) {
    QString text;
    switch (error) {
    case Error::None:
        return {};
    case Error::Unreadable:
        text = Msg::imageUnreadable();
        break;
    case Error::UnknownFormat:
        text = Msg::imageUnknownFormat();
        break;
    case Error::Corrupt:
        text = Msg::imageCorrupt();
        break;
    case Error::TooLarge:
        text = Msg::imageTooLarge();
        break;
    case Error::Unsupported:
        text = Msg::imageUnsupported();
        break;
    case Error::WriteFailed:
        text = Msg::imageWriteFailed();
        break;
    case Error::NotAFile:
        text = Msg::imageNotAFile();
        break;
    case Error::BadName:
        text = Msg::imageBadName();
        break;
    }
    return text.arg(fileName);
}

} // namespace ImageCodec
