#pragma once

#include <QString>

// Every file and folder name the program reads or writes, in one place. Settings files
// are addressed as the settings folder (meudir) + name; the database as minhabase + kBase.
namespace SettingsFiles {

inline const QString kSettingsSubfolder = QStringLiteral("Belvoran/velmora7/");

// In the program folder.
inline const QString kDataFolder = QStringLiteral("Dados");
inline const QString kWin98Marker = QStringLiteral("win98.ini");
inline const QString kDiversosFolder = QStringLiteral("Diversos");

// In the database folder.
inline const QString kBase = QStringLiteral("base.mdb");

// In the settings folder.
inline const QString kRede = QStringLiteral("rede.ini");
inline const QString kBackup = QStringLiteral("backup.ini");
inline const QString kCampos = QStringLiteral("campos.ini");
inline const QString kFont = QStringLiteral("font.ini");
inline const QString kAcentos = QStringLiteral("acentos.ini");
inline const QString kLetra = QStringLiteral("letra.ini");
// "sim" when listings mark the case numbers and CPFs whose check digits do not match.
inline const QString kNumeros = QStringLiteral("numeros.ini");
// The lawyers' calendar: its address, user, and the events' length and reminders.
inline const QString kAgenda = QStringLiteral("agenda.ini");
inline const QString kListsFolder = QStringLiteral("Dados/comarcas/");
inline const QString kCities = kListsFolder + QStringLiteral("comarcas.txt");
inline const QString kStates = kListsFolder + QStringLiteral("estados.txt");
inline const QString kHelp = QStringLiteral("ajuda.pdf");
inline const QString kListing = QStringLiteral("temp.htm");
// The first part of a listing too long for the browser to show whole.
inline const QString kListingShown = QStringLiteral("temp-tela.htm");
inline const QString kEmptyPage = QStringLiteral("zero.htm");
inline const QString kUnpackedPacket = QStringLiteral("Agenda.xml");

} // namespace SettingsFiles
