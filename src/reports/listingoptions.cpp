#include "listingoptions.h"

namespace {

const QString kYes = QStringLiteral("sim");
const QString kNo = QStringLiteral("não");

} // namespace

ListingOptions ListingOptions::fromLines(const QStringList& lines) {
    ListingOptions options;
    if (lines.size() > 0)
        options.lineCount = lines[0];
    if (lines.size() > 1)
        options.fontName = lines[1];
    if (lines.size() > 2)
        options.fontSize = lines[2];
    if (lines.size() > 3)
        options.dottedBorders = lines[3] == kYes;
    if (lines.size() > 4)
        options.agendaByName = lines[4] == kYes;
    return options;
}

QStringList ListingOptions::toLines() const {
    return {lineCount, fontName, fontSize, dottedBorders ? kYes : kNo, agendaByName ? kYes : kNo};
}
