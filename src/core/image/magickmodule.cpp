// The module that holds everything of ImageMagick (magickdecode.h): reading through it, and the
// filters of the processing dialog it does for us. Built apart from the core, it calls nothing
// of it: only Qt and the library.
#include "core/image/imagelimits.h"
#include "core/image/magickdecode.h"
#include "core/util/progress.h"

#include <Magick++.h>
#include <magick/policy.h>
#include <magick/resource_.h>

#include <QSysInfo>

#include <mutex>

namespace ImageCodec::Magick6 {

namespace {

// Everything except the raster coders we read is refused, and so are indirect file lists
// ("@file") and every delegate program. The system policy applies on top of this one.
const char policyXml[] = R"(<policymap>
  <policy domain="delegate" rights="none" pattern="*"/>
  <policy domain="path" rights="none" pattern="@*"/>
  <policy domain="coder" rights="none" pattern="*"/>
  <policy domain="coder" rights="read" pattern="{BMP,BMP2,BMP3,GIF,GIF87,JPEG,JPG,PNG,PNG8,PNG24,PNG32,PNG48,PNG64,PNG00,TIFF,TIF,TIFF64,PCX,TGA,ICB,VDA,VST,ICO,ICON,PSD}"/>
  <policy domain="resource" name="max-memory-request" value="64MiB"/>
</policymap>)";

// The library's resource limits are process-wide and start() sizes them for reading hostile
// files. Every read holds this lock, and so does a filter that raises the limits for a while, so
// no file is ever read under other limits.
std::mutex& limitsLock() {
    static std::mutex lock;
    return lock;
}

// The policy as the library now applies it, whichever way it got there.
bool policyHolds() {
    using namespace MagickCore;
    auto reads = [](PolicyDomain domain, const char* what) {
        return IsRightsAuthorized(domain, ReadPolicyRights, what) != MagickFalse;
    };
    return reads(CoderPolicyDomain, "BMP") && reads(CoderPolicyDomain, "TIFF") &&
           !reads(CoderPolicyDomain, "SVG") && !reads(CoderPolicyDomain, "MVG") &&
           !reads(CoderPolicyDomain, "TEXT") && !reads(PathPolicyDomain, "@list") &&
           IsRightsAuthorized(DelegatePolicyDomain, ExecutePolicyRights, "gs") == MagickFalse;
}

Error classify(int severity, const QString& reason) {
    if (severity == MagickCore::ResourceLimitError ||
        severity == MagickCore::ResourceLimitWarning || severity == MagickCore::CacheError ||
        reason.contains(QLatin1String("exceeds limit"), Qt::CaseInsensitive) ||
        reason.contains(QLatin1String("ExceedsLimit")))
        return Error::TooLarge;
    if (reason.contains(QLatin1String("security policy"))) return Error::Unsupported;
    return Error::Corrupt;
}

struct Frame {
    Magick::Image image;
    bool valid = false;
    int severity = MagickCore::UndefinedException;
    QString reason;
};

// One frame through the pinned coder: the first one, or for icons the one at index (the icon
// coder ignores frame selection, so all icons are read and the rest dropped).
Frame readFrame(const QByteArray& bytes, const Headers::Kind& kind, int index, bool pingOnly) {
    using namespace MagickCore;
    const std::lock_guard hold(limitsLock());
    Frame f;
    ImageInfo* info = AcquireImageInfo();
    CopyMagickString(info->magick, kind.coder, MaxTextExtent);
    info->ping = pingOnly ? MagickTrue : MagickFalse;
    if (kind.code != FormatIco) {
        info->scene = 0;
        info->number_scenes = 1;
    }
    ExceptionInfo* ex = AcquireExceptionInfo();
    Image* list = pingOnly ? PingBlob(info, bytes.constData(), size_t(bytes.size()), ex)
                           : BlobToImage(info, bytes.constData(), size_t(bytes.size()), ex);
    if (list) {
        Image* chosen = GetImageFromList(list, index);
        Image* own = CloneImage(chosen ? chosen : list, 0, 0, MagickTrue, ex);
        DestroyImageList(list);
        if (own) {
            own->next = own->previous = nullptr;
            f.image = Magick::Image(own);
            f.valid = own->columns > 0 && own->rows > 0;
        }
    }
    f.severity = int(ex->severity);
    f.reason = QString::fromLocal8Bit(ex->reason ? ex->reason : "");
    if (ex->description) f.reason += QStringLiteral(" (%1)").arg(ex->description);
    DestroyExceptionInfo(ex);
    DestroyImageInfo(info);
    return f;
}

// The caller has put the policy in a configuration folder for the library to read as it starts.
bool start(bool setPolicy, QString* problem) {
    Magick::InitializeMagick(nullptr);
    bool applied = policyHolds();
    if (setPolicy) {
        MagickCore::ExceptionInfo* ex = MagickCore::AcquireExceptionInfo();
        if (MagickCore::SetMagickSecurityPolicy(policyXml, ex) == MagickCore::MagickFalse)
            *problem = QString::fromLocal8Bit(ex->reason ? ex->reason : "");
        MagickCore::DestroyExceptionInfo(ex);
        applied = policyHolds();
    }
    if (!applied) *problem = QStringLiteral("security policy not applied: %1").arg(*problem);

    using namespace MagickCore;
    // No time limit: ImageMagick 6 ends the whole process when one runs out. The cache holds
    // the largest picture we take through here and no more: no disk, so neither pixels nor
    // metadata spill past the budget.
    SetMagickResourceLimit(WidthResource, maxSide);
    SetMagickResourceLimit(HeightResource, maxSide);
    // (Area, like memory, is counted in cache bytes; a little over 10 a pixel for headroom.)
    const MagickSizeType cache = MagickSizeType(maxPixels) * 12;
    SetMagickResourceLimit(AreaResource, cache);
    SetMagickResourceLimit(MemoryResource, cache);
    SetMagickResourceLimit(MapResource, cache);
    SetMagickResourceLimit(DiskResource, 0);
    SetMagickResourceLimit(ListLengthResource, 32);
    SetMagickResourceLimit(ThreadResource, 1);
    return applied;
}

Error header(const QByteArray& bytes, const Headers::Kind& kind, int index, Headers::Header* h,
             QString* detail) {
    // Warnings are left for the pixel read: the header itself was understood.
    Frame f = readFrame(bytes, kind, index, true);
    *detail = f.reason;
    if (f.severity >= MagickCore::ErrorException) return classify(f.severity, f.reason);
    if (!f.valid) return Error::Corrupt;
    const Magick::Image& img = f.image;
    h->width = int(qMin<size_t>(img.columns(), INT_MAX));
    h->height = int(qMin<size_t>(img.rows(), INT_MAX));
    h->xRes = img.xResolution();
    h->yRes = img.yResolution();
    h->units = img.resolutionUnits() == Magick::PixelsPerInchResolution ? Headers::Units::Inch
               : img.resolutionUnits() == Magick::PixelsPerCentimeterResolution
                   ? Headers::Units::Centimetre
                   : Headers::Units::None;
    h->compress = QString::fromLatin1(MagickCore::CommandOptionToMnemonic(
        MagickCore::MagickCompressOptions, ssize_t(img.compressType())));
    h->depth = int(img.depth());
    const auto space = img.colorSpace();
    h->channels = (space == Magick::GRAYColorspace   ? 1
                   : space == Magick::CMYKColorspace ? 4
                                                     : 3) +
                  (img.matte() ? 1 : 0);
    return Error::None;
}

Error pixels(const QByteArray& bytes, const Headers::Kind& kind, int index,
             const Headers::Header& h, QImage* image, bool* hasAlpha, QString* detail) {
    Frame f = readFrame(bytes, kind, index, false);
    *detail = f.reason;
    if (f.severity >= MagickCore::ErrorException) return classify(f.severity, f.reason);
    // Partial pictures are not kept: these coders leave what the file lacked undefined.
    if (f.severity == MagickCore::CorruptImageWarning) return Error::Corrupt;
    Magick::Image& img = f.image;
    if (!f.valid || int(img.columns()) != h.width || int(img.rows()) != h.height)
        return Error::Corrupt;

    *image = QImage(h.width, h.height, QImage::Format_RGB32);
    if (image->isNull()) return Error::TooLarge;
    try {
        const auto space = img.colorSpace();
        if (space != Magick::sRGBColorspace && space != Magick::RGBColorspace &&
            space != Magick::GRAYColorspace && space != Magick::TransparentColorspace)
            img.colorSpace(Magick::sRGBColorspace);
        const char* map = QSysInfo::ByteOrder == QSysInfo::LittleEndian ? "BGRA" : "ARGB";
        *hasAlpha = img.matte();
        img.write(0, 0, size_t(h.width), size_t(h.height), map, Magick::CharPixel, image->bits());
    } catch (const Magick::Warning&) {
    } catch (const Magick::Exception& e) {
        *detail = QString::fromStdString(e.what());
        return Error::Corrupt;
    }
    return Error::None;
}

QString rawRead(const QString& source, const QByteArray& blob) {
    const std::lock_guard hold(limitsLock());
    Magick::Image img;
    try {
        img.quiet(false);
        if (blob.isEmpty()) {
            img.read(source.toStdString());
        } else {
            img.magick(source.toStdString());
            img.read(Magick::Blob(blob.constData(), size_t(blob.size())));
        }
    } catch (const Magick::Exception& e) {
        return QString::fromStdString(e.what());
    }
    return img.isValid() && img.columns() > 0 ? QString() : QStringLiteral("no image");
}

using Filters::Kind;
using MagickCore::Quantum; // QuantumRange names it unqualified
const double quantumRange = double(QuantumRange);

const char* pixelMap() {
    return QSysInfo::ByteOrder == QSysInfo::LittleEndian ? "BGRA" : "ARGB";
}

// Raw pixels cross over in memory through the constitute and export calls, so no coder (and
// none of the policy's refusals) is involved.
Magick::Image toMagick(const QImage& rgb) {
    Magick::Image m(size_t(rgb.width()), size_t(rgb.height()), pixelMap(), Magick::CharPixel,
                    rgb.constBits());
    m.matte(false);
    return m;
}

QImage fromMagick(Magick::Image& m, QSize size) {
    if (int(m.columns()) != size.width() || int(m.rows()) != size.height()) return {};
    QImage out(size, QImage::Format_RGB32);
    if (out.isNull()) return {};
    m.write(0, 0, m.columns(), m.rows(), pixelMap(), Magick::CharPixel, out.bits());
    for (int y = 0; y < out.height(); ++y) {
        auto* p = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) p[x] |= 0xff000000u;
    }
    return out;
}

// The reading limits keep a hostile file from making the library allocate much, so they hold
// little more than one picture of the size a file may declare; a filter needs its input and its
// result in the pixel cache at once (despeckle also two working planes), which they refuse for
// a camera picture. For the length of one filter this raises the cache limits to what the
// largest picture the program takes needs for that filter, still without disk, and puts the
// reading limits back afterwards, even when the filter throws. It holds the lock every read
// holds, so no file is read under the raised limits.
class FilterBudget {
public:
    explicit FilterBudget(Kind kind) : hold(limitsLock()) {
        using namespace MagickCore;
        // A cache pixel: four quantum channels and a palette index.
        const auto perPixel = MagickSizeType(sizeof(PixelPacket) + sizeof(IndexPacket));
        const MagickSizeType copies = kind == Kind::Despeckle ? 3 : 2;
        const MagickSizeType budget = copies * perPixel * MagickSizeType(ImageLimits::maxPixels);
        for (int i = 0; i < count; ++i) {
            saved[i] = GetMagickResourceLimit(resources[i]);
            SetMagickResourceLimit(resources[i], budget);
        }
    }
    ~FilterBudget() {
        for (int i = 0; i < count; ++i) MagickCore::SetMagickResourceLimit(resources[i], saved[i]);
    }
    FilterBudget(const FilterBudget&) = delete;
    FilterBudget& operator=(const FilterBudget&) = delete;

private:
    static constexpr int count = 3;
    static constexpr MagickCore::ResourceType resources[count] = {
        MagickCore::AreaResource, MagickCore::MemoryResource, MagickCore::MapResource};
    const std::lock_guard<std::mutex> hold;
    MagickCore::MagickSizeType saved[count] = {};
};

// ImageMagick calls this after every row it finishes; false makes it stop.
MagickCore::MagickBooleanType monitor(const char*, const MagickCore::MagickOffsetType done,
                                      const MagickCore::MagickSizeType total, void* progress) {
    return static_cast<Progress*>(progress)->step(done, qint64(total)) ? MagickCore::MagickTrue
                                                                       : MagickCore::MagickFalse;
}

// px: the pixel-measured parameter a, already scaled.
void run(Magick::Image& m, Kind kind, int a, int b, double px) {
    switch (kind) {
    case Kind::BrightnessContrast:
        m.brightnessContrast(a, b);
        break;
    case Kind::Gamma:
        m.gamma(a / 100.0);
        break;
    case Kind::HueSaturation:
        // modulate takes percentages: 100 keeps, and the hue's 0..200 spans -180..180 degrees.
        m.modulate(100.0, 100.0 + b, 100.0 + a * 100.0 / 180.0);
        break;
    case Kind::Despeckle:
        m.despeckle();
        break;
    case Kind::Emboss:
        m.emboss(0.0, px / 10.0);
        break;
    case Kind::Posterize:
        m.posterize(size_t(a), false);
        break;
    case Kind::Sepia:
        m.sepiaTone(a * quantumRange / 100.0);
        break;
    case Kind::Sharpen: // done by our own functions
    case Kind::Blur:
    case Kind::Median:
    case Kind::Mosaic:
        break;
    }
}

QImage filter(const QImage& rgb, Kind kind, int a, int b, double px, Progress* progress,
              QString* error) {
    try {
        const FilterBudget budget(kind);
        Magick::Image m = toMagick(rgb);
        if (progress) MagickCore::SetImageProgressMonitor(m.image(), monitor, progress);
        run(m, kind, a, b, px);
        // A stopped operation may leave a half-done picture without any exception.
        if (progress && progress->cancelled()) return {};
        return fromMagick(m, rgb.size());
    } catch (const Magick::Exception& e) {
        if (error) *error = QString::fromStdString(e.what());
    } catch (const std::exception& e) {
        if (error) *error = QString::fromStdString(e.what());
    }
    return {};
}

} // namespace

} // namespace ImageCodec::Magick6

extern "C" __attribute__((visibility("default"))) const ImageCodec::Magick6::Module*
quilmo_magick_module() {
    using namespace ImageCodec::Magick6;
    static const Module module{
        Module::currentVersion, policyXml, start, header, pixels, rawRead, filter};
    return &module;
}
