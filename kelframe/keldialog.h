#pragma once

#include "kelframe/kelframeglobal.h"

#include <QDialog>

// The base of the program's dialogs: retranslates itself on every language
// change and refreshes its state when the skin changes and before it shows.
// It takes the keyboard when it shows and hands it back to its window when it
// closes, whatever the window manager does.
class KELFRAME_EXPORT KelDialog : public QDialog
{
    Q_OBJECT
public:
    explicit KelDialog(QWidget *parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());
    ~KelDialog() override;

public slots:
    // Runs the dialog modally; its state is refreshed first.
    int exec() override;
    void setVisible(bool visible) override;
    // Sets every text again in the current language.
    virtual void retranslate();
    // Brings enabled states, check marks and icons up to date.
    virtual void updateUiState();

protected:
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void activate();

    bool m_awaitingExposure = false;
};
