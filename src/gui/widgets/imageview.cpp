#include "gui/widgets/imageview.h"

#include "core/image/imagecontrol.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

ImageView::ImageView(ImageControl* control, QWidget* parent)
    : QAbstractScrollArea(parent), m_control(control) {
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    viewport()->setBackgroundRole(QPalette::Dark);
    viewport()->setAutoFillBackground(true);
    viewport()->setMouseTracking(true);
    auto refresh = [this] {
        updateScrollBars();
        viewport()->update();
    };
    connect(control, &ImageControl::imageChanged, this, refresh);
    connect(control, &ImageControl::zoomChanged, this, refresh);
    connect(control, &ImageControl::viewReset, this, refresh);
    connect(control, &ImageControl::repaintRequested, this, refresh);
    connect(control, &ImageControl::selectionChanged, viewport(), qOverload<>(&QWidget::update));
}

ImageControl* ImageView::control() const {
    return m_control;
}

void ImageView::hideScrollBars() {
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

int ImageView::DstLeft() const {
    return -horizontalScrollBar()->value();
}
int ImageView::DstTop() const {
    return -verticalScrollBar()->value();
}

QPoint ImageView::toImage(QPoint p) const {
    const int zoom = m_control ? m_control->PaintZoomFactor() : 100;
    auto conv = [zoom](int v, int offset) {
        // floor division, so points left of the image map to negative pixels
        const qint64 n = qint64(v - offset) * 100;
        return int(n >= 0 ? n / zoom : -((-n + zoom - 1) / zoom));
    };
    return {conv(p.x(), DstLeft()), conv(p.y(), DstTop())};
}

QPoint ImageView::toViewport(QPoint p) const {
    const int zoom = m_control ? m_control->PaintZoomFactor() : 100;
    return {int(qint64(p.x()) * zoom / 100) + DstLeft(),
            int(qint64(p.y()) * zoom / 100) + DstTop()};
}

void ImageView::updateScrollBars() {
    if (!m_control) return;
    const int zoom = m_control->PaintZoomFactor();
    const qint64 w = qint64(m_control->BitmapWidth()) * zoom / 100;
    const qint64 h = qint64(m_control->BitmapHeight()) * zoom / 100;
    const QSize vp = viewport()->size();
    horizontalScrollBar()->setRange(0, int(std::clamp<qint64>(w - vp.width(), 0, INT_MAX / 2)));
    verticalScrollBar()->setRange(0, int(std::clamp<qint64>(h - vp.height(), 0, INT_MAX / 2)));
    horizontalScrollBar()->setPageStep(vp.width());
    verticalScrollBar()->setPageStep(vp.height());
    horizontalScrollBar()->setSingleStep(16);
    verticalScrollBar()->setSingleStep(16);
}

void ImageView::resizeEvent(QResizeEvent* e) {
    QAbstractScrollArea::resizeEvent(e);
    updateScrollBars();
}

void ImageView::scrollContentsBy(int, int) {
    viewport()->update();
}

void ImageView::paintEvent(QPaintEvent* e) {
    if (!m_control || !m_control->Bitmap()) return;
    QPainter p(viewport());
    const QImage& img = m_control->image();
    // Only the visible part is scaled: a 1000 % view of a big picture must not build the whole
    // enlarged image.
    const QRect visible = e->rect();
    const QPoint a = toImage(visible.topLeft());
    const QPoint b = toImage(visible.bottomRight() + QPoint(1, 1));
    const QRect src = QRect(a, b + QPoint(1, 1)).intersected(img.rect());
    if (!src.isEmpty()) {
        const QRect dst(toViewport(src.topLeft()), toViewport(src.bottomRight() + QPoint(1, 1)));
        p.setRenderHint(QPainter::SmoothPixmapTransform, false);
        p.drawImage(QRect(dst.topLeft(), dst.size() - QSize(0, 0)), img, src);
    }
    if (m_control->RgnFrameType == 1) {
        QRect r = m_marking ? markedRect(m_markStart, m_markEnd) : m_control->rgn();
        if (!r.isEmpty()) {
            const QRect v(toViewport(r.topLeft()), toViewport(r.bottomRight() + QPoint(1, 1)));
            QPen pen(Qt::black, 1, Qt::DashLine);
            p.setPen(Qt::white);
            p.drawRect(v.adjusted(0, 0, -1, -1));
            p.setPen(pen);
            p.drawRect(v.adjusted(0, 0, -1, -1));
        }
    }
}

QRect ImageView::markedRect(QPoint a, QPoint b) const {
    QRect r = QRect(a, b).normalized();
    r.setSize(r.size() - QSize(1, 1)); // the release point is the edge, not a pixel inside
    if (m_control) r = r.intersected(m_control->image().rect());
    return r;
}

void ImageView::mousePressEvent(QMouseEvent* e) {
    const QPoint vp = e->position().toPoint();
    const QPoint ip = toImage(vp);
    if (m_control && e->button() == Qt::LeftButton && m_control->RgnMarkingMode == 1 &&
        m_control->Bitmap()) {
        m_marking = true;
        m_markStart = m_markEnd = ip;
    }
    emit MouseDown(e->button(), e->modifiers(), vp.x(), vp.y());
}

void ImageView::mouseMoveEvent(QMouseEvent* e) {
    const QPoint vp = e->position().toPoint();
    if (m_marking) {
        m_markEnd = toImage(vp);
        viewport()->update();
    }
    emit MouseMove(e->buttons(), e->modifiers(), vp.x(), vp.y());
}

void ImageView::mouseReleaseEvent(QMouseEvent* e) {
    const QPoint vp = e->position().toPoint();
    if (m_marking && e->button() == Qt::LeftButton) {
        m_marking = false;
        m_markEnd = toImage(vp);
        const QRect r = markedRect(m_markStart, m_markEnd);
        if (!r.isEmpty()) m_control->markRgn(r);
        viewport()->update();
    }
    emit MouseUp(e->button(), e->modifiers(), vp.x(), vp.y());
}
