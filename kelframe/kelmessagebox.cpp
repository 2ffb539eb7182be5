#include "kelframe/kelmessagebox.h"

#include "kelframe/keliconlabel.h"
#include "kelframe/kelskin.h"

#include <QApplication>
#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

namespace {

constexpr int IconSize = 32;
constexpr int TextWidth = 300;
constexpr int MaxTextWidth = 520;

QString iconName(KelMessageBox::Kind kind)
{
    switch (kind) {
    case KelMessageBox::Warning:
        return QStringLiteral("warning");
    case KelMessageBox::Question:
        return QStringLiteral("question");
    case KelMessageBox::Information:
        break;
    }
    return QStringLiteral("info");
}

} // namespace

KelMessageBox::KelMessageBox(QWidget *parent)
    : KelDialog(parent)
    , m_iconLabel(new KelIconLabel(this))
    , m_titleLabel(new QLabel(this))
    , m_textLabel(new QLabel(this))
    , m_buttonBox(new QDialogButtonBox(this))
{
    setObjectName(QStringLiteral("KelMessageBox"));
    setModal(true);
    m_iconLabel->setObjectName(QStringLiteral("iconLabel"));
    m_titleLabel->setObjectName(QStringLiteral("titleLabel"));
    m_textLabel->setObjectName(QStringLiteral("textLabel"));
    m_buttonBox->setObjectName(QStringLiteral("buttonBox"));
    m_iconLabel->setIconSize(IconSize);
    for (QLabel *label : {m_titleLabel, m_textLabel}) {
        label->setWordWrap(true);
        label->setTextFormat(Qt::PlainText);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }

    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(20, 20, 20, 16);
    layout->setHorizontalSpacing(16);
    layout->setVerticalSpacing(6);
    layout->addWidget(m_iconLabel, 0, 0, 2, 1, Qt::AlignTop);
    layout->addWidget(m_titleLabel, 0, 1);
    layout->addWidget(m_textLabel, 1, 1);
    layout->setRowMinimumHeight(2, 12);
    layout->addWidget(m_buttonBox, 3, 0, 1, 2);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_buttonBox, &QDialogButtonBox::clicked, this, &KelMessageBox::onClicked);
    setButtons(QDialogButtonBox::Ok);
    retranslate();
    updateUiState();
}

void KelMessageBox::alert(const QString &title, const QString &text, QWidget *parent, bool warning)
{
    KelMessageBox box(parent);
    box.setKind(warning ? Warning : Information);
    box.setTitle(title);
    box.setText(text);
    box.setButtons(QDialogButtonBox::Ok, QDialogButtonBox::Ok);
    box.exec();
}

QDialogButtonBox::StandardButton KelMessageBox::question(const QString &title, const QString &text,
                                                         QDialogButtonBox::StandardButtons buttons,
                                                         QWidget *parent,
                                                         QDialogButtonBox::StandardButton defaultButton,
                                                         bool warning)
{
    KelMessageBox box(parent);
    box.setKind(warning ? Warning : Question);
    box.setTitle(title);
    box.setText(text);
    box.setButtons(buttons, defaultButton);
    box.exec();
    return box.clickedButton();
}

void KelMessageBox::setTitle(const QString &title)
{
    m_title = title;
    layOut();
}

QString KelMessageBox::title() const
{
    return m_title;
}

void KelMessageBox::setText(const QString &text)
{
    m_text = text;
    layOut();
}

QString KelMessageBox::text() const
{
    return m_text;
}

void KelMessageBox::setKind(Kind kind)
{
    m_kind = kind;
    updateUiState();
}

KelMessageBox::Kind KelMessageBox::kind() const
{
    return m_kind;
}

void KelMessageBox::setButtons(QDialogButtonBox::StandardButtons buttons,
                               QDialogButtonBox::StandardButton defaultButton)
{
    if (!buttons)
        buttons = QDialogButtonBox::Ok;
    m_buttonBox->setStandardButtons(buttons);
    QPushButton *preferred = defaultButton != QDialogButtonBox::NoButton ? m_buttonBox->button(defaultButton)
                                                                        : nullptr;
    const QList<QAbstractButton *> all = m_buttonBox->buttons();
    for (QAbstractButton *button : all) {
        if (auto *push = qobject_cast<QPushButton *>(button)) {
            push->setAutoDefault(true);
            push->setDefault(push == preferred);
        }
    }
    if (preferred)
        preferred->setFocus(Qt::OtherFocusReason);
}

QDialogButtonBox::StandardButton KelMessageBox::clickedButton() const
{
    return m_clicked;
}

QDialogButtonBox::StandardButton KelMessageBox::escapeButton() const
{
    const QDialogButtonBox::StandardButtons buttons = m_buttonBox->standardButtons();
    for (QDialogButtonBox::StandardButton candidate :
         {QDialogButtonBox::Cancel, QDialogButtonBox::No, QDialogButtonBox::Close, QDialogButtonBox::Abort,
          QDialogButtonBox::Ignore}) {
        if (buttons & candidate)
            return candidate;
    }
    const QList<QAbstractButton *> all = m_buttonBox->buttons();
    return all.size() == 1 ? m_buttonBox->standardButton(all.first()) : QDialogButtonBox::NoButton;
}

void KelMessageBox::reject()
{
    if (m_clicked == QDialogButtonBox::NoButton)
        m_clicked = escapeButton();
    KelDialog::reject();
}

void KelMessageBox::onClicked(QAbstractButton *button)
{
    m_clicked = m_buttonBox->standardButton(button);
    const QDialogButtonBox::ButtonRole role = m_buttonBox->buttonRole(button);
    if (role == QDialogButtonBox::RejectRole || role == QDialogButtonBox::NoRole)
        KelDialog::reject();
    else
        accept();
}

void KelMessageBox::updateUiState()
{
    m_iconLabel->setIconName(iconName(m_kind));
}

void KelMessageBox::retranslate()
{
    setWindowTitle(QGuiApplication::applicationDisplayName());
}

// A message given only as the title reads as a message, not a heading.
void KelMessageBox::layOut()
{
    const bool heading = !m_title.isEmpty() && !m_text.isEmpty();
    m_titleLabel->setText(heading ? m_title : QString());
    m_titleLabel->setVisible(heading);
    m_textLabel->setText(m_text.isEmpty() ? m_title : m_text);

    // As wide as the longest line needs, within bounds, so that a sentence
    // that nearly fits does not leave a lonely word on a second line.
    int needed = 0;
    for (QLabel *label : {m_titleLabel, m_textLabel}) {
        label->ensurePolished();
        const QStringList lines = label->text().split(QLatin1Char('\n'));
        for (const QString &line : lines)
            needed = qMax(needed, label->fontMetrics().horizontalAdvance(line) + 8);
    }
    const int width = qBound(TextWidth, needed, MaxTextWidth);
    m_titleLabel->setFixedWidth(width);
    m_textLabel->setFixedWidth(width);
}
