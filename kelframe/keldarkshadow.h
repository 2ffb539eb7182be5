#pragma once

#include "kelframe/kelframeglobal.h"

#include <QWidget>

class QPropertyAnimation;

// Dims a window's content while a modal dialog or message box is up: a
// layer over the covered widget, painted in the skin's "shadow" colour
// with a fading opacity. It is a child of the covered widget and paints
// its own translucency, so it looks the same with or without a compositing
// manager and on every window system. It follows the covered widget's size
// and swallows mouse input meant for the content below.
class KELFRAME_EXPORT KelDarkShadow : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(qreal opacity READ opacity WRITE setOpacity)
public:
    static constexpr int FadeDuration = 200;
    static constexpr qreal ShownOpacity = 0.75;

    explicit KelDarkShadow(QWidget *covered);

    // Covers the widget and fades in from 0 to ShownOpacity.
    void showShadow();
    // Hides at once.
    void clearShadow();
    bool isShadowShown() const;

    qreal opacity() const;
    void setOpacity(qreal opacity);

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QPropertyAnimation *m_fade;
    qreal m_opacity = 0.0;
};
