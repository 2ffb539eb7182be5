#include "kelframe/keliconlabel.h"

#include "kelframe/kelskin.h"

#include <QPainter>

KelIconLabel::KelIconLabel(QWidget *parent)
    : QLabel(parent)
{
    setFixedSize(m_size, m_size);
    connect(KelSkin::instance(), &KelSkin::skinChanged, this, &KelIconLabel::reload);
}

KelIconLabel::KelIconLabel(const QString &iconName, int size, QWidget *parent)
    : KelIconLabel(parent)
{
    setIconSize(size);
    setIconName(iconName);
}

void KelIconLabel::setIconName(const QString &name)
{
    m_name = name;
    reload();
}

QString KelIconLabel::iconName() const
{
    return m_name;
}

void KelIconLabel::setIconSize(int size)
{
    m_size = qMax(1, size);
    setFixedSize(m_size, m_size);
    update();
}

int KelIconLabel::iconSize() const
{
    return m_size;
}

void KelIconLabel::reload()
{
    m_icon = m_name.isEmpty() ? QIcon() : KelSkin::icon(m_name);
    update();
}

void KelIconLabel::paintEvent(QPaintEvent *event)
{
    QLabel::paintEvent(event);
    if (m_icon.isNull())
        return;
    QPainter painter(this);
    m_icon.paint(&painter, contentsRect(), Qt::AlignCenter, isEnabled() ? QIcon::Normal : QIcon::Disabled);
}
