#include "cli/fitcommand.h"

#include "cli/commands.h"
#include "core/image/colourfit.h"
#include "core/image/imagecodec.h"
#include "core/image/imagelimits.h"
#include "core/image/jpegfit.h"
#include "core/image/selection.h"
#include "core/image/webpfit.h"
#include "core/util/appsettings.h"
#include "core/util/fileio.h"
#include "core/util/messages.h"
#include "core/util/profile.h"

#include <QFileInfo>
#include <QTextStream>
#include <optional>

namespace Cli {

namespace {

// The largest rectangle of the output's proportions, centred on the picture.
QRect centredCut(QSize picture, QSize output) {
    const double scale = std::min(double(picture.width()) / output.width(),
                                  double(picture.height()) / output.height());
    const int w = std::clamp(int(std::lround(output.width() * scale)), 1, picture.width());
    const int h = std::clamp(int(std::lround(output.height() * scale)), 1, picture.height());
    return {(picture.width() - w) / 2, (picture.height() - h) / 2, w, h};
}

} // namespace

int runFit(const QStringList& args, QTextStream& out, QTextStream& err) {
    Command cmd(
        "fit",
        "Cuts a picture to a phone screen's size and reduces its colours until its PNG\n"
        "and BMP files fit the purpose's byte limits, as the editor's output panel does.\n"
        "OUTPUT ending in .jpg or .jpeg is written as JPEG within the PNG limit, any other\n"
        "name as PNG; .webp as WebP within the PNG limit, lossless of the colour-reduced\n"
        "picture or lossy, whichever is closer to the picture (see --webp).\n"
        "Prints one line: OUTPUT WxH N colours, PNG B bytes, BMP B bytes.",
        "  0  written\n  1  usage error\n  2  unreadable input\n"
        "  3  cannot be brought within the limits (nothing written)\n"
        "  4  output could not be written (an old file stays as it was)\n",
        2, 2);
    QCommandLineParser& p = cmd.parser;
    const QCommandLineOption purposeOpt = cmd.option(
        "purpose",
        "0 wallpaper (default), 1 power on, 2 power off, 3 incoming call, 4 alarm, 5 standby, "
        "6 user setting: the size comes from the default sizes in QUILMOAP.INI, the limits from "
        "the purpose",
        "N");
    const QCommandLineOption sizeOpt =
        cmd.option("size", "output size in pixels instead of the purpose's", "WxH");
    const QCommandLineOption pngOpt =
        cmd.option("png-limit", "PNG (and JPEG) byte limit; default 5500", "BYTES");
    const QCommandLineOption bmpOpt =
        cmd.option("bmp-limit", "BMP byte limit; default the purpose's", "BYTES");
    const QCommandLineOption selectOpt =
        cmd.option("select",
                   "the rectangle of INPUT to use; default the largest centred rectangle of the "
                   "output's proportions",
                   "L,T,W,H");
    const QCommandLineOption coloursOpt =
        cmd.option("colors", "reduce to exactly N colours (2..256) instead of searching", "N");
    const QCommandLineOption qfactorOpt = cmd.option(
        "qfactor",
        "first JPEG compression factor (2 best .. 255 smallest); default the editor's setting",
        "N");
    const QCommandLineOption webpOpt = cmd.option(
        "webp", "for a .webp OUTPUT: lossless, lossy or best (the closer of the two; default)",
        "KIND");
    p.addPositionalArgument(QStringLiteral("INPUT"), QStringLiteral("the picture to read"));
    p.addPositionalArgument(QStringLiteral("OUTPUT"), QStringLiteral("the file to write"));
    if (const auto code = cmd.parse(args, out, err)) return *code;

    const qint64 anyBytes = std::numeric_limits<qint32>::max();
    std::optional<qint64> purpose, colours, qfactor, pngLimit, bmpLimit;
    if (!(purpose = cmd.number(err, purposeOpt, 0, 0, PurposeCount - 1)) ||
        !(colours = cmd.number(err, coloursOpt, 0, 2, 256)) ||
        !(qfactor = cmd.number(err, qfactorOpt, 0, 2, 255)) ||
        !(pngLimit = cmd.number(err, pngOpt, PurposePngLimit, 0, anyBytes)) ||
        !(bmpLimit = cmd.number(err, bmpOpt, -1, 0, anyBytes)))
        return 1;
    // In the order of WebpKind.
    const qsizetype webpKind = QStringList{"lossless", "lossy", "best"}.indexOf(
        p.isSet(webpOpt) ? p.value(webpOpt) : QStringLiteral("best"));
    if (webpKind < 0)
        return cmd.fail(err, QStringLiteral("--webp must be lossless, lossy or best"));
    std::optional<QSize> size;
    if (p.isSet(sizeOpt)) {
        const QStringList wh = p.value(sizeOpt).toLower().split(u'x');
        const auto w = parseNumber(wh.value(0), 1, ImageLimits::maxSide);
        const auto h = parseNumber(wh.value(1), 1, ImageLimits::maxSide);
        if (wh.size() != 2 || !w || !h || !ImageLimits::fits(int(*w), int(*h)))
            return cmd.fail(err, QStringLiteral("--size must be WxH within the picture limits"));
        size = QSize(int(*w), int(*h));
    }
    std::optional<QRect> select;
    if (p.isSet(selectOpt)) {
        const QStringList parts = p.value(selectOpt).split(u',');
        QList<qint64> n;
        for (const QString& part : parts)
            if (const auto x = parseNumber(part.trimmed(), 0, ImageLimits::maxSide)) n.append(*x);
        if (parts.size() != 4 || n.size() != 4 || n[2] < 1 || n[3] < 1)
            return cmd.fail(err, QStringLiteral("--select must be L,T,W,H"));
        select = QRect(int(n[0]), int(n[1]), int(n[2]), int(n[3]));
    }
    const QString input = p.positionalArguments().at(0), output = p.positionalArguments().at(1);

    Profile ini;
    ini.load(AppPaths::settingsFile()); // missing or unreadable: the built-in defaults
    const AppSettings settings = readSettings(ini);
    const QSize outSize = size.value_or(QSize(settings.px[*purpose], settings.py[*purpose]));
    if (!ImageLimits::fits(outSize.width(), outSize.height()))
        return cmd.fail(err, QStringLiteral("the default size of purpose %1 is %2x%3; give --size")
                                 .arg(*purpose)
                                 .arg(outSize.width())
                                 .arg(outSize.height()));
    const FitLimits limits{*pngLimit, *bmpLimit >= 0 ? *bmpLimit : PurposeBmpLimit[*purpose]};

    ImageCodec::initialize();
    const ImageCodec::Decoded decoded = ImageCodec::decodeFile(input);
    if (decoded.error != ImageCodec::Error::None) {
        err << "quilmo fit: " << ImageCodec::errorText(decoded.error, printable(input)) << "\n";
        return 2;
    }
    const QRect cut = select.value_or(centredCut(decoded.image.size(), outSize));
    const QImage scaled =
        Selection::cutAndScale(decoded.image, cut, outSize.width(), outSize.height(), true);
    if (scaled.isNull())
        return cmd.fail(err, QStringLiteral("--select lies outside the %1x%2 picture")
                                 .arg(decoded.image.width())
                                 .arg(decoded.image.height()));

    const QString ext = QFileInfo(output).suffix().toUpper();
    QByteArray bytes;
    QString summary;
    if (ext == QLatin1String("JPG") || ext == QLatin1String("JPEG")) {
        const JpegFit fit = fitJpeg(scaled, limits.png, *qfactor ? int(*qfactor) : settings.qfact);
        if (!fit.fits) {
            err << "quilmo fit: " << Msg::jpegCannotFit() << "\n";
            return 3;
        }
        bytes = fit.bytes;
        summary = QStringLiteral("full colour, JPEG %1 bytes (factor %2)")
                      .arg(bytes.size())
                      .arg(fit.factor);
    } else if (ext == QLatin1String("WEBP")) {
        const WebpFit fit = fitWebp(scaled, limits.png, WebpKind(webpKind));
        if (!fit.fits) {
            err << "quilmo fit: " << Msg::colourReductionFailed() << "\n";
            return 3;
        }
        bytes = fit.bytes;
        summary = (fit.colours < 0 ? QStringLiteral("full colour")
                                   : QStringLiteral("%1 colours").arg(fit.colours)) +
                  (fit.lossless ? QStringLiteral(", lossless WebP %1 bytes").arg(bytes.size())
                                : QStringLiteral(", lossy WebP %1 bytes (quality %2)")
                                      .arg(bytes.size())
                                      .arg(qRound(fit.quality)));
    } else {
        const FitResult fit = PNGRedraw(scaled, limits, int(*colours), fileEncoder());
        if (!fit.ok || (*colours && fit.pngSize > limits.png)) {
            err << "quilmo fit: " << Msg::colourReductionFailed() << "\n";
            return 3;
        }
        bytes = fit.png;
        const QByteArray bmp = ImageCodec::encode(fit.image, ImageCodec::FormatBmp, fit.bits, 0);
        summary = QStringLiteral("%1 colours, PNG %2 bytes, BMP %3 bytes")
                      .arg(fit.colours)
                      .arg(bytes.size())
                      .arg(bmp.size());
    }
    QString error;
    if (bytes.isEmpty() || !FileIO::write(output, bytes, &error)) {
        err << "quilmo fit: " << FileIO::saveFailed(output, error).replace(QLatin1Char('\n'), u' ')
            << "\n";
        return 4;
    }
    out << printable(output) << ' ' << outSize.width() << 'x' << outSize.height() << ' ' << summary
        << "\n";
    return 0;
}

} // namespace Cli
