#pragma once

#include "widgetkit/widgetkitglobal.h"

#include <QWidget>

class QAction;
class QToolButton;

namespace Ui {
class ListItemToolBarUi;
}

namespace Tarn {

// The row tool bar: three buttons side by side, each with two layers. Layer 0
// shows normally; the first button turns to its layer-1 action when clicked
// (a start button becoming a pause button) and back.
class WIDGETKIT_EXPORT ListItemToolBar : public QWidget
{
    Q_OBJECT

public:
    explicit ListItemToolBar(QWidget *parent = nullptr);
    ~ListItemToolBar() override;

    // Makes the action the default action of button index on layer (0 or 1).
    // A button that does not exist is ignored.
    void setAction(QAction *action, int index, int layer);
    // Shows layer 0 or layer 1 of the first button; other indices are ignored.
    void setVisibleButton(int index, int layer);
    int visibleLayer(int index) const;
    QToolButton *button(int index, int layer) const;

signals:
    void pressed();

public slots:
    void onButtonPressed();
    void onButtonClicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    void updateButtonVisibility();

    Ui::ListItemToolBarUi *ui;
};

} // namespace Tarn
