#pragma once

#include "data/gridmodel.h"
#include "data/recordreader.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

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
    // Case numbers and CPFs whose check digits do not match are marked.
    bool markInvalidNumbers = false;
};

// Writes a listing, temp.htm: an HTML page of one table, a header row of titles and one
// row per record, streamed a row at a time in Windows-1252 with CR LF after every item.
// Titles, the header text and values are escaped, so no text can shape the page, and a
// character Windows-1252 lacks is written as a character reference.
class SharedTable;

class ListingWriter {
  public:
    explicit ListingWriter(ListingInputs inputs);

    // The 68 lines of the page's style sheet, with the table font.
    static QStringList styleSheet(const QString& size, const QString& font);

    // The record columns (by position) the reader must give, in the order write() uses.
    QList<int> readColumns() const;
    // The titles of those columns, as the header row shows them.
    QStringList titles() const;
    // How many of them are fields; the annotation blocks follow.
    qsizetype fieldCount() const { return m_inputs.columns.size(); }
    // What follows the value of a field column: a mark when the listing marks invalid
    // numbers and the value is a case number or CPF whose check digits do not match.
    QByteArray numberMark(qsizetype column, QByteArrayView value) const;
    const ListingInputs& inputs() const { return m_inputs; }

    // A second page, for the screen, holding the first rows of a listing too long for the
    // browser to show whole, with a line saying that printing and PDF hold every record.
    struct Preview {
        QString path;
        int rows = 0;
    };

    // Writes the whole page, replacing the file only once it is complete, and the preview
    // when the listing has more rows than the preview holds. `progress` gets the number
    // of rows written so far. Throws AppError.
    void write(const QString& path, RecordReader& reader, const std::function<void(int)>& progress,
               const std::optional<Preview>& preview = std::nullopt) const;

  private:
    class ItemStream;
    QList<const char*> annotationTitles() const;
    void writeHead(ItemStream& out, const QString& notice) const;
    void writeRow(ItemStream& out, const StoredRow& values) const;
    void writeTail(ItemStream& out, const QString& notice) const;

    ListingInputs m_inputs;
    QList<int> m_notes; // annotation columns, in their order
};

// A listing as the report window makes it, from the table as it stands: temp.htm in the
// settings folder `folder` (and, for a listing longer than the screen is given, the part
// it shows), the wait box's progress shown as it goes, and the table left on its last
// record. Throws AppError.
struct MadeListing {
    RecordReader records; // the listing's records, to be read again for printing
    QString shownPath;    // what the browser is to show
    bool inPart = false;  // it holds only the first rows
};
MadeListing makeListing(SharedTable& table, const ListingInputs& inputs, const QString& folder,
                        int shownRows);
