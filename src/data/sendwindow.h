#pragma once

#include "common/formwindow.h"
#include "common/programfolders.h"
#include "ui_sendwindow.h"

class Connection;
class DataModule;

// "Enviar base ao servidor": an office's base file (the one in use, or another, such as a
// backup) sent to its server's empty base; this station then uses the server.
class SendWindow : public FormWindow<Ui::TFRM_Enviar> {
    Q_OBJECT
  public:
    // A base sent changes where `folders` says the base is.
    SendWindow(ProgramFolders& folders, QWidget* parent);
    void attachData(DataModule* dataModule) { m_data = dataModule; }

    // Shown with the base in use, when it is a file, as the base to send.
    void open();

    // "Escolher...": another base file to send.
    void BtnEscolherClick();
    // "Enviar": the base sent, compared, and the server used from now on.
    void BtnEnviarClick();

  private:
    bool sendingTheBaseInUse(const QString& path) const;
    void useServer(const Connection& server);

    ProgramFolders& m_folders;
    DataModule* m_data = nullptr;
};
