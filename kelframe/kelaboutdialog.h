#pragma once

#include "kelframe/keldialog.h"

class KelIconLabel;
class QLabel;
class QPushButton;

// The program's about box: its logo, name, version, what it does and what
// it is built on.
class KELFRAME_EXPORT KelAboutDialog : public KelDialog
{
    Q_OBJECT
public:
    explicit KelAboutDialog(QWidget *parent = nullptr);

    // Replaces the one-line description under the version.
    void setDescription(const QString &text);

public slots:
    void retranslate() override;
    void updateUiState() override;

private:
    KelIconLabel *m_logoLabel;
    QLabel *m_nameLabel;
    QLabel *m_versionLabel;
    QLabel *m_descriptionLabel;
    QLabel *m_detailsLabel;
    QPushButton *m_closeButton;
    QString m_description;
};
