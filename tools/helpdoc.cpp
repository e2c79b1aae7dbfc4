// Builds the help document: starts the program's real windows offscreen on a small
// sample office, grabs the windows the help shows, then prints the help's HTML source,
// with those pictures, to PDF through the program's own web engine.
//
//   velmora-ajuda SOURCE_FOLDER WORK_FOLDER OUTPUT_PDF
//
// SOURCE_FOLDER holds ajuda.html and what it links; WORK_FOLDER gets a copy of it with
// the pictures under imagens/, kept for a look; OUTPUT_PDF is replaced atomically.

#include "app/application.h"
#include "app/mainwindow.h"
#include "app/smallwindows.h"
#include "backup/backupwindow.h"
#include "calendar/calendarwindow.h"
#include "common/apperror.h"
#include "common/dialogs.h"
#include "common/folders.h"
#include "common/settingsfiles.h"
#include "common/textfile.h"
#include "data/columns.h"
#include "data/datamodule.h"
#include "data/networkwindow.h"
#include "data/recordwriter.h"
#include "data/schema.h"
#include "data/sendwindow.h"
#include "data/sharedtable.h"
#include "history/historywindow.h"
#include "register/citylists.h"
#include "register/registerwindow.h"
#include "reports/reportwindows.h"
#include "transfer/transferwindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QLineEdit>
#include <QPageLayout>
#include <QPageSize>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>
#include <QWebEnginePage>
#include <unistd.h>
#include <utility>

namespace {

// Any message box while the pictures are taken means the sample office is not what the
// help shows: it is answered with its default button and the build stops afterwards. A
// file dialog answers with the file the help's reader would pick.
class PictureDialogs : public Dialogs {
  public:
    QStringList shown;
    QString nextFile;

  protected:
    Button show(QWidget*, const Message& message) override {
        shown << message.text;
        return message.defaultButton;
    }
    QString chooseFile(QWidget*, const FileRequest&) override { return std::exchange(nextFile, QString()); }
};

struct Sample {
    const char* name;
    const char* city;
    const char* process;
    const char* court;
    const char* action;
    const char* hearingDate;
    const char* hearingTime;
    const char* opponent;
};

// A small office's records; fixed dates, so the pictures are the same on every build.
const Sample kSamples[] = {
    {"Ana Paula Ferreira", "Campinas", "1002345-60.2026.8.26.0114", "2ª Vara Cível",
     "Indenização por Danos Morais", "14/01/2027", "09:30", "Construtora Alvorada Ltda."},
    {"Antônio Carlos Ribeiro", "São Paulo", "1023456-45.2026.8.26.0100", "5ª Vara da Família",
     "Divórcio Consensual", "15/01/2027", "14:00", "Marta Ribeiro"},
    {"Beatriz Gonçalves", "Jundiaí", "0004567-21.2026.5.15.0002", "2ª Vara do Trabalho",
     "Reclamação Trabalhista", "18/01/2027", "10:15", "Supermercados Boa Compra S/A"},
    {"Carlos Eduardo Lima", "Campinas", "1005678-20.2026.8.26.0114", "1ª Vara Cível", "Cobrança",
     "20/01/2027", "13:30", "Banco Horizonte S/A"},
    {"Cecília Araújo", "Ribeirão Preto", "1006789-27.2026.8.26.0506", "3ª Vara Cível", "Revisão de Contrato",
     "21/01/2027", "15:00", "Financeira Crédito Fácil"},
    {"João Batista Souza", "São Paulo", "1034567-26.2026.8.26.0100", "12ª Vara Cível",
     "Despejo por Falta de Pagamento", "25/01/2027", "09:00", "Imobiliária Central"},
    {"Joaquim Mendes", "Santos", "1007890-28.2026.8.26.0562", "Juizado Especial Cível",
     "Indenização por Danos Materiais", "26/01/2027", "11:00", "Auto Peças Litoral"},
    {"José Rodrigues", "Campinas", "1008901-78.2026.8.26.0114", "4ª Vara Cível", "Usucapião", "27/01/2027",
     "14:30", "Espólio de Olavo Pinto"},
    {"Juliana Martins", "Sorocaba", "0009012-79.2026.5.15.0003", "1ª Vara do Trabalho",
     "Reclamação Trabalhista", "28/01/2027", "08:45", "Têxtil Sorocabana Ltda."},
    {"Márcia Oliveira", "São Paulo", "1045678-07.2026.8.26.0100", "2ª Vara da Família", "Alimentos",
     "01/02/2027", "10:00", "Rogério Oliveira"},
    {"Otávio Nascimento", "Guarulhos", "1010123-42.2026.8.26.0224", "Vara da Fazenda Pública",
     "Mandado de Segurança", "03/02/2027", "16:00", "Município de Guarulhos"},
    {"Patrícia Almeida", "Campinas", "1011234-03.2026.8.26.0114", "Juizado Especial Cível", "Consumidor",
     "04/02/2027", "09:15", "Telefonia Nacional S/A"},
};

// Their CPFs, with check digits that match.
const char* const kTaxpayers[] = {"123.456.789-09", "234.567.891-73", "345.678.912-28", "456.789.123-64",
                                  "567.891.234-82", "678.912.345-82", "789.123.456-64", "891.234.567-28",
                                  "912.345.678-73", "135.792.468-28", "246.813.579-28", "369.258.147-55"};

void fillSampleOffice(const QString& basePath) {
    {
        const Database db = Database::openFile(basePath, true);
        Schema::create(db);
        RecordWriter writer(db);
        int number = 0;
        for (const Sample& sample : kSamples) {
            ++number;
            Schema::Record record = Schema::emptyRecord();
            const auto set = [&record](const char* column, const QString& text) {
                record[Columns::indexOf(QString::fromUtf8(column))] = text;
            };
            set("AGE_NOME", QString::fromUtf8(sample.name));
            set("AGE_CIDADE", QString::fromUtf8(sample.city));
            set("AGE_UF", QStringLiteral("SP"));
            set("AGE_ENDERECO", QStringLiteral("Rua das Acácias, %1").arg(100 + 37 * number));
            set("AGE_BAIRRO", QStringLiteral("Centro"));
            set("AGE_CEP", QStringLiteral("13010-%1").arg(100 + number, 3, 10, QLatin1Char('0')));
            set("AGE_TEL", QStringLiteral("(19) 3232-%1").arg(4100 + number));
            set("AGE_CEL", QStringLiteral("(19) 99876-%1").arg(5400 + number));
            set("AGE_ESTCIVIL", number % 2 ? QStringLiteral("Casado(a)") : QStringLiteral("Solteiro(a)"));
            set("AGE_ADV", QStringLiteral("Dra. Helena Prado"));
            set("AGE_CIC", QString::fromLatin1(kTaxpayers[number - 1]));
            set("AGE_PROC", QString::fromUtf8(sample.process));
            set("AGE_VARA", QString::fromUtf8(sample.court));
            set("AGE_ACAO", QString::fromUtf8(sample.action));
            set("AGE_DATAPROC", QStringLiteral("%1/09/2026").arg(number + 1, 2, 10, QLatin1Char('0')));
            set("AGE_DTAPET", QStringLiteral("%1/10/2026").arg(number + 3, 2, 10, QLatin1Char('0')));
            set("AGE_DTAAUDIENCIA", QString::fromUtf8(sample.hearingDate));
            set("AGE_HORAAUDIENCIA", QString::fromUtf8(sample.hearingTime));
            set("AGE_PCONT", QString::fromUtf8(sample.opponent));
            set("AGE_ANOTACOES",
                QStringLiteral("Cliente indicado pelo Dr. Fernando.\r\nTrazer RG e comprovante de "
                               "residência."));
            set("AGE_ANOTACOESaud", QStringLiteral("Levar duas testemunhas."));
            writer.insert(record);
        }
        writer.commit();
    }
}

// The folders an installed office has: the program folder with its base, and the
// user's settings folder with the lists and a backup folder chosen.
QString installSampleOffice(const QString& root) {
    qputenv("XDG_DATA_HOME", QFile::encodeName(root + QStringLiteral("usuario")));
    const QString runtime = root + QStringLiteral("execucao");
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));

    const QString programFolder = root + QStringLiteral("programa/");
    QDir().mkpath(programFolder + SettingsFiles::kDataFolder);
    fillSampleOffice(programFolder + SettingsFiles::kDataFolder + u'/' + SettingsFiles::kBase);
    const QString settings = Folders::settingsFolder();
    QDir().mkpath(settings + SettingsFiles::kListsFolder);
    TextFile::writeLines(settings + SettingsFiles::kStates, CityLists::brazilianStates());
    TextFile::writeLines(settings + SettingsFiles::kCities,
                         {QStringLiteral("Campinas"), QStringLiteral("Guarulhos"), QStringLiteral("Jundiaí"),
                          QStringLiteral("Ribeirão Preto"), QStringLiteral("Santos"),
                          QStringLiteral("São Paulo"), QStringLiteral("Sorocaba")});
    const QString backups = root + QStringLiteral("backups");
    QDir().mkpath(backups);
    TextFile::writeText(settings + SettingsFiles::kBackup, backups);
    return programFolder;
}

void settle() {
    for (int round = 0; round < 5; ++round)
        QApplication::processEvents();
}

void save(QWidget* window, const QString& path) {
    window->show();
    window->raise();
    settle();
    if (!window->grab().save(path))
        throw AppError(QStringLiteral("Não foi possível gravar a imagem %1").arg(path));
}

template <typename T> T* child(QWidget* window, const char* name) {
    T* found = window->findChild<T*>(QString::fromLatin1(name));
    if (!found)
        throw AppError(QStringLiteral("Controle %1 não encontrado").arg(QString::fromLatin1(name)));
    return found;
}

void takePictures(const QString& programFolder, const QString& folder, PictureDialogs& dialogs) {
    Application app(programFolder);
    if (!app.principal()->vai())
        throw AppError(QStringLiteral("O programa não iniciou sobre a base de exemplo."));
    app.ver()->Timer1Timer(); // the splash goes, the toolbar is enabled

    if (!Application::icon().pixmap(256).save(folder + QStringLiteral("icone.png")))
        throw AppError(QStringLiteral("Não foi possível gravar o ícone"));
    MainWindow* principal = app.principal();
    principal->showNormal();
    principal->resize(760, 112);
    save(principal, folder + QStringLiteral("principal.png"));

    RegisterWindow* cadastro = app.cadastro();
    for (const auto& [page, name] :
         {std::pair{0, "cadastro-principal"}, {1, "cadastro-autor"}, {2, "processo"}, {3, "audiencia"}}) {
        principal->openRegister(page);
        save(cadastro, folder + QString::fromLatin1(name) + QStringLiteral(".png"));
    }
    principal->openRegister(5);
    save(cadastro, folder + QStringLiteral("ordenar.png"));

    principal->openRegister(6);
    child<QLineEdit>(cadastro, "EDatainifiltro")->setText(QStringLiteral("14/01/2027"));
    child<QLineEdit>(cadastro, "EDatafimfiltro")->setText(QStringLiteral("27/01/2027"));
    cadastro->BtnFiltrarClick();
    save(cadastro, folder + QStringLiteral("formulario.png"));
    cadastro->Button1Click();

    principal->openRegister(7);
    child<QLineEdit>(cadastro, "Efiltro")->setText(QStringLiteral("Jo"));
    save(cadastro, folder + QStringLiteral("consulta.png"));
    cadastro->Button4Click();

    cadastro->Button7Click(); // the listing's field chooser, filled with the field titles
    save(app.campos(), folder + QStringLiteral("campos.png"));
    app.campos()->hide();
    save(app.trans(), folder + QStringLiteral("transferencia.png"));
    app.trans()->hide();
    // The folders as an office would choose them.
    app.backup()->show();
    dialogs.nextFile = QStringLiteral("/media/pendrive/backup/base.mdb");
    app.backup()->Button1Click();
    save(app.backup(), folder + QStringLiteral("backup.png"));
    app.backup()->hide();
    app.form3()->show();
    dialogs.nextFile = QStringLiteral("/mnt/escritorio/velmora/base.mdb");
    app.form3()->Button1Click();
    save(app.form3(), folder + QStringLiteral("rede.png"));
    app.form3()->hide();

    // The history of the first record, its telephone changed once.
    SharedTable* table = app.dataModule()->ADOTable1;
    table->first();
    table->edit();
    table->setFieldText(QStringLiteral("AGE_TEL"), QStringLiteral("(19) 3232-4200"));
    table->post();
    principal->openRegister(1);
    child<QAbstractButton>(cadastro, "BtnHistorico")->click();
    app.historico()->resize(900, 420);
    save(app.historico(), folder + QStringLiteral("historico.png"));
    app.historico()->hide();

    child<QLineEdit>(app.agenda(), "EEndereco")
        ->setText(
            QStringLiteral("https://nuvem.escritorio.com.br/remote.php/dav/calendars/helena/audiencias/"));
    child<QLineEdit>(app.agenda(), "EUsuario")->setText(QStringLiteral("helena"));
    save(app.agenda(), folder + QStringLiteral("agenda.png"));
    app.agenda()->hide();
    app.enviar()->open();
    child<QLineEdit>(app.enviar(), "EBase")->setText(QStringLiteral("/mnt/escritorio/velmora/base.mdb"));
    child<QLineEdit>(app.enviar(), "EServidor")
        ->setText(QStringLiteral("postgresql://servidor.escritorio/velmora?user=helena"));
    save(app.enviar(), folder + QStringLiteral("enviar.png"));
    app.enviar()->hide();
}

void copyFolder(const QString& from, const QString& to) {
    QDir().mkpath(to);
    for (const QFileInfo& entry : QDir(from).entryInfoList(QDir::Files)) {
        const QString target = to + entry.fileName();
        QFile::remove(target);
        if (!QFile::copy(entry.filePath(), target))
            throw AppError(QStringLiteral("Não foi possível copiar %1").arg(entry.filePath()));
    }
}

void printToPdf(const QString& html, const QString& output) {
    QWebEnginePage page;
    QEventLoop loop;
    bool loaded = false;
    QObject::connect(&page, &QWebEnginePage::loadFinished, &loop, [&](bool ok) {
        loaded = ok;
        loop.quit();
    });
    page.load(QUrl::fromLocalFile(html));
    loop.exec();
    if (!loaded)
        throw AppError(QStringLiteral("Não foi possível abrir %1").arg(html));

    QByteArray pdf;
    const QPageLayout layout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(18, 16, 18, 16),
                             QPageLayout::Millimeter);
    page.printToPdf(
        [&](const QByteArray& result) {
            pdf = result;
            loop.quit();
        },
        layout);
    loop.exec();
    if (!pdf.startsWith("%PDF"))
        throw AppError(QStringLiteral("O motor web não gerou o PDF da ajuda."));
    TextFile::writeBytes(output, pdf);
}

} // namespace

int main(int argc, char* argv[]) {
    if (geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    QTextStream err(stderr);
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() != 4) {
        err << "uso: velmora-ajuda PASTA_FONTE PASTA_DE_TRABALHO SAIDA.pdf" << Qt::endl;
        return 2;
    }
    const QString source = Folders::devolvebarra(arguments[1]);
    const QString work = Folders::devolvebarra(arguments[2]);
    PictureDialogs dialogs;
    Dialogs::install(&dialogs);
    try {
        QTemporaryDir office;
        copyFolder(source, work);
        const QString pictures = work + QStringLiteral("imagens/");
        QDir().mkpath(pictures);
        takePictures(installSampleOffice(Folders::devolvebarra(office.path())), pictures, dialogs);
        if (!dialogs.shown.isEmpty())
            throw AppError(QStringLiteral("Mensagens inesperadas ao fotografar as janelas: ") +
                           dialogs.shown.join(QStringLiteral(" | ")));
        printToPdf(work + QStringLiteral("ajuda.html"), arguments[3]);
    } catch (const AppError& error) {
        err << error.message() << Qt::endl;
        return 1;
    }
    Dialogs::install(nullptr);
    return 0;
}
