// The edit menu of the main window: undo, redo, the clipboard, and the commands that draw
// over the output or reduce its colours.
#include "gui/app/frm_quilmoap.h"

#include "core/image/imagecontrol.h"
#include "core/image/imagelimits.h"
#include "core/image/imageops.h"
#include "core/util/messages.h"
#include "core/util/numbers.h"
#include "gui/app/frm_text.h"
#include "gui/widgets/dialogs.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>

void FRM_QUILMOAP::createEditMenu() {
    QMenu* edit = addMenu(nullptr, "MNU_EDIT", QStringLiteral("編集(&E)"));
    MNU_EDIT_UNDO = addItem(edit, "MNU_EDIT_UNDO", QStringLiteral("元に戻す(&U)"),
                            &FRM_QUILMOAP::MNU_EDIT_UNDO_Click, Qt::CTRL | Qt::Key_Z);
    MNU_EDIT_REDO = addItem(edit, "MNU_EDIT_REDO", QStringLiteral("やり直す(&R)"),
                            &FRM_QUILMOAP::MNU_EDIT_REDO_Click, Qt::CTRL | Qt::Key_Y);
    edit->addSeparator()->setObjectName(QStringLiteral("MNU_EDIT_H0"));
    MNU_EDIT_COPY = addItem(edit, "MNU_EDIT_COPY", QStringLiteral("ｺﾋﾟｰ(&C)"),
                            &FRM_QUILMOAP::MNU_EDIT_COPY_Click, Qt::CTRL | Qt::Key_C);
    MNU_EDIT_PAST = addItem(edit, "MNU_EDIT_PAST", QStringLiteral("ﾍﾟｰｽﾄ(&P)"),
                            &FRM_QUILMOAP::MNU_EDIT_PAST_Click, Qt::CTRL | Qt::Key_V);
    edit->addSeparator()->setObjectName(QStringLiteral("MNU_EDIT_H1"));
    MNU_EDIT_TEXT = addItem(edit, "MNU_EDIT_TEXT", QStringLiteral("文字の挿入(&A)..."),
                            &FRM_QUILMOAP::MNU_EDIT_TEXT_Click, Qt::CTRL | Qt::Key_T);
    MNU_EDIT_BKGROUND =
        addItem(edit, "MNU_EDIT_BKGROUND", QStringLiteral("背景の塗りつぶし(&B)..."),
                &FRM_QUILMOAP::MNU_EDIT_BKGROUND_Click, Qt::CTRL | Qt::Key_F);
    edit->addSeparator()->setObjectName(QStringLiteral("MNU_EDIT_H2"));
    QMenu* gen = addMenu(edit, "MNU_EDIT_GEN", QStringLiteral("減色化(&G)"));
    const auto gcolor = &FRM_QUILMOAP::MNU_EDIT_GCOLOR_Click;
    MNU_EDIT_GCOLOR[0] =
        addItem(gen, "MNU_EDIT_GCOLOR", QStringLiteral("256色 (8ビット)"), gcolor, 0);
    MNU_EDIT_GCOLOR[1] =
        addItem(gen, "MNU_EDIT_GCOLOR", QStringLiteral("16色 (4ビット)"), gcolor, 1);
    MNU_EDIT_GCOLOR[2] =
        addItem(gen, "MNU_EDIT_GCOLOR", QStringLiteral("4色 (2ビット)"), gcolor, 2);
    MNU_EDIT_GCOLOR[3] =
        addItem(gen, "MNU_EDIT_GCOLOR", QStringLiteral("2色 (1ビット)"), gcolor, 3);
    gen->addSeparator()->setObjectName(QStringLiteral("MNU_EDIT_GH1"));
    MNU_EDIT_GCOLSET = addItem(gen, "MNU_EDIT_GCOLSET", QStringLiteral("減色数指定..."),
                               &FRM_QUILMOAP::MNU_EDIT_GCOLSET_Click);
    QMenu* hiri = addMenu(edit, "MNU_EDIT_HIRI", QStringLiteral("比率調整(&H)"));
    const auto hiritu = &FRM_QUILMOAP::MNU_EDIT_HIRITU_Click;
    MNU_EDIT_HIRITU[0] = addItem(hiri, "MNU_EDIT_HIRITU", QStringLiteral("幅基準"), hiritu, 0);
    MNU_EDIT_HIRITU[1] = addItem(hiri, "MNU_EDIT_HIRITU", QStringLiteral("高さ基準"), hiritu, 1);
}

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

void FRM_QUILMOAP::MNU_EDIT_BKGROUND_Click() {
    const std::optional<QColor> colour = Dialogs::get().colour(this, Qt::white);
    if (!colour || !LEAD1->Bitmap()) return;
    const QImage filled = ImageOps::fill(LEAD1->image(), QRect(), *colour);
    if (filled.isNull()) return;
    LEAD1->setImage(filled, 24);
    outputRedrawn();
}

void FRM_QUILMOAP::MNU_EDIT_GCOLOR_Click(int index) {
    static constexpr int counts[4] = {256, 16, 4, 2};
    if (index < 0 || index > 3) return;
    if (PNGRedraw(counts[index])) reduced = true;
}

void FRM_QUILMOAP::MNU_EDIT_GCOLSET_Click() {
    const std::optional<QString> answer = Dialogs::get().input(
        this, Msg::colourCountPrompt(), Msg::colourCountTitle(), Msg::colourCountDefault());
    const ImageOps::ColourCount n = ImageOps::parseColourCount(answer.value_or(QString()));
    if (n.kind == ImageOps::ColourCount::OutOfRange)
        Dialogs::get().message(this, Msg::colourCountInvalid(), Msg::colourCountInvalidTitle(),
                               Dialogs::Icon::Exclamation, Dialogs::Buttons::Ok);
    else if (n.kind == ImageOps::ColourCount::Count && PNGRedraw(n.count))
        reduced = true;
}

void FRM_QUILMOAP::MNU_EDIT_HIRITU_Click(int index) {
    if (!LEAD2->Bitmap()) return;
    const auto r =
        ImageOps::ratioRect(LEAD2->image().size(), LEAD2->HasRgn() ? LEAD2->rgn() : QRect(),
                            Val(Text1[0]->text()), Val(Text1[1]->text()), index);
    if (!r) return;
    const QRect p = r->pixels();
    LEAD2->SetRgnRect(p.left(), p.top(), p.width(), p.height());
}

void FRM_QUILMOAP::MNU_EDIT_TEXT_Click() {
    if (!LEAD1->Bitmap()) return;
    const std::optional<TextSettings> chosen = TextDialog::ask(this, LEAD1->image(), textSettings);
    if (!chosen) return;
    textSettings = *chosen; // the next opening starts from these
    const QImage drawn = drawText(LEAD1->image(), *chosen);
    if (drawn.isNull()) return;
    LEAD1->setImage(drawn, 24);
    outputRedrawn();
}

void FRM_QUILMOAP::outputRedrawn() {
    LEAD1->ForceRepaint();
    reduced = false; // drawn over: a later save reduces again
    Label5->clear(); // the count no longer describes the picture
}
