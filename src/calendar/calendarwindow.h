#pragma once

#include "calendarpublisher.h"
#include "common/formwindow.h"
#include "common/programfolders.h"
#include "titles/titlecatalogue.h"
#include "ui_calendarwindow.h"

#include <optional>

class DataModule;

// The lawyers' calendar: where the hearings are published (a CalDAV calendar, its user; the
// password is asked for and kept in memory only), how long a hearing lasts and when its
// reminders come, kept in agenda.ini; "Publicar Agenda"; and the hearings of the visible
// set written to an .ics file.
class CalendarWindow : public FormWindow<Ui::TFRM_Agenda> {
    Q_OBJECT
  public:
    CalendarWindow(const ProgramFolders& folders, TitleCatalogue::TitleLookup titles, QWidget* parent);
    void attachData(DataModule* dataModule);

    // At start: the preferences read, and a calendar published before followed again, once
    // the user gives its password.
    void startUp();
    // "Exportar Agenda (.ics)": the hearings of the register's visible set, in a file.
    void exportAgenda();
    // "Gravar": the preferences kept in agenda.ini.
    void BtnGravarClick();
    // "Publicar Agenda": every hearing of the base put in the calendar, which from then on
    // follows every record saved or deleted.
    void BtnPublicarClick();

    // What the shell tells of every record saved or deleted.
    CalendarPublisher* publisher() const { return m_publisher; }

  private:
    void load();
    void save();
    HearingEvents::Settings eventSettings() const;
    HearingEvents::Titles eventTitles() const;
    QUrl address() const;
    // The account set on the publisher, its password asked for when the user has none in
    // memory; false when the user gives none.
    bool accountReady();
    void showState();

    const ProgramFolders& m_folders;
    TitleCatalogue::TitleLookup m_titles;
    DataModule* m_data = nullptr;
    CalendarPublisher* m_publisher = nullptr;
    std::optional<QString> m_password;
};
