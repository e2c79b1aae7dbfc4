#pragma once

#include "data/gridmodel.h"

#include <QList>
#include <QString>
#include <optional>

// A listing asked for by the register or by the field chooser. The program hands it to
// the report window with what every listing takes from the other windows (the chooser's
// header and annotation boxes, the options' header font).
struct ListingRequest {
    // Which command asked, as the register's refx keeps it: "1" the register, "2" the
    // field chooser.
    QString source;
    // The listing's columns; none: the column set as it stands.
    std::optional<QList<GridColumn>> columns;
    // The column the records are ordered by first, in the register's direction; none: the
    // order as it stands.
    std::optional<QString> orderColumn;
};
Q_DECLARE_METATYPE(ListingRequest)
