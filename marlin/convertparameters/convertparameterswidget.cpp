#include "marlin/convertparameters/convertparameterswidget.h"

#include "ui_convertparameterswidget.h"

#include "kelframe/kelskin.h"
#include "tarncore/download/appcontext.h"
#include "tarncore/settings/mediainfodict.h"
#include "tarncore/settings/settingsmanager.h"

#include <QEvent>
#include <QIntValidator>
#include <QLineEdit>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QToolTip>

#include <numeric>

namespace Tarn {

namespace {

SettingsManager *settings()
{
    return AppContext::instance()->getSettingsManager();
}

// Fills box with texts (and their data) and selects the entry whose text
// equals wanted, else the one equal to fallback, else the first. Signals
// stay blocked: the caller updates the profile once afterwards.
void fillBox(QComboBox *box, const QStringList &texts, const QVariantList &data, const QString &wanted,
             const QString &fallback)
{
    const QSignalBlocker blocker(box);
    box->clear();
    for (int i = 0; i < texts.size(); ++i)
        box->addItem(texts.at(i), i < data.size() ? data.at(i) : QVariant());
    int index = wanted.isEmpty() ? -1 : box->findText(wanted, Qt::MatchFixedString);
    if (index < 0 && !fallback.isEmpty())
        index = box->findText(fallback, Qt::MatchFixedString);
    box->setCurrentIndex(index < 0 && box->count() > 0 ? 0 : index);
}

QString kiloText(qint64 bitRate)
{
    return QString::number(bitRate / 1000);
}

QSize reducedAspect(const QSize &size)
{
    if (size.width() < 1 || size.height() < 1)
        return QSize(-1, -1);
    const int divisor = std::gcd(size.width(), size.height());
    return QSize(size.width() / divisor, size.height() / divisor);
}

} // namespace

ConvertParametersWidget::ConvertParametersWidget(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::ConvertParametersWidgetUi)
{
    ui->setupUi(this);
    ui->scrollArea->viewport()->setAutoFillBackground(false);
    ui->scrollAreaWidgetContents->setAutoFillBackground(false);
    for (QLabel *section : {ui->videoSectionLabel, ui->audioSectionLabel}) {
        section->setProperty("section", QStringLiteral("true"));
        KelSkin::repolish(section);
    }
    for (QLabel *unit : {ui->videoBitRateUnitLabel, ui->audioBitRateUnitLabel, ui->sampleRateUnitLabel}) {
        unit->setProperty("dim", QStringLiteral("true"));
        KelSkin::repolish(unit);
        unit->setMinimumWidth(36);
    }

    ui->videoBitRate->setEditable(true);
    ui->videoBitRate->setInsertPolicy(QComboBox::NoInsert);
    ui->audioBitRate->setEditable(true);
    ui->audioBitRate->setInsertPolicy(QComboBox::NoInsert);
    vBitRateValidator = new QRegularExpressionValidator(this);
    aBitRateValidator = new QIntValidator(this);
    ui->videoBitRate->setValidator(vBitRateValidator);
    ui->audioBitRate->setValidator(aBitRateValidator);

    connect(ui->supportFormat, &QComboBox::currentIndexChanged, this, &ConvertParametersWidget::onFormatChanged);
    connect(ui->videoCodec, &QComboBox::currentIndexChanged, this, &ConvertParametersWidget::onVCodecChanged);
    connect(ui->videoResolution, &QComboBox::currentIndexChanged, this,
            &ConvertParametersWidget::onVResolutionChanged);
    connect(ui->videoBitRate, &QComboBox::currentIndexChanged, this, &ConvertParametersWidget::onVBitRateChanged);
    connect(ui->videoBitRate, &QComboBox::editTextChanged, this, &ConvertParametersWidget::onVBitRateTextChanged);
    connect(ui->audioCodec, &QComboBox::currentIndexChanged, this, &ConvertParametersWidget::onACodecChanged);
    connect(ui->audioBitRate, &QComboBox::currentIndexChanged, this, &ConvertParametersWidget::onABitRateChanged);
    connect(ui->audioBitRate, &QComboBox::editTextChanged, this, &ConvertParametersWidget::onABitRateTextChanged);
    connect(ui->sampleRate, &QComboBox::currentIndexChanged, this, &ConvertParametersWidget::onSampleRateChanged);

    retranslate();
}

ConvertParametersWidget::~ConvertParametersWidget()
{
    delete ui;
}

const MediaInfoDict &ConvertParametersWidget::dict() const
{
    return settings()->getMediaInfoDict();
}

QComboBox *ConvertParametersWidget::formatBox() const { return ui->supportFormat; }
QComboBox *ConvertParametersWidget::videoCodecBox() const { return ui->videoCodec; }
QComboBox *ConvertParametersWidget::videoResolutionBox() const { return ui->videoResolution; }
QComboBox *ConvertParametersWidget::videoBitRateBox() const { return ui->videoBitRate; }
QComboBox *ConvertParametersWidget::audioCodecBox() const { return ui->audioCodec; }
QComboBox *ConvertParametersWidget::audioBitRateBox() const { return ui->audioBitRate; }
QComboBox *ConvertParametersWidget::sampleRateBox() const { return ui->sampleRate; }

void ConvertParametersWidget::setProfile(const Kel::MediaProfile &start)
{
    profile = start.isValid() ? start : settings()->getDefaultCustomConvertProfile();
    profile.name = SettingsManager::CustomizedProfileName;
    if (profile.frameRate <= 0)
        profile.frameRate = settings()->getDefaultCustomConvertProfile().frameRate;
    filling = true;
    fillFormats();
    filling = false;
    changed();
}

Kel::MediaProfile ConvertParametersWidget::getProfile() const
{
    return profile;
}

QString ConvertParametersWidget::videoCodecName() const
{
    return ui->videoCodec->currentText();
}

void ConvertParametersWidget::fillFormats()
{
    const FormatSupport &formats = dict().getConvertFormatSupport();
    fillBox(ui->supportFormat, formats.getFormats(), {}, profile.format, formats.getDefaultFormat());
    profile.format = ui->supportFormat->currentText();
    fillVideoCodecs();
    fillAudioCodecs();
}

void ConvertParametersWidget::fillVideoCodecs()
{
    const CodecRule rule = dict().getConvertVideoCodecSupportRule(profile.format);
    const QStringList codecs = rule.isValid() ? rule.getSupport().getCodecs() : QStringList();
    fillBox(ui->videoCodec, codecs, {}, dict().getFFmpegCodecName(profile.vCodec), rule.getSupport().getDefaultCodec());
    const QString chosen = ui->videoCodec->currentText();
    profile.vCodec = chosen.isEmpty() ? QString() : dict().getFFmpegCodecValue(chosen);
    profile.type = chosen.isEmpty() ? Kel::Audio : Kel::Video;
    updateVideoRows();
    fillResolutions();
}

void ConvertParametersWidget::fillResolutions()
{
    QStringList texts;
    QVariantList sizes;
    if (!profile.vCodec.isEmpty()) {
        texts << tr("Same as Source");
        sizes << QSize(-1, -1);
        for (const QSize &size : dict().getConvertResolutionSupport().getResolutions()) {
            texts << MediaInfoDict::resolutionText(size);
            sizes << size;
        }
    }
    const QString wanted = profile.autoResolution ? tr("Same as Source") : MediaInfoDict::resolutionText(profile.resolution);
    fillBox(ui->videoResolution, texts, sizes, wanted,
            MediaInfoDict::resolutionText(dict().getConvertResolutionSupport().getDefaultResolution()));
    const int index = ui->videoResolution->currentIndex();
    profile.autoResolution = index == 0;
    profile.resolution = index > 0 ? ui->videoResolution->currentData().toSize() : QSize(-1, -1);
    profile.aspect = reducedAspect(profile.resolution);
    fillVideoBitRates();
}

void ConvertParametersWidget::fillVideoBitRates()
{
    QStringList texts;
    QVariantList rates;
    vBitRateMin = vBitRateMax = -1;
    int defaultRate = -1;
    if (!profile.vCodec.isEmpty()) {
        const BitRateRule rule = dict().getConvertVideoBitRateSupportRule(videoCodecName(), profile.resolution);
        if (rule.isValid()) {
            texts << tr("Auto");
            rates << -1;
            for (int rate : rule.getSupport().getBitRates()) {
                texts << kiloText(rate);
                rates << rate;
            }
            vBitRateMin = rule.getSupport().getMinimumBitRate();
            vBitRateMax = rule.getSupport().getMaximumBitRate();
            defaultRate = rule.getSupport().getDefaultBitRate();
        }
    }
    const QString wanted = profile.autoBitRate ? tr("Auto") : (profile.vBitRate > 0 ? kiloText(profile.vBitRate) : QString());
    fillBox(ui->videoBitRate, texts, rates, wanted, defaultRate > 0 ? kiloText(defaultRate) : QString());
    // A rate the user typed before stays while the rule still allows it.
    const bool typed = !profile.autoBitRate && ui->videoBitRate->currentText() != wanted
        && profile.vBitRate >= vBitRateMin && profile.vBitRate <= vBitRateMax && vBitRateMin > 0;
    if (typed) {
        const QSignalBlocker blocker(ui->videoBitRate);
        ui->videoBitRate->setEditText(wanted);
    } else {
        const int index = ui->videoBitRate->currentIndex();
        profile.autoBitRate = index == 0;
        if (index > 0)
            profile.vBitRate = ui->videoBitRate->currentData().toInt();
        else if (index < 0)
            profile.vBitRate = -1;
    }
    updateRangeToolTips();
}

void ConvertParametersWidget::fillAudioCodecs()
{
    const CodecRule rule = dict().getConvertAudioCodecSupportRule(profile.format, videoCodecName());
    const QStringList codecs = rule.isValid() ? rule.getSupport().getCodecs() : QStringList();
    fillBox(ui->audioCodec, codecs, {}, dict().getFFmpegCodecName(profile.aCodec), rule.getSupport().getDefaultCodec());
    const QString chosen = ui->audioCodec->currentText();
    profile.aCodec = chosen.isEmpty() ? QString() : dict().getFFmpegCodecValue(chosen);
    ui->audioCodec->setEnabled(ui->audioCodec->count() > 0);
    fillAudioBitRates();
    fillSampleRates();
}

void ConvertParametersWidget::fillAudioBitRates()
{
    QStringList texts;
    QVariantList rates;
    int defaultRate = -1;
    int bottom = 0;
    int top = 0;
    if (!profile.aCodec.isEmpty()) {
        const BitRateRule rule = dict().getConvertAudioBitRateSupportRule(profile.format, profile.resolution);
        if (rule.isValid()) {
            for (int rate : rule.getSupport().getBitRates()) {
                texts << kiloText(rate);
                rates << rate;
            }
            bottom = rule.getSupport().getMinimumBitRate() / 1000;
            top = rule.getSupport().getMaximumBitRate() / 1000;
            defaultRate = rule.getSupport().getDefaultBitRate();
        }
    }
    aBitRateValidator->setRange(bottom, top);
    const QString wanted = profile.aBitRate > 0 ? kiloText(profile.aBitRate) : QString();
    fillBox(ui->audioBitRate, texts, rates, wanted, defaultRate > 0 ? kiloText(defaultRate) : QString());
    // A rate the user typed before stays while the rule still allows it.
    const bool typed = !texts.isEmpty() && ui->audioBitRate->currentText() != wanted
        && profile.aBitRate >= qint64(bottom) * 1000 && profile.aBitRate <= qint64(top) * 1000;
    if (typed) {
        const QSignalBlocker blocker(ui->audioBitRate);
        ui->audioBitRate->setEditText(wanted);
    } else {
        profile.aBitRate = ui->audioBitRate->currentIndex() >= 0 ? ui->audioBitRate->currentData().toInt() : -1;
    }
    ui->audioBitRate->setEnabled(ui->audioBitRate->count() > 0);
    updateRangeToolTips();
}

void ConvertParametersWidget::fillSampleRates()
{
    QStringList texts;
    QVariantList rates;
    qint64 defaultRate = -1;
    const QList<SampleRate> &supports = dict().getConvertAudioSampleRateSupports();
    if (!profile.aCodec.isEmpty() && !supports.isEmpty()) {
        for (qint64 rate : supports.first().getSampleRates()) {
            texts << QString::number(rate);
            rates << rate;
        }
        defaultRate = supports.first().getDefaultSampleRate();
    }
    fillBox(ui->sampleRate, texts, rates, profile.aSampleRate > 0 ? QString::number(profile.aSampleRate) : QString(),
            defaultRate > 0 ? QString::number(defaultRate) : QString());
    profile.aSampleRate = ui->sampleRate->currentIndex() >= 0 ? ui->sampleRate->currentData().toInt() : -1;
    ui->sampleRate->setEnabled(ui->sampleRate->count() > 0);
}

void ConvertParametersWidget::updateVideoRows()
{
    // An audio format has no picture: its video choices stay visible but
    // empty and out of reach, so the form keeps its shape.
    const bool video = ui->videoCodec->count() > 0;
    for (QWidget *widget : {static_cast<QWidget *>(ui->videoCodec), static_cast<QWidget *>(ui->videoResolution),
                            static_cast<QWidget *>(ui->videoBitRate), static_cast<QWidget *>(ui->videoCodecLabel),
                            static_cast<QWidget *>(ui->videoResolutionLabel),
                            static_cast<QWidget *>(ui->videoBitRateLabel),
                            static_cast<QWidget *>(ui->videoBitRateUnitLabel),
                            static_cast<QWidget *>(ui->videoSectionLabel)})
        widget->setEnabled(video);
}

QString ConvertParametersWidget::videoRangeText() const
{
    return tr("Value of video bitrate should be between %1 and %2.").arg(vBitRateMin / 1000).arg(vBitRateMax / 1000);
}

QString ConvertParametersWidget::audioRangeText() const
{
    return tr("Value of audio bitrate should be between %1 and %2.")
        .arg(aBitRateValidator->bottom())
        .arg(aBitRateValidator->top());
}

void ConvertParametersWidget::updateRangeToolTips()
{
    ui->videoBitRate->setToolTip(vBitRateMin > 0 ? videoRangeText() : QString());
    ui->audioBitRate->setToolTip(ui->audioBitRate->count() > 0 ? audioRangeText() : QString());
}

void ConvertParametersWidget::changed()
{
    if (!filling)
        emit parametersChanged();
}

void ConvertParametersWidget::onFormatChanged(int index)
{
    if (filling || index < 0)
        return;
    filling = true;
    profile.format = ui->supportFormat->itemText(index);
    fillVideoCodecs();
    fillAudioCodecs();
    filling = false;
    changed();
}

void ConvertParametersWidget::onVCodecChanged(int index)
{
    if (filling || index < 0)
        return;
    filling = true;
    profile.vCodec = dict().getFFmpegCodecValue(ui->videoCodec->itemText(index));
    profile.type = Kel::Video;
    fillResolutions();
    fillAudioCodecs();
    filling = false;
    changed();
}

void ConvertParametersWidget::onVResolutionChanged(int index)
{
    if (filling || index < 0)
        return;
    filling = true;
    profile.autoResolution = index == 0;
    profile.resolution = index > 0 ? ui->videoResolution->itemData(index).toSize() : QSize(-1, -1);
    profile.aspect = reducedAspect(profile.resolution);
    fillVideoBitRates();
    fillAudioBitRates();
    filling = false;
    changed();
}

void ConvertParametersWidget::onVBitRateChanged(int index)
{
    if (filling || index < 0)
        return;
    profile.autoBitRate = index == 0;
    if (index > 0)
        profile.vBitRate = ui->videoBitRate->itemData(index).toInt();
    changed();
}

void ConvertParametersWidget::onVBitRateTextChanged(const QString &text)
{
    if (filling)
        return;
    if (text == tr("Auto")) {
        profile.autoBitRate = true;
    } else {
        profile.autoBitRate = false;
        bool ok = false;
        const qint64 kilo = text.toLongLong(&ok);
        // Beyond what the profile can hold counts as out of range.
        profile.vBitRate = ok && kilo > 0 ? int(qMin<qint64>(kilo * 1000, INT_MAX)) : -1;
    }
    changed();
}

void ConvertParametersWidget::onACodecChanged(int index)
{
    if (filling || index < 0)
        return;
    filling = true;
    profile.aCodec = dict().getFFmpegCodecValue(ui->audioCodec->itemText(index));
    fillAudioBitRates();
    fillSampleRates();
    filling = false;
    changed();
}

void ConvertParametersWidget::onABitRateChanged(int index)
{
    if (filling || index < 0)
        return;
    profile.aBitRate = ui->audioBitRate->itemData(index).toInt();
    changed();
}

void ConvertParametersWidget::onABitRateTextChanged(const QString &text)
{
    if (filling)
        return;
    bool ok = false;
    const qint64 kilo = text.toLongLong(&ok);
    profile.aBitRate = ok && kilo > 0 ? int(qMin<qint64>(kilo * 1000, INT_MAX)) : -1;
    changed();
}

void ConvertParametersWidget::onSampleRateChanged(int index)
{
    if (filling || index < 0)
        return;
    profile.aSampleRate = ui->sampleRate->itemData(index).toInt();
    changed();
}

bool ConvertParametersWidget::validate()
{
    const auto complain = [](QComboBox *box, const QString &text) {
        box->setFocus(Qt::OtherFocusReason);
        box->lineEdit()->selectAll();
        QToolTip::showText(box->mapToGlobal(box->rect().bottomLeft()), text, box);
    };
    const bool videoListed = ui->videoBitRate->count() > 0;
    if (videoListed && !profile.autoBitRate
        && (profile.vBitRate < vBitRateMin || profile.vBitRate > vBitRateMax)) {
        complain(ui->videoBitRate, videoRangeText());
        return false;
    }
    const bool audioListed = ui->audioBitRate->count() > 0;
    if (audioListed
        && (profile.aBitRate < qint64(aBitRateValidator->bottom()) * 1000
            || profile.aBitRate > qint64(aBitRateValidator->top()) * 1000)) {
        complain(ui->audioBitRate, audioRangeText());
        return false;
    }
    return true;
}

void ConvertParametersWidget::retranslate()
{
    ui->formatLabel->setText(tr("Format:"));
    ui->videoSectionLabel->setText(tr("Video"));
    ui->videoCodecLabel->setText(tr("Video Codec:"));
    ui->videoResolutionLabel->setText(tr("Video Resolution:"));
    ui->videoBitRateLabel->setText(tr("Video Bitrate:"));
    ui->videoBitRateUnitLabel->setText(tr("Kbps"));
    ui->audioSectionLabel->setText(tr("Audio"));
    ui->audioCodecLabel->setText(tr("Audio Codec:"));
    ui->audioBitRateLabel->setText(tr("Audio Bitrate:"));
    ui->audioBitRateUnitLabel->setText(tr("Kbps"));
    ui->sampleRateLabel->setText(tr("Sample Rate:"));
    ui->sampleRateUnitLabel->setText(tr("Hz"));

    // "Auto" is a word of the current language, in the list and in the
    // validator alike; numbers need two digits and no leading zero.
    const QString autoWord = tr("Auto");
    vBitRateValidator->setRegularExpression(
        QRegularExpression(QStringLiteral("^%1|^[1-9][0-9]\\d*").arg(QRegularExpression::escape(autoWord))));
    if (ui->videoBitRate->count() > 0) {
        const QSignalBlocker blocker(ui->videoBitRate);
        const bool wasAuto = ui->videoBitRate->currentIndex() == 0;
        ui->videoBitRate->setItemText(0, autoWord);
        if (wasAuto)
            ui->videoBitRate->setEditText(autoWord);
    }
    if (ui->videoResolution->count() > 0)
        ui->videoResolution->setItemText(0, tr("Same as Source"));
    updateRangeToolTips();
}

void ConvertParametersWidget::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QWidget::changeEvent(event);
}

} // namespace Tarn
