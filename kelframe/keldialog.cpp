#include "kelframe/keldialog.h"

#include "kelframe/kelskin.h"

#include <QEvent>
#include <QPointer>
#include <QShowEvent>
#include <QWindow>

KelDialog::KelDialog(QWidget *parent, Qt::WindowFlags flags)
    : QDialog(parent, flags)
{
    connect(KelSkin::instance(), &KelSkin::skinChanged, this, &KelDialog::updateUiState);
}

KelDialog::~KelDialog() = default;

int KelDialog::exec()
{
    updateUiState();
    return QDialog::exec();
}

void KelDialog::retranslate()
{
}

void KelDialog::updateUiState()
{
}

void KelDialog::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QDialog::changeEvent(event);
}

void KelDialog::showEvent(QShowEvent *event)
{
    updateUiState();
    QDialog::showEvent(event);
    // Without a window manager, or with one that leaves new transient
    // windows unfocused, the keyboard would stay with the window this dialog
    // blocks. The request made now is carried out once the window is mapped;
    // the first exposure checks that it took.
    if (event->spontaneous())
        return;
    activate();
    if (QWindow *handle = windowHandle()) {
        handle->removeEventFilter(this);
        handle->installEventFilter(this);
        m_awaitingExposure = true;
    }
}

void KelDialog::setVisible(bool visible)
{
    // Where no window manager hands the keyboard back, it would fall to
    // the desktop when an active dialog closes.
    const QPointer<QWidget> owner = parentWidget() ? parentWidget()->window() : nullptr;
    const bool handBack = !visible && isWindow() && isVisible() && isActiveWindow();
    QDialog::setVisible(visible);
    if (handBack && owner && owner->isVisible()) {
        owner->raise();
        owner->activateWindow();
    }
}

bool KelDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (m_awaitingExposure && event->type() == QEvent::Expose && watched == windowHandle()
        && windowHandle()->isExposed()) {
        m_awaitingExposure = false;
        watched->removeEventFilter(this);
        if (!isActiveWindow())
            activate();
    }
    return QDialog::eventFilter(watched, event);
}

void KelDialog::activate()
{
    if (!isWindow() || testAttribute(Qt::WA_ShowWithoutActivating) || !isVisible())
        return;
    raise();
    activateWindow();
}
