#include "widgetkit/listviewthumbnailwidget.h"

#include "ui_listviewthumbnailwidget.h"
#include "widgetkit/listitemtoolbar.h"
#include "kelframe/kelskin.h"
#include "widgetkit/progressbarvalue.h"
#include "widgetkit/thumbnailloader.h"
#include "shared/kellog.h"
#include "shared/keltime.h"

#include <QEvent>

namespace Tarn {

namespace {
const QString Working = QStringLiteral("working");
const QString Waitting = QStringLiteral("waitting");
const QString Faild = QStringLiteral("faild");
const QString Success = QStringLiteral("success");
const QString Analysing = QStringLiteral("analysing");
const QString Pause = QStringLiteral("pause");
} // namespace

ListViewThumbnailWidget::ListViewThumbnailWidget(QWidget *parent)
    : QFrame(parent), ui(new Ui::ListViewThumbnailWidgetUi)
{
    ui->setupUi(this);
    setFocusPolicy(Qt::NoFocus);
    ui->bgWidget->setAttribute(Qt::WA_StyledBackground);
    ui->bgWidget->setProperty("selected", QStringLiteral("false"));
    ui->bgWidget->setProperty("hovered", QStringLiteral("false"));
    ui->titleLabel->setProperty("selected", QStringLiteral("false"));
    ui->statusLabel->setProperty("status", QString());
    ui->thumbnailLabel->setProperty("loaded", QStringLiteral("false"));
    ui->statusLabel->hide();
    ui->durationLabel->hide();
    ui->progressBarWidget->hide();
    ui->stackedWidget->setCurrentWidget(ui->titleWidgetPage);
    ui->titleLabel->installEventFilter(this);
    connect(ui->toolWidget, &ListItemToolBar::pressed, this, &ListViewThumbnailWidget::toolBarPressed);
}

ListViewThumbnailWidget::~ListViewThumbnailWidget()
{
    delete ui;
}

void ListViewThumbnailWidget::setText(const QString &text)
{
    if (text == title)
        return;
    title = text;
    ui->titleLabel->setToolTip(text);
    updateTitle();
}

QString ListViewThumbnailWidget::text() const
{
    return title;
}

void ListViewThumbnailWidget::updateTitle()
{
    const QFontMetrics metrics(ui->titleLabel->font());
    const int width = ui->titleLabel->contentsRect().width();
    ui->titleLabel->setText(metrics.elidedText(title, Qt::ElideRight, qMax(0, width)));
}

void ListViewThumbnailWidget::setDuration(qint64 value)
{
    if (value == duration)
        return;
    duration = value;
    if (duration > 0)
        ui->durationLabel->setText(Kel::Time::fromMicroseconds(duration * 1000000).toShortString());
    ui->durationLabel->setVisible(duration > 0);
}

qint64 ListViewThumbnailWidget::getDuration() const
{
    return duration;
}

void ListViewThumbnailWidget::setProgress(const Kel::Progress &progress)
{
    if (progress.isValid()) {
        const qint64 percent = qBound(qint64(0), progress.percent(), qint64(100));
        if (percent > ui->progressBarWidget->value())
            setBarValue(ui->progressBarWidget, int(percent));
    }
    setProgressVisible(progress.isValid() || status == Working);
}

void ListViewThumbnailWidget::resetProgress()
{
    setBarValue(ui->progressBarWidget, 0);
}

int ListViewThumbnailWidget::getProgressPercentage() const
{
    return ui->progressBarWidget->value();
}

bool ListViewThumbnailWidget::isProgressVisible() const
{
    return !ui->progressBarWidget->isHidden();
}

void ListViewThumbnailWidget::setProgressVisible(bool visible)
{
    ui->progressBarWidget->setVisible(visible);
}

void ListViewThumbnailWidget::setStatus(const QString &value)
{
    if (value == status)
        return;
    // A finished or failed item that runs again starts its bar afresh.
    if (value == Working && (status == Success || status == Faild))
        resetProgress();
    status = value;
    if (status == Working)
        setProgressVisible(true);
    else
        setProgressVisible(false);
    ui->statusLabel->setVisible(status == Waitting || status == Faild || status == Success || status == Pause);
    ui->statusLabel->setProperty("status", status);
    updateStatusText();
    KelSkin::repolish(ui->statusLabel);
    if (hovered)
        ui->toolWidget->setVisibleButton(0, status == Working ? 1 : 0);
}

QString ListViewThumbnailWidget::getStatus() const
{
    return status;
}

void ListViewThumbnailWidget::updateStatusText()
{
    QString text;
    if (status == Waitting)
        text = tr("Waiting");
    else if (status == Faild)
        text = tr("Failed");
    else if (status == Success)
        text = tr("Done");
    else if (status == Pause)
        text = tr("Paused");
    ui->statusLabel->setText(text);
}

void ListViewThumbnailWidget::setWorking() { setStatus(Working); }
bool ListViewThumbnailWidget::isWorking() const { return status == Working; }
void ListViewThumbnailWidget::setWaitting() { setStatus(Waitting); }
bool ListViewThumbnailWidget::isWaitting() const { return status == Waitting; }
void ListViewThumbnailWidget::setFailed() { setStatus(Faild); }
bool ListViewThumbnailWidget::isFailed() const { return status == Faild; }
void ListViewThumbnailWidget::setCompleted() { setStatus(Success); }
bool ListViewThumbnailWidget::isCompleted() const { return status == Success; }
void ListViewThumbnailWidget::setAnalysing() { setStatus(Analysing); }
bool ListViewThumbnailWidget::isAnalysing() const { return status == Analysing; }
void ListViewThumbnailWidget::setPause() { setStatus(Pause); }
bool ListViewThumbnailWidget::isPause() const { return status == Pause; }
void ListViewThumbnailWidget::setNormal() { setStatus(QString()); }
bool ListViewThumbnailWidget::isNormal() const { return status.isEmpty(); }

void ListViewThumbnailWidget::setSelected(bool value)
{
    if (value == selected)
        return;
    selected = value;
    const QString flag = value ? QStringLiteral("true") : QStringLiteral("false");
    ui->bgWidget->setProperty("selected", flag);
    ui->titleLabel->setProperty("selected", flag);
    KelSkin::repolish(ui->bgWidget);
    KelSkin::repolish(ui->titleLabel);
    // The hovered look gives way to the selected one.
    setHovered(hovered);
}

bool ListViewThumbnailWidget::isSelected() const
{
    return selected;
}

void ListViewThumbnailWidget::setHovered(bool value)
{
    hovered = value;
    ui->toolWidget->setVisibleButton(0, status == Working ? 1 : 0);
    ui->stackedWidget->setCurrentWidget(value ? ui->toolWidgetPage : ui->titleWidgetPage);
    const bool shown = value && !selected;
    if (shown == shownHovered)
        return;
    shownHovered = shown;
    ui->bgWidget->setProperty("hovered", shown ? QStringLiteral("true") : QStringLiteral("false"));
    KelSkin::repolish(ui->bgWidget);
}

bool ListViewThumbnailWidget::isHovered() const
{
    return shownHovered;
}

void ListViewThumbnailWidget::setToolBarActions(const QList<QAction *> &actions)
{
    for (int i = 0; i < 6; ++i)
        ui->toolWidget->setAction(i < actions.size() ? actions.at(i) : nullptr, i % 3, i / 3);
}

ListItemToolBar *ListViewThumbnailWidget::toolBar() const
{
    return ui->toolWidget;
}

void ListViewThumbnailWidget::setThumbnail(const QString &path)
{
    if (path == thumbnailPath || path.isEmpty())
        return;
    const qint64 stamp = ThumbnailLoader::fileStamp(path);
    if (path == failedPath && stamp == failedStamp)
        return;
    ensurePolished();
    const QPixmap pixmap = ThumbnailLoader::load(path, getThumbnailSize(), devicePixelRatioF(), cornerRadius);
    if (pixmap.isNull()) {
        if (path != failedPath)
            KEL_ERROR("Thumbnail loading failed. %s", qPrintable(path));
        failedPath = path;
        failedStamp = stamp;
        return;
    }
    failedPath.clear();
    thumbnailPath = path;
    ui->thumbnailLabel->setPixmap(pixmap);
    if (ui->thumbnailLabel->property("loaded").toString() != QLatin1String("true")) {
        ui->thumbnailLabel->setProperty("loaded", QStringLiteral("true"));
        KelSkin::repolish(ui->thumbnailLabel);
    }
}

QString ListViewThumbnailWidget::getThumbnail() const
{
    return thumbnailPath;
}

QSize ListViewThumbnailWidget::getThumbnailSize() const
{
    return ui->thumbnailLabel->contentsRect().size();
}

void ListViewThumbnailWidget::setCornerRadius(int radius)
{
    cornerRadius = qMax(0, radius);
}

int ListViewThumbnailWidget::getCornerRadius() const
{
    return cornerRadius;
}

bool ListViewThumbnailWidget::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui->titleLabel && (event->type() == QEvent::Resize || event->type() == QEvent::FontChange))
        updateTitle();
    return QFrame::eventFilter(watched, event);
}

void ListViewThumbnailWidget::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        updateStatusText();
    QFrame::changeEvent(event);
}

} // namespace Tarn
