#pragma once
// Building blocks of the maker windows: controls placed in twips, the picture view, the font
// dialog on a maker's font.
#include "core/makers/makerdraw.h"

#include <QString>

class ImageControl;
class ImageView;
class QComboBox;
class QLabel;
class QPushButton;
class QWidget;

namespace MakerForm {

void setClientSize(QWidget* form, int widthTwips, int heightTwips);
void place(QWidget* control, int left, int top, int width, int height);
QLabel* label(QWidget* parent, const QString& text, int left, int top, int width, int height);
QComboBox* combo(QWidget* parent, bool editable, int left, int top, int width, int height);
QPushButton* button(QWidget* parent, const QString& text, int left, int top, int width, int height);
// The picture at real size with a one-pixel frame, not zoomable or markable.
ImageView* view(QWidget* parent, ImageControl* control, int left, int top, int width, int height);
// The font dialog preset from the font; the chosen name, size, bold and italic are copied back.
// False (the font unchanged) when the dialog was cancelled.
bool chooseFont(QWidget* owner, Makers::FontSpec& font);

} // namespace MakerForm
