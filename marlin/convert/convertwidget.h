#pragma once

#include "kelframe/kelwidget.h"
#include "shared/mediaprofile.h"
#include "tarncore/download/downloaditem.h"

#include <QItemSelection>
#include <QList>
#include <QModelIndex>
#include <QPair>
#include <QString>
#include <QStringList>

#include <functional>

class QAction;
class QMenu;

namespace Ui {
class ConvertWidgetUi;
}

namespace Tarn {

class ConvertItem;
class ConvertListModel;
class ConvertListSortProxyModel;
class ConvertListToolBarDelegate;
class ListSelectionModel;
class ListTableView;
class ListThumbView;

// The convert page: a short hint and an "Add Video(s)..." button while the
// list is empty, else the convert list as a detail table or a thumbnail
// grid with one shared selection, the actions on the selected and the
// hovered items, their context menus and the item errors. Local files come
// from the file dialog or are dropped on the page; downloads come from the
// download page. The target profile is chosen once per batch: by the
// conversion dialog, or without asking when the conversion mode says so.
class ConvertWidget : public KelWidget
{
    Q_OBJECT
public:
    explicit ConvertWidget(QWidget *parent = nullptr);
    ~ConvertWidget() override;

    // The patterns of the files the page takes ("*.mp4", ...).
    static QStringList supportedPatterns();
    // An existing file, not a symbolic link, whose suffix (in any case) is
    // among the supported ones.
    static bool isSupportedFile(const QString &file);

    ListTableView *getTableView() const;
    ListThumbView *getThumbView() const;
    ConvertListModel *getModel() const { return model; }
    ConvertListSortProxyModel *getSortModel() const { return sortModel; }
    // The items of the selected rows, in the order the view shows them.
    QList<ConvertItem *> selectedItems() const;
    int selectedCount() const;
    QString selectionText() const;
    bool isEmptyHintShown() const;

    // The actions, for the main window and tests.
    QAction *startAction() const { return actStart; }
    QAction *pauseAction() const { return actPause; }
    QAction *startAllAction() const { return actStartAll; }
    QAction *pauseAllAction() const { return actPauseAll; }
    QAction *openFolderAction() const { return actOpenFolder; }
    QAction *removeAction() const { return actRemove; }
    QAction *clearAction() const { return actClear; }
    QAction *addAction() const { return actAdd; }
    QAction *rowStartAction() const { return actRowStart; }
    QAction *rowPauseAction() const { return actRowPause; }
    QAction *rowOpenFolderAction() const { return actRowOpenFolder; }
    QAction *rowRemoveAction() const { return actRowRemove; }
    QMenu *itemMenu() const { return menuItem; }
    QMenu *emptyAreaMenu() const { return menuEmpty; }

public slots:
    // Converts downloads: a manual request (isAuto false) or the automatic
    // conversion of a finished download.
    void onConvert(QList<Tarn::DownloadItem *> items, bool isAuto);
    void onStart();
    void onPause();
    void onStartAll();
    void onPauseAll();
    // Asks for files with the file dialog and hands them to addChosenFiles.
    void onAdd();
    // What the file dialog chose: keeps the supported files, remembers their
    // folder for the next dialog and adds them.
    void addChosenFiles(const QStringList &files);
    void onRemove();
    void onClearFinishedItems();
    void onInfo();
    void onOpenFolder();
    void onRightButtonClickedOnView(const QPoint &globalPos, int row);
    void onViewSelectionChanged(const QItemSelection &selected, const QItemSelection &deselected);
    void onListSizeChanged(const QModelIndex &parent, int first, int last);
    void onListReset();
    void onMouseOverRow(int row);
    void updateActionStatus();
    void onAddFiles(QStringList files);
    void onError(int errorCode, const QVariant &arg);
    void onExportFinished(const QString &file);
    void onItemCanceled();
    void onItemDoubleClicked(const QModelIndex &index);
    void onDetailListMode(bool checked);
    void onThumbnailMode(bool checked);
    void retranslate() override;

signals:
    void listSizeChanged(int rowCount);
    void showMainWindowDarkShadow();
    void hideMainWindowDarkShadow();
    void addFiles(QStringList files);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createActions();
    void createMenus();
    void setUpViews();
    void applyIcons();
    void fitColumns();
    void updatePage();
    void updateSelectionLabel();
    void updateToolBarLayer();
    void showViewMode(int mode, bool store);
    QWidget *currentView() const;
    ConvertItem *hoveredItem() const;
    // The profile of a batch, asked for when the conversion mode wants it;
    // false when there is none (the dialog was cancelled, the settings are
    // broken).
    bool chooseProfile(Kel::MediaProfile *profile);
    // The conversion folder exists or was made; else the user is told.
    bool makeConvertFolder();
    // A new item of a local file, or of what download downloads, with its
    // signals connected to the page.
    ConvertItem *newItem(DownloadItem *download = nullptr);
    void addItem(ConvertItem *item, const Kel::MediaProfile &profile);
    void announceAdded(int count);
    void removeItems(const QList<ConvertItem *> &items);
    void openFileOf(ConvertItem *item);
    // The local files a drag carries that the page takes.
    QStringList droppedFiles(const QMimeData *mime) const;
    // Boxes that items raise wait until the signal that raised them has
    // returned, and for each other: one box at a time, never one inside
    // another's event loop.
    void queueNotice(const std::function<void()> &show);
    void showNextNotice();
    void showFailures();

    Ui::ConvertWidgetUi *ui;
    ConvertListModel *model;
    ConvertListSortProxyModel *sortModel;
    ListSelectionModel *selectionModel;
    ConvertListToolBarDelegate *toolBarDelegate;
    int hoveredRow = -1;
    bool columnsNarrowed = false;

    QAction *actStart = nullptr;
    QAction *actPause = nullptr;
    QAction *actStartAll = nullptr;
    QAction *actPauseAll = nullptr;
    QAction *actOpenFolder = nullptr;
    QAction *actRemove = nullptr;
    QAction *actClear = nullptr;
    QAction *actAdd = nullptr;
    QAction *actRowStart = nullptr;
    QAction *actRowPause = nullptr;
    QAction *actRowOpenFolder = nullptr;
    QAction *actRowRemove = nullptr;
    QMenu *menuItem = nullptr;
    QMenu *menuEmpty = nullptr;

    QList<std::function<void()>> notices;
    bool noticeShowing = false;
    // Failed conversions not yet reported: the file's name and the reason.
    QList<QPair<QString, QString>> pendingFailures;
    bool failuresQueued = false;
};

} // namespace Tarn
