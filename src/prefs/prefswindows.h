#pragma once

#include "app/formwindow.h"
#include "ui_accentsdialog.h"
#include "ui_drivedialog.h"
#include "ui_listeditor.h"

// "Configurar Acentos".
class AccentsDialog : public FormWindow<Ui::TFRM_Acentos> {
    Q_OBJECT
  public:
    AccentsDialog(Application& app, QWidget* parent)
        : FormWindow(app, parent, Qt::Window | Qt::WindowStaysOnTopHint) {}
    // Reads acentos.ini at start-up; comes with the accents setting.
    void iniciar() {}
};

// "Cadastrar Estados e Cidades".
class ListEditor : public FormWindow<Ui::TForm4> {
    Q_OBJECT
  public:
    ListEditor(Application& app, QWidget* parent)
        : FormWindow(app, parent, Qt::Window | Qt::WindowStaysOnTopHint) {}
};

// "Drive CD/DVD".
class DriveDialog : public FormWindow<Ui::TFRM_Drive> {
    Q_OBJECT
  public:
    DriveDialog(Application& app, QWidget* parent) : FormWindow(app, parent) {}
};
