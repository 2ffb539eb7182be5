#include "widgetkit/listtableprogressbar.h"

#include "ui_listtableprogressbar.h"
#include "kelframe/kelskin.h"
#include "widgetkit/progressbarvalue.h"
#include "shared/keltime.h"

#include <QEvent>

namespace Tarn {

ListTableProgressBar::ListTableProgressBar(QWidget *parent)
    : QWidget(parent), ui(new Ui::ListTableProgressBarUi)
{
    ui->setupUi(this);
    setFocusPolicy(Qt::NoFocus);
    ui->textLabel->hide();
    ui->iconWidget->hide();
    ui->completedIconLabel->hide();
    ui->failedIconLabel->hide();
    ui->progressBar->hide();
    ui->percentLabel->hide();
    setProperty("selected", QStringLiteral("0"));
    for (QWidget *child : findChildren<QWidget *>())
        child->setProperty("selected", QStringLiteral("0"));
}

ListTableProgressBar::~ListTableProgressBar()
{
    delete ui;
}

void ListTableProgressBar::setProgress(const Kel::Progress &value)
{
    progress = value;
    const qint64 percent = value.percent();
    setBarValue(ui->progressBar, int(qBound(qint64(0), percent, qint64(100))));
    ui->textLabel->hide();
    ui->iconWidget->hide();
    ui->progressBar->show();
    ui->percentLabel->show();
    updateProgressTexts();
}

Kel::Progress ListTableProgressBar::getProgress() const
{
    return progress;
}

void ListTableProgressBar::setProgressVisible(bool visible)
{
    ui->progressBar->setVisible(visible);
    ui->percentLabel->setVisible(visible);
    if (!visible)
        setToolTip(QString());
}

bool ListTableProgressBar::isProgressVisible() const
{
    return !ui->progressBar->isHidden();
}

int ListTableProgressBar::getProgressPercentage() const
{
    return ui->progressBar->value();
}

void ListTableProgressBar::setText(const QString &text)
{
    ui->textLabel->setText(text);
    ui->textLabel->show();
    ui->iconWidget->hide();
    setProgressVisible(false);
}

QString ListTableProgressBar::text() const
{
    return ui->textLabel->text();
}

void ListTableProgressBar::setCompleted(bool completed)
{
    if (completed) {
        setMark(true, false);
    } else {
        ui->completedIconLabel->hide();
        if (ui->failedIconLabel->isHidden())
            ui->iconWidget->hide();
    }
}

bool ListTableProgressBar::isCompleted() const
{
    return !ui->completedIconLabel->isHidden();
}

void ListTableProgressBar::setFailed(bool failed)
{
    if (failed) {
        setMark(false, true);
    } else {
        ui->failedIconLabel->hide();
        if (ui->completedIconLabel->isHidden())
            ui->iconWidget->hide();
    }
}

bool ListTableProgressBar::isFailed() const
{
    return !ui->failedIconLabel->isHidden();
}

void ListTableProgressBar::setMark(bool completed, bool failed)
{
    if (ui->completedIconLabel->isHidden() == !completed && ui->failedIconLabel->isHidden() == !failed
        && !ui->iconWidget->isHidden() && ui->progressBar->isHidden())
        return;
    ui->completedIconLabel->setVisible(completed);
    ui->failedIconLabel->setVisible(failed);
    ui->iconTextLabel->setText(completed ? tr("Done") : tr("Failed"));
    ui->iconTextLabel->setProperty("status", completed ? QStringLiteral("success") : QStringLiteral("faild"));
    KelSkin::repolish(ui->iconTextLabel);
    setProgressVisible(false);
    ui->textLabel->hide();
    ui->iconWidget->show();
}

void ListTableProgressBar::setStatus(const QVariant &value)
{
    status = value;
    applyStatus();
}

QVariant ListTableProgressBar::getStatus() const
{
    return status;
}

void ListTableProgressBar::applyStatus()
{
    const QVariant shown = selected ? QVariant(QString()) : status;
    if (ui->progressBar->property("status") == shown)
        return;
    ui->progressBar->setProperty("status", shown);
    KelSkin::repolish(ui->progressBar);
}

void ListTableProgressBar::setSelected(bool value)
{
    if (value == selected)
        return;
    selected = value;
    const QString flag = value ? QStringLiteral("1") : QStringLiteral("0");
    setProperty("selected", flag);
    KelSkin::repolish(this);
    for (QWidget *child : findChildren<QWidget *>()) {
        child->setProperty("selected", flag);
        KelSkin::repolish(child);
    }
    applyStatus();
}

bool ListTableProgressBar::isSelected() const
{
    return selected;
}

void ListTableProgressBar::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        updateProgressTexts();
        if (!ui->iconWidget->isHidden())
            ui->iconTextLabel->setText(ui->completedIconLabel->isHidden() ? tr("Failed") : tr("Done"));
    }
    QWidget::changeEvent(event);
}

void ListTableProgressBar::updateProgressTexts()
{
    if (!progress.isValid()) {
        ui->percentLabel->setText(QString());
        setToolTip(QString());
        return;
    }
    ui->percentLabel->setText(progress.speed > 0 ? progress.toString(Kel::Progress::PercentOnly)
                                                 : tr("%1%").arg(progress.percent()));
    QString tip = progress.toString(Kel::Progress::PercentOfTotal);
    if (progress.speed > 0 && progress.total > progress.finish) {
        const qint64 seconds = (progress.total - progress.finish + progress.speed - 1) / progress.speed;
        tip += QLatin1Char('\n') + tr("%1 left").arg(Kel::Time::fromSeconds(seconds).toShortString());
    }
    setToolTip(tip);
}

} // namespace Tarn
