#include "listingcolumns.h"

#include "titles/titlecatalogue.h"

namespace ListingColumns {

QList<GridColumn> initial() {
    QList<GridColumn> columns;
    for (const char* field : {"AGE_NOME", "AGE_PROC", "AGE_VARA", "AGE_ACAO", "AGE_DATAPROC", "AGE_DTAPET",
                              "AGE_DTAAUDIENCIA", "AGE_HORAAUDIENCIA", "AGE_PCONT", "AGE_ADVCONT"})
        columns.append({QString::fromUtf8(field), QString::fromUtf8(field)});
    return columns;
}

void trocatitulo(QList<GridColumn>& columns,
                 const std::function<QString(const QString& labelId)>& captionOf) {
    for (auto& column : columns) {
        const auto* entry = TitleCatalogue::byField(column.field);
        if (entry && entry->checklist >= 0)
            column.title = captionOf(entry->id);
    }
}

} // namespace ListingColumns
