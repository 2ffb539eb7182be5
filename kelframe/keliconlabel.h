#pragma once

#include "kelframe/kelframeglobal.h"

#include <QLabel>

// A label that shows one of the skin's icons, drawn at the screen's own
// pixel density so that it stays crisp at any scale, and redrawn in the new
// colours when the skin changes. Disabled, it shows the icon's dimmed form.
class KELFRAME_EXPORT KelIconLabel : public QLabel
{
    Q_OBJECT
public:
    explicit KelIconLabel(QWidget *parent = nullptr);
    KelIconLabel(const QString &iconName, int size, QWidget *parent = nullptr);

    void setIconName(const QString &name);
    QString iconName() const;
    // The icon's side in pixels; the label keeps this fixed size.
    void setIconSize(int size);
    int iconSize() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void reload();

    QString m_name;
    QIcon m_icon;
    int m_size = 16;
};
