#pragma once

#include <QString>

namespace HelpDocument {

// True when the desktop names a program for PDF files (xdg-mime knows a default).
bool pdfProgramAssociated();

} // namespace HelpDocument
