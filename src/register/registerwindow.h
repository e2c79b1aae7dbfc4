#pragma once

#include "common/formwindow.h"
#include "common/programfolders.h"
#include "ui_registerwindow.h"

#include "data/datamodule.h"
#include "data/filtering.h"
#include "reports/listingrequest.h"

#include <QHash>

class Binder;
class GridBinding;
class QLabel;
class QLineEdit;
class SharedTable;

// "Cadastro": the record pages, the list pages and the record buttons. What it needs of
// other windows it is told (the accents setting, the agenda's order) or asks for with its
// signals.
class RegisterWindow : public FormWindow<Ui::TFRM_Cadastro> {
    Q_OBJECT
  public:
    RegisterWindow(const ProgramFolders& folders, QWidget* parent);
    ~RegisterWindow() override;

    void attachData(DataModule* dataModule);

    // Which command made the last listing: "1" the register, "2" the field chooser.
    QString refx;

    // The current record's name, as stored (the edits may show it without its accents).
    QString currentName() const;

    void showPage(int page);

    void setRecordButtons(const RecordButtons& enabled);

    // The label of a field title (Label00, Label000 ... Label035) and its caption.
    QLabel* titleLabel(const QString& id) const;
    QString caption(const QString& id) const;
    // Gives a field its title: its label, the summary label of page 0 and the grid
    // columns that follow it.
    void applyTitle(const QString& id, const QString& title);

    void BtnIncluirClick();
    void BtnAlterarClick();
    void BtnGravarClick();
    void BtnCancelarClick();
    void BtnExcluirClick();
    void Button8Click();
    void BtnSairClick();
    void Button10Click();
    void Button2Click();

    // Fills the order and filter lists from the current field titles.
    void preenchecombo_frm_cadastro();
    // Orders the shared table by one column; the direction follows the order button.
    void IndexaColuna(const QString& campo);

    void SpeedButton1Click();
    void CordenarClick();
    void EfiltroChange();
    void CfiltroChange();
    void BfiltrodataClick();
    void BtnFiltrarClick();
    void Button1Click();
    void Button4Click();
    void BTNFormularioClick();
    void Button3Click();
    void Button6Click();
    void Button7Click();
    // At start-up: the state and city lists of the client's and the opposing party's
    // boxes, from their files when they exist. Throws AppError when a file cannot be read.
    void loadCityLists();
    // New entries for the client's city list (or state list); the other boxes keep theirs.
    void setClientList(bool cities, const QStringList& entries);

    // Whether accented letters may be typed (the accents dialog's choice).
    void setAccentsAllowed(bool allowed) { m_accentsAllowed = allowed; }
    // Whether the agenda lists by client name rather than by city (a listing option).
    void setAgendaByName(bool byName) { m_agendaByName = byName; }

    GridBinding* orderGrid() const { return m_orderGrid; }
    GridBinding* queryGrid() const { return m_queryGrid; }
    GridBinding* hearingGrid() const { return m_hearingGrid; }

  signals:
    // A label was double-clicked: its title is to be edited.
    void titleEditRequested(const QString& caption, const QString& labelId);
    void listEditorRequested();
    void optionsRequested();
    void fieldChooserRequested();
    void listingRequested(const ListingRequest& request);
    // "Exportar Agenda (.ics)": the hearings of the visible set to a calendar file.
    void agendaExportRequested();
    // "Histórico": the history of the current record (number 0: none).
    void historyRequested(qint64 code, const QString& name);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void bindControls();
    void setUpTitleLabels();
    void setUpSummaryEdits();
    bool summaryEditKeyPress(QLineEdit* edit, QKeyEvent* event);
    void setUpDateEdits();
    void setUpAccentRemoval();
    void removeAccents(QLineEdit* edit, bool typed);
    bool dateEditEvent(QLineEdit* edit, QEvent* event);
    void insertSeparators(QLineEdit* edit);
    void dateEditExit(QLineEdit* edit);
    void setUpNumberEdits();
    void numberEditExit(QLineEdit* edit);
    void markNumber(QLineEdit* edit);
    void openTitleEditor(QLabel* label);
    void setUpListPages();
    void titleClicked(GridBinding* grid, int column, bool flipsCaption);
    void showListing(std::optional<QList<GridColumn>> columns);
    void switchFilteringOn();
    RecordRule ADOTable1FilterRecord();
    void showError(const QString& message);
    template <typename Handler> void guarded(Handler handler);

    const ProgramFolders& m_folders;
    bool m_accentsAllowed = true;
    bool m_agendaByName = false;
    SharedTable* m_table = nullptr;
    Binder* m_binder = nullptr;
    GridBinding* m_orderGrid = nullptr;
    GridBinding* m_queryGrid = nullptr;
    GridBinding* m_hearingGrid = nullptr;
    QHash<QString, QLabel*> m_titleLabels;
    QHash<QLineEdit*, QPair<int, QWidget*>> m_summaryTargets;

    // The date and time edits: what they insert while typing, how much can be typed,
    // and whether leaving checks the date always or only when it holds a digit.
    struct DateEntry {
        QChar separator;
        bool isTime;
        int limit;
        bool checkedAlways;
    };
    QHash<QLineEdit*, DateEntry> m_dateEntries;
    // The edits of case numbers and CPFs, by the field they show.
    QHash<QLineEdit*, QString> m_numberEdits;
};
