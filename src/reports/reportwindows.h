#pragma once

#include "app/formwindow.h"
#include "data/gridmodel.h"
#include "ui_fieldchooser.h"
#include "ui_optionswindow.h"
#include "ui_reportwindow.h"
#include "ui_stylesheetholder.h"

class DataModule;

// "Relatório": shows listings. It owns the listing column set, shown by its hidden
// grid DBGrid3.
class ReportWindow : public FormWindow<Ui::TFRM_Impressao> {
    Q_OBJECT
  public:
    ReportWindow(Application& app, QWidget* parent);
    void attachData(DataModule* dataModule);

    QList<GridColumn> columnSet() const;
    void setColumnSet(QList<GridColumn> columns);

    // The installed font families, offered for the listing's table font.
    void setFontFamilies(const QStringList& families);

    // Retitles the column set from the current field titles.
    void trocatitulo();
    // Writes the listing and shows it; comes with the listings.
    void impx() {}

  private:
    GridModel* m_columns = nullptr;
};

// "Escolha os Campos": the listing field chooser.
class FieldChooser : public FormWindow<Ui::TFRM_Campos> {
    Q_OBJECT
  public:
    FieldChooser(Application& app, QWidget* parent);
    // Empties the checklist and adds the given titles, all unticked.
    void fillChecklist(const QStringList& titles);
};

// "Configurar Formulário": the listing options.
class OptionsWindow : public FormWindow<Ui::TFRM_Config> {
    Q_OBJECT
  public:
    OptionsWindow(Application& app, QWidget* parent)
        : FormWindow(app, parent, Qt::Window | Qt::WindowStaysOnTopHint) {}
    // Reads font.ini at start-up; comes with the listing options.
    void loadOptions() {}
    // The installed font families, offered for the header font; Arial chosen.
    void setFontFamilies(const QStringList& families);
    // The hearing agenda lists by client name rather than by city.
    bool agendaByName() const;
};

// The hidden holder of the listing style sheet lines.
class StyleSheetHolder : public FormWindow<Ui::TFcab> {
    Q_OBJECT
  public:
    StyleSheetHolder(Application& app, QWidget* parent) : FormWindow(app, parent) {}
};
