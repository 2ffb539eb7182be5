#pragma once

#include "shared/progress.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTimer>

namespace Tarn {

// Shows one row per job on standard output: on a terminal, a block of live
// lines redrawn in place; elsewhere, plain lines when a job changes phase
// or passes another tenth of its work; nothing at all when silent.
class ProgressPrinter : public QObject
{
    Q_OBJECT
public:
    enum Mode {
        Live,
        Plain,
        Silent,
    };

    explicit ProgressPrinter(Mode mode, QObject *parent = nullptr);
    // Live on a terminal, Plain elsewhere, Silent when quiet.
    static Mode modeFor(bool quiet);
    Mode mode() const { return printMode; }

    // A new row; its number for the calls below.
    int addRow(const QString &label);
    void setLabel(int row, const QString &label);
    // A new phase ("downloading") restarts the clock of the remaining time.
    void setPhase(int row, const QString &phase);
    // bytes: total and finish are bytes; otherwise total is 100 and finish
    // a percentage.
    void setProgress(int row, const Kel::Progress &progress, bool bytes);
    // The row's last words; it changes no more.
    void setDone(int row, const QString &text);
    // A line of its own above the rows.
    void message(const QString &text);
    // Draws the rows one last time; nothing is shown afterwards.
    void stop();

    // "45%  1MB of 3MB  120KB/s  0:12 left"; empty parts are left out.
    static QString progressText(const Kel::Progress &progress, bool bytes, qint64 elapsedMs);

private:
    struct Row
    {
        QString label;
        QString phase;
        Kel::Progress progress;
        bool bytes = true;
        bool done = false;
        QString doneText;
        QElapsedTimer phaseClock;
        int shownTenth = -1;
    };

    QString rowText(const Row &row) const;
    void rowChanged(int row, bool phaseChanged);
    void printPlain(int row);
    void redraw();

    Mode printMode;
    QList<Row> rows;
    int drawnLines = 0;
    QTimer redrawTimer;
    bool stopped = false;
};

} // namespace Tarn
