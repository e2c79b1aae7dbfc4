#pragma once

#include <QString>
#include <QStringList>

// The small folder helpers every part of the program uses.
namespace Folders {

// `caminho` trimmed of blanks and control characters at both ends, ended with one "/".
// An empty or all-blank text gives "/".
QString devolvebarra(const QString& caminho);
// True when the text holds one of the characters 0 to 9.
bool checkinteiro(const QString& texto);
// The user's data folder ($XDG_DATA_HOME, else ~/.local/share), without a trailing "/".
QString getdesktopdirectory();
// The program's version, "7.0.0.2".
QString GetVersion();

// The per-user settings folder under the user's data folder.
QString settingsFolder();

// The folder checks made at start-up on the program folder (ends with "/").
struct FolderCheck {
    bool failed = false;
    QString databaseFolder; // program folder + "Dados/" when that folder exists
    QStringList messages;   // in the order they must be shown
};
FolderCheck checkFolders(const QString& programFolder);

// A file written without waiting for the disk, made durable once, whole: its bytes reach the
// disk. Throws AppError.
void syncToDisk(const QString& path);
// A folder's own entries (a name just given to a file) reach the disk; nothing when the
// folder cannot be opened.
void syncFolder(const QString& folder);

} // namespace Folders
