// The files of the older editions read for the transfer: data packets (plain and packed),
// Paradox tables (the shared sample and one made here by pxlib), broken files, the record
// mapping of the three layouts and the list's order.

#include "common/apperror.h"
#include "data/columns.h"
#include "files.h"
#include "paradoxfixture.h"
#include "transfer/packetreader.h"
#include "transfer/paradoxreader.h"
#include "transfer/recordmapping.h"
#include "transfer/transfersource.h"
#include "transfer/unpacker.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <zlib.h>

namespace {

const QString kFixtures = QStringLiteral(VELMORA_FIXTURES "/transfer/");

QString column(const SourceTable& table, int row, const char* name) {
    return table.value(row, table.columnIndex(QString::fromUtf8(name)));
}

QString mapped(const RecordMapping::Mapped& values, const char* name) {
    return values[Columns::indexOf(QString::fromUtf8(name))].value_or(QStringLiteral("<intocado>"));
}

QByteArray packed(const QByteArray& bytes) {
    uLongf size = compressBound(static_cast<uLong>(bytes.size()));
    QByteArray out(static_cast<qsizetype>(size), '\0');
    compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(bytes.constData()),
              static_cast<uLong>(bytes.size()), 9);
    out.resize(static_cast<qsizetype>(size));
    return out;
}

// A packet of `columns` columns named from the list of clientes, one row.
QByteArray packetWithColumns(int columns) {
    QByteArray fields;
    QByteArray row;
    for (int i = 0; i < columns; ++i) {
        const QByteArray name = i == 0 ? "AGE_COD" : "C" + QByteArray::number(i);
        fields += "<FIELD attrname=\"" + name + "\" fieldtype=\"string\" WIDTH=\"60\"/>";
        row += " " + name + "=\"v" + QByteArray::number(i) + "\"";
    }
    return "<?xml version=\"1.0\" standalone=\"yes\"?><DATAPACKET Version=\"2.0\"><METADATA><FIELDS>" +
           fields + "</FIELDS><PARAMS/></METADATA><ROWDATA><ROW" + row + "/></ROWDATA></DATAPACKET>";
}

// A field of the 6.0 sample given another type and size.
struct FieldChange {
    int field;
    quint8 type;
    quint8 size;
};
// Bytes of the sample overwritten: `count` bytes from `offset` set to `value`.
struct ByteChange {
    qsizetype offset;
    qsizetype count;
    char value;
};

// The 6.0 sample, with its memo file, changed as given, in `dir`.
QString mutatedTable(const QTemporaryDir& dir, const QList<FieldChange>& fields,
                     const QList<ByteChange>& bytes) {
    QByteArray table = bytesOf(kFixtures + QStringLiteral("pro60.db"));
    constexpr qsizetype kFieldArray = 0x78;
    for (const FieldChange& change : fields) {
        table[kFieldArray + 2 * change.field] = static_cast<char>(change.type);
        table[kFieldArray + 2 * change.field + 1] = static_cast<char>(change.size);
    }
    for (const ByteChange& change : bytes) {
        for (qsizetype i = 0; i < change.count; ++i)
            table[change.offset + i] = change.value;
    }
    const QString path = dir.filePath(QStringLiteral("mudada.db"));
    writeFile(path, table);
    QFile::copy(kFixtures + QStringLiteral("pro60.mb"), dir.filePath(QStringLiteral("mudada.mb")));
    return path;
}

} // namespace

Q_DECLARE_METATYPE(FieldChange)
Q_DECLARE_METATYPE(ByteChange)

class TestTransferFiles : public QObject {
    Q_OBJECT

  private slots:
    void packetInWindows1252() {
        const SourceTable table = PacketReader::read(kFixtures + QStringLiteral("free-short.xml"));
        QCOMPARE(table.columnCount(), 25);
        QCOMPARE(table.rowCount(), 20);
        QCOMPARE(column(table, 0, "AGE_NOME"), QStringLiteral("Fábio dos Santos"));
        QCOMPARE(column(table, 0, "AGE_ANOTACOES"),
                 QStringLiteral(
                     "Cliente indicado por Lúcia.\r\nLevar documentos: RG, CPF & comprovante <original>."));
        QVERIFY(table.isNull(5, table.columnIndex(QStringLiteral("AGE_HORAAUDIENCIA"))));
        QVERIFY(table.isNull(6, table.columnIndex(QStringLiteral("AGE_TEL"))));
        QCOMPARE(column(table, 4, "AGE_DTAAUDIENCIA"), QString(""));
        QVERIFY(!table.isNull(4, table.columnIndex(QStringLiteral("AGE_DTAAUDIENCIA"))));
    }

    void packetInUtf8AndPacked() {
        QTemporaryDir dir;
        const SourceTable utf8 = PacketReader::read(kFixtures + QStringLiteral("free-long.xml"));
        QCOMPARE(utf8.columnCount(), 38);
        QCOMPARE(column(utf8, 0, "AGE_CIDADEpc"), QStringLiteral("Jundiaí"));

        const QString copy = dir.filePath(QStringLiteral("Agenda.xml"));
        Unpacker::DescomprimeClick(kFixtures + QStringLiteral("free-short.zip"), copy);
        QCOMPARE(bytesOf(copy), bytesOf(kFixtures + QStringLiteral("free-short.xml")));
        Unpacker::DescomprimeClick(kFixtures + QStringLiteral("free-short.zip"), copy);
        QCOMPARE(bytesOf(copy), bytesOf(kFixtures + QStringLiteral("free-short.xml")));
    }

    // Typed columns, raw line breaks, and a change log saved unmerged.
    void packetTypesAndChangeLog() {
        const QByteArray packet =
            "<?xml version=\"1.0\" standalone=\"yes\"?><DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
            "<FIELD attrname=\"AGE_COD\" fieldtype=\"i4\"/><FIELD attrname=\"AGE_NOME\" fieldtype=\"string\" "
            "WIDTH=\"60\"/><FIELD attrname=\"AGE_DATA\" fieldtype=\"date\"/><FIELD attrname=\"AGE_HORA\" "
            "fieldtype=\"dateTime\"/><FIELD attrname=\"AGE_VALOR\" fieldtype=\"r8\"/><FIELD "
            "attrname=\"AGE_NOTA\" "
            "fieldtype=\"bin.hex\" SUBTYPE=\"Text\" WIDTH=\"1\"/></FIELDS><PARAMS CHANGE_LOG=\"3 1 8 2 2 2 4 "
            "4 4\"/>"
            "</METADATA><ROWDATA>"
            "<ROW RowState=\"1\" AGE_COD=\"1\" AGE_NOME=\"Ana\" AGE_DATA=\"20240315\" "
            "AGE_HORA=\"20240315T09:30:00000\" "
            "AGE_VALOR=\"12.5\" AGE_NOTA=\"linha 1\nlinha 2\"/>"
            "<ROW RowState=\"2\" AGE_COD=\"2\" AGE_NOME=\"Apagado\"/>"
            "<ROW RowState=\"8\" AGE_NOME=\"Ana Maria\"/>"
            "<ROW RowState=\"4\" AGE_COD=\"3\" AGE_NOME=\"Nova\"/>"
            "</ROWDATA></DATAPACKET>";
        const SourceTable table = PacketReader::parse(packet, QStringLiteral("mudancas.xml"));
        QCOMPARE(table.rowCount(), 2);
        QCOMPARE(column(table, 0, "AGE_NOME"), QStringLiteral("Ana Maria"));
        QCOMPARE(column(table, 0, "AGE_DATA"), QStringLiteral("15/03/2024"));
        QCOMPARE(column(table, 0, "AGE_HORA"), QStringLiteral("15/03/2024"));
        QCOMPARE(column(table, 0, "AGE_VALOR"), QStringLiteral("12.5"));
        QCOMPARE(column(table, 0, "AGE_NOTA"), QStringLiteral("linha 1\nlinha 2"));
        QCOMPARE(column(table, 1, "AGE_NOME"), QStringLiteral("Nova"));
    }

    void pro60Table() {
        const SourceTable table = ParadoxReader::read(kFixtures + QStringLiteral("pro60.db"));
        QCOMPARE(table.columnCount(), 37);
        QCOMPARE(table.rowCount(), 20);
        QCOMPARE(column(table, 0, "AGE_COD"), QStringLiteral("1"));
        QCOMPARE(column(table, 0, "AGE_NOME"), QStringLiteral("Fábio dos Santos"));
        QCOMPARE(column(table, 0, "AGE_ANOTACOES"),
                 QStringLiteral(
                     "Cliente indicado por Lúcia.\nLevar documentos: RG, CPF & comprovante <original>."));
        QVERIFY(column(table, 0, "AGE_ANOTACOESpro").startsWith(QStringLiteral("Prazo para contestação")));
        QCOMPARE(column(table, 19, "AGE_COD"), QStringLiteral("20"));
        QVERIFY(table.isNull(6, table.columnIndex(QStringLiteral("AGE_TEL"))));
    }

    // A table made here by pxlib, an independent writer: long integers, alpha, typed dates
    // and memos with accents and line breaks, short ones kept in the record and long ones
    // in the memo file, read back exactly.
    void tableWrittenByPxlib() {
        // The day numbers follow the format's own example: 4 May 1996 is day 728,783.
        QCOMPARE(QDate(1, 1, 1).daysTo(QDate(1996, 5, 4)) + 1, 728783);
        QTemporaryDir dir;
        const QString db = dir.filePath(QStringLiteral("clientes.db"));
        const QString longNote = QStringLiteral("Audiência adiada.\r\nLevar certidão “original” & €.\r\n") +
                                 QString(300, u'ç') + QStringLiteral("\r\nFim.");
        const QString hugeNote = QString(3000, u'á') + QStringLiteral("\r\nÚltima linha");
        writeParadoxTable(
            db, dir.filePath(QStringLiteral("clientes.mb")),
            {{"AGE_COD", 'L'}, {"AGE_NOME", 'A', 40}, {"AGE_DTAAUDIENCIA", 'D'}, {"AGE_ANOTACOES", 'M', 20}},
            {{7, QStringLiteral("José D'Ávila"), QDate(2024, 12, 1), QStringLiteral("Curta\r\nnota")},
             {8, QStringLiteral("Ana"), QDate(1996, 5, 4), longNote},
             {-3, QStringLiteral("Sem data"), QVariant(), hugeNote},
             {9, QVariant(), QDate(100, 1, 1), QVariant()}});
        const SourceTable table = ParadoxReader::read(db);
        QCOMPARE(table.columns, (QStringList{"AGE_COD", "AGE_NOME", "AGE_DTAAUDIENCIA", "AGE_ANOTACOES"}));
        QCOMPARE(table.rowCount(), 4);
        QCOMPARE(table.value(0, 0), QStringLiteral("7"));
        QCOMPARE(table.value(0, 1), QStringLiteral("José D'Ávila"));
        QCOMPARE(table.value(0, 2), QStringLiteral("01/12/2024"));
        QCOMPARE(table.value(0, 3), QStringLiteral("Curta\r\nnota"));
        QCOMPARE(table.value(1, 2), QStringLiteral("04/05/1996"));
        QCOMPARE(table.value(1, 3), QString(longNote)
                                        .replace(QStringLiteral("“"), QStringLiteral("?"))
                                        .replace(QStringLiteral("”"), QStringLiteral("?"))
                                        .replace(QStringLiteral("€"), QStringLiteral("?")));
        QCOMPARE(table.value(2, 0), QStringLiteral("-3"));
        QVERIFY(table.isNull(2, 2));
        QCOMPARE(table.value(2, 3), hugeNote);
        QVERIFY(table.isNull(3, 1));
        QCOMPARE(table.value(3, 2), QStringLiteral("01/01/0100"));
        QVERIFY(table.isNull(3, 3));

        // Without its memo file the long notes cannot be read.
        QVERIFY(QFile::remove(dir.filePath(QStringLiteral("clientes.mb"))));
        QVERIFY_THROWS_EXCEPTION(AppError, ParadoxReader::read(db).row(1));
    }

    void brokenFiles_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message");
        const QByteArray zip = bytesOf(kFixtures + QStringLiteral("free-short.zip"));
        QByteArray corrupt = zip;
        for (qsizetype i = 200; i < 260; ++i)
            corrupt[i] = static_cast<char>(corrupt[i] ^ 0x5A);
        const QByteArray xml = bytesOf(kFixtures + QStringLiteral("free-short.xml"));
        QTest::newRow("truncated zlib") << "zip" << zip.left(zip.size() / 2) << "incompleto";
        QTest::newRow("corrupt zlib") << "zip" << corrupt << "data error";
        QTest::newRow("not zlib") << "zip" << xml << "data error";
        QTest::newRow("not XML") << "xml" << zip << "não pôde ser lido";
        QTest::newRow("unclosed XML") << "xml" << xml.left(xml.size() - 400) << "não pôde ser lido";
        QTest::newRow("XML but no packet")
            << "xml" << QByteArray("<?xml version=\"1.0\"?><html/>") << "lista de campos";
        QTest::newRow("not Paradox") << "db" << xml << "não é uma tabela Paradox";
        QTest::newRow("cut Paradox") << "db" << bytesOf(kFixtures + QStringLiteral("pro60.db")).left(3000)
                                     << "incompleto ou danificado";
    }
    // A file that cannot be read loads nothing, and an earlier unpacked copy is neither
    // replaced nor joined by a partial one.
    void brokenFiles() {
        QFETCH(QString, kind);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("base.") + kind);
        writeFile(path, bytes);
        const QString copy = dir.filePath(QStringLiteral("Agenda.xml"));
        writeFile(copy, "anterior");
        const TransferSource::File file = kind == u"zip"   ? TransferSource::File::Packed
                                          : kind == u"xml" ? TransferSource::File::Packet
                                                           : TransferSource::File::Table;
        TransferSource source;
        try {
            source.load(file, path, copy);
            QFAIL("no error");
        } catch (const AppError& error) {
            QVERIFY2(error.message().contains(message), qPrintable(error.message()));
        }
        QVERIFY(!source.isOpen());
        QCOMPARE(bytesOf(copy), QByteArray("anterior"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 2);
    }

    // The copy on disk is capped, and so is what a bomb can make the program hold.
    void packedBomb() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("base.zip"));
        writeFile(path, packed(QByteArray(3 * 1024 * 1024, '\0')));
        const QString copy = dir.filePath(QStringLiteral("Agenda.xml"));
        try {
            Unpacker::DescomprimeClick(path, copy, 1024 * 1024);
            QFAIL("no error");
        } catch (const AppError& error) {
            QVERIFY2(error.message().contains(QStringLiteral("mais de 1 MB")), qPrintable(error.message()));
        }
        QVERIFY(!QFileInfo::exists(copy));
    }

    // A stream cut short is unpacked as far as it goes: a packet that is whole in it (only
    // the checksum missing) loads.
    void packedStreamWithoutChecksum() {
        QTemporaryDir dir;
        const QByteArray zip = bytesOf(kFixtures + QStringLiteral("free-short.zip"));
        const QString path = dir.filePath(QStringLiteral("base.zip"));
        writeFile(path, zip.left(zip.size() - 4));
        TransferSource source;
        source.load(TransferSource::File::Packed, path, dir.filePath(QStringLiteral("Agenda.xml")));
        QCOMPARE(source.count(), 20);
        QCOMPARE(bytesOf(dir.filePath(QStringLiteral("Agenda.xml"))),
                 bytesOf(kFixtures + QStringLiteral("free-short.xml")));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 2);
    }

    // Change logs saved unmerged: the row states say which row holds the new values, and
    // a change row may carry only the fields that changed.
    void packetChangeLogs_data() {
        QTest::addColumn<QByteArray>("log");
        QTest::addColumn<QByteArray>("rows");
        QTest::addColumn<QStringList>("expected");
        const QByteArray original =
            "<ROW AGE_COD=\"1\" AGE_NOME=\"Ana\" AGE_CIDADE=\"Santos\"/>"
            "<ROW AGE_COD=\"2\" AGE_NOME=\"Bia\" AGE_CIDADE=\"Osasco\"/>"
            "<ROW RowState=\"1\" AGE_COD=\"3\" AGE_NOME=\"Caio\" AGE_CIDADE=\"Itu\"/>";
        QTest::newRow("change after its original")
            << QByteArray("4 3 8") << original + "<ROW RowState=\"8\" AGE_NOME=\"Caio Souza\"/>"
            << QStringList{"1 Ana Santos", "2 Bia Osasco", "3 Caio Souza Itu"};
        QTest::newRow("change emptying a field")
            << QByteArray("4 3 8") << original + "<ROW RowState=\"8\" AGE_CIDADE=\"\"/>"
            << QStringList{"1 Ana Santos", "2 Bia Osasco", "3 Caio "};
        QTest::newRow("two changes of one row")
            << QByteArray("4 3 8 5 4 8")
            << original +
                   "<ROW RowState=\"8\" AGE_NOME=\"Caio S.\"/><ROW RowState=\"8\" AGE_CIDADE=\"Tatuí\"/>"
            << QStringList{"1 Ana Santos", "2 Bia Osasco", "3 Caio S. Tatuí"};
        QTest::newRow("no log, change after its row")
            << QByteArray() << original + "<ROW RowState=\"8\" AGE_NOME=\"Caio Souza\"/>"
            << QStringList{"1 Ana Santos", "2 Bia Osasco", "3 Caio Souza Itu"};
        QTest::newRow("deleted and inserted")
            << QByteArray("2 2 2 4 4 4")
            << QByteArray("<ROW AGE_COD=\"1\" AGE_NOME=\"Ana\" AGE_CIDADE=\"Santos\"/>"
                          "<ROW RowState=\"2\" AGE_COD=\"2\" AGE_NOME=\"Bia\" AGE_CIDADE=\"Osasco\"/>"
                          "<ROW AGE_COD=\"3\" AGE_NOME=\"Caio\" AGE_CIDADE=\"Itu\"/>"
                          "<ROW RowState=\"4\" AGE_COD=\"4\" AGE_NOME=\"Davi\" AGE_CIDADE=\"Bauru\"/>")
            << QStringList{"1 Ana Santos", "3 Caio Itu", "4 Davi Bauru"};
    }
    void packetChangeLogs() {
        QFETCH(QByteArray, log);
        QFETCH(QByteArray, rows);
        QFETCH(QStringList, expected);
        const QByteArray params =
            log.isEmpty() ? QByteArray("<PARAMS/>") : "<PARAMS CHANGE_LOG=\"" + log + "\"/>";
        const QByteArray packet =
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?><DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
            "<FIELD attrname=\"AGE_COD\" fieldtype=\"i4\"/><FIELD attrname=\"AGE_NOME\" "
            "fieldtype=\"string\"/>"
            "<FIELD attrname=\"AGE_CIDADE\" fieldtype=\"string\"/></FIELDS>" +
            params + "</METADATA><ROWDATA>" + rows + "</ROWDATA></DATAPACKET>";
        const SourceTable table = PacketReader::parse(packet, QStringLiteral("log.xml"));
        QStringList found;
        for (int row = 0; row < table.rowCount(); ++row)
            found << table.row(row).join(u' ');
        QCOMPARE(found, expected);
        const auto numbers = table.wholeNumbers(0);
        QCOMPARE(static_cast<int>(numbers.size()), expected.size());
    }

    // Packets other writers make: a comment with an apostrophe and raw line breaks in
    // values, UTF-16 with its mark, a document type, character references.
    void packetForms_data() {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray body =
            "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS><FIELD attrname=\"AGE_COD\" fieldtype=\"i4\"/>"
            "<FIELD attrname=\"AGE_NOME\" fieldtype=\"string\"/><FIELD attrname=\"AGE_ANOTACOES\" "
            "fieldtype=\"bin.hex\"/></FIELDS><PARAMS/></METADATA><ROWDATA>"
            "<ROW AGE_COD=\"7\" AGE_NOME=\"João D&apos;Ávila\" AGE_ANOTACOES=\"linha 1\r\nlinha 2\"/>"
            "</ROWDATA></DATAPACKET>";
        QTest::newRow("comment with an apostrophe")
            << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<!-- it's the client's list -->\r\n" + body;
        QString utf16 = QString::fromUtf8("<?xml version=\"1.0\" encoding=\"UTF-16\"?>" + body);
        QByteArray utf16Bytes("\xFF\xFE");
        utf16Bytes.append(reinterpret_cast<const char*>(utf16.utf16()), utf16.size() * 2);
        QTest::newRow("UTF-16 with its mark") << utf16Bytes;
        QTest::newRow("document type and references")
            << "<?xml version=\"1.0\"?><!DOCTYPE DATAPACKET [ <!ENTITY x \"y\"> ]>" +
                   QByteArray(body).replace("Ávila", "&#193;vila").replace("\r\n", "&#13;&#10;");
    }
    void packetForms() {
        QFETCH(QByteArray, bytes);
        const SourceTable table = PacketReader::parse(bytes, QStringLiteral("forma.xml"));
        QCOMPARE(table.rowCount(), 1);
        QCOMPARE(table.row(0), (QStringList{"7", "João D'Ávila", "linha 1\r\nlinha 2"}));
    }

    // Packets no writer makes: refused with a message, never read past or half-mapped.
    void hostilePackets_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message");
        const QByteArray head =
            "<?xml version=\"1.0\"?><DATAPACKET><METADATA><FIELDS>"
            "<FIELD attrname=\"AGE_COD\"/><FIELD attrname=\"AGE_NOME\"/></FIELDS></METADATA>";
        QTest::newRow("fields after the rows")
            << head + "<ROWDATA><ROW AGE_COD=\"1\" AGE_NOME=\"Ana\"/></ROWDATA><METADATA><FIELDS>"
                      "<FIELD attrname=\"AGE_CIDADE\"/></FIELDS></METADATA></DATAPACKET>"
            << "continua depois dos registros";
        QTest::newRow("unknown entity")
            << head + "<ROWDATA><ROW AGE_NOME=\"&bomba;\"/></ROWDATA></DATAPACKET>"
            << "não é conhecida";
        QTest::newRow("tags crossed") << head + "<ROWDATA><ROW></ROWDATA></ROW></DATAPACKET>"
                                      << "não corresponde";
        QTest::newRow("too deep") << head + QByteArray(100, 'x').replace("x", "<a>") << "fundo demais";
        QTest::newRow("value never closed") << head + "<ROWDATA><ROW AGE_NOME=\"Ana"
                                            << "incompleto";
    }
    void hostilePackets() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        try {
            PacketReader::parse(bytes, QStringLiteral("hostil.xml"));
            QFAIL("no error");
        } catch (const AppError& error) {
            QVERIFY2(error.message().contains(message), qPrintable(error.message()));
        }
    }

    // Tables no writer makes, each a mutation of the 6.0 sample that keeps its record size:
    // refused with a message, nothing read past the file or the record.
    void hostileTables_data() {
        QTest::addColumn<QList<FieldChange>>("fields");
        QTest::addColumn<QList<ByteChange>>("bytes");
        QTest::addColumn<QString>("message");
        // Field 23 is a memo of 20 bytes, 1 an alpha of 60, 19 an alpha of 5, 0 a long integer.
        QTest::newRow("memo narrower than its tail")
            << QList<FieldChange>{{23, 0x0C, 4}, {1, 0x01, 76}} << QList<ByteChange>{} << "tamanho (4)";
        QTest::newRow("number narrower than 8")
            << QList<FieldChange>{{19, 0x06, 5}} << QList<ByteChange>{} << "tamanho (5)";
        QTest::newRow("date narrower than 4")
            << QList<FieldChange>{{19, 0x02, 2}, {20, 0x01, 63}} << QList<ByteChange>{} << "tamanho (2)";
        QTest::newRow("integer wider than 8")
            << QList<FieldChange>{{0, 0x04, 12}, {1, 0x01, 52}} << QList<ByteChange>{} << "tamanho (12)";
        QTest::newRow("names past the header")
            << QList<FieldChange>{} << QList<ByteChange>{{607, 2048 - 607, 'A'}} << "nomes dos campos";
        QTest::newRow("block linked to itself")
            << QList<FieldChange>{} << QList<ByteChange>{{0x0C, 2, '\xFF'}, {2048, 1, 1}, {2049, 1, 0}}
            << "volta a um bloco";
        QTest::newRow("block holding more than it can")
            << QList<FieldChange>{} << QList<ByteChange>{{2052, 1, '\x00'}, {2053, 1, '\x7F'}}
            << "mais registros";
    }
    void hostileTables() {
        QFETCH(QList<FieldChange>, fields);
        QFETCH(QList<ByteChange>, bytes);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QString path = mutatedTable(dir, fields, bytes);
        try {
            const SourceTable table = ParadoxReader::read(path);
            for (int row = 0; row < table.rowCount(); ++row)
                table.row(row);
            QFAIL("no error");
        } catch (const AppError& error) {
            QVERIFY2(error.message().contains(message), qPrintable(error.message()));
        }
    }

    // A field of a kind the transfer never reads does not refuse the table: a time is
    // read as a time, a picture as nothing.
    void tableWithOtherFieldKinds() {
        QTemporaryDir dir;
        const QString path = mutatedTable(dir, {{19, 0x14, 4}, {20, 0x01, 61}, {22, 0x10, 60}}, {});
        const SourceTable table = ParadoxReader::read(path);
        QCOMPARE(table.rowCount(), 20);
        QCOMPARE(table.value(0, 1), QStringLiteral("Fábio dos Santos"));
        QVERIFY(table.isNull(0, 22));
    }

    // Inputs the fuzzers found, kept (tests/fixtures/fuzz, the seeds of scripts/fuzz.sh):
    // each is read without a crash.
    void fuzzFindings_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("path");
        for (const QString& target : {QStringLiteral("packet"), QStringLiteral("paradox")}) {
            const QDir folder(QStringLiteral(VELMORA_FIXTURES "/fuzz/") + target);
            for (const QString& name : folder.entryList(QDir::Files))
                QTest::newRow(qPrintable(target + u'/' + name)) << target << folder.filePath(name);
        }
    }
    void fuzzFindings() {
        QFETCH(QString, target);
        QFETCH(QString, path);
        const QByteArray bytes = bytesOf(path);
        try {
            if (target == u"packet") {
                const SourceTable table = PacketReader::parse(bytes, QStringLiteral("achado.xml"));
                for (int row = 0; row < table.rowCount(); ++row)
                    table.row(row);
            } else {
                QTemporaryDir dir;
                const qsizetype tableSize = std::min<qsizetype>(
                    bytes.size() - 4, static_cast<uchar>(bytes[0]) | static_cast<uchar>(bytes[1]) << 8 |
                                          static_cast<uchar>(bytes[2]) << 16);
                writeFile(dir.filePath(QStringLiteral("achado.db")), bytes.mid(4, tableSize));
                writeFile(dir.filePath(QStringLiteral("achado.mb")), bytes.mid(4 + tableSize));
                const SourceTable table = ParadoxReader::read(dir.filePath(QStringLiteral("achado.db")));
                for (int row = 0; row < table.rowCount(); ++row)
                    table.row(row);
            }
        } catch (const AppError&) {
            // Refused with a message.
        }
    }

    void layouts() {
        using RecordMapping::Layout;
        using RecordMapping::SourceKind;
        QCOMPARE(RecordMapping::layoutOf(SourceKind::Packet, 30), Layout::ShortPacket);
        QCOMPARE(RecordMapping::layoutOf(SourceKind::Packet, 31), Layout::LongPacket);
        QCOMPARE(RecordMapping::layoutOf(SourceKind::Table, 10), Layout::Table);

        const SourceTable thirty = PacketReader::parse(packetWithColumns(30), QStringLiteral("30"));
        const auto shortValues = RecordMapping::map(thirty, 0, Layout::ShortPacket);
        QCOMPARE(mapped(shortValues, "AGE_NOME"), QStringLiteral("v1"));
        QCOMPARE(mapped(shortValues, "AGE_ENDERECOpc"), QStringLiteral("v24"));
        QCOMPARE(mapped(shortValues, "AGE_BAIRROpc"), QStringLiteral("<intocado>"));

        const SourceTable thirtyOne = PacketReader::parse(packetWithColumns(38), QStringLiteral("38"));
        const auto longValues = RecordMapping::map(thirtyOne, 0, Layout::LongPacket);
        QCOMPARE(mapped(longValues, "AGE_BAIRROpc"), QStringLiteral("v26")); // 25 is skipped
        QCOMPARE(mapped(longValues, "AGE_ANOTACOESpc"), QStringLiteral("v37"));
        QCOMPARE(mapped(longValues, "Código"), QStringLiteral("<intocado>"));
    }

    // Rows 4 to 7 of the samples: a two-digit year with 14h30, an empty date with a blank
    // masked time, an impossible date without a time, a zero date without a telephone.
    void awkwardRows() {
        const SourceTable packet = PacketReader::read(kFixtures + QStringLiteral("free-short.xml"));
        const auto layout = RecordMapping::Layout::ShortPacket;
        const auto row4 = RecordMapping::map(packet, 3, layout);
        QCOMPARE(mapped(row4, "AGE_DTAAUDIENCIA"), QStringLiteral("15/08/1995"));
        QCOMPARE(mapped(row4, "AGE_HORAAUDIENCIA"), QStringLiteral("1430"));
        const auto row5 = RecordMapping::map(packet, 4, layout);
        QCOMPARE(mapped(row5, "AGE_DTAAUDIENCIA"), QString());
        QCOMPARE(mapped(row5, "AGE_HORAAUDIENCIA"), QString());
        const auto row6 = RecordMapping::map(packet, 5, layout);
        QCOMPARE(mapped(row6, "AGE_DTAAUDIENCIA"), QStringLiteral("28/02/2021"));
        QCOMPARE(mapped(row6, "AGE_HORAAUDIENCIA"), QStringLiteral("<intocado>"));
        const auto row7 = RecordMapping::map(packet, 6, layout);
        QCOMPARE(mapped(row7, "AGE_DATAPROC"), QString());
        QCOMPARE(mapped(row7, "AGE_TEL"), QString());
        QCOMPARE(RecordMapping::RemoveChar2(QStringLiteral(" 9h:3ø0 ")), QStringLiteral("9:30"));
    }

    // The table layout never reads position 24, unless it is the opposing party's address.
    void tableLayout() {
        const SourceTable table = ParadoxReader::read(kFixtures + QStringLiteral("pro60.db"));
        QCOMPARE(table.columns[24], QStringLiteral("AGE_ENDERECOpc"));
        const auto values = RecordMapping::map(table, 0, RecordMapping::Layout::Table);
        QCOMPARE(mapped(values, "AGE_ENDERECOpc"), QStringLiteral("Av. Paulista, 400"));
        QCOMPARE(mapped(values, "AGE_BAIRROpc"), QStringLiteral("Bela Vista"));
        QCOMPARE(mapped(values, "AGE_EMAIL"), QStringLiteral("cliente1@exemplo.com.br"));
        QVERIFY(mapped(values, "AGE_ANOTACOESaud").startsWith(QStringLiteral("Audiência")));

        SourceTable other;
        other.columns = table.columns;
        other.columns[24] = QStringLiteral("AGE_OUTRO");
        other.addRow(QStringList(37, QStringLiteral("x")));
        QCOMPARE(mapped(RecordMapping::map(other, 0, RecordMapping::Layout::Table), "AGE_ENDERECOpc"),
                 QStringLiteral("<intocado>"));
    }

    // "Ordem Numérica": a table's list always ascending, a packet's alternating; no index
    // is written beside the old files.
    void orderByNumber() {
        QTemporaryDir dir;
        for (const QString& name : {QStringLiteral("pro60.db"), QStringLiteral("pro60.mb")})
            QFile::copy(kFixtures + name, dir.filePath(name));
        TransferSource table;
        table.load(TransferSource::File::Table, dir.filePath(QStringLiteral("pro60.db")), {});
        table.orderByNumber();
        table.orderByNumber();
        QCOMPARE(table.table().value(table.rowAt(0), 0), QStringLiteral("1"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 2);

        TransferSource packet;
        packet.load(TransferSource::File::Packet, kFixtures + QStringLiteral("free-short.xml"), {});
        packet.next();
        packet.orderByNumber();
        QCOMPARE(packet.position(), 0);
        QCOMPARE(packet.table().value(packet.rowAt(0), 0), QStringLiteral("1"));
        packet.orderByNumber();
        QCOMPARE(packet.table().value(packet.rowAt(0), 0), QStringLiteral("20"));
        QCOMPARE(packet.table().value(packet.rowAt(19), 0), QStringLiteral("1"));

        TransferSource unnumbered;
        unnumbered.load(TransferSource::File::Packet,
                        [&] {
                            const QString path = dir.filePath(QStringLiteral("sem.xml"));
                            writeFile(path, QByteArray(packetWithColumns(3)).replace("AGE_COD", "NUM"));
                            return path;
                        }(),
                        {});
        QVERIFY_THROWS_EXCEPTION(AppError, unnumbered.orderByNumber());
    }
};

QTEST_GUILESS_MAIN(TestTransferFiles)
#include "tst_transferfiles.moc"
