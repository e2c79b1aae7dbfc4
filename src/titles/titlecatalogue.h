#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <span>

// The 33 renamable field titles. A title is named by the id of its label in the register
// window (the key it is saved under); the current title is that label's caption. The
// table says which other captions follow each title.
namespace TitleCatalogue {

struct Entry {
    QString id;           // "Label000"
    QString field;        // "AGE_NOME"
    QString defaultTitle; // "Nome"
    QString summaryLabel; // label on the "Principal" page that follows, or empty
    int hearingColumn;    // column of the hearing grid that follows, or -1
    int gridColumn;       // column of the order and query grids, and entry of the order list, or -1
    int checklist;        // item of the listing field checklist, or -1

    int orderListPosition() const { return gridColumn; }
    // The filter list is the order list without its first entry.
    int filterListPosition() const { return gridColumn > 0 ? gridColumn - 1 : -1; }
};

std::span<const Entry> all();
const Entry* byId(const QString& id);
const Entry* byField(const QString& field);

// Ids in the order of the order list (23) and the filter list (22).
QStringList orderListIds();
QStringList filterListIds();
// Ids in the order of the hearing grid's columns (7).
QStringList hearingGridIds();
// Ids in the order of the listing field checklist (31).
QStringList checklistIds();
// The ids as the start-up reads them from campos.ini, in that order.
QStringList startupReadOrder();

// The current title of a field by its label id (the caption of the register's label), as
// the windows that show titles are given it.
using TitleLookup = std::function<QString(const QString& labelId)>;

} // namespace TitleCatalogue
