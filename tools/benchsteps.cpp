#include "benchsteps.h"

#include "data/columns.h"
#include "data/gridmodel.h"
#include "reports/listingcolumns.h"

#include <algorithm>
#include <sys/resource.h>

namespace Bench {

QTextStream& out() {
    static QTextStream stream(stdout);
    return stream;
}

// Reads the first screen of a grid, as the view does after a change.
void readFirstScreen(GridModel& grid) {
    const int rows = std::min(grid.rowCount(), 30);
    for (int row = 0; row < rows; ++row)
        for (int column = 0; column < grid.columnCount(); ++column)
            grid.data(grid.index(row, column));
}

long peakMemoryMB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

ListingInputs listingInputs() {
    ListingInputs inputs;
    inputs.columns = ListingColumns::initial();
    return inputs;
}

QString listingColumnsSql() {
    QStringList names;
    for (const auto& column : ListingColumns::initial())
        names << Columns::quoted(column.field);
    return names.join(QStringLiteral(", "));
}

void printHeader(const QString& tool) {
    out() << QStringLiteral("| %1 | %2 | %3 | %4 | %5 |")
                 .arg(QStringLiteral("step"), -28)
                 .arg(QStringLiteral("velmora ms"), 10)
                 .arg(tool + QStringLiteral(" ms"), 10)
                 .arg(QStringLiteral("ratio"), 6)
                 .arg(QStringLiteral("note"))
          << Qt::endl;
}

void printRow(const QString& step, double ms, double toolMs, const QString& note) {
    out() << QStringLiteral("| %1 | %2 | %3 | %4 | %5 |")
                 .arg(step, -28)
                 .arg(ms, 10, 'f', 1)
                 .arg(toolMs, 10, 'f', 1)
                 .arg(toolMs > 0 ? ms / toolMs : 0.0, 6, 'f', 2)
                 .arg(note)
          << Qt::endl;
}

double median(QList<double> values) {
    if (values.isEmpty())
        return 0.0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace Bench
