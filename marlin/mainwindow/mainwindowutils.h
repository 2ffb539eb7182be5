#pragma once

#include <QDialogButtonBox>
#include <QObject>

class QDialog;
class QWidget;

namespace Tarn {

// What every page uses to put a message box or a modal dialog over the
// main window: the window dims itself while the box or dialog is up
// (notifyShowDarkShadow / notifyClearDarkShadow). It also relays two
// changes between the settings page and the convert page.
//
// Created on first use and kept for the rest of the run; the main window
// becomes its parent and the parent of the boxes it shows. GUI thread only.
class MainWindowUtils : public QObject
{
    Q_OBJECT
public:
    static MainWindowUtils *instance();

    // A warning box with one OK button that shows text.
    static void alert(const QString &text);
    // Asks and returns the pressed button; the escape button (No, Cancel)
    // when the box was dismissed. With warning the box carries the warning
    // sign, for questions whose Yes loses work.
    static QDialogButtonBox::StandardButton
    question(const QString &text, const QString &title,
             QDialogButtonBox::StandardButtons buttons = QDialogButtonBox::Yes | QDialogButtonBox::No,
             QDialogButtonBox::StandardButton defaultButton = QDialogButtonBox::No, bool warning = true);
    // Centres dialog on its parent window, fades it in over 750 ms and runs
    // it modally; returns its result (0 for a null dialog).
    static int exec(QDialog *dialog);

    // Where exec() puts a dialog of size dialogSize over a parent window
    // whose frame is parentRect (global): centred along each axis where the
    // dialog is the smaller, else at the parent's edge.
    static QPoint centredPosition(const QRect &parentRect, const QSize &dialogSize);

    static constexpr int FadeInDuration = 750;

signals:
    void notifyShowDarkShadow();
    void notifyClearDarkShadow();
    void quickConvertChanged();
    void lastConvertProfileChanged();

private:
    explicit MainWindowUtils(QObject *parent = nullptr);
    // The main window while it is visible, else null (no window to sit on).
    static QWidget *boxParent();
};

} // namespace Tarn
