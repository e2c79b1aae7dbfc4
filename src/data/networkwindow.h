#pragma once

#include "common/formwindow.h"
#include "common/programfolders.h"
#include "ui_networkwindow.h"

class DataModule;

// "Localizar Base": the folder of a base shared in a network folder, kept in rede.ini.
class NetworkWindow : public FormWindow<Ui::TForm3> {
    Q_OBJECT
  public:
    // Storing a location changes the database folder of `folders`.
    NetworkWindow(ProgramFolders& folders, QWidget* parent);
    void attachData(DataModule* dataModule) { m_data = dataModule; }

    // The database folder text of the path box.
    QString folderText() const { return ui.Memo1->toPlainText(); }
    void setFolderText(const QString& text) { ui.Memo1->setPlainText(text); }

    // "Localizar Base": the folder of a chosen base file; cancelling empties the box.
    void Button1Click();
    // "Gravar": stores the box in rede.ini and connects to the base in that folder.
    void Button2Click();
    // "Remover configuração de rede": the default folder applies from the next start.
    void Button4Click();
    // "Usar servidor": the server's connection text typed beside it becomes the location.
    void BtnServidorClick();
    // "Testar conexão": says whether a base can be reached where the box says, and if not
    // why.
    void BtnTestarConexaoClick();

  private:
    void connectToFolder();

    ProgramFolders& m_folders;
    DataModule* m_data = nullptr;
};
