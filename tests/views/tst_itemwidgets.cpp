// The item widgets on their own: thumbnails, the tile's progress and status,
// the tool bar's buttons and layers.
#include "widgetkit/listitemtoolbar.h"
#include "widgetkit/listtableprogressbar.h"
#include "widgetkit/listtablethumbnailwidget.h"
#include "widgetkit/listviewthumbnailwidget.h"
#include "widgetkit/thumbnaillistwidgetitem.h"

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QTranslator>

using namespace Tarn;

namespace {

void writePicture(const QString &path, const QColor &color)
{
    QImage image(320, 180, QImage::Format_RGB32);
    image.fill(color);
    QVERIFY(image.save(path, "PNG"));
}

// The colour in the middle of the picture a thumbnail label shows.
QColor shownColor(const QWidget *widget)
{
    const QLabel *label = widget->findChild<QLabel *>(QStringLiteral("thumbnailLabel"));
    const QPixmap pixmap = label->pixmap();
    if (pixmap.isNull())
        return QColor();
    const QImage image = pixmap.toImage();
    return image.pixelColor(image.width() / 2, image.height() / 2);
}

void setThumbnail(QWidget *widget, const QString &path)
{
    if (auto *table = qobject_cast<ListTableThumbnailWidget *>(widget))
        table->setThumbnail(path);
    else
        qobject_cast<ListViewThumbnailWidget *>(widget)->setThumbnail(path);
}

// "Done" and "Failed" of the progress cell, in capitals.
class ShoutingTranslator : public QTranslator
{
public:
    QString translate(const char *context, const char *source, const char *, int) const override
    {
        if (qstrcmp(context, "Tarn::ListTableProgressBar") != 0)
            return QString();
        return QString::fromLatin1(source).toUpper();
    }
    bool isEmpty() const override { return false; }
};

} // namespace

class TstItemWidgets : public QObject
{
    Q_OBJECT

private slots:
    void thumbnailLoading_data()
    {
        QTest::addColumn<bool>("tile");
        QTest::newRow("table cell") << false;
        QTest::newRow("grid tile") << true;
    }

    void thumbnailLoading()
    {
        QFETCH(bool, tile);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        std::unique_ptr<QWidget> widget(tile ? static_cast<QWidget *>(new ListViewThumbnailWidget)
                                             : new ListTableThumbnailWidget);
        const QString red = dir.filePath(QStringLiteral("red.png"));
        writePicture(red, Qt::red);

        setThumbnail(widget.get(), red);
        QCOMPARE(shownColor(widget.get()), QColor(Qt::red));

        // The same path again is not read again, even when the file changed.
        writePicture(red, Qt::blue);
        setThumbnail(widget.get(), red);
        QCOMPARE(shownColor(widget.get()), QColor(Qt::red));

        // A missing file keeps the picture shown...
        const QString late = dir.filePath(QStringLiteral("late.png"));
        setThumbnail(widget.get(), late);
        QCOMPARE(shownColor(widget.get()), QColor(Qt::red));
        setThumbnail(widget.get(), late);
        QCOMPARE(shownColor(widget.get()), QColor(Qt::red));
        // ...until it arrives.
        writePicture(late, Qt::green);
        setThumbnail(widget.get(), late);
        QCOMPARE(shownColor(widget.get()), QColor(Qt::green));
    }

    void tileProgressOnlyRises()
    {
        ListViewThumbnailWidget tile;
        tile.setWorking();
        QVERIFY(tile.isProgressVisible());
        tile.setProgress(Kel::Progress());
        QVERIFY(tile.isProgressVisible());

        tile.setProgress(Kel::Progress(100, 60, 5));
        tile.setProgress(Kel::Progress(100, 40, 5));
        QCOMPARE(tile.getProgressPercentage(), 60);

        tile.setPause();
        QVERIFY(!tile.isProgressVisible());
        tile.setProgress(Kel::Progress());
        QVERIFY(!tile.isProgressVisible());

        // A failed item that runs again starts from nothing; a paused one
        // goes on from where it was.
        tile.setWorking();
        QCOMPARE(tile.getProgressPercentage(), 60);
        tile.setFailed();
        tile.setWorking();
        QCOMPARE(tile.getProgressPercentage(), 0);
    }

    void tileStates()
    {
        ListViewThumbnailWidget tile;
        tile.show();
        auto *bg = tile.findChild<QWidget *>(QStringLiteral("bgWidget"));
        auto *status = tile.findChild<QLabel *>(QStringLiteral("statusLabel"));
        auto *stack = tile.findChild<QStackedWidget *>(QStringLiteral("stackedWidget"));

        const QList<QPair<void (ListViewThumbnailWidget::*)(), QString>> states = {
            {&ListViewThumbnailWidget::setWorking, "working"}, {&ListViewThumbnailWidget::setWaitting, "waitting"},
            {&ListViewThumbnailWidget::setFailed, "faild"}, {&ListViewThumbnailWidget::setCompleted, "success"},
            {&ListViewThumbnailWidget::setAnalysing, "analysing"}, {&ListViewThumbnailWidget::setPause, "pause"},
            {&ListViewThumbnailWidget::setNormal, ""}};
        for (const auto &state : states) {
            (tile.*state.first)();
            QCOMPARE(tile.getStatus(), state.second);
            QCOMPARE(status->property("status").toString(), state.second);
            const bool labelled = QStringList{"waitting", "faild", "success", "pause"}.contains(state.second);
            QCOMPARE(status->isVisible(), labelled);
        }

        tile.setHovered(true);
        QCOMPARE(bg->property("hovered").toString(), QStringLiteral("true"));
        QCOMPARE(stack->currentIndex(), 1);
        tile.setSelected(true);
        QCOMPARE(bg->property("selected").toString(), QStringLiteral("true"));
        QCOMPARE(bg->property("hovered").toString(), QStringLiteral("false"));
        tile.setHovered(true);
        QCOMPARE(bg->property("hovered").toString(), QStringLiteral("false"));
        QVERIFY(!tile.isHovered());
        tile.setSelected(false);
        QCOMPARE(bg->property("hovered").toString(), QStringLiteral("true"));

        tile.setDuration(3725);
        QCOMPARE(tile.findChild<QLabel *>(QStringLiteral("durationLabel"))->text(), QStringLiteral("1:02:05"));
    }

    void toolBarButtons()
    {
        ListItemToolBar bar;
        QAction start(QStringLiteral("Start")), pause(QStringLiteral("Pause")), stray(QStringLiteral("Stray"));
        bar.setAction(&start, 0, 0);
        bar.setAction(&pause, 0, 1);
        bar.setAction(&stray, 3, 0);
        bar.setAction(&stray, 1, 2);
        const QList<QToolButton *> buttons = bar.findChildren<QToolButton *>();
        QVERIFY(std::none_of(buttons.begin(), buttons.end(), [&](QToolButton *b) { return b->defaultAction() == &stray; }));
        QCOMPARE(bar.button(0, 0)->defaultAction(), &start);

        bar.show();
        QTest::mouseClick(bar.button(0, 0), Qt::LeftButton);
        QCOMPARE(bar.visibleLayer(0), 1);
        QTest::mouseClick(bar.button(0, 1), Qt::LeftButton);
        QCOMPARE(bar.visibleLayer(0), 0);
        bar.setVisibleButton(1, 1);
        QCOMPARE(bar.visibleLayer(1), 0);
    }

    void progressCellSelection()
    {
        ListTableProgressBar cell;
        auto *bar = cell.findChild<QProgressBar *>(QStringLiteral("progressBar"));
        cell.setStatus(QStringLiteral("pause"));
        cell.setProgress(Kel::Progress(200, 50, 0));
        QCOMPARE(cell.getProgressPercentage(), 25);
        QCOMPARE(bar->property("status").toString(), QStringLiteral("pause"));

        cell.setSelected(true);
        QCOMPARE(bar->property("status").toString(), QString());
        for (QWidget *child : cell.findChildren<QWidget *>())
            QCOMPARE(child->property("selected").toString(), QStringLiteral("1"));
        cell.setSelected(false);
        QCOMPARE(bar->property("status").toString(), QStringLiteral("pause"));

        cell.setCompleted(true);
        QVERIFY(cell.isCompleted() && !cell.isProgressVisible() && !cell.isFailed());
        cell.setFailed(true);
        QVERIFY(cell.isFailed() && !cell.isCompleted());
    }

    // A finished row's mark speaks the language chosen afterwards.
    void progressCellMarkFollowsTheLanguage()
    {
        ListTableProgressBar cell;
        auto *text = cell.findChild<QLabel *>(QStringLiteral("iconTextLabel"));
        cell.setCompleted(true);
        QCOMPARE(text->text(), QStringLiteral("Done"));
        ShoutingTranslator translator;
        QVERIFY(QCoreApplication::installTranslator(&translator));
        QTRY_COMPARE(text->text(), QStringLiteral("DONE"));
        cell.setFailed(true);
        QCOMPARE(text->text(), QStringLiteral("FAILED"));
        QCoreApplication::removeTranslator(&translator);
        QTRY_COMPARE(text->text(), QStringLiteral("Failed"));
    }

    void listWidgetTile()
    {
        QListWidget list;
        auto *item = new ThumbnailListWidgetItem(&list);
        item->setItemWidget();
        item->setText(QStringLiteral("iPhone"));
        item->setDescription(QStringLiteral("Full HD"));
        QCOMPARE(list.itemWidget(item), static_cast<QWidget *>(item));
        QCOMPARE(item->findChild<QWidget *>(QStringLiteral("thumbFrameWidget"))->property("name").toString(),
                 QStringLiteral("iPhone"));
        QVERIFY(!item->isSelected());
        item->setSelected(true);
        QVERIFY(item->isSelected());
        delete item;
        QCOMPARE(list.count(), 0);
    }
};

QTEST_MAIN(TstItemWidgets)
#include "tst_itemwidgets.moc"
