#pragma once

#include "widgetkit/widgetkitglobal.h"

#include <QWidget>

namespace Ui {
class ThumbnailWidgetUi;
}

namespace Tarn {

// A named tile with a picture, such as a conversion profile: the style sheet
// chooses the picture by the frame's dynamic property "name".
class WIDGETKIT_EXPORT ThumbnailWidget : public QWidget
{
    Q_OBJECT

public:
    explicit ThumbnailWidget(QWidget *parent = nullptr);
    ~ThumbnailWidget() override;

    void setText(const QString &text);
    QString text() const;
    // Shown as "(description)" when not empty.
    void setDescription(const QString &description);
    QString description() const;
    void setSelected(bool selected);
    bool isSelected() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void updateLabels();

    Ui::ThumbnailWidgetUi *ui;
    QString name;
    QString descriptionText;
};

} // namespace Tarn
