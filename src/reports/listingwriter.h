#pragma once

#include "data/gridmodel.h"
#include "data/recordreader.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

// What a listing is made of, as the windows hold it when the listing starts.
struct ListingInputs {
    QString tableFontSize = QStringLiteral("8"); // the report window's size box
    QString tableFont = QStringLiteral("Arial");
    QString headerFontSize = QStringLiteral("10"); // the listing options
    QString headerFont = QStringLiteral("Arial");
    QString header; // the field chooser's header text
    QList<GridColumn> columns;
    // The annotation blocks added after the columns.
    bool authorNotes = false;
    bool processNotes = false;
    bool hearingNotes = false;
    bool opposingNotes = false;
};

// Writes a listing, temp.htm: an HTML page of one table, a header row of titles and one
// row per record, streamed a row at a time in Windows-1252 with CR LF after every item.
// Titles, the header text and values are escaped, so no text can shape the page, and a
// character Windows-1252 lacks is written as a character reference.
class ListingWriter {
  public:
    explicit ListingWriter(ListingInputs inputs);

    // The 68 lines of the page's style sheet, with the table font.
    static QStringList styleSheet(const QString& size, const QString& font);

    // The record columns (by position) the reader must give, in the order write() uses.
    QList<int> readColumns() const;

    // Writes the whole page, replacing the file only once it is complete. `progress` gets
    // the number of rows written so far. Throws AppError.
    void write(const QString& path, RecordReader& reader, const std::function<void(int)>& progress) const;

  private:
    class ItemStream;
    QList<const char*> annotationTitles() const;
    void writeRow(ItemStream& out, const StoredRow& values) const;

    ListingInputs m_inputs;
    QList<int> m_notes; // annotation columns, in their order
};
