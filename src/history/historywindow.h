#pragma once

#include "common/formwindow.h"
#include "titles/titlecatalogue.h"
#include "ui_historywindow.h"

#include <QStandardItemModel>

class DataModule;

// "Histórico": what happened to the register's current record (each change of each field,
// with when, where and by whom), and the records deleted from the base, any of which can be
// brought back with its number.
class HistoryWindow : public FormWindow<Ui::TFRM_Historico> {
    Q_OBJECT
  public:
    HistoryWindow(TitleCatalogue::TitleLookup titles, QWidget* parent);
    void attachData(DataModule* dataModule) { m_data = dataModule; }

    // Shows the history of the record with this number (none: 0) and the deleted records.
    void showFor(qint64 code, const QString& name);
    // "Restaurar registro": the deleted record chosen comes back.
    void BtnRestaurarClick();

  signals:
    // A record came back: the register shows it.
    void restored(qint64 code);

  private:
    void fillRecordHistory(qint64 code);
    void fillDeleted();
    QString fieldTitle(const QString& field) const;

    TitleCatalogue::TitleLookup m_titles;
    DataModule* m_data = nullptr;
    QStandardItemModel m_events;
    QStandardItemModel m_deleted;
};
