#include "cli/infocommand.h"

#include "cli/commands.h"
#include "core/image/imagecodec.h"

#include <QFileInfo>
#include <QTextStream>

namespace Cli {

int runInfo(const QStringList& args, QTextStream& out, QTextStream& err) {
    Command cmd("info",
                "Shows the image information window's lines for a picture. The words given form\n"
                "one file name, joined by single spaces, as on the editor's own command line; a\n"
                "name that starts with \"-\" goes after \"--\".",
                "  0  shown\n  1  usage error\n  2  not a picture that can be read\n", 1, -1);
    cmd.parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("the picture"),
                                     QStringLiteral("FILE..."));
    // Once the name has begun, every word belongs to it.
    cmd.parser.setOptionsAfterPositionalArgumentsMode(
        QCommandLineParser::ParseAsPositionalArguments);
    if (const auto code = cmd.parse(args, out, err)) return *code;
    const QString path = cmd.parser.positionalArguments().join(QLatin1Char(' '));

    ImageCodec::initialize();
    ImageCodec::FileInfo fi;
    ImageCodec::Error error = ImageCodec::Error::None;
    const QString name = printable(QFileInfo(path).fileName());
    if (!ImageCodec::fileInfo(path, &fi, &error)) {
        err << ImageCodec::errorText(error, name) << "\n";
        return 2;
    }
    for (const auto& [caption, value] : ImageCodec::infoLines(name, fi))
        out << caption << value << '\n'; // the caption ends in its own separator
    return 0;
}

} // namespace Cli
