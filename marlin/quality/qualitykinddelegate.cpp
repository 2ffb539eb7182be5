#include "marlin/quality/qualitykinddelegate.h"

#include "kelframe/kelskin.h"
#include "marlin/quality/webmediaqualitylistmodel.h"
#include "shared/mediatype.h"

#include <QPainter>

namespace Tarn {

QualityKindDelegate::QualityKindDelegate(QObject *parent)
    : ListTableItemDelegate(parent)
{
}

void QualityKindDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    ListTableItemDelegate::paint(painter, option, index);
    if (index.row() == getMouseOverRow())
        return;
    const QVariant kind = index.data(WebMediaQualityListModel::KindRole);
    if (!kind.isValid())
        return;
    const QString name = kind.toInt() == Kel::Audio ? QStringLiteral("quality-audio") : QStringLiteral("quality-video");
    const QSize size(16, 16);
    const QRect box(option.rect.center() - QPoint(size.width() / 2, size.height() / 2) + QPoint(1, 1), size);
    // The dimmed form: a mark, not a button.
    KelSkin::icon(name).paint(painter, box, Qt::AlignCenter, QIcon::Disabled);
}

} // namespace Tarn
