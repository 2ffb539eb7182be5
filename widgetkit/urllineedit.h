#pragma once

#include "widgetkit/widgetkitglobal.h"

#include <QCursor>
#include <QLineEdit>

namespace Ui {
class UrlLineEditUi;
}

class QToolButton;

namespace Tarn {

// The entry for a video page address: a link sign at the left and, while
// there is text, a clear button at the right edge that takes no keyboard
// focus.
class WIDGETKIT_EXPORT UrlLineEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit UrlLineEdit(QWidget *parent = nullptr);
    ~UrlLineEdit() override;

    QToolButton *clearButton() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void onTextChanged(const QString &text);
    void onClear();
    void placeButton();
    void updateIcons();

    Ui::UrlLineEditUi *ui;
    QAction *m_linkAction;
    bool m_cursorChanged = false;
};

} // namespace Tarn
