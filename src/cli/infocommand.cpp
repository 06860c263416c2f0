#include "cli/infocommand.h"

#include "cli/commands.h"
#include "core/image/imagecodec.h"

#include <QFileInfo>
#include <QJsonObject>
#include <QTextStream>

namespace Cli {

namespace {
// The format as a script names it; the information window's descriptions are for people.
QString formatName(int code) {
    using namespace ImageCodec;
    switch (code) {
    case FormatPcx:
        return QStringLiteral("PCX");
    case FormatGif:
        return QStringLiteral("GIF");
    case FormatTiff:
    case FormatTiffJpeg:
        return QStringLiteral("TIFF");
    case FormatTga:
        return QStringLiteral("TGA");
    case FormatBmp:
    case FormatOs2Bmp1:
    case FormatOs2Bmp2:
        return QStringLiteral("BMP");
    case FormatJpeg:
        return QStringLiteral("JPEG");
    case FormatPng:
        return QStringLiteral("PNG");
    case FormatPsd:
        return QStringLiteral("PSD");
    case FormatIco:
        return QStringLiteral("ICO");
    case FormatWebp:
        return QStringLiteral("WebP");
    }
    return QStringLiteral("unknown");
}

} // namespace

int runInfo(const QStringList& args, QTextStream& out, QTextStream& err) {
    Command cmd("info",
                "Shows the image information window's lines for a picture. The words given form\n"
                "one file name, joined by single spaces, as on the editor's own command line; a\n"
                "name that starts with \"-\" goes after \"--\". With --json, one JSON object:\n"
                "file, format, width, height, depth, x_dpi, y_dpi, bytes, pages, compression;\n"
                "or file, error, exit.",
                "  0  shown\n  1  usage error\n  2  not a picture that can be read\n", 1, -1);
    const QCommandLineOption jsonOpt = cmd.option("json", "print one JSON object instead");
    cmd.parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("the picture"),
                                     QStringLiteral("FILE..."));
    // Once the name has begun, every word belongs to it.
    cmd.parser.setOptionsAfterPositionalArgumentsMode(
        QCommandLineParser::ParseAsPositionalArguments);
    if (const auto code = cmd.parse(args, out, err)) return *code;
    const QString path = cmd.parser.positionalArguments().join(QLatin1Char(' '));

    ImageCodec::FileInfo fi;
    ImageCodec::Error error = ImageCodec::Error::None;
    const QString name = printable(QFileInfo(path).fileName());
    const bool json = cmd.parser.isSet(jsonOpt);
    if (!ImageCodec::fileInfo(path, &fi, &error)) {
        const QString why = ImageCodec::errorText(error, name);
        if (json) out << jsonLine({{"file", path}, {"error", why}, {"exit", 2}}) << '\n';
        err << why << "\n";
        return 2;
    }
    if (json) {
        out << jsonLine({{"file", path},
                         {"format", formatName(fi.format)},
                         {"width", fi.width},
                         {"height", fi.height},
                         {"depth", fi.bits},
                         {"x_dpi", fi.xRes},
                         {"y_dpi", fi.yRes},
                         {"bytes", fi.sizeDisk},
                         {"pages", fi.pages},
                         {"compression", fi.compress}})
            << '\n';
        return 0;
    }
    for (const auto& [caption, value] : ImageCodec::infoLines(name, fi))
        out << caption << value << '\n'; // the caption ends in its own separator
    return 0;
}

} // namespace Cli
