// The output panel, the toolbar, the view menu and the file browser of the main window.
#include "gui/app/frm_quilmoap.h"

#include "core/image/colourfit.h"
#include "core/image/imagecontrol.h"
#include "core/image/imagelimits.h"
#include "core/util/messages.h"
#include "core/util/numbers.h"
#include "core/util/progress.h"
#include "gui/mail/frm_motion.h"
#include "gui/widgets/dialogs.h"
#include "gui/widgets/filebrowser.h"
#include "gui/widgets/imageview.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QToolButton>

#include <algorithm>
#include <memory>

void FRM_QUILMOAP::Combo1_Click() {
    const int i = Combo1->currentIndex();
    if (i < 0 || i >= PurposeCount) return;
    Text1[0]->setText(QString::number(settings.px[i]));
    Text1[1]->setText(QString::number(settings.py[i]));
    Text1[2]->setText(QString::number(PurposePngLimit));
    Text1[3]->setText(QString::number(PurposeBmpLimit[i]));
    Command1_Click(0);
    leadsize();
}

void FRM_QUILMOAP::Command1_Click(int index) {
    if (index == 0) MNU_EDIT_HIRITU_Click(0); // the panel's ratio keeps the width
    if (index == 1 && PNGRedraw(0)) reduced = true;
}

void FRM_QUILMOAP::leadsize() {
    // The output is shown at real size up to 143 x 120, inside a one-pixel border.
    const int w = qBound(0, int(CIntSat(Val(Text1[0]->text()))), 143);
    const int h = qBound(0, int(CIntSat(Val(Text1[1]->text()))), 120);
    LEAD1View->resize(w + 2, h + 2);
    LEAD1->ForceRepaint();
}

namespace {
void paintField(QLineEdit* field, const QColor& colour) {
    QPalette p = field->palette();
    p.setColor(QPalette::Base, colour);
    field->setPalette(p);
}
} // namespace

bool FRM_QUILMOAP::PNGRedraw(int cset) {
    if (m_busy || !LEAD1->Bitmap()) return false;
    m_busy = true; // no command may run inside the search
    updateActions();
    WaitCursor wait;
    undoCopies.save(*LEAD1, reduced);
    const QImage source = LEAD1->image().convertToFormat(QImage::Format_RGB32);
    const FitLimits limits{CLngSat(Val(Text1[2]->text())), CLngSat(Val(Text1[3]->text()))};
    paintField(Text1[2], Qt::red);
    paintField(Text1[3], Qt::red);

    // The search runs on a worker thread; its passes are painted on this one. Passes still
    // queued when it ends are dropped, so none paints over the final texts.
    const auto live = std::make_shared<bool>(true);
    auto show = [this, cset, live](const FitPass& pass) {
        if (!*live) return;
        Label5->setText(QString::number(pass.colours));
        if (pass.pngSize >= 0) Text1[2]->setText(QString::number(pass.pngSize));
        if (pass.bmpSize >= 0) Text1[3]->setText(QString::number(pass.bmpSize));
        if (cset <= 0) {
            if (pass.pngOk) paintField(Text1[2], Qt::white);
            if (pass.bmpOk) paintField(Text1[3], Qt::white);
        }
    };
    Progress progress;
    const Encoder encode = fileEncoder();
    // Once cancelled, no measurement succeeds: the search ends as a failure at its next pass.
    const Encoder encoder = [&](const QImage& image, int format, int bits) {
        return progress.cancelled() ? QByteArray() : encode(image, format, bits);
    };
    FitResult result;
    int reached = 0;
    Dialogs::get().runLong(this, Msg::progressColourFit(), progress, [&] {
        result = ::PNGRedraw(source, limits, cset, encoder, [&](const FitPass& pass) {
            // The count falls from 256 as the search goes: a rough measure of how far it is. The
            // bar never goes back, though forecasts land on both sides of the answer and the
            // dithered pictures are judged above it.
            reached = std::max(reached, 256 - pass.colours);
            progress.step(reached, 256);
            QMetaObject::invokeMethod(
                this, [show, pass] { show(pass); }, Qt::QueuedConnection);
        });
    });
    *live = false;
    const bool cancelled = progress.cancelled();
    if (cancelled) result.ok = false;

    const bool fixed = cset > 0;
    if (result.ok && !result.image.isNull()) {
        LEAD1->setImage(result.image, result.bits);
        Label5->setText(QString::number(result.colours));
    } else {
        // Nothing over the limit is kept: the output stays as it was before the search.
        undoCopies.restore(*LEAD1, reduced);
    }
    // After a failure too: the last size measured tells the user how far off the limit was.
    Label6->setText(result.pngSize >= 0 ? QString::number(result.pngSize) : QString());
    Text1[2]->setText(QString::number(limits.png));
    Text1[3]->setText(QString::number(limits.bmp));
    paintField(Text1[2], Qt::white);
    paintField(Text1[3], Qt::white);
    m_busy = false;
    updateActions();
    if (!result.ok && !fixed && !cancelled)
        Dialogs::get().message(this, Msg::colourReductionFailed(), Msg::appTitle(),
                               Dialogs::Icon::None, Dialogs::Buttons::Ok);
    return result.ok;
}

void FRM_QUILMOAP::Command2_Click(int index) {
    // The buttons run the commands themselves: a size field keeping the focus disables the
    // menu's zoom and clipboard items, not the toolbar.
    using Command = void (FRM_QUILMOAP::*)();
    static constexpr Command commands[8] = {
        &FRM_QUILMOAP::MNU_FILE_OPEN_Click,   &FRM_QUILMOAP::MNU_FILE_ASAVE_Click,
        &FRM_QUILMOAP::MNU_EDIT_TEXT_Click,   &FRM_QUILMOAP::MNU_EDIT_COPY_Click,
        &FRM_QUILMOAP::MNU_EDIT_PAST_Click,   &FRM_QUILMOAP::MNU_DSP_ZOOMIN_Click,
        &FRM_QUILMOAP::MNU_DSP_ZOOMOUT_Click, &FRM_QUILMOAP::MNU_FILE_MAIL_Click};
    if (index >= 0 && index < 8 && !m_busy) (this->*commands[index])();
}

// ---------------------------------------------------------------------------------------------
// View menu

void FRM_QUILMOAP::createViewMenu() {
    QMenu* dsp = addMenu(nullptr, "MNU_DSP", QStringLiteral("表示(&V)"));
    MNU_DSP_ZOOMIN = addItem(dsp, "MNU_DSP_ZOOMIN", QStringLiteral("拡大(&Z)    +"),
                             &FRM_QUILMOAP::MNU_DSP_ZOOMIN_Click);
    MNU_DSP_ZOOMOUT = addItem(dsp, "MNU_DSP_ZOOMOUT", QStringLiteral("縮小(&O)    -"),
                              &FRM_QUILMOAP::MNU_DSP_ZOOMOUT_Click);
    MNU_DSP_ORG = addItem(dsp, "MNU_DSP_ORG", QStringLiteral("元のｻｲｽﾞに戻す(&Z)"),
                          &FRM_QUILMOAP::MNU_DSP_ORG_Click, Qt::CTRL | Qt::Key_H);
    dsp->addSeparator()->setObjectName(QStringLiteral("MNU_DSP_H1"));
    MNU_DSP_FREFRESH = addItem(dsp, "MNU_DSP_FREFRESH", QStringLiteral("ﾌｧｲﾙ一覧を更新(&R)"),
                               &FRM_QUILMOAP::MNU_DSP_FREFRESH_Click, Qt::Key_F5);
    dsp->addSeparator()->setObjectName(QStringLiteral("MNU_DSP_H2"));
    MNU_DSP_MOTION = addItem(dsp, "MNU_DSP_MOTION", QStringLiteral("Motion Viewer ..."),
                             &FRM_QUILMOAP::MNU_DSP_MOTION_Click, Qt::Key_F9);
}

void FRM_QUILMOAP::setZoom(int percent) {
    LEAD2->setPaintZoomFactor(percent);
    Label2->setText(QString::number(LEAD2->PaintZoomFactor()) + QLatin1Char('%'));
    Label2->adjustSize();
}

void FRM_QUILMOAP::MNU_DSP_ZOOMIN_Click() {
    const int zoom = LEAD2->PaintZoomFactor();
    if (zoom <= 900) setZoom(zoom + (zoom >= 100 ? 100 : 10));
}

void FRM_QUILMOAP::MNU_DSP_ZOOMOUT_Click() {
    const int zoom = LEAD2->PaintZoomFactor();
    if (zoom > 10) setZoom(zoom - (zoom > 100 ? 100 : 10));
}

void FRM_QUILMOAP::MNU_DSP_ORG_Click() {
    setZoom(100);
}

void FRM_QUILMOAP::MNU_DSP_MOTION_Click() {
    FRM_MOTION::openNew(settings, {}, this);
}

// ---------------------------------------------------------------------------------------------
// File browser

void FRM_QUILMOAP::Drive1_Change() {
    Dir1->setPath(Drive1->Drive());
}

void FRM_QUILMOAP::Dir1_Change() {
    File1->setPath(Dir1->Path());
}

void FRM_QUILMOAP::MNU_DSP_FREFRESH_Click() {
    Drive1->Refresh();
    Dir1->Refresh();
    File1->Refresh();
}
