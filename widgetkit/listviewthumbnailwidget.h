#pragma once

#include "widgetkit/widgetkitglobal.h"
#include "shared/progress.h"

#include <QFrame>
#include <QList>

class QAction;

namespace Ui {
class ListViewThumbnailWidgetUi;
}

namespace Tarn {

class ListItemToolBar;

// A tile of the thumbnail grid: the 16:9 picture with its duration, a status
// mark and a slim progress bar over it, and beneath it the title, which gives
// way to the row tool bar while the mouse is over the tile. The visual states
// are the dynamic properties "status" (statusLabel), "selected" (bgWidget and
// titleLabel) and "hovered" (bgWidget).
class WIDGETKIT_EXPORT ListViewThumbnailWidget : public QFrame
{
    Q_OBJECT
    Q_PROPERTY(int cornerRadius READ getCornerRadius WRITE setCornerRadius)

public:
    explicit ListViewThumbnailWidget(QWidget *parent = nullptr);
    ~ListViewThumbnailWidget() override;

    void setText(const QString &text);
    QString text() const;

    // Seconds.
    void setDuration(qint64 duration);
    qint64 getDuration() const;

    // A valid progress only ever raises the bar.
    void setProgress(const Kel::Progress &progress);
    void resetProgress();
    int getProgressPercentage() const;
    bool isProgressVisible() const;
    void setProgressVisible(bool visible);

    // One of "working", "waitting", "faild", "success", "analysing", "pause",
    // or empty for normal; the words are matched by the style sheets.
    void setStatus(const QString &status);
    QString getStatus() const;
    void setWorking();
    bool isWorking() const;
    void setWaitting();
    bool isWaitting() const;
    void setFailed();
    bool isFailed() const;
    void setCompleted();
    bool isCompleted() const;
    void setAnalysing();
    bool isAnalysing() const;
    void setPause();
    bool isPause() const;
    void setNormal();
    bool isNormal() const;

    void setSelected(bool selected);
    bool isSelected() const;
    // A selected tile never shows itself hovered.
    void setHovered(bool hovered);
    bool isHovered() const;

    void setToolBarActions(const QList<QAction *> &actions);
    ListItemToolBar *toolBar() const;

    void setThumbnail(const QString &path);
    QString getThumbnail() const;
    QSize getThumbnailSize() const;

    void setCornerRadius(int radius);
    int getCornerRadius() const;

signals:
    void toolBarPressed();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void updateTitle();
    void updateStatusText();

    Ui::ListViewThumbnailWidgetUi *ui;
    QString title;
    QString status;
    QString thumbnailPath;
    QString failedPath;
    qint64 failedStamp = -1;
    qint64 duration = 0;
    bool selected = false;
    bool hovered = false;
    bool shownHovered = false;
    int cornerRadius = 6;
};

} // namespace Tarn
