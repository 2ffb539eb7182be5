#include "marlin/mainwindow/mainwindowutils.h"

#include "kelframe/kelmessagebox.h"

#include <QCoreApplication>
#include <QDialog>
#include <QEasingCurve>
#include <QMainWindow>
#include <QPointer>
#include <QPropertyAnimation>

namespace Tarn {

MainWindowUtils::MainWindowUtils(QObject *parent)
    : QObject(parent)
{
}

MainWindowUtils *MainWindowUtils::instance()
{
    // Parented to the main window later, which must not delete it: the
    // window is destroyed before the application object, the utilities are
    // used until the end of main(). A QPointer notices if it happens.
    static QPointer<MainWindowUtils> utils;
    if (!utils)
        utils = new MainWindowUtils;
    return utils;
}

QWidget *MainWindowUtils::boxParent()
{
    // A box without a parent window would be placed anywhere by the window
    // manager and get a task-bar entry of its own.
    auto *window = qobject_cast<QWidget *>(instance()->parent());
    return window && window->isVisible() ? window : nullptr;
}

void MainWindowUtils::alert(const QString &text)
{
    MainWindowUtils *utils = instance();
    emit utils->notifyShowDarkShadow();
    KelMessageBox::alert(text, QString(), boxParent(), true);
    emit utils->notifyClearDarkShadow();
}

QDialogButtonBox::StandardButton MainWindowUtils::question(const QString &text, const QString &title,
                                                           QDialogButtonBox::StandardButtons buttons,
                                                           QDialogButtonBox::StandardButton defaultButton,
                                                           bool warning)
{
    MainWindowUtils *utils = instance();
    emit utils->notifyShowDarkShadow();
    const QDialogButtonBox::StandardButton answer =
        KelMessageBox::question(title, text, buttons, boxParent(), defaultButton, warning);
    emit utils->notifyClearDarkShadow();
    return answer;
}

QPoint MainWindowUtils::centredPosition(const QRect &parentRect, const QSize &dialogSize)
{
    QPoint pos = parentRect.topLeft();
    if (dialogSize.width() < parentRect.width())
        pos.rx() += (parentRect.width() - dialogSize.width()) / 2;
    if (dialogSize.height() < parentRect.height())
        pos.ry() += (parentRect.height() - dialogSize.height()) / 2;
    return pos;
}

int MainWindowUtils::exec(QDialog *dialog)
{
    MainWindowUtils *utils = instance();
    emit utils->notifyShowDarkShadow();
    if (!dialog) {
        emit utils->notifyClearDarkShadow();
        return 0;
    }

    QWidget *parent = dialog->parentWidget() ? dialog->parentWidget()->window() : nullptr;
    if (qobject_cast<QMainWindow *>(parent)) {
        // Its size before it first shows: what the caller gave, else what
        // its layout asks for.
        if (!dialog->testAttribute(Qt::WA_Resized))
            dialog->adjustSize();
        dialog->move(centredPosition(parent->frameGeometry(), dialog->frameGeometry().size()));
    }

    QPointer<QDialog> guard(dialog);
    QPointer<QPropertyAnimation> fade = new QPropertyAnimation(dialog, "windowOpacity", dialog);
    fade->setDuration(FadeInDuration);
    fade->setStartValue(0.0);
    fade->setEndValue(1.0);
    fade->setEasingCurve(QEasingCurve::InCurve);
    dialog->setWindowOpacity(0.0);
    fade->start(QAbstractAnimation::DeleteWhenStopped);

    const int result = dialog->exec();
    if (fade)
        fade->stop();
    // A dialog closed while still fading in shows whole the next time.
    if (guard)
        guard->setWindowOpacity(1.0);
    emit utils->notifyClearDarkShadow();
    QCoreApplication::processEvents();
    return result;
}

} // namespace Tarn
