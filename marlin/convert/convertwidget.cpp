#include "marlin/convert/convertwidget.h"

#include "ui_convertwidget.h"

#include "kelframe/kelfolders.h"
#include "kelframe/kelpref.h"
#include "kelframe/kelskin.h"
#include "marlin/convert/convertlistmodel.h"
#include "marlin/convert/convertlistsortproxymodel.h"
#include "marlin/convert/convertlisttoolbardelegate.h"
#include "marlin/convertparameters/convertparametersdialog.h"
#include "marlin/mainwindow/mainwindowutils.h"
#include "marlin/platform/desktopfiles.h"
#include "shared/kellog.h"
#include "tarncore/convert/convertitem.h"
#include "tarncore/convert/convertmanager.h"
#include "tarncore/download/appcontext.h"
#include "tarncore/download/convertlist.h"
#include "tarncore/settings/settingsmanager.h"
#include "widgetkit/balloonmessage.h"
#include "widgetkit/listitemtoolbar.h"
#include "widgetkit/listselectionmodel.h"
#include "widgetkit/listtableview.h"
#include "widgetkit/listthumbview.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QHeaderView>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QTimer>
#include <QVector>

#include <algorithm>

namespace Tarn {

namespace {

SettingsManager *settings()
{
    return AppContext::instance()->getSettingsManager();
}

const QString ConvertMessageId = QStringLiteral("convert");
const QString LastOpenFileDirKey = QStringLiteral("last_openfile_dir");
const char SupportedFilePatterns[] =
    "*.3gp;*.3g2;*.asf;*.avi;*.cda;*.dat;*.dv;*.dvr-ms;*.dif;*.vob;*.flv;*.m2ts;*.mts;*.m4v;*.mp4;*.mkv;"
    "*.mjpeg;*.mod;*.mov;*.mpg;*.mpeg;*.mpa;*.nsv;*.qt;*.rm;*.rmvb;*.tod;*.ts;*.wmv;*.webm";

bool canRestart(const ConvertItem *item)
{
    return item->getStatus() == ConvertItem::StatusPaused || item->getStatus() == ConvertItem::StatusError;
}

bool canPause(const ConvertItem *item)
{
    return item->getStatus() == ConvertItem::StatusStarting || item->getStatus() == ConvertItem::StatusConverting;
}

bool isQueued(const ConvertItem *item)
{
    return item->getStatus() == ConvertItem::StatusReady || canPause(item);
}

// The folder the conversions are written to, as the items name their files.
QString convertFolder()
{
    return settings()->getConvertSaveMode() == ConvertSaveInDownloadDir ? settings()->getDownloadDestDir()
                                                                         : settings()->getConvertDestDir();
}

QString sourceName(const ConvertItem *item)
{
    const QString file = item->getConvertParameters().getSrcFile();
    return QFileInfo(file.isEmpty() ? item->getSrcMediaInfo().mediaFile : file).fileName();
}

} // namespace

ConvertWidget::ConvertWidget(QWidget *parent)
    : KelWidget(parent)
    , ui(new Ui::ConvertWidgetUi)
    , model(new ConvertListModel(this))
    , sortModel(new ConvertListSortProxyModel(this))
    , toolBarDelegate(new ConvertListToolBarDelegate(this))
{
    setObjectName(QStringLiteral("convertWidget"));
    // A page inside the main window: it neither moves nor sizes itself.
    setMovable(false);
    setResizable(false);
    setAcceptDrops(true);
    ui->setupUi(this);
    ui->emptyHintArea->setAttribute(Qt::WA_StyledBackground);
    ui->emptyHintLabel->setProperty("dim", QStringLiteral("true"));
    ui->selectedItemsLabel->setProperty("dim", QStringLiteral("true"));
    KelSkin::repolish(ui->emptyHintLabel);
    KelSkin::repolish(ui->selectedItemsLabel);
    ui->emptyImageLabel->setIconName(QStringLiteral("guide-convert"));
    ui->emptyImageLabel->setIconSize(48);
    ui->emptyHintLabel->setMinimumWidth(340);
    ui->emptyAddBtn->setProperty("primary", QStringLiteral("true"));
    KelSkin::repolish(ui->emptyAddBtn);
    ui->emptyAddBtn->setAutoDefault(false);

    sortModel->setSourceModel(model);
    selectionModel = new ListSelectionModel(sortModel, this);

    createActions();
    createMenus();
    setUpViews();
    applyIcons();
    connect(KelSkin::instance(), &KelSkin::skinChanged, this, &ConvertWidget::applyIcons);

    connect(model, &QAbstractItemModel::rowsInserted, this, &ConvertWidget::onListSizeChanged);
    connect(model, &QAbstractItemModel::rowsRemoved, this, &ConvertWidget::onListSizeChanged);
    connect(model, &QAbstractItemModel::modelReset, this, &ConvertWidget::onListReset);
    connect(model, &ConvertListModel::itemStatusChanged, this, &ConvertWidget::updateActionStatus);
    connect(selectionModel, &QItemSelectionModel::selectionChanged, this, &ConvertWidget::onViewSelectionChanged);
    // Dropped files are taken once the drop has ended: the profile dialog
    // must not run inside the drag.
    connect(this, &ConvertWidget::addFiles, this, &ConvertWidget::onAddFiles, Qt::QueuedConnection);
    // The main window dims while the file dialog is up.
    MainWindowUtils *utils = MainWindowUtils::instance();
    connect(this, &ConvertWidget::showMainWindowDarkShadow, utils, &MainWindowUtils::notifyShowDarkShadow);
    connect(this, &ConvertWidget::hideMainWindowDarkShadow, utils, &MainWindowUtils::notifyClearDarkShadow);

    connect(ui->listModeBtn, &QToolButton::toggled, this, &ConvertWidget::onDetailListMode);
    connect(ui->thumbModeBtn, &QToolButton::toggled, this, &ConvertWidget::onThumbnailMode);
    connect(ui->emptyAddBtn, &QPushButton::clicked, this, &ConvertWidget::onAdd);
    // The mode of the last run, stored again so that it is on record.
    showViewMode(settings()->convertViewShowMode(), true);

    retranslate();
    updatePage();
    updateActionStatus();
}

ConvertWidget::~ConvertWidget()
{
    delete ui;
}

QStringList ConvertWidget::supportedPatterns()
{
    return QString::fromLatin1(SupportedFilePatterns).split(QLatin1Char(';'));
}

bool ConvertWidget::isSupportedFile(const QString &file)
{
    const QFileInfo info(file);
    if (!info.exists() || info.isSymLink() || !info.isFile())
        return false;
    return supportedPatterns().contains(QStringLiteral("*.%1").arg(info.suffix().toLower()));
}

void ConvertWidget::createActions()
{
    auto make = [this](void (ConvertWidget::*slot)()) {
        auto *action = new QAction(this);
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    actStart = make(&ConvertWidget::onStart);
    actPause = make(&ConvertWidget::onPause);
    actStartAll = make(&ConvertWidget::onStartAll);
    actPauseAll = make(&ConvertWidget::onPauseAll);
    actOpenFolder = make(&ConvertWidget::onOpenFolder);
    actRemove = make(&ConvertWidget::onRemove);
    actClear = make(&ConvertWidget::onClearFinishedItems);
    actAdd = make(&ConvertWidget::onAdd);
    actRowStart = make(&ConvertWidget::onStart);
    actRowPause = make(&ConvertWidget::onPause);
    actRowOpenFolder = make(&ConvertWidget::onOpenFolder);
    actRowRemove = make(&ConvertWidget::onRemove);

    ui->startBtn->setDefaultAction(actStart);
    ui->pauseBtn->setDefaultAction(actPause);
    ui->addBtn->setDefaultAction(actAdd);
    ui->openFolderBtn->setDefaultAction(actOpenFolder);
    ui->removeBtn->setDefaultAction(actRemove);
    ui->cleanBtn->setDefaultAction(actClear);
    ui->addBtn->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    for (QToolButton *button : {ui->startBtn, ui->pauseBtn, ui->addBtn, ui->openFolderBtn, ui->removeBtn,
                                ui->cleanBtn, ui->listModeBtn, ui->thumbModeBtn}) {
        button->setIconSize(QSize(16, 16));
        button->setFocusPolicy(Qt::TabFocus);
    }
}

void ConvertWidget::createMenus()
{
    menuItem = new QMenu(this);
    menuItem->addAction(actStart);
    menuItem->addAction(actPause);
    menuItem->addSeparator();
    menuItem->addAction(actStartAll);
    menuItem->addAction(actPauseAll);
    menuItem->addSeparator();
    menuItem->addAction(actOpenFolder);
    menuItem->addSeparator();
    menuItem->addAction(actRemove);
    menuItem->addAction(actClear);
    menuItem->addSeparator();
    menuItem->addAction(actAdd);

    menuEmpty = new QMenu(this);
    menuEmpty->addAction(actStartAll);
    menuEmpty->addAction(actPauseAll);
    menuEmpty->addSeparator();
    menuEmpty->addAction(actClear);
    menuEmpty->addSeparator();
    menuEmpty->addAction(actAdd);
}

void ConvertWidget::setUpViews()
{
    ListTableView *table = ui->convertListTableView;
    ListThumbView *grid = ui->convertListThumbView;
    // The first tool button turns from start into pause.
    const QList<QAction *> rowActions = {actRowStart, actRowOpenFolder, actRowRemove, actRowPause};

    table->setModel(sortModel);
    grid->setModel(sortModel);
    // One selection for both views: switching views keeps it.
    for (QAbstractItemView *view : {static_cast<QAbstractItemView *>(table), static_cast<QAbstractItemView *>(grid)}) {
        QItemSelectionModel *own = view->selectionModel();
        view->setSelectionModel(selectionModel);
        if (own != selectionModel)
            delete own;
        connect(view, &QAbstractItemView::doubleClicked, this, &ConvertWidget::onItemDoubleClicked);
    }
    // The style sheet names the live columns; set them here too so that the
    // page works before a sheet is applied.
    table->setToolBarDelegate(toolBarDelegate);
    table->setThumbnailColumn(ConvertListModel::ThumbnailColumn);
    table->setToolBarColumn(ConvertListModel::FileColumn);
    table->setProgressBarColumn(ConvertListModel::StatusColumn);
    table->setRowActions(rowActions);
    grid->setRowActions(rowActions);

    QHeaderView *header = table->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setMinimumSectionSize(48);
    for (int column = 0; column < ConvertListModel::ColumnCount; ++column)
        table->setColumnWidth(column, ConvertListModel::columnWidth(column));
    header->setSectionResizeMode(ConvertListModel::ThumbnailColumn, QHeaderView::Fixed);
    // The file name takes the room the other columns leave.
    header->setStretchLastSection(false);
    header->setSectionResizeMode(ConvertListModel::FileColumn, QHeaderView::Stretch);
    table->viewport()->installEventFilter(this);
    header->setSortIndicator(-1, Qt::AscendingOrder);
    header->setSortIndicatorShown(true);
    table->setSortingEnabled(true);

    connect(table, &ListTableView::rightButtonClicked, this, &ConvertWidget::onRightButtonClickedOnView);
    connect(table, &ListTableView::mouseOverRow, this, &ConvertWidget::onMouseOverRow);
    connect(table, &ListTableView::remove, this, &ConvertWidget::onRemove);
    connect(grid, &ListThumbView::rightButtonClicked, this, &ConvertWidget::onRightButtonClickedOnView);
    connect(grid, &ListThumbView::mouseOverRow, this, &ConvertWidget::onMouseOverRow);
    connect(grid, &ListThumbView::remove, this, &ConvertWidget::onRemove);
}

bool ConvertWidget::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Resize && watched == getTableView()->viewport())
        fitColumns();
    return KelWidget::eventFilter(watched, event);
}

void ConvertWidget::fitColumns()
{
    // In a narrow window the columns beside the file name give up room, down
    // to what their headings need, before the status column slides out of
    // sight behind a horizontal scroll bar; widened again, they get their
    // own widths back.
    ListTableView *table = getTableView();
    QHeaderView *header = table->horizontalHeader();
    const int first = ConvertListModel::ResolutionColumn;
    const int last = ConvertListModel::StatusColumn;
    const int minimumFile = 140;
    // The widest values the narrow columns commonly hold; the profile names
    // of the format column are elided instead.
    const QString widest[] = {QStringLiteral("3840x2160"), QString(), QStringLiteral("1:27:14"),
                              QStringLiteral("999MB"), QString()};
    const QFontMetrics headingMetrics(header->font());
    const QFontMetrics valueMetrics(table->font());
    int wanted = 0;
    int spare = 0;
    QVector<int> floors(last + 1, 0);
    for (int column = first; column <= last; ++column) {
        const QString heading = model->headerData(column, Qt::Horizontal).toString();
        const int floor = column == last ? 100
                                         : qMax(headingMetrics.horizontalAdvance(heading),
                                                valueMetrics.horizontalAdvance(widest[column - first])) + 24;
        floors[column] = qMin(floor, ConvertListModel::columnWidth(column));
        wanted += ConvertListModel::columnWidth(column);
        spare += ConvertListModel::columnWidth(column) - floors[column];
    }
    const int room = table->viewport()->width() - table->columnWidth(ConvertListModel::ThumbnailColumn) - minimumFile;
    const int excess = wanted - room;
    if (excess <= 0 && !columnsNarrowed)
        return;
    columnsNarrowed = excess > 0;
    const double share = spare > 0 ? qBound(0.0, double(qMax(excess, 0)) / spare, 1.0) : 0.0;
    for (int column = first; column <= last; ++column) {
        const int full = ConvertListModel::columnWidth(column);
        table->setColumnWidth(column, full - qRound((full - floors[column]) * share));
    }
}

void ConvertWidget::applyIcons()
{
    const QString start = QStringLiteral("start");
    const QString pause = QStringLiteral("pause");
    const QString folder = QStringLiteral("open-folder");
    const QString remove = QStringLiteral("remove");
    actStart->setIcon(KelSkin::icon(start));
    actRowStart->setIcon(KelSkin::icon(start));
    actStartAll->setIcon(KelSkin::icon(start));
    actPause->setIcon(KelSkin::icon(pause));
    actRowPause->setIcon(KelSkin::icon(pause));
    actPauseAll->setIcon(KelSkin::icon(pause));
    actOpenFolder->setIcon(KelSkin::icon(folder));
    actRowOpenFolder->setIcon(KelSkin::icon(folder));
    actRemove->setIcon(KelSkin::icon(remove));
    actRowRemove->setIcon(KelSkin::icon(remove));
    actClear->setIcon(KelSkin::icon(QStringLiteral("clear")));
    actAdd->setIcon(KelSkin::icon(QStringLiteral("add")));
    ui->emptyAddBtn->setIcon(KelSkin::icon(QStringLiteral("add-on-accent")));
    ui->listModeBtn->setIcon(KelSkin::icon(QStringLiteral("view-list")));
    ui->thumbModeBtn->setIcon(KelSkin::icon(QStringLiteral("view-grid")));
}

void ConvertWidget::retranslate()
{
    ui->emptyTitleLabel->setText(tr("No videos to convert yet"));
    ui->emptyHintLabel->setText(
        tr("Add video files, or drop them here, to convert them for a device or into another format."));
    ui->emptyAddBtn->setText(tr("Add Video(s)..."));

    actStart->setText(tr("Start"));
    actStart->setToolTip(tr("Start"));
    actPause->setText(tr("Pause"));
    actPause->setToolTip(tr("Pause"));
    actStartAll->setText(tr("Start All"));
    actPauseAll->setText(tr("Pause All"));
    actOpenFolder->setText(tr("Open Destination Folder"));
    actOpenFolder->setToolTip(tr("Open Destination Folder"));
    actRemove->setText(tr("Remove"));
    actRemove->setToolTip(tr("Remove"));
    actClear->setText(tr("Clear Finished Items"));
    actClear->setToolTip(tr("Clear Finished Items"));
    actAdd->setText(tr("Add Video(s)..."));
    actAdd->setToolTip(tr("Add Video(s)..."));
    actRowStart->setText(tr("Start"));
    actRowStart->setToolTip(tr("Start"));
    actRowPause->setText(tr("Pause"));
    actRowPause->setToolTip(tr("Pause"));
    actRowOpenFolder->setText(tr("Open Destination Folder"));
    actRowOpenFolder->setToolTip(tr("Open Destination Folder"));
    actRowRemove->setText(tr("Remove"));
    actRowRemove->setToolTip(tr("Remove"));
    // Headings and status words are the model's: the views show them anew.
    model->headerDataChanged(Qt::Horizontal, 0, ConvertListModel::ColumnCount - 1);
    if (model->rowCount() > 0)
        emit model->dataChanged(model->index(0, 0),
                                model->index(model->rowCount() - 1, ConvertListModel::ColumnCount - 1));
    ui->listModeBtn->setToolTip(tr("Details"));
    ui->thumbModeBtn->setToolTip(tr("Thumbnails"));
    ui->listModeBtn->setAccessibleName(tr("Details"));
    ui->thumbModeBtn->setAccessibleName(tr("Thumbnails"));
    updateSelectionLabel();
}

ListTableView *ConvertWidget::getTableView() const
{
    return ui->convertListTableView;
}

ListThumbView *ConvertWidget::getThumbView() const
{
    return ui->convertListThumbView;
}

bool ConvertWidget::isEmptyHintShown() const
{
    return ui->stackedWidget->currentWidget() == ui->convertEmptyPage;
}

QList<ConvertItem *> ConvertWidget::selectedItems() const
{
    QList<int> rows;
    for (const QModelIndex &index : selectionModel->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    QList<ConvertItem *> items;
    for (int row : std::as_const(rows)) {
        if (ConvertItem *item = model->item(sortModel->mapToSource(sortModel->index(row, 0))))
            items.append(item);
    }
    return items;
}

int ConvertWidget::selectedCount() const
{
    return int(selectionModel->selectedRows().size());
}

QString ConvertWidget::selectionText() const
{
    return ui->selectedItemsLabel->text();
}

ConvertItem *ConvertWidget::hoveredItem() const
{
    if (hoveredRow < 0)
        return nullptr;
    return model->item(sortModel->mapToSource(sortModel->index(hoveredRow, 0)));
}

QWidget *ConvertWidget::currentView() const
{
    return ui->convertListStackedWidget->currentWidget();
}

void ConvertWidget::updatePage()
{
    QWidget *page = model->rowCount() > 0 ? ui->convertListPage : ui->convertEmptyPage;
    if (ui->stackedWidget->currentWidget() == page)
        return;
    const bool hadFocus = isAncestorOf(QApplication::focusWidget());
    ui->stackedWidget->setCurrentWidget(page);
    setFocusProxy(page == ui->convertListPage ? currentView() : ui->emptyAddBtn);
    if (hadFocus)
        focusProxy()->setFocus(Qt::OtherFocusReason);
}

void ConvertWidget::updateSelectionLabel()
{
    const int count = selectedCount();
    ui->selectedItemsLabel->setText(count == 1 ? tr("%1 item selected").arg(count)
                                               : tr("%1 items selected").arg(count));
}

void ConvertWidget::updateActionStatus()
{
    const QList<ConvertItem *> items = selectedItems();
    const QList<ConvertItem *> &all = model->list()->getItems();
    ConvertItem *hovered = hoveredItem();

    actStart->setEnabled(std::any_of(items.cbegin(), items.cend(), canRestart));
    actPause->setEnabled(std::any_of(items.cbegin(), items.cend(), canPause));
    actRemove->setEnabled(!items.isEmpty());
    actClear->setEnabled(std::any_of(all.cbegin(), all.cend(), [](const ConvertItem *item) {
        return item->getStatus() == ConvertItem::StatusFinished;
    }));
    actStartAll->setEnabled(std::any_of(all.cbegin(), all.cend(), canRestart));
    actPauseAll->setEnabled(std::any_of(all.cbegin(), all.cend(), canPause));
    actOpenFolder->setEnabled(true);
    actAdd->setEnabled(true);
    actRowOpenFolder->setEnabled(hovered != nullptr);
    actRowRemove->setEnabled(hovered != nullptr);
    actRowStart->setEnabled(hovered && canRestart(hovered));
    actRowPause->setEnabled(hovered && canPause(hovered));
    updateToolBarLayer();
}

void ConvertWidget::updateToolBarLayer()
{
    // The hovered row's first button follows its item: pause while the
    // conversion waits or runs, start otherwise.
    ListItemToolBar *bar = toolBarDelegate->getToolBar();
    ConvertItem *hovered = hoveredItem();
    if (bar && hovered)
        bar->setVisibleButton(0, isQueued(hovered) ? 1 : 0);
}

void ConvertWidget::onViewSelectionChanged(const QItemSelection &, const QItemSelection &)
{
    updateSelectionLabel();
    updateActionStatus();
}

void ConvertWidget::onMouseOverRow(int row)
{
    hoveredRow = row;
    updateActionStatus();
}

void ConvertWidget::onListSizeChanged(const QModelIndex &parent, int, int)
{
    if (parent.isValid())
        return;
    updatePage();
    updateSelectionLabel();
    updateActionStatus();
    emit listSizeChanged(model->rowCount());
}

void ConvertWidget::onListReset()
{
    hoveredRow = -1;
    updatePage();
    updateSelectionLabel();
    updateActionStatus();
    emit listSizeChanged(model->rowCount());
}

bool ConvertWidget::makeConvertFolder()
{
    const QString folder = convertFolder();
    if (QDir().mkpath(folder))
        return true;
    MainWindowUtils::alert(tr("The folder \"%1\" does not exist.").arg(QDir::toNativeSeparators(folder)));
    return false;
}

bool ConvertWidget::chooseProfile(Kel::MediaProfile *profile)
{
    SettingsManager *s = settings();
    const ConvertOptionMode mode = s->getConvertOptionMode();
    if ((mode == ConvertOptionLastProfile && !s->getLastConvertProfileName().isEmpty())
        || mode == ConvertOptionQuick) {
        *profile = s->getQuickConvertProfile();
        if (profile->isValid())
            return true;
        const QString text = tr("The Conversion settings are invalid.");
        queueNotice([text] { MainWindowUtils::alert(text); });
        return false;
    }
    ConvertParametersDialog dialog(window());
    if (MainWindowUtils::exec(&dialog) != QDialog::Accepted)
        return false;
    *profile = dialog.getProfile();
    return profile->isValid();
}

ConvertItem *ConvertWidget::newItem(DownloadItem *download)
{
    auto *item = download ? new ConvertItem(download) : new ConvertItem();
    connect(item, qOverload<int, QVariant>(&ConvertItem::error), this, &ConvertWidget::onError);
    connect(item, &ConvertItem::exportFinished, this, &ConvertWidget::onExportFinished);
    connect(item, &ConvertItem::canceled, this, &ConvertWidget::onItemCanceled);
    return item;
}

void ConvertWidget::addItem(ConvertItem *item, const Kel::MediaProfile &profile)
{
    const Kel::FileMediaInfo &source = item->getSrcMediaInfo();
    item->setConvertParameters(
        ConvertParameters(source.mediaFile, QString(), profile, source, settings()->isKeepSubtitles(), -1));
    model->append(item);
    item->start();
}

void ConvertWidget::announceAdded(int count)
{
    if (count <= 0)
        return;
    const QString text = count == 1 ? tr("Added to the conversion list.")
                                    : tr("Added %n files to the conversion list.", nullptr, count);
    BalloonMessage::getInstance()->balloon(text, ConvertMessageId);
}

void ConvertWidget::onConvert(QList<DownloadItem *> items, bool isAuto)
{
    if (!makeConvertFolder())
        return;
    Kel::MediaProfile profile;
    bool chosen = false;
    int added = 0;
    for (DownloadItem *download : std::as_const(items)) {
        if (!download || download->getStatus() < DownloadItem::Ready) {
            KEL_INFO("Download item is null or not ready.");
            continue;
        }
        if (!chosen) {
            if (!chooseProfile(&profile))
                return;
            chosen = true;
        }
        // A download still waiting for its name is told apart by the item
        // that converts it once the name is known.
        const QString source = download->getDestFile();
        if (!source.isEmpty() && model->list()->find(source, profile)) {
            if (!isAuto)
                BalloonMessage::getInstance()->balloon(tr("Same conversion already existed."), ConvertMessageId);
            continue;
        }
        ConvertItem *item = newItem(download);
        const Kel::FileMediaInfo &info = item->getSrcMediaInfo();
        item->setConvertParameters(
            ConvertParameters(info.mediaFile, QString(), profile, info, settings()->isKeepSubtitles(), -1));
        if (download->getStatus() >= DownloadItem::Finished) {
            if (!item->loadSrcFileMediaInfo()) {
                const QString text =
                    tr("\"%1\" is not a valid video file.").arg(QDir::toNativeSeparators(info.mediaFile));
                queueNotice([text] { MainWindowUtils::alert(text); });
                item->clear();
                delete item;
                continue;
            }
            item->setStatus(ConvertItem::StatusReady);
        }
        model->append(item);
        item->start();
        ++added;
    }
    announceAdded(added);
}

void ConvertWidget::onAdd()
{
    if (!makeConvertFolder())
        return;
    const QString filter = tr("Supported Files") + QStringLiteral(" (")
        + QString::fromLatin1(SupportedFilePatterns).replace(QLatin1Char(';'), QLatin1Char(' '))
        + QStringLiteral(");;") + tr("All Files") + QStringLiteral(" (*)");
    const QString folder = KelPref::instance()->value(LastOpenFileDirKey, Kel::videoPath()).toString();
    emit showMainWindowDarkShadow();
    const QStringList files = QFileDialog::getOpenFileNames(window(), tr("Select one or more files"), folder, filter);
    emit hideMainWindowDarkShadow();
    addChosenFiles(files);
}

void ConvertWidget::addChosenFiles(const QStringList &files)
{
    if (files.isEmpty())
        return;
    QStringList kept;
    for (const QString &file : files) {
        if (isSupportedFile(file))
            kept.append(file);
    }
    if (kept.isEmpty()) {
        BalloonMessage::getInstance()->balloon(tr("The added video(s) are invalid."), ConvertMessageId);
        return;
    }
    KelPref::instance()->setValue(LastOpenFileDirKey, QFileInfo(kept.first()).absolutePath(), false);
    window()->activateWindow();
    onAddFiles(kept);
}

void ConvertWidget::onAddFiles(QStringList files)
{
    if (files.isEmpty() || !makeConvertFolder())
        return;
    ConvertManager *manager = AppContext::instance()->getConvertManager();
    Kel::MediaProfile profile;
    bool chosen = false;
    bool duplicate = false;
    int added = 0;
    for (const QString &file : std::as_const(files)) {
        if (!QFileInfo::exists(file)) {
            const QString text = tr("\"%1\" does not exist.").arg(QDir::toNativeSeparators(file));
            queueNotice([text] { MainWindowUtils::alert(text); });
            continue;
        }
        QApplication::setOverrideCursor(Qt::WaitCursor);
        Kel::FileMediaInfo info = manager->getMeidaInfo(file, true);
        QApplication::restoreOverrideCursor();
        if (!info.isValid()) {
            if (!info.thumbnailFile.isEmpty())
                QFile::remove(info.thumbnailFile);
            continue;
        }
        if (!chosen) {
            if (!chooseProfile(&profile)) {
                if (!info.thumbnailFile.isEmpty())
                    QFile::remove(info.thumbnailFile);
                return;
            }
            chosen = true;
        }
        if (model->list()->find(file, profile)) {
            duplicate = true;
            if (!info.thumbnailFile.isEmpty())
                QFile::remove(info.thumbnailFile);
            BalloonMessage::getInstance()->balloon(tr("Same conversion already existed."), ConvertMessageId);
            continue;
        }
        ConvertItem *item = newItem();
        item->setSrcMediaInfo(info);
        item->setStatus(ConvertItem::StatusReady);
        addItem(item, profile);
        ++added;
    }
    // Nothing new because everything is there already has been said.
    if (added == 0 && !duplicate)
        BalloonMessage::getInstance()->balloon(tr("The added video(s) are invalid."), ConvertMessageId);
    announceAdded(added);
}

QStringList ConvertWidget::droppedFiles(const QMimeData *mime) const
{
    QStringList files;
    if (!mime || !mime->hasUrls())
        return files;
    for (const QUrl &url : mime->urls()) {
        if (url.isLocalFile() && isSupportedFile(url.toLocalFile()))
            files.append(url.toLocalFile());
    }
    return files;
}

void ConvertWidget::dragEnterEvent(QDragEnterEvent *event)
{
    if (!droppedFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void ConvertWidget::dragMoveEvent(QDragMoveEvent *event)
{
    if (!droppedFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void ConvertWidget::dropEvent(QDropEvent *event)
{
    const QStringList files = droppedFiles(event->mimeData());
    if (files.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    window()->activateWindow();
    emit addFiles(files);
}

void ConvertWidget::onStart()
{
    for (ConvertItem *item : selectedItems()) {
        if (canRestart(item))
            item->start();
    }
}

void ConvertWidget::onPause()
{
    for (ConvertItem *item : selectedItems()) {
        if (item->getStatus() != ConvertItem::StatusFinished)
            item->pause();
    }
}

void ConvertWidget::onStartAll()
{
    for (ConvertItem *item : model->list()->getItems()) {
        if (canRestart(item))
            item->start();
    }
}

void ConvertWidget::onPauseAll()
{
    for (ConvertItem *item : model->list()->getItems()) {
        if (isQueued(item))
            item->pause();
    }
}

void ConvertWidget::onRemove()
{
    const QList<ConvertItem *> items = selectedItems();
    if (items.isEmpty())
        return;
    const bool working =
        std::any_of(items.cbegin(), items.cend(), [](const ConvertItem *item) { return item->isWorking(); });
    if (working
        && MainWindowUtils::question(tr("The video is being converted. Are you sure you want to remove it?"),
                                     QString())
            != QDialogButtonBox::Yes)
        return;
    // The items may have changed while the question was up.
    QList<ConvertItem *> still;
    for (ConvertItem *item : items) {
        if (model->row(item) >= 0)
            still.append(item);
    }
    removeItems(still);
}

void ConvertWidget::removeItems(const QList<ConvertItem *> &items)
{
    if (items.isEmpty())
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    int firstViewRow = INT_MAX;
    QList<int> rows;
    for (ConvertItem *item : items) {
        const int row = model->row(item);
        if (row < 0)
            continue;
        firstViewRow = qMin(firstViewRow, sortModel->mapFromSource(model->index(row, 0)).row());
        if (item->isWorking())
            item->cancel();
        rows.append(row);
    }
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    for (int row : std::as_const(rows))
        model->removeItem(row);
    if (model->rowCount() > 0 && firstViewRow != INT_MAX)
        ui->convertListTableView->onSelect(qMin(firstViewRow, model->rowCount() - 1));
    QApplication::restoreOverrideCursor();
}

void ConvertWidget::onClearFinishedItems()
{
    for (int row = model->rowCount() - 1; row >= 0; --row) {
        if (model->item(row)->getStatus() == ConvertItem::StatusFinished)
            model->removeItem(row);
    }
}

void ConvertWidget::onInfo()
{
}

void ConvertWidget::onOpenFolder()
{
    const QList<ConvertItem *> items = selectedItems();
    const QString dest = items.isEmpty() ? QString() : items.first()->getConvertParameters().getDestFile();
    if (dest.isEmpty()) {
        DesktopFiles::openFolder(convertFolder());
        return;
    }
    const QFileInfo file(dest);
    if (file.isFile())
        DesktopFiles::showInFolder(file.absoluteFilePath());
    else if (file.absoluteDir().exists())
        DesktopFiles::openFolder(file.absolutePath());
    else
        DesktopFiles::openFolder(convertFolder());
}

void ConvertWidget::onItemDoubleClicked(const QModelIndex &index)
{
    ConvertItem *item = model->item(sortModel->mapToSource(index));
    if (!item || item->getStatus() == ConvertItem::StatusError)
        return;
    if (item->isWorking()) {
        BalloonMessage::getInstance()->balloon(tr("Converting ..."), ConvertMessageId);
        return;
    }
    openFileOf(item);
}

void ConvertWidget::openFileOf(ConvertItem *item)
{
    const QString file = item->getConvertParameters().getDestFile();
    if (!QFileInfo(file).isFile()) {
        BalloonMessage::getInstance()->balloon(tr("The converted file is no longer there."), ConvertMessageId,
                                               QStringLiteral("warning"), BalloonMessage::PlainMode);
        return;
    }
    DesktopFiles::openFile(file, this, [file](bool opened) {
        if (opened)
            return;
        // No program is set up for the file: show it where it lies.
        DesktopFiles::showInFolder(file);
        BalloonMessage::getInstance()->balloon(
            tr("No program is set up to open this file, so its folder is shown instead."), ConvertMessageId);
    });
}

void ConvertWidget::onRightButtonClickedOnView(const QPoint &globalPos, int row)
{
    updateActionStatus();
    if (row < 0) {
        menuEmpty->popup(globalPos);
        return;
    }
    menuItem->popup(globalPos, actStart);
    menuItem->setActiveAction(actStart);
}

void ConvertWidget::onDetailListMode(bool checked)
{
    if (checked)
        showViewMode(ListViewShowModeTable, true);
}

void ConvertWidget::onThumbnailMode(bool checked)
{
    if (checked)
        showViewMode(ListViewShowModeThumbnail, true);
}

void ConvertWidget::showViewMode(int mode, bool store)
{
    const bool grid = mode == ListViewShowModeThumbnail;
    {
        const QSignalBlocker listBlocker(ui->listModeBtn);
        const QSignalBlocker gridBlocker(ui->thumbModeBtn);
        ui->listModeBtn->setChecked(!grid);
        ui->thumbModeBtn->setChecked(grid);
    }
    QWidget *view = grid ? static_cast<QWidget *>(ui->convertListThumbView)
                         : static_cast<QWidget *>(ui->convertListTableView);
    const bool hadFocus = isAncestorOf(QApplication::focusWidget());
    ui->convertListStackedWidget->setCurrentWidget(view);
    if (ui->stackedWidget->currentWidget() == ui->convertListPage)
        setFocusProxy(view);
    if (store)
        settings()->setConvertViewShowMode(grid ? ListViewShowModeThumbnail : ListViewShowModeTable);
    if (hadFocus || isVisible())
        view->setFocus(Qt::OtherFocusReason);
}

void ConvertWidget::onError(int errorCode, const QVariant &arg)
{
    auto *item = qobject_cast<ConvertItem *>(sender());
    switch (errorCode) {
    case ConvertItem::ConvertFailed: {
        const QString reason = arg.toString().trimmed();
        if (item)
            model->setFailureReason(item, reason);
        pendingFailures.append({item ? sourceName(item) : QString(), reason});
        if (!failuresQueued) {
            failuresQueued = true;
            queueNotice([this] { showFailures(); });
        }
        break;
    }
    case ConvertItem::ItunesImportFailed:
        BalloonMessage::getInstance()->balloon(
            tr("Failed to transfer to iTunes: %1").arg(BalloonMessage::singleLineString(arg.toString())),
            ConvertMessageId);
        break;
    case ConvertItem::ItunesNotInstalled:
        BalloonMessage::getInstance()->balloon(tr("Please install iTunes first."), ConvertMessageId);
        break;
    case ConvertItem::SourceProbeFailed: {
        const QString file = QDir::toNativeSeparators(arg.toString());
        const QString text = tr("\"%1\" is not a valid video file.").arg(file);
        if (item)
            model->setFailureReason(item, text);
        queueNotice([text] { MainWindowUtils::alert(text); });
        break;
    }
    default:
        break;
    }
}

void ConvertWidget::showFailures()
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
    QString text = tr("Failed to convert videos.");
    if (!parts.isEmpty())
        text += QStringLiteral("\n\n") + parts.join(QStringLiteral("\n\n"));
    MainWindowUtils::alert(text);
}

void ConvertWidget::onExportFinished(const QString &)
{
}

void ConvertWidget::onItemCanceled()
{
    // The download this conversion waited for is gone: nothing is left to
    // convert. The row goes once the cancelling has run its course.
    QPointer<ConvertItem> item = qobject_cast<ConvertItem *>(sender());
    QTimer::singleShot(0, this, [this, item] {
        const int row = item ? model->row(item) : -1;
        if (row >= 0)
            model->removeItem(row);
    });
}

void ConvertWidget::queueNotice(const std::function<void()> &show)
{
    notices.append(show);
    if (!noticeShowing && notices.size() == 1)
        QTimer::singleShot(0, this, &ConvertWidget::showNextNotice);
}

void ConvertWidget::showNextNotice()
{
    if (noticeShowing || notices.isEmpty())
        return;
    noticeShowing = true;
    const std::function<void()> show = notices.takeFirst();
    show();
    noticeShowing = false;
    if (!notices.isEmpty())
        QTimer::singleShot(0, this, &ConvertWidget::showNextNotice);
}

} // namespace Tarn
