#include "kelframe/keldialog.h"

#include "kelframe/kelskin.h"

#include <QEvent>

KelDialog::KelDialog(QWidget *parent, Qt::WindowFlags flags)
    : QDialog(parent, flags)
{
    connect(KelSkin::instance(), &KelSkin::skinChanged, this, &KelDialog::updateUiState);
}

KelDialog::~KelDialog() = default;

int KelDialog::exec()
{
    updateUiState();
    return QDialog::exec();
}

void KelDialog::retranslate()
{
}

void KelDialog::updateUiState()
{
}

void KelDialog::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QDialog::changeEvent(event);
}

void KelDialog::showEvent(QShowEvent *event)
{
    updateUiState();
    QDialog::showEvent(event);
}
