#pragma once

#include "reports/listingwriter.h"

#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <QTextStream>

class GridModel;

// What the benchmark's two storages share: timing, the result table, the listing measured.
namespace Bench {

QTextStream& out();

// Reads the first screen of a grid, as the view does after a change.
void readFirstScreen(GridModel& grid);

template <typename Work> double timed(Work work) {
    QElapsedTimer timer;
    timer.start();
    work();
    return timer.nsecsElapsed() / 1e6;
}

long peakMemoryMB();

// The listing the register starts with: its ten columns, titled by field.
ListingInputs listingInputs();
// Its columns as SQL names them.
QString listingColumnsSql();

struct Step {
    QString name;
    double ms;
    QString toolStatement; // what the other tool runs for the same work; empty: no equivalent
    QString note;
    int runs = 1; // the median of this many runs, here and in the other tool
};

// The head of the result table, and one row: our time beside the other tool's, and their ratio.
void printHeader(const QString& tool);
void printRow(const QString& step, double ms, double toolMs, const QString& note);

double median(QList<double> values);

template <typename Work> double medianOfRuns(int runs, Work work) {
    QList<double> times;
    for (int run = 0; run < runs; ++run)
        times << timed(work);
    return median(times);
}

// The rows a listing gives the screen, as the report window does.
constexpr int kShownRows = 5000;

} // namespace Bench
