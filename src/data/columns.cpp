#include "columns.h"

#include <array>

namespace Columns {

namespace {

Column text(const char* name) {
    return {QString::fromUtf8(name), Kind::Text, 0};
}

const std::array<Column, 37>& table() {
    static const std::array<Column, 37> columns = {
        Column{kCodigo, Kind::Number, 0},
        text("AGE_NOME"),
        text("AGE_ENDERECO"),
        text("AGE_BAIRRO"),
        text("AGE_CIDADE"),
        text("AGE_UF"),
        text("AGE_CEP"),
        text("AGE_TEL"),
        text("AGE_CEL"),
        text("AGE_RG"),
        text("AGE_CIC"),
        text("AGE_ESTCIVIL"),
        text("AGE_ADV"),
        text("AGE_PROC"),
        text("AGE_VARA"),
        text("AGE_ACAO"),
        Column{QStringLiteral("AGE_DATAPROC"), Kind::Date, 10},
        Column{QStringLiteral("AGE_DTAPET"), Kind::Date, 10},
        Column{QStringLiteral("AGE_DTAAUDIENCIA"), Kind::Date, 10},
        Column{QStringLiteral("AGE_HORAAUDIENCIA"), Kind::Time, 5},
        text("AGE_PCONT"),
        text("AGE_ADVCONT"),
        text("AGE_TELPCONT"),
        Column{QStringLiteral("AGE_ANOTACOES"), Kind::LongText, 0},
        text("AGE_ENDERECOpc"),
        text("AGE_BAIRROpc"),
        text("AGE_CIDADEpc"),
        text("AGE_UFpc"),
        text("AGE_CEPpc"),
        text("AGE_CELpc"),
        text("AGE_RGpc"),
        text("AGE_CICpc"),
        text("AGE_ESTCIVILpc"),
        text("AGE_EMAIL"),
        Column{QStringLiteral("AGE_ANOTACOESpro"), Kind::LongText, 0},
        Column{QStringLiteral("AGE_ANOTACOESaud"), Kind::LongText, 0},
        Column{QStringLiteral("AGE_ANOTACOESpc"), Kind::LongText, 0},
    };
    return columns;
}

} // namespace

std::span<const Column> all() {
    return table();
}

int count() {
    return static_cast<int>(table().size());
}

int indexOf(const QString& name) {
    const auto& columns = table();
    for (int i = 0; i < count(); ++i) {
        if (columns[i].name == name)
            return i;
    }
    return -1;
}

const Column& at(int index) {
    return table().at(index);
}

bool hasSearchKey(const Column& column) {
    return listedColumns().contains(column.name);
}

QString searchKeyName(const QString& column) {
    return QStringLiteral("k_") + column;
}

QString dateKeyName(const QString& column) {
    return QStringLiteral("d_") + column;
}

bool hasDigitsKey(const QString& column) {
    return column == u"AGE_PROC" || column == u"AGE_CIC";
}

QString digitsKeyName(const QString& column) {
    return QStringLiteral("n_") + column;
}

const QStringList& listedColumns() {
    static const QStringList columns = {
        QStringLiteral("AGE_NOME"),
        QStringLiteral("AGE_ENDERECO"),
        QStringLiteral("AGE_BAIRRO"),
        QStringLiteral("AGE_CIDADE"),
        QStringLiteral("AGE_UF"),
        QStringLiteral("AGE_CEP"),
        QStringLiteral("AGE_TEL"),
        QStringLiteral("AGE_CEL"),
        QStringLiteral("AGE_RG"),
        QStringLiteral("AGE_CIC"),
        QStringLiteral("AGE_ESTCIVIL"),
        QStringLiteral("AGE_ADV"),
        QStringLiteral("AGE_PROC"),
        QStringLiteral("AGE_VARA"),
        QStringLiteral("AGE_ACAO"),
        QStringLiteral("AGE_DATAPROC"),
        QStringLiteral("AGE_DTAPET"),
        QStringLiteral("AGE_DTAAUDIENCIA"),
        QStringLiteral("AGE_HORAAUDIENCIA"),
        QStringLiteral("AGE_PCONT"),
        QStringLiteral("AGE_ADVCONT"),
        QStringLiteral("AGE_TELPCONT"),
    };
    return columns;
}

QString quoted(const QString& name) {
    QString inner = name;
    return u'"' + inner.replace(u'"', QStringLiteral("\"\"")) + u'"';
}

} // namespace Columns
