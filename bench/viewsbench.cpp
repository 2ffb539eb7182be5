// The list views with 1,000 rows, against views of the same model whose
// delegates paint thumbnails and progress bars instead of holding widgets.
//
//     bench_views [--rows N] [--rounds N]
//
// Each of four views runs in a process of its own, so that memory is its own:
// the detail table and the thumbnail grid of widgetkit (live cells) and a
// table and a grid with painted cells (the baseline). Measured, on the
// offscreen platform with the light skin's style sheet:
//   insert  - appending the rows one by one, as the pages do, until drawn;
//   round   - the GUI-thread time of one round in which every row reports new
//             progress, until drawn (median of the rounds);
//   memory  - the process's resident memory gained by the view and its rows,
//             once drawn and once every row has been on screen;
//   scroll  - going through the whole list a page at a time.
// Lines "views: <view> insert <ms> ms, round <ms> ms, memory <KiB> KiB,
// memory after scrolling <KiB> KiB, scroll <ms> ms" and a summary with the
// targets (1,000 rows inserted in under 1 s, a round under 20 ms). Ends with 1
// when a live view misses a target.
#include "listfixturemodel.h"

#include "kelframe/kelfolders.h"
#include "kelframe/kelskin.h"
#include "widgetkit/listitemroles.h"
#include "widgetkit/listtableview.h"
#include "widgetkit/listthumbview.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QImageReader>
#include <QListView>
#include <QPainter>
#include <QPainterPath>
#include <QPixmapCache>
#include <QProcess>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <memory>
#include <vector>

#include "benchoutput.h"

namespace {

using Bench::out;
using Bench::median;

qint64 residentKiB()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields.at(1).toLongLong() * 4 : -1;
}

double msSince(const QElapsedTimer &clock)
{
    return double(clock.nsecsElapsed()) / 1e6;
}

// Thumbnails decoded once at the size shown, for the painted baseline.
QPixmap cachedPicture(const QString &path, const QSize &size)
{
    const QString key = QStringLiteral("bench|%1|%2x%3").arg(path).arg(size.width()).arg(size.height());
    QPixmap pixmap;
    if (QPixmapCache::find(key, &pixmap))
        return pixmap;
    QImageReader reader(path);
    reader.setScaledSize(size);
    pixmap = QPixmap::fromImage(reader.read());
    QPixmapCache::insert(key, pixmap);
    return pixmap;
}

void paintBar(QPainter *painter, const QRect &rect, int percent, const QPalette &palette)
{
    painter->setPen(Qt::NoPen);
    painter->setBrush(palette.color(QPalette::Mid));
    painter->drawRoundedRect(rect, 3, 3);
    QRect chunk = rect;
    chunk.setWidth(rect.width() * percent / 100);
    painter->setBrush(palette.color(QPalette::Highlight));
    painter->drawRoundedRect(chunk, 3, 3);
}

// The baseline: the table's thumbnail and progress cells painted.
class PaintedTableDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::paint(painter, option, index);
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        if (index.column() == ListFixtureModel::ThumbnailColumn) {
            const QString path = index.data(Tarn::ThumbnailRole).toString();
            if (!path.isEmpty())
                painter->drawPixmap(option.rect.topLeft() + QPoint(7, 7), cachedPicture(path, QSize(86, 48)));
        } else if (index.column() == ListFixtureModel::StatusColumn) {
            const Kel::Progress progress = index.data(Tarn::ProgressRole).value<Kel::Progress>();
            if (progress.isValid()) {
                const QRect bar(option.rect.left() + 10, option.rect.center().y() - 8, option.rect.width() - 20, 6);
                paintBar(painter, bar, int(progress.percent()), option.palette);
                painter->setPen(option.palette.color(QPalette::Text));
                painter->drawText(QRect(option.rect.left(), bar.bottom() + 4, option.rect.width(), 16),
                                  Qt::AlignCenter, progress.toString(Kel::Progress::PercentOnly));
            }
        }
        painter->restore();
    }
};

// The baseline grid: every tile painted.
class PaintedGridDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem &, const QModelIndex &) const override { return QSize(204, 154); }
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        if (option.state & QStyle::State_Selected)
            painter->fillRect(option.rect, option.palette.color(QPalette::Highlight));
        const QRect picture(option.rect.topLeft() + QPoint(6, 6), QSize(192, 108));
        const QString path = index.data(Tarn::ThumbnailRole).toString();
        if (!path.isEmpty())
            painter->drawPixmap(picture.topLeft(), cachedPicture(path, picture.size()));
        const Kel::Progress progress = index.data(Tarn::ItemProgressRole).value<Kel::Progress>();
        if (progress.isValid())
            paintBar(painter, QRect(picture.left() + 8, picture.bottom() - 9, picture.width() - 16, 4),
                     int(progress.percent()), option.palette);
        painter->setPen(option.palette.color(QPalette::Text));
        const QRect title(picture.left(), picture.bottom() + 6, picture.width(), 28);
        painter->drawText(title, Qt::AlignLeft | Qt::AlignVCenter,
                          option.fontMetrics.elidedText(index.data(Tarn::TitleRole).toString(), Qt::ElideRight,
                                                        title.width()));
        painter->restore();
    }
};

std::unique_ptr<QAbstractItemView> makeView(const QString &kind)
{
    if (kind == QLatin1String("table")) {
        auto view = std::make_unique<Tarn::ListTableView>();
        view->setObjectName(QStringLiteral("downloadListTableView"));
        return view;
    }
    if (kind == QLatin1String("grid"))
        return std::make_unique<Tarn::ListThumbView>();
    if (kind == QLatin1String("painted-table")) {
        auto view = std::make_unique<QTableView>();
        view->setItemDelegate(new PaintedTableDelegate(view.get()));
        view->verticalHeader()->setDefaultSectionSize(62);
        view->verticalHeader()->hide();
        view->setSelectionBehavior(QAbstractItemView::SelectRows);
        view->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
        return view;
    }
    auto view = std::make_unique<QListView>();
    view->setViewMode(QListView::IconMode);
    view->setMovement(QListView::Static);
    view->setResizeMode(QListView::Adjust);
    view->setUniformItemSizes(true);
    view->setSpacing(6);
    view->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    view->setItemDelegate(new PaintedGridDelegate(view.get()));
    return view;
}

void drawNow(QAbstractItemView *view)
{
    QCoreApplication::processEvents();
    view->viewport()->repaint();
}

// One view in this process; prints its line.
int runOne(const QString &kind, int rows, int rounds, bool scroll)
{
    QTemporaryDir root;
    Kel::setFolderRoot(root.path());
    KelSkin::setResourceDir(QStringLiteral(MARLIN_SOURCE_DIR "/resource"));
    KelSkin::applySkin(QStringLiteral("light"));

    // Every row has a thumbnail of its own, as downloads do.
    QStringList pictures;
    for (int i = 0; i < rows; ++i) {
        QImage image(320, 180, QImage::Format_RGB32);
        image.fill(QColor::fromHsv((i * 37) % 360, 120, 220));
        const QString path = root.filePath(QStringLiteral("thumb-%1.jpg").arg(i));
        image.save(path, "JPG", 85);
        pictures.append(path);
    }

    ListFixtureModel model;
    std::unique_ptr<QAbstractItemView> view = makeView(kind);
    view->setModel(&model);
    view->resize(1000, 700);
    view->show();
    drawNow(view.get());
    const qint64 before = residentKiB();

    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < rows; ++i) {
        ListFixtureModel::Row row = model.makeRow(QStringLiteral("Sample video number %1 with a longish title").arg(i),
                                                  ListFixtureModel::Working, Kel::Progress(1000, 1, 10));
        row.thumbnail = pictures.at(i);
        model.appendRow(row);
    }
    drawNow(view.get());
    const double insertMs = msSince(clock);
    const qint64 afterInsert = residentKiB();

    std::vector<double> roundMs;
    for (int round = 0; round < rounds; ++round) {
        clock.restart();
        for (int i = 0; i < rows; ++i)
            model.setProgress(i, Kel::Progress(1000, 10 + round * 40 + i % 7, 1000 + round));
        drawNow(view.get());
        roundMs.push_back(msSince(clock));
    }

    clock.restart();
    QScrollBar *bar = view->verticalScrollBar();
    while (scroll && bar->value() < bar->maximum()) {
        bar->setValue(bar->value() + view->viewport()->height());
        drawNow(view.get());
    }
    const double scrollMs = msSince(clock);
    const qint64 afterScroll = residentKiB();

    out() << "views: " << kind << " insert " << QString::number(insertMs, 'f', 1) << " ms, round "
          << QString::number(median(roundMs), 'f', 2) << " ms, memory " << (afterInsert - before)
          << " KiB, memory after scrolling " << (afterScroll - before) << " KiB, scroll "
          << QString::number(scrollMs, 'f', 1) << " ms\n";
    out().flush();
    return 0;
}

struct Result {
    double insertMs = -1;
    double roundMs = -1;
    qint64 memory = -1;
    qint64 scrolledMemory = -1;
};

Result parse(const QString &line)
{
    Result result;
    const QRegularExpression pattern(QStringLiteral(
        "insert ([0-9.]+) ms, round ([0-9.]+) ms, memory (-?[0-9]+) KiB, memory after scrolling (-?[0-9]+) KiB"));
    const QRegularExpressionMatch match = pattern.match(line);
    if (match.hasMatch()) {
        result.insertMs = match.captured(1).toDouble();
        result.roundMs = match.captured(2).toDouble();
        result.memory = match.captured(3).toLongLong();
        result.scrolledMemory = match.captured(4).toLongLong();
    }
    return result;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("The list views with many rows against painted cells."));
    parser.addHelpOption();
    const QCommandLineOption rowsOption(QStringLiteral("rows"), QStringLiteral("Rows."), QStringLiteral("N"),
                                        QStringLiteral("1000"));
    const QCommandLineOption roundsOption(QStringLiteral("rounds"), QStringLiteral("Progress rounds."),
                                          QStringLiteral("N"), QStringLiteral("15"));
    const QCommandLineOption viewOption(QStringLiteral("view"), QStringLiteral("Runs one view in this process."),
                                        QStringLiteral("KIND"));
    const QCommandLineOption noScrollOption(QStringLiteral("no-scroll"),
                                            QStringLiteral("Leaves out going through the list (with --view)."));
    parser.addOptions({rowsOption, roundsOption, viewOption, noScrollOption});
    parser.process(app);
    const int rows = parser.value(rowsOption).toInt();
    const int rounds = qMax(1, parser.value(roundsOption).toInt());
    if (parser.isSet(viewOption))
        return runOne(parser.value(viewOption), rows, rounds, !parser.isSet(noScrollOption));

    const QStringList kinds = {QStringLiteral("table"), QStringLiteral("painted-table"), QStringLiteral("grid"),
                               QStringLiteral("painted-grid")};
    QHash<QString, Result> results;
    for (const QString &kind : kinds) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--view"), kind, QStringLiteral("--rows"), QString::number(rows),
                     QStringLiteral("--rounds"), QString::number(rounds)});
        if (!child.waitForFinished(600000) || child.exitCode() != 0) {
            out() << "views: " << kind << " did not run\n";
            return 2;
        }
        const QString line = QString::fromUtf8(child.readAllStandardOutput()).trimmed();
        out() << line << "\n";
        results.insert(kind, parse(line));
    }

    bool met = true;
    for (const QString &kind : {QStringLiteral("table"), QStringLiteral("grid")}) {
        const Result live = results.value(kind);
        const Result painted = results.value(QStringLiteral("painted-") + kind);
        const bool insertMet = live.insertMs >= 0 && live.insertMs < 1000;
        const bool roundMet = live.roundMs >= 0 && live.roundMs < 20;
        met = met && insertMet && roundMet;
        out() << "views: " << kind << " " << rows << " rows: insert " << live.insertMs << " ms (painted "
              << painted.insertMs << " ms, target < 1000 ms, " << (insertMet ? "met" : "MISSED") << "), round "
              << live.roundMs << " ms (painted " << painted.roundMs << " ms, target < 20 ms, "
              << (roundMet ? "met" : "MISSED") << "), memory " << live.memory << " KiB (painted " << painted.memory
              << " KiB), after scrolling " << live.scrolledMemory << " KiB (painted " << painted.scrolledMemory
              << " KiB); round ratio " << QString::number(live.roundMs / qMax(0.001, painted.roundMs), 'f', 2)
              << "\n";
    }
    out().flush();
    return met ? 0 : 1;
}
