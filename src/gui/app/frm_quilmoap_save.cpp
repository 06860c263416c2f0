// Saving the output picture: PNG within the limits, JPEG with the compression raised until it
// fits, or WebP fitted to the PNG limit.
#include "gui/app/frm_quilmoap.h"

#include "core/image/imagecodec.h"
#include "core/image/imagecontrol.h"
#include "core/image/jpegfit.h"
#include "core/image/webpfit.h"
#include "core/util/cl_gl010c.h"
#include "core/util/fileio.h"
#include "core/util/messages.h"
#include "core/util/numbers.h"
#include "gui/widgets/dialogs.h"

#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>

namespace {

QString saveFilter() {
    return QStringLiteral("Portable Network Graphics(*.PNG)") + QChar(0) + QStringLiteral("*.PNG") +
           QChar(0) + QStringLiteral("Jpeg-Files(*.JPG)") + QChar(0) +
           QStringLiteral("*.JPG;*.JPEG") + QChar(0) + QStringLiteral("全てのﾌｧｲﾙ(*.*)") +
           QChar(0) + QStringLiteral("*.*") + QChar(0) + QStringLiteral("WebP(*.WEBP)") + QChar(0) +
           QStringLiteral("*.WEBP") + QChar(0);
}

bool isWebpName(const QString& fname) {
    return CL_GL010C::instance().RVN_GetFileExt(fname).toUpper() == QLatin1String("WEBP");
}

} // namespace

bool FRM_QUILMOAP::isJpegName(const QString& fname) {
    const QString ext = CL_GL010C::instance().RVN_GetFileExt(fname).toUpper();
    return ext == QLatin1String("JPG") || ext == QLatin1String("JPEG");
}

bool FRM_QUILMOAP::FileSave(const QString& fname) {
    if (fname.isEmpty() || !LEAD1->Bitmap()) return false;
    const CL_GL010C& gl = CL_GL010C::instance();
    WaitCursor wait;
    QByteArray bytes;
    QString error, webpColours;
    const bool jpeg = isJpegName(fname), webp = isWebpName(fname);
    if (webp) {
        // Fitted afresh at every save, from the output as it is; the output itself is left
        // alone, so saving again gives the same file and never a copy of a copy. At a large
        // output size that takes seconds, in which the window keeps painting.
        const QImage output = LEAD1->image().convertToFormat(QImage::Format_RGB32);
        const qint64 limit = CLngSat(Val(Text1[2]->text()));
        WebpFit fit;
        const bool wasBusy = m_busy;
        setBusy(true);
        Dialogs::waitFor([&] { fit = fitWebp(output, limit, WebpKind::Best); }, {}, nullptr);
        setBusy(wasBusy);
        if (!fit.fits) {
            Dialogs::get().message(this, Msg::colourReductionFailed(), Msg::appTitle(),
                                   Dialogs::Icon::None, Dialogs::Buttons::Ok);
            return false;
        }
        bytes = fit.bytes;
        webpColours = fit.colours < 0 ? QStringLiteral("ﾌﾙｶﾗｰ") : QString::number(fit.colours);
    } else if (!jpeg) {
        bytes = LEAD1->SaveMemory(ImageCodec::FormatPng, LEAD1->BitsPerPixel(), 0, &error);
    } else {
        const qint64 limit = CLngSat(Val(Text1[2]->text()));
        const QImage full = LEAD1->image().convertToFormat(QImage::Format_RGB32);
        bytes = ImageCodec::encode(full, ImageCodec::FormatJpeg, 24, settings.qfact, &error);
        showResultSize(bytes.size());
        if (!bytes.isEmpty() && bytes.size() > limit &&
            Dialogs::get().message(this, Msg::jpegTooLarge(), Msg::jpegTooLargeTitle(),
                                   Dialogs::Icon::Question,
                                   Dialogs::Buttons::YesNo) == Dialogs::Answer::Yes) {
            const JpegFit fit = fitJpeg(full, limit, settings.qfact,
                                        [this](int, qint64 size) { showResultSize(size); });
            bytes = fit.bytes;
            if (!fit.fits && !bytes.isEmpty())
                Dialogs::get().message(this, Msg::jpegCannotFit(), Msg::jpegTooLargeTitle(),
                                       Dialogs::Icon::Critical, Dialogs::Buttons::Ok);
        }
    }
    // A failed write changes nothing: the old file, the last saved name and the title stay.
    if (bytes.isEmpty() || !FileIO::write(fname, bytes, &error)) {
        Dialogs::inform(this, FileIO::saveFailed(fname, error), Dialogs::Icon::Exclamation);
        return false;
    }
    if (jpeg) {
        // The output shows the picture as the phone will: with its compression.
        const ImageCodec::Decoded written = ImageCodec::decodeBytes(bytes, fname);
        if (written.error == ImageCodec::Error::None) LEAD1->setImage(written.image, 24);
        Label5->setText(QStringLiteral("ﾌﾙｶﾗｰ"));
        reduced = false; // a full-colour picture: a later PNG save reduces again
    }
    if (webp) Label5->setText(webpColours);
    showResultSize(bytes.size());
    lastSavedFile = fname;
    setWindowTitle(Msg::appTitle() + QStringLiteral(" - ") + gl.RVN_GetFileName(fname) +
                   QStringLiteral(" (%1x%2x%3BPP)")
                       .arg(LEAD1->BitmapWidth())
                       .arg(LEAD1->BitmapHeight())
                       .arg(LEAD1->BitsPerPixel()));
    updateActions();
    return true;
}

void FRM_QUILMOAP::showResultSize(qint64 size) {
    Label6->setText(QString::number(size));
    Label6->repaint();
}

void FRM_QUILMOAP::MNU_FILE_SAVE_Click() {
    const CL_GL010C& gl = CL_GL010C::instance();
    QString proposed;
    if (!lastSavedFile.isEmpty()) {
        const QString ext = gl.RVN_GetFileExt(lastSavedFile);
        proposed = ext.isEmpty() ? lastSavedFile + QStringLiteral(".png")
                                 : lastSavedFile.left(lastSavedFile.size() - ext.size()) +
                                       QStringLiteral("png");
    }
    qint32 filterIndex = 1;
    QString name =
        gl.RVN_ShowSaveFileDlg(this, saveFilter(), settings.folder, proposed, filterIndex);
    if (name.isEmpty()) return;
    settings.folder = QFileInfo(name).absolutePath();
    if (gl.RVN_GetFileExt(name).isEmpty() && filterIndex != 3) {
        name += filterIndex == 2   ? QStringLiteral(".jpg")
                : filterIndex == 4 ? QStringLiteral(".webp")
                                   : QStringLiteral(".png");
        // The dialog asked about the name as typed, not about the one we are about to write.
        if (QFileInfo::exists(name) &&
            Dialogs::get().message(this, Msg::overwriteQuestion(gl.RVN_GetFileName(name)),
                                   Msg::appTitle(), Dialogs::Icon::Exclamation,
                                   Dialogs::Buttons::YesNo) != Dialogs::Answer::Yes)
            return;
    }
    saveReduced(name);
}

void FRM_QUILMOAP::MNU_FILE_ASAVE_Click() {
    if (lastSavedFile.isEmpty()) {
        MNU_FILE_SAVE_Click();
        return;
    }
    saveReduced(lastSavedFile);
}

bool FRM_QUILMOAP::saveReduced(const QString& fname) {
    // A PNG is reduced to the limits first; a JPEG is full colour, a WebP reduces as it fits,
    // and a failed reduction writes nothing rather than a file over the limit.
    if (!isJpegName(fname) && !isWebpName(fname) && !reduced) {
        Command1_Click(1);
        if (!reduced) return false;
    }
    return FileSave(fname);
}
