#include "recordmapping.h"

#include "common/apperror.h"
#include "data/columns.h"
#include "register/dates.h"

#include <QHash>
#include <span>

namespace RecordMapping {

namespace {

enum class Rule { AsIs, Date, Time };

struct Target {
    int position;
    const char* column;
    Rule rule = Rule::AsIs;
};

// Positions 0 to 19, the same in every layout; position 0 is the old number, never copied.
const Target kCommon[] = {
    {1, "AGE_NOME"},
    {2, "AGE_ENDERECO"},
    {3, "AGE_BAIRRO"},
    {4, "AGE_CIDADE"},
    {5, "AGE_UF"},
    {6, "AGE_CEP"},
    {7, "AGE_TEL"},
    {8, "AGE_CEL"},
    {9, "AGE_RG"},
    {10, "AGE_CIC"},
    {11, "AGE_ESTCIVIL"},
    {12, "AGE_ADV"},
    {13, "AGE_PROC"},
    {14, "AGE_VARA"},
    {15, "AGE_ACAO"},
    {16, "AGE_DATAPROC", Rule::Date},
    {17, "AGE_DTAPET", Rule::Date},
    {18, "AGE_DTAAUDIENCIA", Rule::Date},
    {19, "AGE_HORAAUDIENCIA", Rule::Time},
    {20, "AGE_PCONT"},
    {21, "AGE_ADVCONT"},
    {22, "AGE_TELPCONT"},
    {23, "AGE_ANOTACOES"},
};

const Target kShortRest[] = {{24, "AGE_ENDERECOpc"}};

const Target kLongRest[] = {
    {24, "AGE_ENDERECOpc"},  {26, "AGE_BAIRROpc"}, {27, "AGE_CIDADEpc"},     {28, "AGE_UFpc"},
    {29, "AGE_CEPpc"},       {30, "AGE_CELpc"},    {31, "AGE_RGpc"},         {32, "AGE_CICpc"},
    {33, "AGE_ESTCIVILpc"},  {34, "AGE_EMAIL"},    {35, "AGE_ANOTACOESpro"}, {36, "AGE_ANOTACOESaud"},
    {37, "AGE_ANOTACOESpc"},
};

const Target kTableRest[] = {
    {25, "AGE_BAIRROpc"}, {26, "AGE_CIDADEpc"}, {27, "AGE_UFpc"},       {28, "AGE_CEPpc"}, {29, "AGE_CELpc"},
    {30, "AGE_RGpc"},     {31, "AGE_CICpc"},    {32, "AGE_ESTCIVILpc"}, {33, "AGE_EMAIL"},
};

const char* const kTableNotes[] = {"AGE_ANOTACOES", "AGE_ANOTACOESpro", "AGE_ANOTACOESaud",
                                   "AGE_ANOTACOESpc"};

std::optional<QString> valueOf(const SourceTable& source, int row, int position, Rule rule) {
    const bool null = source.isNull(row, position);
    const QString text = source.value(row, position);
    switch (rule) {
    case Rule::AsIs:
        return null ? QString() : text;
    case Rule::Date:
        return text.isEmpty() ? QString() : Dates::validadataMA(text);
    case Rule::Time: {
        if (null)
            return std::nullopt;
        const QString kept = RemoveChar2(text);
        return kept == QStringLiteral(":") ? QString() : kept;
    }
    }
    return std::nullopt;
}

// The column of clientes a target fills, looked up once.
int columnOf(const Target& target) {
    static QHash<const char*, int> columns;
    auto found = columns.constFind(target.column);
    if (found == columns.cend())
        found = columns.insert(target.column, Columns::indexOf(QString::fromUtf8(target.column)));
    return *found;
}

void apply(Mapped& mapped, const SourceTable& source, int row, std::span<const Target> targets) {
    for (const Target& target : targets)
        mapped[columnOf(target)] = valueOf(source, row, target.position, target.rule);
}

} // namespace

Layout layoutOf(SourceKind kind, int columnCount) {
    if (kind == SourceKind::Table)
        return Layout::Table;
    return columnCount > 30 ? Layout::LongPacket : Layout::ShortPacket;
}

Mapped map(const SourceTable& source, int row, Layout layout, Mapped* mapped) {
    Mapped own(Columns::count());
    Mapped& values = mapped ? *mapped : own;
    values = Mapped(Columns::count());
    apply(values, source, row, kCommon);
    switch (layout) {
    case Layout::ShortPacket:
        apply(values, source, row, kShortRest);
        break;
    case Layout::LongPacket:
        apply(values, source, row, kLongRest);
        break;
    case Layout::Table: {
        apply(values, source, row, kTableRest);
        // The old transfer skipped position 24; a table whose position 24 is the opposing
        // party's address gives it.
        if (source.columns.value(24) == QStringLiteral("AGE_ENDERECOpc"))
            apply(values, source, row, kShortRest);
        for (const char* note : kTableNotes) {
            const int position = source.columnIndex(QString::fromUtf8(note));
            if (position >= 0)
                values[columnOf({position, note})] = valueOf(source, row, position, Rule::AsIs);
        }
        break;
    }
    }
    return values;
}

Schema::Record toRecord(const Mapped& mapped) {
    Schema::Record record = Schema::emptyRecord();
    for (qsizetype i = 0; i < mapped.size(); ++i)
        record[i] = mapped[i].value_or(QString());
    return record;
}

QString RemoveChar2(const QString& text) {
    QString kept;
    for (QChar ch : text) {
        if ((ch >= u'0' && ch <= u'9') || ch == u':')
            kept += ch;
    }
    return kept;
}

qint64 oldNumber(const SourceTable& source, int row) {
    const QString text = source.value(row, 0);
    bool ok = false;
    const qint64 number = text.trimmed().toLongLong(&ok);
    if (!ok)
        throw AppError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return number;
}

} // namespace RecordMapping
