// The accent table of typing normalisation, and the city and state list files with the
// list editor's order.

#include "files.h"
#include "register/accents.h"
#include "register/citylists.h"

#include <QTemporaryDir>
#include <QTest>

class TestTypingLists : public QObject {
    Q_OBJECT

  private slots:
    void AnsiToAscii_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::newRow("city") << "São Paulo"
                              << "Sao Paulo";
        QTest::newRow("tilde and acute") << "Ñandú"
                                         << "Nandu";
        QTest::newRow("letters kept") << "Ærø ý ÿ Å ß Ð Þ × ÷ ª º"
                                      << "Ærø ý ÿ Å ß Ð Þ × ÷ ª º";
        QTest::newRow("every replaced letter") << "ÀÁÂÃÄÇÈÉÊËÌÍÎÏÑÒÓÔÕÖÙÚÛÜàáâãäçèéêëìíîïñòóôõöùúûü"
                                               << "AAAAACEEEEIIIINOOOOOUUUUaaaaaceeeeiiiinooooouuuu";
        QTest::newRow("other scripts") << "Ελλάδα ĉ ő"
                                       << "Ελλάδα ĉ ő";
    }
    void AnsiToAscii() {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QCOMPARE(Accents::AnsiToAscii(typed), shown);
    }

    void listFiles_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("entries");
        QTest::newRow("lone line feeds")
            << QByteArray("Campinas\nSantos\nSorocaba\n") << QStringList{"Campinas", "Santos", "Sorocaba"};
        QTest::newRow("no final break")
            << QByteArray("Campinas\r\nSantos") << QStringList{"Campinas", "Santos"};
        QTest::newRow("blank middle line and repeats")
            << QByteArray("Campinas\r\n\r\nCampinas\r\n") << QStringList{"Campinas", "", "Campinas"};
        QTest::newRow("UTF-8 with its mark")
            << QByteArray("\xEF\xBB\xBFS\xC3\xA3o Paulo\r\n") << QStringList{"São Paulo"};
        QTest::newRow("Windows-1252 without a mark")
            << QByteArray("S\xE3o Paulo\r\nS\xC3\xA3o\r\n") << QStringList{"São Paulo", "SÃ£o"};
    }
    void listFiles() {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, entries);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("comarcas.txt"));
        QVERIFY(!CityLists::read(path));
        writeFile(path, file);
        QCOMPARE(CityLists::read(path).value(), entries);
    }

    void editorOrder() {
        QCOMPARE(CityLists::sorted({"sao paulo", "Campinas", ""}),
                 (QStringList{"", "Campinas", "sao paulo"}));
        QCOMPARE(
            CityLists::sorted({"Úba", "uberlândia", "Ubatuba", "Águas", "abaeté", "Santos", "São Paulo"}),
            (QStringList{"abaeté", "Águas", "Santos", "São Paulo", "Úba", "Ubatuba", "uberlândia"}));
    }
};

QTEST_GUILESS_MAIN(TestTypingLists)
#include "tst_typinglists.moc"
