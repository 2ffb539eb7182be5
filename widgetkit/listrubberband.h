#pragma once

#include <QColor>
#include <QWidget>

namespace Tarn {

// The rubber band of the list views: a framed, translucent rectangle over the
// viewport and over the live cells on it, transparent to the mouse.
class ListRubberBand : public QWidget
{
    Q_OBJECT

public:
    explicit ListRubberBand(QWidget *viewport);

    // An opaque fill is drawn translucent.
    void setColors(const QColor &border, const QColor &fill);
    // rect in viewport coordinates, normalised.
    void setBand(const QRect &rect);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor border;
    QColor fill;
};

} // namespace Tarn
