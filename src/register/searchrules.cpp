#include "searchrules.h"

#include "common/folders.h"
#include "data/searchkey.h"
#include "titles/titlecatalogue.h"

namespace SearchRules {

int findEntry(const QStringList& entries, const QString& shown) {
    for (int i = 0; i < entries.size(); ++i) {
        if (entries[i].compare(shown, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

namespace {

QString columnAtListPosition(int position, int (TitleCatalogue::Entry::*positionOf)() const) {
    if (position < 0)
        return {};
    for (const auto& entry : TitleCatalogue::all()) {
        if ((entry.*positionOf)() == position)
            return entry.field;
    }
    return {};
}

struct BoxDate {
    std::optional<QDate> date;
    QString error;
};

BoxDate readBoxDate(const QString& text) {
    const auto date = SearchKey::readDate(text);
    if (!date)
        return {std::nullopt, QStringLiteral("'%1' is not a valid date").arg(text)};
    return {date, {}};
}

PredicateOutcome rangeRule(const PredicateInputs& inputs) {
    if (!Folders::checkinteiro(inputs.firstDate) || !Folders::checkinteiro(inputs.lastDate))
        return {RecordRule::rejectAll(), {}};
    const BoxDate first = readBoxDate(inputs.firstDate);
    const BoxDate last = readBoxDate(inputs.lastDate);
    if (!first.date || !last.date)
        return {RecordRule::rejectAll(), first.date ? last.error : first.error};
    return {RecordRule::range(QStringLiteral("AGE_DTAAUDIENCIA"), *first.date, *last.date), {}};
}

PredicateOutcome singleDateRule(const PredicateInputs& inputs) {
    // Each matching caption overrides the one before, as the titles may be equal.
    QString column;
    if (inputs.filterText == inputs.hearingDateTitle)
        column = QStringLiteral("AGE_DTAAUDIENCIA");
    if (inputs.filterText == inputs.processDateTitle)
        column = QStringLiteral("AGE_DATAPROC");
    if (inputs.filterText == inputs.petitionDateTitle)
        column = QStringLiteral("AGE_DTAPET");
    if (column.isEmpty())
        return {RecordRule::acceptAll(), {}};
    if (!Folders::checkinteiro(inputs.dateBox))
        return {RecordRule::rejectAll(), {}};
    const BoxDate date = readBoxDate(inputs.dateBox);
    if (!date.date)
        return {RecordRule::rejectAll(), date.error};
    return {RecordRule::equals(column, *date.date), {}};
}

} // namespace

QString wordSearchPrefix(int filterListPosition) {
    const QString column =
        columnAtListPosition(filterListPosition, &TitleCatalogue::Entry::filterListPosition);
    return column.isEmpty() ? QString() : column + QStringLiteral(" LIKE ");
}

QString wordSearchExpression(const QString& prefix, const QString& typed) {
    QString pattern = typed + u'%';
    pattern.replace(QStringLiteral("'"), QStringLiteral("''"));
    return prefix + u'\'' + pattern + u'\'';
}

QString orderListColumn(int position) {
    return columnAtListPosition(position, &TitleCatalogue::Entry::orderListPosition);
}

QString flippedCaption(const QString& caption) {
    return caption == kAscendingCaption ? kDescendingCaption : kAscendingCaption;
}

QString columnOrder(const QString& column, const QString& caption) {
    return column + (caption == kAscendingCaption ? QStringLiteral(" DESC") : QStringLiteral(" ASC"));
}

QString agendaOrder(bool byName) {
    return byName ? QStringLiteral("AGE_NOME;AGE_DTAAUDIENCIA;AGE_HORAAUDIENCIA")
                  : QStringLiteral("AGE_CIDADE;AGE_DTAAUDIENCIA;AGE_HORAAUDIENCIA");
}

PredicateOutcome ADOTable1FilterRecord(const PredicateInputs& inputs) {
    switch (inputs.page) {
    case kFormPage:
        return rangeRule(inputs);
    case kQueryPage:
        return singleDateRule(inputs);
    default:
        return {RecordRule::acceptAll(), {}};
    }
}

QString unreadableDatesMessage(int count) {
    return QStringLiteral("%1 registro(s) com data que não pôde ser lida como data ficaram fora do filtro.")
        .arg(count);
}

namespace {

// The fields of the given title ids, with the grid's own titles.
QList<GridColumn> withTitles(const QStringList& ids, const QStringList& titles) {
    QList<GridColumn> columns;
    for (int i = 0; i < ids.size(); ++i)
        columns.append({TitleCatalogue::byId(ids[i])->field, titles[i]});
    return columns;
}

} // namespace

QList<GridColumn> orderGridColumns() {
    return withTitles(TitleCatalogue::orderListIds(), {QStringLiteral("Código"),
                                                       QStringLiteral("Nome"),
                                                       QStringLiteral("Endereço"),
                                                       QStringLiteral("Bairro"),
                                                       QStringLiteral("Cidade"),
                                                       QStringLiteral("Estado"),
                                                       QStringLiteral("CEP"),
                                                       QStringLiteral("Telefone"),
                                                       QStringLiteral("Celular"),
                                                       QStringLiteral("RG"),
                                                       QStringLiteral("CPF"),
                                                       QStringLiteral("Estado Civil"),
                                                       QStringLiteral("Advogado"),
                                                       QStringLiteral("Número do Processo"),
                                                       QStringLiteral("Vara"),
                                                       QStringLiteral("Ação"),
                                                       QStringLiteral("Data do Processo"),
                                                       QStringLiteral("Data da Petição"),
                                                       QStringLiteral("Data da Audiência"),
                                                       QStringLiteral("Hora da Audiência"),
                                                       QStringLiteral("Parte Contrária"),
                                                       QStringLiteral("Advogado  P. Contr."),
                                                       QStringLiteral("Telefone  P. Contr.")});
}

QList<GridColumn> queryGridColumns() {
    return withTitles(TitleCatalogue::orderListIds(), {QStringLiteral("Código"),
                                                       QStringLiteral("Nome"),
                                                       QStringLiteral("Endereço"),
                                                       QStringLiteral("Bairro"),
                                                       QStringLiteral("Cidade"),
                                                       QStringLiteral("UF"),
                                                       QStringLiteral("CEP"),
                                                       QStringLiteral("Telefone"),
                                                       QStringLiteral("Celular"),
                                                       QStringLiteral("RG"),
                                                       QStringLiteral("CIC"),
                                                       QStringLiteral("Estado Civil"),
                                                       QStringLiteral("Advogado"),
                                                       QStringLiteral("Processo"),
                                                       QStringLiteral("Vara"),
                                                       QStringLiteral("Ação"),
                                                       QStringLiteral("Data do Processo"),
                                                       QStringLiteral("Data da Petição"),
                                                       QStringLiteral("Data da Audiência"),
                                                       QStringLiteral("Hora da Audiência"),
                                                       QStringLiteral("Parte Contrária"),
                                                       QStringLiteral("Advogado P.C."),
                                                       QStringLiteral("Telefone P. C.")});
}

QList<GridColumn> hearingGridColumns() {
    return withTitles(TitleCatalogue::hearingGridIds(),
                      {QStringLiteral("Nome"), QStringLiteral("Cidade"), QStringLiteral("Número do Processo"),
                       QStringLiteral("Vara"), QStringLiteral("Ação"), QStringLiteral("Data da Audiência"),
                       QStringLiteral("Hora da Audiência")});
}

} // namespace SearchRules
