#include "listingpages.h"

#include "common/textfile.h"
#include "data/recordreader.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QTextLayout>
#include <memory>
#include <numeric>
#include <optional>

namespace {

// Records read ahead to size the columns.
constexpr int kSampleRows = 1000;
// How often the drawing asks whether to stop.
constexpr int kStopCheckRows = 64;

QFont fontOf(const QString& family, const QString& size, bool bold) {
    QFont font(family.isEmpty() ? QStringLiteral("Arial") : family);
    bool ok = false;
    const double points = size.trimmed().toDouble(&ok);
    font.setPointSizeF(ok && points >= 4 && points <= 72 ? points : 8);
    font.setBold(bold);
    return font;
}

// One cell's text laid out: a single line drawn as it is, or wrapped lines.
struct Cell {
    QString text;
    std::unique_ptr<QTextLayout> wrapped;
    double height = 0;
};

} // namespace

// The geometry of the pages and the columns, and where the next row goes.
struct ListingPages::Layout {
    QPainter& painter;
    QPagedPaintDevice& device;
    QRectF area;    // the printable part of a page, in device pixels
    double padding; // inside each cell
    double footer;  // room for the page number
    QFont tableFont;
    QFont titleFont;
    QFontMetricsF tableMetrics;
    QFontMetricsF titleMetrics;
    QVector<double> left; // of each column, and its right edge last
    double y = 0;
    int page = 1;

    Layout(QPainter& painter, QPagedPaintDevice& device, const QFont& table)
        : painter(painter), device(device), tableFont(table, &device), titleFont(table, &device),
          tableMetrics(tableFont, &device), titleMetrics(titleFont, &device) {
        titleFont.setBold(true);
        titleMetrics = QFontMetricsF(titleFont, &device);
        const QRectF paint = device.pageLayout().paintRectPixels(device.logicalDpiX());
        area = QRectF(QPointF(0, 0), paint.size());
        padding = points(2);
        footer = points(14);
    }

    double points(double value) const { return value * device.logicalDpiY() / 72.0; }
    double bottom() const { return area.bottom() - footer; }
    double width(int column) const { return left[column + 1] - left[column] - 2 * padding; }

    Cell cell(const QString& text, int column, const QFont& font, const QFontMetricsF& metrics) const {
        Cell cell{text, nullptr, metrics.height()};
        if (!text.contains(u'\n') && metrics.horizontalAdvance(text) <= width(column))
            return cell;
        cell.wrapped = std::make_unique<QTextLayout>(text, font, &device);
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        cell.wrapped->setTextOption(option);
        cell.wrapped->beginLayout();
        double height = 0;
        for (QTextLine line = cell.wrapped->createLine(); line.isValid(); line = cell.wrapped->createLine()) {
            line.setLineWidth(width(column));
            line.setPosition(QPointF(0, height));
            height += line.height();
        }
        cell.wrapped->endLayout();
        cell.height = std::max(height, metrics.height());
        return cell;
    }

    // Draws a row of cells whose top is at `top`.
    void drawRow(const std::vector<Cell>& cells, double top, double height, bool centred,
                 const QFontMetricsF& metrics) {
        painter.setPen(QPen(QColor(0xB0, 0xB0, 0xB0), points(0.5)));
        for (size_t column = 0; column < cells.size(); ++column)
            painter.drawRect(QRectF(left[column], top, left[column + 1] - left[column], height));
        painter.setPen(Qt::black);
        for (size_t column = 0; column < cells.size(); ++column) {
            const Cell& cell = cells[column];
            const double x = left[column] + padding;
            if (cell.wrapped) {
                cell.wrapped->draw(&painter, QPointF(x, top + padding));
            } else {
                const double shift =
                    centred ? (width(static_cast<int>(column)) - metrics.horizontalAdvance(cell.text)) / 2
                            : 0;
                painter.drawText(QPointF(x + std::max(shift, 0.0), top + padding + metrics.ascent()),
                                 cell.text);
            }
        }
    }

    void drawPageNumber() {
        QFont small = tableFont;
        small.setPointSizeF(7);
        painter.setFont(small);
        painter.setPen(Qt::darkGray);
        painter.drawText(QRectF(area.left(), area.bottom() - footer, area.width(), footer),
                         Qt::AlignRight | Qt::AlignBottom, QStringLiteral("Página %1").arg(page));
    }
};

ListingPages::ListingPages(const ListingWriter& listing)
    : m_listing(listing), m_titles(listing.titles()), m_fieldCount(listing.fieldCount()),
      m_tableFont(fontOf(listing.inputs().tableFont, listing.inputs().tableFontSize, false)),
      m_headerFont(fontOf(listing.inputs().headerFont, listing.inputs().headerFontSize, true)),
      m_header(listing.inputs().header) {}

// The texts of a row as the listing shows them: " - " for an empty value, an
// annotation's lines one under the other.
QStringList ListingPages::cellTexts(const StoredRow& row) const {
    QStringList texts;
    for (qsizetype column = 0; column < row.size(); ++column) {
        QString text = QString::fromUtf8(row.value(column).toByteArray() +
                                         m_listing.numberMark(column, row.value(column)));
        if (column >= m_fieldCount)
            text = TextFile::splitLines(text).join(u'\n');
        texts << (text.isEmpty() ? QStringLiteral(" - ") : text);
    }
    return texts;
}

ListingPages::Outcome ListingPages::paint(QPainter& painter, QPagedPaintDevice& device,
                                          const RecordReader& records,
                                          const std::function<void(int)>& progress,
                                          const std::function<bool()>& stop, int pageLimit) const {
    RecordReader sample = records.spread(kSampleRows);
    RecordReader reader = records;
    Layout layout(painter, device, m_tableFont);
    const int columns = static_cast<int>(m_titles.size());

    // Column widths: what the first rows need, and the titles' longest words (a title may
    // take two lines), shared out over the page.
    QVector<double> natural(columns, 0);
    for (int column = 0; column < columns; ++column) {
        for (const QString& word : m_titles[column].split(u' ', Qt::SkipEmptyParts))
            natural[column] = std::max(natural[column], layout.titleMetrics.horizontalAdvance(word));
    }
    StoredRow row;
    while (sample.next(row)) {
        const QStringList texts = cellTexts(row);
        for (int column = 0; column < columns; ++column) {
            for (const QString& line : texts[column].split(u'\n'))
                natural[column] = std::max(natural[column], layout.tableMetrics.horizontalAdvance(line));
        }
    }
    const double available = layout.area.width();
    for (double& width : natural)
        width = std::min(width + 2 * layout.padding + 1, available / 2);
    const double total = std::accumulate(natural.begin(), natural.end(), 0.0);
    QVector<double> widths = natural;
    if (total <= available) {
        for (double& width : widths)
            width *= available / std::max(total, 1.0);
    } else {
        // The narrow columns keep what they need; the wide ones share what is left.
        QVector<int> order(columns);
        std::iota(order.begin(), order.end(), 0);
        std::sort(order.begin(), order.end(), [&natural](int a, int b) { return natural[a] < natural[b]; });
        double remaining = available;
        for (int i = 0; i < columns; ++i) {
            const double share = remaining / (columns - i);
            widths[order[i]] = std::min(natural[order[i]], share);
            remaining -= widths[order[i]];
        }
    }
    layout.left = {0};
    for (double width : widths)
        layout.left << layout.left.last() + width;

    Outcome outcome;
    const auto titleRow = [&] {
        std::vector<Cell> cells;
        double height = 0;
        for (int column = 0; column < columns; ++column) {
            cells.push_back(layout.cell(m_titles[column], column, layout.titleFont, layout.titleMetrics));
            height = std::max(height, cells.back().height);
        }
        height += 2 * layout.padding;
        painter.setFont(layout.titleFont);
        layout.drawRow(cells, layout.y, height, true, layout.titleMetrics);
        layout.y += height;
    };
    const auto newPage = [&] {
        layout.drawPageNumber();
        device.newPage();
        ++layout.page;
        layout.y = 0;
        titleRow();
    };

    if (!m_header.isEmpty()) {
        painter.setFont(m_headerFont);
        const QRectF bounds = painter.boundingRect(layout.area, Qt::TextWordWrap, m_header);
        painter.drawText(layout.area, Qt::TextWordWrap, m_header);
        layout.y = bounds.height() + layout.points(6);
    }
    titleRow();
    const double bodyTop = layout.y;

    bool any = false;
    while (true) {
        std::optional<QStringList> texts;
        if (reader.next(row))
            texts = cellTexts(row);
        else if (!any)
            texts = QStringList(columns, QStringLiteral(" - ")); // an empty result: one empty row
        if (!texts)
            break;
        any = true;
        std::vector<Cell> cells;
        double height = 0;
        for (int column = 0; column < columns; ++column) {
            cells.push_back(layout.cell((*texts)[column], column, layout.tableFont, layout.tableMetrics));
            height = std::max(height, cells.back().height);
        }
        height += 2 * layout.padding;
        if (layout.y + height > layout.bottom() && layout.y > bodyTop) {
            if (pageLimit > 0 && layout.page >= pageLimit) {
                painter.setFont(layout.tableFont);
                painter.drawText(
                    QPointF(0, layout.y + layout.tableMetrics.ascent() + layout.padding),
                    QStringLiteral("A visualização mostra só as primeiras %1 páginas; \"Imprimir\" e "
                                   "\"Salvar PDF\" trazem todos os registros.")
                        .arg(pageLimit));
                layout.drawPageNumber();
                outcome.pages = layout.page;
                return outcome;
            }
            newPage();
        }
        painter.setFont(layout.tableFont);
        // A row taller than a page goes on in pieces over the pages that follow.
        double drawn = 0;
        while (true) {
            const double room = layout.bottom() - layout.y;
            painter.save();
            painter.setClipRect(QRectF(layout.area.left(), layout.y, layout.area.width(), room));
            layout.drawRow(cells, layout.y - drawn, height, false, layout.tableMetrics);
            painter.restore();
            if (height - drawn <= room) {
                layout.y += height - drawn;
                break;
            }
            drawn += room;
            newPage();
            painter.setFont(layout.tableFont);
        }
        ++outcome.rows;
        if (progress)
            progress(outcome.rows);
        if (stop && outcome.rows % kStopCheckRows == 0 && stop())
            return outcome;
    }
    layout.drawPageNumber();
    outcome.pages = layout.page;
    outcome.complete = true;
    return outcome;
}
