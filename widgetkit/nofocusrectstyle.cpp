#include "widgetkit/nofocusrectstyle.h"

#include <QApplication>
#include <QPointer>
#include <QStyleFactory>

namespace {

QStyle *platformStyle()
{
    QString name;
    if (QStyle *current = QApplication::style())
        name = current->name();
    QStyle *style = name.isEmpty() ? nullptr : QStyleFactory::create(name);
    return style ? style : QStyleFactory::create(QStringLiteral("Fusion"));
}

} // namespace

NoFocusRectStyle::NoFocusRectStyle()
    : QProxyStyle(platformStyle())
{
}

NoFocusRectStyle::NoFocusRectStyle(QStyle *base)
    : QProxyStyle(base ? base : platformStyle())
{
}

NoFocusRectStyle *NoFocusRectStyle::sharedInstance()
{
    static QPointer<NoFocusRectStyle> shared;
    if (!shared) {
        shared = new NoFocusRectStyle;
        shared->setParent(QCoreApplication::instance());
    }
    return shared;
}

void NoFocusRectStyle::drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                                     const QWidget *widget) const
{
    if (element == PE_FrameFocusRect)
        return;
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}
