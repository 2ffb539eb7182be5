#pragma once

#include "widgetkit/widgetkitglobal.h"

#include <QProxyStyle>

// The platform's style (Fusion where the platform names none) without the
// dotted focus frame. Keyboard focus stays visible through the style
// sheet's ":focus" rules: a border on buttons, a highlighted row in views.
class WIDGETKIT_EXPORT NoFocusRectStyle : public QProxyStyle
{
    Q_OBJECT
public:
    // A proxy of a new instance of the application's style.
    NoFocusRectStyle();
    // A proxy of base; the proxy owns it.
    explicit NoFocusRectStyle(QStyle *base);

    // One style for every widget that wants it, owned by the application.
    static NoFocusRectStyle *sharedInstance();

    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget = nullptr) const override;
};
