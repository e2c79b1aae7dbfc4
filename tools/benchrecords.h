#pragma once

#include "data/schema.h"

#include <QRandomGenerator>

namespace Bench {

// A realistic case record: Brazilian names, cities, courts and actions, numbers formatted as
// the office types them, dates over fifteen years, one in twenty without a hearing.
Schema::Record generateRecord(QRandomGenerator& random);

// `count` such records as an old edition's data packet, and as two CSV files for the other
// tools: the record's columns alone, and with the search keys the base keeps.
void writeTransferSources(int count, const QString& packetPath, const QString& csvPath,
                          const QString& keyedCsvPath);

} // namespace Bench
