// Case numbers, CPFs and CNPJs as lawyers write them: the unified case number's check digits
// (ISO 7064 MOD 97-10) and its court, the CPF's and CNPJ's check digits, all-equal numbers
// that pass the arithmetic but are not numbers, and texts of other forms left alone.

#include "data/legalnumbers.h"

#include <QTest>

using Kind = LegalNumbers::Checked::Kind;
Q_DECLARE_METATYPE(Kind)

class TestLegalNumbers : public QObject {
    Q_OBJECT

  private slots:
    void caseNumbers_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("mismatch");
        QTest::addColumn<QString>("court");
        const QString none;
        QTest::newRow("unified, TJSP") << "0001234-13.2020.8.26.0100" << Kind::CaseNumber
                                       << "0001234-13.2020.8.26.0100" << none << "TJSP";
        QTest::newRow("20 digits") << "00012341320208260100" << Kind::CaseNumber
                                   << "0001234-13.2020.8.26.0100" << none << "TJSP";
        QTest::newRow("blanks, TRT2") << " 1000123 49 2019 5 02 0061 " << Kind::CaseNumber
                                      << "1000123-49.2019.5.02.0061" << none << "TRT2";
        QTest::newRow("TRF3") << "5001234-08.2021.4.03.6100" << Kind::CaseNumber
                              << "5001234-08.2021.4.03.6100" << none << "TRF3";
        QTest::newRow("TJRJ") << "0710802-81.2018.8.19.0001" << Kind::CaseNumber
                              << "0710802-81.2018.8.19.0001" << none << "TJRJ";
        QTest::newRow("wrong check digits")
            << "0001234-56.2020.8.26.0100" << Kind::CaseNumber << "0001234-56.2020.8.26.0100"
            << "Dígitos verificadores não conferem: esperado 13" << none;
        QTest::newRow("older form") << "583.00.2005.123456-7" << Kind::Other << "583.00.2005.123456-7" << none
                                    << none;
        QTest::newRow("21 digits") << "0001234-13.2020.8.26.01000" << Kind::Other
                                   << "0001234-13.2020.8.26.01000" << none << none;
        QTest::newRow("letters") << "Proc. 123/99" << Kind::Other << "Proc. 123/99" << none << none;
        QTest::newRow("empty") << "" << Kind::Other << "" << none << none;
    }
    void caseNumbers() {
        QFETCH(QString, typed);
        QFETCH(Kind, kind);
        QFETCH(QString, written);
        QFETCH(QString, mismatch);
        QFETCH(QString, court);
        const LegalNumbers::Checked checked = LegalNumbers::caseNumber(typed);
        QCOMPARE(checked.kind, kind);
        QCOMPARE(checked.written, kind == Kind::Other ? typed : written);
        QCOMPARE(LegalNumbers::mismatch(checked), mismatch);
        QCOMPARE(LegalNumbers::court(typed), court);
    }

    void taxpayers_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("mismatch");
        const QString none;
        QTest::newRow("CPF") << "529.982.247-25" << Kind::Cpf << "529.982.247-25" << none;
        QTest::newRow("CPF, digits") << "52998224725" << Kind::Cpf << "529.982.247-25" << none;
        QTest::newRow("CPF, second digit zero") << "111.444.777-35" << Kind::Cpf << "111.444.777-35" << none;
        QTest::newRow("CPF, wrong") << "529.982.247-26" << Kind::Cpf << "529.982.247-26"
                                    << "Dígitos verificadores não conferem: esperado 25";
        QTest::newRow("CPF, all equal") << "111.111.111-11" << Kind::Cpf << "111.111.111-11"
                                        << "Número inválido: todos os dígitos são iguais";
        QTest::newRow("CPF, zeros") << "00000000000" << Kind::Cpf << "000.000.000-00"
                                    << "Número inválido: todos os dígitos são iguais";
        QTest::newRow("CNPJ") << "11.222.333/0001-81" << Kind::Cnpj << "11.222.333/0001-81" << none;
        QTest::newRow("CNPJ, digits") << "19100000000191" << Kind::Cnpj << "19.100.000/0001-91" << none;
        QTest::newRow("CNPJ, wrong") << "11.222.333/0001-82" << Kind::Cnpj << "11.222.333/0001-82"
                                     << "Dígitos verificadores não conferem: esperado 81";
        QTest::newRow("CNPJ, zeros") << "00000000000000" << Kind::Cnpj << "00.000.000/0000-00"
                                     << "Número inválido: todos os dígitos são iguais";
        QTest::newRow("CNPJ, all equal, wrong") << "22.222.222/2222-22" << Kind::Cnpj << "22.222.222/2222-22"
                                                << "Dígitos verificadores não conferem: esperado 59";
        QTest::newRow("an RG") << "12.345.678-9" << Kind::Other << "12.345.678-9" << none;
        QTest::newRow("words") << "isento" << Kind::Other << "isento" << none;
    }
    void taxpayers() {
        QFETCH(QString, typed);
        QFETCH(Kind, kind);
        QFETCH(QString, written);
        QFETCH(QString, mismatch);
        const LegalNumbers::Checked checked = LegalNumbers::taxpayer(typed);
        QCOMPARE(checked.kind, kind);
        QCOMPARE(checked.written, written);
        QCOMPARE(LegalNumbers::mismatch(checked), mismatch);
    }

    void digitsOfANumberText() {
        QCOMPARE(LegalNumbers::digitsOf(QStringLiteral("0001234-56.20")), QStringLiteral("00012345620"));
        QVERIFY(LegalNumbers::isNumberText(QStringLiteral("0001234-56.20")));
        QVERIFY(LegalNumbers::isNumberText(QStringLiteral("11.222.333/0001")));
        QVERIFY(!LegalNumbers::isNumberText(QStringLiteral("Proc. 12")));
        QVERIFY(!LegalNumbers::isNumberText(QStringLiteral(" -./ ")));
    }
};

QTEST_GUILESS_MAIN(TestLegalNumbers)
#include "tst_legalnumbers.moc"
