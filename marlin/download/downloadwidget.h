#pragma once

#include "kelframe/kelwidget.h"
#include "shared/mediaprofile.h"
#include "tarncore/download/downloaditem.h"
#include "tarncore/download/downloadparameters.h"

#include <QItemSelection>
#include <QList>
#include <QModelIndex>
#include <QPointer>
#include <QString>

#include <functional>

class QAction;
class QMenu;

namespace Ui {
class DownloadListPageUi;
class DownloadWidgetUi;
}

namespace Tarn {

class DownloadItem;
class DownloadListModel;
class DownloadListSortProxyModel;
class ListSelectionModel;
class ListTableView;
class ListThumbView;

// The download page: the quick guide while the list is empty, else the
// download list as a detail table or a thumbnail grid with one shared
// selection, the actions on the selected and the hovered items, their
// context menus and the item errors. It creates and starts the items for
// the addresses the main window hands it and hands finished downloads to
// the convert page.
class DownloadWidget : public KelWidget
{
    Q_OBJECT
public:
    explicit DownloadWidget(QWidget *parent = nullptr);
    ~DownloadWidget() override;

    // Whether a download of url in quality may be added: false, with the
    // balloon "Same download already existed.", when the list holds one.
    // With an invalid quality any item of that page counts.
    bool canAddDownload(const QString &url, const Kel::MediaProfile &quality);
    // Whether the list holds an item of the page url.
    bool hasUrl(const QString &url) const;

    ListTableView *getTableView() const;
    ListThumbView *getThumbView() const;
    DownloadListModel *getModel() const { return model; }
    DownloadListSortProxyModel *getSortModel() const { return sortModel; }
    // The items of the selected rows, in the order the view shows them.
    QList<DownloadItem *> selectedItems() const;
    int selectedCount() const;
    QString selectionText() const;
    bool isQuickGuideShown() const;

    // The actions, for the main window and tests.
    QAction *convertAction() const { return actConvert; }
    QAction *openFolderAction() const { return actOpenFolder; }
    QAction *reDownloadAction() const { return actStart; }
    QAction *otherQualityAction() const { return actOtherQuality; }
    QAction *removeAction() const { return actRemove; }
    QAction *clearAction() const { return actClear; }
    QAction *openUrlAction() const { return actOpenUrl; }
    QMenu *itemMenu() const { return menuItem; }
    QMenu *emptyAreaMenu() const { return menuEmpty; }

public slots:
    void onDownload(const QString &url, const Tarn::DownloadParameters &param);
    void onDownload(const QString &url);
    void onConvert();
    void onOpenFolder();
    void onRemove();
    void onClearFinishedItems();
    void onStart();
    void onDownloadOtherFormat();
    void onInfo();
    void onOpenUrl();
    void onRightButtonClickedOnView(const QPoint &globalPos, int row);
    void onViewSelectionChanged(const QItemSelection &selected, const QItemSelection &deselected);
    void onListSizeChanged(const QModelIndex &parent, int first, int last);
    void onMouseOverRow(int row);
    void onListReset();
    void updateActionStatus();
    void onError(int errorCode, const QVariant &arg);
    void onDownloadFinished();
    void onExportFinished(const QString &file);
    void onItemDoubleClicked(const QModelIndex &index);
    void onDetailListMode(bool checked);
    void onThumbnailMode(bool checked);
    void onGetMediaInfoError(const QString &url, const QString &detail);
    void retranslate() override;

signals:
    void convert(QList<Tarn::DownloadItem *> items, bool isAuto);
    void downloadOtherFormat(QString url);
    void listSizeChanged(int rowCount);

private:
    void createActions();
    void createMenus();
    void ensureListPage();
    Ui::DownloadListPageUi *listPage() const;
    void setUpViews();
    void applyIcons();
    void updatePage();
    void updateSelectionLabel();
    void showViewMode(int mode, bool store);
    QWidget *currentView() const;
    DownloadItem *hoveredItem() const;
    void openFolderOf(DownloadItem *item);
    void openFileOf(DownloadItem *item);
    void removeItems(const QList<DownloadItem *> &items);
    QString itemName(DownloadItem *item) const;
    // Boxes that items raise wait until the signal that raised them has
    // returned, and for each other: one box at a time, never one inside
    // another's event loop.
    void queueNotice(const std::function<void()> &show);
    void showNextNotice();
    void showFailures();

    Ui::DownloadWidgetUi *ui;
    Ui::DownloadListPageUi *listUi = nullptr;
    DownloadListModel *model;
    DownloadListSortProxyModel *sortModel;
    ListSelectionModel *selectionModel;
    int hoveredRow = -1;

    QAction *actConvert = nullptr;
    QAction *actOpenFolder = nullptr;
    QAction *actStart = nullptr;
    QAction *actOtherQuality = nullptr;
    QAction *actRemove = nullptr;
    QAction *actClear = nullptr;
    QAction *actOpenUrl = nullptr;
    QAction *actRowConvert = nullptr;
    QAction *actRowOpenFolder = nullptr;
    QAction *actRowRemove = nullptr;
    QMenu *menuItem = nullptr;
    QMenu *menuEmpty = nullptr;

    QList<std::function<void()>> notices;
    bool noticeShowing = false;
    // Failed downloads not yet reported: the item's name and the reason.
    QList<QPair<QString, QString>> pendingFailures;
    bool failuresQueued = false;
};

} // namespace Tarn
