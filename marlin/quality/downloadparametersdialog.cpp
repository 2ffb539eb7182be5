#include "marlin/quality/downloadparametersdialog.h"

#include "ui_downloadparametersdialog.h"

#include "kelframe/kelskin.h"
#include "marlin/mainwindow/mainwindowutils.h"
#include "marlin/quality/busyindicator.h"
#include "marlin/quality/qualitykinddelegate.h"
#include "marlin/quality/webmediaqualitylistmodel.h"
#include "shared/kellog.h"
#include "shared/keltime.h"
#include "tarncore/download/appcontext.h"
#include "tarncore/download/downloadmanager.h"
#include "tarncore/settings/settingsmanager.h"
#include "widgetkit/listtableview.h"

#include <QDateTime>
#include <QHeaderView>
#include <QImageReader>
#include <QPainter>
#include <QPainterPath>
#include <QPropertyAnimation>

#include <cerrno>
#include <cstring>

namespace Tarn {

namespace {

DownloadManager *manager()
{
    return AppContext::instance()->getDownloadManager();
}

constexpr int RowHeight = 34;
// The list is as tall as its rows within these bounds; while it waits it
// leaves room for the spinner and its text.
constexpr int WaitingRows = 4;
constexpr int MinimumRows = 2;
constexpr int MaximumRows = 7;
constexpr int ThumbnailRadius = 6;

bool looksAlike(const Kel::MediaProfile &a, const Kel::MediaProfile &b)
{
    if (a.resolution != b.resolution || a.is3D != b.is3D || a.format != b.format)
        return false;
    // Audio streams share the "resolution" of none; their bit rates tell
    // them apart.
    if (a.type == Kel::Audio || b.type == Kel::Audio)
        return a.type == b.type && a.qualityLabel.compare(b.qualityLabel, Qt::CaseInsensitive) == 0;
    return true;
}

bool isUnsizedAboveFullHd(const Kel::MediaProfile &profile)
{
    return profile.type == Kel::Video && profile.qualityLabel.compare(QLatin1String(">1080p"), Qt::CaseInsensitive) == 0
        && profile.resolution.width() <= 0;
}

} // namespace

DownloadParametersDialog::DownloadParametersDialog(const QString &pageUrl, QWidget *parent)
    : PopupDialog(parent)
    , ui(new Ui::DownloadParametersDialogUi)
    , url(pageUrl)
    , qualityModel(new WebMediaQualityListModel(this))
{
    setObjectName(QStringLiteral("downloadParametersDialog"));
    auto *content = new QWidget;
    ui->setupUi(content);
    content->setObjectName(QStringLiteral("contentWidget"));
    waitMovieLabel = new BusyIndicator(ui->downloadParameterWidget);
    waitMovieLabel->setObjectName(QStringLiteral("waitMovieLabel"));
    waitTextLabel = new QLabel(ui->downloadParameterWidget);
    waitTextLabel->setObjectName(QStringLiteral("waitTextLabel"));
    waitTextLabel->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    waitTextLabel->setProperty("dim", QStringLiteral("true"));
    waitTextLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
    KelSkin::repolish(waitTextLabel);

    ui->closeBtn->setIcon(KelSkin::icon(QStringLiteral("close")));
    ui->closeBtn->setIconSize(QSize(16, 16));
    ui->closeBtn->setAutoRaise(true);
    ui->closeBtn->setFocusPolicy(Qt::TabFocus);
    ui->durationLabel->setProperty("dim", QStringLiteral("true"));
    // The title is elided to the room it gets, never widens the pop-up.
    ui->videoTitleLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    ui->videoTitleLabel->installEventFilter(this);
    ui->imageWidget->setProperty("loaded", QStringLiteral("false"));
    ui->imageWidget->setAlignment(Qt::AlignCenter);
    KelSkin::repolish(ui->durationLabel);
    KelSkin::repolish(ui->imageWidget);

    ListTableView *list = ui->qualityListView;
    list->setAcceleratorSupport(false);
    list->setModel(qualityModel);
    list->setSelectionMode(QAbstractItemView::NoSelection);
    list->setFocusPolicy(Qt::NoFocus);
    list->horizontalHeader()->hide();
    list->horizontalHeader()->setStretchLastSection(true);
    list->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    list->verticalHeader()->setDefaultSectionSize(RowHeight);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setMouseHoverIcon(KelSkin::iconPath(QStringLiteral("quality-hover")));
    for (int column = 0; column < WebMediaQualityListModel::ColumnCount; ++column)
        list->setColumnWidth(column, WebMediaQualityListModel::columnWidth(column));
    int listWidth = 2;
    for (int column = 0; column < WebMediaQualityListModel::ColumnCount; ++column)
        listWidth += WebMediaQualityListModel::columnWidth(column);
    list->setFixedWidth(listWidth);
    list->setItemDelegateForColumn(WebMediaQualityListModel::HoverColumn, new QualityKindDelegate(list));
    setListRows(WaitingRows);
    list->setCursor(Qt::PointingHandCursor);

    connect(list, &QAbstractItemView::clicked, this, &DownloadParametersDialog::onQualityItemClicked);
    connect(ui->closeBtn, &QToolButton::clicked, this, &DownloadParametersDialog::OnMouseOutClicked);
    connect(KelSkin::instance(), &KelSkin::skinChanged, this, [this] {
        ui->closeBtn->setIcon(KelSkin::icon(QStringLiteral("close")));
        ui->qualityListView->setMouseHoverIcon(KelSkin::iconPath(QStringLiteral("quality-hover")));
    });

    setContentWidget(content);
    retranslate();
    showWaiting(true);

    if (!url.isEmpty()) {
        state = Waiting;
        DownloadManager *m = manager();
        connect(m, &DownloadManager::mediaInfoReady, this, &DownloadParametersDialog::receiveMediaInfo);
        connect(m, &DownloadManager::mediaThumbnailReady, this, &DownloadParametersDialog::receiveMediaThumbnail);
        connect(m, &DownloadManager::mediaSizeReady, this, &DownloadParametersDialog::receiveMediaSize);
        // A cached page answers at once, before this returns.
        m->getMediaInfoBySignal(url);
    }
}

DownloadParametersDialog::~DownloadParametersDialog()
{
    delete ui;
}

bool DownloadParametersDialog::isWaiting() const
{
    return state == Waiting;
}

Kel::MediaProfileList DownloadParametersDialog::listedQualities(const Kel::MediaProfileList &qualities,
                                                                const QString &preferredFormat)
{
    Kel::MediaProfileList list = qualities;
    const bool audioWanted = preferredFormat.compare(QLatin1String("M4A"), Qt::CaseInsensitive) == 0
        || preferredFormat.compare(QLatin1String("WEBM AUDIO"), Qt::CaseInsensitive) == 0;
    if (!audioWanted) {
        list.removeIf([](const Kel::MediaProfile &p) { return p.type == Kel::Audio || p.name.isEmpty(); });
    }
    // Of neighbours that would read the same in the list only one stays:
    // the one that needs no merge where there is a choice.
    for (int i = 0; i + 1 < list.size(); ++i) {
        if (isUnsizedAboveFullHd(list.at(i)))
            continue;
        while (i + 1 < list.size() && looksAlike(list.at(i), list.at(i + 1))) {
            if (list.at(i).dash)
                list.removeAt(i);
            else
                list.removeAt(i + 1);
        }
    }
    return list;
}

void DownloadParametersDialog::receiveMediaInfo(const Kel::WebMediaInfo &info)
{
    if (info.url != url || state != Waiting)
        return;
    state = Received;
    mediaInfo = info;
    showWaiting(false);
    disconnect(manager(), &DownloadManager::mediaInfoReady, this, &DownloadParametersDialog::receiveMediaInfo);

    if (!info.isValid()) {
        const QString page = url;
        done(Rejected);
        MainWindowUtils::alert(tr("Getting media information failed: %1").arg(page));
        return;
    }
    updateTitle();
    const QString format = AppContext::instance()->getSettingsManager()->getPreferredQualityFormat();
    const Kel::MediaProfileList kept = listedQualities(info.profiles, format);
    KEL_INFO("Quality list size of url %s:\nReceived: %d\nValid:%d", qPrintable(url), int(info.profiles.size()),
             int(kept.size()));

    qualityModel->removeRows(0, qualityModel->rowCount());
    urlToRow.clear();
    rowToName.clear();
    for (const Kel::MediaProfile &profile : kept) {
        if (profile.type != Kel::Video && profile.type != Kel::Audio)
            continue;
        const int row = qualityModel->appendQuality(profile);
        if (profile.type == Kel::Audio)
            qualityModel->item(row, WebMediaQualityListModel::QualityColumn)
                ->setText(profile.qualityLabel.isEmpty() ? tr("Audio")
                                                         : tr("Audio %1").arg(profile.qualityLabel.toUpper()));
        urlToRow.insert(profile.url, row);
        rowToName.insert(row, profile.name);
    }
    for (int column = 0; column < WebMediaQualityListModel::ColumnCount; ++column)
        ui->qualityListView->setColumnWidth(column, WebMediaQualityListModel::columnWidth(column));
    updateHeading();
    setListRows(qBound(MinimumRows, qualityModel->rowCount(), MaximumRows));
    fitToContent();
}

void DownloadParametersDialog::setListRows(int rows)
{
    ui->qualityListView->setFixedHeight(RowHeight * rows + 2);
}

void DownloadParametersDialog::fitToContent()
{
    QWidget *content = getContentWidget();
    if (!content)
        return;
    if (popupState() == Opening) {
        // The slide in ends at the old size; take the new one after it.
        connect(openAnimation(), &QAbstractAnimation::finished, this, &DownloadParametersDialog::fitToContent,
                Qt::SingleShotConnection);
        return;
    }
    // The list's new height first reaches the widget that holds it.
    ui->downloadParameterWidget->layout()->activate();
    content->layout()->activate();
    const QSize wanted(width(), content->sizeHint().height());
    if (size() != wanted)
        resize(wanted);
}

void DownloadParametersDialog::receiveMediaThumbnail(const QString &pageUrl, const QString &thumbnailFile)
{
    if (pageUrl != url)
        return;
    disconnect(manager(), &DownloadManager::mediaThumbnailReady, this,
               &DownloadParametersDialog::receiveMediaThumbnail);
    setThumbnail(thumbnailFile);
    ui->videoTitleLabel->show();
    ui->durationLabel->setVisible(mediaInfo.duration > 0);
}

void DownloadParametersDialog::receiveMediaSize(const QString &pageUrl, const QString &profileUrl, qint64 size)
{
    if (pageUrl != url || state != Received)
        return;
    const auto it = urlToRow.constFind(profileUrl);
    if (it == urlToRow.cend() || size <= 0)
        return;
    qualityModel->setSize(it.value(), size);
}

Kel::MediaProfile DownloadParametersDialog::profileAt(int row) const
{
    const auto name = rowToName.constFind(row);
    if (name == rowToName.cend())
        return Kel::MediaProfile();
    for (const Kel::MediaProfile &profile : mediaInfo.profiles) {
        if (profile.name == name.value())
            return profile;
    }
    return Kel::MediaProfile();
}

void DownloadParametersDialog::onQualityItemClicked(const QModelIndex &index)
{
    if (!index.isValid() || !qualityModel->item(index.row(), WebMediaQualityListModel::QualityColumn)
        || !qualityModel->item(index.row(), WebMediaQualityListModel::FormatColumn))
        return;
    const Kel::MediaProfile profile = profileAt(index.row());
    if (profile.isValid()) {
        parameters.setUrl(url);
        parameters.setDownloadQuality(profile);
    } else {
        KEL_ERROR("%s no valid quality for row %d: %s",
                  qPrintable(QDateTime::currentDateTime().toString(QStringLiteral("yyyy/MM/dd hh:mm:ss"))),
                  index.row(), std::strerror(errno));
    }
    emit download(parameters);
    accept();
}

void DownloadParametersDialog::OnMouseOutClicked()
{
    reject();
}

void DownloadParametersDialog::accept()
{
    PopupDialog::accept();
}

void DownloadParametersDialog::reject()
{
    PopupDialog::reject();
}

void DownloadParametersDialog::done(int r)
{
    if (state == Waiting) {
        // Nobody waits for the answer any more; the extraction itself goes on
        // and fills the cache.
        state = Idle;
        manager()->cancelMediaInfoRequest(url);
    }
    disconnect(manager(), nullptr, this, nullptr);
    PopupDialog::done(r);
}

void DownloadParametersDialog::retranslate()
{
    waitTextLabel->setText(tr("Please wait, we are loading..."));
    ui->closeBtn->setToolTip(tr("Close"));
    ui->closeBtn->setAccessibleName(tr("Close"));
    updateHeading();
    updateTitle();
}

void DownloadParametersDialog::updateHeading()
{
    ui->titleLabel->setText(state == Received ? tr("Click to Download") : tr("Loading") + QStringLiteral("..."));
}

void DownloadParametersDialog::updateTitle()
{
    // Until the title is known the address says which video this is.
    const bool pending = mediaInfo.title.isEmpty();
    const QString title = pending ? url : mediaInfo.title;
    const QString flag = pending ? QStringLiteral("true") : QStringLiteral("false");
    if (ui->videoTitleLabel->property("pending").toString() != flag) {
        ui->videoTitleLabel->setProperty("pending", flag);
        KelSkin::repolish(ui->videoTitleLabel);
    }
    const QFontMetrics metrics(ui->videoTitleLabel->font());
    const int width = qMax(40, ui->videoTitleLabel->width());
    ui->videoTitleLabel->setText(metrics.elidedText(title, Qt::ElideRight, width));
    ui->videoTitleLabel->setToolTip(title);
    ui->durationLabel->setText(mediaInfo.duration > 0
                                   ? Kel::Time::fromMicroseconds(mediaInfo.duration * 1000000).toShortString()
                                   : QString());
    ui->durationLabel->setVisible(mediaInfo.duration > 0);
}

void DownloadParametersDialog::showWaiting(bool waiting)
{
    if (waiting) {
        updateTitle();
        setThumbnail(QString());
        waitMovieLabel->show();
        waitTextLabel->show();
        waitMovieLabel->raise();
        waitTextLabel->raise();
        waitMovieLabel->start();
        placeWaitingWidgets();
    } else {
        waitMovieLabel->stop();
        waitMovieLabel->hide();
        waitTextLabel->hide();
    }
    updateHeading();
}

void DownloadParametersDialog::placeWaitingWidgets()
{
    const QRect list = ui->qualityListView->geometry();
    const QSize spinner(32, 32);
    waitMovieLabel->setGeometry(QRect(QPoint(list.center().x() - spinner.width() / 2, list.top() + 32), spinner));
    waitTextLabel->setGeometry(list.left(), list.top() + 75, list.width(), 59);
}

void DownloadParametersDialog::setThumbnail(const QString &file)
{
    QLabel *label = ui->imageWidget;
    QImage image;
    if (!file.isEmpty()) {
        QImageReader reader(file);
        reader.setAutoTransform(true);
        image = reader.read();
        if (image.isNull())
            KEL_ERROR("Set downloadParametersDialog thumbnail failed. %s", qPrintable(file));
    }
    if (image.isNull()) {
        label->clear();
        label->setProperty("loaded", QStringLiteral("false"));
        KelSkin::repolish(label);
        return;
    }
    // Cropped to the frame's 16:9 with rounded corners, at the screen's
    // density.
    const QSize frame = ui->imageFrameWidget->minimumSize();
    const qreal ratio = label->devicePixelRatioF();
    const QSize pixels = frame * ratio;
    const QImage scaled = image.scaled(pixels, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
    const QImage cropped = scaled.copy((scaled.width() - pixels.width()) / 2, (scaled.height() - pixels.height()) / 2,
                                       pixels.width(), pixels.height());
    QPixmap rounded(pixels);
    rounded.fill(Qt::transparent);
    {
        QPainter painter(&rounded);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath clip;
        clip.addRoundedRect(QRectF(QPointF(0, 0), QSizeF(pixels)), ThumbnailRadius * ratio, ThumbnailRadius * ratio);
        painter.setClipPath(clip);
        painter.drawImage(0, 0, cropped);
    }
    rounded.setDevicePixelRatio(ratio);
    label->setPixmap(rounded);
    label->setProperty("loaded", QStringLiteral("true"));
    KelSkin::repolish(label);
}

bool DownloadParametersDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui->videoTitleLabel && event->type() == QEvent::Resize)
        updateTitle();
    return PopupDialog::eventFilter(watched, event);
}

void DownloadParametersDialog::showEvent(QShowEvent *event)
{
    PopupDialog::showEvent(event);
    if (state != Received)
        placeWaitingWidgets();
    updateTitle();
}

void DownloadParametersDialog::resizeEvent(QResizeEvent *event)
{
    PopupDialog::resizeEvent(event);
    if (state != Received)
        placeWaitingWidgets();
}

} // namespace Tarn
