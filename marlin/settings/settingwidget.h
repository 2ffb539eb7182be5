#pragma once

#include "kelframe/kelwidget.h"

#include <functional>

class QComboBox;
class QLineEdit;

namespace Ui {
class SettingWidgetUi;
}

namespace Tarn {

class FolderValidator;
class SettingsManager;

// The settings page: the download and conversion settings, each written the
// moment its control changes (there is no OK button). The two limits take
// effect in the running pools at once. The conversion mode and the default
// conversion profile are kept in step with the convert page through the
// main window's utilities.
class SettingWidget : public KelWidget
{
    Q_OBJECT
public:
    explicit SettingWidget(QWidget *parent = nullptr);
    ~SettingWidget() override;

    // Asks for a folder with the caption and the folder to start in; an
    // empty result means none was chosen. The default opens the desktop's
    // folder chooser; tests put their own in its place.
    using FolderChooser = std::function<QString(QWidget *parent, const QString &caption, const QString &folder)>;
    void setFolderChooser(const FolderChooser &chooser);

public slots:
    void retranslate() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    void onResolutionChanged(int index);
    void onFormatChanged(int index);
    void onSubtitleModeChanged(int index);
    void onSubtitleLanguageChanged();
    void onBrowseDownloadPath();
    void onMaxDownloadChanged(int index);
    void onConversionModeChanged(int index);
    void onConvertParameter();
    void onKeepSubtitlesChanged();
    void onBrowseConvertPath();
    void onMaxConvertChanged(int index);
    void onAutoExport2ItunesChanged();
    void onQuickConvertChanged();
    void onLastConvertProfileChanged();

private:
    void fillChoices();
    void loadSettings();
    void loadConvertSettings();
    void connectControls();
    void updateSubtitleLanguageState();
    void updateModeInfo();
    void alignLabels();
    // Asks for a folder starting at current; returns the chosen folder when
    // it can take files, else an empty text after telling the user why.
    QString chooseFolder(const QString &current);
    static void showFolder(QLineEdit *edit, const QString &folder);
    static void selectByText(QComboBox *box, const QString &text);
    static SettingsManager *settings();

    Ui::SettingWidgetUi *ui;
    FolderValidator *folderValidator;
    FolderChooser folderChooser;
};

} // namespace Tarn
