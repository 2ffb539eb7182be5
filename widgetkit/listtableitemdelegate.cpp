#include "widgetkit/listtableitemdelegate.h"

#include "widgetkit/listitemroles.h"
#include "widgetkit/listtableview.h"
#include "widgetkit/listthumbview.h"
#include "shared/kellog.h"

#include <QApplication>
#include <QPainter>
#include <QPixmapCache>

namespace Tarn {

ListTableItemDelegate::ListTableItemDelegate(QObject *parent)
    : QStyledItemDelegate(parent)
{
}

void ListTableItemDelegate::setMouseOverRow(int row)
{
    mouseOverRow = row;
}

int ListTableItemDelegate::getMouseOverRow() const
{
    return mouseOverRow;
}

qint64 ListTableItemDelegate::itemKey(const QModelIndex &index)
{
    return index.data(ItemKeyRole).toLongLong();
}

QWidget *ListTableItemDelegate::createEditor(QWidget *, const QStyleOptionViewItem &, const QModelIndex &) const
{
    // Plain cells are never edited; the model marks them editable only so that
    // the live cells can open.
    return nullptr;
}

QStyleOptionViewItem ListTableItemDelegate::rowOption(const QStyleOptionViewItem &option,
                                                      const QModelIndex &index) const
{
    QStyleOptionViewItem opt(option);
    initStyleOption(&opt, index);
    if (index.row() == mouseOverRow)
        opt.state |= QStyle::State_MouseOver;
    else
        opt.state &= ~QStyle::State_MouseOver;

    if (index.data(EmphasisRole).toBool()) {
        QFont font;
        QColor color;
        bool known = false;
        if (const auto *table = qobject_cast<const ListTableView *>(option.widget)) {
            font = table->getEmphasisTextFont();
            color = table->getEmphasisTextColor();
            known = true;
        } else if (const auto *grid = qobject_cast<const ListThumbView *>(option.widget)) {
            font = grid->getEmphasisTextFont();
            color = grid->getEmphasisTextColor();
            known = true;
        }
        if (known) {
            opt.font = font;
            opt.fontMetrics = QFontMetrics(font);
            if (color.isValid()) {
                for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
                    opt.palette.setColor(group, QPalette::WindowText, color);
                    opt.palette.setColor(group, QPalette::Text, color);
                }
            }
        }
    }
    return opt;
}

void ListTableItemDelegate::paintCell(QPainter *painter, const QStyleOptionViewItem &option) const
{
    const QWidget *widget = option.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &option, painter, widget);
}

void ListTableItemDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                  const QModelIndex &index) const
{
    const QStyleOptionViewItem opt = rowOption(option, index);
    paintCell(painter, opt);
    if (index.column() == 0 && index.row() == mouseOverRow)
        paintHoverIcon(painter, opt);
}

void ListTableItemDelegate::paintHoverIcon(QPainter *painter, const QStyleOptionViewItem &option) const
{
    const auto *table = qobject_cast<const ListTableView *>(option.widget);
    if (!table)
        return;
    const QString path = table->getMouseHoverIcon();
    if (path.isEmpty())
        return;
    QPixmap icon;
    if (!QPixmapCache::find(QStringLiteral("tarn-hover-icon|") + path, &icon)) {
        if (!icon.load(path)) {
            // Logged once, not on every repaint.
            if (failedIconPath != path)
                KEL_ERROR("Paint icon failed. %s", qPrintable(path));
            failedIconPath = path;
            return;
        }
        QPixmapCache::insert(QStringLiteral("tarn-hover-icon|") + path, icon);
    }
    const QSizeF size = icon.deviceIndependentSize();
    const QPointF topLeft(option.rect.left(), option.rect.top() + (option.rect.height() - size.height()) / 2.0);
    painter->drawPixmap(topLeft, icon);
}

} // namespace Tarn
