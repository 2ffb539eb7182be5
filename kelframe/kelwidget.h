#pragma once

#include "kelframe/kelframeglobal.h"

#include <QPoint>
#include <QRect>
#include <QWidget>

// A frameless widget that the user can move by dragging any free part of it
// and size by dragging its edges. As a window it asks the window system to
// move or size it (so that snapping and Wayland work) and falls back to
// moving itself; as a child it moves and sizes itself inside its parent.
// Retranslates itself on language changes; style sheets can give it a
// background and border.
class KELFRAME_EXPORT KelWidget : public QWidget
{
    Q_OBJECT
public:
    explicit KelWidget(QWidget *parent = nullptr);

    void setMovable(bool movable);
    bool isMovable() const;
    void setResizable(bool resizable);
    bool isResizable() const;
    // Width of the band along the edges that sizes the widget.
    void setResizeMargin(int margin);
    int resizeMargin() const;

public slots:
    virtual void retranslate();
    virtual void updateUiState();

protected:
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    Qt::Edges edgesAt(const QPoint &pos) const;
    void updateCursor(Qt::Edges edges);

    bool m_movable = true;
    bool m_resizable = true;
    int m_resizeMargin = 6;
    Qt::Edges m_dragEdges;
    bool m_moving = false;
    QPoint m_pressGlobal;
    QRect m_pressGeometry;
};
