#pragma once

#include "app/formwindow.h"
#include "data/gridmodel.h"
#include "listingwriter.h"
#include "ui_fieldchooser.h"
#include "ui_optionswindow.h"
#include "ui_reportwindow.h"
#include "ui_stylesheetholder.h"

class Browser;
class DataModule;
class SharedTable;

// "Relatório": shows listings in its browser and edits form letters. It owns the listing
// column set, shown by its hidden grid DBGrid3.
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
    // Writes the listing from the current column set, order and filter, and shows it.
    void impx();

    Browser* browser() const { return m_browser; }

    // "Salvar Formulário" and "Abrir Formulário".
    void SpeedButton14Click();
    void SpeedButton15Click();

  private:
    void setUpToolbars();
    void setToolbarPictures();
    void showRegister(int page);
    void repeatListing();
    ListingInputs listingInputs() const;

    SharedTable* m_table = nullptr;
    GridModel* m_columns = nullptr;
    Browser* m_browser = nullptr;
};

// "Escolha os Campos": the listing field chooser.
class FieldChooser : public FormWindow<Ui::TFRM_Campos> {
    Q_OBJECT
  public:
    FieldChooser(Application& app, QWidget* parent);

    // Shows the chooser with the checklist filled anew from the field titles, all items
    // unticked; opened from the report window, the opposing party's items carry "(P.Cont.)".
    void open(bool fromReportWindow);

    // "OK": orders the records as chosen, builds the column set from the ticked items and
    // makes the listing.
    void SpeedButton1Click();

    // What every listing reads from the chooser.
    QString headerText() const { return ui.Edit1->text(); }
    void addAnnotationChoices(ListingInputs& inputs) const;
};

// "Configurar Formulário": the listing options, kept in font.ini.
class OptionsWindow : public FormWindow<Ui::TFRM_Config> {
    Q_OBJECT
  public:
    OptionsWindow(Application& app, QWidget* parent);

    // At start-up: font.ini when there is one, then the installed font families.
    void loadOptions(const QStringList& fontFamilies);
    // "Gravar": writes font.ini.
    void Button1Click();

    QString headerFont() const { return ui.Cnomefonte->currentText(); }
    QString headerFontSize() const { return ui.Cfonte->currentText(); }
    // The hearing agenda lists by client name rather than by city.
    bool agendaByName() const { return ui.Rnome->isChecked(); }
};

// The hidden holder of the listing style sheet lines.
class StyleSheetHolder : public FormWindow<Ui::TFcab> {
    Q_OBJECT
  public:
    StyleSheetHolder(Application& app, QWidget* parent) : FormWindow(app, parent) {}
};
