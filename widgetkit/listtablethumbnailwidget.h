#pragma once

#include "widgetkit/widgetkitglobal.h"

#include <QWidget>

class QLabel;

namespace Tarn {

// The thumbnail in a table's thumbnail cell: a 16:9 picture with rounded
// corners; a placeholder (from the style sheet) until the picture arrives,
// when the label's dynamic property "loaded" turns "true".
class WIDGETKIT_EXPORT ListTableThumbnailWidget : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(int cornerRadius READ getCornerRadius WRITE setCornerRadius)

public:
    explicit ListTableThumbnailWidget(QWidget *parent = nullptr);

    // Loads the picture unless it is the one shown. A file that cannot be
    // read is logged and leaves the old picture; it is tried again once the
    // file changes.
    void setThumbnail(const QString &path);
    QString getThumbnail() const;
    QLabel *thumbnailLabel() const;

    void setCornerRadius(int radius);
    int getCornerRadius() const;

    QSize sizeHint() const override;
    // The size every table thumbnail is shown at (16:9).
    static QSize thumbnailSize();

private:
    QLabel *label;
    QString path;
    QString failedPath;
    qint64 failedStamp = -1;
    int cornerRadius = 4;
};

} // namespace Tarn
