// Renders the list views and item widgets in each of their states, in both
// skins, to <build>/screenshots/views/ for a person to judge.
#include "gui/guitestsupport.h"
#include "listfixturemodel.h"

#include "kelframe/kelskin.h"
#include "widgetkit/listitemtoolbar.h"
#include "widgetkit/listtableprogressbar.h"
#include "widgetkit/listtablethumbnailwidget.h"
#include "widgetkit/listtableview.h"
#include "widgetkit/listthumbview.h"
#include "widgetkit/listviewthumbnailwidget.h"
#include "widgetkit/thumbnaillistwidgetitem.h"

#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLinearGradient>
#include <QListWidget>
#include <QPainter>
#include <QPainterPath>
#include <QTemporaryDir>
#include <QTest>

using namespace Tarn;

namespace {

// A made-up video still: a sky, hills and a sun, in the row's own colours.
QString makePicture(const QString &folder, int seed, const QSize &size = QSize(480, 270))
{
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const int hue = (seed * 67) % 360;
    QLinearGradient sky(0, 0, 0, size.height());
    sky.setColorAt(0, QColor::fromHsv(hue, 120, 240));
    sky.setColorAt(1, QColor::fromHsv((hue + 40) % 360, 90, 200));
    painter.fillRect(image.rect(), sky);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromHsv((hue + 180) % 360, 60, 250));
    painter.drawEllipse(QPointF(size.width() * 0.72, size.height() * 0.3), size.height() * 0.12, size.height() * 0.12);
    painter.setBrush(QColor::fromHsv((hue + 120) % 360, 140, 120));
    QPainterPath hills;
    hills.moveTo(0, size.height());
    hills.cubicTo(size.width() * 0.3, size.height() * 0.45, size.width() * 0.6, size.height() * 0.9,
                  size.width(), size.height() * 0.55);
    hills.lineTo(size.width(), size.height());
    painter.drawPath(hills);
    painter.end();
    const QString path = QStringLiteral("%1/still-%2.jpg").arg(folder, QString::number(seed));
    image.save(path, "JPG", 90);
    return path;
}

QList<QAction *> rowActions(QObject *owner)
{
    QList<QAction *> actions;
    const QList<QPair<QString, QString>> list = {{"convert", "Convert"}, {"open-folder", "Open Destination Folder"},
                                                 {"remove", "Remove"}, {"pause", "Pause"}};
    for (const auto &entry : list)
        actions.append(new QAction(KelSkin::icon(entry.first), entry.second, owner));
    return actions;
}

// A sheet of samples, each with a caption above it.
class Sheet : public QWidget
{
public:
    Sheet()
    {
        setAttribute(Qt::WA_StyledBackground);
        setObjectName(QStringLiteral("gallerySheet"));
        grid = new QGridLayout(this);
        grid->setContentsMargins(16, 16, 16, 16);
        grid->setHorizontalSpacing(20);
        grid->setVerticalSpacing(6);
    }
    void add(const QString &caption, QWidget *sample, int column, int row = 0)
    {
        auto *label = new QLabel(caption, this);
        label->setProperty("dim", QStringLiteral("true"));
        grid->addWidget(label, row * 2, column);
        grid->addWidget(sample, row * 2 + 1, column, Qt::AlignLeft | Qt::AlignTop);
    }

private:
    QGridLayout *grid;
};

// A cell as a table row shows it: on the base colour, row height.
QWidget *onBase(QWidget *sample, const QSize &size)
{
    auto *frame = new QWidget;
    frame->setObjectName(QStringLiteral("baseFrame"));
    frame->setAttribute(Qt::WA_StyledBackground);
    frame->setStyleSheet(QStringLiteral("#baseFrame { background-color: %1; }")
                             .arg(KelSkin::color(QStringLiteral("base")).name()));
    frame->setFixedSize(size);
    sample->setParent(frame);
    sample->setGeometry(QRect(QPoint(0, 0), size));
    return frame;
}

void settle(QWidget *widget)
{
    widget->show();
    QVERIFY(QTest::qWaitForWindowExposed(widget));
    for (int i = 0; i < 3; ++i) {
        widget->repaint();
        QCoreApplication::processEvents();
    }
}

} // namespace

class TstViewsGallery : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir root;
    QTemporaryDir pictures;
    QList<QImage> shots;

    // Saves one shot and keeps it for the skin's overview sheet.
    bool shoot(QWidget *widget, const QString &name, const QString &state, const QString &skin)
    {
        shots.append(GuiTest::render(widget));
        return GuiTest::saveShot(widget, QStringLiteral("views"), name, state, skin);
    }

    // Every shot of a skin on one sheet, one under the other.
    bool saveOverview(const QString &skin)
    {
        int width = 0;
        int height = 0;
        for (const QImage &shot : std::as_const(shots)) {
            width = qMax(width, int(shot.deviceIndependentSize().width()));
            height += int(shot.deviceIndependentSize().height()) + 16;
        }
        const qreal ratio = shots.isEmpty() ? 1.0 : shots.first().devicePixelRatio();
        QImage sheet(QSize(width + 32, height + 16) * ratio, QImage::Format_ARGB32_Premultiplied);
        sheet.setDevicePixelRatio(ratio);
        sheet.fill(KelSkin::color(QStringLiteral("window")));
        QPainter painter(&sheet);
        int y = 16;
        for (const QImage &shot : std::as_const(shots)) {
            painter.drawImage(QPointF(16, y), shot);
            y += int(shot.deviceIndependentSize().height()) + 16;
        }
        painter.end();
        shots.clear();
        return sheet.save(GuiTest::screenshotPath(QStringLiteral("views"), QStringLiteral("overview"), QString(), skin));
    }

    void fillModel(ListFixtureModel &model)
    {
        struct Sample {
            const char *title;
            ListFixtureModel::Status status;
            Kel::Progress progress;
            bool picture;
        };
        const Sample samples[] = {
            {"Morning light over the harbour, a slow timelapse", ListFixtureModel::Working, {300 << 20, 126 << 20, 2 << 20}, true},
            {"How to repot a fiddle-leaf fig", ListFixtureModel::Waiting, {}, true},
            {"Live set at the river stage (full concert)", ListFixtureModel::Done, {}, true},
            {"https://video.example/watch?v=q3Rz81", ListFixtureModel::Analysing, {}, false},
            {"Bread baking basics: the long ferment", ListFixtureModel::Failed, {}, true},
            {"Coastal trail run, 4K", ListFixtureModel::Paused, {}, true},
        };
        int seed = 1;
        for (const Sample &sample : samples) {
            ListFixtureModel::Row row = model.makeRow(QString::fromUtf8(sample.title), sample.status, sample.progress);
            if (sample.picture)
                row.thumbnail = makePicture(pictures.path(), seed);
            ++seed;
            model.appendRow(row);
        }
    }

    void setColumns(ListTableView &view)
    {
        const int widths[] = {100, 216, 106, 60, 78, 70, 125};
        for (int column = 0; column < 7; ++column)
            view.setColumnWidth(column, widths[column]);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(root.isValid() && pictures.isValid());
        GuiTest::isolate(root);
        // Nothing is hovered unless a sample asks for it.
        QCursor::setPos(-500, -500);
    }

    void gallery_data()
    {
        QTest::addColumn<QString>("skin");
        for (const QString &skin : KelSkin::availableSkins())
            QTest::newRow(qPrintable(skin)) << skin;
    }

    void gallery()
    {
        QFETCH(QString, skin);
        QVERIFY(KelSkin::applySkin(skin));

        // Progress cells: working, paused, waiting, done, failed, selected.
        {
            Sheet sheet;
            const QSize cell(125, 62);
            auto addCell = [&](const QString &caption, int column, const std::function<void(ListTableProgressBar *)> &set) {
                auto *bar = new ListTableProgressBar;
                set(bar);
                sheet.add(caption, onBase(bar, cell), column);
            };
            addCell(QStringLiteral("working"), 0, [](ListTableProgressBar *b) {
                b->setStatus(QStringLiteral("working"));
                b->setProgress(Kel::Progress(300 << 20, 126 << 20, 2 << 20));
            });
            addCell(QStringLiteral("paused"), 1, [](ListTableProgressBar *b) {
                b->setStatus(QStringLiteral("pause"));
                b->setProgress(Kel::Progress(300 << 20, 204 << 20, 0));
            });
            addCell(QStringLiteral("waiting"), 2, [](ListTableProgressBar *b) {
                b->setStatus(QStringLiteral("waitting"));
                b->setProgress(Kel::Progress(300 << 20, 30 << 20, 0));
            });
            addCell(QStringLiteral("done"), 3, [](ListTableProgressBar *b) { b->setCompleted(true); });
            addCell(QStringLiteral("failed"), 4, [](ListTableProgressBar *b) { b->setFailed(true); });
            addCell(QStringLiteral("text"), 5, [](ListTableProgressBar *b) { b->setText(QStringLiteral("Analysing")); });
            settle(&sheet);
            QVERIFY(shoot(&sheet, QStringLiteral("progress-cell"),
                                      QStringLiteral("states"), skin));
        }

        // Tool bars: both layers of the first button, and a disabled action.
        {
            Sheet sheet;
            const QList<QAction *> actions = rowActions(&sheet);
            auto *first = new ListItemToolBar;
            for (int i = 0; i < 4; ++i)
                first->setAction(actions.at(i), i % 3, i / 3);
            auto *second = new ListItemToolBar;
            for (int i = 0; i < 4; ++i)
                second->setAction(actions.at(i), i % 3, i / 3);
            second->setVisibleButton(0, 1);
            auto *disabled = new ListItemToolBar;
            QAction *off = new QAction(KelSkin::icon(QStringLiteral("convert")), QStringLiteral("Convert"), &sheet);
            off->setEnabled(false);
            disabled->setAction(off, 0, 0);
            disabled->setAction(actions.at(1), 1, 0);
            disabled->setAction(actions.at(2), 2, 0);
            sheet.add(QStringLiteral("layer 0"), first, 0);
            sheet.add(QStringLiteral("layer 1"), second, 1);
            sheet.add(QStringLiteral("disabled action"), disabled, 2);
            settle(&sheet);
            QVERIFY(shoot(&sheet, QStringLiteral("toolbar"),
                                      QStringLiteral("layers"), skin));
        }

        // Tiles in every status, selected and hovered; table thumbnails.
        {
            Sheet sheet;
            const QList<QAction *> actions = rowActions(&sheet);
            struct TileState {
                const char *caption;
                void (ListViewThumbnailWidget::*set)();
                int percent;
            };
            const TileState states[] = {
                {"working", &ListViewThumbnailWidget::setWorking, 42}, {"waiting", &ListViewThumbnailWidget::setWaitting, -1},
                {"done", &ListViewThumbnailWidget::setCompleted, -1}, {"failed", &ListViewThumbnailWidget::setFailed, -1},
                {"paused", &ListViewThumbnailWidget::setPause, -1}, {"analysing", &ListViewThumbnailWidget::setAnalysing, -1},
                {"normal", &ListViewThumbnailWidget::setNormal, -1}};
            int index = 0;
            for (const TileState &state : states) {
                auto *tile = new ListViewThumbnailWidget;
                tile->setToolBarActions(actions);
                (tile->*state.set)();
                if (state.percent >= 0)
                    tile->setProgress(Kel::Progress(100, state.percent, 3));
                if (index != 5)
                    tile->setThumbnail(makePicture(pictures.path(), 10 + index));
                tile->setText(QStringLiteral("A walk through the old town at dusk"));
                tile->setDuration(index == 5 ? 0 : 95 + index * 611);
                sheet.add(QString::fromLatin1(state.caption), onBase(tile, tile->size()), index % 4, index / 4);
                ++index;
            }
            auto *selected = new ListViewThumbnailWidget;
            selected->setThumbnail(makePicture(pictures.path(), 20));
            selected->setText(QStringLiteral("Selected tile"));
            selected->setDuration(3725);
            selected->setSelected(true);
            sheet.add(QStringLiteral("selected"), onBase(selected, selected->size()), 3, 1);
            auto *hovered = new ListViewThumbnailWidget;
            hovered->setToolBarActions(actions);
            hovered->setThumbnail(makePicture(pictures.path(), 21));
            hovered->setText(QStringLiteral("Hovered tile"));
            hovered->setDuration(59);
            hovered->setHovered(true);
            sheet.add(QStringLiteral("hovered"), onBase(hovered, hovered->size()), 0, 2);
            auto *letterboxed = new ListTableThumbnailWidget;
            letterboxed->setThumbnail(makePicture(pictures.path(), 22, QSize(480, 360)));
            sheet.add(QStringLiteral("table thumbnail (4:3 source)"), onBase(letterboxed, QSize(100, 62)), 1, 2);
            sheet.add(QStringLiteral("table placeholder"), onBase(new ListTableThumbnailWidget, QSize(100, 62)), 2, 2);
            settle(&sheet);
            QVERIFY(shoot(&sheet, QStringLiteral("tile"),
                                      QStringLiteral("states"), skin));
        }

        // Named tiles of the conversion dialog.
        {
            QListWidget list;
            list.setViewMode(QListView::IconMode);
            list.setFlow(QListView::LeftToRight);
            list.setSpacing(4);
            list.resize(640, 170);
            const QList<QPair<QString, QString>> profiles = {
                {"iPhone", "Full HD H.264 video with AAC sound for recent iPhones."},
                {"iPad", "Full HD for iPads"},
                {"Smart TV 1080p", "H.264 1080p"},
                {"Web Video 720p", "For sharing"},
                {"FLAC", "Lossless audio"}};
            int index = 0;
            for (const auto &profile : profiles) {
                auto *item = new ThumbnailListWidgetItem(&list);
                item->setItemWidget();
                item->setText(profile.first);
                item->setDescription(profile.second);
                item->setSelected(index++ == 1);
            }
            settle(&list);
            QVERIFY(shoot(&list, QStringLiteral("profile-tiles"),
                                      QStringLiteral("states"), skin));
        }

        // The detail table with a hovered, a selected and working rows.
        {
            ListFixtureModel model;
            fillModel(model);
            ListTableView table;
            table.setObjectName(QStringLiteral("downloadListTableView"));
            table.setModel(&model);
            table.setRowActions(rowActions(&table));
            table.resize(780, 430);
            settle(&table);
            QCOMPARE(table.getThumbnailColumn(), 0);
            QCOMPARE(table.getProgressBarColumn(), 6);
            setColumns(table);
            table.onSelect(2);
            table.setMouseOverRow(0);
            settle(&table);
            QVERIFY(shoot(&table, QStringLiteral("table"),
                                      QStringLiteral("rows"), skin));

            // A rubber band over part of two rows.
            const QRect from = table.visualRect(model.index(3, 4));
            const QRect to = table.visualRect(model.index(4, 3));
            table.setMouseOverRow(-1);
            QTest::mousePress(table.viewport(), Qt::LeftButton, Qt::NoModifier, from.center());
            QTest::mouseMove(table.viewport(), (from.center() + to.center()) / 2);
            QTest::mouseMove(table.viewport(), to.center());
            QVERIFY(table.isRubberBandActive());
            settle(&table);
            QVERIFY(shoot(&table, QStringLiteral("table"),
                                      QStringLiteral("rubberband"), skin));
            QTest::mouseRelease(table.viewport(), Qt::LeftButton, Qt::NoModifier, to.center());
        }

        // The thumbnail grid of the same rows.
        {
            ListFixtureModel model;
            fillModel(model);
            ListThumbView grid;
            grid.setModel(&model);
            grid.setRowActions(rowActions(&grid));
            grid.resize(700, 400);
            settle(&grid);
            grid.onSelect(2);
            grid.setMouseOverRow(0);
            settle(&grid);
            QVERIFY(shoot(&grid, QStringLiteral("grid"),
                                      QStringLiteral("rows"), skin));
        }
        QVERIFY(saveOverview(skin));
    }
};

QTEST_MAIN(TstViewsGallery)
#include "tst_viewsgallery.moc"
