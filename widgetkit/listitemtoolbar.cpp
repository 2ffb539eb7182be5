#include "widgetkit/listitemtoolbar.h"

#include "ui_listitemtoolbar.h"
#include "widgetkit/mousepassthrough.h"

#include <QAction>
#include <QMouseEvent>

namespace Tarn {

ListItemToolBar::ListItemToolBar(QWidget *parent)
    : QWidget(parent), ui(new Ui::ListItemToolBarUi)
{
    ui->setupUi(this);
    setFocusPolicy(Qt::NoFocus);
    passMouseMoves(this);
    for (int index = 0; index < 3; ++index) {
        for (int layer = 0; layer < 2; ++layer) {
            QToolButton *toolButton = button(index, layer);
            connect(toolButton, &QToolButton::pressed, this, &ListItemToolBar::onButtonPressed);
            connect(toolButton, &QToolButton::clicked, this, &ListItemToolBar::onButtonClicked);
        }
    }
    ui->stackedWidget0->setCurrentIndex(0);
    ui->stackedWidget1->setCurrentIndex(0);
    ui->stackedWidget2->setCurrentIndex(0);
    updateButtonVisibility();
}

ListItemToolBar::~ListItemToolBar()
{
    delete ui;
}

QToolButton *ListItemToolBar::button(int index, int layer) const
{
    const QString name = layer == 0 ? QStringLiteral("toolButton%1").arg(index)
                                    : QStringLiteral("toolButton%1_1").arg(index);
    return findChild<QToolButton *>(name);
}

void ListItemToolBar::setAction(QAction *action, int index, int layer)
{
    if (layer != 0 && layer != 1)
        return;
    QToolButton *toolButton = button(index, layer);
    if (!toolButton)
        return;
    toolButton->setDefaultAction(action);
    // An action without a picture still needs to be seen.
    toolButton->setToolButtonStyle(action && action->icon().isNull() ? Qt::ToolButtonTextOnly
                                                                     : Qt::ToolButtonIconOnly);
    if (action && action->icon().isNull()) {
        toolButton->setMinimumSize(0, 28);
        toolButton->setMaximumSize(QWIDGETSIZE_MAX, 28);
    }
    updateButtonVisibility();
}

void ListItemToolBar::setVisibleButton(int index, int layer)
{
    if (index != 0 || (layer != 0 && layer != 1))
        return;
    ui->stackedWidget0->setCurrentIndex(layer);
    updateButtonVisibility();
}

int ListItemToolBar::visibleLayer(int index) const
{
    switch (index) {
    case 0: return ui->stackedWidget0->currentIndex();
    case 1: return ui->stackedWidget1->currentIndex();
    case 2: return ui->stackedWidget2->currentIndex();
    default: return -1;
    }
}

void ListItemToolBar::onButtonPressed()
{
    emit pressed();
}

void ListItemToolBar::onButtonClicked()
{
    QObject *clicked = sender();
    if (clicked == ui->toolButton0 && ui->toolButton0_1->defaultAction())
        setVisibleButton(0, 1);
    else if (clicked == ui->toolButton0_1)
        setVisibleButton(0, 0);
}

void ListItemToolBar::mousePressEvent(QMouseEvent *event)
{
    emit pressed();
    event->accept();
}

void ListItemToolBar::mouseMoveEvent(QMouseEvent *event)
{
    // The view below keeps track of the row under the mouse.
    event->ignore();
}

void ListItemToolBar::updateButtonVisibility()
{
    // A button without an action on its shown layer takes no room.
    QStackedWidget *stacks[] = {ui->stackedWidget0, ui->stackedWidget1, ui->stackedWidget2};
    for (int index = 0; index < 3; ++index) {
        QToolButton *shown = button(index, stacks[index]->currentIndex());
        stacks[index]->setVisible(shown && shown->defaultAction());
    }
}

} // namespace Tarn
