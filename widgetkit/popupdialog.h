#pragma once

#include "widgetkit/widgetkitglobal.h"

#include "kelframe/keldialog.h"

#include <QAbstractAnimation>
#include <QPoint>
#include <QPointer>
#include <QRect>

class QAbstractAnimation;
class QPropertyAnimation;

namespace Tarn {

class MouseEventCapture;

// A dialog that pops up inside its parent window: its content widget slides
// in (or fades in place) when it first gets its size, and slides back out
// before the dialog finishes, whatever ends it (accept, reject, Escape, a
// click outside). The pop-up places one of its corners on an anchor point
// given in global coordinates. It deletes itself once closed.
class WIDGETKIT_EXPORT PopupDialog : public KelDialog
{
    Q_OBJECT
public:
    enum PopupState {
        NotOpened = 0,
        Opening = 1,
        Opened = 2,
        Closing = 3,
    };
    Q_ENUM(PopupState)
    // Which corner of the pop-up lies on the anchor point.
    enum DatumPointType {
        TopLeft = 0,
        TopRight = 1,
        BottomLeft = 2,
        BottomRight = 3,
    };
    Q_ENUM(DatumPointType)
    // Where the content slides in from.
    enum PopupDirection {
        FromRight = 0,
        FromLeft = 1,
        FromBottom = 2,
        InPlace = 3,
    };
    Q_ENUM(PopupDirection)

    static constexpr int OPEN_DURATION = 500;
    static constexpr int CLOSE_DURATION = 180;

    explicit PopupDialog(QWidget *parent = nullptr);
    PopupDialog(QWidget *contentWidget, QWidget *parent);
    ~PopupDialog() override;

    // Takes the widget into the pop-up (hidden until the pop-up opens) and
    // sizes the pop-up to it when the pop-up has no size of its own yet.
    void setContentWidget(QWidget *widget);
    QWidget *getContentWidget() const;

    // The anchor point (global), the width of what the pop-up points at (-1
    // for none; the pop-up is then centred on it) and the corner that lies
    // on the point.
    void setPosInfo(const QPoint &anchor, int datumWidth, DatumPointType type);
    void setPopupDirection(PopupDirection direction);
    PopupDirection popupDirection() const;
    PopupState popupState() const;
    QPoint anchorPoint() const;
    int datumWidth() const;
    DatumPointType datumPointType() const;

    QPropertyAnimation *openAnimation() const;
    QPropertyAnimation *closeAnimation() const;

public slots:
    void accept() override;
    void reject() override;
    // Keeps the result and slides the content out; the dialog finishes
    // with that result when the slide ends.
    void done(int result) override;

protected:
    void resizeEvent(QResizeEvent *event) override;
    // Presses on the pop-up stay there instead of reaching the window below.
    void mousePressEvent(QMouseEvent *event) override;

private:
    void init();
    QRect startRect() const;
    void buildAnimations();
    void place();
    void onOpenStateChanged(QAbstractAnimation::State newState, QAbstractAnimation::State oldState);
    void onOpened();
    void onClosedUp();
    void fade(bool in, int duration);

    QPointer<QWidget> m_content;
    PopupState m_state = NotOpened;
    QPoint m_anchor;
    int m_datumWidth = -1;
    DatumPointType m_datumType = TopLeft;
    PopupDirection m_direction = InPlace;
    QPropertyAnimation *m_openAnimation = nullptr;
    QPropertyAnimation *m_closeAnimation = nullptr;
    MouseEventCapture *m_capture;
};

} // namespace Tarn
