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

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonObject>
#include <QTextStream>
#include <QThread>

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <unistd.h>

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

// What every picture of one run shares.
struct FitJob {
    AppSettings settings;
    QSize outSize;
    std::optional<QRect> select;
    FitLimits limits;
    int colours = 0, qfactor = 0;
    bool json = false;
    WebpKind webp = WebpKind::Best;
};

// One picture's result: code is the exit code a single run would end with.
struct Outcome {
    int code = 0;
    QString error; // why, when code is not 0
    QString line;  // what goes to standard output
};

Outcome failed(const QString& input, const QString& output, int code, const QString& why,
               bool json) {
    Outcome r{code, why, {}};
    if (json)
        r.line = jsonLine({{"input", input}, {"output", output}, {"error", why}, {"exit", code}});
    return r;
}

// The output's kind by its name's extension: JPEG, WebP, or else PNG.
enum class Kind { Png, Jpeg, Webp };
Kind kindOf(const QString& name) {
    const QString ext = QFileInfo(name).suffix().toUpper();
    return ext == QLatin1String("JPG") || ext == QLatin1String("JPEG") ? Kind::Jpeg
           : ext == QLatin1String("WEBP")                              ? Kind::Webp
                                                                       : Kind::Png;
}

// One picture from reading to writing, as a single run does it.
Outcome fitOne(const FitJob& job, const QString& input, const QString& output) {
    QElapsedTimer clock;
    clock.start();
    auto fail = [&](int code, const QString& why) {
        return failed(input, output, code, why, job.json);
    };
    const ImageCodec::Decoded decoded = ImageCodec::decodeFile(input);
    if (decoded.error != ImageCodec::Error::None)
        return fail(2, ImageCodec::errorText(decoded.error, printable(input)));
    const QSize outSize = job.outSize;
    const QRect cut = job.select.value_or(centredCut(decoded.image.size(), outSize));
    const QImage scaled =
        Selection::cutAndScale(decoded.image, cut, outSize.width(), outSize.height(), true);
    if (scaled.isNull())
        return fail(1, QStringLiteral("--select lies outside the %1x%2 picture")
                           .arg(decoded.image.width())
                           .arg(decoded.image.height()));

    QJsonObject json{{"input", input},
                     {"output", output},
                     {"width", outSize.width()},
                     {"height", outSize.height()},
                     {"colours", QJsonValue()},
                     {"png_bytes", QJsonValue()},
                     {"bmp_bytes", QJsonValue()},
                     {"jpeg_bytes", QJsonValue()},
                     {"webp_bytes", QJsonValue()}};
    QByteArray bytes;
    QString summary;
    const Kind kind = kindOf(output);
    if (kind == Kind::Jpeg) {
        const JpegFit fit =
            fitJpeg(scaled, job.limits.png, job.qfactor ? job.qfactor : job.settings.qfact);
        if (!fit.fits) return fail(3, Msg::jpegCannotFit());
        bytes = fit.bytes;
        summary = QStringLiteral("full colour, JPEG %1 bytes (factor %2)")
                      .arg(bytes.size())
                      .arg(fit.factor);
        if (job.json) {
            json["jpeg_bytes"] = bytes.size();
            json["psnr"] = psnr(scaled, ImageCodec::decodeBytes(bytes, output).image);
        }
    } else if (kind == Kind::Webp) {
        const WebpFit fit = fitWebp(scaled, job.limits.png, job.webp);
        if (!fit.fits) return fail(3, Msg::colourReductionFailed());
        bytes = fit.bytes;
        summary = (fit.colours < 0 ? QStringLiteral("full colour")
                                   : QStringLiteral("%1 colours").arg(fit.colours)) +
                  (fit.lossless ? QStringLiteral(", lossless WebP %1 bytes").arg(bytes.size())
                                : QStringLiteral(", lossy WebP %1 bytes (quality %2)")
                                      .arg(bytes.size())
                                      .arg(qRound(fit.quality)));
        if (job.json) {
            if (fit.colours >= 0) json["colours"] = fit.colours;
            json["webp_bytes"] = bytes.size();
            json["psnr"] = fit.psnr;
        }
    } else {
        const FitResult fit = PNGRedraw(scaled, job.limits, job.colours, fileEncoder());
        if (!fit.ok || (job.colours && fit.pngSize > job.limits.png))
            return fail(3, Msg::colourReductionFailed());
        bytes = fit.png;
        const QByteArray bmp = ImageCodec::encode(fit.image, ImageCodec::FormatBmp, fit.bits, 0);
        summary = QStringLiteral("%1 colours, PNG %2 bytes, BMP %3 bytes")
                      .arg(fit.colours)
                      .arg(bytes.size())
                      .arg(bmp.size());
        if (job.json) {
            json["colours"] = fit.colours;
            json["png_bytes"] = bytes.size();
            json["bmp_bytes"] = bmp.size();
            json["psnr"] = psnr(scaled, fit.image);
        }
    }
    QString error;
    if (bytes.isEmpty() || !FileIO::write(output, bytes, &error))
        return fail(4, FileIO::saveFailed(output, error).replace(QLatin1Char('\n'), u' '));
    if (!job.json)
        return {0,
                {},
                QStringLiteral("%1 %2x%3 %4")
                    .arg(printable(output))
                    .arg(outSize.width())
                    .arg(outSize.height())
                    .arg(summary)};
    json["time_ms"] = clock.elapsed();
    return {0, {}, jsonLine(json)};
}

void report(const Outcome& r, QTextStream& out, QTextStream& err) {
    if (!r.line.isEmpty()) out << r.line << '\n';
    if (r.code) err << "quilmo fit: " << r.error << '\n';
}

// The terminal behind err, or -1: a progress line is for a person watching, never for a log.
int terminalOf(QTextStream& err) {
    const auto* file = qobject_cast<QFile*>(err.device());
    return file && file->handle() >= 0 && ::isatty(file->handle()) ? file->handle() : -1;
}

// Every input into outDir under its own base name, on all cores; lines in input order as soon
// as the inputs before them are done. An output name two inputs would share is written for the
// first only: a silent overwrite would lose a picture the user asked for.
int runBatch(const FitJob& job, const QStringList& inputs, const QString& outDir,
             const QString& extension, QTextStream& out, QTextStream& err) {
    // Started here, not in a worker: its start-up sets the environment, which no other thread
    // may be reading then.
    ImageCodec::initialize();
    const size_t n = size_t(inputs.size());
    std::vector<std::optional<Outcome>> done(n);
    std::vector<QString> outputs(n);
    QHash<QString, QString> firstInput;
    for (size_t i = 0; i < n; ++i) {
        const QString name = QFileInfo(inputs[i]).completeBaseName() + extension;
        outputs[i] = QDir(outDir).filePath(name);
        const auto first = firstInput.constFind(name);
        if (first == firstInput.cend())
            firstInput.insert(name, inputs[i]);
        else
            done[i] =
                failed(inputs[i], outputs[i], 4,
                       QStringLiteral("%1 is already the output of %2; %3 is not written")
                           .arg(printable(outputs[i]), printable(*first), printable(inputs[i])),
                       job.json);
    }

    // The colour search runs two quantisations at once, so one worker a core keeps every core
    // busy through the serial parts (decoding, encoding) without crowding them much.
    std::mutex lock;
    std::condition_variable finished;
    size_t next = 0;
    auto work = [&] {
        for (;;) {
            size_t i;
            {
                const std::lock_guard hold(lock);
                while (next < n && done[next]) ++next;
                if (next == n) return;
                i = next++;
            }
            Outcome r = fitOne(job, inputs[int(i)], outputs[i]);
            const std::lock_guard hold(lock);
            done[i] = std::move(r);
            finished.notify_one();
        }
    };
    const size_t workers = std::min(n, size_t(std::max(1, QThread::idealThreadCount())));
    std::vector<std::thread> pool;
    for (size_t w = 0; w < workers; ++w) pool.emplace_back(work);

    const int terminal = terminalOf(err);
    int written = 0;
    bool allWritten = true;
    for (size_t i = 0; i < n; ++i) {
        std::unique_lock hold(lock);
        finished.wait(hold, [&] { return done[i].has_value(); });
        const Outcome r = *done[i];
        hold.unlock();
        if (terminal >= 0) err << "\r\x1b[K" << Qt::flush;
        report(r, out, err);
        allWritten &= r.code == 0;
        written += r.code == 0;
        out.flush();
        if (terminal >= 0 && i + 1 < n)
            err << "quilmo fit: " << i + 1 << '/' << n << " done, " << written << " written"
                << Qt::flush;
    }
    for (std::thread& t : pool) t.join();
    return allWritten ? 0 : 5;
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
        "Prints one line: OUTPUT WxH N colours, PNG B bytes, BMP B bytes.\n"
        "With --out-dir every INPUT is fitted, on all cores, into DIR under its own base\n"
        "name; a line per input in their order, a failure's reason on standard error.",
        "  0  written (--out-dir: every input)\n  1  usage error\n  2  unreadable input\n"
        "  3  cannot be brought within the limits (nothing written)\n"
        "  4  output could not be written (an old file stays as it was)\n"
        "  5  --out-dir: some inputs not written (each one's reason on standard error); the\n"
        "     others were\n",
        1, -1);
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
    const QCommandLineOption outDirOpt = cmd.option(
        "out-dir", "fit every INPUT into DIR as BASENAME.png (no OUTPUT is given)", "DIR");
    const QCommandLineOption jpegOpt =
        cmd.option("jpeg", "with --out-dir: write BASENAME.jpg, as JPEG within the PNG limit");
    const QCommandLineOption webpOpt =
        cmd.option("webp",
                   "for a .webp OUTPUT: lossless, lossy or best (the closer of the two; default); "
                   "with --out-dir: write BASENAME.webp of that kind",
                   "KIND");
    const QCommandLineOption jsonOpt = cmd.option(
        "json", "print one JSON object a line for each input instead: input, output, width, "
                "height, colours, png_bytes, bmp_bytes, jpeg_bytes, webp_bytes, psnr (dB "
                "against the scaled cut-out), time_ms; or input, output, error, exit");
    p.addPositionalArgument(QStringLiteral("INPUT"), QStringLiteral("the picture to read"));
    p.addPositionalArgument(QStringLiteral("OUTPUT"), QStringLiteral("the file to write"),
                            QStringLiteral("OUTPUT | --out-dir DIR INPUT..."));
    if (const auto code = cmd.parse(args, out, err)) return *code;
    const QStringList words = p.positionalArguments();
    const bool batch = p.isSet(outDirOpt);
    if (!batch && words.size() != 2)
        return cmd.fail(err, QStringLiteral("give INPUT and OUTPUT, or --out-dir DIR INPUT..."));
    if (p.isSet(jpegOpt) && !batch)
        return cmd.fail(err, QStringLiteral("--jpeg goes with --out-dir; name OUTPUT .jpg"));
    if (p.isSet(jpegOpt) && p.isSet(webpOpt))
        return cmd.fail(err, QStringLiteral("give --jpeg or --webp, not both"));
    // In the order of WebpKind.
    const qsizetype webpKind = QStringList{"lossless", "lossy", "best"}.indexOf(
        p.isSet(webpOpt) ? p.value(webpOpt) : QStringLiteral("best"));
    if (webpKind < 0)
        return cmd.fail(err, QStringLiteral("--webp must be lossless, lossy or best"));
    if (batch && !QFileInfo(p.value(outDirOpt)).isDir())
        return cmd.fail(
            err, QStringLiteral("--out-dir %1 is not a folder").arg(printable(p.value(outDirOpt))));

    const qint64 anyBytes = std::numeric_limits<qint32>::max();
    std::optional<qint64> purpose, colours, qfactor, pngLimit, bmpLimit;
    if (!(purpose = cmd.number(err, purposeOpt, 0, 0, PurposeCount - 1)) ||
        !(colours = cmd.number(err, coloursOpt, 0, 2, 256)) ||
        !(qfactor = cmd.number(err, qfactorOpt, 0, 2, 255)) ||
        !(pngLimit = cmd.number(err, pngOpt, PurposePngLimit, 0, anyBytes)) ||
        !(bmpLimit = cmd.number(err, bmpOpt, -1, 0, anyBytes)))
        return 1;
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

    const FitJob job{settings,      outSize,       select,           limits,
                     int(*colours), int(*qfactor), p.isSet(jsonOpt), WebpKind(webpKind)};
    if (batch)
        return runBatch(job, words, p.value(outDirOpt),
                        p.isSet(jpegOpt)   ? QStringLiteral(".jpg")
                        : p.isSet(webpOpt) ? QStringLiteral(".webp")
                                           : QStringLiteral(".png"),
                        out, err);
    const Outcome r = fitOne(job, words[0], words[1]);
    if (r.code == 1) {
        if (!r.line.isEmpty()) out << r.line << '\n';
        return cmd.fail(err, r.error); // with the usage line, as the other usage errors
    }
    report(r, out, err);
    return r.code;
}

} // namespace Cli
