#pragma once

#include "widgetkit/widgetkitglobal.h"

#include <QPushButton>

namespace Ui {
class NavigatorButtonWidgetUi;
}

namespace Tarn {

// A checkable entry of the navigator column: an icon, the page's name and
// a counter (the number of items on the page), which shows only while it
// is a number other than 0. Both labels carry the dynamic property
// "checked" ("true"/"false") for the style sheet.
class WIDGETKIT_EXPORT NavigatorButtonWidget : public QPushButton
{
    Q_OBJECT
public:
    explicit NavigatorButtonWidget(QWidget *parent = nullptr);
    ~NavigatorButtonWidget() override;

    void setText(const QString &text);
    QString text() const;
    // Shown only when it reads as an integer other than 0.
    void setAdditionalText(const QString &text);
    QString additionalText() const;
    // One of the skin's icons, e.g. "download"; empty for none.
    void setIconName(const QString &name);
    QString iconName() const;

    QSize sizeHint() const override;

private:
    void onToggled(bool checked);
    void updateIcon();

    Ui::NavigatorButtonWidgetUi *ui;
    QString m_iconName;
};

} // namespace Tarn
