#include "marlin/settings/settingwidget.h"
#include "ui_settingwidget.h"

#include "kelframe/kelfolders.h"
#include "kelframe/kelskin.h"
#include "marlin/convertparameters/convertparametersdialog.h"
#include "marlin/mainwindow/mainwindowutils.h"
#include "marlin/settings/foldervalidator.h"
#include "shared/kellog.h"
#include "shared/subtitlesetting.h"
#include "tarncore/convert/convertmanager.h"
#include "tarncore/download/appcontext.h"
#include "tarncore/download/downloadmanager.h"
#include "tarncore/settings/settingsmanager.h"

#include <QDir>
#include <QFileDialog>
#include <QLocale>
#include <QMouseEvent>
#include <QSignalBlocker>

#include <climits>
#include <cstdlib>

namespace Tarn {

namespace {

constexpr int MaxSimultaneous = 10;

// The subtitle languages offered, in the order offered.
const QList<QLocale::Language> &offeredLanguages()
{
    static const QList<QLocale::Language> languages = {
        QLocale::English, QLocale::German,  QLocale::Japanese,   QLocale::French, QLocale::Italian, QLocale::Spanish,
        QLocale::Chinese, QLocale::Portuguese, QLocale::Arabic, QLocale::Korean, QLocale::Russian,
    };
    return languages;
}

// A language by its own name in one word: "English" rather than "American
// English", "Deutsch", "español" written "Español" as a list entry is.
QString languageName(QLocale::Language language)
{
    const QLocale locale(language);
    const QStringList words = locale.nativeLanguageName().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.isEmpty())
        return QLocale::languageToString(language);
    const QString word = language == QLocale::English ? words.last() : words.first();
    return locale.toUpper(word.left(1)) + word.mid(1);
}

// "720p (1280 × 720)" for the usual wide-screen sizes, else the size alone.
QString resolutionText(const QSize &size)
{
    const QString dimensions = QStringLiteral("%1 \u00d7 %2").arg(size.width()).arg(size.height());
    const bool wide = size.height() > 0 && std::abs(size.width() * 9 - size.height() * 16) <= size.height() / 4;
    return wide ? QStringLiteral("%1p (%2)").arg(size.height()).arg(dimensions) : dimensions;
}

QString defaultChooseFolder(QWidget *parent, const QString &caption, const QString &folder)
{
    // The window dims under the chooser as it does under every dialog.
    MainWindowUtils *utils = MainWindowUtils::instance();
    emit utils->notifyShowDarkShadow();
    const QString chosen = QFileDialog::getExistingDirectory(parent, caption, folder, QFileDialog::ShowDirsOnly);
    emit utils->notifyClearDarkShadow();
    return chosen;
}

} // namespace

SettingWidget::SettingWidget(QWidget *parent)
    : KelWidget(parent)
    , ui(new Ui::SettingWidgetUi)
    , folderValidator(new FolderValidator(this))
    , folderChooser(defaultChooseFolder)
{
    setObjectName(QStringLiteral("settingsWidget"));
    // A page inside the main window: it neither moves nor sizes itself.
    setMovable(false);
    setResizable(false);
    ui->setupUi(this);
    ui->settingsScrollArea->viewport()->setAutoFillBackground(false);
    ui->settingsScrollContents->setAutoFillBackground(false);
    for (QWidget *card : {ui->downloadContentWidget, ui->convertContentWidget})
        card->setAttribute(Qt::WA_StyledBackground);
    // The form polished its widgets already (the scroll area measured them).
    for (QWidget *title : {ui->dowloadSettingLabel, ui->convertSettingLabel}) {
        title->setProperty("settingsSection", QStringLiteral("true"));
        KelSkin::repolish(title);
    }
    for (QWidget *info : {ui->downloadInfoLabel, ui->conversionModeInfoLabel}) {
        info->setProperty("dim", QStringLiteral("true"));
        KelSkin::repolish(info);
    }
    for (QLineEdit *edit : {ui->downloadSaveToLineEdit, ui->convertSaveToLineEdit, ui->convertToLineEdit}) {
        edit->setReadOnly(true);
        edit->setContextMenuPolicy(Qt::NoContextMenu);
        edit->setFocusPolicy(Qt::NoFocus);
    }
    ui->downloadSaveToLineEdit->setValidator(folderValidator);
    ui->convertSaveToLineEdit->setValidator(folderValidator);
    ui->exportToiTunesLabel->installEventFilter(this);
    // A wheel turned to scroll the page must not change the setting that
    // happens to pass under the pointer; a box takes it once focused.
    for (QComboBox *box : {ui->resolutionComboBox, ui->formatComboBox, ui->subtitleComboBox,
                           ui->downloadMaxComboBox, ui->conversionModeComboBox, ui->convertMaxComboBox}) {
        box->setFocusPolicy(Qt::StrongFocus);
        box->installEventFilter(this);
    }
    // Automatic transfer to iTunes could do nothing where there is none.
    const bool itunes = settings()->isItunesInstalled();
    ui->exportToiTunesCheckBox->setVisible(itunes);
    ui->exportToiTunesLabel->setVisible(itunes);

    fillChoices();
    loadSettings();
    retranslate();
    connectControls();

    MainWindowUtils *utils = MainWindowUtils::instance();
    connect(utils, &MainWindowUtils::quickConvertChanged, this, &SettingWidget::onQuickConvertChanged);
    connect(utils, &MainWindowUtils::lastConvertProfileChanged, this, &SettingWidget::onLastConvertProfileChanged);
}

SettingWidget::~SettingWidget()
{
    delete ui;
}

void SettingWidget::setFolderChooser(const FolderChooser &chooser)
{
    folderChooser = chooser ? chooser : FolderChooser(defaultChooseFolder);
}

SettingsManager *SettingWidget::settings()
{
    return AppContext::instance()->getSettingsManager();
}

void SettingWidget::fillChoices()
{
    const MediaInfoDict &dict = settings()->getMediaInfoDict();
    ui->resolutionComboBox->addItem(QString(), QSize());
    for (const QSize &size : dict.getWebMediaResolutionSupport().getResolutions())
        ui->resolutionComboBox->addItem(resolutionText(size), size);
    for (const QString &format : dict.getWebMediaFormatSupport().getFormats())
        ui->formatComboBox->addItem(format, format);
    for (int mode = Kel::NoSubtitle; mode <= Kel::BurnedInSubtitle; ++mode)
        ui->subtitleComboBox->addItem(QString(), mode);
    for (int n = 1; n <= MaxSimultaneous; ++n) {
        ui->downloadMaxComboBox->addItem(QString::number(n), n);
        ui->convertMaxComboBox->addItem(QString::number(n), n);
    }
    for (int mode = ConvertOptionAsk; mode <= ConvertOptionQuick; ++mode)
        ui->conversionModeComboBox->addItem(QString(), mode);
}

void SettingWidget::loadSettings()
{
    SettingsManager *s = settings();
    const QSignalBlocker resolutionBlocker(ui->resolutionComboBox);
    const QSignalBlocker formatBlocker(ui->formatComboBox);
    const QSignalBlocker subtitleBlocker(ui->subtitleComboBox);
    const QSignalBlocker languageBlocker(ui->subtitleLangComboBox);
    const QSignalBlocker maxBlocker(ui->downloadMaxComboBox);

    int resolutionIndex = 0;
    if (s->getPreferredQuality() != PreferredQualityBest) {
        // A stored size that is no longer offered shows as the nearest one.
        const QSize stored = s->getPreferredQualityResolution();
        int bestDistance = INT_MAX;
        for (int i = 1; i < ui->resolutionComboBox->count(); ++i) {
            const int distance = std::abs(ui->resolutionComboBox->itemData(i).toSize().height() - stored.height());
            if (ui->resolutionComboBox->itemData(i).toSize() == stored) {
                resolutionIndex = i;
                break;
            }
            if (distance < bestDistance) {
                bestDistance = distance;
                resolutionIndex = i;
            }
        }
    }
    ui->resolutionComboBox->setCurrentIndex(resolutionIndex);

    const QString format = s->getPreferredQualityFormat();
    int formatIndex = ui->formatComboBox->findData(format);
    if (formatIndex < 0)
        formatIndex = ui->formatComboBox->findText(format, Qt::MatchFixedString);
    ui->formatComboBox->setCurrentIndex(qMax(formatIndex, 0));

    ui->subtitleComboBox->setCurrentIndex(qMax(ui->subtitleComboBox->findData(int(s->subtitleMode())), 0));

    // The stored languages first, checked and in their order, then the rest
    // of the offered ones.
    MultiSelectComboBox *languages = ui->subtitleLangComboBox;
    languages->clear();
    const QList<QLocale::Language> stored = s->subtitleLanguages();
    for (QLocale::Language language : stored)
        languages->addCheckItem(languageName(language), int(language), true);
    for (QLocale::Language language : offeredLanguages()) {
        if (!stored.contains(language))
            languages->addCheckItem(languageName(language), int(language), false);
    }
    languages->setCurrentRow(0);
    updateSubtitleLanguageState();

    showFolder(ui->downloadSaveToLineEdit, s->getDownloadDestDir());
    selectByText(ui->downloadMaxComboBox, QString::number(s->getMaxDownloadNumber()));

    loadConvertSettings();
}

void SettingWidget::loadConvertSettings()
{
    SettingsManager *s = settings();
    const QSignalBlocker modeBlocker(ui->conversionModeComboBox);
    const QSignalBlocker keepBlocker(ui->subtitleCheckBox);
    const QSignalBlocker maxBlocker(ui->convertMaxComboBox);
    const QSignalBlocker itunesBlocker(ui->exportToiTunesCheckBox);

    const int mode = ui->conversionModeComboBox->findData(int(s->getConvertOptionMode()));
    ui->conversionModeComboBox->setCurrentIndex(qMax(mode, 0));
    updateModeInfo();

    QString profile = s->getLastConvertProfileName();
    if (profile.isEmpty())
        profile = s->getDefaultConvertProfileName();
    ui->convertToLineEdit->setText(profile == SettingsManager::CustomizedProfileName ? tr("Customized") : profile);
    ui->convertToLineEdit->setCursorPosition(0);

    ui->subtitleCheckBox->setChecked(s->isKeepSubtitles());
    showFolder(ui->convertSaveToLineEdit, s->getConvertDestDir());
    selectByText(ui->convertMaxComboBox, QString::number(s->getMaxConvertNumber()));
    if (s->isItunesInstalled())
        ui->exportToiTunesCheckBox->setChecked(s->isDownloadAutoExport2Itunes() || s->isConvertAutoExport2Itunes());
}

void SettingWidget::connectControls()
{
    auto changed = QOverload<int>::of(&QComboBox::currentIndexChanged);
    connect(ui->resolutionComboBox, changed, this, &SettingWidget::onResolutionChanged);
    connect(ui->formatComboBox, changed, this, &SettingWidget::onFormatChanged);
    connect(ui->subtitleComboBox, changed, this, &SettingWidget::onSubtitleModeChanged);
    connect(ui->subtitleLangComboBox, &MultiSelectComboBox::selectionChanged, this,
            &SettingWidget::onSubtitleLanguageChanged);
    connect(ui->downloadSaveToPushButton, &QPushButton::clicked, this, &SettingWidget::onBrowseDownloadPath);
    connect(ui->downloadMaxComboBox, changed, this, &SettingWidget::onMaxDownloadChanged);
    connect(ui->conversionModeComboBox, changed, this, &SettingWidget::onConversionModeChanged);
    connect(ui->convertToPushButton, &QPushButton::clicked, this, &SettingWidget::onConvertParameter);
    connect(ui->subtitleCheckBox, &QCheckBox::toggled, this, &SettingWidget::onKeepSubtitlesChanged);
    connect(ui->convertSaveToPushButton, &QPushButton::clicked, this, &SettingWidget::onBrowseConvertPath);
    connect(ui->convertMaxComboBox, changed, this, &SettingWidget::onMaxConvertChanged);
    connect(ui->exportToiTunesCheckBox, &QCheckBox::toggled, this, &SettingWidget::onAutoExport2ItunesChanged);
}

void SettingWidget::retranslate()
{
    ui->dowloadSettingLabel->setText(tr("DOWNLOAD SETTINGS"));
    ui->resolutionLabel->setText(tr("Preferred Resolution:"));
    ui->resolutionComboBox->setItemText(0, tr("Best"));
    ui->formatLabel->setText(tr("Preferred Format:"));
    ui->downloadInfoLabel->setText(tr("Download a similar video if custom option does not exist."));
    ui->subtitleLabel->setText(tr("Subtitle:"));
    const QStringList subtitleModes = {tr("No subtitle"), tr("All embedded subtitles"),
                                       tr("Preferred language subtitles(stream)"),
                                       tr("Preferred language subtitle(hardcoded)")};
    for (int i = 0; i < ui->subtitleComboBox->count(); ++i)
        ui->subtitleComboBox->setItemText(i, subtitleModes.value(ui->subtitleComboBox->itemData(i).toInt()));
    ui->subtitleLangLabel->setText(tr("Preferred Subtitle Languages:"));
    ui->subtitleLangComboBox->setEmptyText(tr("None"));
    ui->subtitleLangComboBox->setHintText(tr("Checked languages are tried from top to bottom."));
    ui->subtitleLangComboBox->setMoveButtonTexts(tr("Move Up"), tr("Move Down"));
    ui->downloadSaveToLabel->setText(tr("Save to:"));
    ui->downloadSaveToPushButton->setText(tr("Browse..."));
    ui->downloadMaxLabel->setText(tr("Max Simultaneous Downloads:"));

    ui->convertSettingLabel->setText(tr("CONVERSION SETTINGS"));
    ui->conversionModeLabel->setText(tr("Mode:"));
    const QStringList modes = {tr("Ask target format everytime"), tr("Don't ask target format"),
                               tr("Automatically convert")};
    for (int i = 0; i < ui->conversionModeComboBox->count(); ++i)
        ui->conversionModeComboBox->setItemText(i, modes.value(ui->conversionModeComboBox->itemData(i).toInt()));
    updateModeInfo();
    ui->convertToLabel->setText(tr("Convert to:"));
    ui->convertToPushButton->setText(tr("Change..."));
    ui->subtitleKeepLabel->setText(tr("Keep subtitle streams:"));
    ui->subtitleCheckBox->setAccessibleName(tr("Keep subtitle streams"));
    ui->convertSaveToLabel->setText(tr("Save to:"));
    ui->convertSaveToPushButton->setText(tr("Browse..."));
    ui->convertMaxLabel->setText(tr("Max Simultaneous Conversions:"));
    ui->exportToiTunesLabel->setText(tr("Automatically transfer MP4/MOV/MP3 files to iTunes"));
    ui->exportToiTunesCheckBox->setAccessibleName(ui->exportToiTunesLabel->text());
    if (settings()->getLastConvertProfileName() == SettingsManager::CustomizedProfileName)
        ui->convertToLineEdit->setText(tr("Customized"));
    alignLabels();
}

void SettingWidget::alignLabels()
{
    // One label column across both sections, so that every control starts
    // at the same place.
    const QList<QLabel *> labels = {
        ui->resolutionLabel, ui->formatLabel,          ui->subtitleLabel,      ui->subtitleLangLabel,
        ui->downloadSaveToLabel, ui->downloadMaxLabel, ui->conversionModeLabel, ui->convertToLabel,
        ui->subtitleKeepLabel, ui->convertSaveToLabel, ui->convertMaxLabel,
    };
    int width = 0;
    for (QLabel *label : labels)
        width = qMax(width, label->sizeHint().width());
    ui->downloadGridLayout->setColumnMinimumWidth(0, width);
    ui->convertGridLayout->setColumnMinimumWidth(0, width);

    // The choice boxes are as wide as the widest of them needs.
    const QList<QComboBox *> boxes = {ui->resolutionComboBox, ui->formatComboBox, ui->subtitleComboBox,
                                      ui->subtitleLangComboBox, ui->conversionModeComboBox};
    int boxWidth = 280;
    for (QComboBox *box : boxes) {
        // A box measures its entries once unless told to follow them, and
        // retranslation gives them new lengths.
        box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        box->setMinimumWidth(0);
        boxWidth = qMax(boxWidth, box->sizeHint().width());
    }
    for (QComboBox *box : boxes)
        box->setMinimumWidth(boxWidth);
    for (QComboBox *box : {ui->downloadMaxComboBox, ui->convertMaxComboBox})
        box->setMinimumWidth(88);

    // The buttons at the ends of the rows line up, and so do their fields.
    const QList<QPushButton *> buttons = {ui->downloadSaveToPushButton, ui->convertToPushButton,
                                          ui->convertSaveToPushButton};
    int buttonWidth = 0;
    for (QPushButton *button : buttons) {
        button->setMinimumWidth(0);
        buttonWidth = qMax(buttonWidth, button->sizeHint().width());
    }
    for (QPushButton *button : buttons)
        button->setMinimumWidth(buttonWidth);
}

void SettingWidget::updateModeInfo()
{
    switch (ui->conversionModeComboBox->currentData().toInt()) {
    case ConvertOptionLastProfile:
        ui->conversionModeInfoLabel->setText(tr("No longer ask before converting. All the videos will be converted "
                                                "to the default format as the following setting."));
        break;
    case ConvertOptionQuick:
        ui->conversionModeInfoLabel->setText(tr("Convert automatically after downloading. All the videos will be "
                                                "converted to the default format as the following setting."));
        break;
    default:
        ui->conversionModeInfoLabel->setText(tr("Ask the target format before converting every time."));
        break;
    }
}

void SettingWidget::updateSubtitleLanguageState()
{
    // The languages only matter to the two modes that pick by language.
    const int mode = ui->subtitleComboBox->currentData().toInt();
    const bool byLanguage = mode == Kel::PreferredLanguageSubtitles || mode == Kel::BurnedInSubtitle;
    ui->subtitleLangComboBox->setEnabled(byLanguage);
    ui->subtitleLangLabel->setEnabled(byLanguage);
}

void SettingWidget::showFolder(QLineEdit *edit, const QString &folder)
{
    edit->setText(QDir::toNativeSeparators(folder));
    edit->setCursorPosition(0);
    edit->setToolTip(edit->text());
}

void SettingWidget::selectByText(QComboBox *box, const QString &text)
{
    const QSignalBlocker blocker(box);
    box->setCurrentIndex(qMax(box->findText(text), 0));
}

void SettingWidget::onResolutionChanged(int index)
{
    const QSize size = ui->resolutionComboBox->itemData(index).toSize();
    if (!size.isValid()) {
        // The stored size stays for the day the user leaves "Best" again.
        settings()->setPreferredQuality(PreferredQualityBest);
        return;
    }
    settings()->setPreferredQuality(PreferredQualityResolution);
    settings()->setPreferredQualityResolution(size);
}

void SettingWidget::onFormatChanged(int index)
{
    settings()->setPreferredQualityFormat(ui->formatComboBox->itemData(index).toString());
}

void SettingWidget::onSubtitleModeChanged(int index)
{
    settings()->setSubtitleMode(Kel::SubtitleMode(ui->subtitleComboBox->itemData(index).toInt()));
    updateSubtitleLanguageState();
}

void SettingWidget::onSubtitleLanguageChanged()
{
    QList<QLocale::Language> languages;
    for (const QVariant &language : ui->subtitleLangComboBox->checkedData())
        languages.append(QLocale::Language(language.toInt()));
    settings()->setSubtitleLanguages(languages);
}

QString SettingWidget::chooseFolder(const QString &current)
{
    const QString chosen = folderChooser(this, tr("Select the Folder"), QDir::toNativeSeparators(current));
    if (chosen.isEmpty())
        return QString();
    const QString folder = QDir::cleanPath(QDir::fromNativeSeparators(chosen));
    if (!Kel::isFolderWritable(folder)) {
        MainWindowUtils::alert(tr("The folder \"%1\" is readonly.").arg(QDir::toNativeSeparators(folder)));
        return QString();
    }
    QString text = folder;
    int pos = 0;
    if (folderValidator->validate(text, pos) != QValidator::Acceptable) {
        MainWindowUtils::alert(tr("The folder \"%1\" cannot be used. Please choose one with a shorter path "
                                  "whose name holds none of the characters * ? \" < > |.")
                                   .arg(QDir::toNativeSeparators(folder)));
        return QString();
    }
    return folder;
}

void SettingWidget::onBrowseDownloadPath()
{
    const QString current = settings()->getDownloadDestDir();
    KEL_LOG(Kel::Log::Info, "Browse download dir with default dir: %s", qUtf8Printable(current));
    const QString folder = chooseFolder(current);
    if (folder.isEmpty())
        return;
    settings()->setDownloadDestDir(folder);
    showFolder(ui->downloadSaveToLineEdit, settings()->getDownloadDestDir());
}

void SettingWidget::onBrowseConvertPath()
{
    const QString folder = chooseFolder(settings()->getConvertDestDir());
    if (folder.isEmpty())
        return;
    settings()->setConvertDestDir(folder);
    showFolder(ui->convertSaveToLineEdit, settings()->getConvertDestDir());
}

void SettingWidget::onMaxDownloadChanged(int index)
{
    const int number = ui->downloadMaxComboBox->itemData(index).toInt();
    settings()->setMaxDownloadNumber(number);
    AppContext::instance()->getDownloadManager()->setMaxDownloadSimulaneous(number);
}

void SettingWidget::onMaxConvertChanged(int index)
{
    const int number = ui->convertMaxComboBox->itemData(index).toInt();
    settings()->setMaxConvertNumber(number);
    AppContext::instance()->getConvertManager()->setMaxConvertSimulaneous(number);
}

void SettingWidget::onConversionModeChanged(int index)
{
    settings()->setConvertOptionMode(ConvertOptionMode(ui->conversionModeComboBox->itemData(index).toInt()));
    updateModeInfo();
    emit MainWindowUtils::instance()->quickConvertChanged();
}

void SettingWidget::onConvertParameter()
{
    ConvertParametersDialog dialog(this);
    MainWindowUtils::exec(&dialog);
    // The dialog may have changed the mode as well as the profile.
    loadConvertSettings();
}

void SettingWidget::onKeepSubtitlesChanged()
{
    settings()->setKeepSubtitles(ui->subtitleCheckBox->isChecked());
}

void SettingWidget::onAutoExport2ItunesChanged()
{
    if (!settings()->isItunesInstalled())
        return;
    const bool on = ui->exportToiTunesCheckBox->isChecked();
    settings()->setDownloadAutoExport2Itunes(on);
    settings()->setConvertAutoExport2Itunes(on);
}

void SettingWidget::onQuickConvertChanged()
{
    loadConvertSettings();
}

void SettingWidget::onLastConvertProfileChanged()
{
    loadConvertSettings();
}

bool SettingWidget::eventFilter(QObject *watched, QEvent *event)
{
    // The text beside the iTunes box toggles it, as a check box's own does.
    if (watched == ui->exportToiTunesLabel && event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        ui->exportToiTunesCheckBox->toggle();
        return true;
    }
    if (event->type() == QEvent::Wheel) {
        auto *box = qobject_cast<QComboBox *>(watched);
        if (box && !box->hasFocus()) {
            // Handing it on lets the scroll area have it.
            event->ignore();
            return true;
        }
    }
    return KelWidget::eventFilter(watched, event);
}

} // namespace Tarn
