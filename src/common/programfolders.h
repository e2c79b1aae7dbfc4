#pragma once

#include <QString>

// The three folders the windows work with, each ending with "/": the settings folder
// (meudir), the program folder (meuexe) and the database folder (minhabase). Start-up
// sets them; storing a new network location changes the database folder. One value,
// owned by the program and given to every window that needs it.
struct ProgramFolders {
    QString meudir;
    QString meuexe;
    QString minhabase;
};
