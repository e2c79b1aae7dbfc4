#include "titlecatalogue.h"

#include <QMap>
#include <array>

namespace TitleCatalogue {

namespace {

Entry entry(const char* id, const char* field, const QString& title, const char* summary, int hearing,
            int grid, int checklist) {
    return {QString::fromUtf8(id),
            QString::fromUtf8(field),
            title,
            QString::fromUtf8(summary),
            hearing,
            grid,
            checklist};
}

const std::array<Entry, 33>& table() {
    static const std::array<Entry, 33> entries = {
        entry("Label00", "Código", QStringLiteral("Código"), "", -1, 0, -1),
        entry("Label000", "AGE_NOME", QStringLiteral("Nome"), "Label1", 0, 1, 0),
        entry("Label001", "AGE_ENDERECO", QStringLiteral("Endereço"), "", -1, 2, 1),
        entry("Label002", "AGE_BAIRRO", QStringLiteral("Bairro"), "", -1, 3, 2),
        entry("Label003", "AGE_CIDADE", QStringLiteral("Cidade"), "Label2", 1, 4, 3),
        entry("Label004", "AGE_EMAIL", QStringLiteral("E-mail"), "", -1, -1, -1),
        entry("Label005", "AGE_ESTCIVIL", QStringLiteral("Estado Civil"), "", -1, 11, 4),
        entry("Label006", "AGE_RG", QStringLiteral("RG"), "", -1, 9, 5),
        entry("Label007", "AGE_CIC", QStringLiteral("CPF"), "", -1, 10, 6),
        entry("Label008", "AGE_UF", QStringLiteral("UF"), "", -1, 5, 7),
        entry("Label009", "AGE_CEP", QStringLiteral("CEP"), "", -1, 6, 8),
        entry("Label010", "AGE_TEL", QStringLiteral("Telefone"), "", -1, 7, 9),
        entry("Label011", "AGE_CEL", QStringLiteral("Celular"), "", -1, 8, 10),
        entry("Label014", "AGE_PROC", QStringLiteral("Nº do Processo:"), "Label3", 2, 13, 11),
        entry("Label015", "AGE_VARA", QStringLiteral("Vara:"), "Label4", 3, 14, 12),
        entry("Label016", "AGE_ACAO", QStringLiteral("Tipo de Ação:"), "Label5", 4, 15, 13),
        entry("Label017", "AGE_DATAPROC", QStringLiteral("Data do Processo:"), "", -1, 16, 14),
        entry("Label018", "AGE_ADV", QStringLiteral("Advogado:"), "", -1, 12, 15),
        entry("Label020", "AGE_DTAPET", QStringLiteral("Data da Petição:"), "", -1, 17, 16),
        entry("Label021", "AGE_DTAAUDIENCIA", QStringLiteral("Data da Audiência"), "Label6", 5, 18, 17),
        entry("Label022", "AGE_HORAAUDIENCIA", QStringLiteral("Hora da Audiência:"), "Label7", 6, 19, 18),
        entry("Label024", "AGE_PCONT", QStringLiteral("Nome"), "", -1, 20, 19),
        entry("Label025", "AGE_ENDERECOpc", QStringLiteral("Endereço"), "", -1, -1, 20),
        entry("Label026", "AGE_ADVCONT", QStringLiteral("Advogado"), "", -1, 21, 21),
        entry("Label027", "AGE_BAIRROpc", QStringLiteral("Bairro"), "", -1, -1, 22),
        entry("Label028", "AGE_CIDADEpc", QStringLiteral("Cidade"), "", -1, -1, 23),
        entry("Label029", "AGE_ESTCIVILpc", QStringLiteral("Estado Civil"), "", -1, -1, 27),
        entry("Label030", "AGE_RGpc", QStringLiteral("RG"), "", -1, -1, 25),
        entry("Label031", "AGE_CICpc", QStringLiteral("CPF"), "", -1, -1, 26),
        entry("Label032", "AGE_UFpc", QStringLiteral("UF"), "", -1, -1, 24),
        entry("Label033", "AGE_CEPpc", QStringLiteral("CEP"), "", -1, -1, 28),
        entry("Label034", "AGE_TELPCONT", QStringLiteral("Telefone"), "", -1, 22, 29),
        entry("Label035", "AGE_CELpc", QStringLiteral("Celular"), "", -1, -1, 30),
    };
    return entries;
}

template <typename Position> QStringList idsOrderedBy(Position position) {
    QMap<int, QString> ordered;
    for (const auto& e : table()) {
        if (position(e) >= 0)
            ordered.insert(position(e), e.id);
    }
    return ordered.values();
}

} // namespace

std::span<const Entry> all() {
    return table();
}

const Entry* byId(const QString& id) {
    for (const auto& e : table()) {
        if (e.id.compare(id, Qt::CaseInsensitive) == 0)
            return &e;
    }
    return nullptr;
}

const Entry* byField(const QString& field) {
    for (const auto& e : table()) {
        if (e.field == field)
            return &e;
    }
    return nullptr;
}

QStringList orderListIds() {
    return idsOrderedBy([](const Entry& e) { return e.orderListPosition(); });
}

QStringList filterListIds() {
    return idsOrderedBy([](const Entry& e) { return e.filterListPosition(); });
}

QStringList hearingGridIds() {
    return idsOrderedBy([](const Entry& e) { return e.hearingColumn; });
}

QStringList checklistIds() {
    return idsOrderedBy([](const Entry& e) { return e.checklist; });
}

QStringList startupReadOrder() {
    // Two ids are asked in lower case; names match without regard to case.
    return {QStringLiteral("Label00"),  QStringLiteral("Label000"), QStringLiteral("Label001"),
            QStringLiteral("Label002"), QStringLiteral("label003"), QStringLiteral("label004"),
            QStringLiteral("Label005"), QStringLiteral("Label006"), QStringLiteral("Label007"),
            QStringLiteral("Label008"), QStringLiteral("Label009"), QStringLiteral("Label010"),
            QStringLiteral("Label011"), QStringLiteral("Label014"), QStringLiteral("Label015"),
            QStringLiteral("Label016"), QStringLiteral("Label017"), QStringLiteral("Label018"),
            QStringLiteral("Label020"), QStringLiteral("Label021"), QStringLiteral("Label022"),
            QStringLiteral("Label024"), QStringLiteral("Label025"), QStringLiteral("Label026"),
            QStringLiteral("Label027"), QStringLiteral("Label028"), QStringLiteral("Label032"),
            QStringLiteral("Label030"), QStringLiteral("Label031"), QStringLiteral("Label029"),
            QStringLiteral("Label033"), QStringLiteral("Label034"), QStringLiteral("Label035")};
}

} // namespace TitleCatalogue
