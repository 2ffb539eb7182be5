#include "multiselectcombobox.h"

#include "kelframe/kelskin.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int DataRole = Qt::UserRole;
// Rows the pop-up shows before its list scrolls.
constexpr int VisibleRows = 12;

} // namespace

MultiSelectComboBox::MultiSelectComboBox(QWidget *parent)
    : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);
    QLineEdit *edit = lineEdit();
    edit->setReadOnly(true);
    edit->setContextMenuPolicy(Qt::NoContextMenu);
    edit->setCursor(Qt::ArrowCursor);
    edit->installEventFilter(this);

    m_popup = new QFrame(this, Qt::Popup);
    m_popup->setObjectName(QStringLiteral("multiSelectPopup"));
    m_popup->setAttribute(Qt::WA_StyledBackground);
    // A click on the box closes the pop-up and must not open it again.
    m_popup->setAttribute(Qt::WA_NoMouseReplay);
    auto *layout = new QVBoxLayout(m_popup);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSpacing(0);

    m_list = new QListWidget(m_popup);
    m_list->setObjectName(QStringLiteral("multiSelectList"));
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->installEventFilter(this);
    layout->addWidget(m_list);

    auto *bar = new QWidget(m_popup);
    bar->setObjectName(QStringLiteral("multiSelectBar"));
    bar->setAttribute(Qt::WA_StyledBackground);
    auto *barLayout = new QHBoxLayout(bar);
    barLayout->setContentsMargins(8, 4, 4, 4);
    barLayout->setSpacing(2);
    m_hintLabel = new QLabel(bar);
    m_hintLabel->setObjectName(QStringLiteral("multiSelectHint"));
    m_hintLabel->setProperty("dim", QStringLiteral("true"));
    m_hintLabel->setWordWrap(true);
    barLayout->addWidget(m_hintLabel, 1);
    m_upBtn = new QToolButton(bar);
    m_upBtn->setObjectName(QStringLiteral("upBtn"));
    m_downBtn = new QToolButton(bar);
    m_downBtn->setObjectName(QStringLiteral("downBtn"));
    for (QToolButton *button : {m_upBtn, m_downBtn}) {
        button->setAutoRaise(true);
        button->setIconSize(QSize(16, 16));
        button->setFocusPolicy(Qt::NoFocus);
        barLayout->addWidget(button);
    }
    layout->addWidget(bar);

    auto applyIcons = [this] {
        m_upBtn->setIcon(KelSkin::icon(QStringLiteral("pan-up")));
        m_downBtn->setIcon(KelSkin::icon(QStringLiteral("pan-down")));
    };
    applyIcons();
    connect(KelSkin::instance(), &KelSkin::skinChanged, this, applyIcons);

    connect(m_list, &QListWidget::itemClicked, this, &MultiSelectComboBox::toggle);
    connect(m_list, &QListWidget::currentRowChanged, this, &MultiSelectComboBox::updateButtons);
    connect(m_upBtn, &QToolButton::clicked, this, &MultiSelectComboBox::moveUp);
    connect(m_downBtn, &QToolButton::clicked, this, &MultiSelectComboBox::moveDown);
    updateButtons();
    updateText();
}

void MultiSelectComboBox::addCheckItem(const QString &text, const QVariant &data, bool checked)
{
    auto *item = new QListWidgetItem(text);
    // Not user-checkable: a click anywhere on the row toggles it, once.
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    item->setData(DataRole, data);
    item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    m_list->addItem(item);
    updateText();
    updateButtons();
}

int MultiSelectComboBox::checkItemCount() const
{
    return m_list->count();
}

QString MultiSelectComboBox::checkItemText(int row) const
{
    const QListWidgetItem *item = m_list->item(row);
    return item ? item->text() : QString();
}

void MultiSelectComboBox::setCheckItemText(int row, const QString &text)
{
    if (QListWidgetItem *item = m_list->item(row)) {
        item->setText(text);
        updateText();
    }
}

QVariant MultiSelectComboBox::checkItemData(int row) const
{
    const QListWidgetItem *item = m_list->item(row);
    return item ? item->data(DataRole) : QVariant();
}

bool MultiSelectComboBox::isChecked(int row) const
{
    const QListWidgetItem *item = m_list->item(row);
    return item && item->checkState() == Qt::Checked;
}

void MultiSelectComboBox::setChecked(int row, bool checked)
{
    QListWidgetItem *item = m_list->item(row);
    if (!item || isChecked(row) == checked)
        return;
    item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    updateText();
    emit selectionChanged();
}

QStringList MultiSelectComboBox::checkedTexts() const
{
    QStringList texts;
    for (int row = 0; row < m_list->count(); ++row) {
        if (isChecked(row))
            texts.append(checkItemText(row));
    }
    return texts;
}

QVariantList MultiSelectComboBox::checkedData() const
{
    QVariantList data;
    for (int row = 0; row < m_list->count(); ++row) {
        if (isChecked(row))
            data.append(checkItemData(row));
    }
    return data;
}

int MultiSelectComboBox::currentRow() const
{
    return m_list->currentRow();
}

void MultiSelectComboBox::setCurrentRow(int row)
{
    m_list->setCurrentRow(row);
}

void MultiSelectComboBox::setHintText(const QString &text)
{
    m_hintLabel->setText(text);
    m_hintLabel->setVisible(!text.isEmpty());
}

void MultiSelectComboBox::setEmptyText(const QString &text)
{
    lineEdit()->setPlaceholderText(text);
}

void MultiSelectComboBox::setMoveButtonTexts(const QString &up, const QString &down)
{
    m_upBtn->setToolTip(up);
    m_upBtn->setAccessibleName(up);
    m_downBtn->setToolTip(down);
    m_downBtn->setAccessibleName(down);
}

void MultiSelectComboBox::showPopup()
{
    if (m_list->count() == 0 || m_popup->isVisible())
        return;
    if (m_list->currentRow() < 0)
        m_list->setCurrentRow(0);

    // Measured as the style sheet draws the rows, before the first show.
    m_popup->ensurePolished();
    m_list->doItemsLayout();
    const int rowHeight = qMax(m_list->sizeHintForRow(0), 1);
    const int rows = qMin(m_list->count(), VisibleRows);
    m_list->setFixedHeight(rows * rowHeight + 2 * m_list->frameWidth() + 8);
    m_popup->layout()->activate();
    const int width = qMax(this->width(), m_list->sizeHintForColumn(0) + 32);
    const QSize size(width, m_popup->sizeHint().height());

    // Below the box, or above it where the screen ends first.
    QPoint pos = mapToGlobal(QPoint(0, height()));
    if (const QScreen *where = screen()) {
        const QRect area = where->availableGeometry();
        if (pos.y() + size.height() > area.bottom() && mapToGlobal(QPoint(0, 0)).y() - size.height() >= area.top())
            pos.setY(mapToGlobal(QPoint(0, 0)).y() - size.height());
        pos.setX(qBound(area.left(), pos.x(), qMax(area.left(), area.right() - size.width())));
    }
    m_popup->setGeometry(QRect(pos, size));
    m_popup->show();
    m_list->setFocus(Qt::PopupFocusReason);
    m_list->scrollToItem(m_list->currentItem());
}

void MultiSelectComboBox::hidePopup()
{
    m_popup->hide();
}

void MultiSelectComboBox::clear()
{
    m_list->clear();
    updateText();
    updateButtons();
    emit selectionChanged();
}

void MultiSelectComboBox::setCurrentText(const QString &text)
{
    QStringList texts;
    for (const QString &part : text.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        if (!part.trimmed().isEmpty())
            texts.append(part.trimmed());
    }
    setCurrentText(texts);
}

void MultiSelectComboBox::setCurrentText(const QStringList &texts)
{
    bool changed = false;
    for (int row = 0; row < m_list->count(); ++row) {
        QListWidgetItem *item = m_list->item(row);
        const Qt::CheckState state = texts.contains(item->text()) ? Qt::Checked : Qt::Unchecked;
        if (item->checkState() != state) {
            item->setCheckState(state);
            changed = true;
        }
    }
    updateText();
    if (changed)
        emit selectionChanged();
}

void MultiSelectComboBox::moveUp()
{
    const int row = m_list->currentRow();
    if (row > 0)
        swapRows(row, row - 1);
}

void MultiSelectComboBox::moveDown()
{
    const int row = m_list->currentRow();
    if (row >= 0 && row + 1 < m_list->count())
        swapRows(row, row + 1);
}

void MultiSelectComboBox::swapRows(int a, int b)
{
    QListWidgetItem *first = m_list->item(a);
    QListWidgetItem *second = m_list->item(b);
    const QString text = first->text();
    const QVariant data = first->data(DataRole);
    const Qt::CheckState state = first->checkState();
    first->setText(second->text());
    first->setData(DataRole, second->data(DataRole));
    first->setCheckState(second->checkState());
    second->setText(text);
    second->setData(DataRole, data);
    second->setCheckState(state);
    m_list->setCurrentRow(b);
    updateText();
    emit selectionChanged();
}

void MultiSelectComboBox::toggle(QListWidgetItem *item)
{
    if (!item)
        return;
    item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    updateText();
    emit selectionChanged();
}

void MultiSelectComboBox::updateText()
{
    QString text;
    for (const QString &entry : checkedTexts())
        text += entry + QLatin1Char(';') + QLatin1Char(' ');
    text = text.trimmed();
    lineEdit()->setText(text);
    lineEdit()->setCursorPosition(0);
    setToolTip(text);
}

void MultiSelectComboBox::updateButtons()
{
    const int row = m_list->currentRow();
    m_upBtn->setEnabled(row > 0);
    m_downBtn->setEnabled(row >= 0 && row + 1 < m_list->count());
}

bool MultiSelectComboBox::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lineEdit() && isEnabled()) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            if (m_popup->isVisible())
                hidePopup();
            else
                showPopup();
            return true;
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::MouseButtonRelease:
            // No text selection in a box that only shows the choice.
            return true;
        default:
            break;
        }
    } else if (watched == m_list && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Space) {
            toggle(m_list->currentItem());
            return true;
        }
        if (key->key() == Qt::Key_Escape || key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter
            || (key->key() == Qt::Key_Up && key->modifiers() & Qt::AltModifier)) {
            hidePopup();
            return true;
        }
        if (key->modifiers() & Qt::ControlModifier && (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down)) {
            key->key() == Qt::Key_Up ? moveUp() : moveDown();
            return true;
        }
    }
    return QComboBox::eventFilter(watched, event);
}

void MultiSelectComboBox::wheelEvent(QWheelEvent *event)
{
    event->ignore();
}

void MultiSelectComboBox::keyPressEvent(QKeyEvent *event)
{
    const bool alt = event->modifiers() & Qt::AltModifier;
    if (event->key() == Qt::Key_Space || event->key() == Qt::Key_F4
        || (alt && event->key() == Qt::Key_Down)) {
        showPopup();
        return;
    }
    // Typing and the arrow keys would edit the shown text or pick a single
    // entry: neither means anything here.
    event->ignore();
}

void MultiSelectComboBox::keyReleaseEvent(QKeyEvent *event)
{
    event->ignore();
}

void MultiSelectComboBox::inputMethodEvent(QInputMethodEvent *event)
{
    event->ignore();
}
