#include "gui/widgets/placement.h"

#include <QScreen>
#include <QWidget>

#include <algorithm>

void showOver(QWidget* window, const QWidget* opener) {
    if (opener && !window->testAttribute(Qt::WA_Moved)) {
        opener = opener->window();
        if (!window->testAttribute(Qt::WA_Resized)) window->adjustSize();
        // The new window's frame is not known before it is shown; its size is near enough.
        QRect placed(QPoint(), window->size());
        placed.moveCenter(opener->frameGeometry().center());
        if (const QScreen* screen = opener->screen()) {
            const QRect free = screen->availableGeometry();
            placed.moveLeft(
                std::max(free.left(), std::min(placed.left(), free.right() + 1 - placed.width())));
            placed.moveTop(
                std::max(free.top(), std::min(placed.top(), free.bottom() + 1 - placed.height())));
        }
        window->move(placed.topLeft());
    }
    window->show();
}
