#pragma once

#include "kelframe/keldialog.h"

#include <QDialogButtonBox>

class KelIconLabel;
class QLabel;

// The program's message box: an icon, a short heading, the message and a
// row of standard buttons, in the skin's colours. Escape and the window's
// close button answer with the box's escape button (Cancel, else No, else
// Close, else the only button).
class KELFRAME_EXPORT KelMessageBox : public KelDialog
{
    Q_OBJECT
public:
    enum Kind {
        Information,
        Warning,
        Question,
    };
    Q_ENUM(Kind)

    explicit KelMessageBox(QWidget *parent = nullptr);

    // With warning true the box carries the warning sign, else the
    // information sign. One OK button. Modal; returns once it is closed.
    // A message given only as the title is shown as the message.
    static void alert(const QString &title, const QString &text, QWidget *parent = nullptr,
                      bool warning = true);
    // Asks and returns the pressed button, or the escape button when the
    // box was dismissed. With warning true the box carries the warning sign
    // (for questions whose answer loses work), else the question sign.
    static QDialogButtonBox::StandardButton
    question(const QString &title, const QString &text,
             QDialogButtonBox::StandardButtons buttons = QDialogButtonBox::Yes | QDialogButtonBox::No,
             QWidget *parent = nullptr,
             QDialogButtonBox::StandardButton defaultButton = QDialogButtonBox::NoButton,
             bool warning = false);

    void setTitle(const QString &title);
    QString title() const;
    void setText(const QString &text);
    QString text() const;
    void setKind(Kind kind);
    Kind kind() const;
    void setButtons(QDialogButtonBox::StandardButtons buttons,
                    QDialogButtonBox::StandardButton defaultButton = QDialogButtonBox::NoButton);
    // The button that closed the box; NoButton while it is open.
    QDialogButtonBox::StandardButton clickedButton() const;
    QDialogButtonBox::StandardButton escapeButton() const;

public slots:
    void reject() override;
    void updateUiState() override;
    void retranslate() override;

private:
    void onClicked(QAbstractButton *button);
    void layOut();

    KelIconLabel *m_iconLabel;
    QLabel *m_titleLabel;
    QLabel *m_textLabel;
    QDialogButtonBox *m_buttonBox;
    QString m_title;
    QString m_text;
    Kind m_kind = Information;
    QDialogButtonBox::StandardButton m_clicked = QDialogButtonBox::NoButton;
};
