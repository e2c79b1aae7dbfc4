#include "transferwindow.h"

#include "common/apperror.h"
#include "common/dialogs.h"
#include "common/progress.h"
#include "common/settingsfiles.h"
#include "data/columns.h"
#include "data/connection.h"
#include "data/datamodule.h"
#include "data/gridmodel.h"
#include "data/sharedtable.h"

#include <QAbstractTableModel>
#include <QFileInfo>
#include <QHeaderView>

// The source list: the loaded file's records in the list's order, a column per source
// column titled with its name.
class SourceModel : public QAbstractTableModel {
  public:
    SourceModel(const TransferSource& source, std::function<void(const QString&)> readFailed, QObject* parent)
        : QAbstractTableModel(parent), m_source(source), m_readFailed(std::move(readFailed)) {}
    void reload() {
        beginResetModel();
        m_failureSaid = false;
        endResetModel();
    }
    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : m_source.count();
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() || !m_source.isOpen() ? 0 : m_source.table().columnCount();
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || role != Qt::DisplayRole)
            return {};
        // The rows are read from the old file as the list shows them; a file that can no
        // longer be read is said once, after the list has been painted.
        try {
            return m_source.table().value(m_source.rowAt(index.row()), index.column());
        } catch (const AppError& error) {
            if (!std::exchange(m_failureSaid, true))
                QMetaObject::invokeMethod(
                    const_cast<SourceModel*>(this),
                    [this, message = error.message()] { m_readFailed(message); }, Qt::QueuedConnection);
            return {};
        }
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (role != Qt::DisplayRole || orientation != Qt::Horizontal || !m_source.isOpen())
            return {};
        return m_source.table().columns.value(section);
    }

  private:
    const TransferSource& m_source;
    std::function<void(const QString&)> m_readFailed;
    mutable bool m_failureSaid = false;
};

namespace {

// The destination list's columns, with titles of their own.
QList<GridColumn> destinationColumns() {
    return {{"Código", "Código"},
            {"AGE_NOME", "Nome"},
            {"AGE_ENDERECO", "Endereço"},
            {"AGE_BAIRRO", "Bairro"},
            {"AGE_CIDADE", "Cidade"},
            {"AGE_UF", "Estado"},
            {"AGE_CEP", "CEP"},
            {"AGE_TEL", "Telefone"},
            {"AGE_CEL", "Celular"},
            {"AGE_RG", "RG"},
            {"AGE_CIC", "CPF"},
            {"AGE_ESTCIVIL", "Estado Civil"},
            {"AGE_ADV", "Advogado"},
            {"AGE_PROC", "Número do Processo"},
            {"AGE_VARA", "Vara"},
            {"AGE_ACAO", "Ação"},
            {"AGE_DATAPROC", "Data do Processo"},
            {"AGE_DTAPET", "Data da Petição"},
            {"AGE_DTAAUDIENCIA", "Data da Audiência"},
            {"AGE_HORAAUDIENCIA", "Hora da Audiência"},
            {"AGE_PCONT", "Parte Contrária"},
            {"AGE_ADVCONT", "Advogado P. Contr."},
            {"AGE_TELPCONT", "Telefone  P. Contr."},
            {"AGE_ANOTACOES", "Anotações"},
            {"AGE_ENDERECOpc", "Endereço  P. Contr."},
            {"AGE_BAIRROpc", "Bairro  P. Contr."},
            {"AGE_CIDADEpc", "Cidade  P. Contr."},
            {"AGE_UFpc", "Estado  P. Contr."},
            {"AGE_CEPpc", "CEP  P. Contr."},
            {"AGE_CELpc", "Celular  P. Contr."},
            {"AGE_RGpc", "RG  P. Contr."},
            {"AGE_CICpc", "CPF  P. Contr."},
            {"AGE_ESTCIVILpc", "Estado Civil  P. Contr."},
            {"AGE_EMAIL", "Email  P. Contr."},
            {"AGE_ANOTACOESpro", "Anotações Proc."},
            {"AGE_ANOTACOESaud", "Anotações Aud."},
            {"AGE_ANOTACOESpc", "Anotações  P. Contr."}};
}

const QString kPlaceholderName = QStringLiteral("nulo");

} // namespace

TransferWindow::TransferWindow(const ProgramFolders& folders, QWidget* parent)
    : FormWindow(parent, Qt::Window | Qt::WindowStaysOnTopHint), m_folders(folders) {
    m_sourceModel = new SourceModel(
        m_source, [this](const QString& message) { showError(message); }, this);
    ui.DBGrid2->setModel(m_sourceModel);
    ui.DBGrid2->setSelectionBehavior(QAbstractItemView::SelectRows);
    ui.DBGrid2->setSelectionMode(QAbstractItemView::SingleSelection);
    ui.DBGrid2->setEditTriggers(QAbstractItemView::NoEditTriggers);
    connect(ui.DBGrid2->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid())
                    m_source.moveTo(current.row());
            });
    for (QRadioButton* choice : {ui.Rzip, ui.Rxml, ui.Rdb})
        connect(choice, &QRadioButton::clicked, this, &TransferWindow::closeSources);
    connect(ui.respeitar, &QCheckBox::toggled, this, [this](bool keep) { ui.Button6->setEnabled(!keep); });
    connect(ui.Button2, &QPushButton::clicked, this, &TransferWindow::Button2Click);
    connect(ui.Button4, &QPushButton::clicked, this, &TransferWindow::Button4Click);
    connect(ui.Button1, &QPushButton::clicked, this, &QWidget::hide);
    connect(ui.Button3, &QPushButton::clicked, this, &TransferWindow::Button3Click);
    connect(ui.Button6, &QPushButton::clicked, this, &TransferWindow::Button6Click);
}

// The source list reads the loaded source, which goes before the list does.
TransferWindow::~TransferWindow() {
    ui.DBGrid2->setModel(nullptr);
}

void TransferWindow::attachData(DataModule* dataModule) {
    m_data = dataModule;
    m_table = dataModule->ADOTable1;
    m_destination = new GridModel(m_table, destinationColumns(), this);
    ui.DBformulario->setModel(m_destination);
}

void TransferWindow::showError(const QString& message) {
    Dialogs::error(this, message);
}

void TransferWindow::sourceChanged() {
    m_sourceModel->reload();
    showSourcePosition();
}

void TransferWindow::showSourcePosition() {
    if (m_source.atEnd())
        return;
    const QModelIndex current = m_sourceModel->index(m_source.position(), 0);
    ui.DBGrid2->selectionModel()->setCurrentIndex(current, QItemSelectionModel::ClearAndSelect |
                                                               QItemSelectionModel::Rows);
    ui.DBGrid2->scrollTo(current);
}

void TransferWindow::closeSources() {
    m_source.close();
    sourceChanged();
}

void TransferWindow::Button2Click() {
    closeSources();
    struct Choice {
        QRadioButton* button;
        TransferSource::File file;
        const char* filter;
        const char* name;
    };
    const Choice choices[] = {{ui.Rzip, TransferSource::File::Packed, "ZIP (*.zip)", "base.zip"},
                              {ui.Rxml, TransferSource::File::Packet, "XML (*.xml)", "Agenda.xml"},
                              {ui.Rdb, TransferSource::File::Table, "DB (*.db)", "base.db"}};
    const Choice& chosen = *std::find_if(std::begin(choices), std::end(choices),
                                         [](const Choice& choice) { return choice.button->isChecked(); });
    const QString path = Dialogs::openFileName(this, QString(), QString::fromUtf8(chosen.filter),
                                               QString::fromUtf8(chosen.name));
    if (path.isEmpty())
        return;
    if (QFileInfo::exists(path)) {
        try {
            m_source.load(chosen.file, path, m_folders.meudir + SettingsFiles::kUnpackedPacket);
        } catch (const AppError& error) {
            showError(error.message());
            sourceChanged();
            return;
        }
    }
    Button4Click();
}

void TransferWindow::Button4Click() {
    if (!m_source.isOpen())
        return;
    try {
        m_source.orderByNumber();
    } catch (const AppError& error) {
        showError(error.message());
    }
    sourceChanged();
}

void TransferWindow::Button3Click() {
    if (m_source.atEnd())
        return;
    if (ui.respeitar->isChecked()) {
        transferNumbered();
        return;
    }
    if (copyCurrent())
        refreshRegister();
    showSourcePosition();
}

void TransferWindow::Button6Click() {
    if (ui.respeitar->isChecked() || !m_source.isOpen())
        return;
    if (m_source.atEnd()) {
        if (!m_table->editing())
            refreshRegister();
        return;
    }
    std::optional<RecordRefused> refused;
    std::optional<AppError> failure;
    {
        const Progress::Scope progress(m_source.count() - m_source.position());
        try {
            // A record the register is editing is finished first, as appending would.
            m_table->checkBrowseMode();
            transferAll(m_source, m_data->ADOConnection1->database(), [](int done) { Progress::step(done); });
        } catch (const RecordRefused& refusal) {
            refused = refusal;
        } catch (const AppError& error) {
            // Nothing of the block in progress was stored: no record is left open for it.
            failure = error;
        }
    }
    refreshRegister();
    if (refused) {
        appendMapped(refused->values);
        showError(refused->message());
    } else if (failure) {
        showError(failure->message());
    }
    sourceChanged();
}

// Appends a record holding the values mapped; it stays open for writing.
void TransferWindow::appendMapped(const RecordMapping::Mapped& values) {
    try {
        m_table->append();
        for (qsizetype column = 1; column < values.size(); ++column) {
            if (values[column])
                m_table->setFieldText(static_cast<int>(column), *values[column]);
        }
    } catch (const AppError& error) {
        showError(error.message());
    }
}

// A value that cannot be converted stops the copy where it stands; the source stays on
// the record. A table's list moves before the record is stored, a packet's after.
bool TransferWindow::copyCurrent() {
    RecordMapping::Mapped mapped;
    try {
        m_source.mapCurrent(&mapped);
    } catch (const AppError& error) {
        appendMapped(mapped);
        showError(error.message());
        return false;
    }
    appendMapped(mapped);
    const bool table = m_source.kind() == RecordMapping::SourceKind::Table;
    if (table)
        m_source.next();
    try {
        m_table->post();
    } catch (const AppError& error) {
        showError(error.message());
        return false;
    }
    if (!table)
        m_source.next();
    return true;
}

// With the old numbers kept: a record is stored when its old number is the next number
// the base gives; a gap in the old numbering is filled by one "nulo" record per press.
void TransferWindow::transferNumbered() {
    qint64 old = 0;
    qint64 next = 0;
    try {
        m_table->checkBrowseMode();
        next = m_table->nextRecordNumber();
    } catch (const AppError& error) {
        showError(error.message());
        return;
    }
    try {
        old = m_source.currentOldNumber();
    } catch (const AppError& error) {
        // The record appended for it stays open for writing, as for a record refused.
        appendMapped(RecordMapping::Mapped(Columns::count()));
        showError(error.message());
        return;
    }
    if (old < next) {
        // It can never match: the base has given that number already.
        Dialogs::message(
            this, old == 0 ? QStringLiteral("A antiga base de dados começa com zero, este cadastro será "
                                            "desconsiderado pois a nova base começa com 1. Insira "
                                            "manualmente este cadastro após o término.")
                           : QStringLiteral("O número %1 já foi usado na nova base (o próximo é %2); este "
                                            "cadastro será desconsiderado. Insira manualmente este "
                                            "cadastro após o término.")
                                 .arg(old)
                                 .arg(next));
        m_source.next();
        showSourcePosition();
        return;
    }
    RecordMapping::Mapped mapped(Columns::count());
    if (old == next) {
        try {
            m_source.mapCurrent(&mapped);
        } catch (const AppError& error) {
            appendMapped(mapped);
            showError(error.message());
            return;
        }
        m_source.next();
    } else {
        mapped[Columns::indexOf(QStringLiteral("AGE_NOME"))] = kPlaceholderName;
    }
    appendMapped(mapped);
    try {
        m_table->setNewRecordNumber(next);
        m_table->post();
    } catch (const AppError& error) {
        showError(error.message());
        return;
    }
    refreshRegister();
    showSourcePosition();
}

void TransferWindow::refreshRegister() {
    emit registerRefreshRequested();
}
