#include "widgetkit/popupdialog.h"

#include "widgetkit/mouseeventcapture.h"

#include "kelframe/kelskin.h"

#include <QGraphicsOpacityEffect>
#include <QPropertyAnimation>
#include <QMouseEvent>
#include <QResizeEvent>

namespace Tarn {

namespace {
// The fade that goes with the slide, short enough to feel quick.
constexpr int FadeInDuration = 220;
} // namespace

PopupDialog::PopupDialog(QWidget *parent)
    : KelDialog(parent, Qt::SubWindow | Qt::FramelessWindowHint)
    , m_capture(new MouseEventCapture(this))
{
    init();
}

PopupDialog::PopupDialog(QWidget *contentWidget, QWidget *parent)
    : KelDialog(parent, Qt::SubWindow | Qt::FramelessWindowHint)
    , m_capture(new MouseEventCapture(this))
{
    init();
    setContentWidget(contentWidget);
}

PopupDialog::~PopupDialog() = default;

void PopupDialog::init()
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_DeleteOnClose);
    connect(m_capture, &MouseEventCapture::outWidgetMouseClicked, this, &PopupDialog::reject);
}

void PopupDialog::setContentWidget(QWidget *widget)
{
    if (widget == m_content)
        return;
    if (m_content)
        m_content->deleteLater();
    m_content = widget;
    if (!widget)
        return;
    widget->setParent(this);
    widget->setProperty("popupContent", true);
    widget->setAttribute(Qt::WA_StyledBackground);
    KelSkin::repolish(widget);
    if (!testAttribute(Qt::WA_Resized))
        resize(widget->sizeHint().expandedTo(widget->minimumSize()).expandedTo(QSize(1, 1)));
    widget->setGeometry(startRect());
    widget->hide();
    buildAnimations();
}

QWidget *PopupDialog::getContentWidget() const
{
    return m_content;
}

void PopupDialog::setPosInfo(const QPoint &anchor, int datumWidth, DatumPointType type)
{
    m_anchor = anchor;
    m_datumWidth = datumWidth;
    m_datumType = type;
}

void PopupDialog::setPopupDirection(PopupDirection direction)
{
    m_direction = direction;
}

PopupDialog::PopupDirection PopupDialog::popupDirection() const
{
    return m_direction;
}

PopupDialog::PopupState PopupDialog::popupState() const
{
    return m_state;
}

QPoint PopupDialog::anchorPoint() const
{
    return m_anchor;
}

int PopupDialog::datumWidth() const
{
    return m_datumWidth;
}

PopupDialog::DatumPointType PopupDialog::datumPointType() const
{
    return m_datumType;
}

QPropertyAnimation *PopupDialog::openAnimation() const
{
    return m_openAnimation;
}

QPropertyAnimation *PopupDialog::closeAnimation() const
{
    return m_closeAnimation;
}

QRect PopupDialog::startRect() const
{
    switch (m_direction) {
    case FromRight:
        return QRect(QPoint(width(), 0), size());
    case FromLeft:
        return QRect(QPoint(-width(), 0), size());
    case FromBottom:
        return QRect(QPoint(0, height()), size());
    case InPlace:
        break;
    }
    return rect();
}

void PopupDialog::buildAnimations()
{
    delete m_openAnimation;
    delete m_closeAnimation;
    m_openAnimation = new QPropertyAnimation(m_content, "geometry", this);
    m_openAnimation->setDuration(OPEN_DURATION);
    m_openAnimation->setEasingCurve(QEasingCurve::OutCubic);
    connect(m_openAnimation, &QPropertyAnimation::stateChanged, this, &PopupDialog::onOpenStateChanged);
    connect(m_openAnimation, &QPropertyAnimation::finished, this, &PopupDialog::onOpened);
    m_closeAnimation = new QPropertyAnimation(m_content, "geometry", this);
    m_closeAnimation->setDuration(CLOSE_DURATION);
    m_closeAnimation->setEasingCurve(QEasingCurve::InCubic);
    connect(m_closeAnimation, &QPropertyAnimation::finished, this, &PopupDialog::onClosedUp);
}

void PopupDialog::resizeEvent(QResizeEvent *event)
{
    KelDialog::resizeEvent(event);
    if (m_state == NotOpened) {
        if (!m_content || !m_openAnimation) {
            place();
            m_state = Opened;
            return;
        }
        m_openAnimation->setStartValue(startRect());
        m_openAnimation->setEndValue(rect());
        m_state = Opening;
        m_openAnimation->start();
    } else if (m_state == Opened && m_content) {
        m_content->setGeometry(rect());
    }
}

void PopupDialog::mousePressEvent(QMouseEvent *event)
{
    event->accept();
}

void PopupDialog::onOpenStateChanged(QAbstractAnimation::State newState, QAbstractAnimation::State oldState)
{
    if (newState != QAbstractAnimation::Running || oldState != QAbstractAnimation::Stopped)
        return;
    place();
    m_content->show();
    fade(true, FadeInDuration);
    if (QWidget *parent = parentWidget())
        m_capture->startCapture(this, parent->window());
}

void PopupDialog::onOpened()
{
    m_state = Opened;
    if (m_content)
        m_content->setGraphicsEffect(nullptr);
}

// The anchor point is global; a pop-up inside a window is placed in its
// parent's coordinates and kept inside the parent, so that none of it is cut
// off by the window's edge.
void PopupDialog::place()
{
    QWidget *parent = parentWidget();
    QPoint pos = parent && !isWindow() ? parent->mapFromGlobal(m_anchor) : m_anchor;
    if (m_datumWidth > 0) {
        const int shift = (frameGeometry().width() - m_datumWidth) / 2;
        if (m_datumType == TopRight || m_datumType == BottomRight)
            pos.rx() += shift;
        else
            pos.rx() -= shift;
    }
    if (m_datumType == TopRight || m_datumType == BottomRight)
        pos.rx() -= width();
    if (m_datumType == BottomLeft || m_datumType == BottomRight)
        pos.ry() -= height();
    if (parent && !isWindow()) {
        pos.setX(qBound(0, pos.x(), qMax(0, parent->width() - width())));
        pos.setY(qBound(0, pos.y(), qMax(0, parent->height() - height())));
    }
    move(pos);
}

void PopupDialog::accept()
{
    done(Accepted);
}

void PopupDialog::reject()
{
    done(Rejected);
}

void PopupDialog::done(int result)
{
    if (m_state == Closing)
        return;
    m_capture->stopCapture();
    if (m_state == NotOpened || !m_content || !m_closeAnimation || !isVisible()) {
        m_state = NotOpened;
        KelDialog::done(result);
        return;
    }
    setResult(result);
    m_state = Closing;
    m_openAnimation->stop();
    m_closeAnimation->setStartValue(m_content->geometry());
    m_closeAnimation->setEndValue(startRect());
    m_closeAnimation->start();
    fade(false, CLOSE_DURATION);
}

void PopupDialog::onClosedUp()
{
    // Ready to open again should the dialog outlive this showing.
    m_state = NotOpened;
    if (m_content) {
        m_content->hide();
        m_content->setGraphicsEffect(nullptr);
        m_content->setGeometry(startRect());
    }
    KelDialog::done(result());
}

void PopupDialog::fade(bool in, int duration)
{
    if (!m_content)
        return;
    auto *effect = qobject_cast<QGraphicsOpacityEffect *>(m_content->graphicsEffect());
    if (!effect) {
        effect = new QGraphicsOpacityEffect(m_content);
        effect->setOpacity(in ? 0.0 : 1.0);
        m_content->setGraphicsEffect(effect);
    }
    auto *animation = new QPropertyAnimation(effect, "opacity", effect);
    animation->setDuration(duration);
    animation->setStartValue(effect->opacity());
    animation->setEndValue(in ? 1.0 : 0.0);
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

} // namespace Tarn
