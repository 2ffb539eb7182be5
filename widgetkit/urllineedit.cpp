#include "widgetkit/urllineedit.h"

#include "ui_urllineedit.h"

#include "kelframe/kelskin.h"

#include <QAction>
#include <QEvent>
#include <QToolButton>

namespace Tarn {

namespace {
constexpr int ButtonGap = 5;
}

UrlLineEdit::UrlLineEdit(QWidget *parent)
    : QLineEdit(parent)
    , ui(new Ui::UrlLineEditUi)
    , m_linkAction(new QAction(this))
{
    ui->setupUi(this);
    setObjectName(QStringLiteral("urlLineEdit"));
    setAttribute(Qt::WA_MacShowFocusRect, false);
    addAction(m_linkAction, QLineEdit::LeadingPosition);
    ui->clearBtn->installEventFilter(this);
    ui->clearBtn->hide();
    setTextMargins(0, 0, ui->clearBtn->width(), 0);
    connect(ui->clearBtn, &QToolButton::clicked, this, &UrlLineEdit::onClear);
    connect(this, &QLineEdit::textChanged, this, &UrlLineEdit::onTextChanged);
    connect(KelSkin::instance(), &KelSkin::skinChanged, this, &UrlLineEdit::updateIcons);
    updateIcons();
}

UrlLineEdit::~UrlLineEdit()
{
    delete ui;
}

QToolButton *UrlLineEdit::clearButton() const
{
    return ui->clearBtn;
}

void UrlLineEdit::onTextChanged(const QString &text)
{
    ui->clearBtn->setVisible(!text.isEmpty());
}

void UrlLineEdit::onClear()
{
    clear();
    setFocus(Qt::OtherFocusReason);
}

// The pointing hand over the button, the entry's own cursor back on leaving.
bool UrlLineEdit::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui->clearBtn) {
        if (event->type() == QEvent::Enter) {
            ui->clearBtn->setCursor(Qt::PointingHandCursor);
            m_cursorChanged = true;
        } else if (event->type() == QEvent::Leave || event->type() == QEvent::Hide) {
            if (m_cursorChanged) {
                ui->clearBtn->unsetCursor();
                m_cursorChanged = false;
            }
        }
    }
    return QLineEdit::eventFilter(watched, event);
}

void UrlLineEdit::resizeEvent(QResizeEvent *event)
{
    QLineEdit::resizeEvent(event);
    placeButton();
}

void UrlLineEdit::placeButton()
{
    QToolButton *button = ui->clearBtn;
    const int side = qMin(24, height() - 4);
    button->resize(side, side);
    button->move(width() - side - ButtonGap, (height() - side) / 2);
    setTextMargins(0, 0, button->width(), 0);
}

void UrlLineEdit::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    QLineEdit::changeEvent(event);
}

void UrlLineEdit::updateIcons()
{
    m_linkAction->setIcon(KelSkin::icon(QStringLiteral("link-dim")));
}

} // namespace Tarn
