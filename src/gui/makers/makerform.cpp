#include "gui/makers/makerform.h"

#include "core/image/fonts.h"
#include "core/image/imagecontrol.h"
#include "core/util/appsettings.h"
#include "gui/widgets/dialogs.h"
#include "gui/widgets/imageview.h"

#include <QComboBox>
#include <QFont>
#include <QLabel>
#include <QPushButton>

namespace MakerForm {

void setClientSize(QWidget* form, int widthTwips, int heightTwips) {
    form->setFixedSize(widthTwips / TwipsPerPixel, heightTwips / TwipsPerPixel);
}

void place(QWidget* control, int left, int top, int width, int height) {
    control->setGeometry(left / TwipsPerPixel, top / TwipsPerPixel, width / TwipsPerPixel,
                         height / TwipsPerPixel);
}

QLabel* label(QWidget* parent, const QString& text, int left, int top, int width, int height) {
    auto* l = new QLabel(text, parent);
    place(l, left, top, width, height);
    return l;
}

QComboBox* combo(QWidget* parent, bool editable, int left, int top, int width, int height) {
    auto* c = new QComboBox(parent);
    c->setEditable(editable);
    place(c, left, top, width, height);
    return c;
}

QPushButton* button(QWidget* parent, const QString& text, int left, int top, int width,
                    int height) {
    auto* b = new QPushButton(text, parent);
    place(b, left, top, width, height);
    return b;
}

ImageView* view(QWidget* parent, ImageControl* control, int left, int top, int width, int height) {
    auto* v = new ImageView(control, parent);
    v->setFrameShape(QFrame::Box);
    v->setLineWidth(1);
    v->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    v->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    place(v, left, top, width, height);
    return v;
}

bool chooseFont(QWidget* owner, Makers::FontSpec& font) {
    const QString installed = Fonts::substituteFor(font.name);
    QFont initial(installed.isEmpty() ? font.name : installed);
    initial.setPointSizeF(std::max(font.points, Makers::minPoints));
    initial.setBold(font.bold);
    initial.setItalic(font.italic);
    const std::optional<QFont> chosen = Dialogs::get().font(owner, initial);
    if (!chosen) return false;
    font.name = chosen->family();
    // A font given in pixels has no point size; 96 dpi is what the pictures are drawn at.
    font.points =
        chosen->pointSizeF() > 0 ? chosen->pointSizeF() : chosen->pixelSize() * 72.0 / 96.0;
    font.points = std::max(font.points, Makers::minPoints);
    font.bold = chosen->bold();
    font.italic = chosen->italic();
    return true;
}

} // namespace MakerForm
