#include "marlin/quality/getmediainfoerrordialog.h"

#include "ui_getmediainfoerrordialog.h"

#include <QPushButton>

namespace Tarn {

GetMediaInfoErrorDialog::GetMediaInfoErrorDialog(QWidget *parent)
    : KelDialog(parent)
    , ui(new Ui::GetMediaInfoErrorDialogUi)
{
    ui->setupUi(this);
    setObjectName(QStringLiteral("getMediaInfoErrorDialog"));
    ui->iconLabel->setIconName(QStringLiteral("error"));
    ui->iconLabel->setIconSize(32);
    ui->textEdit->setReadOnly(true);
    ui->textEdit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    connect(ui->buttonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(ui->buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
    resize(520, 320);
    retranslate();
}

GetMediaInfoErrorDialog::~GetMediaInfoErrorDialog()
{
    delete ui;
}

void GetMediaInfoErrorDialog::setInfo(const QString &text)
{
    ui->label->setText(text);
}

QString GetMediaInfoErrorDialog::info() const
{
    return ui->label->text();
}

void GetMediaInfoErrorDialog::setDetail(const QString &text)
{
    ui->textEdit->setPlainText(text.trimmed());
}

QString GetMediaInfoErrorDialog::detail() const
{
    return ui->textEdit->toPlainText();
}

void GetMediaInfoErrorDialog::retranslate()
{
    setWindowTitle(tr("Media Information"));
    ui->detailTitleLabel->setText(tr("What the extractor tool reported:"));
    if (QPushButton *close = ui->buttonBox->button(QDialogButtonBox::Close))
        close->setText(tr("Close"));
}

void GetMediaInfoErrorDialog::updateUiState()
{
    if (QPushButton *close = ui->buttonBox->button(QDialogButtonBox::Close))
        close->setDefault(true);
}

} // namespace Tarn
