#pragma once

#include "listingwriter.h"

#include <QFont>
#include <QList>
#include <QStringList>
#include <functional>

class QPagedPaintDevice;
class QPainter;
class RecordReader;

// A listing laid out on pages, straight from the records: the header, the title row and
// one row per record, as the listing file holds them, on a printer or in a PDF. Text
// stays text, drawn at the device's own resolution; the title row is repeated at the top
// of every page and a row that does not fit goes to the next one. Only the row being
// drawn is held, whatever the number of records.
class ListingPages {
  public:
    explicit ListingPages(const ListingWriter& listing);

    struct Outcome {
        int pages = 0;
        int rows = 0;
        bool complete = false; // false when stopped or cut at the page limit
    };

    // Draws the pages of the records `records` gives on `device` with `painter` (begun on
    // it). The column widths are taken from the titles and from records spread over the
    // listing; `progress` gets the rows drawn so far and `stop` is asked now and then
    // whether to give up. `pageLimit` > 0 stops after that many pages, with a line saying so.
    Outcome paint(QPainter& painter, QPagedPaintDevice& device, const RecordReader& records,
                  const std::function<void(int)>& progress, const std::function<bool()>& stop,
                  int pageLimit = 0) const;

  private:
    struct Layout;
    QStringList cellTexts(const struct StoredRow& row) const;

    ListingWriter m_listing;
    QStringList m_titles;
    qsizetype m_fieldCount = 0;
    QFont m_tableFont;
    QFont m_headerFont;
    QString m_header;
};
