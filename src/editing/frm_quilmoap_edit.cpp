// Undo, redo and the clipboard of the main window.
#include "app/frm_quilmoap.h"

#include "platform/imagecontrol.h"
#include "platform/imagelimits.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QPainter>

void FRM_QUILMOAP::MNU_EDIT_UNDO_Click() {
    if (undoCopies.undo(*LEAD1, reduced)) updateActions();
}

void FRM_QUILMOAP::MNU_EDIT_REDO_Click() {
    if (undoCopies.redo(*LEAD1, reduced)) updateActions();
}

void FRM_QUILMOAP::MNU_EDIT_COPY_Click() {
    const QRect cut = LEAD2->rgn().intersected(LEAD2->image().rect());
    if (!LEAD2->HasRgn() || cut.isEmpty()) return; // no stale picture reaches the clipboard
    LEAD3->setImage(LEAD2->image().copy(cut).convertToFormat(QImage::Format_RGB32), 24);
    QGuiApplication::clipboard()->setImage(LEAD3->image());
}

void FRM_QUILMOAP::MNU_EDIT_PAST_Click() {
    const QImage pasted = QGuiApplication::clipboard()->image();
    if (pasted.isNull() || !ImageLimits::fits(pasted.width(), pasted.height())) return;
    // Transparent parts become white, as in every picture the editor opens.
    QImage rgb(pasted.size(), QImage::Format_RGB32);
    rgb.fill(Qt::white);
    QPainter(&rgb).drawImage(0, 0, pasted);
    LEAD3->setImage(rgb, 24);
    LEAD2->setBitmap(*LEAD3);
    LEAD2->ForceRepaint();
}
