#include "cli/progressprinter.h"

#include "cli/console.h"
#include "shared/keltime.h"
#include "shared/kelunits.h"

#include <QStringList>

namespace Tarn {

namespace {

constexpr int redrawIntervalMs = 100;

// The text cut to columns characters, with "…" where it was cut.
QString fitted(const QString &text, int columns)
{
    if (columns <= 1 || text.size() <= columns)
        return text;
    return text.left(columns - 1) + QChar(0x2026);
}

} // namespace

ProgressPrinter::ProgressPrinter(Mode mode, QObject *parent)
    : QObject(parent)
    , printMode(mode)
{
    redrawTimer.setSingleShot(true);
    redrawTimer.setInterval(redrawIntervalMs);
    connect(&redrawTimer, &QTimer::timeout, this, &ProgressPrinter::redraw);
}

ProgressPrinter::Mode ProgressPrinter::modeFor(bool quiet)
{
    if (quiet)
        return Silent;
    return Console::isOutputTerminal() ? Live : Plain;
}

int ProgressPrinter::addRow(const QString &label)
{
    Row row;
    row.label = label;
    row.phaseClock.start();
    rows.append(row);
    rowChanged(rows.size() - 1, false);
    return rows.size() - 1;
}

void ProgressPrinter::setLabel(int row, const QString &label)
{
    if (row < 0 || row >= rows.size() || rows[row].done || rows[row].label == label)
        return;
    rows[row].label = label;
    rowChanged(row, false);
}

void ProgressPrinter::setPhase(int row, const QString &phase)
{
    if (row < 0 || row >= rows.size() || rows[row].done || rows[row].phase == phase)
        return;
    Row &r = rows[row];
    r.phase = phase;
    r.progress = Kel::Progress();
    r.shownTenth = -1;
    r.phaseClock.restart();
    rowChanged(row, true);
}

void ProgressPrinter::setProgress(int row, const Kel::Progress &progress, bool bytes)
{
    if (row < 0 || row >= rows.size() || rows[row].done)
        return;
    rows[row].progress = progress;
    rows[row].bytes = bytes;
    rowChanged(row, false);
}

void ProgressPrinter::setDone(int row, const QString &text)
{
    if (row < 0 || row >= rows.size() || rows[row].done)
        return;
    rows[row].done = true;
    rows[row].doneText = text;
    rowChanged(row, true);
}

void ProgressPrinter::message(const QString &text)
{
    switch (printMode) {
    case Silent:
        break;
    case Plain:
        Console::out(text + QLatin1Char('\n'));
        break;
    case Live:
        if (stopped) {
            Console::out(text + QLatin1Char('\n'));
            break;
        }
        // Above the block: the rows are drawn again below it.
        if (drawnLines > 0)
            Console::out(QStringLiteral("\x1b[%1F\x1b[J").arg(drawnLines));
        Console::out(text + QLatin1Char('\n'));
        drawnLines = 0;
        redraw();
        break;
    }
}

void ProgressPrinter::stop()
{
    if (stopped)
        return;
    if (printMode == Live)
        redraw();
    redrawTimer.stop();
    stopped = true;
}

void ProgressPrinter::rowChanged(int row, bool phaseChanged)
{
    if (stopped)
        return;
    switch (printMode) {
    case Silent:
        break;
    case Plain: {
        Row &r = rows[row];
        const qint64 percent = r.progress.percent();
        const int tenth = percent < 0 ? -1 : int(qMin<qint64>(percent, 100) / 10);
        if (phaseChanged || tenth > r.shownTenth) {
            r.shownTenth = qMax(r.shownTenth, tenth);
            printPlain(row);
        }
        break;
    }
    case Live:
        // A new or finished row shows at once; progress at most every tick.
        if (phaseChanged || row >= drawnLines)
            redraw();
        else if (!redrawTimer.isActive())
            redrawTimer.start();
        break;
    }
}

void ProgressPrinter::printPlain(int row)
{
    const Row &r = rows.at(row);
    const QString text = rowText(r);
    if (!text.isEmpty())
        Console::out(QStringLiteral("[%1] %2\n").arg(row + 1).arg(text));
}

void ProgressPrinter::redraw()
{
    if (printMode != Live)
        return;
    redrawTimer.stop();
    const int columns = Console::outputColumns();
    QString block;
    if (drawnLines > 0)
        block += QStringLiteral("\x1b[%1F").arg(drawnLines);
    for (const Row &r : qAsConst(rows))
        block += QStringLiteral("\x1b[2K") + fitted(rowText(r), columns - 1) + QLatin1Char('\n');
    drawnLines = rows.size();
    Console::out(block);
}

QString ProgressPrinter::rowText(const Row &row) const
{
    QStringList parts;
    parts += row.label;
    if (row.done) {
        parts += row.doneText;
    } else {
        if (!row.phase.isEmpty())
            parts += row.phase;
        const QString progress = progressText(row.progress, row.bytes, row.phaseClock.elapsed());
        if (!progress.isEmpty())
            parts += progress;
    }
    return parts.join(QLatin1String("  "));
}

QString ProgressPrinter::progressText(const Kel::Progress &progress, bool bytes, qint64 elapsedMs)
{
    QStringList parts;
    const qint64 percent = progress.percent();
    if (percent >= 0)
        parts += QStringLiteral("%1%").arg(qMin<qint64>(percent, 100));
    if (bytes && progress.total > 0)
        parts += tr("%1 of %2").arg(Kel::Units::sizeString(progress.finish), Kel::Units::sizeString(progress.total));
    else if (bytes && progress.finish > 0)
        parts += Kel::Units::sizeString(progress.finish);
    if (bytes && progress.speed > 0)
        parts += tr("%1/s").arg(Kel::Units::sizeString(progress.speed));

    qint64 remaining = -1;
    if (bytes && progress.total > 0 && progress.speed > 0 && progress.finish <= progress.total)
        remaining = (progress.total - progress.finish) / progress.speed;
    else if (percent > 0 && percent < 100 && elapsedMs > 0)
        remaining = elapsedMs * (100 - percent) / percent / 1000;
    if (remaining >= 0)
        parts += tr("%1 left").arg(Kel::Time::fromSeconds(remaining).toShortString());
    return parts.join(QLatin1String("  "));
}

} // namespace Tarn
