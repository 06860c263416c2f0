#include "core/image/magickdecode.h"

#include "core/util/fileio.h"

#include <Magick++.h>
#include <magick/policy.h>
#include <magick/resource_.h>

#include <QDir>
#include <QFileInfo>
#include <QSysInfo>

#include <cstdlib>
#include <cstring>

namespace ImageCodec::Magick6 {

namespace {

// Everything except the raster coders we read is refused, and so are indirect file lists
// ("@file") and every delegate program. The system policy applies on top of this one.
const char* const policyXml = R"(<policymap>
  <policy domain="delegate" rights="none" pattern="*"/>
  <policy domain="path" rights="none" pattern="@*"/>
  <policy domain="coder" rights="none" pattern="*"/>
  <policy domain="coder" rights="read" pattern="{BMP,BMP2,BMP3,GIF,GIF87,JPEG,JPG,PNG,PNG8,PNG24,PNG32,PNG48,PNG64,PNG00,TIFF,TIF,TIFF64,PCX,TGA,ICB,VDA,VST,ICO,ICON,PSD}"/>
  <policy domain="resource" name="max-memory-request" value="64MiB"/>
</policymap>)";

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

// Some builds refuse SetMagickSecurityPolicy (a Debian 12 point release without its security
// updates returns false for any policy). The library also reads policy.xml from the folders
// named by MAGICK_CONFIGURE_PATH when it starts, so the same policy is put there too: in a
// private folder that only lives until the library has read it.
class PolicyFolder {
public:
    PolicyFolder() {
        const QString temp = QDir::tempPath();
        QByteArray pattern =
            (QFileInfo(temp).isDir() ? temp.toLocal8Bit() : "/tmp") + "/quilmo-policy-XXXXXX";
        if (!mkdtemp(pattern.data())) return;
        path = pattern;
        QString why;
        if (!FileIO::write(QString::fromLocal8Bit(path + "/policy.xml"), QByteArrayView(policyXml),
                           &why))
            return;
        const char* old = std::getenv("MAGICK_CONFIGURE_PATH");
        hadOld = old != nullptr;
        if (hadOld) oldValue = old;
        const QByteArray value = hadOld ? path + ':' + oldValue : path;
        setenv("MAGICK_CONFIGURE_PATH", value.constData(), 1);
        written = true;
    }
    ~PolicyFolder() {
        if (written) {
            if (hadOld)
                setenv("MAGICK_CONFIGURE_PATH", oldValue.constData(), 1);
            else
                unsetenv("MAGICK_CONFIGURE_PATH");
        }
        if (!path.isEmpty()) QDir(QString::fromLocal8Bit(path)).removeRecursively();
    }

private:
    QByteArray path, oldValue;
    bool hadOld = false, written = false;
};

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
    const QByteArray input = kind.code == FormatGif ? Headers::gifEssentials(bytes) : bytes;
    Image* list = pingOnly ? PingBlob(info, input.constData(), size_t(input.size()), ex)
                           : BlobToImage(info, input.constData(), size_t(input.size()), ex);
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

} // namespace

bool start(QString* problem) {
    bool applied = false;
    {
        PolicyFolder folder;
        Magick::InitializeMagick(nullptr);
        // Reads the configuration while the folder still exists.
        applied = policyHolds();
    }
    // The tests stand for a build whose call fails by not making it.
    if (!std::getenv("QUILMO_TEST_POLICY_FILE_ONLY")) {
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

std::mutex& limitsLock() {
    static std::mutex lock;
    return lock;
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

} // namespace ImageCodec::Magick6
