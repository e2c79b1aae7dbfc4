#pragma once

#include "data/schema.h"

#include <QMap>
#include <QString>
#include <QTemporaryDir>

// A program folder, a settings folder and a base of a test's own, in a temporary folder.
// XDG_DATA_HOME and XDG_RUNTIME_DIR point into it while the environment lives.
class TestEnvironment {
  public:
    TestEnvironment();
    ~TestEnvironment();

    QString root() const { return m_dir.path() + u'/'; }
    QString programFolder() const { return root() + QStringLiteral("program/"); }
    QString settingsFolder() const;
    QString databaseFolder() const { return programFolder() + QStringLiteral("Dados/"); }
    QString basePath() const { return databaseFolder() + QStringLiteral("base.mdb"); }

    // What the installer makes (program folder with Dados/base.mdb, and the settings folder),
    // and a backup folder chosen, as in an office that has set the program up.
    void install();
    void createDataFolder();
    void createSettingsFolder();
    void createBase();
    QString backupFolder() const { return root() + QStringLiteral("backups"); }

    // Records written straight into the base, field name -> text.
    void addRecords(const QList<QMap<QString, QString>>& records);
    static void addRecords(const QString& basePath, const QList<QMap<QString, QString>>& records);
    static void addRecords(const Database& db, const QList<QMap<QString, QString>>& records);
    qint64 recordCount() const;
    // The stored text of one column of the record with this Código (null for none).
    QString storedText(qint64 code, const QString& column) const;

  private:
    QTemporaryDir m_dir;
    QByteArray m_oldDataHome;
    QByteArray m_oldRuntime;
};
