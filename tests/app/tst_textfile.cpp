// The settings text files: encodings, line ends, the three write forms, atomic saves.

#include "common/apperror.h"
#include "common/textfile.h"
#include "files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <sys/resource.h>

class TestTextFile : public QObject {
    Q_OBJECT

  private slots:
    void reading_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("CR LF") << QByteArray("sim\r\nnão\r\n").replace("ã", "\xE3")
                               << QStringList{"sim", "não"};
        QTest::newRow("LF") << QByteArray("a\nb\nc\n") << QStringList{"a", "b", "c"};
        QTest::newRow("CR") << QByteArray("a\rb\rc") << QStringList{"a", "b", "c"};
        QTest::newRow("mixed") << QByteArray("a\r\nb\nc\rd") << QStringList{"a", "b", "c", "d"};
        QTest::newRow("no final break")
            << QByteArray("Campinas\r\nSantos") << QStringList{"Campinas", "Santos"};
        QTest::newRow("empty lines kept") << QByteArray("a\r\n\r\nb\r\n") << QStringList{"a", "", "b"};
        QTest::newRow("only a break") << QByteArray("\r\n") << QStringList{""};
        QTest::newRow("empty file") << QByteArray() << QStringList{};
        QTest::newRow("Windows-1252 0x80-0x9F")
            << QByteArray("\x80 \x93x\x94 \x96 \x8A\x9E") << QStringList{"€ “x” – Šž"};
        QTest::newRow("Latin letters") << QByteArray("S\xE3o Jo\xE3o \xC7") << QStringList{"São João Ç"};
        QTest::newRow("UTF-8 mark") << QByteArray("\xEF\xBB\xBFS\xC3\xA3o Paulo\r\n")
                                    << QStringList{"São Paulo"};
        QTest::newRow("UTF-16 LE mark") << QByteArray("\xFF\xFE"
                                                      "S\0\xE3\0o\0\r\0\n\0x\0",
                                                      14)
                                        << QStringList{"São", "x"};
        QTest::newRow("UTF-16 BE mark") << QByteArray("\xFE\xFF\0S\0\xE3\0o", 8) << QStringList{"São"};
        QTest::newRow("no mark: UTF-8 bytes read as Windows-1252")
            << QByteArray("S\xC3\xA3o") << QStringList{QStringLiteral("SÃ£o")};
    }
    void reading() {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, lines);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("f.txt"));
        writeFile(path, bytes);
        QCOMPARE(TextFile::readLines(path), lines);
    }

    void writeForms() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("rede.ini"));
        TextFile::writeText(path, QStringLiteral("/srv/escritório/dados"));
        QCOMPARE(bytesOf(path), QByteArray("/srv/escrit\xF3rio/dados"));
        TextFile::writeText(path, QStringLiteral("a\nb"));
        QCOMPARE(bytesOf(path), QByteArray("a\r\nb"));
        TextFile::writeText(path, QString());
        QCOMPARE(bytesOf(path), QByteArray());
        TextFile::writeLine(path, QStringLiteral("não"));
        QCOMPARE(bytesOf(path), QByteArray("n\xE3o\r\n"));
        TextFile::writeLines(path, {QString(), QStringLiteral("Campinas"), QStringLiteral("“São” € –")});
        QCOMPARE(bytesOf(path), QByteArray("\r\nCampinas\r\n\x93S\xE3o\x94 \x80 \x96\r\n"));
        QCOMPARE(TextFile::readLines(path), (QStringList{QString(), "Campinas", "“São” € –"}));
    }

    // A character Windows-1252 has no byte for is not lost: the file becomes UTF-8 with a mark.
    void textBeyondWindows1252RoundTrips() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("comarcas.txt"));
        const QStringList cities{QStringLiteral("São Paulo"), QStringLiteral("Łódź"),
                                 QStringLiteral("東京 ✓")};
        TextFile::writeLines(path, cities);
        QVERIFY(bytesOf(path).startsWith("\xEF\xBB\xBFS\xC3\xA3o Paulo\r\n"));
        QCOMPARE(TextFile::readLines(path), cities);
    }

    void comparisonIsExact() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("acentos.ini"));
        writeFile(path, "Sim\r\n");
        QVERIFY(TextFile::readLines(path).value(0) != QStringLiteral("sim"));
    }

    void savingIntoAMissingFolderFails() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("missing/font.ini"));
        try {
            TextFile::writeLine(path, QStringLiteral("x"));
            QFAIL("no error");
        } catch (const AppError& error) {
            QVERIFY(error.message().startsWith(QStringLiteral("Cannot create file \"%1\".").arg(path)));
        }
        QVERIFY(!TextFile::exists(path));
    }

    // A save that fails part-way (here the file-size limit stops the write) leaves the
    // previous file whole.
    void interruptedWriteKeepsThePreviousFile() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("comarcas.txt"));
        TextFile::writeLines(path, {QStringLiteral("Campinas"), QStringLiteral("Santos")});
        const QByteArray before = bytesOf(path);

        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = saved;
        limited.rlim_cur = 4096;
        setrlimit(RLIMIT_FSIZE, &limited);
        bool failed = false;
        try {
            TextFile::writeLines(path, QStringList(2000, QStringLiteral("Cidade com nome comprido")));
        } catch (const AppError&) {
            failed = true;
        }
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);

        QVERIFY(failed);
        QCOMPARE(bytesOf(path), before);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("comarcas.txt")});
    }
};

QTEST_GUILESS_MAIN(TestTextFile)
#include "tst_textfile.moc"
