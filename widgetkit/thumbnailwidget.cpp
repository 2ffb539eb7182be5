#include "widgetkit/thumbnailwidget.h"

#include "ui_thumbnailwidget.h"
#include "kelframe/kelskin.h"

#include <QEvent>

namespace Tarn {

ThumbnailWidget::ThumbnailWidget(QWidget *parent)
    : QWidget(parent), ui(new Ui::ThumbnailWidgetUi)
{
    ui->setupUi(this);
    ui->thumbBaseWidget->setAttribute(Qt::WA_StyledBackground);
    ui->thumbFrameWidget->setAttribute(Qt::WA_StyledBackground);
    ui->selectionWidget->setAttribute(Qt::WA_StyledBackground);
    ui->selectionWidget->setAttribute(Qt::WA_TransparentForMouseEvents);
    ui->selectionWidget->hide();
    ui->thumbFrameWidget->setProperty("name", QString());
    ui->nameLabel->installEventFilter(this);
    ui->descriptionLabel->installEventFilter(this);
}

ThumbnailWidget::~ThumbnailWidget()
{
    delete ui;
}

void ThumbnailWidget::setText(const QString &text)
{
    name = text;
    ui->thumbFrameWidget->setProperty("name", text);
    KelSkin::repolish(ui->thumbFrameWidget);
    updateLabels();
}

QString ThumbnailWidget::text() const
{
    return name;
}

void ThumbnailWidget::setDescription(const QString &description)
{
    descriptionText = description;
    updateLabels();
}

QString ThumbnailWidget::description() const
{
    return descriptionText;
}

void ThumbnailWidget::setSelected(bool selected)
{
    ui->selectionWidget->setVisible(selected);
}

bool ThumbnailWidget::isSelected() const
{
    return !ui->selectionWidget->isHidden();
}

void ThumbnailWidget::updateLabels()
{
    // Long names and descriptions are elided; the tool tip has them whole.
    const QString shownDescription = descriptionText.isEmpty() ? QString() : tr("(%1)").arg(descriptionText);
    const QFontMetrics nameMetrics(ui->nameLabel->font());
    ui->nameLabel->setText(nameMetrics.elidedText(name, Qt::ElideRight, ui->nameLabel->contentsRect().width()));
    const QFontMetrics descriptionMetrics(ui->descriptionLabel->font());
    ui->descriptionLabel->setText(descriptionMetrics.elidedText(shownDescription, Qt::ElideRight,
                                                                ui->descriptionLabel->contentsRect().width()));
    setToolTip(descriptionText.isEmpty() ? name : name + QLatin1Char('\n') + descriptionText);
}

bool ThumbnailWidget::eventFilter(QObject *watched, QEvent *event)
{
    if ((watched == ui->nameLabel || watched == ui->descriptionLabel)
        && (event->type() == QEvent::Resize || event->type() == QEvent::FontChange))
        updateLabels();
    return QWidget::eventFilter(watched, event);
}

} // namespace Tarn
