#pragma once

#include "app/formwindow.h"
#include "ui_accentsdialog.h"
#include "ui_drivedialog.h"
#include "ui_listeditor.h"

// "Configurar Acentos": whether accented letters may be typed in the register, kept in
// acentos.ini. The choice in force is the state of its first option at every keystroke.
class AccentsDialog : public FormWindow<Ui::TFRM_Acentos> {
    Q_OBJECT
  public:
    AccentsDialog(Application& app, QWidget* parent);

    // At start-up: acentos.ini, when there is one.
    void iniciar();
    bool accentsAllowed() const { return ui.Rpacentos->isChecked(); }
    // "Gravar".
    void BgravarClick();
};

// "Cadastrar Estados e Cidades": edits the lists of cities and states.
class ListEditor : public FormWindow<Ui::TForm4> {
    Q_OBJECT
  public:
    ListEditor(Application& app, QWidget* parent);

    void BcidadesClick();
    void BestadosClick();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    // Sorts a box, writes its file, shows the file again and gives the register the list.
    void saveList(QPlainTextEdit* box, const QString& file, bool cities);
};

// "Drive CD/DVD": a drive letter kept in letra.ini; nothing reads it.
class DriveDialog : public FormWindow<Ui::TFRM_Drive> {
    Q_OBJECT
  public:
    DriveDialog(Application& app, QWidget* parent);
    void BletraClick();
};
