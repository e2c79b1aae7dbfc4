#pragma once

#include "data/filtering.h"
#include "data/gridmodel.h"

#include <QList>
#include <QString>
#include <QStringList>

// The rules of the register's list pages: which entry a list's text means, the word
// search expression, and what the record predicate accepts on each page.
namespace SearchRules {

inline const QString kAscendingCaption = QStringLiteral("A-Z Indexar");
inline const QString kDescendingCaption = QStringLiteral("Z-A Indexar");

// The first entry equal to the shown text, ignoring letter case; -1 for none.
int findEntry(const QStringList& entries, const QString& shown);

// "AGE_NOME LIKE " for a filter-list position; empty for none.
QString wordSearchPrefix(int filterListPosition);
// The prefix followed by the typed text with "%" appended, quoted with quotes doubled.
QString wordSearchExpression(const QString& prefix, const QString& typed);

// The column of an order-list position, or empty.
QString orderListColumn(int position);
// The other caption; the first press of "A-Z Indexar" orders ascending.
QString flippedCaption(const QString& caption);
// "COL DESC" while the caption reads "A-Z Indexar", otherwise "COL ASC".
QString columnOrder(const QString& column, const QString& caption);

// The hearing agenda order: by name or by city, then hearing date and time.
QString agendaOrder(bool byName);

enum Page { kOrderPage = 5, kFormPage = 6, kQueryPage = 7 };

// What the predicate reads from the register when filtering is switched on.
struct PredicateInputs {
    int page = 0;
    QString firstDate;         // EDatainifiltro
    QString lastDate;          // EDatafimfiltro
    QString filterText;        // the filter list's shown text
    QString dateBox;           // Efiltrodata
    QString hearingDateTitle;  // caption of Label021
    QString processDateTitle;  // caption of Label017
    QString petitionDateTitle; // caption of Label020
};

struct PredicateOutcome {
    RecordRule rule;
    QString error; // a box date that cannot be read: the date reader's message
};
PredicateOutcome ADOTable1FilterRecord(const PredicateInputs& inputs);

// The message for records left out because their stored date could not be read.
QString unreadableDatesMessage(int count);

// Default columns of the three grids.
QList<GridColumn> orderGridColumns();
QList<GridColumn> queryGridColumns();
QList<GridColumn> hearingGridColumns();

} // namespace SearchRules
