#pragma once
// The widget that shows an ImageControl: zoomed, scrollable, with the selection outline and the
// rubber band the user drags to mark a rectangle.
#include <QAbstractScrollArea>
#include <QPointer>

class ImageControl;

class ImageView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit ImageView(ImageControl* control, QWidget* parent = nullptr);
    ImageControl* control() const;
    // For previews of a fixed size: no scroll bars, which would take the picture's room.
    void hideScrollBars();

    // Image pixel under a viewport point (may lie outside the image).
    QPoint toImage(QPoint viewportPoint) const;
    QPoint toViewport(QPoint imagePoint) const;
    // Left/top of the image in the viewport (negative when scrolled).
    int DstLeft() const;
    int DstTop() const;

signals:
    // Mouse events in viewport pixels (toImage() converts), for the window's handlers. Down and
    // up carry the button that changed, move carries the buttons held.
    void MouseDown(Qt::MouseButtons button, Qt::KeyboardModifiers mods, int x, int y);
    void MouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers mods, int x, int y);
    void MouseUp(Qt::MouseButtons button, Qt::KeyboardModifiers mods, int x, int y);

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void updateScrollBars();
    QRect markedRect(QPoint a, QPoint b) const;

    QPointer<ImageControl> m_control;
    bool m_marking = false;
    QPoint m_markStart, m_markEnd;
};
