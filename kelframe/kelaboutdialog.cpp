#include "kelframe/kelaboutdialog.h"

#include "kelframe/keliconlabel.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int LogoSize = 64;
}

KelAboutDialog::KelAboutDialog(QWidget *parent)
    : KelDialog(parent)
    , m_logoLabel(new KelIconLabel(QStringLiteral("marlin"), LogoSize, this))
    , m_nameLabel(new QLabel(this))
    , m_versionLabel(new QLabel(this))
    , m_descriptionLabel(new QLabel(this))
    , m_detailsLabel(new QLabel(this))
    , m_closeButton(new QPushButton(this))
{
    setObjectName(QStringLiteral("KelAboutDialog"));
    m_logoLabel->setObjectName(QStringLiteral("logoLabel"));
    m_nameLabel->setObjectName(QStringLiteral("nameLabel"));
    m_versionLabel->setObjectName(QStringLiteral("versionLabel"));
    m_descriptionLabel->setObjectName(QStringLiteral("descriptionLabel"));
    m_detailsLabel->setObjectName(QStringLiteral("detailsLabel"));
    m_closeButton->setObjectName(QStringLiteral("closeButton"));

    QFont nameFont = m_nameLabel->font();
    nameFont.setPointSizeF(nameFont.pointSizeF() * 1.5);
    m_nameLabel->setFont(nameFont);
    for (QLabel *label : {m_nameLabel, m_versionLabel, m_descriptionLabel, m_detailsLabel}) {
        label->setAlignment(Qt::AlignHCenter);
        label->setWordWrap(true);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }
    m_descriptionLabel->setMinimumWidth(300);
    m_closeButton->setDefault(true);
    connect(m_closeButton, &QPushButton::clicked, this, &QDialog::accept);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(32, 28, 32, 20);
    layout->setSpacing(4);
    layout->addWidget(m_logoLabel, 0, Qt::AlignHCenter);
    layout->addSpacing(12);
    layout->addWidget(m_nameLabel);
    layout->addWidget(m_versionLabel);
    layout->addSpacing(12);
    layout->addWidget(m_descriptionLabel);
    layout->addSpacing(4);
    layout->addWidget(m_detailsLabel);
    layout->addSpacing(20);
    layout->addWidget(m_closeButton, 0, Qt::AlignHCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    retranslate();
    updateUiState();
}

void KelAboutDialog::setDescription(const QString &text)
{
    m_description = text;
    retranslate();
}

void KelAboutDialog::retranslate()
{
    const QString name = QGuiApplication::applicationDisplayName();
    setWindowTitle(tr("About %1").arg(name));
    m_nameLabel->setText(name);
    const QString version = QCoreApplication::applicationVersion();
    m_versionLabel->setText(tr("Version %1").arg(version));
    m_versionLabel->setVisible(!version.isEmpty());
    m_descriptionLabel->setText(m_description.isEmpty()
                                    ? tr("Downloads videos from video pages and converts media files.")
                                    : m_description);
    m_detailsLabel->setText(tr("Built on Qt %1, running on Qt %2.").arg(QLatin1String(QT_VERSION_STR),
                                                                       QLatin1String(qVersion())));
    m_closeButton->setText(tr("Close"));
}

void KelAboutDialog::updateUiState()
{
}
