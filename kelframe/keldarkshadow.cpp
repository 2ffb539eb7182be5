#include "kelframe/keldarkshadow.h"

#include "kelframe/kelskin.h"

#include <QEvent>
#include <QPainter>
#include <QPropertyAnimation>

KelDarkShadow::KelDarkShadow(QWidget *covered)
    : QWidget(covered)
    , m_fade(new QPropertyAnimation(this, "opacity", this))
{
    setObjectName(QStringLiteral("darkShadowDialog"));
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    m_fade->setDuration(FadeDuration);
    m_fade->setStartValue(0.0);
    m_fade->setEndValue(ShownOpacity);
    hide();
    if (covered)
        covered->installEventFilter(this);
}

void KelDarkShadow::showShadow()
{
    if (QWidget *covered = parentWidget())
        setGeometry(covered->rect());
    m_fade->stop();
    setOpacity(0.0);
    show();
    raise();
    m_fade->start();
}

void KelDarkShadow::clearShadow()
{
    m_fade->stop();
    hide();
    setOpacity(0.0);
}

bool KelDarkShadow::isShadowShown() const
{
    return isVisible();
}

qreal KelDarkShadow::opacity() const
{
    return m_opacity;
}

void KelDarkShadow::setOpacity(qreal opacity)
{
    m_opacity = qBound(0.0, opacity, 1.0);
    update();
}

bool KelDarkShadow::event(QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
        event->accept();
        return true;
    default:
        return QWidget::event(event);
    }
}

bool KelDarkShadow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize && isVisible())
        setGeometry(parentWidget()->rect());
    if (watched == parentWidget() && event->type() == QEvent::ChildAdded && isVisible())
        raise();
    return QWidget::eventFilter(watched, event);
}

void KelDarkShadow::paintEvent(QPaintEvent *)
{
    QColor shade = KelSkin::color(QStringLiteral("shadow"));
    if (!shade.isValid())
        shade = Qt::black;
    shade.setAlphaF(float(shade.alphaF() * m_opacity));
    QPainter painter(this);
    painter.fillRect(rect(), shade);
}
