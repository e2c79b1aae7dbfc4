#pragma once

#include "data/gridmodel.h"

#include <QList>
#include <functional>

// The columns of the next listing: field and title, in order.
namespace ListingColumns {

// The set the program starts with; titled later from the field titles.
QList<GridColumn> initial();

// Every column whose field has a place in the listing checklist takes the current title
// of that field (captionOf gives a label id's caption); other columns keep theirs.
void trocatitulo(QList<GridColumn>& columns, const std::function<QString(const QString& labelId)>& captionOf);

} // namespace ListingColumns
