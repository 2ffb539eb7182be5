#include "widgetkit/balloonmessagedialog.h"

#include "ui_balloonmessagedialog.h"

#include "kelframe/kelskin.h"
#include "kelframe/kelwindowsystem.h"
#include "tarncore/download/appcontext.h"
#include "tarncore/settings/settingsmanager.h"

#include <QEnterEvent>
#include <QGraphicsDropShadowEffect>
#include <QPropertyAnimation>

namespace Tarn {

namespace {

constexpr int TotalDuration = BalloonMessageDialog::APPEAR_DURATION + BalloonMessageDialog::STAY_DURATION
                              + BalloonMessageDialog::DISAPPEAR_DURATION;
constexpr int FullyShownAt = BalloonMessageDialog::APPEAR_DURATION + BalloonMessageDialog::STAY_DURATION;
// Room around the card for its soft shadow where the desktop composites.
constexpr int ShadowMargin = 12;

void keepPlace(QWidget *widget)
{
    QSizePolicy policy = widget->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget->setSizePolicy(policy);
}

} // namespace

BalloonMessageDialog::BalloonMessageDialog(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::BalloonMessageDialogUi)
    , m_animation(new QPropertyAnimation(this, "balloonOpacity", this))
    , m_composited(Kel::hasCompositing())
{
    ui->setupUi(this);
    setObjectName(QStringLiteral("balloonMessageDialog"));
    setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    ui->backgroundWidget->setAttribute(Qt::WA_StyledBackground);
    ui->backgroundWidget->setProperty("composited", m_composited);
    if (m_composited) {
        setAttribute(Qt::WA_TranslucentBackground);
        ui->outerLayout->setContentsMargins(ShadowMargin, ShadowMargin / 2, ShadowMargin, ShadowMargin + 2);
        auto *shadow = new QGraphicsDropShadowEffect(ui->backgroundWidget);
        shadow->setBlurRadius(24);
        shadow->setOffset(0, 3);
        shadow->setColor(QColor(0, 0, 0, 70));
        ui->backgroundWidget->setGraphicsEffect(shadow);
    }
    ui->outerLayout->setSizeConstraint(QLayout::SetFixedSize);
    keepPlace(ui->closeButton);
    keepPlace(ui->disableMsgCheckBox);
    ui->closeButton->hide();
    ui->disableMsgCheckBox->hide();
    ui->bottomWidget->hide();

    m_animation->setDuration(TotalDuration);
    m_animation->setKeyValueAt(0.0, 0.0);
    m_animation->setKeyValueAt(double(APPEAR_DURATION) / TotalDuration, 1.0);
    m_animation->setKeyValueAt(double(FullyShownAt) / TotalDuration, 1.0);
    m_animation->setKeyValueAt(1.0, 0.0);
    connect(m_animation, &QPropertyAnimation::finished, this, &BalloonMessageDialog::close);
    connect(ui->closeButton, &QToolButton::clicked, this, &BalloonMessageDialog::close);
    connect(KelSkin::instance(), &KelSkin::skinChanged, this, &BalloonMessageDialog::updateIcons);
    updateIcons();
    setType(QString());
}

BalloonMessageDialog::~BalloonMessageDialog()
{
    delete ui;
}

void BalloonMessageDialog::message(const QString &text, const QString &id, int mode, const QString &type)
{
    const QString trimmed = id.trimmed();
    if (!trimmed.isEmpty() && isMessageDisabled(trimmed))
        return;
    if (isVisible())
        close();
    setText(text);
    setMsgId(trimmed);
    setMode(trimmed.isEmpty() ? 0 : mode);
    setType(type);
    open();
}

void BalloonMessageDialog::setText(const QString &text)
{
    m_text = text;
    ui->messageBox->setText(text);
    fitToText();
}

QString BalloonMessageDialog::text() const
{
    return m_text;
}

void BalloonMessageDialog::setMsgId(const QString &id)
{
    m_msgId = id;
}

QString BalloonMessageDialog::msgId() const
{
    return m_msgId;
}

void BalloonMessageDialog::setMode(int mode)
{
    m_mode = mode;
}

int BalloonMessageDialog::mode() const
{
    return m_mode;
}

void BalloonMessageDialog::setType(const QString &type)
{
    m_type = type;
    ui->iconLabel->setProperty("type", type);
    KelSkin::repolish(ui->iconLabel);
}

QString BalloonMessageDialog::type() const
{
    return m_type;
}

// Whole ids only: a disabled "download-failed" must not silence "download".
bool BalloonMessageDialog::isMessageDisabled(const QString &id) const
{
    SettingsManager *store = settings();
    if (!store || id.isEmpty())
        return false;
    const QStringList disabled = store->getDisabledBalloonMessages().split(QLatin1Char(','));
    for (const QString &entry : disabled) {
        if (entry.trimmed() == id)
            return true;
    }
    return false;
}

void BalloonMessageDialog::setSettingsManager(SettingsManager *settings)
{
    m_settings = settings;
}

SettingsManager *BalloonMessageDialog::settings() const
{
    return m_settings ? m_settings : AppContext::instance()->getSettingsManager();
}

QPropertyAnimation *BalloonMessageDialog::opacityAnimation() const
{
    return m_animation;
}

qreal BalloonMessageDialog::balloonOpacity() const
{
    return m_opacity;
}

void BalloonMessageDialog::setBalloonOpacity(qreal opacity)
{
    m_opacity = opacity;
    if (m_composited)
        setWindowOpacity(opacity);
}

void BalloonMessageDialog::open()
{
    m_animation->stop();
    ui->closeButton->hide();
    ui->disableMsgCheckBox->hide();
    ui->bottomWidget->setVisible(m_mode == 16);
    fitToText();
    // Without a compositor the balloon simply shows for the whole run of
    // the animation, which still closes it on time.
    setBalloonOpacity(0.0);
    m_animation->start();
    show();
    raise();
}

bool BalloonMessageDialog::close()
{
    if (m_mode == 16 && ui->disableMsgCheckBox->isChecked() && !m_msgId.isEmpty()) {
        if (SettingsManager *store = settings())
            store->setMessageDisabled(m_msgId);
    }
    m_animation->stop();
    m_text.clear();
    ui->messageBox->clear();
    m_msgId.clear();
    m_mode = 0;
    setType(QString());
    ui->disableMsgCheckBox->hide();
    ui->disableMsgCheckBox->setChecked(false);
    ui->closeButton->hide();
    hide();
    return true;
}

void BalloonMessageDialog::enterEvent(QEnterEvent *event)
{
    ui->closeButton->show();
    if (m_mode == 16)
        ui->disableMsgCheckBox->show();
    if (m_animation->state() != QAbstractAnimation::Stopped) {
        m_animation->setCurrentTime(FullyShownAt);
        m_animation->pause();
    }
    QDialog::enterEvent(event);
}

void BalloonMessageDialog::leaveEvent(QEvent *event)
{
    ui->closeButton->hide();
    ui->disableMsgCheckBox->hide();
    if (m_animation->state() == QAbstractAnimation::Paused)
        m_animation->resume();
    QDialog::leaveEvent(event);
}

void BalloonMessageDialog::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        ui->closeButton->setToolTip(tr("Close"));
    }
    QDialog::changeEvent(event);
}

// A longer or shorter text keeps the balloon's bottom-right corner where it
// was put, so the window may place it before or after it gets its text.
void BalloonMessageDialog::fitToText()
{
    const QRect before = geometry();
    layout()->activate();
    if (testAttribute(Qt::WA_Moved) && size() != before.size())
        move(before.right() - width() + 1, before.bottom() - height() + 1);
}

void BalloonMessageDialog::updateIcons()
{
    ui->closeButton->setIcon(KelSkin::icon(QStringLiteral("close")));
    ui->closeButton->setToolTip(tr("Close"));
}

} // namespace Tarn
