#include "widgetkit/navigatorbuttonwidget.h"

#include "ui_navigatorbuttonwidget.h"

#include "kelframe/kelskin.h"

namespace Tarn {

NavigatorButtonWidget::NavigatorButtonWidget(QWidget *parent)
    : QPushButton(parent)
    , ui(new Ui::NavigatorButtonWidgetUi)
{
    ui->setupUi(this);
    setCheckable(true);
    // Reached with Tab; a click chooses the page, which then takes the focus.
    setFocusPolicy(Qt::TabFocus);
    for (QWidget *label : {static_cast<QWidget *>(ui->iconLabel), static_cast<QWidget *>(ui->buttonTextLabel),
                           static_cast<QWidget *>(ui->additionalTextLabel)})
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
    ui->iconLabel->hide();
    ui->additionalTextLabel->hide();
    connect(this, &QPushButton::toggled, this, &NavigatorButtonWidget::onToggled);
    onToggled(isChecked());
}

NavigatorButtonWidget::~NavigatorButtonWidget()
{
    delete ui;
}

void NavigatorButtonWidget::setText(const QString &text)
{
    ui->buttonTextLabel->setText(text);
    setAccessibleName(text);
}

QString NavigatorButtonWidget::text() const
{
    return ui->buttonTextLabel->text();
}

void NavigatorButtonWidget::setAdditionalText(const QString &text)
{
    bool isNumber = false;
    const QString trimmed = text.trimmed();
    const qlonglong value = trimmed.toLongLong(&isNumber);
    const bool shown = isNumber && value != 0;
    ui->additionalTextLabel->setText(shown ? trimmed : QString());
    ui->additionalTextLabel->setVisible(shown);
}

QString NavigatorButtonWidget::additionalText() const
{
    return ui->additionalTextLabel->text();
}

void NavigatorButtonWidget::setIconName(const QString &name)
{
    m_iconName = name;
    updateIcon();
}

QString NavigatorButtonWidget::iconName() const
{
    return m_iconName;
}

QSize NavigatorButtonWidget::sizeHint() const
{
    return layout()->sizeHint().expandedTo(QSize(120, 36));
}

void NavigatorButtonWidget::onToggled(bool checked)
{
    const char *value = checked ? "true" : "false";
    for (QLabel *label : {ui->buttonTextLabel, ui->additionalTextLabel}) {
        if (label->property("checked").toString() == QLatin1String(value))
            continue;
        label->setProperty("checked", value);
        KelSkin::repolish(label);
    }
}

void NavigatorButtonWidget::updateIcon()
{
    ui->iconLabel->setIconName(m_iconName);
    ui->iconLabel->setVisible(!m_iconName.isEmpty());
}

} // namespace Tarn
