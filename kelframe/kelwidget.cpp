#include "kelframe/kelwidget.h"

#include "kelframe/kelskin.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOption>
#include <QWindow>

KelWidget::KelWidget(QWidget *parent)
    : QWidget(parent, parent ? Qt::WindowFlags() : Qt::Window | Qt::FramelessWindowHint)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_StyledBackground);
    connect(KelSkin::instance(), &KelSkin::skinChanged, this, &KelWidget::updateUiState);
}

void KelWidget::setMovable(bool movable)
{
    m_movable = movable;
}

bool KelWidget::isMovable() const
{
    return m_movable;
}

void KelWidget::setResizable(bool resizable)
{
    m_resizable = resizable;
    if (!resizable)
        unsetCursor();
}

bool KelWidget::isResizable() const
{
    return m_resizable;
}

void KelWidget::setResizeMargin(int margin)
{
    m_resizeMargin = qMax(0, margin);
}

int KelWidget::resizeMargin() const
{
    return m_resizeMargin;
}

void KelWidget::retranslate()
{
}

void KelWidget::updateUiState()
{
}

void KelWidget::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QWidget::changeEvent(event);
}

void KelWidget::paintEvent(QPaintEvent *)
{
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}

Qt::Edges KelWidget::edgesAt(const QPoint &pos) const
{
    Qt::Edges edges;
    if (!m_resizable || isMaximized() || isFullScreen())
        return edges;
    if (pos.x() < m_resizeMargin)
        edges |= Qt::LeftEdge;
    else if (pos.x() >= width() - m_resizeMargin)
        edges |= Qt::RightEdge;
    if (pos.y() < m_resizeMargin)
        edges |= Qt::TopEdge;
    else if (pos.y() >= height() - m_resizeMargin)
        edges |= Qt::BottomEdge;
    return edges;
}

void KelWidget::updateCursor(Qt::Edges edges)
{
    if (edges == (Qt::LeftEdge | Qt::TopEdge) || edges == (Qt::RightEdge | Qt::BottomEdge))
        setCursor(Qt::SizeFDiagCursor);
    else if (edges == (Qt::RightEdge | Qt::TopEdge) || edges == (Qt::LeftEdge | Qt::BottomEdge))
        setCursor(Qt::SizeBDiagCursor);
    else if (edges & (Qt::LeftEdge | Qt::RightEdge))
        setCursor(Qt::SizeHorCursor);
    else if (edges & (Qt::TopEdge | Qt::BottomEdge))
        setCursor(Qt::SizeVerCursor);
    else
        unsetCursor();
}

void KelWidget::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const Qt::Edges edges = edgesAt(event->position().toPoint());
    if (!edges && !m_movable) {
        QWidget::mousePressEvent(event);
        return;
    }
    event->accept();
    // A window lets the window system do it: it knows about snapping,
    // other screens and Wayland, where a window cannot place itself.
    if (isWindow() && windowHandle()) {
        const bool started = edges ? windowHandle()->startSystemResize(edges)
                                   : windowHandle()->startSystemMove();
        if (started)
            return;
    }
    m_dragEdges = edges;
    m_moving = !edges;
    m_pressGlobal = event->globalPosition().toPoint();
    m_pressGeometry = geometry();
}

void KelWidget::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_moving && !m_dragEdges) {
        updateCursor(edgesAt(event->position().toPoint()));
        QWidget::mouseMoveEvent(event);
        return;
    }
    const QPoint delta = event->globalPosition().toPoint() - m_pressGlobal;
    if (m_moving) {
        move(m_pressGeometry.topLeft() + delta);
        return;
    }
    QRect target = m_pressGeometry;
    const QSize minimum = minimumSizeHint().expandedTo(minimumSize()).expandedTo(QSize(2 * m_resizeMargin, 2 * m_resizeMargin));
    if (m_dragEdges & Qt::LeftEdge)
        target.setLeft(qMin(target.left() + delta.x(), target.right() - minimum.width() + 1));
    if (m_dragEdges & Qt::RightEdge)
        target.setRight(qMax(target.right() + delta.x(), target.left() + minimum.width() - 1));
    if (m_dragEdges & Qt::TopEdge)
        target.setTop(qMin(target.top() + delta.y(), target.bottom() - minimum.height() + 1));
    if (m_dragEdges & Qt::BottomEdge)
        target.setBottom(qMax(target.bottom() + delta.y(), target.top() + minimum.height() - 1));
    setGeometry(target);
}

void KelWidget::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_moving || m_dragEdges) {
        m_moving = false;
        m_dragEdges = Qt::Edges();
        event->accept();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

void KelWidget::leaveEvent(QEvent *event)
{
    if (!m_moving && !m_dragEdges)
        unsetCursor();
    QWidget::leaveEvent(event);
}
