// The edit and image menu commands that change pixels: fill, colour counts, ratios, turns,
// grey scale, inversion, the processing dialog and text.
#include "app/frm_quilmoap.h"

#include "editing/frm_process.h"
#include "editing/frm_text.h"
#include "editing/imageops.h"
#include "platform/dialogs.h"
#include "platform/imagecontrol.h"
#include "platform/imageview.h"
#include "util/messages.h"
#include "util/numbers.h"

#include <QLabel>
#include <QLineEdit>

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
    if (!LEAD2->Bitmap()) return;
    // Only a confirmed dialog rebuilds the output: a cancel leaves output and undo copy alone.
    const std::optional<QImage> processed = ProcessDialog::ask(LEAD2View, LEAD2->image());
    if (!processed || processed->isNull()) return;
    replaceInput(*processed, 24);
    LEAD2_RgnChange();
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

void FRM_QUILMOAP::replaceInput(const QImage& image, int bits) {
    if (image.isNull()) return;
    LEAD2->setImage(image, bits); // the output follows at the next change of the selection
    LEAD2->ForceRepaint();
}

void FRM_QUILMOAP::outputRedrawn() {
    LEAD1->ForceRepaint();
    reduced = false; // drawn over: a later save reduces again
    Label5->clear(); // the count no longer describes the picture
}
