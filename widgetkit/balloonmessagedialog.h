#pragma once

#include "widgetkit/widgetkitglobal.h"

#include <QDialog>

class QPropertyAnimation;

namespace Ui {
class BalloonMessageDialogUi;
}

namespace Tarn {

class SettingsManager;

// The balloon: a small notice that fades in, stays, and fades out on its
// own (1 s, 2 s, 1.5 s). Hovering it keeps it fully visible and shows its
// close button and, for messages that allow it, "Don't show me again",
// which disables the message id for good once the balloon closes.
//
// The balloon is a tool-tip kind of window: it never takes the focus, stays
// out of the task bar and the desktop puts it exactly where the program
// moves it. Where the desktop does not composite windows it is drawn
// opaque and square, and its timing holds although it cannot fade.
class WIDGETKIT_EXPORT BalloonMessageDialog : public QDialog
{
    Q_OBJECT
    // What the fade animates: the window's opacity where the desktop
    // composites, else only the value, so that the timing stays the same.
    Q_PROPERTY(qreal balloonOpacity READ balloonOpacity WRITE setBalloonOpacity)
public:
    static constexpr int APPEAR_DURATION = 1000;
    static constexpr int STAY_DURATION = 2000;
    static constexpr int DISAPPEAR_DURATION = 1500;

    explicit BalloonMessageDialog(QWidget *parent = nullptr);
    ~BalloonMessageDialog() override;

    // Shows a balloon unless its id is disabled; a balloon still showing is
    // closed first. An empty id never offers "Don't show me again".
    void message(const QString &text, const QString &id, int mode, const QString &type);

    void setText(const QString &text);
    QString text() const;
    void setMsgId(const QString &id);
    QString msgId() const;
    void setMode(int mode);
    int mode() const;
    // The icon follows the type: "" or "info", "success", "warning", "error".
    void setType(const QString &type);
    QString type() const;

    // True when id is one of the disabled message ids of the settings.
    bool isMessageDisabled(const QString &id) const;
    // The settings that hold the disabled ids; the application context's
    // when none is set.
    void setSettingsManager(SettingsManager *settings);

    QPropertyAnimation *opacityAnimation() const;
    qreal balloonOpacity() const;
    void setBalloonOpacity(qreal opacity);

public slots:
    // Starts the fade-in, stay and fade-out and shows the balloon.
    void open() override;
    // Disables the id when the box is ticked, clears and hides.
    bool close();

protected:
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    SettingsManager *settings() const;
    void fitToText();
    void updateIcons();

    Ui::BalloonMessageDialogUi *ui;
    QPropertyAnimation *m_animation;
    SettingsManager *m_settings = nullptr;
    QString m_text;
    QString m_msgId;
    int m_mode = 0;
    QString m_type;
    bool m_composited = false;
    qreal m_opacity = 0.0;
};

} // namespace Tarn
