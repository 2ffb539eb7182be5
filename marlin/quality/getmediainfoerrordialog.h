#pragma once

#include "kelframe/keldialog.h"

namespace Ui {
class GetMediaInfoErrorDialogUi;
}

namespace Tarn {

// Shows why the media information of a page could not be read: a line
// naming the page and, below it, the extractor tool's own report, which the
// user can select and copy.
class GetMediaInfoErrorDialog : public KelDialog
{
    Q_OBJECT
public:
    explicit GetMediaInfoErrorDialog(QWidget *parent = nullptr);
    ~GetMediaInfoErrorDialog() override;

    void setInfo(const QString &text);
    QString info() const;
    void setDetail(const QString &text);
    QString detail() const;

public slots:
    void retranslate() override;
    void updateUiState() override;

private:
    Ui::GetMediaInfoErrorDialogUi *ui;
};

} // namespace Tarn
