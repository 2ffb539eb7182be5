#pragma once

#include "shared/mediaprofile.h"
#include "shared/webmediainfo.h"
#include "tarncore/download/downloadparameters.h"
#include "widgetkit/popupdialog.h"

#include <QLabel>
#include <QMap>
#include <QModelIndex>
#include <QString>

namespace Ui {
class DownloadParametersDialogUi;
}

namespace Tarn {

class BusyIndicator;
class WebMediaQualityListModel;

// The quality pop-up: asks the download manager for the media information of
// one page, waits with a spinner, then lists the qualities with their
// resolution, format and size (sizes that arrive later fill in). A click on a
// quality hands the download parameters over and closes the pop-up; closing
// it before the information arrives withdraws the request.
class DownloadParametersDialog : public PopupDialog
{
    Q_OBJECT
public:
    enum State {
        Idle = 0,
        Waiting = 1,
        Received = 2,
    };
    Q_ENUM(State)

    explicit DownloadParametersDialog(const QString &url, QWidget *parent = nullptr);
    ~DownloadParametersDialog() override;

    QString getUrl() const { return url; }
    State getState() const { return state; }
    WebMediaQualityListModel *getQualityModel() const { return qualityModel; }
    // The profile a row of the list stands for; invalid for none.
    Kel::MediaProfile profileAt(int row) const;
    bool isWaiting() const;

    // The qualities the list offers for info's qualities (best first): audio
    // only when the preferred format is an audio one, and of neighbours that
    // look alike only one.
    static Kel::MediaProfileList listedQualities(const Kel::MediaProfileList &qualities,
                                                 const QString &preferredFormat);

signals:
    void download(Tarn::DownloadParameters param);

public slots:
    void receiveMediaInfo(const Kel::WebMediaInfo &mediaInfo);
    void receiveMediaThumbnail(const QString &url, const QString &thumbnailFile);
    void receiveMediaSize(const QString &url, const QString &profileUrl, qint64 size);
    void onQualityItemClicked(const QModelIndex &index);
    void OnMouseOutClicked();
    void accept() override;
    void reject() override;
    void done(int r) override;
    void retranslate() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void showWaiting(bool waiting);
    void placeWaitingWidgets();
    void updateTitle();
    void updateHeading();
    void setThumbnail(const QString &file);
    void setListRows(int rows);
    // The pop-up follows its content's height (the list grows to its rows).
    void fitToContent();

    Ui::DownloadParametersDialogUi *ui;
    QString url;
    DownloadParameters parameters;
    WebMediaQualityListModel *qualityModel;
    BusyIndicator *waitMovieLabel;
    QLabel *waitTextLabel;
    QMap<QString, int> urlToRow;
    QMap<int, QString> rowToName;
    Kel::WebMediaInfo mediaInfo;
    State state = Idle;
};

} // namespace Tarn
