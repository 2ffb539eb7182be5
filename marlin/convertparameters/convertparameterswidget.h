#pragma once

#include "shared/mediaprofile.h"

#include <QString>
#include <QWidget>

class QComboBox;
class QIntValidator;
class QRegularExpressionValidator;

namespace Ui {
class ConvertParametersWidgetUi;
}

namespace Tarn {

class MediaInfoDict;

// The user's own conversion profile, edited from the choices the format
// dictionary allows: the format decides the codecs, the codec and the frame
// size decide the bit rates. Every change updates the edited profile and
// emits parametersChanged(). The video bit rate may be typed (in kbit/s) or
// left to "Auto"; the audio bit rate may be typed within its rule's range.
class ConvertParametersWidget : public QWidget
{
    Q_OBJECT
public:
    explicit ConvertParametersWidget(QWidget *parent = nullptr);
    ~ConvertParametersWidget() override;

    // Starts from profile: every list preselects the profile's value where
    // it holds it, else the rule's default. An invalid profile starts from
    // the default custom profile of the presets.
    void setProfile(const Kel::MediaProfile &profile);
    // The edited profile, named "Customized".
    Kel::MediaProfile getProfile() const;

    // Whether both bit rates lie within their rules' ranges. If one does
    // not, its box takes the focus and a tool tip below it names the range.
    bool validate();

    // The video bit rates the rule allows, in bit/s; -1 without a rule.
    int minimumVideoBitRate() const { return vBitRateMin; }
    int maximumVideoBitRate() const { return vBitRateMax; }
    const QRegularExpressionValidator *videoBitRateValidator() const { return vBitRateValidator; }
    const QIntValidator *audioBitRateValidator() const { return aBitRateValidator; }

    // The boxes, for the dialog's tests and the gallery.
    QComboBox *formatBox() const;
    QComboBox *videoCodecBox() const;
    QComboBox *videoResolutionBox() const;
    QComboBox *videoBitRateBox() const;
    QComboBox *audioCodecBox() const;
    QComboBox *audioBitRateBox() const;
    QComboBox *sampleRateBox() const;

signals:
    void parametersChanged();

public slots:
    void onFormatChanged(int index);
    void onVCodecChanged(int index);
    void onVResolutionChanged(int index);
    void onVBitRateChanged(int index);
    void onVBitRateTextChanged(const QString &text);
    void onACodecChanged(int index);
    void onABitRateChanged(int index);
    void onABitRateTextChanged(const QString &text);
    void onSampleRateChanged(int index);
    void retranslate();

protected:
    void changeEvent(QEvent *event) override;

private:
    const MediaInfoDict &dict() const;
    void fillFormats();
    void fillVideoCodecs();
    void fillResolutions();
    void fillVideoBitRates();
    void fillAudioCodecs();
    void fillAudioBitRates();
    void fillSampleRates();
    void updateVideoRows();
    void updateRangeToolTips();
    QString videoCodecName() const;
    QString videoRangeText() const;
    QString audioRangeText() const;
    void changed();

    Ui::ConvertParametersWidgetUi *ui;
    Kel::MediaProfile profile;
    int vBitRateMin = -1;
    int vBitRateMax = -1;
    QRegularExpressionValidator *vBitRateValidator = nullptr;
    QIntValidator *aBitRateValidator = nullptr;
    // Set while the lists are rebuilt: their signals must not reach the
    // profile half-way.
    bool filling = false;
};

} // namespace Tarn
