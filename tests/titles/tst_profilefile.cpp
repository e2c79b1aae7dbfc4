// campos.ini with the Windows profile-file rules, and the title catalogue.

#include "data/columns.h"
#include "files.h"
#include "titles/profilefile.h"
#include "titles/titlecatalogue.h"

#include <QTemporaryDir>
#include <QTest>

class TestProfileFile : public QObject {
    Q_OBJECT

  private slots:
    void profileReading_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("value");
        QTest::newRow("as written") << QByteArray("[Label003]\r\nLabel003=Comarca\r\n") << "label003"
                                    << "Comarca";
        QTest::newRow("capitals") << QByteArray("[LABEL003]\r\nLABEL003=Comarca\r\n") << "label003"
                                  << "Comarca";
        QTest::newRow("lower case") << QByteArray("[label003]\nlabel003=Comarca\n") << "Label003"
                                    << "Comarca";
        QTest::newRow("blanks and quotes")
            << QByteArray("[Label003]\r\n  Label003 =  \"Comarca \" \r\n") << "Label003"
            << "Comarca ";
        QTest::newRow("empty value") << QByteArray("[Label003]\r\nLabel003=\r\n") << "Label003"
                                     << "";
        QTest::newRow("key in another section")
            << QByteArray("[Outro]\r\nLabel003=x\r\n[Label003]\r\nOutra=y\r\n") << "Label003"
            << "";
        QTest::newRow("Windows-1252")
            << QByteArray("[Label016]\r\nLabel016=A\xE7\xE3o \x96 tipo\r\n") << "Label016"
            << "Ação – tipo";
        QTest::newRow("first of two sections")
            << QByteArray("[Label001]\r\nLabel001=Rua\r\n[label001]\r\nLabel001=Av\r\n") << "Label001"
            << "Rua";
        QTest::newRow("cut at 2047") << QByteArray("[Label001]\r\nLabel001=") + QByteArray(3000, 'x')
                                     << "Label001" << QString(2047, u'x');
    }
    void profileReading() {
        QFETCH(QByteArray, file);
        QFETCH(QString, id);
        QFETCH(QString, value);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("campos.ini"));
        writeFile(path, file);
        QCOMPARE(ProfileFile(path).readString(id, id, QStringLiteral("")), value);
    }

    // A file written on Windows, with other sections around ours, keeps all it holds.
    void windowsFileIsUpdatedInPlace() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("campos.ini"));
        writeFile(
            path,
            "; t\xEDtulos\r\n[Geral]\r\nVersao=6\r\n\r\n[label003]\r\nlabel003=Cidade\r\n\r\n[Outra]\r\n"
            "Chave=Ol\xE1\r\n");
        ProfileFile file(path);
        file.writeString(QStringLiteral("Label003"), QStringLiteral("Label003"), QStringLiteral("Comarca"));
        file.writeString(QStringLiteral("Label016"), QStringLiteral("Label016"), QStringLiteral("Ação"));
        QCOMPARE(bytesOf(path),
                 QByteArray("; t\xEDtulos\r\n[Geral]\r\nVersao=6\r\n\r\n[label003]\r\nLabel003=Comarca\r\n"
                            "\r\n[Outra]\r\nChave=Ol\xE1\r\n[Label016]\r\nLabel016=A\xE7\xE3o\r\n"));
        file.writeString(QStringLiteral("Label016"), QStringLiteral("Label016"), QStringLiteral("Ação ✓"));
        QVERIFY(bytesOf(path).startsWith("\xEF\xBB\xBF; t\xC3\xADtulos")); // kept whole as UTF-8
        QCOMPARE(ProfileFile(path).readString(QStringLiteral("label016"), QStringLiteral("label016")),
                 QStringLiteral("Ação ✓"));
        QCOMPARE(ProfileFile(path).readString(QStringLiteral("Outra"), QStringLiteral("Chave")),
                 QStringLiteral("Olá"));
    }

    // Every field the title catalogue names is a column of the table, accents included.
    void catalogueFieldsAreColumns() {
        for (const auto& entry : TitleCatalogue::all())
            QVERIFY2(Columns::indexOf(entry.field) >= 0, qPrintable(entry.field));
        QCOMPARE(TitleCatalogue::byId(QStringLiteral("Label00"))->field, QStringLiteral("Código"));
    }
};

QTEST_GUILESS_MAIN(TestProfileFile)
#include "tst_profilefile.moc"
