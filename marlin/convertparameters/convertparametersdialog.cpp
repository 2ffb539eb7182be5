#include "marlin/convertparameters/convertparametersdialog.h"

#include "ui_convertparametersdialog.h"

#include "kelframe/kelskin.h"
#include "marlin/convertparameters/convertparameterswidget.h"
#include "marlin/convertparameters/presettexts.h"
#include "marlin/mainwindow/mainwindowutils.h"
#include "tarncore/convert/convertitem.h"
#include "tarncore/download/appcontext.h"
#include "tarncore/settings/mediainfodict.h"
#include "tarncore/settings/settingsmanager.h"
#include "widgetkit/thumbnaillistwidgetitem.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QHash>
#include <QListWidget>
#include <QToolButton>

namespace Tarn {

const QString ConvertParametersDialog::CustomizeCategory = QStringLiteral("Customize");

namespace {

// The preset category last accepted: it lets the dialog open in the right
// place when that preset is gone from a later presets file.
const QString LastCategoryKey = QStringLiteral("app_last_convert_profile_category");
constexpr int TileWidth = 150;

SettingsManager *settings()
{
    return AppContext::instance()->getSettingsManager();
}

ThumbnailListWidgetItem *tileOf(QListWidgetItem *item)
{
    return dynamic_cast<ThumbnailListWidgetItem *>(item);
}

} // namespace

ConvertParametersDialog::ConvertParametersDialog(QWidget *parent)
    : KelDialog(parent)
    , ui(new Ui::ConvertParametersDialogUi)
    , categoryGroup(new QButtonGroup(this))
{
    // Named before the form is built: its widgets may be polished while it
    // is, and the style sheet picks them by this name.
    setObjectName(QStringLiteral("convertParametersDialog"));
    ui->setupUi(this);
    for (QWidget *widget : {ui->categoryListWidget, static_cast<QWidget *>(ui->profileBriefStackedWidget),
                            ui->buttonBarWidget, ui->contentWidget})
        widget->setAttribute(Qt::WA_StyledBackground);
    for (QLabel *label : {ui->categoryTitleLabel, ui->formatLabel, ui->codecLabel, ui->resolutionLabel,
                          ui->bitrateLabel, ui->descriptionValueLabel, ui->emptyBriefLabel}) {
        label->setProperty("dim", QStringLiteral("true"));
        KelSkin::repolish(label);
    }

    QListWidget *list = ui->profileListWidget;
    list->setViewMode(QListView::IconMode);
    list->setMovement(QListView::Static);
    list->setResizeMode(QListView::Adjust);
    list->setFlow(QListView::LeftToRight);
    list->setWrapping(true);
    list->setUniformItemSizes(true);
    list->setSpacing(2);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setFrameShape(QFrame::NoFrame);
    list->setFocusPolicy(Qt::StrongFocus);

    categoryGroup->setExclusive(true);
    buildCategories();
    applyIcons();
    connect(KelSkin::instance(), &KelSkin::skinChanged, this, &ConvertParametersDialog::applyIcons);

    connect(list, &QListWidget::currentItemChanged, this, &ConvertParametersDialog::onCurrentProfileItemChanged);
    connect(list, &QListWidget::itemDoubleClicked, this, &ConvertParametersDialog::onListItemDoubleClicked);
    connect(ui->custProfileWidget, &ConvertParametersWidget::parametersChanged, this,
            &ConvertParametersDialog::onCustomizeParameterChanged);
    connect(ui->acceptBtn, &QPushButton::clicked, this, &ConvertParametersDialog::onAccept);
    connect(ui->cancelBtn, &QPushButton::clicked, this, &ConvertParametersDialog::onCancel);
    ui->acceptBtn->setDefault(true);
    ui->cancelBtn->setAutoDefault(false);

    SettingsManager *s = settings();
    ui->custProfileWidget->setProfile(s->getLastCustomConvertProfile());
    ui->defaultCheckBox->setChecked(s->getConvertOptionMode() != ConvertOptionAsk);

    QString name = s->getLastConvertProfileName();
    if (name.isEmpty())
        name = s->getDefaultConvertProfileName();
    if (name == SettingsManager::CustomizedProfileName) {
        selectCategory(CustomizeCategory);
    } else {
        // A preset that is gone opens its category (or the default preset's)
        // on the first tile.
        QString category = s->getProfileCategoryByName(name);
        const QString lastCategory = SettingsManager::getRegistryValue(LastCategoryKey).toString();
        if (category.isEmpty() && s->getPresetProfiles().contains(lastCategory))
            category = lastCategory;
        if (category.isEmpty())
            category = s->getProfileCategoryByName(s->getDefaultConvertProfileName());
        if (!selectCategory(category) && !categoryGroup->buttons().isEmpty())
            categoryGroup->buttons().first()->click();
        selectProfile(name);
    }

    resize(860, 580);
    retranslate();
}

ConvertParametersDialog::~ConvertParametersDialog()
{
    // The tiles are widgets of the list's rows: they go with the list.
    delete ui;
}

void ConvertParametersDialog::buildCategories()
{
    QStringList categories = settings()->getPresetProfiles().keys();
    categories << CustomizeCategory;
    // After the title label, before the spacer.
    int at = 1;
    for (const QString &category : std::as_const(categories)) {
        auto *button = new QToolButton(ui->categoryListWidget);
        button->setObjectName(QStringLiteral("categoryButton"));
        button->setCheckable(true);
        button->setAutoRaise(true);
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        button->setIconSize(QSize(18, 18));
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        button->setFocusPolicy(Qt::TabFocus);
        button->setProperty("category", category);
        categoryGroup->addButton(button);
        ui->categoryLayout->insertWidget(at++, button);
        connect(button, &QToolButton::toggled, this, &ConvertParametersDialog::onCategoryButtonChecked);
    }
}

QString ConvertParametersDialog::categoryIcon(const QString &category) const
{
    static const QHash<QString, QString> icons = {
        {QStringLiteral("Phone"), QStringLiteral("device-phone")},
        {QStringLiteral("Tablet"), QStringLiteral("device-tablet")},
        {QStringLiteral("TV"), QStringLiteral("device-tv")},
        {QStringLiteral("Web Video"), QStringLiteral("format-web")},
        {QStringLiteral("Audio"), QStringLiteral("format-audio")},
        {CustomizeCategory, QStringLiteral("settings")},
    };
    return icons.value(category, QStringLiteral("format-video"));
}

void ConvertParametersDialog::applyIcons()
{
    for (QAbstractButton *button : categoryGroup->buttons())
        button->setIcon(KelSkin::icon(categoryIcon(button->property("category").toString())));
}

QString ConvertParametersDialog::categoryTitle(const QString &category)
{
    if (category == CustomizeCategory)
        return tr("Customize");
    return PresetTexts::translate(category);
}

QString ConvertParametersDialog::presetSummary(const Kel::MediaProfile &profile)
{
    const QString format = profile.format.toUpper();
    if (!profile.vCodec.isEmpty() && profile.type != Kel::Audio) {
        const bool sourceSize =
            profile.autoResolution || profile.sameAsSource || profile.resolution.width() < 1;
        return tr("%1 · %2").arg(format, sourceSize ? tr("Source size") : ConvertItem::resolutionLabel(profile.resolution));
    }
    if (profile.aBitRate >= 1000)
        return tr("%1 · %2").arg(format, tr("%1 Kbps").arg(profile.aBitRate / 1000));
    return format;
}

QList<QAbstractButton *> ConvertParametersDialog::categoryButtons() const
{
    return categoryGroup->buttons();
}

QString ConvertParametersDialog::currentCategory() const
{
    return shownCategory;
}

bool ConvertParametersDialog::isCustomPageShown() const
{
    return ui->profileStackedWidget->currentWidget() == ui->custProfileWidget;
}

QListWidget *ConvertParametersDialog::profileList() const
{
    return ui->profileListWidget;
}

ConvertParametersWidget *ConvertParametersDialog::customWidget() const
{
    return ui->custProfileWidget;
}

QCheckBox *ConvertParametersDialog::defaultCheckBox() const
{
    return ui->defaultCheckBox;
}

QPushButton *ConvertParametersDialog::acceptButton() const
{
    return ui->acceptBtn;
}

QPushButton *ConvertParametersDialog::cancelButton() const
{
    return ui->cancelBtn;
}

bool ConvertParametersDialog::selectCategory(const QString &category)
{
    for (QAbstractButton *button : categoryGroup->buttons()) {
        if (button->property("category").toString() != category)
            continue;
        if (button->isChecked())
            showCategory(category);
        else
            button->setChecked(true);
        return true;
    }
    return false;
}

bool ConvertParametersDialog::selectProfile(const QString &name)
{
    QListWidget *list = ui->profileListWidget;
    for (int row = 0; row < list->count(); ++row) {
        ThumbnailListWidgetItem *tile = tileOf(list->item(row));
        if (tile && tile->property("profile").toString() == name) {
            list->setCurrentRow(row);
            list->scrollToItem(tile);
            return true;
        }
    }
    return false;
}

void ConvertParametersDialog::onCategoryButtonChecked(bool checked)
{
    auto *button = qobject_cast<QAbstractButton *>(sender());
    if (!checked || !button)
        return;
    showCategory(button->property("category").toString());
}

void ConvertParametersDialog::showCategory(const QString &category)
{
    shownCategory = category;
    ui->headingLabel->setText(categoryTitle(category));
    if (category == CustomizeCategory) {
        ui->profileStackedWidget->setCurrentWidget(ui->custProfileWidget);
        currentProfile = ui->custProfileWidget->getProfile();
    } else {
        ui->profileStackedWidget->setCurrentWidget(ui->presetProfilesWidget);
        fillProfiles(category);
    }
    updateUiState();
}

void ConvertParametersDialog::fillProfiles(const QString &category)
{
    QListWidget *list = ui->profileListWidget;
    {
        const QSignalBlocker blocker(list);
        list->clear();
    }
    const QList<Kel::MediaProfile> profiles = settings()->getCategoryProfiles(category);
    for (const Kel::MediaProfile &profile : profiles) {
        auto *tile = new ThumbnailListWidgetItem(list);
        // Wider than the plain tile, so that most preset names fit.
        tile->setFixedWidth(TileWidth);
        tile->setText(PresetTexts::translate(profile.name));
        tile->setDescription(presetSummary(profile));
        tile->setProperty("category", category);
        tile->setProperty("profile", profile.name);
        tile->setItemWidget();
    }
    // The preset chosen before keeps its tile when its category returns.
    if (presetProfile.isValid() && selectProfile(presetProfile.name))
        return;
    if (list->count() > 0) {
        list->setCurrentRow(0);
    } else {
        currentProfile = Kel::MediaProfile();
        ui->profileBriefStackedWidget->setCurrentWidget(ui->emptyBriefPage);
    }
}

void ConvertParametersDialog::onCurrentProfileItemChanged(QListWidgetItem *current, QListWidgetItem *previous)
{
    if (ThumbnailListWidgetItem *tile = tileOf(previous))
        tile->setSelected(false);
    ThumbnailListWidgetItem *tile = tileOf(current);
    if (!tile) {
        currentProfile = Kel::MediaProfile();
        ui->profileBriefStackedWidget->setCurrentWidget(ui->emptyBriefPage);
        updateUiState();
        return;
    }
    tile->setSelected(true);
    const QString category = tile->property("category").toString();
    const QString name = tile->property("profile").toString();
    for (const Kel::MediaProfile &profile : settings()->getCategoryProfiles(category)) {
        if (profile.name == name) {
            presetProfile = profile;
            currentProfile = profile;
            break;
        }
    }
    showBrief(currentProfile);
    updateUiState();
}

void ConvertParametersDialog::showBrief(const Kel::MediaProfile &profile)
{
    if (!profile.isValid()) {
        ui->profileBriefStackedWidget->setCurrentWidget(ui->emptyBriefPage);
        return;
    }
    const MediaInfoDict &dict = settings()->getMediaInfoDict();
    const bool video = !profile.vCodec.isEmpty() && profile.type != Kel::Audio;
    const QString audioCodec = dict.getFFmpegCodecName(profile.aCodec);
    const QString audioRate = profile.aBitRate > 0 ? tr("%1 Kbps").arg(profile.aBitRate / 1000) : QString();

    ui->briefNameLabel->setText(PresetTexts::translate(profile.name));
    const QString description = PresetTexts::translate(profile.description);
    ui->descriptionValueLabel->setText(description);
    ui->descriptionValueLabel->setVisible(!description.isEmpty());
    ui->formatValueLabel->setText(profile.format.toUpper());
    if (video) {
        const QString videoCodec = dict.getFFmpegCodecName(profile.vCodec);
        ui->codecValueLabel->setText(audioCodec.isEmpty() ? videoCodec : tr("%1 / %2").arg(videoCodec, audioCodec));
        if (profile.autoResolution || profile.sameAsSource || profile.resolution.width() < 1)
            ui->resolutionValueLabel->setText(tr("Same as Source"));
        else
            ui->resolutionValueLabel->setText(MediaInfoDict::resolutionText(profile.resolution));
        const QString videoRate =
            profile.autoBitRate ? tr("Auto") : tr("%1 Kbps").arg(qMax(0, profile.vBitRate) / 1000);
        ui->bitrateValueLabel->setText(audioRate.isEmpty() ? videoRate : tr("%1 / %2").arg(videoRate, audioRate));
    } else {
        ui->codecValueLabel->setText(audioCodec);
        ui->resolutionValueLabel->setText(tr("Audio only"));
        ui->bitrateValueLabel->setText(audioRate);
    }
    ui->profileBriefStackedWidget->setCurrentWidget(ui->briefPage);
}

void ConvertParametersDialog::onCustomizeParameterChanged()
{
    if (isCustomPageShown())
        currentProfile = ui->custProfileWidget->getProfile();
    updateUiState();
}

void ConvertParametersDialog::onListItemDoubleClicked(QListWidgetItem *item)
{
    if (item && item == ui->profileListWidget->currentItem())
        onAccept();
}

void ConvertParametersDialog::onAccept()
{
    SettingsManager *s = settings();
    if (isCustomPageShown()) {
        ConvertParametersWidget *custom = ui->custProfileWidget;
        if (!custom->validate())
            return;
        currentProfile = custom->getProfile();
        s->setLastConvertProfileName(currentProfile.name);
        s->setLastCustomConvertProfile(currentProfile);
    } else {
        if (!currentProfile.isValid())
            return;
        s->setLastConvertProfileName(currentProfile.name);
        SettingsManager::setRegistryValue(LastCategoryKey, shownCategory);
    }

    const ConvertOptionMode mode = s->getConvertOptionMode();
    bool modeChanged = false;
    if (ui->defaultCheckBox->isChecked() && mode == ConvertOptionAsk) {
        s->setConvertOptionMode(ConvertOptionLastProfile);
        modeChanged = true;
    } else if (!ui->defaultCheckBox->isChecked() && mode != ConvertOptionAsk) {
        s->setConvertOptionMode(ConvertOptionAsk);
        modeChanged = true;
    }
    MainWindowUtils *utils = MainWindowUtils::instance();
    emit utils->lastConvertProfileChanged();
    if (modeChanged)
        emit utils->quickConvertChanged();
    done(QDialog::Accepted);
}

void ConvertParametersDialog::onCancel()
{
    reject();
}

void ConvertParametersDialog::updateUiState()
{
    ui->acceptBtn->setEnabled(isCustomPageShown() || currentProfile.isValid());
}

void ConvertParametersDialog::retranslate()
{
    setWindowTitle(tr("Convert to"));
    ui->categoryTitleLabel->setText(tr("Target"));
    for (QAbstractButton *button : categoryGroup->buttons())
        button->setText(categoryTitle(button->property("category").toString()));
    ui->headingLabel->setText(categoryTitle(shownCategory));
    ui->formatLabel->setText(tr("Format:"));
    ui->codecLabel->setText(tr("Codec:"));
    ui->resolutionLabel->setText(tr("Resolution:"));
    ui->bitrateLabel->setText(tr("Bitrate:"));
    ui->emptyBriefLabel->setText(tr("This category holds no preset."));
    ui->defaultCheckBox->setText(tr("Set as Default. Don't ask me again (Modify in the settings)."));
    ui->acceptBtn->setText(tr("OK"));
    ui->cancelBtn->setText(tr("Cancel"));
    QListWidget *list = ui->profileListWidget;
    for (int row = 0; row < list->count(); ++row) {
        if (ThumbnailListWidgetItem *tile = tileOf(list->item(row))) {
            const QString name = tile->property("profile").toString();
            for (const Kel::MediaProfile &profile : settings()->getCategoryProfiles(shownCategory)) {
                if (profile.name == name)
                    tile->setDescription(presetSummary(profile));
            }
        }
    }
    showBrief(isCustomPageShown() ? Kel::MediaProfile() : currentProfile);
}

} // namespace Tarn
