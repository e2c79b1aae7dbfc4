#pragma once

#include "common/formwindow.h"
#include "common/programfolders.h"
#include "data/gridmodel.h"
#include "listingrequest.h"
#include "listingwriter.h"
#include "titles/titlecatalogue.h"
#include "ui_fieldchooser.h"
#include "ui_optionswindow.h"
#include "ui_reportwindow.h"
#include "ui_stylesheetholder.h"

class Browser;
class DataModule;
class QPagedPaintDevice;
class SharedTable;

// "Relatório": shows listings in its browser and edits form letters. It owns the listing
// column set, shown by its hidden grid DBGrid3.
class ReportWindow : public FormWindow<Ui::TFRM_Impressao> {
    Q_OBJECT
  public:
    ReportWindow(const ProgramFolders& folders, TitleCatalogue::TitleLookup titles, QWidget* parent);
    void attachData(DataModule* dataModule);

    QList<GridColumn> columnSet() const;
    void setColumnSet(QList<GridColumn> columns);

    // The installed font families, offered for the listing's table font.
    void setFontFamilies(const QStringList& families);

    // Retitles the column set from the current field titles.
    void trocatitulo();
    // Writes the listing from the current column set, order and filter, and shows it.
    // `heading` holds what the listing takes from the other windows: the header and its
    // font, and the annotation blocks.
    void impx(const ListingInputs& heading);
    // impx on the column set retitled, then the window shown in front.
    void showListing(const ListingInputs& heading);

    Browser* browser() const { return m_browser; }

    // "Visualizar", " Imprimir" and "Salvar PDF": a listing as it was written goes to
    // the pages straight from its records; a letter, or a listing edited, as the browser
    // shows it.
    void SpeedButton2Click();
    void SpeedButton5Click();
    void BtnSalvarPDFClick();

    // "Salvar Formulário" and "Abrir Formulário".
    void SpeedButton14Click();
    void SpeedButton15Click();

  signals:
    // "Escolher Campos": the field chooser, opened from here.
    void fieldChooserRequested();
    // One of the register's pages, this window hidden.
    void registerRequested(int page);
    // The table font changed: the last listing is to be made again.
    void listingRepeatRequested();

  private:
    void setUpToolbars();
    void setToolbarPictures();
    void showRegister(int page);
    bool showsListing();
    // The listing's pages on `device`; `pageLimit` > 0 for a preview. Gives whether every
    // page was drawn (false when the user gave up).
    bool paintListing(QPagedPaintDevice& device, int pageLimit);
    // Writes a PDF of what is shown to `path`, under a temporary name until it is whole.
    void writePdf(const QString& path);
    QString suggestedPdfName() const;

    const ProgramFolders& m_folders;
    TitleCatalogue::TitleLookup m_titles;
    SharedTable* m_table = nullptr;
    GridModel* m_columns = nullptr;
    Browser* m_browser = nullptr;
    // The listing last written: what it was made of, and its records as they were then.
    std::optional<ListingInputs> m_listed;
    std::optional<RecordReader> m_listedRecords;
    // The browser shows only the first part of it.
    bool m_listingInPart = false;
};

// "Escolha os Campos": the listing field chooser.
class FieldChooser : public FormWindow<Ui::TFRM_Campos> {
    Q_OBJECT
  public:
    FieldChooser(TitleCatalogue::TitleLookup titles, QWidget* parent);

    // Shows the chooser with the checklist filled anew from the field titles, all items
    // unticked; opened from the report window, the opposing party's items carry "(P.Cont.)".
    void open(bool fromReportWindow);

    // "OK": orders the records as chosen, builds the column set from the ticked items and
    // makes the listing.
    void SpeedButton1Click();

    // What every listing reads from the chooser.
    QString headerText() const { return ui.Edit1->text(); }
    void addAnnotationChoices(ListingInputs& inputs) const;

  signals:
    void listingRequested(const ListingRequest& request);

  private:
    TitleCatalogue::TitleLookup m_titles;
};

// "Configurar Formulário": the listing options, kept in font.ini.
class OptionsWindow : public FormWindow<Ui::TFRM_Config> {
    Q_OBJECT
  public:
    OptionsWindow(const ProgramFolders& folders, QWidget* parent);

    // At start-up: font.ini when there is one, then the installed font families.
    void loadOptions(const QStringList& fontFamilies);
    // "Gravar": writes font.ini.
    void Button1Click();

    QString headerFont() const { return ui.Cnomefonte->currentText(); }
    QString headerFontSize() const { return ui.Cfonte->currentText(); }
    // The hearing agenda lists by client name rather than by city.
    bool agendaByName() const { return ui.Rnome->isChecked(); }
    // Listings mark the case numbers and CPFs whose check digits do not match.
    bool markInvalidNumbers() const { return ui.CMarcarNumeros->isChecked(); }

  signals:
    void agendaOrderChanged(bool byName);

  private:
    const ProgramFolders& m_folders;
};

// The hidden holder of the listing style sheet lines.
class StyleSheetHolder : public FormWindow<Ui::TFcab> {
    Q_OBJECT
  public:
    explicit StyleSheetHolder(QWidget* parent) : FormWindow(parent) {}
};
