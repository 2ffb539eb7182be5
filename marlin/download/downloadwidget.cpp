#include "marlin/download/downloadwidget.h"

#include "ui_downloadlistpage.h"
#include "ui_downloadwidget.h"

#include "kelframe/kelskin.h"
#include "marlin/download/downloadlistmodel.h"
#include "marlin/download/downloadlistsortproxymodel.h"
#include "marlin/mainwindow/mainwindowutils.h"
#include "marlin/platform/desktopfiles.h"
#include "marlin/quality/getmediainfoerrordialog.h"
#include "tarncore/download/appcontext.h"
#include "tarncore/download/downloaditem.h"
#include "tarncore/download/downloadlist.h"
#include "tarncore/settings/settingsmanager.h"
#include "widgetkit/balloonmessage.h"
#include "widgetkit/listselectionmodel.h"
#include "widgetkit/listtableview.h"
#include "widgetkit/listthumbview.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QMenu>
#include <QTimer>
#include <QUrl>

#include <algorithm>

namespace Tarn {

namespace {

SettingsManager *settings()
{
    return AppContext::instance()->getSettingsManager();
}

bool canConvert(const DownloadItem *item)
{
    switch (item->getStatus()) {
    case DownloadItem::Ready:
    case DownloadItem::Waiting:
    case DownloadItem::Downloading:
    case DownloadItem::Finished:
        return true;
    default:
        return false;
    }
}

const QString DownloadMessageId = QStringLiteral("download");

// The back end's words without the extractor tool's plea for bug reports,
// which tells the user nothing about this download.
QString readableReason(const QString &text)
{
    QString reason = text.trimmed();
    const qsizetype plea = reason.indexOf(QLatin1String("; please report this issue"), 0, Qt::CaseInsensitive);
    if (plea > 0)
        reason.truncate(plea);
    return reason.trimmed();
}

} // namespace

DownloadWidget::DownloadWidget(QWidget *parent)
    : KelWidget(parent)
    , ui(new Ui::DownloadWidgetUi)
    , model(new DownloadListModel(this))
    , sortModel(new DownloadListSortProxyModel(this))
{
    setObjectName(QStringLiteral("downloadWidget"));
    // A page inside the main window: it neither moves nor sizes itself.
    setMovable(false);
    setResizable(false);
    ui->setupUi(this);
    ui->gettingStartTopArea->setAttribute(Qt::WA_StyledBackground);
    // The labels' style properties ("dim", "guideStep") are set in the form,
    // before the pages are first styled.
    const QList<KelIconLabel *> images = {ui->imageLabel1, ui->imageLabel2, ui->imageLabel3, ui->imageLabel4};
    const QStringList pictures = {QStringLiteral("guide-paste"), QStringLiteral("guide-download"),
                                  QStringLiteral("guide-advanced"), QStringLiteral("guide-convert")};
    for (int i = 0; i < images.size(); ++i) {
        images.at(i)->setIconName(pictures.at(i));
        images.at(i)->setIconSize(40);
    }
    const QList<QLabel *> steps = {ui->stepLabel1, ui->stepLabel2, ui->stepLabel3, ui->stepLabel4};
    for (int i = 0; i < steps.size(); ++i) {
        steps.at(i)->setText(QString::number(i + 1));
        steps.at(i)->setAlignment(Qt::AlignCenter);
        steps.at(i)->setFixedSize(22, 22);
    }
    for (QLabel *info : {ui->infoLabel1, ui->infoLabel2, ui->infoLabel3, ui->infoLabel4})
        info->setMinimumWidth(380);

    sortModel->setSourceModel(model);
    selectionModel = new ListSelectionModel(sortModel, this);

    createActions();
    createMenus();
    applyIcons();
    connect(KelSkin::instance(), &KelSkin::skinChanged, this, &DownloadWidget::applyIcons);

    connect(model, &QAbstractItemModel::rowsInserted, this, &DownloadWidget::onListSizeChanged);
    connect(model, &QAbstractItemModel::rowsRemoved, this, &DownloadWidget::onListSizeChanged);
    connect(model, &QAbstractItemModel::modelReset, this, &DownloadWidget::onListReset);
    connect(model, &DownloadListModel::itemStatusChanged, this, &DownloadWidget::updateActionStatus);
    connect(selectionModel, &QItemSelectionModel::selectionChanged, this, &DownloadWidget::onViewSelectionChanged);

    // The mode of the last run, stored again so that it is on record.
    settings()->setDownloadViewShowMode(settings()->downloadViewShowMode());

    retranslate();
    updatePage();
    updateActionStatus();
}

DownloadWidget::~DownloadWidget()
{
    delete listUi;
    delete ui;
}

// The list page with its views is made when there is a first item to show
// (or a caller asks for a view): a start with an empty list shows the quick
// guide and never pays for it.
void DownloadWidget::ensureListPage()
{
    if (listUi)
        return;
    listUi = new Ui::DownloadListPageUi;
    listUi->setupUi(ui->downloadListPage);

    listUi->convertBtn->setDefaultAction(actConvert);
    listUi->folderBtn->setDefaultAction(actOpenFolder);
    listUi->removeBtn->setDefaultAction(actRemove);
    listUi->cleanBtn->setDefaultAction(actClear);
    listUi->convertBtn->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    for (QToolButton *button : {listUi->convertBtn, listUi->folderBtn, listUi->removeBtn, listUi->cleanBtn,
                                listUi->listModeBtn, listUi->thumbnailModeBtn}) {
        button->setIconSize(QSize(16, 16));
        button->setFocusPolicy(Qt::TabFocus);
    }
    setUpViews();
    applyIcons();
    retranslate();

    const bool grid = settings()->downloadViewShowMode() == ListViewShowModeThumbnail;
    listUi->listModeBtn->setChecked(!grid);
    listUi->thumbnailModeBtn->setChecked(grid);
    QWidget *view = grid ? static_cast<QWidget *>(listUi->downloadListThumbView)
                         : static_cast<QWidget *>(listUi->downloadListTableView);
    listUi->downloadListStackedWidget->setCurrentWidget(view);
    setFocusProxy(view);
    connect(listUi->listModeBtn, &QToolButton::toggled, this, &DownloadWidget::onDetailListMode);
    connect(listUi->thumbnailModeBtn, &QToolButton::toggled, this, &DownloadWidget::onThumbnailMode);
}

Ui::DownloadListPageUi *DownloadWidget::listPage() const
{
    const_cast<DownloadWidget *>(this)->ensureListPage();
    return listUi;
}

void DownloadWidget::createActions()
{
    auto make = [this](void (DownloadWidget::*slot)()) {
        auto *action = new QAction(this);
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    actConvert = make(&DownloadWidget::onConvert);
    actOpenFolder = make(&DownloadWidget::onOpenFolder);
    actStart = make(&DownloadWidget::onStart);
    actOtherQuality = make(&DownloadWidget::onDownloadOtherFormat);
    actRemove = make(&DownloadWidget::onRemove);
    actClear = make(&DownloadWidget::onClearFinishedItems);
    actOpenUrl = make(&DownloadWidget::onOpenUrl);
    actRowConvert = make(&DownloadWidget::onConvert);
    actRowOpenFolder = make(&DownloadWidget::onOpenFolder);
    actRowRemove = make(&DownloadWidget::onRemove);
}

void DownloadWidget::createMenus()
{
    menuItem = new QMenu(this);
    menuItem->addAction(actConvert);
    menuItem->addSeparator();
    menuItem->addAction(actStart);
    menuItem->addAction(actOtherQuality);
    menuItem->addSeparator();
    menuItem->addAction(actOpenUrl);
    menuItem->addAction(actOpenFolder);
    menuItem->addSeparator();
    menuItem->addAction(actRemove);
    menuItem->addAction(actClear);

    menuEmpty = new QMenu(this);
    menuEmpty->addAction(actClear);
}

void DownloadWidget::setUpViews()
{
    ListTableView *table = listUi->downloadListTableView;
    ListThumbView *grid = listUi->downloadListThumbView;
    const QList<QAction *> rowActions = {actRowConvert, actRowOpenFolder, actRowRemove, actRowConvert};

    table->setModel(sortModel);
    grid->setModel(sortModel);
    // One selection for both views: switching views keeps it.
    for (QAbstractItemView *view : {static_cast<QAbstractItemView *>(table), static_cast<QAbstractItemView *>(grid)}) {
        QItemSelectionModel *own = view->selectionModel();
        view->setSelectionModel(selectionModel);
        if (own != selectionModel)
            delete own;
        connect(view, &QAbstractItemView::doubleClicked, this, &DownloadWidget::onItemDoubleClicked);
    }
    // The style sheet names the live columns; set them here too so that the
    // page works before a sheet is applied.
    table->setThumbnailColumn(DownloadListModel::ThumbnailColumn);
    table->setToolBarColumn(DownloadListModel::TitleColumn);
    table->setProgressBarColumn(DownloadListModel::StatusColumn);
    table->setRowActions(rowActions);
    grid->setRowActions(rowActions);

    QHeaderView *header = table->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setMinimumSectionSize(48);
    for (int column = 0; column < DownloadListModel::ColumnCount; ++column)
        table->setColumnWidth(column, DownloadListModel::columnWidth(column));
    header->setSectionResizeMode(DownloadListModel::ThumbnailColumn, QHeaderView::Fixed);
    // The title takes the room the other columns leave.
    header->setStretchLastSection(false);
    header->setSectionResizeMode(DownloadListModel::TitleColumn, QHeaderView::Stretch);
    header->setSortIndicator(-1, Qt::AscendingOrder);
    header->setSortIndicatorShown(true);
    table->setSortingEnabled(true);

    for (auto *view : {static_cast<QWidget *>(table), static_cast<QWidget *>(grid)}) {
        if (auto *t = qobject_cast<ListTableView *>(view)) {
            connect(t, &ListTableView::rightButtonClicked, this, &DownloadWidget::onRightButtonClickedOnView);
            connect(t, &ListTableView::mouseOverRow, this, &DownloadWidget::onMouseOverRow);
            connect(t, &ListTableView::remove, this, &DownloadWidget::onRemove);
        } else if (auto *g = qobject_cast<ListThumbView *>(view)) {
            connect(g, &ListThumbView::rightButtonClicked, this, &DownloadWidget::onRightButtonClickedOnView);
            connect(g, &ListThumbView::mouseOverRow, this, &DownloadWidget::onMouseOverRow);
            connect(g, &ListThumbView::remove, this, &DownloadWidget::onRemove);
        }
    }
}

void DownloadWidget::applyIcons()
{
    actConvert->setIcon(KelSkin::icon(QStringLiteral("convert")));
    actRowConvert->setIcon(KelSkin::icon(QStringLiteral("convert")));
    actOpenFolder->setIcon(KelSkin::icon(QStringLiteral("open-folder")));
    actRowOpenFolder->setIcon(KelSkin::icon(QStringLiteral("open-folder")));
    actRemove->setIcon(KelSkin::icon(QStringLiteral("remove")));
    actRowRemove->setIcon(KelSkin::icon(QStringLiteral("remove")));
    actClear->setIcon(KelSkin::icon(QStringLiteral("clear")));
    actStart->setIcon(KelSkin::icon(QStringLiteral("start")));
    actOtherQuality->setIcon(KelSkin::icon(QStringLiteral("download")));
    actOpenUrl->setIcon(KelSkin::icon(QStringLiteral("link")));
    if (listUi) {
        listUi->listModeBtn->setIcon(KelSkin::icon(QStringLiteral("view-list")));
        listUi->thumbnailModeBtn->setIcon(KelSkin::icon(QStringLiteral("view-grid")));
    }
}

void DownloadWidget::retranslate()
{
    ui->guideTitleLabel->setText(tr("QUICK GUIDE"));
    ui->guideHintLabel->setText(tr("Your downloads will be listed here."));
    ui->infoLabel1->setText(tr("Paste YouTube URL"));
    ui->infoLabel2->setText(tr("Click DOWNLOAD button to download with preferred settings"));
    ui->infoLabel3->setText(tr("Click to download with custom settings"));
    ui->infoLabel4->setText(tr("Click CONVERT button to start the conversion"));

    actConvert->setText(tr("Convert"));
    actConvert->setToolTip(tr("Convert"));
    actOpenFolder->setText(tr("Open Destination Folder"));
    actOpenFolder->setToolTip(tr("Open Destination Folder"));
    actStart->setText(tr("Re-download"));
    actOtherQuality->setText(tr("Download in Different Quality..."));
    actRemove->setText(tr("Remove"));
    actRemove->setToolTip(tr("Remove"));
    actClear->setText(tr("Clear Finished Items"));
    actClear->setToolTip(tr("Clear Finished Items"));
    actOpenUrl->setText(tr("Open the URL"));
    actRowConvert->setText(tr("Convert"));
    actRowConvert->setToolTip(tr("Convert"));
    actRowOpenFolder->setText(tr("Open Destination Folder"));
    actRowOpenFolder->setToolTip(tr("Open Destination Folder"));
    actRowRemove->setText(tr("Remove"));
    actRowRemove->setToolTip(tr("Remove"));
    model->headerDataChanged(Qt::Horizontal, 0, DownloadListModel::ColumnCount - 1);
    if (listUi) {
        listUi->listModeBtn->setToolTip(tr("Details"));
        listUi->thumbnailModeBtn->setToolTip(tr("Thumbnails"));
        listUi->listModeBtn->setAccessibleName(tr("Details"));
        listUi->thumbnailModeBtn->setAccessibleName(tr("Thumbnails"));
    }
    updateSelectionLabel();
}

ListTableView *DownloadWidget::getTableView() const
{
    return listPage()->downloadListTableView;
}

ListThumbView *DownloadWidget::getThumbView() const
{
    return listPage()->downloadListThumbView;
}

bool DownloadWidget::isQuickGuideShown() const
{
    return ui->stackedWidget->currentWidget() == ui->gettingStartPage;
}

bool DownloadWidget::canAddDownload(const QString &url, const Kel::MediaProfile &quality)
{
    if (!model->list()->find(url, quality))
        return true;
    BalloonMessage::getInstance()->balloon(tr("Same download already existed."), DownloadMessageId);
    return false;
}

bool DownloadWidget::hasUrl(const QString &url) const
{
    return model->list()->find(url, Kel::MediaProfile()) != nullptr;
}

void DownloadWidget::onDownload(const QString &url)
{
    onDownload(url, DownloadParameters());
}

void DownloadWidget::onDownload(const QString &url, const DownloadParameters &param)
{
    const QString folder = settings()->getDownloadDestDir();
    if (!QDir().mkpath(folder)) {
        MainWindowUtils::alert(tr("The folder \"%1\" does not exist.").arg(QDir::toNativeSeparators(folder)));
        return;
    }
    auto *item = new DownloadItem(url);
    connect(item, qOverload<int, QVariant>(&DownloadItem::error), this, &DownloadWidget::onError);
    connect(item, &DownloadItem::downloadFinished, this, &DownloadWidget::onDownloadFinished);
    connect(item, &DownloadItem::exportFinished, this, &DownloadWidget::onExportFinished);
    connect(item, &DownloadItem::getMediaInfoError, this, &DownloadWidget::onGetMediaInfoError);
    if (param.isValid())
        item->setDownloadParameters(param);
    model->append(item);
    item->start();
    ensureListPage();
    ui->stackedWidget->setCurrentWidget(ui->downloadListPage);
    BalloonMessage::getInstance()->balloon(tr("Added to the downloading list."), QStringLiteral("download-added"),
                                           QString(), BalloonMessage::DisableOptionMode);
    setFocus(Qt::OtherFocusReason);
}

QList<DownloadItem *> DownloadWidget::selectedItems() const
{
    QList<int> rows;
    for (const QModelIndex &index : selectionModel->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    QList<DownloadItem *> items;
    for (int row : std::as_const(rows)) {
        if (DownloadItem *item = model->item(sortModel->mapToSource(sortModel->index(row, 0))))
            items.append(item);
    }
    return items;
}

int DownloadWidget::selectedCount() const
{
    return int(selectionModel->selectedRows().size());
}

QString DownloadWidget::selectionText() const
{
    return listPage()->selectionLabel->text();
}

DownloadItem *DownloadWidget::hoveredItem() const
{
    if (hoveredRow < 0)
        return nullptr;
    return model->item(sortModel->mapToSource(sortModel->index(hoveredRow, 0)));
}

QWidget *DownloadWidget::currentView() const
{
    return listPage()->downloadListStackedWidget->currentWidget();
}

QString DownloadWidget::itemName(DownloadItem *item) const
{
    return item->getTitle().isEmpty() ? item->getUrl() : item->getTitle();
}

void DownloadWidget::updatePage()
{
    QWidget *page = model->rowCount() > 0 ? ui->downloadListPage : ui->gettingStartPage;
    if (ui->stackedWidget->currentWidget() == page)
        return;
    if (page == ui->downloadListPage)
        ensureListPage();
    const bool hadFocus = isAncestorOf(QApplication::focusWidget());
    ui->stackedWidget->setCurrentWidget(page);
    if (hadFocus && page == ui->downloadListPage)
        currentView()->setFocus(Qt::OtherFocusReason);
}

void DownloadWidget::updateSelectionLabel()
{
    if (!listUi)
        return;
    const int count = selectedCount();
    listUi->selectionLabel->setText(count == 1 ? tr("%1 item selected").arg(count) : tr("%1 items selected").arg(count));
}

void DownloadWidget::updateActionStatus()
{
    const QList<DownloadItem *> items = selectedItems();
    const bool anyConvertible = std::any_of(items.cbegin(), items.cend(), canConvert);
    const bool anyRestartable =
        std::any_of(items.cbegin(), items.cend(), [](const DownloadItem *item) { return item->canRestart(); });
    const bool single = items.size() == 1 && items.first()->getStatus() != DownloadItem::NotReady
        && items.first()->getStatus() != DownloadItem::Analysing;
    const QList<DownloadItem *> &all = model->list()->getItems();
    const bool anyFinished = std::any_of(all.cbegin(), all.cend(), [](const DownloadItem *item) {
        return item->getStatus() == DownloadItem::Finished;
    });
    DownloadItem *hovered = hoveredItem();

    actConvert->setEnabled(anyConvertible);
    actRemove->setEnabled(!items.isEmpty());
    actStart->setEnabled(anyRestartable);
    actOtherQuality->setEnabled(single);
    actClear->setEnabled(anyFinished);
    actOpenUrl->setEnabled(!items.isEmpty());
    actOpenFolder->setEnabled(true);
    actRowOpenFolder->setEnabled(hovered != nullptr);
    actRowRemove->setEnabled(hovered != nullptr);
    actRowConvert->setEnabled(hovered && canConvert(hovered));
}

void DownloadWidget::onViewSelectionChanged(const QItemSelection &, const QItemSelection &)
{
    updateSelectionLabel();
    updateActionStatus();
}

void DownloadWidget::onMouseOverRow(int row)
{
    hoveredRow = row;
    updateActionStatus();
}

void DownloadWidget::onListSizeChanged(const QModelIndex &parent, int, int)
{
    if (parent.isValid())
        return;
    updatePage();
    updateSelectionLabel();
    updateActionStatus();
    emit listSizeChanged(model->rowCount());
}

void DownloadWidget::onListReset()
{
    hoveredRow = -1;
    updatePage();
    updateSelectionLabel();
    updateActionStatus();
    emit listSizeChanged(model->rowCount());
}

void DownloadWidget::onConvert()
{
    QList<DownloadItem *> items;
    for (DownloadItem *item : selectedItems()) {
        if (item->getStatus() > DownloadItem::Analysing)
            items.append(item);
    }
    if (!items.isEmpty())
        emit convert(items, false);
}

void DownloadWidget::onDownloadFinished()
{
    auto *item = qobject_cast<DownloadItem *>(sender());
    if (!item || model->row(item) < 0)
        return;
    updateActionStatus();
    if (settings()->getConvertOptionMode() == ConvertOptionQuick)
        emit convert({item}, true);
}

void DownloadWidget::onExportFinished(const QString &)
{
}

void DownloadWidget::onInfo()
{
}

void DownloadWidget::onRemove()
{
    const QList<DownloadItem *> items = selectedItems();
    if (items.isEmpty())
        return;
    const bool working =
        std::any_of(items.cbegin(), items.cend(), [](const DownloadItem *item) { return item->isWorking(); });
    if (working
        && MainWindowUtils::question(tr("The video is being downloaded. Are you sure you want to remove it?"),
                                     QString())
            != QDialogButtonBox::Yes)
        return;
    // The items may have changed while the question was up.
    QList<DownloadItem *> still;
    for (DownloadItem *item : items) {
        if (model->row(item) >= 0)
            still.append(item);
    }
    removeItems(still);
}

void DownloadWidget::removeItems(const QList<DownloadItem *> &items)
{
    if (items.isEmpty())
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    int firstViewRow = INT_MAX;
    QList<int> rows;
    for (DownloadItem *item : items) {
        const int row = model->row(item);
        if (row < 0)
            continue;
        firstViewRow = qMin(firstViewRow, sortModel->mapFromSource(model->index(row, 0)).row());
        item->cancel();
        rows.append(row);
    }
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    for (int row : std::as_const(rows))
        model->removeItem(row);
    if (model->rowCount() > 0 && firstViewRow != INT_MAX) {
        getTableView()->onSelect(qMin(firstViewRow, model->rowCount() - 1));
    }
    QApplication::restoreOverrideCursor();
}

void DownloadWidget::onClearFinishedItems()
{
    for (int row = model->rowCount() - 1; row >= 0; --row) {
        if (model->item(row)->getStatus() == DownloadItem::Finished)
            model->removeItem(row);
    }
}

void DownloadWidget::onStart()
{
    for (DownloadItem *item : selectedItems())
        item->start();
}

void DownloadWidget::onDownloadOtherFormat()
{
    const QList<DownloadItem *> items = selectedItems();
    if (!items.isEmpty())
        emit downloadOtherFormat(items.first()->getUrl());
}

void DownloadWidget::onOpenFolder()
{
    const QList<DownloadItem *> items = selectedItems();
    if (items.isEmpty() || items.first()->getDestFile().isEmpty()) {
        DesktopFiles::openFolder(settings()->getDownloadDestDir());
        return;
    }
    openFolderOf(items.first());
}

void DownloadWidget::openFolderOf(DownloadItem *item)
{
    const QFileInfo file(item->getDestFile());
    if (file.isFile()) {
        DesktopFiles::showInFolder(file.absoluteFilePath());
    } else if (file.absoluteDir().exists()) {
        DesktopFiles::openFolder(file.absolutePath());
    } else {
        DesktopFiles::openFolder(settings()->getDownloadDestDir());
    }
}

void DownloadWidget::onOpenUrl()
{
    const QList<DownloadItem *> items = selectedItems();
    if (items.isEmpty())
        return;
    if (!DesktopFiles::openUrl(QUrl(items.first()->getUrl())))
        BalloonMessage::getInstance()->balloon(tr("No web browser could open the address."), DownloadMessageId,
                                               QStringLiteral("warning"), BalloonMessage::PlainMode);
}

void DownloadWidget::onItemDoubleClicked(const QModelIndex &index)
{
    DownloadItem *item = model->item(sortModel->mapToSource(index));
    if (!item || item->getStatus() == DownloadItem::Failed)
        return;
    if (item->isWorking()) {
        BalloonMessage::getInstance()->balloon(tr("Downloading ..."), DownloadMessageId);
        return;
    }
    openFileOf(item);
}

void DownloadWidget::openFileOf(DownloadItem *item)
{
    const QString file = item->getDestFile();
    if (!QFileInfo(file).isFile()) {
        BalloonMessage::getInstance()->balloon(tr("The downloaded file is no longer there."), DownloadMessageId,
                                               QStringLiteral("warning"), BalloonMessage::PlainMode);
        return;
    }
    DesktopFiles::openFile(file, this, [file](bool opened) {
        if (opened)
            return;
        // No program is set up for the file: show it where it lies.
        DesktopFiles::showInFolder(file);
        BalloonMessage::getInstance()->balloon(
            tr("No program is set up to open this file, so its folder is shown instead."), DownloadMessageId);
    });
}

void DownloadWidget::onRightButtonClickedOnView(const QPoint &globalPos, int row)
{
    updateActionStatus();
    if (row < 0) {
        menuEmpty->popup(globalPos);
        return;
    }
    menuItem->popup(globalPos, actConvert);
    menuItem->setActiveAction(actConvert);
}

void DownloadWidget::onDetailListMode(bool checked)
{
    if (checked)
        showViewMode(ListViewShowModeTable, true);
}

void DownloadWidget::onThumbnailMode(bool checked)
{
    if (checked)
        showViewMode(ListViewShowModeThumbnail, true);
}

void DownloadWidget::showViewMode(int mode, bool store)
{
    const bool grid = mode == ListViewShowModeThumbnail;
    {
        const QSignalBlocker listBlocker(listPage()->listModeBtn);
        const QSignalBlocker gridBlocker(listUi->thumbnailModeBtn);
        listUi->listModeBtn->setChecked(!grid);
        listUi->thumbnailModeBtn->setChecked(grid);
    }
    QWidget *view = grid ? static_cast<QWidget *>(listUi->downloadListThumbView)
                         : static_cast<QWidget *>(listUi->downloadListTableView);
    const bool hadFocus = isAncestorOf(QApplication::focusWidget());
    listUi->downloadListStackedWidget->setCurrentWidget(view);
    setFocusProxy(view);
    if (store)
        settings()->setDownloadViewShowMode(grid ? ListViewShowModeThumbnail : ListViewShowModeTable);
    if (hadFocus || isVisible())
        view->setFocus(Qt::OtherFocusReason);
}

void DownloadWidget::onError(int errorCode, const QVariant &arg)
{
    auto *item = qobject_cast<DownloadItem *>(sender());
    switch (errorCode) {
    case DownloadItem::DownloadFailed: {
        const QString reason = readableReason(arg.toString());
        if (item)
            model->setFailureReason(item, reason);
        pendingFailures.append({item ? itemName(item) : QString(), reason});
        if (!failuresQueued) {
            failuresQueued = true;
            queueNotice([this] { showFailures(); });
        }
        break;
    }
    case DownloadItem::ItunesImportFailed:
        BalloonMessage::getInstance()->balloon(
            tr("Failed to transfer to iTunes: %1").arg(BalloonMessage::singleLineString(arg.toString())),
            DownloadMessageId);
        break;
    case DownloadItem::ItunesNotInstalled:
        BalloonMessage::getInstance()->balloon(tr("Please install iTunes first."), DownloadMessageId);
        break;
    case DownloadItem::MediaInfoFailed: {
        if (item)
            model->setFailureReason(item, tr("The page's media information could not be read."));
        const QString text = tr("Getting media information failed: %1").arg(arg.toString());
        queueNotice([text] { MainWindowUtils::alert(text); });
        break;
    }
    default:
        break;
    }
}

void DownloadWidget::showFailures()
{
    failuresQueued = false;
    const QList<QPair<QString, QString>> failures = pendingFailures;
    pendingFailures.clear();
    QStringList parts;
    for (const auto &failure : failures) {
        QString part = failure.first;
        if (!failure.second.isEmpty())
            part += (part.isEmpty() ? QString() : QStringLiteral("\n")) + failure.second;
        if (!part.isEmpty())
            parts.append(part);
    }
    QString text = tr("Failed to download videos.");
    if (!parts.isEmpty())
        text += QStringLiteral("\n\n") + parts.join(QStringLiteral("\n\n"));
    MainWindowUtils::alert(text);
}

void DownloadWidget::queueNotice(const std::function<void()> &show)
{
    notices.append(show);
    if (!noticeShowing && notices.size() == 1)
        QTimer::singleShot(0, this, &DownloadWidget::showNextNotice);
}

void DownloadWidget::showNextNotice()
{
    if (noticeShowing || notices.isEmpty())
        return;
    noticeShowing = true;
    const std::function<void()> show = notices.takeFirst();
    show();
    noticeShowing = false;
    if (!notices.isEmpty())
        QTimer::singleShot(0, this, &DownloadWidget::showNextNotice);
}

void DownloadWidget::onGetMediaInfoError(const QString &url, const QString &detail)
{
    QString text = detail;
    text.remove(QStringLiteral("(with --proxy) "));
    if (auto *item = qobject_cast<DownloadItem *>(sender()))
        model->setFailureReason(item, readableReason(text.section(QLatin1Char('\n'), 0, 0)));
    const QString info = tr("Getting media information failed: %1").arg(url);
    queueNotice([this, info, text] {
        GetMediaInfoErrorDialog dialog(window());
        dialog.setInfo(info);
        dialog.setDetail(text);
        MainWindowUtils::exec(&dialog);
    });
}

} // namespace Tarn
