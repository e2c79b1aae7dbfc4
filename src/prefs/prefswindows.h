#pragma once

#include "common/formwindow.h"
#include "common/programfolders.h"
#include "ui_accentsdialog.h"
#include "ui_drivedialog.h"
#include "ui_listeditor.h"

// "Configurar Acentos": whether accented letters may be typed in the register, kept in
// acentos.ini. The choice in force is the state of its first option at every keystroke.
class AccentsDialog : public FormWindow<Ui::TFRM_Acentos> {
    Q_OBJECT
  public:
    AccentsDialog(const ProgramFolders& folders, QWidget* parent);

    // At start-up: acentos.ini, when there is one.
    void iniciar();
    bool accentsAllowed() const { return ui.Rpacentos->isChecked(); }
    // "Gravar".
    void BgravarClick();

  signals:
    void accentsAllowedChanged(bool allowed);

  private:
    const ProgramFolders& m_folders;
};

// "Cadastrar Estados e Cidades": edits the lists of cities and states.
class ListEditor : public FormWindow<Ui::TForm4> {
    Q_OBJECT
  public:
    ListEditor(const ProgramFolders& folders, QWidget* parent);

    void BcidadesClick();
    void BestadosClick();

  signals:
    // A list was saved: the register's client boxes take it.
    void listSaved(bool cities, const QStringList& entries);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    // Sorts a box, writes its file, shows the file again and hands the list on.
    void saveList(QPlainTextEdit* box, const QString& file, bool cities);

    const ProgramFolders& m_folders;
};

// "Drive CD/DVD": a drive letter kept in letra.ini; nothing reads it.
class DriveDialog : public FormWindow<Ui::TFRM_Drive> {
    Q_OBJECT
  public:
    DriveDialog(const ProgramFolders& folders, QWidget* parent);
    void BletraClick();

  private:
    const ProgramFolders& m_folders;
};
