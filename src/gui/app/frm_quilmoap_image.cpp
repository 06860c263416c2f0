// The image menu of the main window: information, turns, grey scale, inversion and the
// processing dialog, all on the input picture; select all lives with the selection.
#include "gui/app/frm_quilmoap.h"

#include "core/image/imagecontrol.h"
#include "core/image/imageops.h"
#include "gui/app/frm_imginfo.h"
#include "gui/app/frm_process.h"
#include "gui/widgets/imageview.h"

#include <QMenu>

void FRM_QUILMOAP::createImageMenu() {
    QMenu* img = addMenu(nullptr, "MNU_IMG", QStringLiteral("画像"));
    MNU_IMG_INFO = addItem(img, "MNU_IMG_INFO", QStringLiteral("画像の情報(&I)..."),
                           &FRM_QUILMOAP::MNU_IMG_INFO_Click);
    img->addSeparator()->setObjectName(QStringLiteral("MNU_IMG_H1"));
    const auto roll = &FRM_QUILMOAP::MNU_IMG_ROLL_Click;
    MNU_IMG_ROLL[0] = addItem(img, "MNU_IMG_ROLL", QStringLiteral("左回転(&L)"), roll, 0);
    MNU_IMG_ROLL[1] = addItem(img, "MNU_IMG_ROLL", QStringLiteral("右回転(&R)"), roll, 1);
    MNU_IMG_ROLL[2] = addItem(img, "MNU_IMG_ROLL", QStringLiteral("上下反転(&V)"), roll, 2);
    MNU_IMG_ROLL[3] = addItem(img, "MNU_IMG_ROLL", QStringLiteral("左右反転(&H)"), roll, 3);
    img->addSeparator()->setObjectName(QStringLiteral("MNU_IMG_H2"));
    MNU_IMG_GLAY = addItem(img, "MNU_IMG_GLAY", QStringLiteral("ｸﾞﾚｰｽｹｰﾙに変換(&G)"),
                           &FRM_QUILMOAP::MNU_IMG_GLAY_Click);
    MNU_IMG_CTURN = addItem(img, "MNU_IMG_CTURN", QStringLiteral("色の反転(&T)"),
                            &FRM_QUILMOAP::MNU_IMG_CTURN_Click);
    img->addSeparator()->setObjectName(QStringLiteral("MNU_IMG_H3"));
    MNU_IMG_ALL = addItem(img, "MNU_IMG_ALL", QStringLiteral("画像処理(&P)..."),
                          &FRM_QUILMOAP::MNU_IMG_ALL_Click);
    img->addSeparator()->setObjectName(QStringLiteral("MNU_IMG_H4"));
    MNU_IMG_ALLSELECT = addItem(img, "MNU_IMG_ALLSELECT", QStringLiteral("全て選択(&A)"),
                                &FRM_QUILMOAP::MNU_IMG_ALLSELECT_Click, Qt::CTRL | Qt::Key_A);
}

void FRM_QUILMOAP::MNU_IMG_INFO_Click() {
    imageInfoWindow()->exec();
}

void FRM_QUILMOAP::MNU_IMG_ROLL_Click(int index) {
    using Op = QImage (*)(const QImage&);
    static constexpr Op ops[4] = {ImageOps::rotateLeft, ImageOps::rotateRight, ImageOps::flip,
                                  ImageOps::mirror};
    if (index < 0 || index > 3 || !LEAD2->Bitmap()) return;
    replaceInput(ops[index](LEAD2->image()), LEAD2->BitsPerPixel());
}

void FRM_QUILMOAP::MNU_IMG_GLAY_Click() {
    if (LEAD2->Bitmap()) replaceInput(ImageOps::greyscale(LEAD2->image()), 24);
}

void FRM_QUILMOAP::MNU_IMG_CTURN_Click() {
    if (LEAD2->Bitmap()) replaceInput(ImageOps::invert(LEAD2->image()), LEAD2->BitsPerPixel());
}

void FRM_QUILMOAP::MNU_IMG_ALL_Click() {
    if (m_busy || !LEAD2->Bitmap()) return;
    // Only a confirmed dialog rebuilds the output: a cancel leaves output and undo copy alone.
    setBusy(true); // the filter runs on a worker thread while the window repaints
    const std::optional<QImage> processed = ProcessDialog::ask(LEAD2View, LEAD2->image());
    setBusy(false);
    if (!processed || processed->isNull()) return;
    replaceInput(*processed, 24);
    LEAD2_RgnChange();
}

void FRM_QUILMOAP::setBusy(bool busy) {
    m_busy = busy;
    updateActions();
}

void FRM_QUILMOAP::replaceInput(const QImage& image, int bits) {
    if (image.isNull()) return;
    LEAD2->setImage(image, bits); // the output follows at the next change of the selection
    LEAD2->ForceRepaint();
}
