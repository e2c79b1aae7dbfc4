// Plays the installer: creates what the program expects to find and never creates
// itself. Nothing that exists is overwritten.
//   <program folder>/Dados/base.mdb   an empty case database (table clientes)
//   <settings folder>/Dados/comarcas/ the per-user settings folder with its lists folder,
//                                     the list of states holding the 27 federative units

#include "app/apperror.h"
#include "app/folders.h"
#include "app/settingsfiles.h"
#include "app/textfile.h"
#include "data/schema.h"
#include "register/citylists.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QTextStream>

namespace {

void createDatabase(const QString& path) {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("install"));
    db.setDatabaseName(path);
    if (!db.open())
        throw AppError(db.lastError().text());
    Schema::create(db);
    db.close();
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    QTextStream out(stdout);
    try {
        const QString programFolder = Folders::devolvebarra(QCoreApplication::applicationDirPath());
        const QString dataFolder = programFolder + SettingsFiles::kDataFolder;
        const QString settingsFolder = Folders::settingsFolder();
        for (const QString& folder : {dataFolder, settingsFolder + SettingsFiles::kListsFolder}) {
            if (!QDir().mkpath(folder))
                throw AppError(QStringLiteral("Não foi possível criar a pasta %1").arg(folder));
        }
        const QString base = dataFolder + u'/' + SettingsFiles::kBase;
        if (!QFileInfo::exists(base)) {
            createDatabase(base);
            out << "Base criada: " << base << Qt::endl;
        }
        const QString states = settingsFolder + SettingsFiles::kStates;
        if (!QFileInfo::exists(states)) {
            TextFile::writeLines(states, CityLists::brazilianStates());
            out << "Lista de estados criada: " << states << Qt::endl;
        }
        out << "Pasta de configurações: " << settingsFolder << Qt::endl;
    } catch (const AppError& error) {
        QTextStream(stderr) << error.message() << Qt::endl;
        return 1;
    }
    QSqlDatabase::removeDatabase(QStringLiteral("install"));
    return 0;
}
