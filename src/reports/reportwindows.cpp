#include "reportwindows.h"

#include "browser.h"
#include "common/apperror.h"
#include "common/combochoice.h"
#include "common/dialogs.h"
#include "common/progress.h"
#include "common/settingsfiles.h"
#include "common/textfile.h"
#include "data/datamodule.h"
#include "data/recordreader.h"
#include "data/sharedtable.h"
#include "listingcolumns.h"
#include "listingoptions.h"
#include "listingpages.h"

#include <QButtonGroup>
#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinterInfo>
#include <QStandardPaths>
#include <QStyle>
#include <cerrno>
#include <cstring>
#include <stdio.h>

namespace {

const QString kLetterFilter = QStringLiteral("Arquivos htm (*.htm)");
const QString kPdfFilter = QStringLiteral("Arquivos PDF (*.pdf)");

// The most rows the browser is given to show; a longer listing is shown in part, and
// printed and saved whole from its records.
constexpr int kShownRows = 5000;
// The pages a preview of a listing draws.
constexpr int kPreviewPages = 50;

// The name a file is written under until it is whole, beside its own.
QString partialName(const QString& path) {
    return path + QStringLiteral(".parcial");
}

// A file written whole under its partial name takes its own.
void putInPlace(const QString& path) {
    const QString partial = partialName(path);
    if (::rename(QFile::encodeName(partial).constData(), QFile::encodeName(path).constData()) != 0) {
        const QString why = QString::fromLocal8Bit(std::strerror(errno));
        QFile::remove(partial);
        throw AppError(QStringLiteral("Não foi possível gravar o arquivo %1: %2").arg(path, why));
    }
}

} // namespace

// ---- the report window ----

ReportWindow::ReportWindow(const ProgramFolders& folders, TitleCatalogue::TitleLookup titles, QWidget* parent)
    : FormWindow(parent), m_folders(folders), m_titles(std::move(titles)) {
    ui.Cfont->setCurrentText(QStringLiteral("8"));
    m_browser = new Browser(ui.WebBrowser1);
    m_browser->navigate(QStringLiteral("about:blank"));
    m_browser->setEditMode();
    setUpToolbars();
}

void ReportWindow::setUpToolbars() {
    connect(ui.SpeedButton3, &QToolButton::clicked, this, &ReportWindow::fieldChooserRequested);
    connect(ui.SpeedButton4, &QToolButton::clicked, this, [this] { showRegister(7); });
    connect(ui.SpeedButton7, &QToolButton::clicked, this, [this] { showRegister(6); });
    connect(ui.SpeedButton2, &QToolButton::clicked, this, &ReportWindow::SpeedButton2Click);
    connect(ui.SpeedButton1, &QToolButton::clicked, this, [this] { m_browser->pageSetup(); });
    connect(ui.SpeedButton5, &QToolButton::clicked, this, &ReportWindow::SpeedButton5Click);
    connect(ui.BtnSalvarPDF, &QToolButton::clicked, this, &ReportWindow::BtnSalvarPDFClick);
    connect(ui.SpeedButton6, &QToolButton::clicked, this, &QWidget::hide);

    const struct {
        QToolButton* button;
        const char* command;
    } documentCommands[] = {
        {ui.SpeedButton9, "Bold"}, {ui.SpeedButton10, "Italic"}, {ui.SpeedButton11, "Underline"}};
    for (const auto& entry : documentCommands) {
        const QString command = QString::fromUtf8(entry.command);
        connect(entry.button, &QToolButton::clicked, this,
                [this, command] { m_browser->documentCommand(command, 0); });
    }
    connect(ui.SpeedButton12, &QToolButton::clicked, this, [this] {
        if (const auto color = Dialogs::color(this, Qt::black))
            m_browser->documentCommand(QStringLiteral("ForeColor"), *color);
    });
    const struct {
        QToolButton* button;
        int id;
    } editingCommands[] = {{ui.btnNumList, 2184},
                           {ui.btnBullet, 2185},
                           {ui.btnDecreaseIndent, 2187},
                           {ui.btnIncreaseIndent, 2186},
                           {ui.btnAlignLeft, 59},
                           {ui.btnCenter, 57},
                           {ui.btnAlignRight, 60},
                           {ui.SpeedButton13, 2168},
                           {ui.btnCut, 16},
                           {ui.btnCopy, 15},
                           {ui.btnPaste, 26}};
    for (const auto& entry : editingCommands) {
        const int id = entry.id;
        connect(entry.button, &QToolButton::clicked, this, [this, id] { m_browser->editingCommand(id); });
    }
    connect(ui.SpeedButton14, &QToolButton::clicked, this, &ReportWindow::SpeedButton14Click);
    connect(ui.SpeedButton15, &QToolButton::clicked, this, &ReportWindow::SpeedButton15Click);
    connect(ui.SpeedButton16, &QToolButton::clicked, this, [this] { m_browser->setEditMode(); });

    // The alignment, save and open buttons stay down one at a time; the others toggle.
    auto* group = new QButtonGroup(this);
    for (QToolButton* button :
         {ui.btnAlignLeft, ui.btnCenter, ui.btnAlignRight, ui.SpeedButton14, ui.SpeedButton15})
        group->addButton(button);

    for (QComboBox* fontBox : {ui.Cnomefont, ui.Cfont}) {
        activateOnlyChosenEntries(fontBox);
        connect(fontBox, &QComboBox::activated, this, &ReportWindow::listingRepeatRequested);
    }
    setToolbarPictures();
}

void ReportWindow::setToolbarPictures() {
    const struct {
        QToolButton* button;
        QStyle::StandardPixmap icon;
    } pictures[] = {{ui.SpeedButton3, QStyle::SP_FileDialogListView},
                    {ui.SpeedButton4, QStyle::SP_FileDialogContentsView},
                    {ui.SpeedButton7, QStyle::SP_FileDialogDetailedView},
                    {ui.SpeedButton2, QStyle::SP_FileDialogInfoView},
                    {ui.SpeedButton1, QStyle::SP_FileDialogNewFolder},
                    {ui.SpeedButton5, QStyle::SP_DialogApplyButton},
                    {ui.BtnSalvarPDF, QStyle::SP_DriveFDIcon},
                    {ui.SpeedButton6, QStyle::SP_DialogCloseButton},
                    {ui.SpeedButton14, QStyle::SP_DialogSaveButton},
                    {ui.SpeedButton15, QStyle::SP_DialogOpenButton}};
    for (const auto& picture : pictures) {
        picture.button->setIcon(style()->standardIcon(picture.icon));
        if (!picture.button->text().isEmpty())
            picture.button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    }
    // The desktop's icons where it has them, else a sign every font here draws.
    const struct {
        QToolButton* button;
        const char* themeIcon;
        const char* sign;
    } signs[] = {{ui.SpeedButton12, "format-text-color", "A"},
                 {ui.btnNumList, "format-list-ordered", "1."},
                 {ui.btnBullet, "format-list-unordered", "•"},
                 {ui.btnDecreaseIndent, "format-indent-less", "⇤"},
                 {ui.btnIncreaseIndent, "format-indent-more", "⇥"},
                 {ui.btnAlignLeft, "format-justify-left", "⊏"},
                 {ui.btnCenter, "format-justify-center", "≡"},
                 {ui.btnAlignRight, "format-justify-right", "⊐"},
                 {ui.SpeedButton13, "insert-image", "▣"},
                 {ui.SpeedButton16, "document-edit", "✎"},
                 {ui.btnCut, "edit-cut", "✂"},
                 {ui.btnCopy, "edit-copy", "❐"},
                 {ui.btnPaste, "edit-paste", "❑"}};
    for (const auto& sign : signs) {
        const QIcon icon = QIcon::fromTheme(QString::fromUtf8(sign.themeIcon));
        if (icon.isNull())
            sign.button->setText(QString::fromUtf8(sign.sign));
        else
            sign.button->setIcon(icon);
    }
    QFont bold = ui.SpeedButton9->font();
    bold.setBold(true);
    ui.SpeedButton9->setFont(bold);
    QFont italic = ui.SpeedButton10->font();
    italic.setItalic(true);
    ui.SpeedButton10->setFont(italic);
    QFont underlined = ui.SpeedButton11->font();
    underlined.setUnderline(true);
    ui.SpeedButton11->setFont(underlined);
    QPalette red = ui.SpeedButton12->palette();
    red.setColor(QPalette::ButtonText, Qt::red);
    ui.SpeedButton12->setPalette(red);
}

void ReportWindow::attachData(DataModule* dataModule) {
    m_table = dataModule->ADOTable1;
    m_columns = new GridModel(m_table, ListingColumns::initial(), this);
    ui.DBGrid3->setModel(m_columns);
}

QList<GridColumn> ReportWindow::columnSet() const {
    return m_columns->columns();
}

void ReportWindow::setColumnSet(QList<GridColumn> columns) {
    m_columns->setColumns(std::move(columns));
}

void ReportWindow::setFontFamilies(const QStringList& families) {
    replaceEntriesKeepingText(ui.Cnomefont, families);
}

void ReportWindow::trocatitulo() {
    QList<GridColumn> columns = columnSet();
    ListingColumns::trocatitulo(columns, m_titles);
    setColumnSet(columns);
}

void ReportWindow::showRegister(int page) {
    emit registerRequested(page);
    hide();
}

void ReportWindow::impx(const ListingInputs& heading) {
    const QString folder = m_folders.meudir;
    ListingInputs inputs = heading;
    inputs.tableFontSize = ui.Cfont->currentText();
    inputs.tableFont = ui.Cnomefont->currentText();
    inputs.columns = columnSet();
    try {
        MadeListing made = makeListing(*m_table, inputs, folder, kShownRows);
        m_browser->navigate(made.shownPath);
        m_listed = inputs;
        m_listedRecords = std::move(made.records);
        m_listingInPart = made.inPart;
    } catch (const AppError& error) {
        Dialogs::error(this, error.message());
    }
}

void ReportWindow::showListing(const ListingInputs& heading) {
    trocatitulo();
    impx(heading);
    if (isActiveWindow())
        hide();
    showMaximized();
    raise();
}

// The listing as it was written is still what the browser shows (or shows a part of).
bool ReportWindow::showsListing() {
    return m_listed && (m_listingInPart || !m_browser->edited());
}

bool ReportWindow::paintListing(QPagedPaintDevice& device, int pageLimit) {
    const ListingWriter listing(*m_listed);
    QPainter painter;
    if (!painter.begin(&device))
        throw AppError(QStringLiteral("Não foi possível começar a imprimir."));
    ListingPages::Outcome outcome;
    {
        const Progress::Scope progress(m_listedRecords->count(), true);
        outcome = ListingPages(listing).paint(
            painter, device, *m_listedRecords, [](int rows) { Progress::step(rows); },
            [] { return Progress::cancelled(); }, pageLimit);
    }
    const bool givenUp = !outcome.complete && pageLimit == 0;
    if (auto* printer = dynamic_cast<QPrinter*>(&device); printer && givenUp)
        printer->abort();
    painter.end();
    return !givenUp;
}

QString ReportWindow::suggestedPdfName() const {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QDir::homePath();
    const QString current = QFileInfo(m_browser->currentPath()).completeBaseName();
    const bool letter =
        !m_listed && !current.isEmpty() && m_browser->currentPath() != QStringLiteral("about:blank");
    return folder + u'/' + (letter ? current : QStringLiteral("listagem")) + QStringLiteral(".pdf");
}

void ReportWindow::SpeedButton2Click() {
    const bool listing = showsListing();
    std::optional<QString> failure;
    Dialogs::printPreview(this, m_browser->printer(), [&](QPrinter* printer) {
        try {
            if (listing)
                paintListing(*printer, kPreviewPages);
            else
                m_browser->printPage(*printer);
        } catch (const AppError& error) {
            failure = error.message();
        }
    });
    if (failure)
        Dialogs::error(this, *failure);
}

// With no printer installed the dialog offers a PDF file: it offers one by name.
void ReportWindow::SpeedButton5Click() {
    QPrinter& printer = m_browser->printer();
    if (QPrinterInfo::availablePrinterNames().isEmpty() && printer.outputFileName().isEmpty())
        printer.setOutputFileName(suggestedPdfName());
    if (!Dialogs::printer(this, Dialogs::PrinterDialog::Print, printer))
        return;
    const bool toFile = printer.outputFormat() == QPrinter::PdfFormat;
    const QString target = printer.outputFileName();
    if (toFile && target.isEmpty()) {
        Dialogs::message(this, QStringLiteral("Escolha o nome do arquivo PDF em que imprimir."));
        return;
    }
    if (toFile)
        printer.setOutputFileName(partialName(target));
    bool whole = true;
    try {
        if (showsListing())
            whole = paintListing(printer, 0);
        else
            m_browser->printPage(printer);
        if (toFile) {
            printer.setOutputFileName(target);
            if (whole)
                putInPlace(target);
            else
                QFile::remove(partialName(target));
        }
    } catch (const AppError& error) {
        if (toFile) {
            printer.setOutputFileName(target);
            QFile::remove(partialName(target));
        }
        Dialogs::error(this, QStringLiteral("Não foi possível imprimir: ") + error.message());
        return;
    }
    if (!whole)
        Dialogs::message(this, QStringLiteral("A impressão foi cancelada."));
}

void ReportWindow::BtnSalvarPDFClick() {
    const QString path = Dialogs::fileToWrite(this, QStringLiteral("Salvar PDF"), kPdfFilter,
                                              {QStringLiteral(".pdf")}, suggestedPdfName());
    if (path.isEmpty())
        return;
    try {
        writePdf(path);
    } catch (const AppError& error) {
        QFile::remove(partialName(path));
        Dialogs::error(this, error.message());
    }
}

void ReportWindow::writePdf(const QString& path) {
    const QString partial = partialName(path);
    if (!showsListing()) {
        m_browser->savePdf(partial);
        putInPlace(path);
        return;
    }
    bool whole = false;
    {
        QPdfWriter writer(partial);
        writer.setPageLayout(m_browser->printer().pageLayout());
        writer.setCreator(QStringLiteral("Velmora"));
        writer.setTitle(m_listed->header.isEmpty() ? QStringLiteral("Cadastro") : m_listed->header);
        whole = paintListing(writer, 0);
    }
    if (!whole) {
        QFile::remove(partial);
        Dialogs::message(this,
                         QStringLiteral("A gravação do PDF foi cancelada; nenhum arquivo foi gravado."));
        return;
    }
    if (QFileInfo(partial).size() == 0) {
        QFile::remove(partial);
        throw AppError(QStringLiteral("Não foi possível gravar o PDF %1.").arg(path));
    }
    putInPlace(path);
}

void ReportWindow::SpeedButton14Click() {
    const QString path = Dialogs::fileToWrite(this, QStringLiteral("Salvar Formulário"), kLetterFilter,
                                              {QStringLiteral(".htm"), QStringLiteral(".html")});
    if (path.isEmpty())
        return;
    try {
        m_browser->saveDocument(path);
    } catch (const AppError& error) {
        Dialogs::error(this, error.message());
    }
}

void ReportWindow::SpeedButton15Click() {
    const QString path = Dialogs::openFileName(this, QStringLiteral("Abrir Formulário"), kLetterFilter);
    if (path.isEmpty())
        return;
    m_listed.reset();
    m_listedRecords.reset();
    m_listingInPart = false;
    m_browser->navigate(path);
}

// ---- the field chooser ----

FieldChooser::FieldChooser(TitleCatalogue::TitleLookup titles, QWidget* parent)
    : FormWindow(parent, Qt::Window | Qt::WindowStaysOnTopHint), m_titles(std::move(titles)) {
    connect(ui.SpeedButton1, &QPushButton::clicked, this, &FieldChooser::SpeedButton1Click);
    connect(ui.SpeedButton2, &QPushButton::clicked, this, &QWidget::hide);
    centreOnScreen();
}

void FieldChooser::open(bool fromReportWindow) {
    constexpr int kFirstOpposingItem = 19;
    ui.CheckListBox1->clear();
    const QStringList ids = TitleCatalogue::checklistIds();
    for (int item = 0; item < ids.size(); ++item) {
        QString title = m_titles(ids[item]);
        if (fromReportWindow && item >= kFirstOpposingItem)
            title += QStringLiteral("(P.Cont.)");
        auto* entry = new QListWidgetItem(title, ui.CheckListBox1);
        entry->setFlags(entry->flags() | Qt::ItemIsUserCheckable);
        entry->setCheckState(Qt::Unchecked);
    }
    show();
    raise();
}

void FieldChooser::addAnnotationChoices(ListingInputs& inputs) const {
    inputs.authorNotes = ui.CAnotacoes->isChecked();
    inputs.processNotes = ui.CAnotacoesProcesso->isChecked();
    inputs.hearingNotes = ui.CanotacoesAudiencia->isChecked();
    inputs.opposingNotes = ui.CAnotacoesPContraria->isChecked();
}

void FieldChooser::SpeedButton1Click() {
    ListingRequest request{QStringLiteral("2"), QList<GridColumn>(), std::nullopt};
    if (ui.RadioButton1->isChecked())
        request.orderColumn = QStringLiteral("AGE_NOME");
    else if (ui.RadioButton2->isChecked())
        request.orderColumn = QStringLiteral("Código");
    const QStringList ids = TitleCatalogue::checklistIds();
    for (int item = 0; item < ui.CheckListBox1->count() && item < ids.size(); ++item) {
        if (ui.CheckListBox1->item(item)->checkState() == Qt::Checked)
            request.columns->append({TitleCatalogue::byId(ids[item])->field, m_titles(ids[item])});
    }
    hide();
    emit listingRequested(request);
}

// ---- the listing options ----

OptionsWindow::OptionsWindow(const ProgramFolders& folders, QWidget* parent)
    : FormWindow(parent, Qt::Window | Qt::WindowStaysOnTopHint), m_folders(folders) {
    connect(ui.Rnome, &QRadioButton::toggled, this, &OptionsWindow::agendaOrderChanged);
    ui.Cfonte->setCurrentText(QStringLiteral("10"));
    ui.Ccontalinhas->setCurrentText(QStringLiteral("40"));
    connect(ui.Button1, &QPushButton::clicked, this, &OptionsWindow::Button1Click);
    connect(ui.Button2, &QPushButton::clicked, this, &QWidget::hide);
    centreOnScreen();
}

void OptionsWindow::loadOptions(const QStringList& fontFamilies) {
    const QString path = m_folders.meudir + SettingsFiles::kFont;
    try {
        if (TextFile::exists(path)) {
            const QStringList lines = TextFile::readLines(path);
            ui.Memo1->setPlainText(lines.join(u'\n'));
            const ListingOptions options = ListingOptions::fromLines(lines);
            ui.Ccontalinhas->setEditText(options.lineCount);
            ui.Cnomefonte->setEditText(options.fontName);
            ui.Cfonte->setEditText(options.fontSize);
            ui.Ccontornopontilhado->setChecked(options.dottedBorders);
            (options.agendaByName ? ui.Rnome : ui.Rdata)->setChecked(true);
        }
        const QString numbers = m_folders.meudir + SettingsFiles::kNumeros;
        ui.CMarcarNumeros->setChecked(TextFile::exists(numbers) &&
                                      TextFile::readLines(numbers).value(0) == QStringLiteral("sim"));
    } catch (const AppError& error) {
        Dialogs::error(this, error.message());
    }
    replaceEntriesKeepingText(ui.Cnomefonte, fontFamilies);
}

void OptionsWindow::Button1Click() {
    ListingOptions options;
    options.lineCount = ui.Ccontalinhas->currentText();
    options.fontName = ui.Cnomefonte->currentText();
    options.fontSize = ui.Cfonte->currentText();
    options.dottedBorders = ui.Ccontornopontilhado->isChecked();
    options.agendaByName = ui.Rnome->isChecked();
    const QStringList lines = options.toLines();
    ui.Memo1->setPlainText(lines.join(u'\n'));
    try {
        TextFile::writeLines(m_folders.meudir + SettingsFiles::kFont, lines);
        TextFile::writeLine(m_folders.meudir + SettingsFiles::kNumeros,
                            ui.CMarcarNumeros->isChecked() ? QStringLiteral("sim") : QStringLiteral("não"));
    } catch (const AppError& error) {
        Dialogs::error(this, error.message());
    }
}
