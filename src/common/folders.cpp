#include "folders.h"

#include "apperror.h"
#include "settingsfiles.h"
#include "version.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <fcntl.h>
#include <unistd.h>

namespace Folders {

namespace {
bool isBlank(QChar ch) {
    return ch.unicode() <= u' ';
}
} // namespace

QString devolvebarra(const QString& caminho) {
    qsizetype first = 0;
    qsizetype last = caminho.size();
    while (first < last && isBlank(caminho.at(first)))
        ++first;
    while (last > first && isBlank(caminho.at(last - 1)))
        --last;
    QString folder = caminho.mid(first, last - first);
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder;
}

bool checkinteiro(const QString& texto) {
    return std::any_of(texto.begin(), texto.end(), [](QChar ch) { return ch >= u'0' && ch <= u'9'; });
}

QString getdesktopdirectory() {
    const QString fromEnvironment = qEnvironmentVariable("XDG_DATA_HOME");
    const QString folder = QDir::isAbsolutePath(fromEnvironment)
                               ? fromEnvironment
                               : QDir::homePath() + QStringLiteral("/.local/share");
    return QDir::cleanPath(folder);
}

QString GetVersion() {
    return QStringLiteral(VELMORA_VERSION);
}

QString settingsFolder() {
    return devolvebarra(getdesktopdirectory() + u'/' + SettingsFiles::kSettingsSubfolder);
}

FolderCheck checkFolders(const QString& programFolder) {
    FolderCheck check;
    const QString dataFolder = programFolder + SettingsFiles::kDataFolder;
    if (QFileInfo(dataFolder).isDir()) {
        check.databaseFolder = dataFolder + u'/';
    } else {
        check.messages << QStringLiteral("Diretório não encontrado: ") + dataFolder;
        check.failed = true;
    }
    const bool settingsFound = QFileInfo(programFolder + SettingsFiles::kWin98Marker).isFile() ||
                               QFileInfo(settingsFolder()).isDir() ||
                               QFileInfo(programFolder + SettingsFiles::kDiversosFolder).isDir();
    if (!settingsFound) {
        check.messages << QStringLiteral("Nenhum diretório foi encontrado.") + programFolder +
                              QStringLiteral(" - ") + settingsFolder();
        check.failed = true;
    }
    return check;
}

void syncToDisk(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite) || ::fsync(file.handle()) != 0)
        throw AppError(
            QStringLiteral("Não foi possível gravar %1 no disco: %2").arg(path, file.errorString()));
}

void syncFolder(const QString& folder) {
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace Folders
