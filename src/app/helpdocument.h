#pragma once

#include <QString>

namespace HelpDocument {

enum class Outcome { NotInstalled, Opened, NoProgram, Failed };

// True when the desktop names a program for PDF files (xdg-mime knows a default).
bool pdfProgramAssociated();

} // namespace HelpDocument
