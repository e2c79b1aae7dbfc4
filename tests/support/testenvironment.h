#pragma once

#include "data/schema.h"

#include <QMap>
#include <QString>
#include <QTemporaryDir>

class TestServer;

// A program folder, a settings folder and a base of a test's own, in a temporary folder.
// XDG_DATA_HOME and XDG_RUNTIME_DIR point into it while the environment lives.
//
// With VELMORA_TESTE_SERVIDOR=1 in the environment, the base is a database of its own on a
// PostgreSQL server that the test process starts (one server for the process), prepared
// as the installer prepares an office's, named in rede.ini, and reached as a member of the
// staff role; the program folder keeps its Dados folder but no base file.
class TestEnvironment {
  public:
    TestEnvironment();
    ~TestEnvironment();

    static bool onServer();
    // The staff member the program connects as on a server.
    static QString staffLogin() { return QStringLiteral("maria"); }

    QString root() const { return m_dir.path() + u'/'; }
    QString programFolder() const { return root() + QStringLiteral("program/"); }
    QString settingsFolder() const;
    QString databaseFolder() const { return programFolder() + QStringLiteral("Dados/"); }
    QString basePath() const { return databaseFolder() + QStringLiteral("base.mdb"); }
    // What a connection is opened with: the base file's, or the server's connection text.
    QString connectionText() const;
    // The base opened as the program opens it.
    Database openBase() const;

    // What the installer makes (program folder with Dados/base.mdb, and the settings folder),
    // and a backup folder chosen, as in an office that has set the program up.
    void install();
    void createDataFolder();
    void createSettingsFolder();
    void createBase();
    QString backupFolder() const { return root() + QStringLiteral("backups"); }

    // Another station's transaction on the base, holding it until it is rolled back or
    // closed. Writes: others may read but not write. Everything: others may neither read
    // nor write. Reads (a base file only): a reader, which keeps a writer from committing.
    enum class Hold { Writes, Everything, Reads };
    Database holdBase(Hold hold) const;

    // The rows of the base in the order of their Código, each row's columns joined by
    // spaces.
    QStringList storedRows(const QStringList& columns) const;
    static QStringList storedRows(const Database& db, const QStringList& columns);

    // On a server: SQL run by its superuser in this environment's database (psql's output),
    // and the server itself, for tests of a server that goes away.
    QString serverSql(const QString& statements) const;
    static TestServer& server();

    // Records written straight into the base, field name -> text.
    void addRecords(const QList<QMap<QString, QString>>& records);
    static void addRecords(const QString& basePath, const QList<QMap<QString, QString>>& records);
    static void addRecords(const Database& db, const QList<QMap<QString, QString>>& records);
    qint64 recordCount() const;
    // The stored text of one column of the record with this Código (null for none).
    QString storedText(qint64 code, const QString& column) const;

  private:
    QTemporaryDir m_dir;
    QString m_serverText;
    QString m_serverDatabase;
    QByteArray m_oldDataHome;
    QByteArray m_oldRuntime;
};
