#pragma once

#include <QComboBox>
#include <QStringList>
#include <QVariant>

class QFrame;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QToolButton;

// A combo box for an ordered choice of several entries. Its pop-up is a list
// of check boxes with two buttons that move the current entry up or down;
// the box itself shows the checked entries' texts in list order, each
// followed by ";". Clicking an entry toggles it and leaves the pop-up open.
// The box does not react to the mouse wheel (the page around it scrolls)
// nor to typing; a click into its text, Space, F4 or Alt+Down opens the
// pop-up. Every change of the choice or the order emits selectionChanged().
class MultiSelectComboBox : public QComboBox
{
    Q_OBJECT
public:
    explicit MultiSelectComboBox(QWidget *parent = nullptr);

    void addCheckItem(const QString &text, const QVariant &data = QVariant(), bool checked = false);
    int checkItemCount() const;
    QString checkItemText(int row) const;
    void setCheckItemText(int row, const QString &text);
    QVariant checkItemData(int row) const;
    bool isChecked(int row) const;
    void setChecked(int row, bool checked);
    // The checked entries, in list order.
    QStringList checkedTexts() const;
    QVariantList checkedData() const;

    int currentRow() const;
    void setCurrentRow(int row);

    // A line under the list that says what the order means.
    void setHintText(const QString &text);
    // Shown in the box while nothing is checked.
    void setEmptyText(const QString &text);
    // Tool tips of the two order buttons.
    void setMoveButtonTexts(const QString &up, const QString &down);

    QListWidget *listWidget() const { return m_list; }
    QToolButton *upButton() const { return m_upBtn; }
    QToolButton *downButton() const { return m_downBtn; }
    QFrame *popup() const { return m_popup; }

    void showPopup() override;
    void hidePopup() override;

public slots:
    void clear();
    // Checks exactly the entries with these texts; text may hold several,
    // each followed by ";".
    void setCurrentText(const QString &text);
    void setCurrentText(const QStringList &texts);
    // Swap the current entry's text, data and check with its neighbour's;
    // the entry stays current.
    void moveUp();
    void moveDown();

signals:
    void selectionChanged();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;

private:
    void toggle(QListWidgetItem *item);
    void swapRows(int a, int b);
    void updateText();
    void updateButtons();

    QFrame *m_popup = nullptr;
    QListWidget *m_list = nullptr;
    QLabel *m_hintLabel = nullptr;
    QToolButton *m_upBtn = nullptr;
    QToolButton *m_downBtn = nullptr;
};
