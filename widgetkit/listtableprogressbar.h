#pragma once

#include "widgetkit/widgetkitglobal.h"
#include "shared/progress.h"

#include <QVariant>
#include <QWidget>

namespace Ui {
class ListTableProgressBarUi;
}

namespace Tarn {

// The live cell of a table's status column: a slim progress bar with its
// percentage and speed beneath, a completed or failed mark, or a status text.
// Its visual states are the dynamic properties "status" (on the bar) and
// "selected" ("1" or "0", on the cell and every child).
class WIDGETKIT_EXPORT ListTableProgressBar : public QWidget
{
    Q_OBJECT

public:
    explicit ListTableProgressBar(QWidget *parent = nullptr);
    ~ListTableProgressBar() override;

    // Shows the bar at the progress percentage; hides the text and the marks.
    void setProgress(const Kel::Progress &progress);
    Kel::Progress getProgress() const;
    void setProgressVisible(bool visible);
    bool isProgressVisible() const;
    int getProgressPercentage() const;

    // Shows the text alone.
    void setText(const QString &text);
    QString text() const;

    void setCompleted(bool completed);
    bool isCompleted() const;
    void setFailed(bool failed);
    bool isFailed() const;

    // The bar's "status" property; empty while the cell is selected.
    void setStatus(const QVariant &status);
    QVariant getStatus() const;

    void setSelected(bool selected);
    bool isSelected() const;

protected:
    void changeEvent(QEvent *event) override;

private:
    void setMark(bool completed, bool failed);
    void updateProgressTexts();
    void applyStatus();

    Ui::ListTableProgressBarUi *ui;
    Kel::Progress progress;
    QVariant status;
    bool selected = false;
};

} // namespace Tarn
