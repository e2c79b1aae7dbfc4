#pragma once

#include <QString>
#include <QStringList>

// The listing options as font.ini keeps them: five lines, the page-break line count, the
// header font name and size, "sim" for dotted cell borders and "sim" for the agenda by
// client name. Texts are kept as typed; "sim" is compared exactly.
struct ListingOptions {
    QString lineCount = QStringLiteral("40");
    QString fontName = QStringLiteral("Arial");
    QString fontSize = QStringLiteral("10");
    bool dottedBorders = true;
    bool agendaByName = false;

    // A file of fewer lines keeps the defaults of the lines it lacks.
    static ListingOptions fromLines(const QStringList& lines);
    QStringList toLines() const;
};
