// The selection on the canvas and the rebuild of the output picture from it.
#include "gui/app/frm_quilmoap.h"

#include "core/image/imagecontrol.h"
#include "core/image/imagelimits.h"
#include "core/image/selection.h"
#include "core/util/messages.h"
#include "core/util/numbers.h"
#include "gui/widgets/dialogs.h"
#include "gui/widgets/imageview.h"

#include <QLabel>
#include <QLineEdit>

void FRM_QUILMOAP::LEAD2_MouseDown(Qt::MouseButtons button, Qt::KeyboardModifiers shift, int x,
                                   int y) {
    LEAD2_MouseMove(button, shift, x, y);
}

void FRM_QUILMOAP::LEAD2_MouseMove(Qt::MouseButtons button, Qt::KeyboardModifiers, int x, int y) {
    Label3->setText(QStringLiteral("%1,%2").arg(x).arg(y));
    if (button == Qt::RightButton && LEAD2->HasRgn() && LEAD2->Bitmap()) {
        const double zoom = LEAD2->PaintZoomFactor() / 100.0;
        const QPointF pointer((x - LEAD2View->DstLeft()) / zoom, (y - LEAD2View->DstTop()) / zoom);
        const QRect r = LEAD2->rgn();
        const QPoint to = Selection::moveTarget(pointer, LEAD2->image().size(), r.size());
        if (to != r.topLeft()) {
            LEAD2->RgnFrameType = 0;
            LEAD2->SetRgnRect(to.x(), to.y(), r.width(), r.height());
            LEAD2->RgnFrameType = 1;
            // The rebuild repainted the canvas while the outline was off.
            LEAD2->ForceRepaint();
        }
    }
    if (LEAD2->HasRgn()) showSelectionText();
}

void FRM_QUILMOAP::showSelectionText() {
    Label4->setText(Selection::text(LEAD2->rgn()));
    Label4->adjustSize(); // as wide as its text, never cut at the designed width
    Label4->repaint();
}

void FRM_QUILMOAP::LEAD2_RgnChange() {
    if (!LEAD2->HasRgn()) return;
    const double w = Val(Text1[0]->text()), h = Val(Text1[1]->text());
    if (w >= 1 && h >= 1 &&
        !ImageLimits::fits(qint64(std::min(w, 1e9)), qint64(std::min(h, 1e9)))) {
        Dialogs::inform(this, Msg::outputTooLarge(), Dialogs::Icon::Exclamation);
        return;
    }
    const QImage output = Selection::cutAndScale(LEAD2->image(), LEAD2->rgn(), CLngSat(w),
                                                 CLngSat(h), LEAD2->BitsPerPixel() > 8);
    // A size below 1 or a selection outside the picture changes nothing at all.
    if (output.isNull()) return;
    undoCopies.save(*LEAD1, reduced);
    LEAD1->setImage(output, 24);
    showSelectionText();
    reduced = false;
    updateActions();
}

void FRM_QUILMOAP::MNU_IMG_ALLSELECT_Click() {
    if (LEAD2->Bitmap()) LEAD2->SetRgnRect(0, 0, LEAD2->BitmapWidth(), LEAD2->BitmapHeight());
}
