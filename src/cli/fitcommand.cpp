#include "cli/fitcommand.h"

#include "cli/commands.h"
#include "core/image/colourfit.h"
#include "core/image/imagecodec.h"
#include "core/image/imagelimits.h"
#include "core/image/jpegfit.h"
#include "core/image/selection.h"
#include "core/util/appsettings.h"
#include "core/util/fileio.h"
#include "core/util/messages.h"
#include "core/util/profile.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QTextStream>
#include <optional>

namespace Cli {

namespace {

const char* const fitUsage =
    "usage: quilmo fit [--purpose N | --size WxH] [--png-limit BYTES] [--bmp-limit BYTES]\n"
    "                  [--select L,T,W,H] [--colors N] [--qfactor N] INPUT OUTPUT\n"
    "\n"
    "Cuts a picture to a phone screen's size and reduces its colours until its PNG and BMP\n"
    "files fit the purpose's byte limits, as the editor's output panel does.\n"
    "\n"
    "  --purpose N      0 wallpaper (default), 1 power on, 2 power off, 3 incoming call,\n"
    "                   4 alarm, 5 standby, 6 user setting: the size comes from the default\n"
    "                   sizes in QUILMOAP.INI, the limits from the purpose\n"
    "  --size WxH       output size in pixels instead of the purpose's\n"
    "  --png-limit B    PNG (and JPEG) byte limit; default 5500\n"
    "  --bmp-limit B    BMP byte limit; default the purpose's\n"
    "  --select L,T,W,H the rectangle of INPUT to use; default the largest centred rectangle\n"
    "                   of the output's proportions\n"
    "  --colors N       reduce to exactly N colours (2..256) instead of searching\n"
    "  --qfactor N      first JPEG compression factor (2 best .. 255 smallest); default the\n"
    "                   editor's setting\n"
    "\n"
    "OUTPUT ending in .jpg or .jpeg is written as JPEG within the PNG limit, any other name\n"
    "as PNG. Prints one line: OUTPUT WxH N colours, PNG B bytes, BMP B bytes.\n"
    "Exit codes: 0 written, 1 usage error, 2 unreadable input, 3 cannot be brought within the\n"
    "limits (nothing written), 4 output could not be written.\n";

int usage(QTextStream& err, const QString& why) {
    err << "quilmo fit: " << why << "\n" << fitUsage;
    return 1;
}

std::optional<qint64> number(const QString& text, qint64 low, qint64 high) {
    bool ok = false;
    const qint64 v = text.toLongLong(&ok);
    if (!ok || v < low || v > high) return std::nullopt;
    return v;
}

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
    int purpose = 0, colours = 0, qfactor = 0;
    std::optional<QSize> size;
    std::optional<qint64> pngLimit, bmpLimit;
    std::optional<QRect> select;
    QStringList files;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            out << fitUsage;
            return 0;
        }
        if (!a.startsWith(QLatin1String("--")) || a == QLatin1String("--")) {
            files.append(a);
            continue;
        }
        if (i + 1 >= args.size()) return usage(err, QStringLiteral("%1 needs a value").arg(a));
        const QString v = args[++i];
        if (a == QLatin1String("--purpose")) {
            const auto n = number(v, 0, PurposeCount - 1);
            if (!n) return usage(err, QStringLiteral("--purpose must be 0 to 6"));
            purpose = int(*n);
        } else if (a == QLatin1String("--size")) {
            const auto m =
                QRegularExpression(QStringLiteral("^(\\d{1,5})[xX](\\d{1,5})$")).match(v);
            const int w = m.hasMatch() ? m.captured(1).toInt() : 0;
            const int h = m.hasMatch() ? m.captured(2).toInt() : 0;
            if (!ImageLimits::fits(w, h))
                return usage(err, QStringLiteral("--size must be WxH within the picture limits"));
            size = QSize(w, h);
        } else if (a == QLatin1String("--png-limit") || a == QLatin1String("--bmp-limit")) {
            const auto n = number(v, 0, std::numeric_limits<qint32>::max());
            if (!n) return usage(err, QStringLiteral("%1 must be a number of bytes").arg(a));
            (a == QLatin1String("--png-limit") ? pngLimit : bmpLimit) = *n;
        } else if (a == QLatin1String("--select")) {
            const QStringList p = v.split(QLatin1Char(','));
            QList<qint64> n;
            for (const QString& part : p)
                if (const auto x = number(part.trimmed(), 0, ImageLimits::maxSide)) n.append(*x);
            if (p.size() != 4 || n.size() != 4 || n[2] < 1 || n[3] < 1)
                return usage(err, QStringLiteral("--select must be L,T,W,H"));
            select = QRect(int(n[0]), int(n[1]), int(n[2]), int(n[3]));
        } else if (a == QLatin1String("--colors")) {
            const auto n = number(v, 2, 256);
            if (!n) return usage(err, QStringLiteral("--colors must be 2 to 256"));
            colours = int(*n);
        } else if (a == QLatin1String("--qfactor")) {
            const auto n = number(v, 2, 255);
            if (!n) return usage(err, QStringLiteral("--qfactor must be 2 to 255"));
            qfactor = int(*n);
        } else {
            return usage(err, QStringLiteral("unknown option %1").arg(a));
        }
    }
    if (files.size() != 2) return usage(err, QStringLiteral("give INPUT and OUTPUT"));
    const QString &input = files[0], &output = files[1];

    Profile ini;
    ini.load(AppPaths::settingsFile()); // missing or unreadable: the built-in defaults
    const AppSettings settings = readSettings(ini);
    const QSize outSize = size.value_or(QSize(settings.px[purpose], settings.py[purpose]));
    if (!ImageLimits::fits(outSize.width(), outSize.height()))
        return usage(err, QStringLiteral("the default size of purpose %1 is %2x%3; give --size")
                              .arg(purpose)
                              .arg(outSize.width())
                              .arg(outSize.height()));
    const FitLimits limits{pngLimit.value_or(PurposePngLimit),
                           bmpLimit.value_or(PurposeBmpLimit[purpose])};

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
        return usage(err, QStringLiteral("--select lies outside the %1x%2 picture")
                              .arg(decoded.image.width())
                              .arg(decoded.image.height()));

    const QString ext = QFileInfo(output).suffix().toUpper();
    QByteArray bytes;
    QString summary;
    if (ext == QLatin1String("JPG") || ext == QLatin1String("JPEG")) {
        const JpegFit fit = fitJpeg(scaled, limits.png, qfactor ? qfactor : settings.qfact);
        if (!fit.fits) {
            err << "quilmo fit: " << Msg::jpegCannotFit() << "\n";
            return 3;
        }
        bytes = fit.bytes;
        summary = QStringLiteral("full colour, JPEG %1 bytes (factor %2)")
                      .arg(bytes.size())
                      .arg(fit.factor);
    } else {
        const FitResult fit = PNGRedraw(scaled, limits, colours, fileEncoder());
        if (!fit.ok || (colours && fit.pngSize > limits.png)) {
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
