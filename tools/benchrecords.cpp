#include "benchrecords.h"

#include "data/columns.h"
#include "data/legalnumbers.h"

#include "common/apperror.h"

#include <QDate>
#include <QFile>
#include <QPair>
#include <QTextStream>
#include <QXmlStreamWriter>

namespace Bench {

namespace {

const QStringList kFirstNames = {
    "José",    "João",    "Antônio",   "Francisco", "Carlos",   "Paulo",   "Pedro",     "Lucas",
    "Luiz",    "Marcos",  "Luís",      "Gabriel",   "Rafael",   "Daniel",  "Marcelo",   "Bruno",
    "Eduardo", "Felipe",  "Raimundo",  "Rodrigo",   "Maria",    "Ana",     "Francisca", "Antônia",
    "Adriana", "Juliana", "Márcia",    "Fernanda",  "Patrícia", "Aline",   "Sandra",    "Camila",
    "Amanda",  "Bruna",   "Jéssica",   "Letícia",   "Júlia",    "Luciana", "Vanessa",   "Mariana",
    "Gustavo", "Sérgio",  "Vitória",   "Beatriz",   "Larissa",  "Otávio",  "Íris",      "Élcio",
    "Úrsula",  "Cecília", "Conceição", "Joaquim",   "Jorge",    "Josefa",  "Jair",      "Jaqueline",
    "Renata",  "Tiago",   "Vinícius",  "Wagner"};
const QStringList kSurnames = {
    "Silva",     "Santos",    "Oliveira", "Souza",   "Rodrigues", "Ferreira",  "Alves",      "Pereira",
    "Lima",      "Gomes",     "Costa",    "Ribeiro", "Martins",   "Carvalho",  "Almeida",    "Lopes",
    "Soares",    "Fernandes", "Vieira",   "Barbosa", "Rocha",     "Dias",      "Nascimento", "Andrade",
    "Moreira",   "Nunes",     "Marques",  "Machado", "Mendes",    "Freitas",   "Cardoso",    "Ramos",
    "Gonçalves", "Santana",   "Teixeira", "D'Ávila", "Araújo",    "Conceição", "Brandão",    "Simões"};
const QList<QPair<QString, QString>> kCities = {
    {"São Paulo", "SP"},      {"Campinas", "SP"},       {"Santos", "SP"},       {"Ribeirão Preto", "SP"},
    {"Sorocaba", "SP"},       {"Rio de Janeiro", "RJ"}, {"Niterói", "RJ"},      {"Petrópolis", "RJ"},
    {"Belo Horizonte", "MG"}, {"Uberlândia", "MG"},     {"Juiz de Fora", "MG"}, {"Curitiba", "PR"},
    {"Londrina", "PR"},       {"Maringá", "PR"},        {"Porto Alegre", "RS"}, {"Caxias do Sul", "RS"},
    {"Florianópolis", "SC"},  {"Joinville", "SC"},      {"Salvador", "BA"},     {"Feira de Santana", "BA"},
    {"Recife", "PE"},         {"Olinda", "PE"},         {"Fortaleza", "CE"},    {"Belém", "PA"},
    {"Manaus", "AM"},         {"Goiânia", "GO"},        {"Brasília", "DF"},     {"São Luís", "MA"},
    {"Teresina", "PI"},       {"Natal", "RN"},          {"João Pessoa", "PB"},  {"Maceió", "AL"},
    {"Aracaju", "SE"},        {"Vitória", "ES"},        {"Cuiabá", "MT"},       {"Campo Grande", "MS"},
    {"Porto Velho", "RO"},    {"Macapá", "AP"},         {"Boa Vista", "RR"},    {"Palmas", "TO"}};
const QStringList kStreets = {"Rua das Flores",        "Avenida Paulista", "Rua XV de Novembro",
                              "Rua Sete de Setembro",  "Avenida Brasil",   "Rua da Consolação",
                              "Travessa São José",     "Alameda Santos",   "Rua Barão de Itapetininga",
                              "Avenida Getúlio Vargas"};
const QStringList kDistricts = {"Centro",        "Jardim América",  "Vila Mariana", "Boa Vista",
                                "Santa Cecília", "Bela Vista",      "Copacabana",   "Savassi",
                                "Batel",         "Moinhos de Vento"};
const QStringList kActions = {"Trabalhista",
                              "Indenização por Danos Morais",
                              "Revisional de Alimentos",
                              "Divórcio Consensual",
                              "Inventário",
                              "Usucapião",
                              "Despejo",
                              "Cobrança",
                              "Execução Fiscal",
                              "Reintegração de Posse",
                              "Aposentadoria por Invalidez"};
const QStringList kCourts = {"1ª Vara Cível",   "2ª Vara Cível",           "3ª Vara do Trabalho",
                             "Vara de Família", "Vara da Fazenda Pública", "Juizado Especial Cível",
                             "5ª Vara Federal"};
const QStringList kMarital = {"Solteiro(a)", "Casado(a)", "Divorciado(a)", "Viúvo(a)", "União Estável"};

template <typename List> const auto& pick(QRandomGenerator& random, const List& list) {
    return list.at(random.bounded(static_cast<int>(list.size())));
}

QString digits(QRandomGenerator& random, int count) {
    QString text;
    for (int i = 0; i < count; ++i)
        text += QChar(u'0' + random.bounded(10));
    return text;
}

QString dateText(QRandomGenerator& random, int firstYear, int lastYear) {
    const QDate first(firstYear, 1, 1);
    const QDate date =
        first.addDays(random.bounded(static_cast<int>(first.daysTo(QDate(lastYear, 12, 31))) + 1));
    return date.toString(QStringLiteral("dd/MM/yyyy"));
}

QString personName(QRandomGenerator& random) {
    return pick(random, kFirstNames) + u' ' + pick(random, kSurnames) + u' ' + pick(random, kSurnames);
}

// The old edition's columns in the long packet layout, position by position (25 unused).
const QStringList& packetColumns() {
    static const QStringList columns = [] {
        QStringList names{QStringLiteral("AGE_COD")};
        for (int i = 1; i <= 24; ++i)
            names << Columns::at(i).name;
        names << QStringLiteral("AGE_LIVRE");
        for (int i = 25; i < Columns::count(); ++i)
            names << Columns::at(i).name;
        return names;
    }();
    return columns;
}

// A number whose check digits stand between head and tail, worked out as offices type them;
// one in fifty keeps wrong ones, as a base of typed records does.
QString withCheckDigits(QRandomGenerator& random, const QString& head, const QString& tail,
                        LegalNumbers::Checked (*check)(const QString&)) {
    const QString wrong = digits(random, 2);
    if (random.bounded(50) == 0)
        return head + wrong + tail;
    return head + check(head + wrong + tail).expected + tail;
}

QString csvField(const QString& text) {
    return u'"' + QString(text).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

} // namespace

Schema::Record generateRecord(QRandomGenerator& random) {
    Schema::Record r = Schema::emptyRecord();
    const auto set = [&r](const char* column, const QString& text) {
        r[Columns::indexOf(QString::fromUtf8(column))] = text;
    };
    const auto& [city, state] = pick(random, kCities);
    const auto& [otherCity, otherState] = pick(random, kCities);
    set("AGE_NOME", personName(random));
    set("AGE_ENDERECO", pick(random, kStreets) + QStringLiteral(", %1").arg(random.bounded(1, 3000)));
    set("AGE_BAIRRO", pick(random, kDistricts));
    set("AGE_CIDADE", city);
    set("AGE_UF", state);
    set("AGE_CEP", digits(random, 5) + u'-' + digits(random, 3));
    set("AGE_TEL", QStringLiteral("(%1) %2-%3").arg(digits(random, 2), digits(random, 4), digits(random, 4)));
    set("AGE_CEL",
        QStringLiteral("(%1) 9%2-%3").arg(digits(random, 2), digits(random, 4), digits(random, 4)));
    set("AGE_RG",
        digits(random, 2) + u'.' + digits(random, 3) + u'.' + digits(random, 3) + u'-' + digits(random, 1));
    set("AGE_CIC", withCheckDigits(
                       random, digits(random, 3) + u'.' + digits(random, 3) + u'.' + digits(random, 3) + u'-',
                       QString(), LegalNumbers::taxpayer));
    set("AGE_ESTCIVIL", pick(random, kMarital));
    set("AGE_ADV", QStringLiteral("Dr. ") + personName(random));
    set("AGE_PROC",
        withCheckDigits(random, digits(random, 7) + u'-',
                        QStringLiteral(".%1.8.26.").arg(random.bounded(2010, 2025)) + digits(random, 4),
                        LegalNumbers::caseNumber));
    set("AGE_VARA", pick(random, kCourts));
    set("AGE_ACAO", pick(random, kActions));
    set("AGE_DATAPROC", dateText(random, 2010, 2024));
    set("AGE_DTAPET", dateText(random, 2010, 2024));
    if (random.bounded(20) != 0) // a few cases have no hearing yet
        set("AGE_DTAAUDIENCIA", dateText(random, 2015, 2026));
    set("AGE_HORAAUDIENCIA", QStringLiteral("%1:%2")
                                 .arg(random.bounded(8, 18), 2, 10, QChar(u'0'))
                                 .arg(random.bounded(4) * 15, 2, 10, QChar(u'0')));
    set("AGE_PCONT", random.bounded(3) == 0 ? QStringLiteral("Empresa ") + pick(random, kSurnames) + " Ltda."
                                            : personName(random));
    set("AGE_ADVCONT", QStringLiteral("Dra. ") + personName(random));
    set("AGE_TELPCONT",
        QStringLiteral("(%1) %2-%3").arg(digits(random, 2), digits(random, 4), digits(random, 4)));
    set("AGE_ANOTACOES",
        QStringLiteral("Cliente indicado por %1.\r\nTrazer documentos originais.").arg(personName(random)));
    set("AGE_ENDERECOpc", pick(random, kStreets) + QStringLiteral(", %1").arg(random.bounded(1, 3000)));
    set("AGE_BAIRROpc", pick(random, kDistricts));
    set("AGE_CIDADEpc", otherCity);
    set("AGE_UFpc", otherState);
    set("AGE_EMAIL", QStringLiteral("cliente%1@exemplo.com.br").arg(random.bounded(1000000)));
    set("AGE_ANOTACOESaud", QStringLiteral("Levar testemunhas."));
    return r;
}

// The same records as an old data packet, and as two CSV files for the shell: the
// record's columns alone, and the record's columns with the search keys the base keeps.
void writeTransferSources(int count, const QString& packetPath, const QString& csvPath,
                          const QString& keyedCsvPath) {
    QFile packet(packetPath);
    QFile csv(csvPath);
    QFile keyedCsv(keyedCsvPath);
    if (!packet.open(QIODevice::WriteOnly) || !csv.open(QIODevice::WriteOnly) ||
        !keyedCsv.open(QIODevice::WriteOnly))
        throw AppError(QStringLiteral("cannot write the transfer sources"));
    QXmlStreamWriter xml(&packet);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("DATAPACKET"));
    xml.writeAttribute(QStringLiteral("Version"), QStringLiteral("2.0"));
    xml.writeStartElement(QStringLiteral("METADATA"));
    xml.writeStartElement(QStringLiteral("FIELDS"));
    for (const QString& name : packetColumns()) {
        xml.writeEmptyElement(QStringLiteral("FIELD"));
        xml.writeAttribute(QStringLiteral("attrname"), name);
        xml.writeAttribute(QStringLiteral("fieldtype"), QStringLiteral("string"));
    }
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeStartElement(QStringLiteral("ROWDATA"));
    QTextStream csvOut(&csv);
    QTextStream keyedOut(&keyedCsv);
    QRandomGenerator random(20261210);
    for (int i = 1; i <= count; ++i) {
        Schema::Record record = generateRecord(random);
        xml.writeEmptyElement(QStringLiteral("ROW"));
        xml.writeAttribute(QStringLiteral("AGE_COD"), QString::number(i));
        QStringList fields;
        for (int column = 1; column < Columns::count(); ++column) {
            xml.writeAttribute(Columns::at(column).name, record[column]);
            fields << csvField(record[column]);
        }
        csvOut << fields.join(u',') << '\n';
        for (const QString& key : Schema::keyValues(record))
            fields << csvField(key);
        keyedOut << fields.join(u',') << '\n';
    }
    xml.writeEndDocument();
}

} // namespace Bench
