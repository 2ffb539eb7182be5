#pragma once

#include <QColor>
#include <QVariantAnimation>
#include <QWidget>

namespace Tarn {

// A calm spinning arc that says "working on it": drawn, not a picture, so
// that it is sharp at any scale and takes the skin's accent colour.
class BusyIndicator : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QColor color READ color WRITE setColor)
    Q_PROPERTY(QColor trackColor READ trackColor WRITE setTrackColor)
public:
    explicit BusyIndicator(QWidget *parent = nullptr);

    void start();
    void stop();
    bool isRunning() const;

    QColor color() const { return arcColor; }
    void setColor(const QColor &color);
    QColor trackColor() const { return track; }
    void setTrackColor(const QColor &color);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    QVariantAnimation spin;
    QColor arcColor;
    QColor track;
    bool wanted = false;
};

} // namespace Tarn
