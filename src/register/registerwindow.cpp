#include "registerwindow.h"

#include "accents.h"
#include "citylists.h"
#include "common/apperror.h"
#include "common/combochoice.h"
#include "common/dialogs.h"
#include "common/folders.h"
#include "common/settingsfiles.h"
#include "common/typinglimit.h"
#include "data/binder.h"
#include "data/columns.h"
#include "data/datamodule.h"
#include "data/legalnumbers.h"
#include "data/sharedtable.h"
#include "dates.h"
#include "gridbinding.h"
#include "searchrules.h"
#include "titles/titlecatalogue.h"

#include <QKeyEvent>
#include <QShortcut>

namespace {

bool canTakeFocus(QWidget* widget) {
    return widget->isVisible() && widget->isEnabled() && widget->focusPolicy() != Qt::NoFocus &&
           widget->window()->isVisible();
}

void focusIfPossible(QWidget* widget) {
    if (canTakeFocus(widget))
        widget->setFocus(Qt::OtherFocusReason);
}

QStringList entriesOf(const QComboBox* list) {
    QStringList entries;
    for (int i = 0; i < list->count(); ++i)
        entries << list->itemText(i);
    return entries;
}

QLineEdit* textEditOf(QWidget* widget) {
    if (auto* combo = qobject_cast<QComboBox*>(widget))
        return combo->lineEdit();
    return qobject_cast<QLineEdit*>(widget);
}

} // namespace

// Owned by the main window, the register stays above it without covering other programs.
RegisterWindow::RegisterWindow(const ProgramFolders& folders, QWidget* parent)
    : FormWindow(parent), m_folders(folders) {
    connect(ui.BtnIncluir, &QPushButton::clicked, this, &RegisterWindow::BtnIncluirClick);
    connect(ui.BtnAlterar, &QPushButton::clicked, this, &RegisterWindow::BtnAlterarClick);
    connect(ui.BtnGravar, &QPushButton::clicked, this, &RegisterWindow::BtnGravarClick);
    connect(ui.BtnCancelar, &QPushButton::clicked, this, &RegisterWindow::BtnCancelarClick);
    connect(ui.BtnExcluir, &QPushButton::clicked, this, &RegisterWindow::BtnExcluirClick);
    connect(ui.Button8, &QPushButton::clicked, this, &RegisterWindow::Button8Click);
    connect(ui.BtnExportarAgenda, &QPushButton::clicked, this, &RegisterWindow::agendaExportRequested);
    connect(ui.BtnHistorico, &QPushButton::clicked, this, [this] {
        const qint64 code = m_table && m_table->currentRow() >= 0 && !m_table->editing()
                                ? m_table->fieldText(Columns::kCodigo).toLongLong()
                                : 0;
        emit historyRequested(code, code > 0 ? currentName() : QString());
    });
    connect(ui.BtnSair, &QPushButton::clicked, this, &RegisterWindow::BtnSairClick);
    connect(ui.Button10, &QPushButton::clicked, this, &RegisterWindow::Button10Click);
    connect(ui.Button2, &QPushButton::clicked, this, &RegisterWindow::Button2Click);
    connect(ui.Button5, &QPushButton::clicked, this, &RegisterWindow::Button2Click);

    // Esc presses the window's cancel button, when that button can be pressed.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, [this] {
        if (ui.BtnCancelar->isEnabled())
            ui.BtnCancelar->click();
    });

    setUpTitleLabels();
    setUpSummaryEdits();
    setUpDateEdits();
    setUpNumberEdits();
    setRecordButtons({});
    // Titles and record values are shown as typed, never read as markup.
    for (QLabel* label : findChildren<QLabel*>())
        label->setTextFormat(Qt::PlainText);
}

RegisterWindow::~RegisterWindow() = default;

template <typename Handler> void RegisterWindow::guarded(Handler handler) {
    try {
        handler();
    } catch (const AppError& error) {
        showError(error.message());
    }
}

void RegisterWindow::showError(const QString& message) {
    Dialogs::error(this, message);
}

void RegisterWindow::attachData(DataModule* dataModule) {
    m_table = dataModule->ADOTable1;
    connect(dataModule, &DataModule::DataSource1StateChange, this, &RegisterWindow::setRecordButtons);
    setRecordButtons(dataModule->recordButtons());
    // A grid row that could not be read is reported once the grid has been painted.
    connect(m_table, &SharedTable::readFailed, this, &RegisterWindow::showError, Qt::QueuedConnection);
    m_binder = new Binder(m_table, this);
    connect(m_binder, &Binder::errorOccurred, this, &RegisterWindow::showError);
    bindControls();
    // After the binding: what the user typed reaches the field first, then loses its accents.
    setUpAccentRemoval();

    m_orderGrid = new GridBinding(ui.DBAlfabetico, m_table, SearchRules::orderGridColumns(), false);
    m_queryGrid = new GridBinding(ui.DBfiltro, m_table, SearchRules::queryGridColumns(), false);
    m_hearingGrid = new GridBinding(ui.DBformulario, m_table, SearchRules::hearingGridColumns(), true);
    for (GridBinding* grid : {m_orderGrid, m_queryGrid, m_hearingGrid})
        connect(grid, &GridBinding::errorOccurred, this, &RegisterWindow::showError);
    m_orderGrid->setPointingHand(true);
    m_queryGrid->setPointingHand(true);
    m_table->setRecordPredicate([this] { return ADOTable1FilterRecord(); });
    setUpListPages();

    connect(ui.nbFirst, &QToolButton::clicked, this, [this] { guarded([this] { m_table->first(); }); });
    connect(ui.nbPrior, &QToolButton::clicked, this, [this] { guarded([this] { m_table->prior(); }); });
    connect(ui.nbNext, &QToolButton::clicked, this, [this] { guarded([this] { m_table->next(); }); });
    connect(ui.nbLast, &QToolButton::clicked, this, [this] { guarded([this] { m_table->last(); }); });
    const auto updateNavigator = [this] {
        const int row = m_table->currentRow();
        const bool browsing = m_table->active() && row >= 0;
        ui.nbFirst->setEnabled(browsing && row > 0);
        ui.nbPrior->setEnabled(browsing && row > 0);
        ui.nbNext->setEnabled(browsing && row + 1 < m_table->recordCount());
        ui.nbLast->setEnabled(browsing && row + 1 < m_table->recordCount());
    };
    connect(m_table, &SharedTable::currentChanged, this, updateNavigator);
    connect(m_table, &SharedTable::stateChanged, this, updateNavigator);
    updateNavigator();
}

void RegisterWindow::bindControls() {
    const struct {
        QWidget* control;
        const char* field;
    } bindings[] = {
        {ui.DBAutorPrin, "AGE_NOME"},
        {ui.DBCidadeprin, "AGE_CIDADE"},
        {ui.DBNProcprin, "AGE_PROC"},
        {ui.DBVaraprin, "AGE_VARA"},
        {ui.DBTAcaoprin, "AGE_ACAO"},
        {ui.DBDAprin, "AGE_DTAAUDIENCIA"},
        {ui.DBHAprin, "AGE_HORAAUDIENCIA"},
        {ui.DBnome, "AGE_NOME"},
        {ui.DBendereco, "AGE_ENDERECO"},
        {ui.DBbairro, "AGE_BAIRRO"},
        {ui.DBuf, "AGE_UF"},
        {ui.DBCidade, "AGE_CIDADE"},
        {ui.DBemail, "AGE_EMAIL"},
        {ui.DBestcivil, "AGE_ESTCIVIL"},
        {ui.DBrg, "AGE_RG"},
        {ui.DBcic, "AGE_CIC"},
        {ui.DBcep, "AGE_CEP"},
        {ui.DBtelefone, "AGE_TEL"},
        {ui.DBcelular, "AGE_CEL"},
        {ui.DBcodigo, "Código"},
        {ui.DBanotacoes, "AGE_ANOTACOES"},
        {ui.DBText1, "AGE_NOME"},
        {ui.DBprocesso, "AGE_PROC"},
        {ui.DBtipoacao, "AGE_ACAO"},
        {ui.DBadvprocesso, "AGE_ADV"},
        {ui.DBdataprocesso, "AGE_DATAPROC"},
        {ui.DBvara, "AGE_VARA"},
        {ui.DBanotacaoproc, "AGE_ANOTACOESpro"},
        {ui.DBText2, "AGE_NOME"},
        {ui.DBdatapeticao, "AGE_DTAPET"},
        {ui.DBdataaudiencia, "AGE_DTAAUDIENCIA"},
        {ui.DBhoraaudiencia, "AGE_HORAAUDIENCIA"},
        {ui.DBanotacoesaudiencia, "AGE_ANOTACOESaud"},
        {ui.DBText3, "AGE_NOME"},
        {ui.DBpcnome, "AGE_PCONT"},
        {ui.DBpcendereco, "AGE_ENDERECOpc"},
        {ui.DBpcbairro, "AGE_BAIRROpc"},
        {ui.DBpcestcivil, "AGE_ESTCIVILpc"},
        {ui.DBpcadvogado, "AGE_ADVCONT"},
        {ui.DBpcuf, "AGE_UFpc"},
        {ui.DBpccidade, "AGE_CIDADEpc"},
        {ui.DBpccic, "AGE_CICpc"},
        {ui.DBpcrg, "AGE_RGpc"},
        {ui.DBpccep, "AGE_CEPpc"},
        {ui.DBpctelefone, "AGE_TELPCONT"},
        {ui.DBpccelular, "AGE_CELpc"},
        {ui.DBpcanotacoes, "AGE_ANOTACOESpc"},
    };
    for (const auto& binding : bindings) {
        const QString field = QString::fromUtf8(binding.field);
        if (auto* edit = qobject_cast<QLineEdit*>(binding.control))
            m_binder->bind(edit, field);
        else if (auto* combo = qobject_cast<QComboBox*>(binding.control))
            m_binder->bind(combo, field);
        else if (auto* memo = qobject_cast<QPlainTextEdit*>(binding.control))
            m_binder->bind(memo, field);
        else if (auto* label = qobject_cast<QLabel*>(binding.control))
            m_binder->bind(label, field);
    }
}

void RegisterWindow::setUpTitleLabels() {
    for (const auto& entry : TitleCatalogue::all()) {
        auto* label = findChild<QLabel*>(entry.id);
        Q_ASSERT(label);
        m_titleLabels.insert(entry.id, label);
        label->installEventFilter(this);
    }
}

QLabel* RegisterWindow::titleLabel(const QString& id) const {
    return m_titleLabels.value(id);
}

QString RegisterWindow::caption(const QString& id) const {
    const QLabel* label = titleLabel(id);
    return label ? label->text() : QString();
}

void RegisterWindow::applyTitle(const QString& id, const QString& title) {
    const auto* entry = TitleCatalogue::byId(id);
    QLabel* label = entry ? titleLabel(entry->id) : nullptr;
    if (!label)
        return;
    label->setText(title);
    if (!entry->summaryLabel.isEmpty())
        findChild<QLabel*>(entry->summaryLabel)->setText(title);
    if (entry->hearingColumn >= 0)
        m_hearingGrid->model()->setTitle(entry->hearingColumn, title);
    if (entry->gridColumn >= 0) {
        m_orderGrid->model()->setTitle(entry->gridColumn, label->text());
        m_queryGrid->model()->setTitle(entry->gridColumn, label->text());
    }
}

void RegisterWindow::setUpSummaryEdits() {
    m_summaryTargets = {
        {ui.DBAutorPrin, {1, ui.DBnome}},       {ui.DBCidadeprin, {1, ui.DBCidade}},
        {ui.DBNProcprin, {2, ui.DBprocesso}},   {ui.DBVaraprin, {2, ui.DBvara}},
        {ui.DBTAcaoprin, {2, ui.DBtipoacao}},   {ui.DBDAprin, {3, ui.DBdataaudiencia}},
        {ui.DBHAprin, {3, ui.DBhoraaudiencia}},
    };
    for (QLineEdit* edit : m_summaryTargets.keys())
        edit->installEventFilter(this);
}

bool RegisterWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonDblClick) {
        if (auto* label = qobject_cast<QLabel*>(watched);
            label && m_titleLabels.contains(label->objectName())) {
            openTitleEditor(label);
            return true;
        }
    }
    auto* edit = qobject_cast<QLineEdit*>(watched);
    if (edit && m_dateEntries.contains(edit) && dateEditEvent(edit, event))
        return true;
    if (edit && event->type() == QEvent::FocusOut && m_numberEdits.contains(edit)) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            numberEditExit(edit);
    }
    if (edit && event->type() == QEvent::KeyPress && m_summaryTargets.contains(edit))
        return summaryEditKeyPress(edit, static_cast<QKeyEvent*>(event));
    return FormWindow::eventFilter(watched, event);
}

// Enter in a summary edit of page 0 goes to the full edit of the same field, caret and all.
bool RegisterWindow::summaryEditKeyPress(QLineEdit* edit, QKeyEvent* event) {
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter)
        return false;
    const auto [page, target] = m_summaryTargets.value(edit);
    const int caret = edit->cursorPosition();
    ui.Cliente->setCurrentIndex(page);
    focusIfPossible(target);
    if (QLineEdit* targetEdit = textEditOf(target))
        targetEdit->setCursorPosition(caret);
    return true;
}

void RegisterWindow::setUpDateEdits() {
    const auto widthOf = [](const char* field) {
        return Columns::at(Columns::indexOf(QString::fromUtf8(field))).width;
    };
    m_dateEntries = {
        {ui.DBDAprin, {u'/', false, widthOf("AGE_DTAAUDIENCIA"), false}},
        {ui.DBdataprocesso, {u'/', false, 10, false}},
        {ui.DBdatapeticao, {u'/', false, 10, false}},
        {ui.DBdataaudiencia, {u'/', false, 10, false}},
        {ui.EDatainifiltro, {u'/', false, 10, true}},
        {ui.EDatafimfiltro, {u'/', false, 10, true}},
        {ui.Efiltrodata, {u'/', false, 10, false}},
        {ui.DBHAprin, {u':', true, 5, false}},
        {ui.DBhoraaudiencia, {u':', true, 5, false}},
    };
    for (auto entry = m_dateEntries.cbegin(); entry != m_dateEntries.cend(); ++entry) {
        entry.key()->installEventFilter(this);
        TypingLimit::set(entry.key(), entry->limit);
    }
}

// Typing, clicking and leaving a date or time edit. True when the event is used up.
bool RegisterWindow::dateEditEvent(QLineEdit* edit, QEvent* event) {
    const DateEntry& entry = m_dateEntries[edit];
    switch (event->type()) {
    case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        const QString text = key->text();
        const bool printable = !text.isEmpty() && text.at(0) >= u' ' && text.at(0) != QChar(0x7F);
        const bool typed = printable || key->key() == Qt::Key_Backspace || key->key() == Qt::Key_Return ||
                           key->key() == Qt::Key_Enter;
        if (!typed)
            return false;
        insertSeparators(edit);
        // The length limit holds back typing only; texts the program sets may be longer.
        return printable && edit->text().size() - edit->selectedText().size() >= entry.limit;
    }
    case QEvent::MouseButtonRelease:
        // A click selects a whole date, so that what is typed next replaces it.
        if (!entry.isTime && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            edit->selectAll();
        return false;
    case QEvent::FocusOut: {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (!entry.isTime && reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            dateEditExit(edit);
        return false;
    }
    default:
        return false;
    }
}

// Before the key is applied: a separator goes at the end when the caret stands after the
// day or the month (after the hours for a time). A key that replaces a selection gets none.
void RegisterWindow::insertSeparators(QLineEdit* edit) {
    if (edit->hasSelectedText())
        return;
    const DateEntry& entry = m_dateEntries[edit];
    const int positions[] = {2, 5};
    for (int position : positions) {
        if (edit->cursorPosition() == position) {
            TypingLimit::setText(edit, edit->text() + entry.separator);
            edit->setCursorPosition(position + 1);
        }
        if (entry.isTime)
            break;
    }
    if (m_binder)
        m_binder->commit(edit);
}

void RegisterWindow::dateEditExit(QLineEdit* edit) {
    const QString text = edit->text();
    if (!m_dateEntries[edit].checkedAlways && !Folders::checkinteiro(text))
        return;
    QString checked;
    try {
        checked = Dates::validadataMA(text);
    } catch (const AppError& error) {
        showError(error.message());
        return;
    }
    if (checked == text)
        return;
    TypingLimit::setText(edit, checked);
    if (m_binder)
        m_binder->commit(edit);
}

// ---- case numbers and CPFs ----

void RegisterWindow::setUpNumberEdits() {
    m_numberEdits = {{ui.DBNProcprin, QStringLiteral("AGE_PROC")},
                     {ui.DBprocesso, QStringLiteral("AGE_PROC")},
                     {ui.DBcic, QStringLiteral("AGE_CIC")},
                     {ui.DBpccic, QStringLiteral("AGE_CICpc")}};
    for (auto entry = m_numberEdits.cbegin(); entry != m_numberEdits.cend(); ++entry) {
        QLineEdit* edit = entry.key();
        edit->installEventFilter(this);
        connect(edit, &QLineEdit::textChanged, this, [this, edit] { markNumber(edit); });
    }
}

// A number typed in full is written in its usual form, when its check digits match; one whose
// digits do not match stays as typed, marked.
void RegisterWindow::numberEditExit(QLineEdit* edit) {
    if (!m_table || !m_table->editing())
        return;
    const LegalNumbers::Checked checked = LegalNumbers::checkField(m_numberEdits[edit], edit->text());
    if (!checked.valid || checked.written == edit->text())
        return;
    TypingLimit::setText(edit, checked.written);
    if (m_binder)
        m_binder->commit(edit);
}

void RegisterWindow::markNumber(QLineEdit* edit) {
    const QString mismatch =
        LegalNumbers::mismatch(LegalNumbers::checkField(m_numberEdits[edit], edit->text()));
    edit->setStyleSheet(mismatch.isEmpty() ? QString()
                                           : QStringLiteral("QLineEdit { border: 2px solid #c00000; }"));
    edit->setToolTip(mismatch);
    if (edit == ui.DBprocesso)
        ui.LabelTribunal->setText(LegalNumbers::court(edit->text()));
}

// ---- accents removed while typing ----

void RegisterWindow::setUpAccentRemoval() {
    for (QLineEdit* edit :
         {ui.DBAutorPrin, ui.DBCidadeprin, ui.DBTAcaoprin, ui.DBnome, ui.DBendereco, ui.DBbairro,
          ui.DBtipoacao, ui.DBadvprocesso, ui.DBpcnome, ui.DBpcendereco, ui.DBpcbairro, ui.DBpcadvogado}) {
        connect(edit, &QLineEdit::textEdited, this, [this, edit] { removeAccents(edit, true); });
        connect(edit, &QLineEdit::textChanged, this, [this, edit] { removeAccents(edit, false); });
    }
}

// AcentosMuda: with accents not allowed the edit shows its text without them, the caret
// where it was. What the user typed reaches the record so; a record only looked at keeps
// its stored text.
void RegisterWindow::removeAccents(QLineEdit* edit, bool typed) {
    if (m_accentsAllowed)
        return;
    const QString plain = Accents::AnsiToAscii(edit->text());
    if (plain != edit->text()) {
        const int caret = edit->cursorPosition();
        edit->setText(plain);
        edit->setCursorPosition(caret);
    }
    if (typed && m_binder)
        m_binder->commit(edit);
}

// ---- city and state lists ----

void RegisterWindow::loadCityLists() {
    const QString folder = m_folders.meudir;
    const auto states = CityLists::read(folder + SettingsFiles::kStates);
    const auto cities = CityLists::read(folder + SettingsFiles::kCities);
    for (const auto& [box, entries] : {std::pair{ui.DBuf, &states}, std::pair{ui.DBCidade, &cities},
                                       std::pair{ui.DBpcuf, &states}, std::pair{ui.DBpccidade, &cities}}) {
        if (*entries)
            replaceEntriesKeepingText(box, **entries);
    }
}

void RegisterWindow::setClientList(bool cities, const QStringList& entries) {
    replaceEntriesKeepingText(cities ? ui.DBCidade : ui.DBuf, entries);
}

void RegisterWindow::openTitleEditor(QLabel* label) {
    emit titleEditRequested(label->text(), label->objectName());
}

void RegisterWindow::showPage(int page) {
    ui.Cliente->setCurrentIndex(page);
}

void RegisterWindow::setRecordButtons(const RecordButtons& enabled) {
    ui.BtnIncluir->setEnabled(enabled.incluir);
    ui.BtnExcluir->setEnabled(enabled.excluir);
    ui.BtnAlterar->setEnabled(enabled.alterar);
    ui.BtnGravar->setEnabled(enabled.gravar);
    ui.BtnCancelar->setEnabled(enabled.cancelar);
}

void RegisterWindow::BtnIncluirClick() {
    guarded([this] {
        m_table->append();
        QWidget* const focusByPage[] = {ui.DBAutorPrin, ui.DBnome, ui.DBprocesso, ui.DBdatapeticao,
                                        ui.DBpcnome};
        const int page = ui.Cliente->currentIndex();
        if (page >= 0 && page < 5)
            focusIfPossible(focusByPage[page]);
    });
}

void RegisterWindow::BtnAlterarClick() {
    guarded([this] {
        m_table->edit();
        focusIfPossible(ui.DBnome);
    });
}

void RegisterWindow::BtnGravarClick() {
    if (ui.DBnome->text().isEmpty()) {
        Dialogs::message(this, QStringLiteral("É necessário preencher o campo Nome"));
        return;
    }
    guarded([this] { m_table->post(); });
    if (!m_table->editing() && ui.DBcodigo->text().isEmpty())
        Button8Click();
}

void RegisterWindow::BtnCancelarClick() {
    m_table->cancel();
}

void RegisterWindow::BtnExcluirClick() {
    const auto answer = Dialogs::ask(this, QStringLiteral("Confirme Operação"),
                                     QStringLiteral("Exclusão de registro"), Dialogs::Icon::Question,
                                     {Dialogs::Button::Yes, Dialogs::Button::No}, Dialogs::Button::No);
    if (answer != Dialogs::Button::Yes)
        return;
    guarded([this] {
        m_table->remove();
        focusIfPossible(ui.BtnIncluir);
    });
}

void RegisterWindow::Button8Click() {
    if (ui.BtnGravar->isEnabled()) {
        Dialogs::message(this, QStringLiteral("Não é possível atualizar, a base está aberta para gravação."));
        return;
    }
    guarded([this] {
        const QString name = currentName();
        m_table->close();
        m_table->open();
        m_table->locate(QStringLiteral("AGE_NOME"), name);
    });
}

QString RegisterWindow::currentName() const {
    return m_table ? m_table->fieldText(QStringLiteral("AGE_NOME")) : QString();
}

void RegisterWindow::BtnSairClick() {
    hide();
}

void RegisterWindow::Button10Click() {
    Dialogs::message(
        this, QStringLiteral("Para mudar o título do campo dê dois cliques rápidos sobre ele e realize a "
                             "mudança."));
}

void RegisterWindow::Button2Click() {
    emit listEditorRequested();
}

void RegisterWindow::preenchecombo_frm_cadastro() {
    QStringList orderTitles;
    for (const QString& id : TitleCatalogue::orderListIds())
        orderTitles << caption(id);
    ui.Cordenar->clear();
    ui.Cordenar->addItems(orderTitles);
    ui.Cordenar->setEditText(caption(QStringLiteral("Label00")));
    ui.Cfiltro->clear();
    ui.Cfiltro->addItems(orderTitles.mid(1));
    ui.Cfiltro->setEditText(caption(QStringLiteral("Label000")));
}

// ---- the list pages: ordering, word and date search, range filter, listings ----

void RegisterWindow::setUpListPages() {
    connect(ui.SpeedButton1, &QToolButton::clicked, this, &RegisterWindow::SpeedButton1Click);
    connect(ui.Cordenar, &QComboBox::activated, this, &RegisterWindow::CordenarClick);
    // Only an entry chosen from the list resets the order button.
    activateOnlyChosenEntries(ui.Cordenar);
    connect(ui.Efiltro, &QLineEdit::textChanged, this, &RegisterWindow::EfiltroChange);
    connect(ui.Cfiltro, &QComboBox::currentTextChanged, this, &RegisterWindow::CfiltroChange);
    connect(ui.Bfiltrodata, &QPushButton::clicked, this, &RegisterWindow::BfiltrodataClick);
    connect(ui.BtnFiltrar, &QPushButton::clicked, this, &RegisterWindow::BtnFiltrarClick);
    connect(ui.Button1, &QPushButton::clicked, this, &RegisterWindow::Button1Click);
    connect(ui.Button4, &QPushButton::clicked, this, &RegisterWindow::Button4Click);
    connect(ui.Button9, &QPushButton::clicked, this, &RegisterWindow::Button4Click);
    connect(ui.BTNFormulario, &QPushButton::clicked, this, &RegisterWindow::BTNFormularioClick);
    connect(ui.Button3, &QPushButton::clicked, this, &RegisterWindow::Button3Click);
    connect(ui.Button6, &QPushButton::clicked, this, &RegisterWindow::Button6Click);
    connect(ui.Button7, &QPushButton::clicked, this, &RegisterWindow::Button7Click);

    connect(m_orderGrid, &GridBinding::titleClicked, this,
            [this](int column) { titleClicked(m_orderGrid, column, true); });
    connect(m_queryGrid, &GridBinding::titleClicked, this,
            [this](int column) { titleClicked(m_queryGrid, column, true); });
    connect(m_hearingGrid, &GridBinding::titleClicked, this,
            [this](int column) { titleClicked(m_hearingGrid, column, false); });
    for (GridBinding* grid : {m_orderGrid, m_queryGrid})
        connect(grid, &GridBinding::cellClicked, this, [this] { showPage(1); });
}

void RegisterWindow::IndexaColuna(const QString& campo) {
    try {
        m_table->setSort(SearchRules::columnOrder(campo, ui.SpeedButton1->text()));
    } catch (const AppError&) {
        Dialogs::message(this, QStringLiteral("Não foi possível ordenar os campos."));
    }
}

void RegisterWindow::SpeedButton1Click() {
    ui.SpeedButton1->setText(SearchRules::flippedCaption(ui.SpeedButton1->text()));
    const int entry = SearchRules::findEntry(entriesOf(ui.Cordenar), ui.Cordenar->currentText());
    if (entry >= 0)
        IndexaColuna(SearchRules::orderListColumn(entry));
}

void RegisterWindow::CordenarClick() {
    ui.SpeedButton1->setText(SearchRules::kAscendingCaption);
}

void RegisterWindow::titleClicked(GridBinding* grid, int column, bool flipsCaption) {
    grid->setHighlightedColumn(-1);
    if (flipsCaption)
        ui.SpeedButton1->setText(SearchRules::flippedCaption(ui.SpeedButton1->text()));
    IndexaColuna(grid->model()->field(column));
    grid->setHighlightedColumn(column);
}

RecordRule RegisterWindow::ADOTable1FilterRecord() {
    SearchRules::PredicateInputs inputs;
    inputs.page = ui.Cliente->currentIndex();
    inputs.firstDate = ui.EDatainifiltro->text();
    inputs.lastDate = ui.EDatafimfiltro->text();
    inputs.filterText = ui.Cfiltro->currentText();
    inputs.dateBox = ui.Efiltrodata->text();
    inputs.hearingDateTitle = caption(QStringLiteral("Label021"));
    inputs.processDateTitle = caption(QStringLiteral("Label017"));
    inputs.petitionDateTitle = caption(QStringLiteral("Label020"));
    const SearchRules::PredicateOutcome outcome = SearchRules::ADOTable1FilterRecord(inputs);
    if (!outcome.error.isEmpty())
        showError(outcome.error);
    return outcome.rule;
}

// Switches filtering on; stored dates the date rules could not read are reported once.
void RegisterWindow::switchFilteringOn() {
    guarded([this] {
        m_table->setFiltered(true);
        if (m_table->unreadableDatesLeftOut() > 0)
            showError(SearchRules::unreadableDatesMessage(m_table->unreadableDatesLeftOut()));
    });
}

void RegisterWindow::EfiltroChange() {
    const QString typed = ui.Efiltro->text();
    if (typed.isEmpty())
        return;
    const QString prefix = SearchRules::wordSearchPrefix(
        SearchRules::findEntry(entriesOf(ui.Cfiltro), ui.Cfiltro->currentText()));
    // Filtering goes off and on again around the new expression, in one step.
    guarded([&] { m_table->filterBy(SearchRules::wordSearchExpression(prefix, typed)); });
}

void RegisterWindow::CfiltroChange() {
    const QString text = ui.Cfiltro->currentText();
    const bool dateMode = text == caption(QStringLiteral("Label021")) ||
                          text == caption(QStringLiteral("Label017")) ||
                          text == caption(QStringLiteral("Label020"));
    if (dateMode)
        ui.Efiltro->clear();
    else
        ui.Efiltrodata->clear();
    ui.Efiltro->setEnabled(!dateMode);
    ui.Lpalavra->setEnabled(!dateMode);
    ui.Ldata->setEnabled(dateMode);
    ui.Efiltrodata->setEnabled(dateMode);
    ui.Bfiltrodata->setEnabled(dateMode);
    focusIfPossible(dateMode ? static_cast<QWidget*>(ui.Efiltrodata) : ui.Efiltro);
}

// The date searches switch filtering on again rather than off and on: switching on
// judges every record anew, and going off first would only read the whole table once more.
void RegisterWindow::BfiltrodataClick() {
    ui.Efiltro->clear();
    if (!Folders::checkinteiro(ui.Efiltrodata->text())) {
        Dialogs::message(this, QStringLiteral("Digite a data"));
        focusIfPossible(ui.Efiltrodata);
    }
    switchFilteringOn();
}

void RegisterWindow::BtnFiltrarClick() {
    ui.Efiltro->clear();
    if (!Folders::checkinteiro(ui.EDatainifiltro->text())) {
        Dialogs::message(this, QStringLiteral("Digite a data inicial"));
        focusIfPossible(ui.EDatainifiltro);
    }
    if (!Folders::checkinteiro(ui.EDatafimfiltro->text())) {
        Dialogs::message(this, QStringLiteral("Digite a data final"));
        focusIfPossible(ui.EDatafimfiltro);
    }
    switchFilteringOn();
}

void RegisterWindow::Button1Click() {
    guarded([this] { m_table->setFiltered(false); });
}

void RegisterWindow::Button4Click() {
    guarded([this] { m_table->setFiltered(false); });
    ui.Efiltro->clear();
}

void RegisterWindow::BTNFormularioClick() {
    guarded([this] { m_table->setSort(SearchRules::agendaOrder(m_agendaByName)); });
    // The agenda lists the hearing grid's fields under the current field titles.
    QList<GridColumn> columns;
    for (const QString& id : TitleCatalogue::hearingGridIds())
        columns.append({TitleCatalogue::byId(id)->field, caption(id)});
    showListing(columns);
}

void RegisterWindow::Button3Click() {
    showListing(std::nullopt);
}

void RegisterWindow::showListing(std::optional<QList<GridColumn>> columns) {
    refx = QStringLiteral("1");
    hide();
    emit listingRequested({refx, std::move(columns), std::nullopt});
}

void RegisterWindow::Button6Click() {
    emit optionsRequested();
}

void RegisterWindow::Button7Click() {
    hide();
    emit fieldChooserRequested();
}
