#include "historywindow.h"

#include "common/apperror.h"
#include "common/dialogs.h"
#include "data/connection.h"
#include "data/datamodule.h"
#include "data/history.h"

#include <QHash>
#include <QHeaderView>
#include <algorithm>

namespace {

QString shownTime(const QDateTime& when) {
    return when.toLocalTime().toString(QStringLiteral("dd/MM/yyyy hh:mm:ss"));
}

QList<QStandardItem*> row(const QStringList& texts) {
    QList<QStandardItem*> items;
    for (const QString& text : texts) {
        auto* item = new QStandardItem(text);
        item->setToolTip(text); // a long note is cut at its column's edge
        items << item;
    }
    return items;
}

// One line of a field's text: a note's line breaks shown as " / ".
QString oneLine(const QString& text) {
    return QString(text)
        .replace(QStringLiteral("\r\n"), QStringLiteral(" / "))
        .replace(u'\n', QStringLiteral(" / "));
}

} // namespace

HistoryWindow::HistoryWindow(TitleCatalogue::TitleLookup titles, QWidget* parent)
    : FormWindow(parent, Qt::Window), m_titles(std::move(titles)) {
    m_events.setHorizontalHeaderLabels(
        {QStringLiteral("Data e hora"), QStringLiteral("Estação"), QStringLiteral("Usuário"),
         QStringLiteral("Ação"), QStringLiteral("Campo"), QStringLiteral("Antes"), QStringLiteral("Depois")});
    m_deleted.setHorizontalHeaderLabels({QStringLiteral("Código"), QStringLiteral("Nome"),
                                         QStringLiteral("Excluído em"), QStringLiteral("Estação"),
                                         QStringLiteral("Usuário")});
    ui.DBHistorico->setModel(&m_events);
    ui.DBExcluidos->setModel(&m_deleted);
    for (QTableView* grid : {ui.DBHistorico, ui.DBExcluidos}) {
        grid->verticalHeader()->hide();
        grid->horizontalHeader()->setStretchLastSection(true);
    }
    connect(ui.BtnRestaurar, &QPushButton::clicked, this, &HistoryWindow::BtnRestaurarClick);
    connect(ui.BtnFechar, &QPushButton::clicked, this, &QWidget::close);
}

void HistoryWindow::showFor(qint64 code, const QString& name) {
    ui.LabelRegistro->setText(code > 0 ? QStringLiteral("Registro %1 — %2").arg(code).arg(name)
                                       : QStringLiteral("Nenhum registro escolhido no cadastro."));
    try {
        fillRecordHistory(code);
        fillDeleted();
    } catch (const AppError& error) {
        Dialogs::error(this, error.message());
        return;
    }
    ui.Paginas->setCurrentIndex(code > 0 ? 0 : 1);
    show();
    raise();
    // Columns as wide as their texts, but none wider than a third of the window, so that
    // "Antes" and "Depois" stay in sight beside each other; the newest change in view.
    for (QTableView* grid : {ui.DBHistorico, ui.DBExcluidos}) {
        grid->resizeColumnsToContents();
        for (int column = 0; column < grid->model()->columnCount(); ++column)
            grid->setColumnWidth(column, std::min(grid->columnWidth(column), width() / 3));
    }
    ui.DBHistorico->scrollToBottom();
}

// One line per field an event holds; an event without fields is one line.
void HistoryWindow::fillRecordHistory(qint64 code) {
    m_events.removeRows(0, m_events.rowCount());
    if (code <= 0)
        return;
    for (const History::Event& event : History::ofRecord(m_data->ADOConnection1->database(), code)) {
        QStringList fields = event.after.keys() + event.before.keys();
        fields.removeDuplicates();
        if (fields.isEmpty())
            fields << QString();
        for (const QString& field : fields)
            m_events.appendRow(
                row({shownTime(event.when), event.station, event.user, History::actionName(event.action),
                     field.isEmpty() ? QString() : fieldTitle(field), oneLine(event.before.value(field)),
                     oneLine(event.after.value(field))}));
    }
}

void HistoryWindow::fillDeleted() {
    m_deleted.removeRows(0, m_deleted.rowCount());
    for (const History::Event& event : History::deletedRecords(m_data->ADOConnection1->database()))
        m_deleted.appendRow(row({QString::number(event.code), event.before.value(QStringLiteral("AGE_NOME")),
                                 shownTime(event.when), event.station, event.user}));
    ui.BtnRestaurar->setEnabled(m_deleted.rowCount() > 0);
}

// A field as the register titles it, its colon left out; the opposing party's fields, whose
// titles repeat the client's, say whose they are, and so do the four annotation blocks.
QString HistoryWindow::fieldTitle(const QString& field) const {
    static const QHash<QString, QString> annotations = {
        {QStringLiteral("AGE_ANOTACOES"), QStringLiteral("Anotações do autor")},
        {QStringLiteral("AGE_ANOTACOESpro"), QStringLiteral("Anotações do processo")},
        {QStringLiteral("AGE_ANOTACOESaud"), QStringLiteral("Anotações da audiência")},
        {QStringLiteral("AGE_ANOTACOESpc"), QStringLiteral("Anotações da parte contrária")}};
    if (annotations.contains(field))
        return annotations.value(field);
    const TitleCatalogue::Entry* entry = TitleCatalogue::byField(field);
    QString title = (entry ? m_titles(entry->id) : field).trimmed();
    while (title.endsWith(u':'))
        title.chop(1);
    title = title.trimmed();
    const bool opposing = field.endsWith(QStringLiteral("pc")) || field == u"AGE_PCONT" ||
                          field == u"AGE_ADVCONT" || field == u"AGE_TELPCONT";
    return opposing ? title + QStringLiteral(" (parte contrária)") : title;
}

void HistoryWindow::BtnRestaurarClick() {
    const QModelIndex chosen = ui.DBExcluidos->currentIndex();
    if (!chosen.isValid()) {
        Dialogs::message(this, QStringLiteral("Escolha na lista o registro a restaurar."));
        return;
    }
    const qint64 code = m_deleted.item(chosen.row(), 0)->text().toLongLong();
    try {
        History::restore(m_data->ADOConnection1->database(), code);
        fillDeleted();
    } catch (const AppError& error) {
        Dialogs::error(this, error.message());
        return;
    }
    emit restored(code);
    Dialogs::message(this, QStringLiteral("O registro %1 foi restaurado.").arg(code));
}
