// The files of the older editions read for the transfer: data packets (plain and packed),
// Paradox tables (the shared sample and one made here by pxlib), broken files, the record
// mapping of the three layouts and the list's order.

#include "app/apperror.h"
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

} // namespace

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
            "fieldtype=\"bin.hex\" SUBTYPE=\"Text\" WIDTH=\"1\"/></FIELDS><PARAMS CHANGE_LOG=\"1 3 8 2 2 2 4 "
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
        QVERIFY_THROWS_EXCEPTION(AppError, ParadoxReader::read(db));
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
        QTest::newRow("zlib bomb") << "zip" << packed(QByteArray(3 * 1024 * 1024, '\0')) << "mais de 1 MB";
        QTest::newRow("not XML") << "xml" << zip << "não pôde ser lido";
        QTest::newRow("unclosed XML") << "xml" << xml.left(xml.size() - 400) << "não pôde ser lido";
        QTest::newRow("XML but no packet")
            << "xml" << QByteArray("<?xml version=\"1.0\"?><html/>") << "lista de campos";
        QTest::newRow("not Paradox") << "db" << xml << "não é uma tabela Paradox";
        QTest::newRow("cut Paradox") << "db" << bytesOf(kFixtures + QStringLiteral("pro60.db")).left(3000)
                                     << "incompleto ou danificado";
    }
    void brokenFiles() {
        QFETCH(QString, kind);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("base.") + kind);
        writeFile(path, bytes);
        const QString copy = dir.filePath(QStringLiteral("Agenda.xml"));
        writeFile(copy, "anterior");
        try {
            if (kind == QStringLiteral("zip"))
                Unpacker::DescomprimeClick(path, copy, 1024 * 1024);
            else if (kind == QStringLiteral("xml"))
                PacketReader::read(path);
            else
                ParadoxReader::read(path);
            QFAIL("no error");
        } catch (const AppError& error) {
            QVERIFY2(error.message().contains(message), qPrintable(error.message()));
        }
        QCOMPARE(bytesOf(copy), QByteArray("anterior")); // an earlier copy is not left half-written
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
